// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The annotated dump: each field of the record's view with its offset, bytes,
// name and value, walked over the layout description; a policy field is
// named, governed and written as the field description says.
#include <algorithm>
#include <cstdio>
#include <sstream>
#include <vector>

#include "eth_iftype.h"
#include "policy_table.hpp"
#include "tool.hpp"

namespace ethplcy_tool {
namespace {

namespace L = ethplcy::layout;
namespace f = eth_if_plcy::fields;

// A record field that is no policy field: its name and governing bit.
struct Other {
    const char *name;
    uint32_t bit;
};

// The field at a place of the fixed part, seen through a class's view: a
// policy field, or the record's own data the description names.
const f::Scalar *scalar_at(f::Place p, f::Cls view = f::Cls::any) {
    for (const f::Scalar &s : f::kScalars)
        if (s.where.compact == p && s.where.full == p && (s.cls == f::Cls::any || s.cls == view))
            return &s;
    return nullptr;
}
bool named_at(f::Place p, f::Cls view, Other &out) {
    if (const f::Scalar *s = scalar_at(p, view)) return out = {s->path, s->bit}, true;
    for (const f::Internal &r : f::kInternal)
        if (r.place == p) return out = {r.path, r.bit}, true;
    return false;
}

class Dumper {
  public:
    // rec: the record in host order, whose values are shown; shown: the bytes
    // as the user gave them (a network image stays as it came).
    Dumper(const uint8_t *rec, const uint8_t *shown, uint32_t size)
        : rec_(rec), shown_(shown), size_(size),
          mask_(integer_at(L::valid_mask.off, L::valid_mask.bytes)) {}

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

