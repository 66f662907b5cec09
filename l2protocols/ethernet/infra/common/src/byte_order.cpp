// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Byte-order conversion between the host image and the network image.
//
// The network image is the record as a big-endian host holds it. Integers
// are stored big-endian; a flag unit holds its fields in the same order from
// the most significant bit down, and its 16-bit form is stored high byte
// first. Both directions are written once, over the layout description: the
// host side uses the host's own order and positions, so on a big-endian host
// both sides coincide and the conversion changes nothing.
#include <array>
#include <utility>

#include "walk.hpp"

namespace {

using namespace ethplcy;
namespace L = ethplcy::layout;
namespace f = eth_if_plcy::fields;
using L::Unit;

enum class To { network, host };

// An integer of n bytes at p.
template <To to>
inline void convert_int(uint8_t *p, unsigned n) {
    Int here{0, static_cast<uint8_t>(n)};
    if constexpr (to == To::network) {
        store_net(p, n, load(p, here));
    } else {
        store(p, here, load_net(p, n));
    }
}

template <To to>
inline void convert(uint8_t *rec, Int f) {
    convert_int<to>(rec + f.off, f.bytes);
}

// A flag unit's conversion is a fixed permutation of its bits (fields of the
// selection keep their order of bits, everything else becomes 0), so it is
// precomputed from the unit's description: one 256-entry table per byte of
// the unit, indexed by that byte of the value and ORed together.
template <Unit U, uint16_t selected, To to>
struct UnitPermutation {
    static constexpr std::array<std::array<uint16_t, 256>, 2> table = [] {
        std::array<int, 16> dest{};
        dest.fill(-1);
        for (unsigned k = 0; k < U.nfields; k++) {
            if (!((selected >> k) & 1u)) continue;
            const Bits f = U.field(k);
            const unsigned host = ETH_EFP_BIT_POS(f.lsb, f.width, f.unit_bits);
            const unsigned net = U.bits - f.lsb - f.width;
            for (unsigned b = 0; b < f.width; b++) {
                unsigned from = to == To::network ? host + b : net + b;
                dest[from] = static_cast<int>(to == To::network ? net + b : host + b);
            }
        }
        std::array<std::array<uint16_t, 256>, 2> t{};
        for (unsigned byte = 0; byte < 2; byte++)
            for (unsigned v = 0; v < 256; v++)
                for (unsigned b = 0; b < 8; b++)
                    if (((v >> b) & 1u) && dest[8 * byte + b] >= 0)
                        t[byte][v] = static_cast<uint16_t>(t[byte][v] | (1u << dest[8 * byte + b]));
        return t;
    }();
};

// Moves the selected fields of a flag unit between their host and network positions.
template <Unit U, To to, uint16_t selected = 0xFFFF>
inline void convert(uint8_t *rec) {
    constexpr unsigned nbytes = U.bits / 8u;
    constexpr Unit shape{0, U.bits, U.nfields, U.widths}; // tables shared by equal units
    const auto &t = UnitPermutation<shape, selected, to>::table;
    Int whole{U.off, static_cast<uint8_t>(nbytes)};
    uint32_t in = to == To::network ? load(rec, whole) : load_net(rec + U.off, nbytes);
    uint32_t out = t[0][in & 0xFFu];
    if constexpr (nbytes == 2) out |= t[1][in >> 8];
    if constexpr (to == To::network) {
        store_net(rec + U.off, nbytes, out);
    } else {
        store(rec, whole, out);
    }
}

// low and high of each entry up to the terminator byte, never past size.
template <To to>
void convert_ranges(uint8_t *rec, uint32_t size, uint32_t first) {
    for (uint32_t off = first; off < size && rec[off] != ETH_EFP_RANGE_TERMINATOR;
         off += ETH_EFP_RANGE_SIZE) {
        if (off + ETH_EFP_RANGE_SIZE > size) return;
        convert_int<to>(rec + off + ETH_EFP_R_LOW_OFF, 2);
        convert_int<to>(rec + off + ETH_EFP_R_HIGH_OFF, 2);
    }
}

// The range condition, on the match tags' VLAN codes as they stand now (host order).
bool has_range_tag(const uint8_t *rec) {
    return eth_efp_has_range_tag(rec + L::efp_base);
}

template <To to>
void convert_compact(uint8_t *rec, uint32_t size) {
    const uint8_t *b = rec + L::efp_base;
    auto words = [b] {
        return eth_efp_unit_get(b, ETH_EFP_C_NUM_MATCH_TAGS) +
               eth_efp_unit_get(b, ETH_EFP_C_NUM_TAG_PUSHES);
    };
    auto tag_words = [rec](unsigned n) {
        if (n > 0) convert<L::compact_tag_unit(0), to>(rec);
        if (n > 1) convert<L::compact_tag_unit(1), to>(rec);
    };
    const uint32_t ranges = L::efp_base + ETH_EFP_COMPACT_SIZE;
    if constexpr (to == To::network) {
        if (has_range_tag(rec)) convert_ranges<to>(rec, size, ranges);
        tag_words(words());
    }
    convert<to>(rec, L::compact_payload);
    convert<L::compact_counts_unit, to>(rec);
    convert<L::compact_pcp_unit, to>(rec);
    if constexpr (to == To::host) {
        tag_words(words());
        if (has_range_tag(rec)) convert_ranges<to>(rec, size, ranges);
    }
}

template <To to>
void convert_full_tags(uint8_t *rec) {
    const uint8_t *b = rec + L::efp_base;
    unsigned tags = b[ETH_EFP_F_NUM_MATCH_TAGS_OFF], pushes = b[ETH_EFP_F_NUM_TAG_PUSHES_OFF];
    for (unsigned i = 0; i < tags && i < ETH_EFP_MAX_MATCH_TAGS; i++) {
        uint8_t *t = rec + L::efp_base + ETH_EFP_F_TAG_OFF(i);
        convert_int<to>(t + ETH_EFP_F_TAG_ETHERTYPE, 2);
        convert_int<to>(t + ETH_EFP_F_TAG_VLAN_LOW, 2);
    }
    for (unsigned j = 0; j < pushes && j < ETH_EFP_MAX_PUSH_TAGS; j++) {
        uint8_t *t = rec + L::efp_base + ETH_EFP_F_PUSH_OFF(j);
        convert_int<to>(t + ETH_EFP_F_PUSH_ETHERTYPE, 2);
        convert_int<to>(t + ETH_EFP_F_PUSH_VLAN, 2);
    }
    convert<to>(rec, L::full_payload);
    convert<L::full_flags_unit, to>(rec);
}

template <To to>
void convert_full(uint8_t *rec, uint32_t size) {
    const uint32_t ranges = L::efp_base + ETH_EFP_FULL_SIZE;
    if (size < ranges) return; // a full form that does not fit the record is left alone
    if (to == To::network && has_range_tag(rec)) convert_ranges<to>(rec, size, ranges);
    convert_full_tags<to>(rec);
    if (to == To::host && has_range_tag(rec)) convert_ranges<to>(rec, size, ranges);
}

template <To to>
void convert_efp(uint8_t *rec, uint32_t size) {
    if (size < ETH_IF_PLCY_MIN_SIZE) return; // no EFP area inside the record
    // Also the check of the base type: a range structure here is a corrupted record.
    (void)eth_efp_tag_match_get(rec + L::efp_base);
    if (eth_efp_is_compact(rec + L::efp_base)) {
        convert_compact<to>(rec, size);
    } else {
        convert_full<to>(rec, size);
    }
}

// The fixed part's integers of more than one byte, from the field
// description: before the type-dependent area (view Cls::any), or in one view
// of it. The fields every class may carry lie where the trunk view keeps them.
template <To to, f::Cls view>
void convert_integers(uint8_t *rec) {
    walk::each_fixed<ETH_IF_PLCY_ALL_FIELDS>([&](auto i) {
        constexpr const f::Scalar &s = f::kScalars[i];
        constexpr f::Place p = s.where.full;
        constexpr bool in_area = p.off >= L::sub_parent.off;
        constexpr f::Cls holder = s.cls == f::Cls::any ? f::Cls::trunk : s.cls;
        constexpr bool ours = view == f::Cls::any ? !in_area : in_area && holder == view;
        if constexpr (walk::is_int(p) && p.bytes > 1 && ours) convert<to>(rec, walk::int_of(p));
    });
}

template <To to>
void convert_always(uint8_t *rec) {
    convert<to>(rec, L::size);
    convert<to>(rec, L::valid_mask);
    convert_integers<to, f::Cls::any>(rec);
    convert<L::provision_unit, to>(rec);
    convert<L::type_unit, to>(rec);
}

template <To to>
void convert_trunk(uint8_t *rec) {
    convert_integers<to, f::Cls::trunk>(rec);
    convert<L::trunk_unit, to>(rec);
}

// A sub-interface record may carry the VLAN SWITCHED fields (encode lets it);
// they convert where the trunk view keeps them, beside the sub flags, which
// sit at the same network positions whether byte 40 is read alone or as the
// first byte of the trunk unit.
template <To to>
void convert_sub(uint8_t *rec, uint32_t mask) {
    convert_integers<to, f::Cls::sub>(rec);
    if (mask & ETH_IF_PLCY_VLAN_SWITCHED) {
        convert<L::trunk_unit, to,
                L::sub_unit_fields_in_trunk_unit | L::vlan_switched_fields_in_trunk_unit>(rec);
        convert<to>(rec, L::trunk_access_vlan);
    } else {
        convert<L::sub_unit, to>(rec);
    }
    convert<to>(rec, L::reserved_word);
}

template <To to, size_t... I>
void convert_l2pt(uint8_t *rec, std::index_sequence<I...>) {
    (convert<L::l2pt_unit(I), to>(rec), ...);
}

// The guiding fields (mask, type, counts, VLAN codes) are read in host order:
// before they are converted on the way out, after on the way in.
template <To to>
void convert_by_type(uint8_t *rec, uint32_t mask, uint32_t size) {
    if (!(mask & ETH_IF_PLCY_ETHER_IF_TYPE)) return;
    uint32_t type = get(rec, L::ether_if_type);
    if (is_trunk_type(type)) {
        convert_trunk<to>(rec);
    } else if (is_sub_type(type)) {
        if (to == To::network) convert_efp<to>(rec, size);
        convert_sub<to>(rec, mask);
        if (to == To::host) convert_efp<to>(rec, size);
    }
    convert_l2pt<to>(rec, std::make_index_sequence<ETH_IF_PLCY_L2PT_PROTOCOLS>{});
}

} // namespace

ETH_IF_PLCY_EXPORT void eth_if_plcy_hton(eth_if_plcy_t *record) {
    uint8_t *rec = bytes(record);
    convert_by_type<To::network>(rec, record_mask(rec), record_size(rec));
    convert_always<To::network>(rec);
}

ETH_IF_PLCY_EXPORT void eth_if_plcy_ntoh(eth_if_plcy_t *record) {
    uint8_t *rec = bytes(record);
    convert_always<To::host>(rec);
    convert_by_type<To::host>(rec, record_mask(rec), record_size(rec));
}
