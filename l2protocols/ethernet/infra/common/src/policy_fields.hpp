// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The policy's fields as people name them, described once: each field's path
// in the tool's JSON (provision_info, sub, trunk and efp as nested objects),
// the policy field bits that make it present, its largest value, how it is
// written (decimal, hexadecimal of a given width, words for special values)
// and where it lives in the external record. The reader and writer below walk
// the description over any tree of values (jansson's for the tool, Python's
// objects for the binding): `Tree` supplies the few operations they need.
// Header-only and free of any JSON library, so the library never depends on one.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ether_interface_policy_api.h"
#include "record_layout.hpp"

namespace eth_if_plcy::fields {

using Ext = eth_if_plcy_ext_t;

// How a number is written, and which words stand for special values.
enum class Style { dec, hex4, hex5, hex8 };
enum class Words { none, vlan, pcp, ethertype };

struct Word {
    const char *word;
    uint64_t value;
};
inline constexpr Word kVlanWords[] = {{"any", EFP_VLAN_ANY}, {"range", EFP_VLAN_RANGE}};
inline constexpr Word kPcpWords[] = {{"any", EFP_PCP_ANY}};
inline constexpr Word kEthertypeWords[] = {{"dot1q", ETH_EFP_ETHERTYPE_DOT1Q},
                                           {"dot1ad", ETH_EFP_ETHERTYPE_DOT1AD}};

constexpr std::span<const Word> words_of(Words w) {
    switch (w) {
    case Words::vlan:
        return kVlanWords;
    case Words::pcp:
        return kPcpWords;
    case Words::ethertype:
        return kEthertypeWords;
    case Words::none:
        break;
    }
    return {};
}

constexpr int hex_digits(Style s) {
    return s == Style::hex4 ? 4 : s == Style::hex5 ? 5 : s == Style::hex8 ? 8 : 0;
}

// Where a field lies in the internal record (either image): its bytes, or
// for a field of the EFP area (whose form decides the place) that whole area.
struct Bytes {
    uint8_t off;
    uint8_t len; // 0: from off to the record's end
};
namespace L = ethplcy::layout;
constexpr Bytes at(L::Int f) {
    return {f.off, f.bytes};
}
constexpr Bytes at(L::Bits f) {
    return {f.off, static_cast<uint8_t>(f.unit_bits / 8)};
}
inline constexpr Bytes kEfpArea{ETH_IF_PLCY_EFP_PART, 0};

// A numeric field: its dotted path, the policy field bits that make it
// present (any of them), its largest value, how it is written and read, and
// where it lies in the record.
struct Scalar {
    const char *path;
    uint32_t bit;
    uint64_t max;
    Style style;
    uint64_t (*get)(const Ext &);
    void (*set)(Ext &, uint64_t);
    Bytes where;
};

#define ETH_IF_PLCY_SCALAR(path, bit, max, style, member, where)                                   \
    Scalar {                                                                                       \
        path, bit, max, style, [](const Ext &e) -> uint64_t { return e.member; },                  \
            [](Ext &e, uint64_t v) { e.member = static_cast<decltype(e.member)>(v); }, where       \
    }

inline constexpr uint32_t kEfp = ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE;
inline constexpr uint32_t kProv = ETH_IF_PLCY_PROVISION;
inline constexpr uint32_t kMatch = ETH_IF_PLCY_EFP_MATCH;

inline constexpr Scalar kScalars[] = {
#define S ETH_IF_PLCY_SCALAR
#define D Style::dec
    S("valid_mask", 0, ETH_IF_PLCY_ALL_FIELDS, Style::hex5, valid_mask, at(L::valid_mask)),
    S("ether_if_type", ETH_IF_PLCY_ETHER_IF_TYPE, 31, D, ether_if_type, at(L::ether_if_type)),
    S("interface_ready", ETH_IF_PLCY_INTF_READY, 1, D, interface_ready, at(L::interface_ready)),
    S("is_l2", ETH_IF_PLCY_L2_FLAG, 1, D, is_l2, at(L::is_l2)),
    S("is_provisioned", kProv, 1, D, is_provisioned, at(L::is_provisioned)),
    S("provision_info.xconnect_id", kProv, UINT32_MAX, D, provision_info.xconnect_id,
      at(L::xconnect_id)),
    S("provision_info.xcon_tags", kProv, 255, D, provision_info.xcon_tags, at(L::xcon_tags)),
    S("provision_info.ip_iw_enabled", kProv, 1, D, provision_info.ip_iw_enabled,
      at(L::ip_iw_enabled)),
    S("provision_info.imposition_vlan_rewrite", kProv, 1, D, provision_info.imposition_vlan_rewrite,
      at(L::imposition_vlan_rewrite)),
    S("provision_info.imposition_vlan_id", kProv, 65535, D, provision_info.imposition_vlan_id,
      at(L::imposition_vlan_id)),
    S("efp.configured", kEfp, 1, D, efp.configured, kEfpArea),
    S("efp.native", kMatch, 1, D, efp.native, kEfpArea),
    S("efp.native_with_preservation", kMatch, 1, D, efp.native_with_preservation, kEfpArea),
    S("efp.src_mac_check", kMatch, 1, D, efp.src_mac_check, kEfpArea),
    S("efp.dst_mac_check", kMatch, 1, D, efp.dst_mac_check, kEfpArea),
    S("efp.exact", kMatch, 1, D, efp.exact, kEfpArea),
    S("efp.l3_ambiguous", kMatch, 1, D, efp.l3_ambiguous, kEfpArea),
    S("efp.payload_ethertype", kMatch, 65535, Style::hex4, efp.payload_ethertype, kEfpArea),
    S("efp.num_tag_pops", ETH_IF_PLCY_EFP_REWRITE, 255, D, efp.num_tag_pops, kEfpArea),
    S("sub.parent", ETH_IF_PLCY_PARENT, UINT32_MAX, Style::hex8, sub.parent, at(L::sub_parent)),
    S("sub.admin_up", ETH_IF_PLCY_ADMIN_STATE, 255, D, sub.admin_up, at(L::sub_admin_up)),
    S("sub.efp_filtering", ETH_IF_PLCY_EFP_FILTERING, 1, D, sub.efp_filtering,
      at(L::sub_efp_filtering)),
    S("sub.src_bypass_filter", ETH_IF_PLCY_SRC_BYPASS_FILTER, 1, D, sub.src_bypass_filter,
      at(L::sub_src_bypass_filter)),
    S("trunk.native_vlan", ETH_IF_PLCY_NATIVE_VLAN, 65535, D, trunk.native_vlan,
      at(L::trunk_native_vlan)),
    S("trunk.native_is_svlan", ETH_IF_PLCY_NATIVE_VLAN, 1, D, trunk.native_is_svlan,
      at(L::trunk_native_is_svlan)),
    S("trunk.qinq_tunneling_etype", ETH_IF_PLCY_QINQ_ETYPE, 65535, Style::hex4,
      trunk.qinq_tunneling_etype, at(L::trunk_qinq_tunneling_etype)),
    S("trunk.mac_acc_ingress", ETH_IF_PLCY_MAC_ACC, 1, D, trunk.mac_acc_ingress,
      at(L::trunk_mac_acc_ingress)),
    S("trunk.mac_acc_egress", ETH_IF_PLCY_MAC_ACC, 1, D, trunk.mac_acc_egress,
      at(L::trunk_mac_acc_egress)),
    S("trunk.filter_dot1q", ETH_IF_PLCY_FILTERING, 1, D, trunk.filter_dot1q,
      at(L::trunk_filter_dot1q)),
    S("trunk.filter_dot1ad", ETH_IF_PLCY_FILTERING, 1, D, trunk.filter_dot1ad,
      at(L::trunk_filter_dot1ad)),
    S("trunk.filter_mac_relay", ETH_IF_PLCY_FILTERING, 1, D, trunk.filter_mac_relay,
      at(L::trunk_filter_mac_relay)),
    S("trunk.vlan_switched_trunk", ETH_IF_PLCY_VLAN_SWITCHED, 1, D, trunk.vlan_switched_trunk,
      at(L::trunk_vlan_switched_trunk)),
    S("trunk.vlan_switched_access", ETH_IF_PLCY_VLAN_SWITCHED, 1, D, trunk.vlan_switched_access,
      at(L::trunk_vlan_switched_access)),
    S("trunk.access_vlan", ETH_IF_PLCY_VLAN_SWITCHED, 65535, D, trunk.access_vlan,
      at(L::trunk_access_vlan)),
    S("is_in_icl_mode", ETH_IF_PLCY_ICL_MODE, 1, D, is_in_icl_mode, at(L::is_in_icl_mode)),
    S("mtu", ETH_IF_PLCY_MTU, 65535, D, mtu, at(L::mtu)),
#undef D
#undef S
};
#undef ETH_IF_PLCY_SCALAR

// Fields that are not single numbers. Counts are written only where no array
// carries them (num_tag_pops); the others are read, checked and derived.
enum class Special {
    mac_addr,
    src_mac,
    dst_mac,
    l2pt,
    tag_pcp,
    tag,
    push,
    ranges,
    num_tags,
    num_tag_pushes,
    num_ranges,
    tag_range_count
};
struct Compound {
    const char *path;
    uint32_t bit;
    Special kind;
    Bytes where;
};
inline constexpr Compound kCompounds[] = {
    {"mac_addr", ETH_IF_PLCY_MAC_ADDR, Special::mac_addr, {L::mac_addr_off, 6}},
    {"l2pt", ETH_IF_PLCY_L2PT, Special::l2pt, {L::l2pt_off, ETH_IF_PLCY_L2PT_PROTOCOLS}},
    {"efp.tag", kMatch, Special::tag, kEfpArea},
    {"efp.tag_pcp", kMatch, Special::tag_pcp, kEfpArea},
    {"efp.ranges", kMatch, Special::ranges, kEfpArea},
    {"efp.src_mac", kMatch, Special::src_mac, kEfpArea},
    {"efp.dst_mac", kMatch, Special::dst_mac, kEfpArea},
    {"efp.push", ETH_IF_PLCY_EFP_REWRITE, Special::push, kEfpArea},
    {"efp.num_tags", kMatch, Special::num_tags, kEfpArea},
    {"efp.num_tag_pushes", ETH_IF_PLCY_EFP_REWRITE, Special::num_tag_pushes, kEfpArea},
    {"efp.num_ranges", kMatch, Special::num_ranges, kEfpArea},
    {"efp.tag_range_count", kMatch, Special::tag_range_count, kEfpArea},
};

// Every field by number: the scalars, then the compounds.
inline constexpr size_t kScalarCount = std::size(kScalars);
inline constexpr size_t kFieldCount = kScalarCount + std::size(kCompounds);
static_assert(kFieldCount <= 64, "a field set is one 64-bit word");
constexpr const char *path_of(size_t i) {
    return i < kScalarCount ? kScalars[i].path : kCompounds[i - kScalarCount].path;
}
constexpr uint32_t bit_of(size_t i) {
    return i < kScalarCount ? kScalars[i].bit : kCompounds[i - kScalarCount].bit;
}

// The number of the field at a path, or -1: a binary search of the paths.
inline int index_of(std::string_view path) {
    static const auto sorted = [] {
        std::array<std::pair<std::string_view, int>, kFieldCount> a{};
        for (size_t i = 0; i < kFieldCount; i++)
            a[i] = {path_of(i), static_cast<int>(i)};
        std::sort(a.begin(), a.end());
        return a;
    }();
    auto it = std::lower_bound(sorted.begin(), sorted.end(), std::make_pair(path, -1));
    return it != sorted.end() && it->first == path ? it->second : -1;
}

// The policy field bits of each interface class's view: a policy sets those
// of one class at most.
inline constexpr uint32_t kSubFields = ETH_IF_PLCY_PARENT | ETH_IF_PLCY_ADMIN_STATE |
                                       ETH_IF_PLCY_EFP_FILTERING | ETH_IF_PLCY_SRC_BYPASS_FILTER;
inline constexpr uint32_t kTrunkFields =
    ETH_IF_PLCY_NATIVE_VLAN | ETH_IF_PLCY_QINQ_ETYPE | ETH_IF_PLCY_MAC_ACC | ETH_IF_PLCY_FILTERING;

// The nested objects, and the keys of the objects inside arrays.
inline constexpr const char *kGroups[] = {"provision_info", "efp", "sub", "trunk"};
inline constexpr std::array<const char *, ETH_IF_PLCY_L2PT_PROTOCOLS> kL2ptNames = {
    "lyx", "tovu", "quz", "jaxe", "wimo"};
inline constexpr std::array<const char *, 5> kModeNames = {"off", "forward", "drop", "tunnel",
                                                           "rev-tnl"};

inline bool is_group(std::string_view key) {
    for (const char *g : kGroups)
        if (key == g) return true;
    return false;
}

// A refusal while reading: the message, and the path of the field it is about
// ("" when it is about no one field).
struct FieldError : std::runtime_error {
    std::string path;
    FieldError(const std::string &at, const std::string &message)
        : std::runtime_error(message), path(at) {}
};

// Whether a policy holds a numeric field: its group is in the valid mask (the
// mask itself always), and the provisioning details only while
// is_provisioned is 1.
inline bool present(const Scalar &s, const Ext &e) {
    if (s.bit != 0 && (e.valid_mask & s.bit) == 0) return false;
    return std::strncmp(s.path, "provision_info.", 15) != 0 || e.is_provisioned;
}

// ---- writing -----------------------------------------------------------------
//
// Tree: Node, object(), array(), integer(u64), string(sv), null(), hex(v,
// digits) (a "0x..." string, or the number itself where hex is only a way of
// writing), get(obj, key) (null Node when absent), set(obj, key, v),
// append(arr, v). Keys are string_views into this description's own
// constant strings: they live as long as the program.

template <class Tree>
class Writer {
  public:
    using Node = typename Tree::Node;
    explicit Writer(Tree &t) : t_(t) {}

