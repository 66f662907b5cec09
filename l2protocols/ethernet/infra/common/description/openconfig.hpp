// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// A policy as one interface's OpenConfig configuration (RFC 7951 JSON rooted
// at openconfig-interfaces:interfaces), and back: the fields OpenConfig
// models, each in one row of kRows, which also says why a field has no
// OpenConfig path. Nothing is dropped without a word: writing, the policy's
// fields OpenConfig cannot say are listed (notes); reading, what a policy
// cannot hold is refused with its OpenConfig path, and what it need not hold
// is listed.
//
// Writing walks the record (Tree as the policy Writer's, plus boolean(b)).
// Reading writes the policy JSON into an Out tree (as the Writer's), for the
// policy Reader to read strictly; the In tree is the Reader's, plus
// is_bool(n) and bool_value(n).
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "policy_writer.hpp"

namespace eth_if_plcy::fields::oc {

// Each field's OpenConfig path (relative to the interface; "sub/" for the
// sub-interface), or why it has none.
struct Row {
    F field;
    const char *path; // nullptr: not modelled by OpenConfig
    const char *why;
};
inline constexpr Row kRows[] = {
    {F::valid_mask, nullptr, "which fields are held: follows from the leaves present"},
    {F::ether_if_type, "config/type",
     "the iana-if-type identity of the kind of port it names; read, the kind's own number (for a "
     "sub-interface its Layer 2 sub-interface's)"},
    {F::interface_ready, nullptr, "operational state, not configuration"},
    {F::is_l2, nullptr, "no OpenConfig leaf"},
    {F::is_provisioned, nullptr, "cross-connect provisioning"},
    {F::provision_info_xconnect_id, nullptr, "cross-connect provisioning"},
    {F::provision_info_xcon_tags, nullptr, "cross-connect provisioning"},
    {F::provision_info_ip_iw_enabled, nullptr, "cross-connect provisioning"},
    {F::provision_info_imposition_vlan_rewrite, nullptr, "cross-connect provisioning"},
    {F::provision_info_imposition_vlan_id, nullptr, "cross-connect provisioning"},
    {F::efp_configured, "sub/vlan", "1 when the sub-interface has a VLAN match or mapping"},
    {F::efp_native, nullptr, "no match on the native VLAN"},
    {F::efp_native_with_preservation, nullptr, "no match on the native VLAN"},
    {F::efp_src_mac_check, nullptr, "no MAC match"},
    {F::efp_dst_mac_check, nullptr, "no MAC match"},
    {F::efp_exact, nullptr, "no exact-match flag"},
    {F::efp_l3_ambiguous, nullptr, "no such flag"},
    {F::efp_payload_ethertype, nullptr, "no payload ethertype match"},
    {F::efp_num_tag_pops, "sub/vlan/ingress-mapping/config/vlan-stack-action", "POP or SWAP: 1"},
    {F::sub_parent, nullptr, "the parent is the interface named"},
    {F::sub_admin_up, "sub/config/enabled", ""},
    {F::sub_efp_filtering, nullptr, "no filtering flag"},
    {F::sub_src_bypass_filter, nullptr, "no filtering flag"},
    {F::trunk_native_vlan, "ethernet/switched-vlan/config/native-vlan", ""},
    {F::trunk_native_is_svlan, nullptr, "no S-VLAN flag"},
    {F::trunk_qinq_tunneling_etype, nullptr, "no tunneling ethertype"},
    {F::trunk_mac_acc_ingress, nullptr, "no MAC accounting"},
    {F::trunk_mac_acc_egress, nullptr, "no MAC accounting"},
    {F::trunk_filter_dot1q, nullptr, "no filtering flag"},
    {F::trunk_filter_dot1ad, nullptr, "no filtering flag"},
    {F::trunk_filter_mac_relay, nullptr, "no filtering flag"},
    {F::trunk_vlan_switched_trunk, "ethernet/switched-vlan/config/interface-mode", "TRUNK"},
    {F::trunk_vlan_switched_access, "ethernet/switched-vlan/config/interface-mode", "ACCESS"},
    {F::trunk_access_vlan, "ethernet/switched-vlan/config/access-vlan", ""},
    {F::is_in_icl_mode, nullptr, "no inter-chassis link mode"},
    {F::mtu, "config/mtu", ""},
    {F::mac_addr, "ethernet/config/mac-address", ""},
    {F::l2pt, nullptr, "no Layer 2 protocol tunneling"},
    {F::efp_tag, "sub/vlan/match",
     "the VLANs, by match kind; the outer tag's ethertype is config/tpid, an inner tag's 0x8100"},
    {F::efp_tag_pcp, nullptr, "no PCP match"},
    {F::efp_ranges, "sub/vlan/match", "the -range and -list match kinds"},
    {F::efp_src_mac, nullptr, "no MAC match"},
    {F::efp_dst_mac, nullptr, "no MAC match"},
    {F::efp_push, "sub/vlan/ingress-mapping/config",
     "PUSH or SWAP: vlan-id and tpid of the one tag"},
    {F::efp_num_tags, "sub/vlan/match", "follows from the match kind"},
    {F::efp_num_tag_pushes, "sub/vlan/ingress-mapping/config/vlan-stack-action", "PUSH or SWAP: 1"},
    {F::efp_num_ranges, "sub/vlan/match", "follows from the ranges"},
    {F::efp_tag_range_count, nullptr, "follows from the ranges"},
};
static_assert(std::size(kRows) == kFieldCount, "every field has its OpenConfig row");
constexpr bool rows_in_order() {
    for (size_t i = 0; i < kFieldCount; i++)
        if (index(kRows[i].field) != i) return false;
    return true;
}
static_assert(rows_in_order(), "the rows follow the field description");

inline constexpr const char *kInterfaces = "openconfig-interfaces:interfaces";
inline constexpr const char *kEthernet = "openconfig-if-ethernet:ethernet";
inline constexpr const char *kSwitched = "openconfig-vlan:switched-vlan";
inline constexpr const char *kVlan = "openconfig-vlan:vlan";
inline constexpr const char *kTpid = "openconfig-vlan:tpid";
inline constexpr uint16_t kDot1q = 0x8100;

// TPID identities and the ethertypes they name.
struct Tpid {
    uint16_t ethertype;
    const char *identity;
};
inline constexpr Tpid kTpids[] = {{0x8100, "openconfig-vlan-types:TPID_0X8100"},
                                  {0x88a8, "openconfig-vlan-types:TPID_0X88A8"},
                                  {0x9100, "openconfig-vlan-types:TPID_0X9100"},
                                  {0x9200, "openconfig-vlan-types:TPID_0X9200"}};
inline const char *tpid_identity(uint16_t ethertype) {
    for (const Tpid &t : kTpids)
        if (t.ethertype == ethertype) return t.identity;
    return nullptr;
}

// The kinds of port an ether_if_type names (its sub-interfaces lie on such a
// port), each with its iana-if-type identity and the kind's own numbers for
// the port and for a Layer 2 sub-interface on it: what reading a type gives.
struct PortKind {
    const char *identity;
    uint8_t port, l2sub;
    uint32_t types; // every ether_if_type of the kind
};
inline constexpr PortKind kKinds[] = {
    // ether, its subs, sat-ether, fabric, icl, mgmt, breakout
    {"iana-if-type:ethernetCsmacd", 1, 3,
     1u << 1 | 1u << 2 | 1u << 3 | 1u << 10 | 1u << 11 | 1u << 12 | 1u << 19 | 1u << 20},
    {"iana-if-type:ieee8023adLag", 4, 6, 1u << 4 | 1u << 5 | 1u << 6 | 1u << 21}, // bundles
    {"iana-if-type:ifPwType", 7, 9, 1u << 7 | 1u << 8 | 1u << 9},                 // pw-ether
    {"iana-if-type:propVirtual", 13, 15, 0x3fu << 13}, // vether, nv-ether
};
inline const PortKind *kind_of(uint32_t type) {
    for (const PortKind &k : kKinds)
        if (type < 32 && (k.types >> type & 1u)) return &k;
    return nullptr;
}

// The leaves of a VLAN range or list: of the one tag, the inner, the outer.
struct RangeKeys {
    const char *low, *high, *list;
};
inline constexpr RangeKeys kRangeKeys[] = {
    {"low-vlan-id", "high-vlan-id", "vlan-ids"},
    {"inner-low-vlan-id", "inner-high-vlan-id", "inner-vlan-ids"},
    {"outer-low-vlan-id", "outer-high-vlan-id", "outer-vlan-ids"}};

inline bool oc_vlan(uint64_t v) {
    return v >= 1 && v <= 4094;
}

// The match containers, by the VLAN kind of the outer and inner tags.
enum class Kind { exact, range };
inline const char *match_name(int tags, Kind outer, Kind inner, bool list) {
    if (tags == 1)
        return outer == Kind::exact ? "single-tagged"
               : list               ? "single-tagged-list"
                                    : "single-tagged-range";
    if (outer == Kind::exact && inner == Kind::exact) return "double-tagged";
    if (outer == Kind::exact)
        return list ? "double-tagged-inner-list" : "double-tagged-inner-range";
    if (inner == Kind::exact)
        return list ? "double-tagged-outer-list" : "double-tagged-outer-range";
    return "double-tagged-inner-outer-range";
}

template <class Tree>
class Writer {
  public:
    using Node = typename Tree::Node;
    explicit Writer(Tree &t) : t_(t) {}

