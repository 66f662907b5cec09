// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Policy changes as gNMI notifications. Each field of a record has one
// leaf in each of the two trees an OpenConfig device serves, config and
// state (the applied configuration), under its interface (a port's record)
// or its sub-interface (a sub-interface's record): the OpenConfig leaf where
// the models hold the field at that level and every value it takes
// (oc_tables.hpp's carried rows that name the field alone), the
// augmentation's container (eth-if-plcy-oc:policy/config and /state, shaped
// as the YANG module) for the rest. Values are gNMI TypedValues in the
// protobuf JSON mapping; a list or leaf-list is one value, replaced whole in
// an atomic notification.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "openconfig.hpp"

namespace eth_if_plcy::gnmi {

using fields::Ext;

// The module whose container holds what OpenConfig does not.
inline constexpr const char *kModule = "eth-if-plcy-oc";
inline constexpr const char *kContainer = "policy";
// The two trees of every field, as OpenConfig serves each leaf: the
// configuration and the applied configuration the device reports.
inline constexpr std::array<const char *, 2> kTrees = {"config", "state"};

// A record's identity: its interface's name and, for a sub-interface, its index.
struct Id {
    std::string name;
    int64_t index = -1; // the port itself
    bool sub() const { return index >= 0; }
    bool operator<(const Id &o) const { return std::tie(name, index) < std::tie(o.name, o.index); }
    bool operator==(const Id &o) const = default;
};

// Whether a record is a sub-interface's (its type or its fields say so), or
// a port's (a trunk type or trunk fields).
inline bool sub_record(const Ext &e) {
    return fields::class_of(e) == fields::Cls::sub || (e.valid_mask & fields::kSubFields) != 0;
}
inline bool port_record(const Ext &e) {
    return fields::class_of(e) == fields::Cls::trunk || (e.valid_mask & fields::kTrunkFields) != 0;
}
// Why an identity contradicts its record (a sub-interface's record without
// an index, a port's with one), saying what to write; nullptr when it does
// not. A record of both classes breaks the class rules itself: either holds.
inline const char *identity_refusal(const Id &id, const Ext &e) {
    bool sub = sub_record(e), port = port_record(e);
    if (sub && !port && !id.sub())
        return "a sub-interface's record (its type or sub fields) without an index: give "
               "the sub-interface's \"index\"";
    if (port && !sub && id.sub())
        return "a port's record (its type or trunk fields) with an index: leave \"index\" out "
               "for the port itself";
    return nullptr;
}

// A value as gNMI's TypedValue (protobuf JSON), and as people read it.
struct Value {
    std::string json, text;
    bool operator==(const Value &o) const { return json == o.json; }
};
// A leaf by its path below the record's prefix; whole: a list or leaf-list.
struct Leaf {
    std::string path;
    Value value;
    bool whole = false;
};
using Leaves = std::vector<Leaf>; // sorted by path
using State = std::map<Id, Leaves>;

// An OpenConfig leaf that is a field's path: at the port's or a
// sub-interface's own level, its type holding every value of the field; in
// each tree (kTrees), the row's configuration leaf and its state twin.
// ethernet: below the ethernet container, which the models allow only on
// some kinds of port (on the others the field keeps the module's path).
struct OcPath {
    size_t field;
    bool sub;
    oc::T type;
    std::array<std::string, kTrees.size()> paths;
    bool ethernet;
};
inline bool holds_every_value(oc::T t, size_t i) {
    if (i >= fields::kScalarCount)
        return t == oc::T::mac &&
               fields::kCompounds[i - fields::kScalarCount].shape == fields::Shape::mac;
    const fields::Domain &d = *fields::kScalars[i].domain;
    bool plain = d.words == fields::Words::none && d.style == fields::Style::dec && d.lo == 0;
    if (t == oc::T::boolean) return plain && d.wide == 1;
    if (t == oc::T::uint16) return plain && d.wide <= UINT16_MAX;
    if (t == oc::T::uint32) return plain && d.wide <= UINT32_MAX;
    return false;
}
inline const std::vector<OcPath> &oc_paths() {
    static const std::vector<OcPath> paths = [] {
        std::vector<OcPath> out;
        for (const oc::Row &r : oc::kRows) {
            std::optional<fields::F> f = fields::find_field(r.about);
            if (r.use != oc::Use::carried || !f || !holds_every_value(r.type, fields::index(*f)))
                continue;
            OcPath o{fields::index(*f), false, r.type, {}, false};
            for (size_t t = 0; t < kTrees.size(); t++) {
                std::string p = oc::step(r);
                oc::N n = r.parent;
                for (; n != oc::N::interface && n != oc::N::subinterface; n = oc::row(n).parent) {
                    bool config = std::string_view(oc::row(n).name) == "config";
                    p = (config ? std::string(kTrees[t]) : oc::step(oc::row(n))) + "/" + p;
                    o.ethernet = o.ethernet || n == oc::N::ethernet;
                }
                o.sub = n == oc::N::subinterface;
                o.paths[t] = p;
            }
            out.push_back(o);
        }
        return out;
    }();
    return paths;
}
inline const OcPath *oc_path(size_t field, const Ext &e, bool sub) {
    const oc::PortKind *kind =
        (e.valid_mask & ETH_IF_PLCY_ETHER_IF_TYPE) ? oc::kind_of(e.ether_if_type) : nullptr;
    for (const OcPath &p : oc_paths())
        if (p.field == field && p.sub == sub && (!p.ethernet || (kind && kind->ethernet)))
            return &p;
    return nullptr;
}

inline std::string base64(std::string_view in) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < in.size(); i += 3) {
        size_t rest = in.size() - i;
        uint32_t n = static_cast<uint32_t>(static_cast<uint8_t>(in[i])) << 16;
        if (rest > 1) n |= static_cast<uint32_t>(static_cast<uint8_t>(in[i + 1])) << 8;
        if (rest > 2) n |= static_cast<uint8_t>(in[i + 2]);
        out += kDigits[n >> 18 & 63u];
        out += kDigits[n >> 12 & 63u];
        out += rest > 1 ? kDigits[n >> 6 & 63u] : '=';
        out += rest > 2 ? kDigits[n & 63u] : '=';
    }
    return out;
}