    Node policy(const Ext &e) {
        Node root = t_.object();
        for (const Scalar &s : kScalars)
            if (present(s, e)) put(root, s.path, number(s.get(e), s.style, Words::none));
        for (const Compound &c : kCompounds)
            if ((e.valid_mask & c.bit) != 0)
                if (Node v = compound(e, c.kind)) put(root, c.path, v);
        return root;
    }

  private:
    Tree &t_;

    Node number(uint64_t v, Style style, Words words) {
        for (const Word &w : words_of(words))
            if (w.value == v) return t_.string(w.word);
        if (style == Style::dec) return t_.integer(v);
        return t_.hex(v, hex_digits(style));
    }

    Node mac(const uint8_t *m) {
        char text[18];
        std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", m[0], m[1], m[2], m[3],
                      m[4], m[5]);
        return t_.string(text);
    }

    Node pair(std::string_view a, Node va, std::string_view b, Node vb) {
        Node o = t_.object();
        t_.set(o, a, va);
        t_.set(o, b, vb);
        return o;
    }

    Node tags(const eth_if_plcy_efp_tag_t *tags, size_t n, Words vlan_words) {
        Node arr = t_.array();
        for (size_t i = 0; i < n; i++)
            t_.append(arr, pair("ethertype", number(tags[i].ethertype, Style::hex4, Words::none),
                                "vlan", number(tags[i].vlan, Style::dec, vlan_words)));
        return arr;
    }

