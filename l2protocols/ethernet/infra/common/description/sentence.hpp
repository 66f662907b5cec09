// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Sentences that state a limit, made at compile time from the limit's
// constant, so that a reason never disagrees with the number it names. They
// live in static storage: the C API hands them out as const char *.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace eth_if_plcy::fields {

struct Hex {
    uint64_t value; // written "0x..." with four digits at least
};

struct Sentence {
    std::array<char, 96> text{}; // a longer sentence does not compile (index out of range)
    size_t size = 0;

    constexpr const char *c_str() const { return text.data(); }
    constexpr void put(std::string_view s) {
        for (char c : s)
            text[size++] = c;
    }
    constexpr void put(uint64_t n, unsigned base, unsigned min_digits) {
        char d[20];
        unsigned k = 0;
        do {
            d[k++] = "0123456789abcdef"[n % base];
            n /= base;
        } while (n != 0 || k < min_digits);
        while (k > 0)
            text[size++] = d[--k];
    }
};

// say("VLAN is above ", kMaxVlan): words and numbers (decimal, or Hex) in order.
template <class... Part>
constexpr Sentence say(Part... parts) {
    Sentence s;
    auto one = [&s](auto p) {
        if constexpr (std::is_same_v<decltype(p), Hex>) {
            s.put("0x");
            s.put(p.value, 16, 4);
        } else if constexpr (std::is_integral_v<decltype(p)>) {
            s.put(static_cast<uint64_t>(p), 10, 1);
        } else {
            s.put(std::string_view(p));
        }
    };
    (one(parts), ...);
    s.text[s.size] = '\0'; // and one byte left for it
    return s;
}

} // namespace eth_if_plcy::fields
