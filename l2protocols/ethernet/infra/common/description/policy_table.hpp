// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The policy's fields as people name them, described once with their rules.
// Each row: the field's path in the policy JSON (provision_info, sub, trunk
// and efp as nested objects), the policy field bits that make it present, the
// values it accepts (a Domain: range, words, how it is written), what it
// depends on, which interface class it belongs to, its value when omitted,
// one sentence for people, and where it lies in the record. The strict check
// (policy_check.hpp), the reader and writer, the JSON Schema, the hexdump,
// the Python binding and the dissector all read these rows.
// Header-only, no JSON library, no exceptions.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <type_traits>
#include <string_view>
#include <utility>

#include "eth_iftype_names.hpp"
#include "ether_interface_policy_api.h"
#include "record_layout.hpp"
#include "sentence.hpp"

namespace eth_if_plcy::fields {

using Ext = eth_if_plcy_ext_t;

// How a number is written, and which words stand for special values.
enum class Style { dec, hex4, hex5, hex8 };
enum class Words { none, vlan, pcp, ethertype, mode, iftype };

struct Word {
    const char *word;
    uint64_t value;
};
inline constexpr Word kVlanWords[] = {{"any", EFP_VLAN_ANY}, {"range", EFP_VLAN_RANGE}};
inline constexpr Word kPcpWords[] = {{"any", EFP_PCP_ANY}};
inline constexpr Word kEthertypeWords[] = {{"dot1q", ETH_EFP_ETHERTYPE_DOT1Q},
                                           {"dot1ad", ETH_EFP_ETHERTYPE_DOT1AD}};
// L2PT modes by their 3-bit codes; codes 5 to 7 have no name.
inline constexpr Word kModeWords[] = {
    {"off", 0}, {"forward", 1}, {"drop", 2}, {"tunnel", 3}, {"rev-tnl", 4}};
// Interface types by the interface-type library's names ("none" is no type).
inline constexpr auto kIfTypeWords = [] {
    std::array<Word, ETH_IF_PLCY_MAX_IF_TYPE> w{};
    for (uint32_t t = 1; t <= ETH_IF_PLCY_MAX_IF_TYPE; t++)
        w[t - 1] = {eth_iftype::kNames[t], t};
    return w;
}();
static_assert(eth_iftype::kNames.size() == ETH_IF_PLCY_MAX_IF_TYPE + 1);

constexpr std::span<const Word> words_of(Words w) {
    switch (w) {
    case Words::vlan:
        return kVlanWords;
    case Words::pcp:
        return kPcpWords;
    case Words::ethertype:
        return kEthertypeWords;
    case Words::mode:
        return kModeWords;
    case Words::iftype:
        return kIfTypeWords;
    case Words::none:
        break;
    }
    return {};
}

constexpr int hex_digits(Style s) {
    return s == Style::hex4 ? 4 : s == Style::hex5 ? 5 : s == Style::hex8 ? 8 : 0;
}

// The values a field accepts: lo to hi and the words (which may lie outside).
// wide: the largest value the external record's field holds, which readers
// accept when asked not to be strict (encode then keeps the format's
// normalisations). noun: refusals say "is not <noun>: write ..."; without
// one, "is above hi". reason: the strict check's sentence for a value outside.
struct Domain {
    uint64_t lo, hi, wide;
    Style style;
    Words words;
    const char *noun;
    const char *reason;
    bool aliases = false; // the words are read but never written (numbers are)

