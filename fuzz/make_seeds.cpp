// SPDX-License-Identifier: Apache-2.0
// Writes the seed corpora from the library's own encode: the reference
// policies and random policies that encode accepts, as host images, network
// images and raw external records.   make_seeds OUT_DIR
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "../bench/policies.hpp"

namespace {

void write(const std::filesystem::path &file, const void *data, size_t n) {
    std::ofstream(file, std::ios::binary)
        .write(static_cast<const char *>(data), std::streamsize(n));
}

eth_if_plcy_ext_t random_policy(std::mt19937 &rng) {
    auto any = [&](uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(rng); };
    eth_if_plcy_ext_t e;
    auto *b = reinterpret_cast<uint8_t *>(&e);
    for (size_t i = 0; i < sizeof e; i++)
        b[i] = uint8_t(any(256));
    e.valid_mask = any(1u << 20);
    e.ether_if_type = 1 + any(21);
    bool trunk = (ETH_IF_PLCY_TRUNK_TYPES >> e.ether_if_type) & 1;
    e.valid_mask &= trunk ? ~0xC240u : ~0x3C00u; // the fields of one view only
    auto &f = e.efp;
    f.num_tags = uint8_t(any(3));
    f.num_tag_pushes = uint8_t(any(3));
    f.num_ranges = uint16_t(any(11));
    for (auto &t : f.tag) {
        t.ethertype = any(2) ? 0x8100 : 0x88a8;
        t.vlan = uint16_t(any(3) == 0 ? EFP_VLAN_RANGE : any(4096));
    }
    f.tag_range_count[0] = f.tag_range_count[1] = 0;
    f.tag_range_list[0] = f.tag_range_list[1] = nullptr;
    return e;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) return 2;
    std::filesystem::path out = argv[1];
    for (const char *dir : {"record", "encode", "print"})
        std::filesystem::create_directories(out / dir);
    std::vector<eth_if_plcy_ext_t> policies;
    for (const auto &p : bench::reference_policies())
        policies.push_back(p.ext);
    std::mt19937 rng(20261205);
    while (policies.size() < 40) {
        eth_if_plcy_ext_t e = random_policy(rng);
        eth_if_plcy_t *rec = nullptr;
        if (eth_if_plcy_encode(&e, &rec, 0) == 0) policies.push_back(e);
        eth_if_plcy_free(rec, 0);
    }
    for (size_t i = 0; i < policies.size(); i++) {
        eth_if_plcy_ext_t e = policies[i];
        eth_if_plcy_t *rec = nullptr, *net = nullptr;
        if (eth_if_plcy_encode(&e, &rec, 0) != 0) return 1;
        uint32_t n = eth_if_plcy_get_size(rec, 0);
        eth_if_plcy_copy(rec, &net, ETH_IF_PLCY_COPY_HTON);
        std::string name = "seed" + std::to_string(i);
        write(out / "record" / (name + ".host"), rec, n);
        write(out / "record" / (name + ".net"), net, n);
        write(out / "print" / name, rec, n);
        e.efp.tag_range_list[0] = e.efp.tag_range_list[1] = nullptr;
        write(out / "encode" / name, &e, sizeof e);
        eth_if_plcy_free(rec, 0);
        eth_if_plcy_free(net, 0);
    }
    return 0;
}
