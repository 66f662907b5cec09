// SPDX-License-Identifier: Apache-2.0
// hton and ntoh: the network image field by field, the class rules, and the
// round trip. Hand-built host images here are little-endian.
#include "test_support.hpp"

namespace {

using test::Image;
using test::Owned;

std::vector<uint8_t> hton_of(Image im) {
    eth_if_plcy_hton(im.rec());
    return im.b;
}

// Offsets whose bytes differ between two images.
std::vector<size_t> changed(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) {
    std::vector<size_t> out;
    for (size_t i = 0; i < a.size(); i++)
        if (a[i] != b[i]) out.push_back(i);
    return out;
}

TEST(ByteOrder, WorkedExamples) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    // bytes 8-9: type 5, ready, L2, not provisioned, ICL
    Image a;
    a.b[8] = 0x65, a.b[9] = 0x01;
    auto na = hton_of(a);
    EXPECT_EQ(na[8], 0x2E);
    EXPECT_EQ(na[9], 0x80);
    // byte 17: remote status and IP interworking
    Image b;
    b.b[17] = 0x03;
    EXPECT_EQ(hton_of(b)[17], 0xC0);
    // an l2pt byte: tunnel, EXP given, EXP 5 (converted only with ETHER_IF_TYPE)
    Image c;
    c.mask(ETH_IF_PLCY_ETHER_IF_TYPE);
    c.b[20] = 0x5B;
    EXPECT_EQ(hton_of(c)[20], 0x7A);
    // a compact tag word: VLAN 100, 802.1ad, in a sub-interface record
    Image d(80);
    d.mask(ETH_IF_PLCY_ETHER_IF_TYPE);
    d.b[8] = 2;
    d.b[57] = 1 << 2;
    d.b[62] = 0x64, d.b[63] = 0x20;
    auto nd = hton_of(d);
    EXPECT_EQ(nd[62], 0x03);
    EXPECT_EQ(nd[63], 0x24);
}

TEST(ByteOrder, WholeSubInterfaceImage) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    Image im(93);
    im.mask(0x000403C5);
    im.b[8] = 0x43; // type 3, is_l2
    im.put32(12, 0x01020304);
    im.put16(18, 0x0506);
    im.put16(32, 9000);
    im.put32(36, 0x04000340);
    im.b[40] = 0x05; // admin up, bypass
    im.put32(48, 0xA1A2A3A4);
    im.b[57] = 0x03 | 2 << 2 | 1 << 4; // both cfgd, 2 tags, 1 pop
    im.b[58] = 0x1F;                   // PCP any, exact
    im.put16(60, 0x0800);
    im.put16(62, 200 | 1 << 13);
    im.put16(64, 4097);
    std::memcpy(&im.b[80], "\x80\x00\x64\x00\xc7\x00\x81\x00\x2c\x01\x2c\x01\x0f", 13);
    std::vector<uint8_t> want = {
        0x00, 0x00, 0x00, 0x5d, 0x00, 0x04, 0x03, 0xc5, 0x1a, 0x00, 0x00, 0x00, 0x01, 0x02,
        0x03, 0x04, 0x00, 0x00, 0x05, 0x06, 0,    0,    0,    0,    0,    0,    0,    0,
        0,    0,    0,    0,    0x23, 0x28, 0,    0,    0x04, 0x00, 0x03, 0x40, 0xa0, 0x00,
        0,    0,    0,    0,    0,    0,    0xa1, 0xa2, 0xa3, 0xa4, 0,    0,    0,    0,
        0x00, 0xe4, 0xf8, 0x00, 0x08, 0x00, 0x06, 0x44, 0x80, 0x08, 0,    0,    0,    0,
        0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0x80, 0x00, 0x00, 0x64,
        0x00, 0xc7, 0x81, 0x00, 0x01, 0x2c, 0x01, 0x2c, 0x0f};
    ASSERT_EQ(want.size(), 93u);
    Image net = im;
    eth_if_plcy_hton(net.rec());
    EXPECT_EQ(net.b, want);
    eth_if_plcy_ntoh(net.rec());
    EXPECT_EQ(net.b, im.b);
}

