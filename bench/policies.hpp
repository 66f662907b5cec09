// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The three reference policies of the benchmarks and the instruction guard.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "ether_interface_policy_api.h"

namespace bench {

struct Policy {
    std::string name;
    eth_if_plcy_ext_t ext;
};

inline eth_if_plcy_ext_t blank() {
    eth_if_plcy_ext_t e;
    std::memset(&e, 0, sizeof e);
    return e;
}

// A trunk port: type, L2, MTU, MAC, native VLAN, QinQ ethertype, MAC accounting.
inline eth_if_plcy_ext_t a_trunk() {
    eth_if_plcy_ext_t e = blank();
    e.valid_mask = 0x41C25;
    e.ether_if_type = 1;
    e.is_l2 = 1;
    e.mtu = 9216;
    std::memcpy(e.mac_addr, "\x00\x11\x22\x33\x44\x55", 6);
    e.trunk.native_vlan = 1;
    e.trunk.native_is_svlan = 0;
    e.trunk.qinq_tunneling_etype = 0x88a8;
    e.trunk.mac_acc_ingress = 1;
    e.trunk.mac_acc_egress = 1;
    return e;
}

// A dot1q sub-interface: one tag, VLAN 100, one pop.
inline eth_if_plcy_ext_t b_sub_dot1q() {
    eth_if_plcy_ext_t e = blank();
    e.valid_mask = 0x3C1;
    e.ether_if_type = 2;
    e.sub.parent = 0x04000340;
    e.sub.admin_up = 1;
    e.efp.configured = 1;
    e.efp.num_tags = 1;
    e.efp.tag[0] = {0x8100, 100};
    e.efp.tag_pcp[0] = 255;
    e.efp.num_tag_pops = 1;
    return e;
}

// A QinQ sub-interface: outer 802.1ad 200, inner VLAN ranges, source MAC,
// payload ethertype, two pushed tags.
inline eth_if_plcy_ext_t c_sub_qinq_ranges() {
    eth_if_plcy_ext_t e = blank();
    e.valid_mask = 0x3C1;
    e.ether_if_type = 2;
    e.sub.parent = 0x04000380;
    e.sub.admin_up = 1;
    auto &f = e.efp;
    f.configured = 1;
    f.num_tags = 2;
    f.tag[0] = {0x88a8, 200};
    f.tag[1] = {0x8100, EFP_VLAN_RANGE};
    f.tag_pcp[0] = f.tag_pcp[1] = 255;
    f.num_ranges = 3;
    f.ranges[0] = {100, 199};
    f.ranges[1] = {300, 399};
    f.ranges[2] = {1000, 1999};
    f.src_mac_check = 1;
    std::memcpy(f.src_mac, "\x00\xaa\xbb\xcc\xdd\xee", 6);
    f.payload_ethertype = 0x0800;
    f.num_tag_pops = 0;
    f.num_tag_pushes = 2;
    f.push[0] = {0x88a8, 300};
    f.push[1] = {0x8100, 400};
    return e;
}

inline std::vector<Policy> reference_policies() {
    return {{"a_trunk", a_trunk()},
            {"b_sub_dot1q", b_sub_dot1q()},
            {"c_sub_qinq_ranges", c_sub_qinq_ranges()}};
}

} // namespace bench
