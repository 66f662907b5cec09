// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// schema: the JSON Schema (draft 2020-12) of the policy JSON that encode
// takes, made from the field description: each field's domain (whole
// numbers, "0x..." strings whose value lies in it, words), its sentence and
// default, the compound shapes and their limits, and the dependencies and
// rules between fields that a schema can say. What it cannot say (a range's
// low above its high, counts and valid_mask that disagree with the keys) is
// left to encode.
#include <jansson.h>

#include <memory>

#include "policy_check.hpp"
#include "tool.hpp"

namespace ethplcy_tool {
namespace {

namespace f = eth_if_plcy::fields;
using Json = std::unique_ptr<json_t, decltype(&json_decref)>;

// ---- "0x..." strings whose value lies in a range ------------------------------

const char kDigits[] = "0123456789abcdef";

size_t digit(char c) {
    return static_cast<size_t>(std::strchr(kDigits, c) - kDigits);
}

// The hex digits from a to b, either case: "7", "[0-9a-cA-C]".
std::string hex_class(size_t a, size_t b) {
    std::string cls;
    for (size_t d = a; d <= b; d++) {
        cls += kDigits[d];
        if (d >= 10) cls += static_cast<char>(kDigits[d] - 'a' + 'A');
    }
    return cls.size() == 1 ? cls : "[" + cls + "]";
}

// A pattern for the hex numerals of equal length from a to b (lower case).
std::string span(const std::string &a, const std::string &b) {
    size_t n = a.size(), a0 = digit(a[0]), b0 = digit(b[0]);
    if (n == 1) return hex_class(a0, b0);
    if (a0 == b0) return hex_class(a0, a0) + span(a.substr(1), b.substr(1));
    std::string rest = "[0-9a-fA-F]{" + std::to_string(n - 1) + "}";
    if (a.find_first_not_of('0', 1) == std::string::npos &&
        b.find_first_not_of('f', 1) == std::string::npos)
        return hex_class(a0, b0) + rest;
    std::string alt = hex_class(a0, a0) + "(?:" + span(a.substr(1), std::string(n - 1, 'f')) +
                      ")|" + hex_class(b0, b0) +
                      "(?:" + span(std::string(n - 1, '0'), b.substr(1)) + ")";
    if (a0 + 1 < b0) alt += "|" + hex_class(a0 + 1, b0 - 1) + rest;
    return alt;
}

std::string hex(uint64_t v) {
    char text[20];
    std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(v));
    return text;
}

// "0x" and at most 16 digits, leading zeros allowed, for a value from lo to hi.
std::string hex_alternatives(uint64_t lo, uint64_t hi) {
    std::string out;
    for (size_t n = 1; n <= 16; n++) {
        uint64_t first = n == 1 ? 0 : uint64_t{1} << (4 * (n - 1));
        uint64_t last = n == 16 ? UINT64_MAX : (uint64_t{1} << (4 * n)) - 1;
        uint64_t a = std::max(lo, first), b = std::min(hi, last);
        if (a > b) continue;
        std::string ha = hex(a), hb = hex(b);
        ha.insert(0, n - ha.size(), '0');
        out += (out.empty() ? "" : "|") + std::string("0{0,") + std::to_string(16 - n) +
               "}(?:" + span(ha, hb) + ")";
    }
    return out;
}

json_t *hex_string(const std::string &alternatives) {
    return json_pack("{s:s, s:s}", "type", "string", "pattern",
                     ("^0[xX](?:" + alternatives + ")$").c_str());
}

// A number as the reader takes it: a whole number in the domain, a "0x..."
// string of one, or one of its words (as a word or as its value).
json_t *number(const f::Domain &d) {
    json_t *any = json_array();
    json_array_append_new(any, json_pack("{s:s, s:I, s:I}", "type", "integer", "minimum",
                                         static_cast<json_int_t>(d.lo), "maximum",
                                         static_cast<json_int_t>(d.hi)));
    std::string alternatives = hex_alternatives(d.lo, d.hi);
    if (!f::words_of(d.words).empty()) {
        json_t *names = json_array(), *values = json_array();
        for (const f::Word &w : f::words_of(d.words)) {
            json_array_append_new(names, json_string(w.word));
            if (w.value < d.lo || w.value > d.hi) {
                json_array_append_new(values, json_integer(static_cast<json_int_t>(w.value)));
                alternatives += "|" + hex_alternatives(w.value, w.value);
            }
        }
        json_array_append_new(any, json_pack("{s:o}", "enum", names));
        if (json_array_size(values) != 0)
            json_array_append_new(any, json_pack("{s:o}", "enum", values));
        else
            json_decref(values);
    }
    json_array_append_new(any, hex_string(alternatives));
    return json_pack("{s:o}", "anyOf", any);
}

// Exactly the value v, in any way the reader takes it.
json_t *value(uint64_t v) {
    return json_pack("{s:[{s:I}, o]}", "anyOf", "const", static_cast<json_int_t>(v),
                     hex_string(hex_alternatives(v, v)));
}

// Any value whose bit is set in a set of up to 32 values.
// The interface types of a set, as numbers, hex strings and names.
json_t *one_of(uint32_t set) {
    json_t *ints = json_array();
    std::string alternatives;
    for (unsigned v = 0; v < 32; v++)
        if (set >> v & 1u) {
            json_array_append_new(ints, json_integer(v));
            if (const char *w = f::word_of(f::Words::iftype, v))
                json_array_append_new(ints, json_string(w));
            alternatives += (alternatives.empty() ? "" : "|") + hex_alternatives(v, v);
        }
    return json_pack("{s:[{s:o}, o]}", "anyOf", "enum", ints, hex_string(alternatives));
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

json_t *mac() {
    return json_pack("{s:s, s:s}", "type", "string", "pattern",
                     "^[0-9a-fA-F]{2}(:[0-9a-fA-F]{2}){5}$");
}

json_t *l2pt(const f::Compound &c) {
    json_t *setting =
        object(json_pack("{s:o, s:{s:[o, {s:s}]}}", c.keys[0].name, number(*c.keys[0].domain),
                         c.keys[1].name, "anyOf", number(*c.keys[1].domain), "type", "null"),
               json_pack("[s]", c.keys[0].name));
    json_t *raw = json_pack("{s:s, s:I, s:I}", "type", "integer", "minimum",
                            static_cast<json_int_t>(c.domain->lo), "maximum",
                            static_cast<json_int_t>(c.domain->hi));
    json_t *protocols = json_object();
    for (const char *p : f::kL2ptNames)
        json_object_set_new(protocols, p, json_pack("{s:[O, O]}", "anyOf", setting, raw));
    json_decref(setting);
    json_decref(raw);
    // Or the five raw bytes.
    return json_pack("{s:[o, o]}", "anyOf", object(protocols), array(number(*c.domain), c.max));
}

json_t *compound(const f::Compound &c) {
    switch (c.shape) {
    case f::Shape::mac:
        return mac();
    case f::Shape::l2pt:
        return l2pt(c);
    case f::Shape::list:
        return array(number(*c.domain), c.max);
    case f::Shape::pairs:
        return array(object(json_pack("{s:o, s:o}", c.keys[0].name, number(*c.keys[0].domain),
                                      c.keys[1].name, number(*c.keys[1].domain)),
                            json_pack("[s, s]", c.keys[0].name, c.keys[1].name)),
                     c.max);
    case f::Shape::count:
        return number(*c.domain);
    }
    return nullptr;
}

// A field's schema with its sentence and default.
json_t *annotated(json_t *schema, const char *about, const char *dflt) {
    json_object_set_new(schema, "description", json_string(about));
    if (dflt != nullptr) json_object_set_new(schema, "default", json_loads(dflt, 0, nullptr));
    return schema;
}

// The object schema of the group a path lies in (the root for a plain key).
json_t *group_of(json_t *root, std::string_view path) {
    size_t dot = path.find('.');
    if (dot == std::string_view::npos) return root;
    json_t *props = json_object_get(root, "properties");
    std::string group(path.substr(0, dot));
    json_t *g = json_object_get(props, group.c_str());
    if (g == nullptr) {
        g = object(json_object());
        json_object_set_new(props, group.c_str(), g);
    }
    return g;
}

std::string key_of(std::string_view path) {
    size_t dot = path.find('.');
    return std::string(dot == std::string_view::npos ? path : path.substr(dot + 1));
}

void put(json_t *root, std::string_view path, json_t *schema) {
    json_object_set_new(json_object_get(group_of(root, path), "properties"), key_of(path).c_str(),
                        schema);
}

void rule(json_t *in, json_t *schema) {
    json_t *all = json_object_get(in, "allOf");
    if (all == nullptr) json_object_set_new(in, "allOf", all = json_array());
    json_array_append_new(all, schema);
}

// "key is 1" inside a group.
json_t *is_one(const std::string &key) {
    return json_pack("{s:{s:o}, s:[s]}", "properties", key.c_str(), value(1), "required",
                     key.c_str());
}

json_t *if_not_one(const std::string &key, json_t *then, json_t *otherwise = nullptr) {
    json_t *r = json_pack("{s:{s:o}, s:o}", "if", "not", is_one(key), "then", then);
    if (otherwise != nullptr) json_object_set_new(r, "else", otherwise);
    return r;
}

std::string group_name(const char *path) {
    return std::string(path, std::strchr(path, '.'));
}

// Dependencies: a field counts only while the field it needs is 1.
void dependencies(json_t *root) {
    for (const f::Scalar &s : f::kScalars) { // the provisioning details' group
        if (s.dep != f::Dep::provisioned) continue;
        rule(root, if_not_one(f::needs_of(s.dep).field,
                              json_pack("{s:{s:{s:i}}}", "properties", group_name(s.path).c_str(),
                                        "maxProperties", 0)));
        break;
    }
    std::string configured = f::needs_of(f::Dep::efp).field;
    json_t *efp = group_of(root, configured);
    rule(efp, if_not_one(key_of(configured), json_pack("{s:{s:[s]}}", "propertyNames", "enum",
                                                       key_of(configured).c_str())));
    // A MAC match address only with its check, and a check only with an address.
    for (const f::Compound &c : f::kCompounds) {
        if (c.dep != f::Dep::src_mac_check && c.dep != f::Dep::dst_mac_check) continue;
        std::string key = key_of(c.path), check = key_of(f::needs_of(c.dep).field);
        rule(efp, if_not_one(check, json_pack("{s:{s:[s]}}", "not", "required", key.c_str())));
        // Said at the check flag, where encode says it.
        json_t *address =
            json_pack("{s:[s], s:{s:{s:{s:s}}}}", "required", key.c_str(), "properties",
                      key.c_str(), "not", "pattern", "^0{2}(:0{2}){5}$");
        rule(efp, json_pack("{s:{s:o}, s:{s:{s:{s:o}}}}", "if", "not", address, "then",
                            "properties", check.c_str(), "not", value(1)));
    }
}

// The class rules: for each class, its group and "one of its fields is given".
struct ClassRule {
    std::string group;
    json_t *given;
};
ClassRule class_rule(f::Cls cls) {
    ClassRule r{"", json_array()};
    for (const f::Scalar &s : f::kScalars)
        if (s.cls == cls) {
            r.group = group_name(s.path);
            json_array_append_new(r.given,
                                  json_pack("{s:[s]}", "required", key_of(s.path).c_str()));
        }
    r.given = json_pack("{s:o}", "anyOf", r.given);
    return r;
}

void classes(json_t *root) {
    const char *type = f::path_of(f::F::ether_if_type);
    for (const f::Exclusion &x : f::kExclusions) {
        ClassRule mine = class_rule(x.fields), other = class_rule(x.other);
        if (x.by_type)
            rule(root, json_pack("{s:{s:{s:o}, s:[s]}, s:{s:{s:{s:O}}}}", "if", "properties", type,
                                 one_of(f::class_types(x.other)), "required", type, "then",
                                 "properties", mine.group.c_str(), "not", mine.given));
        else
            rule(root, json_pack("{s:{s:[s, s], s:{s:O, s:O}}}", "not", "required",
                                 mine.group.c_str(), other.group.c_str(), "properties",
                                 mine.group.c_str(), mine.given, other.group.c_str(), other.given));
        json_decref(mine.given);
        json_decref(other.given);
    }
}

// Ranges exactly when a match tag's VLAN is "range"; said at efp.ranges (and
// a PCP without its tag at efp.tag_pcp), where encode says them.
void ranges(json_t *root) {
    const f::Compound &tag = f::compound(f::F::efp_tag);
    const f::Compound &list = f::compound(f::F::efp_ranges);
    const f::Compound &pcp = f::compound(f::F::efp_tag_pcp);
    json_t *efp = group_of(root, tag.path);
    std::string tags = key_of(tag.path), ranges = key_of(list.path), pcps = key_of(pcp.path);
    const char *vlan = tag.keys[1].name;
    json_t *range_vlan =
        json_pack("{s:[{s:s}, o]}", "anyOf", "const",
                  f::word_of(tag.keys[1].domain->words, EFP_VLAN_RANGE), value(EFP_VLAN_RANGE));
    json_t *range_tag =
        json_pack("{s:{s:{s:{s:{s:o}, s:[s]}}}, s:[s]}", "properties", tags.c_str(), "contains",
                  "properties", vlan, range_vlan, "required", vlan, "required", tags.c_str());
    rule(efp, json_pack("{s:{s:O}, s:{s:{s:{s:i}}}}", "if", "not", range_tag, "then", "properties",
                        ranges.c_str(), "maxItems", 0));
    rule(efp, json_pack("{s:o, s:{s:{s:{s:i}}, s:[s]}}", "if", range_tag, "then", "properties",
                        ranges.c_str(), "minItems", 1, "required", ranges.c_str()));
    for (int k = 1; k <= pcp.max; k++)
        rule(efp, json_pack("{s:{s:{s:{s:{s:i}}, s:[s]}}, s:{s:{s:{s:i}}}}", "if", "not",
                            "properties", tags.c_str(), "minItems", k, "required", tags.c_str(),
                            "then", "properties", pcps.c_str(), "maxItems", k - 1));
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
    for (const f::Scalar &s : f::kScalars)
        put(root.get(), s.path, annotated(number(*s.domain), s.about, s.dflt));
    for (const f::Compound &c : f::kCompounds)
        put(root.get(), c.path, annotated(compound(c), c.about, c.dflt));
    dependencies(root.get());
    classes(root.get());
    ranges(root.get());
    std::unique_ptr<char, decltype(&free)> text(
        json_dumps(root.get(), JSON_PRESERVE_ORDER | JSON_INDENT(2)), free);
    if (!text) throw Failure("out of memory");
    return std::string(text.get()) + "\n";
}

} // namespace ethplcy_tool