    // Protocols that are off with no EXP are left out.
    Node l2pt(const uint8_t *l2pt) {
        Node obj = t_.object();
        for (unsigned i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++) {
            uint8_t b = l2pt[i] & 0x7Fu; // bit 7 is not stored
            if (b == 0) continue;
            // An EXP value without its "given" bit has no word: the raw byte keeps it.
            if ((b & ETH_IF_PLCY_L2PT_EXP_MASK) && !(b & ETH_IF_PLCY_L2PT_EXP_GIVEN)) {
                t_.set(obj, kL2ptNames[i], t_.integer(b));
                continue;
            }
            unsigned mode = b & ETH_IF_PLCY_L2PT_MODE_MASK;
            Node m = mode < kModeNames.size() ? t_.string(kModeNames[mode]) : t_.integer(mode);
            Node exp =
                (b & ETH_IF_PLCY_L2PT_EXP_GIVEN)
                    ? t_.integer((b & ETH_IF_PLCY_L2PT_EXP_MASK) >> ETH_IF_PLCY_L2PT_EXP_SHIFT)
                    : t_.null();
            t_.set(obj, kL2ptNames[i], pair("mode", m, "exp", exp));
        }
        return obj;
    }

    Node compound(const Ext &e, Special kind) {
        const auto &f = e.efp;
        size_t tags_n = std::min<size_t>(f.num_tags, 2);
        switch (kind) {
        case Special::mac_addr:
            return mac(e.mac_addr);
        case Special::src_mac:
            return f.src_mac_check ? mac(f.src_mac) : Node{};
        case Special::dst_mac:
            return f.dst_mac_check ? mac(f.dst_mac) : Node{};
        case Special::l2pt:
            return l2pt(e.l2pt);
        case Special::tag_pcp: {
            Node arr = t_.array();
            for (size_t i = 0; i < tags_n; i++)
                t_.append(arr, number(f.tag_pcp[i], Style::dec, Words::pcp));
            return arr;
        }
        case Special::tag:
            return tags(f.tag, tags_n, Words::vlan);
        case Special::push:
            return tags(f.push, std::min<size_t>(f.num_tag_pushes, 2), Words::none);
        case Special::ranges: {
            Node arr = t_.array();
            for (size_t k = 0; k < std::min<size_t>(f.num_ranges, ETH_IF_PLCY_EXT_MAX_RANGES); k++)
                t_.append(arr, pair("low", t_.integer(f.ranges[k].low), "high",
                                    t_.integer(f.ranges[k].high)));
            return arr;
        }
        default:
            return Node{}; // derived counts are not written
        }
    }

