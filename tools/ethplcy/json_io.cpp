// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The external record as JSON people read and write: the record's own field
// names, nested objects for provision_info, sub, trunk and efp, present
// groups only; hexadecimal strings where engineers think in hex, words for
// the special values, L2PT by protocol name. Counts and valid_mask may be
// left out (they are derived) and must agree with the keys when given.
#include <jansson.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>

#include "tool.hpp"

namespace ethplcy_tool {
namespace {

using Ext = eth_if_plcy_ext_t;

// How a number is written, and which words stand for special values.
enum class Style { dec, hex4, hex5, hex8 };
enum class Words { none, vlan, pcp, ethertype };

struct Word {
    const char *word;
    uint64_t value;
};
constexpr Word kVlanWords[] = {{"any", EFP_VLAN_ANY}, {"range", EFP_VLAN_RANGE}};
constexpr Word kPcpWords[] = {{"any", EFP_PCP_ANY}};
constexpr Word kEthertypeWords[] = {{"dot1q", ETH_EFP_ETHERTYPE_DOT1Q},
                                    {"dot1ad", ETH_EFP_ETHERTYPE_DOT1AD}};

std::span<const Word> words_of(Words w) {
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

// A numeric field: its dotted path, the policy field bits that make it
// present (any of them), its largest value, how it is written and read.
struct Scalar {
    const char *path;
    uint32_t bit;
    uint64_t max;
    Style style;
    uint64_t (*get)(const Ext &);
    void (*set)(Ext &, uint64_t);
};

#define SCALAR(path, bit, max, style, member)                                                      \
    Scalar {                                                                                       \
        path, bit, max, style, [](const Ext &e) -> uint64_t { return e.member; },                  \
            [](Ext &e, uint64_t v) { e.member = static_cast<decltype(e.member)>(v); }              \
    }

constexpr uint32_t kEfp = ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE;
constexpr uint32_t kProv = ETH_IF_PLCY_PROVISION;
constexpr uint32_t kMatch = ETH_IF_PLCY_EFP_MATCH;
constexpr Style D = Style::dec;

const Scalar kScalars[] = {
    SCALAR("valid_mask", 0, ETH_IF_PLCY_ALL_FIELDS, Style::hex5, valid_mask),
    SCALAR("ether_if_type", ETH_IF_PLCY_ETHER_IF_TYPE, 31, D, ether_if_type),
    SCALAR("interface_ready", ETH_IF_PLCY_INTF_READY, 1, D, interface_ready),
    SCALAR("is_l2", ETH_IF_PLCY_L2_FLAG, 1, D, is_l2),
    SCALAR("is_provisioned", kProv, 1, D, is_provisioned),
    SCALAR("provision_info.xconnect_id", kProv, UINT32_MAX, D, provision_info.xconnect_id),
    SCALAR("provision_info.xcon_tags", kProv, 255, D, provision_info.xcon_tags),
    SCALAR("provision_info.ip_iw_enabled", kProv, 1, D, provision_info.ip_iw_enabled),
    SCALAR("provision_info.imposition_vlan_rewrite", kProv, 1, D,
           provision_info.imposition_vlan_rewrite),
    SCALAR("provision_info.imposition_vlan_id", kProv, 65535, D, provision_info.imposition_vlan_id),
    SCALAR("efp.configured", kEfp, 1, D, efp.configured),
    SCALAR("efp.native", kMatch, 1, D, efp.native),
    SCALAR("efp.native_with_preservation", kMatch, 1, D, efp.native_with_preservation),
    SCALAR("efp.src_mac_check", kMatch, 1, D, efp.src_mac_check),
    SCALAR("efp.dst_mac_check", kMatch, 1, D, efp.dst_mac_check),
    SCALAR("efp.exact", kMatch, 1, D, efp.exact),
    SCALAR("efp.l3_ambiguous", kMatch, 1, D, efp.l3_ambiguous),
    SCALAR("efp.payload_ethertype", kMatch, 65535, Style::hex4, efp.payload_ethertype),
    SCALAR("efp.num_tag_pops", ETH_IF_PLCY_EFP_REWRITE, 255, D, efp.num_tag_pops),
    SCALAR("sub.parent", ETH_IF_PLCY_PARENT, UINT32_MAX, Style::hex8, sub.parent),
    SCALAR("sub.admin_up", ETH_IF_PLCY_ADMIN_STATE, 255, D, sub.admin_up),
    SCALAR("sub.efp_filtering", ETH_IF_PLCY_EFP_FILTERING, 1, D, sub.efp_filtering),
    SCALAR("sub.src_bypass_filter", ETH_IF_PLCY_SRC_BYPASS_FILTER, 1, D, sub.src_bypass_filter),
    SCALAR("trunk.native_vlan", ETH_IF_PLCY_NATIVE_VLAN, 65535, D, trunk.native_vlan),
    SCALAR("trunk.native_is_svlan", ETH_IF_PLCY_NATIVE_VLAN, 1, D, trunk.native_is_svlan),
    SCALAR("trunk.qinq_tunneling_etype", ETH_IF_PLCY_QINQ_ETYPE, 65535, Style::hex4,
           trunk.qinq_tunneling_etype),
    SCALAR("trunk.mac_acc_ingress", ETH_IF_PLCY_MAC_ACC, 1, D, trunk.mac_acc_ingress),
    SCALAR("trunk.mac_acc_egress", ETH_IF_PLCY_MAC_ACC, 1, D, trunk.mac_acc_egress),
    SCALAR("trunk.filter_dot1q", ETH_IF_PLCY_FILTERING, 1, D, trunk.filter_dot1q),
    SCALAR("trunk.filter_dot1ad", ETH_IF_PLCY_FILTERING, 1, D, trunk.filter_dot1ad),
    SCALAR("trunk.filter_mac_relay", ETH_IF_PLCY_FILTERING, 1, D, trunk.filter_mac_relay),
    SCALAR("trunk.vlan_switched_trunk", ETH_IF_PLCY_VLAN_SWITCHED, 1, D, trunk.vlan_switched_trunk),
    SCALAR("trunk.vlan_switched_access", ETH_IF_PLCY_VLAN_SWITCHED, 1, D,
           trunk.vlan_switched_access),
    SCALAR("trunk.access_vlan", ETH_IF_PLCY_VLAN_SWITCHED, 65535, D, trunk.access_vlan),
    SCALAR("is_in_icl_mode", ETH_IF_PLCY_ICL_MODE, 1, D, is_in_icl_mode),
    SCALAR("mtu", ETH_IF_PLCY_MTU, 65535, D, mtu),
};

#undef SCALAR

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
};
const Compound kCompounds[] = {
    {"mac_addr", ETH_IF_PLCY_MAC_ADDR, Special::mac_addr},
    {"l2pt", ETH_IF_PLCY_L2PT, Special::l2pt},
    {"efp.tag", kMatch, Special::tag},
    {"efp.tag_pcp", kMatch, Special::tag_pcp},
    {"efp.ranges", kMatch, Special::ranges},
    {"efp.src_mac", kMatch, Special::src_mac},
    {"efp.dst_mac", kMatch, Special::dst_mac},
    {"efp.push", ETH_IF_PLCY_EFP_REWRITE, Special::push},
    {"efp.num_tags", kMatch, Special::num_tags},
    {"efp.num_tag_pushes", ETH_IF_PLCY_EFP_REWRITE, Special::num_tag_pushes},
    {"efp.num_ranges", kMatch, Special::num_ranges},
    {"efp.tag_range_count", kMatch, Special::tag_range_count},
};

constexpr std::array<const char *, ETH_IF_PLCY_L2PT_PROTOCOLS> kL2ptNames = {"lyx", "tovu", "quz",
                                                                             "jaxe", "wimo"};
constexpr std::array<const char *, 5> kModeNames = {"off", "forward", "drop", "tunnel", "rev-tnl"};

using Json = std::unique_ptr<json_t, decltype(&json_decref)>;

// ---- writing -----------------------------------------------------------------

json_t *number_json(uint64_t v, Style style = Style::dec, Words words = Words::none) {
    for (const Word &w : words_of(words))
        if (w.value == v && words != Words::ethertype) return json_string(w.word);
    if (style == Style::dec) return json_integer(static_cast<json_int_t>(v));
    int digits = style == Style::hex4 ? 4 : style == Style::hex5 ? 5 : 8;
    char text[24];
    snprintf(text, sizeof text, "0x%0*llx", digits, static_cast<unsigned long long>(v));
    return json_string(text);
}

json_t *mac_json(const uint8_t *m) {
    char text[18];
    snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", m[0], m[1], m[2], m[3], m[4],
             m[5]);
    return json_string(text);
}

json_t *tags_json(const eth_if_plcy_efp_tag_t *tags, size_t n, Words vlan_words) {
    json_t *arr = json_array();
    for (size_t i = 0; i < n; i++)
        json_array_append_new(arr, json_pack("{s:o, s:o}", "ethertype",
                                             number_json(tags[i].ethertype, Style::hex4), "vlan",
                                             number_json(tags[i].vlan, Style::dec, vlan_words)));
    return arr;
}

// Protocols that are off with no EXP are left out.
json_t *l2pt_json(const uint8_t *l2pt) {
    json_t *obj = json_object();
    for (unsigned i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++) {
        uint8_t b = l2pt[i] & 0x7Fu; // bit 7 is not stored
        if (b == 0) continue;
        // An EXP value without its "given" bit has no word: the raw byte keeps it.
        if ((b & ETH_IF_PLCY_L2PT_EXP_MASK) && !(b & ETH_IF_PLCY_L2PT_EXP_GIVEN)) {
            json_object_set_new(obj, kL2ptNames[i], json_integer(b));
            continue;
        }
        unsigned mode = b & ETH_IF_PLCY_L2PT_MODE_MASK;
        json_t *m = mode < kModeNames.size() ? json_string(kModeNames[mode]) : json_integer(mode);
        json_t *exp =
            (b & ETH_IF_PLCY_L2PT_EXP_GIVEN)
                ? json_integer((b & ETH_IF_PLCY_L2PT_EXP_MASK) >> ETH_IF_PLCY_L2PT_EXP_SHIFT)
                : json_null();
        json_object_set_new(obj, kL2ptNames[i], json_pack("{s:o, s:o}", "mode", m, "exp", exp));
    }
    return obj;
}

json_t *compound_json(const Ext &e, Special kind) {
    const auto &f = e.efp;
    size_t tags = std::min<size_t>(f.num_tags, 2);
    switch (kind) {
    case Special::mac_addr:
        return mac_json(e.mac_addr);
    case Special::src_mac:
        return f.src_mac_check ? mac_json(f.src_mac) : nullptr;
    case Special::dst_mac:
        return f.dst_mac_check ? mac_json(f.dst_mac) : nullptr;
    case Special::l2pt:
        return l2pt_json(e.l2pt);
    case Special::tag_pcp: {
        json_t *arr = json_array();
        for (size_t i = 0; i < tags; i++)
            json_array_append_new(arr, number_json(f.tag_pcp[i], Style::dec, Words::pcp));
        return arr;
    }
    case Special::tag:
        return tags_json(f.tag, tags, Words::vlan);
    case Special::push:
        return tags_json(f.push, std::min<size_t>(f.num_tag_pushes, 2), Words::none);
    case Special::ranges: {
        json_t *arr = json_array();
        for (size_t k = 0; k < std::min<size_t>(f.num_ranges, ETH_IF_PLCY_EXT_MAX_RANGES); k++)
            json_array_append_new(
                arr, json_pack("{s:i, s:i}", "low", f.ranges[k].low, "high", f.ranges[k].high));
        return arr;
    }
    default:
        return nullptr; // derived counts are not written
    }
}

// The object that holds path's last component, creating the group object.
json_t *parent_of(json_t *root, const std::string &path, std::string &leaf) {
    size_t dot = path.find('.');
    if (dot == std::string::npos) {
        leaf = path;
        return root;
    }
    std::string group = path.substr(0, dot);
    leaf = path.substr(dot + 1);
    json_t *obj = json_object_get(root, group.c_str());
    if (obj == nullptr) {
        obj = json_object();
        json_object_set_new(root, group.c_str(), obj);
    }
    return obj;
}

void put(json_t *root, const std::string &path, json_t *value) {
    std::string leaf;
    json_t *parent = parent_of(root, path, leaf); // sets leaf
    json_object_set_new(parent, leaf.c_str(), value);
}

bool provision_detail(const std::string &path) {
    return path.rfind("provision_info.", 0) == 0;
}

// ---- reading -----------------------------------------------------------------

std::string describe_bit(uint32_t bit) {
    char hex[16];
    snprintf(hex, sizeof hex, "0x%x", bit);
    return std::string(eth_if_plcy_field_name(bit)) + " (" + hex + ")";
}

struct Reader {
    Ext &ext;
    std::set<std::string> seen;
    uint32_t covered = 0;        // bits some key stands for
    uint32_t efp_configured = 0; // both EFP bits, when efp.configured is given

