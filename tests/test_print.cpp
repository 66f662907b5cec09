// SPDX-License-Identifier: Apache-2.0
// Printing: whole texts of every layout, the name tables, the append
// primitive, and every printer cut at every buffer length.
#include <clocale>
#include <cwchar>
#include <functional>

#include "eth_efp_util.h"
#include "test_support.hpp"
#include "text.hpp"

namespace {

using test::assert_line;
using test::Owned;
using test::zero_ext;

// A rich sub-interface policy: provisioned, L2PT with and without EXP, MAC,
// parent, an EFP with ranges, a payload type, a source MAC and a rewrite.
eth_if_plcy_ext_t rich_sub() {
    static const eth_if_plcy_vlan_range_t ranges[] = {{100, 199}, {300, 300}};
    eth_if_plcy_ext_t e = zero_ext();
    e.valid_mask = ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_INTF_READY | ETH_IF_PLCY_L2_FLAG |
                   ETH_IF_PLCY_PROVISION | ETH_IF_PLCY_L2PT | ETH_IF_PLCY_MAC_ADDR |
                   ETH_IF_PLCY_PARENT | ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE |
                   ETH_IF_PLCY_ADMIN_STATE | ETH_IF_PLCY_EFP_FILTERING |
                   ETH_IF_PLCY_SRC_BYPASS_FILTER | ETH_IF_PLCY_LOOPBACK | ETH_IF_PLCY_ICL_MODE |
                   ETH_IF_PLCY_MTU;
    e.ether_if_type = 3;
    e.interface_ready = 1;
    e.is_l2 = 1;
    e.is_provisioned = 1;
    e.provision_info = {0x1234, 2, 1, 1, 100};
    e.l2pt[1] = 0x5B;
    e.l2pt[4] = 0x02;
    std::memcpy(e.mac_addr, "\x00\x11\x22\x33\x44\x55", 6);
    e.sub.parent = 0xABCD;
    e.sub.admin_up = 1;
    e.sub.src_bypass_filter = 1;
    e.is_in_icl_mode = 1;
    e.mtu = 9000;
    e.trunk.access_vlan = 77; // never printed
    auto &f = e.efp;
    f.configured = 1;
    f.num_tags = 2;
    f.tag[0] = {0x88a8, 200};
    f.tag[1] = {0x8100, EFP_VLAN_RANGE};
    f.tag_pcp[0] = f.tag_pcp[1] = EFP_PCP_ANY;
    f.num_ranges = 2;
    f.ranges[0] = ranges[0];
    f.ranges[1] = ranges[1];
    f.tag_range_count[1] = 2;
    f.tag_range_list[1] = ranges;
    f.payload_ethertype = 0x0800;
    f.src_mac_check = 1;
    std::memcpy(f.src_mac, "\x00\xaa\xbb\xcc\xdd\xee", 6);
    f.exact = 1;
    f.num_tag_pops = 1;
    f.num_tag_pushes = 1;
    f.push[0] = {0x8100, 300};
    return e;
}

// A trunk policy, not provisioned, every L2PT protocol off.
eth_if_plcy_ext_t trunk() {
    eth_if_plcy_ext_t e = zero_ext();
    e.valid_mask = ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_INTF_READY | ETH_IF_PLCY_L2_FLAG |
                   ETH_IF_PLCY_PROVISION | ETH_IF_PLCY_L2PT | ETH_IF_PLCY_NATIVE_VLAN |
                   ETH_IF_PLCY_QINQ_ETYPE | ETH_IF_PLCY_MAC_ACC | ETH_IF_PLCY_FILTERING |
                   ETH_IF_PLCY_VLAN_SWITCHED | ETH_IF_PLCY_MTU;
    e.ether_if_type = 1;
    e.l2pt[2] = 0x38; // off, EXP 3 given
    e.trunk.native_vlan = 10;
    e.trunk.native_is_svlan = 1;
    e.trunk.qinq_tunneling_etype = 0x88a8;
    e.trunk.mac_acc_ingress = 1;
    e.trunk.filter_dot1q = 1;
    e.trunk.filter_mac_relay = 1;
    e.trunk.vlan_switched_trunk = 1;
    e.trunk.access_vlan = 5;
    e.mtu = 1500;
    return e;
}

std::string print(const eth_if_plcy_ext_t &e, uint32_t options) {
    Owned rec;
    EXPECT_EQ(0u, eth_if_plcy_encode(&e, rec.out(), 0));
    std::vector<char> buf(8192);
    return eth_if_plcy_print(rec.rec, buf.data(), buf.size(), options);
}

std::string ext_print(const eth_if_plcy_ext_t &e, uint32_t options) {
    std::vector<char> buf(8192);
    return eth_if_plcy_ext_print(&e, buf.data(), buf.size(), options);
}

const char *const kMaskRich =
    "    ETHER_IF_TYPE: 1\n    INTF_READY: 1\n    L2_FLAG: 1\n    PROVISION: 1\n"
    "    L2PT: 1\n    MAC_ADDR: 1\n    PARENT: 1\n    EFP MATCH: 1\n    EFP REWRITE: 1\n"
    "    ADMIN_STATE: 1\n    NATIVE_VLAN: 0\n    QINQ_ETYPE: 0\n    MAC_ACC: 0\n"
    "    FILTERING: 0\n    EFP FILTERING: 1\n    SRC BYPASS FILTER: 1\n    LOOPBACK: 1\n"
    "    ICL MODE: 1\n    MTU: 1\n    VLAN SWITCHED: 0\n";

const char *const kMatch = "encap dot1ad 200 dot1q 100-199,300 0x0800 src:00aa.bbcc.ddee exact";
const char *const kRewrite = "rewrite pop 1 push 1 dot1q 300";

TEST(Print, InternalLayoutsOfASubInterface) {
    EXPECT_EQ(print(rich_sub(), 0),
              std::string("INTERNAL ETHER INTF POLICY:\nversion=0\nsize=125\nvalid mask (all):\n") +
                  kMaskRich +
                  "ether_if_type: ether.l2sub\ninterface_ready: 1\nis_l2: 1\n"
                  "is_provisioned: 1\nprovision_info.xconnect_id: 4660\n"
                  "provision_info.xcon_tags: 2\nprovision_info.l2_prop_remote_status: 0\n"
                  "provision_info.ip_iw_enabled: 1\nprovision_info.imposition_vlan_rewrite: 1\n"
                  "provision_info.imposition_vlan_id: 100\n"
                  "l2pt: lyx   (mode: off, mpls exp: unset)\n"
                  "l2pt: tovu   (mode: tunnel, mpls exp: 5)\n"
                  "l2pt: quz   (mode: off, mpls exp: unset)\n"
                  "l2pt: jaxe   (mode: off, mpls exp: unset)\n"
                  "l2pt: wimo   (mode: drop, mpls exp: unset)\n"
                  "mac_addr: 0011:2233:4455\nMTU: 9000\nsub.parent: 0x0000abcd\n"
                  "sub.admin_up: 1\nsub.efp_filtering: 0\nsub.src_bypass_filter: 1\n"
                  "is_in_icl_mode: 1\nEFP MATCH: " +
                  kMatch + "\nEFP REWRITE: " + kRewrite + "\n");
    EXPECT_EQ(print(rich_sub(), ETH_IF_PLCY_PRINT_COMPACT),
              std::string("(internal, version=0, size=125)\n"
                          "    ether_if_type: ether.l2sub\n    interface_ready: 1\n    is_l2: 1\n"
                          "    is_provisioned: 1\n      provision_info.xconnect_id: 4660\n"
                          "      provision_info.xcon_tags: 2\n"
                          "      provision_info.l2_prop_remote_status: 0\n"
                          "      provision_info.ip_iw_enabled: 1\n"
                          "      provision_info.imposition_vlan_rewrite: 1\n"
                          "      provision_info.imposition_vlan_id: 100\n"
                          "    l2pt: tovu   (mode: tunnel, mpls exp: 5)\n"
                          "    l2pt: wimo   (mode: drop, mpls exp: unset)\n"
                          "    mac_addr: 0011:2233:4455\n    MTU: 9000\n"
                          "    sub.parent: 0x0000abcd\n    sub.admin_up: 1\n"
                          "    sub.efp_filtering: 0\n    sub.src_bypass_filter: 1\n"
                          "    is_in_icl_mode: 1\n    EFP MATCH: ") +
                  kMatch + "\n    EFP REWRITE: " + kRewrite + "\n");
    const std::string brief =
        std::string("(v0, 125b): Type: ether.l2sub, Ready, L2\n"
                    " provisioned: (xcon_(id=4660, tags=2), ip_iw, vlan_rewrite(id=100))\n"
                    " l2pt: tovu(t exp: 5) wimo(d)\n mac_addr: 0011:2233:4455\n MTU: 9000\n"
                    " sub: (parent: 0x0000abcd, admin: up, efp_filt: off, src_bypass_filt: on)\n"
                    " icl_mode_on\n efp: (") +
        kMatch + ", " + kRewrite + ")\n";
    EXPECT_EQ(print(rich_sub(), ETH_IF_PLCY_PRINT_BRIEF), brief);
    // Both layout bits: the compact header over the brief body.
    EXPECT_EQ(print(rich_sub(), ETH_IF_PLCY_PRINT_BRIEF | ETH_IF_PLCY_PRINT_COMPACT),
              "(internal, version=0, size=125)\n" +
                  brief.substr(std::string("(v0, 125b):").size()));
}

TEST(Print, InternalLayoutsOfATrunk) {
    const char *lines = "ether_if_type: ether\ninterface_ready: 0\nis_l2: 0\nnot provisioned\n";
    EXPECT_EQ(print(trunk(), 0).substr(print(trunk(), 0).find("ether_if_type")),
              std::string(lines) +
                  "l2pt: lyx   (mode: off, mpls exp: unset)\n"
                  "l2pt: tovu   (mode: off, mpls exp: unset)\n"
                  "l2pt: quz   (mode: off, mpls exp: 3)\n"
                  "l2pt: jaxe   (mode: off, mpls exp: unset)\n"
                  "l2pt: wimo   (mode: off, mpls exp: unset)\n"
                  "MTU: 1500\ntrunk.native_vlan: 10\ntrunk.native_is_svlan: 1\n"
                  "trunk.qinq_tunneling_etype: 0x88a8\ntrunk.mac_acc_ingress: 1\n"
                  "trunk.mac_acc_egress: 0\ntrunk.filter_dot1q: 1\ntrunk.filter_dot1ad: 0\n"
                  "trunk.filter_mac_relay: 1\ntrunk.vlan_switched_access: 0\n"
                  "trunk.vlan_switched_trunk: 1\ntrunk.access_vlan: 5\n");
    EXPECT_EQ(print(trunk(), ETH_IF_PLCY_PRINT_COMPACT),
              "(internal, version=0, size=72)\n    ether_if_type: ether\n"
              "    interface_ready: 0\n    is_l2: 0\n    not provisioned\n    l2pt: off\n"
              "    MTU: 1500\n    trunk.native_vlan: 10\n    trunk.native_is_svlan: 1\n"
              "    trunk.qinq_tunneling_etype: 0x88a8\n    trunk.mac_acc_ingress: 1\n"
              "    trunk.mac_acc_egress: 0\n    trunk.filter_dot1q: 1\n"
              "    trunk.filter_dot1ad: 0\n    trunk.filter_mac_relay: 1\n"
              "    trunk.vlan_switched_access: 0\n    trunk.vlan_switched_trunk: 1\n"
              "    trunk.access_vlan: 5\n");
    EXPECT_EQ(print(trunk(), ETH_IF_PLCY_PRINT_BRIEF),
              "(v0, 72b): Type: ether, Not ready, L3\n not provisioned\n MTU: 1500\n"
              " trunk: (native_vlan: 10, svlan, qinq_tunneling_etype: 0x88a8, "
              "mac_acc_(ingress: 1, egress: 0), filter_(dot1q:1, dot1ad:0, tpmr:1), "
              "vs_(access:0, trunk:1, access_vlan:5))\n");
}

TEST(Print, InternalEdgeCases) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    eth_if_plcy_ext_t e = zero_ext();
    EXPECT_EQ(print(e, ETH_IF_PLCY_PRINT_BRIEF), "(v0, 72b):");
    std::string full = print(e, 0);
    EXPECT_EQ(full.substr(0, 62),
              "INTERNAL ETHER INTF POLICY:\nversion=0\nsize=72\nvalid mask (all)");
    EXPECT_EQ(std::count(full.begin(), full.end(), '\n'), 24);
    EXPECT_EQ(full.find(": 1"), std::string::npos);

