// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The append primitive, the name tables, the mask printers and the EFP
// match and rewrite formatters.
#include "text.hpp"

#include <array>
#include <cstdarg>
#include <cstdio>

#include "internal.hpp"
#include "policy_table.hpp"

using namespace ethplcy;

extern "C" void eth_if_plcy_append(char **pos, size_t *len, const char *fmt, ...) {
    if (*len == 0) return;
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(*pos, *pos == nullptr ? 0 : *len, fmt, ap);
    va_end(ap);
    if (*pos == nullptr) { // counting cursor: *len falls by the text's length
        if (n > 0) *len -= static_cast<size_t>(n);
        return;
    }
    if (n < 0) {
        **pos = '\0';
        return;
    }
    size_t used = static_cast<size_t>(n);
    if (used >= *len) used = *len - 1; // cut: stay on the terminating NUL
    *pos += used;
    *len -= used;
}

namespace {

// The fixed texts are copied rather than formatted: the same bytes as
// snprintf would write, cut and terminated the same way.
void put_text(char *dst, size_t size, const char *text, size_t len) {
    if (size == 0) return;
    size_t n = len < size - 1 ? len : size - 1;
    std::memcpy(dst, text, n);
    dst[n] = '\0';
}

namespace f = eth_if_plcy::fields;

// The modes' one-letter forms, by code; rev-tnl's letter is "e", not its first letter.
constexpr std::array<const char *, std::size(f::kModeWords)> kModeLetters = {"o", "f", "d", "t",
                                                                             "e"};

constexpr std::array<const char *, f::kFieldBits> kFieldNames = {
    "ETHER_IF_TYPE",     "INTF_READY", "L2_FLAG",   "PROVISION",   "L2PT",
    "MAC_ADDR",          "PARENT",     "EFP MATCH", "EFP REWRITE", "ADMIN_STATE",
    "NATIVE_VLAN",       "QINQ_ETYPE", "MAC_ACC",   "FILTERING",   "EFP FILTERING",
    "SRC BYPASS FILTER", "LOOPBACK",   "ICL MODE",  "MTU",         "VLAN SWITCHED"};

void print_mask_lines(uint32_t mask, uint32_t listed, char **pos, size_t *len) {
    for (unsigned k = 0; k < kFieldNames.size(); k++) {
        uint32_t bit = 1u << k;
        if (listed & bit)
            eth_if_plcy_append(pos, len, "    %s: %u\n", eth_if_plcy_field_str(bit),
                               (mask & bit) ? 1u : 0u);
    }
}

// The range list behind a full form, as " 10-20,30": one separator blank, then commas.
void format_ranges(char *piece, const uint8_t *range) {
    char *pos = piece;
    size_t len = kPieceSize;
    piece[0] = '\0';
    const char *sep = " ";
    for (unsigned k = 0; k < ETH_EFP_RANGE_MAX && !eth_efp_range_is_end(range);
         k++, range = eth_efp_range_next(range)) {
        unsigned low = eth_efp_range_low(range), high = eth_efp_range_high(range);
        if (low == high) {
            eth_if_plcy_append(&pos, &len, "%s%d", sep, static_cast<int>(low));
        } else {
            eth_if_plcy_append(&pos, &len, "%s%d-%d", sep, static_cast<int>(low),
                               static_cast<int>(high));
        }
        sep = ",";
    }
}

void format_vlan(char *piece, const uint8_t *efp, unsigned vlan) {
    if (vlan == ETH_EFP_VLAN_CODE_RANGE) {
        format_ranges(piece, efp + ETH_EFP_FULL_SIZE);
    } else if (vlan == ETH_EFP_VLAN_CODE_ANY) {
        put_text(piece, kPieceSize, " (any)", 6);
    } else if (vlan == 0) {
        put_text(piece, kPieceSize, " prio-tag", 9);
    } else {
        snprintf(piece, kPieceSize, " %d", static_cast<int>(vlan));
    }
}

void format_pcp(char *piece, unsigned pcp) {
    if (pcp >= 1 && pcp <= 8) {
        snprintf(piece, kPieceSize, " cos %d", static_cast<int>(pcp - 1));
    } else if (pcp == ETH_EFP_PCP_CODE_ANY) {
        piece[0] = '\0';
    } else {
        snprintf(piece, kPieceSize, "Unknown(0x%x)", pcp); // no leading blank, as shipped
    }
}

void append_mac(char **pos, size_t *len, const char *label, const uint8_t *mac) {
    if (eth_efp_mac_is_set(mac))
        eth_if_plcy_append(pos, len, " %s:%02x%02x.%02x%02x.%02x%02x", label, mac[0], mac[1],
                           mac[2], mac[3], mac[4], mac[5]);
}

} // namespace

