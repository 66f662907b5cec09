// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Reading a policy from a tree of values (jansson's or simdjson's for the
// tool, Python's objects for the binding) by walking the field description.
// Numbers are whole numbers, "0x..." strings (1 to 16 hex digits, nothing
// else) or the field's words; strict reading takes only each field's Domain.
// Counts and valid_mask may be left out (they are derived) and must agree
// with the keys when given; a field whose dependency does not hold (an EFP
// field without efp.configured 1, ...) is refused, since the record would
// not keep it. A match tag with no tag_pcp entry matches any priority.
//
// Refusals are returned, not thrown: the reader stops at the first one
// (policy() is false and refusal() says where and why), so it works in code
// built without exceptions. A Tree may still throw its own exceptions; the
// reader holds nothing that needs unwinding.
//
// Tree: Node, is_int(n), int_value(n, int64 &) (false: not a whole number
// that fits; clamped to the int64 range), is_string(n), string(n) (a
// string_view), is_array(n), size(n), at(n, i), is_object(n), get(n, key)
// (null Node when absent), each(n, f(string_view key, value)), is_null(n),
// show(n) (the value as JSON writes it, for messages).
#pragma once

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "policy_table.hpp"

namespace eth_if_plcy::fields {

// Why a policy was refused: the path of the field it is about ("" when it is
// about no one field) and the message, which starts with that path.
struct Refusal {
    std::string path;
    std::string message;
};

// A number as a domain writes it: decimal, or "0x" and the style's digits.
inline std::string shown(uint64_t v, Style style) {
    if (style == Style::dec) return std::to_string(v);
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llx", hex_digits(style),
                  static_cast<unsigned long long>(v));
    return text;
}

// A domain with more words than this names one of them as an example.
inline constexpr size_t kWordsListed = 5;

// Edits from one name to another (names are short: one row of the table).
inline size_t edit_distance(std::string_view a, std::string_view b) {
    std::vector<size_t> d(b.size() + 1);
    for (size_t j = 0; j <= b.size(); j++)
        d[j] = j;
    for (size_t i = 1; i <= a.size(); i++) {
        size_t diag = d[0];
        d[0] = i;
        for (size_t j = 1; j <= b.size(); j++) {
            size_t up = d[j];
            d[j] = std::min({d[j] + 1, d[j - 1] + 1, diag + (a[i - 1] != b[j - 1])});
            diag = up;
        }
    }
    return d[b.size()];
}

// The word nearest to s by edit distance (a typo's correction).
inline const char *nearest_word(std::span<const Word> words, std::string_view s) {
    const char *best = words.empty() ? nullptr : words[0].word;
    if (s.empty()) return best;
    size_t best_cost = SIZE_MAX;
    for (const Word &w : words)
        if (size_t cost = edit_distance(s, w.word); cost < best_cost)
            best = w.word, best_cost = cost;
    return best;
}

// What a domain takes, in words: "\"any\" or \"range\", or 0-4095", "1-21",
// "1-21 or a name such as \"ether\"".
inline std::string allowed(const Domain &d, std::string_view given = {}) {
    auto words = words_of(d.words);
    if (words.size() > kWordsListed)
        return shown(d.lo, d.style) + "-" + shown(d.hi, d.style) + " or a name such as \"" +
               nearest_word(words, given) + "\"";
    std::string text;
    for (size_t i = 0; i < words.size(); i++)
        text += (i == 0                  ? ""
                 : i + 1 == words.size() ? " or "
                                         : ", ") +
                std::string("\"") + words[i].word + "\"";
    if (!text.empty()) text += words.size() > 1 ? ", or " : " or ";
    return text + shown(d.lo, d.style) + "-" + shown(d.hi, d.style);
}

// Why a number lies outside a domain, after "path: value ".
inline std::string outside(const Domain &d, uint64_t v) {
    if (d.noun != nullptr) return std::string("is not ") + d.noun + ": write " + allowed(d);
    return v < d.lo ? "is below " + shown(d.lo, d.style) : "is above " + shown(d.hi, d.style);
}

// "0x" and 1 to 16 hex digits, nothing else.
inline bool parse_hex(std::string_view s, uint64_t &out) {
    if (s.size() < 3 || s.size() > 18 || s[0] != '0' || (s[1] != 'x' && s[1] != 'X')) return false;
    uint64_t v = 0;
    for (char c : s.substr(2)) {
        int d = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
        if (d < 0) return false;
        v = v << 4 | static_cast<uint64_t>(d);
    }
    out = v;
    return true;
}

