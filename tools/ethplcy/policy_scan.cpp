// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// A policy read in one pass over its JSON text, straight into the external
// record through the field description: the usual line of a stream (as the
// writer writes it) costs no parse tree and no path strings. Anything
// unusual (an escape, a duplicate key, a sign or a fraction, "$schema", the
// L2PT byte list, a value the reader would refuse) ends the scan: the full
// readers then read the text and say why, so every refusal is theirs.
#include <array>
#include <cstring>

#include "policy_reader.hpp"
#include "tool.hpp"

namespace ethplcy_tool {
namespace {

namespace f = eth_if_plcy::fields;

// Names with their lengths, compared without a strlen each time.
template <size_t N>
constexpr std::array<std::string_view, N> views(const std::array<const char *, N> &names) {
    std::array<std::string_view, N> v{};
    for (size_t i = 0; i < N; i++)
        v[i] = names[i];
    return v;
}
constexpr auto kGroups = views(std::to_array(f::kGroups));
constexpr auto kL2ptNames = views(f::kL2ptNames);

class Scan {
  public:
    Scan(std::string_view text, eth_if_plcy_ext_t &ext, bool strict)
        : p_(text.data()), end_(text.data() + text.size()), ext_(ext), strict_(strict) {}

    bool policy() {
        std::memset(&ext_, 0, sizeof ext_);
        if (!object([&](std::string_view key) { return top(key); })) return false;
        space();
        f::Refusal why;
        return p_ == end_ && f::derive(ext_, walked_, why);
    }

  private:
    const char *p_, *end_;
    eth_if_plcy_ext_t &ext_;
    bool strict_;
    f::Walked walked_;
    uint32_t groups_ = 0; // the groups given: a second is a duplicate key