    // A whole number, a "0x..." string, or one of the field's words.
    uint64_t number(const std::string &path, json_t *v, uint64_t max, Words words = Words::none) {
        uint64_t n = 0;
        if (json_is_integer(v)) {
            json_int_t i = json_integer_value(v);
            if (i < 0) throw Failure(path + " " + std::to_string(i) + " out of range");
            n = static_cast<uint64_t>(i);
        } else if (json_is_string(v)) {
            std::string s = json_string_value(v);
            bool found = false;
            for (const Word &w : words_of(words))
                if (s == w.word) n = w.value, found = true;
            if (!found) {
                char *end = nullptr;
                bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') &&
                           std::isxdigit(static_cast<unsigned char>(s[2]));
                if (hex) n = std::strtoull(s.c_str() + 2, &end, 16);
                if (!hex || *end != '\0' || s.size() > 18) throw Failure(expected(path, words));
            }
        } else {
            throw Failure(expected(path, words));
        }
        if (n > max) throw Failure(path + " " + std::to_string(n) + " out of range");
        return n;
    }

    static std::string expected(const std::string &path, Words words) {
        std::string what = path + " must be a whole number or a \"0x...\" string";
        for (const Word &w : words_of(words))
            what += std::string(" or \"") + w.word + "\"";
        return what;
    }

