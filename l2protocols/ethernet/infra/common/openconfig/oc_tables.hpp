// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The OpenConfig configuration leaves a policy meets, as facts of the
// published models (openconfig-interfaces, -if-ethernet, -vlan, -vlan-types,
// iana-if-type): one row per container, list and leaf, with its module, its
// type and range, and what it is to a policy (a key, carried, or named as not
// carried). The reader and the writer (openconfig.hpp) both walk these rows.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace eth_if_plcy::oc {

// The modules the mapping maps: the first three define members, the other
// two identities and types.
enum class Mod : uint8_t { ifs, eth, vlan, vlan_types, iana };
inline constexpr const char *kModules[] = {"openconfig-interfaces", "openconfig-if-ethernet",
                                           "openconfig-vlan", "openconfig-vlan-types",
                                           "iana-if-type"};

// The value types of the rows: YANG's, with the models' ranges and patterns.
enum class T : uint8_t {
    container,
    list,
    string,
    boolean,
    uint16,       // 0 to 65535, a JSON number
    uint32,       // 0 to 4294967295, a JSON number
    vlan,         // oc-vlan-types:vlan-id: uint16 1 to 4094
    vlans,        // a leaf-list of vlan-id
    mac,          // oc-yang:mac-address: xx:xx:xx:xx:xx:xx
    identity,     // an identityref: one of `values`, of module `of`
    word,         // an enumeration: one of `values`
    trunk,        // leaf-list of union vlan-id | vlan-range ("x..y")
    vlan_or_qinq, // union vlan-id | qinq-id (a string)
    vlan_or_name, // union uint16 | string
};
// What a leaf is to a policy.
enum class Use : uint8_t { node, key, carried, noted };

// Every row, by a name the compiler knows, in row order.
enum class N : uint8_t {
    root,
    interfaces,
    interface,
    if_name,
    if_config,
    if_config_name,
    if_type,
    if_mtu,
    if_loopback,
    if_description,
    if_enabled,
    if_tpid,
    hold_time,
    hold_config,
    hold_up,
    hold_down,
    damping,
    damping_config,
    damp_max_suppress,
    damp_half_life,
    damp_suppress,
    damp_reuse,
    damp_flap,
    ethernet,
    eth_config,
    eth_mac,
    eth_flow_control,
    eth_auto_negotiate,
    eth_link_training,
    eth_duplex,
    eth_speed,
    eth_fec,
    switched,
    sw_config,
    sw_mode,
    sw_native,
    sw_access,
    sw_trunk_vlans,
    routed,
    routed_config,
    routed_vlan,
    subinterfaces,
    subinterface,
    sub_index,
    sub_config,
    sub_config_index,
    sub_description,
    sub_enabled,
    vlan,
    vlan_config,
    vlan_config_id,
    match,
    st,
    st_config,
    st_id,
    stl,
    stl_config,
    stl_ids,
    str,
    str_config,
    str_low,
    str_high,
    dt,
    dt_config,
    dt_inner,
    dt_outer,
    dtil,
    dtil_config,
    dtil_inner_ids,
    dtil_outer,
    dtol,
    dtol_config,
    dtol_inner,
    dtol_outer_ids,
    dtir,
    dtir_config,
    dtir_inner_low,
    dtir_inner_high,
    dtir_outer,
    dtor,
    dtor_config,
    dtor_inner,
    dtor_outer_low,
    dtor_outer_high,
    dtior,
    dtior_config,
    dtior_inner_low,
    dtior_inner_high,
    dtior_outer_low,
    dtior_outer_high,
    ingress,
    in_config,
    in_action,
    in_vlan,
    in_tpid,
    egress,
    eg_config,
    eg_action,
    eg_vlan,
    eg_tpid,
    count
};
inline constexpr size_t kNodes = static_cast<size_t>(N::count);
constexpr size_t at(N n) {
    return static_cast<size_t>(n);
}