    // Puts value at path, creating its group object on first use.
    void put(Node root, std::string_view path, Node value) {
        size_t dot = path.find('.');
        if (dot == std::string_view::npos) return t_.set(root, path, value);
        std::string_view group = path.substr(0, dot);
        Node obj = t_.get(root, group);
        if (!obj) {
            obj = t_.object();
            t_.set(root, group, obj);
        }
        t_.set(obj, path.substr(dot + 1), value);
    }
};

// ---- reading -----------------------------------------------------------------
//
// Tree: Node, is_int(n), int_value(n, int64 &) (clamped to the int64 range),
// is_string(n), string(n) (a string_view), is_array(n), size(n), at(n, i),
// is_object(n), get(n, key) (null Node when absent), each(n, f(key, value)),
// is_null(n), show(n) (the value as JSON writes it, for messages).

template <class Tree>
class Reader {
  public:
    using Node = typename Tree::Node;
    Reader(Tree &t, Ext &ext) : t_(t), ext_(ext) {}

    // Fills ext (cleared first) from a policy object; per-tag range lists
    // point at ext.efp.ranges. Throws FieldError.
    void policy(Node root) {
        if (!t_.is_object(root)) throw FieldError("", "expected an object");
        std::memset(&ext_, 0, sizeof ext_);
        object(root, "");
        derive(root);
    }

