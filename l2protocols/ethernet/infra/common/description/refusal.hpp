// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The one wording of a refused policy, for every face (the tool, the Python
// binding): "path: value reason". The path is the field's or entry's as the
// policy JSON names it, the value as the face's writer writes it (left out
// where the policy holds none there), and the reason the strict check's rule
// gives, or what the field's domain allows.
#pragma once

#include <string>

#include "policy_check.hpp"
#include "policy_reader.hpp"
#include "policy_writer.hpp"

namespace eth_if_plcy::fields {

// The value a verdict is about, as a Writer's Node; a null Node when the
// policy holds none there (a field absent, an entry past the list's end, a
// derived field, an L2PT protocol that is off).
template <class Tree>
typename Tree::Node refused_value(Writer<Tree> &w, const Ext &e, const Verdict &v) {
    using Node = typename Tree::Node;
    if (v.field < 0 || !present(static_cast<size_t>(v.field), e)) return Node{};
    size_t f = static_cast<size_t>(v.field);
    if (f < kScalarCount) return w.number(kScalars[f].get(e), *kScalars[f].domain);
    const Compound &c = kCompounds[f - kScalarCount];
    if (c.derived) return Node{};
    if (v.index < 0 || c.shape == Shape::mac) return w.compound(e, c);
    size_t i = static_cast<size_t>(v.index);
    if (c.shape == Shape::l2pt)
        return w.l2pt_entry(c, static_cast<uint8_t>(c.access.get(e, i, -1)));
    if (i >= c.access.entries(e)) return Node{};
    if (v.key < 0) return w.entry_node(e, c, i);
    return w.number(c.access.get(e, i, v.key), *c.keys[v.key].domain);
}

// show(Node) writes a Node as JSON text (and releases it, where the Tree's
// Nodes are owned).
template <class Tree, class Show>
std::string refusal(Tree &t, const Ext &e, const Verdict &v, Show show) {
    Writer<Tree> w(t);
    std::string value;
    if (typename Tree::Node n = refused_value(w, e, v)) value = show(n) + " ";
    const char *words = v.rule && v.rule->words ? v.rule->words : nullptr;
    return std::string(v.path()) + ": " + value + (words ? words : outside(*v.domain, v.value));
}

} // namespace eth_if_plcy::fields