    // Brief: no readiness token for L3 sub-interfaces; no provisioning without L2_FLAG.
    e.valid_mask = ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_INTF_READY | ETH_IF_PLCY_PROVISION;
    e.ether_if_type = 5;
    EXPECT_EQ(print(e, ETH_IF_PLCY_PRINT_BRIEF), "(v0, 72b): Type: bundle.sub, \n");
    e.valid_mask |= ETH_IF_PLCY_L2_FLAG;
    EXPECT_EQ(print(e, ETH_IF_PLCY_PRINT_BRIEF),
              "(v0, 72b): Type: bundle.sub, L3\n not provisioned\n");

    // Brief sub group with two members; efp group with the rewrite alone.
    e = zero_ext();
    e.valid_mask = ETH_IF_PLCY_PARENT | ETH_IF_PLCY_SRC_BYPASS_FILTER | ETH_IF_PLCY_EFP_REWRITE |
                   ETH_IF_PLCY_EFP_MATCH;
    e.sub.parent = 1;
    e.efp.configured = 1;
    e.efp.num_tag_pops = 2;
    Owned rec;
    ASSERT_EQ(0u, eth_if_plcy_encode(&e, rec.out(), 0));
    auto *b = reinterpret_cast<uint8_t *>(rec.rec);
    b[57] &= uint8_t(~1u); // the match is not configured
    char buf[512];
    EXPECT_STREQ(eth_if_plcy_print(rec.rec, buf, sizeof buf, ETH_IF_PLCY_PRINT_BRIEF),
                 "(v0, 80b): sub: (parent: 0x00000001, src_bypass_filt: off)\n"
                 " efp: (rewrite pop 2)\n");
    EXPECT_STREQ(eth_if_plcy_print(rec.rec, buf, sizeof buf, ETH_IF_PLCY_PRINT_COMPACT),
                 "(internal, version=0, size=80)\n    sub.parent: 0x00000001\n"
                 "    sub.src_bypass_filter: 0\n    EFP MATCH: (none)\n"
                 "    EFP REWRITE: rewrite pop 2\n");
    EXPECT_EQ(eth_if_plcy_print(rec.rec, nullptr, 10, 0), nullptr);
    buf[0] = 'x';
    EXPECT_EQ(eth_if_plcy_print(rec.rec, buf, 0, 0), nullptr);
    EXPECT_EQ(buf[0], 'x');
}

