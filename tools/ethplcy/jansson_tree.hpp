// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// jansson's values as the field description's readers and writers see them.
#pragma once

#include <jansson.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace ethplcy_tool {

// jansson's values as the field description's reader sees them.
struct JanssonTree {
    using Node = json_t *;
    bool is_bool(Node n) { return json_is_boolean(n); }
    bool bool_value(Node n) { return json_is_true(n); }
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
    Node get(Node o, const char *key) { return json_object_get(o, key); }
    std::string show(Node n) {
        std::unique_ptr<char, decltype(&free)> text(json_dumps(n, JSON_ENCODE_ANY | JSON_COMPACT),
                                                    free);
        return text ? text.get() : "";
    }
    template <class F>
    void each(Node n, F f) {
        const char *key;
        size_t len;
        json_t *v;
        json_object_keylen_foreach(n, key, len, v) {
            f(std::string_view(key, len), v);
        }
    }
};

// Building jansson values; every Node is a new reference, which set and
// append take over.
struct JanssonWriteTree {
    using Node = json_t *;
    Node object() { return json_object(); }
    Node array() { return json_array(); }
    Node integer(uint64_t v) { return json_integer(static_cast<json_int_t>(v)); }
    Node string(std::string_view s) { return json_stringn(s.data(), s.size()); }
    Node boolean(bool b) { return json_boolean(b); }
    Node null() { return json_null(); }
    Node hex(uint64_t v, int digits) {
        char text[24];
        std::snprintf(text, sizeof text, "0x%0*llx", digits, static_cast<unsigned long long>(v));
        return json_string(text);
    }
    Node get(Node o, std::string_view key) { return json_object_getn(o, key.data(), key.size()); }
    void set(Node o, std::string_view key, Node v) {
        json_object_setn_new(o, key.data(), key.size(), v);
    }
    void append(Node a, Node v) { json_array_append_new(a, v); }
};

} // namespace ethplcy_tool
