// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// A policy read in one pass over its JSON text, straight into the external
// record through the field description: the usual line of a stream (as the
// writer writes it) costs no parse tree and no path strings. simdjson's
// on-demand API reads the JSON; anything unusual (an escape, a duplicate key,
// a sign or a fraction, "$schema", the L2PT byte list, a value the reader
// would refuse) ends the scan: the full readers then read the text and say
// why, so every refusal is theirs.
#include <array>
#include <cstring>
#include <vector>

#include "policy_reader.hpp"
#include "tool.hpp"
#ifdef ETH_IF_PLCY_HAVE_SIMDJSON
#include <simdjson.h>
#endif

namespace ethplcy_tool {

#ifdef ETH_IF_PLCY_HAVE_SIMDJSON
namespace {

namespace f = eth_if_plcy::fields;
namespace od = simdjson::ondemand;

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

// True when the string s, unescaped from the text at raw (after its opening
// quote), was written without an escape.
bool plain(const char *raw, std::string_view s) {
    return std::memchr(raw, '\\', s.size()) == nullptr && raw[s.size()] == '"';
}

// A string value without escapes; s stays valid until the next parse.
bool string(od::value v, std::string_view &s) {
    std::string_view token = v.raw_json_token();
    return !v.get_string().get(s) && plain(token.data() + 1, s);
}

// Whole numbers are taken below 10^18; simdjson's get_uint64() refuses a
// sign, a fraction and a leading zero, and leaves a value that is not a
// number unread.
constexpr uint64_t kWholeBelow = 1000000000000000000u;

class Scan {
  public:
    Scan(eth_if_plcy_ext_t &ext, bool strict) : ext_(ext), strict_(strict) {}

    bool policy(od::document &doc) {
        std::memset(&ext_, 0, sizeof ext_);
        if (!object(doc.get_object(),
                    [&](std::string_view key, od::value v) { return top(key, v); }))
            return false;
        f::Refusal why;
        // Nothing after the object: simdjson 3.0's document has no at_end().
        return doc.current_location().error() == simdjson::OUT_OF_BOUNDS &&
               f::derive(ext_, walked_, why);
    }

  private:
    eth_if_plcy_ext_t &ext_;
    bool strict_;
    f::Walked walked_;
    uint32_t groups_ = 0; // the groups given: a second is a duplicate key

    // A number as the reader takes it: whole, one of the domain's words, or
    // "0x..."; within the domain where strict, within the record always.
    bool value(od::value v, const f::Domain &d, uint64_t &out) {
        uint64_t n = 0;
        std::string_view s;
        if (v.get_uint64().get(n)) {
            if (!string(v, s)) return false;
            bool found = false;
            for (const f::Word &w : f::words_of(d.words))
                if (s == w.word) n = w.value, found = true;
            if (!found && !f::parse_hex(s, n)) return false;
        } else if (n >= kWholeBelow) {
            return false;
        }
        return inside(d, n, out);
    }
    bool inside(const f::Domain &d, uint64_t n, uint64_t &out) const {
        if ((strict_ || n > d.wide) && !d.allows(n)) return false;
        out = n;
        return true;
    }
    // Each member's value read by member(key, value); every one visited.
    template <class Member>
    static bool object(simdjson::simdjson_result<od::object> given, Member member) {
        od::object o;
        if (std::move(given).get(o)) return false;
        for (auto result : o) {
            if (result.error()) return false;
            od::field &m = result.value_unsafe();
            std::string_view key;
            const char *raw = m.key().raw(); // before unescaped_key() consumes it
            if (m.unescaped_key().get(key) || !plain(raw, key) || !member(key, m.value()))
                return false;
        }
        return true;
    }
    // [entry, ...] of at most the compound's entries, counted for derive().
    template <class Entry>
    bool array(od::value v, const f::Compound &c, Entry entry) {
        od::array a;
        if (v.get_array().get(a)) return false;
        size_t n = 0;
        for (auto e : a) {
            if (e.error() || n == c.max || !entry(n, e.value_unsafe())) return false;
            n++;
        }
        walked_.entries[f::index(c.id)] = static_cast<uint16_t>(n);
        return true;
    }

    bool top(std::string_view key, od::value v) {
        for (size_t g = 0; g < kGroups.size(); g++) {
            if (key != kGroups[g]) continue;
            if ((groups_ >> g & 1u) != 0) return false;
            groups_ |= 1u << g;
            return object(v.get_object(), [&](std::string_view leaf, od::value lv) {
                char path[64];
                if (key.size() + 1 + leaf.size() > sizeof path) return false;
                std::memcpy(path, key.data(), key.size());
                path[key.size()] = '.';
                std::memcpy(path + key.size() + 1, leaf.data(), leaf.size());
                return field(std::string_view(path, key.size() + 1 + leaf.size()), lv);
            });
        }
        return field(key, v);
    }

