// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Decode and encode: the round trip, the refusals and the exact images.
#include "policies.hpp"
#include "test_support.hpp"

namespace {

using test::Image;
using test::Owned;
using test::zero_ext;

// What decode(encode(x)) gives back: x after the documented normalisations.
eth_if_plcy_ext_t round_trip_of(const eth_if_plcy_ext_t &in, bool tag_view) {
    eth_if_plcy_ext_t x = zero_ext();
    uint32_t m = in.valid_mask & ETH_IF_PLCY_ALL_FIELDS;
    x.valid_mask = m;
    if (m & ETH_IF_PLCY_ETHER_IF_TYPE) x.ether_if_type = in.ether_if_type;
    if (m & ETH_IF_PLCY_L2_FLAG) x.is_l2 = in.is_l2;
    if (m & ETH_IF_PLCY_INTF_READY) x.interface_ready = in.interface_ready;
    if ((m & ETH_IF_PLCY_PROVISION) && in.is_provisioned) {
        x.is_provisioned = 1;
        x.provision_info = in.provision_info;
    }
    if (m & ETH_IF_PLCY_L2PT)
        for (int i = 0; i < 5; i++)
            x.l2pt[i] = in.l2pt[i] & 0x7F;
    if (m & ETH_IF_PLCY_MAC_ADDR) std::memcpy(x.mac_addr, in.mac_addr, 6);
    if (m & ETH_IF_PLCY_PARENT) x.sub.parent = in.sub.parent;
    if (m & ETH_IF_PLCY_ADMIN_STATE) x.sub.admin_up = in.sub.admin_up & 1;
    if (m & ETH_IF_PLCY_EFP_FILTERING) x.sub.efp_filtering = in.sub.efp_filtering;
    if (m & ETH_IF_PLCY_SRC_BYPASS_FILTER) x.sub.src_bypass_filter = in.sub.src_bypass_filter;
    if (m & ETH_IF_PLCY_NATIVE_VLAN) {
        x.trunk.native_vlan = in.trunk.native_vlan;
        x.trunk.native_is_svlan = in.trunk.native_is_svlan;
    }
    if (m & ETH_IF_PLCY_QINQ_ETYPE) x.trunk.qinq_tunneling_etype = in.trunk.qinq_tunneling_etype;
    if (m & ETH_IF_PLCY_MAC_ACC) {
        x.trunk.mac_acc_ingress = in.trunk.mac_acc_ingress;
        x.trunk.mac_acc_egress = in.trunk.mac_acc_egress;
    }
    if (m & ETH_IF_PLCY_FILTERING) {
        x.trunk.filter_dot1q = in.trunk.filter_dot1q;
        x.trunk.filter_dot1ad = in.trunk.filter_dot1ad;
        x.trunk.filter_mac_relay = in.trunk.filter_mac_relay;
    }
    if (m & ETH_IF_PLCY_ICL_MODE) x.is_in_icl_mode = in.is_in_icl_mode;
    if (m & ETH_IF_PLCY_MTU) x.mtu = in.mtu;
    if (m & ETH_IF_PLCY_VLAN_SWITCHED) {
        x.trunk.vlan_switched_trunk = in.trunk.vlan_switched_trunk;
        x.trunk.vlan_switched_access = in.trunk.vlan_switched_access;
        x.trunk.access_vlan = in.trunk.access_vlan;
    }
    const auto &f = in.efp;
    auto &g = x.efp;
    if ((m & ETH_IF_PLCY_EFP_MATCH) && f.configured) {
        g.configured = 1;
        g.num_tags = f.num_tags;
        g.native = f.native;
        g.native_with_preservation = f.native_with_preservation;
        g.exact = f.exact;
        g.l3_ambiguous = f.l3_ambiguous;
        g.payload_ethertype = f.payload_ethertype;
        static const uint8_t zero[6] = {};
        g.src_mac_check = f.src_mac_check && std::memcmp(f.src_mac, zero, 6) != 0;
        g.dst_mac_check = f.dst_mac_check && std::memcmp(f.dst_mac, zero, 6) != 0;
        if (g.src_mac_check) std::memcpy(g.src_mac, f.src_mac, 6);
        if (g.dst_mac_check) std::memcpy(g.dst_mac, f.dst_mac, 6);
        bool any_range = false;
        for (unsigned i = 0; i < f.num_tags; i++) {
            g.tag_pcp[i] = f.tag_pcp[i] == 14 ? EFP_PCP_ANY : f.tag_pcp[i];
            g.tag[i].ethertype = f.tag[i].ethertype;
            uint16_t v = f.tag[i].vlan;
            g.tag[i].vlan = v == 4096 ? EFP_VLAN_ANY : v == 4097 ? EFP_VLAN_RANGE : v;
            any_range |= g.tag[i].vlan == EFP_VLAN_RANGE;
        }
        if (any_range) {
            unsigned t = f.tag_range_count[1] != 0 ? 1 : 0;
            unsigned n = tag_view ? f.tag_range_count[t] : f.num_ranges;
            const eth_if_plcy_vlan_range_t *src = tag_view ? f.tag_range_list[t] : f.ranges;
            for (unsigned k = 0; k < n; k++)
                g.ranges[k] = src[k];
            g.num_ranges = uint16_t(n);
            for (unsigned i = 0; i < f.num_tags; i++)
                if (g.tag[i].vlan == EFP_VLAN_RANGE) g.tag_range_count[i] = uint16_t(n);
        }
    }
    if ((m & ETH_IF_PLCY_EFP_REWRITE) && f.configured) {
        g.configured = 1;
        g.num_tag_pops = f.num_tag_pops;
        g.num_tag_pushes = f.num_tag_pushes;
        for (unsigned j = 0; j < f.num_tag_pushes; j++)
            g.push[j] = f.push[j];
    }
    return x;
}

// Equal records; each per-tag pointer that is set must aim at its own record's ranges.
void expect_same(const eth_if_plcy_ext_t &want, const eth_if_plcy_ext_t &decoded,
                 const std::string &what) {
    eth_if_plcy_ext_t got = decoded;
    for (int i = 0; i < 2; i++) {
        bool expect_list = want.efp.tag[i].vlan == EFP_VLAN_RANGE && i < want.efp.num_tags &&
                           (want.valid_mask & ETH_IF_PLCY_EFP_MATCH) && want.efp.configured;
        ASSERT_EQ(got.efp.tag_range_list[i], expect_list ? decoded.efp.ranges : nullptr) << what;
        got.efp.tag_range_list[i] = nullptr;
    }
    eth_if_plcy_ext_t w = want;
    w.efp.tag_range_list[0] = w.efp.tag_range_list[1] = nullptr;
    ASSERT_EQ(0, std::memcmp(&w, &got, sizeof got)) << what;
}

TEST(Conversion, SeededRoundTripRestoresPolicyAfterNormalisations) {
    for (bool tag_view : {false, true}) {
        test::PolicyGen gen(tag_view ? 0xBADC0DE : 0x5EED);
        int compact = 0, full = 0;
        for (int iter = 0; iter < 4000; iter++) {
            std::vector<eth_if_plcy_vlan_range_t> list;
            eth_if_plcy_ext_t in = gen.make(list, tag_view);
            Owned rec;
            ASSERT_EQ(0u, eth_if_plcy_encode(&in, rec.out(),
                                             tag_view ? ETH_IF_PLCY_ENCODE_TAG_RANGES : 0))
                << iter;
            auto image = test::bytes_of(rec.rec);
            ASSERT_EQ(eth_if_plcy_get_efp_size(rec.rec), int32_t(image.size()) - 48);
            if (in.valid_mask & (ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE)) {
                (image[56] == 0 ? compact : full)++;
                ASSERT_GE(image.size(), image[56] == 0 ? 80u : 112u);
            } else {
                ASSERT_EQ(image.size(), 72u);
            }
            eth_if_plcy_ext_t out;
            std::memset(&out, 0xA5, sizeof out);
            ASSERT_EQ(0u, eth_if_plcy_decode(rec.rec, ETH_IF_PLCY_ALL_FIELDS, &out, 0));
            expect_same(round_trip_of(in, tag_view), out, "iteration " + std::to_string(iter));
        }
        EXPECT_GT(compact, 500);
        EXPECT_GT(full, 500);
    }
}

TEST(Encode, RefusalsLeaveNothingBehind) {
    auto with = [](auto change) {
        eth_if_plcy_ext_t e = bench::b_sub_dot1q();
        change(e);
        return e;
    };
    eth_if_plcy_vlan_range_t pairs[3] = {{1, 2}, {3, 4}, {5, 6}};
    struct Case {
        const char *name;
        eth_if_plcy_ext_t ext;
        uint32_t options;
        uint32_t status;
    } cases[] = {
        {"options 0x41", bench::b_sub_dot1q(), 0x41, ETH_IF_PLCY_ERR_INVALID},
        {"type 0", with([](auto &e) { e.ether_if_type = 0; }), 0, ETH_IF_PLCY_ERR_BAD_POLICY},
        {"type 22", with([](auto &e) { e.ether_if_type = 22; }), 0, ETH_IF_PLCY_ERR_BAD_POLICY},
        {"sub type with native vlan",
         with([](auto &e) { e.valid_mask |= ETH_IF_PLCY_NATIVE_VLAN; }), 0,
         ETH_IF_PLCY_ERR_BAD_POLICY},
        {"trunk type with parent", with([](auto &e) { e.ether_if_type = 1; }), 0,
         ETH_IF_PLCY_ERR_BAD_POLICY},
        {"parent and qinq without a type",
         with([](auto &e) { e.valid_mask = ETH_IF_PLCY_PARENT | ETH_IF_PLCY_QINQ_ETYPE; }), 0,
         ETH_IF_PLCY_ERR_BAD_POLICY},
        {"range lists on both tags", with([&](auto &e) {
             e.efp.tag_range_count[0] = 2;
             e.efp.tag_range_count[1] = 3;
             e.efp.tag_range_list[0] = e.efp.tag_range_list[1] = pairs;
         }),
         ETH_IF_PLCY_ENCODE_TAG_RANGES, ETH_IF_PLCY_ERR_BAD_POLICY},
        {"per-tag count without list", with([](auto &e) { e.efp.tag_range_count[1] = 1; }),
         ETH_IF_PLCY_ENCODE_TAG_RANGES, ETH_IF_PLCY_ERR_BAD_POLICY},
        {"three match tags", with([](auto &e) { e.efp.num_tags = 3; }), 0,
         ETH_IF_PLCY_ERR_BAD_POLICY},
        {"three pushes", with([](auto &e) { e.efp.num_tag_pushes = 3; }), 0,
         ETH_IF_PLCY_ERR_BAD_POLICY},
        {"eleven ranges", with([](auto &e) { e.efp.num_ranges = 11; }), 0,
         ETH_IF_PLCY_ERR_BAD_POLICY},
        {"eleven per-tag ranges", with([&](auto &e) {
             e.efp.tag_range_count[0] = 11;
             e.efp.tag_range_list[0] = pairs;
         }),
         ETH_IF_PLCY_ENCODE_TAG_RANGES, ETH_IF_PLCY_ERR_BAD_POLICY},
    };
    for (const Case &c : cases) {
        long before = eth_if_plcy_test_alloc_count();
        eth_if_plcy_t *out = reinterpret_cast<eth_if_plcy_t *>(&pairs);
        EXPECT_EQ(c.status, eth_if_plcy_encode(&c.ext, &out, c.options)) << c.name;
        EXPECT_EQ(out, reinterpret_cast<eth_if_plcy_t *>(&pairs)) << c.name;
        EXPECT_EQ(before, eth_if_plcy_test_alloc_count()) << c.name;
    }
    eth_if_plcy_t *out = nullptr;
    eth_if_plcy_ext_t e = bench::b_sub_dot1q();
    EXPECT_EQ(ETH_IF_PLCY_ERR_INVALID, eth_if_plcy_encode(nullptr, &out, 0));
    EXPECT_EQ(ETH_IF_PLCY_ERR_INVALID, eth_if_plcy_encode(&e, nullptr, 0));
    EXPECT_EQ(nullptr, out);
}

TEST(Encode, AllocationFailureReportsNomemAndKeepsOut) {
    eth_if_plcy_ext_t e = bench::b_sub_dot1q();
    eth_if_plcy_t *out = nullptr;
    eth_if_plcy_test_fail_alloc(0);
    EXPECT_EQ(ETH_IF_PLCY_ERR_NOMEM, eth_if_plcy_encode(&e, &out, 0));
    EXPECT_EQ(nullptr, out);
    Owned ok;
    EXPECT_EQ(0u, eth_if_plcy_encode(&e, ok.out(), 0)); // only that one allocation failed
}

TEST(Encode, TagViewWithoutListsStillTerminatesRangeList) {
    eth_if_plcy_ext_t e = zero_ext();
    e.valid_mask = ETH_IF_PLCY_EFP_MATCH;
    e.efp.configured = 1;
    e.efp.num_tags = 1;
    e.efp.tag[0] = {0x0001, EFP_VLAN_RANGE}; // untagged keeps it in the full form
    e.efp.tag_pcp[0] = 255;
    Owned rec;
    ASSERT_EQ(0u, eth_if_plcy_encode(&e, rec.out(), ETH_IF_PLCY_ENCODE_TAG_RANGES));
    auto b = test::bytes_of(rec.rec);
    ASSERT_EQ(b.size(), 113u);
    EXPECT_EQ(b[112], 0x0F);
    eth_if_plcy_ext_t out;
    ASSERT_EQ(0u, eth_if_plcy_decode(rec.rec, ETH_IF_PLCY_ALL_FIELDS, &out, 0));
    EXPECT_EQ(out.efp.num_ranges, 0);
    EXPECT_EQ(out.efp.tag_range_list[0], out.efp.ranges);
}

TEST(Decode, RewriteOnlyRecordSurvivesDecodeThenEncode) {
    eth_if_plcy_ext_t e = zero_ext();
    e.valid_mask = ETH_IF_PLCY_EFP_REWRITE;
    e.efp.configured = 1;
    e.efp.num_tag_pops = 2;
    e.efp.num_tag_pushes = 1;
    e.efp.push[0] = {0x88a8, 77};
    Owned first, second;
    ASSERT_EQ(0u, eth_if_plcy_encode(&e, first.out(), 0));
    eth_if_plcy_ext_t mid;
    ASSERT_EQ(0u, eth_if_plcy_decode(first.rec, ETH_IF_PLCY_ALL_FIELDS, &mid, 0));
    EXPECT_EQ(mid.efp.configured, 1);
    ASSERT_EQ(0u, eth_if_plcy_encode(&mid, second.out(), 0));
    EXPECT_EQ(test::bytes_of(first.rec), test::bytes_of(second.rec));
}

TEST(Decode, RefusalsLeaveExtUntouched) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    Image good;
    Image v1;
    v1.b[0] = 1;
    Image three_tags(80); // compact form claiming three match tags
    three_tags.mask(ETH_IF_PLCY_EFP_MATCH);
    three_tags.b[57] = 3 << 2;
    Image three_pushes(112);
    three_pushes.mask(ETH_IF_PLCY_EFP_REWRITE);
    three_pushes.b[56] = 0x40;
    three_pushes.b[71] = 3;
    Image full_too_short(100);
    full_too_short.mask(ETH_IF_PLCY_EFP_MATCH);
    full_too_short.b[56] = 0x40;
    Image unterminated(80 + 6);
    unterminated.mask(ETH_IF_PLCY_EFP_MATCH);
    unterminated.b[57] = 1 << 2;
    unterminated.put16(62, 4097);
    unterminated.b[80] = 0x80;
    Image eleven = test::eleven_ranges(80 + 66 + 1);
    struct Case {
        const char *name;
        const eth_if_plcy_t *rec;
        bool null_ext;
        uint32_t options;
    } cases[] = {
        {"options 1", good.rec(), false, 1},
        {"null record", nullptr, false, 0},
        {"null ext", good.rec(), true, 0},
        {"version 1", v1.rec(), false, 0},
        {"three tags", three_tags.rec(), false, 0},
        {"three pushes", three_pushes.rec(), false, 0},
        {"full form past size", full_too_short.rec(), false, 0},
        {"range list past size", unterminated.rec(), false, 0},
        {"eleven ranges", eleven.rec(), false, 0},
    };
    for (const Case &c : cases) {
        eth_if_plcy_ext_t ext;
        std::memset(&ext, 0x5A, sizeof ext);
        eth_if_plcy_ext_t before = ext;
        EXPECT_EQ(ETH_IF_PLCY_ERR_INVALID,
                  eth_if_plcy_decode(c.rec, ETH_IF_PLCY_ALL_FIELDS, c.null_ext ? nullptr : &ext,
                                     c.options))
            << c.name;
        EXPECT_EQ(0, std::memcmp(&before, &ext, sizeof ext)) << c.name;
    }
    // The range list of a record whose mask leaves the match out is not read.
    eth_if_plcy_ext_t ext;
    unterminated.mask(ETH_IF_PLCY_EFP_REWRITE);
    EXPECT_EQ(0u, eth_if_plcy_decode(unterminated.rec(), ETH_IF_PLCY_ALL_FIELDS, &ext, 0));
    // Ten entries fit exactly.
    eleven.b[140] = 0x0F;
    ASSERT_EQ(0u, eth_if_plcy_decode(eleven.rec(), ETH_IF_PLCY_ALL_FIELDS, &ext, 0));
    EXPECT_EQ(ext.efp.num_ranges, 10);
}