TEST(ExtPrint, LayoutsOfASubInterface) {
    EXPECT_EQ(ext_print(rich_sub(), ETH_IF_PLCY_PRINT_COMPACT),
              std::string("ether_if_type=3/is_l2=1/interface_ready=1/provisioned=1/p.xcid=0x1234/"
                          "p.xcts=2/p.ipiw=1/p.ivrw=1/p.ivid=100/l2pt={tovu:t5&wimo:d&}/"
                          "mac_addr=0011:2233:4455/parent=IFH0x0000abcd/admin_up=1/"
                          "efp_filtering=0/src_bypass_filter=1/is_in_icl_mode=1/efp=1/efp_match=") +
                  kMatch + "/efp_rw=" + kRewrite +
                  "/mtu=9000/vlan_switched_trunk=-/vlan_switched_access=-/");
    std::string full = ext_print(rich_sub(), 0x10);
    const std::string head =
        "EXTERNAL ETHER INTF POLICY:\nvalid mask:\n    ETHER_IF_TYPE: 1\n    L2_FLAG: 1\n";
    EXPECT_EQ(full.substr(0, head.size()), head);
    EXPECT_EQ(
        full.substr(full.find("ether_if_type:")),
        std::string("ether_if_type: 3\nis_l2: 1\ninterface_ready: 1\nis_provisioned: 1\n"
                    "provision_info.xconnect_id: 0x1234\nprovision_info.xcon_tags: 2\n"
                    "provision_info.ip_iw_enabled: 1\nprovision_info.imposition_vlan_rewrite: 1\n"
                    "provision_info.imposition_vlan_id: 100\n"
                    "   l2pt:  lyx   (mode: off, mpls exp: unset)\n"
                    "   l2pt:  tovu   (mode: tunnel, mpls exp: 5)\n"
                    "   l2pt:  quz   (mode: off, mpls exp: unset)\n"
                    "   l2pt:  jaxe   (mode: off, mpls exp: unset)\n"
                    "   l2pt:  wimo   (mode: drop, mpls exp: unset)\n"
                    "mac_addr: 0011:2233:4455\nparent: 0x0000abcd\nadmin_up: 1\n"
                    "efp_filtering: 0\nsrc_bypass_filter: 1\nis_in_icl_mode: 1\nefp: 1\n"
                    "efp_match: ") +
            kMatch + "\nefp_rw: " + kRewrite + "\nmtu: 9000\n");
    EXPECT_EQ(std::count(full.begin(), full.end(), '\n'), 2 + 18 + 24);
}

