// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// A policy as one interface's OpenConfig configuration (RFC 7951 JSON rooted
// at openconfig-interfaces:interfaces), and back, through the rows of
// oc_tables.hpp: both directions go through Vals, one value per row.
//
// Reading walks every member of the document: each is carried into the
// policy, named in a note (a leaf the policy cannot hold, a module the
// mapping does not map), or refused (an unknown member, a value outside its
// type). Every refusal and note reads "PATH: VALUE REASON", the path in the
// document's own terms. Writing gives only what the models accept, and names
// in notes the policy's fields it leaves out.
//
// Trees: the Writer's is the policy Writer's plus boolean(b); the Reader's In
// tree has is_bool, bool_value, is_int, int_value, is_string, string,
// is_array, size, at, is_object, is_null, show and each(obj, fn(key, node))
// (every member, null ones too); its Out tree is the policy Writer's.
#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "oc_tables.hpp"
#include "policy_check.hpp"
#include "policy_reader.hpp"
#include "policy_writer.hpp"

namespace eth_if_plcy::oc {

using fields::Ext;
using fields::F;

// The deepest nesting read (jansson's own bound; Python copies to it).
inline constexpr int kMaxNesting = 2048;
inline constexpr const char *kRoot = "openconfig-interfaces:interfaces";

// The bits of the trunk group's fields (the switched VLANs hold for any class).
constexpr uint32_t trunk_bits() {
    uint32_t bits = 0;
    for (const fields::Scalar &s : fields::kScalars)
        if (std::string_view(s.path).starts_with("trunk.")) bits |= s.bit;
    return bits;
}
inline constexpr uint32_t kTrunk = trunk_bits();

// One value per row: a number (or boolean), a string, a list of VLAN IDs;
// for a container, set when given.
struct Val {
    bool set = false;
    uint64_t n = 0;
    std::string s;
    std::vector<uint64_t> ids;
};
using Vals = std::array<Val, kNodes>;

inline bool is_vlan(uint64_t v) {
    return v >= 1 && v <= 4094;
}
inline std::string qualified(Mod m, std::string_view name) {
    return std::string(kModules[static_cast<size_t>(m)]) + ":" + std::string(name);
}
// A member's name as the document writes it: qualified where its module
// differs from its parent's.
inline std::string step(const Row &r) {
    return r.mod == row(r.parent).mod ? std::string(r.name) : qualified(r.mod, r.name);
}
// A row's path; the list entries by their keys (empty: none).
inline std::string path(N n, std::string_view name, std::string_view index) {
    if (n == N::root) return "";
    std::string p = path(row(n).parent, name, index) + "/" + step(row(n));
    if (n == N::interface && !name.empty()) p += "[name=" + std::string(name) + "]";
    if (n == N::subinterface && !index.empty()) p += "[index=" + std::string(index) + "]";
    return p;
}
inline bool in_words(std::string_view w, std::string_view words) {
    while (!words.empty()) {
        size_t sp = words.find(' ');
        if (words.substr(0, sp) == w) return true;
        words = sp == std::string_view::npos ? "" : words.substr(sp + 1);
    }
    return false;
}
inline std::string quote(std::string_view s) {
    std::string q = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            q += '\\';
            q += static_cast<char>(c);
        } else if (c < 0x20) {
            char u[8];
            std::snprintf(u, sizeof u, "\\u%04x", c);
            q += u;
        } else {
            q += static_cast<char>(c);
        }
    }
    return q + "\"";
}
using fields::edit_distance;
inline const Tpid *tpid_of(uint16_t ethertype) {
    for (const Tpid &t : kTpidRows)
        if (t.ethertype == ethertype) return &t;
    return nullptr;
}
inline const PortKind *kind_of(uint32_t type) {
    for (const PortKind &k : kKinds)
        if (type < 32 && (k.types >> type & 1u)) return &k;
    return nullptr;
}

// Vals as a document: every container with something below it, in row order.
template <class Tree>
typename Tree::Node emit(Tree &t, const Vals &v, N at) {
    typename Tree::Node out{};
    for (size_t i = oc::at(at) + 1; i < kNodes; i++) {
        const Row &r = kRows[i];
        if (r.parent != at) continue;
        typename Tree::Node c{};
        if (r.type == T::container || r.type == T::list) {
            c = emit(t, v, r.id);
            if (c && r.type == T::list) {
                typename Tree::Node entry = c;
                c = t.array();
                t.append(c, entry);
            }
        } else if (v[i].set) {
            if (r.type == T::vlans) {
                c = t.array();
                for (uint64_t id : v[i].ids)
                    t.append(c, t.integer(id));
            } else if (r.type == T::boolean) {
                c = t.boolean(v[i].n != 0);
            } else if (r.type == T::string || r.type == T::identity || r.type == T::word ||
                       r.type == T::mac) {
                c = t.string(v[i].s);
            } else {
                c = t.integer(v[i].n);
            }
        }
        if (!c) continue;
        if (!out) out = t.object();
        t.set(out, at == N::root ? std::string_view(kRoot) : std::string_view(step(r)), c);
    }
    return out;
}

