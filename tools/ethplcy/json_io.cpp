// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The external record as JSON people read and write: the field description
// (policy_reader.hpp, policy_writer.hpp) walked over jansson's values. Hexadecimal strings where
// engineers think in hex, words for the special values, L2PT by protocol
// name; counts and valid_mask may be left out (they are derived) and must
// agree with the keys when given.
#include <jansson.h>

#include <algorithm>
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

} // namespace

std::string ext_to_json(const Ext &e, bool one_line, bool words) {
    std::string out;
    out.reserve(one_line ? 512 : 2048);
    append_json(e, out, one_line, words);
    return out;
}

void append_json(const Ext &e, std::string &out, bool one_line, bool words) {
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
    bool is_string(Node n) { return n.e.is_string(); }
    std::string_view string(Node n) {
        std::string_view s(n.e.get_string());
        if (s.find('\0') != std::string_view::npos) throw Unsettled{}; // jansson refuses it
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
        std::vector<std::string_view> keys;
        for (auto [key, value] : o) {
            if (key.find('\0') != std::string_view::npos ||
                std::find(keys.begin(), keys.end(), key) != keys.end())
                throw Unsettled{};
            keys.push_back(key);
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

void read_policy(const std::string &text, Ext &ext, bool strict) {
#ifdef ETH_IF_PLCY_HAVE_SIMDJSON
    // simdjson, unless ETHPLCY_JSON_READER=jansson asks for jansson alone
    // (the tests compare the two).
    static const bool fast = [] {
        const char *r = std::getenv("ETHPLCY_JSON_READER");
        return r == nullptr || std::strcmp(r, "jansson") != 0;
    }();
    if (fast && read_fast(text, ext, strict)) return;
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

void ext_from_policy_json(const std::string &text, Ext &ext, bool check, uint32_t options) {
    read_policy(text, ext, check);
    if (!check) return;
    if (auto v = eth_if_plcy::fields::check(ext, options); !v.ok()) throw Failure(refusal(ext, v));
}

} // namespace ethplcy_tool
