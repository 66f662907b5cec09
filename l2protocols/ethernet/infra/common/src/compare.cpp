// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Compare: the mask of policy field bits whose data differ between two records.
#include <array>
#include <bit>

#include "eth_efp_util.h"
#include "internal.hpp"
#include "walk.hpp"

namespace {

using namespace ethplcy;
namespace L = ethplcy::layout;
namespace f = eth_if_plcy::fields;

constexpr uint32_t kAcceptedOptions = ETH_IF_PLCY_CMP_ONE_SIDED | ETH_IF_PLCY_CMP_FIRST_ABSENT_ALL;

// Which bytes and bits of the fixed part (offsets 0-47) each bit governs,
// built at compile time from the field description (its fixed-part fields,
// the record's own data beside them, the MAC address and the L2PT bytes), so
// that compare tests each bit with a few masked word compares. A field bit
// reads both views of the type-dependent area: a bit names its view.
constexpr unsigned kWords = ETH_IF_PLCY_EFP_PART / 8;
using ByteMask = std::array<uint8_t, ETH_IF_PLCY_EFP_PART>;
using WordMask = std::array<uint64_t, kWords>;

constexpr void add(ByteMask &m, Bits f) {
    uint32_t unit = place(f, ~0u); // the field's bits in its unit
    unsigned n = f.unit_bits / 8u;
    for (unsigned i = 0; i < n; i++) {
        unsigned shift = std::endian::native == std::endian::little ? 8 * i : 8 * (n - 1 - i);
        m[f.off + i] |= static_cast<uint8_t>(unit >> shift);
    }
}

constexpr void add(ByteMask &m, Int f) {
    for (unsigned i = 0; i < f.bytes; i++)
        m[f.off + i] = 0xFF;
}

constexpr WordMask words_of(const ByteMask &m) {
    WordMask w{};
    for (unsigned k = 0; k < kWords; k++) {
        std::array<uint8_t, 8> chunk{};
        for (unsigned i = 0; i < 8; i++)
            chunk[i] = m[8 * k + i];
        w[k] = std::bit_cast<uint64_t>(chunk);
    }
    return w;
}

constexpr void add(ByteMask &m, f::Place p) {
    walk::is_int(p) ? add(m, walk::int_of(p)) : add(m, walk::bits_of(p));
}

// Indexed by bit number; bits with no data here (EFP, LOOPBACK) stay empty.
// Provisioning details (what depends on is_provisioned) are a mask of their own.
struct Masks {
    std::array<WordMask, f::kFieldBits> bits;
    WordMask provision_details;
};
constexpr Masks kMasks = [] {
    std::array<ByteMask, f::kFieldBits> bytes{};
    ByteMask details{};
    auto add_field = [&](uint32_t bit, f::Dep dep, f::Place p) {
        add(dep == f::Dep::provisioned ? details : bytes[std::countr_zero(bit)], p);
    };
    for (const f::Scalar &s : f::kScalars)
        if (walk::in_fixed_part(s)) add_field(s.bit, s.dep, s.where.full);
    for (const f::Internal &r : f::kInternal)
        add_field(r.bit, r.dep, r.place);
    add_field(walk::kMacAddr.bit, walk::kMacAddr.dep, walk::kMacAddr.where.full);
    // Each L2PT byte is a unit of three fields (its spare bit is no field).
    for (unsigned i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++)
        for (unsigned k = 0; k < L::l2pt_unit(i).nfields; k++)
            add(bytes[std::countr_zero(walk::kL2pt.bit)], L::l2pt_unit(i).field(k));
    Masks out{};
    for (unsigned b = 0; b < f::kFieldBits; b++)
        out.bits[b] = words_of(bytes[b]);
    out.provision_details = words_of(details);
    return out;
}();

bool any_masked(const WordMask &diff, const WordMask &mask) {
    uint64_t hit = 0;
    for (unsigned k = 0; k < kWords; k++)
        hit |= diff[k] & mask[k];
    return hit != 0;
}

uint32_t compare_both(const uint8_t *a, const uint8_t *b, uint32_t fields, uint32_t options) {
    if (load(a, L::version) != 0 || load(b, L::version) != 0)
        ETH_IF_PLCY_FAIL("!\"Comparing different policy versions isn't supported\"");
    uint32_t ma = record_mask(a), mb = record_mask(b);
    uint32_t common = ma & mb & fields;
    uint32_t result =
        (options & ETH_IF_PLCY_CMP_ONE_SIDED) ? (ma & ~mb & fields) : ((ma ^ mb) & fields);
    if (common == 0) return result;
    WordMask diff;
    uint64_t any = 0;
    for (unsigned k = 0; k < kWords; k++) {
        uint64_t wa, wb;
        std::memcpy(&wa, a + 8 * k, 8);
        std::memcpy(&wb, b + 8 * k, 8);
        diff[k] = wa ^ wb;
        any |= diff[k];
    }
    // Identical fixed parts (the usual case) leave only the EFP to compare.
    for (uint32_t left = any != 0 ? common : 0; left != 0; left &= left - 1) {
        unsigned bit = static_cast<unsigned>(std::countr_zero(left));
        if (any_masked(diff, kMasks.bits[bit])) result |= 1u << bit;
    }
    // Provisioning details count only when both records are provisioned.
    if (any != 0 && (common & ETH_IF_PLCY_PROVISION) && get(a, L::is_provisioned) &&
        any_masked(diff, kMasks.provision_details))
        result |= ETH_IF_PLCY_PROVISION;
    const uint8_t *ea = a + L::efp_base, *eb = b + L::efp_base;
    if ((common & ETH_IF_PLCY_EFP_MATCH) && !eth_efp_util_match_equal(ea, eb))
        result |= ETH_IF_PLCY_EFP_MATCH;
    if ((common & ETH_IF_PLCY_EFP_REWRITE) && !eth_efp_util_rewrite_equal(ea, eb))
        result |= ETH_IF_PLCY_EFP_REWRITE;
    // LOOPBACK has no data: only its presence on one side counts.
    return result;
}

void check_options(uint32_t options) {
    if ((options & ~kAcceptedOptions) != 0) ETH_IF_PLCY_FAIL("!\"Invalid option specified\"");
}

} // namespace

ETH_IF_PLCY_EXPORT uint32_t eth_if_plcy_compare_int(const eth_if_plcy_t *first,
                                                    const eth_if_plcy_t *second, uint32_t fields,
                                                    uint32_t options) {
    check_options(options);
    if (first != nullptr && second != nullptr)
        return compare_both(bytes(first), bytes(second), fields, options);
    if (first != nullptr) return fields & record_mask(bytes(first));
    if (second == nullptr) return 0;
    bool one_sided = (options & ETH_IF_PLCY_CMP_ONE_SIDED) != 0;
    if (one_sided && !(options & ETH_IF_PLCY_CMP_FIRST_ABSENT_ALL)) return 0;
    return fields & record_mask(bytes(second));
}

ETH_IF_PLCY_EXPORT uint32_t eth_if_plcy_compare(const eth_if_plcy_t *first,
                                                const eth_if_plcy_t *second, uint32_t fields,
                                                uint32_t options) {
    check_options(options);
    return eth_if_plcy_compare_int(first, second, fields & ETH_IF_PLCY_ALL_FIELDS, options) &
           ETH_IF_PLCY_EXT_MASK;
}
