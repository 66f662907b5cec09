/* SPDX-License-Identifier: Apache-2.0 */
/* SPDX-FileCopyrightText: 2026 The eth_if_plcy developers */
/**
 * @file
 * EFP area of an Ethernet interface policy record: the compact and the full
 * EFP form, the VLAN range list that follows either, their codes, and the
 * inline accessors that read them.
 *
 * An EFP area may sit at any address (it starts at record offset 56), so every
 * multi-byte field is read and written with memcpy, never through a cast.
 * Offsets below are relative to the first byte of the structure.
 *
 * Flag units (one byte, or one 16-bit word) are described by four numbers:
 * offset, unit width in bits, position of the field's least significant bit
 * counted from bit 0 on a little-endian host, and field width. On a
 * big-endian host the same fields are allocated from the unit's most
 * significant bit down, which is also the layout of the network image.
 */
#ifndef ETH_EFP_ACCESSORS_H
#define ETH_EFP_ACCESSORS_H

#include <stdint.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

/** Marks the assertion path as not returning, where the compiler knows how. @{ */
#if defined(__GNUC__)
#define ETH_EFP_NORETURN __attribute__((noreturn))
#else
#define ETH_EFP_NORETURN
#endif
/** @} */

/**
 * The library's assertion path: locks stderr, writes
 * "<path>: <line> <expression> -- assertion failed\n" and aborts.
 */
void eth_if_plcy_assert_fail(const char *path, int line, const char *expr) ETH_EFP_NORETURN;

/** The path the accessors' assertion lines report. */
#define ETH_EFP_ACCESSORS_PATH "l2protocols/ethernet/infra/common/include/eth_efp_accessors"

/** Base type: bits 6-7 of byte 0 of an EFP base or an EFP range structure. @{ */
#define ETH_EFP_BASE_TYPE_MASK 0xC0u
#define ETH_EFP_BASE_COMPACT 0x00u
#define ETH_EFP_BASE_FULL 0x40u
#define ETH_EFP_RANGE_AFTER_COMPACT 0x80u
#define ETH_EFP_RANGE_AFTER_FULL 0xC0u
/** @} */

/** Range structure: index in bits 0-3 of byte 0; index 15 ends the list. @{ */
#define ETH_EFP_RANGE_INDEX_MASK 0x0Fu
#define ETH_EFP_RANGE_END 15u
/** @} */
/** A terminator is written as exactly this one byte. */
#define ETH_EFP_RANGE_TERMINATOR 0x0Fu
/** Most entries a range list holds before its terminator. */
#define ETH_EFP_RANGE_MAX 10u

#define ETH_EFP_VLAN_CODE_ANY 4096u   /**< internal VLAN code: any VLAN */
#define ETH_EFP_VLAN_CODE_RANGE 4097u /**< internal VLAN code: the range list applies */
#define ETH_EFP_PCP_CODE_ANY 15u      /**< internal PCP code: any PCP (others are PCP + 1) */
#define ETH_EFP_CFGD_MATCH 1u         /**< configured flags: the match is set */
#define ETH_EFP_CFGD_REWRITE 2u       /**< configured flags: the rewrite is set */

#define ETH_EFP_MAX_MATCH_TAGS 2u        /**< most match tags an EFP holds */
#define ETH_EFP_MAX_PUSH_TAGS 2u         /**< most push tags an EFP holds */
#define ETH_EFP_ETHERTYPE_DOT1Q 0x8100u  /**< 802.1Q tag ethertype */
#define ETH_EFP_ETHERTYPE_DOT1AD 0x88a8u /**< 802.1ad tag ethertype */

#define ETH_EFP_COMPACT_SIZE 24u /**< bytes of the compact EFP form */
#define ETH_EFP_FULL_SIZE 56u    /**< bytes of the full EFP form */
#define ETH_EFP_RANGE_SIZE 6u    /**< bytes of one range entry */