extern "C" const char *eth_if_plcy_l2pt_proto_str(uint8_t index) {
    return index < f::kL2ptNames.size() ? f::kL2ptNames[index] : "unknown";
}

extern "C" const char *eth_if_plcy_l2pt_mode_str(uint8_t mode, int one_letter) {
    if (mode >= kModeLetters.size()) return one_letter ? "?" : "unknown";
    return one_letter ? kModeLetters[mode] : f::kModeWords[mode].word;
}

extern "C" void eth_if_plcy_ethertype_str(char *dst, size_t size, uint16_t ethertype) {
    switch (ethertype) {
    case 0x0001:
        return put_text(dst, size, " untagged", 9);
    case 0x0000:
        return put_text(dst, size, " <MatchAny>", 11);
    case ETH_EFP_ETHERTYPE_DOT1Q:
        return put_text(dst, size, " dot1q", 6);
    case ETH_EFP_ETHERTYPE_DOT1AD:
        return put_text(dst, size, " dot1ad", 7);
    default:
        snprintf(dst, size, " 0x%04x", ethertype);
    }
}

extern "C" const char *eth_if_plcy_field_str(uint32_t bit) {
    const char *name = eth_if_plcy_field_name(bit);
    if (name == nullptr) ETH_IF_PLCY_FAIL("!\"Unknown policy field\"");
    return name;
}

ETH_IF_PLCY_EXPORT void eth_if_plcy_print_mask_internal(uint32_t mask, char **pos, size_t *len) {
    print_mask_lines(mask, ETH_IF_PLCY_ALL_FIELDS, pos, len);
}

ETH_IF_PLCY_EXPORT void eth_if_plcy_print_ext_mask_internal(uint32_t mask, char **pos,
                                                            size_t *len) {
    print_mask_lines(mask, ETH_IF_PLCY_EXT_MASK, pos, len);
}

ETH_IF_PLCY_EXPORT char *eth_if_plcy_print_mask(uint32_t mask, char *buf, size_t len) {
    char *pos = buf;
    eth_if_plcy_append(&pos, &len, "Internal Ether policy mask:\n");
    eth_if_plcy_print_mask_internal(mask, &pos, &len);
    return buf;
}

ETH_IF_PLCY_EXPORT char *eth_if_plcy_print_ext_mask(uint32_t mask, char *buf, size_t len) {
    char *pos = buf;
    eth_if_plcy_append(&pos, &len, "External Ether policy mask:\n");
    eth_if_plcy_print_ext_mask_internal(mask, &pos, &len);
    return buf;
}

