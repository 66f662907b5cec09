// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Helpers shared by the unit tests: record images, random policies, the
// assertion line, and the allocation fault hooks of the test build.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "ether_interface_policy_api.h"

extern "C" void eth_if_plcy_test_fail_alloc(long after);
extern "C" long eth_if_plcy_test_alloc_count(void);

// Tests that build host images by hand write them for a little-endian host;
// on a big-endian host they are skipped (the seeded round trips, the
// validation of encode's output and the tool's tests cover both).
#define LITTLE_ENDIAN_IMAGES_ONLY()                                                                \
    if (std::endian::native != std::endian::little)                                                \
    GTEST_SKIP() << "hand-built little-endian host image"

namespace test {

inline constexpr const char *kLibPath =
    "l2protocols/ethernet/infra/common/src/ether_interface_policy_api";
inline constexpr const char *kAccessorPath =
    "l2protocols/ethernet/infra/common/include/eth_efp_accessors";

// The whole stderr of a failed assertion, as a regular expression.
inline std::string assert_line(const char *path, const std::string &expr) {
    std::string quoted;
    for (char c : expr) {
        if (std::strchr("\\^$.|?*+()[]{}", c)) quoted += '\\';
        quoted += c;
    }
    return std::string("^") + path + ": [0-9]+ " + quoted + " -- assertion failed\n$";
}

// A record image in a byte vector, with little helpers to poke fields.
struct Image {
    std::vector<uint8_t> b;
    explicit Image(size_t size = ETH_IF_PLCY_MIN_SIZE) : b(size, 0) { put16(2, uint16_t(size)); }
    eth_if_plcy_t *rec() { return reinterpret_cast<eth_if_plcy_t *>(b.data()); }
    const eth_if_plcy_t *rec() const { return reinterpret_cast<const eth_if_plcy_t *>(b.data()); }
    void put16(size_t off, uint16_t v) { std::memcpy(&b[off], &v, 2); }
    void put32(size_t off, uint32_t v) { std::memcpy(&b[off], &v, 4); }
    uint16_t get16(size_t off) const {
        uint16_t v;
        std::memcpy(&v, &b[off], 2);
        return v;
    }
    uint32_t get32(size_t off) const {
        uint32_t v;
        std::memcpy(&v, &b[off], 4);
        return v;
    }
    void mask(uint32_t m) { put32(4, m); }
};

// A compact form whose one match tag uses a range list of eleven entries,
// one more than the format allows (little-endian host image).
inline Image eleven_ranges(size_t size) {
    Image im(size);
    im.mask(ETH_IF_PLCY_EFP_MATCH);
    im.b[57] = 1 << 2;
    im.put16(62, 4097);
    for (int k = 0; k < 11; k++)
        im.b[80 + 6 * k] = uint8_t(0x80 | k);
    im.b[146] = 0x0F;
    return im;
}

inline std::vector<uint8_t> bytes_of(const eth_if_plcy_t *rec) {
    const auto *p = reinterpret_cast<const uint8_t *>(rec);
    uint16_t size;
    std::memcpy(&size, p + 2, 2);
    return std::vector<uint8_t>(p, p + size);
}

// Owns a record from encode or copy.
struct Owned {
    eth_if_plcy_t *rec = nullptr;
    Owned() = default;
    Owned(const Owned &) = delete;
    Owned &operator=(const Owned &) = delete;
    ~Owned() { eth_if_plcy_free(rec, 0); }
    eth_if_plcy_t **out() { return &rec; }
};

inline eth_if_plcy_ext_t zero_ext() {
    eth_if_plcy_ext_t e;
    std::memset(&e, 0, sizeof e);
    return e;
}

// Random valid external policies: every group, both classes, EFPs that fit
// the compact form and EFPs that need the full one, ranges in both views.
struct PolicyGen {
    std::mt19937 rng;
    explicit PolicyGen(uint32_t seed) : rng(seed) {}

    uint32_t any(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(rng); }
    bool coin(unsigned percent = 50) { return any(100) < percent; }

    uint16_t tag_ethertype() {
        static const uint16_t kinds[] = {0x8100, 0x88a8, 0x0001, 0x0000, 0x9100};
        return coin(70) ? (coin() ? 0x8100 : 0x88a8) : kinds[any(5)];
    }
    uint16_t tag_vlan() {
        switch (any(6)) {
        case 0:
            return EFP_VLAN_ANY;
        case 1:
            return EFP_VLAN_RANGE;
        case 2:
            return 0;
        default:
            return uint16_t(1 + any(4094));
        }
    }
    void mac(uint8_t *m) {
        for (int i = 0; i < 6; i++)
            m[i] = uint8_t(any(256));
    }