// The policy as the field description's Writer makes it, kept as a tree of
// nodes to walk into leaves.
class Flat {
  public:
    using Node = size_t; // 0: none
    struct Item {
        char kind; // o(bject) a(rray) i(nteger) s(tring) n(ull)
        uint64_t n = 0;
        std::string s;
        std::vector<std::pair<std::string_view, Node>> members;
        std::vector<Node> items;
    };
    Node object() { return make('o'); }
    Node array() { return make('a'); }
    Node null() { return make('n'); }
    Node integer(uint64_t v) {
        Node n = make('i');
        items_[n - 1].n = v;
        return n;
    }
    Node string(std::string_view v) {
        Node n = make('s');
        items_[n - 1].s = v;
        return n;
    }
    Node hex(uint64_t v, int digits) {
        char text[24];
        std::snprintf(text, sizeof text, "0x%0*llx", digits, static_cast<unsigned long long>(v));
        return string(text);
    }
    Node get(Node o, std::string_view key) const {
        for (const auto &[k, v] : items_[o - 1].members)
            if (k == key) return v;
        return 0;
    }
    void set(Node o, std::string_view key, Node v) { items_[o - 1].members.emplace_back(key, v); }
    void append(Node a, Node v) { items_[a - 1].items.push_back(v); }
    const Item &at(Node n) const { return items_[n - 1]; }
    // A node as RFC 7951 JSON (compact).
    std::string json(Node n) const {
        const Item &it = at(n);
        switch (it.kind) {
        case 'i':
            return std::to_string(it.n);
        case 's':
            return oc::quote(it.s);
        case 'a': {
            std::string out = "[";
            for (Node c : it.items)
                out += (out.size() > 1 ? "," : "") + json(c);
            return out + "]";
        }
        case 'o': {
            std::string out = "{";
            for (const auto &[k, v] : it.members)
                out += (out.size() > 1 ? "," : "") + oc::quote(k) + ":" + json(v);
            return out + "}";
        }
        }
        return "null";
    }

