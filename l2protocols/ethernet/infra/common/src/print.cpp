// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Internal policy print: full, compact and brief layouts of a record.
#include <array>
#include <cstdio>

#include "eth_efp_util.h"
#include "eth_iftype.h"
#include "internal.hpp"
#include "walk.hpp"
#include "text.hpp"

namespace {

using namespace ethplcy;
namespace L = ethplcy::layout;
namespace f = eth_if_plcy::fields;

// Room for a full EFP form and a range list of 13 entries with its terminator.
constexpr size_t kEfpScratch = 144;
constexpr size_t kEfpText = 256;
static_assert(kEfpScratch >= ETH_EFP_UTIL_FULL_AREA_MAX);

struct Out {
    char *pos;
    size_t len;
};

// One "name: value" line of the full and compact layouts: a fixed-part field
// of the type-dependent area or the interface's modes, named, placed and
// written as the field description says.
struct Line {
    uint32_t bit;
    const char *name;
    f::Style style;
    f::Place place;
};

// The groups printed with texts of their own, before these lines.
constexpr uint32_t kOwnTexts = ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_INTF_READY |
                               ETH_IF_PLCY_L2_FLAG | ETH_IF_PLCY_PROVISION | ETH_IF_PLCY_MTU;
constexpr bool is_line(const f::Scalar &s) {
    return walk::in_fixed_part(s) && (s.bit & kOwnTexts) == 0;
}
constexpr size_t kLineCount = [] {
    size_t n = 0;
    for (const f::Scalar &s : f::kScalars)
        n += is_line(s);
    return n;
}();
constexpr auto kInterfaceLines = [] {
    std::array<Line, kLineCount> lines{};
    size_t n = 0;
    for (const f::Scalar &s : f::kScalars)
        if (is_line(s)) lines[n++] = {s.bit, s.path, s.domain->style, s.where.full};
    // The text has always listed a VLAN-switched port's access flag before its trunk flag.
    auto at = [&](f::F id) {
        size_t i = 0;
        while (std::string_view(lines[i].name) !=
               f::path_of(id)) // clang: no literal address compares
            i++;
        return i;
    };
    std::swap(lines[at(f::F::trunk_vlan_switched_trunk)],
              lines[at(f::F::trunk_vlan_switched_access)]);
    return lines;
}();

void append_line(Out &o, const char *prefix, const Line &line, const uint8_t *rec) {
    uint32_t v = walk::read(rec, line.place);
    switch (line.style) {
    case f::Style::hex4:
        eth_if_plcy_append(&o.pos, &o.len, "%s%s: 0x%04x\n", prefix, line.name, v);
        break;
    case f::Style::hex8:
        eth_if_plcy_append(&o.pos, &o.len, "%s%s: 0x%8.8x\n", prefix, line.name, v);
        break;
    default:
        eth_if_plcy_append(&o.pos, &o.len, "%s%s: %u\n", prefix, line.name, v);
        break;
    }
}

// The match or rewrite text of the record's EFP, through a fresh full form.
using EfpFormatter = void (*)(char *, size_t, const eth_efp_full *);
void efp_text(const uint8_t *rec, EfpFormatter format, char *text) {
    alignas(8) uint8_t scratch[kEfpScratch];
    auto *full = reinterpret_cast<eth_efp_full *>(scratch);
    eth_efp_util_full_from_base(rec + L::efp_base, full);
    format(text, kEfpText, full);
}

void type_lines(Out &o, const char *p, uint32_t m, const uint8_t *rec) {
    if (m & ETH_IF_PLCY_ETHER_IF_TYPE)
        eth_if_plcy_append(&o.pos, &o.len, "%sether_if_type: %s\n", p,
                           eth_decode_eth_iftype_to_str_cmpt(get(rec, L::ether_if_type)));
    if (m & ETH_IF_PLCY_INTF_READY)
        eth_if_plcy_append(&o.pos, &o.len, "%sinterface_ready: %u\n", p,
                           get(rec, L::interface_ready));
    if (m & ETH_IF_PLCY_L2_FLAG)
        eth_if_plcy_append(&o.pos, &o.len, "%sis_l2: %u\n", p, get(rec, L::is_l2));
}

void type_tokens(Out &o, uint32_t m, const uint8_t *rec) {
    uint32_t type = get(rec, L::ether_if_type);
    if (m & ETH_IF_PLCY_ETHER_IF_TYPE)
        eth_if_plcy_append(&o.pos, &o.len, " Type: %s, ", eth_decode_eth_iftype_to_str_cmpt(type));
    // L3 sub-interfaces take their readiness from the parent: no token.
    if ((m & ETH_IF_PLCY_INTF_READY) && !in_type_set(ETH_IF_PLCY_SUB_L3_TYPES, type))
        eth_if_plcy_append(&o.pos, &o.len, "%s",
                           get(rec, L::interface_ready) ? "Ready, " : "Not ready, ");
    if (m & ETH_IF_PLCY_L2_FLAG)
        eth_if_plcy_append(&o.pos, &o.len, "%s", get(rec, L::is_l2) ? "L2" : "L3");
    if (m & (ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_INTF_READY | ETH_IF_PLCY_L2_FLAG))
        eth_if_plcy_append(&o.pos, &o.len, "\n");
}

void provision_lines(Out &o, const char *p, const char *p2, const uint8_t *rec) {
    if (!get(rec, L::is_provisioned)) {
        eth_if_plcy_append(&o.pos, &o.len, "%snot provisioned\n", p);
        return;
    }
    eth_if_plcy_append(&o.pos, &o.len,
                       "%sis_provisioned: %u\n%sprovision_info.xconnect_id: %u\n"
                       "%sprovision_info.xcon_tags: %u\n"
                       "%sprovision_info.l2_prop_remote_status: %u\n"
                       "%sprovision_info.ip_iw_enabled: %u\n"
                       "%sprovision_info.imposition_vlan_rewrite: %u\n"
                       "%sprovision_info.imposition_vlan_id: %u\n",
                       p, 1u, p2, load(rec, L::xconnect_id), p2, load(rec, L::xcon_tags), p2,
                       get(rec, L::l2_prop_remote_status), p2, get(rec, L::ip_iw_enabled), p2,
                       get(rec, L::imposition_vlan_rewrite), p2, load(rec, L::imposition_vlan_id));
}

void provision_tokens(Out &o, uint32_t m, const uint8_t *rec) {
    if (!get(rec, L::is_provisioned)) {
        if (m & ETH_IF_PLCY_L2_FLAG) eth_if_plcy_append(&o.pos, &o.len, " not provisioned\n");
        return;
    }
    eth_if_plcy_append(&o.pos, &o.len, " provisioned: (xcon_(id=%u, tags=%u)",
                       load(rec, L::xconnect_id), load(rec, L::xcon_tags));
    if (get(rec, L::l2_prop_remote_status)) eth_if_plcy_append(&o.pos, &o.len, ", prop_rem_status");
    if (get(rec, L::ip_iw_enabled)) eth_if_plcy_append(&o.pos, &o.len, ", ip_iw");
    if (get(rec, L::imposition_vlan_rewrite))
        eth_if_plcy_append(&o.pos, &o.len, ", vlan_rewrite(id=%d)",
                           static_cast<int>(load(rec, L::imposition_vlan_id)));
    eth_if_plcy_append(&o.pos, &o.len, ")\n");
}

void l2pt_lines(Out &o, const char *p, bool only_active, const uint8_t *rec) {
    bool printed = false;
    for (uint8_t i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++) {
        L2pt l = l2pt_of(l2pt_get(rec, i));
        if (only_active && l.mode == 0) continue;
        char exp[10];
        l2pt_exp_text(exp, l);
        eth_if_plcy_append(&o.pos, &o.len, "%sl2pt: %s   (mode: %s, mpls exp: %s)\n", p,
                           eth_if_plcy_l2pt_proto_str(i), eth_if_plcy_l2pt_mode_str(l.mode, 0),
                           exp);
        printed = true;
    }
    if (only_active && !printed) eth_if_plcy_append(&o.pos, &o.len, "%sl2pt: off\n", p);
}

void l2pt_tokens(Out &o, const uint8_t *rec) {
    bool printed = false;
    for (uint8_t i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++) {
        L2pt l = l2pt_of(l2pt_get(rec, i));
        if (l.mode == 0) continue;
        if (!printed) eth_if_plcy_append(&o.pos, &o.len, " l2pt:");
        eth_if_plcy_append(&o.pos, &o.len, " %s(%s", eth_if_plcy_l2pt_proto_str(i),
                           eth_if_plcy_l2pt_mode_str(l.mode, 1));
        if (l.exp_given) eth_if_plcy_append(&o.pos, &o.len, " exp: %u", l.exp);
        eth_if_plcy_append(&o.pos, &o.len, ")");
        printed = true;
    }
    if (printed) eth_if_plcy_append(&o.pos, &o.len, "\n");
}

void interface_lines(Out &o, const char *p, uint32_t m, const uint8_t *rec) {
    for (const Line &line : kInterfaceLines)
        if (m & line.bit) append_line(o, p, line, rec);
    char text[kEfpText];
    if (m & ETH_IF_PLCY_EFP_MATCH) {
        efp_text(rec, eth_if_plcy_format_efp_match, text);
        eth_if_plcy_append(&o.pos, &o.len, "%sEFP MATCH: %s\n", p, text);
    }
    if (m & ETH_IF_PLCY_EFP_REWRITE) {
        efp_text(rec, eth_if_plcy_format_efp_rewrite, text);
        eth_if_plcy_append(&o.pos, &o.len, "%sEFP REWRITE: %s\n", p, text);
    }
}

// A brief group: " name: (" before its first member, ", " between members, ")\n" after.
class Group {
  public:
    Group(Out &o, const char *name) : o_(o), name_(name) {}
    const char *member() {
        if (open_) return ", ";
        eth_if_plcy_append(&o_.pos, &o_.len, " %s: (", name_);
        open_ = true;
        return "";
    }
    void close() {
        if (open_) eth_if_plcy_append(&o_.pos, &o_.len, ")\n");
    }

