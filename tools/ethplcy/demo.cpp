// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// ethplcy demo: one sub-interface policy through its life.
#include <iostream>

#include "tool.hpp"

namespace ethplcy_tool {
namespace {

void check(eth_if_plcy::Status s, const char *what) {
    if (s != eth_if_plcy::Status::ok)
        throw Failure(std::string(what) + " failed: " + eth_if_plcy::to_string(s));
}

eth_if_plcy_ext_t example_policy() {
    eth_if_plcy_ext_t e;
    std::memset(&e, 0, sizeof e);
    e.valid_mask = ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_L2_FLAG | ETH_IF_PLCY_PROVISION |
                   ETH_IF_PLCY_L2PT | ETH_IF_PLCY_MAC_ADDR | ETH_IF_PLCY_PARENT |
                   ETH_IF_PLCY_ADMIN_STATE | ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE |
                   ETH_IF_PLCY_MTU;
    e.ether_if_type = 3; // an L2 sub-interface of an Ethernet port
    e.is_l2 = 1;
    e.is_provisioned = 1;
    e.provision_info.xconnect_id = 0x1234;
    e.provision_info.xcon_tags = 2;
    e.l2pt[1] =
        3 | ETH_IF_PLCY_L2PT_EXP_GIVEN | 5 << ETH_IF_PLCY_L2PT_EXP_SHIFT; // tovu: tunnel, EXP 5
    std::memcpy(e.mac_addr, "\x00\x11\x22\x33\x44\x55", 6);
    e.sub.parent = 0x04000340;
    e.sub.admin_up = 1;
    auto &f = e.efp;
    f.configured = 1;
    f.num_tags = 2;
    f.tag[0] = {ETH_EFP_ETHERTYPE_DOT1AD, 200};
    f.tag[1] = {ETH_EFP_ETHERTYPE_DOT1Q, EFP_VLAN_RANGE};
    f.tag_pcp[0] = f.tag_pcp[1] = EFP_PCP_ANY;
    f.num_ranges = 3;
    f.ranges[0] = {100, 199};
    f.ranges[1] = {300, 399};
    f.ranges[2] = {1000, 1999};
    f.num_tag_pops = 1;
    f.num_tag_pushes = 1;
    f.push[0] = {ETH_EFP_ETHERTYPE_DOT1Q, 42};
    e.mtu = 9000;
    return e;
}

std::string indent(const std::string &text) {
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out += "    " + text.substr(start, end - start) + "\n";
        start = end + 1;
    }
    return out;
}

} // namespace

int run_demo() {
    using namespace eth_if_plcy;
    std::cout << "1. Fill an external policy for an L2 sub-interface: parent, provisioning, "
                 "L2PT, MAC, a QinQ EFP with a VLAN range list and a rewrite, MTU.\n";
    eth_if_plcy_ext_t policy = example_policy();

    Record held;
    check(encode(policy, held), "encode");
    std::cout << "2. Encode it into a " << held.size() << "-byte internal record:\n"
              << indent(print(held, ETH_IF_PLCY_PRINT_COMPACT));

    Record wire;
    check(copy(held, wire, ETH_IF_PLCY_COPY_HTON), "copy");
    std::cout << "3. Make a network-image copy to send; its bytes:\n    "
              << to_hex({reinterpret_cast<const uint8_t *>(wire.get()), held.size()}) << "\n";

    check(ntoh(wire), "ntoh");
    std::cout << "4. The receiver turns it back to host order with ntoh: "
              << (compare(wire, held) == 0 ? "identical to the sent record"
                                           : "DIFFERENT from the sent record")
              << ".\n";

    policy.mtu = 1500;
    Record update;
    check(encode(policy, update), "encode");
    std::cout << "5. A new version lowers the MTU to 1500 and is encoded again.\n";

    std::cout << "6. Compare names the policy fields that differ:";
    for (const auto &name : field_names(compare(held, update)))
        std::cout << " " << name;
    std::cout << "\n";

    void *before = held.get();
    check(replace(held, update), "replace");
    std::cout << "7. Replace the held record with the new one ("
              << (held.get() == before ? "same size, block reused" : "new block") << ").\n";

    eth_if_plcy_ext_t got;
    check(decode(held, got, ETH_IF_PLCY_MTU | ETH_IF_PLCY_EFP_MATCH), "decode");
    std::cout << "8. Decode only what the receiver needs: mtu " << got.mtu << ", "
              << unsigned(got.efp.num_tags) << " match tags, " << got.efp.num_ranges
              << " VLAN ranges.\n";

    std::cout << "9. The held record in the full layout:\n" << indent(print(held));
    std::cout << "10. Free everything (the record handles release their blocks).\n";
    return 0;
}

} // namespace ethplcy_tool