template <class Tree>
class Writer {
  public:
    using Node = typename Tree::Node;
    explicit Writer(Tree &t) : t_(t) {}

    // One interface; index < 0: none given. False with refusal() set.
    bool write(const Ext &e, std::string_view name, int64_t index, Node &out) {
        bool sub = fields::class_of(e) == fields::Cls::sub ||
                   (e.valid_mask & (fields::kSubFields | fields::kEfp)) != 0;
        bool trunk = (e.valid_mask & kTrunk) != 0 && trunk_said(e);
        // OpenConfig has no policy of both classes: keep the type's class.
        if (sub && trunk) {
            bool keep_trunk = fields::class_of(e) == fields::Cls::trunk;
            for (size_t i = 0; i < fields::kScalarCount; i++) {
                uint32_t bit = fields::kScalars[i].bit;
                bool of_trunk = (bit & kTrunk) != 0;
                bool of_sub = (bit & (fields::kSubFields | fields::kEfp)) != 0;
                if ((keep_trunk ? of_sub : of_trunk) && fields::present(i, e) && !at_default(i, e))
                    note(fields::path_of(i));
            }
            if (keep_trunk && (e.valid_mask & fields::kEfp) && e.efp.configured)
                note(fields::path_of(F::efp_tag));
            (keep_trunk ? sub : trunk) = false;
        }
        if (sub && index < 0) return fail("a sub-interface policy needs the sub-interface's index");
        const PortKind *kind =
            (e.valid_mask & ETH_IF_PLCY_ETHER_IF_TYPE) ? kind_of(e.ether_if_type) : nullptr;
        if (kind == nullptr)
            return fail(
                "OpenConfig needs the interface's type: the policy holds no known ether_if_type");
        // Read back, the type is its kind's own number: any other is said.
        if (e.ether_if_type != (sub ? kind->l2sub : kind->port))
            note(fields::path_of(F::ether_if_type));
        Vals v;
        str(v, N::if_name, name);
        str(v, N::if_config_name, name);
        str(v, N::if_type, qualified(Mod::iana, kind->identity));
        if (held(F::mtu, e)) num(v, N::if_mtu, value<F::mtu>(e));
        bool eth = false;
        if (held(F::mac_addr, e)) {
            const uint8_t *m = e.mac_addr;
            char text[18];
            std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", m[0], m[1], m[2],
                          m[3], m[4], m[5]);
            str(v, N::eth_mac, text);
            eth = true;
        }
        if (trunk) eth = switched(e, v) || eth;
        if (eth && !kind->ethernet) {
            for (N n : {N::eth_mac, N::sw_mode, N::sw_native, N::sw_access})
                v[at(n)].set = false;
            if (held(F::mac_addr, e)) note(fields::path_of(F::mac_addr));
            for (size_t i = 0; i < fields::kScalarCount; i++)
                if ((fields::kScalars[i].bit & kTrunk) && !at_default(i, e))
                    note(fields::path_of(i));
        }
        if (sub) {
            std::string i = std::to_string(index);
            num(v, N::sub_index, static_cast<uint64_t>(index));
            num(v, N::sub_config_index, static_cast<uint64_t>(index));
            if (held(F::sub_admin_up, e)) num(v, N::sub_enabled, value<F::sub_admin_up>(e) != 0);
            if (e.efp.configured && (e.valid_mask & fields::kEfp)) {
                vlan(e, v);
                rewrite(e, v);
            }
        }
        for (size_t i = 1; i < fields::kFieldCount; i++)
            if (!mapped(i) && fields::present(i, e) && !at_default(i, e)) note(fields::path_of(i));
        out = emit(t_, v, N::root);
        return true;
    }
    const std::string &refusal() const { return refusal_; }
    // The policy's fields OpenConfig cannot say, as paths.
    const std::vector<std::string> &notes() const { return notes_; }

  private:
    Tree &t_;
    std::string refusal_;
    std::vector<std::string> notes_;

    bool fail(std::string why) {
        refusal_ = std::move(why);
        return false;
    }
    void note(const std::string &field) {
        if (std::find(notes_.begin(), notes_.end(), field) == notes_.end()) notes_.push_back(field);
    }
    static void str(Vals &v, N n, std::string_view s) {
        v[at(n)].set = true;
        v[at(n)].s = std::string(s);
    }
    static void num(Vals &v, N n, uint64_t x) {
        v[at(n)].set = true;
        v[at(n)].n = x;
    }
    static bool held(F f, const Ext &e) { return fields::present(fields::index(f), e); }
    template <F f>
    static uint64_t value(const Ext &e) {
        return fields::kScalars[fields::index(f)].get(e);
    }
    // The fields some row carries: those a carried row's text names, the counts
    // that follow from them, and efp.configured, which every EFP leaf sets.
    static bool mapped(size_t i) { return kMapped[i]; }
    static constexpr auto kMapped = [] {
        std::array<bool, fields::kFieldCount> m{};
        for (const Row &r : kRows) {
            if (r.use != Use::carried) continue;
            for (std::string_view names = r.about; !names.empty();) {
                size_t end = names.find(", ");
                bool known = false;
                for (size_t i = 0; i < fields::kFieldCount; i++)
                    if (names.substr(0, end) == fields::path_of(i)) m[i] = known = true;
                if (!known) throw "a carried row names no field"; // stops the compile
                names = end == std::string_view::npos ? "" : names.substr(end + 2);
            }
        }
        for (const fields::Compound &c : fields::kCompounds)
            if (c.derived) m[fields::index(c.id)] = true;
        m[fields::index(F::efp_configured)] = true;
        return m;
    }();
    // A field at its default (0, an empty list, "any" PCPs) says nothing to lose.
    static bool at_default(size_t i, const Ext &e) {
        using namespace fields;
        if (i < kScalarCount) return kScalars[i].get(e) == 0;
        const Compound &c = kCompounds[i - kScalarCount];
        if (c.derived || c.shape == Shape::pairs) return true; // counts follow their lists
        uint64_t none = c.domain == &kPcp ? EFP_PCP_ANY : 0;
        uint64_t kept = c.shape == Shape::l2pt ? 0x7Fu : ~uint64_t{0};
        for (size_t k = 0; k < c.access.entries(e); k++)
            if ((c.access.get(e, k, -1) & kept) != none) return false;
        return true;
    }
    static bool trunk_said(const Ext &e) {
        for (size_t i = 0; i < fields::kScalarCount; i++)
            if ((fields::kScalars[i].bit & kTrunk) && !at_default(i, e)) return true;
        return false;
    }

    // interface-mode from the record's own flags; a VLAN its mode does not
    // allow is left out with a note.
    bool switched(const Ext &e, Vals &v) {
        uint64_t trunk = value<F::trunk_vlan_switched_trunk>(e);
        uint64_t access = value<F::trunk_vlan_switched_access>(e);
        if (trunk && access) note(fields::path_of(F::trunk_vlan_switched_access));
        if (trunk || access) str(v, N::sw_mode, trunk ? "TRUNK" : "ACCESS");
        const std::pair<F, N> vlans[] = {{F::trunk_access_vlan, N::sw_access},
                                         {F::trunk_native_vlan, N::sw_native}};
        for (auto [f, n] : vlans) {
            uint64_t id = fields::kScalars[fields::index(f)].get(e);
            if (id == 0) continue;
            bool allowed = n == N::sw_native ? trunk != 0 : trunk == 0 && access != 0;
            if (allowed && is_vlan(id))
                num(v, n, id);
            else
                note(fields::path_of(f));
        }
        return v[at(N::sw_mode)].set;
    }

    void ranges(const Ext &e, Vals &v, const MatchKind &k, bool list) {
        const auto &f = e.efp;
        if (!list) {
            num(v, k.low, f.ranges[0].low);
            num(v, k.high, f.ranges[0].high);
            return;
        }
        Val &ids = v[at(k.ids)];
        ids.set = true;
        std::vector<bool> taken(4096);
        for (size_t r = 0; r < f.num_ranges; r++)
            for (uint32_t id = f.ranges[r].low; id <= f.ranges[r].high; id++)
                if (!taken[id]) taken[id] = true, ids.ids.push_back(id);
    }

    void vlan(const Ext &e, Vals &v) {
        const auto &f = e.efp;
        int n = f.num_tags;
        const int tag = static_cast<int>(fields::index(F::efp_tag));
        bool ok = n >= 1 && n <= 2;
        bool ranged[2] = {false, false};
        for (int k = 0; k < n && ok; k++) {
            uint16_t id = f.tag[k].vlan;
            if (id == EFP_VLAN_RANGE && f.num_ranges > 0)
                ranged[k] = true;
            else if (!is_vlan(id))
                ok = false, note(fields::path_text(tag, k, 1));
        }
        if (n >= 1 && !tpid_of(f.tag[0].ethertype)) note(fields::path_text(tag, 0, 0));
        if (n == 2 && f.tag[1].ethertype != 0x8100) note(fields::path_text(tag, 1, 0));
        if (ok && ranged[0] && ranged[1]) ok = false, note(fields::path_of(F::efp_ranges));
        if (ok && f.num_ranges > 0 && !ranged[0] && !ranged[1])
            note(fields::path_of(F::efp_ranges));
        bool list = f.num_ranges > 1;
        // A list gives its VLANs back as ranges sorted and merged.
        for (size_t k = 1; list && k < f.num_ranges; k++)
            if (f.ranges[k].low <= f.ranges[k - 1].high + 1) note(fields::path_of(F::efp_ranges));
        for (size_t k = 0; ok && k < f.num_ranges; k++)
            if (!is_vlan(f.ranges[k].low) || !is_vlan(f.ranges[k].high) ||
                f.ranges[k].low > f.ranges[k].high)
                ok = false, note(fields::path_of(F::efp_ranges));
        if (!ok) {
            if (n > 0 || f.num_ranges > 0) note(fields::path_of(F::efp_tag));
            return;
        }
        int8_t which = ranged[0] ? 0 : ranged[1] ? 1 : -1;
        for (const MatchKind &k : kMatches) {
            if (k.tags != n || k.ranged != which || k.both) continue;
            if (which >= 0 && (k.ids != N::count) != list) continue;
            if (which >= 0) ranges(e, v, k, list);
            if (k.outer != N::count && row(k.outer).type == T::vlans) {
                v[at(k.outer)].set = true;
                v[at(k.outer)].ids = {f.tag[0].vlan};
            } else if (k.outer != N::count) {
                num(v, k.outer, f.tag[0].vlan);
            }
            if (k.inner != N::count) num(v, k.inner, f.tag[1].vlan);
            break;
        }
        if (const Tpid *t = tpid_of(f.tag[0].ethertype))
            str(v, N::if_tpid, qualified(Mod::vlan_types, t->name));
    }

    // The rewrite: one action on one tag.
    void rewrite(const Ext &e, Vals &v) {
        const auto &f = e.efp;
        int pops = f.num_tag_pops, pushes = f.num_tag_pushes;
        if (!(e.valid_mask & ETH_IF_PLCY_EFP_REWRITE) || (pops == 0 && pushes == 0)) return;
        const Action *action = nullptr;
        for (const Action &a : kActionRows)
            if (a.pops == pops && a.pushes == pushes) action = &a;
        const Tpid *tpid = pushes == 1 ? tpid_of(f.push[0].ethertype) : nullptr;
        if (action == nullptr || (pushes == 1 && (!tpid || !is_vlan(f.push[0].vlan)))) {
            note(fields::path_of(F::efp_push));
            note(fields::path_of(F::efp_num_tag_pops));
            return;
        }
        str(v, N::in_action, action->name);
        if (pushes == 1) {
            num(v, N::in_vlan, f.push[0].vlan);
            str(v, N::in_tpid, qualified(Mod::vlan_types, tpid->name));
        }
    }
};

