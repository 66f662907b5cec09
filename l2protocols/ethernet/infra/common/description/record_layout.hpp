// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The internal policy record, described once. Every reader, writer and the
// byte-order conversion address fields through these descriptors.
//
// Integers (Int) are stored in host order. Flag units (Unit) are one byte or
// one 16-bit word holding their fields in table order: from bit 0 up on a
// little-endian host, from the most significant bit down in the network image
// (which is also the host image of a big-endian host). A field (Bits) names
// its unit, its little-endian bit position and its width; eth_efp_unit_get and
// eth_efp_unit_set place it on the actual host.
#pragma once

#include <array>
#include <cstdint>

#include "ether_interface_policy_api.h"

namespace ethplcy::layout {

struct Int {
    uint8_t off;
    uint8_t bytes;
};

struct Bits {
    uint8_t off;       // unit offset
    uint8_t unit_bits; // 8 or 16
    uint8_t lsb;       // field position in the little-endian host image
    uint8_t width;
    constexpr bool operator==(const Bits &) const = default;
};

inline constexpr unsigned kMaxUnitFields = 9;

struct Unit {
    uint8_t off;
    uint8_t bits;
    uint8_t nfields;
    std::array<uint8_t, kMaxUnitFields> widths; // fields in order, from bit 0 up

