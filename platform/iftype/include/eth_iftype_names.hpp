// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The stand-in interface-type library's names as a compile-time table: the
// library returns them, and the policy's field description takes them as the
// words of ether_if_type, so the JSON Schema, the YANG module and the Python
// stubs name the types the library prints. Not installed: a platform with a
// library of its own keeps the numbers, which every face reads as well.
#pragma once

#include <array>
#include <cstdint>

namespace eth_iftype {

// Index = ether_if_type. Sub-interface types name the trunk type they hang off.
inline constexpr std::array<const char *, 22> kNames = {
    "none",         "ether",         "ether.sub",    "ether.l2sub",    "bundle",
    "bundle.sub",   "bundle.l2sub",  "pw-ether",     "pw-ether.sub",   "pw-ether.l2sub",
    "sat-ether",    "fabric",        "icl",          "vether",         "vether.sub",
    "vether.l2sub", "nv-ether",      "nv-ether.sub", "nv-ether.l2sub", "mgmt",
    "breakout",     "fabric-bundle",
};
inline constexpr const char *kUnknown = "unknown";

} // namespace eth_iftype
