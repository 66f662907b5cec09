// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Stand-in interface-type names. A platform links its own library instead.
#include "eth_iftype.h"

#include <array>

namespace {

// Index = ether_if_type. Sub-interface types name the trunk type they hang off.
constexpr std::array<const char *, 22> kNames = {
    "none",         "ether",         "ether.sub",    "ether.l2sub",    "bundle",
    "bundle.sub",   "bundle.l2sub",  "pw-ether",     "pw-ether.sub",   "pw-ether.l2sub",
    "sat-ether",    "fabric",        "icl",          "vether",         "vether.sub",
    "vether.l2sub", "nv-ether",      "nv-ether.sub", "nv-ether.l2sub", "mgmt",
    "breakout",     "fabric-bundle",
};

} // namespace

extern "C" __attribute__((visibility("default"))) const char *
eth_decode_eth_iftype_to_str_cmpt(uint32_t ether_if_type) {
    return ether_if_type < kNames.size() ? kNames[ether_if_type] : "unknown";
}
