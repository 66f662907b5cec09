// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Stand-in EFP utility library. Every operation reads an EFP area into one
// plain model and writes a form from it, so that the two forms and the
// comparisons agree by construction. A platform links its own library instead.
#include "eth_efp_util.h"

#include <algorithm>
#include <array>
#include <cstring>

#define EFP_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Tag {
    uint16_t ethertype = 0;
    uint16_t vlan = 0;
    uint8_t pcp = 0;
};

struct Efp {
    unsigned cfgd = 0;
    unsigned claimed_tags = 0, claimed_pushes = 0; // the counts as the form holds them
    unsigned num_tags = 0;                         // clamped to the form's capacity
    std::array<Tag, ETH_EFP_MAX_MATCH_TAGS> tags{};
    unsigned pops = 0;
    unsigned pushes = 0; // clamped likewise
    std::array<Tag, ETH_EFP_MAX_PUSH_TAGS> push{};
    unsigned native = 0, preserve = 0, exact = 0, l3_ambiguous = 0;
    uint16_t payload = 0;
    std::array<uint8_t, 6> src{}, dst{};
    bool has_range_tag = false;
    unsigned num_ranges = 0;
    std::array<uint16_t, ETH_EFP_RANGE_MAX> low{}, high{};
};

const uint8_t *bytes(const void *p) {
    return static_cast<const uint8_t *>(p);
}
uint8_t *bytes(void *p) {
    return static_cast<uint8_t *>(p);
}

void read_ranges(const uint8_t *r, Efp &e) {
    for (; e.num_ranges < ETH_EFP_RANGE_MAX && !eth_efp_range_is_end(r); r += ETH_EFP_RANGE_SIZE) {
        e.low[e.num_ranges] = eth_efp_range_low(r);
        e.high[e.num_ranges] = eth_efp_range_high(r);
        e.num_ranges++;
    }
}

void read_compact(const uint8_t *b, Efp &e) {
    e.cfgd = eth_efp_unit_get(b, ETH_EFP_C_CFGD);
    e.claimed_tags = eth_efp_unit_get(b, ETH_EFP_C_NUM_MATCH_TAGS);
    e.claimed_pushes = eth_efp_unit_get(b, ETH_EFP_C_NUM_TAG_PUSHES);
    e.num_tags = std::min(e.claimed_tags, ETH_EFP_C_TAG_WORDS);
    e.pops = eth_efp_unit_get(b, ETH_EFP_C_NUM_TAG_POPS);
    e.pushes = std::min(e.claimed_pushes, ETH_EFP_C_TAG_WORDS - e.num_tags);
    e.exact = eth_efp_unit_get(b, ETH_EFP_C_EXACT);
    e.l3_ambiguous = eth_efp_unit_get(b, ETH_EFP_C_L3_AMBIGUOUS);
    e.payload = eth_efp_load16(b + ETH_EFP_C_PAYLOAD_OFF);
    auto word = [b](unsigned k) {
        return Tag{eth_efp_compact_ethertype(b, k),
                   static_cast<uint16_t>(eth_efp_unit_get(b, ETH_EFP_C_TAG_VLAN(k))), 0};
    };
    for (unsigned i = 0; i < e.num_tags; i++) {
        e.tags[i] = word(i);
        e.tags[i].pcp = static_cast<uint8_t>(i == 0 ? eth_efp_unit_get(b, ETH_EFP_C_TAG_PCP)
                                                    : ETH_EFP_PCP_CODE_ANY);
    }
    for (unsigned j = 0; j < e.pushes; j++)
        e.push[j] = word(e.num_tags + j);
}