TEST(ExtPrint, CompactEdgeTexts) {
    auto with = [](uint32_t mask, auto change) {
        eth_if_plcy_ext_t e = zero_ext();
        e.valid_mask = mask;
        change(e);
        return e;
    };
    auto none = [](auto &) {};
    static const eth_if_plcy_vlan_range_t pairs[] = {{1, 2}};
    struct Case {
        eth_if_plcy_ext_t ext;
        const char *text;
    } cases[] = {
        {with(0, none), "ether_if_type=-/is_l2=-/intf_ready=-/provisioned=-/l2pt=-/mac_addr=-/"
                        "is_in_icl_mode=-/mtu=-/vlan_switched_trunk=-/vlan_switched_access=-/"},
        {with(1, [](auto &e) { e.ether_if_type = 2; }),
         "ether_if_type=2/is_l2=-/intf_ready=-/provisioned=-/l2pt=-/mac_addr=-/parent=-/"
         "admin_up=-/efp_filtering=-/src_bypass_filter=-/is_in_icl_mode=-/efp=-/mtu=-/"
         "vlan_switched_trunk=-/vlan_switched_access=-/"},
        {with(1, [](auto &e) { e.ether_if_type = 1; }),
         "ether_if_type=1/is_l2=-/intf_ready=-/provisioned=-/l2pt=-/mac_addr=-/native_vlan=-/"
         "qinq_tunneling_etype=-/mac_acc_ingress=-/mac_acc_egress=-/filter_*=-/"
         "is_in_icl_mode=-/mtu=-/vlan_switched_trunk=-/vlan_switched_access=-/"},
        {with(1, [](auto &e) { e.ether_if_type = 22; }),
         "ether_if_type=22/is_l2=-/intf_ready=-/provisioned=-/l2pt=-/mac_addr=-/"
         "is_in_icl_mode=-/mtu=-/vlan_switched_trunk=-/vlan_switched_access=-/"},
        {with(ETH_IF_PLCY_PROVISION, none), "provisioned=0/"},
        {with(ETH_IF_PLCY_L2PT, none), "l2pt={}/"},
        {with(ETH_IF_PLCY_EFP_MATCH, [](auto &e) { e.efp.num_tags = 1; }), "efp=0/"},
        {with(ETH_IF_PLCY_EFP_MATCH,
              [](auto &e) {
                  e.efp.configured = 1;
                  e.efp.num_tags = 2;
                  e.efp.tag[0] = e.efp.tag[1] = {0x8100, EFP_VLAN_RANGE};
                  e.efp.tag_pcp[0] = e.efp.tag_pcp[1] = 255;
                  e.efp.tag_range_count[0] = e.efp.tag_range_count[1] = 1;
                  e.efp.tag_range_list[0] = e.efp.tag_range_list[1] = pairs;
              }),
         "efp=1/efp_match=ERROR0x46278a00/efp_rw=-/"},
        {with(ETH_IF_PLCY_EFP_MATCH,
              [](auto &e) {
                  e.efp.configured = 1;
                  e.efp.num_tags = 1;
                  e.efp.tag[0] = {0x8100, EFP_VLAN_RANGE};
                  e.efp.tag_pcp[0] = 255;
                  e.efp.tag_range_count[0] = 1;
                  e.efp.tag_range_list[0] = pairs;
              }),
         "efp=1/efp_match=encap dot1q 1-2/efp_rw=-/"},
    };
    for (const Case &c : cases) {
        std::string text = ext_print(c.ext, ETH_IF_PLCY_PRINT_COMPACT | 0x10);
        std::string tail = text;
        for (const char *dash : {"ether_if_type=-/", "is_l2=-/", "intf_ready=-/", "provisioned=-/",
                                 "l2pt=-/", "mac_addr=-/", "is_in_icl_mode=-/", "mtu=-/",
                                 "vlan_switched_trunk=-/vlan_switched_access=-/"})
            if (std::strstr(c.text, dash) == nullptr) {
                auto at = tail.find(dash);
                if (at != std::string::npos) tail.erase(at, std::strlen(dash));
            }
        EXPECT_EQ(tail, c.text);
    }
    eth_if_plcy_ext_t e = zero_ext();
    long before = eth_if_plcy_test_alloc_count();
    ext_print(with(ETH_IF_PLCY_EFP_MATCH, none), ETH_IF_PLCY_PRINT_COMPACT);
    EXPECT_EQ(eth_if_plcy_test_alloc_count(), before); // no EFP configured: no encode
    char buf[8] = "keep";
    EXPECT_EQ(eth_if_plcy_ext_print(nullptr, buf, sizeof buf, 0), nullptr);
    EXPECT_EQ(eth_if_plcy_ext_print(&e, nullptr, 8, 0), nullptr);
    EXPECT_EQ(eth_if_plcy_ext_print(&e, buf, 0, 0), nullptr);
    EXPECT_STREQ(buf, "keep");
    // An allocation failure in the encode shows as its status.
    e = rich_sub();
    eth_if_plcy_test_fail_alloc(0);
    std::string failed = ext_print(e, ETH_IF_PLCY_PRINT_COMPACT);
    eth_if_plcy_test_fail_alloc(-1);
    EXPECT_NE(failed.find("efp=1/efp_match=ERROR0x46278800/efp_rw=ERROR0x46278800/mtu=9000/"),
              std::string::npos);
}

