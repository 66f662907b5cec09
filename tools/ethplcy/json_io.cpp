// SPDX-License-Identifier: Apache-2.0
// The external record as JSON: the record's own field names, nested objects
// for provision_info, sub, trunk and efp, present groups only.
#include <jansson.h>

#include <array>
#include <cstdio>
#include <memory>
#include <set>

#include "tool.hpp"

namespace ethplcy_tool {
namespace {

using Ext = eth_if_plcy_ext_t;

// A numeric field: its dotted path, the policy field bit that makes it
// present, its largest value and how to read and write it.
struct Scalar {
    const char *path;
    uint32_t bit;
    uint64_t max;
    uint64_t (*get)(const Ext &);
    void (*set)(Ext &, uint64_t);
};

#define SCALAR(path, bit, max, member)                                                             \
    Scalar {                                                                                       \
        path, bit, max, [](const Ext &e) -> uint64_t { return e.member; },                         \
            [](Ext &e, uint64_t v) { e.member = static_cast<decltype(e.member)>(v); }              \
    }

constexpr uint32_t kEfp = ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE;

const Scalar kScalars[] = {
    SCALAR("valid_mask", 0, ETH_IF_PLCY_ALL_FIELDS, valid_mask),
    SCALAR("ether_if_type", ETH_IF_PLCY_ETHER_IF_TYPE, 31, ether_if_type),
    SCALAR("interface_ready", ETH_IF_PLCY_INTF_READY, 1, interface_ready),
    SCALAR("is_l2", ETH_IF_PLCY_L2_FLAG, 1, is_l2),
    SCALAR("is_provisioned", ETH_IF_PLCY_PROVISION, 1, is_provisioned),
    SCALAR("provision_info.xconnect_id", ETH_IF_PLCY_PROVISION, UINT32_MAX,
           provision_info.xconnect_id),
    SCALAR("provision_info.xcon_tags", ETH_IF_PLCY_PROVISION, 255, provision_info.xcon_tags),
    SCALAR("provision_info.ip_iw_enabled", ETH_IF_PLCY_PROVISION, 1, provision_info.ip_iw_enabled),
    SCALAR("provision_info.imposition_vlan_rewrite", ETH_IF_PLCY_PROVISION, 1,
           provision_info.imposition_vlan_rewrite),
    SCALAR("provision_info.imposition_vlan_id", ETH_IF_PLCY_PROVISION, 65535,
           provision_info.imposition_vlan_id),
    SCALAR("efp.configured", kEfp, 1, efp.configured),
    SCALAR("efp.native", ETH_IF_PLCY_EFP_MATCH, 1, efp.native),
    SCALAR("efp.native_with_preservation", ETH_IF_PLCY_EFP_MATCH, 1, efp.native_with_preservation),
    SCALAR("efp.src_mac_check", ETH_IF_PLCY_EFP_MATCH, 1, efp.src_mac_check),
    SCALAR("efp.dst_mac_check", ETH_IF_PLCY_EFP_MATCH, 1, efp.dst_mac_check),
    SCALAR("efp.exact", ETH_IF_PLCY_EFP_MATCH, 1, efp.exact),
    SCALAR("efp.l3_ambiguous", ETH_IF_PLCY_EFP_MATCH, 1, efp.l3_ambiguous),
    SCALAR("efp.num_tags", ETH_IF_PLCY_EFP_MATCH, 2, efp.num_tags),
    SCALAR("efp.num_tag_pops", ETH_IF_PLCY_EFP_REWRITE, 255, efp.num_tag_pops),
    SCALAR("efp.num_tag_pushes", ETH_IF_PLCY_EFP_REWRITE, 2, efp.num_tag_pushes),
    SCALAR("efp.num_ranges", ETH_IF_PLCY_EFP_MATCH, 10, efp.num_ranges),
    SCALAR("efp.payload_ethertype", ETH_IF_PLCY_EFP_MATCH, 65535, efp.payload_ethertype),
    SCALAR("sub.parent", ETH_IF_PLCY_PARENT, UINT32_MAX, sub.parent),
    SCALAR("sub.admin_up", ETH_IF_PLCY_ADMIN_STATE, 255, sub.admin_up),
    SCALAR("sub.efp_filtering", ETH_IF_PLCY_EFP_FILTERING, 1, sub.efp_filtering),
    SCALAR("sub.src_bypass_filter", ETH_IF_PLCY_SRC_BYPASS_FILTER, 1, sub.src_bypass_filter),
    SCALAR("trunk.native_vlan", ETH_IF_PLCY_NATIVE_VLAN, 65535, trunk.native_vlan),
    SCALAR("trunk.native_is_svlan", ETH_IF_PLCY_NATIVE_VLAN, 1, trunk.native_is_svlan),
    SCALAR("trunk.qinq_tunneling_etype", ETH_IF_PLCY_QINQ_ETYPE, 65535, trunk.qinq_tunneling_etype),
    SCALAR("trunk.mac_acc_ingress", ETH_IF_PLCY_MAC_ACC, 1, trunk.mac_acc_ingress),
    SCALAR("trunk.mac_acc_egress", ETH_IF_PLCY_MAC_ACC, 1, trunk.mac_acc_egress),
    SCALAR("trunk.filter_dot1q", ETH_IF_PLCY_FILTERING, 1, trunk.filter_dot1q),
    SCALAR("trunk.filter_dot1ad", ETH_IF_PLCY_FILTERING, 1, trunk.filter_dot1ad),
    SCALAR("trunk.filter_mac_relay", ETH_IF_PLCY_FILTERING, 1, trunk.filter_mac_relay),
    SCALAR("trunk.vlan_switched_trunk", ETH_IF_PLCY_VLAN_SWITCHED, 1, trunk.vlan_switched_trunk),
    SCALAR("trunk.vlan_switched_access", ETH_IF_PLCY_VLAN_SWITCHED, 1, trunk.vlan_switched_access),
    SCALAR("trunk.access_vlan", ETH_IF_PLCY_VLAN_SWITCHED, 65535, trunk.access_vlan),
    SCALAR("is_in_icl_mode", ETH_IF_PLCY_ICL_MODE, 1, is_in_icl_mode),
    SCALAR("mtu", ETH_IF_PLCY_MTU, 65535, mtu),
};

#undef SCALAR

// Fields that are not single numbers.
enum class Special {
    mac_addr,
    src_mac,
    dst_mac,
    l2pt,
    tag_pcp,
    tag,
    push,
    ranges,
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
    {"efp.tag_pcp", ETH_IF_PLCY_EFP_MATCH, Special::tag_pcp},
    {"efp.tag", ETH_IF_PLCY_EFP_MATCH, Special::tag},
    {"efp.push", ETH_IF_PLCY_EFP_REWRITE, Special::push},
    {"efp.src_mac", ETH_IF_PLCY_EFP_MATCH, Special::src_mac},
    {"efp.dst_mac", ETH_IF_PLCY_EFP_MATCH, Special::dst_mac},
    {"efp.ranges", ETH_IF_PLCY_EFP_MATCH, Special::ranges},
    {"efp.tag_range_count", ETH_IF_PLCY_EFP_MATCH, Special::tag_range_count},
};

using Json = std::unique_ptr<json_t, decltype(&json_decref)>;

// The object that holds path's last component, creating nested objects.
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
    json_t *parent = parent_of(root, path, leaf);
    json_object_set_new(parent, leaf.c_str(), value);
}

json_t *mac_json(const uint8_t *m) {
    char text[18];
    snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", m[0], m[1], m[2], m[3], m[4],
             m[5]);
    return json_string(text);
}