    // One interface; index < 0: none given. False with refusal() set.
    bool write(const Ext &e, std::string_view name, int64_t index, Node &out) {
        const auto &f = e.efp;
        bool sub = class_of(e) == Cls::sub || (e.valid_mask & (kSubFields | kEfp)) != 0;
        if (sub && index < 0) return fail("a sub-interface policy needs the sub-interface's index");
        const PortKind *kind =
            (e.valid_mask & ETH_IF_PLCY_ETHER_IF_TYPE) ? kind_of(e.ether_if_type) : nullptr;
        if (kind == nullptr)
            return fail(
                "OpenConfig needs the interface's type: the policy holds no known ether_if_type");
        // Read back, the type is its kind's own number: any other is said.
        if (e.ether_if_type != (sub ? kind->l2sub : kind->port)) note(path_of(F::ether_if_type));
        const char *type = kind->identity;
        Node intf = t_.object();
        t_.set(intf, "name", t_.string(name));
        Node config = t_.object();
        t_.set(config, "name", t_.string(name));
        t_.set(config, "type", t_.string(type));
        if (held(F::mtu, e)) t_.set(config, "mtu", t_.integer(value<F::mtu>(e)));
        bool efp = e.efp.configured && (e.valid_mask & kEfp);
        if (efp && f.num_tags > 0) {
            if (const char *tpid = tpid_identity(f.tag[0].ethertype))
                t_.set(config, kTpid, t_.string(tpid));
            else
                note("efp.tag[0].ethertype");
        }
        t_.set(intf, "config", config);
        Node ethernet{};
        auto eth = [&] {
            if (!ethernet) ethernet = t_.object();
            return ethernet;
        };
        if (held(F::mac_addr, e)) {
            Node c = t_.object();
            t_.set(c, "mac-address", Writer_(t_).mac(e.mac_addr));
            t_.set(eth(), "config", c);
        }
        if (Node sw = switched(e)) t_.set(eth(), kSwitched, sw);
        if (ethernet) t_.set(intf, kEthernet, ethernet);
        if (sub) {
            Node s = t_.object();
            t_.set(s, "index", t_.integer(static_cast<uint64_t>(index)));
            Node c = t_.object();
            t_.set(c, "index", t_.integer(static_cast<uint64_t>(index)));
            if (held(F::sub_admin_up, e))
                t_.set(c, "enabled", t_.boolean(value<F::sub_admin_up>(e) != 0));
            t_.set(s, "config", c);
            if (efp) t_.set(s, kVlan, vlan(e));
            Node list = t_.array();
            t_.append(list, s);
            Node subs = t_.object();
            t_.set(subs, "subinterface", list);
            t_.set(intf, "subinterfaces", subs);
        }
        for (size_t i = 0; i < kFieldCount; i++)
            if (kRows[i].path == nullptr && i != 0 && present(i, e) && !at_default(i, e))
                note(path_of(i));
        Node list = t_.array();
        t_.append(list, intf);
        Node interfaces = t_.object();
        t_.set(interfaces, "interface", list);
        out = t_.object();
        t_.set(out, kInterfaces, interfaces);
        return true;
    }
    const std::string &refusal() const { return refusal_; }
    // The policy's fields OpenConfig cannot say, as paths.
    const std::vector<std::string> &notes() const { return notes_; }

