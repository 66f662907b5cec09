#include <gtest/gtest.h>
#include "ether_interface_policy_api.h"
TEST(Smoke, Version) { EXPECT_STREQ(eth_if_plcy_lib_version(), ETH_IF_PLCY_VERSION_STRING); }
