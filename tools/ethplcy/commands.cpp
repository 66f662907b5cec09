// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The commands: each reads its options, checks how they go together, and
// runs the work the other files of the tool do.
#include <cerrno>
#include <cstdlib>
#include <iostream>

#include "cli.hpp"

namespace ethplcy_tool {

namespace {

StreamOptions stream_options(const Parsed &p, uint32_t layout) {
    StreamOptions o;
    o.net = p.has("net");
    o.binary = p.has("binary");
    o.json = p.has("json");
    o.ext = p.has("ext");
    o.compact = p.has("compact");
    o.words = p.has("words");
    o.layout = layout;
    return o;
}

// The policy of a JSON input; a mistyped file name is said to be one.
void read_policy(const Input &in, const std::string &text, eth_if_plcy_ext_t &e, bool check,
                 uint32_t options) {
    try {
        ext_from_json(text, e, check, options);
    } catch (const NotJson &bad) {
        std::string why = not_a_file(in);
        if (why.empty()) throw;
        // Text that starts like JSON keeps the parser's detail.
        size_t start = text.find_first_not_of(" \t\r\n");
        bool json_like = start != std::string::npos && (text[start] == '{' || text[start] == '[');
        std::string detail = bad.what();
        detail = detail.substr(detail.find(" at ") + 4); // "line L, column C: ..."
        throw Failure(why + " and not JSON" + (json_like ? " (" + detail + ")" : std::string()));
    }
}

// The bytes show reads: a record (hex, or raw with --binary), or the record
// a policy JSON makes, as encode makes it (its network image with --net).
std::vector<uint8_t> record_or_policy(const Input &in, bool net) {
    if (in.binary) return read_record_bytes(in);
    std::string name;
    std::vector<uint8_t> raw = read_input(in, name);
    std::string text(raw.begin(), raw.end());
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos || (text[start] != '{' && text[start] != '['))
        return hex_record(in, text, name);
    eth_if_plcy_ext_t e;
    read_policy(in, text, e, true, 0);
    eth_if_plcy::Record rec = encoded(e, 0);
    auto bytes = rec.bytes(); // sized in host order, before hton turns the size field
    if (net) (void)eth_if_plcy::hton(rec);
    return {bytes.begin(), bytes.end()};
}

int show(const Words &words, const CommandDef &c) {
    Parsed p = parse(words, c);
    exclusive(p, {"layout", "ext", "json", "yang", "hexdump"});
    bool yang = p.has("yang");
    if (p.has("compact") && !p.has("ext") && !p.has("json") && !yang)
        throw Failure("--compact goes with --ext, --json or --yang");
    if (p.has("words") && !p.has("json")) throw Failure("--words goes with --json");
    uint32_t layout = 0;
    std::string l = p.get("layout", "full");
    if (l == "compact")
        layout = ETH_IF_PLCY_PRINT_COMPACT;
    else if (l == "brief")
        layout = ETH_IF_PLCY_PRINT_BRIEF;
    else if (l != "full")
        throw Failure("unknown layout \"" + l + "\" (full, compact or brief)");
    bool net = p.has("net"), compact = p.has("compact");
    if (p.has("stream")) {
        if (p.has("hexdump") || yang)
            throw Failure(std::string("--stream and --") + (yang ? "yang" : "hexdump") +
                          " cannot go together");
        Input in = inputs(p, 1, p.has("binary"), "show")[0];
        Output out(p.get("output", "-"));
        int status = show_stream(in, stream_options(p, layout), out);
        out.close();
        return status;
    }
    std::vector<uint8_t> bytes = record_or_policy(inputs(p, 1, p.has("binary"), "show")[0], net);
    Output out(p.get("output", "-"));
    int status = 0;
    if (p.has("hexdump")) {
        std::string text = hexdump(bytes, net);
        out.write(text);
        status = text.rfind("check failed", 0) == 0 ? 2 : 0;
    } else {
        eth_if_plcy::Record rec = load_record(bytes, net);
        if (!p.has("ext") && !p.has("json") && !yang) {
            out.write(eth_if_plcy::print(rec, layout));
        } else {
            eth_if_plcy_ext_t e;
            auto s = eth_if_plcy::decode(rec, e);
            if (s != eth_if_plcy::Status::ok)
                throw Failure(std::string("cannot decode the record: ") +
                              eth_if_plcy::to_string(s));
            if (yang)
                out.write(ext_to_rfc7951(e, compact));
            else if (p.has("json"))
                out.write(ext_to_json(e, compact, p.has("words")));
            else
                out.write(eth_if_plcy::ext_print(e, compact ? ETH_IF_PLCY_PRINT_COMPACT : 0) +
                          (compact ? "\n" : ""));
        }
    }
    out.close();
    return status;
}

// The record of a policy, written as encode writes it (hex, --binary, --net).
int write_record(const Parsed &p, eth_if_plcy_ext_t &e, uint32_t options) {
    eth_if_plcy::Record rec = encoded(e, options);
    auto bytes = rec.bytes(); // taken in host order, before hton changes the size field
    if (p.has("net")) (void)eth_if_plcy::hton(rec);
    Output out(p.get("output", "-"));
    if (p.has("binary"))
        out.write(bytes.data(), bytes.size());
    else
        out.write(to_hex(bytes) + "\n");
    out.close();
    return 0;
}

int encode(const Words &words, const CommandDef &c) {
    Parsed p = parse(words, c);
    uint32_t options = p.has("tag-ranges") ? ETH_IF_PLCY_ENCODE_TAG_RANGES : 0;
    if (p.has("stream")) { // JSON Lines in, records out
        Input in = inputs(p, 1, false, "encode")[0];
        Output out(p.get("output", "-"));
        int status = encode_stream(in, stream_options(p, 0), options, !p.has("no-check"), out);
        out.close();
        return status;
    }
    eth_if_plcy_ext_t e;
    Input in = inputs(p, 1, false, "encode")[0];
    read_policy(in, read_text(in), e, !p.has("no-check"), options);
    return write_record(p, e, options);
}

int openconfig(const Words &words, const CommandDef &c) {
    Parsed p = parse(words, c);
    int64_t index = -1;
    if (p.has("index")) {
        std::string i = p.get("index", "");
        char *end = nullptr;
        errno = 0;
        unsigned long long v = std::strtoull(i.c_str(), &end, 10);
        if (i.empty() || *end != '\0' || errno != 0 || v > UINT32_MAX || i[0] == '-')
            throw Failure("--index takes a sub-interface index (0 to 4294967295), not \"" + i +
                          "\"");
        index = static_cast<int64_t>(v);
    }
    std::string name = p.get("name", "");
    Input in = inputs(p, 1, false, "openconfig")[0];
    std::vector<std::string> notes;
    std::string text;
    if (!p.has("binary")) text = read_text(in);
    if (!p.has("binary") && is_openconfig(text)) {
        std::string policy = openconfig_to_policy(text, name, index, notes, p.has("strict"));
        for (const std::string &n : notes)
            std::cerr << "ethplcy: " << n << "\n";
        eth_if_plcy_ext_t e;
        ext_from_json(policy, e, !p.has("no-check"));
        if (p.has("json")) {
            Output out(p.get("output", "-"));
            out.write(ext_to_json(e, p.has("compact")));
            out.close();
            return 0;
        }
        return write_record(p, e, 0);
    }
    for (const char *o : {"json", "no-check", "strict"})
        if (p.has(o)) throw Failure(std::string("--") + o + " goes with OpenConfig input");
    if (std::string why = not_a_file(in);
        !why.empty() && !p.has("binary") &&
        text.find_first_not_of("0123456789abcdefABCDEF \t\r\n") != std::string::npos)
        throw Failure(why);
    if (name.empty()) throw Failure("writing OpenConfig needs the interface's --name");
    in.binary = p.has("binary");
    eth_if_plcy::Record rec = load_record(
        p.has("binary") ? read_record_bytes(in) : parse_hex(text, in.arg), p.has("net"));
    eth_if_plcy_ext_t e;
    if (auto s = eth_if_plcy::decode(rec, e); s != eth_if_plcy::Status::ok)
        throw Failure(std::string("cannot decode the record: ") + eth_if_plcy::to_string(s));
    std::string out_text = ext_to_openconfig(e, name, index, p.has("compact"), notes);
    if (!notes.empty()) {
        std::string list;
        for (const std::string &n : notes)
            list += (list.empty() ? "" : ", ") + n;
        std::cerr << "ethplcy: not carried by OpenConfig: " << list << "\n";
    }
    Output out(p.get("output", "-"));
    out.write(out_text);
    out.close();
    return 0;
}

// diff --gnmi: dumps always; --key names plain records.
int diff_gnmi_command(const Parsed &p) {
    for (const char *o : {"one-sided", "compact", "unkeyed-in-order"})
        if (p.has(o)) throw Failure(std::string("--") + o + " does not go with --gnmi");
    if (p.has("interfaces") && !p.has("key")) throw Failure("--interfaces goes with --key");
    // --gnmi always reads dumps and pairs records by interface, never in order.
    if (p.has("stream"))
        throw Failure("--stream does not go with --gnmi: --gnmi reads dumps and pairs records "
                      "by their interface; leave out --stream");
    GnmiOptions g;
    g.key = p.get("key", "");
    g.names = p.get("interfaces", "");
    g.text = p.has("gnmi-text");
    if (p.has("timestamp")) {
        std::string t = p.get("timestamp", "");
        char *end = nullptr;
        errno = 0;
        g.timestamp = std::strtoull(t.c_str(), &end, 10);
        if (t.empty() || *end != '\0' || errno != 0 || t[0] == '-' ||
            g.timestamp > uint64_t{INT64_MAX})
            throw Failure("--timestamp " + t + ": nanoseconds since the epoch, 0 to " +
                          std::to_string(INT64_MAX));
        g.timestamp_given = true;
    }
    auto in = inputs(p, 2, p.has("binary"), "diff");
    Output out(p.get("output", "-"));
    int status = diff_gnmi(in[0], in[1], stream_options(p, 0), g, out);
    out.close();
    return status;
}

int diff(const Words &words, const CommandDef &c) {
    Parsed p = parse(words, c);
    exclusive(p, {"names", "json", "gnmi", "gnmi-text"});
    if (p.has("gnmi") || p.has("gnmi-text")) return diff_gnmi_command(p);
    for (const char *o : {"interfaces", "timestamp"})
        if (p.has(o)) throw Failure(std::string("--") + o + " goes with --gnmi or --gnmi-text");
    if (p.has("compact") && !p.has("json")) throw Failure("--compact goes with --json");
    if (p.has("key") && !p.has("stream")) throw Failure("--key goes with --stream");
    if (p.has("unkeyed-in-order") && !p.has("key"))
        throw Failure("--unkeyed-in-order goes with --key");
    auto in = inputs(p, 2, p.has("binary"), "diff");
    DiffOptions options;
    options.compare = p.has("one-sided") ? ETH_IF_PLCY_CMP_ONE_SIDED : 0;
    options.names = p.has("names");
    options.json = p.has("json");
    options.unkeyed_in_order = p.has("unkeyed-in-order");
    options.one_line = p.has("compact") || p.has("stream"); // JSON Lines in stream mode
    Output out(p.get("output", "-"));
    if (p.has("stream")) {
        int status =
            diff_streams(in[0], in[1], stream_options(p, 0), options, p.get("key", ""), out);
        out.close();
        return status;
    }
    auto first = load_record(read_record_bytes(in[0]), p.has("net"));
    auto second = load_record(read_record_bytes(in[1]), p.has("net"));
    int status = diff_records(first, second, options, out);
    out.close();
    return status;
}

int stats(const Words &words, const CommandDef &c) {
    Parsed p = parse(words, c);
    Input in = inputs(p, 1, p.has("binary"), "stats")[0];
    Output out(p.get("output", "-"));
    int status = dump_stats(in, stream_options(p, 0), out);
    out.close();
    return status;
}

// A command that writes one text made by the tool (schema, yang, completion).
int write_text(const Words &words, const CommandDef &c, std::string (*text)()) {
    Parsed p = parse(words, c);
    if (!p.args.empty()) throw Failure(std::string(c.name) + " takes no argument");
    Output out(p.get("output", "-"));
    out.write(text());
    out.close();
    return 0;
}

// A handler as the table calls it: --help is the command's usage.
template <int (*Handler)(const Words &, const CommandDef &)>
int with_help(const Words &words, const char *name) {
    const CommandDef &c = command(name);
    if (wants_help(words)) return std::cout << usage(c), 0;
    return Handler(words, c);
}
int demo(const Words &words, const CommandDef &c) {
    if (!parse(words, c).args.empty()) throw Failure("demo takes no argument");
    return run_demo();
}
int schema(const Words &words, const CommandDef &c) {
    return write_text(words, c, policy_schema);
}
int yang(const Words &words, const CommandDef &c) {
    bool oc = parse(words, c).has("openconfig");
    return write_text(words, c, oc ? policy_yang_openconfig : policy_yang);
}
int completion(const Words &words, const CommandDef &c) {
    return write_text(words, c, bash_completion);
}

} // namespace

int show_command(const Words &w) {
    return with_help<show>(w, "show");
}
int encode_command(const Words &w) {
    return with_help<encode>(w, "encode");
}
int diff_command(const Words &w) {
    return with_help<diff>(w, "diff");
}
int stats_command(const Words &w) {
    return with_help<stats>(w, "stats");
}
int openconfig_command(const Words &w) {
    return with_help<openconfig>(w, "openconfig");
}
int demo_command(const Words &w) {
    return with_help<demo>(w, "demo");
}
int schema_command(const Words &w) {
    return with_help<schema>(w, "schema");
}
int yang_command(const Words &w) {
    return with_help<yang>(w, "yang");
}
int completion_command(const Words &w) {
    return with_help<completion>(w, "completion");
}

} // namespace ethplcy_tool
