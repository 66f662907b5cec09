// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Compare: the mask of policy field bits whose data differ between two records.
#include <array>
#include <bit>

#include "eth_efp_util.h"
#include "internal.hpp"
#include "policy_table.hpp"

namespace {

using namespace ethplcy;
namespace L = ethplcy::layout;

constexpr uint32_t kAcceptedOptions = ETH_IF_PLCY_CMP_ONE_SIDED | ETH_IF_PLCY_CMP_FIRST_ABSENT_ALL;

// The data a policy field bit governs, read through the view the bit names.
struct Governed {
    uint32_t bit;
    uint8_t nflags;
    std::array<Bits, 3> flags;
    uint8_t nints;
    std::array<Int, 3> ints;
};

constexpr Bits kNoBits{};
constexpr Int kNoInt{};

constexpr std::array<Governed, 14> kGoverned = {{
    {ETH_IF_PLCY_ETHER_IF_TYPE, 1, {L::ether_if_type, kNoBits, kNoBits}, 0, {}},
    {ETH_IF_PLCY_INTF_READY, 1, {L::interface_ready, kNoBits, kNoBits}, 0, {}},
    {ETH_IF_PLCY_L2_FLAG, 1, {L::is_l2, kNoBits, kNoBits}, 0, {}},
    {ETH_IF_PLCY_PARENT, 0, {}, 1, {L::sub_parent, kNoInt, kNoInt}},
    {ETH_IF_PLCY_ADMIN_STATE, 1, {L::sub_admin_up, kNoBits, kNoBits}, 0, {}},
    {ETH_IF_PLCY_NATIVE_VLAN,
     1,
     {L::trunk_native_is_svlan, kNoBits, kNoBits},
     1,
     {L::trunk_native_vlan, kNoInt, kNoInt}},
    {ETH_IF_PLCY_QINQ_ETYPE, 0, {}, 1, {L::trunk_qinq_tunneling_etype, kNoInt, kNoInt}},
    {ETH_IF_PLCY_MAC_ACC, 2, {L::trunk_mac_acc_ingress, L::trunk_mac_acc_egress, kNoBits}, 0, {}},
    {ETH_IF_PLCY_FILTERING,
     3,
     {L::trunk_filter_dot1q, L::trunk_filter_dot1ad, L::trunk_filter_mac_relay},
     0,
     {}},
    {ETH_IF_PLCY_EFP_FILTERING, 1, {L::sub_efp_filtering, kNoBits, kNoBits}, 0, {}},
    {ETH_IF_PLCY_SRC_BYPASS_FILTER, 1, {L::sub_src_bypass_filter, kNoBits, kNoBits}, 0, {}},
    {ETH_IF_PLCY_ICL_MODE, 1, {L::is_in_icl_mode, kNoBits, kNoBits}, 0, {}},
    {ETH_IF_PLCY_MTU, 0, {}, 1, {L::mtu, kNoInt, kNoInt}},
    {ETH_IF_PLCY_VLAN_SWITCHED,
     2,
     {L::trunk_vlan_switched_access, L::trunk_vlan_switched_trunk, kNoBits},
     1,
     {L::trunk_access_vlan, kNoInt, kNoInt}},
}};

// Provisioning details count only when both records are provisioned.
constexpr Governed kProvisionDetails = {
    ETH_IF_PLCY_PROVISION,
    3,
    {L::l2_prop_remote_status, L::ip_iw_enabled, L::imposition_vlan_rewrite},
    3,
    {L::xconnect_id, L::xcon_tags, L::imposition_vlan_id}};

// Which bytes and bits of the fixed part (offsets 0-47) each bit governs,
// built at compile time from the table above, so that compare tests each
// bit with a few masked word compares.
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

constexpr ByteMask mask_of(const Governed &g) {
    ByteMask m{};
    for (unsigned k = 0; k < g.nflags; k++)
        add(m, g.flags[k]);
    for (unsigned k = 0; k < g.nints; k++)
        add(m, g.ints[k]);
    return m;
}

// Indexed by bit number; bits with no data here (EFP, LOOPBACK) stay empty.
constexpr std::array<WordMask, eth_if_plcy::fields::kFieldBits> kMasks = [] {
    std::array<WordMask, eth_if_plcy::fields::kFieldBits> masks{};
    for (const Governed &g : kGoverned)
        masks[std::countr_zero(g.bit)] = words_of(mask_of(g));
    ByteMask provisioned{}, l2pt{}, mac{};
    add(provisioned, L::is_provisioned);
    for (unsigned i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++)
        for (unsigned k = 0; k < 3; k++) // mode, EXP given, EXP; the spare bit is no field
            add(l2pt, L::l2pt_unit(i).field(k));
    for (unsigned i = 0; i < 6; i++)
        mac[L::mac_addr_off + i] = 0xFF;
    masks[std::countr_zero(ETH_IF_PLCY_PROVISION)] = words_of(provisioned);
    masks[std::countr_zero(ETH_IF_PLCY_L2PT)] = words_of(l2pt);
    masks[std::countr_zero(ETH_IF_PLCY_MAC_ADDR)] = words_of(mac);
    return masks;
}();
constexpr WordMask kProvisionMask = words_of(mask_of(kProvisionDetails));

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
        if (any_masked(diff, kMasks[bit])) result |= 1u << bit;
    }
    // Provisioning details count only when both records are provisioned.
    if (any != 0 && (common & ETH_IF_PLCY_PROVISION) && get(a, L::is_provisioned) &&
        any_masked(diff, kProvisionMask))
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