// OpenConfig to the policy JSON, for the policy Reader to read strictly.
template <class In, class Out>
class Reader {
  public:
    using InNode = typename In::Node;
    using OutNode = typename Out::Node;
    // strict: a leaf the policy cannot hold is refused, not noted.
    Reader(In &in, Out &out, bool strict = false) : in_(in), out_(out), strict_(strict) {}

    // name empty: the one interface; index < 0: the one sub-interface, if any.
    bool read(InNode root, std::string_view name, int64_t index, OutNode &policy) {
        name_ = name;
        index_ = index;
        if (!root || !in_.is_object(root) || !has(root, kRoot))
            return fail("/", show(root), "is not OpenConfig: no openconfig-interfaces:interfaces");
        Vals v;
        if (!walk(root, N::root, v)) return false;
        if (!v[at(N::interface)].set)
            return fail(path(N::interface), "missing;", "there is no interface to read");
        if (index_ >= 0 && sub_.empty())
            return fail(path(N::subinterface), std::to_string(index_),
                        "is no sub-interface the document holds");
        return build(v, policy);
    }
    const std::string &refusal() const { return refusal_; }
    const std::string &refusal_path() const { return refusal_path_; } // the member refused
    const std::vector<std::string> &notes() const { return notes_; }
    // The values read or named: every other member of the document lies below one.
    const std::vector<InNode> &accounted() const { return seen_; }

