// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The external record as JSON people read and write: the field description
// (policy_reader.hpp, policy_writer.hpp) walked over jansson's values. Hexadecimal strings where
// engineers think in hex, words for the special values, L2PT by protocol
// name; counts and valid_mask may be left out (they are derived) and must
// agree with the keys when given.
#include <jansson.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#ifdef ETH_IF_PLCY_HAVE_SIMDJSON
#include <simdjson.h>
#endif

#include "policy_check.hpp"
#include "refusal.hpp"
#include "policy_reader.hpp"
#include "policy_writer.hpp"
#include "jansson_tree.hpp"
#include "tool.hpp"

namespace ethplcy_tool {
namespace {

using Ext = eth_if_plcy_ext_t;
using Json = std::unique_ptr<json_t, decltype(&json_decref)>;

// A policy's JSON kept as text pieces and written out once: the writer's
// values are numbers, words, hex strings and MACs, none of which needs
// escaping, so this writes the same text as jansson's dumps (compact, or
// indented by 2) at a fraction of its cost. The scalars' text lies in one
// arena and the tree is cleared, not freed, between policies: a stream
// writes a policy without a heap allocation. Node 0 is "none".
class TextTree {
  public:
    using Node = int;
    void clear() {
        items_.clear();
        arena_.clear();
        keys_ = 0;
    }
    Node object() { return add(Kind::object); }
    Node array() { return add(Kind::array); }
    Node integer(uint64_t v) {
        char digits[24];
        char *end = digits + sizeof digits, *p = end;
        do
            *--p = static_cast<char>('0' + v % 10);
        while ((v /= 10) != 0);
        return scalar(std::string_view(p, static_cast<size_t>(end - p)));
    }
    Node string(std::string_view s) {
        Node n = scalar("\"");
        for (char c : s) {
            if (c == '"' || c == '\\') arena_ += '\\';
            arena_ += c;
        }
        arena_ += '"';
        items_[n - 1].len = static_cast<uint32_t>(arena_.size() - items_[n - 1].off);
        return n;
    }
    Node null() { return scalar("null"); }
    Node hex(uint64_t v, int digits) {
        char t[24] = {'"', '0', 'x'};
        size_t size = static_cast<size_t>(digits) + 4;
        t[size - 1] = '"';
        for (size_t i = size - 2; i > 2; i--, v >>= 4)
            t[i] = "0123456789abcdef"[v & 15];
        return scalar(std::string_view(t, size));
    }
    Node get(Node o, std::string_view key) const {
        for (Node c = items_[o - 1].first; c != 0; c = items_[c - 1].next)
            if (items_[c - 1].key == key) return c;
        return 0;
    }
    void set(Node o, std::string_view key, Node v) {
        items_[v - 1].key = key;
        keys_ += key.size();
        append(o, v);
    }
    void append(Node a, Node v) {
        Item &parent = items_[a - 1];
        if (parent.last != 0)
            items_[parent.last - 1].next = v;
        else
            parent.first = v;
        items_[a - 1].last = v;
    }
    // The text and a newline, after what out holds. One line is written
    // into room sized once (every scalar, key and bracket counted), not
    // grown a character at a time.
    void write(Node root, bool one_line, std::string &out) const {
        if (!one_line) {
            write(root, false, 0, out);
            out += '\n';
            return;
        }
        size_t at = out.size();
        out.resize(at + arena_.size() + keys_ + 6 * items_.size() + 1);
        char *end = write_line(root, out.data() + at);
        *end++ = '\n';
        out.resize(static_cast<size_t>(end - out.data()));
    }

  private:
    enum class Kind : uint8_t { object, array, scalar };
    struct Item {
        Kind kind;
        std::string_view key;
        uint32_t off = 0, len = 0; // a scalar's JSON in the arena
        Node first = 0, last = 0, next = 0;
    };
    std::vector<Item> items_;
    std::string arena_;
    size_t keys_ = 0; // the keys' characters, for the one-line text's size

