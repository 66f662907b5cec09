// SPDX-License-Identifier: Apache-2.0
// ethplcy: shared declarations of the command-line tool.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "eth_if_plcy.hpp"

namespace ethplcy_tool {

// A user-facing error: printed as "ethplcy: <message>", exit status 2.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Where a record or a JSON text comes from: an argument, stdin ("-" or none), a file.
struct Source {
    std::string text;        // the command-line argument, when given
    bool from_stdin = true;  // no argument, or "-"
    std::string binary_file; // --binary FILE
};

std::string read_text(const Source &src);
std::vector<uint8_t> read_bytes(const Source &src);
std::vector<uint8_t> parse_hex(const std::string &text);
std::string to_hex(std::span<const uint8_t> bytes);

// Checks that bytes can safely be handed to the library (size matches the
// byte count, and the record validates) and returns the record in host order.
eth_if_plcy::Record load_record(const std::vector<uint8_t> &bytes, bool net);

std::string ext_to_json(const eth_if_plcy_ext_t &ext);
// Fills ext from JSON; per-tag range lists point at ext.efp.ranges.
void ext_from_json(const std::string &text, eth_if_plcy_ext_t &ext);

// The record's bytes annotated field by field (or why it fails its check).
std::string hexdump(const std::vector<uint8_t> &bytes, bool net);

int run_demo();

} // namespace ethplcy_tool
