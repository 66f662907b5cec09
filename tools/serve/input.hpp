// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The input: keyed records (diff --gnmi's envelopes), one JSON object a line,
// applied to the store as they arrive, from standard input, a FIFO (reopened
// for each writer) or a file (followed by name as tail -F does, on request).
#pragma once

#include <string>

#include "store.hpp"

namespace ethplcy_serve {

struct Input {
    std::string path = "-"; // "-": standard input
    bool follow = false;    // a regular file: follow it as it grows and rotates
    bool net = false;       // hex records in network byte order
};

// "" when the input can be read, or why not (checked before the server starts;
// a followed file may appear later).
std::string check_input(const Input &in);

// Reads the input: standard input or a plain file to its end, a FIFO and a
// followed file for ever. A line that is no envelope, or longer than
// kInputCap, is refused with one line on standard error and the rest goes on.
void read_input(const Input &in, Store &store);

} // namespace ethplcy_serve