void read_full(const uint8_t *b, Efp &e) {
    e.cfgd = eth_efp_unit_get(b, ETH_EFP_F_CFGD);
    e.claimed_tags = b[ETH_EFP_F_NUM_MATCH_TAGS_OFF];
    e.claimed_pushes = b[ETH_EFP_F_NUM_TAG_PUSHES_OFF];
    e.num_tags = std::min(e.claimed_tags, ETH_EFP_MAX_MATCH_TAGS);
    for (unsigned i = 0; i < e.num_tags; i++) {
        const uint8_t *t = b + ETH_EFP_F_TAG_OFF(i);
        e.tags[i] = Tag{eth_efp_load16(t + ETH_EFP_F_TAG_ETHERTYPE),
                        eth_efp_load16(t + ETH_EFP_F_TAG_VLAN_LOW), t[ETH_EFP_F_TAG_PCP]};
    }
    e.pops = b[ETH_EFP_F_NUM_TAG_POPS_OFF];
    e.pushes = std::min(e.claimed_pushes, ETH_EFP_MAX_PUSH_TAGS);
    for (unsigned j = 0; j < e.pushes; j++) {
        const uint8_t *t = b + ETH_EFP_F_PUSH_OFF(j);
        e.push[j] = Tag{eth_efp_load16(t + ETH_EFP_F_PUSH_ETHERTYPE),
                        eth_efp_load16(t + ETH_EFP_F_PUSH_VLAN), 0};
    }
    e.native = eth_efp_unit_get(b, ETH_EFP_F_NATIVE);
    e.preserve = eth_efp_unit_get(b, ETH_EFP_F_NATIVE_PRESERVE);
    e.exact = eth_efp_unit_get(b, ETH_EFP_F_EXACT);
    e.l3_ambiguous = eth_efp_unit_get(b, ETH_EFP_F_L3_AMBIGUOUS);
    e.payload = eth_efp_load16(b + ETH_EFP_F_PAYLOAD_OFF);
    std::memcpy(e.src.data(), b + ETH_EFP_F_SRC_MAC_OFF, 6);
    std::memcpy(e.dst.data(), b + ETH_EFP_F_DST_MAC_OFF, 6);
}

// Any base type but the two forms reads as an empty EFP.
Efp read_area(const void *area) {
    Efp e;
    const uint8_t *b = bytes(area);
    unsigned form_size;
    if (eth_efp_is_compact(b)) {
        read_compact(b, e);
        form_size = ETH_EFP_COMPACT_SIZE;
    } else if (eth_efp_is_full(b)) {
        read_full(b, e);
        form_size = ETH_EFP_FULL_SIZE;
    } else {
        return e;
    }
    for (unsigned i = 0; i < e.num_tags; i++)
        e.has_range_tag |= e.tags[i].vlan == ETH_EFP_VLAN_CODE_RANGE;
    if (e.has_range_tag) read_ranges(b + form_size, e);
    return e;
}

void write_ranges(const Efp &e, uint8_t *r, unsigned base_type) {
    for (unsigned k = 0; k < e.num_ranges; k++, r += ETH_EFP_RANGE_SIZE) {
        r[0] = static_cast<uint8_t>(base_type | k);
        r[1] = 0;
        eth_efp_store16(r + ETH_EFP_R_LOW_OFF, e.low[k]);
        eth_efp_store16(r + ETH_EFP_R_HIGH_OFF, e.high[k]);
    }
    r[0] = ETH_EFP_RANGE_TERMINATOR;
}

void write_full(const Efp &e, uint8_t *b) {
    std::memset(b, 0, ETH_EFP_FULL_SIZE);
    b[0] = ETH_EFP_BASE_FULL;
    b[ETH_EFP_F_NUM_MATCH_TAGS_OFF] = static_cast<uint8_t>(e.num_tags);
    for (unsigned i = 0; i < e.num_tags; i++) {
        uint8_t *t = b + ETH_EFP_F_TAG_OFF(i);
        eth_efp_store16(t + ETH_EFP_F_TAG_ETHERTYPE, e.tags[i].ethertype);
        eth_efp_store16(t + ETH_EFP_F_TAG_VLAN_LOW, e.tags[i].vlan);
        t[ETH_EFP_F_TAG_PCP] = e.tags[i].pcp;
    }
    b[ETH_EFP_F_NUM_TAG_POPS_OFF] = static_cast<uint8_t>(e.pops);
    b[ETH_EFP_F_NUM_TAG_PUSHES_OFF] = static_cast<uint8_t>(e.pushes);
    for (unsigned j = 0; j < e.pushes; j++) {
        uint8_t *t = b + ETH_EFP_F_PUSH_OFF(j);
        eth_efp_store16(t + ETH_EFP_F_PUSH_ETHERTYPE, e.push[j].ethertype);
        eth_efp_store16(t + ETH_EFP_F_PUSH_VLAN, e.push[j].vlan);
    }
    eth_efp_unit_set(b, ETH_EFP_F_CFGD, e.cfgd);
    eth_efp_unit_set(b, ETH_EFP_F_NATIVE, e.native);
    eth_efp_unit_set(b, ETH_EFP_F_NATIVE_PRESERVE, e.preserve);
    eth_efp_unit_set(b, ETH_EFP_F_EXACT, e.exact);
    eth_efp_unit_set(b, ETH_EFP_F_L3_AMBIGUOUS, e.l3_ambiguous);
    eth_efp_store16(b + ETH_EFP_F_PAYLOAD_OFF, e.payload);
    std::memcpy(b + ETH_EFP_F_SRC_MAC_OFF, e.src.data(), 6);
    std::memcpy(b + ETH_EFP_F_DST_MAC_OFF, e.dst.data(), 6);
}