ETH_IF_PLCY_EXPORT void eth_if_plcy_format_efp_match(char *dst, size_t size,
                                                     const eth_efp_full *efp) {
    const uint8_t *b = efp->bytes;
    snprintf(dst, size, "(none)");
    if (!(eth_efp_unit_get(b, ETH_EFP_F_CFGD) & ETH_EFP_CFGD_MATCH)) return;
    char *pos = dst;
    eth_if_plcy_append(&pos, &size, "encap");
    unsigned tags = b[ETH_EFP_F_NUM_MATCH_TAGS_OFF];
    if (tags == 0) eth_if_plcy_append(&pos, &size, " default");
    for (unsigned i = 0; i < tags && i < ETH_EFP_MAX_MATCH_TAGS; i++) {
        const uint8_t *t = b + ETH_EFP_F_TAG_OFF(i);
        char ethertype[kPieceSize], vlan[kPieceSize], pcp[kPieceSize];
        eth_if_plcy_ethertype_str(ethertype, sizeof ethertype,
                                  eth_efp_load16(t + ETH_EFP_F_TAG_ETHERTYPE));
        format_vlan(vlan, b, eth_efp_load16(t + ETH_EFP_F_TAG_VLAN_LOW));
        format_pcp(pcp, t[ETH_EFP_F_TAG_PCP]);
        eth_if_plcy_append(&pos, &size, "%s%s%s", ethertype, vlan, pcp);
    }
    uint16_t payload = eth_efp_load16(b + ETH_EFP_F_PAYLOAD_OFF);
    if (payload != 0) {
        char text[kPieceSize];
        eth_if_plcy_ethertype_str(text, sizeof text, payload);
        eth_if_plcy_append(&pos, &size, "%s", text);
    }
    append_mac(&pos, &size, "src", b + ETH_EFP_F_SRC_MAC_OFF);
    append_mac(&pos, &size, "dst", b + ETH_EFP_F_DST_MAC_OFF);
    if (eth_efp_unit_get(b, ETH_EFP_F_NATIVE))
        eth_if_plcy_append(&pos, &size, "%s",
                           eth_efp_unit_get(b, ETH_EFP_F_NATIVE_PRESERVE)
                               ? " native-with-preservation"
                               : " native");
    if (eth_efp_unit_get(b, ETH_EFP_F_EXACT)) eth_if_plcy_append(&pos, &size, " exact");
    if (eth_efp_unit_get(b, ETH_EFP_F_L3_AMBIGUOUS)) eth_if_plcy_append(&pos, &size, " l3-ambig");
}

ETH_IF_PLCY_EXPORT void eth_if_plcy_format_efp_rewrite(char *dst, size_t size,
                                                       const eth_efp_full *efp) {
    const uint8_t *b = efp->bytes;
    snprintf(dst, size, "(none)");
    if (!(eth_efp_unit_get(b, ETH_EFP_F_CFGD) & ETH_EFP_CFGD_REWRITE)) return;
    char *pos = dst;
    eth_if_plcy_append(&pos, &size, "rewrite");
    unsigned pops = b[ETH_EFP_F_NUM_TAG_POPS_OFF], pushes = b[ETH_EFP_F_NUM_TAG_PUSHES_OFF];
    if (pops != 0) eth_if_plcy_append(&pos, &size, " pop %d", static_cast<int>(pops));
    if (pushes == 0) return;
    eth_if_plcy_append(&pos, &size, " push %d", static_cast<int>(pushes));
    for (unsigned j = 0; j < pushes && j < ETH_EFP_MAX_PUSH_TAGS; j++) {
        const uint8_t *t = b + ETH_EFP_F_PUSH_OFF(j);
        char ethertype[kPieceSize];
        eth_if_plcy_ethertype_str(ethertype, sizeof ethertype,
                                  eth_efp_load16(t + ETH_EFP_F_PUSH_ETHERTYPE));
        eth_if_plcy_append(&pos, &size, "%s %d", ethertype,
                           static_cast<int>(eth_efp_load16(t + ETH_EFP_F_PUSH_VLAN)));
    }
}

ETH_IF_PLCY_EXPORT const char *eth_if_plcy_field_name(uint32_t bit) {
    if (bit == 0 || (bit & (bit - 1)) != 0 || bit > ETH_IF_PLCY_VLAN_SWITCHED) return nullptr;
    return kFieldNames[static_cast<unsigned>(__builtin_ctz(bit))];
}
