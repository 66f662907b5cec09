// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The library's own cost of showing a dump: for every record of a dump of
// network images (back to back), validate, ntoh in a copy, and print the
// layout. Prints the nanoseconds per record of each layout, the floor the
// stream benchmark holds `ethplcy show --stream` to.
//   stream_floor DUMP.bin
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "ether_interface_policy_api.h"

int main(int argc, char **argv) {
    if (argc != 2) return std::fprintf(stderr, "usage: stream_floor DUMP.bin\n"), 2;
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<uint8_t> dump((std::istreambuf_iterator<char>(in)), {});
    struct Layout {
        const char *name;
        uint32_t options;
    };
    for (Layout l :
         {Layout{"brief", ETH_IF_PLCY_PRINT_BRIEF}, Layout{"compact", ETH_IF_PLCY_PRINT_COMPACT}}) {
        alignas(8) uint8_t rec[4096];
        static char text[8192];
        size_t records = 0, chars = 0;
        auto start = std::chrono::steady_clock::now();
        for (size_t at = 0; at + 8 <= dump.size(); records++) {
            size_t size = dump[at + 2] << 8 | dump[at + 3];
            if (eth_if_plcy_validate(&dump[at], dump.size() - at, ETH_IF_PLCY_VALIDATE_NET) != 0)
                return std::fprintf(stderr, "record %zu refused\n", records), 1;
            std::memcpy(rec, &dump[at], size);
            auto *r = reinterpret_cast<eth_if_plcy_t *>(rec);
            eth_if_plcy_ntoh(r);
            eth_if_plcy_print(r, text, sizeof text, l.options);
            chars += std::strlen(text);
            at += size;
        }
        double ns =
            std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start)
                .count();
        std::printf("%s %.1f %zu %zu\n", l.name, ns / static_cast<double>(records), records, chars);
    }
    return 0;
}