/** The compact EFP form as raw bytes (any alignment). */
typedef struct eth_efp_compact {
    uint8_t bytes[ETH_EFP_COMPACT_SIZE]; /**< the form's bytes */
} eth_efp_compact;

/** The full EFP form as raw bytes (any alignment). */
typedef struct eth_efp_full {
    uint8_t bytes[ETH_EFP_FULL_SIZE]; /**< the form's bytes */
} eth_efp_full;

/** One range entry as raw bytes (any alignment). */
typedef struct eth_efp_range {
    uint8_t bytes[ETH_EFP_RANGE_SIZE]; /**< the entry's bytes */
} eth_efp_range;

/** Compact EFP form, 24 bytes. @{ */
#define ETH_EFP_C_CFGD 1, 8, 0, 2
#define ETH_EFP_C_NUM_MATCH_TAGS 1, 8, 2, 2
#define ETH_EFP_C_NUM_TAG_POPS 1, 8, 4, 2
#define ETH_EFP_C_NUM_TAG_PUSHES 1, 8, 6, 2
#define ETH_EFP_C_TAG_PCP 2, 8, 0, 4
#define ETH_EFP_C_EXACT 2, 8, 4, 1
#define ETH_EFP_C_L3_AMBIGUOUS 2, 8, 5, 1
#define ETH_EFP_C_PCP_SPARE 2, 8, 6, 2
#define ETH_EFP_C_PAYLOAD_OFF 4u
#define ETH_EFP_C_TAG_WORDS 2u
#define ETH_EFP_C_TAG_OFF(k) (6u + 2u * (unsigned)(k))
#define ETH_EFP_C_TAG_VLAN(k) ETH_EFP_C_TAG_OFF(k), 16, 0, 13
#define ETH_EFP_C_TAG_DOT1AD(k) ETH_EFP_C_TAG_OFF(k), 16, 13, 1
#define ETH_EFP_C_TAG_SPARE(k) ETH_EFP_C_TAG_OFF(k), 16, 14, 2
/** @} */

/** Full EFP form, 56 bytes. @{ */
#define ETH_EFP_F_NUM_MATCH_TAGS_OFF 1u
#define ETH_EFP_F_TAG_OFF(i) (2u + 6u * (unsigned)(i))
#define ETH_EFP_F_TAG_ETHERTYPE 0u /**< within a match tag */
#define ETH_EFP_F_TAG_VLAN_LOW 2u
#define ETH_EFP_F_TAG_PCP 4u
#define ETH_EFP_F_NUM_TAG_POPS_OFF 14u
#define ETH_EFP_F_NUM_TAG_PUSHES_OFF 15u
#define ETH_EFP_F_PUSH_OFF(j) (16u + 4u * (unsigned)(j))
#define ETH_EFP_F_PUSH_ETHERTYPE 0u /**< within a push tag */
#define ETH_EFP_F_PUSH_VLAN 2u
#define ETH_EFP_F_FLAGS_OFF 24u
#define ETH_EFP_F_CFGD 24, 8, 0, 2
#define ETH_EFP_F_NATIVE 24, 8, 2, 1
#define ETH_EFP_F_NATIVE_PRESERVE 24, 8, 3, 1
#define ETH_EFP_F_EXACT 24, 8, 4, 1
#define ETH_EFP_F_L3_AMBIGUOUS 24, 8, 5, 1
#define ETH_EFP_F_FLAG6 24, 8, 6, 1
#define ETH_EFP_F_FLAG7 24, 8, 7, 1
#define ETH_EFP_F_PAYLOAD_OFF 26u
#define ETH_EFP_F_SRC_MAC_OFF 40u
#define ETH_EFP_F_DST_MAC_OFF 46u
/** @} */

/** EFP range structure, 6 bytes. @{ */
#define ETH_EFP_R_LOW_OFF 2u
#define ETH_EFP_R_HIGH_OFF 4u
/** @} */

/** 1 on a big-endian host, where the host image is the network image. @{ */
#if defined(__BYTE_ORDER__) && defined(__ORDER_BIG_ENDIAN__) &&                                    \
    __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
