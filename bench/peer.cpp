// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Fills the proto2 message from an external record, present groups only,
// and packs and unpacks it with protobuf-c.
#include "peer.hpp"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "policy.pb-c.h"

namespace bench {

struct PeerMessage {
    Policy msg = POLICY__INIT;
    ProvisionInfo prov = PROVISION_INFO__INIT;
    Efp efp = EFP__INIT;
    Sub sub = SUB__INIT;
    Trunk trunk = TRUNK__INIT;
    Tag tags[2] = {TAG__INIT, TAG__INIT};
    Tag pushes[2] = {TAG__INIT, TAG__INIT};
    Tag *tag_ptrs[2] = {&tags[0], &tags[1]};
    Tag *push_ptrs[2] = {&pushes[0], &pushes[1]};
    VlanRange ranges[10];
    VlanRange *range_ptrs[10];
    uint32_t pcps[2] = {0, 0};
    uint8_t mac[6] = {}, src[6] = {}, dst[6] = {}, l2pt[5] = {};
};

struct PeerBytes {
    std::vector<uint8_t> bytes;
};

namespace {
template <typename T>
void set(protobuf_c_boolean &has, T &field, T value) {
    has = 1;
    field = value;
}
} // namespace

std::unique_ptr<PeerMessage, void (*)(PeerMessage *)> peer_from_ext(const eth_if_plcy_ext_t &e) {
    auto *p = new PeerMessage;
    Policy &m = p->msg;
    uint32_t v = e.valid_mask;
    set(m.has_valid_mask, m.valid_mask, v);
    if (v & ETH_IF_PLCY_ETHER_IF_TYPE) set(m.has_ether_if_type, m.ether_if_type, e.ether_if_type);
    if (v & ETH_IF_PLCY_INTF_READY)
        set<protobuf_c_boolean>(m.has_interface_ready, m.interface_ready, e.interface_ready);
    if (v & ETH_IF_PLCY_L2_FLAG) set<protobuf_c_boolean>(m.has_is_l2, m.is_l2, e.is_l2);
    if (v & ETH_IF_PLCY_PROVISION) {
        set<protobuf_c_boolean>(m.has_is_provisioned, m.is_provisioned, e.is_provisioned);
        m.provision_info = &p->prov;
        set(p->prov.has_xconnect_id, p->prov.xconnect_id, e.provision_info.xconnect_id);
        set<uint32_t>(p->prov.has_xcon_tags, p->prov.xcon_tags, e.provision_info.xcon_tags);
        set<protobuf_c_boolean>(p->prov.has_ip_iw_enabled, p->prov.ip_iw_enabled,
                                e.provision_info.ip_iw_enabled);
        set<protobuf_c_boolean>(p->prov.has_imposition_vlan_rewrite,
                                p->prov.imposition_vlan_rewrite,
                                e.provision_info.imposition_vlan_rewrite);
        set<uint32_t>(p->prov.has_imposition_vlan_id, p->prov.imposition_vlan_id,
                      e.provision_info.imposition_vlan_id);
    }
    if (v & ETH_IF_PLCY_MAC_ADDR) {
        std::memcpy(p->mac, e.mac_addr, 6);
        m.has_mac_addr = 1;
        m.mac_addr = {6, p->mac};
    }
    if (v & ETH_IF_PLCY_L2PT) {
        std::memcpy(p->l2pt, e.l2pt, 5);
        m.has_l2pt = 1;
        m.l2pt = {5, p->l2pt};
    }
    if (v & (ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE)) {
        const auto &f = e.efp;
        Efp &x = p->efp;
        m.efp = &x;
        set<protobuf_c_boolean>(x.has_configured, x.configured, f.configured);
        if (v & ETH_IF_PLCY_EFP_MATCH) {
            set<protobuf_c_boolean>(x.has_native, x.native, f.native);
            set<protobuf_c_boolean>(x.has_native_with_preservation, x.native_with_preservation,
                                    f.native_with_preservation);
            set<protobuf_c_boolean>(x.has_src_mac_check, x.src_mac_check, f.src_mac_check);
            set<protobuf_c_boolean>(x.has_dst_mac_check, x.dst_mac_check, f.dst_mac_check);
            set<protobuf_c_boolean>(x.has_exact, x.exact, f.exact);
            set<protobuf_c_boolean>(x.has_l3_ambiguous, x.l3_ambiguous, f.l3_ambiguous);
            set<uint32_t>(x.has_payload_ethertype, x.payload_ethertype, f.payload_ethertype);
            x.n_tag_pcp = x.n_tag = f.num_tags;
            x.tag_pcp = p->pcps;
            x.tag = p->tag_ptrs;
            for (unsigned i = 0; i < f.num_tags && i < 2; i++) {
                p->pcps[i] = f.tag_pcp[i];
                set<uint32_t>(p->tags[i].has_ethertype, p->tags[i].ethertype, f.tag[i].ethertype);
                set<uint32_t>(p->tags[i].has_vlan, p->tags[i].vlan, f.tag[i].vlan);
            }
            if (f.src_mac_check) {
                std::memcpy(p->src, f.src_mac, 6);
                x.has_src_mac = 1;
                x.src_mac = {6, p->src};
            }
            if (f.dst_mac_check) {
                std::memcpy(p->dst, f.dst_mac, 6);
                x.has_dst_mac = 1;
                x.dst_mac = {6, p->dst};
            }
            x.n_ranges = f.num_ranges;
            x.ranges = p->range_ptrs;
            for (unsigned k = 0; k < f.num_ranges && k < 10; k++) {
                vlan_range__init(&p->ranges[k]);
                p->range_ptrs[k] = &p->ranges[k];
                set<uint32_t>(p->ranges[k].has_low, p->ranges[k].low, f.ranges[k].low);
                set<uint32_t>(p->ranges[k].has_high, p->ranges[k].high, f.ranges[k].high);
            }
        }
        if (v & ETH_IF_PLCY_EFP_REWRITE) {
            set<uint32_t>(x.has_num_tag_pops, x.num_tag_pops, f.num_tag_pops);
            x.n_push = f.num_tag_pushes;
            x.push = p->push_ptrs;
            for (unsigned j = 0; j < f.num_tag_pushes && j < 2; j++) {
                set<uint32_t>(p->pushes[j].has_ethertype, p->pushes[j].ethertype,
                              f.push[j].ethertype);
                set<uint32_t>(p->pushes[j].has_vlan, p->pushes[j].vlan, f.push[j].vlan);
            }
        }
    }
    if (v & (ETH_IF_PLCY_PARENT | ETH_IF_PLCY_ADMIN_STATE | ETH_IF_PLCY_EFP_FILTERING |
             ETH_IF_PLCY_SRC_BYPASS_FILTER)) {
        m.sub = &p->sub;
        if (v & ETH_IF_PLCY_PARENT) set(p->sub.has_parent, p->sub.parent, e.sub.parent);
        if (v & ETH_IF_PLCY_ADMIN_STATE)
            set<uint32_t>(p->sub.has_admin_up, p->sub.admin_up, e.sub.admin_up);
        if (v & ETH_IF_PLCY_EFP_FILTERING)
            set<protobuf_c_boolean>(p->sub.has_efp_filtering, p->sub.efp_filtering,
                                    e.sub.efp_filtering);
        if (v & ETH_IF_PLCY_SRC_BYPASS_FILTER)
            set<protobuf_c_boolean>(p->sub.has_src_bypass_filter, p->sub.src_bypass_filter,
                                    e.sub.src_bypass_filter);
    }
    if (v & (ETH_IF_PLCY_NATIVE_VLAN | ETH_IF_PLCY_QINQ_ETYPE | ETH_IF_PLCY_MAC_ACC |
             ETH_IF_PLCY_FILTERING | ETH_IF_PLCY_VLAN_SWITCHED)) {
        Trunk &t = p->trunk;
        m.trunk = &t;
        if (v & ETH_IF_PLCY_NATIVE_VLAN) {
            set<uint32_t>(t.has_native_vlan, t.native_vlan, e.trunk.native_vlan);
            set<protobuf_c_boolean>(t.has_native_is_svlan, t.native_is_svlan,
                                    e.trunk.native_is_svlan);
        }
        if (v & ETH_IF_PLCY_QINQ_ETYPE)
            set<uint32_t>(t.has_qinq_tunneling_etype, t.qinq_tunneling_etype,
                          e.trunk.qinq_tunneling_etype);
        if (v & ETH_IF_PLCY_MAC_ACC) {
            set<protobuf_c_boolean>(t.has_mac_acc_ingress, t.mac_acc_ingress,
                                    e.trunk.mac_acc_ingress);
            set<protobuf_c_boolean>(t.has_mac_acc_egress, t.mac_acc_egress, e.trunk.mac_acc_egress);
        }
        if (v & ETH_IF_PLCY_FILTERING) {
            set<protobuf_c_boolean>(t.has_filter_dot1q, t.filter_dot1q, e.trunk.filter_dot1q);
            set<protobuf_c_boolean>(t.has_filter_dot1ad, t.filter_dot1ad, e.trunk.filter_dot1ad);
            set<protobuf_c_boolean>(t.has_filter_mac_relay, t.filter_mac_relay,
                                    e.trunk.filter_mac_relay);
        }
        if (v & ETH_IF_PLCY_VLAN_SWITCHED) {
            set<protobuf_c_boolean>(t.has_vlan_switched_trunk, t.vlan_switched_trunk,
                                    e.trunk.vlan_switched_trunk);
            set<protobuf_c_boolean>(t.has_vlan_switched_access, t.vlan_switched_access,
                                    e.trunk.vlan_switched_access);
            set<uint32_t>(t.has_access_vlan, t.access_vlan, e.trunk.access_vlan);
        }
    }
    if (v & ETH_IF_PLCY_ICL_MODE)
        set<protobuf_c_boolean>(m.has_is_in_icl_mode, m.is_in_icl_mode, e.is_in_icl_mode);
    if (v & ETH_IF_PLCY_MTU) set<uint32_t>(m.has_mtu, m.mtu, e.mtu);
    return {p, [](PeerMessage *q) { delete q; }};
}

size_t peer_packed_size(const PeerMessage &msg) {
    return policy__get_packed_size(&msg.msg);
}

size_t peer_pack(const PeerMessage &msg) {
    size_t n = policy__get_packed_size(&msg.msg);
    auto *buf = static_cast<uint8_t *>(std::malloc(n));
    size_t written = policy__pack(&msg.msg, buf);
    std::free(buf);
    return written;
}

std::unique_ptr<PeerBytes, void (*)(PeerBytes *)> peer_bytes(const PeerMessage &msg) {
    auto *b = new PeerBytes;
    b->bytes.resize(policy__get_packed_size(&msg.msg));
    policy__pack(&msg.msg, b->bytes.data());
    return {b, [](PeerBytes *q) { delete q; }};
}

void peer_unpack(const PeerBytes &bytes) {
    Policy *m = policy__unpack(nullptr, bytes.bytes.size(), bytes.bytes.data());
    policy__free_unpacked(m, nullptr);
}

} // namespace bench
