// Byte-order conversion between the host image and the network image.
//
// The network image is the record as a big-endian host holds it. Integers
// are stored big-endian; a flag unit holds its fields in the same order from
// the most significant bit down, and its 16-bit form is stored high byte
// first. Both directions are written once, over the layout description: the
// host side uses the host's own order and positions, so on a big-endian host
// both sides coincide and the conversion changes nothing.
#include "internal.hpp"

namespace {

using namespace ethplcy;
namespace L = ethplcy::layout;
using L::Unit;

enum class To { network, host };

// An integer of n bytes at p.
void convert_int(uint8_t *p, unsigned n, To to) {
    Int here{0, static_cast<uint8_t>(n)};
    if (to == To::network) {
        store_net(p, n, load(p, here));
    } else {
        store(p, here, load_net(p, n));
    }
}

void convert(uint8_t *rec, Int f, To to) {
    convert_int(rec + f.off, f.bytes, to);
}

// Moves the selected fields of a flag unit between their host and network
// positions; every other bit of the unit becomes 0.
void convert(uint8_t *rec, const Unit &u, To to, uint16_t selected = 0xFFFF) {
    unsigned nbytes = u.bits / 8u;
    uint32_t net = to == To::host ? load_net(rec + u.off, nbytes) : 0;
    uint8_t host[2] = {0, 0};
    for (unsigned k = 0; k < u.nfields; k++) {
        if (!((selected >> k) & 1u)) continue;
        Bits f = u.field(k);
        unsigned net_pos = u.bits - f.lsb - f.width;
        if (to == To::network) {
            net |= get(rec, f) << net_pos;
        } else {
            eth_efp_unit_set(host, 0, f.unit_bits, f.lsb, f.width,
                             (net >> net_pos) & ((1u << f.width) - 1u));
        }
    }
    if (to == To::network) {
        store_net(rec + u.off, nbytes, net);
    } else {
        std::memcpy(rec + u.off, host, nbytes);
    }
}

// low and high of each entry up to the terminator byte, never past size.
void convert_ranges(uint8_t *rec, uint32_t size, uint32_t first, To to) {
    for (uint32_t off = first; off < size && rec[off] != ETH_EFP_RANGE_TERMINATOR;
         off += ETH_EFP_RANGE_SIZE) {
        if (off + ETH_EFP_RANGE_SIZE > size) return;
        convert_int(rec + off + ETH_EFP_R_LOW_OFF, 2, to);
        convert_int(rec + off + ETH_EFP_R_HIGH_OFF, 2, to);
    }
}

// The range condition, on the match tags' VLAN codes as they stand now (host order).
bool has_range_tag(const uint8_t *rec) {
    return eth_efp_has_range_tag(rec + L::efp_base);
}

void convert_compact(uint8_t *rec, uint32_t size, To to) {
    const uint8_t *b = rec + L::efp_base;
    auto words = [b] {
        unsigned n = eth_efp_unit_get(b, ETH_EFP_C_NUM_MATCH_TAGS) +
                     eth_efp_unit_get(b, ETH_EFP_C_NUM_TAG_PUSHES);
        return n < ETH_EFP_C_TAG_WORDS ? n : ETH_EFP_C_TAG_WORDS;
    };
    const uint32_t ranges = L::efp_base + ETH_EFP_COMPACT_SIZE;
    if (to == To::network) {
        if (has_range_tag(rec)) convert_ranges(rec, size, ranges, to);
        for (unsigned k = 0, n = words(); k < n; k++)
            convert(rec, L::compact_tag_unit(k), to);
        convert(rec, L::compact_payload, to);
        convert(rec, L::compact_counts_unit, to);
        convert(rec, L::compact_pcp_unit, to);
    } else {
        convert(rec, L::compact_payload, to);
        convert(rec, L::compact_counts_unit, to);
        convert(rec, L::compact_pcp_unit, to);
        for (unsigned k = 0, n = words(); k < n; k++)
            convert(rec, L::compact_tag_unit(k), to);
        if (has_range_tag(rec)) convert_ranges(rec, size, ranges, to);
    }
}

void convert_full_tags(uint8_t *rec, To to) {
    const uint8_t *b = rec + L::efp_base;
    unsigned tags = b[ETH_EFP_F_NUM_MATCH_TAGS_OFF], pushes = b[ETH_EFP_F_NUM_TAG_PUSHES_OFF];
    for (unsigned i = 0; i < tags && i < ETH_EFP_MAX_MATCH_TAGS; i++) {
        uint8_t *t = rec + L::efp_base + ETH_EFP_F_TAG_OFF(i);
        convert_int(t + ETH_EFP_F_TAG_ETHERTYPE, 2, to);
        convert_int(t + ETH_EFP_F_TAG_VLAN_LOW, 2, to);
    }
    for (unsigned j = 0; j < pushes && j < ETH_EFP_MAX_PUSH_TAGS; j++) {
        uint8_t *t = rec + L::efp_base + ETH_EFP_F_PUSH_OFF(j);
        convert_int(t + ETH_EFP_F_PUSH_ETHERTYPE, 2, to);
        convert_int(t + ETH_EFP_F_PUSH_VLAN, 2, to);
    }
    convert(rec, L::full_payload, to);
    convert(rec, L::full_flags_unit, to);
}

void convert_full(uint8_t *rec, uint32_t size, To to) {
    const uint32_t ranges = L::efp_base + ETH_EFP_FULL_SIZE;
    if (size < ranges) return; // a full form that does not fit the record is left alone
    if (to == To::network) {
        if (has_range_tag(rec)) convert_ranges(rec, size, ranges, to);
        convert_full_tags(rec, to);
    } else {
        convert_full_tags(rec, to);
        if (has_range_tag(rec)) convert_ranges(rec, size, ranges, to);
    }
}

void convert_efp(uint8_t *rec, uint32_t size, To to) {
    if (size < ETH_IF_PLCY_MIN_SIZE) return; // no EFP area inside the record
    // Also the check of the base type: a range structure here is a corrupted record.
    (void)eth_efp_tag_match_get(rec + L::efp_base);
    if (eth_efp_is_compact(rec + L::efp_base)) {
        convert_compact(rec, size, to);
    } else {
        convert_full(rec, size, to);
    }
}

void convert_always(uint8_t *rec, To to) {
    convert(rec, L::size, to);
    convert(rec, L::valid_mask, to);
    convert(rec, L::xconnect_id, to);
    convert(rec, L::imposition_vlan_id, to);
    convert(rec, L::provision_unit, to);
    convert(rec, L::mtu, to);
    convert(rec, L::type_unit, to);
}

void convert_trunk(uint8_t *rec, To to) {
    convert(rec, L::trunk_native_vlan, to);
    convert(rec, L::trunk_qinq_tunneling_etype, to);
    convert(rec, L::trunk_access_vlan, to);
    convert(rec, L::trunk_unit, to);
}

// A sub-interface record may carry the VLAN SWITCHED fields (encode lets it);
// they convert where the trunk view keeps them, beside the sub flags, which
// sit at the same network positions whether byte 40 is read alone or as the
// first byte of the trunk unit.
void convert_sub(uint8_t *rec, uint32_t mask, To to) {
    convert(rec, L::sub_parent, to);
    if (mask & ETH_IF_PLCY_VLAN_SWITCHED) {
        convert(rec, L::trunk_unit, to,
                L::sub_unit_fields_in_trunk_unit | L::vlan_switched_fields_in_trunk_unit);
        convert(rec, L::trunk_access_vlan, to);
    } else {
        convert(rec, L::sub_unit, to);
    }
    convert(rec, L::reserved_word, to);
}

void convert_l2pt(uint8_t *rec, To to) {
    for (unsigned i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++)
        convert(rec, L::l2pt_unit(i), to);
}

// The guiding fields (mask, type, counts, VLAN codes) are read in host order:
// before they are converted on the way out, after on the way in.
void convert_by_type(uint8_t *rec, uint32_t mask, uint32_t size, To to) {
    if (!(mask & ETH_IF_PLCY_ETHER_IF_TYPE)) return;
    uint32_t type = get(rec, L::ether_if_type);
    if (is_trunk_type(type)) {
        convert_trunk(rec, to);
    } else if (is_sub_type(type)) {
        if (to == To::network) convert_efp(rec, size, to);
        convert_sub(rec, mask, to);
        if (to == To::host) convert_efp(rec, size, to);
    }
    convert_l2pt(rec, to);
}

} // namespace

ETH_IF_PLCY_EXPORT void eth_if_plcy_hton(eth_if_plcy_t *record) {
    uint8_t *rec = bytes(record);
    convert_by_type(rec, record_mask(rec), record_size(rec), To::network);
    convert_always(rec, To::network);
}

ETH_IF_PLCY_EXPORT void eth_if_plcy_ntoh(eth_if_plcy_t *record) {
    uint8_t *rec = bytes(record);
    convert_always(rec, To::host);
    convert_by_type(rec, record_mask(rec), record_size(rec), To::host);
}