  private:
    In &in_;
    Out &out_;
    bool strict_;
    OutNode policy_{}, groups_[std::size(fields::kGroups)]{};
    std::string_view name_;
    int64_t index_ = -1;
    std::string if_, sub_, refusal_, refusal_path_;
    std::vector<std::string> notes_;
    std::vector<InNode> seen_;

    std::string path(N n) const { return oc::path(n, if_, sub_); }
    bool fail(const std::string &where, const std::string &value, const std::string &why) {
        refusal_ = where + ": " + value + " " + why;
        refusal_path_ = where;
        return false;
    }
    bool note(const std::string &where, const std::string &value, const std::string &why) {
        if (strict_) return fail(where, value, "is not carried (" + why + ")");
        notes_.push_back(where + ": " + value + " is not carried (" + why + ")");
        return true;
    }
    bool has(InNode obj, std::string_view key) {
        bool found = false;
        in_.each(obj, [&](std::string_view k, InNode) { found = found || k == key; });
        return found;
    }
    // A value as JSON writes it; objects as {...}.
    std::string show(InNode n) {
        if (!n || in_.is_null(n)) return "null";
        if (in_.is_bool(n)) return in_.bool_value(n) ? "true" : "false";
        if (in_.is_string(n)) return quote(in_.string(n));
        if (in_.is_int(n)) {
            int64_t v = 0;
            in_.int_value(n, v);
            return std::to_string(v);
        }
        if (in_.is_object(n)) return "{...}";
        if (in_.is_array(n)) {
            std::string s = "[";
            for (size_t i = 0; i < in_.size(n); i++)
                s += (i ? ", " : "") + show(in_.at(n, i));
            return s + "]";
        }
        return in_.show(n);
    }
    bool number(InNode n, uint64_t lo, uint64_t hi, uint64_t &out) {
        int64_t v = 0;
        if (!in_.is_int(n) || !in_.int_value(n, v) || v < 0) return false;
        out = static_cast<uint64_t>(v);
        return out >= lo && out <= hi;
    }
    static bool vlan_text(std::string_view s) {
        if (s.empty() || s.size() > 4 || s[0] == '0') return false;
        uint64_t v = 0;
        for (char c : s) {
            if (c < '0' || c > '9') return false;
            v = v * 10 + static_cast<uint64_t>(c - '0');
        }
        return is_vlan(v);
    }
    static bool mac_text(std::string_view s) {
        if (s.size() != 17) return false;
        for (size_t i = 0; i < 17; i++)
            if (i % 3 == 2 ? s[i] != ':' : !std::isxdigit(static_cast<unsigned char>(s[i])))
                return false;
        return true;
    }

