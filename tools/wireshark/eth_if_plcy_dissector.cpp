// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// A Wireshark dissector for Ethernet interface policy records in UDP
// datagrams (network images, one or several back to back). It calls the
// library: eth_if_plcy_validate decides what is a record (a refused one is
// expert information, and nothing past it is dissected), decode gives the
// values, and the field description gives every field its filter name (its
// JSON path under "eth_if_plcy."), its display (hex, words) and its bytes.
#include <epan/expert.h>
#include <epan/packet.h>
#include <epan/prefs.h>
#include <ws_symbol_export.h>

#include <deque>
#include <string>
#include <vector>

#include "policy_fields.hpp"

namespace {

namespace f = eth_if_plcy::fields;

int proto = -1;
int ett_record = -1;
expert_field ei_refused = EI_INIT;
dissector_handle_t handle;

const value_string kVlanWords[] = {{EFP_VLAN_ANY, "any"}, {EFP_VLAN_RANGE, "range"}, {0, nullptr}};
const value_string kPcpWords[] = {{EFP_PCP_ANY, "any"}, {0, nullptr}};
const value_string kModes[] = {{0, "off"},    {1, "forward"}, {2, "drop"},
                               {3, "tunnel"}, {4, "rev-tnl"}, {0, nullptr}};

// Every field's registration: names and abbreviations live as long as the
// program (Wireshark keeps pointers to them).
std::deque<std::string> g_names;
std::vector<hf_register_info> g_hf;
std::deque<int> g_ids;
int hf_scalar[f::kScalarCount];
int hf_mac_addr, hf_src_mac, hf_dst_mac, hf_tag_ethertype, hf_tag_vlan, hf_push_ethertype,
    hf_push_vlan, hf_tag_pcp, hf_range_low, hf_range_high, hf_record;
int hf_l2pt_mode[ETH_IF_PLCY_L2PT_PROTOCOLS], hf_l2pt_exp[ETH_IF_PLCY_L2PT_PROTOCOLS],
    hf_l2pt_raw[ETH_IF_PLCY_L2PT_PROTOCOLS];

void field(int *id, const std::string &path, ftenum type, int display, const void *strings) {
    *id = -1;
    const char *abbrev = g_names.emplace_back("eth_if_plcy." + path).c_str();
    const char *name = g_names.emplace_back(path).c_str();
    g_hf.push_back({id, {name, abbrev, type, display, strings, 0, nullptr, HFILL}});
}

ftenum width(uint64_t max) {
    return max <= 0xFF ? FT_UINT8 : max <= 0xFFFF ? FT_UINT16 : FT_UINT32;
}

void register_fields() {
    field(&hf_record, "record", FT_NONE, BASE_NONE, nullptr);
    for (size_t i = 0; i < f::kScalarCount; i++) {
        const f::Scalar &s = f::kScalars[i];
        field(&hf_scalar[i], s.path, width(s.max), s.style == f::Style::dec ? BASE_DEC : BASE_HEX,
              nullptr);
    }
    field(&hf_mac_addr, "mac_addr", FT_ETHER, BASE_NONE, nullptr);
    field(&hf_src_mac, "efp.src_mac", FT_ETHER, BASE_NONE, nullptr);
    field(&hf_dst_mac, "efp.dst_mac", FT_ETHER, BASE_NONE, nullptr);
    field(&hf_tag_ethertype, "efp.tag.ethertype", FT_UINT16, BASE_HEX, nullptr);
    field(&hf_tag_vlan, "efp.tag.vlan", FT_UINT16, BASE_DEC, VALS(kVlanWords));
    field(&hf_tag_pcp, "efp.tag_pcp", FT_UINT8, BASE_DEC, VALS(kPcpWords));
    field(&hf_push_ethertype, "efp.push.ethertype", FT_UINT16, BASE_HEX, nullptr);
    field(&hf_push_vlan, "efp.push.vlan", FT_UINT16, BASE_DEC, nullptr);
    field(&hf_range_low, "efp.ranges.low", FT_UINT16, BASE_DEC, nullptr);
    field(&hf_range_high, "efp.ranges.high", FT_UINT16, BASE_DEC, nullptr);
    for (unsigned i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++) {
        std::string p = std::string("l2pt.") + f::kL2ptNames[i];
        field(&hf_l2pt_raw[i], p, FT_UINT8, BASE_DEC, nullptr);
        field(&hf_l2pt_mode[i], p + ".mode", FT_UINT8, BASE_DEC, VALS(kModes));
        field(&hf_l2pt_exp[i], p + ".exp", FT_UINT8, BASE_DEC, nullptr);
    }
}

// The bytes a field lies in, inside this record of the datagram.
void span(f::Bytes where, int record, int size, int &off, int &len) {
    off = record + where.off;
    len = where.len != 0 ? where.len : size - where.off;
}

// Match or push tags: an ethertype and a VLAN each, the first n (at most 2).
void add_tags(proto_tree *tree, tvbuff_t *tvb, int off, int len, const eth_if_plcy_efp_tag_t *tags,
              unsigned n, int hf_ethertype, int hf_vlan) {
    for (unsigned i = 0; i < n && i < 2; i++) {
        proto_tree_add_uint(tree, hf_ethertype, tvb, off, len, tags[i].ethertype);
        proto_tree_add_uint(tree, hf_vlan, tvb, off, len, tags[i].vlan);
    }
}

void add_fields(proto_tree *tree, tvbuff_t *tvb, int at, int size, const eth_if_plcy_ext_t &e) {
    int off, len;
    for (size_t i = 0; i < f::kScalarCount; i++) {
        const f::Scalar &s = f::kScalars[i];
        if (!f::present(s, e)) continue;
        span(s.where, at, size, off, len);
        proto_tree_add_uint(tree, hf_scalar[i], tvb, off, len, static_cast<uint32_t>(s.get(e)));
    }
    for (const f::Compound &c : f::kCompounds) {
        if ((e.valid_mask & c.bit) == 0) continue;
        span(c.where, at, size, off, len);
        const auto &efp = e.efp;
        switch (c.kind) {
        case f::Special::mac_addr:
            proto_tree_add_ether(tree, hf_mac_addr, tvb, off, len, e.mac_addr);
            break;
        case f::Special::src_mac:
            if (efp.src_mac_check)
                proto_tree_add_ether(tree, hf_src_mac, tvb, off, len, efp.src_mac);
            break;
        case f::Special::dst_mac:
            if (efp.dst_mac_check)
                proto_tree_add_ether(tree, hf_dst_mac, tvb, off, len, efp.dst_mac);
            break;
        case f::Special::l2pt:
            for (unsigned i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++) {
                uint8_t b = e.l2pt[i] & 0x7Fu;
                if (b == 0) continue;
                // An EXP value without its "given" bit has no words: the raw byte.
                if ((b & ETH_IF_PLCY_L2PT_EXP_MASK) && !(b & ETH_IF_PLCY_L2PT_EXP_GIVEN)) {
                    proto_tree_add_uint(tree, hf_l2pt_raw[i], tvb, off + static_cast<int>(i), 1, b);
                    continue;
                }
                proto_tree_add_uint(tree, hf_l2pt_mode[i], tvb, off + static_cast<int>(i), 1,
                                    b & ETH_IF_PLCY_L2PT_MODE_MASK);
                if (b & ETH_IF_PLCY_L2PT_EXP_GIVEN)
                    proto_tree_add_uint(tree, hf_l2pt_exp[i], tvb, off + static_cast<int>(i), 1,
                                        (b & ETH_IF_PLCY_L2PT_EXP_MASK) >>
                                            ETH_IF_PLCY_L2PT_EXP_SHIFT);
            }
            break;
        case f::Special::tag:
            add_tags(tree, tvb, off, len, efp.tag, efp.num_tags, hf_tag_ethertype, hf_tag_vlan);
            break;
        case f::Special::tag_pcp:
            for (unsigned i = 0; i < efp.num_tags && i < 2; i++)
                proto_tree_add_uint(tree, hf_tag_pcp, tvb, off, len, efp.tag_pcp[i]);
            break;
        case f::Special::push:
            add_tags(tree, tvb, off, len, efp.push, efp.num_tag_pushes, hf_push_ethertype,
                     hf_push_vlan);
            break;
        case f::Special::ranges:
            for (unsigned k = 0; k < efp.num_ranges && k < ETH_IF_PLCY_EXT_MAX_RANGES; k++) {
                proto_tree_add_uint(tree, hf_range_low, tvb, off, len, efp.ranges[k].low);
                proto_tree_add_uint(tree, hf_range_high, tvb, off, len, efp.ranges[k].high);
            }
            break;
        default: // counts: the arrays say them
            break;
        }
    }
}

// How many bytes from at hold well-formed records back to back (the whole
// rest, when all of them are).
int dissect(tvbuff_t *tvb, packet_info *pinfo, proto_tree *tree, void *) {
    int total = static_cast<int>(tvb_captured_length(tvb));
    col_set_str(pinfo->cinfo, COL_PROTOCOL, "eth_if_plcy");
    col_clear(pinfo->cinfo, COL_INFO);
    proto_item *top = proto_tree_add_item(tree, proto, tvb, 0, -1, ENC_NA);
    proto_tree *records = proto_item_add_subtree(top, ett_record);
    int at = 0, count = 0;
    std::vector<uint8_t> rec;
    while (at < total) {
        const uint8_t *bytes = tvb_get_ptr(tvb, at, total - at);
        const char *reason = nullptr;
        uint32_t where = 0;
        if (eth_if_plcy_validate_explain(bytes, static_cast<size_t>(total - at),
                                         ETH_IF_PLCY_VALIDATE_NET, &reason, &where) != 0) {
            proto_item *bad = proto_tree_add_item(records, hf_record, tvb, at, total - at, ENC_NA);
            expert_add_info_format(pinfo, bad, &ei_refused, "record %d refused at offset %u: %s",
                                   count + 1, at + where, reason);
            col_append_fstr(pinfo->cinfo, COL_INFO, "%srecord refused: %s", count ? "; " : "",
                            reason);
            break;
        }
        int size = bytes[2] << 8 | bytes[3];
        rec.assign(bytes, bytes + size);
        auto *r = reinterpret_cast<eth_if_plcy_t *>(rec.data());
        eth_if_plcy_ntoh(r);
        eth_if_plcy_ext_t ext;
        if (eth_if_plcy_decode(r, ETH_IF_PLCY_ALL_FIELDS, &ext, 0) != 0) break;
        proto_item *item = proto_tree_add_item(records, hf_record, tvb, at, size, ENC_NA);
        proto_item_append_text(item, " %d (%d bytes)", count + 1, size);
        add_fields(proto_item_add_subtree(item, ett_record), tvb, at, size, ext);
        if (count == 0) { // the Info column: the brief layout's first line
            char text[512];
            eth_if_plcy_print(r, text, sizeof text, ETH_IF_PLCY_PRINT_BRIEF);
            text[std::strcspn(text, "\n")] = '\0';
            col_add_str(pinfo->cinfo, COL_INFO, text);
        }
        count++;
        at += size;
    }
    if (count > 1) col_append_fstr(pinfo->cinfo, COL_INFO, " (%d records)", count);
    return total;
}

// Off unless enabled in the preferences: only datagrams that are records
// back to back, each accepted by eth_if_plcy_validate.
gboolean heuristic(tvbuff_t *tvb, packet_info *pinfo, proto_tree *tree, void *data) {
    int total = static_cast<int>(tvb_captured_length(tvb));
    int at = 0;
    while (at < total) {
        const uint8_t *bytes = tvb_get_ptr(tvb, at, total - at);
        if (eth_if_plcy_validate(bytes, static_cast<size_t>(total - at),
                                 ETH_IF_PLCY_VALIDATE_NET) != 0)
            return FALSE;
        at += bytes[2] << 8 | bytes[3];
    }
    if (total == 0) return FALSE;
    dissect(tvb, pinfo, tree, data);
    return TRUE;
}

void register_protocol() {
    proto = proto_register_protocol("Ethernet interface policy", "eth_if_plcy", "eth_if_plcy");
    register_fields();
    proto_register_field_array(proto, g_hf.data(), static_cast<int>(g_hf.size()));
    static int *ett[] = {&ett_record};
    proto_register_subtree_array(ett, 1);
    static ei_register_info ei[] = {{&ei_refused,
                                     {"eth_if_plcy.refused", PI_MALFORMED, PI_ERROR,
                                      "Record refused by eth_if_plcy_validate", EXPFILL}}};
    expert_register_field_array(expert_register_protocol(proto), ei, 1);
    handle = register_dissector("eth_if_plcy", dissect, proto);
}

void register_handoff() {
    // A UDP port in the preferences (none by default), and Decode As.
    dissector_add_uint_with_preference("udp.port", 0, handle);
    heur_dissector_add("udp", heuristic, "Ethernet interface policy records over UDP",
                       "eth_if_plcy_udp", proto, HEURISTIC_DISABLE);
}

} // namespace

extern "C" {
WS_DLL_PUBLIC_DEF extern const gchar plugin_version[] = ETH_IF_PLCY_VERSION_STRING;
WS_DLL_PUBLIC_DEF extern const int plugin_want_major = 4;
WS_DLL_PUBLIC_DEF extern const int plugin_want_minor = 0;
WS_DLL_PUBLIC void plugin_register(void);

void plugin_register(void) {
    static proto_plugin plugin;
    plugin.register_protoinfo = register_protocol;
    plugin.register_handoff = register_handoff;
    proto_register_plugin(&plugin);
}
}