TEST(Print, MaskPrinters) {
    char buf[1024];
    std::string all = eth_if_plcy_print_mask(0xFFFFFFFF, buf, sizeof buf);
    EXPECT_EQ(all, std::string("Internal Ether policy mask:\n") +
                       "    ETHER_IF_TYPE: 1\n    INTF_READY: 1\n    L2_FLAG: 1\n    PROVISION: 1\n"
                       "    L2PT: 1\n    MAC_ADDR: 1\n    PARENT: 1\n    EFP MATCH: 1\n"
                       "    EFP REWRITE: 1\n    ADMIN_STATE: 1\n    NATIVE_VLAN: 1\n"
                       "    QINQ_ETYPE: 1\n    MAC_ACC: 1\n    FILTERING: 1\n"
                       "    EFP FILTERING: 1\n    SRC BYPASS FILTER: 1\n    LOOPBACK: 1\n"
                       "    ICL MODE: 1\n    MTU: 1\n    VLAN SWITCHED: 1\n");
    EXPECT_EQ(eth_if_plcy_print_mask(0xFFFFFFFF, buf, sizeof buf), buf);
    std::string ext = eth_if_plcy_print_ext_mask(0x6000, buf, sizeof buf);
    EXPECT_EQ(ext.substr(0, 28), "External Ether policy mask:\n");
    EXPECT_EQ(std::count(ext.begin(), ext.end(), '\n'), 19);
    EXPECT_EQ(ext.find("INTF_READY"), std::string::npos);
    EXPECT_EQ(ext.find("LOOPBACK"), std::string::npos);
    EXPECT_NE(ext.find("    FILTERING: 1\n    EFP FILTERING: 1\n"), std::string::npos);
    // The _internal form continues a cursor and leaves it on the final NUL.
    char *pos = buf;
    size_t len = sizeof buf;
    eth_if_plcy_append(&pos, &len, "X");
    eth_if_plcy_print_mask_internal(0, &pos, &len);
    EXPECT_EQ(pos, buf + std::strlen(buf));
    EXPECT_EQ(std::string(buf, 24), "X    ETHER_IF_TYPE: 0\n  ");
}

