// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// A policy given as JSON, whatever its form: the YANG module's RFC 7951
// instance data (one member, "eth-if-plcy:policy") is unwrapped by the YANG
// face, anything else is the policy JSON. The readers of the forms sit below
// this file and know nothing of each other.
#include "tool.hpp"

namespace ethplcy_tool {

namespace {
// Whether text holds kYangTop: looked for by its "-", which few policies
// have, not by its "e", which every policy's keys have many of.
bool has_yang_top(std::string_view text) {
    constexpr std::string_view top(kYangTop);
    constexpr size_t dash = top.find('-');
    for (size_t at = text.find(top.substr(dash)); at != std::string_view::npos;
         at = text.find(top.substr(dash), at + 1))
        if (at >= dash && text.substr(at - dash, dash) == top.substr(0, dash)) return true;
    return false;
}
} // namespace

void ext_from_json(const std::string &text, eth_if_plcy_ext_t &ext, bool check, uint32_t options) {
    // A copy only for instance data, which rfc7951_policy rewrites in place.
    std::string policy;
    bool yang = has_yang_top(text) && rfc7951_policy(policy = text);
    ext_from_policy_json(yang ? policy : text, ext, check, options);
}

} // namespace ethplcy_tool
