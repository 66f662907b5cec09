// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Streams: many records, or policies, in one input, read through a buffer
// (never the whole input) and each told with where it was found. Binary
// records are walked by their own size field; hex records are one per line;
// JSON policies are any sequence of JSON values (JSON Lines, pretty-printed
// values one after another, RFC 7464 sequences). Blank lines and "#"
// comment lines are skipped; text input is told apart by its first character.
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "record_layout.hpp"
#include "tool.hpp"

namespace ethplcy_tool {

std::string StreamItem::where() const {
    std::string record = "record " + std::to_string(number);
    return line != 0 ? record + ", line " + std::to_string(line)
                     : record + " at offset " + std::to_string(offset);
}

Stream::Stream(const Input &in, Framing framing, bool net) : framing_(framing), net_(net) {
    struct stat st;
    bool exists = in.arg != "-" && ::stat(in.arg.c_str(), &st) == 0;
    if (in.arg == "-") {
        file_ = stdin;
    } else if (exists || in.binary) {
        if (exists && S_ISDIR(st.st_mode))
            throw Failure("cannot read " + in.arg + ": " + std::strerror(EISDIR));
        file_ = std::fopen(in.arg.c_str(), "rb");
        if (file_ == nullptr) throw Failure("cannot open " + in.arg + ": " + std::strerror(errno));
        owned_ = true;
    } else { // the argument's text itself
        text_ = in.arg;
        file_ = fmemopen(text_.data(), text_.size(), "rb");
        if (file_ == nullptr) throw Failure("out of memory");
        owned_ = true;
    }
    std::setvbuf(file_, nullptr, _IOFBF, 1u << 16);
}

bool Stream::seekable() const {
    return std::ftell(file_) >= 0 && std::fseek(file_, 0, SEEK_CUR) == 0;
}

void Stream::random_access() {
    chunk_ = 4096;
    std::setvbuf(file_, nullptr, _IOFBF, chunk_);
}

uint64_t Stream::position() const {
    return framing_ == Framing::binary ? offset_ : line_at_ + pos_;
}

void Stream::seek(const StreamItem &item) {
    count_ = item.number - 1;
    if (item.at == position()) return; // already there: the usual case of dumps in one order
    if (std::fseek(file_, static_cast<long>(item.at), SEEK_SET) != 0)
        throw Failure(std::string("cannot read: ") + std::strerror(errno));
    raw_.clear();
    head_ = pos_ = len_ = 0;
    offset_ = line_at_ = next_line_at_ = item.at;
    lines_ = item.at_lines;
}

Stream::~Stream() {
    if (owned_) std::fclose(file_);
}

// At least n bytes from the read position on, where the input has them.
bool Stream::have(size_t n) {
    while (raw_.size() - head_ < n) {
        if (head_ >= (1u << 16)) { // keep the buffer small: drop what was read
            raw_.erase(raw_.begin(), raw_.begin() + static_cast<std::ptrdiff_t>(head_));
            head_ = 0;
        }
        size_t old = raw_.size();
        raw_.resize(old + chunk_);
        size_t got = std::fread(raw_.data() + old, 1, chunk_, file_);
        raw_.resize(old + got);
        if (got == 0) {
            if (std::ferror(file_))
                throw Failure(std::string("cannot read: ") + std::strerror(errno));
            return false;
        }
    }
    return true;
}

void Stream::consume(size_t n) {
    head_ += n;
    offset_ += n;
}

// The size field of the bytes at the read position plus at.
unsigned Stream::size_at(size_t at) const {
    constexpr auto kSize = ethplcy::layout::size;
    static_assert(kSize.off + kSize.bytes <= kHeader && kSize.bytes == 2);
    const uint8_t *s = raw_.data() + head_ + at + kSize.off;
    uint16_t host;
    std::memcpy(&host, s, 2);
    return net_ ? static_cast<unsigned>(s[0] << 8 | s[1]) : host;
}

// Whether a record of a size the format has (72 to 176 bytes: a bound of
// the stream, not of eth_if_plcy_validate) starts at the read position plus
// at and validates. The last place found valid is kept: the walk asks again
// for each record's follower.
bool Stream::valid_at(size_t at) {
    if (offset_ + at == valid_) return true;
    if (!have(at + kHeader)) return false;
    unsigned size = size_at(at);
    if (size < ETH_IF_PLCY_MIN_SIZE || size > ETH_IF_PLCY_MAX_SIZE || !have(at + size) ||
        eth_if_plcy_validate(raw_.data() + head_ + at, size, net_ ? ETH_IF_PLCY_VALIDATE_NET : 0) !=
            0)
        return false;
    valid_ = offset_ + at;
    return true;
}

// Whether what follows the record that validates at at frames: the input
// ends where it ends, or the next record validates there.
bool Stream::framed_at(size_t at) {
    size_t end = at + size_at(at);
    return !have(end + 1) || valid_at(end);
}

// Where a record that validates at at but is not followed by one hides a
// record that is (the record at at is then one cut short that runs into
// it); 0 when none does.
size_t Stream::hidden_in(size_t at) {
    for (size_t r = at + 1, end = at + size_at(at); r < end; r++)
        if (valid_at(r) && framed_at(r)) return r;
    return 0;
}

// The rule of the walk: a record is taken at at when it validates and what
// follows it frames, or when nothing inside it would (its follower is the
// damaged one).
bool Stream::take_at(size_t at) {
    return valid_at(at) && (framed_at(at) || hidden_in(at) == 0);
}

// After a broken record: the bytes up to the next place a record is taken,
// looked for from the next byte on, go; every one is counted. Garbage with
// no record is passed over 64 KiB at a time: memory stays flat.
void Stream::resync(StreamItem &item) {
    constexpr size_t kLookAhead = 1u << 16;
    uint64_t start = offset_, skipped = 0;
    size_t at = 1;
    for (;; at++) {
        if (!have(at + 1)) {
            at = raw_.size() - head_;
            break;
        }
        if (take_at(at)) break;
        if (at >= kLookAhead) {
            consume(at);
            skipped += at;
            at = 0;
        }
    }
    consume(at);
    skipped += at;
    item.skipped = skipped;
    item.error += "; skipped " + std::to_string(skipped) + " bytes (offsets " +
                  std::to_string(start) + " to " + std::to_string(start + skipped - 1) + ")" +
                  (have(1) ? " to the next record that validates" : ", to the end");
}

// Why no record is taken at the read position ("" when one is).
std::string Stream::broken() {
    if (!have(kHeader))
        return "truncated: " + std::to_string(raw_.size() - head_) +
               " bytes, shorter than a record's header";
    unsigned size = size_at(0);
    if (size < ETH_IF_PLCY_MIN_SIZE || size > ETH_IF_PLCY_MAX_SIZE)
        return "its size field says " + std::to_string(size) +
               (size < ETH_IF_PLCY_MIN_SIZE
                    ? ", less than " + std::to_string(ETH_IF_PLCY_MIN_SIZE)
                    : ", more than " + std::to_string(ETH_IF_PLCY_MAX_SIZE));
    if (!have(size))
        return "truncated: " + std::to_string(raw_.size() - head_) + " of its " +
               std::to_string(size) + " bytes";
    const char *reason = nullptr;
    uint32_t where = 0;
    if (!valid_at(0) &&
        eth_if_plcy_validate_explain(raw_.data() + head_, size, net_ ? ETH_IF_PLCY_VALIDATE_NET : 0,
                                     &reason, &where) != 0)
        return "record fails its check at offset " + std::to_string(where) + ": " + reason;
    if (framed_at(0)) return "";
    size_t hidden = hidden_in(0);
    return hidden == 0 ? ""
                       : "a record that validates starts inside it at offset " +
                             std::to_string(offset_ + hidden) + " (cut short?)";
}

bool Stream::read_binary(StreamItem &item) {
    item.skipped = 0;
    if (!have(1)) return false;
    item.number = ++count_;
    item.offset = offset_;
    item.line = 0;
    item.error = broken();
    if (!item.error.empty()) {
        if (item.offset == 0 &&
            looks_like_hex({raw_.data() + head_, std::min<size_t>(raw_.size() - head_, kHeader)}))
            item.error += " (hex text? leave out --binary)";
        resync(item);
        return true;
    }
    const uint8_t *rec = raw_.data() + head_;
    size_t size = size_at(0);
    item.bytes.assign(rec, rec + size);
    consume(size);
    return true;
}

namespace {
bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0x1e; // RFC 7464's separator
}
} // namespace

