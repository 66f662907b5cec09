// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Raw bytes: whatever validate accepts, every operation handles without
// asserting or touching memory outside the record, and the byte-order round
// trip gives the same policy back.
#include "eth_if_plcy.hpp"
#include "fuzz_common.hpp"

namespace {

void exercise(fuzz::Block &host) {
    eth_if_plcy_t *rec = host.rec();
    uint32_t size = eth_if_plcy_get_size(rec, 0);
    FUZZ_CHECK(size >= ETH_IF_PLCY_MIN_SIZE && size <= host.bytes.size());
    eth_if_plcy_ext_t ext = fuzz::decoded(rec);
    char text[16384];
    for (uint32_t layout : {0u, 0x8u, 0x20u, 0x28u})
        eth_if_plcy_print(rec, text, sizeof text, layout);
    for (uint32_t layout : {0u, 0x8u})
        eth_if_plcy_ext_print(&ext, text, sizeof text, layout);
    FUZZ_CHECK(eth_if_plcy_compare_int(rec, rec, ETH_IF_PLCY_ALL_FIELDS, 0) == 0);

    // copy, network copy, back again: the same policy.
    eth_if_plcy_t *copy = nullptr, *net = nullptr;
    FUZZ_CHECK(eth_if_plcy_copy(rec, &copy, 0) == 0);
    FUZZ_CHECK(eth_if_plcy_copy(rec, &net, ETH_IF_PLCY_COPY_HTON) == 0);
    FUZZ_CHECK(eth_if_plcy_validate(net, size, ETH_IF_PLCY_VALIDATE_NET) == 0);
    eth_if_plcy_ntoh(net);
    FUZZ_CHECK(eth_if_plcy_validate(net, size, 0) == 0);
    FUZZ_CHECK(eth_if_plcy_compare_int(rec, net, ETH_IF_PLCY_ALL_FIELDS, 0) == 0);
    eth_if_plcy_ext_t back = fuzz::decoded(net);
    FUZZ_CHECK(std::memcmp(&ext, &back, sizeof ext) == 0);
    FUZZ_CHECK(eth_if_plcy_compare(copy, rec, ETH_IF_PLCY_ALL_FIELDS, 4) == 0);
    FUZZ_CHECK(eth_if_plcy_replace(&copy, net, ETH_IF_PLCY_REPLACE_COPY) == 0);
    eth_if_plcy_free(copy, 0);
    eth_if_plcy_free(net, 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    for (uint32_t options : {0u, ETH_IF_PLCY_VALIDATE_NET}) {
        // The C++ layer takes exactly what validate accepts, and never aborts on it.
        eth_if_plcy::Record held;
        auto v = eth_if_plcy::Record::from_bytes({data, size}, held, options);
        FUZZ_CHECK(bool(v) == (eth_if_plcy_validate(data, size, options) == 0) &&
                   bool(v) == bool(held));
        FUZZ_CHECK(eth_if_plcy::print(held).size() == eth_if_plcy_print_len(held.get(), 0));
        if (eth_if_plcy_validate(data, size, options) != 0) continue;
        fuzz::Block block(data, size);
        if (options != 0) {
            eth_if_plcy_ntoh(block.rec());
            FUZZ_CHECK(eth_if_plcy_validate(block.rec(), size, 0) == 0);
        }
        block.bytes.resize(fuzz::host_size(block.bytes.data()));
        block.bytes.shrink_to_fit();
        exercise(block);
    }
    return 0;
}
