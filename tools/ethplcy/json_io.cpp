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
    std::string show(Node n) {
        std::unique_ptr<char, decltype(&free)> text(json_dumps(n, JSON_ENCODE_ANY | JSON_COMPACT),
                                                    free);
        return text ? text.get() : "";
    }
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
        throw NotJson("bad JSON at line " + std::to_string(error.line) + ", column " +
                      std::to_string(error.column) + ": " + error.text);
    if (!json_is_object(root.get())) throw Failure("bad JSON: expected an object");
    JanssonTree tree;
    try {
        eth_if_plcy::fields::Reader<JanssonTree>(tree, ext).policy(root.get());
    } catch (const eth_if_plcy::fields::FieldError &e) {
        throw Failure(e.what());
    }
}

namespace {

// The value at a path such as "efp.tag[0].vlan" in a policy's JSON; null when absent.
json_t *at_path(json_t *root, const std::string &path) {
    json_t *v = root;
    size_t i = 0;
    while (v != nullptr && i < path.size()) {
        size_t end = path.find_first_of(".[", i);
        if (end == std::string::npos) end = path.size();
        if (end > i) v = json_object_get(v, path.substr(i, end - i).c_str());
        if (end < path.size() && path[end] == '[') {
            size_t close = path.find(']', end);
            v = json_array_get(v, std::strtoul(path.c_str() + end + 1, nullptr, 10));
            end = close + 1;
        }
        i = end < path.size() && path[end] == '.' ? end + 1 : end;
    }
    return v;
}

// What the JSON allows where the library's check refused: its reason, in the
// words of the JSON. A reason not listed is shown as the library gives it.
struct Allowed {
    const char *reason; // the library's reason, or its start
    const char *what;
};
constexpr Allowed kAllowed[] = {
    {"unknown interface type", "is not an interface type: write 1-21"},
    {"VLAN 4096 and 4097 are internal codes",
     R"(is not a VLAN: write "any" or "range", or 0-4095)"},
    {"VLAN is above 4095 and is not", R"(is not a VLAN: write "any" or "range", or 0-4095)"},
    {"PCP is above 7", R"(is not a PCP: write "any" or 0-7)"},
    {"imposition VLAN is above 4095", "is above 4095"},
    {"native VLAN is above 4095", "is above 4095"},
    {"access VLAN is above 4095", "is above 4095"},
    {"pushed VLAN is above 4095", "is above 4095"},
    {"more than 2 tags popped", "is above 2"},
    {"valid_mask has bits above bit 19", "has bits above bit 19 (at most 0xfffff)"},
    {"ranges given but no match tag", R"(are given, but no efp.tag has "vlan": "range")"},
    {"a match tag's VLAN is EFP_VLAN_RANGE but no ranges",
     R"(are none, but a tag has "vlan": "range")"},
    {"tag VLAN is EFP_VLAN_RANGE but its range list is empty",
     "has no ranges: give them in efp.ranges"},
};

} // namespace

std::string refusal(const Ext &ext, const char *reason, const char *field) {
    std::string text = ext_to_json(ext, true);
    Json root(json_loadb(text.data(), text.size(), 0, nullptr), json_decref);
    JanssonTree tree;
    std::string path = field;
    const auto &ranges = ext.efp.ranges;
    // A range is refused as a whole list: name the entry.
    if (path == "efp.ranges" && std::strncmp(reason, "range ", 6) == 0) {
        for (size_t k = 0; k < std::min<size_t>(ext.efp.num_ranges, ETH_IF_PLCY_EXT_MAX_RANGES);
             k++) {
            std::string entry = path + "[" + std::to_string(k) + "]";
            if (ranges[k].high > 4095)
                return entry + ".high: " + std::to_string(ranges[k].high) + " is above 4095";
            if (ranges[k].low > ranges[k].high)
                return entry + ": low " + std::to_string(ranges[k].low) + " is above high " +
                       std::to_string(ranges[k].high);
        }
    }
    json_t *value = root ? at_path(root.get(), path) : nullptr;
    std::string shown = value ? tree.show(value) + " " : std::string();
    // Reasons that start with the field's own path go on after the value.
    if (std::strncmp(reason, (path + " ").c_str(), path.size() + 1) == 0)
        return path + ": " + shown + (reason + path.size() + 1);
    for (const Allowed &a : kAllowed)
        if (std::strncmp(reason, a.reason, std::strlen(a.reason)) == 0)
            return path + ": " + shown + a.what;
    return path + ": " + reason;
}

} // namespace ethplcy_tool
