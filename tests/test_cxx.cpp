// The header-only C++ layer: owned records, typed statuses, strings.
#include "eth_if_plcy.hpp"
#include "policies.hpp"
#include "test_support.hpp"

namespace {

TEST(Cxx, RecordOwnsMovesAndMatchesTheCApi) {
    eth_if_plcy::Record rec;
    eth_if_plcy_ext_t policy = bench::c_sub_qinq_ranges();
    ASSERT_EQ(eth_if_plcy::encode(policy, rec), eth_if_plcy::Status::ok);
    EXPECT_EQ(rec.size(), eth_if_plcy_get_size(rec.get(), 0));
    eth_if_plcy_t *raw = rec.get();
    eth_if_plcy::Record moved(std::move(rec));
    EXPECT_EQ(rec.get(), nullptr);
    EXPECT_EQ(moved.get(), raw);

    char text[4096];
    EXPECT_EQ(eth_if_plcy::print(moved.get()), eth_if_plcy_print(raw, text, sizeof text, 0));
    EXPECT_EQ(eth_if_plcy::ext_print(policy, ETH_IF_PLCY_PRINT_COMPACT),
              eth_if_plcy_ext_print(&policy, text, sizeof text, ETH_IF_PLCY_PRINT_COMPACT));

    eth_if_plcy::Record copy;
    ASSERT_EQ(eth_if_plcy::copy(moved.get(), copy), eth_if_plcy::Status::ok);
    EXPECT_EQ(eth_if_plcy::compare(moved.get(), copy.get()), 0u);
    eth_if_plcy_ext_t bad = policy;
    bad.ether_if_type = 22;
    eth_if_plcy::Record untouched;
    EXPECT_EQ(eth_if_plcy::encode(bad, untouched), eth_if_plcy::Status::bad_policy);
    EXPECT_FALSE(untouched);
    EXPECT_STREQ(eth_if_plcy::to_string(eth_if_plcy::Status::bad_policy),
                 "policy cannot be represented");

    policy.mtu = 1500;
    policy.valid_mask |= ETH_IF_PLCY_MTU;
    eth_if_plcy::Record update;
    ASSERT_EQ(eth_if_plcy::encode(policy, update), eth_if_plcy::Status::ok);
    EXPECT_EQ(eth_if_plcy::field_names(eth_if_plcy::compare(copy.get(), update.get())),
              std::vector<std::string>{"MTU"});
    ASSERT_EQ(eth_if_plcy::replace(copy, update.get()), eth_if_plcy::Status::ok);
    eth_if_plcy_ext_t out;
    ASSERT_EQ(eth_if_plcy::decode(copy.get(), out, ETH_IF_PLCY_MTU), eth_if_plcy::Status::ok);
    EXPECT_EQ(out.mtu, 1500);
}

TEST(Cxx, RenderGrowsUntilTheTextFits) {
    std::string long_text(10000, 'x');
    std::string got = eth_if_plcy::render(
        [&](char *buf, size_t len) { std::snprintf(buf, len, "%s", long_text.c_str()); });
    EXPECT_EQ(got, long_text);
}

} // namespace
