// SPDX-License-Identifier: Apache-2.0
// Decode: internal policy record to external policy record.
#include "internal.hpp"

namespace {

using namespace ethplcy;
namespace L = ethplcy::layout;

uint8_t pcp_from_code(unsigned code) {
    return code == ETH_EFP_PCP_CODE_ANY ? EFP_PCP_ANY : static_cast<uint8_t>(code - 1);
}

uint16_t vlan_from_code(unsigned code) {
    if (code == ETH_EFP_VLAN_CODE_RANGE) return EFP_VLAN_RANGE;
    if (code == ETH_EFP_VLAN_CODE_ANY) return EFP_VLAN_ANY;
    return static_cast<uint16_t>(code);
}

// The external record has room for 2 match tags, 2 push tags and 10 ranges.
// A record that claims more, or whose EFP form or used range list runs past
// its size, is refused before ext is touched. Returns the length of the range
// list a match tag uses, -1 when none does, kRefused for a refused record.
constexpr int kRefused = -2;
int check_efp(const uint8_t *rec, uint32_t m) {
    const uint8_t *b = rec + L::efp_base;
    uint32_t size = record_size(rec);
    // The first accessor decode applies: a corrupted base type fails here.
    (void)eth_efp_cfgd_flags_get(b);
    bool full = eth_efp_is_full(b);
    if (size < (full ? L::efp_base + ETH_EFP_FULL_SIZE : ETH_IF_PLCY_MIN_SIZE)) return kRefused;
    unsigned tags = eth_efp_tag_match_get(b);
    if ((m & ETH_IF_PLCY_EFP_REWRITE) != 0) {
        unsigned pushes = eth_efp_num_tag_pushes_get(b);
        if (pushes > ETH_EFP_MAX_PUSH_TAGS || (!full && tags + pushes > ETH_EFP_C_TAG_WORDS))
            return kRefused;
    }
    if ((m & ETH_IF_PLCY_EFP_MATCH) == 0) return -1;
    if (tags > ETH_EFP_MAX_MATCH_TAGS) return kRefused;
    if (!eth_efp_has_range_tag(b)) return -1;
    const uint8_t *r = eth_efp_range_get(b);
    for (int n = 0;; n++, r = eth_efp_range_next(r)) {
        auto off = static_cast<uint32_t>(r - rec);
        if (off >= size) return kRefused;
        if (eth_efp_range_is_end(r)) return n;
        if (n == static_cast<int>(ETH_EFP_RANGE_MAX) || off + ETH_EFP_RANGE_SIZE > size)
            return kRefused;
    }
}

// The record and ext never overlap: __restrict lets the base-type tests of
// the inline accessors fold into one across the stores to ext.
// num_ranges: the length of the range list some tag uses, or -1 for none.
void decode_match(const uint8_t *__restrict b, int num_ranges,
                  eth_if_plcy_ext_efp_t &__restrict efp) {
    efp.configured = (eth_efp_cfgd_flags_get(b) & ETH_EFP_CFGD_MATCH) != 0;
    unsigned n = eth_efp_tag_match_get(b);
    efp.num_tags = static_cast<uint8_t>(n);
    efp.native = eth_efp_native_get(b) & 1u;
    efp.native_with_preservation = eth_efp_native_with_preservation_get(b) & 1u;
    efp.src_mac_check = eth_efp_src_mac_check(b) != 0;
    efp.dst_mac_check = eth_efp_dst_mac_check(b) != 0;
    efp.exact = eth_efp_exact_get(b) & 1u;
    efp.l3_ambiguous = eth_efp_l3_ambiguous_get(b) & 1u;
    efp.payload_ethertype = eth_efp_payload_ethertype_get(b);
    // One range list serves every tag with the range code; check_efp found
    // whether there is one and how long it is.
    if (num_ranges >= 0) {
        const uint8_t *r = eth_efp_range_get(b);
        for (int k = 0; k < num_ranges; k++, r = eth_efp_range_next(r))
            efp.ranges[k] = {eth_efp_range_low(r), eth_efp_range_high(r)};
        efp.num_ranges = static_cast<uint16_t>(num_ranges);
    }
    const void *base = eth_efp_range_base_get(b);
    for (unsigned i = 0; i < n; i++) {
        efp.tag_pcp[i] = pcp_from_code(eth_efp_tag_pcp_get(b, i));
        efp.tag[i].ethertype = eth_efp_tag_ethertype_get(b, i);
        unsigned code = eth_efp_tag_vlan_low_get(base, i);
        efp.tag[i].vlan = vlan_from_code(code);
        if (code == ETH_EFP_VLAN_CODE_RANGE) {
            efp.tag_range_count[i] = efp.num_ranges;
            efp.tag_range_list[i] = efp.ranges;
        }
    }
    if (efp.src_mac_check) std::memcpy(efp.src_mac, eth_efp_src_mac_get(b), 6);
    if (efp.dst_mac_check) std::memcpy(efp.dst_mac, eth_efp_dst_mac_get(b), 6);
}

void decode_rewrite(const uint8_t *__restrict b, eth_if_plcy_ext_efp_t &__restrict efp) {
    // A rewrite-only record reports its rewrite flag, so that decode then
    // encode gives the record back; with both groups the flags are OR'd.
    if ((eth_efp_cfgd_flags_get(b) & ETH_EFP_CFGD_REWRITE) != 0) efp.configured = 1;
    efp.num_tag_pops = static_cast<uint8_t>(eth_efp_num_tag_pops_get(b));
    unsigned p = eth_efp_num_tag_pushes_get(b);
    efp.num_tag_pushes = static_cast<uint8_t>(p);
    for (unsigned j = 0; j < p; j++)
        efp.push[j] = {eth_efp_push_ethertype_get(b, j), eth_efp_push_vlan_get(b, j)};
}

} // namespace