std::vector<uint8_t> full_form(std::function<void(uint8_t *)> fill) {
    std::vector<uint8_t> f(ETH_EFP_UTIL_FULL_AREA_MAX, 0);
    eth_efp_initialise(f.data());
    fill(f.data());
    return f;
}

void tag(uint8_t *b, unsigned i, uint16_t ethertype, uint16_t vlan, uint8_t pcp) {
    b[1] = uint8_t(i + 1);
    eth_efp_store16(b + 2 + 6 * i, ethertype);
    eth_efp_store16(b + 4 + 6 * i, vlan);
    b[6 + 6 * i] = pcp;
}

TEST(Print, EfpFormatterTokens) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    struct Case {
        std::vector<uint8_t> efp;
        const char *match;
        const char *rewrite;
    } cases[] = {
        {full_form([](uint8_t *) {}), "(none)", "(none)"},
        {full_form([](uint8_t *b) { b[24] = 3; }), "encap default", "rewrite"},
        {full_form([](uint8_t *b) { b[24] = 1, tag(b, 0, 0x8100, 100, 15); }), "encap dot1q 100",
         "(none)"},
        {full_form([](uint8_t *b) { b[24] = 1, tag(b, 0, 0x88A8, 4096, 4); }),
         "encap dot1ad (any) cos 3", "(none)"},
        {full_form([](uint8_t *b) { b[24] = 1, tag(b, 0, 0x0001, 0, 0); }),
         "encap untagged prio-tagUnknown(0x0)", "(none)"},
        {full_form([](uint8_t *b) { b[24] = 1, tag(b, 0, 0x0000, 5, 9); }),
         "encap <MatchAny> 5Unknown(0x9)", "(none)"},
        {full_form([](uint8_t *b) {
             b[24] = 1;
             tag(b, 0, 0x9100, 4097, 15);
             tag(b, 1, 0x8100, 4097, 15);
             std::memcpy(b + 56, "\xC0\x00\x0a\x00\x14\x00\xC1\x00\x1e\x00\x1e\x00\x0f", 13);
         }),
         "encap 0x9100 10-20,30 dot1q 10-20,30", "(none)"},
        {full_form([](uint8_t *b) { b[24] = 1, tag(b, 0, 0x8100, 4097, 15); }), "encap dot1q",
         "(none)"},
        {full_form([](uint8_t *b) { b[24] = 1 | 0x0C | 0x30; }),
         "encap default native-with-preservation exact l3-ambig", "(none)"},
        {full_form([](uint8_t *b) { b[24] = 1 | 0x08; }), "encap default", "(none)"},
        {full_form([](uint8_t *b) { b[24] = 1 | 0x04, b[51] = 1, b[26] = 0x0A; }),
         "encap default 0x000a dst:0000.0000.0001 native", "(none)"},
        {full_form([](uint8_t *b) { b[24] = 2, b[14] = 1; }), "(none)", "rewrite pop 1"},
        {full_form([](uint8_t *b) {
             b[24] = 2, b[15] = 2;
             eth_efp_store16(b + 16, 0x8100), eth_efp_store16(b + 18, 100);
             eth_efp_store16(b + 20, 0x88A8), eth_efp_store16(b + 22, 200);
         }),
         "(none)", "rewrite push 2 dot1q 100 dot1ad 200"},
    };
    for (const Case &c : cases) {
        char text[256];
        const auto *f = reinterpret_cast<const eth_efp_full *>(c.efp.data());
        eth_if_plcy_format_efp_match(text, sizeof text, f);
        EXPECT_STREQ(text, c.match);
        eth_if_plcy_format_efp_rewrite(text, sizeof text, f);
        EXPECT_STREQ(text, c.rewrite);
    }
}

