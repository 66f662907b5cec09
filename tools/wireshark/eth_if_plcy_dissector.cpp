// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// A Wireshark dissector for Ethernet interface policy records in UDP
// datagrams (network images, one or several back to back). It calls the
// library: eth_if_plcy_validate decides what is a record (a refused one is
// expert information, and nothing past it is dissected; so is one decode
// refuses), decode gives the values, and the field description gives every
// field its filter name (its JSON path under "eth_if_plcy."), its blurb, its
// display (numbers, hex, words for the special values only, the interface
// type by name, bitmasks for the fixed part's flags) and its bytes in the EFP
// form the record holds. Groups and elements (tags, ranges, L2PT protocols)
// are subtrees.
#include <epan/expert.h>
#include <epan/packet.h>
#include <epan/prefs.h>
#include <ws_symbol_export.h>
#include <ws_version.h>

#include <algorithm>
#include <bit>
#include <deque>
#include <string>
#include <vector>

#include "eth_iftype.h"
#include "policy_table.hpp"

namespace {

namespace f = eth_if_plcy::fields;

int proto = -1;
int ett_record = -1;
expert_field ei_refused = EI_INIT, ei_undecoded = EI_INIT;
dissector_handle_t handle;

// Every field's registration: names, abbreviations, blurbs and value strings
// live as long as the program (Wireshark keeps pointers to them).
std::deque<std::string> g_names;
std::deque<std::vector<value_string>> g_strings;
std::vector<hf_register_info> g_hf;
int hf_scalar[f::kScalarCount];
// A compound's field (a list's entries, a MAC) or its pairs' two keys.
int hf_compound[std::size(f::kCompounds)][2];
int hf_element[std::size(f::kCompounds)]; // a pair's or an L2PT protocol's subtree item
int hf_l2pt_mode[ETH_IF_PLCY_L2PT_PROTOCOLS], hf_l2pt_exp[ETH_IF_PLCY_L2PT_PROTOCOLS],
    hf_l2pt_raw[ETH_IF_PLCY_L2PT_PROTOCOLS];
int hf_group[std::size(f::kGroups)];
int ett_group[std::size(f::kGroups)], ett_element[std::size(f::kCompounds)];
int hf_record;

const char *keep(const std::string &s) {
    return g_names.emplace_back(s).c_str();
}

ftenum width(uint64_t max) {
    return max <= 0xFF ? FT_UINT8 : max <= 0xFFFF ? FT_UINT16 : FT_UINT32;
}

void field(int *id, const std::string &path, ftenum type, int display, const void *strings,
           const char *about, uint64_t bitmask = 0) {
    *id = -1;
    g_hf.push_back(
        {id,
         {keep(path), keep("eth_if_plcy." + path), type, display, strings, bitmask, about, HFILL}});
}

// A number field; a flag field's type is its unit's (its bitmask lies there).
void number(int *id, const std::string &path, const f::Domain &d, const char *about,
            uint64_t bitmask = 0, const value_string *names = nullptr, unsigned unit = 0) {
    field(id, path, bitmask != 0 ? width((uint64_t{1} << (8 * unit)) - 1) : width(d.wide),
          d.style == f::Style::dec ? BASE_DEC : BASE_HEX, names, about, bitmask);
}

// A flag field of the fixed part: its bits in the network image's unit, which
// holds its fields from the most significant bit down.
uint64_t network_mask(const f::Place &p) {
    if (p.width == 0 || p.width >= 8 * p.bytes) return 0;
    return ((uint64_t{1} << p.width) - 1) << (8 * p.bytes - p.lsb - p.width);
}
bool fixed(const f::Where &w) {
    return w.compact == w.full && w.full.off < ETH_IF_PLCY_EFP_PART;
}

// The interface types by name, from the interface-type library.
const value_string *type_names() {
    std::vector<value_string> &v = g_strings.emplace_back();
    for (uint32_t t = f::kIfType.lo; t <= f::kIfType.hi; t++)
        v.push_back({t, keep(eth_decode_eth_iftype_to_str_cmpt(t))});
    v.push_back({0, nullptr});
    return v.data();
}

int group_of(const char *path) {
    std::string_view p(path);
    size_t dot = p.find('.');
    for (size_t g = 0; dot != std::string_view::npos && g < std::size(f::kGroups); g++)
        if (p.substr(0, dot) == f::kGroups[g]) return static_cast<int>(g);
    return -1;
}

void register_fields() {
    field(&hf_record, "record", FT_NONE, BASE_NONE, nullptr, nullptr);
    for (size_t g = 0; g < std::size(f::kGroups); g++) {
        field(&hf_group[g], f::kGroups[g], FT_NONE, BASE_NONE, nullptr, nullptr);
    }
    for (size_t i = 0; i < f::kScalarCount; i++) {
        const f::Scalar &s = f::kScalars[i];
        bool type = s.domain == &f::kIfType;
        number(&hf_scalar[i], s.path, *s.domain, s.about,
               fixed(s.where) ? network_mask(s.where.full) : 0, type ? type_names() : nullptr,
               s.where.full.bytes);
    }
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
            field(&hf_element[i], c.path, FT_NONE, BASE_NONE, nullptr, c.about);
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
            field(&hf_element[i], c.path, FT_NONE, BASE_NONE, nullptr, c.about);
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

// A number as a person reads it: the number, or a word for a special value.
void add_number(proto_tree *tree, int hf, tvbuff_t *tvb, int off, int len, const f::Domain &d,
                uint32_t v) {
    const char *word = d.aliases ? nullptr : f::word_of(d.words, v);
    if (word != nullptr)
        proto_tree_add_uint_format_value(tree, hf, tvb, off, len, v, "%s (%u)", word, v);
    else
        proto_tree_add_uint(tree, hf, tvb, off, len, v);
}

// A subtree under tree for an element (a tag, a range, a protocol).
proto_tree *element(proto_tree *tree, size_t ci, tvbuff_t *tvb, int off, int len,
                    const std::string &label) {
    proto_item *item = proto_tree_add_item(tree, hf_element[ci], tvb, off, len, ENC_NA);
    proto_item_set_text(item, "%s", label.c_str());
    return proto_item_add_subtree(item, ett_element[ci]);
}

// The record's fields in a subtree per group and per element.
void add_fields(proto_tree *tree, tvbuff_t *tvb, int at, int size, const eth_if_plcy_t *rec,
                const eth_if_plcy_ext_t &e) {
    // Every record that validates is longer than its EFP base.
    bool compact =
        eth_efp_is_compact(reinterpret_cast<const uint8_t *>(rec) + ETH_IF_PLCY_EFP_BASE);
    proto_tree *groups[std::size(f::kGroups)] = {};
    auto parent = [&](const char *path) {
        int g = group_of(path);
        if (g < 0) return tree;
        if (groups[g] == nullptr) {
            proto_item *item = proto_tree_add_item(tree, hf_group[g], tvb, at, size, ENC_NA);
            groups[g] = proto_item_add_subtree(item, ett_group[g]);
        }
        return groups[g];
    };
    int off, len;
    for (size_t i = 0; i < f::kScalarCount; i++) {
        const f::Scalar &s = f::kScalars[i];
        if (!f::present(i, e)) continue;
        span(s.where, compact, at, size, off, len);
        // A flag read from the datagram where hton put it in network order: the
        // type-dependent area only in a record of a class (else it stays as sent).
        bool network = s.where.full.off < f::L::sub_parent.off || f::class_of(e) != f::Cls::any;
        uint64_t mask = fixed(s.where) ? network_mask(s.where.full) : 0;
        if (mask != 0 && network)
            proto_tree_add_item(parent(s.path), hf_scalar[i], tvb, off, len, ENC_BIG_ENDIAN);
        else if (mask != 0) // Wireshark masks and shifts what it is given
            proto_tree_add_uint(parent(s.path), hf_scalar[i], tvb, off, len,
                                static_cast<uint32_t>(s.get(e) << std::countr_zero(mask)));
        else
            add_number(parent(s.path), hf_scalar[i], tvb, off, len, *s.domain,
                       static_cast<uint32_t>(s.get(e)));
    }
    for (size_t ci = 0; ci < std::size(f::kCompounds); ci++) {
        const f::Compound &c = f::kCompounds[ci];
        if (!f::present(f::kScalarCount + ci, e)) continue;
        span(c.where, compact, at, size, off, len);
        proto_tree *t = parent(c.path);
        const auto &hf = hf_compound[ci];
        switch (c.shape) {
        case f::Shape::mac: {
            uint8_t mac[6];
            for (size_t i = 0; i < 6; i++)
                mac[i] = static_cast<uint8_t>(c.access.get(e, i, -1));
            proto_tree_add_ether(t, hf[0], tvb, off, len, mac);
            break;
        }
        case f::Shape::l2pt:
            for (unsigned i = 0; i < c.access.entries(e); i++) {
                auto b = static_cast<uint8_t>(c.access.get(e, i, -1) & 0x7Fu);
                if (b == 0) continue;
                int byte = off + static_cast<int>(i);
                proto_tree *p =
                    element(t, ci, tvb, byte, 1, c.entry + std::string(f::kL2ptNames[i]));
                // An EXP value without its "given" bit has no words: the raw byte.
                if ((b & ETH_IF_PLCY_L2PT_EXP_MASK) && !(b & ETH_IF_PLCY_L2PT_EXP_GIVEN)) {
                    proto_tree_add_uint(p, hf_l2pt_raw[i], tvb, byte, 1, b);
                    continue;
                }
                add_number(p, hf_l2pt_mode[i], tvb, byte, 1, *c.keys[0].domain,
                           b & ETH_IF_PLCY_L2PT_MODE_MASK);
                if (b & ETH_IF_PLCY_L2PT_EXP_GIVEN)
                    proto_tree_add_uint(p, hf_l2pt_exp[i], tvb, byte, 1,
                                        (b & ETH_IF_PLCY_L2PT_EXP_MASK) >>
                                            ETH_IF_PLCY_L2PT_EXP_SHIFT);
            }
            break;
        case f::Shape::pairs: {
            // A match tag shows its PCP beside its ethertype and VLAN.
            const f::Compound &pcps = f::compound(f::F::efp_tag_pcp);
            size_t pcp_i = f::index(f::F::efp_tag_pcp) - f::kScalarCount;
            bool with_pcp = c.id == f::F::efp_tag;
            for (size_t i = 0; i < c.access.entries(e); i++) {
                proto_tree *p = element(t, ci, tvb, off, len, c.entry + std::to_string(i));
                for (int k = 0; k < 2; k++)
                    add_number(p, hf[k], tvb, off, len, *c.keys[k].domain,
                               static_cast<uint32_t>(c.access.get(e, i, k)));
                if (with_pcp)
                    add_number(p, hf_compound[pcp_i][0], tvb, off, len, *pcps.domain,
                               static_cast<uint32_t>(pcps.access.get(e, i, -1)));
            }
            break;
        }
        case f::Shape::list: // PCPs: in their tags; counts: the arrays say them
        case f::Shape::count:
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
        proto_item *item = proto_tree_add_item(records, hf_record, tvb, at, size, ENC_NA);
        if (uint32_t status = eth_if_plcy_decode(r, ETH_IF_PLCY_ALL_FIELDS, &ext, 0)) {
            expert_add_info_format(pinfo, item, &ei_undecoded, "record %d not decoded: %s",
                                   count + 1, eth_if_plcy_status_str(status));
            break;
        }
        proto_item_append_text(item, " %d (%d bytes)", count + 1, size);
        add_fields(proto_item_add_subtree(item, ett_record), tvb, at, size, r, ext);
        if (count == 0) { // the Info column: the brief layout's first line
            char text[512];
            eth_if_plcy_print(r, text, sizeof text, ETH_IF_PLCY_PRINT_BRIEF);
            size_t n = std::strcspn(text, "\n");
            while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == ',')) // a group may follow
                n--;
            text[n] = '\0';
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
    static std::vector<int *> ett = {&ett_record};
    for (int &g : ett_group)
        ett.push_back(&(g = -1));
    for (int &c : ett_element)
        ett.push_back(&(c = -1));
    proto_register_subtree_array(ett.data(), static_cast<int>(ett.size()));
    static ei_register_info ei[] = {{&ei_refused,
                                     {"eth_if_plcy.refused", PI_MALFORMED, PI_ERROR,
                                      "Record refused by eth_if_plcy_validate", EXPFILL}},
                                    {&ei_undecoded,
                                     {"eth_if_plcy.undecoded", PI_MALFORMED, PI_ERROR,
                                      "Record eth_if_plcy_decode refused", EXPFILL}}};
    expert_register_field_array(expert_register_protocol(proto), ei, 2);
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
// The release of the Wireshark this is built against, as Wireshark's own plugins say it.
WS_DLL_PUBLIC_DEF extern const int plugin_want_major = WIRESHARK_VERSION_MAJOR;
WS_DLL_PUBLIC_DEF extern const int plugin_want_minor = WIRESHARK_VERSION_MINOR;
WS_DLL_PUBLIC void plugin_register(void);

void plugin_register(void) {
    static proto_plugin plugin;
    plugin.register_protoinfo = register_protocol;
    plugin.register_handoff = register_handoff;
    proto_register_plugin(&plugin);
}
}