  private:
    using Writer_ = fields::Writer<Tree>;
    Tree &t_;
    std::string refusal_;
    std::vector<std::string> notes_;

    bool fail(std::string why) {
        refusal_ = std::move(why);
        return false;
    }
    void note(const std::string &path) {
        for (const std::string &n : notes_)
            if (n == path) return;
        notes_.push_back(path);
    }
    static bool held(F f, const Ext &e) { return present(index(f), e); }
    template <F f>
    static uint64_t value(const Ext &e) {
        return kScalars[index(f)].get(e); // clang 14 takes no consteval call here
    }
    // A field at its default (0, an empty list, "any" PCPs) says nothing to lose.
    static bool at_default(size_t i, const Ext &e) {
        if (i < kScalarCount) return kScalars[i].get(e) == 0;
        const Compound &c = kCompounds[i - kScalarCount];
        if (c.derived || c.shape == Shape::pairs) return true; // counts follow their lists
        // A list of PCPs defaults to "any"; bit 7 of an L2PT byte is not stored.
        uint64_t none = c.domain == &kPcp ? EFP_PCP_ANY : 0;
        uint64_t kept = c.shape == Shape::l2pt ? 0x7Fu : ~uint64_t{0};
        for (size_t k = 0; k < c.access.entries(e); k++)
            if ((c.access.get(e, k, -1) & kept) != none) return false;
        return true;
    }

