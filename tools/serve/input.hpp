// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The input: keyed records (diff --gnmi's envelopes), one JSON object a line,
// applied to the store as they arrive.
#pragma once

#include <cstdio>
#include <string>

#include "store.hpp"

namespace ethplcy_serve {

// Reads in to its end; a line that is no envelope is refused with one line
// on standard error and the rest goes on. net: hex records in network order.
void read_records(FILE *in, const std::string &name, bool net, Store &store);

} // namespace ethplcy_serve
