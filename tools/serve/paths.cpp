// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
#include "paths.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace ethplcy_serve {
namespace {

constexpr size_t kMaxDepth = 64;

// The origins the tree is under: OpenConfig's, named or left out.
bool served_origin(const std::string &o) {
    return o.empty() || o == "openconfig";
}

std::string append(const gnmi::Path &p, Elems &out) {
    if (!served_origin(p.origin())) return "origin \"" + p.origin() + "\" is not served";
    // The tree is a few elements deep: a longer path cannot name anything.
    if (out.size() + static_cast<size_t>(p.elem_size()) > kMaxDepth)
        return "a path of more than " + std::to_string(kMaxDepth) + " elements";
    for (const gnmi::PathElem &e : p.elem()) {
        if (e.name().empty()) return "a path element without a name";
        if (e.name() == "..." && !e.key().empty()) return "\"...\" with keys";
        Elem el{e.name(), {}};
        for (const auto &[k, v] : e.key()) {
            if (k.empty() || v.empty())
                return "element \"" + e.name() + "\": a key without a name or value";
            el.keys.emplace(k, v);
        }
        out.push_back(std::move(el));
    }
    return "";
}

// Names match by their local part; a module given on both sides must agree.
bool same_name(std::string_view pattern, std::string_view name) {
    if (pattern == "*" || pattern == name) return true;
    size_t p = pattern.find(':'), n = name.find(':');
    if (p != std::string_view::npos && n != std::string_view::npos) return false;
    return pattern.substr(p == std::string_view::npos ? 0 : p + 1) ==
           name.substr(n == std::string_view::npos ? 0 : n + 1);
}

bool same_keys(const Elem &pattern, const Elem &e) {
    for (const auto &[k, v] : pattern.keys) {
        auto it = e.keys.find(k);
        if (it == e.keys.end() || (v != "*" && v != it->second)) return false;
    }
    return true;
}

// Whether pattern matches path (or, with above, a path above it), element by
// element, "..." standing for any number of elements. A table of the
// (pattern, path) suffixes that match, filled from the ends: a request with
// many "..." costs pattern x path^2 steps, never a search that doubles.
bool match_from(const Elems &pattern, const Elems &path, bool above) {
    size_t np = pattern.size(), n = path.size();
    std::vector<char> ok((np + 1) * (n + 1), 0);
    auto at = [&](size_t i, size_t j) -> char & { return ok[i * (n + 1) + j]; };
    for (size_t j = 0; j <= n; j++)
        at(np, j) = 1;
    for (size_t i = np; i-- > 0;) {
        for (size_t j = n + 1; j-- > 0;) {
            if (pattern[i].name == "...") {
                char any = 0;
                for (size_t k = j; k <= n && !any; k++)
                    any = at(i + 1, k);
                at(i, j) = any;
            } else if (j == n) {
                at(i, j) = above;
            } else {
                at(i, j) = same_name(pattern[i].name, path[j].name) &&
                           same_keys(pattern[i], path[j]) && at(i + 1, j + 1);
            }
        }
    }
    return at(0, 0);
}

Elems record_path(const g::Id &id) {
    Elems out{{"interfaces", {}}, {"interface", {{"name", id.name}}}};
    if (id.sub())
        out.insert(out.end(), {{"subinterfaces", {}},
                               {"subinterface", {{"index", std::to_string(id.index)}}}});
    return out;
}

Elems below(Elems base, const std::string &path) {
    for (size_t at = 0; at < path.size();) {
        size_t slash = std::min(path.find('/', at), path.size());
        base.push_back({path.substr(at, slash - at), {}});
        at = slash + 1;
    }
    return base;
}

bool any_match(const std::vector<Elems> &patterns, const Elems &path, bool above) {
    for (const Elems &p : patterns)
        if (matches(p, path, above)) return true;
    return false;
}

} // namespace

std::string request_path(const gnmi::Path &prefix, const gnmi::Path &path, Elems &out) {
    if (!prefix.origin().empty() && !path.origin().empty())
        return "an origin in both the prefix and the path";
    out.clear();
    std::string why = append(prefix, out);
    return why.empty() ? append(path, out) : why;
}

bool matches(const Elems &pattern, const Elems &path, bool above) {
    return match_from(pattern, path, above);
}

bool select(const g::Notification &n, const std::vector<Elems> &patterns, g::Notification &out) {
    Elems base = record_path(n.id);
    out = {n.id, n.atomic, {}, {}};
    for (const std::string &d : n.deletes)
        if (any_match(patterns, below(base, d), true)) out.deletes.push_back(d);
    for (const g::Update &u : n.updates)
        if (any_match(patterns, below(base, u.path), false)) out.updates.push_back(u);
    return !out.deletes.empty() || !out.updates.empty();
}

} // namespace ethplcy_serve
