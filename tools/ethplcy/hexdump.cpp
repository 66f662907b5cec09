// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The annotated dump: each field of the record's view with its offset, bytes,
// name and value, walked over the library's layout description.
#include <cstdio>
#include <sstream>

#include "eth_iftype.h"
#include "record_layout.hpp"
#include "tool.hpp"

namespace ethplcy_tool {
namespace {

namespace L = ethplcy::layout;

class Dumper {
  public:
    // rec: the record in host order, whose values are shown; shown: the bytes
    // as the user gave them (a network image stays as it came).
    Dumper(const uint8_t *rec, const uint8_t *shown, uint32_t size)
        : rec_(rec), shown_(shown), size_(size), mask_(integer_at(4, 4)) {}

    std::string text() const { return out_.str(); }
    uint32_t mask() const { return mask_; }

    uint32_t integer_at(uint32_t off, unsigned n) const {
        uint32_t v = 0;
        if (n == 1) return rec_[off];
        if (n == 2) return eth_efp_load16(rec_ + off);
        std::memcpy(&v, rec_ + off, 4);
        return v;
    }

    // One row: offset, bytes (or bit positions), name, value.
    void row(const std::string &where, const std::string &what, const std::string &name,
             const std::string &value) {
        char head[80];
        snprintf(head, sizeof head, "%6s %-27s %-40s ", where.c_str(), what.c_str(), name.c_str());
        std::string text = std::string(head) + value;
        out_ << text.substr(0, text.find_last_not_of(' ') + 1) << "\n";
    }

    // A field of n bytes at off, cut at the record's end.
    void line(uint32_t off, unsigned n, const std::string &name, const std::string &value) {
        if (off >= size_) return;
        if (off + n > size_) n = size_ - off;
        std::string hex;
        for (unsigned i = 0; i < n && i < 8; i++) {
            char b[4];
            snprintf(b, sizeof b, "%02x ", shown_[off + i]);
            hex += b;
        }
        if (n > 8) hex += "..";
        row(std::to_string(off), hex, name, value);
    }

    std::string value(uint32_t v, uint32_t bit, bool hex = false) const {
        if (bit != 0 && (mask_ & bit) == 0) return "absent";
        char b[32];
        snprintf(b, sizeof b, hex ? "0x%x" : "%u", v);
        return b;
    }

    void integer(L::Int f, const std::string &name, uint32_t bit, bool hex = false) {
        if (f.off + f.bytes > size_) return;
        line(f.off, f.bytes, name, value(integer_at(f.off, f.bytes), bit, hex));
    }

    // A flag unit: its bytes once, then each field with its bit positions.
    void unit(const L::Unit &u, std::initializer_list<const char *> names,
              std::initializer_list<uint32_t> bits) {
        if (u.off + u.bits / 8u > size_) return;
        line(u.off, u.bits / 8u, "flag unit", "");
        auto name = names.begin();
        auto bit = bits.begin();
        for (unsigned k = 0; k < u.nfields; k++, ++name) {
            L::Bits f = u.field(k);
            uint32_t governing = bit == bits.end() ? 0 : *bit++;
            uint32_t v = eth_efp_unit_get(rec_, f.off, f.unit_bits, f.lsb, f.width);
            char pos[24];
            snprintf(pos, sizeof pos, f.width == 1 ? "  bit %u" : "  bits %u-%u", f.lsb,
                     f.lsb + f.width - 1);
            row("", pos, *name, value(v, governing));
        }
    }

    void unused(uint32_t off, unsigned n) { line(off, n, "(unused)", ""); }