    Node vlan_id(uint64_t v, const char *field) {
        if (oc_vlan(v)) return t_.integer(v);
        note(field);
        return Node{};
    }

    // The switched-vlan container, or a null Node when the policy has none.
    Node switched(const Ext &e) {
        Node c{};
        auto config = [&] {
            if (!c) c = t_.object();
            return c;
        };
        uint64_t trunk = value<F::trunk_vlan_switched_trunk>(e);
        uint64_t access = value<F::trunk_vlan_switched_access>(e);
        if (held(F::trunk_vlan_switched_trunk, e) && (trunk || access)) {
            if (trunk && access) note(path_of(F::trunk_vlan_switched_access));
            t_.set(config(), "interface-mode", t_.string(trunk ? "TRUNK" : "ACCESS"));
        }
        const std::pair<const Scalar *, const char *> vlans[] = {
            {&scalar(F::trunk_access_vlan), "access-vlan"},
            {&scalar(F::trunk_native_vlan), "native-vlan"}};
        for (auto [s, leaf] : vlans) {
            uint64_t id = s->get(e);
            if (!present(*s, e) || id == 0) continue;
            if (Node v = vlan_id(id, s->path)) t_.set(config(), leaf, v);
        }
        if (!c) return Node{};
        Node sw = t_.object();
        t_.set(sw, "config", c);
        return sw;
    }

    void ranges(const Ext &e, Node m, const RangeKeys &keys, bool list) {
        const auto &f = e.efp;
        if (!list) {
            t_.set(m, keys.low, t_.integer(f.ranges[0].low));
            t_.set(m, keys.high, t_.integer(f.ranges[0].high));
            return;
        }
        Node ids = t_.array();
        for (size_t k = 0; k < f.num_ranges; k++)
            for (uint32_t v = f.ranges[k].low; v <= f.ranges[k].high; v++)
                t_.append(ids, t_.integer(v));
        t_.set(m, keys.list, ids);
    }

