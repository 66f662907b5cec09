// SPDX-License-Identifier: Apache-2.0
// Reading records: hex text or raw bytes, and the checks before the library sees them.
#include <cctype>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "tool.hpp"

namespace ethplcy_tool {

std::string read_text(const Source &src) {
    if (!src.from_stdin) return src.text;
    std::ostringstream all;
    all << std::cin.rdbuf();
    return all.str();
}

std::vector<uint8_t> read_bytes(const Source &src) {
    if (src.binary_file.empty()) return parse_hex(read_text(src));
    std::ifstream in(src.binary_file, std::ios::binary);
    if (!in) throw Failure("cannot open " + src.binary_file);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Hex digits with blanks and newlines anywhere and an optional leading 0x.
std::vector<uint8_t> parse_hex(const std::string &text) {
    std::string digits;
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start != std::string::npos && text.compare(start, 2, "0x") == 0) start += 2;
    for (size_t i = start == std::string::npos ? text.size() : start; i < text.size(); i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isspace(c)) continue;
        if (!std::isxdigit(c))
            throw Failure(std::string("'") + text[i] + "' at position " + std::to_string(i) +
                          " is not a hex digit");
        digits += static_cast<char>(c);
    }
    if (digits.empty()) throw Failure("no record given");
    if (digits.size() % 2 != 0)
        throw Failure("odd number of hex digits (" + std::to_string(digits.size()) + ")");
    std::vector<uint8_t> bytes(digits.size() / 2);
    for (size_t i = 0; i < bytes.size(); i++)
        bytes[i] = static_cast<uint8_t>(std::stoul(digits.substr(2 * i, 2), nullptr, 16));
    return bytes;
}

std::string to_hex(std::span<const uint8_t> bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

eth_if_plcy::Record load_record(const std::vector<uint8_t> &bytes, bool net) {
    if (bytes.size() < 8)
        throw Failure("record is " + std::to_string(bytes.size()) +
                      " bytes, shorter than its 8-byte header");
    uint16_t host_size;
    std::memcpy(&host_size, &bytes[2], 2);
    unsigned size = net ? unsigned(bytes[2] << 8 | bytes[3]) : host_size;
    if (size != bytes.size())
        throw Failure("record is " + std::to_string(bytes.size()) +
                      " bytes but its size field says " + std::to_string(size));
    eth_if_plcy::Record rec;
    auto v = eth_if_plcy::Record::from_bytes(bytes, rec, net ? ETH_IF_PLCY_VALIDATE_NET : 0);
    if (v.status == eth_if_plcy::Status::nomem) throw Failure("out of memory");
    if (!v)
        throw Failure(std::string("record fails its check at offset ") + std::to_string(v.offset) +
                      ": " + v.reason);
    return rec;
}

} // namespace ethplcy_tool
