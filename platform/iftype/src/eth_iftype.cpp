// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Stand-in interface-type names. A platform links its own library instead.
#include "eth_iftype.h"

#include "eth_iftype_names.hpp"

extern "C" __attribute__((visibility("default"))) const char *
eth_decode_eth_iftype_to_str_cmpt(uint32_t ether_if_type) {
    using eth_iftype::kNames;
    return ether_if_type < kNames.size() ? kNames[ether_if_type] : eth_iftype::kUnknown;
}