    // A leaf's value checked against its row's type, into out.
    bool leaf(InNode n, const Row &r, const std::string &where, Val &out) {
        out.set = true;
        std::string_view s = in_.is_string(n) ? in_.string(n) : std::string_view();
        bool str = in_.is_string(n);
        switch (r.type) {
        case T::string:
            if (!str) return fail(where, show(n), "is not a string");
            out.s = std::string(s);
            return true;
        case T::boolean:
            if (!in_.is_bool(n)) return fail(where, show(n), "is not a boolean");
            out.n = in_.bool_value(n);
            return true;
        case T::uint16:
            if (!number(n, 0, 65535, out.n))
                return fail(where, show(n), "is not a uint16 (a number, 0 to 65535)");
            return true;
        case T::uint32:
            if (!number(n, 0, 4294967295u, out.n))
                return fail(where, show(n), "is not a uint32 (a number, 0 to 4294967295)");
            return true;
        case T::vlan:
        case T::vlan_or_qinq:
            if (number(n, 1, 4094, out.n)) return true;
            if (r.type == T::vlan_or_qinq && str) {
                size_t dot = s.find('.');
                if (dot != std::string_view::npos && vlan_text(s.substr(0, dot)) &&
                    (s.substr(dot + 1) == "*" || vlan_text(s.substr(dot + 1))))
                    return true;
                return fail(where, show(n), "is neither a VLAN ID (1 to 4094) nor a QinQ ID (x.y)");
            }
            return fail(where, show(n), "is not a VLAN ID (1 to 4094)");
        case T::vlans:
        case T::trunk: {
            if (!in_.is_array(n) || in_.size(n) == 0)
                return fail(where, show(n), "is not a list of VLAN IDs");
            std::vector<bool> taken(4095);
            for (size_t i = 0; i < in_.size(n); i++) {
                InNode e = in_.at(n, i);
                uint64_t id = 0;
                std::string_view t = in_.is_string(e) ? in_.string(e) : std::string_view();
                size_t dots = t.find("..");
                bool range = r.type == T::trunk && dots != std::string_view::npos &&
                             vlan_text(t.substr(0, dots)) && vlan_text(t.substr(dots + 2));
                if (!range && !number(e, 1, 4094, id))
                    return fail(where, show(n),
                                "holds " + show(e) + ", not a VLAN ID (1 to 4094)" +
                                    (r.type == T::trunk ? " or range (x..y)" : ""));
                if (range) continue;
                if (taken[id])
                    return fail(where, show(n), "holds " + std::to_string(id) + " twice");
                taken[id] = true;
                out.ids.push_back(id);
            }
            return true;
        }
        case T::mac:
            if (!str || !mac_text(s))
                return fail(where, show(n), "is not a MAC address (xx:xx:xx:xx:xx:xx)");
            out.s = std::string(s);
            return true;
        case T::identity: {
            std::string_view own = kModules[static_cast<size_t>(r.of)];
            size_t colon = s.find(':');
            std::string_view mod = colon == std::string_view::npos ? "" : s.substr(0, colon);
            std::string_view id = colon == std::string_view::npos ? s : s.substr(colon + 1);
            bool ok =
                str && (mod == own || (mod.empty() && r.of == r.mod)) && in_words(id, r.values);
            if (!ok)
                return fail(where, show(n),
                            "is no identity the mapping knows here (" + std::string(own) + ": " +
                                r.values + ")");
            out.s = std::string(id);
            return true;
        }
        case T::word:
            if (!str || !in_words(s, r.values))
                return fail(where, show(n), std::string("is not one of ") + r.values);
            out.s = std::string(s);
            return true;
        case T::vlan_or_name:
            if (!str && !number(n, 0, 65535, out.n))
                return fail(where, show(n), "is neither a uint16 nor a string");
            return true;
        default:
            return false;
        }
    }

    // Every member of an object below row at.
    bool walk(InNode obj, N at, Vals &v) {
        bool ok = true;
        in_.each(obj, [&](std::string_view key, InNode val) {
            if (ok) ok = member(key, val, at, v);
        });
        return ok;
    }

    const Row *child(N at, std::string_view name, int mod, const Row **other) {
        const Row *hit = nullptr;
        for (size_t i = oc::at(at) + 1; i < kNodes; i++) {
            const Row &r = kRows[i];
            if (r.parent != at || name != r.name) continue;
            (static_cast<int>(r.mod) == mod ? hit : *other) = &r;
        }
        return hit;
    }
    std::string nearest(N at, std::string_view key, std::string_view name) {
        const Row *best = nullptr;
        size_t d = SIZE_MAX;
        for (size_t i = oc::at(at) + 1; i < kNodes; i++) {
            const Row &r = kRows[i];
            if (r.parent != at) continue;
            size_t e = std::min(edit_distance(key, step(r)), edit_distance(name, r.name));
            if (e < d) d = e, best = &r;
        }
        return best ? " (nearest: " + step(*best) + ")" : "";
    }

