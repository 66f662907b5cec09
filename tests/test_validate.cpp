// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Validation of received bytes.
#include "test_support.hpp"

namespace {

using test::Image;
using test::Owned;

Image sub_with_ranges(uint8_t first_entry_byte) {
    Image im(93);
    im.mask(ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_EFP_MATCH);
    im.b[8] = 2;
    im.b[57] = 1 | 1 << 2;
    im.put16(62, 4097);
    std::memcpy(&im.b[80], "\x80\x00\x01\x00\x02\x00\x81\x00\x03\x00\x04\x00\x0f", 13);
    im.b[80] = first_entry_byte;
    return im;
}

TEST(Validate, RefusesEachBrokenRule) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    auto with = [](Image im, auto change) {
        change(im);
        return im;
    };
    Image good = sub_with_ranges(0x80);
    Image full(112);
    full.b[56] = 0x40;
    Image eleven = test::eleven_ranges(150);
    struct Case {
        Image im;
        size_t len;
        uint32_t options;
        const char *reason;
        uint32_t offset;
    } cases[] = {
        {good, 71, 0, "shorter than the 72-byte minimum", 71},
        {with(good, [](Image &i) { i.put16(2, 71); }), 93, 0, "size field below 72", 2},
        {good, 92, 0, "size field larger than the buffer", 2},
        {good, 93, 0x1, "unknown option bits", 0},
        {with(good, [](Image &i) { i.b[0] = 1; }), 93, 0, "version is not 0", 0},
        {with(good, [](Image &i) { i.mask(0x100001); }), 93, 0, "valid mask has bits above bit 19",
         4},
        {with(good, [](Image &i) { i.mask(ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_NATIVE_VLAN); }),
         93, 0, "valid mask names fields of the other interface view", 4},
        {with(good,
              [](Image &i) { i.b[8] = 1, i.mask(ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_PARENT); }),
         93, 0, "valid mask names fields of the other interface view", 4},
        {with(good, [](Image &i) { i.b[56] = 0x80; }), 93, 0,
         "EFP base has a range structure's base type", 56},
        {with(good, [](Image &i) { i.b[57] = 2 << 2 | 1 << 6; }), 93, 0,
         "compact EFP needs more than 2 tag words", 57},
        {with(good, [](Image &i) { i.b.resize(79), i.put16(2, 79); }), 79, 0,
         "compact EFP form runs past size", 56},
        {with(full, [](Image &i) { i.b.resize(111), i.put16(2, 111); }), 111, 0,
         "full EFP form runs past size", 56},
        {with(full, [](Image &i) { i.b[57] = 3; }), 112, 0, "full EFP has more than 2 match tags",
         57},
        {with(full, [](Image &i) { i.b[71] = 3; }), 112, 0, "full EFP has more than 2 push tags",
         71},
        {sub_with_ranges(0xC0), 93, 0, "range entry has the wrong base type", 80},
        {sub_with_ranges(0x81), 93, 0, "range entry has the wrong index", 80},
        // Index 15 with base type bits is not the terminator byte.
        {with(good, [](Image &i) { i.b[92] = 0x8F; }), 93, 0, "range entry runs past size", 92},
        {with(good, [](Image &i) { i.put16(2, 92); }), 93, 0, "range list runs past size", 92},
        {eleven, 150, 0, "range list has more than 10 entries", 140},
        {with(full,
              [](Image &i) { // a full form's range tag: its list is checked too
                  i.b.resize(119), i.put16(2, 119), i.b[57] = 1, i.put16(60, 4097);
                  i.b[112] = 0x80, i.b[118] = 0x0F;
              }),
         119, 0, "range entry has the wrong base type", 112},
    };
    for (const Case &c : cases) {
        const char *why = "untouched";
        uint32_t at = 12345;
        EXPECT_EQ(ETH_IF_PLCY_ERR_INVALID,
                  eth_if_plcy_validate_explain(c.im.b.data(), c.len, c.options, &why, &at))
            << c.reason;
        EXPECT_STREQ(why, c.reason);
        EXPECT_EQ(at, c.offset) << c.reason;
    }
    EXPECT_EQ(ETH_IF_PLCY_ERR_INVALID, eth_if_plcy_validate(nullptr, 100, 0));
    EXPECT_EQ(0u, eth_if_plcy_validate(good.b.data(), 93, 0));
    eleven.b[140] = 0x0F; // ten entries fit
    EXPECT_EQ(0u, eth_if_plcy_validate(eleven.b.data(), 150, 0));
    // A range code on a tag beyond the count is not read.
    Image beyond = good;
    beyond.b[57] = 1;
    beyond.b[80] = 0xFF;
    EXPECT_EQ(0u, eth_if_plcy_validate(beyond.b.data(), 93, 0));
}

// hton converts a sub record's VLAN SWITCHED fields at the trunk view's
// places, and of a compact form only the tag words that hold tags.
TEST(ByteOrder, ConvertsWhatTheRecordNames) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    Image im(87);
    im.mask(ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_VLAN_SWITCHED | ETH_IF_PLCY_EFP_MATCH);
    im.b[8] = 2;
    im.put16(42, 0x0102);
    im.b[57] = 1 << 2; // one match tag
    im.put16(62, 100);
    im.put16(64, 4097); // a word beyond the tags, range code and all: left as it is
    im.b[80] = 0x80, im.put16(82, 0x0102), im.b[86] = 0x0F; // so is the range area
    eth_if_plcy_hton(im.rec());
    EXPECT_EQ((std::vector<uint8_t>(im.b.begin() + 42, im.b.begin() + 44)),
              (std::vector<uint8_t>{0x01, 0x02}));
    EXPECT_EQ((std::vector<uint8_t>(im.b.begin() + 62, im.b.begin() + 66)),
              (std::vector<uint8_t>{0x03, 0x20, 0x01, 0x10}));
    EXPECT_EQ(im.get16(82), 0x0102);
    // A full form that runs past the size is left alone: nothing past size moves.
    Image past(80);
    past.put16(2, 72);
    past.mask(ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_EFP_MATCH);
    past.b[8] = 2, past.b[56] = 0x40, past.b[71] = 1; // one push tag
    past.put16(72, 0x1234);
    eth_if_plcy_hton(past.rec());
    EXPECT_EQ(past.get16(72), 0x1234);
    // A range list ends at its terminator, even where size leaves room for more.
    Image tail(93);
    tail.mask(ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_EFP_MATCH);
    tail.b[8] = 2, tail.b[57] = 1 << 2;
    tail.put16(62, 4097);
    tail.b[80] = 0x80, tail.b[86] = 0x0F;
    tail.put16(88, 0x1234);
    eth_if_plcy_hton(tail.rec());
    EXPECT_EQ(tail.get16(88), 0x1234);
    // A size too short for an EFP area: not even the tag words inside it move.
    Image cut(80);
    cut.put16(2, 64);
    cut.mask(ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_EFP_MATCH);
    cut.b[8] = 2, cut.b[57] = 1 << 2;
    cut.put16(62, 100);
    eth_if_plcy_hton(cut.rec());
    EXPECT_EQ(cut.get16(62), 100);
}

} // namespace