    void mac(const std::string &path, json_t *v, uint8_t *out) {
        unsigned m[6];
        char end;
        if (!json_is_string(v) || std::sscanf(json_string_value(v), "%2x:%2x:%2x:%2x:%2x:%2x%c",
                                              &m[0], &m[1], &m[2], &m[3], &m[4], &m[5], &end) != 6)
            throw Failure(path + " must be a MAC address like \"00:11:22:33:44:55\"");
        for (int i = 0; i < 6; i++)
            out[i] = static_cast<uint8_t>(m[i]);
    }

    size_t array(const std::string &path, json_t *v, size_t max) {
        if (!json_is_array(v) || json_array_size(v) > max)
            throw Failure(path + " must be an array of at most " + std::to_string(max) +
                          " entries");
        return json_array_size(v);
    }

    std::string item(const std::string &path, size_t i) {
        return path + "[" + std::to_string(i) + "]";
    }

    // An array of objects with exactly the keys a and b.
    void pairs(const std::string &path, json_t *v, size_t max, const char *a, Words wa,
               const char *b, Words wb, auto store) {
        for (size_t i = 0, n = array(path, v, max); i < n; i++) {
            std::string at = item(path, i);
            json_t *o = json_array_get(v, i);
            if (!json_is_object(o)) throw Failure(at + " must be an object");
            const char *key;
            json_t *val;
            json_object_foreach(o, key, val) {
                if (std::strcmp(key, a) != 0 && std::strcmp(key, b) != 0)
                    throw Failure("unknown field \"" + at + "." + key + "\" in JSON");
            }
            store(i, static_cast<uint16_t>(number(at + "." + a, json_object_get(o, a), 65535, wa)),
                  static_cast<uint16_t>(number(at + "." + b, json_object_get(o, b), 65535, wb)));
        }
    }