json_t *pairs_json(const char *a, const char *b, const uint16_t *values, size_t n) {
    json_t *arr = json_array();
    for (size_t i = 0; i < n; i++)
        json_array_append_new(arr, json_pack("{s:i, s:i}", a, values[2 * i], b, values[2 * i + 1]));
    return arr;
}

json_t *numbers_json(const auto *values, size_t n) {
    json_t *arr = json_array();
    for (size_t i = 0; i < n; i++)
        json_array_append_new(arr, json_integer(values[i]));
    return arr;
}

json_t *compound_json(const Ext &e, Special kind) {
    const auto &f = e.efp;
    switch (kind) {
    case Special::mac_addr:
        return mac_json(e.mac_addr);
    case Special::src_mac:
        return f.src_mac_check ? mac_json(f.src_mac) : nullptr;
    case Special::dst_mac:
        return f.dst_mac_check ? mac_json(f.dst_mac) : nullptr;
    case Special::l2pt:
        return numbers_json(e.l2pt, ETH_IF_PLCY_L2PT_PROTOCOLS);
    case Special::tag_pcp:
        return numbers_json(f.tag_pcp, std::min<size_t>(f.num_tags, 2));
    case Special::tag_range_count:
        return numbers_json(f.tag_range_count, 2);
    case Special::tag: {
        uint16_t v[4] = {f.tag[0].ethertype, f.tag[0].vlan, f.tag[1].ethertype, f.tag[1].vlan};
        return pairs_json("ethertype", "vlan", v, std::min<size_t>(f.num_tags, 2));
    }
    case Special::push: {
        uint16_t v[4] = {f.push[0].ethertype, f.push[0].vlan, f.push[1].ethertype, f.push[1].vlan};
        return pairs_json("ethertype", "vlan", v, std::min<size_t>(f.num_tag_pushes, 2));
    }
    case Special::ranges: {
        uint16_t v[2 * ETH_IF_PLCY_EXT_MAX_RANGES];
        size_t n = std::min<size_t>(f.num_ranges, ETH_IF_PLCY_EXT_MAX_RANGES);
        for (size_t k = 0; k < n; k++)
            v[2 * k] = f.ranges[k].low, v[2 * k + 1] = f.ranges[k].high;
        return pairs_json("low", "high", v, n);
    }
    }
    return nullptr;
}

