// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The stream forms of show, encode and diff, and stats: a dump of many
// records in one run. A record that fails its check is one line on stderr
// with where it was and why; the run goes on where the framing allows and
// exits 2 at the end. Everything before a bad record is written.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <unordered_map>

#include "eth_iftype.h"
#include "batches.hpp"
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
    // The usual line first: looking for an envelope's "name" costs as much.
    if (ext_from_plain_json(item.text, e, check, options)) return encoded(e, options);
    if (eth_if_plcy::Record rec; envelope_record(item, net, rec)) return rec;
    ext_from_json(item.text, e, check, options);
    return encoded(e, options);
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

Framing record_framing(const StreamOptions &o) {
    return o.binary ? Framing::binary : Framing::text;
}

} // namespace

int show_stream(const Input &in, const StreamOptions &o, Output &out) {
    Stream s(in, record_framing(o), o.net);
    return render_stream(s, out, [&](const StreamItem &item, std::string &text) {
        eth_if_plcy::Record rec = record_of(item, o.net, 0, true);
        if (o.json) { // JSON Lines: one policy per line, nothing else
            append_json(decoded(rec), text, true, o.words);
            return;
        }
        char heading[64];
        int len = item.line != 0
                      ? std::snprintf(heading, sizeof heading, "# record %zu, line %zu\n",
                                      item.number, item.line)
                      : std::snprintf(heading, sizeof heading, "# record %zu at offset %llu\n",
                                      item.number, static_cast<unsigned long long>(item.offset));
        text.append(heading, static_cast<size_t>(len));
        if (o.ext) {
            text += eth_if_plcy::ext_print(decoded(rec), o.compact ? ETH_IF_PLCY_PRINT_COMPACT : 0);
            if (o.compact) text += '\n';
            return;
        }
        // One render into a buffer that holds any usual text; a longer one is
        // rendered again at its exact size.
        char shown[8192];
        eth_if_plcy_print(rec.get(), shown, sizeof shown, o.layout);
        size_t n = std::strlen(shown);
        if (n + 1 < sizeof shown)
            text.append(shown, n);
        else
            text += eth_if_plcy::print(rec, o.layout);
        // Every record's text ends its line, so the next heading starts one.
        if (text.back() != '\n') text += '\n';
    });
}

int encode_stream(const Input &in, const StreamOptions &o, uint32_t options, bool check,
                  Output &out) {
    Stream s(in, Framing::text, false); // policies, or records passed through
    return render_stream(s, out, [&](const StreamItem &item, std::string &text) {
        eth_if_plcy::Record rec = record_of(item, false, options, check);
        auto bytes = rec.bytes(); // sized in host order, before hton turns the size field
        if (o.net) (void)eth_if_plcy::hton(rec);
        if (o.binary) {
            text.append(reinterpret_cast<const char *>(bytes.data()), bytes.size());
            return;
        }
        append_hex(bytes, text);
        text += '\n';
    });
}

