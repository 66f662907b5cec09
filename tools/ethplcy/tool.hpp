// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// ethplcy: shared declarations of the command-line tool.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "eth_if_plcy.hpp"

namespace eth_if_plcy::gnmi {
struct Id; // gnmi.hpp: a record's interface name and sub-interface index
}

namespace eth_if_plcy::fields {
struct Verdict;
}

namespace ethplcy_tool {

// A user-facing error: printed as "ethplcy: <message>", exit status 2.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Output that cannot be written ends the run at once, whatever is being read:
// neither is a Failure, which a stream's per-record handling reports and goes
// on from. A closed pipe ends it quietly, as it ends cat.
struct WriteFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct ClosedPipe {};
// Throws one of the two for a write that failed with errno err.
[[noreturn]] void write_failed(const std::string &path, int err);

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
// The record of the hex text read from in (named name in messages).
std::vector<uint8_t> hex_record(const Input &in, const std::string &text, const std::string &name);
std::string read_text(const Input &in);
// "\"NAME\" is not a file (why)" for text given as an argument that names no
// file; "" for a file or standard input.
std::string not_a_file(const Input &in);

// JSON that does not parse (as opposed to a policy refused field by field).
struct NotJson : Failure {
    using Failure::Failure;
};

std::vector<uint8_t> parse_hex(const std::string &text, const std::string &name);
// The same into bytes, whose storage is kept (a stream's next record).
void parse_hex(std::string_view text, const std::string &name, std::vector<uint8_t> &bytes);
std::string to_hex(std::span<const uint8_t> bytes);
void append_hex(std::span<const uint8_t> bytes, std::string &out);

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
// Bytes that are all hex digits and blanks: hex text read with --binary (a
// record has zero bytes in its header, so none looks like this).
bool looks_like_hex(std::span<const uint8_t> bytes);
// The record encode makes of a policy, in host order (refused as encode refuses).
eth_if_plcy::Record encoded(const eth_if_plcy_ext_t &e, uint32_t options);

// words: interface types and ethertypes by name (show --words).
std::string ext_to_json(const eth_if_plcy_ext_t &ext, bool one_line = false, bool words = false);
// The same after what out holds.
void append_json(const eth_if_plcy_ext_t &ext, std::string &out, bool one_line = false,
                 bool words = false);
// Fills ext from a policy given as JSON: the policy JSON, or the YANG
// module's RFC 7951 instance data (policy_input.cpp tells them apart).
// Per-tag range lists point at ext.efp.ranges. With check, only values an
// interface can carry, and the strict check (with encode's options) refuses
// in the JSON's words: the field's path (an entry's index included), the
// value given and what is allowed. Without, anything the external record
// holds (encode then keeps the format's normalisations).
void ext_from_json(const std::string &text, eth_if_plcy_ext_t &ext, bool check = true,
                   uint32_t options = 0);
// The same for the policy JSON alone (json_io.cpp).
void ext_from_policy_json(const std::string &text, eth_if_plcy_ext_t &ext, bool check,
                          uint32_t options);
// A policy read in one pass over plain JSON text (policy_scan.cpp), as
// ext_from_policy_json's reading; false when anything is unusual or
// refused, which the full readers then judge and word.
bool scan_policy(std::string_view text, eth_if_plcy_ext_t &ext, bool strict);
// ext_from_json of a line the scan takes (true), which is then a policy
// (neither a gNMI envelope nor instance data); false: not read.
bool ext_from_plain_json(std::string_view text, eth_if_plcy_ext_t &ext, bool check,
                         uint32_t options);
// A refused policy in the one wording of the field description's refusal.hpp.
std::string refusal(const eth_if_plcy_ext_t &ext, const eth_if_plcy::fields::Verdict &v);
// The YANG module of the policy, and the policy as its RFC 7951 instance
// data (refused when it breaks the module's interface-class rules).
std::string policy_yang();
// The augmentation of openconfig-interfaces with the fields OpenConfig does
// not hold (eth-if-plcy-oc), whose paths diff --gnmi writes.
std::string policy_yang_openconfig();
std::string ext_to_rfc7951(const eth_if_plcy_ext_t &ext, bool one_line = false);
// The top member of the instance data: "eth-if-plcy:policy".
inline constexpr const char *kYangTop = "eth-if-plcy:policy";
// When text is RFC 7951 instance data of the module: the policy JSON in it.
bool rfc7951_policy(std::string &text);

// One interface's OpenConfig configuration (RFC 7951 JSON) of a policy; the
// policy's fields OpenConfig cannot say are put in notes. index < 0: none.
std::string ext_to_openconfig(const eth_if_plcy_ext_t &ext, const std::string &name, int64_t index,
                              bool one_line, std::vector<std::string> &notes);
// Whether text is JSON to read as OpenConfig (an object).
bool is_openconfig(const std::string &text);
// The policy JSON an OpenConfig configuration holds; what the policy cannot
// hold is refused (its OpenConfig path named), what it need not is put in
// notes (refused too when strict).
std::string openconfig_to_policy(const std::string &text, const std::string &name, int64_t index,
                                 std::vector<std::string> &notes, bool strict = false);

// The JSON text of the value at a path such as "sub.parent" ("" when absent).
std::string value_at(const eth_if_plcy_ext_t &ext, const std::string &path);

// The record's bytes annotated field by field (or why it fails its check);
// with net the bytes are shown as given, the values from the host image.
std::string hexdump(const std::vector<uint8_t> &bytes, bool net);

// The differing fields of two records with both values, as text or JSON.
struct DiffOptions {
    uint32_t compare = 0;
    bool names = false, json = false, one_line = false;
    bool unkeyed_in_order = false; // diff --stream --key: records without the key, in order
};
int diff_records(const eth_if_plcy::Record &a, const eth_if_plcy::Record &b,
                 const DiffOptions &options, Output &out);
// The same into a string; 0 when equal, 1 when they differ.
int diff_text(const eth_if_plcy::Record &a, const eth_if_plcy::Record &b,
              const DiffOptions &options, std::string &out);

int run_demo();

// The bash completion script, from commands().
std::string bash_completion();

// ---- streams: many records in one input ----------------------------------------

// Back to back by size; hex one record per line; JSON values; hex or JSON,
// told apart by the first character that counts ("{" or "[": JSON).
enum class Framing { binary, hex, json, text };

struct StreamItem {
    size_t number = 0;          // 1 for the first record
    uint64_t offset = 0;        // binary: where the record starts
    size_t line = 0;            // hex and JSON: the line it is on
    std::vector<uint8_t> bytes; // binary and hex
    std::string text;           // JSON
    std::string error;          // why it is no record; the stream goes on unless it ended
    std::string where() const;  // "record 3 at offset 216", "record 3, line 7"
    bool json = false;          // a JSON value (text), not a record's bytes
    bool hex = false;           // a hex line (text) whose bytes Stream::settle reads
    uint64_t skipped = 0;       // binary: bytes passed over after this broken record
    uint64_t at = 0;            // where its read began in the input, for seek()
    size_t at_lines = 0;        // the lines before that place
};

// Reads items one at a time through a buffer: the input is never held whole.
class Stream {
  public:
    Stream(const Input &in, Framing framing, bool net);
    // Over an open file the caller keeps and closes.
    Stream(FILE *file, Framing framing, bool net) : framing_(framing), net_(net), file_(file) {}
    ~Stream();
    Stream(const Stream &) = delete;
    Stream &operator=(const Stream &) = delete;
    // The next item (its error set when it is no record); false at the end.
    // After a broken binary record the stream passes over the bytes up to the
    // next record that validates, and says so in the item's error.
    bool next(StreamItem &item);
    // Whether seek works (a file, not a pipe or standard input).
    bool seekable() const;
    // Back (or on) to an item read before: next() gives it again.
    void seek(const StreamItem &item);
    // Small reads, for a stream read again at places seek() picks.
    void random_access();
    // Hex lines are kept as text, to be read by settle() on any thread
    // (framing stays serial, the digits need not).
    void defer_hex() { defer_hex_ = true; }
    // The bytes of an item's hex line, or its error.
    static void settle(StreamItem &item);
    FILE *file() const { return file_; }
    // Where the next read starts: a byte offset into the input.
    uint64_t position() const;