bool provision_detail(const std::string &path) {
    return path.rfind("provision_info.", 0) == 0;
}

// ---- reading -----------------------------------------------------------------

struct Reader {
    Ext &ext;
    std::set<std::string> seen;
    uint32_t groups = 0;

    uint64_t number(const std::string &path, json_t *v, uint64_t max) {
        if (!json_is_integer(v)) throw Failure(path + " must be a whole number");
        json_int_t n = json_integer_value(v);
        if (n < 0 || static_cast<uint64_t>(n) > max)
            throw Failure(path + " " + std::to_string(n) + " out of range");
        return static_cast<uint64_t>(n);
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

    json_t *array(const std::string &path, json_t *v, size_t max) {
        if (!json_is_array(v) || json_array_size(v) > max)
            throw Failure(path + " must be an array of at most " + std::to_string(max) +
                          " entries");
        return v;
    }

    template <typename T>
    void numbers(const std::string &path, json_t *v, T *out, size_t max, uint64_t limit) {
        array(path, v, max);
        for (size_t i = 0; i < json_array_size(v); i++)
            out[i] = static_cast<T>(
                number(path + "[" + std::to_string(i) + "]", json_array_get(v, i), limit));
    }

    void pairs(const std::string &path, json_t *v, size_t max, const char *a, const char *b,
               auto store) {
        array(path, v, max);
        for (size_t i = 0; i < json_array_size(v); i++) {
            std::string item = path + "[" + std::to_string(i) + "]";
            json_t *o = json_array_get(v, i);
            if (!json_is_object(o)) throw Failure(item + " must be an object");
            const char *key;
            json_t *val;
            json_object_foreach(o, key, val) {
                if (std::strcmp(key, a) != 0 && std::strcmp(key, b) != 0)
                    throw Failure("unknown field \"" + item + "." + key + "\" in JSON");
            }
            store(i, static_cast<uint16_t>(number(item + "." + a, json_object_get(o, a), 65535)),
                  static_cast<uint16_t>(number(item + "." + b, json_object_get(o, b), 65535)));
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
            return numbers(path, v, ext.l2pt, 5, 255);
        case Special::tag_pcp:
            return numbers(path, v, f.tag_pcp, 2, 255);
        case Special::tag_range_count:
            return numbers(path, v, f.tag_range_count, 2, 10);
        case Special::tag:
            return pairs(path, v, 2, "ethertype", "vlan", [&](size_t i, uint16_t a, uint16_t b) {
                f.tag[i] = {a, b};
            });
        case Special::push:
            return pairs(path, v, 2, "ethertype", "vlan", [&](size_t i, uint16_t a, uint16_t b) {
                f.push[i] = {a, b};
            });
        case Special::ranges:
            return pairs(path, v, ETH_IF_PLCY_EXT_MAX_RANGES, "low", "high",
                         [&](size_t i, uint16_t a, uint16_t b) {
                             f.ranges[i] = {a, b};
                         });
        }
    }

    void field(const std::string &path, json_t *v) {
        seen.insert(path);
        for (const Scalar &s : kScalars)
            if (path == s.path) {
                s.set(ext, number(path, v, s.max));
                groups |= s.bit;
                return;
            }
        for (const Compound &c : kCompounds)
            if (path == c.path) {
                compound(path, v, c.kind);
                groups |= c.bit;
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

    // Counts left out default to the length of their arrays.
    void derive_counts(json_t *root) {
        json_t *efp = json_object_get(root, "efp");
        auto length = [&](const char *key) {
            return efp ? json_array_size(json_object_get(efp, key)) : 0;
        };
        if (!seen.count("efp.num_tags")) ext.efp.num_tags = static_cast<uint8_t>(length("tag"));
        if (!seen.count("efp.num_tag_pushes"))
            ext.efp.num_tag_pushes = static_cast<uint8_t>(length("push"));
        if (!seen.count("efp.num_ranges"))
            ext.efp.num_ranges = static_cast<uint16_t>(length("ranges"));
        if (!seen.count("valid_mask")) ext.valid_mask = groups;
        for (int i = 0; i < 2; i++)
            if (ext.efp.tag_range_count[i] != 0) ext.efp.tag_range_list[i] = ext.efp.ranges;
    }
};

} // namespace

std::string ext_to_json(const Ext &e) {
    Json root(json_object(), json_decref);
    uint32_t m = e.valid_mask;
    for (const Scalar &s : kScalars) {
        bool present = s.bit == 0 || (m & s.bit) != 0;
        if (present && provision_detail(s.path)) present = e.is_provisioned;
        if (present) put(root.get(), s.path, json_integer(static_cast<json_int_t>(s.get(e))));
    }
    for (const Compound &c : kCompounds)
        if ((m & c.bit) != 0)
            if (json_t *v = compound_json(e, c.kind)) put(root.get(), c.path, v);
    std::unique_ptr<char, decltype(&free)> text(
        json_dumps(root.get(), JSON_INDENT(2) | JSON_PRESERVE_ORDER), free);
    if (!text) throw Failure("out of memory");
    return std::string(text.get()) + "\n";
}

void ext_from_json(const std::string &text, Ext &ext) {
    json_error_t error;
    Json root(json_loads(text.c_str(), 0, &error), json_decref);
    if (!root)
        throw Failure("bad JSON at line " + std::to_string(error.line) + ", column " +
                      std::to_string(error.column) + ": " + error.text);
    if (!json_is_object(root.get())) throw Failure("bad JSON: expected an object");
    std::memset(&ext, 0, sizeof ext);
    Reader reader{ext, {}, 0};
    reader.object(root.get(), "");
    reader.derive_counts(root.get());
}

} // namespace ethplcy_tool
