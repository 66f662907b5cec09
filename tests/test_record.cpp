// SPDX-License-Identifier: Apache-2.0
// The record's header, sizes, layout through both views, and the assertion line.
#include "test_support.hpp"

namespace {

using test::assert_line;
using test::Image;
using test::Owned;
using test::zero_ext;

TEST(Record, ReleaseStringMatchesHeader) {
    EXPECT_STREQ(eth_if_plcy_lib_version(), ETH_IF_PLCY_VERSION_STRING);
}

TEST(Record, SizeQueries) {
    Image im(112);
    EXPECT_EQ(eth_if_plcy_get_size(nullptr, 0), 0u);
    EXPECT_EQ(eth_if_plcy_get_size(im.rec(), 0), 112u);
    EXPECT_EQ(eth_if_plcy_get_efp_size(nullptr), 0);
    EXPECT_EQ(eth_if_plcy_get_efp_size(Image(72).rec()), 24);
    im.b[0] = 1; // the EFP size checks neither version nor size
    EXPECT_EQ(eth_if_plcy_get_efp_size(im.rec()), 64);
    im.put16(2, 40);
    EXPECT_EQ(eth_if_plcy_get_efp_size(im.rec()), -8);
}

TEST(RecordDeath, SizeQueryContract) {
    Image v1;
    v1.b[0] = 1;
    EXPECT_DEATH(eth_if_plcy_get_size(nullptr, 1),
                 assert_line(test::kLibPath, "!\"Invalid policy options specified\""));
    // Options are checked before the record is looked at.
    EXPECT_DEATH(eth_if_plcy_get_size(v1.rec(), 2),
                 assert_line(test::kLibPath, "!\"Invalid policy options specified\""));
    EXPECT_DEATH(eth_if_plcy_get_size(v1.rec(), 0),
                 assert_line(test::kLibPath, "!\"This policy version is not supported\""));
}

TEST(RecordDeath, AssertionLineFormat) {
    EXPECT_DEATH(eth_if_plcy_assert_fail("a/b/c", 42, "!\"x\""),
                 "^a/b/c: 42 !\"x\" -- assertion failed\n$");
}

// A field written through one view lands where the other view reads its own
// fields: the sub view's parent overlays the trunk view's first two integers.
TEST(Record, ViewsShareTheTypeDependentArea) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    eth_if_plcy_ext_t sub = zero_ext();
    sub.valid_mask = ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_PARENT | ETH_IF_PLCY_ADMIN_STATE |
                     ETH_IF_PLCY_EFP_FILTERING | ETH_IF_PLCY_SRC_BYPASS_FILTER;
    sub.ether_if_type = 5;
    sub.sub.parent = 0x11223344;
    sub.sub.admin_up = 1;
    sub.sub.src_bypass_filter = 1;
    Owned rec;
    ASSERT_EQ(0u, eth_if_plcy_encode(&sub, rec.out(), 0));
    auto b = test::bytes_of(rec.rec);
    EXPECT_EQ((std::vector<uint8_t>{b.begin() + 36, b.begin() + 41}),
              (std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11, 0x05}));
    EXPECT_EQ(b[8], 5);

    // Read the same bytes through the trunk view.
    test::Image im;
    std::copy(b.begin(), b.begin() + 48, im.b.begin());
    im.mask(ETH_IF_PLCY_NATIVE_VLAN | ETH_IF_PLCY_QINQ_ETYPE | ETH_IF_PLCY_MAC_ACC);
    eth_if_plcy_ext_t trunk;
    ASSERT_EQ(0u, eth_if_plcy_decode(im.rec(), ETH_IF_PLCY_ALL_FIELDS, &trunk, 0));
    EXPECT_EQ(trunk.trunk.native_vlan, 0x3344);
    EXPECT_EQ(trunk.trunk.qinq_tunneling_etype, 0x1122);
    EXPECT_EQ(trunk.trunk.mac_acc_ingress, 1);
    EXPECT_EQ(trunk.trunk.mac_acc_egress, 0);
    EXPECT_EQ(trunk.trunk.native_is_svlan, 1);
}