    // Each item takes at most its scalar, its key with two quotes and a
    // colon, a comma, and two brackets: within the room write() makes.
    char *write_line(Node n, char *p) const {
        const Item &it = items_[n - 1];
        if (it.kind == Kind::scalar) {
            std::memcpy(p, arena_.data() + it.off, it.len);
            return p + it.len;
        }
        bool object = it.kind == Kind::object;
        *p++ = object ? '{' : '[';
        for (Node c = it.first; c != 0; c = items_[c - 1].next) {
            if (object) {
                std::string_view key = items_[c - 1].key;
                *p++ = '"';
                std::memcpy(p, key.data(), key.size());
                p += key.size();
                *p++ = '"';
                *p++ = ':';
            }
            p = write_line(c, p);
            if (items_[c - 1].next != 0) *p++ = ',';
        }
        *p++ = object ? '}' : ']';
        return p;
    }

    Node add(Kind k) {
        items_.push_back(Item{k, {}});
        return static_cast<Node>(items_.size());
    }
    Node scalar(std::string_view text) {
        Node n = add(Kind::scalar);
        items_[n - 1].off = static_cast<uint32_t>(arena_.size());
        items_[n - 1].len = static_cast<uint32_t>(text.size());
        arena_ += text;
        return n;
    }

    void write(Node n, bool one_line, int depth, std::string &out) const {
        const Item &it = items_[n - 1];
        if (it.kind == Kind::scalar) {
            out.append(arena_, it.off, it.len);
            return;
        }
        bool object = it.kind == Kind::object;
        out += object ? '{' : '[';
        for (Node c = it.first; c != 0; c = items_[c - 1].next) {
            if (!one_line) out.append("\n").append(2 * (depth + 1), ' ');
            if (object) {
                out += '"';
                out.append(items_[c - 1].key).append(one_line ? "\":" : "\": ");
            }
            write(c, one_line, depth + 1, out);
            if (items_[c - 1].next != 0) out += ',';
        }
        if (!one_line && it.first != 0) out.append("\n").append(2 * depth, ' ');
        out += object ? '}' : ']';
    }
};

namespace f = eth_if_plcy::fields;

// The top-level keys: a field's path, or a group's name; each with the
// fields under it, by number. Each field's key, and a bound on any policy's
// text: a key and its punctuation, and 96 characters an entry (checked below).
// An entry's text at most: two keys with quotes and colon, two values
// (a word, or a number of 20 digits, with quotes), a comma and braces.
constexpr size_t kEntryText = 96;
constexpr size_t longest_key() {
    size_t n = 0;
    for (const f::Compound &c : f::kCompounds)
        for (const f::Key &k : c.keys)
            if (k.name != nullptr) n = std::max(n, std::string_view(k.name).size());
    return n;
}
constexpr size_t longest_value() {
    size_t n = 20;
    for (auto words :
         {f::Words::vlan, f::Words::pcp, f::Words::ethertype, f::Words::mode, f::Words::iftype})
        for (const f::Word &w : f::words_of(words))
            n = std::max(n, std::string_view(w.word).size());
    return n;
}
static_assert(2 * (longest_key() + 3) + 2 * (longest_value() + 2) + 3 <= kEntryText);
struct Plan {
    std::array<std::string_view, f::kFieldCount> name{}, leaf{};
    std::array<std::array<std::string_view, 2>, f::kFieldCount> pair{};
    std::array<uint64_t, f::kFieldCount> members{};
    std::array<bool, f::kFieldCount> group{};
    size_t slots = 0, bound = 2;
};
constexpr Plan kPlan = [] {
    Plan p;
    for (size_t i = 0; i < f::kFieldCount; i++) {
        std::string_view path = f::path_of(i);
        size_t dot = path.find('.');
        std::string_view top = path.substr(0, dot);
        size_t s = 0;
        while (s < p.slots && p.name[s] != top)
            s++;
        if (s == p.slots) p.name[p.slots++] = top, p.bound += top.size() + 6;
        p.members[s] |= uint64_t{1} << i;
        p.group[s] = dot != std::string_view::npos;
        p.leaf[i] = path.substr(dot + 1);
        size_t entries = 1;
        if (i >= f::kScalarCount) {
            const f::Compound &c = f::kCompounds[i - f::kScalarCount];
            for (int k = 0; k < 2; k++)
                if (c.keys[k].name != nullptr) p.pair[i][k] = c.keys[k].name;
            entries = std::max<size_t>(c.max, 1);
        }
        p.bound += p.leaf[i].size() + 4 + kEntryText * entries;
    }
    return p;
}();

// The one-line text of a policy written straight into the output, for
// streams: what Writer<TextTree> writes (the JSON round-trip test and the
// goldens compare them), without a tree. The order is the writer's: the
// top-level keys in the order their first field is written (a group's
// object is made at its first field), a group's fields in row order.
class LineWriter {
  public:
    explicit LineWriter(bool words) : words_(words) {}