  private:
    Node make(char kind) {
        items_.push_back(Item{kind, 0, {}, {}, {}});
        return items_.size();
    }
    std::vector<Item> items_;
};

// A scalar node as a TypedValue of its leaf's type.
inline Value scalar(const Flat &t, Flat::Node n, std::optional<oc::T> oc_type = std::nullopt) {
    const Flat::Item &it = t.at(n);
    if (oc_type == oc::T::boolean) {
        const char *b = it.n != 0 ? "true" : "false";
        return {std::string("{\"boolVal\":") + b + "}", b};
    }
    if (it.kind == 'i')
        return {"{\"uintVal\":\"" + std::to_string(it.n) + "\"}", std::to_string(it.n)};
    return {"{\"stringVal\":" + oc::quote(it.s) + "}", it.s};
}

// Every leaf of a record (sub: a sub-interface's), by path.
inline Leaves leaves(const Ext &e, bool sub) {
    Flat t;
    fields::Writer<Flat> w(t);
    Flat::Node root = w.policy(e);
    Leaves out;
    // A leaf in both trees: path gives its path in tree t (kTrees).
    auto both = [&](auto path, const Value &v, bool whole = false) {
        for (size_t tree = 0; tree < kTrees.size(); tree++)
            out.push_back({path(tree), v, whole});
    };
    auto leaf = [&](std::string_view field, std::string_view below, Flat::Node n) {
        std::optional<fields::F> f = fields::find_field(field);
        const OcPath *o = f && below.empty() ? oc_path(fields::index(*f), e, sub) : nullptr;
        if (o != nullptr)
            return both([&](size_t tree) { return o->paths[tree]; }, scalar(t, n, o->type));
        std::string below_tree(field);
        std::replace(below_tree.begin(), below_tree.end(), '.', '/');
        below_tree += below;
        auto path = [&](size_t tree) {
            return std::string(kModule) + ":" + kContainer + "/" + kTrees[tree] + "/" + below_tree;
        };
        const Flat::Item &it = t.at(n);
        if (it.kind != 'a') return both(path, scalar(t, n));
        if (it.items.empty()) return; // YANG has no empty list: it is not there
        std::string text = t.json(n);
        if (t.at(it.items[0]).kind == 'o')
            return both(path, {"{\"jsonIetfVal\":\"" + base64(text) + "\"}", text}, true);
        std::string elements;
        for (Flat::Node c : it.items)
            elements += (elements.empty() ? "" : ",") + scalar(t, c).json;
        both(path, {"{\"leaflistVal\":{\"element\":[" + elements + "]}}", text}, true);
    };
    for (const auto &[key, v] : t.at(root).members) {
        bool group = fields::is_group(key);
        if (!group && key != fields::path_of(fields::F::l2pt)) {
            leaf(key, "", v);
            continue;
        }
        for (const auto &[k2, v2] : t.at(v).members) {
            if (group) {
                leaf(std::string(key) + "." + std::string(k2), "", v2);
                continue;
            }
            // An L2PT protocol as the YANG module has it: mode and exp, or its byte.
            std::string below = "/" + std::string(k2) + "/";
            if (t.at(v2).kind == 'i') {
                leaf(key, below + "byte", v2);
                continue;
            }
            for (const auto &[k3, v3] : t.at(v2).members)
                if (t.at(v3).kind != 'n') leaf(key, below + std::string(k3), v3);
        }
    }
    std::sort(out.begin(), out.end(), [](const Leaf &a, const Leaf &b) { return a.path < b.path; });
    return out;
}

