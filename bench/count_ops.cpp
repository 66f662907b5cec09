// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Runs each operation on one reference policy a fixed number of times under
// callgrind, dumping the instruction count of each operation separately.
//   valgrind --tool=callgrind --collect-atstart=no count_ops POLICY
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "policies.hpp"

namespace {

constexpr int kRounds = 1000;

void measure(const char *name, const std::function<void()> &op) {
    op(); // warm: first-call binding and caches stay out of the count
    CALLGRIND_ZERO_STATS;
    CALLGRIND_TOGGLE_COLLECT;
    for (int i = 0; i < kRounds; i++)
        op();
    CALLGRIND_TOGGLE_COLLECT;
    CALLGRIND_DUMP_STATS_AT(name);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) return std::fprintf(stderr, "usage: count_ops POLICY\n"), 2;
    for (const auto &p : bench::reference_policies()) {
        if (p.name != argv[1]) continue;
        const eth_if_plcy_ext_t *ext = &p.ext;
        eth_if_plcy_t *rec = nullptr, *twin = nullptr, *slot = nullptr;
        if (eth_if_plcy_encode(ext, &rec, 0) || eth_if_plcy_encode(ext, &twin, 0) ||
            eth_if_plcy_encode(ext, &slot, 0))
            return 1;
        uint32_t size = eth_if_plcy_get_size(rec, 0);
        std::vector<uint8_t> work(size), net(size);
        std::memcpy(net.data(), rec, size);
        eth_if_plcy_hton(reinterpret_cast<eth_if_plcy_t *>(net.data()));
        auto *w = reinterpret_cast<eth_if_plcy_t *>(work.data());
        eth_if_plcy_ext_t out;
        char text[4096];
        measure("encode", [&] {
            eth_if_plcy_t *r = nullptr;
            eth_if_plcy_encode(ext, &r, 0);
            eth_if_plcy_free(r, 0);
        });
        measure("decode", [&] { eth_if_plcy_decode(rec, ETH_IF_PLCY_ALL_FIELDS, &out, 0); });
        measure("hton", [&] {
            std::memcpy(w, rec, size);
            eth_if_plcy_hton(w);
        });
        measure("ntoh", [&] {
            std::memcpy(w, net.data(), size);
            eth_if_plcy_ntoh(w);
        });
        measure("copy", [&] {
            eth_if_plcy_t *r = nullptr;
            eth_if_plcy_copy(rec, &r, 0);
            eth_if_plcy_free(r, 0);
        });
        measure("copy_hton", [&] {
            eth_if_plcy_t *r = nullptr;
            eth_if_plcy_copy(rec, &r, ETH_IF_PLCY_COPY_HTON);
            eth_if_plcy_free(r, 0);
        });
        measure("replace", [&] { eth_if_plcy_replace(&slot, twin, ETH_IF_PLCY_REPLACE_COPY); });
        measure("compare", [&] { eth_if_plcy_compare(rec, twin, ETH_IF_PLCY_ALL_FIELDS, 0); });
        measure("print_full", [&] { eth_if_plcy_print(rec, text, sizeof text, 0); });
        measure("print_compact",
                [&] { eth_if_plcy_print(rec, text, sizeof text, ETH_IF_PLCY_PRINT_COMPACT); });
        measure("print_brief",
                [&] { eth_if_plcy_print(rec, text, sizeof text, ETH_IF_PLCY_PRINT_BRIEF); });
        measure("ext_print_full", [&] { eth_if_plcy_ext_print(ext, text, sizeof text, 0); });
        measure("ext_print_compact",
                [&] { eth_if_plcy_ext_print(ext, text, sizeof text, ETH_IF_PLCY_PRINT_COMPACT); });
        eth_if_plcy_free(rec, 0);
        eth_if_plcy_free(twin, 0);
        eth_if_plcy_free(slot, 0);
        return 0;
    }
    std::fprintf(stderr, "count_ops: unknown policy %s\n", argv[1]);
    return 2;
}
