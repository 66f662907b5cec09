// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The stream's walk over damaged dumps, as a seeded property: dumps of
// records with damage of five kinds (a size field above or below the record
// sizes, a flipped byte, a record cut short, garbage put in) give every
// record the damage did not touch, in order, nothing else, and count every
// byte they pass over.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "policies.hpp"
#include "tool.hpp"

namespace {

struct Placed {
    uint64_t offset;
    std::vector<uint8_t> bytes;
    bool damaged;
};

std::vector<uint8_t> record(eth_if_plcy_ext_t e, uint32_t mtu, bool net) {
    e.valid_mask |= ETH_IF_PLCY_MTU;
    e.mtu = mtu;
    eth_if_plcy::Record rec;
    EXPECT_EQ(eth_if_plcy::encode(e, rec), eth_if_plcy::Status::ok);
    auto b = rec.bytes(); // sized in host order, before hton turns the size field
    if (net) {
        EXPECT_EQ(eth_if_plcy::hton(rec), eth_if_plcy::Status::ok);
    }
    return {b.begin(), b.end()};
}

// A dump of n records, one in about every 97th damaged (never two side by
// side), and the records as placed in it.
std::vector<uint8_t> damaged_dump(uint32_t seed, size_t n, bool net, std::vector<Placed> &placed) {
    std::mt19937 rng(seed);
    auto below = [&](uint32_t bound) { return static_cast<uint32_t>(rng() % bound); };
    auto policies = bench::reference_policies();
    std::vector<uint8_t> dump;
    size_t last = 0;
    for (size_t i = 0; i < n; i++) {
        auto rec = record(policies[i % policies.size()].ext, 64 + below(9000), net);
        bool damage = i > last + 2 && below(97) == 0;
        int kind = damage ? static_cast<int>(below(5)) : -1;
        if (damage) last = i;
        size_t size_at = 2;
        auto set_size = [&](uint32_t v) {
            rec[size_at] = static_cast<uint8_t>(net ? v >> 8 : v);
            rec[size_at + 1] = static_cast<uint8_t>(net ? v : v >> 8);
        };
        if (kind == 0) set_size(ETH_IF_PLCY_MAX_SIZE + 1 + below(65535 - ETH_IF_PLCY_MAX_SIZE));
        if (kind == 1) set_size(below(ETH_IF_PLCY_MIN_SIZE));
        if (kind == 2) rec[below(static_cast<uint32_t>(rec.size()))] ^= 1 + below(255);
        if (kind == 3) rec.resize(1 + below(static_cast<uint32_t>(rec.size() - 1)));
        placed.push_back({dump.size(), rec, kind >= 0 && kind < 4});
        dump.insert(dump.end(), rec.begin(), rec.end());
        for (uint32_t g = kind == 4 ? 1 + below(300) : 0; g > 0; g--)
            dump.push_back(static_cast<uint8_t>(rng()));
    }
    return dump;
}

TEST(StreamResync, EveryWholeRecordAndNothingElse) {
    for (uint32_t seed = 1; seed <= 6; seed++) {
        for (bool net : {false, true}) {
            SCOPED_TRACE("seed " + std::to_string(seed) + (net ? " net" : " host"));
            std::vector<Placed> placed;
            std::vector<uint8_t> dump = damaged_dump(seed, 3000, net, placed);
            FILE *f = fmemopen(dump.data(), dump.size(), "rb");
            ASSERT_NE(f, nullptr);
            uint64_t shown_bytes = 0, skipped = 0;
            size_t next = 0, damaged = 0;
            {
                ethplcy_tool::Stream s(f, ethplcy_tool::Framing::binary, net);
                ethplcy_tool::StreamItem item;
                while (s.next(item)) {
                    skipped += item.skipped;
                    if (!item.error.empty()) continue;
                    shown_bytes += item.bytes.size();
                    // Records the damage touched may be shown only as they lie,
                    // a byte flipped in place; whole ones never passed over.
                    while (next < placed.size() && placed[next].offset < item.offset)
                        ASSERT_TRUE(placed[next++].damaged)
                            << "lost the record at " << placed[next - 1].offset;
                    ASSERT_LT(next, placed.size()) << "phantom at " << item.offset;
                    ASSERT_EQ(placed[next].offset, item.offset) << "phantom record";
                    ASSERT_EQ(placed[next].bytes, item.bytes)
                        << "phantom record at " << item.offset;
                    damaged += placed[next++].damaged;
                }
            }
            std::fclose(f);
            for (; next < placed.size(); next++)
                ASSERT_TRUE(placed[next].damaged) << "lost the record at " << placed[next].offset;
            EXPECT_EQ(shown_bytes + skipped, dump.size());
            EXPECT_LE(damaged, 10u); // the flipped bytes that still validate, where they lie
        }
    }
}

} // namespace