    // A field of n bytes at off, cut at the record's end; the bytes between
    // the last field and this one are shown as unused.
    void line(uint32_t off, unsigned n, const std::string &name, const std::string &value) {
        if (off >= size_) return;
        fill(off);
        next_ = off + n;
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
    // A policy field's integer, as the field description names it.
    void integer(L::Int f, f::Cls view = f::Cls::any) {
        const f::Scalar *s = scalar_at(f::at(f), view);
        integer(f, s->path, s->bit, s->domain->style != f::Style::dec);
    }

    // A flag unit: its bytes once, then each field with its bit positions;
    // fields that are no policy field take the others' names in turn (the
    // EFP forms' fields are all others: they are the form's, not the policy's).
    void unit(const L::Unit &u, std::initializer_list<Other> others) {
        unit(u, f::Cls::any, others, false);
    }
    void unit(const L::Unit &u, f::Cls view, std::initializer_list<Other> others = {},
              bool policy = true) {
        if (u.off + u.bits / 8u > size_) return;
        line(u.off, u.bits / 8u, "flag unit", "");
        auto other = others.begin();
        for (unsigned k = 0; k < u.nfields; k++) {
            L::Bits b = u.field(k);
            Other o{policy ? "(reserved flag)" : "", 0}; // a policy unit's field no row names
            if (!(policy && named_at(f::at(b), view, o)) && other != others.end()) o = *other++;
            field(b, o.name, o.bit);
        }
    }
    void field(L::Bits b, const std::string &name, uint32_t governing) {
        uint32_t v = eth_efp_unit_get(rec_, b.off, b.unit_bits, b.lsb, b.width);
        char pos[24];
        snprintf(pos, sizeof pos, b.width == 1 ? "  bit %u" : "  bits %u-%u", b.lsb,
                 b.lsb + b.width - 1);
        row("", pos, name, value(v, governing));
    }
    // An L2PT protocol's byte: mode, EXP given, EXP.
    void l2pt(unsigned i, const f::Compound &c) {
        const L::Unit u = L::l2pt_unit(i);
        if (u.off >= size_) return;
        line(u.off, 1, "flag unit", "");
        std::string name = c.path + std::string("[") + std::to_string(i) + "] ";
        field(u.field(0), name + "(" + f::kL2ptNames[i] + ") " + c.keys[0].name, c.bit);
        field(u.field(1), name + c.keys[1].name + " given", c.bit);
        field(u.field(2), name + c.keys[1].name, c.bit);
    }

    void unused(uint32_t off, unsigned n) { line(off, n, "(unused)", ""); }
    // The bytes from the last field to off, if any, as unused.
    void fill(uint32_t off) {
        if (off > next_) unused(next_, off - next_);
    }

  private:
    const uint8_t *rec_;
    const uint8_t *shown_;
    uint32_t size_;
    uint32_t mask_;
    uint32_t next_ = 0;
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

// The places of the fixed part (view Cls::any) or of one view of the
// type-dependent area, in record order: each field's, the record's own
// data's, a flag unit's once. The fields every class may carry lie where the
// trunk view keeps them.
std::vector<f::Place> places(f::Cls view) {
    std::vector<f::Place> out;
    auto add = [&](f::Place p, f::Cls cls) {
        bool in_area = p.off >= L::sub_parent.off && p.off < L::reserved_word.off;
        f::Cls holder = cls == f::Cls::any ? f::Cls::trunk : cls;
        if (p.off < L::type_unit.off || p.off >= L::reserved_word.off ||
            (view == f::Cls::any ? in_area : !in_area || holder != view))
            return;
        if (p.width != 8u * p.bytes) p.lsb = p.width = 0; // a unit
        if (std::find(out.begin(), out.end(), p) == out.end()) out.push_back(p);
    };
    for (const f::Scalar &s : f::kScalars)
        if (s.bit != 0 && s.where.compact == s.where.full) add(s.where.full, s.cls);
    for (const f::Internal &r : f::kInternal)
        add(r.place, f::Cls::any);
    for (const f::Compound &c : f::kCompounds)
        if (c.where.compact == c.where.full) add(c.where.full, f::Cls::any);
    std::sort(out.begin(), out.end(), [](f::Place a, f::Place b) { return a.off < b.off; });
    return out;
}

void fields(Dumper &d, f::Cls view) {
    const f::Compound &l2pt = f::compound(f::F::l2pt), &mac_addr = f::compound(f::F::mac_addr);
    for (f::Place p : places(view)) {
        if (p == l2pt.where.full) {
            for (unsigned i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++)
                d.l2pt(i, l2pt);
        } else if (p == mac_addr.where.full) {
            std::string mac;
            for (unsigned i = 0; i < p.bytes; i++) {
                char b[4];
                snprintf(b, sizeof b, i ? ":%02x" : "%02x", d.integer_at(p.off + i, 1));
                mac += b;
            }
            d.line(p.off, p.bytes, mac_addr.path, (d.mask() & mac_addr.bit) ? mac : "absent");
        } else if (p.width != 0) {
            d.integer(L::Int{p.off, p.bytes}, view);
        } else {
            for (const L::Unit &u : L::kFixedUnits)
                if (u.off == p.off && u.bits == 8u * p.bytes) d.unit(u, view);
        }
    }
}

void fixed_part(Dumper &d) {
    d.integer(L::version, "version", 0);
    d.integer(L::size, "size", 0);
    d.line(L::valid_mask.off, L::valid_mask.bytes, "valid mask", mask_text(d.mask()));
    fields(d, f::Cls::any);
}

void type_area(Dumper &d, uint32_t type) {
    bool typed = (d.mask() & ETH_IF_PLCY_ETHER_IF_TYPE) != 0;
    if (typed && (ETH_IF_PLCY_TRUNK_TYPES >> type & 1)) {
        fields(d, f::Cls::trunk);
    } else if (typed && (ETH_IF_PLCY_SUB_TYPES >> type & 1)) {
        fields(d, f::Cls::sub);
    } else {
        d.line(L::sub_parent.off, L::reserved_word.off - L::sub_parent.off,
               "type-dependent area (no view for this type)", "");
    }
}

void efp_area(Dumper &d, const uint8_t *rec, uint32_t size) {
    constexpr uint32_t efp = ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE;
    d.integer(L::reserved_word, "(reserved word)", 0, true);
    const uint8_t *b = rec + L::efp_base;
    bool compact = eth_efp_is_compact(b);
    d.line(L::efp_base, 1, "EFP base type", compact ? "0x00 compact" : "0x40 full");
    uint32_t ranges;
    if (compact) {
        d.unit(L::compact_counts_unit, {{"efp cfgd_flags", efp},
                                        {"efp num_match_tags", efp},
                                        {"efp num_tag_pops", efp},
                                        {"efp num_tag_pushes", efp}});
        d.unit(L::compact_pcp_unit, {{"efp tag_pcp[0]", efp},
                                     {"efp exact", efp},
                                     {"efp l3_ambiguous", efp},
                                     {"(spare)", 0}});
        d.integer(L::compact_payload, "efp payload_ethertype", efp, true);
        for (unsigned k = 0; k < 2; k++)
            d.unit(L::compact_tag_unit(k),
                   {{"efp tag word vlan", efp}, {"efp tag word dot1ad", efp}, {"(spare)", 0}});
        ranges = L::efp_base + ETH_EFP_COMPACT_SIZE;
    } else {
        // n bytes at off from the EFP base.
        auto at = [](unsigned off, unsigned n) {
            return L::Int{static_cast<uint8_t>(L::efp_base + off), static_cast<uint8_t>(n)};
        };
        d.integer(at(ETH_EFP_F_NUM_MATCH_TAGS_OFF, 1), "efp num_match_tags", efp);
        for (unsigned i = 0; i < ETH_EFP_MAX_MATCH_TAGS; i++) {
            unsigned t = ETH_EFP_F_TAG_OFF(i);
            std::string n = "efp match_tags[" + std::to_string(i) + "].";
            d.integer(at(t + ETH_EFP_F_TAG_ETHERTYPE, 2), n + "ethertype", efp, true);
            d.integer(at(t + ETH_EFP_F_TAG_VLAN_LOW, 2), n + "vlan_low", efp);
            d.integer(at(t + ETH_EFP_F_TAG_PCP, 1), n + "pcp", efp);
        }
        d.integer(at(ETH_EFP_F_NUM_TAG_POPS_OFF, 1), "efp num_tag_pops", efp);
        d.integer(at(ETH_EFP_F_NUM_TAG_PUSHES_OFF, 1), "efp num_tag_pushes", efp);
        for (unsigned j = 0; j < ETH_EFP_MAX_PUSH_TAGS; j++) {
            unsigned t = ETH_EFP_F_PUSH_OFF(j);
            std::string n = "efp push_tags[" + std::to_string(j) + "].";
            d.integer(at(t + ETH_EFP_F_PUSH_ETHERTYPE, 2), n + "ethertype", efp, true);
            d.integer(at(t + ETH_EFP_F_PUSH_VLAN, 2), n + "vlan", efp);
        }
        d.unit(L::full_flags_unit, {{"efp cfgd_flags", efp},
                                    {"efp native", efp},
                                    {"efp native_with_preservation", efp},
                                    {"efp exact", efp},
                                    {"efp l3_ambiguous", efp},
                                    {"(bit 6)", 0},
                                    {"(bit 7)", 0}});
        d.integer(L::full_payload, "efp payload_ethertype", efp, true);
        const std::pair<const f::Compound *, const char *> macs[] = {
            {&f::compound(f::F::efp_src_mac), "efp src_mac"},
            {&f::compound(f::F::efp_dst_mac), "efp dst_mac"}};
        for (auto [mac, label] : macs)
            d.line(mac->where.full.off, mac->where.full.bytes, label, "");
        ranges = L::efp_base + ETH_EFP_FULL_SIZE;
    }
    d.fill(std::min(ranges, size)); // the form's end
    uint32_t off = ranges;
    if (eth_efp_has_range_tag(b)) {
        for (unsigned k = 0; off < size && rec[off] != ETH_EFP_RANGE_TERMINATOR;
             k++, off += ETH_EFP_RANGE_SIZE) {
            std::string n = "range[" + std::to_string(k) + "]";
            d.line(off, ETH_EFP_RANGE_SIZE, n,
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