TEST(Decode, CodesAndMasks) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    // Compact form, one 802.1ad tag, PCP code c, VLAN code v.
    struct Case {
        uint8_t pcp_code;
        uint16_t vlan_code;
        uint8_t pcp;
        uint16_t vlan;
    } cases[] = {{15, 4097, 255, 0x2000}, {1, 4096, 0, 0x2001}, {8, 0, 7, 0}, {0, 100, 255, 100}};
    for (const Case &c : cases) {
        Image im(81);
        im.mask(0xFFFFFFFFu & ETH_IF_PLCY_EFP_MATCH);
        im.b[57] = 1 | 1 << 2;
        im.b[58] = c.pcp_code;
        im.put16(62, uint16_t(c.vlan_code | 1 << 13));
        im.b[80] = 0x0F;
        im.b[20] = 0x15; // an L2PT byte the mask does not name
        eth_if_plcy_ext_t ext;
        ASSERT_EQ(0u, eth_if_plcy_decode(im.rec(), 0xFFFFFFFFu, &ext, 0));
        EXPECT_EQ(ext.valid_mask, ETH_IF_PLCY_EFP_MATCH);
        EXPECT_EQ(ext.efp.tag_pcp[0], c.pcp);
        EXPECT_EQ(ext.efp.tag[0].vlan, c.vlan);
        EXPECT_EQ(ext.efp.tag[0].ethertype, 0x88a8);
        ASSERT_EQ(0u, eth_if_plcy_decode(im.rec(), 0, &ext, 0));
        const eth_if_plcy_ext_t zero = zero_ext();
        EXPECT_EQ(0, std::memcmp(&ext, &zero, sizeof ext)) << "fields 0";
    }
}