    void policy(const Ext &e, std::string &out) {
        uint64_t written = 0;
        for (size_t i = 0; i < f::kFieldCount; i++)
            written |= uint64_t{f::written(i, e)} << i;
        // The slots a policy has, by their first field written.
        std::array<std::pair<int, size_t>, f::kFieldCount> order;
        size_t slots = 0;
        for (size_t s = 0; s < kPlan.slots; s++)
            if (uint64_t m = written & kPlan.members[s]) order[slots++] = {std::countr_zero(m), s};
        std::sort(order.begin(), order.begin() + slots);
        p_ = text_;
        *p_++ = '{';
        for (size_t k = 0; k < slots; k++) {
            size_t s = order[k].second;
            if (k != 0) *p_++ = ',';
            if (!kPlan.group[s]) {
                field(e, static_cast<size_t>(order[k].first));
                continue;
            }
            key(kPlan.name[s]);
            *p_++ = '{';
            for (uint64_t m = written & kPlan.members[s]; m != 0; m &= m - 1) {
                field(e, static_cast<size_t>(std::countr_zero(m)));
                if ((m & (m - 1)) != 0) *p_++ = ',';
            }
            *p_++ = '}';
        }
        *p_++ = '}';
        *p_++ = '\n';
        out.append(text_, static_cast<size_t>(p_ - text_));
    }

  private:
    bool words_;
    char text_[kPlan.bound];
    char *p_ = text_;