  private:
    static constexpr char kRecordSeparator = 0x1e; // RFC 7464
    static constexpr size_t kHeader = 8;
    bool have(size_t n);
    void consume(size_t n);
    unsigned size_at(size_t at) const;
    bool valid_at(size_t at);
    bool framed_at(size_t at);
    size_t hidden_in(size_t at);
    bool take_at(size_t at);
    std::string broken();
    size_t chunk_ = 1u << 16;
    void resync(StreamItem &item);
    bool read_binary(StreamItem &item);
    bool fill();
    bool skip_space();
    bool read_hex(StreamItem &item);
    static void settle(StreamItem &item, std::string_view text);
    bool defer_hex_ = false;
    bool read_json(StreamItem &item);
    Framing framing_;
    bool net_;
    FILE *file_ = nullptr;
    bool owned_ = false;
    std::string text_;
    std::string line_buf_; // the current text line, at most kInputCap + 1 bytes of it
    bool cut_ = false;     // whether the line went on past line_buf_
    const char *line_ = nullptr;
    size_t len_ = 0, pos_ = 0;                // the current line's length and the scan position
    uint64_t line_at_ = 0, next_line_at_ = 0; // where the current and next lines start
    size_t count_ = 0, lines_ = 0;
    uint64_t offset_ = 0;
    std::vector<uint8_t> raw_; // binary: bytes read ahead, from head_ on
    size_t head_ = 0;
    uint64_t valid_ = UINT64_MAX; // the last offset where a record validated
};

// The stream commands; each returns the exit status.
struct StreamOptions {
    bool net = false, binary = false, json = false, ext = false, compact = false, words = false;
    uint32_t layout = 0;
};
int show_stream(const Input &in, const StreamOptions &o, Output &out);
int encode_stream(const Input &in, const StreamOptions &o, uint32_t options, bool check,
                  Output &out);
int diff_streams(const Input &a, const Input &b, const StreamOptions &o, const DiffOptions &d,
                 const std::string &key, Output &out);
int dump_stats(const Input &in, const StreamOptions &o, Output &out);

// diff --gnmi: two dumps of records with their identity as gNMI
// notifications (JSON Lines), or as lines for people with text.
struct GnmiOptions {
    std::string key, names; // plain records: the field that names them, and its names
    uint64_t timestamp = 0;
    bool timestamp_given = false, text = false;
};
// The record of a JSON item that is an envelope ({"name": ..., "record": ...}):
// false for any other item; a deleted record is refused.
bool envelope_record(const StreamItem &item, bool net, eth_if_plcy::Record &rec);
// Any envelope as it is: false for an item that is none (ethplcy-serve reads
// deletions too).
bool envelope_item(const StreamItem &item, bool net, eth_if_plcy::gnmi::Id &id, bool &deleted,
                   eth_if_plcy::Record &rec);
int diff_gnmi(const Input &a, const Input &b, const StreamOptions &o, const GnmiOptions &g,
              Output &out);

// The JSON Schema (draft 2020-12) of the policy JSON, from the field description.
std::string policy_schema();

} // namespace ethplcy_tool