// The current line from the scan position on, reading the next line when
// this one is used up; false at the end of the input.
bool Stream::fill() {
    while (pos_ == len_) {
        // Lines are taken from the read-ahead bytes; of a line longer than any
        // value the tool reads, kInputCap + 1 bytes are kept (enough for its
        // refusal) and the rest is passed over, so memory stays bounded.
        line_buf_.clear();
        size_t whole = 0;
        for (bool end = false; !end && have(1);) {
            const char *p = reinterpret_cast<const char *>(raw_.data()) + head_;
            size_t avail = raw_.size() - head_;
            const char *nl = static_cast<const char *>(std::memchr(p, '\n', avail));
            size_t take = nl != nullptr ? static_cast<size_t>(nl - p) + 1 : avail;
            size_t room = kInputCap + 1 - std::min(line_buf_.size(), kInputCap + 1);
            line_buf_.append(p, std::min(take, room));
            consume(take);
            whole += take;
            end = nl != nullptr;
        }
        if (whole == 0) return false;
        cut_ = whole > line_buf_.size() && line_buf_.size() > kInputCap;
        lines_++;
        pos_ = 0;
        line_ = line_buf_.data();
        len_ = line_buf_.size();
        line_at_ = next_line_at_;
        next_line_at_ += whole;
    }
    return true;
}

// Skips blanks, RFC 7464 record separators and "#" comment lines; false at
// the end of the input.
bool Stream::skip_space() {
    while (fill()) {
        char c = line_[pos_];
        if (c == '#') {
            pos_ = len_;
        } else if (blank(c)) {
            pos_++;
        } else {
            return true;
        }
    }
    return false;
}