TEST(ByteOrder, WhatEachClassConverts) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    struct Case {
        const char *name;
        uint32_t mask;
        uint8_t type;
        std::vector<size_t> offsets; // the bytes that may change
    };
    const std::vector<size_t> always = {2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 14, 15, 17, 18, 19, 32, 33};
    auto plus = [&](std::vector<size_t> more) {
        auto v = always;
        v.insert(v.end(), more.begin(), more.end());
        std::sort(v.begin(), v.end());
        return v;
    };
    const std::vector<size_t> l2pt = {20, 21, 22, 23, 24};
    Case cases[] = {
        {"no type bit", ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_PARENT, 2, always},
        {"type 0", ETH_IF_PLCY_ETHER_IF_TYPE, 0, plus(l2pt)},
        {"type 22", ETH_IF_PLCY_ETHER_IF_TYPE, 22, plus(l2pt)},
        {"trunk class", ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_EFP_MATCH, 1,
         plus({20, 21, 22, 23, 24, 36, 37, 38, 39, 40, 41, 42, 43})},
    };
    for (const Case &c : cases) {
        Image im(112);
        for (size_t i = 2; i < im.b.size(); i++)
            im.b[i] = uint8_t(i * 37 + 11);
        im.put16(2, 112);
        im.mask(c.mask);
        im.b[8] = uint8_t((im.b[8] & 0xE0) | c.type);
        auto net = hton_of(im);
        for (size_t off : changed(im.b, net))
            EXPECT_TRUE(std::binary_search(c.offsets.begin(), c.offsets.end(), off))
                << c.name << ": byte " << off << " changed";
    }
    // A 72-byte sub-interface record without EFP bits keeps its zero EFP area.
    Image z;
    z.mask(ETH_IF_PLCY_ETHER_IF_TYPE);
    z.b[8] = 5;
    auto nz = hton_of(z);
    EXPECT_EQ(std::vector<uint8_t>(nz.begin() + 48, nz.end()), std::vector<uint8_t>(24, 0));
    // In the network image the mask's low byte is at offset 7.
    EXPECT_EQ(nz[7], ETH_IF_PLCY_ETHER_IF_TYPE);
    EXPECT_EQ(nz[4], 0);
}

TEST(ByteOrder, CompactRangeListAndPushWord) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    Image im(93);
    im.mask(ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_EFP_MATCH);
    im.b[8] = 2;
    im.b[57] = 1 | 1 << 2 | 1 << 6; // one match tag, one push
    im.put16(62, 4097);
    im.put16(64, 0x0102);
    std::memcpy(&im.b[80], "\x80\x00\x01\x02\x03\x04\x81\x00\x05\x06\x07\x08\x0f", 13);
    auto net = hton_of(im);
    EXPECT_EQ(std::vector<uint8_t>(net.begin() + 80, net.end()),
              (std::vector<uint8_t>{0x80, 0, 2, 1, 4, 3, 0x81, 0, 6, 5, 8, 7, 0x0f}));
    EXPECT_EQ(net[64], 0x08); // push word 0x0102: VLAN 258 at network bits 15-3
    EXPECT_EQ(net[65], 0x10);
}