  private:
    Tree &t_;
    Ext &ext_;
    uint64_t seen_ = 0;           // the fields given, by number
    uint32_t covered_ = 0;        // bits some key stands for
    uint32_t efp_configured_ = 0; // both EFP bits, when efp.configured is given

    // "path: value what", the value as it was given.
    std::string refuse(const std::string &path, Node v, const std::string &what) {
        return path + ": " + (v ? t_.show(v) : std::string("nothing")) + " " + what;
    }

    std::string expected(const std::string &path, Node v, Words words) {
        std::vector<std::string> ways = {"a whole number", "a \"0x...\" string"};
        for (const Word &w : words_of(words))
            ways.push_back(std::string("\"") + w.word + "\"");
        std::string what = "is not a number: write " + ways[0];
        for (size_t i = 1; i < ways.size(); i++)
            what += (i + 1 == ways.size() ? " or " : ", ") + ways[i];
        return refuse(path, v, what);
    }

    // A whole number, a "0x..." string, or one of the field's words.
    uint64_t number(const std::string &path, Node v, uint64_t max, Words words = Words::none) {
        uint64_t n = 0;
        if (v && t_.is_int(v)) {
            int64_t i = 0;
            if (!t_.int_value(v, i)) throw FieldError(path, expected(path, v, words));
            if (i < 0) throw FieldError(path, refuse(path, v, "is below 0"));
            n = static_cast<uint64_t>(i);
        } else if (v && t_.is_string(v)) {
            std::string s(t_.string(v));
            bool found = false;
            for (const Word &w : words_of(words))
                if (s == w.word) n = w.value, found = true;
            if (!found) {
                char *end = nullptr;
                bool hex = s.size() > 2 && s.size() <= 18 && s[0] == '0' &&
                           (s[1] == 'x' || s[1] == 'X') &&
                           std::isxdigit(static_cast<unsigned char>(s[2]));
                if (hex) n = std::strtoull(s.c_str() + 2, &end, 16);
                if (!hex || *end != '\0') throw FieldError(path, expected(path, v, words));
            }
        } else {
            throw FieldError(path, expected(path, v, words));
        }
        if (n > max) throw FieldError(path, refuse(path, v, "is above " + std::to_string(max)));
        return n;
    }

