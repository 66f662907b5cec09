// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Benchmarks of every operation over the three reference policies, beside the
// floor they are built from (allocation, copy, clearing, swapping, one
// snprintf) and, where protobuf-c is present, the peer serializer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "policies.hpp"
#ifdef ETH_IF_PLCY_BENCH_PROTOBUF
#include "peer.hpp"
#endif

namespace {

using bench::Policy;

eth_if_plcy_t *encoded(const eth_if_plcy_ext_t &ext) {
    eth_if_plcy_t *rec = nullptr;
    if (eth_if_plcy_encode(&ext, &rec, 0) != 0) std::abort();
    return rec;
}

uint32_t size_of(const eth_if_plcy_t *rec) {
    return eth_if_plcy_get_size(rec, 0);
}

template <typename F>
void add(const std::string &name, F body) {
    benchmark::RegisterBenchmark(name.c_str(), body);
}

// The 16- and 32-bit integers of a record of this policy's class, swapped in place.
struct SwapList {
    std::vector<std::pair<uint8_t, uint8_t>> fields; // offset, width
};

SwapList swap_list(const eth_if_plcy_ext_t &e, uint32_t size) {
    SwapList s{{{2, 2}, {4, 4}, {12, 4}, {18, 2}, {32, 2}}};
    bool trunk = (ETH_IF_PLCY_TRUNK_TYPES >> e.ether_if_type) & 1;
    if (trunk) {
        s.fields.insert(s.fields.end(), {{36, 2}, {38, 2}, {42, 2}});
    } else {
        s.fields.insert(s.fields.end(), {{36, 4}, {48, 4}, {60, 2}, {62, 2}});
        for (uint32_t off = 114; off + 4 <= size; off += 6)
            s.fields.insert(s.fields.end(), {{uint8_t(off), 2}, {uint8_t(off + 2), 2}});
    }
    return s;
}

void swap_in_place(uint8_t *rec, const SwapList &list) {
    for (auto [off, width] : list.fields) {
        if (width == 2) {
            uint16_t v;
            std::memcpy(&v, rec + off, 2);
            v = __builtin_bswap16(v);
            std::memcpy(rec + off, &v, 2);
        } else {
            uint32_t v;
            std::memcpy(&v, rec + off, 4);
            v = __builtin_bswap32(v);
            std::memcpy(rec + off, &v, 4);
        }
    }
}

void register_policy(const Policy &p) {
    const eth_if_plcy_ext_t *ext = &p.ext;
    eth_if_plcy_t *rec = encoded(p.ext); // kept for the life of the process
    eth_if_plcy_t *twin = encoded(p.ext);
    const uint32_t size = size_of(rec);
    const std::string n = p.name + "/";

    add(n + "encode", [=](benchmark::State &st) {
        for (auto _ : st) {
            eth_if_plcy_t *r = nullptr;
            eth_if_plcy_encode(ext, &r, 0);
            benchmark::DoNotOptimize(r);
            eth_if_plcy_free(r, 0);
        }
        st.counters["record_bytes"] = size;
    });
    add(n + "decode", [=](benchmark::State &st) {
        eth_if_plcy_ext_t out;
        for (auto _ : st) {
            eth_if_plcy_decode(rec, ETH_IF_PLCY_ALL_FIELDS, &out, 0);
            benchmark::DoNotOptimize(out);
        }
    });
    add(n + "hton", [=](benchmark::State &st) {
        std::vector<uint8_t> copy(reinterpret_cast<uint8_t *>(rec),
                                  reinterpret_cast<uint8_t *>(rec) + size);
        for (auto _ : st) {
            std::memcpy(copy.data(), rec, size);
            eth_if_plcy_hton(reinterpret_cast<eth_if_plcy_t *>(copy.data()));
            benchmark::DoNotOptimize(copy.data());
        }
    });
    add(n + "ntoh", [=](benchmark::State &st) {
        std::vector<uint8_t> net(reinterpret_cast<uint8_t *>(rec),
                                 reinterpret_cast<uint8_t *>(rec) + size);
        eth_if_plcy_hton(reinterpret_cast<eth_if_plcy_t *>(net.data()));
        std::vector<uint8_t> copy(net);
        for (auto _ : st) {
            std::memcpy(copy.data(), net.data(), size);
            eth_if_plcy_ntoh(reinterpret_cast<eth_if_plcy_t *>(copy.data()));
            benchmark::DoNotOptimize(copy.data());
        }
    });
    add(n + "copy", [=](benchmark::State &st) {
        for (auto _ : st) {
            eth_if_plcy_t *r = nullptr;
            eth_if_plcy_copy(rec, &r, 0);
            benchmark::DoNotOptimize(r);
            eth_if_plcy_free(r, 0);
        }
    });
    add(n + "copy_hton", [=](benchmark::State &st) {
        for (auto _ : st) {
            eth_if_plcy_t *r = nullptr;
            eth_if_plcy_copy(rec, &r, ETH_IF_PLCY_COPY_HTON);
            benchmark::DoNotOptimize(r);
            eth_if_plcy_free(r, 0);
        }
    });
    add(n + "replace_same_size", [=](benchmark::State &st) {
        eth_if_plcy_t *slot = encoded(*ext);
        for (auto _ : st) {
            eth_if_plcy_replace(&slot, twin, ETH_IF_PLCY_REPLACE_COPY);
            benchmark::DoNotOptimize(slot);
        }
        eth_if_plcy_free(slot, 0);
    });
    add(n + "compare_equal", [=](benchmark::State &st) {
        for (auto _ : st)
            benchmark::DoNotOptimize(eth_if_plcy_compare(rec, twin, ETH_IF_PLCY_ALL_FIELDS, 0));
    });
    for (auto [layout, options] : {std::pair{"full", 0u},
                                   {"compact", ETH_IF_PLCY_PRINT_COMPACT},
                                   {"brief", ETH_IF_PLCY_PRINT_BRIEF}}) {
        // A named copy: clang 14 does not let a lambda capture a structured binding.
        uint32_t opts = options;
        add(n + "print_" + layout, [=](benchmark::State &st) {
            char buf[4096];
            for (auto _ : st)
                benchmark::DoNotOptimize(eth_if_plcy_print(rec, buf, sizeof buf, opts));
            st.counters["chars"] = double(std::strlen(buf));
        });
    }
    for (auto [layout, options] : {std::pair{"full", 0u}, {"compact", ETH_IF_PLCY_PRINT_COMPACT}}) {
        uint32_t opts = options;
        add(n + "ext_print_" + layout, [=](benchmark::State &st) {
            char buf[4096];
            for (auto _ : st)
                benchmark::DoNotOptimize(eth_if_plcy_ext_print(ext, buf, sizeof buf, opts));
            st.counters["chars"] = double(std::strlen(buf));
        });
    }

    // The floor: what the operations above are built from.
    add(n + "floor_calloc_free", [=](benchmark::State &st) {
        for (auto _ : st) {
            void *b = std::calloc(1, size);
            benchmark::DoNotOptimize(b);
            std::free(b);
        }
    });
    add(n + "floor_malloc_memcpy_free", [=](benchmark::State &st) {
        for (auto _ : st) {
            void *b = std::malloc(size);
            std::memcpy(b, rec, size);
            benchmark::DoNotOptimize(b);
            std::free(b);
        }
    });
    SwapList swaps = swap_list(p.ext, size);
    add(n + "floor_swap", [=](benchmark::State &st) {
        std::vector<uint8_t> copy(reinterpret_cast<uint8_t *>(rec),
                                  reinterpret_cast<uint8_t *>(rec) + size);
        for (auto _ : st) {
            std::memcpy(copy.data(), rec, size);
            swap_in_place(copy.data(), swaps);
            benchmark::DoNotOptimize(copy.data());
        }
    });

#ifdef ETH_IF_PLCY_BENCH_PROTOBUF
    auto msg = std::shared_ptr<bench::PeerMessage>(bench::peer_from_ext(p.ext).release(),
                                                   [](bench::PeerMessage *) {});
    auto bytes = std::shared_ptr<bench::PeerBytes>(bench::peer_bytes(*msg).release(),
                                                   [](bench::PeerBytes *) {});
    add(n + "protobuf_pack", [=](benchmark::State &st) {
        for (auto _ : st)
            benchmark::DoNotOptimize(bench::peer_pack(*msg));
        st.counters["packed_bytes"] = double(bench::peer_packed_size(*msg));
    });
    add(n + "protobuf_unpack", [=](benchmark::State &st) {
        for (auto _ : st)
            bench::peer_unpack(*bytes);
    });
#endif
}

void register_all() {
    for (const Policy &p : bench::reference_policies())
        register_policy(p);
    add("floor/memset_ext", [](benchmark::State &st) {
        eth_if_plcy_ext_t e;
        for (auto _ : st) {
            std::memset(&e, 0, sizeof e);
            benchmark::DoNotOptimize(e);
        }
    });
    add("floor/snprintf_60", [](benchmark::State &st) {
        char buf[128];
        unsigned a = 12345, b = 678, c = 9;
        for (auto _ : st) {
            benchmark::DoNotOptimize(a);
            // 60 characters with three %u.
            int n = snprintf(buf, sizeof buf, "policy field line %10u of interface %10u value %10u",
                             a, b, c);
            benchmark::DoNotOptimize(n);
        }
    });
}

} // namespace

int main(int argc, char **argv) {
    register_all();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
