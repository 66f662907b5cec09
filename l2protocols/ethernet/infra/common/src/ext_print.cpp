// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// External policy print: full and compact layouts of an external record.
#include <array>
#include <cstdio>

#include "eth_efp_util.h"
#include "internal.hpp"
#include "policy_table.hpp"
#include "text.hpp"

namespace {

using namespace ethplcy;
namespace L = ethplcy::layout;
namespace f = eth_if_plcy::fields;

constexpr size_t kEfpText = 1000;

// What separates a field's name from its value and ends the field.
struct Style {
    bool compact;
    const char *sep;
    const char *term;
    const char *parent_prefix;
};
constexpr Style kFull{false, ": ", "\n", ""};
constexpr Style kCompact{true, "=", "/", "IFH"};

struct Out {
    char *pos;
    size_t len;
    const Style &s;
};

// A record's interface class; on a row, Cls::none lists the row's dashes for every record.
enum class Cls { none, sub, trunk };

// One row of the layout: its bit, the class whose records list it when
// absent in the compact layout, whether a function of its own prints it, and
// the dash tokens that stand for it when absent. The other rows' tokens are
// the fields of their bit, from the field description.
struct Row {
    uint32_t bit;
    Cls cls;
    bool own;
    const char *dashes[2];
};

constexpr uint32_t kEfp = ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE;
constexpr Row kRows[] = {
    {ETH_IF_PLCY_ETHER_IF_TYPE, Cls::none, false, {"ether_if_type"}},
    {ETH_IF_PLCY_L2_FLAG, Cls::none, false, {"is_l2"}},
    {ETH_IF_PLCY_INTF_READY, Cls::none, false, {"intf_ready"}},
    {ETH_IF_PLCY_PROVISION, Cls::none, true, {"provisioned"}},
    {ETH_IF_PLCY_L2PT, Cls::none, true, {"l2pt"}},
    {ETH_IF_PLCY_MAC_ADDR, Cls::none, true, {"mac_addr"}},
    {ETH_IF_PLCY_PARENT, Cls::sub, false, {"parent"}},
    {ETH_IF_PLCY_ADMIN_STATE, Cls::sub, false, {"admin_up"}},
    {ETH_IF_PLCY_EFP_FILTERING, Cls::sub, false, {"efp_filtering"}},
    {ETH_IF_PLCY_NATIVE_VLAN, Cls::trunk, false, {"native_vlan"}},
    {ETH_IF_PLCY_QINQ_ETYPE, Cls::trunk, false, {"qinq_tunneling_etype"}},
    {ETH_IF_PLCY_MAC_ACC, Cls::trunk, false, {"mac_acc_ingress", "mac_acc_egress"}},
    {ETH_IF_PLCY_FILTERING, Cls::trunk, false, {"filter_*"}},
    {ETH_IF_PLCY_SRC_BYPASS_FILTER, Cls::sub, false, {"src_bypass_filter"}},
    {ETH_IF_PLCY_ICL_MODE, Cls::none, false, {"is_in_icl_mode"}},
    {kEfp, Cls::sub, true, {"efp"}},
    {ETH_IF_PLCY_MTU, Cls::none, false, {"mtu"}},
    {ETH_IF_PLCY_VLAN_SWITCHED, Cls::none, false, {"vlan_switched_trunk", "vlan_switched_access"}},
};

// A row's tokens: the scalars of its bit in row order, each named within its
// group. The external print has never shown the access VLAN.
constexpr bool is_token(const f::Scalar &s, uint32_t bit) {
    return s.bit == bit && s.id != f::F::trunk_access_vlan;
}
constexpr size_t kMaxTokens = 3;
constexpr const char *name_in_group(const char *path) {
    const char *name = path;
    for (const char *c = path; *c != '\0'; c++)
        if (*c == '.') name = c + 1;
    return name;
}
struct Token {
    const f::Scalar *scalar;
    const char *name;
};
struct Tokens {
    uint8_t n;
    std::array<Token, kMaxTokens> token;
};
constexpr auto kTokens = [] {
    std::array<Tokens, std::size(kRows)> t{};
    for (size_t r = 0; r < std::size(kRows); r++)
        for (const f::Scalar &s : f::kScalars)
            if (!kRows[r].own && is_token(s, kRows[r].bit))
                t[r].token[t[r].n++] = {&s, name_in_group(s.path)};
    return t;
}();

Cls class_of(const eth_if_plcy_ext_t &rec) {
    if (!(rec.valid_mask & ETH_IF_PLCY_ETHER_IF_TYPE)) return Cls::none;
    if (is_trunk_type(rec.ether_if_type)) return Cls::trunk;
    if (is_sub_type(rec.ether_if_type)) return Cls::sub;
    return Cls::none;
}

void append_token(Out &o, const Token &t, const eth_if_plcy_ext_t &rec) {
    auto v = static_cast<uint32_t>(t.scalar->get(rec));
    const char *name = t.name;
    switch (t.scalar->domain->style) {
    case f::Style::hex4:
        eth_if_plcy_append(&o.pos, &o.len, "%s%s%s0x%04x%s", "", name, o.s.sep, v, o.s.term);
        break;
    case f::Style::hex8: // an interface index: the parent's
        eth_if_plcy_append(&o.pos, &o.len, "%s%s%s%s0x%8.8x%s", "", name, o.s.sep,
                           o.s.parent_prefix, v, o.s.term);
        break;
    default:
        eth_if_plcy_append(&o.pos, &o.len, "%s%s%s%u%s", "", name, o.s.sep, v, o.s.term);
    }
}

void provision(Out &o, const eth_if_plcy_ext_t &rec) {
    const char *flag = o.s.compact ? "provisioned" : "is_provisioned";
    if (!rec.is_provisioned) {
        eth_if_plcy_append(&o.pos, &o.len, "%s%s%s%u%s", "", flag, o.s.sep, 0u, o.s.term);
        return;
    }
    const auto &p = rec.provision_info;
    bool c = o.s.compact;
    const char *sep = o.s.sep, *term = o.s.term;
    eth_if_plcy_append(
        &o.pos, &o.len, "%s%s%s%u%s%s%s%s0x%x%s%s%s%s%u%s%s%s%s%u%s%s%s%s%u%s%s%s%s%u%s", "", flag,
        sep, 1u, term, "", c ? "p.xcid" : "provision_info.xconnect_id", sep, p.xconnect_id, term,
        "", c ? "p.xcts" : "provision_info.xcon_tags", sep, static_cast<unsigned>(p.xcon_tags),
        term, "", c ? "p.ipiw" : "provision_info.ip_iw_enabled", sep,
        static_cast<unsigned>(p.ip_iw_enabled), term, "",
        c ? "p.ivrw" : "provision_info.imposition_vlan_rewrite", sep,
        static_cast<unsigned>(p.imposition_vlan_rewrite), term, "",
        c ? "p.ivid" : "provision_info.imposition_vlan_id", sep,
        static_cast<unsigned>(p.imposition_vlan_id), term);
}

void l2pt(Out &o, const eth_if_plcy_ext_t &rec) {
    if (o.s.compact) eth_if_plcy_append(&o.pos, &o.len, "%sl2pt%s{", "", o.s.sep);
    for (uint8_t i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++) {
        L2pt l = l2pt_of(rec.l2pt[i]);
        if (o.s.compact) {
            if (l.mode == 0) continue;
            char exp[kPieceSize] = "";
            if (l.exp_given) snprintf(exp, sizeof exp, "%d", static_cast<int>(l.exp));
            eth_if_plcy_append(&o.pos, &o.len, "%s:%s%s&", eth_if_plcy_l2pt_proto_str(i),
                               eth_if_plcy_l2pt_mode_str(l.mode, 1), exp);
        } else {
            char exp[10];
            l2pt_exp_text(exp, l);
            eth_if_plcy_append(&o.pos, &o.len, "%s%sl2pt%s %s   (mode: %s, mpls exp: %s)%s", "   ",
                               "", o.s.sep, eth_if_plcy_l2pt_proto_str(i),
                               eth_if_plcy_l2pt_mode_str(l.mode, 0), exp, o.s.term);
        }
    }
    if (o.s.compact) eth_if_plcy_append(&o.pos, &o.len, "}%s", o.s.term);
}

void mac_addr(Out &o, const eth_if_plcy_ext_t &rec) {
    const uint8_t *m = rec.mac_addr;
    eth_if_plcy_append(&o.pos, &o.len, "%smac_addr%s%02x%02x:%02x%02x:%02x%02x%s", "", o.s.sep,
                       m[0], m[1], m[2], m[3], m[4], m[5], o.s.term);
}

// The EFP texts come from the record's own encoding, formatted as the internal
// print formats them; a record encode refuses shows the status instead.
void efp_part(Out &o, const char *label, bool present, uint32_t status, const uint8_t *full,
              void (*format)(char *, size_t, const eth_efp_full *)) {
    eth_if_plcy_append(&o.pos, &o.len, "%s%s%s", "", label, o.s.sep);
    if (present) {
        char text[kEfpText];
        if (status == 0) {
            format(text, sizeof text, reinterpret_cast<const eth_efp_full *>(full));
        } else {
            snprintf(text, sizeof text, "ERROR0x%x", status);
        }
        eth_if_plcy_append(&o.pos, &o.len, "%s", text);
    } else {
        eth_if_plcy_append(&o.pos, &o.len, "-");
    }
    eth_if_plcy_append(&o.pos, &o.len, "%s", o.s.term);
}

void efp(Out &o, const eth_if_plcy_ext_t &rec) {
    eth_if_plcy_append(&o.pos, &o.len, "%sefp%s%u%s", "", o.s.sep,
                       static_cast<unsigned>(rec.efp.configured), o.s.term);
    if (!rec.efp.configured) return;
    eth_if_plcy_t *tmp = nullptr;
    uint32_t status = eth_if_plcy_encode(&rec, &tmp, ETH_IF_PLCY_ENCODE_TAG_RANGES);
    alignas(8) uint8_t full[ETH_EFP_UTIL_FULL_AREA_MAX];
    if (status == 0) {
        eth_efp_util_full_from_base(bytes(tmp) + L::efp_base,
                                    reinterpret_cast<eth_efp_full *>(full));
        eth_if_plcy_free(tmp, 0);
    }
    efp_part(o, "efp_match", rec.valid_mask & ETH_IF_PLCY_EFP_MATCH, status, full,
             eth_if_plcy_format_efp_match);
    efp_part(o, "efp_rw", rec.valid_mask & ETH_IF_PLCY_EFP_REWRITE, status, full,
             eth_if_plcy_format_efp_rewrite);
}

void special_row(Out &o, uint32_t bit, const eth_if_plcy_ext_t &rec) {
    switch (bit) {
    case ETH_IF_PLCY_PROVISION:
        provision(o, rec);
        break;
    case ETH_IF_PLCY_L2PT:
        l2pt(o, rec);
        break;
    case ETH_IF_PLCY_MAC_ADDR:
        mac_addr(o, rec);
        break;
    default:
        efp(o, rec);
    }
}

void render(Out &o, const eth_if_plcy_ext_t *rec) {
    if (!o.s.compact) {
        eth_if_plcy_append(&o.pos, &o.len, "EXTERNAL ETHER INTF POLICY:\nvalid mask:\n");
        eth_if_plcy_print_ext_mask_internal(rec->valid_mask, &o.pos, &o.len);
    }
    Cls cls = class_of(*rec);
    for (size_t r = 0; r < std::size(kRows); r++) {
        const Row &row = kRows[r];
        if (rec->valid_mask & row.bit) {
            if (row.own) {
                special_row(o, row.bit, *rec);
            } else {
                for (size_t k = 0; k < kTokens[r].n; k++)
                    append_token(o, kTokens[r].token[k], *rec);
            }
        } else if (o.s.compact && (row.cls == Cls::none || row.cls == cls)) {
            for (const char *dash : row.dashes)
                if (dash != nullptr)
                    eth_if_plcy_append(&o.pos, &o.len, "%s%s%s-%s", "", dash, o.s.sep, o.s.term);
        }
    }
}

} // namespace

ETH_IF_PLCY_EXPORT char *eth_if_plcy_ext_print(const eth_if_plcy_ext_t *rec, char *buf, size_t len,
                                               uint32_t options) {
    // A missing record prints nothing at all rather than a misleading empty policy.
    if (buf == nullptr || len == 0 || rec == nullptr) return nullptr;
    Out o{buf, len, (options & ETH_IF_PLCY_PRINT_COMPACT) ? kCompact : kFull};
    buf[0] = '\0';
    render(o, rec);
    return buf;
}

ETH_IF_PLCY_EXPORT size_t eth_if_plcy_ext_print_len(const eth_if_plcy_ext_t *rec,
                                                    uint32_t options) {
    if (rec == nullptr) return 0;
    Out o{nullptr, SIZE_MAX, (options & ETH_IF_PLCY_PRINT_COMPACT) ? kCompact : kFull};
    render(o, rec);
    return SIZE_MAX - o.len;
}
