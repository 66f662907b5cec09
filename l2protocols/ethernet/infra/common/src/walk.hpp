// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The fixed part of the record (offsets 8 to 47) as the field description
// places it: encode, decode and compare walk its rows at compile time (a fold
// over the row numbers, each row's place and accessor constants), so the
// code they get is the hand-written code's, with no second list of fields.
#pragma once

#include <utility>

#include "internal.hpp"
#include "policy_table.hpp"

namespace ethplcy::walk {

namespace f = eth_if_plcy::fields;

// A place is an integer when its field fills its bytes, else a flag-unit field.
constexpr bool is_int(f::Place p) {
    return p.width == 8u * p.bytes;
}
constexpr Bits bits_of(f::Place p) {
    return Bits{p.off, static_cast<uint8_t>(8u * p.bytes), p.lsb, p.width};
}
constexpr Int int_of(f::Place p) {
    return Int{p.off, p.bytes};
}

// A field of the fixed part: governed by a bit (the valid mask itself is the
// header), the same in both EFP forms, before the EFP part.
constexpr bool in_fixed_part(f::Place compact, f::Place full, uint32_t bit) {
    return bit != 0 && compact == full && full.off >= layout::type_unit.off &&
           full.off < ETH_IF_PLCY_EFP_PART;
}
constexpr bool in_fixed_part(const f::Scalar &s) {
    return in_fixed_part(s.where.compact, s.where.full, s.bit);
}

// A field's value at its place in a host image.
inline uint32_t read(const uint8_t *rec, f::Place p) {
    return is_int(p) ? load(rec, int_of(p)) : get(rec, bits_of(p));
}

// Calls fn(std::integral_constant<size_t, I>) for every fixed-part scalar I
// governed by a bit of Groups, in row order.
template <uint32_t Groups, class Fn, size_t... I>
inline void each_fixed(Fn &&fn, std::index_sequence<I...>) {
    (
        [&] {
            constexpr const f::Scalar &s = f::kScalars[I];
            if constexpr (in_fixed_part(s) && (s.bit & Groups) != 0)
                fn(std::integral_constant<size_t, I>{});
        }(),
        ...);
}
template <uint32_t Groups, class Fn>
inline void each_fixed(Fn &&fn) {
    each_fixed<Groups>(fn, std::make_index_sequence<f::kScalarCount>{});
}

// Decode tests a dependency on the value it has just decoded: in the fixed
// part, is_provisioned comes before the fields that need it.
constexpr bool governor_first() {
    for (size_t i = 0; i < f::kScalarCount; i++)
        if (in_fixed_part(f::kScalars[i]) && f::kScalars[i].dep == f::Dep::provisioned &&
            i < f::index(f::F::is_provisioned))
            return false;
    return true;
}
static_assert(governor_first());

// The two compounds of the fixed part: the interface's MAC address and the
// L2PT protocols' bytes.
inline constexpr const f::Compound &kMacAddr = f::compound(f::F::mac_addr);
inline constexpr const f::Compound &kL2pt = f::compound(f::F::l2pt);
static_assert(kMacAddr.where.full.bytes == 6 && kL2pt.where.full.off == layout::l2pt_off);

} // namespace ethplcy::walk