bool Stream::read_hex(StreamItem &item) {
    if (!skip_space()) return false;
    std::string_view text(line_ + pos_, len_ - pos_);
    pos_ = len_;
    item.number = ++count_;
    item.line = lines_;
    item.offset = 0;
    if (cut_) { // no record's hex comes near it
        item.error =
            "the line is longer than " + std::to_string(kInputCap >> 20) + " MiB: not a record";
        return true;
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    if (defer_hex_) {
        item.text.assign(text);
        item.hex = true;
    } else {
        settle(item, text);
    }
    return true;
}

void Stream::settle(StreamItem &item) {
    if (!item.hex) return;
    item.hex = false;
    settle(item, item.text);
}

void Stream::settle(StreamItem &item, std::string_view text) {
    try {
        parse_hex(text, "the record", item.bytes);
    } catch (const Failure &f) {
        item.error = f.what();
        if (!text.empty() && (text[0] == '[' || text[0] == '"'))
            item.error += " (JSON policies are objects, one after another)";
    }
}

namespace {
// The characters that matter to the scan for a value's end, in a string
// and outside one.
constexpr std::array<uint8_t, 256> stops(std::string_view chars) {
    std::array<uint8_t, 256> t{};
    for (char c : chars)
        t[static_cast<uint8_t>(c)] = 1;
    return t;
}
constexpr auto kInString = stops("\"\\");
constexpr auto kOutside = stops("\"{}[]\x1e");
} // namespace

// One JSON value, whatever lines it spans; the scan follows strings and
// nesting only to find where the value ends (the reader judges the rest).
bool Stream::read_json(StreamItem &item) {
    if (!skip_space()) return false;
    item.number = ++count_;
    item.line = lines_;
    item.offset = 0;
    item.json = true;
    item.text.clear();
    char first = line_[pos_];
    if (first != '{' && first != '[') { // a number, string or word: up to the next blank
        size_t end = pos_ + 1;
        while (end < len_ && !blank(line_[end]))
            end++;
        item.error = "\"" + std::string(line_ + pos_, end - pos_) +
                     "\" is not a JSON object (a policy is {...})";
        pos_ = end;
        return true;
    }
    int depth = 0;
    bool quoted = false, escaped = false, long_ = false;
    // A value is kept up to the input cap: no policy comes near it, and a
    // value that never ends must not take the memory with it.
    auto keep = [&](size_t start, size_t end) {
        if (item.text.size() + (end - start) <= kInputCap)
            item.text.append(line_ + start, end - start);
        else
            long_ = true;
    };
    auto done = [&](const char *error) {
        if (error != nullptr) item.error = error;
        if (long_ && item.error.empty())
            item.error = "the JSON value is longer than " + std::to_string(kInputCap >> 20) +
                         " MiB: not a policy";
        return true;
    };
    while (fill()) {
        size_t start = pos_, i = pos_; // the scan in locals: the compiler keeps them in registers
        const char *line = line_;
        for (size_t len = len_; i < len; i++) {
            // Past the characters that change nothing, a table lookup each.
            // (After a backslash the next character is taken whatever it is.)
            const uint8_t *stops = quoted ? kInString.data() : kOutside.data();
            if (!escaped)
                while (i < len && !stops[static_cast<uint8_t>(line[i])])
                    i++;
            if (i == len) break;
            char c = line[i];
            if (quoted) {
                if (escaped)
                    escaped = false;
                else if (c == '\\')
                    escaped = true;
                else if (c == '"')
                    quoted = false;
            } else if (c == '"') {
                quoted = true;
            } else if (c == '{' || c == '[') {
                depth++;
            } else if (c == '}' || c == ']') {
                if (--depth == 0) {
                    pos_ = i + 1;
                    keep(start, pos_);
                    return done(nullptr);
                }
            } else if (c == kRecordSeparator) { // the next text of a sequence
                pos_ = i;
                keep(start, pos_);
                return done("the JSON value is cut short by a record separator (0x1e)");
            }
        }
        pos_ = i;
        keep(start, pos_);
        if (cut_) { // the value goes on past what was kept of its line: it ends there
            long_ = true;
            return done(nullptr);
        }
    }
    return done("the input ends inside this JSON value");
}

bool Stream::next(StreamItem &item) {
    item.error.clear();
    item.json = item.hex = false;
    // Where this read starts, blanks before the item included, for seek().
    item.at = position();
    item.at_lines = pos_ < len_ ? lines_ - 1 : lines_;
    if (framing_ == Framing::text) { // JSON or hex, by the first character that counts
        if (!skip_space()) return false;
        framing_ = line_[pos_] == '{' || line_[pos_] == '[' ? Framing::json : Framing::hex;
    }
    if (framing_ == Framing::binary) return read_binary(item);
    return framing_ == Framing::json ? read_json(item) : read_hex(item);
}

} // namespace ethplcy_tool