struct Row {
    N id, parent;
    Mod mod;
    const char *name;
    T type;
    Use use;
    const char *values; // a word's or identity's names, space-separated
    Mod of;             // an identity's module
    const char *about;  // why a noted leaf is not carried; the fields a carried one holds
};

inline constexpr const char *kTpids = "TPID_0X8100 TPID_0X88A8 TPID_0X9100 TPID_0X9200 TPID_ANY";
inline constexpr const char *kActions = "PUSH POP SWAP";

#define OC_C(id, parent, mod, name)                                                                \
    { N::id, N::parent, Mod::mod, name, T::container, Use::node, "", Mod::mod, "" }
#define OC_L(id, parent, mod, name, type, use, about)                                              \
    { N::id, N::parent, Mod::mod, name, T::type, Use::use, "", Mod::mod, about }
#define OC_W(id, parent, mod, name, type, use, values, of, about)                                  \
    { N::id, N::parent, Mod::mod, name, T::type, Use::use, values, Mod::of, about }
#define OC_VLAN(id, parent, name, about) OC_L(id, parent, vlan, name, vlan, carried, about)
#define OC_VLANS(id, parent, name, about) OC_L(id, parent, vlan, name, vlans, carried, about)

// clang-format off
inline constexpr Row kRows[] = {
    OC_C(root, root, ifs, ""),
    OC_C(interfaces, root, ifs, "interfaces"),
    {N::interface, N::interfaces, Mod::ifs, "interface", T::list, Use::node, "", Mod::ifs, ""},
    OC_L(if_name, interface, ifs, "name", string, key, "the interface named"),
    OC_C(if_config, interface, ifs, "config"),
    OC_L(if_config_name, if_config, ifs, "name", string, key, "the list key"),
    OC_W(if_type, if_config, ifs, "type", identity, carried,
         "ethernetCsmacd ieee8023adLag ifPwType propVirtual", iana, "ether_if_type"),
    OC_L(if_mtu, if_config, ifs, "mtu", uint16, carried, "mtu"),
    OC_W(if_loopback, if_config, ifs, "loopback-mode", word, noted,
         "NONE FACILITY TERMINAL ASIC_PHY_LOCAL ASIC_PHY_REMOTE ASIC_MAC_LOCAL ASIC_MAC_REMOTE",
         ifs, "the policy holds no loopback mode"),
    OC_L(if_description, if_config, ifs, "description", string, noted,
         "the policy holds no description"),
    OC_L(if_enabled, if_config, ifs, "enabled", boolean, noted,
         "the policy holds no admin state of the interface"),
    OC_W(if_tpid, if_config, vlan, "tpid", identity, carried, kTpids, vlan_types,
         "efp.tag"), // the outer match tag's ethertype
    OC_C(hold_time, interface, ifs, "hold-time"),
    OC_C(hold_config, hold_time, ifs, "config"),
    OC_L(hold_up, hold_config, ifs, "up", uint32, noted, "the policy holds no hold time"),
    OC_L(hold_down, hold_config, ifs, "down", uint32, noted, "the policy holds no hold time"),
    OC_C(damping, interface, ifs, "penalty-based-aied"),
    OC_C(damping_config, damping, ifs, "config"),
    OC_L(damp_max_suppress, damping_config, ifs, "max-suppress-time", uint32, noted,
         "the policy holds no link damping"),
    OC_L(damp_half_life, damping_config, ifs, "decay-half-life", uint32, noted,
         "the policy holds no link damping"),
    OC_L(damp_suppress, damping_config, ifs, "suppress-threshold", uint32, noted,
         "the policy holds no link damping"),
    OC_L(damp_reuse, damping_config, ifs, "reuse-threshold", uint32, noted,
         "the policy holds no link damping"),
    OC_L(damp_flap, damping_config, ifs, "flap-penalty", uint32, noted,
         "the policy holds no link damping"),
    OC_C(ethernet, interface, eth, "ethernet"),
    OC_C(eth_config, ethernet, eth, "config"),
    OC_L(eth_mac, eth_config, eth, "mac-address", mac, carried, "mac_addr"),
    OC_L(eth_flow_control, eth_config, eth, "enable-flow-control", boolean, noted,
         "the policy holds no flow control"),
    OC_L(eth_auto_negotiate, eth_config, eth, "auto-negotiate", boolean, noted,
         "the policy holds no link negotiation"),
    OC_L(eth_link_training, eth_config, eth, "standalone-link-training", boolean, noted,
         "the policy holds no link negotiation"),
    OC_W(eth_duplex, eth_config, eth, "duplex-mode", word, noted, "FULL HALF", eth,
         "the policy holds no duplex mode"),
    OC_W(eth_speed, eth_config, eth, "port-speed", identity, noted,
         "SPEED_10MB SPEED_100MB SPEED_1GB SPEED_2500MB SPEED_5GB SPEED_10GB SPEED_25GB "
         "SPEED_40GB SPEED_50GB SPEED_100GB SPEED_200GB SPEED_400GB SPEED_600GB SPEED_800GB "
         "SPEED_1600GB SPEED_UNKNOWN", eth, "the policy holds no port speed"),
    OC_W(eth_fec, eth_config, eth, "fec-mode", identity, noted,
         "FEC_FC FEC_RS528 FEC_RS544 FEC_RS544_LOW_LATENCY FEC_RS544_2X_INTERLEAVE "
         "FEC_RS544_2X_INTERLEAVE_CL172 FEC_RS544_2X_INTERLEAVE_ETC FEC_DISABLED", eth,
         "the policy holds no FEC mode"),
    OC_C(switched, ethernet, vlan, "switched-vlan"),
    OC_C(sw_config, switched, vlan, "config"),
    OC_W(sw_mode, sw_config, vlan, "interface-mode", word, carried, "ACCESS TRUNK", vlan,
         "trunk.vlan_switched_trunk, trunk.vlan_switched_access"),
    OC_VLAN(sw_native, sw_config, "native-vlan", "trunk.native_vlan"),
    OC_VLAN(sw_access, sw_config, "access-vlan", "trunk.access_vlan"),
    OC_L(sw_trunk_vlans, sw_config, vlan, "trunk-vlans", trunk, noted,
         "the policy holds no list of trunk VLANs"),
    OC_C(routed, interface, vlan, "routed-vlan"),
    OC_C(routed_config, routed, vlan, "config"),
    OC_L(routed_vlan, routed_config, vlan, "vlan", vlan_or_name, noted,
         "the policy holds no routed VLAN"),
    OC_C(subinterfaces, interface, ifs, "subinterfaces"),
    {N::subinterface, N::subinterfaces, Mod::ifs, "subinterface", T::list, Use::node, "", Mod::ifs, ""},
    OC_L(sub_index, subinterface, ifs, "index", uint32, key, "the sub-interface named"),
    OC_C(sub_config, subinterface, ifs, "config"),
    OC_L(sub_config_index, sub_config, ifs, "index", uint32, key, "the list key"),
    OC_L(sub_description, sub_config, ifs, "description", string, noted,
         "the policy holds no description"),
    OC_L(sub_enabled, sub_config, ifs, "enabled", boolean, carried, "sub.admin_up"),
    OC_C(vlan, subinterface, vlan, "vlan"),
    OC_C(vlan_config, vlan, vlan, "config"),
    OC_L(vlan_config_id, vlan_config, vlan, "vlan-id", vlan_or_qinq, noted,
         "deprecated: the policy takes its VLANs from vlan/match"),
    OC_C(match, vlan, vlan, "match"),
    OC_C(st, match, vlan, "single-tagged"),
    OC_C(st_config, st, vlan, "config"),
    OC_VLAN(st_id, st_config, "vlan-id", "efp.tag"),
    OC_C(stl, match, vlan, "single-tagged-list"),
    OC_C(stl_config, stl, vlan, "config"),
    OC_VLANS(stl_ids, stl_config, "vlan-ids", "efp.ranges"),
    OC_C(str, match, vlan, "single-tagged-range"),
    OC_C(str_config, str, vlan, "config"),
    OC_VLAN(str_low, str_config, "low-vlan-id", "efp.ranges"),
    OC_VLAN(str_high, str_config, "high-vlan-id", "efp.ranges"),
    OC_C(dt, match, vlan, "double-tagged"),
    OC_C(dt_config, dt, vlan, "config"),
    OC_VLAN(dt_inner, dt_config, "inner-vlan-id", "efp.tag"),
    OC_VLAN(dt_outer, dt_config, "outer-vlan-id", "efp.tag"),
    OC_C(dtil, match, vlan, "double-tagged-inner-list"),
    OC_C(dtil_config, dtil, vlan, "config"),
    OC_VLANS(dtil_inner_ids, dtil_config, "inner-vlan-ids", "efp.ranges"),
    OC_VLAN(dtil_outer, dtil_config, "outer-vlan-id", "efp.tag"),
    OC_C(dtol, match, vlan, "double-tagged-outer-list"),
    OC_C(dtol_config, dtol, vlan, "config"),
    OC_VLAN(dtol_inner, dtol_config, "inner-vlan-id", "efp.tag"),
    OC_VLANS(dtol_outer_ids, dtol_config, "outer-vlan-ids", "efp.ranges"),
    OC_C(dtir, match, vlan, "double-tagged-inner-range"),
    OC_C(dtir_config, dtir, vlan, "config"),
    OC_VLAN(dtir_inner_low, dtir_config, "inner-low-vlan-id", "efp.ranges"),
    OC_VLAN(dtir_inner_high, dtir_config, "inner-high-vlan-id", "efp.ranges"),
    OC_VLANS(dtir_outer, dtir_config, "outer-vlan-id", "efp.tag"),
    OC_C(dtor, match, vlan, "double-tagged-outer-range"),
    OC_C(dtor_config, dtor, vlan, "config"),
    OC_VLAN(dtor_inner, dtor_config, "inner-vlan-id", "efp.tag"),
    OC_VLAN(dtor_outer_low, dtor_config, "outer-low-vlan-id", "efp.ranges"),
    OC_VLAN(dtor_outer_high, dtor_config, "outer-high-vlan-id", "efp.ranges"),
    OC_C(dtior, match, vlan, "double-tagged-inner-outer-range"),
    OC_C(dtior_config, dtior, vlan, "config"),
    OC_VLAN(dtior_inner_low, dtior_config, "inner-low-vlan-id", "efp.ranges"),
    OC_VLAN(dtior_inner_high, dtior_config, "inner-high-vlan-id", "efp.ranges"),
    OC_VLAN(dtior_outer_low, dtior_config, "outer-low-vlan-id", "efp.ranges"),
    OC_VLAN(dtior_outer_high, dtior_config, "outer-high-vlan-id", "efp.ranges"),
    OC_C(ingress, vlan, vlan, "ingress-mapping"),
    OC_C(in_config, ingress, vlan, "config"),
    OC_W(in_action, in_config, vlan, "vlan-stack-action", word, carried, kActions, vlan,
         "efp.num_tag_pops, efp.num_tag_pushes"),
    OC_VLAN(in_vlan, in_config, "vlan-id", "efp.push"),
    OC_W(in_tpid, in_config, vlan, "tpid", identity, carried, kTpids, vlan_types, "efp.push"),
    OC_C(egress, vlan, vlan, "egress-mapping"),
    OC_C(eg_config, egress, vlan, "config"),
    OC_W(eg_action, eg_config, vlan, "vlan-stack-action", word, noted, kActions, vlan,
         "the policy holds the ingress rewrite; egress is its inverse"),
    OC_L(eg_vlan, eg_config, vlan, "vlan-id", vlan, noted,
         "the policy holds the ingress rewrite; egress is its inverse"),
    OC_W(eg_tpid, eg_config, vlan, "tpid", identity, noted, kTpids, vlan_types,
         "the policy holds the ingress rewrite; egress is its inverse"),
};
// clang-format on
#undef OC_C
#undef OC_L
#undef OC_W
#undef OC_VLAN
#undef OC_VLANS

