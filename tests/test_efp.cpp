// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The EFP area: accessors over both forms, and the EFP utility stand-in.
#include <functional>

#include "eth_efp_util.h"
#include "test_support.hpp"

namespace {

using test::assert_line;

std::vector<uint8_t> bytes(std::initializer_list<int> v) {
    std::vector<uint8_t> out(200, 0);
    size_t i = 0;
    for (int x : v)
        out[i++] = uint8_t(x);
    return out;
}

TEST(EfpAccessors, FullFormAndRanges) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    std::vector<uint8_t> f(200, 0);
    f[0] = 0x40;
    f[1] = 2;
    f[2] = 0xa8, f[3] = 0x88, f[4] = 0x01, f[5] = 0x10, f[6] = 4; // tag 0: 802.1ad, range, PCP 3
    f[8] = 0x01, f[9] = 0x00, f[10] = 0x00, f[11] = 0x10;         // tag 1: untagged, any
    f[14] = 1, f[15] = 1, f[16] = 0x00, f[17] = 0x81, f[18] = 5;
    f[24] = 0x3F;
    f[26] = 0x00, f[27] = 0x08;
    f[45] = 1; // last byte of the source MAC only
    const uint8_t r1[] = {0xC1, 0x00, 0x0A, 0x00, 0x14, 0x00};
    std::memcpy(&f[56], "\xC0\x00\x01\x00\x02\x00", 6);
    std::memcpy(&f[62], r1, 6);
    f[68] = 0x0F;
    const uint8_t *b = f.data();
    EXPECT_EQ(eth_efp_cfgd_flags_get(b), 3u);
    EXPECT_EQ(eth_efp_tag_match_get(b), 2u);
    EXPECT_EQ(eth_efp_tag_ethertype_get(b, 0), 0x88a8);
    EXPECT_EQ(eth_efp_tag_vlan_low_get(b, 0), ETH_EFP_VLAN_CODE_RANGE);
    EXPECT_EQ(eth_efp_tag_pcp_get(b, 0), 4u);
    EXPECT_EQ(eth_efp_tag_ethertype_get(b, 1), 0x0001);
    EXPECT_EQ(eth_efp_tag_vlan_low_get(b, 1), ETH_EFP_VLAN_CODE_ANY);
    EXPECT_EQ(eth_efp_num_tag_pops_get(b), 1u);
    EXPECT_EQ(eth_efp_push_ethertype_get(b, 0), 0x8100);
    EXPECT_EQ(eth_efp_push_vlan_get(b, 0), 5);
    EXPECT_EQ(eth_efp_native_get(b), 1u);
    EXPECT_EQ(eth_efp_native_with_preservation_get(b), 1u);
    EXPECT_EQ(eth_efp_exact_get(b), 1u);
    EXPECT_EQ(eth_efp_l3_ambiguous_get(b), 1u);
    EXPECT_EQ(eth_efp_payload_ethertype_get(b), 0x0800);
    EXPECT_TRUE(eth_efp_src_mac_check(b));
    EXPECT_FALSE(eth_efp_dst_mac_check(b));
    EXPECT_EQ(eth_efp_range_get(b), b + 56);