    bool field(std::string_view path, od::value v) {
        std::optional<f::F> id = f::find_field(path);
        if (!id) return false;
        size_t i = f::index(*id);
        if ((walked_.seen >> i & 1u) != 0) return false; // given twice, two ways
        walked_.seen |= uint64_t{1} << i;
        uint64_t n = 0;
        if (i < f::kScalarCount) {
            const f::Scalar &s = f::kScalars[i];
            if (!value(v, *s.domain, n)) return false;
            s.set(ext_, n);
            // efp.configured belongs to both EFP groups: it alone makes neither present.
            (s.bit == f::kEfp ? walked_.efp_configured : walked_.covered) |= s.bit;
            return true;
        }
        const f::Compound &c = f::kCompounds[i - f::kScalarCount];
        if (!compound(c, v)) return false;
        walked_.covered |= c.bit;
        return true;
    }

    bool compound(const f::Compound &c, od::value v) {
        uint64_t n = 0;
        switch (c.shape) {
        case f::Shape::mac: {
            std::string_view s;
            uint8_t m[6];
            if (!string(v, s) || !f::parse_mac(s, m)) return false;
            for (size_t b = 0; b < 6; b++)
                c.access.set(ext_, b, -1, m[b]);
            return true;
        }
        case f::Shape::count:
            if (!value(v, *c.domain, n)) return false;
            c.access.set(ext_, 0, -1, n);
            return true;
        case f::Shape::list:
            return array(v, c, [&](size_t e, od::value ev) {
                if (!value(ev, *c.domain, n)) return false;
                c.access.set(ext_, e, -1, n);
                return true;
            });
        case f::Shape::pairs:
            return array(v, c, [&](size_t e, od::value ev) { return pair(c, e, ev); });
        case f::Shape::l2pt:
            return l2pt(c, v);
        }
        return false;
    }

    // {"<key 0>": n, "<key 1>": n}, each once.
    bool pair(const f::Compound &c, size_t e, od::value v) {
        uint64_t vs[2] = {};
        unsigned got = 0;
        bool read = object(v.get_object(), [&](std::string_view key, od::value kv) {
            for (unsigned k = 0; k < 2; k++)
                if (key == c.keys[k].name && (got >> k & 1u) == 0) {
                    got |= 1u << k;
                    return value(kv, *c.keys[k].domain, vs[k]);
                }
            return false;
        });
        if (!read || got != 3) return false;
        c.access.set(ext_, e, 0, vs[0]);
        c.access.set(ext_, e, 1, vs[1]);
        return true;
    }

    // {"tovu": {"mode": "tunnel", "exp": 5}, "lyx": 3, ...}, each protocol once.
    bool l2pt(const f::Compound &c, od::value v) {
        uint32_t given = 0;
        return object(v.get_object(), [&](std::string_view key, od::value pv) {
            size_t i = 0;
            while (i < kL2ptNames.size() && key != kL2ptNames[i])
                i++;
            if (i == kL2ptNames.size() || (given >> i & 1u) != 0) return false;
            given |= 1u << i;
            uint64_t n = 0;
            auto protocol = pv.get_object();
            if (protocol.error()) { // the raw byte: a whole number only
                if (pv.get_uint64().get(n) || n >= kWholeBelow || !inside(*c.domain, n, n))
                    return false;
                c.access.set(ext_, i, -1, n);
                return true;
            }
            uint64_t mode = 0, exp = 0;
            unsigned got = 0;
            bool exp_given = false;
            bool read = object(std::move(protocol), [&](std::string_view k, od::value kv) {
                if (k == c.keys[0].name && (got & 1u) == 0) {
                    got |= 1u;
                    return value(kv, *c.keys[0].domain, mode);
                }
                if (k != c.keys[1].name || (got & 2u) != 0) return false;
                got |= 2u;
                bool null = false;
                if (!kv.is_null().get(null) && null) return true;
                exp_given = true;
                return value(kv, *c.keys[1].domain, exp);
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
    // On-demand reads up to SIMDJSON_PADDING bytes past the text: a copy into
    // a buffer kept per thread gives them, whoever owns the text.
    static thread_local std::vector<char> padded;
    static thread_local od::parser parser;
    if (padded.size() < text.size() + simdjson::SIMDJSON_PADDING)
        padded.resize(text.size() + simdjson::SIMDJSON_PADDING);
    std::memcpy(padded.data(), text.data(), text.size());
    od::document doc;
    if (parser.iterate(padded.data(), text.size(), padded.size()).get(doc)) return false;
    return Scan(ext, strict).policy(doc);
}
#else
// Without simdjson the full reader (jansson) reads every policy.
bool scan_policy(std::string_view, eth_if_plcy_ext_t &, bool) {
    return false;
}
#endif

} // namespace ethplcy_tool