// A key value in a path string: "]" and "\\" escaped as gNMI's path strings
// escape them, and a line break written \n so that one change stays one line.
inline std::string key_text(std::string_view v) {
    std::string out;
    for (char c : v) {
        if (c == ']' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out;
}

// A record's prefix as people write a path.
inline std::string prefix_text(const Id &id) {
    std::string p = "/interfaces/interface[name=" + key_text(id.name) + "]";
    if (id.sub()) p += "/subinterfaces/subinterface[index=" + std::to_string(id.index) + "]";
    return p;
}

struct Update {
    std::string path;
    Value value;
    std::optional<std::string> old; // its value before, for people
    uint32_t duplicates = 0;        // values coalesced into this one (a slow subscriber's)
};
// One Notification: a record's changes ("" deletes the prefix itself).
struct Notification {
    Id id;
    bool atomic = false;
    std::vector<std::string> deletes;
    std::vector<Update> updates;
};

// The changes of one record from a to b (either may be empty).
inline void record_changes(const Id &id, const Leaves &a, const Leaves &b,
                           std::vector<Notification> &out) {
    Notification main{id, false, {}, {}};
    std::vector<Notification> whole;
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        int order = i == a.size() ? 1 : j == b.size() ? -1 : a[i].path.compare(b[j].path);
        if (order < 0) {
            main.deletes.push_back(a[i++].path);
            continue;
        }
        const Leaf &n = b[j++];
        const Leaf *o = order == 0 ? &a[i++] : nullptr;
        if (o != nullptr && o->value == n.value) continue;
        Update u{n.path, n.value, o ? std::optional(o->value.text) : std::nullopt, 0};
        if (n.whole)
            whole.push_back({id, true, {}, {u}});
        else
            main.updates.push_back(u);
    }
    if (!main.deletes.empty() || !main.updates.empty()) out.push_back(main);
    out.insert(out.end(), whole.begin(), whole.end());
}

// Whether a state holds a record of the interface name.
inline bool has_name(const State &s, const std::string &name) {
    auto it = s.lower_bound(Id{name, INT64_MIN});
    return it != s.end() && it->first.name == name;
}

// A record gone (its leaves were old): a sub-interface's prefix, a port's
// leaves one by one while its sub-interfaces stay (left: the interface still
// has a record), or the interface whole when nothing of it is left.
inline void record_gone(const Id &id, const Leaves &old, bool left,
                        std::vector<Notification> &out) {
    if (!left)
        out.push_back({Id{id.name, -1}, false, {""}, {}});
    else if (id.sub())
        out.push_back({id, false, {""}, {}});
    else
        record_changes(id, old, {}, out);
}

// The notifications that turn state a into state b, by interface and
// sub-interface in order; an interface deleted whole is deleted once.
inline std::vector<Notification> notifications(const State &a, const State &b) {
    std::vector<Notification> out;
    static const Leaves kNone;
    std::string gone; // the interface last deleted whole
    auto ia = a.begin();
    auto ib = b.begin();
    while (ia != a.end() || ib != b.end()) {
        bool take_a = ib == b.end() || (ia != a.end() && !(ib->first < ia->first));
        bool take_b = ia == a.end() || (ib != b.end() && !(ia->first < ib->first));
        const Id &id = take_a ? ia->first : ib->first;
        if (take_a && !take_b) {
            bool left = has_name(b, id.name);
            if (left || gone != id.name) record_gone(id, ia->second, left, out);
            if (!left) gone = id.name;
        } else {
            record_changes(id, take_a ? ia->second : kNone, ib->second, out);
        }
        if (take_a) ++ia;
        if (take_b) ++ib;
    }
    return out;
}

// A target's current state, changed one record at a time (as a server reads
// them): each change returns its notifications, those notifications() gives
// for the states before and after it, without a diff of the whole state.
class Tracker {
  public:
    explicit Tracker(State s = {}) : state_(std::move(s)) {}
    // A record (its policy) for id, new or changed.
    std::vector<Notification> put(const Id &id, const Ext &e) {
        return put(id, leaves(e, id.sub()));
    }
    std::vector<Notification> put(const Id &id, Leaves now) {
        std::vector<Notification> out;
        Leaves &held = state_[id];
        record_changes(id, held, now, out);
        held = std::move(now);
        return out;
    }
    // A record gone; nothing when id has none.
    std::vector<Notification> erase(const Id &id) {
        std::vector<Notification> out;
        auto it = state_.find(id);
        if (it == state_.end()) return out;
        Leaves old = std::move(it->second);
        state_.erase(it);
        record_gone(id, old, has_name(state_, id.name), out);
        return out;
    }
    // The whole state as updates (a subscription's initial state).
    std::vector<Notification> updates() const { return notifications({}, state_); }
    const State &state() const { return state_; }

  private:
    State state_;
};

// A path's elements as gNMI's Path message in the protobuf JSON mapping.
inline std::string path_json(const std::string &below, const Id *prefix = nullptr) {
    std::string elems;
    auto elem = [&](std::string_view name, const char *key = nullptr, std::string value = "") {
        elems += (elems.empty() ? "" : ",") + std::string("{\"name\":") + oc::quote(name) +
                 (key ? ",\"key\":{\"" + std::string(key) + "\":" + oc::quote(value) + "}" : "") +
                 "}";
    };
    if (prefix != nullptr) {
        elem("interfaces");
        elem("interface", "name", prefix->name);
        if (prefix->sub()) {
            elem("subinterfaces");
            elem("subinterface", "index", std::to_string(prefix->index));
        }
    }
    for (size_t at = 0; at < below.size();) {
        size_t slash = std::min(below.find('/', at), below.size());
        elem(std::string_view(below).substr(at, slash - at));
        at = slash + 1;
    }
    return elems.empty() ? "{}" : "{\"elem\":[" + elems + "]}";
}

// A Notification as one line of JSON (gNMI's message, protobuf JSON mapping).
inline std::string to_json(const Notification &n, uint64_t timestamp) {
    std::string out =
        "{\"timestamp\":\"" + std::to_string(timestamp) + "\",\"prefix\":" + path_json("", &n.id);
    if (!n.updates.empty()) {
        out += ",\"update\":[";
        for (size_t i = 0; i < n.updates.size(); i++)
            out += (i ? "," : "") + std::string("{\"path\":") + path_json(n.updates[i].path) +
                   ",\"val\":" + n.updates[i].value.json +
                   (n.updates[i].duplicates != 0
                        ? ",\"duplicates\":" + std::to_string(n.updates[i].duplicates)
                        : std::string()) +
                   "}";
        out += "]";
    }
    if (!n.deletes.empty()) {
        out += ",\"delete\":[";
        for (size_t i = 0; i < n.deletes.size(); i++)
            out += (i ? "," : "") + path_json(n.deletes[i]);
        out += "]";
    }
    return out + (n.atomic ? ",\"atomic\":true}\n" : "}\n");
}

// A Notification for people: "m path: old -> new", "+ path: new", "- path".
inline std::string to_text(const Notification &n) {
    std::string prefix = prefix_text(n.id), out;
    for (const std::string &d : n.deletes)
        out += "- " + prefix + (d.empty() ? "" : "/" + d) + "\n";
    for (const Update &u : n.updates)
        out += (u.old ? "m " : "+ ") + prefix + "/" + u.path + ": " +
               (u.old ? *u.old + " -> " : "") + u.value.text + "\n";
    return out;
}

} // namespace eth_if_plcy::gnmi