    void space() {
        while (p_ != end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r'))
            p_++;
    }
    bool at(char c) {
        space();
        return p_ != end_ && *p_ == c;
    }
    bool take(char c) {
        if (!at(c)) return false;
        p_++;
        return true;
    }
    // A string of plain ASCII: no escape, no control character.
    bool string(std::string_view &s) {
        if (!take('"')) return false;
        for (const char *start = p_; p_ != end_; p_++) {
            auto c = static_cast<unsigned char>(*p_);
            if (c == '"') {
                s = std::string_view(start, static_cast<size_t>(p_ - start));
                p_++;
                return true;
            }
            if (c < 0x20 || c >= 0x80 || c == '\\') return false;
        }
        return false;
    }
    // Digits of a whole number below 10^18, without a leading zero; what
    // follows them (a fraction, an exponent) fails the next token.
    bool whole(uint64_t &n) {
        space();
        const char *start = p_;
        for (n = 0; p_ != end_ && *p_ >= '0' && *p_ <= '9' && p_ - start < 19; p_++)
            n = n * 10 + static_cast<uint64_t>(*p_ - '0');
        size_t len = static_cast<size_t>(p_ - start);
        return len != 0 && len < 19 && (len == 1 || *start != '0');
    }
    // A number as the reader takes it: whole, one of the domain's words, or
    // "0x..."; within the domain where strict, within the record always.
    bool value(const f::Domain &d, uint64_t &out) {
        uint64_t n = 0;
        if (at('"')) {
            std::string_view s;
            if (!string(s)) return false;
            bool found = false;
            for (const f::Word &w : f::words_of(d.words))
                if (s == w.word) n = w.value, found = true;
            if (!found && !f::parse_hex(s, n)) return false;
        } else if (!whole(n)) {
            return false;
        }
        return inside(d, n, out);
    }
    bool inside(const f::Domain &d, uint64_t n, uint64_t &out) const {
        if ((strict_ || n > d.wide) && !d.allows(n)) return false;
        out = n;
        return true;
    }
    // {"key": value, ...}, each value read by member(key).
    template <class Member>
    bool object(Member member) {
        if (!take('{')) return false;
        if (take('}')) return true;
        do {
            std::string_view key;
            if (!string(key) || !take(':') || !member(key)) return false;
        } while (take(','));
        return take('}');
    }
    // [entry, ...] of at most the compound's entries, counted for derive().
    template <class Entry>
    bool array(const f::Compound &c, Entry entry) {
        if (!take('[')) return false;
        size_t n = 0;
        if (!take(']')) {
            do {
                if (n == c.max || !entry(n)) return false;
                n++;
            } while (take(','));
            if (!take(']')) return false;
        }
        walked_.entries[f::index(c.id)] = static_cast<uint16_t>(n);
        return true;
    }

    bool top(std::string_view key) {
        for (size_t g = 0; g < kGroups.size(); g++) {
            if (key != kGroups[g]) continue;
            if ((groups_ >> g & 1u) != 0) return false;
            groups_ |= 1u << g;
            return object([&](std::string_view leaf) {
                char path[64];
                if (key.size() + 1 + leaf.size() > sizeof path) return false;
                std::memcpy(path, key.data(), key.size());
                path[key.size()] = '.';
                std::memcpy(path + key.size() + 1, leaf.data(), leaf.size());
                return field(std::string_view(path, key.size() + 1 + leaf.size()));
            });
        }
        return field(key);
    }

    bool field(std::string_view path) {
        std::optional<f::F> id = f::find_field(path);
        if (!id) return false;
        size_t i = f::index(*id);
        if ((walked_.seen >> i & 1u) != 0) return false; // given twice, two ways
        walked_.seen |= uint64_t{1} << i;
        uint64_t n = 0;
        if (i < f::kScalarCount) {
            const f::Scalar &s = f::kScalars[i];
            if (!value(*s.domain, n)) return false;
            s.set(ext_, n);
            // efp.configured belongs to both EFP groups: it alone makes neither present.
            (s.bit == f::kEfp ? walked_.efp_configured : walked_.covered) |= s.bit;
            return true;
        }
        const f::Compound &c = f::kCompounds[i - f::kScalarCount];
        if (!compound(c)) return false;
        walked_.covered |= c.bit;
        return true;
    }

    bool compound(const f::Compound &c) {
        uint64_t n = 0;
        switch (c.shape) {
        case f::Shape::mac: {
            std::string_view s;
            uint8_t m[6];
            if (!string(s) || !f::parse_mac(s, m)) return false;
            for (size_t b = 0; b < 6; b++)
                c.access.set(ext_, b, -1, m[b]);
            return true;
        }
        case f::Shape::count:
            if (!value(*c.domain, n)) return false;
            c.access.set(ext_, 0, -1, n);
            return true;
        case f::Shape::list:
            return array(c, [&](size_t e) {
                if (!value(*c.domain, n)) return false;
                c.access.set(ext_, e, -1, n);
                return true;
            });
        case f::Shape::pairs:
            return array(c, [&](size_t e) { return pair(c, e); });
        case f::Shape::l2pt:
            return l2pt(c);
        }
        return false;
    }

    // {"<key 0>": n, "<key 1>": n}, each once.
    bool pair(const f::Compound &c, size_t e) {
        uint64_t v[2] = {};
        unsigned got = 0;
        bool read = object([&](std::string_view key) {
            for (unsigned k = 0; k < 2; k++)
                if (key == c.keys[k].name && (got >> k & 1u) == 0) {
                    got |= 1u << k;
                    return value(*c.keys[k].domain, v[k]);
                }
            return false;
        });
        if (!read || got != 3) return false;
        c.access.set(ext_, e, 0, v[0]);
        c.access.set(ext_, e, 1, v[1]);
        return true;
    }

    // {"tovu": {"mode": "tunnel", "exp": 5}, "lyx": 3, ...}, each protocol once.
    bool l2pt(const f::Compound &c) {
        uint32_t given = 0;
        return object([&](std::string_view key) {
            size_t i = 0;
            while (i < kL2ptNames.size() && key != kL2ptNames[i])
                i++;
            if (i == kL2ptNames.size() || (given >> i & 1u) != 0) return false;
            given |= 1u << i;
            uint64_t n = 0;
            if (!at('{')) { // the raw byte: a whole number only
                if (!whole(n) || !inside(*c.domain, n, n)) return false;
                c.access.set(ext_, i, -1, n);
                return true;
            }
            uint64_t mode = 0, exp = 0;
            unsigned got = 0;
            bool exp_given = false;
            bool read = object([&](std::string_view k) {
                if (k == c.keys[0].name && (got & 1u) == 0) {
                    got |= 1u;
                    return value(*c.keys[0].domain, mode);
                }
                if (k != c.keys[1].name || (got & 2u) != 0) return false;
                got |= 2u;
                space();
                if (static_cast<size_t>(end_ - p_) >= 4 && std::memcmp(p_, "null", 4) == 0) {
                    p_ += 4;
                    return true;
                }
                exp_given = true;
                return value(*c.keys[1].domain, exp);
            });
            if (!read || (got & 1u) == 0) return false;
            c.access.set(
                ext_, i, -1,
                mode | (exp_given ? ETH_IF_PLCY_L2PT_EXP_GIVEN | exp << ETH_IF_PLCY_L2PT_EXP_SHIFT
                                  : 0));
            return true;
        });
    }
};

} // namespace

bool scan_policy(std::string_view text, eth_if_plcy_ext_t &ext, bool strict) {
    return Scan(text, ext, strict).policy();
}

} // namespace ethplcy_tool
