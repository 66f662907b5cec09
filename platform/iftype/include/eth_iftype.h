/* SPDX-License-Identifier: Apache-2.0 */
/* SPDX-FileCopyrightText: 2026 The eth_if_plcy developers */
/* Interface-type library: printable names of Ethernet interface types. */
#ifndef ETH_IFTYPE_H
#define ETH_IFTYPE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/*
 * A short, stable, NUL-terminated name for every value: trunk-class types
 * have plain names, their L3 sub-interfaces end in ".sub" and their L2
 * sub-interfaces in ".l2sub"; 0 is "none" and values above 21 "unknown".
 * The string is a constant that lives for the life of the process.
 */
const char *eth_decode_eth_iftype_to_str_cmpt(uint32_t ether_if_type);

#ifdef __cplusplus
}
#endif

#endif /* ETH_IFTYPE_H */