bool same_tag(const Tag &a, const Tag &b) {
    return a.ethertype == b.ethertype && a.vlan == b.vlan && a.pcp == b.pcp;
}

// The operations encode calls on every EFP work on the full form directly:
// they sit on the encode path, where building the model would dominate.

// The full form has room for two match tags and two push tags: the loops
// over them are written out, as the compiler does not do it for unknown counts.
static_assert(ETH_EFP_MAX_MATCH_TAGS == 2 && ETH_EFP_MAX_PUSH_TAGS == 2);

bool full_tag_is_range(const uint8_t *b, unsigned i) {
    return eth_efp_load16(b + ETH_EFP_F_TAG_OFF(i) + ETH_EFP_F_TAG_VLAN_LOW) ==
           ETH_EFP_VLAN_CODE_RANGE;
}

bool full_has_range_tag(const uint8_t *b) {
    unsigned tags = b[ETH_EFP_F_NUM_MATCH_TAGS_OFF];
    return (tags >= 1 && full_tag_is_range(b, 0)) || (tags >= 2 && full_tag_is_range(b, 1));
}

unsigned range_entries(const uint8_t *r) {
    unsigned n = 0;
    while (n < ETH_EFP_RANGE_MAX && !eth_efp_range_is_end(r + ETH_EFP_RANGE_SIZE * n))
        n++;
    return n;
}

bool compact_word_fits(const uint8_t *t) {
    uint16_t ethertype = eth_efp_load16(t);
    return (ethertype == ETH_EFP_ETHERTYPE_DOT1Q || ethertype == ETH_EFP_ETHERTYPE_DOT1AD) &&
           eth_efp_load16(t + 2) < (1u << 13);
}

bool compact_has_range_tag(const uint8_t *c) {
    unsigned tags = std::min(eth_efp_unit_get(c, ETH_EFP_C_NUM_MATCH_TAGS), ETH_EFP_C_TAG_WORDS);
    for (unsigned i = 0; i < tags; i++)
        if (eth_efp_unit_get(c, ETH_EFP_C_TAG_VLAN(i)) == ETH_EFP_VLAN_CODE_RANGE) return true;
    return false;
}

// Identical bytes hold the same EFP; only differing ones are compared by meaning.
bool same_bytes(const void *first, const void *second) {
    const uint8_t *a = bytes(first), *b = bytes(second);
    if (a[0] != b[0] || !(eth_efp_is_compact(a) || eth_efp_is_full(a))) return false;
    unsigned form = eth_efp_is_compact(a) ? ETH_EFP_COMPACT_SIZE : ETH_EFP_FULL_SIZE;
    if (std::memcmp(a, b, form) != 0) return false;
    bool ranges = eth_efp_is_compact(a) ? compact_has_range_tag(a) : full_has_range_tag(a);
    if (!ranges) return true;
    unsigned n = range_entries(a + form);
    return n == range_entries(b + form) &&
           std::memcmp(a + form, b + form, ETH_EFP_RANGE_SIZE * n) == 0;
}

} // namespace

EFP_EXPORT void eth_efp_initialise(void *efp) {
    uint8_t *b = bytes(efp);
    std::memset(b, 0, ETH_EFP_FULL_SIZE);
    b[0] = ETH_EFP_BASE_FULL;
    b[ETH_EFP_FULL_SIZE] = ETH_EFP_RANGE_TERMINATOR;
}

// A field's value at its place in a flag unit (the arguments of an
// ETH_EFP_C_* or ETH_EFP_F_* description, then the value), for units built
// in a register and stored once.
constexpr unsigned at(unsigned, unsigned unit_bits, unsigned lsb, unsigned width, unsigned v) {
    return (v & ((1u << width) - 1u)) << ETH_EFP_BIT_POS(lsb, width, unit_bits);
}

