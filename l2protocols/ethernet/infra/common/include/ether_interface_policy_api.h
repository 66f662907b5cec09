/* SPDX-License-Identifier: Apache-2.0 */
/* SPDX-FileCopyrightText: 2026 The eth_if_plcy developers */
/**
 * @file
 * Ethernet interface policy: what the Ethernet layer knows about one interface
 * or sub-interface, in two shapes.
 *
 * - The internal policy record (eth_if_plcy_t) is one contiguous heap block
 *   that states its own version and size: 8-byte header, 40-byte fixed part,
 *   EFP part from offset 48 to size - 1. It is stored, compared, copied and
 *   exchanged, and converts in place between its host and network images.
 *   Records may sit at any address; the library never loads through a cast.
 *   A byte buffer holding a record may be passed as (eth_if_plcy_t *)buf.
 * - The external policy record (eth_if_plcy_ext_t) has one plain field per
 *   datum; callers fill it before encode and read it after decode.
 *
 * In both, a 20-bit valid mask of policy field bits says which field groups
 * are present. Every function returns a status (0 or ETH_IF_PLCY_ERR_*) where
 * a caller can handle the failure; broken calling contracts (option bits
 * outside the accepted set where documented, unsupported versions passed to
 * free, the size query or compare, a corrupted EFP base type) end in the
 * library's assertion line on stderr and abort().
 *
 * The header is plain C: it needs C99 or later, or C++ of any standard. Link
 * with -leth_if_plcy (pkg-config eth_if_plcy, or CMake's eth_if_plcy::eth_if_plcy).
 *
 * @par Thread safety
 * The library keeps no state between calls: every function may run in
 * several threads at once on different records. A record that one thread
 * changes (hton, ntoh, replace, free) must not be used by another thread
 * during that call.
 */
#ifndef ETHER_INTERFACE_POLICY_API_H
#define ETHER_INTERFACE_POLICY_API_H

#if !defined(__cplusplus) && (!defined(__STDC_VERSION__) || __STDC_VERSION__ < 199901L)
#error "ether_interface_policy_api.h needs C99 or later (-std=c99)"
#endif

#include <stddef.h>
#include <stdint.h>

#include "eth_efp_accessors.h"

