// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The external record as JSON people read and write: the field description
// (policy_fields.hpp) walked over jansson's values. Hexadecimal strings where
// engineers think in hex, words for the special values, L2PT by protocol
// name; counts and valid_mask may be left out (they are derived) and must
// agree with the keys when given.
#include <jansson.h>

#include <memory>

#include "policy_fields.hpp"
#include "tool.hpp"

namespace ethplcy_tool {
namespace {

using Ext = eth_if_plcy_ext_t;
using Json = std::unique_ptr<json_t, decltype(&json_decref)>;

// jansson's values as the field description's reader and writer see them.
// Nodes given to set and append are handed over (their reference is taken).
struct JanssonTree {
    using Node = json_t *;
    Node object() { return json_object(); }
    Node array() { return json_array(); }
    Node integer(uint64_t v) { return json_integer(static_cast<json_int_t>(v)); }
    Node string(std::string_view s) { return json_stringn(s.data(), s.size()); }
    Node null() { return json_null(); }
    Node hex(uint64_t v, int digits) {
        char text[24];
        snprintf(text, sizeof text, "0x%0*llx", digits, static_cast<unsigned long long>(v));
        return json_string(text);
    }
    Node get(Node o, const char *key) { return json_object_get(o, key); }
    void set(Node o, const char *key, Node v) { json_object_set_new(o, key, v); }
    void append(Node a, Node v) { json_array_append_new(a, v); }

    bool is_int(Node n) { return json_is_integer(n); }
    bool int_value(Node n, int64_t &v) {
        v = json_integer_value(n);
        return true;
    }
    bool is_string(Node n) { return json_is_string(n); }
    std::string_view string(Node n) { return {json_string_value(n), json_string_length(n)}; }
    bool is_array(Node n) { return json_is_array(n); }
    size_t size(Node n) { return json_array_size(n); }
    Node at(Node n, size_t i) { return json_array_get(n, i); }
    bool is_object(Node n) { return json_is_object(n); }
    bool is_null(Node n) { return json_is_null(n); }
    template <class F>
    void each(Node n, F f) {
        const char *key;
        json_t *v;
        json_object_foreach(n, key, v) {
            f(key, v);
        }
    }
};

} // namespace

std::string ext_to_json(const Ext &e, bool one_line) {
    JanssonTree tree;
    Json root(eth_if_plcy::fields::Writer<JanssonTree>(tree).policy(e), json_decref);
    size_t flags = JSON_PRESERVE_ORDER | (one_line ? JSON_COMPACT : JSON_INDENT(2));
    std::unique_ptr<char, decltype(&free)> text(json_dumps(root.get(), flags), free);
    if (!text) throw Failure("out of memory");
    return std::string(text.get()) + "\n";
}

void ext_from_json(const std::string &text, Ext &ext) {
    json_error_t error;
    Json root(json_loadb(text.data(), text.size(), JSON_REJECT_DUPLICATES, &error), json_decref);
    if (!root)
        throw Failure("bad JSON at line " + std::to_string(error.line) + ", column " +
                      std::to_string(error.column) + ": " + error.text);
    if (!json_is_object(root.get())) throw Failure("bad JSON: expected an object");
    JanssonTree tree;
    try {
        eth_if_plcy::fields::Reader<JanssonTree>(tree, ext).policy(root.get());
    } catch (const eth_if_plcy::fields::FieldError &e) {
        throw Failure(e.what());
    }
}

} // namespace ethplcy_tool