    const uint8_t *entry = b + 62;
    EXPECT_EQ(eth_efp_range_low(entry), 10);
    EXPECT_EQ(eth_efp_range_high(entry), 20);
    EXPECT_EQ(eth_efp_range_base_get(entry), b);
    EXPECT_TRUE(eth_efp_tag_is_range(entry, 0));
    EXPECT_FALSE(eth_efp_tag_is_range(b, 1));
    // Index 3 after a full form steps back 6 x 3 + 56 = 74 bytes.
    f[74 + 0] = 0xC3;
    EXPECT_EQ(eth_efp_range_base_get(b + 74), b);
    f[100] = 0x82;
    EXPECT_EQ(eth_efp_range_base_get(b + 100), b + 100 - 12 - 24);
    EXPECT_TRUE(eth_efp_range_is_end(b + 68));
    EXPECT_EQ(eth_efp_src_mac_get(b), b + ETH_EFP_F_SRC_MAC_OFF);
    EXPECT_EQ(eth_efp_dst_mac_get(b), b + ETH_EFP_F_DST_MAC_OFF);
    f[0] = 0x00; // a compact form holds no MAC: six zero bytes stand in
    EXPECT_EQ(std::vector<uint8_t>(eth_efp_src_mac_get(b), eth_efp_src_mac_get(b) + 6),
              std::vector<uint8_t>(6, 0));
    // A field of a 16-bit unit is written alone: its neighbours keep their bits.
    uint8_t unit[2] = {0x34, 0x12};
    eth_efp_unit_set(unit, 0, 16, 4, 4, 0xF);
    EXPECT_EQ(eth_efp_unit_get(unit, 0, 16, 4, 4), 0xFu);
    EXPECT_EQ(eth_efp_unit_get(unit, 0, 16, 0, 4), 0x4u);
    EXPECT_EQ(eth_efp_unit_get(unit, 0, 16, 8, 8), 0x12u);
}

// The full form's range entries are numbered afresh, their second byte 0.
TEST(EfpUtil, FullFromBaseRenumbersRangeEntries) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    auto c = bytes({0x00, 0x05, 0x0F, 0, 0, 0, 0x01, 0x10}); // one tag, VLAN code 4097
    c[24] = 0x80, c[25] = 0x77, c[26] = 10, c[28] = 20, c[30] = 0x0F;
    std::vector<uint8_t> full(ETH_EFP_UTIL_FULL_AREA_MAX);
    eth_efp_util_full_from_base(c.data(), reinterpret_cast<eth_efp_full *>(full.data()));
    EXPECT_EQ((std::vector<uint8_t>(full.begin() + 56, full.begin() + 63)),
              (std::vector<uint8_t>{0xC0, 0, 10, 0, 20, 0, 0x0F}));
}

TEST(EfpAccessorsDeath, EachAccessorNamesItselfForABadBaseType) {
    using Read = std::function<void(const uint8_t *)>;
    const std::pair<Read, const char *> accessors[] = {
        {[](auto b) { eth_efp_cfgd_flags_get(b); }, "cfgd flags get"},
        {[](auto b) { eth_efp_tag_match_get(b); }, "tag match get"},
        {[](auto b) { eth_efp_num_tag_pops_get(b); }, "num tag pops get"},
        {[](auto b) { eth_efp_num_tag_pushes_get(b); }, "num tag pushes get"},
        {[](auto b) { eth_efp_tag_pcp_get(b, 0); }, "tag pcp get"},
        {[](auto b) { eth_efp_tag_ethertype_get(b, 0); }, "tag ethertype get"},
        {[](auto b) { eth_efp_tag_vlan_low_get(b, 0); }, "tag vlan low get"},
        {[](auto b) { eth_efp_push_ethertype_get(b, 0); }, "push ethertype get"},
        {[](auto b) { eth_efp_push_vlan_get(b, 0); }, "push vlan get"},
        {[](auto b) { eth_efp_exact_get(b); }, "exact get"},
        {[](auto b) { eth_efp_l3_ambiguous_get(b); }, "l3 ambiguous get"},
        {[](auto b) { eth_efp_payload_ethertype_get(b); }, "payload ethertype get"},
        {[](auto b) { eth_efp_src_mac_check(b); }, "src mac check"},
        {[](auto b) { eth_efp_dst_mac_check(b); }, "dst mac check"},
        {[](auto b) { eth_efp_src_mac_get(b); }, "src mac get"},
        {[](auto b) { eth_efp_dst_mac_get(b); }, "dst mac get"},
        {[](auto b) { eth_efp_range_get(b); }, "range get"},
    };
    for (uint8_t type : {0x80, 0xC0}) {
        uint8_t area[64] = {type};
        for (const auto &[read, what] : accessors) {
            // The vlan low text alone reads "Bad base type tag vlan low get".
            std::string text = std::string("!\"Bad base type ") +
                               (std::string(what) == "tag vlan low get" ? "" : "for ") + what +
                               "\"";
            EXPECT_DEATH(read(area), assert_line(test::kAccessorPath, text)) << what;
        }
        EXPECT_EQ(eth_efp_native_get(area), 0u);
        EXPECT_EQ(eth_efp_native_with_preservation_get(area), 0u);
    }
}