constexpr bool rows_in_order() {
    for (size_t i = 0; i < std::size(kRows); i++)
        if (at(kRows[i].id) != i || at(kRows[i].parent) > i) return false;
    return true;
}
static_assert(std::size(kRows) == kNodes && rows_in_order(), "one row per node, parents first");
constexpr const Row &row(N n) {
    return kRows[at(n)];
}

// The VLAN match kinds: the container, how many tags, which tag has ranges
// (0 the outer, 1 the inner, -1 none; both: the policy cannot hold it), and
// the leaves of each tag's exact VLAN, list or range.
struct MatchKind {
    N node;
    uint8_t tags;
    int8_t ranged;
    bool both;
    N outer, inner; // exact VLANs (count: none)
    N ids;          // a list of the ranged tag's VLANs
    N low, high;    // a range of the ranged tag's VLANs
};
inline constexpr MatchKind kMatches[] = {
    {N::st, 1, -1, false, N::st_id, N::count, N::count, N::count, N::count},
    {N::stl, 1, 0, false, N::count, N::count, N::stl_ids, N::count, N::count},
    {N::str, 1, 0, false, N::count, N::count, N::count, N::str_low, N::str_high},
    {N::dt, 2, -1, false, N::dt_outer, N::dt_inner, N::count, N::count, N::count},
    {N::dtil, 2, 1, false, N::dtil_outer, N::count, N::dtil_inner_ids, N::count, N::count},
    {N::dtol, 2, 0, false, N::count, N::dtol_inner, N::dtol_outer_ids, N::count, N::count},
    {N::dtir, 2, 1, false, N::dtir_outer, N::count, N::count, N::dtir_inner_low,
     N::dtir_inner_high},
    {N::dtor, 2, 0, false, N::count, N::dtor_inner, N::count, N::dtor_outer_low,
     N::dtor_outer_high},
    {N::dtior, 2, 1, true, N::count, N::count, N::count, N::dtior_inner_low, N::dtior_inner_high},
};