    Node vlan(const Ext &e) {
        const auto &f = e.efp;
        Node v = t_.object();
        int n = f.num_tags;
        bool ok = n >= 1 && n <= 2;
        Kind kind[2] = {Kind::exact, Kind::exact};
        for (int k = 0; k < n && ok; k++) {
            uint16_t id = f.tag[k].vlan;
            if (id == EFP_VLAN_RANGE && f.num_ranges > 0)
                kind[k] = Kind::range;
            else if (!oc_vlan(id))
                ok = false, note("efp.tag[" + std::to_string(k) + "].vlan");
        }
        if (n == 2 && f.tag[1].ethertype != kDot1q) note("efp.tag[1].ethertype");
        if (n == 0 && f.num_ranges == 0) ok = false;
        if (ok && kind[0] == Kind::range && n == 2 && kind[1] == Kind::range)
            ok = false, note(path_of(F::efp_ranges));
        bool list = f.num_ranges > 1;
        // A list gives its VLANs back as ranges sorted and merged.
        for (size_t k = 1; list && k < f.num_ranges; k++)
            if (f.ranges[k].low <= f.ranges[k - 1].high + 1) note(path_of(F::efp_ranges));
        for (size_t k = 0; ok && k < f.num_ranges; k++)
            if (!oc_vlan(f.ranges[k].low) || !oc_vlan(f.ranges[k].high))
                ok = false, note(path_of(F::efp_ranges));
        if (ok) {
            const char *name = match_name(n, kind[0], n == 2 ? kind[1] : Kind::exact, list);
            Node c = t_.object();
            if (n == 1) {
                if (kind[0] == Kind::exact)
                    t_.set(c, "vlan-id", t_.integer(f.tag[0].vlan));
                else
                    ranges(e, c, kRangeKeys[0], list);
            } else if (kind[0] == Kind::exact && kind[1] == Kind::exact) {
                t_.set(c, "inner-vlan-id", t_.integer(f.tag[1].vlan));
                t_.set(c, "outer-vlan-id", t_.integer(f.tag[0].vlan));
            } else if (kind[1] == Kind::range) { // the inner tag's ranges
                ranges(e, c, kRangeKeys[1], list);
                if (list) {
                    t_.set(c, "outer-vlan-id", t_.integer(f.tag[0].vlan));
                } else { // this kind's outer VLAN is a leaf-list
                    Node outer = t_.array();
                    t_.append(outer, t_.integer(f.tag[0].vlan));
                    t_.set(c, "outer-vlan-id", outer);
                }
            } else {
                t_.set(c, "inner-vlan-id", t_.integer(f.tag[1].vlan));
                ranges(e, c, kRangeKeys[2], list);
            }
            Node kindc = t_.object();
            t_.set(kindc, "config", c);
            Node m = t_.object();
            t_.set(m, name, kindc);
            t_.set(v, "match", m);
        } else if (n > 0 || f.num_ranges > 0) {
            note(path_of(F::efp_tag));
        }
        // The rewrite: one action on one tag.
        int pops = f.num_tag_pops, pushes = f.num_tag_pushes;
        if ((e.valid_mask & ETH_IF_PLCY_EFP_REWRITE) && (pops || pushes)) {
            const char *action = pops == 0 && pushes == 1   ? "PUSH"
                                 : pops == 1 && pushes == 0 ? "POP"
                                 : pops == 1 && pushes == 1 ? "SWAP"
                                                            : nullptr;
            const char *tpid = pushes == 1 ? tpid_identity(f.push[0].ethertype) : "";
            if (action == nullptr || tpid == nullptr || (pushes == 1 && !oc_vlan(f.push[0].vlan))) {
                note(path_of(F::efp_push));
                note(path_of(F::efp_num_tag_pops));
                return v;
            }
            Node c = t_.object();
            t_.set(c, "vlan-stack-action", t_.string(action));
            if (pushes == 1) {
                t_.set(c, "vlan-id", t_.integer(f.push[0].vlan));
                t_.set(c, "tpid", t_.string(tpid));
            }
            Node mapping = t_.object();
            t_.set(mapping, "config", c);
            t_.set(v, "ingress-mapping", mapping);
        }
        return v;
    }
};

// OpenConfig to the policy JSON. In: the Reader's tree plus is_bool and
// bool_value; Out: the Writer's.
template <class In, class Out>
class Reader {
  public:
    using InNode = typename In::Node;
    using OutNode = typename Out::Node;
    Reader(In &in, Out &out) : in_(in), out_(out) {}

