// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Every printer, on any record validate accepts, into every buffer length.
#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (eth_if_plcy_validate(data, size, 0) != 0) return 0;
    fuzz::Block block(data, fuzz::host_size(data));
    eth_if_plcy_t *rec = block.rec();
    for (uint32_t layout : {0u, 0x8u, 0x20u, 0x28u})
        fuzz::check_prefixes([&](char *b, size_t n) { eth_if_plcy_print(rec, b, n, layout); },
                             eth_if_plcy_print_len(rec, layout));
    eth_if_plcy_ext_t ext = fuzz::decoded(rec);
    for (uint32_t layout : {0u, 0x8u})
        fuzz::check_prefixes([&](char *b, size_t n) { eth_if_plcy_ext_print(&ext, b, n, layout); },
                             eth_if_plcy_ext_print_len(&ext, layout));
    uint32_t mask;
    std::memcpy(&mask, data + 4, 4);
    fuzz::check_prefixes([&](char *b, size_t n) { eth_if_plcy_print_mask(mask, b, n); });
    fuzz::check_prefixes([&](char *b, size_t n) { eth_if_plcy_print_ext_mask(mask, b, n); });
    return 0;
}
