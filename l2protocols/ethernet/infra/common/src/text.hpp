// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Text output primitives shared by every printer: the output cursor's append
// and the name tables. Private to the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "ether_interface_policy_api.h"

extern "C" {

/*
 * Appends printf-formatted text at the cursor (*pos, *len) and advances it.
 * Never writes outside the buffer and always leaves it NUL-terminated: text
 * that does not fit is cut, after which *pos points at the NUL in the
 * buffer's last byte and *len is 1, so later appends add nothing. A
 * formatting error adds nothing and leaves a NUL at *pos. A cursor with
 * *len 0 is left alone. A counting cursor (*pos null, *len SIZE_MAX) writes
 * nothing and lowers *len by the length of the text, so the printers' lengths
 * come from the very code that prints.
 */
void eth_if_plcy_append(char **pos, size_t *len, const char *fmt, ...)
    __attribute__((format(printf, 3, 4)));

const char *eth_if_plcy_l2pt_proto_str(uint8_t index);
const char *eth_if_plcy_l2pt_mode_str(uint8_t mode, int one_letter);
void eth_if_plcy_ethertype_str(char *dst, size_t size, uint16_t ethertype);
const char *eth_if_plcy_field_str(uint32_t bit);
}

namespace ethplcy {

// Every caller of eth_if_plcy_ethertype_str passes a scratch buffer of this size.
inline constexpr size_t kPieceSize = 100;

// The fields of an L2PT byte: mode, EXP given, EXP value.
struct L2pt {
    uint8_t mode;
    bool exp_given;
    unsigned exp;
};

inline L2pt l2pt_of(uint8_t byte) {
    return L2pt{static_cast<uint8_t>(byte & ETH_IF_PLCY_L2PT_MODE_MASK),
                (byte & ETH_IF_PLCY_L2PT_EXP_GIVEN) != 0,
                (byte & ETH_IF_PLCY_L2PT_EXP_MASK) >> ETH_IF_PLCY_L2PT_EXP_SHIFT};
}

// The MPLS EXP text of an L2PT byte: its value, or "unset" when none is given.
inline void l2pt_exp_text(char (&text)[10], const L2pt &l) {
    if (l.exp_given) {
        snprintf(text, sizeof text, "%u", l.exp);
    } else {
        snprintf(text, sizeof text, "unset");
    }
}

} // namespace ethplcy
