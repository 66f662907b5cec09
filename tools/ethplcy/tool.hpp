// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// ethplcy: shared declarations of the command-line tool.
#pragma once

#include <cstdint>
#include <cstdio>
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

// Input is capped: no record or policy comes near it.
inline constexpr size_t kInputCap = 1u << 20;

// One input argument: "-" is standard input, a name of an existing file is
// that file, anything else is the text itself. binary: raw bytes, not text.
struct Input {
    std::string arg = "-";
    bool binary = false;
};

// The bytes an input holds (capped), and what to call it in messages.
std::vector<uint8_t> read_input(const Input &in, std::string &name);
// A record's bytes: hex text, or raw bytes with binary.
std::vector<uint8_t> read_record_bytes(const Input &in);
std::string read_text(const Input &in);
// "\"NAME\" is not a file (why)" for text given as an argument that names no
// file; "" for a file or standard input.
std::string not_a_file(const Input &in);

// JSON that does not parse (as opposed to a policy refused field by field).
struct NotJson : Failure {
    using Failure::Failure;
};

std::vector<uint8_t> parse_hex(const std::string &text, const std::string &name);
std::string to_hex(std::span<const uint8_t> bytes);

// Where output goes: "-" (standard output) or a file; every write is checked.
class Output {
  public:
    explicit Output(const std::string &path);
    ~Output();
    Output(const Output &) = delete;
    Output &operator=(const Output &) = delete;
    void write(const void *data, size_t n);
    void write(const std::string &text) { write(text.data(), text.size()); }
    void close(); // flushes; a failure is a Failure

  private:
    std::string path_;
    FILE *file_;
};

// Checks that bytes can safely be handed to the library (size matches the
// byte count, and the record validates) and returns the record in host order.
eth_if_plcy::Record load_record(const std::vector<uint8_t> &bytes, bool net);

std::string ext_to_json(const eth_if_plcy_ext_t &ext, bool one_line = false);
// Fills ext from JSON; per-tag range lists point at ext.efp.ranges.
void ext_from_json(const std::string &text, eth_if_plcy_ext_t &ext);
// A refusal by eth_if_plcy_ext_validate in the JSON's words: the field's path
// (an entry's index included), the value given and what is allowed.
std::string refusal(const eth_if_plcy_ext_t &ext, const char *reason, const char *field);

// The record's bytes annotated field by field (or why it fails its check);
// with net the bytes are shown as given, the values from the host image.
std::string hexdump(const std::vector<uint8_t> &bytes, bool net);

// The differing fields of two records with both values, as text or JSON.
struct DiffOptions {
    uint32_t compare = 0;
    bool names = false, json = false, one_line = false;
};
int diff_records(const eth_if_plcy::Record &a, const eth_if_plcy::Record &b,
                 const DiffOptions &options, Output &out);

int run_demo();

// The JSON Schema (draft 2020-12) of the policy JSON, from the field description.
std::string policy_schema();

} // namespace ethplcy_tool
