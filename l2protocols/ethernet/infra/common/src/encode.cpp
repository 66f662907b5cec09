// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Encode: external policy record to a new internal policy record.
#include "eth_efp_util.h"
#include "internal.hpp"
#include "walk.hpp"

namespace {

using namespace ethplcy;
namespace L = ethplcy::layout;

// The working record: a full EFP form at 56 and room for 10 range entries plus
// the terminator at 112 (offsets as in the record).
constexpr unsigned kWorkSize = 176;
constexpr unsigned kWorkRanges = L::efp_base + ETH_EFP_FULL_SIZE;
static_assert(kWorkRanges + ETH_EFP_RANGE_SIZE * ETH_EFP_RANGE_MAX + 1 <= kWorkSize);
static_assert(kWorkSize == ETH_IF_PLCY_MAX_SIZE);

uint8_t code_from_pcp(uint8_t pcp) {
    return pcp == EFP_PCP_ANY ? ETH_EFP_PCP_CODE_ANY : static_cast<uint8_t>(pcp + 1);
}

uint16_t code_from_vlan(uint16_t vlan) {
    if (vlan == EFP_VLAN_ANY) return ETH_EFP_VLAN_CODE_ANY;
    if (vlan == EFP_VLAN_RANGE) return ETH_EFP_VLAN_CODE_RANGE;
    return vlan;
}

// Writes count ranges and the terminator into the working range area.
void write_ranges(uint8_t *w, const eth_if_plcy_vlan_range_t *ranges, unsigned count) {
    uint8_t *r = w + kWorkRanges;
    for (unsigned k = 0; k < count; k++, r += ETH_EFP_RANGE_SIZE) {
        r[0] = static_cast<uint8_t>(ETH_EFP_RANGE_AFTER_FULL | k);
        r[1] = 0;
        eth_efp_store16(r + ETH_EFP_R_LOW_OFF, ranges[k].low);
        eth_efp_store16(r + ETH_EFP_R_HIGH_OFF, ranges[k].high);
    }
    r[0] = ETH_EFP_RANGE_TERMINATOR;
}

// The per-tag view: at most one tag may carry a list, of at most 10 entries.
bool write_tag_ranges(uint8_t *w, const eth_if_plcy_ext_efp_t &efp) {
    bool used0 = efp.tag_range_count[0] != 0, used1 = efp.tag_range_count[1] != 0;
    if (used0 && used1) return false;
    unsigned t = used1 ? 1 : 0;
    unsigned count = efp.tag_range_count[t];
    if (count > ETH_EFP_RANGE_MAX || (count != 0 && efp.tag_range_list[t] == nullptr)) return false;
    // With no list at all an empty, terminated one is still left behind.
    write_ranges(w, efp.tag_range_list[t], count);
    return true;
}

// The policy and the working record never overlap (__restrict): fields read
// from ext need no reloading after each store into the working record.
bool encode_match(const eth_if_plcy_ext_efp_t &__restrict efp, uint8_t *__restrict w,
                  uint32_t options) {
    uint8_t *b = w + L::efp_base;
    if (efp.num_tags > ETH_EFP_MAX_MATCH_TAGS) return false;
    // The match comes first: the flags unit is still as initialised, its
    // configured flags empty, so it is built whole (flag 7 left clear). Each
    // flag is one of two constants: the compiler moves them from the C
    // bit-fields with a few masks and shifts.
    constexpr const layout::Unit &u = L::full_flags_unit;
    w[u.off] = static_cast<uint8_t>(
        place(u.field(0), ETH_EFP_CFGD_MATCH) | (efp.native ? flag(u.field(1)) : 0u) |
        (efp.native_with_preservation ? flag(u.field(2)) : 0u) |
        (efp.exact ? flag(u.field(3)) : 0u) | (efp.l3_ambiguous ? flag(u.field(4)) : 0u));
    b[ETH_EFP_F_NUM_MATCH_TAGS_OFF] = efp.num_tags;
    if (efp.src_mac_check) std::memcpy(b + ETH_EFP_F_SRC_MAC_OFF, efp.src_mac, 6);
    if (efp.dst_mac_check) std::memcpy(b + ETH_EFP_F_DST_MAC_OFF, efp.dst_mac, 6);
    eth_efp_store16(b + ETH_EFP_F_PAYLOAD_OFF, efp.payload_ethertype);
    for (unsigned i = 0; i < efp.num_tags; i++) {
        uint8_t *t = b + ETH_EFP_F_TAG_OFF(i);
        t[ETH_EFP_F_TAG_PCP] = code_from_pcp(efp.tag_pcp[i]);
        eth_efp_store16(t + ETH_EFP_F_TAG_ETHERTYPE, efp.tag[i].ethertype);
        eth_efp_store16(t + ETH_EFP_F_TAG_VLAN_LOW, code_from_vlan(efp.tag[i].vlan));
    }
    if (options & ETH_IF_PLCY_ENCODE_TAG_RANGES) return write_tag_ranges(w, efp);
    if (efp.num_ranges > ETH_EFP_RANGE_MAX) return false;
    write_ranges(w, efp.ranges, efp.num_ranges);
    return true;
}

bool encode_rewrite(const eth_if_plcy_ext_efp_t &__restrict efp, uint8_t *__restrict w) {
    uint8_t *b = w + L::efp_base;
    if (efp.num_tag_pushes > ETH_EFP_MAX_PUSH_TAGS) return false;
    eth_efp_unit_set(b, ETH_EFP_F_CFGD, eth_efp_unit_get(b, ETH_EFP_F_CFGD) | ETH_EFP_CFGD_REWRITE);
    b[ETH_EFP_F_NUM_TAG_POPS_OFF] = efp.num_tag_pops;
    b[ETH_EFP_F_NUM_TAG_PUSHES_OFF] = efp.num_tag_pushes;
    for (unsigned j = 0; j < efp.num_tag_pushes; j++) {
        uint8_t *t = b + ETH_EFP_F_PUSH_OFF(j);
        eth_efp_store16(t + ETH_EFP_F_PUSH_ETHERTYPE, efp.push[j].ethertype);
        eth_efp_store16(t + ETH_EFP_F_PUSH_VLAN, efp.push[j].vlan);
    }
    return true;
}

// Whether a match tag of the working form takes the range list. The form
// encode built is full and read in place; any other base type goes through
// the accessors, which assert on it.
bool working_has_range_tag(const uint8_t *wefp) {
    if (!eth_efp_is_full(wefp)) return eth_efp_has_range_tag(wefp);
    unsigned tags = wefp[ETH_EFP_F_NUM_MATCH_TAGS_OFF];
    for (unsigned i = 0; i < tags && i < ETH_EFP_MAX_MATCH_TAGS; i++)
        if (eth_efp_load16(wefp + ETH_EFP_F_TAG_OFF(i) + ETH_EFP_F_TAG_VLAN_LOW) ==
            ETH_EFP_VLAN_CODE_RANGE)
            return true;
    return false;
}

// The groups of the fixed part and the type-dependent area; their writes
// need no working record, so they go straight into the new record.
using eth_if_plcy::fields::kSubFields;
using eth_if_plcy::fields::kTrunkFields;
constexpr uint32_t kEfpFields = ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE;
constexpr uint32_t kFlagGroups = ETH_IF_PLCY_INTF_READY | ETH_IF_PLCY_L2_FLAG |
                                 ETH_IF_PLCY_PROVISION | ETH_IF_PLCY_L2PT | ETH_IF_PLCY_MAC_ADDR;
constexpr uint32_t kLateGroups = ETH_IF_PLCY_ICL_MODE | ETH_IF_PLCY_MTU | ETH_IF_PLCY_VLAN_SWITCHED;

// The new record is cleared before the groups are written and each field is
// written once, so a flag field is ORed into its unit as it stands.
void put(uint8_t *rec, Bits f, uint32_t v) {
    uint32_t bits = place(f, v);
    if (f.unit_bits == 16)
        eth_efp_store16(rec + f.off, static_cast<uint16_t>(eth_efp_load16(rec + f.off) | bits));
    else
        rec[f.off] = static_cast<uint8_t>(rec[f.off] | bits);
}

// The fields of the groups of Run, in row order, each written while its
// group is in the mask and what it depends on holds.
template <uint32_t Run>
void encode_run(const eth_if_plcy_ext_t &__restrict ext, uint32_t mask, uint8_t *__restrict w) {
    walk::each_fixed<Run>([&](auto i) {
        constexpr const eth_if_plcy::fields::Scalar &s = eth_if_plcy::fields::kScalars[i];
        constexpr auto p = s.where.full;
        if ((mask & s.bit) == 0) return;
        if constexpr (s.dep != eth_if_plcy::fields::Dep::none)
            if (!eth_if_plcy::fields::holds(s.dep, ext)) return;
        if constexpr (walk::is_int(p))
            store(w, walk::int_of(p), static_cast<uint32_t>(s.get(ext)));
        else
            put(w, walk::bits_of(p), static_cast<uint32_t>(s.get(ext)));
    });
}

void encode_flags(const eth_if_plcy_ext_t &__restrict ext, uint32_t mask, uint8_t *__restrict w) {
    encode_run<kFlagGroups>(ext, mask, w);
    if (mask & walk::kL2pt.bit)
        for (unsigned i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++)
            l2pt_set(w, i, ext.l2pt[i]);
    if (mask & walk::kMacAddr.bit) std::memcpy(w + walk::kMacAddr.where.full.off, ext.mac_addr, 6);
}

// The fixed part and the type-dependent area, written straight into the new
// record. A policy names few of the twenty groups, so each run of groups
// (in mask order) is passed over with one test.
[[gnu::noinline]] void encode_fixed(const eth_if_plcy_ext_t &__restrict ext, uint32_t mask,
                                    uint8_t *__restrict w) {
    encode_run<ETH_IF_PLCY_ETHER_IF_TYPE>(ext, mask, w);
    if (mask & kFlagGroups) encode_flags(ext, mask, w);
    // A policy writes one view of the type-dependent area at most (checked).
    if (mask & kSubFields) encode_run<kSubFields>(ext, mask, w);
    if (mask & kTrunkFields) encode_run<kTrunkFields>(ext, mask, w);
    if (mask & kLateGroups) encode_run<kLateGroups>(ext, mask, w);
}

} // namespace

