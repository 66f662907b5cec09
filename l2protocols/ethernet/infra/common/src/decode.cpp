// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Decode: internal policy record to external policy record.
#include "walk.hpp"

namespace {

using namespace ethplcy;
namespace L = ethplcy::layout;

uint8_t pcp_from_code(unsigned code) {
    return code == ETH_EFP_PCP_CODE_ANY ? EFP_PCP_ANY : static_cast<uint8_t>(code - 1);
}

uint16_t vlan_from_code(unsigned code) {
    if (code == ETH_EFP_VLAN_CODE_RANGE) return EFP_VLAN_RANGE;
    if (code == ETH_EFP_VLAN_CODE_ANY) return EFP_VLAN_ANY;
    return static_cast<uint16_t>(code);
}

// The EFP base of a record whose base type decode has tested once (the
// first accessor asserts on a corrupted one): every read after it goes
// straight to the form's field, as the layout description places it.
template <bool Full>
struct Form {
    const uint8_t *rec;

    static constexpr unsigned kSize = Full ? ETH_EFP_FULL_SIZE : ETH_EFP_COMPACT_SIZE;
    static constexpr unsigned kRanges = L::efp_base + kSize;

    unsigned byte(unsigned off) const { return rec[L::efp_base + off]; }
    uint16_t word(unsigned off) const { return eth_efp_load16(rec + L::efp_base + off); }
    unsigned cfgd() const {
        return get(rec, Full ? L::full_flags_unit.field(0) : L::compact_counts_unit.field(0));
    }
    unsigned tags() const {
        return Full ? byte(ETH_EFP_F_NUM_MATCH_TAGS_OFF)
                    : get(rec, L::compact_counts_unit.field(1));
    }
    unsigned pops() const {
        return Full ? byte(ETH_EFP_F_NUM_TAG_POPS_OFF) : get(rec, L::compact_counts_unit.field(2));
    }
    unsigned pushes() const {
        return Full ? byte(ETH_EFP_F_NUM_TAG_PUSHES_OFF)
                    : get(rec, L::compact_counts_unit.field(3));
    }
    unsigned exact() const {
        return get(rec, Full ? L::full_flags_unit.field(3) : L::compact_pcp_unit.field(1));
    }
    unsigned l3_ambiguous() const {
        return get(rec, Full ? L::full_flags_unit.field(4) : L::compact_pcp_unit.field(2));
    }
    uint16_t payload() const {
        return static_cast<uint16_t>(load(rec, Full ? L::full_payload : L::compact_payload));
    }
    // A compact tag word k carries a VLAN code and the 802.1ad bit.
    uint16_t compact_ethertype(unsigned k) const {
        return get(rec, L::compact_tag_unit(k).field(1)) ? ETH_EFP_ETHERTYPE_DOT1AD
                                                         : ETH_EFP_ETHERTYPE_DOT1Q;
    }
    uint16_t compact_vlan(unsigned k) const {
        return static_cast<uint16_t>(get(rec, L::compact_tag_unit(k).field(0)));
    }
    unsigned tag_pcp(unsigned i) const {
        if constexpr (Full) return byte(ETH_EFP_F_TAG_OFF(i) + ETH_EFP_F_TAG_PCP);
        return i == 0 ? get(rec, L::compact_pcp_unit.field(0)) : ETH_EFP_PCP_CODE_ANY;
    }
    uint16_t tag_ethertype(unsigned i) const {
        return Full ? word(ETH_EFP_F_TAG_OFF(i) + ETH_EFP_F_TAG_ETHERTYPE) : compact_ethertype(i);
    }
    uint16_t tag_vlan(unsigned i) const {
        return Full ? word(ETH_EFP_F_TAG_OFF(i) + ETH_EFP_F_TAG_VLAN_LOW) : compact_vlan(i);
    }
    // In the compact form push tag j is tag word (match tags + j).
    uint16_t push_ethertype(unsigned j) const {
        return Full ? word(ETH_EFP_F_PUSH_OFF(j) + ETH_EFP_F_PUSH_ETHERTYPE)
                    : compact_ethertype(tags() + j);
    }
    uint16_t push_vlan(unsigned j) const {
        return Full ? word(ETH_EFP_F_PUSH_OFF(j) + ETH_EFP_F_PUSH_VLAN) : compact_vlan(tags() + j);
    }
};

// The external record has room for 2 match tags, 2 push tags and 10 ranges.
// A record that claims more, or whose EFP form or used range list runs past
// its size, is refused before ext is touched. Returns the length of the range
// list a match tag uses, -1 when none does, kRefused for a refused record.
constexpr int kRefused = -2;
template <bool Full>
int check_efp(Form<Full> f, uint32_t m) {
    uint32_t size = record_size(f.rec);
    if (size < (Full ? Form<Full>::kRanges : ETH_IF_PLCY_MIN_SIZE)) return kRefused;
    unsigned tags = f.tags();
    if ((m & ETH_IF_PLCY_EFP_REWRITE) != 0) {
        unsigned pushes = f.pushes();
        if (pushes > ETH_EFP_MAX_PUSH_TAGS || (!Full && tags + pushes > ETH_EFP_C_TAG_WORDS))
            return kRefused;
    }
    if ((m & ETH_IF_PLCY_EFP_MATCH) == 0) return -1;
    if (tags > ETH_EFP_MAX_MATCH_TAGS) return kRefused;
    bool range_tag = false;
    for (unsigned i = 0; i < tags; i++)
        range_tag |= f.tag_vlan(i) == ETH_EFP_VLAN_CODE_RANGE;
    if (!range_tag) return -1;
    const uint8_t *r = f.rec + Form<Full>::kRanges;
    for (int n = 0;; n++, r = eth_efp_range_next(r)) {
        auto off = static_cast<uint32_t>(r - f.rec);
        if (off >= size) return kRefused;
        if (eth_efp_range_is_end(r)) return n;
        if (n == static_cast<int>(ETH_EFP_RANGE_MAX) || off + ETH_EFP_RANGE_SIZE > size)
            return kRefused;
    }
}

// num_ranges: the length of the range list some tag uses, or -1 for none.
template <bool Full>
void decode_match(Form<Full> f, int num_ranges, eth_if_plcy_ext_efp_t &__restrict efp) {
    efp.configured = (f.cfgd() & ETH_EFP_CFGD_MATCH) != 0;
    unsigned n = f.tags();
    efp.num_tags = static_cast<uint8_t>(n);
    efp.exact = f.exact() & 1u;
    efp.l3_ambiguous = f.l3_ambiguous() & 1u;
    efp.payload_ethertype = f.payload();
    if constexpr (Full) {
        efp.native = get(f.rec, L::full_flags_unit.field(1));
        efp.native_with_preservation = get(f.rec, L::full_flags_unit.field(2));
        const uint8_t *src = f.rec + L::efp_base + ETH_EFP_F_SRC_MAC_OFF;
        const uint8_t *dst = f.rec + L::efp_base + ETH_EFP_F_DST_MAC_OFF;
        efp.src_mac_check = eth_efp_mac_is_set(src) != 0;
        efp.dst_mac_check = eth_efp_mac_is_set(dst) != 0;
        if (efp.src_mac_check) std::memcpy(efp.src_mac, src, 6);
        if (efp.dst_mac_check) std::memcpy(efp.dst_mac, dst, 6);
    }
    // One range list serves every tag with the range code; check_efp found
    // whether there is one and how long it is.
    if (num_ranges >= 0) {
        const uint8_t *r = f.rec + Form<Full>::kRanges;
        for (int k = 0; k < num_ranges; k++, r = eth_efp_range_next(r))
            efp.ranges[k] = {eth_efp_range_low(r), eth_efp_range_high(r)};
        efp.num_ranges = static_cast<uint16_t>(num_ranges);
    }
    for (unsigned i = 0; i < n; i++) {
        efp.tag_pcp[i] = pcp_from_code(f.tag_pcp(i));
        efp.tag[i].ethertype = f.tag_ethertype(i);
        unsigned code = f.tag_vlan(i);
        efp.tag[i].vlan = vlan_from_code(code);
        if (code == ETH_EFP_VLAN_CODE_RANGE) {
            efp.tag_range_count[i] = efp.num_ranges;
            efp.tag_range_list[i] = efp.ranges;
        }
    }
}

template <bool Full>
void decode_rewrite(Form<Full> f, eth_if_plcy_ext_efp_t &__restrict efp) {
    // A rewrite-only record reports its rewrite flag, so that decode then
    // encode gives the record back; with both groups the flags are OR'd.
    if ((f.cfgd() & ETH_EFP_CFGD_REWRITE) != 0) efp.configured = 1;
    efp.num_tag_pops = static_cast<uint8_t>(f.pops());
    unsigned p = f.pushes();
    efp.num_tag_pushes = static_cast<uint8_t>(p);
    for (unsigned j = 0; j < p; j++)
        efp.push[j] = {f.push_ethertype(j), f.push_vlan(j)};
}

// The EFP groups of a record in one form: checked, then read.
template <bool Full>
bool decode_efp(const uint8_t *rec, uint32_t m, eth_if_plcy_ext_t *ext) {
    Form<Full> f{rec};
    int num_ranges = check_efp(f, m);
    if (num_ranges == kRefused) return false;
    clear_fixed<sizeof *ext>(ext);
    if (m & ETH_IF_PLCY_EFP_MATCH) decode_match(f, num_ranges, ext->efp);
    if (m & ETH_IF_PLCY_EFP_REWRITE) decode_rewrite(f, ext->efp);
    return true;
}

} // namespace

