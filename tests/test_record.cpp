// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The record's size queries and their assertions (whose whole line every
// death test matches, through test::assert_line).
#include "test_support.hpp"

namespace {

using test::assert_line;
using test::Image;

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

} // namespace