// Six groups of two hex digits separated by ':'.
inline bool parse_mac(std::string_view s, uint8_t *out) {
    if (s.size() != 17) return false;
    uint8_t m[6];
    for (size_t i = 0; i < 6; i++) {
        uint64_t b = 0;
        char text[5] = {'0', 'x', s[3 * i], s[3 * i + 1], '\0'};
        if ((i < 5 && s[3 * i + 2] != ':') || !parse_hex(text, b)) return false;
        m[i] = static_cast<uint8_t>(b);
    }
    std::memcpy(out, m, 6);
    return true;
}

// What a walk over a policy's keys found, for what follows from them: the
// fields given (by number), the bits some key stands for, both EFP bits when
// efp.configured is given, and each list's entries (kept by the walk: the
// counts and tag_pcp need no second look-up).
struct Walked {
    uint64_t seen = 0;
    uint32_t covered = 0;
    uint32_t efp_configured = 0;
    std::array<uint16_t, kFieldCount> entries{};
    bool has(F f) const { return (seen >> index(f) & 1u) != 0; }
};

namespace derived {

inline bool fail(Refusal &why, const char *path, const std::string &message) {
    why = {path, message};
    return false;
}

inline std::string describe_bit(uint32_t bit) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%x", bit);
    return std::string(eth_if_plcy_field_name(bit)) + " (" + hex + ")";
}

inline std::string key_of(uint32_t bit) {
    for (size_t i = 0; i < kFieldCount; i++)
        if (bit_of(i) == bit) return path_of(i);
    return path_of(F::efp_configured);
}

// Each count's list by the count's row, found at compile time.
inline constexpr auto kCounted = [] {
    std::array<uint8_t, std::size(kCompounds)> a{};
    for (size_t c = 0; c < a.size(); c++)
        for (size_t i = 0; i < kFieldCount && kCompounds[c].counts != nullptr; i++)
            if (std::string_view(path_of(i)) == kCompounds[c].counts)
                a[c] = static_cast<uint8_t>(i);
    return a;
}();

// A count left out is its list's length; a count given must agree with it.
inline bool count(Ext &ext, const Walked &w, size_t row, Refusal &why) {
    const Compound &c = kCompounds[row];
    uint16_t n = w.entries[kCounted[row]];
    uint64_t given = c.access.get(ext, 0, -1);
    if (w.has(c.id)) {
        if (given == n) return true; // a count without its list counts no entries
        return fail(why, c.path,
                    std::string(c.path) + ": is " + std::to_string(given) + " but " + c.counts +
                        " has " + std::to_string(n) + " entries");
    }
    c.access.set(ext, 0, -1, n);
    return true;
}

// Each field given must count in the record: its dependency holds.
inline bool dependencies(const Ext &ext, const Walked &w, Refusal &why) {
    for (size_t i = 0; i < kFieldCount; i++) {
        Dep d = dep_of(i);
        if ((w.seen >> i & 1u) == 0 || holds(d, ext)) continue;
        if (!ext.efp.configured && d != Dep::provisioned) d = Dep::efp; // the first need
        Needs n = needs_of(d);
        return fail(why, path_of(i),
                    std::string(path_of(i)) + ": is given, but " + n.field + " is not 1 (" + n.why +
                        ")");
    }
    return true;
}

} // namespace derived