#ifdef __cplusplus
extern "C" {
#endif

/** Release of this library; eth_if_plcy_lib_version() returns the same string. @{ */
#define ETH_IF_PLCY_VERSION_MAJOR 0
#define ETH_IF_PLCY_VERSION_MINOR 2
#define ETH_IF_PLCY_VERSION_PATCH 0
#define ETH_IF_PLCY_VERSION_STRING "0.2.0"
/** @} */

/** Status codes. @{ */
#define ETH_IF_PLCY_OK 0u
#define ETH_IF_PLCY_ERR_INVALID 0x46278600u    /**< bad argument, option, mode or version */
#define ETH_IF_PLCY_ERR_NOMEM 0x46278800u      /**< an allocation failed */
#define ETH_IF_PLCY_ERR_BAD_POLICY 0x46278a00u /**< a policy encode cannot represent */
/** @} */

/** Policy field bits of the valid mask. @{ */
#define ETH_IF_PLCY_ETHER_IF_TYPE 0x1u
#define ETH_IF_PLCY_INTF_READY 0x2u
#define ETH_IF_PLCY_L2_FLAG 0x4u
#define ETH_IF_PLCY_PROVISION 0x8u
#define ETH_IF_PLCY_L2PT 0x10u
#define ETH_IF_PLCY_MAC_ADDR 0x20u
#define ETH_IF_PLCY_PARENT 0x40u
#define ETH_IF_PLCY_EFP_MATCH 0x80u
#define ETH_IF_PLCY_EFP_REWRITE 0x100u
#define ETH_IF_PLCY_ADMIN_STATE 0x200u
#define ETH_IF_PLCY_NATIVE_VLAN 0x400u
#define ETH_IF_PLCY_QINQ_ETYPE 0x800u
#define ETH_IF_PLCY_MAC_ACC 0x1000u
#define ETH_IF_PLCY_FILTERING 0x2000u
#define ETH_IF_PLCY_EFP_FILTERING 0x4000u
#define ETH_IF_PLCY_SRC_BYPASS_FILTER 0x8000u
#define ETH_IF_PLCY_LOOPBACK 0x10000u
#define ETH_IF_PLCY_ICL_MODE 0x20000u
#define ETH_IF_PLCY_MTU 0x40000u
#define ETH_IF_PLCY_VLAN_SWITCHED 0x80000u
#define ETH_IF_PLCY_ALL_FIELDS 0xFFFFFu
/** @} */
/** Every bit but INTF_READY and LOOPBACK: what compare reports and the external mask lists. */
#define ETH_IF_PLCY_EXT_MASK 0xEFFFDu

/** Interface type classes: bit t set when ether_if_type t is in the class. @{ */
#define ETH_IF_PLCY_TRUNK_TYPES 0x393c92u
#define ETH_IF_PLCY_SUB_TYPES 0x6c36cu
#define ETH_IF_PLCY_SUB_L3_TYPES 0x24124u /**< 2, 5, 8, 14, 17 */
#define ETH_IF_PLCY_SUB_L2_TYPES 0x48248u /**< 3, 6, 9, 15, 18 */
#define ETH_IF_PLCY_MAX_IF_TYPE 21u
/** @} */

/** Record geometry. @{ */
#define ETH_IF_PLCY_MIN_SIZE 72u  /**< a record without EFP */
#define ETH_IF_PLCY_EFP_PART 48u  /**< offset of the EFP part */
#define ETH_IF_PLCY_EFP_BASE 56u  /**< offset of the EFP base */
#define ETH_IF_PLCY_MAX_SIZE 176u /**< full EFP form, 10 ranges, terminator */
/** @} */

/** External EFP codes. @{ */
#define EFP_VLAN_RANGE 0x2000u
#define EFP_VLAN_ANY 0x2001u
#define EFP_PCP_ANY 255u
/** @} */

/** L2PT: five protocols, one byte each: mode bits 0-2, EXP given bit 3, EXP bits 4-6. @{ */
#define ETH_IF_PLCY_L2PT_PROTOCOLS 5
#define ETH_IF_PLCY_L2PT_MODE_MASK 0x07u
#define ETH_IF_PLCY_L2PT_EXP_GIVEN 0x08u
#define ETH_IF_PLCY_L2PT_EXP_SHIFT 4
#define ETH_IF_PLCY_L2PT_EXP_MASK 0x70u
/** @} */

/** Options. @{ */
#define ETH_IF_PLCY_ENCODE_TAG_RANGES 0x40u   /**< encode: ranges from the per-tag view */
#define ETH_IF_PLCY_COPY_HTON 0x10u           /**< copy: convert the copy to network order */
#define ETH_IF_PLCY_REPLACE_COPY 0u           /**< replace: copy rec into the slot */
#define ETH_IF_PLCY_REPLACE_TAKE 1u           /**< replace: the slot takes rec itself */
#define ETH_IF_PLCY_CMP_FIRST_ABSENT_ALL 0x2u /**< compare: with ONE_SIDED, null first = all */
#define ETH_IF_PLCY_CMP_ONE_SIDED 0x4u        /**< compare: fields only in second don't count */
#define ETH_IF_PLCY_PRINT_COMPACT 0x8u        /**< print: compact layout */
#define ETH_IF_PLCY_PRINT_BRIEF 0x20u         /**< print: brief layout (internal record) */
#define ETH_IF_PLCY_VALIDATE_NET 0x100u       /**< validate: the bytes are a network image */
/** @} */

/** The internal policy record: only ever handled through a pointer. */
typedef struct eth_if_plcy_record eth_if_plcy_t;

/** One VLAN range, inclusive. */
typedef struct eth_if_plcy_vlan_range {
    uint16_t low;  /**< first VLAN */
    uint16_t high; /**< last VLAN */
} eth_if_plcy_vlan_range_t;

/** A VLAN tag: ethertype (0x8100, 0x88a8, 1 untagged, 0 any, or other) and VLAN. */
typedef struct eth_if_plcy_efp_tag {
    uint16_t ethertype; /**< tag ethertype */
    uint16_t vlan;      /**< VLAN ID or code */
} eth_if_plcy_efp_tag_t;

/** Range entries the external record holds. */
#define ETH_IF_PLCY_EXT_MAX_RANGES 10

/** The EFP match (EFP MATCH) and rewrite (EFP REWRITE) in plain form. */
typedef struct eth_if_plcy_ext_efp {
    uint8_t configured : 1;               /**< an EFP is present; both EFP bits */
    uint8_t native : 1;                   /**< EFP MATCH: native VLAN */
    uint8_t native_with_preservation : 1; /**< EFP MATCH: native, tag kept */
    uint8_t src_mac_check : 1;            /**< EFP MATCH: src_mac is checked */
    uint8_t dst_mac_check : 1;            /**< EFP MATCH: dst_mac is checked */
    uint8_t exact : 1;                    /**< EFP MATCH: exact match */
    uint8_t l3_ambiguous : 1;             /**< EFP MATCH: L3 ambiguous */
    uint8_t num_tags;                     /**< 0 to 2 */
    uint8_t num_tag_pops;                 /**< EFP REWRITE */
    uint8_t num_tag_pushes;               /**< EFP REWRITE, 0 to 2 */
    uint16_t num_ranges;                  /**< entries used in ranges */
    uint16_t payload_ethertype;           /**< EFP MATCH: payload ethertype, 0 for any */
    uint8_t tag_pcp[2];                   /**< 0 to 7, or EFP_PCP_ANY */
    eth_if_plcy_efp_tag_t tag[2];         /**< vlan 0-4095, EFP_VLAN_RANGE or EFP_VLAN_ANY */
    eth_if_plcy_efp_tag_t push[2];        /**< EFP REWRITE */
    uint8_t src_mac[6];                   /**< EFP MATCH, with src_mac_check */
    uint8_t dst_mac[6];                   /**< EFP MATCH, with dst_mac_check */
    eth_if_plcy_vlan_range_t ranges[ETH_IF_PLCY_EXT_MAX_RANGES]; /**< EFP MATCH: the range list */
    uint16_t tag_range_count[2]; /**< per-tag view: entries in tag_range_list[i] */
    /** Per-tag range lists; decode points them at ranges of the same record. */
    const eth_if_plcy_vlan_range_t *tag_range_list[2];
} eth_if_plcy_ext_efp_t;

/** The external policy record. A field counts only while its bit is in valid_mask. */
typedef struct eth_if_plcy_ext {
    uint32_t valid_mask;         /**< policy field bits of the groups present */
    uint32_t ether_if_type;      /**< ETHER_IF_TYPE; encode accepts 1 to 21 */
    uint8_t interface_ready : 1; /**< INTF_READY */
    uint8_t is_l2 : 1;           /**< L2_FLAG */
    uint8_t is_provisioned : 1;  /**< PROVISION */
    uint8_t mac_addr[6];         /**< MAC_ADDR */
    /** PROVISION, only while is_provisioned is 1 */
    struct {
        uint32_t xconnect_id;                /**< cross-connect ID */
        uint8_t xcon_tags;                   /**< cross-connect tags */
        uint8_t ip_iw_enabled : 1;           /**< IP interworking */
        uint8_t imposition_vlan_rewrite : 1; /**< imposition VLAN rewrite */
        uint16_t imposition_vlan_id;         /**< imposition VLAN */
    } provision_info;
    uint8_t l2pt[ETH_IF_PLCY_L2PT_PROTOCOLS]; /**< L2PT */
    eth_if_plcy_ext_efp_t efp;                /**< EFP MATCH, EFP REWRITE */
    /** Sub-interface class fields. */
    struct {
        uint32_t parent;               /**< PARENT */
        uint8_t admin_up;              /**< ADMIN_STATE */
        uint8_t efp_filtering : 1;     /**< EFP FILTERING */
        uint8_t src_bypass_filter : 1; /**< SRC BYPASS FILTER */
    } sub;
    /** Trunk class fields. */
    struct {
        uint16_t native_vlan;             /**< NATIVE_VLAN */
        uint16_t qinq_tunneling_etype;    /**< QINQ_ETYPE */
        uint8_t mac_acc_ingress : 1;      /**< MAC_ACC */
        uint8_t mac_acc_egress : 1;       /**< MAC_ACC */
        uint8_t native_is_svlan : 1;      /**< NATIVE_VLAN */
        uint8_t filter_dot1q : 1;         /**< FILTERING */
        uint8_t filter_dot1ad : 1;        /**< FILTERING */
        uint8_t filter_mac_relay : 1;     /**< FILTERING */
        uint8_t vlan_switched_trunk : 1;  /**< VLAN SWITCHED */
        uint8_t vlan_switched_access : 1; /**< VLAN SWITCHED */
        uint16_t access_vlan;             /**< VLAN SWITCHED */
    } trunk;
    uint8_t is_in_icl_mode : 1; /**< ICL MODE */
    uint16_t mtu;               /**< MTU */
} eth_if_plcy_ext_t;

/* ---- Library ---------------------------------------------------------- */

/**
 * The release string of the library actually loaded.
 * @return the same text as ETH_IF_PLCY_VERSION_STRING of the headers the
 *         library was built with ("0.2.0"); it lives for the life of the process.
 */
const char *eth_if_plcy_lib_version(void);

/**
 * A fixed text for a status code.
 * @param status a value one of the library's functions returned
 * @return "ok", "invalid argument, option or record", "out of memory",
 *         "policy cannot be represented", or "unknown status" for any other
 *         value: a NUL-terminated string that lives for the life of the process.
 */
const char *eth_if_plcy_status_str(uint32_t status);

/**
 * The name of one policy field bit as the mask printers show it.
 * @param bit one ETH_IF_PLCY_* policy field bit
 * @return "MTU", "EFP MATCH" and so on; null for zero, several bits or a bit
 *         above bit 19.
 */
const char *eth_if_plcy_field_name(uint32_t bit);

/* ---- Sizes ------------------------------------------------------------ */

/**
 * The record's size field, in host order.
 * @param rec a host-order record, or null
 * @param options must be 0, else the assertion "Invalid policy options
 *        specified" (checked first)
 * @return the size in bytes; 0 for a null rec.
 * @par Errors
 * A version other than 0 fails the assertion "This policy version is not
 * supported".
 */
uint32_t eth_if_plcy_get_size(const eth_if_plcy_t *rec, uint32_t options);

/**
 * Length of the EFP part. Checks neither version nor size.
 * @param rec a host-order record, or null
 * @return size - 48; 0 for a null rec.
 */
int32_t eth_if_plcy_get_efp_size(const eth_if_plcy_t *rec);

/**
 * Releases what an external record holds: it owns no memory, so this does
 * nothing and leaves it unchanged.
 * @param ext an external record, or null
 */
void eth_if_plcy_ext_free_ptrs(eth_if_plcy_ext_t *ext);

/* ---- Conversion ------------------------------------------------------- */

/**
 * Expands the groups of a record into an external record. Allocates nothing;
 * per-tag range pointers point into *ext itself.
 * @param rec a host-order record
 * @param fields the policy field bits wanted: the groups in (fields & rec's
 *        valid mask) are expanded
 * @param ext filled in: first cleared, then each wanted group
 * @param options must be 0
 * @retval 0 the groups are in *ext
 * @retval ETH_IF_PLCY_ERR_INVALID options != 0, a null rec or ext, a version
 *         other than 0, or an EFP whose counts exceed what the format holds
 *         (more than 2 match or push tags, a range list of more than 10
 *         entries or one that runs past size); ext is untouched
 */
uint32_t eth_if_plcy_decode(const eth_if_plcy_t *rec, uint32_t fields, eth_if_plcy_ext_t *ext,
                            uint32_t options);

/**
 * Builds a new record of exact size from an external record. On failure
 * nothing is allocated and *out is untouched.
 * @param ext the policy: the groups in its valid_mask
 * @param out where the new record is stored; the caller frees it with
 *        eth_if_plcy_free
 * @param options 0 or ETH_IF_PLCY_ENCODE_TAG_RANGES (the ranges come from the
 *        per-tag view)
 * @retval 0 *out holds the new record
 * @retval ETH_IF_PLCY_ERR_INVALID bad options, null ext or out
 * @retval ETH_IF_PLCY_ERR_BAD_POLICY ether_if_type not 1-21, sub and trunk
 *         fields together, range lists on both tags, more than 2 tags, 2
 *         pushes or 10 ranges, a per-tag range count with a null list
 * @retval ETH_IF_PLCY_ERR_NOMEM the allocation failed
 */
uint32_t eth_if_plcy_encode(const eth_if_plcy_ext_t *ext, eth_if_plcy_t **out, uint32_t options);

/**
 * In-place conversion between the host image and the network image.
 * The network image is the record as a big-endian host holds it: integers
 * big-endian, flag-unit fields from the most significant bit down; on a
 * big-endian host both functions change nothing. Which parts convert depends
 * on the record: the header and the fixed part's integers and flag units
 * always; with ETHER_IF_TYPE also the l2pt units and the view of the type's
 * class (trunk view; or sub view, reserved word and EFP area). Bytes left
 * alone travel in the sender's order, so a record that carries data there
 * (the EFP area of a record that is not sub-interface class, the
 * type-dependent area and l2pt of a record without ETHER_IF_TYPE or of
 * neither class) does not cross between hosts of different byte order
 * intact. Neither function looks at version, and both keep their walks
 * inside size.
 * @param rec the record, converted in place; must not be null
 * @{
 */
void eth_if_plcy_hton(eth_if_plcy_t *rec);
void eth_if_plcy_ntoh(eth_if_plcy_t *rec);
/** @} */

/**
 * Tells whether encode can take an external record and whether its values
 * are ones an interface can carry; encode itself does not call this and
 * keeps the format's normalisations. Every record it accepts, encode accepts
 * with the same options, and decode gives back. Only the groups in
 * valid_mask are looked at (the provision_info fields only with
 * is_provisioned, the EFP fields only with efp.configured), in this order:
 *   - each field's values: valid_mask no bit above bit 19; ether_if_type 1
 *     to 21; every one-bit field and sub.admin_up 0 or 1; VLAN IDs 0 to 4095
 *     (provision_info.imposition_vlan_id, trunk.native_vlan,
 *     trunk.access_vlan); at most 2 tags popped;
 *   - each L2PT byte with bit 7 clear;
 *   - no sub-interface field (PARENT, ADMIN_STATE, EFP FILTERING, SRC BYPASS
 *     FILTER) beside a trunk field (NATIVE_VLAN, QINQ_ETYPE, MAC_ACC,
 *     FILTERING) or a trunk-class ether_if_type, and no trunk field beside a
 *     sub-interface-class ether_if_type;
 *   - with efp.configured and EFP MATCH: at most 2 match tags; each tag's
 *     VLAN 0 to 4095, EFP_VLAN_ANY or EFP_VLAN_RANGE (4096 and 4097, the
 *     internal codes, are refused); each PCP 0 to 7 or EFP_PCP_ANY; a MAC
 *     check flag only with a non-zero address; at most 10 ranges, each with
 *     low <= high <= 4095; ranges exactly when a match tag uses
 *     EFP_VLAN_RANGE (per-tag view: a list only on such a tag, one tag at
 *     most, a non-null list for a nonzero count);
 *   - with efp.configured and EFP REWRITE: at most 2 pushes, each VLAN 0 to
 *     4095.
 * The reason is one constant sentence per rule (such as "VLAN is above
 * 4095" or "sub-interface and trunk fields are set together"); the field
 * says where, down to the entry (efp.ranges[3], efp.push[1].vlan, l2pt.tovu).
 * @param ext the policy to check
 * @param options 0 or ETH_IF_PLCY_ENCODE_TAG_RANGES (the range rules then
 *        apply to the per-tag view)
 * @retval 0 encode takes it and an interface can carry it
 * @retval ETH_IF_PLCY_ERR_INVALID a null ext or unknown option bits
 * @retval ETH_IF_PLCY_ERR_BAD_POLICY a rule fails
 */
uint32_t eth_if_plcy_ext_validate(const eth_if_plcy_ext_t *ext, uint32_t options);

/**
 * The same check as eth_if_plcy_ext_validate, also saying why a record was
 * refused.
 * @param ext the policy to check
 * @param options as for eth_if_plcy_ext_validate
 * @param reason null, or where a constant sentence saying which rule failed
 *        is stored
 * @param field null, or where the field's name as the tool's JSON spells it
 *        is stored, such as "efp.tag[0].vlan"; "" for a null ext or bad options
 * @return as eth_if_plcy_ext_validate; *reason and *field are left alone for
 *         an accepted record.
 */
uint32_t eth_if_plcy_ext_validate_explain(const eth_if_plcy_ext_t *ext, uint32_t options,
                                          const char **reason, const char **field);

/* ---- Record operations ------------------------------------------------ */

/**
 * The policy field bits that differ between two host-order records. The
 * public form reports only ETH_IF_PLCY_EXT_MASK bits; the _int form all 20.
 * @param first a record, or null (no group present)
 * @param second a record, or null
 * @param fields the bits to compare
 * @param options ETH_IF_PLCY_CMP_* bits only (anything else is the assertion
 *        "Invalid option specified"): ETH_IF_PLCY_CMP_ONE_SIDED leaves out
 *        fields present only in second; with it,
 *        ETH_IF_PLCY_CMP_FIRST_ABSENT_ALL makes a null first differ in all
 * @return the mask of differing bits within fields.
 * @par Errors
 * Two records of which either has a non-zero version fail the assertion
 * "Comparing different policy versions isn't supported".
 * @{
 */
uint32_t eth_if_plcy_compare(const eth_if_plcy_t *first, const eth_if_plcy_t *second,
                             uint32_t fields, uint32_t options);
uint32_t eth_if_plcy_compare_int(const eth_if_plcy_t *first, const eth_if_plcy_t *second,
                                 uint32_t fields, uint32_t options);
/** @} */

/**
 * Copies a host-order record into a new malloc'd block; *out is untouched
 * on failure.
 * @param src the record to copy
 * @param out where the copy is stored; the caller frees it with eth_if_plcy_free
 * @param options 0, or ETH_IF_PLCY_COPY_HTON to convert the copy to network order
 * @retval 0 *out holds the copy
 * @retval ETH_IF_PLCY_ERR_INVALID other option bits, null src or out, version != 0
 * @retval ETH_IF_PLCY_ERR_NOMEM the allocation failed
 */
uint32_t eth_if_plcy_copy(const eth_if_plcy_t *src, eth_if_plcy_t **out, uint32_t options);

/**
 * Puts a record into a slot that owns one; on failure the slot is left as
 * it was.
 * @param slot the slot; the record it holds (or null) is replaced
 * @param rec the record to put in, or null (with ETH_IF_PLCY_REPLACE_COPY,
 *        empties the slot)
 * @param mode ETH_IF_PLCY_REPLACE_TAKE: frees the held record and stores rec
 *        itself (the slot owns it). ETH_IF_PLCY_REPLACE_COPY: copies rec,
 *        reusing the held block when the sizes are equal and allocating before
 *        freeing otherwise.
 * @retval 0 the slot holds rec or its copy
 * @retval ETH_IF_PLCY_ERR_INVALID mode > 1, null slot
 * @retval ETH_IF_PLCY_ERR_NOMEM the allocation failed
 */
uint32_t eth_if_plcy_replace(eth_if_plcy_t **slot, eth_if_plcy_t *rec, uint32_t mode);

/**
 * Releases a record, in either byte order.
 * @param rec the record, or null (nothing happens)
 * @param options must be 0
 * @par Errors
 * Options other than 0 or a version other than 0 take the assertion path.
 */
void eth_if_plcy_free(eth_if_plcy_t *rec, uint32_t options);

/* ---- Checking received bytes ------------------------------------------- */

/**
 * Tells whether bytes hold a well-formed internal record, without changing
 * them. Well-formed, checked in this order, each bound before it is used:
 *   buf not null; len at least 72; size at least 72 and at most len;
 *   version 0; no valid-mask bit above bit 19; with ETHER_IF_TYPE of one
 *   class, no field bit of the other class's view (PARENT, ADMIN_STATE, EFP
 *   FILTERING, SRC BYPASS FILTER against NATIVE_VLAN, QINQ_ETYPE, MAC_ACC,
 *   FILTERING), since the byte-order conversion carries only the record's view;
 *   an EFP base of base type 0x00 (compact) or 0x40 (full), the full form
 *   inside size, and with EFP MATCH or EFP REWRITE the compact form too;
 *   counts within the form: compact match plus push tags at most 2, full
 *   match tags at most 2 and push tags at most 2;
 *   where a match tag below the count carries the range VLAN code, a range
 *   list inside size of at most 10 entries, entry k with index k and the base
 *   type of its form (0x80 after compact, 0xC0 after full), ended by 0x0F.
 * In a network image the EFP area is read in network order only where the
 * byte-order conversion converts it (ETHER_IF_TYPE of sub-interface class).
 * For every accepted record decode, the printers, compare, copy, replace,
 * free, hton and ntoh stay inside the record and never assert; hton's output
 * is accepted with ETH_IF_PLCY_VALIDATE_NET and ntoh's without it.
 * @param buf the bytes, at any alignment
 * @param len how many bytes may be read
 * @param options 0, or ETH_IF_PLCY_VALIDATE_NET: the bytes are a network image
 * @retval 0 well-formed
 * @retval ETH_IF_PLCY_ERR_INVALID not well-formed, or unknown option bits
 */
uint32_t eth_if_plcy_validate(const void *buf, size_t len, uint32_t options);

/**
 * The same check as eth_if_plcy_validate, also saying why bytes were refused.
 * @param buf the bytes
 * @param len how many bytes may be read
 * @param options as for eth_if_plcy_validate
 * @param reason null, or where a constant string saying which check failed is stored
 * @param offset null, or where the byte the failed check looked at is stored
 * @return as eth_if_plcy_validate; *reason and *offset are left alone for an
 *         accepted record.
 */
uint32_t eth_if_plcy_validate_explain(const void *buf, size_t len, uint32_t options,
                                      const char **reason, uint32_t *offset);

/* ---- Rendering -------------------------------------------------------- */

/**
 * Mask lines "    NAME: 0|1\n" for the 20 policy field bits (or the 18 of
 * ETH_IF_PLCY_EXT_MASK), appended at a cursor. Text that does not fit is
 * cut: the buffer then holds a NUL-terminated prefix, nothing past it is
 * written.
 * @param mask the policy field bits to show as 1
 * @param pos the cursor's position, advanced past the text
 * @param len the room left at *pos, lessened by the text
 * @{
 */
void eth_if_plcy_print_mask_internal(uint32_t mask, char **pos, size_t *len);
void eth_if_plcy_print_ext_mask_internal(uint32_t mask, char **pos, size_t *len);
/** @} */

/**
 * A heading and the mask lines of eth_if_plcy_print_mask_internal (or its
 * ext form) in a buffer. Text that does not fit is cut: the buffer then holds
 * a NUL-terminated prefix, nothing past it is written.
 * @param mask the policy field bits to show as 1
 * @param buf a writable buffer
 * @param len its size, nonzero
 * @return buf.
 * @{
 */
char *eth_if_plcy_print_mask(uint32_t mask, char *buf, size_t len);
char *eth_if_plcy_print_ext_mask(uint32_t mask, char *buf, size_t len);
/** @} */

/**
 * One line of text for the match or the rewrite of an EFP in the full form
 * (followed by its range list), "(none)" when not configured.
 * @param dst a writable buffer; the text is cut to fit, NUL-terminated
 * @param size its size, nonzero
 * @param efp the full EFP form, at any alignment
 * @{
 */
void eth_if_plcy_format_efp_match(char *dst, size_t size, const eth_efp_full *efp);
void eth_if_plcy_format_efp_rewrite(char *dst, size_t size, const eth_efp_full *efp);
/** @} */

/**
 * Renders a host-order record as text. Text that does not fit is cut to a
 * NUL-terminated prefix; eth_if_plcy_print_len tells the size needed.
 * @param rec the record
 * @param buf a writable buffer
 * @param len its size
 * @param options 0 for the full layout, ETH_IF_PLCY_PRINT_COMPACT or
 *        ETH_IF_PLCY_PRINT_BRIEF (both: compact header, brief body)
 * @return buf, or null (writing nothing) for a null buf, len 0 or a null rec.
 */
char *eth_if_plcy_print(const eth_if_plcy_t *rec, char *buf, size_t len, uint32_t options);

/**
 * The length of the text eth_if_plcy_print writes, as snprintf counts it: a
 * buffer of the result + 1 bytes holds the whole text.
 * @param rec the record
 * @param options as for eth_if_plcy_print
 * @return the length without the NUL; 0 for a null rec.
 */
size_t eth_if_plcy_print_len(const eth_if_plcy_t *rec, uint32_t options);

/**
 * Renders an external record as text. Text that does not fit is cut to a
 * NUL-terminated prefix; eth_if_plcy_ext_print_len tells the size needed.
 * @param rec the external record
 * @param buf a writable buffer
 * @param len its size
 * @param options 0 for the full layout, or ETH_IF_PLCY_PRINT_COMPACT
 * @return buf, or null (writing nothing) for a null buf, len 0 or null rec.
 */
char *eth_if_plcy_ext_print(const eth_if_plcy_ext_t *rec, char *buf, size_t len, uint32_t options);

/**
 * The length of the text eth_if_plcy_ext_print writes, as
 * eth_if_plcy_print_len counts it. The EFP rows encode a scratch record, so
 * an allocation failing in one call and not the other changes the text
 * between them.
 * @param rec the external record
 * @param options as for eth_if_plcy_ext_print
 * @return the length without the NUL; 0 for a null rec.
 */
size_t eth_if_plcy_ext_print_len(const eth_if_plcy_ext_t *rec, uint32_t options);

#ifdef __cplusplus
}
#endif

#endif /**< ETHER_INTERFACE_POLICY_API_H */