TEST(Print, NameTables) {
    EXPECT_STREQ(eth_if_plcy_l2pt_proto_str(0), "lyx");
    EXPECT_STREQ(eth_if_plcy_l2pt_proto_str(4), "wimo");
    EXPECT_STREQ(eth_if_plcy_l2pt_proto_str(5), "unknown");
    EXPECT_STREQ(eth_if_plcy_l2pt_mode_str(4, 0), "rev-tnl");
    EXPECT_STREQ(eth_if_plcy_l2pt_mode_str(4, 1), "e");
    EXPECT_STREQ(eth_if_plcy_l2pt_mode_str(7, 0), "unknown");
    EXPECT_STREQ(eth_if_plcy_l2pt_mode_str(7, 1), "?");
    for (auto [value, text] : {std::pair<uint16_t, const char *>{0x0001, " untagged"},
                               {0x0000, " <MatchAny>"},
                               {0x88A8, " dot1ad"},
                               {0x8100, " dot1q"},
                               {0x9100, " 0x9100"},
                               {0x000A, " 0x000a"}}) {
        char buf[100] = "garbage";
        eth_if_plcy_ethertype_str(buf, sizeof buf, value);
        EXPECT_STREQ(buf, text);
    }
    EXPECT_STREQ(eth_if_plcy_field_str(0x2000), "FILTERING");
    EXPECT_STREQ(eth_if_plcy_field_str(0x4000), "EFP FILTERING");
    EXPECT_STREQ(eth_if_plcy_field_str(0x80000), "VLAN SWITCHED");
}

TEST(PrintDeath, UnknownPolicyField) {
    for (uint32_t bad : {0u, 3u, 0x100000u})
        EXPECT_DEATH(eth_if_plcy_field_str(bad),
                     assert_line(test::kLibPath, "!\"Unknown policy field\""));
}