// What follows from the keys a walk found: the counts left out, the tag PCPs
// left out, the per-tag range lists and valid_mask; and the checks between
// them. False with why set.
inline bool derive(Ext &ext, const Walked &w, Refusal &why) {
    auto &f = ext.efp;
    for (size_t row = 0; row < std::size(kCompounds); row++)
        if (kCompounds[row].shape == Shape::count && !derived::count(ext, w, row, why))
            return false;
    // A tag's PCP left out matches any priority; an entry needs its tag.
    const char *pcp_path = path_of(F::efp_tag_pcp);
    size_t pcps = w.entries[index(F::efp_tag_pcp)];
    if (pcps > f.num_tags)
        return derived::fail(why, pcp_path,
                             std::string(pcp_path) + ": has " + std::to_string(pcps) +
                                 " entries but " + path_of(F::efp_tag) + " has " +
                                 std::to_string(f.num_tags));
    for (size_t i = pcps; i < f.num_tags; i++)
        f.tag_pcp[i] = EFP_PCP_ANY;
    // The per-tag view: each range tag uses the one list, unless given.
    for (unsigned i = 0; i < kMaxTags; i++) {
        bool range_tag = i < f.num_tags && f.tag[i].vlan == EFP_VLAN_RANGE;
        if (!w.has(F::efp_tag_range_count) && range_tag) f.tag_range_count[i] = f.num_ranges;
        if (f.tag_range_count[i] != 0) f.tag_range_list[i] = f.ranges;
    }
    if (!derived::dependencies(ext, w, why)) return false;
    if (!w.has(F::valid_mask)) {
        ext.valid_mask = w.covered;
        if ((w.covered & kEfp) == 0) ext.valid_mask |= w.efp_configured;
        return true;
    }
    uint32_t covered = w.covered | w.efp_configured;
    for (size_t i = 0; i < kFieldCount; i++) {
        uint32_t bits = bit_of(i);
        if ((w.seen >> i & 1u) && bits != 0 && (ext.valid_mask & bits) == 0)
            return derived::fail(why, path_of(i),
                                 std::string(path_of(i)) + ": is given but valid_mask lacks " +
                                     derived::describe_bit(bits & ~(bits - 1)));
    }
    uint32_t missing = ext.valid_mask & ~covered & ~kLoopback;
    if (missing == 0) return true;
    uint32_t bit = missing & ~(missing - 1);
    return derived::fail(why, path_of(F::valid_mask),
                         std::string(path_of(F::valid_mask)) + ": has " +
                             derived::describe_bit(bit) + " but no " + derived::key_of(bit) +
                             " key");
}

template <class Tree>
class Reader {
  public:
    using Node = typename Tree::Node;
    // strict: each field's Domain; otherwise anything the external record holds.
    Reader(Tree &t, Ext &ext, bool strict = true) : t_(t), ext_(ext), strict_(strict) {}

    // Fills ext (cleared first) from a policy object; per-tag range lists
    // point at ext.efp.ranges. False with refusal() set.
    bool policy(Node root) {
        std::memset(&ext_, 0, sizeof ext_);
        if (!t_.is_object(root)) return fail("", "expected an object");
        object(root, "");
        if (!failed_ && !derive(ext_, walked_, refusal_)) failed_ = true;
        return !failed_;
    }
    const Refusal &refusal() const { return refusal_; }
    // Reads the field at path, and everything under it, strictly even when
    // the reader is not: one value set in a policy read back as it is.
    void strict_under(std::string_view path) { strict_path_ = path; }

  private:
    Tree &t_;
    Ext &ext_;
    bool strict_;
    std::string_view strict_path_;
    bool failed_ = false;
    Refusal refusal_;
    Walked walked_;
    std::string paths_[2]; // object()'s paths: at the top, in a group
    std::string key_path_; // pairs(): an entry's key's path

    bool strict_at(std::string_view path) const {
        if (strict_ || strict_path_.empty() || !path.starts_with(strict_path_)) return strict_;
        return path.size() == strict_path_.size() || path[strict_path_.size()] == '.' ||
               path[strict_path_.size()] == '[';
    }

    bool fail(const std::string &path, const std::string &message) {
        if (!failed_) refusal_ = {path, message};
        failed_ = true;
        return false;
    }
    // "path: value what", the value as it was given.
    bool refuse(const std::string &path, Node v, const std::string &what) {
        return fail(path, path + ": " + (v ? t_.show(v) : std::string("nothing")) + " " + what);
    }

    bool not_a_number(const std::string &path, Node v, Words words) {
        std::string_view given = v && t_.is_string(v) ? t_.string(v) : "";
        bool digits = !given.empty() && given.find_first_not_of("0123456789") == given.npos;
        std::vector<std::string> ways = {digits ? "a whole number (no quotes)" : "a whole number",
                                         "a \"0x...\" string"};
        auto listed = words_of(words);
        if (listed.size() > kWordsListed) {
            if (!digits) // a quoted number is near no name
                ways.push_back(std::string("a name such as \"") + nearest_word(listed, given) +
                               "\"");
        } else
            for (const Word &w : listed)
                ways.push_back(std::string("\"") + w.word + "\"");
        std::string what = (v ? "is not a number: write " : "is missing: write ") + ways[0];
        for (size_t i = 1; i < ways.size(); i++)
            what += (i + 1 == ways.size() ? " or " : ", ") + ways[i];
        return v ? refuse(path, v, what) : fail(path, path + ": " + what);
    }