  private:
    const uint8_t *rec_;
    const uint8_t *shown_;
    uint32_t size_;
    uint32_t mask_;
    std::ostringstream out_;
};

std::string mask_text(uint32_t mask) {
    char b[16];
    snprintf(b, sizeof b, "0x%05x", mask);
    std::string text = b;
    for (const auto &name : eth_if_plcy::field_names(mask))
        text += " [" + name + "]";
    return text;
}

void fixed_part(Dumper &d) {
    d.integer(L::version, "version", 0);
    d.unused(1, 1);
    d.integer(L::size, "size", 0);
    d.line(4, 4, "valid mask", mask_text(d.mask()));
    d.unit(L::type_unit,
           {"ether_if_type", "interface_ready", "is_l2", "is_provisioned", "is_in_icl_mode"},
           {ETH_IF_PLCY_ETHER_IF_TYPE, ETH_IF_PLCY_INTF_READY, ETH_IF_PLCY_L2_FLAG,
            ETH_IF_PLCY_PROVISION, ETH_IF_PLCY_ICL_MODE});
    d.unused(10, 2);
    d.integer(L::xconnect_id, "provision_info.xconnect_id", ETH_IF_PLCY_PROVISION);
    d.integer(L::xcon_tags, "provision_info.xcon_tags", ETH_IF_PLCY_PROVISION);
    d.unit(L::provision_unit,
           {"provision_info.l2_prop_remote_status", "provision_info.ip_iw_enabled",
            "provision_info.imposition_vlan_rewrite"},
           {ETH_IF_PLCY_PROVISION, ETH_IF_PLCY_PROVISION, ETH_IF_PLCY_PROVISION});
    d.integer(L::imposition_vlan_id, "provision_info.imposition_vlan_id", ETH_IF_PLCY_PROVISION);
    static const char *const modes[5][3] = {
        {"l2pt[0] (lyx) mode", "l2pt[0] exp given", "l2pt[0] exp"},
        {"l2pt[1] (tovu) mode", "l2pt[1] exp given", "l2pt[1] exp"},
        {"l2pt[2] (quz) mode", "l2pt[2] exp given", "l2pt[2] exp"},
        {"l2pt[3] (jaxe) mode", "l2pt[3] exp given", "l2pt[3] exp"},
        {"l2pt[4] (wimo) mode", "l2pt[4] exp given", "l2pt[4] exp"}};
    for (unsigned i = 0; i < 5; i++)
        d.unit(L::l2pt_unit(i), {modes[i][0], modes[i][1], modes[i][2]},
               {ETH_IF_PLCY_L2PT, ETH_IF_PLCY_L2PT, ETH_IF_PLCY_L2PT});
    std::string mac;
    for (unsigned i = 0; i < 6; i++) {
        char b[4];
        snprintf(b, sizeof b, i ? ":%02x" : "%02x", d.integer_at(L::mac_addr_off + i, 1));
        mac += b;
    }
    d.line(L::mac_addr_off, 6, "mac_addr", (d.mask() & ETH_IF_PLCY_MAC_ADDR) ? mac : "absent");
    d.unused(31, 1);
    d.integer(L::mtu, "mtu", ETH_IF_PLCY_MTU);
    d.unused(34, 2);
}

void type_area(Dumper &d, uint32_t type) {
    bool typed = (d.mask() & ETH_IF_PLCY_ETHER_IF_TYPE) != 0;
    if (typed && (ETH_IF_PLCY_TRUNK_TYPES >> type & 1)) {
        d.integer(L::trunk_native_vlan, "trunk.native_vlan", ETH_IF_PLCY_NATIVE_VLAN);
        d.integer(L::trunk_qinq_tunneling_etype, "trunk.qinq_tunneling_etype",
                  ETH_IF_PLCY_QINQ_ETYPE, true);
        d.unit(L::trunk_unit,
               {"trunk.mac_acc_ingress", "trunk.mac_acc_egress", "trunk.native_is_svlan",
                "trunk.filter_dot1q", "trunk.filter_dot1ad", "trunk.filter_mac_relay",
                "(reserved flag)", "trunk.vlan_switched_trunk", "trunk.vlan_switched_access"},
               {ETH_IF_PLCY_MAC_ACC, ETH_IF_PLCY_MAC_ACC, ETH_IF_PLCY_NATIVE_VLAN,
                ETH_IF_PLCY_FILTERING, ETH_IF_PLCY_FILTERING, ETH_IF_PLCY_FILTERING, 0,
                ETH_IF_PLCY_VLAN_SWITCHED, ETH_IF_PLCY_VLAN_SWITCHED});
        d.integer(L::trunk_access_vlan, "trunk.access_vlan", ETH_IF_PLCY_VLAN_SWITCHED);
        d.unused(44, 4);
    } else if (typed && (ETH_IF_PLCY_SUB_TYPES >> type & 1)) {
        d.integer(L::sub_parent, "sub.parent", ETH_IF_PLCY_PARENT, true);
        d.unit(L::sub_unit, {"sub.admin_up", "sub.efp_filtering", "sub.src_bypass_filter"},
               {ETH_IF_PLCY_ADMIN_STATE, ETH_IF_PLCY_EFP_FILTERING, ETH_IF_PLCY_SRC_BYPASS_FILTER});
        d.unused(41, 7);
    } else {
        d.line(36, 12, "type-dependent area (no view for this type)", "");
    }
}

void efp_area(Dumper &d, const uint8_t *rec, uint32_t size) {
    constexpr uint32_t efp = ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE;
    d.integer(L::reserved_word, "(reserved word)", 0, true);
    d.unused(52, 4);
    const uint8_t *b = rec + L::efp_base;
    bool compact = eth_efp_is_compact(b);
    d.line(56, 1, "EFP base type", compact ? "0x00 compact" : "0x40 full");
    uint32_t ranges;
    if (compact) {
        d.unit(L::compact_counts_unit,
               {"efp cfgd_flags", "efp num_match_tags", "efp num_tag_pops", "efp num_tag_pushes"},
               {efp, efp, efp, efp});
        d.unit(L::compact_pcp_unit, {"efp tag_pcp[0]", "efp exact", "efp l3_ambiguous", "(spare)"},
               {efp, efp, efp});
        d.unused(59, 1);
        d.integer(L::compact_payload, "efp payload_ethertype", efp, true);
        for (unsigned k = 0; k < 2; k++)
            d.unit(L::compact_tag_unit(k), {"efp tag word vlan", "efp tag word dot1ad", "(spare)"},
                   {efp, efp});
        d.unused(66, 14);
        ranges = L::efp_base + ETH_EFP_COMPACT_SIZE;
    } else {
        d.integer(L::Int{57, 1}, "efp num_match_tags", efp);
        for (unsigned i = 0; i < 2; i++) {
            uint8_t t = static_cast<uint8_t>(L::efp_base + ETH_EFP_F_TAG_OFF(i));
            std::string n = "efp match_tags[" + std::to_string(i) + "].";
            d.integer(L::Int{t, 2}, n + "ethertype", efp, true);
            d.integer(L::Int{static_cast<uint8_t>(t + 2), 2}, n + "vlan_low", efp);
            d.integer(L::Int{static_cast<uint8_t>(t + 4), 1}, n + "pcp", efp);
            d.unused(t + 5u, 1);
        }
        d.integer(L::Int{70, 1}, "efp num_tag_pops", efp);
        d.integer(L::Int{71, 1}, "efp num_tag_pushes", efp);
        for (unsigned j = 0; j < 2; j++) {
            uint8_t t = static_cast<uint8_t>(L::efp_base + ETH_EFP_F_PUSH_OFF(j));
            std::string n = "efp push_tags[" + std::to_string(j) + "].";
            d.integer(L::Int{t, 2}, n + "ethertype", efp, true);
            d.integer(L::Int{static_cast<uint8_t>(t + 2), 2}, n + "vlan", efp);
        }
        d.unit(L::full_flags_unit,
               {"efp cfgd_flags", "efp native", "efp native_with_preservation", "efp exact",
                "efp l3_ambiguous", "(bit 6)", "(bit 7)"},
               {efp, efp, efp, efp, efp});
        d.unused(81, 1);
        d.integer(L::full_payload, "efp payload_ethertype", efp, true);
        d.unused(84, 12);
        d.line(96, 6, "efp src_mac", "");
        d.line(102, 6, "efp dst_mac", "");
        d.unused(108, 4);
        ranges = L::efp_base + ETH_EFP_FULL_SIZE;
    }
    uint32_t off = ranges;
    if (eth_efp_has_range_tag(b)) {
        for (unsigned k = 0; off < size && rec[off] != ETH_EFP_RANGE_TERMINATOR; k++, off += 6) {
            std::string n = "range[" + std::to_string(k) + "]";
            d.line(off, 6, n,
                   std::to_string(eth_efp_range_low(rec + off)) + "-" +
                       std::to_string(eth_efp_range_high(rec + off)));
        }
        d.line(off, 1, "range list end", "");
        off += 1;
    }
    if (off < size) d.unused(off, size - off);
}

} // namespace

std::string hexdump(const std::vector<uint8_t> &bytes, bool net) {
    std::ostringstream out;
    try {
        eth_if_plcy::Record rec = load_record(bytes, net);
        const auto *r = reinterpret_cast<const uint8_t *>(rec.get());
        uint32_t size = rec.size();
        Dumper d(r, bytes.data(), size);
        if (net) out << "(network image: the bytes as given, the values of the host image)\n";
        out << "offset bytes                      field                                   value\n";
        uint32_t type = eth_efp_unit_get(r, 8, 16, 0, 5);
        fixed_part(d);
        type_area(d, type);
        efp_area(d, r, size);
        out << d.text();
        if (d.mask() & ETH_IF_PLCY_ETHER_IF_TYPE)
            out << "ether_if_type " << type << " is " << eth_decode_eth_iftype_to_str_cmpt(type)
                << "\n";
    } catch (const Failure &f) {
        out << "check failed: " << f.what() << "\n";
        for (size_t i = 0; i < bytes.size(); i += 16) {
            char head[32];
            snprintf(head, sizeof head, "%5zu ", i);
            out << head;
            for (size_t j = i; j < i + 16 && j < bytes.size(); j++) {
                char b[4];
                snprintf(b, sizeof b, " %02x", bytes[j]);
                out << b;
            }
            out << "\n";
        }
    }
    return out.str();
}

} // namespace ethplcy_tool