    constexpr unsigned lsb(unsigned k) const {
        unsigned pos = 0;
        for (unsigned i = 0; i < k; i++)
            pos += widths[i];
        return pos;
    }
    constexpr Bits field(unsigned k) const {
        return Bits{off, bits, static_cast<uint8_t>(lsb(k)), widths[k]};
    }
    constexpr bool fits() const { return nfields <= kMaxUnitFields && lsb(nfields) <= bits; }
};

// ---- Header -------------------------------------------------------------
inline constexpr Int version{0, 1};
inline constexpr Int size{2, 2};
inline constexpr Int valid_mask{4, 4};

// ---- Fixed part (8-47) ----------------------------------------------------
inline constexpr Unit type_unit{8, 16, 5, {5, 1, 1, 1, 1}};
inline constexpr Bits ether_if_type = type_unit.field(0);
inline constexpr Bits interface_ready = type_unit.field(1);
inline constexpr Bits is_l2 = type_unit.field(2);
inline constexpr Bits is_provisioned = type_unit.field(3);
inline constexpr Bits is_in_icl_mode = type_unit.field(4);

inline constexpr Int xconnect_id{12, 4};
inline constexpr Int xcon_tags{16, 1};
inline constexpr Unit provision_unit{17, 8, 3, {1, 1, 1}};
inline constexpr Bits l2_prop_remote_status = provision_unit.field(0);
inline constexpr Bits ip_iw_enabled = provision_unit.field(1);
inline constexpr Bits imposition_vlan_rewrite = provision_unit.field(2);
inline constexpr Int imposition_vlan_id{18, 2};

// l2pt: one byte per protocol; mode, EXP given, EXP value.
inline constexpr uint8_t l2pt_off = 20;
constexpr Unit l2pt_unit(unsigned i) {
    return Unit{static_cast<uint8_t>(l2pt_off + i), 8, 3, {3, 1, 3}};
}
inline constexpr uint8_t mac_addr_off = 25;
inline constexpr Int mtu{32, 2};

// ---- Type-dependent area (36-47): trunk view ------------------------------
inline constexpr Int trunk_native_vlan{36, 2};
inline constexpr Int trunk_qinq_tunneling_etype{38, 2};
inline constexpr Unit trunk_unit{40, 16, 9, {1, 1, 1, 1, 1, 1, 1, 1, 1}};
inline constexpr Bits trunk_mac_acc_ingress = trunk_unit.field(0);
inline constexpr Bits trunk_mac_acc_egress = trunk_unit.field(1);
inline constexpr Bits trunk_native_is_svlan = trunk_unit.field(2);
inline constexpr Bits trunk_filter_dot1q = trunk_unit.field(3);
inline constexpr Bits trunk_filter_dot1ad = trunk_unit.field(4);
inline constexpr Bits trunk_filter_mac_relay = trunk_unit.field(5);
inline constexpr Bits trunk_reserved_flag = trunk_unit.field(6);
inline constexpr Bits trunk_vlan_switched_trunk = trunk_unit.field(7);
inline constexpr Bits trunk_vlan_switched_access = trunk_unit.field(8);
inline constexpr Int trunk_access_vlan{42, 2};

// ---- Type-dependent area: sub view ----------------------------------------
inline constexpr Int sub_parent{36, 4};
inline constexpr Unit sub_unit{40, 8, 3, {1, 1, 1}};
inline constexpr Bits sub_admin_up = sub_unit.field(0);
inline constexpr Bits sub_efp_filtering = sub_unit.field(1);
inline constexpr Bits sub_src_bypass_filter = sub_unit.field(2);

// A sub-interface record may carry the VLAN SWITCHED fields where the trunk
// view keeps them; they convert as these trunk-unit fields beside the sub ones.
inline constexpr uint16_t sub_unit_fields_in_trunk_unit = 0x7;
inline constexpr uint16_t vlan_switched_fields_in_trunk_unit = 0x180;

// The flag units of the fixed part and the type-dependent area (the L2PT
// bytes aside), for readers that walk the record in order.
inline constexpr Unit kFixedUnits[] = {type_unit, provision_unit, trunk_unit, sub_unit};

// ---- EFP part (48 to size - 1) ----------------------------------------------
inline constexpr Int reserved_word{48, 4};
inline constexpr uint8_t efp_base = ETH_IF_PLCY_EFP_BASE;

// EFP flag units at record offsets; the field positions are those of the
// EFP accessors, checked below.
inline constexpr Unit compact_counts_unit{efp_base + 1, 8, 4, {2, 2, 2, 2}};
inline constexpr Unit compact_pcp_unit{efp_base + 2, 8, 4, {4, 1, 1, 2}};
constexpr Unit compact_tag_unit(unsigned k) {
    return Unit{static_cast<uint8_t>(efp_base + ETH_EFP_C_TAG_OFF(k)), 16, 3, {13, 1, 2}};
}
inline constexpr Unit full_flags_unit{efp_base + ETH_EFP_F_FLAGS_OFF, 8, 7, {2, 1, 1, 1, 1, 1, 1}};
inline constexpr Int compact_payload{efp_base + ETH_EFP_C_PAYLOAD_OFF, 2};
inline constexpr Int full_payload{efp_base + ETH_EFP_F_PAYLOAD_OFF, 2};

constexpr Bits at_efp(Bits b) {
    return Bits{static_cast<uint8_t>(efp_base + b.off), b.unit_bits, b.lsb, b.width};
}

// ---- Checks: the layout as the format fixes it ----------------------------
static_assert(type_unit.fits() && provision_unit.fits() && l2pt_unit(4).fits() &&
              trunk_unit.fits() && sub_unit.fits() && compact_counts_unit.fits() &&
              compact_pcp_unit.fits() && compact_tag_unit(1).fits() && full_flags_unit.fits());
static_assert(ether_if_type == Bits{8, 16, 0, 5} && interface_ready == Bits{8, 16, 5, 1} &&
              is_l2 == Bits{8, 16, 6, 1} && is_provisioned == Bits{8, 16, 7, 1} &&
              is_in_icl_mode == Bits{8, 16, 8, 1});
static_assert(l2_prop_remote_status == Bits{17, 8, 0, 1} && ip_iw_enabled == Bits{17, 8, 1, 1} &&
              imposition_vlan_rewrite == Bits{17, 8, 2, 1});
static_assert(l2pt_unit(0).field(0) == Bits{20, 8, 0, 3} &&
              l2pt_unit(0).field(1) == Bits{20, 8, 3, 1} &&
              l2pt_unit(4).field(2) == Bits{24, 8, 4, 3});
static_assert(xconnect_id.off == 12 && xcon_tags.off == 16 && imposition_vlan_id.off == 18 &&
              mac_addr_off + 6 == 31 && mtu.off == 32);
static_assert(trunk_mac_acc_ingress == Bits{40, 16, 0, 1} &&
              trunk_native_is_svlan == Bits{40, 16, 2, 1} &&
              trunk_filter_mac_relay == Bits{40, 16, 5, 1} &&
              trunk_reserved_flag == Bits{40, 16, 6, 1} &&
              trunk_vlan_switched_trunk == Bits{40, 16, 7, 1} &&
              trunk_vlan_switched_access == Bits{40, 16, 8, 1});
static_assert(trunk_native_vlan.off == 36 && trunk_qinq_tunneling_etype.off == 38 &&
              trunk_access_vlan.off == 42 && sub_parent.off == 36 && sub_parent.bytes == 4);
// The sub flags share bits 0-2 of byte 40 with the first three trunk flags.
static_assert(sub_admin_up.lsb == trunk_mac_acc_ingress.lsb &&
              sub_src_bypass_filter.lsb == trunk_native_is_svlan.lsb);
static_assert(reserved_word.off == ETH_IF_PLCY_EFP_PART && efp_base == 56);
static_assert(compact_counts_unit.field(0) == at_efp(Bits{ETH_EFP_C_CFGD}) &&
              compact_counts_unit.field(1) == at_efp(Bits{ETH_EFP_C_NUM_MATCH_TAGS}) &&
              compact_counts_unit.field(2) == at_efp(Bits{ETH_EFP_C_NUM_TAG_POPS}) &&
              compact_counts_unit.field(3) == at_efp(Bits{ETH_EFP_C_NUM_TAG_PUSHES}));
static_assert(compact_pcp_unit.field(0) == at_efp(Bits{ETH_EFP_C_TAG_PCP}) &&
              compact_pcp_unit.field(1) == at_efp(Bits{ETH_EFP_C_EXACT}) &&
              compact_pcp_unit.field(2) == at_efp(Bits{ETH_EFP_C_L3_AMBIGUOUS}) &&
              compact_pcp_unit.field(3) == at_efp(Bits{ETH_EFP_C_PCP_SPARE}));
static_assert(compact_tag_unit(1).field(0) == at_efp(Bits{ETH_EFP_C_TAG_VLAN(1)}) &&
              compact_tag_unit(1).field(1) == at_efp(Bits{ETH_EFP_C_TAG_DOT1AD(1)}) &&
              compact_tag_unit(0).off == 62 && compact_tag_unit(1).off == 64);
static_assert(full_flags_unit.field(0) == at_efp(Bits{ETH_EFP_F_CFGD}) &&
              full_flags_unit.field(1) == at_efp(Bits{ETH_EFP_F_NATIVE}) &&
              full_flags_unit.field(2) == at_efp(Bits{ETH_EFP_F_NATIVE_PRESERVE}) &&
              full_flags_unit.field(3) == at_efp(Bits{ETH_EFP_F_EXACT}) &&
              full_flags_unit.field(4) == at_efp(Bits{ETH_EFP_F_L3_AMBIGUOUS}) &&
              full_flags_unit.field(6) == at_efp(Bits{ETH_EFP_F_FLAG7}) &&
              full_flags_unit.off == 80);
static_assert(compact_payload.off == 60 && full_payload.off == 82);
static_assert(efp_base + ETH_EFP_F_TAG_OFF(1) == 64 && efp_base + ETH_EFP_F_PUSH_OFF(1) == 76 &&
              efp_base + ETH_EFP_F_NUM_TAG_PUSHES_OFF == 71 &&
              efp_base + ETH_EFP_F_SRC_MAC_OFF == 96);

} // namespace ethplcy::layout
