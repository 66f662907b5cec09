// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The stream forms of show, encode and diff, and stats: a dump of many
// records in one run. A record that fails its check is one line on stderr
// with where it was and why; the run goes on where the framing allows and
// exits 2 at the end. Everything before a bad record is written.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "eth_iftype.h"
#include "policy_table.hpp"
#include "tool.hpp"

namespace ethplcy_tool {
namespace {

void report(const StreamItem &item) {
    std::fflush(stdout);
    std::fprintf(stderr, "ethplcy: %s: %s\n", item.where().c_str(), item.error.c_str());
}

eth_if_plcy_ext_t decoded(const eth_if_plcy::Record &rec) {
    eth_if_plcy_ext_t e;
    if (eth_if_plcy::decode(rec, e) != eth_if_plcy::Status::ok)
        throw Failure("cannot decode the record");
    return e;
}

// The record an item holds, in host order: record bytes as given (net: a
// network image), or a JSON policy encoded with encode's options and check.
eth_if_plcy::Record record_of(const StreamItem &item, bool net, uint32_t options, bool check) {
    if (!item.json) return load_record(item.bytes, net);
    eth_if_plcy_ext_t e;
    ext_from_json(item.text, e, check, options);
    eth_if_plcy::Record rec;
    if (auto st = eth_if_plcy::encode(e, rec, options); st != eth_if_plcy::Status::ok)
        throw Failure(std::string("encode refused the policy: ") + eth_if_plcy::to_string(st));
    return rec;
}

// The next record of a stream in host order, or false at its end; bad
// records are reported and skipped, and make status 2.
bool next_record(Stream &s, StreamItem &item, bool net, eth_if_plcy::Record &rec, int &status,
                 uint32_t options = 0, bool check = true) {
    while (s.next(item)) {
        if (item.error.empty()) {
            try {
                rec = record_of(item, net, options, check);
                return true;
            } catch (const Failure &f) {
                item.error = f.what();
            }
        }
        report(item);
        status = 2;
    }
    return false;
}

// A string as JSON writes it.
std::string quoted(const std::string &s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

Framing record_framing(const StreamOptions &o) {
    return o.binary ? Framing::binary : Framing::text;
}

} // namespace

int show_stream(const Input &in, const StreamOptions &o, Output &out) {
    Stream s(in, record_framing(o), o.net);
    StreamItem item;
    eth_if_plcy::Record rec;
    int status = 0;
    char text[8192];
    while (next_record(s, item, o.net, rec, status)) {
        if (o.json) { // JSON Lines: one policy per line, nothing else
            out.write(ext_to_json(decoded(rec), true));
            continue;
        }
        char heading[64];
        int len = item.line != 0
                      ? std::snprintf(heading, sizeof heading, "# record %zu, line %zu\n",
                                      item.number, item.line)
                      : std::snprintf(heading, sizeof heading, "# record %zu at offset %llu\n",
                                      item.number, static_cast<unsigned long long>(item.offset));
        out.write(heading, static_cast<size_t>(len));
        if (o.ext) {
            out.write(
                eth_if_plcy::ext_print(decoded(rec), o.compact ? ETH_IF_PLCY_PRINT_COMPACT : 0) +
                (o.compact ? "\n" : ""));
            continue;
        }
        // One render into a buffer that holds any usual text; a longer one is
        // rendered again at its exact size.
        eth_if_plcy_print(rec.get(), text, sizeof text, o.layout);
        size_t n = std::strlen(text);
        std::string longer =
            n + 1 < sizeof text ? std::string() : eth_if_plcy::print(rec, o.layout);
        std::string_view shown = longer.empty() ? std::string_view(text, n) : longer;
        out.write(shown.data(), shown.size());
        // Every record's text ends its line, so the next heading starts one.
        if (shown.empty() || shown.back() != '\n') out.write("\n", 1);
    }
    return status;
}

int encode_stream(const Input &in, const StreamOptions &o, uint32_t options, bool check,
                  Output &out) {
    Stream s(in, Framing::text, false); // policies, or records passed through
    StreamItem item;
    eth_if_plcy::Record rec;
    int status = 0;
    while (next_record(s, item, false, rec, status, options, check)) {
        auto bytes = rec.bytes();
        if (o.net) (void)eth_if_plcy::hton(rec);
        if (o.binary)
            out.write(bytes.data(), bytes.size());
        else
            out.write(to_hex(bytes) + "\n");
    }
    return status;
}

int diff_streams(const Input &a, const Input &b, const StreamOptions &o, const DiffOptions &d,
                 const std::string &key, Output &out) {
    Stream sa(a, record_framing(o), o.net), sb(b, record_framing(o), o.net);
    StreamItem ia, ib;
    eth_if_plcy::Record ra, rb;
    int status = 0;
    bool differ = false;
    auto pair = [&](const std::string &heading, const eth_if_plcy::Record &x,
                    const eth_if_plcy::Record &y) {
        std::string text;
        if (diff_text(x, y, d, text) == 0) return;
        differ = true;
        // JSON Lines: which records, and the one-line diff of the pair.
        if (d.json)
            out.write("{\"records\":" + quoted(heading) +
                      ",\"diff\":" + text.substr(0, text.size() - 1) + "}\n");
        else
            out.write("# " + heading + "\n" + text);
    };
    auto lone = [&](const std::string &heading, const char *what) {
        differ = true;
        out.write(d.json ? "{\"records\":" + quoted(heading) + ",\"only\":\"" + what + "\"}\n"
                         : "# " + heading + ": " + what + "\n");
    };
    if (key.empty()) { // record by record, in order
        for (;;) {
            bool more_a = next_record(sa, ia, o.net, ra, status);
            bool more_b = next_record(sb, ib, o.net, rb, status);
            if (!more_a && !more_b) break;
            if (more_a && more_b)
                pair(ia.where(), ra, rb);
            else
                lone(more_a ? ia.where() : ib.where(), more_a ? "removed" : "added");
        }
    } else { // by key: one side indexed, the other streamed
        // Records that share a key (or lack it) pair up in their order.
        auto key_of = [&](const eth_if_plcy::Record &r) {
            std::string k = value_at(decoded(r), key);
            return k.empty() ? std::string("(none)") : k;
        };
        std::multimap<std::string, std::pair<std::string, eth_if_plcy::Record>> left;
        while (next_record(sa, ia, o.net, ra, status)) {
            std::string k = key_of(ra); // before ra is moved into the index
            left.emplace(k, std::make_pair(ia.where(), std::move(ra)));
        }
        while (next_record(sb, ib, o.net, rb, status)) {
            std::string k = key_of(rb);
            auto it = left.find(k);
            if (it == left.end()) {
                lone(key + " " + k + " (" + ib.where() + " of B)", "added");
                continue;
            }
            pair(key + " " + k, it->second.second, rb);
            left.erase(it);
        }
        for (const auto &[k, v] : left)
            lone(key + " " + k + " (" + v.first + " of A)", "removed");
    }
    return status != 0 ? status : differ ? 1 : 0;
}

int dump_stats(const Input &in, const StreamOptions &o, Output &out) {
    Stream s(in, record_framing(o), o.net);
    StreamItem item;
    size_t records = 0, refused = 0;
    uint64_t total = 0, skipped = 0;
    size_t smallest = SIZE_MAX, largest = 0;
    std::map<uint32_t, size_t> types; // by ether_if_type; none last
    size_t groups[eth_if_plcy::fields::kFieldBits] = {};
    std::string reasons;
    while (s.next(item)) {
        try {
            skipped += item.skipped;
            if (!item.error.empty()) throw Failure(item.error);
            eth_if_plcy::Record rec = record_of(item, o.net, 0, true);
            eth_if_plcy_ext_t e = decoded(rec);
            records++;
            size_t size = rec.size();
            total += size;
            smallest = std::min(smallest, size);
            largest = std::max(largest, size);
            types[e.valid_mask & ETH_IF_PLCY_ETHER_IF_TYPE ? e.ether_if_type : UINT32_MAX]++;
            for (unsigned bit = 0; bit < eth_if_plcy::fields::kFieldBits; bit++)
                groups[bit] += (e.valid_mask >> bit) & 1u;
        } catch (const Failure &f) {
            if (++refused <= 10) reasons += "  " + item.where() + ": " + f.what() + "\n";
        }
    }
    std::string text = "records: " + std::to_string(records) + "\n";
    if (records != 0)
        text += "bytes: " + std::to_string(total) + " (smallest " + std::to_string(smallest) +
                ", largest " + std::to_string(largest) + ")\n";
    text += "interface types:\n";
    for (const auto &[type, n] : types) {
        const char *name = type == UINT32_MAX ? nullptr : eth_decode_eth_iftype_to_str_cmpt(type);
        text += "  " + (type == UINT32_MAX ? std::string("(none)") : std::to_string(type)) +
                (name ? std::string(" ") + name : "") + ": " + std::to_string(n) + "\n";
    }
    text += "groups present:\n";
    for (unsigned bit = 0; bit < eth_if_plcy::fields::kFieldBits; bit++)
        if (groups[bit] != 0)
            text += std::string("  ") + eth_if_plcy_field_name(1u << bit) + ": " +
                    std::to_string(groups[bit]) + "\n";
    text += "refused: " + std::to_string(refused) + "\n";
    if (skipped != 0) text += "skipped: " + std::to_string(skipped) + " bytes\n";
    text += reasons;
    out.write(text);
    return refused != 0 ? 2 : 0;
}

} // namespace ethplcy_tool