    // name empty: the one interface; index < 0: the one sub-interface.
    bool read(InNode root, std::string_view name, int64_t index, OutNode &policy) {
        InNode ifs = obj(root, kInterfaces);
        InNode list = ifs ? in_.get(ifs, "interface") : InNode{};
        if (!list || !in_.is_array(list)) return fail(kInterfaces, "holds no interface list");
        InNode intf{};
        for (size_t i = 0; i < in_.size(list); i++) {
            InNode it = in_.at(list, i);
            InNode n = in_.is_object(it) ? in_.get(it, "name") : InNode{};
            bool named = n && in_.is_string(n) && in_.string(n) == name;
            if (name.empty() ? in_.size(list) == 1 : named) intf = it;
        }
        if (!intf)
            return fail("interfaces/interface", name.empty()
                                                    ? "name the interface: there is more than one"
                                                    : "has no interface " + std::string(name));
        where_ = "interfaces/interface[name=" + text(in_.get(intf, "name")) + "]";
        policy = out_.object();
        // Groups are made (and put in the policy) when first given a field.
        OutNode groups[3] = {};
        auto group = [&](int g) {
            static const char *const names[] = {"trunk", "efp", "sub"};
            if (!groups[g]) {
                groups[g] = out_.object();
                out_.set(policy, names[g], groups[g]);
            }
            return groups[g];
        };
        bool subinterface = false;
        const PortKind *kind = nullptr;
        if (InNode c = obj(intf, "config")) {
            if (InNode mtu = in_.get(c, "mtu")) out_.set(policy, path_of(F::mtu), copy(mtu));
            if (InNode type = in_.get(c, "type")) {
                for (const PortKind &k : kKinds)
                    if (in_.is_string(type) && in_.string(type) == k.identity) kind = &k;
                if (kind == nullptr)
                    return fail("config/type", "is no kind of port a policy's ether_if_type names");
            }
            if (in_.get(c, "enabled"))
                note("config/enabled", "the policy holds no admin state of the interface");
        }
        uint16_t outer_ethertype = kDot1q;
        if (InNode c = obj(intf, "config"); c && in_.get(c, kTpid)) {
            std::string_view id = str(in_.get(c, kTpid));
            const Tpid *t = find_tpid(id);
            if (t == nullptr)
                return fail("config/openconfig-vlan:tpid",
                            "is no ethertype a policy holds: " + std::string(id));
            outer_ethertype = t->ethertype;
        }
        if (InNode eth = obj(intf, kEthernet)) {
            if (InNode c = obj(eth, "config"); c && in_.get(c, "mac-address"))
                out_.set(policy, path_of(F::mac_addr), copy(in_.get(c, "mac-address")));
            if (InNode sw = obj(eth, kSwitched)) {
                if (InNode c = obj(sw, "config")) {
                    if (InNode mode = in_.get(c, "interface-mode")) {
                        std::string_view m = str(mode);
                        if (m != "TRUNK" && m != "ACCESS")
                            return fail(std::string(kSwitched) + "/config/interface-mode",
                                        "is no mode a policy holds (ACCESS, TRUNK)");
                        out_.set(group(0), "vlan_switched_trunk", out_.integer(m == "TRUNK"));
                        out_.set(group(0), "vlan_switched_access", out_.integer(m == "ACCESS"));
                    }
                    if (InNode v = in_.get(c, "access-vlan"))
                        out_.set(group(0), "access_vlan", copy(v));
                    if (InNode v = in_.get(c, "native-vlan"))
                        out_.set(group(0), "native_vlan", copy(v));
                    if (in_.get(c, "trunk-vlans"))
                        note(std::string(kSwitched) + "/config/trunk-vlans",
                             "the policy holds no list of trunk VLANs");
                }
            }
        }
        if (InNode subs = obj(intf, "subinterfaces")) {
            InNode sl = in_.get(subs, "subinterface");
            InNode s{};
            size_t count = sl && in_.is_array(sl) ? in_.size(sl) : 0;
            for (size_t i = 0; i < count; i++) {
                InNode it = in_.at(sl, i);
                InNode idx = in_.is_object(it) ? in_.get(it, "index") : InNode{};
                int64_t v = -1;
                if (idx && in_.is_int(idx)) in_.int_value(idx, v);
                if (index < 0 ? count == 1 : v == index) s = it;
            }
            if (!s && (index >= 0 || count > 1))
                return fail("subinterfaces",
                            index < 0 ? "name the sub-interface's index: there is more than one"
                                      : "has no sub-interface " + std::to_string(index));
            if (s) {
                subinterface = true;
                where_ += "/subinterfaces/subinterface[index=" + text(in_.get(s, "index")) + "]";
                if (InNode c = obj(s, "config"); c && in_.get(c, "enabled")) {
                    InNode en = in_.get(c, "enabled");
                    if (!in_.is_bool(en)) return fail("config/enabled", "is not a boolean");
                    out_.set(group(2), "admin_up", out_.integer(in_.bool_value(en)));
                }
                if (InNode v = obj(s, kVlan)) {
                    OutNode efp = group(1);
                    out_.set(efp, "configured", out_.integer(1));
                    if (!match(v, efp, outer_ethertype) || !mapping(v, efp)) return false;
                    if (obj(v, "egress-mapping"))
                        note("vlan/egress-mapping",
                             "the policy holds the ingress rewrite; egress is its inverse");
                }
            }
        }
        if (groups[0] && (groups[1] || groups[2]))
            return fail(kSwitched, "a trunk's switched VLANs and a sub-interface's settings "
                                   "exclude each other in one policy");
        if (kind != nullptr)
            out_.set(policy, path_of(F::ether_if_type),
                     out_.integer(subinterface ? kind->l2sub : kind->port));
        return true;
    }
    const std::string &refusal() const { return refusal_; }
    const std::vector<std::string> &notes() const { return notes_; }