namespace {

// Where an item is, as JSON: {"record":3,"line":7} or {"record":3,"offset":216}.
std::string position(const StreamItem &i) {
    return "{\"record\":" + std::to_string(i.number) +
           (i.line != 0 ? ",\"line\":" + std::to_string(i.line)
                        : ",\"offset\":" + std::to_string(i.offset)) +
           "}";
}

// The key records are paired by: one field's path or several
// ("sub.parent,ether_if_type"), each checked against the description. One
// numeric field keys by its value itself; anything else (a MAC,
// "efp.tag[0].vlan", several paths) by a hash of the values' JSON, checked
// again on a match. A policy without one of the fields has no key.
class Key {
  public:
    explicit Key(const std::string &paths) : text_(paths) {
        for (size_t at = 0, comma; at <= paths.size(); at = comma + 1) {
            comma = std::min(paths.find(',', at), paths.size());
            paths_.push_back(checked(paths.substr(at, comma - at)));
        }
        namespace f = eth_if_plcy::fields;
        std::optional<f::F> one = f::find_field(paths_[0]);
        if (paths_.size() == 1 && one && f::is_scalar(*one)) scalar_ = &f::kScalars[f::index(*one)];
    }
    bool exact() const { return scalar_ != nullptr; }
    // The key of a policy: its value (or a hash of it), and whether it has one.
    std::pair<uint64_t, bool> of(const eth_if_plcy_ext_t &e) const {
        if (scalar_ != nullptr) {
            bool has = eth_if_plcy::fields::present(*scalar_, e);
            return {has ? scalar_->get(e) : 0, has};
        }
        std::string text = json(e);
        return {std::hash<std::string>{}(text), !text.empty()};
    }
    // The key as JSON: the value, an object of the values for several paths,
    // "" where the policy lacks one.
    std::string json(const eth_if_plcy_ext_t &e) const {
        std::string all;
        for (const std::string &p : paths_) {
            std::string text = value_at(e, p);
            if (text.empty()) return "";
            all += paths_.size() == 1 ? text : (all.empty() ? "{\"" : ",\"") + p + "\":" + text;
        }
        return paths_.size() == 1 ? all : all + "}";
    }
    // The key as a heading says it: "sub.parent \"0x0000abcd\"", several joined by ", ".
    std::string heading(const eth_if_plcy_ext_t &e) const {
        std::string all;
        for (const std::string &p : paths_)
            all += (all.empty() ? "" : ", ") + p + " " + value_at(e, p);
        return all;
    }
    const std::string &text() const { return text_; }

  private:
    static std::string checked(const std::string &path) {
        namespace f = eth_if_plcy::fields;
        std::optional<f::F> whole = f::find_field(path);
        if (whole && f::is_scalar(*whole)) return path;
        size_t open = path.find('['), close = path.find(']');
        std::optional<f::F> c = f::find_field(path.substr(0, open));
        bool ok = c && (open == std::string::npos ? path.size() : close) != std::string::npos;
        if (ok && open != std::string::npos) { // an entry, or a key of one
            std::string rest = path.substr(close + 1);
            const f::Compound &cc = f::kCompounds[f::index(*c) - f::kScalarCount];
            ok = path.find_first_not_of("0123456789", open + 1) == close && close > open + 1 &&
                 (rest.empty() ||
                  rest == std::string(".") + (cc.keys[0].name ? cc.keys[0].name : "") ||
                  rest == std::string(".") + (cc.keys[1].name ? cc.keys[1].name : ""));
        }
        if (!ok)
            throw Failure(path +
                          ": no such field (--key takes a field's JSON path, such as sub.parent)");
        return path;
    }
    std::string text_;
    std::vector<std::string> paths_;
    const eth_if_plcy::fields::Scalar *scalar_ = nullptr;
};

// One record of side A in the key index: 32 bytes, no record kept.
struct Entry {
    uint64_t key;
    uint64_t at;
    uint32_t number, at_lines;
    bool has, paired;
};

} // namespace

