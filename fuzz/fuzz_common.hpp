// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Shared pieces of the fuzz targets: the invariants they check.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ether_interface_policy_api.h"

// An invariant that must hold for every input: a violation is a finding.
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "fuzz invariant failed: %s (%s:%d)\n", #cond, __FILE__,           \
                         __LINE__);                                                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzz {

// An exact-size heap copy, so that any read past the record is caught.
struct Block {
    std::vector<uint8_t> bytes;
    explicit Block(const uint8_t *data, size_t n) : bytes(data, data + n) { bytes.shrink_to_fit(); }
    eth_if_plcy_t *rec() { return reinterpret_cast<eth_if_plcy_t *>(bytes.data()); }
};

inline uint32_t host_size(const uint8_t *data) {
    return uint32_t(data[2]) | uint32_t(data[3]) << 8;
}

// decode of every field, with the per-tag pointers cleared for comparison.
inline eth_if_plcy_ext_t decoded(const eth_if_plcy_t *rec) {
    eth_if_plcy_ext_t ext;
    std::memset(&ext, 0, sizeof ext);
    uint32_t status = eth_if_plcy_decode(rec, ETH_IF_PLCY_ALL_FIELDS, &ext, 0);
    FUZZ_CHECK(status == 0 || status == ETH_IF_PLCY_ERR_INVALID);
    for (auto &p : ext.efp.tag_range_list) {
        FUZZ_CHECK(p == nullptr || p == ext.efp.ranges);
        p = nullptr;
    }
    return ext;
}

// Every printer into every buffer length from 1 to the whole text + 1: a
// NUL-terminated prefix of the whole text, nothing written past the buffer.
// The whole text's length must be what the length function says (SIZE_MAX: none).
template <typename Printer>
void check_prefixes(Printer print, size_t expect_len = SIZE_MAX, size_t step = 1) {
    std::vector<char> whole(16384);
    print(whole.data(), whole.size());
    size_t n = strnlen(whole.data(), whole.size());
    FUZZ_CHECK(n < whole.size() - 1);
    FUZZ_CHECK(expect_len == SIZE_MAX || expect_len == n);
    for (size_t len = 1; len <= n + 1; len += step) {
        std::vector<char> buf(len + 8, '#');
        print(buf.data(), len);
        size_t got = strnlen(buf.data(), len);
        FUZZ_CHECK(got == std::min(len - 1, n));
        FUZZ_CHECK(std::memcmp(buf.data(), whole.data(), got) == 0);
        for (size_t i = len; i < buf.size(); i++)
            FUZZ_CHECK(buf[i] == '#');
    }
}

} // namespace fuzz
