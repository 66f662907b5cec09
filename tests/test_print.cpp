// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Printing: edge texts of every layout, the mask printers, the EFP
// formatters and the append primitive. Whole texts of every layout are the
// tool's goldens (tests/tool/expected); every printer cut at every buffer
// length is the print fuzz target, replayed on its seeds in every run.
#include <functional>

#include "eth_efp_util.h"
#include "policies.hpp"
#include "test_support.hpp"
#include "text.hpp"

namespace {

using test::assert_line;
using test::Image;
using test::Owned;
using test::zero_ext;

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

    // Fields no external record sets: remote status, an L2PT mode past the
    // names; an ICL value without its bit is not shown.
    Image im;
    im.mask(ETH_IF_PLCY_PROVISION | ETH_IF_PLCY_L2_FLAG | ETH_IF_PLCY_L2PT);
    im.b[8] = 0xC0;  // provisioned, L2
    im.b[9] = 0x01;  // ICL on, ICL MODE absent
    im.b[17] = 0x01; // remote status
    im.b[20] = 0x05;
    EXPECT_STREQ(eth_if_plcy_print(im.rec(), buf, sizeof buf, ETH_IF_PLCY_PRINT_BRIEF),
                 "(v0, 72b):L2\n provisioned: (xcon_(id=0, tags=0), prop_rem_status)\n"
                 " l2pt: lyx(?)\n");
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
        {with(0, [](auto &e) { e.ether_if_type = 2; }), // the type counts only with its bit
         "ether_if_type=-/is_l2=-/intf_ready=-/provisioned=-/l2pt=-/mac_addr=-/"
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
    EXPECT_EQ(eth_if_plcy_ext_print_len(nullptr, 0), 0u);
    EXPECT_EQ(eth_if_plcy_ext_print(&e, nullptr, 8, 0), nullptr);
    EXPECT_EQ(eth_if_plcy_ext_print(&e, buf, 0, 0), nullptr);
    EXPECT_STREQ(buf, "keep");
    // An allocation failure in the encode shows as its status.
    e = bench::c_sub_qinq_ranges();
    eth_if_plcy_test_fail_alloc(0);
    std::string failed = ext_print(e, ETH_IF_PLCY_PRINT_COMPACT);
    eth_if_plcy_test_fail_alloc(-1);
    EXPECT_NE(failed.find("efp=1/efp_match=ERROR0x46278800/efp_rw=ERROR0x46278800/"),
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

TEST(PrintDeath, UnknownPolicyField) {
    for (uint32_t bad : {0u, 3u, 0x100000u})
        EXPECT_DEATH(eth_if_plcy_field_str(bad),
                     assert_line(test::kLibPath, "!\"Unknown policy field\""));
}

} // namespace
