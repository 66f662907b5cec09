// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Copy, replace, free and compare.
#include <dlfcn.h>

#include <atomic>
#include <functional>

#include "test_support.hpp"

#ifdef ETH_IF_PLCY_COUNT_EFP_CALLS
// Counting wrappers in front of the EFP utility library's comparisons (they
// interpose on the shared library, so only where it is one).
std::atomic<int> g_match_calls{0}, g_rewrite_calls{0};

using EfpEqual = int (*)(const void *, const void *);

extern "C" int eth_efp_util_match_equal(const void *a, const void *b) {
    static auto real = reinterpret_cast<EfpEqual>(dlsym(RTLD_NEXT, "eth_efp_util_match_equal"));
    ++g_match_calls;
    return real(a, b);
}

extern "C" int eth_efp_util_rewrite_equal(const void *a, const void *b) {
    static auto real = reinterpret_cast<EfpEqual>(dlsym(RTLD_NEXT, "eth_efp_util_rewrite_equal"));
    ++g_rewrite_calls;
    return real(a, b);
}
#endif

namespace {

using test::assert_line;
using test::Image;
using test::Owned;
using test::zero_ext;

eth_if_plcy_t *heap_record(uint32_t size, uint8_t fill) {
    auto *p = static_cast<uint8_t *>(malloc(size));
    std::memset(p, fill, size);
    p[0] = 0;
    uint16_t size16 = uint16_t(size);
    std::memcpy(p + 2, &size16, 2);
    return reinterpret_cast<eth_if_plcy_t *>(p);
}

TEST(Copy, RefusalsAndFailuresKeepOut) {
    Image good(80), v1;
    v1.b[0] = 1;
    eth_if_plcy_t *const sentinel = reinterpret_cast<eth_if_plcy_t *>(&good);
    struct Case {
        const char *name;
        const eth_if_plcy_t *src;
        bool null_out;
        uint32_t options;
        long fail_after;
        uint32_t status;
    } cases[] = {
        {"option 0x20 before null src", nullptr, false, 0x20, -1, ETH_IF_PLCY_ERR_INVALID},
        {"null src", nullptr, false, 0, -1, ETH_IF_PLCY_ERR_INVALID},
        {"null out", good.rec(), true, 0, -1, ETH_IF_PLCY_ERR_INVALID},
        {"version 1", v1.rec(), false, 0, -1, ETH_IF_PLCY_ERR_INVALID},
        {"allocation fails", good.rec(), false, ETH_IF_PLCY_COPY_HTON, 0, ETH_IF_PLCY_ERR_NOMEM},
    };
    for (const Case &c : cases) {
        eth_if_plcy_t *out = sentinel;
        long before = eth_if_plcy_test_alloc_count();
        eth_if_plcy_test_fail_alloc(c.fail_after);
        EXPECT_EQ(c.status, eth_if_plcy_copy(c.src, c.null_out ? nullptr : &out, c.options))
            << c.name;
        eth_if_plcy_test_fail_alloc(-1);
        EXPECT_EQ(out, sentinel) << c.name;
        EXPECT_EQ(eth_if_plcy_test_alloc_count() - before, c.fail_after == 0 ? 1 : 0) << c.name;
    }
    Owned copy;
    ASSERT_EQ(0u, eth_if_plcy_copy(good.rec(), copy.out(), 0));
    EXPECT_EQ(test::bytes_of(copy.rec), good.b);
}

TEST(Replace, EveryPath) {
    eth_if_plcy_t *slot = nullptr;
    Image a(80), b(80), c(112);
    a.b[20] = 1, b.b[20] = 2, c.b[20] = 3;

    // Empty slot, copy mode: null keeps it empty, a record is copied in.
    EXPECT_EQ(0u, eth_if_plcy_replace(&slot, nullptr, ETH_IF_PLCY_REPLACE_COPY));
    EXPECT_EQ(slot, nullptr);
    eth_if_plcy_test_fail_alloc(0);
    EXPECT_EQ(ETH_IF_PLCY_ERR_NOMEM, eth_if_plcy_replace(&slot, a.rec(), ETH_IF_PLCY_REPLACE_COPY));
    EXPECT_EQ(slot, nullptr);
    ASSERT_EQ(0u, eth_if_plcy_replace(&slot, a.rec(), ETH_IF_PLCY_REPLACE_COPY));
    EXPECT_EQ(test::bytes_of(slot), a.b);

    // Same size: the held block is reused.
    eth_if_plcy_t *held = slot;
    long before = eth_if_plcy_test_alloc_count();
    ASSERT_EQ(0u, eth_if_plcy_replace(&slot, b.rec(), ETH_IF_PLCY_REPLACE_COPY));
    EXPECT_EQ(slot, held);
    EXPECT_EQ(eth_if_plcy_test_alloc_count(), before);
    EXPECT_EQ(test::bytes_of(slot), b.b);

    // Different size: failure keeps the old record, success moves to a new block.
    eth_if_plcy_test_fail_alloc(0);
    EXPECT_EQ(ETH_IF_PLCY_ERR_NOMEM, eth_if_plcy_replace(&slot, c.rec(), ETH_IF_PLCY_REPLACE_COPY));
    EXPECT_EQ(slot, held);
    EXPECT_EQ(test::bytes_of(slot), b.b);
    ASSERT_EQ(0u, eth_if_plcy_replace(&slot, c.rec(), ETH_IF_PLCY_REPLACE_COPY));
    EXPECT_EQ(test::bytes_of(slot), c.b);

    // Bad mode or slot.
    held = slot;
    EXPECT_EQ(ETH_IF_PLCY_ERR_INVALID, eth_if_plcy_replace(&slot, a.rec(), 2));
    EXPECT_EQ(ETH_IF_PLCY_ERR_INVALID, eth_if_plcy_replace(nullptr, a.rec(), 0));
    EXPECT_EQ(slot, held);

    // Take mode: the slot owns what it is given; null empties it.
    eth_if_plcy_t *taken = heap_record(90, 7);
    ASSERT_EQ(0u, eth_if_plcy_replace(&slot, taken, ETH_IF_PLCY_REPLACE_TAKE));
    EXPECT_EQ(slot, taken);
    ASSERT_EQ(0u, eth_if_plcy_replace(&slot, taken, ETH_IF_PLCY_REPLACE_TAKE)); // kept, not freed
    EXPECT_EQ(eth_if_plcy_get_size(slot, 0), 90u);
    ASSERT_EQ(0u, eth_if_plcy_replace(&slot, nullptr, ETH_IF_PLCY_REPLACE_TAKE));
    EXPECT_EQ(slot, nullptr);

    // Copy mode with null empties a full slot (LeakSanitizer sees a lost block).
    ASSERT_EQ(0u, eth_if_plcy_replace(&slot, a.rec(), ETH_IF_PLCY_REPLACE_COPY));
    ASSERT_EQ(0u, eth_if_plcy_replace(&slot, nullptr, ETH_IF_PLCY_REPLACE_COPY));
    EXPECT_EQ(slot, nullptr);
}

TEST(FreeDeath, Contract) {
    eth_if_plcy_free(nullptr, 0);
    EXPECT_DEATH(eth_if_plcy_free(nullptr, 1),
                 assert_line(test::kLibPath, "!\"Invalid policy options specified\""));
    Image v1;
    v1.b[0] = 1;
    EXPECT_DEATH(eth_if_plcy_free(v1.rec(), 0),
                 assert_line(test::kLibPath, "!\"This policy version is not supported\""));
    // A network-image record is released like any other.
    eth_if_plcy_t *rec = heap_record(72, 0);
    eth_if_plcy_hton(rec);
    eth_if_plcy_free(rec, 0);
}

TEST(Compare, NullAndPresenceRules) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    Image first, second;
    first.mask(0x41);
    second.mask(0x41);
    const uint32_t all = ETH_IF_PLCY_ALL_FIELDS;
    struct Case {
        const char *name;
        const eth_if_plcy_t *a;
        const eth_if_plcy_t *b;
        uint32_t options;
        uint32_t want;
    } cases[] = {
        {"neither", nullptr, nullptr, 0, 0},
        {"second only", nullptr, second.rec(), 0, 0x41},
        {"second only, one-sided", nullptr, second.rec(), 4, 0},
        {"second only, one-sided all", nullptr, second.rec(), 6, 0x41},
        {"second only, absent-all alone", nullptr, second.rec(), 2, 0x41},
        {"first only", first.rec(), nullptr, 0, 0x41},
        {"first only, one-sided", first.rec(), nullptr, 4, 0x41},
        {"equal", first.rec(), second.rec(), 0, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(eth_if_plcy_compare_int(c.a, c.b, all, c.options), c.want) << c.name;
    EXPECT_EQ(eth_if_plcy_compare_int(first.rec(), nullptr, 0x1, 0), 0x1u);

    // Presence on one side; LOOPBACK and INTF_READY only in the internal entry point.
    first.mask(0x41 | ETH_IF_PLCY_LOOPBACK | ETH_IF_PLCY_INTF_READY);
    second.mask(0x41 | ETH_IF_PLCY_MTU);
    EXPECT_EQ(eth_if_plcy_compare_int(first.rec(), second.rec(), all, 0),
              ETH_IF_PLCY_LOOPBACK | ETH_IF_PLCY_INTF_READY | ETH_IF_PLCY_MTU);
    EXPECT_EQ(eth_if_plcy_compare(first.rec(), second.rec(), 0xFFFFFFFF, 0), ETH_IF_PLCY_MTU);
    EXPECT_EQ(eth_if_plcy_compare_int(first.rec(), second.rec(), all, 4),
              ETH_IF_PLCY_LOOPBACK | ETH_IF_PLCY_INTF_READY);
    EXPECT_EQ(eth_if_plcy_compare(first.rec(), second.rec(), all, 4), 0u);

    // Provisioning details count only when both are provisioned; l2pt bit 7 never.
    first.mask(ETH_IF_PLCY_PROVISION | ETH_IF_PLCY_L2PT);
    second.mask(ETH_IF_PLCY_PROVISION | ETH_IF_PLCY_L2PT);
    first.put32(12, 1);
    second.b[20] = 0x80;
    EXPECT_EQ(eth_if_plcy_compare(first.rec(), second.rec(), all, 0), 0u);
    first.b[8] = second.b[8] = 0x80;
    EXPECT_EQ(eth_if_plcy_compare(first.rec(), second.rec(), all, 0), ETH_IF_PLCY_PROVISION);
    first.put32(12, 0);
    first.b[17] = 1; // remote status alone
    EXPECT_EQ(eth_if_plcy_compare(first.rec(), second.rec(), all, 0), ETH_IF_PLCY_PROVISION);
    EXPECT_EQ(eth_if_plcy_compare(first.rec(), second.rec(), 0, 0), 0u);
}

// One group changed at a time in a random policy: exactly that bit differs.
TEST(Compare, SeededSingleGroupChanges) {
    using Change = std::function<void(eth_if_plcy_ext_t &)>;
    const std::pair<uint32_t, Change> changes[] = {
        {ETH_IF_PLCY_ETHER_IF_TYPE,
         [](auto &e) { // another type of the same class
             bool trunk = (ETH_IF_PLCY_TRUNK_TYPES >> e.ether_if_type) & 1;
             e.ether_if_type =
                 trunk ? (e.ether_if_type == 1 ? 4 : 1) : (e.ether_if_type == 2 ? 3 : 2);
         }},
        {ETH_IF_PLCY_INTF_READY, [](auto &e) { e.interface_ready ^= 1; }},
        {ETH_IF_PLCY_L2_FLAG, [](auto &e) { e.is_l2 ^= 1; }},
        {ETH_IF_PLCY_PROVISION, [](auto &e) { e.is_provisioned ^= 1; }},
        {ETH_IF_PLCY_L2PT, [](auto &e) { e.l2pt[3] ^= 0x40; }},
        {ETH_IF_PLCY_L2PT, [](auto &e) { e.l2pt[0] ^= 1; }}, // the first protocol's mode
        {ETH_IF_PLCY_MAC_ADDR, [](auto &e) { e.mac_addr[5] ^= 1; }},
        {ETH_IF_PLCY_MAC_ADDR, [](auto &e) { e.mac_addr[0] ^= 0x80; }},
        {ETH_IF_PLCY_PARENT, [](auto &e) { e.sub.parent ^= 0x80000000u; }},
        {ETH_IF_PLCY_EFP_MATCH, [](auto &e) { e.efp.payload_ethertype ^= 1; }},
        {ETH_IF_PLCY_EFP_REWRITE, [](auto &e) { e.efp.num_tag_pops ^= 1; }},
        {ETH_IF_PLCY_ADMIN_STATE, [](auto &e) { e.sub.admin_up ^= 1; }},
        {ETH_IF_PLCY_NATIVE_VLAN, [](auto &e) { e.trunk.native_is_svlan ^= 1; }},
        {ETH_IF_PLCY_QINQ_ETYPE, [](auto &e) { e.trunk.qinq_tunneling_etype ^= 0x100; }},
        {ETH_IF_PLCY_MAC_ACC, [](auto &e) { e.trunk.mac_acc_egress ^= 1; }},
        {ETH_IF_PLCY_FILTERING, [](auto &e) { e.trunk.filter_mac_relay ^= 1; }},
        {ETH_IF_PLCY_EFP_FILTERING, [](auto &e) { e.sub.efp_filtering ^= 1; }},
        {ETH_IF_PLCY_SRC_BYPASS_FILTER, [](auto &e) { e.sub.src_bypass_filter ^= 1; }},
        {ETH_IF_PLCY_ICL_MODE, [](auto &e) { e.is_in_icl_mode ^= 1; }},
        {ETH_IF_PLCY_MTU, [](auto &e) { e.mtu ^= 0x8000; }},
        {ETH_IF_PLCY_VLAN_SWITCHED, [](auto &e) { e.trunk.access_vlan ^= 1; }},
    };
    test::PolicyGen gen(4242);
    int checked = 0;
    for (int iter = 0; iter < 1500; iter++) {
        std::vector<eth_if_plcy_vlan_range_t> list;
        eth_if_plcy_ext_t a = gen.make(list, false);
        a.efp.configured = 1;
        Owned ra;
        ASSERT_EQ(0u, eth_if_plcy_encode(&a, ra.out(), 0));
        for (const auto &[bit, change] : changes) {
            if (!(a.valid_mask & bit)) continue;
            eth_if_plcy_ext_t b = a;
            change(b);
            Owned rb;
            ASSERT_EQ(0u, eth_if_plcy_encode(&b, rb.out(), 0));
            for (uint32_t options : {0u, 4u, 6u}) {
                ASSERT_EQ(eth_if_plcy_compare_int(ra.rec, rb.rec, ETH_IF_PLCY_ALL_FIELDS, options),
                          bit)
                    << "bit " << bit << " iteration " << iter;
                ASSERT_EQ(eth_if_plcy_compare(ra.rec, rb.rec, 0xFFFFFFFF, options),
                          bit & ETH_IF_PLCY_EXT_MASK);
                ASSERT_EQ(
                    eth_if_plcy_compare_int(ra.rec, rb.rec, ETH_IF_PLCY_ALL_FIELDS & ~bit, options),
                    0u);
            }
            checked++;
        }
        // A group present in the first record only: one-sided counts it, the reverse does not.
        uint32_t bit = a.valid_mask & (0u - a.valid_mask);
        if (bit == 0) continue;
        eth_if_plcy_ext_t b = a;
        b.valid_mask &= ~bit;
        Owned rb;
        if (eth_if_plcy_encode(&b, rb.out(), 0) != 0) continue;
        ASSERT_EQ(eth_if_plcy_compare_int(ra.rec, rb.rec, ETH_IF_PLCY_ALL_FIELDS, 4), bit);
        ASSERT_EQ(eth_if_plcy_compare_int(rb.rec, ra.rec, ETH_IF_PLCY_ALL_FIELDS, 4), 0u);
        ASSERT_EQ(eth_if_plcy_compare_int(rb.rec, ra.rec, ETH_IF_PLCY_ALL_FIELDS, 0), bit);
    }
    EXPECT_GT(checked, 5000);
}

#ifdef ETH_IF_PLCY_COUNT_EFP_CALLS
TEST(Compare, EfpOperationsCalledOnlyForCommonBits) {
    Image a(80), b(80);
    a.mask(ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE);
    b.mask(ETH_IF_PLCY_EFP_MATCH);
    struct Case {
        uint32_t fields;
        int match_calls;
        int rewrite_calls;
    } cases[] = {{0, 0, 0}, {ETH_IF_PLCY_EFP_REWRITE, 0, 0}, {ETH_IF_PLCY_ALL_FIELDS, 1, 0}};
    for (const Case &c : cases) {
        g_match_calls = g_rewrite_calls = 0;
        eth_if_plcy_compare_int(a.rec(), b.rec(), c.fields, 0);
        EXPECT_EQ(g_match_calls, c.match_calls) << c.fields;
        EXPECT_EQ(g_rewrite_calls, c.rewrite_calls) << c.fields;
    }
    g_match_calls = g_rewrite_calls = 0;
    EXPECT_EQ(eth_if_plcy_compare_int(a.rec(), a.rec(), ETH_IF_PLCY_ALL_FIELDS, 0), 0u);
    EXPECT_EQ(g_match_calls, 1);
    EXPECT_EQ(g_rewrite_calls, 1);
}
#endif

TEST(CompareDeath, Contract) {
    Image a, v1;
    v1.b[0] = 1;
    for (uint32_t options : {1u, 8u}) {
        EXPECT_DEATH(eth_if_plcy_compare(a.rec(), a.rec(), 1, options),
                     assert_line(test::kLibPath, "!\"Invalid option specified\""));
        EXPECT_DEATH(eth_if_plcy_compare_int(nullptr, nullptr, 1, options),
                     assert_line(test::kLibPath, "!\"Invalid option specified\""));
    }
    EXPECT_DEATH(
        eth_if_plcy_compare(a.rec(), v1.rec(), 1, 0),
        assert_line(test::kLibPath, "!\"Comparing different policy versions isn't supported\""));
    EXPECT_DEATH(
        eth_if_plcy_compare_int(v1.rec(), v1.rec(), 1, 0),
        assert_line(test::kLibPath, "!\"Comparing different policy versions isn't supported\""));
    EXPECT_EQ(eth_if_plcy_compare(v1.rec(), nullptr, 1, 0), 0u); // not examined alone
}

} // namespace

namespace {

// Only encode, copy, replace (to a new size) and the external print's encode allocate.
TEST(Allocations, OnlyWhereTheContractSays) {
    test::PolicyGen gen(77);
    for (int iter = 0; iter < 200; iter++) {
        std::vector<eth_if_plcy_vlan_range_t> list;
        eth_if_plcy_ext_t e = gen.make(list, false);
        e.efp.configured = 1;
        e.valid_mask |= ETH_IF_PLCY_EFP_MATCH;
        Owned rec, other, slot;
        ASSERT_EQ(0u, eth_if_plcy_encode(&e, rec.out(), 0));
        ASSERT_EQ(0u, eth_if_plcy_encode(&e, slot.out(), 0));
        char text[8192];
        eth_if_plcy_ext_t out;
        std::vector<uint8_t> work = test::bytes_of(rec.rec);
        auto *w = reinterpret_cast<eth_if_plcy_t *>(work.data());
        const std::pair<const char *, std::function<void()>> ops[] = {
            {"encode", [&] { eth_if_plcy_encode(&e, other.out(), 0); }},
            {"decode", [&] { eth_if_plcy_decode(rec.rec, ETH_IF_PLCY_ALL_FIELDS, &out, 0); }},
            {"hton+ntoh", [&] { eth_if_plcy_hton(w), eth_if_plcy_ntoh(w); }},
            {"compare", [&] { eth_if_plcy_compare(rec.rec, slot.rec, ETH_IF_PLCY_ALL_FIELDS, 0); }},
            {"replace same size", [&] { eth_if_plcy_replace(&slot.rec, rec.rec, 0); }},
            {"print", [&] { eth_if_plcy_print(rec.rec, text, sizeof text, 0); }},
            {"brief",
             [&] { eth_if_plcy_print(rec.rec, text, sizeof text, ETH_IF_PLCY_PRINT_BRIEF); }},
            {"masks", [&] { eth_if_plcy_print_mask(~0u, text, sizeof text); }},
            {"ext print", [&] { eth_if_plcy_ext_print(&e, text, sizeof text, 0); }},
            {"copy",
             [&] {
                 eth_if_plcy_free(other.rec, 0);
                 other.rec = nullptr;
                 eth_if_plcy_copy(rec.rec, other.out(), 0);
             }},
        };
        const long expected[] = {1, 0, 0, 0, 0, 0, 0, 0, 1, 1};
        for (size_t k = 0; k < std::size(ops); k++) {
            eth_if_plcy_free(other.rec, 0);
            other.rec = nullptr;
            long before = eth_if_plcy_test_alloc_count();
            ops[k].second();
            ASSERT_EQ(eth_if_plcy_test_alloc_count() - before, expected[k]) << ops[k].first;
        }
    }
}

} // namespace
