// Compare: the mask of policy field bits whose data differ between two records.
#include <array>

#include "eth_efp_util.h"
#include "internal.hpp"

namespace {

using namespace ethplcy;
namespace L = ethplcy::layout;

constexpr uint32_t kAcceptedOptions = ETH_IF_PLCY_CMP_ONE_SIDED | ETH_IF_PLCY_CMP_FIRST_ABSENT_ALL;

// The data a policy field bit governs, read through the view the bit names.
struct Governed {
    uint32_t bit;
    uint8_t nflags;
    std::array<Bits, 3> flags;
    uint8_t nints;
    std::array<Int, 3> ints;
};

constexpr Bits kNoBits{};
constexpr Int kNoInt{};

constexpr std::array<Governed, 14> kGoverned = {{
    {ETH_IF_PLCY_ETHER_IF_TYPE, 1, {L::ether_if_type, kNoBits, kNoBits}, 0, {}},
    {ETH_IF_PLCY_INTF_READY, 1, {L::interface_ready, kNoBits, kNoBits}, 0, {}},
    {ETH_IF_PLCY_L2_FLAG, 1, {L::is_l2, kNoBits, kNoBits}, 0, {}},
    {ETH_IF_PLCY_PARENT, 0, {}, 1, {L::sub_parent, kNoInt, kNoInt}},
    {ETH_IF_PLCY_ADMIN_STATE, 1, {L::sub_admin_up, kNoBits, kNoBits}, 0, {}},
    {ETH_IF_PLCY_NATIVE_VLAN,
     1,
     {L::trunk_native_is_svlan, kNoBits, kNoBits},
     1,
     {L::trunk_native_vlan, kNoInt, kNoInt}},
    {ETH_IF_PLCY_QINQ_ETYPE, 0, {}, 1, {L::trunk_qinq_tunneling_etype, kNoInt, kNoInt}},
    {ETH_IF_PLCY_MAC_ACC, 2, {L::trunk_mac_acc_ingress, L::trunk_mac_acc_egress, kNoBits}, 0, {}},
    {ETH_IF_PLCY_FILTERING,
     3,
     {L::trunk_filter_dot1q, L::trunk_filter_dot1ad, L::trunk_filter_mac_relay},
     0,
     {}},
    {ETH_IF_PLCY_EFP_FILTERING, 1, {L::sub_efp_filtering, kNoBits, kNoBits}, 0, {}},
    {ETH_IF_PLCY_SRC_BYPASS_FILTER, 1, {L::sub_src_bypass_filter, kNoBits, kNoBits}, 0, {}},
    {ETH_IF_PLCY_ICL_MODE, 1, {L::is_in_icl_mode, kNoBits, kNoBits}, 0, {}},
    {ETH_IF_PLCY_MTU, 0, {}, 1, {L::mtu, kNoInt, kNoInt}},
    {ETH_IF_PLCY_VLAN_SWITCHED,
     2,
     {L::trunk_vlan_switched_access, L::trunk_vlan_switched_trunk, kNoBits},
     1,
     {L::trunk_access_vlan, kNoInt, kNoInt}},
}};

// Provisioning details count only when both records are provisioned.
constexpr Governed kProvisionDetails = {
    ETH_IF_PLCY_PROVISION,
    3,
    {L::l2_prop_remote_status, L::ip_iw_enabled, L::imposition_vlan_rewrite},
    3,
    {L::xconnect_id, L::xcon_tags, L::imposition_vlan_id}};

bool differs(const uint8_t *a, const uint8_t *b, const Governed &g) {
    for (unsigned k = 0; k < g.nflags; k++)
        if (get(a, g.flags[k]) != get(b, g.flags[k])) return true;
    for (unsigned k = 0; k < g.nints; k++)
        if (load(a, g.ints[k]) != load(b, g.ints[k])) return true;
    return false;
}

bool provision_differs(const uint8_t *a, const uint8_t *b) {
    uint32_t pa = get(a, L::is_provisioned);
    if (pa != get(b, L::is_provisioned)) return true;
    return pa != 0 && differs(a, b, kProvisionDetails);
}

bool l2pt_differs(const uint8_t *a, const uint8_t *b) {
    for (unsigned i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++)
        if (((a[L::l2pt_off + i] ^ b[L::l2pt_off + i]) & 0x7Fu) != 0) return true;
    return false;
}

uint32_t compare_both(const uint8_t *a, const uint8_t *b, uint32_t fields, uint32_t options) {
    if (load(a, L::version) != 0 || load(b, L::version) != 0)
        ETH_IF_PLCY_FAIL("!\"Comparing different policy versions isn't supported\"");
    uint32_t ma = record_mask(a), mb = record_mask(b);
    uint32_t common = ma & mb & fields;
    uint32_t result =
        (options & ETH_IF_PLCY_CMP_ONE_SIDED) ? (ma & ~mb & fields) : ((ma ^ mb) & fields);
    if (common == 0) return result;
    for (const Governed &g : kGoverned)
        if ((common & g.bit) && differs(a, b, g)) result |= g.bit;
    if ((common & ETH_IF_PLCY_PROVISION) && provision_differs(a, b))
        result |= ETH_IF_PLCY_PROVISION;
    if ((common & ETH_IF_PLCY_L2PT) && l2pt_differs(a, b)) result |= ETH_IF_PLCY_L2PT;
    if ((common & ETH_IF_PLCY_MAC_ADDR) &&
        std::memcmp(a + L::mac_addr_off, b + L::mac_addr_off, 6) != 0)
        result |= ETH_IF_PLCY_MAC_ADDR;
    const uint8_t *ea = a + L::efp_base, *eb = b + L::efp_base;
    if ((common & ETH_IF_PLCY_EFP_MATCH) && !eth_efp_util_match_equal(ea, eb))
        result |= ETH_IF_PLCY_EFP_MATCH;
    if ((common & ETH_IF_PLCY_EFP_REWRITE) && !eth_efp_util_rewrite_equal(ea, eb))
        result |= ETH_IF_PLCY_EFP_REWRITE;
    // LOOPBACK has no data: only its presence on one side counts.
    return result;
}

void check_options(uint32_t options) {
    if ((options & ~kAcceptedOptions) != 0) ETH_IF_PLCY_FAIL("!\"Invalid option specified\"");
}

} // namespace

ETH_IF_PLCY_EXPORT uint32_t eth_if_plcy_compare_int(const eth_if_plcy_t *first,
                                                    const eth_if_plcy_t *second, uint32_t fields,
                                                    uint32_t options) {
    check_options(options);
    if (first != nullptr && second != nullptr)
        return compare_both(bytes(first), bytes(second), fields, options);
    if (first != nullptr) return fields & record_mask(bytes(first));
    if (second == nullptr) return 0;
    bool one_sided = (options & ETH_IF_PLCY_CMP_ONE_SIDED) != 0;
    if (one_sided && !(options & ETH_IF_PLCY_CMP_FIRST_ABSENT_ALL)) return 0;
    return fields & record_mask(bytes(second));
}

ETH_IF_PLCY_EXPORT uint32_t eth_if_plcy_compare(const eth_if_plcy_t *first,
                                                const eth_if_plcy_t *second, uint32_t fields,
                                                uint32_t options) {
    check_options(options);
    return eth_if_plcy_compare_int(first, second, fields & ETH_IF_PLCY_ALL_FIELDS, options) &
           ETH_IF_PLCY_EXT_MASK;
}