    void put(std::string_view s) {
        std::memcpy(p_, s.data(), s.size());
        p_ += s.size();
    }
    void key(std::string_view k) {
        *p_++ = '"';
        put(k);
        *p_++ = '"';
        *p_++ = ':';
    }
    void quoted(std::string_view s) { // as TextTree::string escapes
        *p_++ = '"';
        for (char c : s) {
            if (c == '"' || c == '\\') *p_++ = '\\';
            *p_++ = c;
        }
        *p_++ = '"';
    }
    void integer(uint64_t v) {
        char digits[24];
        char *end = digits + sizeof digits, *d = end;
        do
            *--d = static_cast<char>('0' + v % 10);
        while ((v /= 10) != 0);
        put(std::string_view(d, static_cast<size_t>(end - d)));
    }
    void number(uint64_t v, const f::Domain &d) {
        if (const char *w = f::written_word(v, d, words_)) return quoted(w);
        if (d.style == f::Style::dec) return integer(v);
        size_t digits = static_cast<size_t>(f::hex_digits(d.style));
        put("\"0x");
        for (size_t i = digits; i-- > 0; v >>= 4)
            p_[i] = "0123456789abcdef"[v & 15];
        p_ += digits;
        *p_++ = '"';
    }
    // Field i with its key (the part of its path after its group's name).
    void field(const Ext &e, size_t i) {
        key(kPlan.leaf[i]);
        if (i < f::kScalarCount) return number(f::kScalars[i].get(e), *f::kScalars[i].domain);
        const f::Compound &c = f::kCompounds[i - f::kScalarCount];
        if (c.shape == f::Shape::mac) {
            uint8_t m[6];
            for (size_t b = 0; b < 6; b++)
                m[b] = static_cast<uint8_t>(c.access.get(e, b, -1));
            *p_++ = '"';
            f::mac_text(m, p_);
            p_ += f::kMacText;
            *p_++ = '"';
            return;
        }
        if (c.shape == f::Shape::l2pt) return l2pt(e, c, kPlan.pair[i]);
        *p_++ = '[';
        for (size_t n = 0, entries = c.access.entries(e); n < entries; n++) {
            if (n != 0) *p_++ = ',';
            if (c.shape != f::Shape::pairs) {
                number(c.access.get(e, n, -1), *c.domain);
                continue;
            }
            for (int k = 0; k < 2; k++) {
                *p_++ = k == 0 ? '{' : ',';
                key(kPlan.pair[i][static_cast<size_t>(k)]);
                number(c.access.get(e, n, k), *c.keys[k].domain);
            }
            *p_++ = '}';
        }
        *p_++ = ']';
    }
    void l2pt(const Ext &e, const f::Compound &c, const std::array<std::string_view, 2> &keys) {
        *p_++ = '{';
        bool first = true;
        for (unsigned i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++) {
            f::L2ptEntry l = f::l2pt_entry_of(static_cast<uint8_t>(c.access.get(e, i, -1)));
            if (l.kind == f::L2ptEntry::Kind::off) continue;
            if (!first) *p_++ = ',';
            first = false;
            key(f::kL2ptNames[i]);
            if (l.kind == f::L2ptEntry::Kind::raw) {
                integer(l.byte);
                continue;
            }
            *p_++ = '{';
            key(keys[0]);
            number(l.mode, *c.keys[0].domain);
            *p_++ = ',';
            key(keys[1]);
            if (l.given)
                integer(l.exp);
            else
                put("null");
            *p_++ = '}';
        }
        *p_++ = '}';
    }
};

} // namespace

std::string ext_to_json(const Ext &e, bool one_line, bool words) {
    std::string out;
    out.reserve(one_line ? 512 : 2048);
    append_json(e, out, one_line, words);
    return out;
}

void append_json(const Ext &e, std::string &out, bool one_line, bool words) {
    if (one_line) {
        static thread_local LineWriter line[2] = {LineWriter(false), LineWriter(true)};
        return line[words].policy(e, out);
    }
    static thread_local TextTree tree; // kept between policies: cleared, not freed
    tree.clear();
    TextTree::Node root = eth_if_plcy::fields::Writer<TextTree>(tree, words).policy(e);
    tree.write(root, one_line, out);
}

#ifdef ETH_IF_PLCY_HAVE_SIMDJSON
namespace {

// simdjson's values for the reader: a policy per line in a stream is read
// several times faster than through jansson. Anything it cannot settle the
// way jansson does (a parse error, a duplicate key, a NUL in a key) is left
// to jansson, whose acceptance and messages stay the tool's.
struct Unsettled {};
struct SimdTree {
    struct Node {
        simdjson::dom::element e;
        bool ok = false;
        explicit operator bool() const { return ok; }
    };
    bool is_int(Node n) { return n.e.is_int64() || n.e.is_uint64(); }
    bool int_value(Node n, int64_t &v) {
        if (!n.e.is_int64()) throw Unsettled{}; // above jansson's integers
        v = int64_t(n.e.get_int64());
        return true;
    }
    // Whether a string may hold a NUL: only text with a NUL byte or a
    // "\u0000" escape makes one (the check per string is then skipped).
    bool may_nul = true;
    bool is_string(Node n) { return n.e.is_string(); }
    std::string_view string(Node n) {
        std::string_view s(n.e.get_string());
        if (may_nul && s.find('\0') != std::string_view::npos)
            throw Unsettled{}; // jansson refuses it
        return s;
    }
    bool is_array(Node n) { return n.e.is_array(); }
    size_t size(Node n) { return simdjson::dom::array(n.e.get_array()).size(); }
    Node at(Node n, size_t i) { return {simdjson::dom::array(n.e.get_array()).at(i), true}; }
    bool is_object(Node n) { return n.e.is_object(); }
    bool is_null(Node n) { return n.e.is_null(); }
    Node get(Node n, const char *key) {
        simdjson::dom::element v;
        if (simdjson::dom::object(n.e.get_object()).at_key(key).get(v)) return {};
        return {v, true};
    }
    template <class F>
    void each(Node n, F f) {
        simdjson::dom::object o(n.e.get_object());
        // The keys seen, on the stack: a policy's objects have a few dozen
        // at most, and a longer one goes to jansson. A key is compared with
        // those seen only when one of them had its length and last character.
        std::array<std::string_view, 64> keys;
        size_t seen = 0;
        uint64_t sketch = 0;
        for (auto [key, value] : o) {
            if (seen == keys.size() || (may_nul && key.find('\0') != std::string_view::npos))
                throw Unsettled{};
            uint64_t bit = uint64_t{1} << ((key.size() * 31 + (key.empty() ? 0 : key.back())) & 63);
            if ((sketch & bit) != 0 &&
                std::find(keys.begin(), keys.begin() + seen, key) != keys.begin() + seen)
                throw Unsettled{};
            sketch |= bit;
            keys[seen++] = key;
            f(key, Node{value, true});
        }
    }
    std::string show(Node n) { return simdjson::to_string(n.e); }
};

// True when simdjson read the policy; false when jansson must.
bool read_fast(const std::string &text, Ext &ext, bool strict) {
    static thread_local simdjson::dom::parser parser;
    simdjson::dom::element doc;
    if (parser.parse(text.data(), text.size()).get(doc) || !doc.is_object()) return false;
    SimdTree tree;
    tree.may_nul = std::memchr(text.data(), '\0', text.size()) != nullptr ||
                   std::string_view(text).find("\\u0000") != std::string_view::npos;
    eth_if_plcy::fields::Reader<SimdTree> reader(tree, ext, strict);
    try {
        if (reader.policy(SimdTree::Node{doc, true})) return true;
    } catch (const Unsettled &) {
        return false;
    }
    throw Failure(reader.refusal().message);
}

} // namespace
#endif

namespace {

// The one-pass scan, then simdjson, then jansson; ETHPLCY_JSON_READER
// "simdjson" leaves the scan out and "jansson" asks for jansson alone (the
// tests compare them).
enum class Use { all, simdjson, jansson };
Use readers() {
    static const Use use = [] {
        const char *r = std::getenv("ETHPLCY_JSON_READER");
        return r == nullptr                      ? Use::all
               : std::strcmp(r, "jansson") == 0  ? Use::jansson
               : std::strcmp(r, "simdjson") == 0 ? Use::simdjson
                                                 : Use::all;
    }();
    return use;
}

void read_policy(const std::string &text, Ext &ext, bool strict) {
    Use use = readers();
    if (use == Use::all && scan_policy(text, ext, strict)) return;
#ifdef ETH_IF_PLCY_HAVE_SIMDJSON
    if (use != Use::jansson && read_fast(text, ext, strict)) return;
#endif
    json_error_t error;
    Json root(json_loadb(text.data(), text.size(), JSON_REJECT_DUPLICATES, &error), json_decref);
    if (!root)
        throw NotJson("bad JSON at line " + std::to_string(error.line) + ", column " +
                      std::to_string(error.column) + ": " + error.text);
    if (!json_is_object(root.get())) throw Failure("bad JSON: expected an object");
    JanssonTree tree;
    eth_if_plcy::fields::Reader<JanssonTree> reader(tree, ext, strict);
    if (!reader.policy(root.get())) throw Failure(reader.refusal().message);
}

} // namespace

namespace {

// The value at a path such as "efp.tag[0].vlan" in a policy's JSON; null when absent.
json_t *at_path(json_t *root, const std::string &path) {
    json_t *v = root;
    size_t i = 0;
    while (v != nullptr && i < path.size()) {
        size_t end = path.find_first_of(".[", i);
        if (end == std::string::npos) end = path.size();
        if (end > i) v = json_object_get(v, path.substr(i, end - i).c_str());
        if (end < path.size() && path[end] == '[') {
            size_t close = path.find(']', end);
            v = json_array_get(v, std::strtoul(path.c_str() + end + 1, nullptr, 10));
            end = close + 1;
        }
        i = end < path.size() && path[end] == '.' ? end + 1 : end;
    }
    return v;
}

} // namespace

std::string value_at(const Ext &ext, const std::string &path) {
    std::string text = ext_to_json(ext, true);
    Json root(json_loadb(text.data(), text.size(), 0, nullptr), json_decref);
    json_t *v = root ? at_path(root.get(), path) : nullptr;
    return v ? JanssonTree().show(v) : "";
}

std::string refusal(const Ext &ext, const eth_if_plcy::fields::Verdict &v) {
    TextTree tree;
    return eth_if_plcy::fields::refusal(tree, ext, v, [&](TextTree::Node n) {
        std::string text;
        tree.write(n, true, text);
        text.pop_back(); // the line's end
        return text;
    });
}

namespace {
void checked(const Ext &ext, bool check, uint32_t options) {
    if (!check) return;
    if (auto v = eth_if_plcy::fields::check(ext, options); !v.ok()) throw Failure(refusal(ext, v));
}
} // namespace

void ext_from_policy_json(const std::string &text, Ext &ext, bool check, uint32_t options) {
    read_policy(text, ext, check);
    checked(ext, check, options);
}

bool ext_from_plain_json(std::string_view text, Ext &ext, bool check, uint32_t options) {
    if (readers() != Use::all || !scan_policy(text, ext, check)) return false;
    checked(ext, check, options);
    return true;
}

} // namespace ethplcy_tool