// The VLAN stack actions: tags popped and pushed.
struct Action {
    const char *name;
    uint8_t pops, pushes;
};
inline constexpr Action kActionRows[] = {{"PUSH", 0, 1}, {"POP", 1, 0}, {"SWAP", 1, 1}};

// TPID identities and the ethertypes they name (TPID_ANY names none).
struct Tpid {
    uint16_t ethertype;
    const char *name;
};
inline constexpr Tpid kTpidRows[] = {{0x8100, "TPID_0X8100"},
                                     {0x88a8, "TPID_0X88A8"},
                                     {0x9100, "TPID_0X9100"},
                                     {0x9200, "TPID_0X9200"}};

// The kinds of port an ether_if_type names (its sub-interfaces lie on such a
// port), each with its iana-if-type identity, the kind's own numbers for the
// port and for a Layer 2 sub-interface on it (what reading a type gives),
// and whether the models allow the ethernet container on it.
struct PortKind {
    const char *identity;
    uint8_t port, l2sub;
    uint32_t types; // every ether_if_type of the kind
    bool ethernet;
};
inline constexpr PortKind kKinds[] = {
    // ether, its subs, sat-ether, fabric, icl, mgmt, breakout
    {"ethernetCsmacd", 1, 3,
     1u << 1 | 1u << 2 | 1u << 3 | 1u << 10 | 1u << 11 | 1u << 12 | 1u << 19 | 1u << 20, true},
    {"ieee8023adLag", 4, 6, 1u << 4 | 1u << 5 | 1u << 6 | 1u << 21, true}, // bundles
    {"ifPwType", 7, 9, 1u << 7 | 1u << 8 | 1u << 9, false},                // pw-ether
    {"propVirtual", 13, 15, 0x3fu << 13, false},                           // vether, nv-ether
};

} // namespace eth_if_plcy::oc
