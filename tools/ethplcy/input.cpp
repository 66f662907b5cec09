// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Input and output: one rule for every command ("-" is standard input or
// output, an existing file is read, anything else is the text itself), input
// capped, every read and write checked, and the checks before the library
// sees a record.
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "tool.hpp"

namespace ethplcy_tool {
namespace {

std::vector<uint8_t> read_stream(FILE *f, const std::string &name) {
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (bytes.size() > kInputCap)
            throw Failure(name + " is larger than " + std::to_string(kInputCap >> 20) +
                          " MiB: not a record or a policy");
    }
    if (std::ferror(f)) throw Failure("cannot read " + name + ": " + std::strerror(errno));
    return bytes;
}

// A short quote of what was read, non-printable bytes escaped.
std::string quote(const std::string &text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size() && i < 24; i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (std::isprint(c)) {
            out += static_cast<char>(c);
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02x", c);
            out += esc;
        }
    }
    return out + (text.size() > 24 ? "...\"" : "\"");
}

} // namespace

std::vector<uint8_t> read_input(const Input &in, std::string &name) {
    if (in.arg == "-") {
        name = "standard input";
        return read_stream(stdin, name);
    }
    struct stat st;
    if (::stat(in.arg.c_str(), &st) != 0) {
        if (in.binary)
            throw Failure("cannot open " + in.arg + ": " + std::strerror(errno) +
                          " (--binary reads a file or standard input)");
        name = "the argument";
        return std::vector<uint8_t>(in.arg.begin(), in.arg.end());
    }
    name = in.arg;
    if (S_ISDIR(st.st_mode)) throw Failure("cannot read " + in.arg + ": " + std::strerror(EISDIR));
    FILE *f = std::fopen(in.arg.c_str(), "rb");
    if (f == nullptr) throw Failure("cannot open " + in.arg + ": " + std::strerror(errno));
    try {
        auto bytes = read_stream(f, name);
        std::fclose(f);
        return bytes;
    } catch (...) {
        std::fclose(f);
        throw;
    }
}

std::string read_text(const Input &in) {
    std::string name;
    auto bytes = read_input(in, name);
    return std::string(bytes.begin(), bytes.end());
}

std::string not_a_file(const Input &in) {
    struct stat st;
    if (in.arg == "-" || in.binary || ::stat(in.arg.c_str(), &st) == 0) return "";
    return quote(in.arg) + " is not a file (" + std::strerror(errno) + ")";
}

std::vector<uint8_t> read_record_bytes(const Input &in) {
    std::string name;
    auto bytes = read_input(in, name);
    if (in.binary) return bytes;
    return hex_record(in, std::string(bytes.begin(), bytes.end()), name);
}

std::vector<uint8_t> hex_record(const Input &in, const std::string &text, const std::string &name) {
    try {
        return parse_hex(text, name);
    } catch (const Failure &f) {
        // Text given as an argument may have been meant as a file's name: say both.
        std::string why = not_a_file(in);
        if (why.empty()) throw;
        std::string detail = f.what();
        detail = detail.substr(detail.find("is not hex") + 10);
        // Nothing of it read as hex: the detail would only quote it again.
        bool none = text.empty() || !std::isxdigit(static_cast<unsigned char>(text[0]));
        throw Failure(why + " and not hex" + (none ? "" : detail));
    }
}

// Hex digits with blanks and newlines anywhere and an optional leading 0x.
std::vector<uint8_t> parse_hex(const std::string &text, const std::string &name) {
    std::vector<uint8_t> bytes;
    parse_hex(std::string_view(text), name, bytes);
    return bytes;
}