#define ETH_EFP_HOST_BIG_ENDIAN 1
#else
#define ETH_EFP_HOST_BIG_ENDIAN 0
#endif
/** @} */

/** Where a flag-unit field's least significant bit lies on this host. */
#define ETH_EFP_BIT_POS(lsb_pos, width, unit_bits)                                                 \
    (ETH_EFP_HOST_BIG_ENDIAN ? (unit_bits) - (lsb_pos) - (width) : (lsb_pos))

/** A 16-bit host-order integer at any address. */
static inline uint16_t eth_efp_load16(const void *p) {
    uint16_t v;
    memcpy(&v, p, sizeof v);
    return v;
}

/** Stores a 16-bit host-order integer at any address. */
static inline void eth_efp_store16(void *p, uint16_t v) {
    memcpy(p, &v, sizeof v);
}

/** Reads one flag-unit field (offset, unit bits, lsb, width) of base. */
static inline unsigned eth_efp_unit_get(const void *base, unsigned off, unsigned unit_bits,
                                        unsigned lsb_pos, unsigned width) {
    const uint8_t *b = (const uint8_t *)base + off;
    unsigned unit = unit_bits == 16 ? eth_efp_load16(b) : b[0];
    return (unit >> ETH_EFP_BIT_POS(lsb_pos, width, unit_bits)) & ((1u << width) - 1u);
}

/** Writes one flag-unit field of base; bits of value beyond the width are dropped. */
static inline void eth_efp_unit_set(void *base, unsigned off, unsigned unit_bits, unsigned lsb_pos,
                                    unsigned width, unsigned value) {
    uint8_t *b = (uint8_t *)base + off;
    unsigned shift = ETH_EFP_BIT_POS(lsb_pos, width, unit_bits);
    unsigned mask = ((1u << width) - 1u) << shift;
    if (unit_bits == 16) {
        uint16_t unit = eth_efp_load16(b);
        eth_efp_store16(b, (uint16_t)((unit & ~mask) | ((value << shift) & mask)));
    } else {
        b[0] = (uint8_t)((b[0] & ~mask) | ((value << shift) & mask));
    }
}

/** The base type (bits 6-7 of byte 0) of an EFP base or range entry. */
static inline unsigned eth_efp_base_type(const void *p) {
    return ((const uint8_t *)p)[0] & ETH_EFP_BASE_TYPE_MASK;
}

/** Nonzero for a compact EFP base. */
static inline int eth_efp_is_compact(const void *p) {
    return eth_efp_base_type(p) == ETH_EFP_BASE_COMPACT;
}

/** Nonzero for a full EFP base. */
static inline int eth_efp_is_full(const void *p) {
    return eth_efp_base_type(p) == ETH_EFP_BASE_FULL;
}

/** The byte at offset off of p. */
static inline const uint8_t *eth_efp_bytes(const void *p, unsigned off) {
    return (const uint8_t *)p + off;
}

/** Every accessor tests the base type first; any other type is a corrupted record. */
#define ETH_EFP_BAD_BASE(text) eth_if_plcy_assert_fail(ETH_EFP_ACCESSORS_PATH, __LINE__, text)

/** The configured flags (ETH_EFP_CFGD_*). Asserts on a base type other than compact or full, as
 * every accessor below that names the form. */
static inline unsigned eth_efp_cfgd_flags_get(const void *base) {
    if (eth_efp_is_compact(base)) return eth_efp_unit_get(base, ETH_EFP_C_CFGD);
    if (eth_efp_is_full(base)) return eth_efp_unit_get(base, ETH_EFP_F_CFGD);
    ETH_EFP_BAD_BASE("!\"Bad base type for cfgd flags get\"");
}

/** The number of match tags. */
static inline unsigned eth_efp_tag_match_get(const void *base) {
    if (eth_efp_is_compact(base)) return eth_efp_unit_get(base, ETH_EFP_C_NUM_MATCH_TAGS);
    if (eth_efp_is_full(base)) return *eth_efp_bytes(base, ETH_EFP_F_NUM_MATCH_TAGS_OFF);
    ETH_EFP_BAD_BASE("!\"Bad base type for tag match get\"");
}