    constexpr bool allows(uint64_t v) const {
        if (v >= lo && v <= hi) return true;
        for (const Word &w : words_of(words))
            if (w.value == v) return true;
        return false;
    }
};

inline constexpr uint16_t kMaxVlan = 4095;
inline constexpr uint32_t kMaxRanges = ETH_IF_PLCY_EXT_MAX_RANGES;
inline constexpr uint8_t kMaxPcp = 7;
inline constexpr uint8_t kMaxMode = ETH_IF_PLCY_L2PT_MODE_MASK;
inline constexpr uint8_t kMaxExp = ETH_IF_PLCY_L2PT_EXP_MASK >> ETH_IF_PLCY_L2PT_EXP_SHIFT;
inline constexpr uint8_t kMaxL2ptByte =
    ETH_IF_PLCY_L2PT_MODE_MASK | ETH_IF_PLCY_L2PT_EXP_GIVEN | ETH_IF_PLCY_L2PT_EXP_MASK;
// The reasons that name a limit, made from it.
inline constexpr Sentence kBitsAbove =
    say("valid_mask has bits above bit ", std::bit_width(ETH_IF_PLCY_ALL_FIELDS) - 1);
inline constexpr Sentence kUnknownType =
    say("unknown interface type (1 to ", ETH_IF_PLCY_MAX_IF_TYPE, ")");
inline constexpr Sentence kByteAbove = say("value is above ", UINT8_MAX);
inline constexpr Sentence kU16Above = say("value is above ", UINT16_MAX);
inline constexpr Sentence kVlanAbove = say("VLAN is above ", kMaxVlan);
inline constexpr Sentence kMatchVlanAbove =
    say("VLAN is above ", kMaxVlan, " and is not EFP_VLAN_ANY or EFP_VLAN_RANGE");
inline constexpr Sentence kPcpAbove =
    say("PCP is above ", kMaxPcp, " and is not EFP_PCP_ANY (", EFP_PCP_ANY, ")");
inline constexpr Sentence kTagsAbove = say("more than ", ETH_EFP_MAX_MATCH_TAGS, " tags");
inline constexpr Sentence kPopsAbove = say("more than ", ETH_EFP_MAX_MATCH_TAGS, " tags popped");
inline constexpr Sentence kRangesAbove = say("more than ", kMaxRanges, " VLAN ranges");
inline constexpr Sentence kL2ptBit =
    say("L2PT byte has bit ", std::bit_width(kMaxL2ptByte), " set");
inline constexpr Sentence kModeAbove = say("mode is above ", kMaxMode);
inline constexpr Sentence kExpAbove = say("EXP is above ", kMaxExp);
using St = Style;
using Wd = Words;
// One domain a line, as a table.
// clang-format off
//                           lo  hi                      wide        style     words          noun                 reason
inline constexpr Domain kFlag{0, 1,                      1,          St::dec,  Wd::none,      nullptr,             "value is not 0 or 1"};
inline constexpr Domain kByte{0, UINT8_MAX,              UINT8_MAX,  St::dec,  Wd::none,      nullptr,             kByteAbove.c_str()};
inline constexpr Domain kU16{0,  UINT16_MAX,             UINT16_MAX, St::dec,  Wd::none,      nullptr,             kU16Above.c_str()};
inline constexpr Domain kU32{0,  UINT32_MAX,             UINT32_MAX, St::dec,  Wd::none,      nullptr,             "too large"};
inline constexpr Domain kIfIndex{0, UINT32_MAX,          UINT32_MAX, St::hex8, Wd::none,      nullptr,             "too large"};
inline constexpr Domain kMask{0, ETH_IF_PLCY_ALL_FIELDS, ETH_IF_PLCY_ALL_FIELDS, St::hex5, Wd::none, nullptr,   kBitsAbove.c_str()};
inline constexpr Domain kIfType{1, ETH_IF_PLCY_MAX_IF_TYPE, 31,      St::dec,  Wd::iftype,    "an interface type", kUnknownType.c_str(), true};
inline constexpr Domain kVlan{0, kMaxVlan,               65535,      St::dec,  Wd::none,      nullptr,             kVlanAbove.c_str()};
inline constexpr Domain kMatchVlan{0, kMaxVlan,          65535,      St::dec,  Wd::vlan,      "a VLAN",            kMatchVlanAbove.c_str()};
inline constexpr Domain kPcp{0,  kMaxPcp,                255,        St::dec,  Wd::pcp,       "a PCP",             kPcpAbove.c_str()};
// Ethertypes: the words are read, but written as numbers (as traces show them).
inline constexpr Domain kEthertype{0, UINT16_MAX,        UINT16_MAX, St::hex4, Wd::ethertype, nullptr,             kU16Above.c_str(), true};
// Tag counts: the external record has room for two.
inline constexpr Domain kTags{0, ETH_EFP_MAX_MATCH_TAGS, ETH_EFP_MAX_MATCH_TAGS, St::dec, Wd::none, nullptr,   kTagsAbove.c_str()};
inline constexpr Domain kPops{0, ETH_EFP_MAX_MATCH_TAGS, 255,        St::dec,  Wd::none,      nullptr,             kPopsAbove.c_str()};
inline constexpr Domain kRangeCount{0, kMaxRanges,       kMaxRanges, St::dec,  Wd::none,      nullptr,             kRangesAbove.c_str()};
// An L2PT byte as stored: mode, EXP given, EXP value; bit 7 is not kept.
inline constexpr Domain kL2ptByte{0, kMaxL2ptByte,       255,        St::dec,  Wd::none,      nullptr,             kL2ptBit.c_str()};
inline constexpr Domain kMode{0, kMaxMode,               kMaxMode,   St::dec,  Wd::mode,      "a mode",            kModeAbove.c_str()};
inline constexpr Domain kExp{0,  kMaxExp,                kMaxExp,    St::dec,  Wd::none,      nullptr,             kExpAbove.c_str()};
// clang-format on

// What must hold for a field to count: the record keeps the provisioning
// details only while is_provisioned is 1, no EFP field but efp.configured
// without efp.configured 1, and a MAC match address only with its check flag.
enum class Dep { none, provisioned, efp, src_mac_check, dst_mac_check };
// The interface class whose view holds a field (a policy sets one class at most).
enum class Cls { any, sub, trunk };

// Where a field lies in the internal record (either image): its unit's or
// integer's offset and bytes, and its bits in the little-endian host image
// (as the layout says them). A field of the EFP area lies where the form the
// record holds puts it (compact or full); bytes 0 means "to the record's
// end", width 0 "not held by this form". Fixed-part fields are the same in both.
struct Place {
    uint8_t off, bytes, lsb, width;
    constexpr bool operator==(const Place &) const = default;
};
struct Where {
    Place compact, full;
};
namespace L = ethplcy::layout;
constexpr Place at(L::Int f) {
    return {f.off, f.bytes, 0, static_cast<uint8_t>(8 * f.bytes)};
}
constexpr Place at(L::Bits f) {
    return {f.off, static_cast<uint8_t>(f.unit_bits / 8), f.lsb, f.width};
}
constexpr Where fixed(Place p) {
    return {p, p};
}
// Bytes of the EFP area from a form's start (n 0: to the record's end).
constexpr Place efp_bytes(unsigned off, unsigned n) {
    return {static_cast<uint8_t>(L::efp_base + off), static_cast<uint8_t>(n), 0,
            static_cast<uint8_t>(n == 0 ? 1 : 8 * n)};
}
constexpr Where efp(Place compact, Place full) {
    return {compact, full};
}
inline constexpr Place kNone{0, 0, 0, 0};

// Every field by a name the compiler knows, in row order: the scalars, then
// the compounds. A path's dots are underscores (efp.tag is efp_tag); each
// row's static check holds the two together, so a wrong name does not compile.
enum class F : uint8_t {
    valid_mask,
    ether_if_type,
    interface_ready,
    is_l2,
    is_provisioned,
    provision_info_xconnect_id,
    provision_info_xcon_tags,
    provision_info_ip_iw_enabled,
    provision_info_imposition_vlan_rewrite,
    provision_info_imposition_vlan_id,
    efp_configured,
    efp_native,
    efp_native_with_preservation,
    efp_src_mac_check,
    efp_dst_mac_check,
    efp_exact,
    efp_l3_ambiguous,
    efp_payload_ethertype,
    efp_num_tag_pops,
    sub_parent,
    sub_admin_up,
    sub_efp_filtering,
    sub_src_bypass_filter,
    trunk_native_vlan,
    trunk_native_is_svlan,
    trunk_qinq_tunneling_etype,
    trunk_mac_acc_ingress,
    trunk_mac_acc_egress,
    trunk_filter_dot1q,
    trunk_filter_dot1ad,
    trunk_filter_mac_relay,
    trunk_vlan_switched_trunk,
    trunk_vlan_switched_access,
    trunk_access_vlan,
    is_in_icl_mode,
    mtu,
    // compounds
    mac_addr,
    l2pt,
    efp_tag,
    efp_tag_pcp,
    efp_ranges,
    efp_src_mac,
    efp_dst_mac,
    efp_push,
    efp_num_tags,
    efp_num_tag_pushes,
    efp_num_ranges,
    efp_tag_range_count,
};
constexpr size_t index(F f) {
    return static_cast<size_t>(f);
}

// Whether a row's path is its identifier with dots for underscores.
constexpr bool names_match(const char *path, const char *ident) {
    for (; *path != '\0' && *ident != '\0'; path++, ident++)
        if (*path != *ident && !(*path == '.' && *ident == '_')) return false;
    return *path == *ident;
}
void row_path_differs_from_its_identifier(); // never defined: a constant expression fails here
constexpr F checked(F id, const char *path, const char *ident) {
    if (!names_match(path, ident)) row_path_differs_from_its_identifier();
    return id;
}

// A numeric field. dflt is its value when omitted while its group is given,
// as JSON text (nullptr: derived from the other keys).
struct Scalar {
    F id;
    const char *path;
    uint32_t bit;
    const Domain *domain;
    Dep dep;
    Cls cls;
    const char *dflt;
    const char *about;
    uint64_t (*get)(const Ext &);
    void (*set)(Ext &, uint64_t);
    Where where;
};

#define ETH_IF_PLCY_SCALAR(id, path, bit, domain, dep, cls, dflt, about, member, where)            \
    Scalar {                                                                                       \
        checked(F::id, path, #id), path, bit, &domain, Dep::dep, Cls::cls, dflt, about,            \
            [](const Ext &e) -> uint64_t { return e.member; },                                     \
            [](Ext &e, uint64_t v) { e.member = static_cast<decltype(e.member)>(v); }, where       \
    }

inline constexpr uint32_t kEfp = ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE;
inline constexpr uint32_t kProv = ETH_IF_PLCY_PROVISION;
inline constexpr uint32_t kMatch = ETH_IF_PLCY_EFP_MATCH;
inline constexpr uint32_t kRewrite = ETH_IF_PLCY_EFP_REWRITE;

inline constexpr Scalar kScalars[] = {
#define S ETH_IF_PLCY_SCALAR
    S(valid_mask, "valid_mask", 0, kMask, none, any, nullptr,
      "Policy field bits of the groups present; derived from the keys when left out.", valid_mask,
      fixed(at(L::valid_mask))),
    S(ether_if_type, "ether_if_type", ETH_IF_PLCY_ETHER_IF_TYPE, kIfType, none, any, nullptr,
      "Interface type, 1 to 21 or its name (\"ether\", \"ether.l2sub\", ...); it decides the "
      "interface class (trunk or sub-interface).",
      ether_if_type, fixed(at(L::ether_if_type))),
    S(interface_ready, "interface_ready", ETH_IF_PLCY_INTF_READY, kFlag, none, any, "0",
      "1 when the interface is ready to forward.", interface_ready, fixed(at(L::interface_ready))),
    S(is_l2, "is_l2", ETH_IF_PLCY_L2_FLAG, kFlag, none, any, "0",
      "1 when the interface is a Layer 2 interface.", is_l2, fixed(at(L::is_l2))),
    S(is_provisioned, "is_provisioned", kProv, kFlag, none, any, "0",
      "1 when the interface is provisioned for a cross-connect; provision_info counts only then.",
      is_provisioned, fixed(at(L::is_provisioned))),
    S(provision_info_xconnect_id, "provision_info.xconnect_id", kProv, kU32, provisioned, any, "0",
      "Cross-connect ID.", provision_info.xconnect_id, fixed(at(L::xconnect_id))),
    S(provision_info_xcon_tags, "provision_info.xcon_tags", kProv, kByte, provisioned, any, "0",
      "Number of tags the cross-connect carries.", provision_info.xcon_tags,
      fixed(at(L::xcon_tags))),
    S(provision_info_ip_iw_enabled, "provision_info.ip_iw_enabled", kProv, kFlag, provisioned, any,
      "0", "1 when IP interworking is enabled.", provision_info.ip_iw_enabled,
      fixed(at(L::ip_iw_enabled))),
    S(provision_info_imposition_vlan_rewrite, "provision_info.imposition_vlan_rewrite", kProv,
      kFlag, provisioned, any, "0", "1 when the imposition VLAN is rewritten.",
      provision_info.imposition_vlan_rewrite, fixed(at(L::imposition_vlan_rewrite))),
    S(provision_info_imposition_vlan_id, "provision_info.imposition_vlan_id", kProv, kVlan,
      provisioned, any, "0", "Imposition VLAN ID, 0 to 4095.", provision_info.imposition_vlan_id,
      fixed(at(L::imposition_vlan_id))),
    S(efp_configured, "efp.configured", kEfp, kFlag, none, any, "0",
      "1 when an EFP is configured; without it no other efp field counts.", efp.configured,
      efp(at(L::compact_counts_unit.field(0)), at(L::full_flags_unit.field(0)))),
    S(efp_native, "efp.native", kMatch, kFlag, efp, any, "0",
      "1 to match frames on the native VLAN.", efp.native,
      efp(kNone, at(L::full_flags_unit.field(1)))),
    S(efp_native_with_preservation, "efp.native_with_preservation", kMatch, kFlag, efp, any, "0",
      "1 to match the native VLAN and keep its tag.", efp.native_with_preservation,
      efp(kNone, at(L::full_flags_unit.field(2)))),
    S(efp_src_mac_check, "efp.src_mac_check", kMatch, kFlag, efp, any, "0",
      "1 to match the source MAC address efp.src_mac.", efp.src_mac_check,
      efp(kNone, efp_bytes(ETH_EFP_F_SRC_MAC_OFF, 6))),
    S(efp_dst_mac_check, "efp.dst_mac_check", kMatch, kFlag, efp, any, "0",
      "1 to match the destination MAC address efp.dst_mac.", efp.dst_mac_check,
      efp(kNone, efp_bytes(ETH_EFP_F_DST_MAC_OFF, 6))),
    S(efp_exact, "efp.exact", kMatch, kFlag, efp, any, "0",
      "1 for an exact match: frames with more tags than matched do not match.", efp.exact,
      efp(at(L::compact_pcp_unit.field(1)), at(L::full_flags_unit.field(3)))),
    S(efp_l3_ambiguous, "efp.l3_ambiguous", kMatch, kFlag, efp, any, "0",
      "1 for an L3-ambiguous match.", efp.l3_ambiguous,
      efp(at(L::compact_pcp_unit.field(2)), at(L::full_flags_unit.field(4)))),
    S(efp_payload_ethertype, "efp.payload_ethertype", kMatch, kEthertype, efp, any, "0",
      "Ethertype of the payload to match; 0 matches any.", efp.payload_ethertype,
      efp(at(L::compact_payload), at(L::full_payload))),
    S(efp_num_tag_pops, "efp.num_tag_pops", kRewrite, kPops, efp, any, "0",
      "Number of tags the rewrite pops, 0 to 2.", efp.num_tag_pops,
      efp(at(L::compact_counts_unit.field(2)), efp_bytes(ETH_EFP_F_NUM_TAG_POPS_OFF, 1))),
    S(sub_parent, "sub.parent", ETH_IF_PLCY_PARENT, kIfIndex, none, sub, "0",
      "Interface index of the parent interface.", sub.parent, fixed(at(L::sub_parent))),
    S(sub_admin_up, "sub.admin_up", ETH_IF_PLCY_ADMIN_STATE, kFlag, none, sub, "0",
      "1 when the sub-interface is administratively up.", sub.admin_up, fixed(at(L::sub_admin_up))),
    S(sub_efp_filtering, "sub.efp_filtering", ETH_IF_PLCY_EFP_FILTERING, kFlag, none, sub, "0",
      "1 when EFP filtering is on.", sub.efp_filtering, fixed(at(L::sub_efp_filtering))),
    S(sub_src_bypass_filter, "sub.src_bypass_filter", ETH_IF_PLCY_SRC_BYPASS_FILTER, kFlag, none,
      sub, "0", "1 when the source bypass filter is on.", sub.src_bypass_filter,
      fixed(at(L::sub_src_bypass_filter))),
    S(trunk_native_vlan, "trunk.native_vlan", ETH_IF_PLCY_NATIVE_VLAN, kVlan, none, trunk, "0",
      "Native VLAN ID, 0 to 4095.", trunk.native_vlan, fixed(at(L::trunk_native_vlan))),
    S(trunk_native_is_svlan, "trunk.native_is_svlan", ETH_IF_PLCY_NATIVE_VLAN, kFlag, none, trunk,
      "0", "1 when the native VLAN is an S-VLAN.", trunk.native_is_svlan,
      fixed(at(L::trunk_native_is_svlan))),
    S(trunk_qinq_tunneling_etype, "trunk.qinq_tunneling_etype", ETH_IF_PLCY_QINQ_ETYPE, kEthertype,
      none, trunk, "0", "Ethertype of the outer tag for QinQ tunneling.",
      trunk.qinq_tunneling_etype, fixed(at(L::trunk_qinq_tunneling_etype))),
    S(trunk_mac_acc_ingress, "trunk.mac_acc_ingress", ETH_IF_PLCY_MAC_ACC, kFlag, none, trunk, "0",
      "1 for MAC accounting on ingress.", trunk.mac_acc_ingress,
      fixed(at(L::trunk_mac_acc_ingress))),
    S(trunk_mac_acc_egress, "trunk.mac_acc_egress", ETH_IF_PLCY_MAC_ACC, kFlag, none, trunk, "0",
      "1 for MAC accounting on egress.", trunk.mac_acc_egress, fixed(at(L::trunk_mac_acc_egress))),
    S(trunk_filter_dot1q, "trunk.filter_dot1q", ETH_IF_PLCY_FILTERING, kFlag, none, trunk, "0",
      "1 to filter 802.1Q frames.", trunk.filter_dot1q, fixed(at(L::trunk_filter_dot1q))),
    S(trunk_filter_dot1ad, "trunk.filter_dot1ad", ETH_IF_PLCY_FILTERING, kFlag, none, trunk, "0",
      "1 to filter 802.1ad frames.", trunk.filter_dot1ad, fixed(at(L::trunk_filter_dot1ad))),
    S(trunk_filter_mac_relay, "trunk.filter_mac_relay", ETH_IF_PLCY_FILTERING, kFlag, none, trunk,
      "0", "1 to filter MAC relay frames.", trunk.filter_mac_relay,
      fixed(at(L::trunk_filter_mac_relay))),
    S(trunk_vlan_switched_trunk, "trunk.vlan_switched_trunk", ETH_IF_PLCY_VLAN_SWITCHED, kFlag,
      none, any, "0", "1 when the port is a VLAN-switched trunk.", trunk.vlan_switched_trunk,
      fixed(at(L::trunk_vlan_switched_trunk))),
    S(trunk_vlan_switched_access, "trunk.vlan_switched_access", ETH_IF_PLCY_VLAN_SWITCHED, kFlag,
      none, any, "0", "1 when the port is a VLAN-switched access port.", trunk.vlan_switched_access,
      fixed(at(L::trunk_vlan_switched_access))),
    S(trunk_access_vlan, "trunk.access_vlan", ETH_IF_PLCY_VLAN_SWITCHED, kVlan, none, any, "0",
      "Access VLAN ID, 0 to 4095.", trunk.access_vlan, fixed(at(L::trunk_access_vlan))),
    S(is_in_icl_mode, "is_in_icl_mode", ETH_IF_PLCY_ICL_MODE, kFlag, none, any, "0",
      "1 when the interface is an inter-chassis link.", is_in_icl_mode,
      fixed(at(L::is_in_icl_mode))),
    S(mtu, "mtu", ETH_IF_PLCY_MTU, kU16, none, any, "0", "Maximum transmission unit, in bytes.",
      mtu, fixed(at(L::mtu))),
#undef S
};
#undef ETH_IF_PLCY_SCALAR

// Fields that are not single numbers, by their shape: a MAC address; the L2PT
// object; a list of numbers; a list of two-key objects (tag pairs, ranges);
// a count of another field's entries (derived from it, and must agree).
enum class Shape { mac, l2pt, list, pairs, count };
struct Key {
    const char *name;
    const Domain *domain;
};
// How a compound is read and written in the external record, entry by entry:
// the entries the policy holds (a MAC's bytes, the L2PT protocols, a list's
// used entries, 1 for a count), and entry i's value (key k of a pair).
struct Access {
    size_t (*entries)(const Ext &);
    uint64_t (*get)(const Ext &, size_t i, int k);
    void (*set)(Ext &, size_t i, int k, uint64_t v);
};
// elem: the entry as an lvalue of e, i and k.
#define ETH_IF_PLCY_ACCESS(count, elem)                                                            \
    Access {                                                                                       \
        [](const Ext &e) -> size_t {                                                               \
            (void)e;                                                                               \
            return count;                                                                          \
        },                                                                                         \
            [](const Ext &e, size_t i, int k) -> uint64_t {                                        \
                (void)i, (void)k;                                                                  \
                return elem;                                                                       \
            },                                                                                     \
            [](Ext &e, size_t i, int k, uint64_t v) {                                              \
                (void)i, (void)k;                                                                  \
                elem = static_cast<std::remove_reference_t<decltype(elem)>>(v);                    \
            }                                                                                      \
    }
struct Compound {
    F id;
    const char *path;
    uint32_t bit;
    Shape shape;
    Dep dep;
    uint8_t max;          // entries at most (list, pairs)
    const Domain *domain; // a list's entries, or a count
    Key keys[2];          // a pair's keys
    const char *counts;   // a count: the field it counts
    bool derived;         // follows from other fields: never written
    const char *entry;    // an entry as people name it ("Match tag 1", "L2PT tovu")
    const char *dflt;
    const char *about;
    Where where;
    Access access;
};

inline constexpr uint8_t kMaxTags = 2;
// A compound's row: identifier, path, bits, shape, dependency, entries at
// most, a list's or count's domain, a pair's keys, the field a count counts,
// whether it is derived, an entry's name, default, sentence, place, access.
#define ETH_IF_PLCY_ROW(id, path, ...)                                                             \
    Compound {                                                                                     \
        checked(F::id, path, #id), path, __VA_ARGS__                                               \
    }
inline constexpr Key kNoKey{};
inline constexpr Where kRangeList =
    efp(efp_bytes(ETH_EFP_COMPACT_SIZE, 0), efp_bytes(ETH_EFP_FULL_SIZE, 0));
#define ETH_IF_PLCY_TAGS std::min<size_t>(e.efp.num_tags, kMaxTags)
#define ETH_IF_PLCY_PAIR(member, a, b) (k == 0 ? e.member[i].a : e.member[i].b)

inline constexpr Compound kCompounds[] = {
#define row ETH_IF_PLCY_ROW
#define A ETH_IF_PLCY_ACCESS
#define P ETH_IF_PLCY_PAIR
    row(mac_addr, "mac_addr", ETH_IF_PLCY_MAC_ADDR, Shape::mac, Dep::none, 0, nullptr, {}, nullptr,
        false, nullptr, nullptr, "MAC address of the interface.",
        fixed({L::mac_addr_off, 6, 0, 48}), A(6, e.mac_addr[i])),
    row(l2pt, "l2pt", ETH_IF_PLCY_L2PT, Shape::l2pt, Dep::none, ETH_IF_PLCY_L2PT_PROTOCOLS,
        &kL2ptByte, {{"mode", &kMode}, {"exp", &kExp}}, nullptr, false, "L2PT ", "{}",
        "Layer 2 protocol tunneling by protocol: its mode and, where given, its EXP value; a "
        "protocol left out is off.",
        fixed({L::l2pt_off, ETH_IF_PLCY_L2PT_PROTOCOLS, 0, 8 * ETH_IF_PLCY_L2PT_PROTOCOLS}),
        A(ETH_IF_PLCY_L2PT_PROTOCOLS, e.l2pt[i])),
    row(efp_tag, "efp.tag", kMatch, Shape::pairs, Dep::efp, kMaxTags, nullptr,
        {{"ethertype", &kEthertype}, {"vlan", &kMatchVlan}}, nullptr, false, "Match tag ", "[]",
        "Match tags, outermost first: each with its ethertype and VLAN (\"any\", or \"range\" "
        "for the VLANs of efp.ranges).",
        efp(efp_bytes(ETH_EFP_C_TAG_OFF(0), 2 * ETH_EFP_C_TAG_WORDS),
            efp_bytes(ETH_EFP_F_TAG_OFF(0), 12)),
        A(ETH_IF_PLCY_TAGS, P(efp.tag, ethertype, vlan))),
    row(efp_tag_pcp, "efp.tag_pcp", kMatch, Shape::list, Dep::efp, kMaxTags, &kPcp, {}, nullptr,
        false, nullptr, "[\"any\", \"any\"]",
        "Priority (PCP) each match tag must carry, 0 to 7 or \"any\"; a tag with no entry "
        "matches any priority.",
        efp(at(L::compact_pcp_unit.field(0)), efp_bytes(ETH_EFP_F_TAG_OFF(0), 12)),
        A(ETH_IF_PLCY_TAGS, e.efp.tag_pcp[i])),
    row(efp_ranges, "efp.ranges", kMatch, Shape::pairs, Dep::efp, ETH_IF_PLCY_EXT_MAX_RANGES,
        nullptr, {{"low", &kVlan}, {"high", &kVlan}}, nullptr, false, "Range ", "[]",
        "VLAN ranges a tag with VLAN \"range\" matches, each low to high.", kRangeList,
        A(std::min<size_t>(e.efp.num_ranges, ETH_IF_PLCY_EXT_MAX_RANGES),
          P(efp.ranges, low, high))),
    row(efp_src_mac, "efp.src_mac", kMatch, Shape::mac, Dep::src_mac_check, 0, nullptr, {}, nullptr,
        false, nullptr, nullptr, "Source MAC address to match, with efp.src_mac_check 1.",
        efp(kNone, efp_bytes(ETH_EFP_F_SRC_MAC_OFF, 6)), A(6, e.efp.src_mac[i])),
    row(efp_dst_mac, "efp.dst_mac", kMatch, Shape::mac, Dep::dst_mac_check, 0, nullptr, {}, nullptr,
        false, nullptr, nullptr, "Destination MAC address to match, with efp.dst_mac_check 1.",
        efp(kNone, efp_bytes(ETH_EFP_F_DST_MAC_OFF, 6)), A(6, e.efp.dst_mac[i])),
    row(efp_push, "efp.push", kRewrite, Shape::pairs, Dep::efp, kMaxTags, nullptr,
        {{"ethertype", &kEthertype}, {"vlan", &kVlan}}, nullptr, false, "Push tag ", "[]",
        "Tags the rewrite pushes, outermost first: each with its ethertype and VLAN.",
        efp(efp_bytes(ETH_EFP_C_TAG_OFF(0), 2 * ETH_EFP_C_TAG_WORDS),
            efp_bytes(ETH_EFP_F_PUSH_OFF(0), 8)),
        A(std::min<size_t>(e.efp.num_tag_pushes, kMaxTags), P(efp.push, ethertype, vlan))),
    row(efp_num_tags, "efp.num_tags", kMatch, Shape::count, Dep::efp, 0, &kTags, {}, "efp.tag",
        true, nullptr, nullptr, "Number of match tags; the length of efp.tag when left out.",
        efp(at(L::compact_counts_unit.field(1)), efp_bytes(ETH_EFP_F_NUM_MATCH_TAGS_OFF, 1)),
        A(1, e.efp.num_tags)),
    row(efp_num_tag_pushes, "efp.num_tag_pushes", kRewrite, Shape::count, Dep::efp, 0, &kTags, {},
        "efp.push", true, nullptr, nullptr,
        "Number of pushed tags; the length of efp.push when left out.",
        efp(at(L::compact_counts_unit.field(3)), efp_bytes(ETH_EFP_F_NUM_TAG_PUSHES_OFF, 1)),
        A(1, e.efp.num_tag_pushes)),
    row(efp_num_ranges, "efp.num_ranges", kMatch, Shape::count, Dep::efp, 0, &kRangeCount, {},
        "efp.ranges", true, nullptr, nullptr,
        "Number of VLAN ranges; the length of efp.ranges when left out.", kRangeList,
        A(1, e.efp.num_ranges)),
    row(efp_tag_range_count, "efp.tag_range_count", kMatch, Shape::list, Dep::efp, kMaxTags,
        &kRangeCount, {}, nullptr, true, nullptr, nullptr,
        "Ranges per match tag (per-tag view); each range tag's count is efp.num_ranges when left "
        "out.",
        kRangeList, A(kMaxTags, e.efp.tag_range_count[i])),
#undef P
#undef A
#undef row
};
#undef ETH_IF_PLCY_PAIR
#undef ETH_IF_PLCY_TAGS
#undef ETH_IF_PLCY_ROW
#undef ETH_IF_PLCY_ACCESS
// Every field by number (its F): the scalars, then the compounds.
inline constexpr size_t kScalarCount = std::size(kScalars);
inline constexpr size_t kFieldCount = kScalarCount + std::size(kCompounds);
static_assert(kFieldCount <= 64, "a field set is one 64-bit word");
constexpr bool rows_in_order() {
    for (size_t i = 0; i < kScalarCount; i++)
        if (index(kScalars[i].id) != i) return false;
    for (size_t i = 0; i < std::size(kCompounds); i++)
        if (index(kCompounds[i].id) != kScalarCount + i) return false;
    return index(F::efp_tag_range_count) + 1 == kFieldCount;
}
static_assert(rows_in_order(), "row i has identifier i");
constexpr F field(size_t i) {
    return static_cast<F>(i);
}
constexpr bool is_scalar(F f) {
    return index(f) < kScalarCount;
}
// A row by its identifier: naming a compound as a scalar, or the other way,
// does not compile (the index leaves the array).
consteval const Scalar &scalar(F f) {
    return kScalars[index(f)];
}
consteval const Compound &compound(F f) {
    return kCompounds[index(f) - kScalarCount];
}
constexpr const char *path_of(size_t i) {
    return i < kScalarCount ? kScalars[i].path : kCompounds[i - kScalarCount].path;
}
constexpr const char *path_of(F f) {
    return path_of(index(f));
}
constexpr uint32_t bit_of(size_t i) {
    return i < kScalarCount ? kScalars[i].bit : kCompounds[i - kScalarCount].bit;
}
constexpr Dep dep_of(size_t i) {
    return i < kScalarCount ? kScalars[i].dep : kCompounds[i - kScalarCount].dep;
}
constexpr const char *about_of(size_t i) {
    return i < kScalarCount ? kScalars[i].about : kCompounds[i - kScalarCount].about;
}

// The field a dependency needs to be 1, why (for refusals), and the
// dependency that field has itself.
struct Needs {
    const char *field;
    const char *why;
    Dep within = Dep::none;
};
constexpr Needs needs_of(Dep d) {
    switch (d) {
    case Dep::provisioned:
        return {path_of(F::is_provisioned), "provision_info counts only then"};
    case Dep::efp:
        return {path_of(F::efp_configured), "no other efp field counts without it"};
    case Dep::src_mac_check:
        return {path_of(F::efp_src_mac_check), "the address is matched only then", Dep::efp};
    case Dep::dst_mac_check:
        return {path_of(F::efp_dst_mac_check), "the address is matched only then", Dep::efp};
    case Dep::none:
        break;
    }
    return {nullptr, nullptr};
}
// The word for a value in a set of words.
constexpr const char *word_of(Words words, uint64_t value) {
    for (const Word &w : words_of(words))
        if (w.value == value) return w.word;
    return nullptr;
}

// The field at a path a person typed (a JSON key, a command's argument), if
// there is one: a hash table made at compile time (every JSON key a reader
// meets is looked up, so one compare, not a search).
constexpr uint32_t path_hash(std::string_view s) {
    uint32_t h = 2166136261u; // FNV-1a
    for (char c : s)
        h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    return h;
}
inline std::optional<F> find_field(std::string_view path) {
    constexpr size_t kSlots = 256; // a power of two, well above kFieldCount
    static constexpr auto slots = [] {
        std::array<uint8_t, kSlots> a{}; // a row's number + 1; 0: empty
        for (size_t i = 0; i < kFieldCount; i++) {
            size_t at = path_hash(path_of(i)) % kSlots;
            while (a[at] != 0)
                at = (at + 1) % kSlots;
            a[at] = static_cast<uint8_t>(i + 1);
        }
        return a;
    }();
    static constexpr auto paths = [] { // with their lengths, for the compare
        std::array<std::string_view, kFieldCount> a{};
        for (size_t i = 0; i < kFieldCount; i++)
            a[i] = path_of(i);
        return a;
    }();
    for (size_t at = path_hash(path) % kSlots; slots[at] != 0; at = (at + 1) % kSlots)
        if (path == paths[slots[at] - 1u]) return field(slots[at] - 1u);
    return std::nullopt;
}

// Data of the internal record that no policy carries. Compare, the printers
// and the hexdump read these rows beside the fields; the policy's faces (JSON,
// schema, YANG, Python, the dissector) walk kScalars and kCompounds only, so
// they never see them.
struct Internal {
    const char *path;
    uint32_t bit;
    Dep dep;
    Place place;
};
inline constexpr Internal kInternal[] = {
    {"provision_info.l2_prop_remote_status", kProv, Dep::provisioned, at(L::l2_prop_remote_status)},
};

// The ether_if_type values that name each interface class.
constexpr uint32_t class_types(Cls c) {
    return c == Cls::sub ? ETH_IF_PLCY_SUB_TYPES : c == Cls::trunk ? ETH_IF_PLCY_TRUNK_TYPES : 0;
}
static_assert((class_types(Cls::sub) & class_types(Cls::trunk)) == 0);

// The policy field bits of each interface class's view.
constexpr uint32_t class_fields(Cls c) {
    uint32_t bits = 0;
    for (const Scalar &s : kScalars)
        if (s.cls == c) bits |= s.bit;
    return bits;
}
inline constexpr uint32_t kSubFields = class_fields(Cls::sub);
inline constexpr uint32_t kTrunkFields = class_fields(Cls::trunk);
static_assert(kSubFields == (ETH_IF_PLCY_PARENT | ETH_IF_PLCY_ADMIN_STATE |
                             ETH_IF_PLCY_EFP_FILTERING | ETH_IF_PLCY_SRC_BYPASS_FILTER));

// The number of policy field bits, and the one group with no field.
inline constexpr unsigned kFieldBits = std::bit_width(ETH_IF_PLCY_ALL_FIELDS);
inline constexpr uint32_t kLoopback = ETH_IF_PLCY_LOOPBACK;

// The nested objects, and the L2PT protocols by their byte's index.
inline constexpr const char *kGroups[] = {"provision_info", "efp", "sub", "trunk"};
inline constexpr std::array<const char *, ETH_IF_PLCY_L2PT_PROTOCOLS> kL2ptNames = {
    "lyx", "tovu", "quz", "jaxe", "wimo"};

inline bool is_group(std::string_view key) {
    static constexpr auto groups = [] { // with their lengths, for the compare
        std::array<std::string_view, std::size(kGroups)> a{};
        for (size_t g = 0; g < a.size(); g++)
            a[g] = kGroups[g];
        return a;
    }();
    for (std::string_view g : groups)
        if (key == g) return true;
    return false;
}

// The interface class an ether_if_type names (Cls::any: neither, or no type).
inline Cls class_of(const Ext &e) {
    if ((e.valid_mask & ETH_IF_PLCY_ETHER_IF_TYPE) == 0 || e.ether_if_type >= 32) return Cls::any;
    for (Cls c : {Cls::sub, Cls::trunk})
        if (class_types(c) >> e.ether_if_type & 1u) return c;
    return Cls::any;
}

// Whether a dependency holds in a policy.
inline bool holds(Dep d, const Ext &e) {
    switch (d) {
    case Dep::none:
        return true;
    case Dep::provisioned:
        return e.is_provisioned;
    case Dep::efp:
        return e.efp.configured;
    case Dep::src_mac_check:
        return e.efp.configured && e.efp.src_mac_check;
    case Dep::dst_mac_check:
        return e.efp.configured && e.efp.dst_mac_check;
    }
    return false;
}

// Whether a policy holds a field: its group is in the valid mask (the mask
// itself always) and what it depends on holds.
inline bool present(size_t i, const Ext &e) {
    uint32_t bit = bit_of(i);
    return (bit == 0 || (e.valid_mask & bit) != 0) && holds(dep_of(i), e);
}
inline bool present(const Scalar &s, const Ext &e) {
    return present(static_cast<size_t>(&s - kScalars), e);
}

} // namespace eth_if_plcy::fields