    bool member(std::string_view key, InNode val, N at, Vals &v) {
        std::string where = path(at) + "/" + std::string(key);
        size_t colon = key.find(':');
        std::string_view prefix = colon == std::string_view::npos ? "" : key.substr(0, colon);
        std::string_view name = colon == std::string_view::npos ? key : key.substr(colon + 1);
        int mod = static_cast<int>(row(at).mod);
        if (at == N::root && prefix.empty())
            return fail(where, show(val), "needs its module's prefix, as RFC 7951 says");
        if (!prefix.empty()) {
            mod = -1;
            for (size_t m = 0; m < std::size(kModules); m++)
                if (prefix == kModules[m]) mod = static_cast<int>(m);
            if (mod < 0) {
                for (const char *m : kModules)
                    if (edit_distance(prefix, m) <= 2)
                        return fail(
                            where, show(val),
                            "names no module the mapping knows (nearest: " + std::string(m) + ")");
                seen_.push_back(val);
                return note(where, show(val),
                            "module " + std::string(prefix) + " is not one the mapping maps");
            }
        }
        const Row *other = nullptr;
        const Row *r = child(at, name, mod, &other);
        if (r == nullptr && other != nullptr && prefix.empty())
            return fail(where, show(val),
                        "needs its module's prefix (" + step(*other) + "), as RFC 7951 says");
        if (r == nullptr && name == "state")
            return fail(where, show(val), "is operational state, not configuration");
        if (r == nullptr)
            return fail(where, show(val),
                        "is no member the mapped modules define here" + nearest(at, key, name));
        where = path(at) + "/" + step(*r);
        Val &out = v[oc::at(r->id)];
        if (out.set) return fail(where, show(val), "is given twice");
        if (r->type == T::container) {
            if (!in_.is_object(val))
                return fail(where, show(val), "is not a container (an object)");
            out.set = true;
            return walk(val, r->id, v);
        }
        if (r->type == T::list) return list(val, *r, v);
        seen_.push_back(val);
        if (!leaf(val, *r, where, out)) return false;
        if (r->use == Use::noted) return note(where, show(val), r->about);
        return true;
    }

    // The list's entry this read is about; the others named.
    bool list(InNode arr, const Row &r, Vals &v) {
        bool intf = r.id == N::interface;
        std::string where = path(r.id);
        if (!in_.is_array(arr)) return fail(where, show(arr), "is not a list (an array)");
        const Row &key = row(intf ? N::if_name : N::sub_index);
        std::string want = intf ? std::string(name_) : index_ < 0 ? "" : std::to_string(index_);
        std::vector<std::string> keys;
        size_t chosen = SIZE_MAX;
        for (size_t i = 0; i < in_.size(arr); i++) {
            InNode e = in_.at(arr, i);
            if (!in_.is_object(e)) return fail(where, show(e), "is not a list entry (an object)");
            InNode k{};
            in_.each(e, [&](std::string_view m, InNode n) {
                if (m == key.name || m == qualified(key.mod, key.name)) k = n;
            });
            if (!k) return fail(where, show(e), std::string("has no key ") + key.name);
            Val kv;
            if (!leaf(k, key, where + "/" + key.name, kv)) return false;
            std::string ks = intf ? kv.s : std::to_string(kv.n);
            std::string at_key = where + "[" + key.name + "=" + ks + "]";
            if (std::find(keys.begin(), keys.end(), ks) != keys.end())
                return fail(at_key, show(k), "is a key given twice");
            keys.push_back(ks);
            if (want.empty() ? in_.size(arr) == 1 : ks == want) chosen = i;
        }
        const char *what = intf ? "interface" : "sub-interface";
        if (chosen == SIZE_MAX && !want.empty())
            return fail(where, intf ? quote(want) : want,
                        std::string("is no ") + what + " the document holds");
        if (chosen == SIZE_MAX && keys.size() > 1)
            return fail(where, show(arr),
                        "holds " + std::to_string(keys.size()) + " entries: name the " + what +
                            " to read");
        for (size_t i = 0; i < keys.size(); i++) {
            if (i == chosen) continue;
            seen_.push_back(in_.at(arr, i));
            if (!note(where + "[" + key.name + "=" + keys[i] + "]", "{...}",
                      std::string("another ") + what + " than the one read"))
                return false;
        }
        if (chosen == SIZE_MAX) return true;
        (intf ? if_ : sub_) = keys[chosen];
        v[oc::at(r.id)].set = true;
        if (!walk(in_.at(arr, chosen), r.id, v)) return false;
        // The key is a reference to config's name or index: both there, and equal.
        const Val &c = v[oc::at(intf ? N::if_config_name : N::sub_config_index)];
        std::string given = intf ? quote(c.s) : std::to_string(c.n);
        std::string cpath = path(intf ? N::if_config_name : N::sub_config_index);
        if (!c.set) return fail(cpath, "missing;", "the list key refers to it");
        if ((intf ? c.s : std::to_string(c.n)) != keys[chosen])
            return fail(cpath, given, "differs from the list key (" + keys[chosen] + ")");
        return true;
    }

