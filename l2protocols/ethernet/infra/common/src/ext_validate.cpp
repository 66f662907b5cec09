// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Checking an external record before encode: the values an interface can
// carry, which encode itself does not insist on (it keeps the format's
// normalisations). The rules are the field description's (policy_check.hpp).
#include "internal.hpp"
#include "policy_check.hpp"

ETH_IF_PLCY_EXPORT uint32_t eth_if_plcy_ext_validate_explain(const eth_if_plcy_ext_t *ext,
                                                             uint32_t options, const char **reason,
                                                             const char **field) {
    const char *why = nullptr, *where = "";
    if (ext == nullptr) {
        why = "no record";
    } else if (options & ~ETH_IF_PLCY_ENCODE_TAG_RANGES) {
        why = "unknown option bits";
    } else {
        eth_if_plcy::fields::Verdict v = eth_if_plcy::fields::check(*ext, options);
        if (v.ok()) return 0;
        why = v.reason();
        where = v.path();
    }
    if (reason != nullptr) *reason = why;
    if (field != nullptr) *field = where;
    return *where == '\0' ? ETH_IF_PLCY_ERR_INVALID : ETH_IF_PLCY_ERR_BAD_POLICY;
}

ETH_IF_PLCY_EXPORT uint32_t eth_if_plcy_ext_validate(const eth_if_plcy_ext_t *ext,
                                                     uint32_t options) {
    return eth_if_plcy_ext_validate_explain(ext, options, nullptr, nullptr);
}

ETH_IF_PLCY_EXPORT const char *eth_if_plcy_status_str(uint32_t status) {
    switch (status) {
    case ETH_IF_PLCY_OK:
        return "ok";
    case ETH_IF_PLCY_ERR_INVALID:
        return "invalid argument, option or record";
    case ETH_IF_PLCY_ERR_NOMEM:
        return "out of memory";
    case ETH_IF_PLCY_ERR_BAD_POLICY:
        return "policy cannot be represented";
    default:
        return "unknown status";
    }
}
