// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The field description against the encoder: a policy that differs from
// another in one field encodes to a record that differs only inside the
// place the description gives that field (its bits of its unit, in the EFP
// form the record holds), and somewhere there.
#include <functional>

#include "eth_iftype.h"
#include "policy_check.hpp"
#include "test_support.hpp"

namespace {

namespace f = eth_if_plcy::fields;
using Edit = std::function<void(eth_if_plcy_ext_t &)>;

std::vector<uint8_t> encoded(const eth_if_plcy_ext_t &e) {
    eth_if_plcy_t *rec = nullptr;
    EXPECT_EQ(eth_if_plcy_encode(&e, &rec, 0), 0u);
    if (rec == nullptr) return {};
    const auto *b = reinterpret_cast<const uint8_t *>(rec);
    std::vector<uint8_t> bytes(b, b + eth_if_plcy_get_size(rec, 0));
    eth_if_plcy_free(rec, 0);
    return bytes;
}

// Encodes base and base with the change; checks where they differ.
void lies_where_it_says(const char *path, const f::Where &where, eth_if_plcy_ext_t base,
                        const Edit &change, bool full) {
    eth_if_plcy_ext_t changed = base;
    change(changed);
    std::vector<uint8_t> a = encoded(base), b = encoded(changed);
    // Only where both records hold the form asked for (a change may need the other).
    if ((a[ETH_IF_PLCY_EFP_BASE] == 0) == full || (b[ETH_IF_PLCY_EFP_BASE] == 0) == full) return;
    ASSERT_EQ(a.size(), b.size()) << path;
    const f::Place &p = full ? where.full : where.compact;
    size_t end = p.bytes == 0 ? a.size() : p.off + p.bytes;
    uint64_t inside = 0, outside = 0,
             bits = p.width >= 64 ? ~0ull : ((1ull << p.width) - 1) << p.lsb;
    for (size_t i = 8; i < a.size(); i++) { // the header (size, mask) may differ
        uint8_t x = a[i] ^ b[i];
        if (i < p.off || i >= end) {
            outside |= x;
        } else if (p.bytes == 0 || i - p.off >= 8) {
            inside |= x;
        } else {
            uint64_t unit_bits = uint64_t{x} << (8 * (i - p.off)); // little-endian unit
            inside |= unit_bits & bits;
            outside |= unit_bits & ~bits;
        }
    }
    EXPECT_EQ(outside, 0u) << path << (full ? " (full form)" : " (compact form)");
    EXPECT_NE(inside, 0u) << path << (full ? " (full form)" : " (compact form)");
}

// A policy that holds the field, its EFP in the compact form or forced into
// the full one (MAC matches only the full form holds; the addresses are set
// either way, so that a check flag alone makes the difference).
eth_if_plcy_ext_t holding(uint32_t bit, f::Dep dep, f::Cls cls, bool full) {
    eth_if_plcy_ext_t e = test::zero_ext();
    e.valid_mask = bit | ETH_IF_PLCY_ETHER_IF_TYPE | (full ? f::kMatch : 0);
    e.ether_if_type = cls == f::Cls::trunk ? 1 : 3;
    e.is_provisioned = dep == f::Dep::provisioned;
    e.efp.configured = dep != f::Dep::none || full;
    e.efp.src_mac[5] = e.efp.dst_mac[5] = 1;
    e.efp.src_mac_check = e.efp.dst_mac_check = full;
    return e;
}

TEST(Description, FieldsLieWhereTheySay) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    for (bool full : {false, true}) {
        for (const f::Scalar &s : f::kScalars) {
            if (s.bit == 0) continue; // valid_mask: the header
            eth_if_plcy_ext_t base = holding(s.bit, s.dep, s.cls, full);
            s.set(base, s.domain->lo);
            if (s.id == f::F::efp_configured) base.efp.configured = 0, base.efp.src_mac_check = 0;
            for (uint64_t v : {s.domain->hi, s.domain->lo + 1}) // every bit, and the lowest
                lies_where_it_says(
                    s.path, s.where, base, [&](auto &e) { s.set(e, v); }, full);
        }
        auto compound = [&](const f::Compound &c, const Edit &base_edit, const Edit &change) {
            eth_if_plcy_ext_t base = holding(c.bit, c.dep, f::Cls::any, full);
            base_edit(base);
            lies_where_it_says(c.path, c.where, base, change, full);
        };
        auto one_tag = [](auto &e) {
            e.efp.num_tags = 1, e.efp.tag[0] = {ETH_EFP_ETHERTYPE_DOT1Q, 100};
            e.efp.tag_pcp[0] = 3;
        };
        compound(
            f::compound(f::F::mac_addr), [](auto &) {}, [](auto &e) { e.mac_addr[2] = 7; });
        compound(
            f::compound(f::F::l2pt), [](auto &) {}, [](auto &e) { e.l2pt[4] = 0x3B; });
        compound(f::compound(f::F::efp_tag), one_tag, [](auto &e) { e.efp.tag[0].vlan = 200; });
        compound(f::compound(f::F::efp_tag_pcp), one_tag, [](auto &e) { e.efp.tag_pcp[0] = 5; });
        compound(
            f::compound(f::F::efp_push),
            [](auto &e) {
                e.efp.num_tag_pushes = 1, e.efp.push[0] = {0x8100, 5};
            },
            [](auto &e) { e.efp.push[0].vlan = 6; });
        compound(
            f::compound(f::F::efp_ranges),
            [&](auto &e) {
                one_tag(e), e.efp.tag[0].vlan = EFP_VLAN_RANGE;
                e.efp.num_ranges = 1, e.efp.ranges[0] = {10, 20};
            },
            [](auto &e) { e.efp.ranges[0].high = 30; });
        compound(
            f::compound(f::F::efp_dst_mac),
            [](auto &e) { e.efp.dst_mac_check = 1, e.efp.dst_mac[0] = 2; },
            [](auto &e) { e.efp.dst_mac[3] = 9; });
    }
}

