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

#include "policy_table.hpp"

namespace eth_if_plcy::fields {

// The word a domain writes for v, or nullptr for a number; words: also
// where the domain only reads words (interface types, ethertypes).
inline const char *written_word(uint64_t v, const Domain &d, bool words) {
    if (d.aliases && !words) return nullptr;
    for (const Word &w : words_of(d.words))
        if (w.value == v) return w.word;
    return nullptr;
}

// How one L2PT protocol's byte is written: not at all (off, no EXP), as the
// raw byte (an EXP value without its "given" bit has no word), or as its
// mode and EXP (null when not given). Bit 7 is not stored.
struct L2ptEntry {
    enum class Kind { off, raw, object } kind;
    uint8_t byte, mode, exp;
    bool given;
};
inline L2ptEntry l2pt_entry_of(uint8_t byte) {
    uint8_t b = byte & 0x7Fu;
    bool given = (b & ETH_IF_PLCY_L2PT_EXP_GIVEN) != 0;
    auto kind = b == 0                                      ? L2ptEntry::Kind::off
                : (b & ETH_IF_PLCY_L2PT_EXP_MASK) && !given ? L2ptEntry::Kind::raw
                                                            : L2ptEntry::Kind::object;
    return {kind, b, static_cast<uint8_t>(b & ETH_IF_PLCY_L2PT_MODE_MASK),
            static_cast<uint8_t>((b & ETH_IF_PLCY_L2PT_EXP_MASK) >> ETH_IF_PLCY_L2PT_EXP_SHIFT),
            given};
}

// A MAC address as written: "00:11:22:33:44:55", no terminating NUL.
inline constexpr size_t kMacText = 17;
inline void mac_text(const uint8_t *m, char *text) {
    for (size_t i = 0; i < 6; i++) {
        text[3 * i] = "0123456789abcdef"[m[i] >> 4];
        text[3 * i + 1] = "0123456789abcdef"[m[i] & 15];
        if (i < 5) text[3 * i + 2] = ':';
    }
}

// Whether field i is written: it counts in the policy and is not derived.
inline bool written(size_t i, const Ext &e) {
    return present(i, e) && (i < kScalarCount || !kCompounds[i - kScalarCount].derived);
}

template <class Tree>
class Writer {
  public:
    using Node = typename Tree::Node;
    // words: write a value by its word where its domain only reads words
    // (interface types, ethertypes), not only where the domain writes them.
    explicit Writer(Tree &t, bool words = false) : t_(t), words_(words) {}

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

    // A number as its domain writes it: a word, decimal or hex.
    Node number(uint64_t v, const Domain &d) {
        if (const char *w = written_word(v, d, words_)) return t_.string(w);
        if (d.style == Style::dec) return t_.integer(v);
        return t_.hex(v, hex_digits(d.style));
    }

    Node mac(const uint8_t *m) {
        char text[kMacText];
        mac_text(m, text);
        return t_.string(std::string_view(text, kMacText));
    }

    // One L2PT protocol's byte: a null Node when the protocol is off with no
    // EXP; an EXP value without its "given" bit has no word (the raw byte keeps it).
    Node l2pt_entry(const Compound &c, uint8_t byte) {
        L2ptEntry l = l2pt_entry_of(byte);
        if (l.kind == L2ptEntry::Kind::off) return Node{};
        if (l.kind == L2ptEntry::Kind::raw) return t_.integer(l.byte);
        Node o = t_.object();
        t_.set(o, c.keys[0].name, number(l.mode, *c.keys[0].domain));
        t_.set(o, c.keys[1].name, l.given ? t_.integer(l.exp) : t_.null());
        return o;
    }

    // Entry i of a list-shaped compound: a pair's object, or a number.
    Node entry_node(const Ext &e, const Compound &c, size_t i) {
        if (c.shape != Shape::pairs) return number(c.access.get(e, i, -1), *c.domain);
        Node o = t_.object();
        for (int k = 0; k < 2; k++)
            t_.set(o, c.keys[k].name, number(c.access.get(e, i, k), *c.keys[k].domain));
        return o;
    }

    // A compound's value; a null Node for the derived fields.
    Node compound(const Ext &e, const Compound &c) {
        if (c.derived) return Node{};
        if (c.shape == Shape::mac) {
            uint8_t m[6];
            for (size_t i = 0; i < 6; i++)
                m[i] = static_cast<uint8_t>(c.access.get(e, i, -1));
            return mac(m);
        }
        if (c.shape == Shape::l2pt) {
            Node obj = t_.object();
            for (unsigned i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++)
                if (Node v = l2pt_entry(c, static_cast<uint8_t>(c.access.get(e, i, -1))))
                    t_.set(obj, kL2ptNames[i], v);
            return obj;
        }
        Node arr = t_.array();
        for (size_t i = 0; i < c.access.entries(e); i++)
            t_.append(arr, entry_node(e, c, i));
        return arr;
    }

  private:
    Tree &t_;
    bool words_;

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
