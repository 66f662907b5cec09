// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The strict check of a policy: every present field's value against its
// Domain, then the rules that relate fields (interface classes, VLAN ranges,
// MAC checks). eth_if_plcy_ext_validate reports its verdict through the C
// API; the tool and the Python binding word it for the JSON from the same
// Verdict (the Domain or Rule it names), never from the reason's text.
#pragma once

#include "policy_table.hpp"

namespace eth_if_plcy::fields {

// A rule between fields: the library's reason, and how the JSON faces say it
// after "path: value ".
struct Rule {
    const char *reason;
    const char *words;
};
inline constexpr Rule kMixed{"sub-interface and trunk fields are set together",
                             "is a sub-interface field, but trunk fields are given too: the two "
                             "classes exclude each other"};
inline constexpr Rule kSubOnTrunk{"a sub-interface field is set on a trunk-class ether_if_type",
                                  "is a sub-interface field, but ether_if_type is of the trunk "
                                  "class"};
inline constexpr Rule kTrunkOnSub{"a trunk field is set on a sub-interface-class ether_if_type",
                                  "is a trunk field, but ether_if_type is of the sub-interface "
                                  "class"};
// The class rules, in the order the check tries them: the fields of one
// class exclude the other class's ether_if_type values (by_type) or its
// fields. The check, the JSON Schema and the YANG module's must read these.
struct Exclusion {
    Cls fields;
    Cls other;
    bool by_type;
    const Rule *rule;
};
inline constexpr Exclusion kExclusions[] = {{Cls::sub, Cls::trunk, true, &kSubOnTrunk},
                                            {Cls::sub, Cls::trunk, false, &kMixed},
                                            {Cls::trunk, Cls::sub, true, &kTrunkOnSub}};
inline constexpr Sentence kVlanCodes =
    say("VLAN ", ETH_EFP_VLAN_CODE_ANY, " and ", ETH_EFP_VLAN_CODE_RANGE,
        " are internal codes: write EFP_VLAN_ANY (", Hex{EFP_VLAN_ANY}, ") or EFP_VLAN_RANGE (",
        Hex{EFP_VLAN_RANGE}, ")");
inline constexpr Rule kVlanCode{kVlanCodes.c_str(), nullptr}; // said as the tag VLAN's domain
inline constexpr Rule kRangeOrder{"range low is above its high", "has its low above its high"};
// Pairs whose first key may not be above their second, with the rule that
// says so: show --yang and the YANG module's must read this; the strict check
// gives the same rule from its own test of the lists (per-tag lists too).
struct OrderedPair {
    F field;
    const Rule *rule;
};
inline constexpr OrderedPair kOrderedPairs[] = {{F::efp_ranges, &kRangeOrder}};
inline constexpr Rule kRangesNoTag{"ranges given but no match tag's VLAN is EFP_VLAN_RANGE",
                                   "are given, but no efp.tag has \"vlan\": \"range\""};
inline constexpr Rule kTagNoRanges{"a match tag's VLAN is EFP_VLAN_RANGE but no ranges are given",
                                   "are none, but a tag has \"vlan\": \"range\""};
inline constexpr Rule kBothLists{"both tags carry a range list",
                                 "gives ranges to both tags: one tag at most carries them"};
inline constexpr Rule kListOnPlainTag{"ranges given for a tag whose VLAN is not EFP_VLAN_RANGE",
                                      "gives ranges to a tag whose VLAN is not \"range\""};
inline constexpr Rule kEmptyList{"tag VLAN is EFP_VLAN_RANGE but its range list is empty",
                                 "has no ranges: give them in efp.ranges"};
inline constexpr Rule kNoList{"range count given without a range list",
                              "is given without a range list"};
inline constexpr Rule kMacZero{"MAC check is set but the address is all zero",
                               "needs a MAC address that is not all zero"};

// ---- paths of elements, as constant strings ----------------------------------
//
// "efp.tag[1].vlan", "efp.ranges[3]", "l2pt.tovu": every element a refusal can
// name, made at compile time so that the C API can hand them out.

struct ElementPath {
    int field; // the compound's number
    int index;
    int key; // -1: the element itself
    std::array<char, 32> text;
};

constexpr size_t element_path_count() {
    size_t n = 0;
    for (const Compound &c : kCompounds)
        n += c.shape == Shape::pairs ? 3u * c.max : c.shape == Shape::mac ? 0u : c.max;
    return n;
}

constexpr std::array<char, 32> join(const char *base, const char *sep, int index, const char *key) {
    std::array<char, 32> t{};
    size_t n = 0;
    auto put = [&](const char *s) {
        while (*s != '\0')
            t[n++] = *s++;
    };
    put(base);
    if (sep != nullptr) put(sep);
    if (index >= 0) {
        if (index >= 10) t[n++] = static_cast<char>('0' + index / 10);
        t[n++] = static_cast<char>('0' + index % 10);
        t[n++] = ']';
    }
    if (key != nullptr) t[n++] = '.', put(key);
    return t;
}

inline constexpr auto kElementPaths = [] {
    std::array<ElementPath, element_path_count()> out{};
    size_t n = 0;
    for (size_t f = 0; f < std::size(kCompounds); f++) {
        const Compound &c = kCompounds[f];
        int field = static_cast<int>(kScalarCount + f);
        for (int i = 0; i < c.max && c.shape != Shape::mac; i++) {
            if (c.shape == Shape::l2pt) {
                out[n++] = {field, i, -1, join(c.path, nullptr, -1, kL2ptNames[i])};
                continue;
            }
            out[n++] = {field, i, -1, join(c.path, "[", i, nullptr)};
            for (int k = 0; k < 2 && c.shape == Shape::pairs; k++)
                out[n++] = {field, i, k, join(c.path, "[", i, c.keys[k].name)};
        }
    }
    return out;
}();

// The path of a field (index -1) or of one of its elements.
inline const char *path_text(int field, int index, int key) {
    if (index < 0) return path_of(static_cast<size_t>(field));
    for (const ElementPath &p : kElementPaths)
        if (p.field == field && p.index == index && p.key == key) return p.text.data();
    return path_of(static_cast<size_t>(field));
}

// ---- the check -------------------------------------------------------------------

// What failed: a field's Domain or a Rule, and where.
struct Verdict {
    const Domain *domain = nullptr;
    const Rule *rule = nullptr;
    int field = -1;
    int index = -1;
    int key = -1;
    uint64_t value = 0; // the value outside its domain
    bool ok() const { return domain == nullptr && rule == nullptr; }
    const char *reason() const { return rule ? rule->reason : domain ? domain->reason : nullptr; }
    const char *path() const { return field < 0 ? "" : path_text(field, index, key); }
};

namespace detail {

constexpr int number(F f) {
    return static_cast<int>(index(f));
}
inline constexpr int kTagField = number(F::efp_tag);
inline constexpr int kPcpField = number(F::efp_tag_pcp);
inline constexpr int kRangesField = number(F::efp_ranges);
inline constexpr int kPushField = number(F::efp_push);
inline constexpr int kTagsCount = number(F::efp_num_tags);
inline constexpr int kPushCount = number(F::efp_num_tag_pushes);
inline constexpr int kRangeCountField = number(F::efp_num_ranges);
inline constexpr int kPerTagField = number(F::efp_tag_range_count);
inline constexpr int kL2ptField = number(F::l2pt);
inline constexpr int kMacChecks[2] = {number(F::efp_src_mac_check), number(F::efp_dst_mac_check)};

inline const Compound &compound_at(int field) {
    return kCompounds[static_cast<size_t>(field) - kScalarCount];
}

inline Verdict domain_at(int field, int index, int key, uint64_t v) {
    const Compound &c = compound_at(field);
    const Domain *d = key >= 0 ? c.keys[key].domain : c.domain;
    if (d->allows(v)) return {};
    return {d, nullptr, field, index, key, v};
}

inline Verdict ranges(const eth_if_plcy_vlan_range_t *r, unsigned n, int field, int index) {
    if (Verdict v = domain_at(kRangeCountField, -1, -1, n); !v.ok())
        return {v.domain, nullptr, field, index, -1, n};
    if (n != 0 && r == nullptr) return {nullptr, &kNoList, field, index};
    bool own =
        field == kRangesField; // entries of efp.ranges are named; a per-tag list as its count
    for (unsigned k = 0; k < n; k++) {
        for (int key = 0; key < 2; key++) {
            uint64_t bound = key == 0 ? r[k].low : r[k].high;
            Verdict v = domain_at(kRangesField, static_cast<int>(k), key, bound);
            if (!v.ok()) return own ? v : Verdict{v.domain, nullptr, field, index, -1, bound};
        }
        if (r[k].low > r[k].high)
            return {nullptr, &kRangeOrder, field, own ? static_cast<int>(k) : index};
    }
    return {};
}

inline Verdict match(const eth_if_plcy_ext_efp_t &f, uint32_t options) {
    if (Verdict v = domain_at(kTagsCount, -1, -1, f.num_tags); !v.ok()) return v;
    bool range_tag = false;
    for (int i = 0; i < f.num_tags; i++) {
        uint16_t vlan = f.tag[i].vlan;
        if (vlan == ETH_EFP_VLAN_CODE_ANY || vlan == ETH_EFP_VLAN_CODE_RANGE)
            return {&kMatchVlan, &kVlanCode, kTagField, i, 1, vlan};
        if (Verdict v = domain_at(kTagField, i, 1, vlan); !v.ok()) return v;
        if (Verdict v = domain_at(kPcpField, i, -1, f.tag_pcp[i]); !v.ok()) return v;
        range_tag |= vlan == EFP_VLAN_RANGE;
    }
    for (int m = 0; m < 2; m++) {
        bool check = m == 0 ? f.src_mac_check : f.dst_mac_check;
        const uint8_t *mac = m == 0 ? f.src_mac : f.dst_mac;
        if (check && std::all_of(mac, mac + 6, [](uint8_t b) { return b == 0; }))
            return {nullptr, &kMacZero, kMacChecks[m]};
    }
    if (options & ETH_IF_PLCY_ENCODE_TAG_RANGES) {
        if (f.tag_range_count[0] != 0 && f.tag_range_count[1] != 0)
            return {nullptr, &kBothLists, kPerTagField, 1};
        for (int i = 0; i < 2; i++) {
            unsigned n = f.tag_range_count[i];
            if (n == 0) continue;
            if (i >= f.num_tags || f.tag[i].vlan != EFP_VLAN_RANGE)
                return {nullptr, &kListOnPlainTag, kPerTagField, i};
            if (Verdict v = ranges(f.tag_range_list[i], n, kPerTagField, i); !v.ok()) return v;
        }
        for (int i = 0; i < f.num_tags; i++)
            if (f.tag[i].vlan == EFP_VLAN_RANGE && f.tag_range_count[i] == 0)
                return {nullptr, &kEmptyList, kTagField, i, 1};
        return {};
    }
    if (Verdict v = ranges(f.ranges, f.num_ranges, kRangesField, -1); !v.ok()) return v;
    if (f.num_ranges != 0 && !range_tag) return {nullptr, &kRangesNoTag, kRangesField};
    if (f.num_ranges == 0 && range_tag) return {nullptr, &kTagNoRanges, kRangesField};
    return {};
}

inline Verdict rewrite(const eth_if_plcy_ext_efp_t &f) {
    if (Verdict v = domain_at(kPushCount, -1, -1, f.num_tag_pushes); !v.ok()) return v;
    for (int j = 0; j < f.num_tag_pushes; j++)
        if (Verdict v = domain_at(kPushField, j, 1, f.push[j].vlan); !v.ok()) return v;
    return {};
}

// Sub-interface and trunk fields exclude each other, and each excludes the
// other class's ether_if_type.
inline Verdict classes(const Ext &e) {
    Cls type = class_of(e);
    // By Cls, the field named: the first of the class present, or of the
    // fields sharing its bit, the first that is not 0 (the one written).
    int first[3] = {-1, -1, -1};
    for (size_t i = 0; i < kScalarCount; i++) {
        const Scalar &s = kScalars[i];
        int &at = first[static_cast<int>(s.cls)];
        if (s.cls == Cls::any || (e.valid_mask & s.bit) == 0) continue;
        if (at < 0 || (kScalars[at].bit == s.bit && kScalars[at].get(e) == 0 && s.get(e) != 0))
            at = static_cast<int>(i);
    }
    for (const Exclusion &x : kExclusions) {
        int field = first[static_cast<int>(x.fields)];
        bool other = x.by_type ? type == x.other : first[static_cast<int>(x.other)] >= 0;
        if (field >= 0 && other) return {nullptr, x.rule, field};
    }
    return {};
}

// The rules a record may break that a face's model states (the YANG module's
// must): the classes, and the ordered pairs of the lists the policy holds.
inline Verdict modelled(const Ext &e) {
    if (Verdict v = classes(e); !v.ok()) return v;
    for (const OrderedPair &o : kOrderedPairs) {
        const Compound &c = compound_at(static_cast<int>(index(o.field)));
        if (!present(index(o.field), e)) continue;
        for (size_t i = 0; i < c.access.entries(e); i++)
            if (c.access.get(e, i, 0) > c.access.get(e, i, 1))
                return {nullptr, o.rule, static_cast<int>(index(o.field)), static_cast<int>(i)};
    }
    return {};
}

} // namespace detail

// The strict check: Verdict{} when encode takes the policy and an interface
// can carry every value in it.
inline Verdict check(const Ext &e, uint32_t options) {
    for (size_t i = 0; i < kScalarCount; i++) {
        const Scalar &s = kScalars[i];
        if (present(s, e) && !s.domain->allows(s.get(e)))
            return {s.domain, nullptr, static_cast<int>(i), -1, -1, s.get(e)};
    }
    if (e.valid_mask & ETH_IF_PLCY_L2PT)
        for (int i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++)
            if (Verdict v = detail::domain_at(detail::kL2ptField, i, -1, e.l2pt[i]); !v.ok())
                return v;
    if (Verdict v = detail::classes(e); !v.ok()) return v;
    if (!e.efp.configured) return {};
    if (e.valid_mask & kMatch)
        if (Verdict v = detail::match(e.efp, options); !v.ok()) return v;
    if (e.valid_mask & kRewrite) return detail::rewrite(e.efp);
    return {};
}

} // namespace eth_if_plcy::fields