ETH_IF_PLCY_EXPORT uint32_t eth_if_plcy_decode(const eth_if_plcy_t *record, uint32_t fields,
                                               eth_if_plcy_ext_t *ext, uint32_t options) {
    if (options != 0 || record == nullptr || ext == nullptr) return ETH_IF_PLCY_ERR_INVALID;
    const uint8_t *rec = bytes(record);
    if (load(rec, L::version) != 0) return ETH_IF_PLCY_ERR_INVALID;
    uint32_t m = fields & record_mask(rec) & ETH_IF_PLCY_ALL_FIELDS;
    int num_ranges = -1;
    if ((m & (ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE)) != 0) {
        num_ranges = check_efp(rec, m);
        if (num_ranges == kRefused) return ETH_IF_PLCY_ERR_INVALID;
    }

    clear_bytes(ext, sizeof *ext);
    ext->valid_mask = m;
    if (m & ETH_IF_PLCY_ETHER_IF_TYPE) ext->ether_if_type = get(rec, L::ether_if_type);
    if (m & ETH_IF_PLCY_L2_FLAG) ext->is_l2 = get(rec, L::is_l2) & 1u;
    if (m & ETH_IF_PLCY_INTF_READY) ext->interface_ready = get(rec, L::interface_ready) & 1u;
    if ((m & ETH_IF_PLCY_PROVISION) && get(rec, L::is_provisioned)) {
        ext->is_provisioned = 1;
        auto &p = ext->provision_info;
        p.xconnect_id = load(rec, L::xconnect_id);
        p.xcon_tags = static_cast<uint8_t>(load(rec, L::xcon_tags));
        p.ip_iw_enabled = get(rec, L::ip_iw_enabled) & 1u;
        p.imposition_vlan_rewrite = get(rec, L::imposition_vlan_rewrite) & 1u;
        p.imposition_vlan_id = static_cast<uint16_t>(load(rec, L::imposition_vlan_id));
    }
    if (m & ETH_IF_PLCY_L2PT)
        for (unsigned i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++)
            ext->l2pt[i] = l2pt_get(rec, i);
    if (m & ETH_IF_PLCY_MAC_ADDR) std::memcpy(ext->mac_addr, rec + L::mac_addr_off, 6);
    if (m & ETH_IF_PLCY_PARENT) ext->sub.parent = load(rec, L::sub_parent);
    if (m & ETH_IF_PLCY_EFP_MATCH) decode_match(rec + L::efp_base, num_ranges, ext->efp);
    if (m & ETH_IF_PLCY_EFP_REWRITE) decode_rewrite(rec + L::efp_base, ext->efp);
    if (m & ETH_IF_PLCY_ADMIN_STATE)
        ext->sub.admin_up = static_cast<uint8_t>(get(rec, L::sub_admin_up));
    if (m & ETH_IF_PLCY_NATIVE_VLAN) {
        ext->trunk.native_vlan = static_cast<uint16_t>(load(rec, L::trunk_native_vlan));
        ext->trunk.native_is_svlan = get(rec, L::trunk_native_is_svlan) & 1u;
    }
    if (m & ETH_IF_PLCY_EFP_FILTERING) ext->sub.efp_filtering = get(rec, L::sub_efp_filtering) & 1u;
    if (m & ETH_IF_PLCY_QINQ_ETYPE)
        ext->trunk.qinq_tunneling_etype =
            static_cast<uint16_t>(load(rec, L::trunk_qinq_tunneling_etype));
    if (m & ETH_IF_PLCY_MAC_ACC) {
        ext->trunk.mac_acc_ingress = get(rec, L::trunk_mac_acc_ingress) & 1u;
        ext->trunk.mac_acc_egress = get(rec, L::trunk_mac_acc_egress) & 1u;
    }
    if (m & ETH_IF_PLCY_FILTERING) {
        ext->trunk.filter_dot1q = get(rec, L::trunk_filter_dot1q) & 1u;
        ext->trunk.filter_dot1ad = get(rec, L::trunk_filter_dot1ad) & 1u;
        ext->trunk.filter_mac_relay = get(rec, L::trunk_filter_mac_relay) & 1u;
    }
    if (m & ETH_IF_PLCY_SRC_BYPASS_FILTER)
        ext->sub.src_bypass_filter = get(rec, L::sub_src_bypass_filter) & 1u;
    if (m & ETH_IF_PLCY_ICL_MODE) ext->is_in_icl_mode = get(rec, L::is_in_icl_mode) & 1u;
    if (m & ETH_IF_PLCY_MTU) ext->mtu = static_cast<uint16_t>(load(rec, L::mtu));
    if (m & ETH_IF_PLCY_VLAN_SWITCHED) {
        ext->trunk.vlan_switched_access = get(rec, L::trunk_vlan_switched_access) & 1u;
        ext->trunk.vlan_switched_trunk = get(rec, L::trunk_vlan_switched_trunk) & 1u;
        ext->trunk.access_vlan = static_cast<uint16_t>(load(rec, L::trunk_access_vlan));
    }
    return 0;
}