// A random full form with its range list, as encode's working area holds it.
struct FullGen {
    std::mt19937 rng;
    explicit FullGen(uint32_t seed) : rng(seed) {}
    uint32_t any(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(rng); }
    bool coin(unsigned pct = 50) { return any(100) < pct; }

    std::vector<uint8_t> make() {
        std::vector<uint8_t> f(ETH_EFP_UTIL_FULL_AREA_MAX, 0);
        eth_efp_initialise(f.data());
        bool tight = coin(60); // mostly what the compact form can hold
        unsigned tags = any(3), pushes = any(3 - (tight ? tags : 0));
        f[1] = uint8_t(tags);
        for (unsigned i = 0; i < tags; i++) {
            uint8_t *t = &f[2 + 6 * i];
            uint16_t et = (tight || coin(70)) ? (coin() ? 0x8100 : 0x88a8)
                                              : uint16_t(std::array{0, 1, 0x9100}[any(3)]);
            uint16_t vlan = std::array<uint16_t, 4>{uint16_t(any(4096)), 4096, 4097, 0}[any(4)];
            if (!tight && coin(10)) vlan = uint16_t(8192 + any(1000));
            eth_efp_store16(t, et);
            eth_efp_store16(t + 2, vlan);
            t[4] = uint8_t((i == 1 && tight) || coin() ? 15 : any(tight ? 15 : 256));
        }
        f[14] = uint8_t(tight ? any(4) : any(8));
        f[15] = uint8_t(pushes);
        for (unsigned j = 0; j < pushes; j++) {
            eth_efp_store16(&f[16 + 4 * j], (tight || coin()) ? 0x8100 : 0x9100);
            eth_efp_store16(&f[18 + 4 * j], uint16_t(any(4096)));
        }
        f[24] = uint8_t(any(4) | any(2) << 4 | any(2) << 5);
        if (!tight && coin()) f[24] |= uint8_t(any(4) << 2); // native flags
        eth_efp_store16(&f[26], coin() ? 0 : uint16_t(any(65536)));
        if (!tight && coin(30)) f[40 + any(6)] = uint8_t(1 + any(255));
        if (!tight && coin(30)) f[46 + any(6)] = uint8_t(1 + any(255));
        unsigned n = any(11);
        for (unsigned k = 0; k < n; k++) {
            uint8_t *r = &f[56 + 6 * k];
            r[0] = uint8_t(0xC0 | k);
            eth_efp_store16(r + 2, uint16_t(any(4096)));
            eth_efp_store16(r + 4, uint16_t(any(4096)));
        }
        f[56 + 6 * n] = 0x0F;
        return f;
    }
};

const eth_efp_full *as_full(const std::vector<uint8_t> &v) {
    return reinterpret_cast<const eth_efp_full *>(v.data());
}

bool same_efp(const uint8_t *a, const uint8_t *b) {
    return eth_efp_util_match_equal(a, b) && eth_efp_util_rewrite_equal(a, b);
}