TEST(ByteOrder, BrokenLimitsStayInsideSize) {
    // A range list without terminator and a full form claiming 200 tags: the
    // conversion stops at size (ASan checks the exact-size heap block).
    Image im(112 + 6 * 3);
    im.mask(ETH_IF_PLCY_ETHER_IF_TYPE);
    im.b[8] = 3;
    im.b[56] = 0x40;
    im.b[57] = 200;
    im.b[71] = 200;
    im.put16(60, 4097);
    for (int k = 0; k < 3; k++)
        im.b[112 + 6 * k] = uint8_t(0xC0 | k);
    std::vector<uint8_t> heap(im.b);
    eth_if_plcy_hton(reinterpret_cast<eth_if_plcy_t *>(heap.data()));
    EXPECT_EQ(heap[112 + 2], 0); // converted: low 0 stays 0, high too
    Image short_full(100);
    short_full.mask(ETH_IF_PLCY_ETHER_IF_TYPE);
    short_full.b[8] = 3;
    short_full.b[56] = 0x40;
    std::vector<uint8_t> heap2(short_full.b);
    eth_if_plcy_hton(reinterpret_cast<eth_if_plcy_t *>(heap2.data()));
    EXPECT_EQ(std::vector<uint8_t>(heap2.begin() + 56, heap2.end()),
              std::vector<uint8_t>(short_full.b.begin() + 56, short_full.b.end()));
}

// encode output validates; its network image validates as one; ntoh gives back every byte.
TEST(ByteOrder, SeededRoundTripGivesBackEveryByte) {
    for (bool tag_view : {false, true}) {
        test::PolicyGen gen(tag_view ? 31 : 32);
        for (int iter = 0; iter < 3000; iter++) {
            std::vector<eth_if_plcy_vlan_range_t> list;
            eth_if_plcy_ext_t in = gen.make(list, tag_view);
            Owned rec;
            ASSERT_EQ(0u, eth_if_plcy_encode(&in, rec.out(),
                                             tag_view ? ETH_IF_PLCY_ENCODE_TAG_RANGES : 0));
            auto host = test::bytes_of(rec.rec);
            uint32_t size = uint32_t(host.size());
            ASSERT_EQ(0u, eth_if_plcy_validate(rec.rec, size, 0)) << iter;
            ASSERT_EQ(ETH_IF_PLCY_ERR_INVALID, eth_if_plcy_validate(rec.rec, size - 1, 0));
            Owned net;
            ASSERT_EQ(0u, eth_if_plcy_copy(rec.rec, net.out(), ETH_IF_PLCY_COPY_HTON));
            const char *why = nullptr;
            uint32_t at = 0;
            ASSERT_EQ(0u, eth_if_plcy_validate_explain(net.rec, size, ETH_IF_PLCY_VALIDATE_NET,
                                                       &why, &at))
                << iter << ": " << (why ? why : "") << " at " << at;
            ASSERT_EQ(test::bytes_of(rec.rec), host) << "copy changed its source";
            std::vector<uint8_t> image(reinterpret_cast<uint8_t *>(net.rec),
                                       reinterpret_cast<uint8_t *>(net.rec) + host.size());
            Image manual;
            manual.b = host;
            eth_if_plcy_hton(manual.rec());
            ASSERT_EQ(image, manual.b) << iter;
            eth_if_plcy_ntoh(net.rec);
            ASSERT_EQ(test::bytes_of(net.rec), host) << iter;
            ASSERT_EQ(0u, eth_if_plcy_validate(net.rec, size, 0)) << iter;
        }
    }
}

TEST(ByteOrderDeath, CorruptedBaseTypeInSubInterfaceRecord) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    for (uint8_t type : {0x80, 0xC0}) {
        Image im(112);
        im.mask(ETH_IF_PLCY_ETHER_IF_TYPE);
        im.b[8] = 2;
        im.b[56] = type;
        EXPECT_DEATH(
            eth_if_plcy_hton(im.rec()),
            test::assert_line(test::kAccessorPath, "!\"Bad base type for tag match get\""));
        Image net = im;
        net.put16(2, 0x7000); // size 112 in network order
        net.b[4] = 0, net.b[7] = 1;
        net.b[8] = 0x10; // type 2 at network bits 15-11
        EXPECT_DEATH(
            eth_if_plcy_ntoh(net.rec()),
            test::assert_line(test::kAccessorPath, "!\"Bad base type for tag match get\""));
    }
}

} // namespace