    // Vals as the policy JSON, named by the description: a field under its
    // path (its group made when first needed), an entry's keys by theirs.
    static size_t group_of(fields::F f) { // std::size(kGroups): at the top
        std::string_view path = fields::path_of(f);
        size_t g = 0;
        while (g < std::size(fields::kGroups) &&
               path.substr(0, path.find('.')) != fields::kGroups[g])
            g++;
        return g;
    }
    void put(fields::F f, OutNode value) {
        std::string_view path = fields::path_of(f);
        size_t g = group_of(f);
        if (g < std::size(groups_) && !groups_[g])
            out_.set(policy_, fields::kGroups[g], groups_[g] = out_.object());
        out_.set(g < std::size(groups_) ? groups_[g] : policy_, path.substr(path.find('.') + 1),
                 value);
    }
    bool has_group(fields::F f) const { return bool(groups_[group_of(f)]); }
    OutNode tag(uint16_t ethertype, OutNode vlan) {
        constexpr const fields::Key *keys = fields::compound(fields::F::efp_tag).keys;
        OutNode t = out_.object();
        out_.set(t, keys[0].name, out_.hex(ethertype, 4));
        out_.set(t, keys[1].name, vlan);
        return t;
    }
    static std::string ids_text(const std::vector<uint64_t> &ids) {
        std::string s = "[";
        for (size_t i = 0; i < ids.size(); i++)
            s += (i ? ", " : "") + std::to_string(ids[i]);
        return s + "]";
    }

    // The ranged tag's VLANs as the policy's ranges (runs of a list merged).
    bool runs(const Vals &v, const MatchKind &k) {
        std::vector<std::pair<uint64_t, uint64_t>> runs;
        N at = k.ids;
        if (k.ids != N::count) {
            std::vector<uint64_t> ids = v[oc::at(k.ids)].ids;
            std::sort(ids.begin(), ids.end());
            for (uint64_t id : ids)
                if (!runs.empty() && id == runs.back().second + 1)
                    runs.back().second = id;
                else
                    runs.push_back({id, id});
        } else {
            const Val &lo = v[oc::at(k.low)], &hi = v[oc::at(k.high)];
            at = !lo.set ? k.low : k.high;
            if (!lo.set || !hi.set) return fail(path(at), "missing;", "a range needs both ends");
            if (hi.n < lo.n)
                return fail(path(k.high), std::to_string(hi.n),
                            std::string("is below ") + row(k.low).name + " (" +
                                std::to_string(lo.n) + ")");
            runs.push_back({lo.n, hi.n});
        }
        if (runs.size() > ETH_IF_PLCY_EXT_MAX_RANGES)
            return fail(path(at), ids_text(v[oc::at(at)].ids),
                        "needs " + std::to_string(runs.size()) +
                            " ranges, more than a record holds (" +
                            std::to_string(ETH_IF_PLCY_EXT_MAX_RANGES) + ")");
        OutNode list = out_.array();
        for (auto [lo, hi] : runs) {
            constexpr const fields::Key *keys = fields::compound(fields::F::efp_ranges).keys;
            OutNode r = out_.object();
            out_.set(r, keys[0].name, out_.integer(lo));
            out_.set(r, keys[1].name, out_.integer(hi));
            out_.append(list, r);
        }
        put(fields::F::efp_ranges, list);
        return true;
    }

    bool exact(const Vals &v, N n, uint64_t &id) {
        if (n == N::count) return true;
        const Val &x = v[oc::at(n)];
        if (!x.set) return fail(path(n), "missing;", "the match needs its VLAN ID");
        if (row(n).type == T::vlans && x.ids.size() != 1)
            return fail(path(n), ids_text(x.ids),
                        "holds " + std::to_string(x.ids.size()) +
                            " VLAN IDs: a policy's outer tag matches one");
        id = row(n).type == T::vlans ? x.ids[0] : x.n;
        return true;
    }

    bool match(const Vals &v, uint16_t outer_ethertype) {
        const MatchKind *kind = nullptr;
        for (const MatchKind &k : kMatches) {
            if (!v[oc::at(k.node)].set) continue;
            if (kind)
                return fail(path(k.node), "{...}",
                            std::string("is a second match kind beside ") + row(kind->node).name);
            kind = &k;
        }
        if (!kind) return true;
        if (kind->both)
            return fail(path(kind->node), "{...}",
                        "has ranges on both tags: a policy gives ranges to one tag at most");
        uint64_t outer = 0, inner = 0;
        if (!exact(v, kind->outer, outer) || !exact(v, kind->inner, inner)) return false;
        if (kind->ranged >= 0 && !runs(v, *kind)) return false;
        OutNode tags = out_.array();
        put(fields::F::efp_tag, tags);
        const char *range = fields::word_of(
            fields::compound(fields::F::efp_tag).keys[1].domain->words, EFP_VLAN_RANGE);
        auto id = [&](uint64_t x) { return x ? out_.integer(x) : out_.string(range); };
        out_.append(tags, tag(outer_ethertype, id(outer)));
        if (kind->tags == 2) out_.append(tags, tag(0x8100, id(inner)));
        return true;
    }

