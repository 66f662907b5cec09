/* SPDX-License-Identifier: Apache-2.0 */
/* SPDX-FileCopyrightText: 2026 The eth_if_plcy developers */
/*
 * EFP utility library: converts EFP areas between the compact and the full
 * EFP form, sizes and copies range lists, and compares EFPs by meaning.
 * Every EFP argument is an EFP area in the layout of eth_efp_accessors.h (an
 * EFP base followed by its range list) and may sit at any address. None of
 * these operations reports an error.
 */
#ifndef ETH_EFP_UTIL_H
#define ETH_EFP_UTIL_H

#include <stdint.h>

#include "eth_efp_accessors.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Bytes eth_efp_util_full_from_base may write: a full form and a maximal range list. */
#define ETH_EFP_UTIL_FULL_AREA_MAX (ETH_EFP_FULL_SIZE + ETH_EFP_RANGE_SIZE * ETH_EFP_RANGE_MAX + 1u)

/* Writes an empty full EFP form and an empty range list (57 bytes) at efp. */
void eth_efp_initialise(void *efp);

/*
 * Nonzero when the compact form holds this full EFP with nothing lost: match
 * tags plus push tags at most 2, pops at most 3, tag ethertypes 0x8100 or
 * 0x88a8, VLAN codes below 8192, PCP codes below 16 and none for a second
 * match tag, no MAC addresses and no native flags.
 */
int eth_efp_util_can_be_compact(const eth_efp_full *full);

/*
 * Bytes of the range list that follows the EFP base: 6 per entry plus the
 * one-byte terminator when a match tag carries the range VLAN code, else 0
 * (no list is written then). At most 10 entries are counted.
 */
uint32_t eth_efp_util_get_range_size(const eth_efp_full *full);

/* Writes the compact form of full, and its range list, at dst. */
void eth_efp_util_compact_from_full(const eth_efp_full *full, void *dst);

/*
 * Copies the range list at src (up to its terminator, at most 10 entries) to
 * dst, giving each entry base type base_type, and writes the terminator.
 */
void eth_efp_util_copy_ranges(const void *src, void *dst, uint8_t base_type);

/*
 * Writes the EFP at base (compact or full) as a full form followed by its
 * range list (just the terminator when no tag uses ranges) at dst, which has
 * room for ETH_EFP_UTIL_FULL_AREA_MAX bytes. A base of another base type
 * yields an empty full form.
 */
void eth_efp_util_full_from_base(const void *base, eth_efp_full *dst);

/*
 * Nonzero when the matches (or the rewrites) of two EFP areas mean the same,
 * whatever form holds them; bytes no reader interprets never count, and the
 * range list counts only when a match tag uses it.
 */
int eth_efp_util_match_equal(const void *first, const void *second);
int eth_efp_util_rewrite_equal(const void *first, const void *second);

#ifdef __cplusplus
}
#endif

#endif /* ETH_EFP_UTIL_H */
