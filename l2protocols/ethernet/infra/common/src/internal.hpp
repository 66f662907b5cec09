// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Private helpers shared by the library's subsystems.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ether_interface_policy_api.h"
#include "record_layout.hpp"

#define ETH_IF_PLCY_EXPORT extern "C" __attribute__((visibility("default")))

// Every assertion of the library reports this one path, whichever file holds the check.
#define ETH_IF_PLCY_SOURCE_PATH "l2protocols/ethernet/infra/common/src/ether_interface_policy_api"
#define ETH_IF_PLCY_FAIL(text) eth_if_plcy_assert_fail(ETH_IF_PLCY_SOURCE_PATH, __LINE__, text)

namespace ethplcy {

using layout::Bits;
using layout::Int;

inline const uint8_t *bytes(const eth_if_plcy_t *rec) {
    return reinterpret_cast<const uint8_t *>(rec);
}
inline uint8_t *bytes(eth_if_plcy_t *rec) {
    return reinterpret_cast<uint8_t *>(rec);
}

inline uint32_t get(const uint8_t *rec, Bits f) {
    return eth_efp_unit_get(rec, f.off, f.unit_bits, f.lsb, f.width);
}
inline void set(uint8_t *rec, Bits f, uint32_t v) {
    eth_efp_unit_set(rec, f.off, f.unit_bits, f.lsb, f.width, v);
}

// A field's value at its place in its unit: flag units built in a register
// are stored once by the writers.
constexpr uint32_t place(Bits f, uint32_t v) {
    return (v & ((1u << f.width) - 1u)) << ETH_EFP_BIT_POS(f.lsb, f.width, f.unit_bits);
}
// A one-bit field's bit in its unit.
constexpr uint32_t flag(Bits f) {
    return place(f, 1);
}

inline uint32_t load(const uint8_t *rec, Int f) {
    if (f.bytes == 1) return rec[f.off];
    if (f.bytes == 2) return eth_efp_load16(rec + f.off);
    uint32_t v;
    std::memcpy(&v, rec + f.off, sizeof v);
    return v;
}
inline void store(uint8_t *rec, Int f, uint32_t v) {
    if (f.bytes == 1) {
        rec[f.off] = static_cast<uint8_t>(v);
    } else if (f.bytes == 2) {
        eth_efp_store16(rec + f.off, static_cast<uint16_t>(v));
    } else {
        std::memcpy(rec + f.off, &v, sizeof v);
    }
}

// Integers of n bytes in network order (big-endian), whatever the host.
inline uint32_t load_net(const uint8_t *p, unsigned n) {
    uint32_t v = 0;
    for (unsigned i = 0; i < n; i++)
        v = (v << 8) | p[i];
    return v;
}

inline void store_net(uint8_t *p, unsigned n, uint32_t v) {
    for (unsigned i = n; i-- > 0; v >>= 8)
        p[i] = static_cast<uint8_t>(v);
}

// A flag-unit field read from a network image: the unit big-endian, the
// field at its network position.
inline uint32_t get_net(const uint8_t *rec, Bits f) {
    uint32_t unit = load_net(rec + f.off, f.unit_bits / 8u);
    return (unit >> (f.unit_bits - f.lsb - f.width)) & ((1u << f.width) - 1u);
}

inline uint32_t record_size(const uint8_t *rec) {
    return load(rec, layout::size);
}
inline uint32_t record_mask(const uint8_t *rec) {
    return load(rec, layout::valid_mask);
}

// An L2PT setting as the external record holds it (mode in bits 0-2, EXP
// given in bit 3, EXP value in bits 4-6), read from or written to the
// record's flag unit for protocol i.
inline uint8_t l2pt_get(const uint8_t *rec, unsigned i) {
    const layout::Unit u = layout::l2pt_unit(i);
    return static_cast<uint8_t>(get(rec, u.field(0)) | get(rec, u.field(1)) << 3 |
                                get(rec, u.field(2)) << 4);
}
inline void l2pt_set(uint8_t *rec, unsigned i, uint8_t value) {
    const layout::Unit u = layout::l2pt_unit(i);
    set(rec, u.field(0), value & 0x7u);
    set(rec, u.field(1), (value >> 3) & 0x1u);
    set(rec, u.field(2), (value >> 4) & 0x7u);
}

inline bool in_type_set(uint32_t set, uint32_t type) {
    return type < 32 && ((set >> type) & 1u);
}
inline bool is_trunk_type(uint32_t type) {
    return in_type_set(ETH_IF_PLCY_TRUNK_TYPES, type);
}
inline bool is_sub_type(uint32_t type) {
    return in_type_set(ETH_IF_PLCY_SUB_TYPES, type);
}

// Clears N bytes (a multiple of 8) with 16- and 8-byte stores: for the small
// fixed sizes of records, fewer instructions than a memset call or the string
// instruction a constant-size memset becomes.
template <size_t N>
inline void clear_fixed(void *p) {
    static_assert(N % 8 == 0);
    using Chunk = uint8_t __attribute__((vector_size(16)));
    const Chunk zero = {};
    auto *b = static_cast<uint8_t *>(p);
#pragma GCC unroll 16
    for (size_t at = 0; at + 16 <= N; at += 16)
        std::memcpy(b + at, &zero, 16);
    if constexpr (N % 16 != 0) std::memcpy(b + N - 8, &zero, 8);
}

// Heap blocks for records. A test build can make them fail on demand.
#ifdef ETH_IF_PLCY_FAULT_INJECTION
void *alloc(size_t n);
#else
inline void *alloc(size_t n) {
    return std::malloc(n);
}
#endif

} // namespace ethplcy
