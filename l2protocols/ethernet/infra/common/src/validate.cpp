// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Validation of received bytes: everything the operations trust about a
// record, checked in a fixed order with each bound tested before it is used.
#include "internal.hpp"
#include "policy_table.hpp"

namespace {

using namespace ethplcy;
namespace L = ethplcy::layout;

// Reads fields of a host or a network image.
struct Reader {
    const uint8_t *rec;
    bool net;
    uint32_t integer(Int f) const { return net ? load_net(rec + f.off, f.bytes) : load(rec, f); }
    uint32_t bits(Bits f) const { return net ? get_net(rec, f) : get(rec, f); }
};

using eth_if_plcy::fields::kSubFields;
using eth_if_plcy::fields::kTrunkFields;

struct Verdict {
    const char *reason = nullptr;
    uint32_t offset = 0;
    bool ok() const { return reason == nullptr; }
};

// The reasons that name a limit, made from it.
using eth_if_plcy::fields::say;
constexpr auto kTooManyRanges = say("range list has more than ", ETH_EFP_RANGE_MAX, " entries");
constexpr auto kTooManyWords =
    say("compact EFP needs more than ", ETH_EFP_C_TAG_WORDS, " tag words");
constexpr auto kTooManyMatch =
    say("full EFP has more than ", ETH_EFP_MAX_MATCH_TAGS, " match tags");
constexpr auto kTooManyPush = say("full EFP has more than ", ETH_EFP_MAX_PUSH_TAGS, " push tags");
constexpr auto kShort = say("shorter than the ", ETH_IF_PLCY_MIN_SIZE, "-byte minimum");
constexpr auto kSizeBelow = say("size field below ", ETH_IF_PLCY_MIN_SIZE);
constexpr auto kMaskAbove =
    say("valid mask has bits above bit ", std::bit_width(ETH_IF_PLCY_ALL_FIELDS) - 1);

Verdict refuse(const char *reason, uint32_t offset) {
    return Verdict{reason, offset};
}

Verdict check_ranges(const uint8_t *rec, uint32_t size, uint32_t first, uint8_t base_type) {
    for (uint32_t k = 0, off = first;; k++, off += ETH_EFP_RANGE_SIZE) {
        if (off >= size) return refuse("range list runs past size", off);
        if (rec[off] == ETH_EFP_RANGE_TERMINATOR) return {};
        if (k == ETH_EFP_RANGE_MAX) return refuse(kTooManyRanges.c_str(), off);
        if (off + ETH_EFP_RANGE_SIZE > size) return refuse("range entry runs past size", off);
        if ((rec[off] & ETH_EFP_BASE_TYPE_MASK) != base_type)
            return refuse("range entry has the wrong base type", off);
        if ((rec[off] & ETH_EFP_RANGE_INDEX_MASK) != k)
            return refuse("range entry has the wrong index", off);
    }
}

Verdict check_efp(const Reader &r, uint32_t size, uint32_t mask) {
    const uint8_t *rec = r.rec;
    const uint8_t *b = rec + L::efp_base;
    uint32_t type = r.bits(L::ether_if_type);
    // The EFP area is in network order only where hton converts it.
    Reader efp{rec, r.net && (mask & ETH_IF_PLCY_ETHER_IF_TYPE) && is_sub_type(type)};
    bool present = (mask & (ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE)) != 0;
    unsigned tags;
    bool range_tag = false;
    if (eth_efp_is_compact(b)) {
        if (present && size < L::efp_base + ETH_EFP_COMPACT_SIZE)
            return refuse("compact EFP form runs past size", L::efp_base);
        tags = efp.bits(L::compact_counts_unit.field(1));
        if (tags + efp.bits(L::compact_counts_unit.field(3)) > ETH_EFP_C_TAG_WORDS)
            return refuse(kTooManyWords.c_str(), L::compact_counts_unit.off);
        for (unsigned i = 0; i < tags; i++)
            range_tag |= efp.bits(L::compact_tag_unit(i).field(0)) == ETH_EFP_VLAN_CODE_RANGE;
    } else if (eth_efp_is_full(b)) {
        if (size < L::efp_base + ETH_EFP_FULL_SIZE)
            return refuse("full EFP form runs past size", L::efp_base);
        tags = b[ETH_EFP_F_NUM_MATCH_TAGS_OFF];
        if (tags > ETH_EFP_MAX_MATCH_TAGS)
            return refuse(kTooManyMatch.c_str(), L::efp_base + ETH_EFP_F_NUM_MATCH_TAGS_OFF);
        if (b[ETH_EFP_F_NUM_TAG_PUSHES_OFF] > ETH_EFP_MAX_PUSH_TAGS)
            return refuse(kTooManyPush.c_str(), L::efp_base + ETH_EFP_F_NUM_TAG_PUSHES_OFF);
        for (unsigned i = 0; i < tags; i++)
            range_tag |= efp.integer(Int{static_cast<uint8_t>(L::efp_base + ETH_EFP_F_TAG_OFF(i) +
                                                              ETH_EFP_F_TAG_VLAN_LOW),
                                         2}) == ETH_EFP_VLAN_CODE_RANGE;
    } else {
        return refuse("EFP base has a range structure's base type", L::efp_base);
    }
    if (!range_tag) return {};
    bool compact = eth_efp_is_compact(b);
    return check_ranges(rec, size,
                        L::efp_base + (compact ? ETH_EFP_COMPACT_SIZE : ETH_EFP_FULL_SIZE),
                        compact ? ETH_EFP_RANGE_AFTER_COMPACT : ETH_EFP_RANGE_AFTER_FULL);
}

Verdict check(const void *buf, size_t len, bool net) {
    if (buf == nullptr) return refuse("no buffer", 0);
    if (len < ETH_IF_PLCY_MIN_SIZE) return refuse(kShort.c_str(), static_cast<uint32_t>(len));
    Reader r{static_cast<const uint8_t *>(buf), net};
    uint32_t size = r.integer(L::size);
    if (size < ETH_IF_PLCY_MIN_SIZE) return refuse(kSizeBelow.c_str(), L::size.off);
    if (size > len) return refuse("size field larger than the buffer", L::size.off);
    if (r.integer(L::version) != 0) return refuse("version is not 0", L::version.off);
    uint32_t mask = r.integer(L::valid_mask);
    if ((mask & ~ETH_IF_PLCY_ALL_FIELDS) != 0) return refuse(kMaskAbove.c_str(), L::valid_mask.off);
    // The byte-order conversion carries only the view of the record's class,
    // so fields of the other view would not survive the trip between hosts.
    if (mask & ETH_IF_PLCY_ETHER_IF_TYPE) {
        uint32_t type = r.bits(L::ether_if_type);
        if ((is_trunk_type(type) && (mask & kSubFields)) ||
            (is_sub_type(type) && (mask & kTrunkFields)))
            return refuse("valid mask names fields of the other interface view", L::valid_mask.off);
    }
    return check_efp(r, size, mask);
}

} // namespace

ETH_IF_PLCY_EXPORT uint32_t eth_if_plcy_validate_explain(const void *buf, size_t len,
                                                         uint32_t options, const char **reason,
                                                         uint32_t *offset) {
    Verdict v = (options & ~ETH_IF_PLCY_VALIDATE_NET) != 0
                    ? refuse("unknown option bits", 0)
                    : check(buf, len, (options & ETH_IF_PLCY_VALIDATE_NET) != 0);
    if (v.ok()) return 0;
    if (reason != nullptr) *reason = v.reason;
    if (offset != nullptr) *offset = v.offset;
    return ETH_IF_PLCY_ERR_INVALID;
}

ETH_IF_PLCY_EXPORT uint32_t eth_if_plcy_validate(const void *buf, size_t len, uint32_t options) {
    return eth_if_plcy_validate_explain(buf, len, options, nullptr, nullptr);
}
