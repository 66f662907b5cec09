// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Streams: many records, or policies, in one input, read through a buffer
// (never the whole input) and each told with where it was found. Binary
// records are walked by their own size field; hex records and JSON policies
// are one per line, blank lines and "#" comments skipped.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "record_layout.hpp"
#include "tool.hpp"

namespace ethplcy_tool {

std::string StreamItem::where() const {
    std::string at = "record " + std::to_string(number);
    return line != 0 ? at + ", line " + std::to_string(line)
                     : at + " at offset " + std::to_string(offset);
}

Stream::Stream(const Input &in, Framing framing, bool net) : framing_(framing), net_(net) {
    struct stat st;
    if (in.arg == "-") {
        file_ = stdin;
    } else if (::stat(in.arg.c_str(), &st) == 0 || in.binary) {
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

Stream::~Stream() {
    if (owned_) std::fclose(file_);
    std::free(line_);
}

bool Stream::read_binary(StreamItem &item) {
    constexpr size_t kHeader = 8;
    constexpr auto kSize = ethplcy::layout::size; // where a record says its size
    static_assert(kSize.off + kSize.bytes <= kHeader && kSize.bytes == 2);
    item.bytes.resize(kHeader);
    size_t got = std::fread(item.bytes.data(), 1, kHeader, file_);
    if (got == 0 && std::feof(file_)) return false;
    item.number = ++count_;
    item.offset = offset_;
    item.line = 0;
    if (got < kHeader) {
        item.error = "truncated: " + std::to_string(got) + " bytes, shorter than a record's header";
        return done_ = true;
    }
    const uint8_t *s = item.bytes.data() + kSize.off;
    uint16_t host;
    std::memcpy(&host, s, 2);
    unsigned size = net_ ? (s[0] << 8 | s[1]) : host;
    // A size below the smallest record cannot say where the next one starts.
    if (size < ETH_IF_PLCY_MIN_SIZE) {
        item.error = "its size field says " + std::to_string(size) + ", less than " +
                     std::to_string(ETH_IF_PLCY_MIN_SIZE) + ": no later record can be found";
        return done_ = true;
    }
    item.bytes.resize(size);
    got = std::fread(item.bytes.data() + kHeader, 1, size - kHeader, file_);
    offset_ += kHeader + got;
    if (got < size - kHeader) {
        item.error = "truncated: " + std::to_string(kHeader + got) + " of its " +
                     std::to_string(size) + " bytes";
        return done_ = true;
    }
    return true;
}

bool Stream::read_line(StreamItem &item) {
    ssize_t n;
    while ((n = ::getline(&line_, &line_cap_, file_)) >= 0) {
        lines_++;
        std::string_view text(line_, static_cast<size_t>(n));
        size_t start = text.find_first_not_of(" \t\r\n");
        if (start == std::string_view::npos || text[start] == '#') continue;
        item.number = ++count_;
        item.line = lines_;
        item.offset = 0;
        if (framing_ == Framing::json) {
            item.text.assign(text);
            return true;
        }
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.remove_suffix(1);
        try {
            item.bytes = parse_hex(std::string(text), "the record");
        } catch (const Failure &f) {
            item.error = f.what();
        }
        return true;
    }
    if (std::ferror(file_)) throw Failure(std::string("cannot read: ") + std::strerror(errno));
    return false;
}

bool Stream::next(StreamItem &item) {
    item.error.clear();
    if (done_) return false;
    return framing_ == Framing::binary ? read_binary(item) : read_line(item);
}

} // namespace ethplcy_tool
