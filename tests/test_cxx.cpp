// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The C++ layer: checked construction from bytes, operations on Record,
// exact-size printing; and the C additions it stands on.
#include "eth_if_plcy.hpp"
#include "policies.hpp"
#include "test_support.hpp"

namespace {

using eth_if_plcy::Record;
using eth_if_plcy::Status;

TEST(Cxx, FromBytesTakesOnlyWhatValidateAccepts) {
    Record rec;
    ASSERT_EQ(eth_if_plcy::encode(bench::c_sub_qinq_ranges(), rec), Status::ok);
    std::vector<uint8_t> good(rec.bytes().begin(), rec.bytes().end());
    std::vector<uint8_t> junk(good.size(), 0xA5), truncated(good.begin(), good.end() - 1);
    for (const auto &bad : {std::vector<uint8_t>{}, junk, truncated}) {
        Record out;
        auto v = Record::from_bytes(bad, out);
        EXPECT_EQ(v.status, Status::invalid);
        EXPECT_STRNE(v.reason, "");
        EXPECT_FALSE(out);
    }
    Record host, net, wire;
    ASSERT_TRUE(Record::from_bytes(good, host));
    EXPECT_EQ(eth_if_plcy::compare(host, rec), 0u);
    ASSERT_EQ(eth_if_plcy::copy(rec, wire, ETH_IF_PLCY_COPY_HTON), Status::ok);
    std::vector<uint8_t> wire_bytes(reinterpret_cast<const uint8_t *>(wire.get()),
                                    reinterpret_cast<const uint8_t *>(wire.get()) + good.size());
    ASSERT_TRUE(Record::from_bytes(wire_bytes, net, ETH_IF_PLCY_VALIDATE_NET));
    EXPECT_EQ(std::vector<uint8_t>(net.bytes().begin(), net.bytes().end()), good);
}

TEST(Cxx, EmptyRecordsAreRefusedNotDereferenced) {
    Record empty, out;
    eth_if_plcy_ext_t ext;
    EXPECT_EQ(eth_if_plcy::decode(empty, ext), Status::invalid);
    EXPECT_EQ(eth_if_plcy::copy(empty, out), Status::invalid);
    EXPECT_EQ(eth_if_plcy::hton(empty), Status::invalid);
    EXPECT_EQ(eth_if_plcy::ntoh(empty), Status::invalid);
    EXPECT_EQ(eth_if_plcy::print(empty), "");
    EXPECT_EQ(empty.size(), 0u);
    char buf[8] = "x";
    EXPECT_EQ(eth_if_plcy_print(nullptr, buf, sizeof buf, 0), nullptr);
    EXPECT_STREQ(buf, "x");
}

TEST(Cxx, OperationsOnRecordsAndNames) {
    Record held, update;
    eth_if_plcy_ext_t policy = bench::b_sub_dot1q();
    policy.valid_mask |= ETH_IF_PLCY_MTU;
    ASSERT_EQ(eth_if_plcy::encode(policy, held), Status::ok);
    policy.mtu = 1400;
    ASSERT_EQ(eth_if_plcy::encode(policy, update), Status::ok);
    EXPECT_EQ(eth_if_plcy::field_names(eth_if_plcy::compare(held, update)),
              std::vector<std::string>{"MTU"});
    EXPECT_EQ(eth_if_plcy::field_names(ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_EFP_MATCH |
                                       ETH_IF_PLCY_VLAN_SWITCHED),
              (std::vector<std::string>{"ETHER_IF_TYPE", "EFP MATCH", "VLAN SWITCHED"}));
    ASSERT_EQ(eth_if_plcy::replace(held, update), Status::ok);
    eth_if_plcy_ext_t out;
    ASSERT_EQ(eth_if_plcy::decode(held, out, ETH_IF_PLCY_MTU), Status::ok);
    EXPECT_EQ(out.mtu, 1400);
    EXPECT_STREQ(eth_if_plcy::to_string(Status::bad_policy), "policy cannot be represented");
    EXPECT_STREQ(eth_if_plcy_status_str(0x12345678u), "unknown status");
    EXPECT_EQ(eth_if_plcy_field_name(0), nullptr);
    EXPECT_EQ(eth_if_plcy_field_name(ETH_IF_PLCY_MTU | ETH_IF_PLCY_L2PT), nullptr);
    EXPECT_EQ(eth_if_plcy_field_name(ETH_IF_PLCY_VLAN_SWITCHED << 1), nullptr);
}

// One refusal per rule, with its field; the accepted twin of each encodes.
TEST(ExtValidate, OneRefusalPerRule) {
    using Edit = void (*)(eth_if_plcy_ext_t &);
    struct Case {
        const char *field;
        const char *reason_part;
        Edit edit;
    };
    // Each edit starts from the QinQ sub-interface policy (two tags, ranges, pushes).
    const Case cases[] = {
        {"valid_mask", "above bit 19", [](auto &e) { e.valid_mask |= 1u << 20; }},
        {"ether_if_type", "unknown interface type", [](auto &e) { e.ether_if_type = 22; }},
        {"sub.parent", "set together", [](auto &e) { e.valid_mask |= ETH_IF_PLCY_QINQ_ETYPE; }},
        {"sub.parent", "trunk-class ether_if_type", [](auto &e) { e.ether_if_type = 1; }},
        {"trunk.native_vlan", "sub-interface-class",
         [](auto &e) { e.valid_mask = ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_NATIVE_VLAN; }},
        {"trunk.native_is_svlan", "sub-interface-class",
         [](auto &e) {
             e.valid_mask = ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_NATIVE_VLAN;
             e.trunk.native_is_svlan = 1;
         }},
        {"l2pt.tovu", "bit 7",
         [](auto &e) {
             e.valid_mask |= ETH_IF_PLCY_L2PT;
             e.l2pt[1] = 200;
         }},
        {"efp.tag[1].vlan", "write EFP_VLAN_ANY", [](auto &e) { e.efp.tag[1].vlan = 4096; }},
        {"efp.tag[0].vlan", "above 4095", [](auto &e) { e.efp.tag[0].vlan = 5000; }},
        {"efp.tag_pcp[0]", "PCP", [](auto &e) { e.efp.tag_pcp[0] = 9; }},
        {"efp.num_tags", "more than 2", [](auto &e) { e.efp.num_tags = 3; }},
        {"efp.ranges[1]", "low is above",
         [](auto &e) {
             e.efp.ranges[1] = {300, 200};
         }},
        {"efp.ranges[0].high", "above 4095", [](auto &e) { e.efp.ranges[0].high = 4096; }},
        {"efp.ranges", "more than 10", [](auto &e) { e.efp.num_ranges = 11; }},
        {"efp.ranges", "no match tag", [](auto &e) { e.efp.tag[1].vlan = 100; }},
        {"efp.ranges", "no ranges", [](auto &e) { e.efp.num_ranges = 0; }},
        {"efp.push[0].vlan", "VLAN is above 4095", [](auto &e) { e.efp.push[0].vlan = 5000; }},
        {"efp.push[1].vlan", "VLAN is above 4095", [](auto &e) { e.efp.push[1].vlan = 4097; }},
        {"efp.num_tag_pushes", "more than 2", [](auto &e) { e.efp.num_tag_pushes = 3; }},
        {"efp.num_tag_pops", "popped", [](auto &e) { e.efp.num_tag_pops = 3; }},
        {"trunk.access_vlan", "VLAN is above 4095",
         [](auto &e) {
             e.valid_mask |= ETH_IF_PLCY_VLAN_SWITCHED;
             e.trunk.access_vlan = 4096;
         }},
        {"provision_info.imposition_vlan_id", "VLAN is above 4095",
         [](auto &e) {
             e.valid_mask |= ETH_IF_PLCY_PROVISION;
             e.is_provisioned = e.provision_info.imposition_vlan_rewrite = 1;
             e.provision_info.imposition_vlan_id = 4096;
         }},
    };
    const eth_if_plcy_ext_t base = bench::c_sub_qinq_ranges();
    ASSERT_EQ(eth_if_plcy_ext_validate(&base, 0), 0u);
    for (const Case &c : cases) {
        eth_if_plcy_ext_t e = base;
        c.edit(e);
        const char *reason = nullptr, *field = nullptr;
        EXPECT_EQ(eth_if_plcy_ext_validate_explain(&e, 0, &reason, &field),
                  ETH_IF_PLCY_ERR_BAD_POLICY)
            << c.field;
        ASSERT_NE(reason, nullptr) << c.field;
        EXPECT_STREQ(field, c.field) << reason;
        EXPECT_NE(std::strstr(reason, c.reason_part), nullptr) << reason;
    }
    // What passes at the edges: VLAN 4095, bad values beyond the tag count.
    eth_if_plcy_ext_t edge = test::zero_ext();
    edge.valid_mask = ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_VLAN_SWITCHED;
    edge.efp.configured = edge.efp.num_tags = 1;
    edge.efp.tag[0] = {0x8100, 4095};
    edge.efp.tag[1] = {0x8100, 5000};
    edge.efp.tag_pcp[1] = 9;
    edge.trunk.access_vlan = 4095;
    edge.efp.num_tag_pushes = 3; // the rewrite is not named
    EXPECT_EQ(eth_if_plcy_ext_validate(&edge, 0), 0u);
    edge.valid_mask = ETH_IF_PLCY_EFP_REWRITE, edge.efp.num_tag_pushes = 0;
    edge.efp.num_tags = 3; // the match is not named
    EXPECT_EQ(eth_if_plcy_ext_validate(&edge, 0), 0u);
    eth_if_plcy_ext_t unnamed = base; // a trunk type the mask does not name: no class rule
    unnamed.valid_mask &= ~ETH_IF_PLCY_ETHER_IF_TYPE;
    unnamed.ether_if_type = 1;
    EXPECT_EQ(eth_if_plcy_ext_validate(&unnamed, 0), 0u);
    const eth_if_plcy_ext_t nothing = test::zero_ext(); // valid_mask 0: nothing present
    EXPECT_EQ(eth_if_plcy_ext_validate(&nothing, 0), 0u);
    eth_if_plcy_ext_t per_tag = base; // the list on tag 1 alone
    per_tag.efp.tag_range_count[1] = per_tag.efp.num_ranges;
    per_tag.efp.tag_range_list[1] = per_tag.efp.ranges;
    per_tag.efp.ranges[2].high = 4095;
    EXPECT_EQ(eth_if_plcy_ext_validate(&per_tag, ETH_IF_PLCY_ENCODE_TAG_RANGES), 0u);
    EXPECT_EQ(eth_if_plcy_ext_validate(nullptr, 0), ETH_IF_PLCY_ERR_INVALID);
    EXPECT_EQ(eth_if_plcy_ext_validate(&base, 0x1), ETH_IF_PLCY_ERR_INVALID);
}

} // namespace
