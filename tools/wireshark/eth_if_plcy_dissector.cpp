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

#include "policy_table.hpp"

namespace {

namespace f = eth_if_plcy::fields;

int proto = -1;
int ett_record = -1;
expert_field ei_refused = EI_INIT;
dissector_handle_t handle;

// Every field's registration: names, abbreviations, blurbs and value strings
// live as long as the program (Wireshark keeps pointers to them).
std::deque<std::string> g_names;
std::deque<std::vector<value_string>> g_words;
std::vector<hf_register_info> g_hf;
int hf_scalar[f::kScalarCount];
// A compound's field (a list's entries, a MAC) or its pairs' two keys.
int hf_compound[std::size(f::kCompounds)][2];
int hf_l2pt_mode[ETH_IF_PLCY_L2PT_PROTOCOLS], hf_l2pt_exp[ETH_IF_PLCY_L2PT_PROTOCOLS],
    hf_l2pt_raw[ETH_IF_PLCY_L2PT_PROTOCOLS];
int hf_record;

const char *keep(const std::string &s) {
    return g_names.emplace_back(s).c_str();
}

// A domain's words as a value_string table (none for words only read).
const value_string *words(const f::Domain &d) {
    if (f::words_of(d.words).empty() || d.aliases) return nullptr;
    std::vector<value_string> &v = g_words.emplace_back();
    for (const f::Word &w : f::words_of(d.words))
        v.push_back({static_cast<uint32_t>(w.value), w.word});
    v.push_back({0, nullptr});
    return v.data();
}

ftenum width(uint64_t max) {
    return max <= 0xFF ? FT_UINT8 : max <= 0xFFFF ? FT_UINT16 : FT_UINT32;
}

void field(int *id, const std::string &path, ftenum type, int display, const void *strings,
           const char *about) {
    *id = -1;
    g_hf.push_back(
        {id, {keep(path), keep("eth_if_plcy." + path), type, display, strings, 0, about, HFILL}});
}

void number(int *id, const std::string &path, const f::Domain &d, const char *about) {
    field(id, path, width(d.wide), d.style == f::Style::dec ? BASE_DEC : BASE_HEX, words(d), about);
}

void register_fields() {
    field(&hf_record, "record", FT_NONE, BASE_NONE, nullptr, nullptr);
    for (size_t i = 0; i < f::kScalarCount; i++)
        number(&hf_scalar[i], f::kScalars[i].path, *f::kScalars[i].domain, f::kScalars[i].about);
    for (size_t i = 0; i < std::size(f::kCompounds); i++) {
        const f::Compound &c = f::kCompounds[i];
        switch (c.shape) {
        case f::Shape::mac:
            field(&hf_compound[i][0], c.path, FT_ETHER, BASE_NONE, nullptr, c.about);
            break;
        case f::Shape::list:
            number(&hf_compound[i][0], c.path, *c.domain, c.about);
            break;
        case f::Shape::pairs:
            for (int k = 0; k < 2; k++)
                number(&hf_compound[i][k], std::string(c.path) + "." + c.keys[k].name,
                       *c.keys[k].domain, c.about);
            break;
        case f::Shape::l2pt:
            for (unsigned p = 0; p < ETH_IF_PLCY_L2PT_PROTOCOLS; p++) {
                std::string at = std::string(c.path) + "." + f::kL2ptNames[p];
                number(&hf_l2pt_raw[p], at, *c.domain, c.about);
                number(&hf_l2pt_mode[p], at + "." + c.keys[0].name, *c.keys[0].domain, c.about);
                number(&hf_l2pt_exp[p], at + "." + c.keys[1].name, *c.keys[1].domain, c.about);
            }
            break;
        case f::Shape::count: // the arrays say them
            break;
        }
    }
}

// The bytes a field lies in, inside this record of the datagram, in the EFP
// form the record holds; a field that form does not hold points at its EFP area.
void span(const f::Where &where, bool compact, int record, int size, int &off, int &len) {
    const f::Place &p = compact ? where.compact : where.full;
    if (p.width == 0) {
        off = record + ETH_IF_PLCY_EFP_PART;
        len = size - ETH_IF_PLCY_EFP_PART;
        return;
    }
    off = record + p.off;
    len = p.bytes != 0 ? p.bytes : size - p.off;
}

// Pairs (tags, ranges): the first n entries' two keys.
uint16_t first(const eth_if_plcy_efp_tag_t &t) {
    return t.ethertype;
}
uint16_t second(const eth_if_plcy_efp_tag_t &t) {
    return t.vlan;
}
uint16_t first(const eth_if_plcy_vlan_range_t &r) {
    return r.low;
}
uint16_t second(const eth_if_plcy_vlan_range_t &r) {
    return r.high;
}
template <class Pair>
void add_pairs(proto_tree *tree, tvbuff_t *tvb, int off, int len, const Pair *pairs, unsigned n,
               size_t max, const int (&hf)[2]) {
    for (unsigned i = 0; i < n && i < max; i++) {
        proto_tree_add_uint(tree, hf[0], tvb, off, len, first(pairs[i]));
        proto_tree_add_uint(tree, hf[1], tvb, off, len, second(pairs[i]));
    }
}

void add_fields(proto_tree *tree, tvbuff_t *tvb, int at, int size, const eth_if_plcy_t *rec,
                const eth_if_plcy_ext_t &e) {
    // Every record that validates is longer than its EFP base.
    bool compact =
        eth_efp_is_compact(reinterpret_cast<const uint8_t *>(rec) + ETH_IF_PLCY_EFP_BASE);
    int off, len;
    for (size_t i = 0; i < f::kScalarCount; i++) {
        const f::Scalar &s = f::kScalars[i];
        if (!f::present(i, e)) continue;
        span(s.where, compact, at, size, off, len);
        proto_tree_add_uint(tree, hf_scalar[i], tvb, off, len, static_cast<uint32_t>(s.get(e)));
    }
    for (size_t ci = 0; ci < std::size(f::kCompounds); ci++) {
        const f::Compound &c = f::kCompounds[ci];
        if (!f::present(f::kScalarCount + ci, e)) continue;
        span(c.where, compact, at, size, off, len);
        const auto &efp = e.efp;
        const auto &hf = hf_compound[ci];
        switch (c.kind) {
        case f::Special::mac_addr:
            proto_tree_add_ether(tree, hf[0], tvb, off, len, e.mac_addr);
            break;
        case f::Special::src_mac:
            proto_tree_add_ether(tree, hf[0], tvb, off, len, efp.src_mac);
            break;
        case f::Special::dst_mac:
            proto_tree_add_ether(tree, hf[0], tvb, off, len, efp.dst_mac);
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
            add_pairs(tree, tvb, off, len, efp.tag, efp.num_tags, c.max, hf);
            break;
        case f::Special::tag_pcp:
            for (unsigned i = 0; i < efp.num_tags && i < c.max; i++)
                proto_tree_add_uint(tree, hf[0], tvb, off, len, efp.tag_pcp[i]);
            break;
        case f::Special::push:
            add_pairs(tree, tvb, off, len, efp.push, efp.num_tag_pushes, c.max, hf);
            break;
        case f::Special::ranges:
            add_pairs(tree, tvb, off, len, efp.ranges, efp.num_ranges, c.max, hf);
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
        add_fields(proto_item_add_subtree(item, ett_record), tvb, at, size, r, ext);
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
