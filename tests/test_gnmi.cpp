// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Policy changes as gNMI notifications: applied to the first state they
// give the second (random dumps), and the exact messages of each kind.
#include <gtest/gtest.h>

#include "gnmi.hpp"
#include "test_support.hpp"

namespace {

namespace g = eth_if_plcy::gnmi;
using test::PolicyGen;
using test::zero_ext;
using Flat = std::map<std::string, std::string>; // full path: TypedValue JSON

Flat flat(const g::State &s) {
    Flat out;
    for (const auto &[id, leaves] : s)
        for (const g::Leaf &l : leaves)
            EXPECT_TRUE(out.emplace(g::prefix_text(id) + "/" + l.path, l.value.json).second)
                << "two records write " << l.path;
    return out;
}

// What a collector does: a delete removes the path and all below it.
void play(const std::vector<g::Notification> &ns, Flat &state) {
    for (const g::Notification &n : ns) {
        std::string prefix = g::prefix_text(n.id);
        for (const std::string &d : n.deletes) {
            std::string p = prefix + (d.empty() ? "" : "/" + d);
            for (auto it = state.lower_bound(p); it != state.end() && it->first.starts_with(p);)
                it = it->first.size() == p.size() || it->first[p.size()] == '/' ? state.erase(it)
                                                                                : std::next(it);
        }
        for (const g::Update &u : n.updates)
            state[prefix + "/" + u.path] = u.value.json;
    }
}

g::Leaves leaves(PolicyGen &gen, bool sub) {
    std::vector<eth_if_plcy_vlan_range_t> list;
    eth_if_plcy_ext_t e = gen.make(list, false);
    return g::leaves(e, sub);
}

TEST(Gnmi, NotificationsTurnOneStateIntoTheOther) {
    for (uint32_t seed = 1; seed <= 300; seed++) {
        PolicyGen gen(seed);
        g::State a, b;
        for (int i = 0; i < 4; i++)
            for (int64_t index = -1; index < 3; index++) {
                g::Id id{"eth" + std::to_string(i), index};
                std::vector<eth_if_plcy_vlan_range_t> list;
                eth_if_plcy_ext_t e = gen.make(list, false);
                if (gen.coin(70)) a[id] = g::leaves(e, id.sub());
                // Changed a little (lists grown and shrunk), anew, kept, or gone.
                e.mtu ^= gen.coin() ? 1 : 0;
                e.efp.num_ranges = uint8_t(gen.any(ETH_IF_PLCY_EXT_MAX_RANGES + 1));
                e.efp.num_tag_pushes = uint8_t(gen.any(3));
                e.efp.tag_pcp[0] = uint8_t(gen.any(8));
                switch (gen.any(4)) {
                case 0:
                    b[id] = g::leaves(e, id.sub());
                    break;
                case 1:
                    b[id] = leaves(gen, id.sub());
                    break;
                case 2:
                    if (a.count(id)) b[id] = a[id];
                    break;
                }
            }
        Flat state = flat(a);
        play(g::notifications(a, b), state);
        EXPECT_EQ(state, flat(b)) << "seed " << seed;
        EXPECT_TRUE(g::notifications(b, b).empty()) << "seed " << seed;
        // From an empty dump every leaf once per tree, the two trees alike.
        Flat trees[2];
        for (const g::Notification &n : g::notifications({}, b)) {
            EXPECT_TRUE(n.deletes.empty());
            for (const g::Update &u : n.updates) {
                std::string p = g::prefix_text(n.id) + "/" + u.path;
                size_t st = p.find("/state/"), at = std::min(st, p.find("/config/"));
                ASSERT_NE(at, std::string::npos) << p;
                bool in_state = at == st;
                trees[in_state][p.replace(at, in_state ? 7 : 8, "/T/")] = u.value.json;
            }
        }
        EXPECT_EQ(trees[0], trees[1]) << "seed " << seed;
        EXPECT_EQ(trees[0].size() * 2, flat(b).size()) << "seed " << seed;
    }
}

std::string written(const std::vector<g::Notification> &ns) { // both forms
    std::string out;
    for (const g::Notification &n : ns)
        out += g::to_json(n, 1) + g::to_text(n);
    return out;
}

// A server's state, one record at a time: each change's notifications are
// the diff of the states before and after it, the whole state its updates.
TEST(Gnmi, TrackerGivesTheDiffOfEachChange) {
    for (uint32_t seed = 1; seed <= 50; seed++) {
        PolicyGen gen(seed);
        g::Tracker t;
        for (int step = 0; step < 40; step++) {
            g::Id id{"eth" + std::to_string(gen.any(3)), int64_t(gen.any(4)) - 1};
            g::State before = t.state(), after = before;
            std::vector<g::Notification> ns;
            if (gen.coin(30)) {
                after.erase(id);
                ns = t.erase(id);
            } else {
                std::vector<eth_if_plcy_vlan_range_t> list;
                eth_if_plcy_ext_t e = gen.make(list, false);
                after[id] = g::leaves(e, id.sub());
                ns = gen.coin() ? t.put(id, e) : t.put(id, after[id]);
            }
            ASSERT_EQ(flat(t.state()), flat(after)) << "seed " << seed;
            EXPECT_EQ(written(ns), written(g::notifications(before, after))) << "seed " << seed;
            Flat initial;
            play(t.updates(), initial);
            EXPECT_EQ(initial, flat(after)) << "seed " << seed;
        }
    }
}

TEST(Gnmi, OneChangeOfEachKind) {
    eth_if_plcy_ext_t port = zero_ext(), sub = zero_ext();
    port.valid_mask = ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_MTU | ETH_IF_PLCY_L2_FLAG;
    port.ether_if_type = 1;
    port.mtu = 1500;
    sub.valid_mask = ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_ADMIN_STATE | ETH_IF_PLCY_EFP_MATCH |
                     ETH_IF_PLCY_EFP_REWRITE;
    sub.ether_if_type = 3;
    sub.efp.configured = 1;
    sub.efp.num_tags = 1;
    sub.efp.tag[0] = {0x8100, 10};
    sub.efp.tag_pcp[0] = EFP_PCP_ANY;
    const g::Id eth0{"eth0", -1}, eth0_5{"eth0", 5};
    const g::State before{{eth0, g::leaves(port, false)}, {eth0_5, g::leaves(sub, true)}};
    const std::string pre = R"({"timestamp":"7","prefix":{"elem":[{"name":"interfaces"},)"
                            R"({"name":"interface","key":{"name":"eth0"}})";
    const std::string sub_pre = pre + R"(,{"name":"subinterfaces"},)"
                                      R"({"name":"subinterface","key":{"index":"5"}}]})";
    const std::string own = "/interfaces/interface[name=eth0]/eth-if-plcy-oc:policy/",
                      sub_own = "/interfaces/interface[name=eth0]/subinterfaces/"
                                "subinterface[index=5]/eth-if-plcy-oc:policy/";
    // The config tree's lines or notifications, then the state tree's.
    auto twice = [](const std::string &config) {
        std::string state = config;
        for (size_t at; (at = state.find("config")) != std::string::npos;)
            state.replace(at, 6, "state");
        return config + state;
    };
    struct Case {
        const char *what;
        void (*edit)(eth_if_plcy_ext_t &port, eth_if_plcy_ext_t &sub, bool &keep_sub);
        std::string json, text;
    };
    const Case cases[] = {
        {"scalar", [](auto &p, auto &, bool &) { p.is_l2 = 1; },
         pre + R"(]},"update":[{"path":{"elem":[{"name":"eth-if-plcy-oc:policy"},)"
               R"({"name":"config"},{"name":"is_l2"}]},"val":{"uintVal":"1"}},)"
               R"({"path":{"elem":[{"name":"eth-if-plcy-oc:policy"},)"
               R"({"name":"state"},{"name":"is_l2"}]},"val":{"uintVal":"1"}}]})"
               "\n",
         twice("m " + own + "config/is_l2: 0 -> 1\n")},
        {"OpenConfig leaf", [](auto &p, auto &, bool &) { p.mtu = 9000; },
         pre + R"(]},"update":[{"path":{"elem":[{"name":"config"},{"name":"mtu"}]},)"
               R"("val":{"uintVal":"9000"}},{"path":{"elem":[{"name":"state"},{"name":"mtu"}]},)"
               R"("val":{"uintVal":"9000"}}]})"
               "\n",
         twice("m /interfaces/interface[name=eth0]/config/mtu: 1500 -> 9000\n")},
        {"OpenConfig leaf of a sub-interface", [](auto &, auto &s, bool &) { s.sub.admin_up = 1; },
         sub_pre + R"(,"update":[{"path":{"elem":[{"name":"config"},{"name":"enabled"}]},)"
                   R"("val":{"boolVal":true}},{"path":{"elem":[{"name":"state"},)"
                   R"({"name":"enabled"}]},"val":{"boolVal":true}}]})"
                   "\n",
         twice("m /interfaces/interface[name=eth0]/subinterfaces/subinterface[index=5]/config/"
               "enabled: false -> true\n")},
        {"own-module leaf gone",
         [](auto &p, auto &, bool &) { p.valid_mask &= ~ETH_IF_PLCY_L2_FLAG; },
         pre + R"(]},"update":[{"path":{"elem":[{"name":"eth-if-plcy-oc:policy"},)"
               R"({"name":"config"},{"name":"valid_mask"}]},"val":{"stringVal":"0x40001"}},)"
               R"({"path":{"elem":[{"name":"eth-if-plcy-oc:policy"},{"name":"state"},)"
               R"({"name":"valid_mask"}]},"val":{"stringVal":"0x40001"}}],)"
               R"("delete":[{"elem":[{"name":"eth-if-plcy-oc:policy"},{"name":"config"},)"
               R"({"name":"is_l2"}]},{"elem":[{"name":"eth-if-plcy-oc:policy"},)"
               R"({"name":"state"},{"name":"is_l2"}]}]})"
               "\n",
         twice("- " + own + "config/is_l2\n") +
             twice("m " + own + "config/valid_mask: 0x40005 -> 0x40001\n")},
        {"ordered list, an atomic notification per tree",
         [](auto &, auto &s, bool &) { s.efp.tag[0].vlan = 20; },
         twice(sub_pre +
               R"(,"update":[{"path":{"elem":[{"name":"eth-if-plcy-oc:policy"},)"
               R"({"name":"config"},{"name":"efp"},{"name":"tag"}]},"val":{"jsonIetfVal":)"
               R"("W3siZXRoZXJ0eXBlIjoiMHg4MTAwIiwidmxhbiI6MjB9XQ=="}}],"atomic":true})"
               "\n"),
         twice("m " + sub_own + "config/efp/tag: [{\"ethertype\":\"0x8100\",\"vlan\":10}] -> " +
               "[{\"ethertype\":\"0x8100\",\"vlan\":20}]\n")},
        {"leaf-list", [](auto &, auto &s, bool &) { s.efp.tag_pcp[0] = 3; },
         twice(sub_pre + R"(,"update":[{"path":{"elem":[{"name":"eth-if-plcy-oc:policy"},)"
                         R"({"name":"config"},{"name":"efp"},{"name":"tag_pcp"}]},"val":)"
                         R"({"leaflistVal":{"element":[{"uintVal":"3"}]}}}],"atomic":true})"
                         "\n"),
         twice("m " + sub_own + "config/efp/tag_pcp: [\"any\"] -> [3]\n")},
        {"deleted list, a delete per tree", [](auto &, auto &s, bool &) { s.efp.num_tags = 0; },
         sub_pre + R"(,"delete":[{"elem":[{"name":"eth-if-plcy-oc:policy"},{"name":"config"},)"
                   R"({"name":"efp"},{"name":"tag"}]},{"elem":[{"name":"eth-if-plcy-oc:policy"},)"
                   R"({"name":"config"},{"name":"efp"},{"name":"tag_pcp"}]},)"
                   R"({"elem":[{"name":"eth-if-plcy-oc:policy"},{"name":"state"},)"
                   R"({"name":"efp"},{"name":"tag"}]},{"elem":[{"name":"eth-if-plcy-oc:policy"},)"
                   R"({"name":"state"},{"name":"efp"},{"name":"tag_pcp"}]}]})"
                   "\n",
         twice("- " + sub_own + "config/efp/tag\n- " + sub_own + "config/efp/tag_pcp\n")},
        {"deleted sub-interface", [](auto &, auto &, bool &keep) { keep = false; },
         sub_pre + R"(,"delete":[{}]})"
                   "\n",
         "- /interfaces/interface[name=eth0]/subinterfaces/subinterface[index=5]\n"},
    };
    for (const Case &c : cases) {
        eth_if_plcy_ext_t p = port, s = sub;
        bool keep = true;
        c.edit(p, s, keep);
        g::State after{{eth0, g::leaves(p, false)}};
        if (keep) after[eth0_5] = g::leaves(s, true);
        auto ns = g::notifications(before, after);
        std::string json, text;
        for (const g::Notification &n : ns) {
            json += g::to_json(n, 7);
            text += g::to_text(n);
        }
        EXPECT_EQ(json, c.json) << c.what;
        EXPECT_EQ(text, c.text) << c.what;
    }
    // A deleted interface: once, whole, its sub-interfaces with it.
    auto ns = g::notifications(before, {{g::Id{"eth1", -1}, g::leaves(port, false)}});
    ASSERT_EQ(ns.size(), 2u);
    EXPECT_EQ(g::to_json(ns[0], 7), pre + R"(]},"delete":[{}]})"
                                          "\n");
    EXPECT_EQ(g::to_text(ns[1]).find("+ /interfaces/interface[name=eth1]/config/mtu: 1500\n"), 0u);
    EXPECT_NE(g::to_text(ns[1]).find("\n+ /interfaces/interface[name=eth1]/state/mtu: 1500\n"),
              std::string::npos);
}

} // namespace