TEST(Print, AppendCursor) {
    char buf[16];
    char *pos = buf;
    size_t len = sizeof buf;
    eth_if_plcy_append(&pos, &len, "abc");
    eth_if_plcy_append(&pos, &len, "%s", "de");
    EXPECT_STREQ(buf, "abcde");
    EXPECT_EQ(pos, buf + 5);
    EXPECT_EQ(len, 11u);
    eth_if_plcy_append(&pos, &len, "%s", "");
    EXPECT_EQ(pos, buf + 5);
    EXPECT_EQ(len, 11u);
    // A cut stays on the NUL in the last byte; later appends add nothing.
    eth_if_plcy_append(&pos, &len, "0123456789ABCDEF");
    EXPECT_STREQ(buf, "abcde0123456789");
    EXPECT_EQ(pos, buf + 15);
    EXPECT_EQ(len, 1u);
    eth_if_plcy_append(&pos, &len, "more");
    EXPECT_EQ(pos, buf + 15);
    EXPECT_STREQ(buf, "abcde0123456789");
    // A formatting error (a wide character the C locale cannot hold) adds nothing.
    std::setlocale(LC_ALL, "C");
    pos = buf;
    len = sizeof buf;
    eth_if_plcy_append(&pos, &len, "ok");
    eth_if_plcy_append(&pos, &len, "%lc", static_cast<wint_t>(0x20AC));
    EXPECT_EQ(pos, buf + 2);
    EXPECT_EQ(len, 14u);
    EXPECT_STREQ(buf, "ok");
}

// Every printer into every buffer length: a NUL-terminated prefix of the whole
// text, and not one byte written past the buffer.
TEST(Print, EveryBufferLengthGivesAPrefix) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    Owned rich;
    eth_if_plcy_ext_t e = rich_sub();
    ASSERT_EQ(0u, eth_if_plcy_encode(&e, rich.out(), 0));
    auto f = full_form([](uint8_t *b) {
        b[24] = 3 | 0x3C;
        tag(b, 0, 0x9100, 4097, 3);
        tag(b, 1, 0x8100, 4097, 0);
        b[15] = 2;
        std::memcpy(b + 56, "\xC0\x00\x0a\x00\x14\x00\xC1\x00\x1e\x00\x1e\x00\x0f", 13);
    });
    const auto *full = reinterpret_cast<const eth_efp_full *>(f.data());
    using Printer = std::function<void(char *, size_t)>;
    const std::pair<const char *, Printer> printers[] = {
        {"full", [&](char *b, size_t n) { eth_if_plcy_print(rich.rec, b, n, 0); }},
        {"compact", [&](char *b, size_t n) { eth_if_plcy_print(rich.rec, b, n, 8); }},
        {"brief", [&](char *b, size_t n) { eth_if_plcy_print(rich.rec, b, n, 0x20); }},
        {"ext full", [&](char *b, size_t n) { eth_if_plcy_ext_print(&e, b, n, 0); }},
        {"ext compact", [&](char *b, size_t n) { eth_if_plcy_ext_print(&e, b, n, 8); }},
        {"mask", [&](char *b, size_t n) { eth_if_plcy_print_mask(0x5555, b, n); }},
        {"ext mask", [&](char *b, size_t n) { eth_if_plcy_print_ext_mask(0x5555, b, n); }},
        {"match", [&](char *b, size_t n) { eth_if_plcy_format_efp_match(b, n, full); }},
        {"rewrite", [&](char *b, size_t n) { eth_if_plcy_format_efp_rewrite(b, n, full); }},
    };
    for (const auto &[name, printer] : printers) {
        std::vector<char> big(8192);
        printer(big.data(), big.size());
        std::string whole = big.data();
        ASSERT_GT(whole.size(), 20u) << name;
        for (size_t n = 1; n <= whole.size() + 1; n++) {
            std::vector<char> buf(n + 16, '#');
            printer(buf.data(), n);
            std::string got(buf.data(), strnlen(buf.data(), n));
            ASSERT_LT(got.size(), n) << name << " length " << n;
            ASSERT_EQ(got, whole.substr(0, got.size())) << name << " length " << n;
            ASSERT_EQ(got.size(), std::min(n - 1, whole.size())) << name << " length " << n;
            ASSERT_EQ(std::string(buf.begin() + long(n), buf.end()), std::string(16, '#'))
                << name << " length " << n;
        }
    }
}

} // namespace