  private:
    In &in_;
    Out &out_;
    std::string where_, refusal_;
    std::vector<std::string> notes_;

    bool fail(const std::string &path, const std::string &why) {
        refusal_ = (where_.empty() ? "" : where_ + "/") + path + ": " + why;
        return false;
    }
    void note(const std::string &path, const std::string &why) {
        notes_.push_back(where_ + "/" + path + " (" + why + ")");
    }
    InNode obj(InNode n, const char *key) {
        InNode v = n && in_.is_object(n) ? in_.get(n, key) : InNode{};
        return v && in_.is_object(v) ? v : InNode{};
    }
    std::string_view str(InNode n) { return in_.is_string(n) ? in_.string(n) : ""; }
    std::string text(InNode n) {
        if (n && in_.is_string(n)) return std::string(in_.string(n));
        return n ? in_.show(n) : "";
    }
    // A number or string, as given (the policy Reader judges it).
    OutNode copy(InNode n) {
        int64_t v = 0;
        if (in_.is_int(n) && in_.int_value(n, v) && v >= 0)
            return out_.integer(static_cast<uint64_t>(v));
        if (in_.is_string(n)) return out_.string(in_.string(n));
        return out_.string(in_.show(n)); // refused by the policy Reader, shown
    }
    static const Tpid *find_tpid(std::string_view id) {
        for (const Tpid &t : kTpids)
            if (id == t.identity) return &t;
        return nullptr;
    }
    bool vlan_of(InNode c, const char *key, uint64_t &out) {
        InNode v = in_.get(c, key);
        int64_t n = 0;
        if (!v || !in_.is_int(v) || !in_.int_value(v, n) || !oc_vlan(static_cast<uint64_t>(n)))
            return fail(std::string("vlan/match/") + key, "is not a VLAN (1-4094)");
        out = static_cast<uint64_t>(n);
        return true;
    }

    OutNode tag(uint16_t ethertype, OutNode vlan) {
        OutNode t = out_.object();
        out_.set(t, "ethertype", out_.hex(ethertype, 4));
        out_.set(t, "vlan", vlan);
        return t;
    }

    // A list or a range of VLANs as the policy's ranges (runs of a list
    // merged), or a refusal.
    bool range_list(InNode c, const RangeKeys &keys, const std::string &path, OutNode efp) {
        std::vector<std::pair<uint64_t, uint64_t>> runs;
        InNode ids = in_.get(c, keys.list);
        if (ids && in_.is_array(ids)) {
            std::vector<uint64_t> v;
            for (size_t i = 0; i < in_.size(ids); i++) {
                int64_t n = 0;
                InNode id = in_.at(ids, i);
                if (!in_.is_int(id) || !in_.int_value(id, n) || !oc_vlan(static_cast<uint64_t>(n)))
                    return fail(path, "holds a value that is not a VLAN (1-4094)");
                v.push_back(static_cast<uint64_t>(n));
            }
            std::sort(v.begin(), v.end());
            for (uint64_t id : v)
                if (!runs.empty() && id <= runs.back().second + 1)
                    runs.back().second = std::max(runs.back().second, id);
                else
                    runs.push_back({id, id});
        } else {
            uint64_t lo = 0, hi = 0;
            if (!vlan_of(c, keys.low, lo) || !vlan_of(c, keys.high, hi)) return false;
            runs.push_back({lo, hi});
        }
        if (runs.empty()) return fail(path, "holds no VLAN");
        if (runs.size() > ETH_IF_PLCY_EXT_MAX_RANGES)
            return fail(path, "needs " + std::to_string(runs.size()) +
                                  " ranges, more than a record holds (" +
                                  std::to_string(ETH_IF_PLCY_EXT_MAX_RANGES) + ")");
        OutNode list = out_.array();
        for (auto [lo, hi] : runs) {
            OutNode r = out_.object();
            out_.set(r, "low", out_.integer(lo));
            out_.set(r, "high", out_.integer(hi));
            out_.append(list, r);
        }
        out_.set(efp, "ranges", list);
        return true;
    }