// And the other way: decode reads each field from its place. Flipping the
// place's bits in a record that holds the field changes the field's value
// (where the record still validates). A MAC check flag is left out: it
// is no stored bit but whether its address is zero.
TEST(Description, DecodeReadsFieldsFromTheirPlaces) {
    LITTLE_ENDIAN_IMAGES_ONLY();
    for (bool full : {false, true}) {
        for (const f::Scalar &s : f::kScalars) {
            const f::Place &p = full ? s.where.full : s.where.compact;
            if (s.bit == 0 || p.width == 0 || p.bytes == 6) continue;
            eth_if_plcy_ext_t e = holding(s.bit, s.dep, s.cls, full);
            s.set(e, s.domain->hi);
            std::vector<uint8_t> rec = encoded(e);
            if ((rec[ETH_IF_PLCY_EFP_BASE] == 0) == full) continue; // not the form asked for
            for (unsigned b = p.lsb; b < p.lsb + p.width; b++)      // every bit of the field
                rec[p.off + b / 8] ^= static_cast<uint8_t>(1u << (b % 8));
            if (eth_if_plcy_validate(rec.data(), rec.size(), 0) != 0) continue;
            eth_if_plcy_ext_t back;
            ASSERT_EQ(eth_if_plcy_decode(reinterpret_cast<const eth_if_plcy_t *>(rec.data()),
                                         ETH_IF_PLCY_ALL_FIELDS, &back, 0),
                      0u);
            EXPECT_NE(s.get(back), s.get(e)) << s.path << (full ? " (full form)" : "");
        }
    }
    // The class of a type: trunk, sub-interface, or neither (no view is read).
    eth_if_plcy_ext_t e = test::zero_ext();
    e.valid_mask = ETH_IF_PLCY_ETHER_IF_TYPE;
    const std::pair<uint32_t, f::Cls> classes[] = {
        {1, f::Cls::trunk}, {3, f::Cls::sub}, {0, f::Cls::any}, {22, f::Cls::any}};
    for (auto [type, cls] : classes)
        EXPECT_EQ((e.ether_if_type = type, f::class_of(e)), cls) << type;
}

// Compare against the table: two records that differ in one field differ in
// that field's group and in no other, in either EFP form; so do two that
// differ in the record's own data (kInternal), flipped in its bytes.
TEST(Description, CompareNamesTheGroupOfEachField) {
    auto compare = [](const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) {
        return eth_if_plcy_compare_int(reinterpret_cast<const eth_if_plcy_t *>(a.data()),
                                       reinterpret_cast<const eth_if_plcy_t *>(b.data()),
                                       ETH_IF_PLCY_ALL_FIELDS, 0);
    };
    for (bool full : {false, true}) {
        for (const f::Scalar &s : f::kScalars) {
            if (s.bit == 0) continue;
            eth_if_plcy_ext_t a = holding(s.bit, s.dep, s.cls, full);
            s.set(a, s.domain->lo);
            if (s.id == f::F::efp_configured) a.efp.configured = 0, a.efp.src_mac_check = 0;
            eth_if_plcy_ext_t b = a;
            s.set(b, s.domain->hi);
            uint32_t got = compare(encoded(a), encoded(b));
            EXPECT_NE(got, 0u) << s.path;
            EXPECT_EQ(got & ~s.bit, 0u) << s.path;
        }
    }
    LITTLE_ENDIAN_IMAGES_ONLY();
    for (const f::Internal &r : f::kInternal) {
        std::vector<uint8_t> a = encoded(holding(r.bit, r.dep, f::Cls::any, false)), b = a;
        b[r.place.off + r.place.lsb / 8] ^= static_cast<uint8_t>(1u << (r.place.lsb % 8));
        EXPECT_EQ(compare(a, b), r.bit) << r.path;
    }
}