EFP_EXPORT int eth_efp_util_can_be_compact(const eth_efp_full *full) {
    const uint8_t *b = full->bytes;
    unsigned tags = b[ETH_EFP_F_NUM_MATCH_TAGS_OFF];
    unsigned pushes = b[ETH_EFP_F_NUM_TAG_PUSHES_OFF];
    if (tags + pushes > ETH_EFP_C_TAG_WORDS || b[ETH_EFP_F_NUM_TAG_POPS_OFF] > 3) return 0;
    unsigned native = at(ETH_EFP_F_NATIVE, 1) | at(ETH_EFP_F_NATIVE_PRESERVE, 1);
    // The two MAC addresses are 12 bytes in a row: one 8-byte and one 4-byte test.
    static_assert(ETH_EFP_F_DST_MAC_OFF == ETH_EFP_F_SRC_MAC_OFF + 6);
    uint64_t macs8;
    uint32_t macs4;
    std::memcpy(&macs8, b + ETH_EFP_F_SRC_MAC_OFF, 8);
    std::memcpy(&macs4, b + ETH_EFP_F_SRC_MAC_OFF + 8, 4);
    if ((b[ETH_EFP_F_FLAGS_OFF] & native) != 0 || (macs8 | macs4) != 0) return 0;
    // At most two words (checked above). Only match tag 0 keeps a PCP (4 bits)
    // in the compact form: tag 1's must be "any".
    const uint8_t *t0 = b + ETH_EFP_F_TAG_OFF(0), *t1 = b + ETH_EFP_F_TAG_OFF(1);
    if (tags >= 1 && !(compact_word_fits(t0) && t0[ETH_EFP_F_TAG_PCP] <= 15)) return 0;
    if (tags == 2 && !(compact_word_fits(t1) && t1[ETH_EFP_F_TAG_PCP] == ETH_EFP_PCP_CODE_ANY))
        return 0;
    if (pushes >= 1 && !compact_word_fits(b + ETH_EFP_F_PUSH_OFF(0))) return 0;
    if (pushes == 2 && !compact_word_fits(b + ETH_EFP_F_PUSH_OFF(1))) return 0;
    return 1;
}

EFP_EXPORT uint32_t eth_efp_util_get_range_size(const eth_efp_full *full) {
    const uint8_t *b = full->bytes;
    if (!full_has_range_tag(b)) return 0;
    return ETH_EFP_RANGE_SIZE * range_entries(b + ETH_EFP_FULL_SIZE) + 1;
}

EFP_EXPORT void eth_efp_util_compact_from_full(const eth_efp_full *full, void *dst) {
    const uint8_t *b = full->bytes;
    uint8_t *c = bytes(dst);
    unsigned tags = b[ETH_EFP_F_NUM_MATCH_TAGS_OFF], pushes = b[ETH_EFP_F_NUM_TAG_PUSHES_OFF];
    std::memset(c, 0, ETH_EFP_COMPACT_SIZE); // base type compact, unused bytes 0
    c[1] = static_cast<uint8_t>(at(ETH_EFP_C_CFGD, eth_efp_unit_get(b, ETH_EFP_F_CFGD)) |
                                at(ETH_EFP_C_NUM_MATCH_TAGS, tags) |
                                at(ETH_EFP_C_NUM_TAG_POPS, b[ETH_EFP_F_NUM_TAG_POPS_OFF]) |
                                at(ETH_EFP_C_NUM_TAG_PUSHES, pushes));
    unsigned pcp = tags ? b[ETH_EFP_F_TAG_OFF(0) + ETH_EFP_F_TAG_PCP] : ETH_EFP_PCP_CODE_ANY;
    c[2] = static_cast<uint8_t>(
        at(ETH_EFP_C_TAG_PCP, pcp) | at(ETH_EFP_C_EXACT, eth_efp_unit_get(b, ETH_EFP_F_EXACT)) |
        at(ETH_EFP_C_L3_AMBIGUOUS, eth_efp_unit_get(b, ETH_EFP_F_L3_AMBIGUOUS)));
    std::memcpy(c + ETH_EFP_C_PAYLOAD_OFF, b + ETH_EFP_F_PAYLOAD_OFF, 2);
    auto word = [c](unsigned k, const uint8_t *t) {
        unsigned dot1ad = eth_efp_load16(t) == ETH_EFP_ETHERTYPE_DOT1AD;
        eth_efp_store16(c + ETH_EFP_C_TAG_OFF(k),
                        static_cast<uint16_t>(at(ETH_EFP_C_TAG_VLAN(k), eth_efp_load16(t + 2)) |
                                              at(ETH_EFP_C_TAG_DOT1AD(k), dot1ad)));
    };
    // The two words: match tags first, then push tags, as many as there are
    // (word 1 is match tag 1, or push tag 0 after one match tag, or push tag 1).
    static_assert(ETH_EFP_C_TAG_WORDS == 2);
    if (tags >= 1) word(0, b + ETH_EFP_F_TAG_OFF(0));
    if (tags >= 2) word(1, b + ETH_EFP_F_TAG_OFF(1));
    if (tags == 0 && pushes >= 1) word(0, b + ETH_EFP_F_PUSH_OFF(0));
    if (tags + pushes >= 2 && tags < 2) word(1, b + ETH_EFP_F_PUSH_OFF(1 - tags));
    if (full_has_range_tag(b))
        eth_efp_util_copy_ranges(b + ETH_EFP_FULL_SIZE, c + ETH_EFP_COMPACT_SIZE,
                                 ETH_EFP_RANGE_AFTER_COMPACT);
}

