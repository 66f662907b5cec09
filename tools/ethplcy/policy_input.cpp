// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// A policy given as JSON, whatever its form: the YANG module's RFC 7951
// instance data (one member, "eth-if-plcy:policy") is unwrapped by the YANG
// face, anything else is the policy JSON. The readers of the forms sit below
// this file and know nothing of each other.
#include "tool.hpp"

namespace ethplcy_tool {

void ext_from_json(const std::string &text, eth_if_plcy_ext_t &ext, bool check, uint32_t options) {
    // A copy only for instance data, which rfc7951_policy rewrites in place.
    std::string policy;
    bool yang = text.find(kYangTop) != std::string::npos && rfc7951_policy(policy = text);
    ext_from_policy_json(yang ? policy : text, ext, check, options);
}

} // namespace ethplcy_tool