// The printers against the table: a fixed-part field changed changes the
// full print of the record and of the policy from a line that names it (its
// path, or its name within its group). The exceptions are the texts' own:
// the internal print writes mtu as MTU; the external print has no access_vlan.
TEST(Description, PrintersNameEachField) {
    auto first_change = [](const std::string &a, const std::string &b) {
        size_t at = 0;
        while (at < a.size() && at < b.size() && a[at] == b[at])
            at++;
        size_t start = b.rfind('\n', at == 0 ? 0 : at - 1);
        start = start == std::string::npos ? 0 : start + 1;
        return a == b ? std::string() : b.substr(start, b.find('\n', start) - start);
    };
    auto record_text = [](const eth_if_plcy_ext_t &e) {
        std::vector<uint8_t> r = encoded(e);
        const auto *rec = reinterpret_cast<const eth_if_plcy_t *>(r.data());
        std::string text(eth_if_plcy_print_len(rec, 0) + 1, '\0');
        eth_if_plcy_print(rec, text.data(), text.size(), 0);
        return text;
    };
    auto policy_text = [](const eth_if_plcy_ext_t &e) {
        std::string text(eth_if_plcy_ext_print_len(&e, 0) + 1, '\0');
        eth_if_plcy_ext_print(&e, text.data(), text.size(), 0);
        return text;
    };
    for (const f::Scalar &s : f::kScalars) {
        if (s.bit == 0 || !(s.where.compact == s.where.full)) continue; // the EFP prints as text
        eth_if_plcy_ext_t a = holding(s.bit, s.dep, s.cls, false);
        s.set(a, s.domain->lo);
        eth_if_plcy_ext_t b = a;
        s.set(b, s.domain->hi);
        std::string path = s.path, name = path.substr(path.find('.') + 1);
        std::string line = first_change(record_text(a), record_text(b));
        EXPECT_EQ(line.substr(0, line.find(':')), s.id == f::F::mtu ? "MTU" : path);
        line = first_change(policy_text(a), policy_text(b));
        std::string named = line.substr(0, line.find(':'));
        if (s.id == f::F::trunk_access_vlan)
            EXPECT_EQ(line, "");
        else
            EXPECT_TRUE(named == path || named == name) << path << ": " << line;
    }
    for (const f::Internal &r : f::kInternal)
        EXPECT_NE(record_text(holding(r.bit, r.dep, f::Cls::any, false)).find(r.path),
                  std::string::npos);
}

// The per-tag view names the list's tag, whichever entry is out of its domain.
TEST(Description, PerTagRefusalsNameTheTag) {
    eth_if_plcy_ext_t e = test::zero_ext();
    e.valid_mask = f::kMatch;
    e.efp.configured = 1, e.efp.num_tags = 2;
    e.efp.tag[1] = {ETH_EFP_ETHERTYPE_DOT1Q, EFP_VLAN_RANGE};
    eth_if_plcy_vlan_range_t list[2] = {{1, 2}, {3, 5000}};
    e.efp.tag_range_count[1] = 2, e.efp.tag_range_list[1] = list;
    const char *reason = nullptr, *field = nullptr;
    EXPECT_EQ(eth_if_plcy_ext_validate_explain(&e, ETH_IF_PLCY_ENCODE_TAG_RANGES, &reason, &field),
              ETH_IF_PLCY_ERR_BAD_POLICY);
    EXPECT_STREQ(field, "efp.tag_range_count[1]");
    EXPECT_STREQ(reason, "VLAN is above 4095");
    // Reasons made from numbers write 0 and hex in full.
    EXPECT_STREQ(f::say("bit ", 0, " of ", f::Hex{0x2a}).c_str(), "bit 0 of 0x002a");
}

// ether_if_type's words, fixed when the project is built, are the names the
// interface-type library loaded at run time prints: a platform library that
// names its types otherwise fails here (its numbers still work everywhere).
TEST(Description, InterfaceTypeWordsAreTheLoadedLibrarysNames) {
    EXPECT_EQ(f::word_of(f::Words::iftype, 0), nullptr);
    for (uint32_t t = 1; t <= ETH_IF_PLCY_MAX_IF_TYPE; t++)
        EXPECT_STREQ(f::word_of(f::Words::iftype, t), eth_decode_eth_iftype_to_str_cmpt(t)) << t;
    EXPECT_EQ(f::word_of(f::Words::iftype, ETH_IF_PLCY_MAX_IF_TYPE + 1), nullptr);
}

} // namespace