void parse_hex(std::string_view text, const std::string &name, std::vector<uint8_t> &bytes) {
    static constexpr auto kValue = [] { // a digit's value; 16 for a blank, 17 for anything else
        std::array<uint8_t, 256> v{};
        v.fill(17);
        for (int c = 0; c < 10; c++)
            v['0' + c] = static_cast<uint8_t>(c);
        for (int c = 0; c < 6; c++)
            v['a' + c] = v['A' + c] = static_cast<uint8_t>(10 + c);
        for (unsigned char c : {' ', '\t', '\r', '\n', '\v', '\f'})
            v[c] = 16;
        return v;
    }();
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start != std::string_view::npos && text.compare(start, 2, "0x") == 0) start += 2;
    // Sized once for the digits there can be, cut to those there were.
    bytes.resize(text.size() / 2);
    size_t n = 0;
    unsigned high = 0, digits = 0;
    size_t i = start == std::string_view::npos ? text.size() : start;
    // Two digits a byte while the text is only digits (a dump's lines are);
    // the loop below takes blanks and refusals from the first other character.
    for (; i + 1 < text.size(); i += 2) {
        uint8_t a = kValue[static_cast<unsigned char>(text[i])];
        uint8_t b = kValue[static_cast<unsigned char>(text[i + 1])];
        if ((a | b) >= 16) break;
        bytes[n++] = static_cast<uint8_t>(a << 4 | b);
        digits += 2;
    }
    for (; i < text.size(); i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        uint8_t v = kValue[c];
        if (v == 16) continue;
        if (v == 17) {
            std::string msg = name + " is not hex: " + quote(std::string(text.substr(i))) +
                              " at position " + std::to_string(i);
            if (!std::isprint(c)) msg += " (raw bytes? use --binary)";
            throw Failure(msg);
        }
        if (digits++ % 2 == 0)
            high = v;
        else
            bytes[n++] = static_cast<uint8_t>(high << 4 | v);
    }
    bytes.resize(n);
    if (digits == 0) throw Failure(name + " is not hex: no digits");
    if (digits % 2 != 0)
        throw Failure(name + " is not hex: odd number of digits (" + std::to_string(digits) + ")");
}

std::string to_hex(std::span<const uint8_t> bytes) {
    std::string out;
    append_hex(bytes, out);
    return out;
}

void append_hex(std::span<const uint8_t> bytes, std::string &out) {
    static const char digits[] = "0123456789abcdef";
    size_t at = out.size();
    out.resize(at + 2 * bytes.size());
    for (uint8_t b : bytes) {
        out[at++] = digits[b >> 4];
        out[at++] = digits[b & 15];
    }
}

Output::Output(const std::string &path) : path_(path == "-" ? "standard output" : path) {
    file_ = path == "-" ? stdout : std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) throw Failure("cannot open " + path + ": " + std::strerror(errno));
}

Output::~Output() {
    if (file_ != nullptr && file_ != stdout) std::fclose(file_);
}

void write_failed(const std::string &path, int err) {
    if (err == EPIPE) throw ClosedPipe{};
    throw WriteFailure("cannot write " + path + ": " + std::strerror(err));
}

void Output::write(const void *data, size_t n) {
    if (n != 0 && std::fwrite(data, 1, n, file_) != n) write_failed(path_, errno);
}

void Output::close() {
    bool failed = std::fflush(file_) != 0 || std::ferror(file_);
    int err = errno;
    if (file_ != stdout) {
        if (std::fclose(file_) != 0 && !failed) failed = true, err = errno;
        file_ = nullptr;
    }
    if (failed) write_failed(path_, err);
}

bool looks_like_hex(std::span<const uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](uint8_t c) { return std::isxdigit(c) || std::isspace(c) || c == 'x'; });
}

eth_if_plcy::Record load_record(const std::vector<uint8_t> &bytes, bool net) {
    if (bytes.size() < 8)
        throw Failure("record is " + std::to_string(bytes.size()) +
                      " bytes, shorter than its 8-byte header");
    unsigned little = bytes[2] | bytes[3] << 8, big = bytes[2] << 8 | bytes[3];
    uint16_t host;
    std::memcpy(&host, &bytes[2], 2);
    unsigned size = net ? big : host;
    unsigned other = net ? host : (host == little ? big : little);
    if (size != bytes.size()) {
        std::string msg = "record is " + std::to_string(bytes.size()) +
                          " bytes but its size field says " + std::to_string(size);
        if (other == bytes.size())
            msg += net ? " (a host image? leave out --net)" : " (a network image? use --net)";
        else if (looks_like_hex(bytes))
            msg += " (hex text? leave out --binary)";
        throw Failure(msg);
    }
    eth_if_plcy::Record rec;
    auto v = eth_if_plcy::Record::from_bytes(bytes, rec, net ? ETH_IF_PLCY_VALIDATE_NET : 0);
    if (v.status == eth_if_plcy::Status::nomem) throw Failure("out of memory");
    if (!v)
        throw Failure(std::string("record fails its check at offset ") + std::to_string(v.offset) +
                      ": " + v.reason);
    return rec;
}

eth_if_plcy::Record encoded(const eth_if_plcy_ext_t &e, uint32_t options) {
    eth_if_plcy::Record rec;
    if (auto st = eth_if_plcy::encode(e, rec, options); st != eth_if_plcy::Status::ok)
        throw Failure(std::string("encode refused the policy: ") + eth_if_plcy::to_string(st));
    return rec;
}

} // namespace ethplcy_tool