    // The policy and, for the per-tag view, the caller-owned list it points at.
    eth_if_plcy_ext_t make(std::vector<eth_if_plcy_vlan_range_t> &tag_list, bool tag_view) {
        eth_if_plcy_ext_t e = zero_ext();
        bool sub = coin();
        static const uint32_t trunk_types[] = {1, 4, 7, 10, 11, 12, 13, 16, 19, 20, 21};
        static const uint32_t sub_types[] = {2, 3, 5, 6, 8, 9, 14, 15, 17, 18};
        uint32_t m = any(1u << 20) &
                     ~(ETH_IF_PLCY_PARENT | ETH_IF_PLCY_ADMIN_STATE | ETH_IF_PLCY_EFP_FILTERING |
                       ETH_IF_PLCY_SRC_BYPASS_FILTER | ETH_IF_PLCY_NATIVE_VLAN |
                       ETH_IF_PLCY_QINQ_ETYPE | ETH_IF_PLCY_MAC_ACC | ETH_IF_PLCY_FILTERING);
        if (sub) {
            if (coin()) m |= ETH_IF_PLCY_PARENT;
            if (coin()) m |= ETH_IF_PLCY_ADMIN_STATE;
            if (coin()) m |= ETH_IF_PLCY_EFP_FILTERING;
            if (coin()) m |= ETH_IF_PLCY_SRC_BYPASS_FILTER;
            e.sub.parent = any(UINT32_MAX);
            e.sub.admin_up = uint8_t(any(2));
            e.sub.efp_filtering = any(2);
            e.sub.src_bypass_filter = any(2);
        } else {
            if (coin()) m |= ETH_IF_PLCY_NATIVE_VLAN;
            if (coin()) m |= ETH_IF_PLCY_QINQ_ETYPE;
            if (coin()) m |= ETH_IF_PLCY_MAC_ACC;
            if (coin()) m |= ETH_IF_PLCY_FILTERING;
            e.trunk.native_vlan = uint16_t(any(4096));
            e.trunk.native_is_svlan = any(2);
            e.trunk.qinq_tunneling_etype = uint16_t(any(65536));
            e.trunk.mac_acc_ingress = any(2);
            e.trunk.mac_acc_egress = any(2);
            e.trunk.filter_dot1q = any(2);
            e.trunk.filter_dot1ad = any(2);
            e.trunk.filter_mac_relay = any(2);
        }
        e.valid_mask = m;
        e.ether_if_type = sub ? sub_types[any(10)] : trunk_types[any(11)];
        e.interface_ready = any(2);
        e.is_l2 = any(2);
        e.is_provisioned = any(2);
        mac(e.mac_addr);
        e.provision_info.xconnect_id = any(UINT32_MAX);
        e.provision_info.xcon_tags = uint8_t(any(256));
        e.provision_info.ip_iw_enabled = any(2);
        e.provision_info.imposition_vlan_rewrite = any(2);
        e.provision_info.imposition_vlan_id = uint16_t(any(4096));
        for (auto &l : e.l2pt)
            l = uint8_t(any(256));
        e.trunk.vlan_switched_trunk = any(2);
        e.trunk.vlan_switched_access = any(2);
        e.trunk.access_vlan = uint16_t(any(4096));
        e.is_in_icl_mode = any(2);
        e.mtu = uint16_t(any(65536));
        make_efp(e.efp, tag_list, tag_view);
        return e;
    }

    void make_efp(eth_if_plcy_ext_efp_t &f, std::vector<eth_if_plcy_vlan_range_t> &tag_list,
                  bool tag_view) {
        bool compact_like = coin();
        f.configured = coin(90);
        f.num_tags = uint8_t(any(3));
        for (unsigned i = 0; i < f.num_tags; i++) {
            f.tag[i].ethertype = compact_like ? (coin() ? 0x8100 : 0x88a8) : tag_ethertype();
            f.tag[i].vlan = tag_vlan();
            f.tag_pcp[i] = (compact_like && i > 0) || coin() ? EFP_PCP_ANY : uint8_t(any(16));
        }
        f.num_tag_pops = uint8_t(compact_like ? any(4) : any(256));
        f.num_tag_pushes = uint8_t(any(3 - (compact_like ? f.num_tags : 0)));
        for (unsigned j = 0; j < f.num_tag_pushes; j++)
            f.push[j] = {compact_like ? uint16_t(0x8100) : tag_ethertype(), uint16_t(any(4096))};
        f.payload_ethertype = coin() ? 0 : uint16_t(any(65536));
        f.exact = any(2);
        f.l3_ambiguous = any(2);
        if (!compact_like) {
            f.native = any(2);
            f.native_with_preservation = any(2);
            f.src_mac_check = any(2);
            f.dst_mac_check = any(2);
            mac(f.src_mac);
            if (coin(20))
                std::memset(f.dst_mac, 0, 6);
            else
                mac(f.dst_mac);
        }
        unsigned n = any(11);
        std::vector<eth_if_plcy_vlan_range_t> list(n);
        for (auto &r : list) {
            r.low = uint16_t(any(4096));
            r.high = coin(30) ? r.low : uint16_t(r.low + any(4096 - r.low));
        }
        if (tag_view) {
            tag_list = list;
            unsigned t = any(2);
            f.tag_range_count[t] = uint16_t(n);
            f.tag_range_list[t] = tag_list.data();
        } else {
            f.num_ranges = uint16_t(n);
            for (unsigned k = 0; k < n; k++)
                f.ranges[k] = list[k];
        }
    }
};

} // namespace test
