// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Bytes as an external record (pointers aimed at its own ranges, counts as
// they come): encode either accepts it, building a record that validates and
// survives every operation, or refuses it cleanly.
#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    eth_if_plcy_ext_t ext;
    std::memset(&ext, 0, sizeof ext);
    std::memcpy(&ext, data, std::min(size, sizeof ext));
    for (auto &list : ext.efp.tag_range_list)
        list = ext.efp.ranges;
    for (uint32_t options : {0u, ETH_IF_PLCY_ENCODE_TAG_RANGES}) {
        eth_if_plcy_t *rec = nullptr;
        uint32_t status = eth_if_plcy_encode(&ext, &rec, options);
        FUZZ_CHECK(status == 0 || status == ETH_IF_PLCY_ERR_BAD_POLICY);
        FUZZ_CHECK((status == 0) == (rec != nullptr));
        FUZZ_CHECK(status == 0 || eth_if_plcy_ext_validate(&ext, options) != 0);
        char text[16384];
        eth_if_plcy_ext_print(&ext, text, sizeof text, 0);
        eth_if_plcy_ext_print(&ext, text, sizeof text, ETH_IF_PLCY_PRINT_COMPACT);
        if (status != 0) continue;
        uint32_t n = eth_if_plcy_get_size(rec, 0);
        FUZZ_CHECK(eth_if_plcy_validate(rec, n, 0) == 0);
        eth_if_plcy_ext_t out;
        FUZZ_CHECK(eth_if_plcy_decode(rec, ETH_IF_PLCY_ALL_FIELDS, &out, 0) == 0);
        FUZZ_CHECK(out.valid_mask == (ext.valid_mask & ETH_IF_PLCY_ALL_FIELDS));
        eth_if_plcy_print(rec, text, sizeof text, 0);
        eth_if_plcy_print(rec, text, sizeof text, ETH_IF_PLCY_PRINT_BRIEF);
        // A decoded record encodes again to the same bytes.
        eth_if_plcy_t *again = nullptr;
        FUZZ_CHECK(eth_if_plcy_encode(&out, &again, 0) == 0);
        FUZZ_CHECK(eth_if_plcy_get_size(again, 0) == n);
        FUZZ_CHECK(std::memcmp(again, rec, n) == 0);
        eth_if_plcy_free(again, 0);
        eth_if_plcy_free(rec, 0);
    }
    return 0;
}