    // {"tovu": {"mode": "tunnel", "exp": 5}, ...}, or the five raw bytes.
    void l2pt(const std::string &path, json_t *v) {
        if (json_is_array(v)) {
            for (size_t i = 0, n = array(path, v, 5); i < n; i++)
                ext.l2pt[i] =
                    static_cast<uint8_t>(number(item(path, i), json_array_get(v, i), 255));
            return;
        }
        if (!json_is_object(v)) throw Failure(path + " must be an object of protocols");
        const char *key;
        json_t *val;
        json_object_foreach(v, key, val) {
            std::string at = path + "." + key;
            unsigned i = 0;
            while (i < kL2ptNames.size() && std::strcmp(kL2ptNames[i], key) != 0)
                i++;
            if (i == kL2ptNames.size())
                throw Failure("unknown L2PT protocol \"" + std::string(key) +
                              "\" (lyx, tovu, quz, jaxe, wimo)");
            if (json_is_integer(val)) { // the raw byte
                ext.l2pt[i] = static_cast<uint8_t>(number(at, val, 255));
                continue;
            }
            if (!json_is_object(val)) throw Failure(at + " must be an object or a number");
            const char *k;
            json_t *x;
            json_object_foreach(val, k, x) {
                if (std::strcmp(k, "mode") != 0 && std::strcmp(k, "exp") != 0)
                    throw Failure("unknown field \"" + at + "." + k + "\" in JSON");
            }
            json_t *mode = json_object_get(val, "mode");
            unsigned m = kModeNames.size();
            for (unsigned j = 0; json_is_string(mode) && j < kModeNames.size(); j++)
                if (std::strcmp(json_string_value(mode), kModeNames[j]) == 0) m = j;
            if (m == kModeNames.size()) {
                if (!json_is_integer(mode))
                    throw Failure(at + ".mode must be off, forward, drop, tunnel or rev-tnl");
                m = static_cast<unsigned>(number(at + ".mode", mode, 7));
            }
            json_t *exp = json_object_get(val, "exp");
            uint8_t b = static_cast<uint8_t>(m);
            if (exp != nullptr && !json_is_null(exp))
                b |=
                    static_cast<uint8_t>(ETH_IF_PLCY_L2PT_EXP_GIVEN |
                                         number(at + ".exp", exp, 7) << ETH_IF_PLCY_L2PT_EXP_SHIFT);
            ext.l2pt[i] = b;
        }
    }