/** The number of tags the rewrite pops. */
static inline unsigned eth_efp_num_tag_pops_get(const void *base) {
    if (eth_efp_is_compact(base)) return eth_efp_unit_get(base, ETH_EFP_C_NUM_TAG_POPS);
    if (eth_efp_is_full(base)) return *eth_efp_bytes(base, ETH_EFP_F_NUM_TAG_POPS_OFF);
    ETH_EFP_BAD_BASE("!\"Bad base type for num tag pops get\"");
}

/** The number of tags the rewrite pushes. */
static inline unsigned eth_efp_num_tag_pushes_get(const void *base) {
    if (eth_efp_is_compact(base)) return eth_efp_unit_get(base, ETH_EFP_C_NUM_TAG_PUSHES);
    if (eth_efp_is_full(base)) return *eth_efp_bytes(base, ETH_EFP_F_NUM_TAG_PUSHES_OFF);
    ETH_EFP_BAD_BASE("!\"Bad base type for num tag pushes get\"");
}

/** The PCP code of match tag i (ETH_EFP_PCP_CODE_ANY for the compact form's second tag). */
static inline unsigned eth_efp_tag_pcp_get(const void *base, unsigned i) {
    if (eth_efp_is_compact(base))
        return i == 0 ? eth_efp_unit_get(base, ETH_EFP_C_TAG_PCP) : ETH_EFP_PCP_CODE_ANY;
    if (eth_efp_is_full(base))
        return *eth_efp_bytes(base, ETH_EFP_F_TAG_OFF(i) + ETH_EFP_F_TAG_PCP);
    ETH_EFP_BAD_BASE("!\"Bad base type for tag pcp get\"");
}

/** Compact tag words carry only the 802.1ad bit: set 0x88a8, clear 0x8100. */
static inline uint16_t eth_efp_compact_ethertype(const void *base, unsigned k) {
    return eth_efp_unit_get(base, ETH_EFP_C_TAG_DOT1AD(k)) ? ETH_EFP_ETHERTYPE_DOT1AD
                                                           : ETH_EFP_ETHERTYPE_DOT1Q;
}

/** The ethertype of match tag i. */
static inline uint16_t eth_efp_tag_ethertype_get(const void *base, unsigned i) {
    if (eth_efp_is_compact(base)) return eth_efp_compact_ethertype(base, i);
    if (eth_efp_is_full(base))
        return eth_efp_load16(eth_efp_bytes(base, ETH_EFP_F_TAG_OFF(i) + ETH_EFP_F_TAG_ETHERTYPE));
    ETH_EFP_BAD_BASE("!\"Bad base type for tag ethertype get\"");
}

/** The VLAN code of match tag i. */
static inline uint16_t eth_efp_tag_vlan_low_get(const void *base, unsigned i) {
    if (eth_efp_is_compact(base)) return (uint16_t)eth_efp_unit_get(base, ETH_EFP_C_TAG_VLAN(i));
    if (eth_efp_is_full(base))
        return eth_efp_load16(eth_efp_bytes(base, ETH_EFP_F_TAG_OFF(i) + ETH_EFP_F_TAG_VLAN_LOW));
    ETH_EFP_BAD_BASE("!\"Bad base type tag vlan low get\"");
}

/** In the compact form push tag j is tag word num_match_tags + j. */
static inline uint16_t eth_efp_push_ethertype_get(const void *base, unsigned j) {
    if (eth_efp_is_compact(base))
        return eth_efp_compact_ethertype(base,
                                         eth_efp_unit_get(base, ETH_EFP_C_NUM_MATCH_TAGS) + j);
    if (eth_efp_is_full(base))
        return eth_efp_load16(
            eth_efp_bytes(base, ETH_EFP_F_PUSH_OFF(j) + ETH_EFP_F_PUSH_ETHERTYPE));
    ETH_EFP_BAD_BASE("!\"Bad base type for push ethertype get\"");
}

