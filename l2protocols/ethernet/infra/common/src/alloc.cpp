// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Allocation of record blocks. Records are plain heap blocks that free()
// releases; the fault-injection build lets tests fail any one allocation.
#include <cstdlib>

#include "internal.hpp"

#ifdef ETH_IF_PLCY_FAULT_INJECTION
#include <atomic>

namespace {
std::atomic<long> g_fail_countdown{-1}; // allocations to let through; -1 never fail
std::atomic<long> g_alloc_count{0};

bool should_fail() {
    g_alloc_count++;
    long n = g_fail_countdown.load();
    while (n >= 0) {
        if (g_fail_countdown.compare_exchange_weak(n, n - 1)) return n == 0;
    }
    return false;
}
} // namespace

// Test hooks, present only in the fault-injection build.
extern "C" void eth_if_plcy_test_fail_alloc(long after) {
    g_fail_countdown = after;
}
extern "C" long eth_if_plcy_test_alloc_count(void) {
    return g_alloc_count.load();
}

namespace ethplcy {
void *alloc(size_t n) {
    return should_fail() ? nullptr : std::malloc(n);
}
} // namespace ethplcy

#endif