TEST(EfpUtil, CompactExactlyWhenLossless) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    FullGen gen(2024);
    int compact = 0, full = 0;
    for (int iter = 0; iter < 20000; iter++) {
        auto f = gen.make();
        uint32_t range_size = eth_efp_util_get_range_size(as_full(f));
        bool has_range = false;
        for (unsigned i = 0; i < f[1]; i++)
            has_range |= eth_efp_load16(&f[4 + 6 * i]) == ETH_EFP_VLAN_CODE_RANGE;
        unsigned entries = 0;
        while (f[56 + 6 * entries] != 0x0F)
            entries++;
        ASSERT_EQ(range_size, has_range ? 6 * entries + 1 : 0u) << iter;

        // Written bytes agree with the size; a guard area after them stays untouched.
        std::vector<uint8_t> c(24 + range_size + 16, 0xEE);
        eth_efp_util_compact_from_full(as_full(f), c.data());
        ASSERT_EQ(std::vector<uint8_t>(c.end() - 16, c.end()), std::vector<uint8_t>(16, 0xEE));
        std::vector<uint8_t> copied(range_size + 16, 0xEE);
        if (has_range) {
            eth_efp_util_copy_ranges(&f[56], copied.data(), ETH_EFP_RANGE_AFTER_FULL);
            ASSERT_EQ(0, std::memcmp(copied.data(), &f[56], range_size));
            ASSERT_EQ(std::vector<uint8_t>(copied.end() - 16, copied.end()),
                      std::vector<uint8_t>(16, 0xEE));
        }

        std::vector<uint8_t> back(ETH_EFP_UTIL_FULL_AREA_MAX, 0),
            direct(ETH_EFP_UTIL_FULL_AREA_MAX, 0);
        eth_efp_util_full_from_base(c.data(), reinterpret_cast<eth_efp_full *>(back.data()));
        eth_efp_util_full_from_base(f.data(), reinterpret_cast<eth_efp_full *>(direct.data()));
        bool lossless = back == direct;
        ASSERT_EQ(bool(eth_efp_util_can_be_compact(as_full(f))), lossless) << iter;
        if (lossless) {
            compact++;
            ASSERT_TRUE(same_efp(c.data(), f.data())) << iter;
            ASSERT_TRUE(same_efp(f.data(), c.data())) << iter;
        } else {
            full++; // what the compact form lost shows against the full form
            ASSERT_FALSE(same_efp(f.data(), c.data())) << iter;
        }
        ASSERT_TRUE(same_efp(direct.data(), f.data())) << iter;
    }
    EXPECT_GT(compact, 5000);
    EXPECT_GT(full, 5000);
}

TEST(EfpUtil, EqualityFollowsMeaning) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    FullGen gen(99);
    int changed_ranges = 0;
    for (int iter = 0; iter < 3000; iter++) {
        auto f = gen.make();
        f[24] |= 3; // both halves configured
        unsigned tags = f[1], pushes = f[15];
        struct Change {
            size_t off;
            bool match;
            bool applies;
        };
        bool has_range = eth_efp_util_get_range_size(as_full(f)) > 1;
        std::vector<Change> changes = {
            {1, true, true},         {24, true, true},        {26, true, true},
            {40, true, true},        {51, true, true},        {14, false, true},
            {15, false, true},       {2, true, tags > 0},     {5, true, tags > 0},
            {6, true, tags > 0},     {11, true, tags > 1},    {16, false, pushes > 0},
            {19, false, pushes > 0}, {22, false, pushes > 1}, {58, true, has_range},
            {61, true, has_range},
        };
        for (const Change &ch : changes) {
            if (!ch.applies) continue;
            auto g = f;
            g[ch.off] ^= ch.off == 24 ? 0x01 : ch.off == 1 || ch.off == 15 ? 0x01 : 0x10;
            if (ch.off == 24 && !ch.match) continue;
            bool m = eth_efp_util_match_equal(f.data(), g.data());
            bool r = eth_efp_util_rewrite_equal(f.data(), g.data());
            ASSERT_EQ(m, !ch.match) << "offset " << ch.off << " iteration " << iter;
            ASSERT_EQ(r, ch.match) << "offset " << ch.off << " iteration " << iter;
            changed_ranges += ch.off >= 56;
        }
        // Bytes no reader interprets never count.
        auto g = f;
        for (size_t off : {0, 7, 13, 25, 28, 39, 52, 55})
            g[off] ^= off == 0 ? 0x3F : 0xFF;
        g[24] ^= 0xC0;
        if (!has_range) g[57] ^= 0x55;
        ASSERT_TRUE(same_efp(f.data(), g.data())) << iter;
    }
    EXPECT_GT(changed_ranges, 1000);
}

} // namespace