/** The VLAN of push tag j. */
static inline uint16_t eth_efp_push_vlan_get(const void *base, unsigned j) {
    if (eth_efp_is_compact(base))
        return (uint16_t)eth_efp_unit_get(
            base, ETH_EFP_C_TAG_VLAN(eth_efp_unit_get(base, ETH_EFP_C_NUM_MATCH_TAGS) + j));
    if (eth_efp_is_full(base))
        return eth_efp_load16(eth_efp_bytes(base, ETH_EFP_F_PUSH_OFF(j) + ETH_EFP_F_PUSH_VLAN));
    ETH_EFP_BAD_BASE("!\"Bad base type for push vlan get\"");
}

/** The exact-match flag. */
static inline unsigned eth_efp_exact_get(const void *base) {
    if (eth_efp_is_compact(base)) return eth_efp_unit_get(base, ETH_EFP_C_EXACT);
    if (eth_efp_is_full(base)) return eth_efp_unit_get(base, ETH_EFP_F_EXACT);
    ETH_EFP_BAD_BASE("!\"Bad base type for exact get\"");
}

/** The L3-ambiguous flag. */
static inline unsigned eth_efp_l3_ambiguous_get(const void *base) {
    if (eth_efp_is_compact(base)) return eth_efp_unit_get(base, ETH_EFP_C_L3_AMBIGUOUS);
    if (eth_efp_is_full(base)) return eth_efp_unit_get(base, ETH_EFP_F_L3_AMBIGUOUS);
    ETH_EFP_BAD_BASE("!\"Bad base type for l3 ambiguous get\"");
}

/** The payload ethertype. */
static inline uint16_t eth_efp_payload_ethertype_get(const void *base) {
    if (eth_efp_is_compact(base)) return eth_efp_load16(eth_efp_bytes(base, ETH_EFP_C_PAYLOAD_OFF));
    if (eth_efp_is_full(base)) return eth_efp_load16(eth_efp_bytes(base, ETH_EFP_F_PAYLOAD_OFF));
    ETH_EFP_BAD_BASE("!\"Bad base type for payload ethertype get\"");
}

/** Nonzero when a 6-byte MAC address is not all zero. */
static inline int eth_efp_mac_is_set(const uint8_t *mac) {
    return (mac[0] | mac[1] | mac[2] | mac[3] | mac[4] | mac[5]) != 0;
}

/** Nonzero when the match checks a source MAC (never in the compact form). */
static inline int eth_efp_src_mac_check(const void *base) {
    if (eth_efp_is_compact(base)) return 0;
    if (eth_efp_is_full(base))
        return eth_efp_mac_is_set(eth_efp_bytes(base, ETH_EFP_F_SRC_MAC_OFF));
    ETH_EFP_BAD_BASE("!\"Bad base type for src mac check\"");
}

/** Nonzero when the match checks a destination MAC (never in the compact form). */
static inline int eth_efp_dst_mac_check(const void *base) {
    if (eth_efp_is_compact(base)) return 0;
    if (eth_efp_is_full(base))
        return eth_efp_mac_is_set(eth_efp_bytes(base, ETH_EFP_F_DST_MAC_OFF));
    ETH_EFP_BAD_BASE("!\"Bad base type for dst mac check\"");
}

/** The all-zero address that a compact form, which holds no MACs, reports. */
static const uint8_t eth_efp_zero_mac[6] = {0, 0, 0, 0, 0, 0};

/** The source MAC the match checks. */
static inline const uint8_t *eth_efp_src_mac_get(const void *base) {
    if (eth_efp_is_compact(base)) return eth_efp_zero_mac;
    if (eth_efp_is_full(base)) return eth_efp_bytes(base, ETH_EFP_F_SRC_MAC_OFF);
    ETH_EFP_BAD_BASE("!\"Bad base type for src mac get\"");
}