    void mac(const std::string &path, Node v, uint8_t *out) {
        unsigned m[6];
        char end;
        std::string s = v && t_.is_string(v) ? std::string(t_.string(v)) : std::string();
        if (std::sscanf(s.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &m[0], &m[1], &m[2], &m[3], &m[4],
                        &m[5], &end) != 6)
            throw FieldError(path, refuse(path, v,
                                          "is not a MAC address: write it like "
                                          "\"00:11:22:33:44:55\""));
        for (int i = 0; i < 6; i++)
            out[i] = static_cast<uint8_t>(m[i]);
    }

    size_t array(const std::string &path, Node v, size_t max) {
        if (!t_.is_array(v) || t_.size(v) > max)
            throw FieldError(
                path, refuse(path, v,
                             (t_.is_array(v) ? "has more than " : "is not an array of at most ") +
                                 std::to_string(max) + " entries"));
        return t_.size(v);
    }

    static std::string item(const std::string &path, size_t i) {
        return path + "[" + std::to_string(i) + "]";
    }

    void only_keys(const std::string &at, Node o, const char *a, const char *b) {
        t_.each(o, [&](const char *key, Node) {
            if (std::strcmp(key, a) != 0 && std::strcmp(key, b) != 0)
                throw FieldError(at + "." + key, at + "." + key + ": no such field");
        });
    }

    // An array of objects with exactly the keys a and b.
    template <class Store>
    void pairs(const std::string &path, Node v, size_t max, const char *a, Words wa, const char *b,
               Words wb, Store store) {
        for (size_t i = 0, n = array(path, v, max); i < n; i++) {
            std::string at = item(path, i);
            Node o = t_.at(v, i);
            if (!t_.is_object(o)) throw FieldError(at, refuse(at, o, "is not an object"));
            only_keys(at, o, a, b);
            store(i, static_cast<uint16_t>(number(at + "." + a, t_.get(o, a), 65535, wa)),
                  static_cast<uint16_t>(number(at + "." + b, t_.get(o, b), 65535, wb)));
        }
    }

