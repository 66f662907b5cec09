// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// gNMI paths: a request's path read and checked, matched against the paths
// of the served leaves (with the `*` and `...` wildcards), and the part of a
// notification that a request's paths select.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "gnmi.pb.h"
#include "tree.hpp"

namespace ethplcy_serve {

struct Elem {
    std::string name;
    std::map<std::string, std::string> keys;
};
using Elems = std::vector<Elem>;

// A request's path below its prefix, as elements; "" or why it is malformed.
std::string request_path(const gnmi::Path &prefix, const gnmi::Path &path, Elems &out);
// Whether path lies at or below what pattern names; above: or above it (a
// delete of an interface reaches every leaf below it).
bool matches(const Elems &pattern, const Elems &path, bool above);
// The deletes and updates of n that one of patterns selects; false for none.
bool select(const g::Notification &n, const std::vector<Elems> &patterns, g::Notification &out);

} // namespace ethplcy_serve
