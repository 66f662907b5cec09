// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Checking an external record before encode: the values an interface can
// carry, which encode itself does not insist on (it keeps the format's
// normalisations). Every refusal names its rule and the field.
#include "internal.hpp"

namespace {

using namespace ethplcy;

struct Verdict {
    const char *reason = nullptr;
    const char *field = nullptr;
    bool ok() const { return reason == nullptr; }
};

constexpr uint16_t kMaxVlan = 4095;
constexpr uint8_t kMaxPcp = 7;

// The groups of each class's view, with the names the refusals use.
struct Group {
    uint32_t bit;
    const char *name;
};
constexpr Group kSubGroups[] = {{ETH_IF_PLCY_PARENT, "sub.parent"},
                                {ETH_IF_PLCY_ADMIN_STATE, "sub.admin_up"},
                                {ETH_IF_PLCY_EFP_FILTERING, "sub.efp_filtering"},
                                {ETH_IF_PLCY_SRC_BYPASS_FILTER, "sub.src_bypass_filter"}};
constexpr Group kTrunkGroups[] = {{ETH_IF_PLCY_NATIVE_VLAN, "trunk.native_vlan"},
                                  {ETH_IF_PLCY_QINQ_ETYPE, "trunk.qinq_tunneling_etype"},
                                  {ETH_IF_PLCY_MAC_ACC, "trunk.mac_acc_ingress"},
                                  {ETH_IF_PLCY_FILTERING, "trunk.filter_dot1q"}};

// Reasons are constant strings, so each pair of fields has its own.
#define ETH_MIX(s, t)                                                                              \
    s " and " t " are set together: sub-interface and trunk fields exclude each other"
#define ETH_MIX_ROW(s)                                                                             \
    {                                                                                              \
        ETH_MIX(s, "trunk.native_vlan"), ETH_MIX(s, "trunk.qinq_tunneling_etype"),                 \
            ETH_MIX(s, "trunk.mac_acc_ingress"), ETH_MIX(s, "trunk.filter_dot1q")                  \
    }
constexpr const char *kMixed[4][4] = {ETH_MIX_ROW("sub.parent"), ETH_MIX_ROW("sub.admin_up"),
                                      ETH_MIX_ROW("sub.efp_filtering"),
                                      ETH_MIX_ROW("sub.src_bypass_filter")};
constexpr const char *kSubOnTrunk[4] = {
    "sub.parent is set on a trunk-class ether_if_type",
    "sub.admin_up is set on a trunk-class ether_if_type",
    "sub.efp_filtering is set on a trunk-class ether_if_type",
    "sub.src_bypass_filter is set on a trunk-class ether_if_type"};
constexpr const char *kTrunkOnSub[4] = {
    "trunk.native_vlan is set on a sub-interface-class ether_if_type",
    "trunk.qinq_tunneling_etype is set on a sub-interface-class ether_if_type",
    "trunk.mac_acc_ingress is set on a sub-interface-class ether_if_type",
    "trunk.filter_dot1q is set on a sub-interface-class ether_if_type"};
#undef ETH_MIX_ROW
#undef ETH_MIX

Verdict check_classes(const eth_if_plcy_ext_t &e, uint32_t mask) {
    bool typed = (mask & ETH_IF_PLCY_ETHER_IF_TYPE) != 0;
    for (unsigned s = 0; s < 4; s++) {
        if (!(mask & kSubGroups[s].bit)) continue;
        if (typed && is_trunk_type(e.ether_if_type)) return {kSubOnTrunk[s], kSubGroups[s].name};
        for (unsigned t = 0; t < 4; t++)
            if (mask & kTrunkGroups[t].bit) return {kMixed[s][t], kSubGroups[s].name};
    }
    for (unsigned t = 0; t < 4; t++)
        if ((mask & kTrunkGroups[t].bit) && typed && is_sub_type(e.ether_if_type))
            return {kTrunkOnSub[t], kTrunkGroups[t].name};
    return {};
}

// A match tag's VLAN: 0-4095 or the any/range values; 4096 and 4097 are the
// internal codes, which encode would silently turn into "any" and "range".
Verdict check_tag_vlan(uint16_t vlan, const char *field) {
    if (vlan <= kMaxVlan || vlan == EFP_VLAN_ANY || vlan == EFP_VLAN_RANGE) return {};
    if (vlan == ETH_EFP_VLAN_CODE_ANY || vlan == ETH_EFP_VLAN_CODE_RANGE)
        return {"VLAN 4096 and 4097 are internal codes: write EFP_VLAN_ANY (0x2001) or "
                "EFP_VLAN_RANGE (0x2000)",
                field};
    return {"VLAN is above 4095 and is not EFP_VLAN_ANY or EFP_VLAN_RANGE", field};
}

Verdict check_ranges(const eth_if_plcy_vlan_range_t *ranges, unsigned count, const char *field) {
    if (count > ETH_IF_PLCY_EXT_MAX_RANGES) return {"more than 10 VLAN ranges", field};
    if (count != 0 && ranges == nullptr) return {"range count given without a range list", field};
    for (unsigned k = 0; k < count; k++) {
        if (ranges[k].high > kMaxVlan) return {"range bound above 4095", field};
        if (ranges[k].low > ranges[k].high) return {"range low is above its high", field};
    }
    return {};
}

constexpr const char *kTagVlan[2] = {"efp.tag[0].vlan", "efp.tag[1].vlan"};
constexpr const char *kTagPcp[2] = {"efp.tag_pcp[0]", "efp.tag_pcp[1]"};
constexpr const char *kTagRangeCount[2] = {"efp.tag_range_count[0]", "efp.tag_range_count[1]"};
constexpr const char *kPushVlan[2] = {"efp.push[0].vlan", "efp.push[1].vlan"};

Verdict check_match(const eth_if_plcy_ext_efp_t &efp, uint32_t options) {
    if (efp.num_tags > ETH_EFP_MAX_MATCH_TAGS) return {"more than 2 match tags", "efp.num_tags"};
    bool range_tag = false;
    for (unsigned i = 0; i < efp.num_tags; i++) {
        Verdict v = check_tag_vlan(efp.tag[i].vlan, kTagVlan[i]);
        if (!v.ok()) return v;
        if (efp.tag_pcp[i] > kMaxPcp && efp.tag_pcp[i] != EFP_PCP_ANY)
            return {"PCP is above 7 and is not EFP_PCP_ANY (255)", kTagPcp[i]};
        range_tag |= efp.tag[i].vlan == EFP_VLAN_RANGE;
    }
    if (options & ETH_IF_PLCY_ENCODE_TAG_RANGES) {
        if (efp.tag_range_count[0] != 0 && efp.tag_range_count[1] != 0)
            return {"both tags carry a range list", "efp.tag_range_count[1]"};
        for (unsigned i = 0; i < 2; i++) {
            unsigned n = efp.tag_range_count[i];
            if (n == 0) continue;
            if (i >= efp.num_tags || efp.tag[i].vlan != EFP_VLAN_RANGE)
                return {"ranges given for a tag whose VLAN is not EFP_VLAN_RANGE",
                        kTagRangeCount[i]};
            Verdict v = check_ranges(efp.tag_range_list[i], n, kTagRangeCount[i]);
            if (!v.ok()) return v;
        }
        for (unsigned i = 0; i < efp.num_tags; i++)
            if (efp.tag[i].vlan == EFP_VLAN_RANGE && efp.tag_range_count[i] == 0)
                return {"tag VLAN is EFP_VLAN_RANGE but its range list is empty", kTagVlan[i]};
        return {};
    }
    Verdict v = check_ranges(efp.ranges, efp.num_ranges, "efp.ranges");
    if (!v.ok()) return v;
    if (efp.num_ranges != 0 && !range_tag)
        return {"ranges given but no match tag's VLAN is EFP_VLAN_RANGE", "efp.ranges"};
    if (efp.num_ranges == 0 && range_tag)
        return {"a match tag's VLAN is EFP_VLAN_RANGE but no ranges are given", "efp.ranges"};
    return {};
}

Verdict check_rewrite(const eth_if_plcy_ext_efp_t &efp) {
    if (efp.num_tag_pushes > ETH_EFP_MAX_PUSH_TAGS)
        return {"more than 2 push tags", "efp.num_tag_pushes"};
    if (efp.num_tag_pops > ETH_EFP_MAX_MATCH_TAGS)
        return {"more than 2 tags popped", "efp.num_tag_pops"};
    for (unsigned j = 0; j < efp.num_tag_pushes; j++)
        if (efp.push[j].vlan > kMaxVlan) return {"pushed VLAN is above 4095", kPushVlan[j]};
    return {};
}

Verdict check(const eth_if_plcy_ext_t &e, uint32_t options) {
    uint32_t mask = e.valid_mask;
    if (mask & ~ETH_IF_PLCY_ALL_FIELDS) return {"valid_mask has bits above bit 19", "valid_mask"};
    if ((mask & ETH_IF_PLCY_ETHER_IF_TYPE) &&
        (e.ether_if_type == 0 || e.ether_if_type > ETH_IF_PLCY_MAX_IF_TYPE))
        return {"unknown interface type (1 to 21)", "ether_if_type"};
    Verdict v = check_classes(e, mask);
    if (!v.ok()) return v;
    if ((mask & ETH_IF_PLCY_PROVISION) && e.is_provisioned &&
        e.provision_info.imposition_vlan_rewrite && e.provision_info.imposition_vlan_id > kMaxVlan)
        return {"imposition VLAN is above 4095", "provision_info.imposition_vlan_id"};
    if ((mask & ETH_IF_PLCY_NATIVE_VLAN) && e.trunk.native_vlan > kMaxVlan)
        return {"native VLAN is above 4095", "trunk.native_vlan"};
    if ((mask & ETH_IF_PLCY_VLAN_SWITCHED) && e.trunk.access_vlan > kMaxVlan)
        return {"access VLAN is above 4095", "trunk.access_vlan"};
    if (!e.efp.configured) return {};
    if (mask & ETH_IF_PLCY_EFP_MATCH) {
        v = check_match(e.efp, options);
        if (!v.ok()) return v;
    }
    if (mask & ETH_IF_PLCY_EFP_REWRITE) return check_rewrite(e.efp);
    return {};
}

} // namespace

ETH_IF_PLCY_EXPORT uint32_t eth_if_plcy_ext_validate_explain(const eth_if_plcy_ext_t *ext,
                                                             uint32_t options, const char **reason,
                                                             const char **field) {
    Verdict v;
    if (ext == nullptr) {
        v = {"no record", ""};
    } else if (options & ~ETH_IF_PLCY_ENCODE_TAG_RANGES) {
        v = {"unknown option bits", ""};
    } else {
        v = check(*ext, options);
    }
    if (v.ok()) return 0;
    if (reason != nullptr) *reason = v.reason;
    if (field != nullptr) *field = v.field;
    return *v.field == '\0' ? ETH_IF_PLCY_ERR_INVALID : ETH_IF_PLCY_ERR_BAD_POLICY;
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