// Each field of the fixed part and the trunk view at its offset and bit.
TEST(Record, FixedPartOffsets) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    struct Case {
        const char *name;
        uint32_t bit;
        void (*fill)(eth_if_plcy_ext_t &);
        std::vector<std::pair<size_t, uint8_t>> bytes;
    } cases[] = {
        {"ether_if_type",
         ETH_IF_PLCY_ETHER_IF_TYPE,
         [](auto &e) { e.ether_if_type = 21; },
         {{8, 21}}},
        {"interface_ready",
         ETH_IF_PLCY_INTF_READY,
         [](auto &e) { e.interface_ready = 1; },
         {{8, 0x20}}},
        {"is_l2", ETH_IF_PLCY_L2_FLAG, [](auto &e) { e.is_l2 = 1; }, {{8, 0x40}}},
        {"is_in_icl_mode",
         ETH_IF_PLCY_ICL_MODE,
         [](auto &e) { e.is_in_icl_mode = 1; },
         {{9, 0x01}}},
        {"provision",
         ETH_IF_PLCY_PROVISION,
         [](auto &e) {
             e.is_provisioned = 1;
             e.provision_info = {0x01020304, 7, 1, 1, 0x0506};
         },
         {{8, 0x80}, {12, 4}, {13, 3}, {14, 2}, {15, 1}, {16, 7}, {17, 0x06}, {18, 6}, {19, 5}}},
        {"l2pt",
         ETH_IF_PLCY_L2PT,
         [](auto &e) { e.l2pt[0] = 0xFF, e.l2pt[4] = 0x5B; },
         {{20, 0x7F}, {24, 0x5B}}},
        {"mac_addr",
         ETH_IF_PLCY_MAC_ADDR,
         [](auto &e) { std::memcpy(e.mac_addr, "\x01\x02\x03\x04\x05\x06", 6); },
         {{25, 1}, {26, 2}, {27, 3}, {28, 4}, {29, 5}, {30, 6}}},
        {"mtu", ETH_IF_PLCY_MTU, [](auto &e) { e.mtu = 0x2328; }, {{32, 0x28}, {33, 0x23}}},
        {"native_vlan",
         ETH_IF_PLCY_NATIVE_VLAN,
         [](auto &e) { e.trunk.native_vlan = 0x0102, e.trunk.native_is_svlan = 1; },
         {{36, 2}, {37, 1}, {40, 0x04}}},
        {"qinq",
         ETH_IF_PLCY_QINQ_ETYPE,
         [](auto &e) { e.trunk.qinq_tunneling_etype = 0x88a8; },
         {{38, 0xa8}, {39, 0x88}}},
        {"mac_acc",
         ETH_IF_PLCY_MAC_ACC,
         [](auto &e) { e.trunk.mac_acc_ingress = 1, e.trunk.mac_acc_egress = 1; },
         {{40, 0x03}}},
        {"filtering",
         ETH_IF_PLCY_FILTERING,
         [](auto &e) {
             e.trunk.filter_dot1q = 1, e.trunk.filter_dot1ad = 1, e.trunk.filter_mac_relay = 1;
         },
         {{40, 0x38}}},
        {"vlan switched",
         ETH_IF_PLCY_VLAN_SWITCHED,
         [](auto &e) {
             e.trunk.vlan_switched_trunk = 1, e.trunk.vlan_switched_access = 1,
             e.trunk.access_vlan = 0x0a0b;
         },
         {{40, 0x80}, {41, 0x01}, {42, 0x0b}, {43, 0x0a}}},
    };
    for (const Case &c : cases) {
        eth_if_plcy_ext_t e = zero_ext();
        e.valid_mask = c.bit;
        c.fill(e);
        Owned rec;
        ASSERT_EQ(0u, eth_if_plcy_encode(&e, rec.out(), 0)) << c.name;
        std::vector<uint8_t> want(72, 0);
        want[2] = 72;
        std::memcpy(&want[4], &c.bit, 4);
        for (auto [off, v] : c.bytes)
            want[off] = v;
        EXPECT_EQ(test::bytes_of(rec.rec), want) << c.name;
    }
}

TEST(Record, FreeOfExternalPointersChangesNothing) {
    eth_if_plcy_ext_t e;
    std::memset(&e, 0x6B, sizeof e);
    eth_if_plcy_ext_t before = e;
    eth_if_plcy_ext_free_ptrs(&e);
    EXPECT_EQ(0, std::memcmp(&before, &e, sizeof e));
}

} // namespace
