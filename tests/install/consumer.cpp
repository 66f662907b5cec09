// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The C++ layer on the installed package (C++20, through eth_if_plcy::cxx).
#include <eth_if_plcy.hpp>
#include <cstdio>

int main() {
    eth_if_plcy_ext_t ext{};
    ext.valid_mask = ETH_IF_PLCY_MTU;
    ext.mtu = 1500;
    eth_if_plcy::Record rec;
    if (eth_if_plcy::encode(ext, rec) != eth_if_plcy::Status::ok) return 1;
    std::puts(eth_if_plcy::print(rec).empty() ? "empty" : "consumer c++ ok");
    return 0;
}