TEST(Decode, ProvisionDetailsOnlyWhenProvisioned) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    Image im;
    im.mask(ETH_IF_PLCY_PROVISION);
    im.put32(12, 0x1234);
    im.b[16] = 9;
    im.b[17] = 7;
    im.put16(18, 100);
    eth_if_plcy_ext_t ext;
    ASSERT_EQ(0u, eth_if_plcy_decode(im.rec(), ETH_IF_PLCY_ALL_FIELDS, &ext, 0));
    eth_if_plcy_ext_t want = zero_ext();
    want.valid_mask = ETH_IF_PLCY_PROVISION;
    EXPECT_EQ(0, std::memcmp(&ext, &want, sizeof ext));
    im.b[8] = 0x80; // is_provisioned
    ASSERT_EQ(0u, eth_if_plcy_decode(im.rec(), ETH_IF_PLCY_ALL_FIELDS, &ext, 0));
    EXPECT_EQ(ext.provision_info.xconnect_id, 0x1234u);
    EXPECT_EQ(ext.provision_info.xcon_tags, 9);
    EXPECT_EQ(ext.provision_info.ip_iw_enabled, 1);
    EXPECT_EQ(ext.provision_info.imposition_vlan_rewrite, 1);
    EXPECT_EQ(ext.provision_info.imposition_vlan_id, 100);
}

TEST(DecodeDeath, CorruptedBaseTypeStopsAtFirstAccessor) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    for (uint32_t mask : {ETH_IF_PLCY_EFP_MATCH, ETH_IF_PLCY_EFP_REWRITE}) {
        Image im(112);
        im.mask(mask);
        im.b[56] = 0xC0;
        eth_if_plcy_ext_t ext;
        EXPECT_DEATH(
            eth_if_plcy_decode(im.rec(), ETH_IF_PLCY_ALL_FIELDS, &ext, 0),
            test::assert_line(test::kAccessorPath, "!\"Bad base type for cfgd flags get\""));
    }
}

} // namespace