/** The destination MAC the match checks. */
static inline const uint8_t *eth_efp_dst_mac_get(const void *base) {
    if (eth_efp_is_compact(base)) return eth_efp_zero_mac;
    if (eth_efp_is_full(base)) return eth_efp_bytes(base, ETH_EFP_F_DST_MAC_OFF);
    ETH_EFP_BAD_BASE("!\"Bad base type for dst mac get\"");
}

/** The first range entry, right after the base form. */
static inline const uint8_t *eth_efp_range_get(const void *base) {
    if (eth_efp_is_compact(base)) return eth_efp_bytes(base, ETH_EFP_COMPACT_SIZE);
    if (eth_efp_is_full(base)) return eth_efp_bytes(base, ETH_EFP_FULL_SIZE);
    ETH_EFP_BAD_BASE("!\"Bad base type for range get\"");
}

/** The native flags exist only in the full form; every other base type reads 0. */
static inline unsigned eth_efp_native_get(const void *base) {
    return eth_efp_is_full(base) ? eth_efp_unit_get(base, ETH_EFP_F_NATIVE) : 0u;
}

/** The native-with-preservation flag (full form only; 0 otherwise). */
static inline unsigned eth_efp_native_with_preservation_get(const void *base) {
    return eth_efp_is_full(base) ? eth_efp_unit_get(base, ETH_EFP_F_NATIVE_PRESERVE) : 0u;
}

/**
 * The EFP base that p (an EFP base or a range structure) belongs to: a range
 * entry steps back over the entries before it and over its base form. The
 * two-bit base type leaves no other case.
 */
static inline const void *eth_efp_range_base_get(const void *p) {
    const uint8_t *b = (const uint8_t *)p;
    unsigned back = ETH_EFP_RANGE_SIZE * (b[0] & ETH_EFP_RANGE_INDEX_MASK);
    switch (b[0] & ETH_EFP_BASE_TYPE_MASK) {
    case ETH_EFP_RANGE_AFTER_COMPACT:
        return b - back - ETH_EFP_COMPACT_SIZE;
    case ETH_EFP_RANGE_AFTER_FULL:
        return b - back - ETH_EFP_FULL_SIZE;
    default:
        return b;
    }
}

/** Nonzero when match tag i of the EFP that base (a base or range entry) belongs to carries the
 * range code. */
static inline int eth_efp_tag_is_range(const void *base, unsigned i) {
    return eth_efp_tag_vlan_low_get(eth_efp_range_base_get(base), i) == ETH_EFP_VLAN_CODE_RANGE;
}

/** Range-list walk: start at eth_efp_range_get(base), stop at the terminator. */
static inline int eth_efp_range_is_end(const void *r) {
    return (((const uint8_t *)r)[0] & ETH_EFP_RANGE_INDEX_MASK) == ETH_EFP_RANGE_END;
}

/** The entry after r. */
static inline const uint8_t *eth_efp_range_next(const void *r) {
    return (const uint8_t *)r + ETH_EFP_RANGE_SIZE;
}

/** The low VLAN of range entry r. */
static inline uint16_t eth_efp_range_low(const void *r) {
    return eth_efp_load16(eth_efp_bytes(r, ETH_EFP_R_LOW_OFF));
}

/** The high VLAN of range entry r. */
static inline uint16_t eth_efp_range_high(const void *r) {
    return eth_efp_load16(eth_efp_bytes(r, ETH_EFP_R_HIGH_OFF));
}

/** True when a match tag below min(count, 2) carries the range VLAN code. */
static inline int eth_efp_has_range_tag(const void *base) {
    unsigned n = eth_efp_tag_match_get(base);
    unsigned i;
    if (n > ETH_EFP_MAX_MATCH_TAGS) n = ETH_EFP_MAX_MATCH_TAGS;
    for (i = 0; i < n; i++)
        if (eth_efp_tag_is_range(base, i)) return 1;
    return 0;
}

#ifdef __cplusplus
}
#endif

#endif /**< ETH_EFP_ACCESSORS_H */
