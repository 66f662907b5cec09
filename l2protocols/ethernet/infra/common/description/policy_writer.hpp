// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Writing a policy as a tree of values (the tool's JSON text, Python's
// objects) by walking the field description: every field that counts in the
// policy, numbers in their domain's style, words for special values.
//
// Tree: Node, object(), array(), integer(u64), string(sv), null(), hex(v,
// digits) (a "0x..." string, or the number itself where hex is only a way of
// writing), get(obj, key) (null Node when absent), set(obj, key, v),
// append(arr, v). Keys are string_views into the description's own constant
// strings: they live as long as the program.
#pragma once

#include <cstdio>

#include "policy_table.hpp"

namespace eth_if_plcy::fields {

template <class Tree>
class Writer {
  public:
    using Node = typename Tree::Node;
    explicit Writer(Tree &t) : t_(t) {}

    Node policy(const Ext &e) {
        Node root = t_.object();
        for (size_t i = 0; i < kScalarCount; i++)
            if (present(i, e))
                put(root, kScalars[i].path, number(kScalars[i].get(e), *kScalars[i].domain));
        for (size_t i = 0; i < std::size(kCompounds); i++)
            if (present(kScalarCount + i, e))
                if (Node v = compound(e, kCompounds[i])) put(root, kCompounds[i].path, v);
        return root;
    }

  private:
    Tree &t_;

    Node number(uint64_t v, const Domain &d) {
        for (const Word &w : words_of(d.words))
            if (w.value == v && !d.aliases) return t_.string(w.word);
        if (d.style == Style::dec) return t_.integer(v);
        return t_.hex(v, hex_digits(d.style));
    }

    Node mac(const uint8_t *m) {
        char text[18];
        std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", m[0], m[1], m[2], m[3],
                      m[4], m[5]);
        return t_.string(text);
    }

    Node pair(const Compound &c, uint64_t a, uint64_t b) {
        Node o = t_.object();
        t_.set(o, c.keys[0].name, number(a, *c.keys[0].domain));
        t_.set(o, c.keys[1].name, number(b, *c.keys[1].domain));
        return o;
    }

    // Protocols that are off with no EXP are left out.
    Node l2pt(const Compound &c, const uint8_t *l2pt) {
        Node obj = t_.object();
        for (unsigned i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++) {
            uint8_t b = l2pt[i] & 0x7Fu; // bit 7 is not stored
            if (b == 0) continue;
            // An EXP value without its "given" bit has no word: the raw byte keeps it.
            if ((b & ETH_IF_PLCY_L2PT_EXP_MASK) && !(b & ETH_IF_PLCY_L2PT_EXP_GIVEN)) {
                t_.set(obj, kL2ptNames[i], t_.integer(b));
                continue;
            }
            Node o = t_.object();
            t_.set(o, c.keys[0].name, number(b & ETH_IF_PLCY_L2PT_MODE_MASK, *c.keys[0].domain));
            t_.set(o, c.keys[1].name,
                   (b & ETH_IF_PLCY_L2PT_EXP_GIVEN)
                       ? t_.integer((b & ETH_IF_PLCY_L2PT_EXP_MASK) >> ETH_IF_PLCY_L2PT_EXP_SHIFT)
                       : t_.null());
            t_.set(obj, kL2ptNames[i], o);
        }
        return obj;
    }

    Node compound(const Ext &e, const Compound &c) {
        const auto &f = e.efp;
        size_t tags_n = std::min<size_t>(f.num_tags, kMaxTags);
        Node arr{};
        switch (c.kind) {
        case Special::mac_addr:
            return mac(e.mac_addr);
        case Special::src_mac:
            return mac(f.src_mac);
        case Special::dst_mac:
            return mac(f.dst_mac);
        case Special::l2pt:
            return l2pt(c, e.l2pt);
        case Special::tag_pcp:
            arr = t_.array();
            for (size_t i = 0; i < tags_n; i++)
                t_.append(arr, number(f.tag_pcp[i], *c.domain));
            return arr;
        case Special::tag:
        case Special::push: {
            bool push = c.kind == Special::push;
            size_t n = push ? std::min<size_t>(f.num_tag_pushes, kMaxTags) : tags_n;
            arr = t_.array();
            for (size_t i = 0; i < n; i++) {
                const eth_if_plcy_efp_tag_t &tag = push ? f.push[i] : f.tag[i];
                t_.append(arr, pair(c, tag.ethertype, tag.vlan));
            }
            return arr;
        }
        case Special::ranges:
            arr = t_.array();
            for (size_t k = 0; k < std::min<size_t>(f.num_ranges, ETH_IF_PLCY_EXT_MAX_RANGES); k++)
                t_.append(arr, pair(c, f.ranges[k].low, f.ranges[k].high));
            return arr;
        default:
            return Node{}; // derived counts are not written
        }
    }

    // Puts value at path, creating its group object on first use.
    void put(Node root, std::string_view path, Node value) {
        size_t dot = path.find('.');
        if (dot == std::string_view::npos) return t_.set(root, path, value);
        std::string_view group = path.substr(0, dot);
        Node obj = t_.get(root, group);
        if (!obj) {
            obj = t_.object();
            t_.set(root, group, obj);
        }
        t_.set(obj, path.substr(dot + 1), value);
    }
};

} // namespace eth_if_plcy::fields
