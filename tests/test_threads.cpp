// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Every operation on separate records from several threads at once (run under
// ThreadSanitizer in CI), and assertions failing on two threads together.
#include <atomic>
#include <thread>

#include "test_support.hpp"

namespace {

void worker(uint32_t seed, std::atomic<int> &failures) {
    test::PolicyGen gen(seed);
    eth_if_plcy_t *slot = nullptr;
    for (int iter = 0; iter < 300; iter++) {
        std::vector<eth_if_plcy_vlan_range_t> list;
        eth_if_plcy_ext_t e = gen.make(list, iter % 2 == 1);
        eth_if_plcy_t *rec = nullptr, *net = nullptr;
        uint32_t options = iter % 2 == 1 ? ETH_IF_PLCY_ENCODE_TAG_RANGES : 0;
        if (eth_if_plcy_encode(&e, &rec, options) != 0) {
            failures++;
            continue;
        }
        uint32_t size = eth_if_plcy_get_size(rec, 0);
        eth_if_plcy_ext_t out;
        char text[8192];
        bool ok = eth_if_plcy_decode(rec, ETH_IF_PLCY_ALL_FIELDS, &out, 0) == 0 &&
                  eth_if_plcy_validate(rec, size, 0) == 0 &&
                  eth_if_plcy_copy(rec, &net, ETH_IF_PLCY_COPY_HTON) == 0 &&
                  eth_if_plcy_validate(net, size, ETH_IF_PLCY_VALIDATE_NET) == 0;
        if (ok) {
            eth_if_plcy_ntoh(net);
            ok = eth_if_plcy_compare(rec, net, ETH_IF_PLCY_ALL_FIELDS, 0) == 0 &&
                 eth_if_plcy_replace(&slot, net, ETH_IF_PLCY_REPLACE_COPY) == 0;
            eth_if_plcy_print(rec, text, sizeof text, iter % 3 == 0 ? 0 : ETH_IF_PLCY_PRINT_BRIEF);
            eth_if_plcy_ext_print(&out, text, sizeof text, ETH_IF_PLCY_PRINT_COMPACT);
        }
        failures += ok ? 0 : 1;
        eth_if_plcy_free(rec, 0);
        eth_if_plcy_free(net, 0);
    }
    eth_if_plcy_free(slot, 0);
}

TEST(Threads, EveryOperationOnSeparateRecordsAtOnce) {
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (uint32_t t = 0; t < 4; t++)
        threads.emplace_back(worker, 1000 + t, std::ref(failures));
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
}

// Two threads reach a failing assertion together.
void fail_on_two_threads() {
    std::atomic<int> ready{0};
    auto fail = [&ready] {
        ready++;
        while (ready.load() < 2) {
        }
        eth_if_plcy_free(nullptr, 1);
    };
    std::thread a(fail);
    std::thread b(fail);
    a.join();
    b.join();
}

TEST(ThreadsDeath, ConcurrentAssertionsWriteWholeLines) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string line = std::string(test::kLibPath) +
                             ": [0-9]+ !\"Invalid policy options specified\" -- assertion failed\n";
    const std::string one_or_two_whole_lines = "^(" + line + "){1,2}$";
    EXPECT_DEATH(fail_on_two_threads(), one_or_two_whole_lines);
}

} // namespace