    // {"tovu": {"mode": "tunnel", "exp": 5}, ...}, or the five raw bytes.
    void l2pt(const std::string &path, Node v) {
        if (t_.is_array(v)) {
            for (size_t i = 0, n = array(path, v, 5); i < n; i++)
                ext_.l2pt[i] = static_cast<uint8_t>(number(item(path, i), t_.at(v, i), 255));
            return;
        }
        if (!t_.is_object(v))
            throw FieldError(path, refuse(path, v, "is not an object of L2PT protocols"));
        t_.each(v, [&](const char *key, Node val) {
            std::string at = path + "." + key;
            unsigned i = 0;
            while (i < kL2ptNames.size() && std::strcmp(kL2ptNames[i], key) != 0)
                i++;
            if (i == kL2ptNames.size())
                throw FieldError(at, at + ": no such L2PT protocol (lyx, tovu, quz, jaxe, wimo)");
            if (t_.is_int(val)) { // the raw byte
                ext_.l2pt[i] = static_cast<uint8_t>(number(at, val, 255));
                return;
            }
            if (!t_.is_object(val))
                throw FieldError(at, refuse(at, val, "is not an object or a number"));
            only_keys(at, val, "mode", "exp");
            Node mode = t_.get(val, "mode");
            unsigned m = kModeNames.size();
            for (unsigned j = 0; mode && t_.is_string(mode) && j < kModeNames.size(); j++)
                if (t_.string(mode) == kModeNames[j]) m = j;
            if (m == kModeNames.size()) {
                if (!mode || !t_.is_int(mode))
                    throw FieldError(at + ".mode", refuse(at + ".mode", mode,
                                                          "is not a mode: write off, forward, "
                                                          "drop, tunnel or rev-tnl"));
                m = static_cast<unsigned>(number(at + ".mode", mode, 7));
            }
            Node exp = t_.get(val, "exp");
            uint8_t b = static_cast<uint8_t>(m);
            if (exp && !t_.is_null(exp))
                b |=
                    static_cast<uint8_t>(ETH_IF_PLCY_L2PT_EXP_GIVEN |
                                         number(at + ".exp", exp, 7) << ETH_IF_PLCY_L2PT_EXP_SHIFT);
            ext_.l2pt[i] = b;
        });
    }

    void compound(const std::string &path, Node v, Special kind) {
        auto &f = ext_.efp;
        switch (kind) {
        case Special::mac_addr:
            return mac(path, v, ext_.mac_addr);
        case Special::src_mac:
            return mac(path, v, f.src_mac);
        case Special::dst_mac:
            return mac(path, v, f.dst_mac);
        case Special::l2pt:
            return l2pt(path, v);
        case Special::tag_pcp:
            for (size_t i = 0, n = array(path, v, 2); i < n; i++)
                f.tag_pcp[i] =
                    static_cast<uint8_t>(number(item(path, i), t_.at(v, i), 255, Words::pcp));
            return;
        case Special::tag_range_count:
            for (size_t i = 0, n = array(path, v, 2); i < n; i++)
                f.tag_range_count[i] = static_cast<uint16_t>(
                    number(item(path, i), t_.at(v, i), ETH_IF_PLCY_EXT_MAX_RANGES));
            return;
        case Special::tag:
            return pairs(path, v, 2, "ethertype", Words::ethertype, "vlan", Words::vlan,
                         [&](size_t i, uint16_t a, uint16_t b) {
                             f.tag[i] = {a, b};
                         });
        case Special::push:
            return pairs(path, v, 2, "ethertype", Words::ethertype, "vlan", Words::none,
                         [&](size_t i, uint16_t a, uint16_t b) {
                             f.push[i] = {a, b};
                         });
        case Special::ranges:
            return pairs(path, v, ETH_IF_PLCY_EXT_MAX_RANGES, "low", Words::none, "high",
                         Words::none, [&](size_t i, uint16_t a, uint16_t b) {
                             f.ranges[i] = {a, b};
                         });
        case Special::num_tags:
            f.num_tags = static_cast<uint8_t>(number(path, v, 2));
            return;
        case Special::num_tag_pushes:
            f.num_tag_pushes = static_cast<uint8_t>(number(path, v, 2));
            return;
        case Special::num_ranges:
            f.num_ranges = static_cast<uint16_t>(number(path, v, ETH_IF_PLCY_EXT_MAX_RANGES));
            return;
        }
    }

    bool seen(std::string_view path) const {
        int i = index_of(path);
        return i >= 0 && (seen_ >> i & 1u) != 0;
    }