    bool match(InNode v, OutNode efp, uint16_t outer_ethertype) {
        InNode m = obj(v, "match");
        if (!m) return true;
        const char *kinds[] = {"single-tagged",
                               "single-tagged-list",
                               "single-tagged-range",
                               "double-tagged",
                               "double-tagged-inner-list",
                               "double-tagged-outer-list",
                               "double-tagged-inner-range",
                               "double-tagged-outer-range",
                               "double-tagged-inner-outer-range"};
        const char *kind = nullptr;
        InNode c{};
        for (const char *k : kinds)
            if (InNode kc = obj(m, k)) {
                if (kind)
                    return fail(std::string("vlan/match/") + k,
                                std::string("a second match kind beside ") + kind);
                kind = k;
                c = obj(kc, "config");
            }
        if (!kind) return true;
        std::string path = std::string("vlan/match/") + kind + "/config";
        if (!c) return fail(path, "is missing");
        std::string_view k(kind);
        if (k == "double-tagged-inner-outer-range")
            return fail(std::string("vlan/match/") + kind,
                        "ranges on both tags: a policy gives ranges to one tag at most");
        // The VLANs first (0: "range"), then the tags: a refusal leaves nothing made.
        uint64_t outer = 0, inner = 0;
        bool single = k.starts_with("single");
        bool inner_ranged = !single && k.find("inner-") != std::string_view::npos;
        bool outer_ranged =
            single ? k != "single-tagged" : k.find("outer-") != std::string_view::npos;
        if (outer_ranged) {
            if (!range_list(c, kRangeKeys[single ? 0 : 2], path, efp)) return false;
        } else if (InNode ov = in_.get(c, single ? "vlan-id" : "outer-vlan-id");
                   ov && in_.is_array(ov)) { // a leaf-list in the inner-range kind
            if (in_.size(ov) != 1)
                return fail(path + "/outer-vlan-id",
                            "holds " + std::to_string(in_.size(ov)) +
                                " VLANs: a policy's outer tag matches one");
            int64_t n = 0;
            InNode id = in_.at(ov, 0);
            if (!in_.is_int(id) || !in_.int_value(id, n) || !oc_vlan(static_cast<uint64_t>(n)))
                return fail(path + "/outer-vlan-id", "is not a VLAN (1-4094)");
            outer = static_cast<uint64_t>(n);
        } else if (!vlan_of(c, single ? "vlan-id" : "outer-vlan-id", outer)) {
            return false;
        }
        if (inner_ranged) {
            if (!range_list(c, kRangeKeys[1], path, efp)) return false;
        } else if (!single && !vlan_of(c, "inner-vlan-id", inner)) {
            return false;
        }
        OutNode tags = out_.array();
        out_.set(efp, "tag", tags);
        out_.append(tags, tag(outer_ethertype, outer ? out_.integer(outer) : out_.string("range")));
        if (!single)
            out_.append(tags, tag(kDot1q, inner ? out_.integer(inner) : out_.string("range")));
        return true;
    }

    bool mapping(InNode v, OutNode efp) {
        InNode m = obj(v, "ingress-mapping");
        InNode c = m ? obj(m, "config") : InNode{};
        InNode a = c ? in_.get(c, "vlan-stack-action") : InNode{};
        if (!a) return true;
        std::string path = "vlan/ingress-mapping/config";
        std::string_view action = str(a);
        int pops = action == "POP" || action == "SWAP",
            pushes = action == "PUSH" || action == "SWAP";
        if (!pops && !pushes)
            return fail(path + "/vlan-stack-action",
                        "is no action the rewrite can express (PUSH, POP, SWAP)");
        out_.set(efp, "num_tag_pops", out_.integer(static_cast<uint64_t>(pops)));
        OutNode list = out_.array();
        out_.set(efp, "push", list);
        if (pushes) {
            uint64_t id = 0;
            if (!vlan_of(c, "vlan-id", id))
                return fail(path + "/vlan-id", action == "PUSH" ? "PUSH needs the VLAN it pushes"
                                                                : "SWAP needs the VLAN it writes");
            uint16_t ethertype = kDot1q;
            if (InNode t = in_.get(c, "tpid")) {
                const Tpid *tp = find_tpid(str(t));
                if (tp == nullptr) return fail(path + "/tpid", "is no ethertype a policy holds");
                ethertype = tp->ethertype;
            }
            out_.append(list, tag(ethertype, out_.integer(id)));
        }
        return true;
    }
};

} // namespace eth_if_plcy::fields::oc