    // A whole number, a "0x..." string, or one of the domain's words.
    bool number(const std::string &path, Node v, const Domain &d, uint64_t &out) {
        uint64_t n = 0;
        if (v && t_.is_int(v)) {
            int64_t i = 0;
            if (!t_.int_value(v, i)) return not_a_number(path, v, d.words);
            if (i < 0) return refuse(path, v, "is below 0");
            n = static_cast<uint64_t>(i);
        } else if (v && t_.is_string(v)) {
            std::string_view s = t_.string(v);
            bool found = false;
            for (const Word &w : words_of(d.words))
                if (s == w.word) n = w.value, found = true;
            if (!found && !parse_hex(s, n)) return not_a_number(path, v, d.words);
        } else {
            return not_a_number(path, v, d.words);
        }
        if (strict_at(path) && !d.allows(n)) return refuse(path, v, outside(d, n));
        if (n > d.wide && !d.allows(n))
            return refuse(path, v, "is above " + shown(d.wide, d.style));
        out = n;
        return true;
    }

    template <typename T>
    bool number_into(const std::string &path, Node v, const Domain &d, T &out) {
        uint64_t n = 0;
        if (!number(path, v, d, n)) return false;
        out = static_cast<T>(n);
        return true;
    }

    bool mac(const std::string &path, Node v, const Compound &c) {
        uint8_t m[6];
        if (v && t_.is_string(v) && parse_mac(t_.string(v), m)) {
            for (size_t i = 0; i < 6; i++)
                c.access.set(ext_, i, -1, m[i]);
            return true;
        }
        return refuse(path, v, "is not a MAC address: write it like \"00:11:22:33:44:55\"");
    }

    bool array(const std::string &path, Node v, size_t max, size_t &n) {
        if (t_.is_array(v) && t_.size(v) <= max) {
            n = t_.size(v);
            return true;
        }
        return refuse(path, v,
                      (t_.is_array(v) ? "has more than " : "is not an array of at most ") +
                          std::to_string(max) + " entries");
    }

    static std::string item(const std::string &path, size_t i) {
        return path + "[" + std::to_string(i) + "]";
    }

    // A key as a message shows it: a NUL inside is written \u0000.
    static std::string key_text(std::string_view key) {
        std::string k;
        append_key(k, key);
        return k;
    }
    static void append_key(std::string &to, std::string_view key) {
        if (key.find('\0') == std::string_view::npos) { // the usual key: copied whole
            to.append(key);
            return;
        }
        for (char c : key)
            to += c == '\0' ? std::string("\\u0000") : std::string(1, c);
    }

    bool only_keys(const std::string &at, Node o, const Key (&keys)[2]) {
        t_.each(o, [&](std::string_view key, Node) {
            if (!failed_ && key != keys[0].name && key != keys[1].name)
                fail(at + "." + key_text(key), at + "." + key_text(key) +
                                                   ": no such field (an entry has " + keys[0].name +
                                                   " and " + keys[1].name + ")");
        });
        return !failed_;
    }

    // An array of objects with exactly the compound's two keys.
    bool pairs(const std::string &path, Node v, const Compound &c) {
        size_t n = 0;
        if (!array(path, v, c.max, n)) return false;
        for (size_t i = 0; i < n; i++) {
            std::string at = item(path, i);
            Node o = t_.at(v, i);
            if (!t_.is_object(o)) return refuse(at, o, "is not an object");
            if (!only_keys(at, o, c.keys)) return false;
            uint64_t value[2] = {};
            for (int k = 0; k < 2; k++) { // each key's path in a buffer kept: no heap per entry
                key_path_.assign(at).append(".").append(c.keys[k].name);
                if (!number(key_path_, t_.get(o, c.keys[k].name), *c.keys[k].domain, value[k]))
                    return false;
            }
            c.access.set(ext_, i, 0, value[0]);
            c.access.set(ext_, i, 1, value[1]);
        }
        return true;
    }