int diff_streams(const Input &a, const Input &b, const StreamOptions &o, const DiffOptions &d,
                 const std::string &key, Output &out) {
    std::optional<Key> k;
    if (!key.empty()) k.emplace(key); // a mistyped path is refused before anything is read
    auto sa = std::make_unique<Stream>(a, record_framing(o), o.net);
    Stream sb(b, record_framing(o), o.net);
    // Side A is read twice by key: a pipe or standard input goes to a file first.
    std::unique_ptr<FILE, decltype(&std::fclose)> spool(nullptr, std::fclose),
        spooled(nullptr, std::fclose);
    if (k && !sa->seekable()) {
        spool.reset(std::tmpfile());
        if (!spool)
            throw Failure(std::string("cannot make a temporary file: ") + std::strerror(errno));
        char buf[1u << 16];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, sa->file())) != 0;)
            if (std::fwrite(buf, 1, n, spool.get()) != n)
                throw Failure(std::string("cannot write a temporary file: ") +
                              std::strerror(errno));
        // Read through a FILE of its own that nothing has used yet, so that its
        // buffer can still be set (random_access).
        if (std::fflush(spool.get()) != 0 || std::fseek(spool.get(), 0, SEEK_SET) != 0)
            throw Failure(std::string("cannot write a temporary file: ") + std::strerror(errno));
        spooled.reset(fdopen(dup(fileno(spool.get())), "rb"));
        if (!spooled)
            throw Failure(std::string("cannot read a temporary file: ") + std::strerror(errno));
        sa = std::make_unique<Stream>(spooled.get(), record_framing(o), o.net);
    }
    StreamItem ia, ib;
    eth_if_plcy::Record ra, rb;
    int status = 0;
    bool differ = false;
    // Changed: a heading, then the diff; JSON Lines: both positions and the diff.
    // heads(): the text heading and the JSON members before the positions,
    // made only for records that differ.
    auto pair = [&](auto heads) {
        std::string text;
        if (diff_text(ra, rb, d, text) == 0) return;
        differ = true;
        auto [head, json_head] = heads();
        if (d.json)
            out.write("{" + json_head + (json_head.empty() ? "" : ",") + "\"a\":" + position(ia) +
                      ",\"b\":" + position(ib) + ",\"diff\":" + text.substr(0, text.size() - 1) +
                      "}\n");
        else
            out.write("# " + head + "\n" + text);
    };
    auto lone = [&](const std::string &head, const std::string &json_head, const StreamItem &i,
                    bool removed) {
        differ = true;
        const char *what = removed ? "removed" : "added";
        if (d.json)
            out.write("{" + json_head + (json_head.empty() ? "" : ",") +
                      (removed ? "\"a\":" : "\"b\":") + position(i) + ",\"only\":\"" + what +
                      "\"}\n");
        else
            out.write("# " + head + (removed ? " of A: " : " of B: ") + what + "\n");
    };
    if (!k) { // record by record, in order
        for (;;) {
            bool more_a = next_record(*sa, ia, o.net, ra, status);
            bool more_b = next_record(sb, ib, o.net, rb, status);
            if (!more_a && !more_b) break;
            if (more_a && more_b)
                pair([&] { return std::make_pair(ia.where(), std::string()); });
            else
                lone(more_a ? ia.where() : ib.where(), "", more_a ? ia : ib, more_a);
        }
        return status != 0 ? status : differ ? 1 : 0;
    }
    // By key: side A indexed (key, where), side B streamed; a match is read
    // again from A. Records that share a key (or lack it) pair up in order.
    sa->random_access();
    std::vector<Entry> index;
    size_t unkeyed[2] = {0, 0}; // records without the key, of A and of B
    while (next_record(*sa, ia, o.net, ra, status)) {
        auto [value, has] = k->of(decoded(ra));
        index.push_back({value, ia.at, static_cast<uint32_t>(ia.number),
                         static_cast<uint32_t>(ia.at_lines), has, false});
        unkeyed[0] += !has;
    }
    auto by_key = [](const Entry &x, const Entry &y) {
        return std::tie(x.has, x.key) < std::tie(y.has, y.key);
    };
    std::stable_sort(index.begin(), index.end(), by_key);
    std::unordered_map<size_t, size_t> next_unpaired; // by a key's first entry
    auto read_a = [&](const Entry &e) {
        StreamItem at;
        at.at = e.at, at.number = e.number, at.at_lines = e.at_lines;
        sa->seek(at);
        int ignored = 0;
        return next_record(*sa, ia, o.net, ra, ignored);
    };
    // Records without the key are not paired: listed apart, or with
    // unkeyed_in_order paired among themselves in order (a cursor as a key's).
    const std::string no_key = "no " + k->text();
    auto heads = [&](const eth_if_plcy_ext_t &e) {
        std::string json = k->json(e);
        return json.empty() ? std::make_pair(no_key, std::string("\"key\":null"))
                            : std::make_pair(k->heading(e), "\"key\":" + json);
    };
    auto apart = [&](const StreamItem &i, bool of_a) {
        if (d.unkeyed_in_order) return false;
        differ = true; // not compared: the dumps cannot be said to be equal
        if (d.json)
            out.write(std::string(of_a ? "{\"a\":" : "{\"b\":") + position(i) +
                      ",\"only\":\"no key\"}\n");
        else
            out.write("# " + no_key + ": " + i.where() + (of_a ? " of A\n" : " of B\n"));
        return true;
    };
    while (next_record(sb, ib, o.net, rb, status)) {
        eth_if_plcy_ext_t eb = decoded(rb);
        auto [value, has] = k->of(eb);
        unkeyed[1] += !has;
        if (!has && apart(ib, false)) continue;
        auto key_json = [&] { return k->json(eb); }; // only where needed: it writes JSON
        auto [first, last] =
            std::equal_range(index.begin(), index.end(), Entry{value, 0, 0, 0, has, false}, by_key);
        // Records of a key pair in order: a cursor per key skips those paired.
        size_t start = static_cast<size_t>(first - index.begin());
        size_t end = static_cast<size_t>(last - index.begin());
        size_t &cursor = next_unpaired.try_emplace(start, start).first->second;
        Entry *match = nullptr;
        for (size_t e = cursor; e < end && match == nullptr; e++)
            if (!index[e].paired && read_a(index[e]) &&
                (k->exact() || k->json(decoded(ra)) == key_json()))
                match = &index[e];
        if (match != nullptr) match->paired = true;
        while (cursor < end && index[cursor].paired)
            cursor++;
        if (match == nullptr) {
            auto [head, json_head] = heads(eb);
            lone(head + ": " + ib.where(), json_head, ib, false);
            continue;
        }
        pair([&] {
            auto [head, json_head] = heads(eb);
            return std::make_pair(head + ": " + ia.where() + " of A, " + ib.where() + " of B",
                                  json_head);
        });
    }
    std::sort(index.begin(), index.end(),
              [](const Entry &x, const Entry &y) { return x.number < y.number; });
    for (const Entry &e : index)
        if (!e.paired && read_a(e) && !(!e.has && apart(ia, true))) {
            auto [head, json_head] = heads(decoded(ra));
            lone(head + ": " + ia.where(), json_head, ia, true);
        }
    if (unkeyed[0] + unkeyed[1] != 0) { // the summary: how many had no key
        if (d.json)
            out.write("{\"no_key\":{\"a\":" + std::to_string(unkeyed[0]) +
                      ",\"b\":" + std::to_string(unkeyed[1]) + "}}\n");
        else
            out.write("# " + no_key + ": " + std::to_string(unkeyed[0]) +
                      (unkeyed[0] == 1 ? " record of A, " : " records of A, ") +
                      std::to_string(unkeyed[1]) + " of B" +
                      (d.unkeyed_in_order ? ", compared in order\n" : ", not compared\n"));
    }
    return status != 0 ? status : differ ? 1 : 0;
}

int dump_stats(const Input &in, const StreamOptions &o, Output &out) {
    Stream s(in, record_framing(o), o.net);
    StreamItem item;
    size_t records = 0, refused = 0;
    uint64_t total = 0, skipped = 0, places = 0;
    size_t smallest = SIZE_MAX, largest = 0;
    std::map<uint32_t, size_t> types; // by ether_if_type; none last
    size_t groups[eth_if_plcy::fields::kFieldBits] = {};
    std::string reasons;
    while (s.next(item)) {
        try {
            skipped += item.skipped;
            places += item.skipped != 0;
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
    if (skipped != 0)
        text += "skipped: " + std::to_string(skipped) + " bytes in " + std::to_string(places) +
                (places == 1 ? " place\n" : " places\n");
    text += reasons;
    out.write(text);
    return refused != 0 ? 2 : 0;
}

} // namespace ethplcy_tool