// One pass: each entry is taken whole, renumbered and stored.
EFP_EXPORT void eth_efp_util_copy_ranges(const void *src, void *dst, uint8_t base_type) {
    const uint8_t *r = bytes(src);
    uint8_t *d = bytes(dst);
    for (unsigned k = 0; k < ETH_EFP_RANGE_MAX && !eth_efp_range_is_end(r);
         k++, r += ETH_EFP_RANGE_SIZE, d += ETH_EFP_RANGE_SIZE) {
        uint8_t entry[ETH_EFP_RANGE_SIZE];
        std::memcpy(entry, r, ETH_EFP_RANGE_SIZE);
        entry[0] = static_cast<uint8_t>((base_type & ETH_EFP_BASE_TYPE_MASK) | k);
        entry[1] = 0;
        std::memcpy(d, entry, ETH_EFP_RANGE_SIZE);
    }
    d[0] = ETH_EFP_RANGE_TERMINATOR;
}

EFP_EXPORT void eth_efp_util_full_from_base(const void *base, eth_efp_full *dst) {
    Efp e = read_area(base);
    write_full(e, dst->bytes);
    write_ranges(e, dst->bytes + ETH_EFP_FULL_SIZE, ETH_EFP_RANGE_AFTER_FULL);
}

EFP_EXPORT int eth_efp_util_match_equal(const void *first, const void *second) {
    if (same_bytes(first, second)) return 1;
    Efp a = read_area(first), b = read_area(second);
    if ((a.cfgd & ETH_EFP_CFGD_MATCH) != (b.cfgd & ETH_EFP_CFGD_MATCH)) return 0;
    if (a.claimed_tags != b.claimed_tags || a.payload != b.payload || a.src != b.src ||
        a.dst != b.dst || a.native != b.native || a.preserve != b.preserve || a.exact != b.exact ||
        a.l3_ambiguous != b.l3_ambiguous)
        return 0;
    for (unsigned i = 0; i < a.num_tags; i++)
        if (!same_tag(a.tags[i], b.tags[i])) return 0;
    if (!a.has_range_tag) return 1; // the tags agree, so neither uses a list
    if (a.num_ranges != b.num_ranges) return 0;
    for (unsigned k = 0; k < a.num_ranges; k++)
        if (a.low[k] != b.low[k] || a.high[k] != b.high[k]) return 0;
    return 1;
}

EFP_EXPORT int eth_efp_util_rewrite_equal(const void *first, const void *second) {
    if (same_bytes(first, second)) return 1;
    Efp a = read_area(first), b = read_area(second);
    if ((a.cfgd & ETH_EFP_CFGD_REWRITE) != (b.cfgd & ETH_EFP_CFGD_REWRITE) || a.pops != b.pops ||
        a.claimed_pushes != b.claimed_pushes)
        return 0;
    for (unsigned j = 0; j < a.pushes; j++)
        if (!same_tag(a.push[j], b.push[j])) return 0;
    return 1;
}