    // {"tovu": {"mode": "tunnel", "exp": 5}, ...} or a protocol's raw byte;
    // or the five raw bytes.
    bool l2pt(const std::string &path, Node v, const Compound &c) {
        if (t_.is_array(v)) {
            size_t n = 0;
            if (!array(path, v, c.max, n)) return false;
            for (size_t i = 0; i < n; i++)
                if (!element(item(path, i), t_.at(v, i), c, i)) return false;
            return true;
        }
        if (!t_.is_object(v)) return refuse(path, v, "is not an object of L2PT protocols");
        t_.each(v, [&](std::string_view key, Node val) {
            if (failed_) return;
            std::string at = path + "." + key_text(key);
            unsigned i = 0;
            while (i < kL2ptNames.size() && key != kL2ptNames[i])
                i++;
            if (i == kL2ptNames.size()) {
                std::string names;
                for (const char *p : kL2ptNames)
                    names += (names.empty() ? "" : ", ") + std::string(p);
                fail(at, at + ": no such L2PT protocol (" + names + ")");
                return;
            }
            if (t_.is_int(val)) { // the raw byte
                element(at, val, c, i);
                return;
            }
            if (!t_.is_object(val)) {
                refuse(at, val, "is not an object or a number");
                return;
            }
            if (!only_keys(at, val, c.keys)) return;
            uint64_t mode = 0, exp = 0;
            Node e = t_.get(val, c.keys[1].name);
            bool given = e && !t_.is_null(e);
            if (!number(at + "." + c.keys[0].name, t_.get(val, c.keys[0].name), *c.keys[0].domain,
                        mode) ||
                (given && !number(at + "." + c.keys[1].name, e, *c.keys[1].domain, exp)))
                return;
            c.access.set(
                ext_, i, -1,
                mode |
                    (given ? ETH_IF_PLCY_L2PT_EXP_GIVEN | exp << ETH_IF_PLCY_L2PT_EXP_SHIFT : 0));
        });
        return !failed_;
    }

    // Entry i of a list (or the count itself) from a number.
    bool element(const std::string &path, Node v, const Compound &c, size_t i) {
        uint64_t n = 0;
        if (!number(path, v, *c.domain, n)) return false;
        c.access.set(ext_, i, -1, n);
        return true;
    }

    bool list(const std::string &path, Node v, const Compound &c) {
        size_t n = 0;
        if (!array(path, v, c.max, n)) return false;
        for (size_t i = 0; i < n; i++)
            if (!element(item(path, i), t_.at(v, i), c, i)) return false;
        return true;
    }

    bool compound(const std::string &path, Node v, const Compound &c) {
        switch (c.shape) {
        case Shape::mac:
            return mac(path, v, c);
        case Shape::l2pt:
            return l2pt(path, v, c);
        case Shape::list:
            return list(path, v, c);
        case Shape::pairs:
            return pairs(path, v, c);
        case Shape::count:
            return element(path, v, c, 0);
        }
        return false;
    }

    void field(const std::string &path, Node v) {
        std::optional<F> id = find_field(path);
        if (!id) {
            fail(path, path + ": no such field");
            return;
        }
        size_t i = index(*id);
        walked_.seen |= uint64_t{1} << i;
        if (i < kScalarCount) {
            const Scalar &s = kScalars[i];
            uint64_t n = 0;
            if (!number(path, v, *s.domain, n)) return;
            s.set(ext_, n);
            // efp.configured belongs to both EFP groups: it alone makes neither present.
            (s.bit == kEfp ? walked_.efp_configured : walked_.covered) |= s.bit;
            return;
        }
        const Compound &c = kCompounds[i - kScalarCount];
        if (!compound(path, v, c)) return;
        walked_.covered |= c.bit;
        if (t_.is_array(v)) walked_.entries[i] = static_cast<uint16_t>(t_.size(v));
    }

    void object(Node obj, const std::string &prefix) {
        t_.each(obj, [&](std::string_view key, Node v) {
            if (failed_) return;
            // A buffer per depth, kept: the path of a field in a group is
            // longer than a string holds without the heap.
            std::string &path = paths_[prefix.empty() ? 0 : 1];
            path.assign(prefix);
            append_key(path, key);
            // A policy file may name its JSON Schema, for editors.
            if (prefix.empty() && path == "$schema") {
                if (!t_.is_string(v)) refuse(path, v, "is not a string");
                return;
            }
            if (prefix.empty() && is_group(path)) {
                if (!t_.is_object(v))
                    refuse(path, v, "is not an object");
                else
                    object(v, path + ".");
                return;
            }
            field(path, v);
        });
    }
};

} // namespace eth_if_plcy::fields