    // A TPID leaf's ethertype (out unchanged when the leaf is absent).
    bool ethertype_of(const Vals &v, N n, uint16_t &out) {
        const Val &t = v[oc::at(n)];
        if (!t.set) return true;
        for (const Tpid &x : kTpidRows)
            if (t.s == x.name) {
                out = x.ethertype;
                return true;
            }
        return fail(path(n), quote(t.s), "is no ethertype a policy holds");
    }

    bool mapping(const Vals &v) {
        const Val &a = v[oc::at(N::in_action)];
        const Action *act = nullptr;
        for (const Action &x : kActionRows)
            if (a.set && a.s == x.name) act = &x;
        for (N n : {N::in_vlan, N::in_tpid}) {
            const Val &x = v[oc::at(n)];
            if (x.set && (!act || !act->pushes) &&
                !note(path(n), n == N::in_vlan ? std::to_string(x.n) : quote(x.s),
                      act ? "POP pushes no tag" : "no vlan-stack-action uses it"))
                return false;
        }
        if (!act) return true;
        put(fields::F::efp_num_tag_pops, out_.integer(act->pops));
        OutNode list = out_.array();
        put(fields::F::efp_push, list);
        if (!act->pushes) return true;
        if (!v[oc::at(N::in_vlan)].set)
            return fail(path(N::in_vlan), "missing;",
                        std::string(act->name) + " needs the VLAN ID it writes");
        uint16_t ethertype = 0x8100;
        if (!ethertype_of(v, N::in_tpid, ethertype)) return false;
        out_.append(list, tag(ethertype, out_.integer(v[oc::at(N::in_vlan)].n)));
        return true;
    }

    // The models' conditions (when) between leaves, then the policy.
    bool build(const Vals &v, OutNode &policy) {
        auto given = [&](N n) { return v[oc::at(n)].set; };
        const Val &type = v[oc::at(N::if_type)];
        if (!type.set) return fail(path(N::if_type), "missing;", "OpenConfig requires it");
        const PortKind *kind = nullptr;
        for (const PortKind &k : kKinds)
            if (type.s == k.identity) kind = &k;
        if (given(N::ethernet) && !kind->ethernet)
            return fail(path(N::ethernet), "{...}",
                        "is allowed on ethernetCsmacd and ieee8023adLag interfaces only");
        if (given(N::routed))
            return fail(path(N::routed), "{...}", "is allowed on l3ipvlan interfaces only");
        if (given(N::hold_time) && v[oc::at(N::damp_suppress)].n && v[oc::at(N::damp_reuse)].n &&
            v[oc::at(N::damp_flap)].n)
            return fail(path(N::hold_time), "{...}", "excludes penalty-based-aied");
        const Val &mode = v[oc::at(N::sw_mode)];
        const std::pair<N, const char *> needs[] = {
            {N::sw_native, "TRUNK"}, {N::sw_trunk_vlans, "TRUNK"}, {N::sw_access, "ACCESS"}};
        for (auto [n, m] : needs)
            if (given(n) && mode.s != m)
                return fail(path(n),
                            n == N::sw_trunk_vlans ? ids_text(v[oc::at(n)].ids)
                                                   : std::to_string(v[oc::at(n)].n),
                            std::string("needs interface-mode ") + m);
        uint16_t outer = 0x8100;
        if (!ethertype_of(v, N::if_tpid, outer)) return false;
        policy = policy_ = out_.object();
        for (OutNode &g : groups_)
            g = OutNode{};
        using fields::F;
        if (given(N::if_mtu)) put(F::mtu, out_.integer(v[oc::at(N::if_mtu)].n));
        if (given(N::eth_mac)) put(F::mac_addr, out_.string(v[oc::at(N::eth_mac)].s));
        if (mode.set) {
            put(F::trunk_vlan_switched_trunk, out_.integer(mode.s == "TRUNK"));
            put(F::trunk_vlan_switched_access, out_.integer(mode.s == "ACCESS"));
        }
        for (auto [n, f] : {std::pair{N::sw_native, F::trunk_native_vlan},
                            std::pair{N::sw_access, F::trunk_access_vlan}})
            if (given(n)) put(f, out_.integer(v[oc::at(n)].n));
        if (given(N::sub_enabled)) put(F::sub_admin_up, out_.integer(v[oc::at(N::sub_enabled)].n));
        bool efp = given(N::in_action);
        for (const MatchKind &k : kMatches)
            efp = efp || given(k.node);
        if (efp) put(F::efp_configured, out_.integer(1));
        if ((efp && !match(v, outer)) || !mapping(v)) return false;
        if (has_group(F::trunk_native_vlan) &&
            (has_group(F::efp_configured) || has_group(F::sub_admin_up)))
            return fail(path(N::switched), "{...}",
                        "and a sub-interface's settings exclude each other in one policy");
        put(F::ether_if_type, out_.integer(sub_.empty() ? kind->port : kind->l2sub));
        return true;
    }
};

} // namespace eth_if_plcy::oc