ETH_IF_PLCY_EXPORT uint32_t eth_if_plcy_encode(const eth_if_plcy_ext_t *ext, eth_if_plcy_t **out,
                                               uint32_t options) {
    if ((options & ~ETH_IF_PLCY_ENCODE_TAG_RANGES) != 0 || ext == nullptr || out == nullptr)
        return ETH_IF_PLCY_ERR_INVALID;
    uint32_t mask = ext->valid_mask & ETH_IF_PLCY_ALL_FIELDS;
    // The fields name the view of the type-dependent area; so does the type.
    bool sub = (mask & kSubFields) != 0, trunk = (mask & kTrunkFields) != 0;
    if (mask & ETH_IF_PLCY_ETHER_IF_TYPE) {
        uint32_t t = ext->ether_if_type;
        if (t == 0 || t > ETH_IF_PLCY_MAX_IF_TYPE) return ETH_IF_PLCY_ERR_BAD_POLICY;
        (is_trunk_type(t) ? trunk : sub) = true;
    }
    if (sub && trunk) return ETH_IF_PLCY_ERR_BAD_POLICY;

    // The EFP is built in the working record's EFP area (the EFP utility
    // library reads it there); nothing before that area is used.
    uint8_t w[kWorkSize];
    uint8_t *wefp = w + L::efp_base;
    const auto *wfull = reinterpret_cast<const eth_efp_full *>(wefp);
    bool has_efp = (mask & kEfpFields) != 0;
    uint32_t size = ETH_IF_PLCY_MIN_SIZE;
    bool compact = false;
    if (has_efp) {
        eth_efp_initialise(wefp);
        bool representable = true;
        if ((mask & ETH_IF_PLCY_EFP_MATCH) && ext->efp.configured)
            representable &= encode_match(ext->efp, w, options);
        if ((mask & ETH_IF_PLCY_EFP_REWRITE) && ext->efp.configured)
            representable &= encode_rewrite(ext->efp, w);
        if (!representable) return ETH_IF_PLCY_ERR_BAD_POLICY;
        compact = eth_efp_util_can_be_compact(wfull) != 0;
        size = L::efp_base + (compact ? ETH_EFP_COMPACT_SIZE : ETH_EFP_FULL_SIZE) +
               eth_efp_util_get_range_size(wfull);
    }

    // Every byte of the new record is written below, so malloc (whose fast
    // path calloc does not take) is enough.
    auto *rec = static_cast<uint8_t *>(alloc(size));
    if (rec == nullptr) return ETH_IF_PLCY_ERR_NOMEM;
    if (!has_efp) {
        clear_fixed<ETH_IF_PLCY_MIN_SIZE>(rec);
    } else {
        clear_fixed<L::efp_base>(rec); // header, fixed part, reserved word and spare
        if (compact) {
            eth_efp_util_compact_from_full(wfull, rec + L::efp_base);
        } else {
            std::memcpy(rec + L::efp_base, wefp, ETH_EFP_FULL_SIZE);
            if (working_has_range_tag(wefp))
                eth_efp_util_copy_ranges(w + kWorkRanges, rec + kWorkRanges,
                                         ETH_EFP_RANGE_AFTER_FULL);
        }
    }
    store(rec, L::size, size);
    store(rec, L::valid_mask, mask);
    encode_fixed(*ext, mask, rec);
    *out = reinterpret_cast<eth_if_plcy_t *>(rec);
    return 0;
}
