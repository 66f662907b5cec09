// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Prints each reference policy's record as "NAME HEX", for benchmarks outside
// C++ (the Python one) to use the same policies.
#include <cstdio>

#include "policies.hpp"

int main() {
    for (auto &p : bench::reference_policies()) {
        eth_if_plcy_t *rec = nullptr;
        if (eth_if_plcy_encode(&p.ext, &rec, 0) != 0) return 1;
        const auto *bytes = reinterpret_cast<const unsigned char *>(rec);
        std::printf("%s ", p.name.c_str());
        for (uint32_t i = 0; i < eth_if_plcy_get_size(rec, 0); i++)
            std::printf("%02x", bytes[i]);
        std::printf("\n");
        eth_if_plcy_free(rec, 0);
    }
    return 0;
}