ETH_IF_PLCY_EXPORT uint32_t eth_if_plcy_decode(const eth_if_plcy_t *record, uint32_t fields,
                                               eth_if_plcy_ext_t *ext, uint32_t options) {
    if (options != 0 || record == nullptr || ext == nullptr) return ETH_IF_PLCY_ERR_INVALID;
    const uint8_t *rec = bytes(record);
    if (load(rec, L::version) != 0) return ETH_IF_PLCY_ERR_INVALID;
    uint32_t m = fields & record_mask(rec) & ETH_IF_PLCY_ALL_FIELDS;
    if ((m & (ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE)) != 0) {
        // The one checked read: a corrupted base type fails here.
        const uint8_t *b = rec + L::efp_base;
        (void)eth_efp_cfgd_flags_get(b);
        if (!(eth_efp_is_full(b) ? decode_efp<true>(rec, m, ext) : decode_efp<false>(rec, m, ext)))
            return ETH_IF_PLCY_ERR_INVALID;
    } else {
        clear_fixed<sizeof *ext>(ext);
    }
    ext->valid_mask = m;
    // The fixed part in row order: a field that depends on another (the
    // provisioning details on is_provisioned) comes after it, so the test
    // reads the value just decoded.
    walk::each_fixed<ETH_IF_PLCY_ALL_FIELDS>([&](auto i) {
        constexpr const eth_if_plcy::fields::Scalar &s = eth_if_plcy::fields::kScalars[i];
        if ((m & s.bit) == 0) return;
        if constexpr (s.dep != eth_if_plcy::fields::Dep::none)
            if (!eth_if_plcy::fields::holds(s.dep, *ext)) return;
        s.set(*ext, walk::read(rec, s.where.full));
    });
    if (m & walk::kL2pt.bit)
        for (unsigned i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++)
            ext->l2pt[i] = l2pt_get(rec, i);
    if (m & walk::kMacAddr.bit) std::memcpy(ext->mac_addr, rec + walk::kMacAddr.where.full.off, 6);
    return 0;
}
