// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Python's names for the description's groups and fields, shared by the
// module and the stub generator so that the stubs name the module's classes.
#pragma once

#include <string>
#include <string_view>

#include "policy_table.hpp"

namespace pyplcy {

namespace f = eth_if_plcy::fields;

inline constexpr size_t kGroupCount = std::size(f::kGroups);
inline constexpr size_t kCompoundCount = std::size(f::kCompounds);

// The group a field path lies in, or -1 for a top-level field.
constexpr int group_of(std::string_view path) {
    size_t dot = path.find('.');
    if (dot == std::string_view::npos) return -1;
    for (size_t g = 0; g < kGroupCount; g++)
        if (path.substr(0, dot) == f::kGroups[g]) return static_cast<int>(g);
    return -1;
}

// The field's name in its group ("efp.tag" -> "tag").
constexpr const char *name_of(const char *path) {
    std::string_view p(path);
    size_t dot = p.find('.');
    return dot == std::string_view::npos ? path : path + dot + 1;
}

// A class name from a path: "provision_info" -> "ProvisionInfo"; an entry
// of a list is singular ("efp.ranges" -> "EfpRange").
inline std::string class_name(std::string_view path, bool entry) {
    std::string name;
    bool up = true;
    for (char c : path) {
        if (c == '.' || c == '_') {
            up = true;
            continue;
        }
        name += up ? static_cast<char>(c - 'a' + 'A') : c;
        up = false;
    }
    if (entry && name.back() == 's') name.pop_back();
    return name;
}

// A field's sentence, and for a number with words its words and numbers
// ("... Names: 1 ether, 2 ether.sub, ..."): help() lists them.
inline std::string about_with_words(size_t i) {
    std::string text = f::about_of(i);
    if (i >= f::kScalarCount || f::kScalars[i].domain->words == f::Words::none) return text;
    text += " Names:";
    const char *sep = " ";
    for (const f::Word &w : f::words_of(f::kScalars[i].domain->words)) {
        text += sep + std::to_string(w.value) + " " + w.word;
        sep = ", ";
    }
    return text + ".";
}

// A view's class: a group, an entry of a pair list, the L2PT object, one
// protocol's setting, a list.
inline constexpr const char *kL2ptClass = "L2pt";
inline constexpr const char *kProtocolClass = "L2ptSetting";
inline constexpr const char *kListClass = "FieldList";

} // namespace pyplcy
