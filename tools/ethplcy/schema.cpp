// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// schema: the JSON Schema (draft 2020-12) of the policy JSON the tool reads,
// made from the field description: each field's type and range, the
// "0x..." strings and words it takes, the nested groups, the L2PT object, and
// the keys that exclude each other (sub-interface and trunk groups).
#include <jansson.h>

#include <memory>

#include "policy_fields.hpp"
#include "tool.hpp"

namespace ethplcy_tool {
namespace {

namespace f = eth_if_plcy::fields;
using Json = std::unique_ptr<json_t, decltype(&json_decref)>;

// A number as the reader takes it: a whole number up to max, a "0x..."
// string, or one of the field's words.
json_t *number(uint64_t max, f::Words words = f::Words::none) {
    json_t *any = json_array();
    json_array_append_new(any, json_pack("{s:s, s:i, s:I}", "type", "integer", "minimum", 0,
                                         "maximum", static_cast<json_int_t>(max)));
    json_array_append_new(
        any, json_pack("{s:s, s:s}", "type", "string", "pattern", "^0[xX][0-9a-fA-F]{1,16}$"));
    if (!f::words_of(words).empty()) {
        json_t *names = json_array();
        for (const f::Word &w : f::words_of(words))
            json_array_append_new(names, json_string(w.word));
        json_array_append_new(any, json_pack("{s:o}", "enum", names));
    }
    return json_pack("{s:o}", "anyOf", any);
}

json_t *object(json_t *properties, json_t *required = nullptr) {
    json_t *o = json_pack("{s:s, s:o, s:b}", "type", "object", "properties", properties,
                          "additionalProperties", 0);
    if (required) json_object_set_new(o, "required", required);
    return o;
}

json_t *array(json_t *items, size_t max) {
    return json_pack("{s:s, s:o, s:i}", "type", "array", "items", items, "maxItems",
                     static_cast<json_int_t>(max));
}

json_t *pairs(const char *a, json_t *va, const char *b, json_t *vb, size_t max) {
    return array(object(json_pack("{s:o, s:o}", a, va, b, vb), json_pack("[s, s]", a, b)), max);
}

json_t *mac() {
    return json_pack("{s:s, s:s}", "type", "string", "pattern",
                     "^[0-9a-fA-F]{1,2}(:[0-9a-fA-F]{1,2}){5}$");
}

json_t *l2pt() {
    json_t *modes = json_array();
    for (const char *m : f::kModeNames)
        json_array_append_new(modes, json_string(m));
    json_t *setting =
        object(json_pack("{s:{s:[{s:o}, o]}, s:{s:[o, {s:s}]}}", "mode", "anyOf", "enum", modes,
                         number(7), "exp", "anyOf", number(7), "type", "null"));
    json_t *protocols = json_object();
    for (const char *p : f::kL2ptNames)
        json_object_set_new(protocols, p,
                            json_pack("{s:[o, {s:s, s:i, s:i}]}", "anyOf", json_incref(setting),
                                      "type", "integer", "minimum", 0, "maximum", 255));
    json_decref(setting);
    // Or the five raw bytes.
    return json_pack("{s:[o, o]}", "anyOf", object(protocols), array(number(255), 5));
}

json_t *compound(f::Special kind) {
    using f::Special;
    using f::Words;
    switch (kind) {
    case Special::mac_addr:
    case Special::src_mac:
    case Special::dst_mac:
        return mac();
    case Special::l2pt:
        return l2pt();
    case Special::tag_pcp:
        return array(number(255, Words::pcp), 2);
    case Special::tag:
        return pairs("ethertype", number(65535, Words::ethertype), "vlan",
                     number(65535, Words::vlan), 2);
    case Special::push:
        return pairs("ethertype", number(65535, Words::ethertype), "vlan", number(65535), 2);
    case Special::ranges:
        return pairs("low", number(65535), "high", number(65535), ETH_IF_PLCY_EXT_MAX_RANGES);
    case Special::num_tags:
    case Special::num_tag_pushes:
        return number(2);
    case Special::num_ranges:
        return number(ETH_IF_PLCY_EXT_MAX_RANGES);
    case Special::tag_range_count:
        return array(number(ETH_IF_PLCY_EXT_MAX_RANGES), 2);
    }
    return nullptr;
}

// Puts a field's schema at its path, creating its group's object schema.
void put(json_t *root, std::string_view path, json_t *schema) {
    json_t *props = json_object_get(root, "properties");
    size_t dot = path.find('.');
    if (dot == std::string_view::npos)
        return (void)json_object_set_new(props, std::string(path).c_str(), schema);
    std::string group(path.substr(0, dot));
    json_t *g = json_object_get(props, group.c_str());
    if (g == nullptr) {
        g = object(json_object());
        json_object_set_new(props, group.c_str(), g);
    }
    json_object_set_new(json_object_get(g, "properties"), std::string(path.substr(dot + 1)).c_str(),
                        schema);
}

} // namespace

std::string policy_schema() {
    Json root(json_pack("{s:s, s:s, s:s}", "$schema",
                        "https://json-schema.org/draft/2020-12/schema", "title",
                        "Ethernet interface policy", "description",
                        "A policy as ethplcy encode reads it and show --json writes it: numbers, "
                        "\"0x...\" strings or words; nested groups."),
              json_decref);
    json_object_update_new(root.get(), object(json_pack("{s:{s:s}}", "$schema", "type", "string")));
    for (const f::Scalar &s : f::kScalars) {
        f::Words words = s.style == f::Style::hex4 ? f::Words::ethertype : f::Words::none;
        put(root.get(), s.path, number(s.max, words));
    }
    for (const f::Compound &c : f::kCompounds)
        put(root.get(), c.path, compound(c.kind));
    // Sub-interface and trunk fields exclude each other: not one of each.
    json_t *of_class[2] = {json_array(), json_array()};
    for (const f::Scalar &s : f::kScalars)
        for (int c = 0; c < 2; c++)
            if (s.bit & (c == 0 ? f::kSubFields : f::kTrunkFields))
                json_array_append_new(
                    of_class[c], json_pack("{s:[s]}", "required", std::strchr(s.path, '.') + 1));
    json_object_set_new(root.get(), "not",
                        json_pack("{s:[s, s], s:{s:{s:o}, s:{s:o}}}", "required", "sub", "trunk",
                                  "properties", "sub", "anyOf", of_class[0], "trunk", "anyOf",
                                  of_class[1]));
    std::unique_ptr<char, decltype(&free)> text(
        json_dumps(root.get(), JSON_PRESERVE_ORDER | JSON_INDENT(2)), free);
    if (!text) throw Failure("out of memory");
    return std::string(text.get()) + "\n";
}

} // namespace ethplcy_tool