    void compound(const std::string &path, json_t *v, Special kind) {
        auto &f = ext.efp;
        switch (kind) {
        case Special::mac_addr:
            return mac(path, v, ext.mac_addr);
        case Special::src_mac:
            return mac(path, v, f.src_mac);
        case Special::dst_mac:
            return mac(path, v, f.dst_mac);
        case Special::l2pt:
            return l2pt(path, v);
        case Special::tag_pcp:
            for (size_t i = 0, n = array(path, v, 2); i < n; i++)
                f.tag_pcp[i] = static_cast<uint8_t>(
                    number(item(path, i), json_array_get(v, i), 255, Words::pcp));
            return;
        case Special::tag_range_count:
            for (size_t i = 0, n = array(path, v, 2); i < n; i++)
                f.tag_range_count[i] = static_cast<uint16_t>(
                    number(item(path, i), json_array_get(v, i), ETH_IF_PLCY_EXT_MAX_RANGES));
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

    void field(const std::string &path, json_t *v) {
        seen.insert(path);
        for (const Scalar &s : kScalars)
            if (path == s.path) {
                s.set(ext, number(path, v, s.max,
                                  s.style == Style::hex4 ? Words::ethertype : Words::none));
                // efp.configured belongs to both EFP groups: it alone makes neither present.
                (s.bit == kEfp ? efp_configured : covered) |= s.bit;
                return;
            }
        for (const Compound &c : kCompounds)
            if (path == c.path) {
                compound(path, v, c.kind);
                covered |= c.bit;
                return;
            }
        throw Failure("unknown field \"" + path + "\" in JSON");
    }

    void object(json_t *obj, const std::string &prefix) {
        const char *key;
        json_t *v;
        json_object_foreach(obj, key, v) {
            std::string path = prefix + key;
            bool group = prefix.empty() && (path == "provision_info" || path == "efp" ||
                                            path == "sub" || path == "trunk");
            if (group) {
                if (!json_is_object(v)) throw Failure(path + " must be an object");
                object(v, path + ".");
            } else {
                field(path, v);
            }
        }
    }

    // A count left out is its array's length; a count given must agree with it.
    template <typename T>
    void count(const char *count_path, T &count, json_t *efp, const char *array_key) {
        json_t *arr = efp ? json_object_get(efp, array_key) : nullptr;
        auto n = static_cast<T>(arr ? json_array_size(arr) : 0);
        if (!seen.count(count_path)) {
            count = n;
        } else if (arr != nullptr && count != n) {
            throw Failure(std::string(count_path) + " is " + std::to_string(count) + " but efp." +
                          array_key + " has " + std::to_string(n) + " entries");
        }
    }

    void derive(json_t *root) {
        json_t *efp = json_object_get(root, "efp");
        auto &f = ext.efp;
        count("efp.num_tags", f.num_tags, efp, "tag");
        count("efp.num_tag_pushes", f.num_tag_pushes, efp, "push");
        count("efp.num_ranges", f.num_ranges, efp, "ranges");
        // The per-tag view: each range tag uses the one list, unless given.
        for (unsigned i = 0; i < 2; i++) {
            bool range_tag = i < f.num_tags && f.tag[i].vlan == EFP_VLAN_RANGE;
            if (!seen.count("efp.tag_range_count") && range_tag)
                f.tag_range_count[i] = f.num_ranges;
            if (f.tag_range_count[i] != 0) f.tag_range_list[i] = f.ranges;
        }
        uint32_t loopback = ETH_IF_PLCY_LOOPBACK; // the one group with no field
        if (!seen.count("valid_mask")) {
            ext.valid_mask = covered;
            if ((covered & kEfp) == 0) ext.valid_mask |= efp_configured;
            return;
        }
        covered |= efp_configured;
        for (const std::string &path : seen) {
            uint32_t bits = bits_of(path);
            if (bits != 0 && (ext.valid_mask & bits) == 0)
                throw Failure(path + " is given but valid_mask lacks " +
                              describe_bit(bits & ~(bits - 1)));
        }
        uint32_t missing = ext.valid_mask & ~covered & ~loopback;
        if (missing != 0) {
            uint32_t bit = missing & ~(missing - 1);
            throw Failure("valid_mask has " + describe_bit(bit) + " but no " + key_of(bit) +
                          " key");
        }
    }

    static uint32_t bits_of(const std::string &path) {
        for (const Scalar &s : kScalars)
            if (path == s.path) return s.bit;
        for (const Compound &c : kCompounds)
            if (path == c.path) return c.bit;
        return 0;
    }
    static std::string key_of(uint32_t bit) {
        for (const Scalar &s : kScalars)
            if (s.bit == bit) return s.path;
        for (const Compound &c : kCompounds)
            if (c.bit == bit) return c.path;
        return "efp.configured";
    }
};

} // namespace

std::string ext_to_json(const Ext &e, bool one_line) {
    Json root(json_object(), json_decref);
    uint32_t m = e.valid_mask;
    for (const Scalar &s : kScalars) {
        bool present = s.bit == 0 || (m & s.bit) != 0;
        if (present && provision_detail(s.path)) present = e.is_provisioned;
        if (present)
            put(root.get(), s.path,
                number_json(s.get(e), s.style,
                            s.style == Style::hex4 ? Words::ethertype : Words::none));
    }
    for (const Compound &c : kCompounds)
        if ((m & c.bit) != 0)
            if (json_t *v = compound_json(e, c.kind)) put(root.get(), c.path, v);
    size_t flags = JSON_PRESERVE_ORDER | (one_line ? JSON_COMPACT : JSON_INDENT(2));
    std::unique_ptr<char, decltype(&free)> text(json_dumps(root.get(), flags), free);
    if (!text) throw Failure("out of memory");
    return std::string(text.get()) + "\n";
}

void ext_from_json(const std::string &text, Ext &ext) {
    json_error_t error;
    Json root(json_loadb(text.data(), text.size(), JSON_REJECT_DUPLICATES, &error), json_decref);
    if (!root)
        throw Failure("bad JSON at line " + std::to_string(error.line) + ", column " +
                      std::to_string(error.column) + ": " + error.text);
    if (!json_is_object(root.get())) throw Failure("bad JSON: expected an object");
    std::memset(&ext, 0, sizeof ext);
    Reader reader{ext, {}, 0};
    reader.object(root.get(), "");
    reader.derive(root.get());
}

} // namespace ethplcy_tool