    void field(const std::string &path, Node v) {
        int i = index_of(path);
        if (i < 0) throw FieldError(path, path + ": no such field");
        seen_ |= uint64_t{1} << i;
        if (static_cast<size_t>(i) < kScalarCount) {
            const Scalar &s = kScalars[i];
            s.set(ext_,
                  number(path, v, s.max, s.style == Style::hex4 ? Words::ethertype : Words::none));
            // efp.configured belongs to both EFP groups: it alone makes neither present.
            (s.bit == kEfp ? efp_configured_ : covered_) |= s.bit;
            return;
        }
        const Compound &c = kCompounds[i - kScalarCount];
        compound(path, v, c.kind);
        covered_ |= c.bit;
    }

    void object(Node obj, const std::string &prefix) {
        t_.each(obj, [&](const char *key, Node v) {
            std::string path = prefix + key;
            // A policy file may name its JSON Schema, for editors.
            if (prefix.empty() && path == "$schema") {
                if (!t_.is_string(v)) throw FieldError(path, refuse(path, v, "is not a string"));
                return;
            }
            if (prefix.empty() && is_group(path)) {
                if (!t_.is_object(v)) throw FieldError(path, refuse(path, v, "is not an object"));
                object(v, path + ".");
            } else {
                field(path, v);
            }
        });
    }

    // A count left out is its array's length; a count given must agree with it.
    template <typename T>
    void count(const char *count_path, T &count, Node efp, const char *array_key) {
        Node arr = efp ? t_.get(efp, array_key) : Node{};
        auto n = static_cast<T>(arr && t_.is_array(arr) ? t_.size(arr) : 0);
        if (!seen(count_path)) {
            count = n;
        } else if (arr && count != n) {
            throw FieldError(count_path, std::string(count_path) + " is " + std::to_string(count) +
                                             " but efp." + array_key + " has " + std::to_string(n) +
                                             " entries");
        }
    }

    static std::string describe_bit(uint32_t bit) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%x", bit);
        return std::string(eth_if_plcy_field_name(bit)) + " (" + hex + ")";
    }

    static std::string key_of(uint32_t bit) {
        for (const Scalar &s : kScalars)
            if (s.bit == bit) return s.path;
        for (const Compound &c : kCompounds)
            if (c.bit == bit) return c.path;
        return "efp.configured";
    }

    void derive(Node root) {
        Node efp = t_.get(root, "efp");
        auto &f = ext_.efp;
        count("efp.num_tags", f.num_tags, efp, "tag");
        count("efp.num_tag_pushes", f.num_tag_pushes, efp, "push");
        count("efp.num_ranges", f.num_ranges, efp, "ranges");
        // The per-tag view: each range tag uses the one list, unless given.
        for (unsigned i = 0; i < 2; i++) {
            bool range_tag = i < f.num_tags && f.tag[i].vlan == EFP_VLAN_RANGE;
            if (!seen("efp.tag_range_count") && range_tag) f.tag_range_count[i] = f.num_ranges;
            if (f.tag_range_count[i] != 0) f.tag_range_list[i] = f.ranges;
        }
        uint32_t loopback = ETH_IF_PLCY_LOOPBACK; // the one group with no field
        if (!seen("valid_mask")) {
            ext_.valid_mask = covered_;
            if ((covered_ & kEfp) == 0) ext_.valid_mask |= efp_configured_;
            return;
        }
        covered_ |= efp_configured_;
        for (size_t i = 0; i < kFieldCount; i++) {
            uint32_t bits = bit_of(i);
            if ((seen_ >> i & 1u) && bits != 0 && (ext_.valid_mask & bits) == 0)
                throw FieldError(path_of(i), std::string(path_of(i)) +
                                                 " is given but valid_mask lacks " +
                                                 describe_bit(bits & ~(bits - 1)));
        }
        uint32_t missing = ext_.valid_mask & ~covered_ & ~loopback;
        if (missing != 0) {
            uint32_t bit = missing & ~(missing - 1);
            throw FieldError("valid_mask", "valid_mask has " + describe_bit(bit) + " but no " +
                                               key_of(bit) + " key");
        }
    }
};

} // namespace eth_if_plcy::fields
