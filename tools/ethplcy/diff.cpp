// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// diff: the policy fields that differ between two records, each with both
// values in the words of the external print ("mtu: 1500 -> 9000"), or their
// names only, or as JSON.
#include <jansson.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "tool.hpp"

namespace ethplcy_tool {
namespace {

using Lines = std::vector<std::pair<std::string, std::string>>;

// The external print's "name: value" lines for one group of a record; none
// when the record lacks the group.
Lines group_lines(const eth_if_plcy_ext_t &ext, uint32_t bit) {
    Lines lines;
    if ((ext.valid_mask & bit) == 0) return lines;
    eth_if_plcy_ext_t one = ext;
    // The EFP rows show the match and the rewrite together.
    constexpr uint32_t kEfp = ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE;
    one.valid_mask = (bit & kEfp) ? ext.valid_mask & kEfp : bit;
    std::string text = eth_if_plcy::ext_print(one);
    // Skip the heading, "valid mask:" and the mask lines (indented).
    size_t at = 0;
    for (int skip = 0; skip < 2; skip++)
        at = text.find('\n', at) + 1;
    while (text.compare(at, 4, "    ") == 0)
        at = text.find('\n', at) + 1;
    for (size_t end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        std::string line = text.substr(at, end - at);
        size_t colon = line.find(": ");
        size_t first = line.find_first_not_of(' ');
        if (colon == std::string::npos) continue;
        // L2PT lines share their name: the protocol after it tells them apart.
        std::string name = line.substr(first, colon - first);
        std::string value = line.substr(colon + 2);
        if (name == "l2pt") {
            size_t proto = value.find_first_not_of(' ');
            size_t gap = value.find(' ', proto);
            name.append(".").append(value, proto, gap - proto);
            value = value.substr(value.find_first_not_of(' ', gap));
        }
        lines.emplace_back(name, value);
    }
    return lines;
}

const std::string *find(const Lines &lines, const std::string &name) {
    for (const auto &[n, v] : lines)
        if (n == name) return &v;
    return nullptr;
}

eth_if_plcy_ext_t decoded(const eth_if_plcy::Record &rec) {
    eth_if_plcy_ext_t ext;
    if (eth_if_plcy::decode(rec, ext) != eth_if_plcy::Status::ok)
        throw Failure("cannot decode a record");
    return ext;
}

} // namespace

int diff_records(const eth_if_plcy::Record &a, const eth_if_plcy::Record &b,
                 const DiffOptions &options, Output &out) {
    uint32_t mask = eth_if_plcy::compare(a, b, ETH_IF_PLCY_ALL_FIELDS, options.compare);
    if (options.names) {
        for (const auto &name : eth_if_plcy::field_names(mask))
            out.write(name + "\n");
        return mask == 0 ? 0 : 1;
    }
    eth_if_plcy_ext_t old_ext = decoded(a), new_ext = decoded(b);
    std::unique_ptr<json_t, decltype(&json_decref)> json(json_object(), json_decref);
    std::string text;
    std::vector<std::string> done; // both EFP bits give the same lines
    for (uint32_t bit = 1; bit <= ETH_IF_PLCY_VLAN_SWITCHED; bit <<= 1) {
        if ((mask & bit) == 0) continue;
        Lines before = group_lines(old_ext, bit), after = group_lines(new_ext, bit);
        Lines names = before;
        for (const auto &line : after)
            if (find(before, line.first) == nullptr) names.push_back(line);
        // A side without the group is "(absent)"; one whose print leaves the line out, "(none)".
        const char *no_old = (old_ext.valid_mask & bit) ? "(none)" : "(absent)";
        const char *no_new = (new_ext.valid_mask & bit) ? "(none)" : "(absent)";
        bool shown = false;
        for (const auto &[name, unused] : names) {
            const std::string *o = find(before, name), *n = find(after, name);
            if (o != nullptr && n != nullptr && *o == *n) continue;
            shown = true;
            if (std::find(done.begin(), done.end(), name) != done.end()) continue;
            done.push_back(name);
            text += name + ": " + (o ? *o : no_old) + " -> " + (n ? *n : no_new) + "\n";
            json_object_set_new(json.get(), name.c_str(),
                                json_pack("{s:o, s:o}", "old",
                                          o ? json_string(o->c_str()) : json_null(), "new",
                                          n ? json_string(n->c_str()) : json_null()));
        }
        // A difference the print does not show (bytes it reads no value from).
        if (!shown) {
            std::string name = eth_if_plcy_field_name(bit);
            text += name + ": differs in bytes the print does not show\n";
            json_object_set_new(
                json.get(), name.c_str(),
                json_pack("{s:s, s:s}", "old", "(not shown)", "new", "(not shown)"));
        }
    }
    if (options.json) {
        size_t flags = JSON_PRESERVE_ORDER | (options.one_line ? JSON_COMPACT : JSON_INDENT(2));
        std::unique_ptr<char, decltype(&free)> dumped(json_dumps(json.get(), flags), free);
        if (!dumped) throw Failure("out of memory");
        out.write(std::string(dumped.get()) + "\n");
    } else {
        out.write(text);
    }
    return mask == 0 ? 0 : 1;
}

} // namespace ethplcy_tool
