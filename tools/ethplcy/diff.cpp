// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// diff: the policy fields that differ between two records, named by their
// JSON paths with both values as the JSON writes them
// ("efp.push[0].vlan: 42 -> 43"), or the differing field bits' names, or
// as JSON ({"path": {"old": value, "new": value}}, null where a side lacks it).
#include <jansson.h>

#include <memory>
#include <utility>

#include "policy_table.hpp"
#include "tool.hpp"

namespace ethplcy_tool {
namespace {

using Json = std::unique_ptr<json_t, decltype(&json_decref)>;
using Leaves = std::vector<std::pair<std::string, json_t *>>; // borrowed values

// Every scalar of a policy's JSON under its path (objects by ".key", arrays
// by "[i]"), valid_mask left out: presence shows as a value against none.
void leaves(json_t *v, const std::string &path, Leaves &out) {
    if (json_is_object(v)) {
        const char *key;
        json_t *item;
        json_object_foreach(v, key, item) {
            if (path.empty() && std::strcmp(key, eth_if_plcy::fields::path_of(
                                                     eth_if_plcy::fields::F::valid_mask)) == 0)
                continue;
            leaves(item, path.empty() ? key : path + "." + key, out);
        }
    } else if (json_is_array(v)) {
        for (size_t i = 0; i < json_array_size(v); i++)
            leaves(json_array_get(v, i), path + "[" + std::to_string(i) + "]", out);
    } else {
        out.emplace_back(path, v);
    }
}

json_t *find(const Leaves &l, const std::string &path) {
    for (const auto &[p, v] : l)
        if (p == path) return v;
    return nullptr;
}

// A value as the text shows it: strings without their quotes.
std::string shown(json_t *v) {
    if (v == nullptr) return "(absent)";
    if (json_is_string(v)) return json_string_value(v);
    std::unique_ptr<char, decltype(&free)> text(json_dumps(v, JSON_ENCODE_ANY), free);
    return text ? text.get() : "";
}

// The JSON of the groups of rec that mask names.
Json groups_json(const eth_if_plcy::Record &rec, uint32_t mask) {
    eth_if_plcy_ext_t ext;
    if (eth_if_plcy::decode(rec, ext, mask) != eth_if_plcy::Status::ok)
        throw Failure("cannot decode a record");
    std::string text = ext_to_json(ext, true);
    Json json(json_loadb(text.data(), text.size(), 0, nullptr), json_decref);
    if (!json) throw Failure("out of memory");
    return json;
}

} // namespace

int diff_records(const eth_if_plcy::Record &a, const eth_if_plcy::Record &b,
                 const DiffOptions &options, Output &out) {
    std::string text;
    int status = diff_text(a, b, options, text);
    out.write(text);
    return status;
}

int diff_text(const eth_if_plcy::Record &a, const eth_if_plcy::Record &b,
              const DiffOptions &options, std::string &out) {
    uint32_t mask = eth_if_plcy::compare(a, b, ETH_IF_PLCY_ALL_FIELDS, options.compare);
    if (options.names) {
        for (const auto &name : eth_if_plcy::field_names(mask))
            out += name + "\n";
        return mask == 0 ? 0 : 1;
    }
    if (mask == 0) { // equal: nothing to read out of the JSON (the usual pair of a stream)
        if (options.json) out += "{}\n";
        return 0;
    }
    // Only the groups compare reports: the rest are equal, or do not count.
    Json old_json = groups_json(a, mask), new_json = groups_json(b, mask);
    Leaves before, after;
    leaves(old_json.get(), "", before);
    leaves(new_json.get(), "", after);
    for (const auto &leaf : after)
        if (find(before, leaf.first) == nullptr) before.emplace_back(leaf.first, nullptr);
    Json json(json_object(), json_decref);
    std::string text;
    for (const auto &[path, o] : before) {
        json_t *n = find(after, path);
        if (o != nullptr && n != nullptr && json_equal(o, n)) continue;
        text += path + ": " + shown(o) + " -> " + shown(n) + "\n";
        json_object_set_new(
            json.get(), path.c_str(),
            json_pack("{s:O, s:O}", "old", o ? o : json_null(), "new", n ? n : json_null()));
    }
    // A difference the JSON does not show (bytes it reads no value from).
    if (text.empty())
        for (const auto &name : eth_if_plcy::field_names(mask))
            text += name + ": differs in bytes the JSON does not show\n";
    if (options.json) {
        size_t flags = JSON_PRESERVE_ORDER | (options.one_line ? JSON_COMPACT : JSON_INDENT(2));
        std::unique_ptr<char, decltype(&free)> dumped(json_dumps(json.get(), flags), free);
        if (!dumped) throw Failure("out of memory");
        out += std::string(dumped.get()) + "\n";
    } else {
        out += text;
    }
    return mask == 0 ? 0 : 1;
}

} // namespace ethplcy_tool