  private:
    Out &o_;
    const char *name_;
    bool open_ = false;
};

const char *on_off(uint32_t v) {
    return v ? "on" : "off";
}

void interface_groups(Out &o, uint32_t m, const uint8_t *rec) {
    Group sub(o, "sub");
    if (m & ETH_IF_PLCY_PARENT)
        eth_if_plcy_append(&o.pos, &o.len, "%sparent: 0x%8.8x", sub.member(),
                           load(rec, L::sub_parent));
    if (m & ETH_IF_PLCY_ADMIN_STATE)
        eth_if_plcy_append(&o.pos, &o.len, "%sadmin: %s", sub.member(),
                           get(rec, L::sub_admin_up) ? "up" : "down");
    if (m & ETH_IF_PLCY_EFP_FILTERING)
        eth_if_plcy_append(&o.pos, &o.len, "%sefp_filt: %s", sub.member(),
                           on_off(get(rec, L::sub_efp_filtering)));
    if (m & ETH_IF_PLCY_SRC_BYPASS_FILTER)
        eth_if_plcy_append(&o.pos, &o.len, "%ssrc_bypass_filt: %s", sub.member(),
                           on_off(get(rec, L::sub_src_bypass_filter)));
    sub.close();

    Group trunk(o, "trunk");
    if (m & ETH_IF_PLCY_NATIVE_VLAN)
        eth_if_plcy_append(&o.pos, &o.len, "%snative_vlan: %u%s", trunk.member(),
                           load(rec, L::trunk_native_vlan),
                           get(rec, L::trunk_native_is_svlan) ? ", svlan" : "");
    if (m & ETH_IF_PLCY_QINQ_ETYPE)
        eth_if_plcy_append(&o.pos, &o.len, "%sqinq_tunneling_etype: 0x%04x", trunk.member(),
                           load(rec, L::trunk_qinq_tunneling_etype));
    if (m & ETH_IF_PLCY_MAC_ACC)
        eth_if_plcy_append(&o.pos, &o.len, "%smac_acc_(ingress: %u, egress: %u)", trunk.member(),
                           get(rec, L::trunk_mac_acc_ingress), get(rec, L::trunk_mac_acc_egress));
    if (m & ETH_IF_PLCY_FILTERING)
        eth_if_plcy_append(&o.pos, &o.len, "%sfilter_(dot1q:%u, dot1ad:%u, tpmr:%u)",
                           trunk.member(), get(rec, L::trunk_filter_dot1q),
                           get(rec, L::trunk_filter_dot1ad), get(rec, L::trunk_filter_mac_relay));
    if (m & ETH_IF_PLCY_VLAN_SWITCHED)
        eth_if_plcy_append(&o.pos, &o.len, "%svs_(access:%u, trunk:%u, access_vlan:%u)",
                           trunk.member(), get(rec, L::trunk_vlan_switched_access),
                           get(rec, L::trunk_vlan_switched_trunk), load(rec, L::trunk_access_vlan));
    trunk.close();

    if ((m & ETH_IF_PLCY_ICL_MODE) && get(rec, L::is_in_icl_mode))
        eth_if_plcy_append(&o.pos, &o.len, " icl_mode_on\n");

    Group efp(o, "efp");
    char text[kEfpText];
    if (m & ETH_IF_PLCY_EFP_MATCH) {
        efp_text(rec, eth_if_plcy_format_efp_match, text);
        if (std::strcmp(text, "(none)") != 0)
            eth_if_plcy_append(&o.pos, &o.len, "%s%s", efp.member(), text);
    }
    if (m & ETH_IF_PLCY_EFP_REWRITE) {
        efp_text(rec, eth_if_plcy_format_efp_rewrite, text);
        if (std::strcmp(text, "(none)") != 0)
            eth_if_plcy_append(&o.pos, &o.len, "%s%s", efp.member(), text);
    }
    efp.close();
}

void render(Out &o, const eth_if_plcy_t *record, uint32_t options) {
    const uint8_t *rec = bytes(record);
    bool compact = (options & ETH_IF_PLCY_PRINT_COMPACT) != 0;
    bool brief = (options & ETH_IF_PLCY_PRINT_BRIEF) != 0;
    const char *p = (compact || brief) ? "    " : "";
    const char *p2 = (compact || brief) ? "      " : "";
    uint32_t m = record_mask(rec);
    unsigned version = load(rec, L::version), size = record_size(rec);

    if (compact) {
        eth_if_plcy_append(&o.pos, &o.len, "(internal, version=%u, size=%u)\n", version, size);
    } else if (brief) {
        eth_if_plcy_append(&o.pos, &o.len, "(v%u, %ub):", version, size);
    } else {
        eth_if_plcy_append(&o.pos, &o.len, "INTERNAL ETHER INTF POLICY:\nversion=%u\nsize=%u\n",
                           version, size);
        eth_if_plcy_append(&o.pos, &o.len, "%svalid mask (all):\n", p);
        eth_if_plcy_print_mask_internal(m, &o.pos, &o.len);
    }

    // With both layout bits the body is the brief one throughout: the compact
    // "l2pt: off" line is not added after brief L2PT tokens.
    if (brief) {
        type_tokens(o, m, rec);
        if (m & ETH_IF_PLCY_PROVISION) provision_tokens(o, m, rec);
        if (m & ETH_IF_PLCY_L2PT) l2pt_tokens(o, rec);
    } else {
        type_lines(o, p, m, rec);
        if (m & ETH_IF_PLCY_PROVISION) provision_lines(o, p, p2, rec);
        if (m & ETH_IF_PLCY_L2PT) l2pt_lines(o, p, compact, rec);
    }
    const char *near = brief ? " " : p; // brief MAC and MTU lines take one blank
    if (m & ETH_IF_PLCY_MAC_ADDR) {
        const uint8_t *mac = rec + L::mac_addr_off;
        eth_if_plcy_append(&o.pos, &o.len, "%smac_addr: %02x%02x:%02x%02x:%02x%02x\n", near, mac[0],
                           mac[1], mac[2], mac[3], mac[4], mac[5]);
    }
    if (m & ETH_IF_PLCY_MTU)
        eth_if_plcy_append(&o.pos, &o.len, "%sMTU: %u\n", near, load(rec, L::mtu));
    if (brief) {
        interface_groups(o, m, rec);
    } else {
        interface_lines(o, p, m, rec);
    }
}

} // namespace

ETH_IF_PLCY_EXPORT char *eth_if_plcy_print(const eth_if_plcy_t *record, char *buf, size_t len,
                                           uint32_t options) {
    if (buf == nullptr || len == 0 || record == nullptr) return nullptr;
    Out o{buf, len};
    render(o, record, options);
    return buf;
}

ETH_IF_PLCY_EXPORT size_t eth_if_plcy_print_len(const eth_if_plcy_t *record, uint32_t options) {
    if (record == nullptr) return 0;
    Out o{nullptr, SIZE_MAX};
    render(o, record, options);
    return SIZE_MAX - o.len;
}
