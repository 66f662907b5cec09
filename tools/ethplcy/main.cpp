// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// ethplcy: see, make and compare Ethernet interface policy records.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <map>

#include "tool.hpp"

namespace ethplcy_tool {
namespace {

const char *const kUsage =
    "usage: ethplcy [COMMAND] [OPTIONS] [--] [ARGUMENTS]\n"
    "\n"
    "commands:\n"
    "  demo        walk one policy through its life (the default)\n"
    "  show        print a record\n"
    "  encode      make a record from JSON\n"
    "  diff        the policy fields that differ between two records, with both values\n"
    "  schema      the JSON Schema of the policy JSON\n"
    "  yang        the YANG module of the policy (eth-if-plcy)\n"
    "  openconfig  a record as one interface's OpenConfig configuration, or back\n"
    "  stats       what a dump of records holds: types, groups, sizes, refusals\n"
    "  completion  the bash completion of these commands and options\n"
    "\n"
    "  --help, -h  this text (ethplcy COMMAND --help: the command's options)\n"
    "  --version   the library's release\n"
    "\n"
    "A RECORD or JSON argument that names a file is read from it; \"-\" (or no\n"
    "argument) is standard input; anything else is the text itself. Records are hex\n"
    "(blanks, newlines and a leading 0x allowed; `xxd -p` output works), or raw\n"
    "bytes with --binary. Options take --opt=VALUE or --opt VALUE; -- ends them.\n"
    "Exit status: 0 success, 1 records differ (diff), 2 error. See ethplcy(1).\n";

const char *const kShowUsage =
    "usage: ethplcy show [--net] [--binary] [--output FILE]\n"
    "                    [--layout full|compact|brief | --ext [--compact]\n"
    "                     | --json [--compact] [--words] | --yang [--compact] | --hexdump]\n"
    "                    [--stream] [RECORD | FILE | -]\n"
    "  --net            the bytes are a network image (turned to host order first)\n"
    "  --binary         the input is raw bytes, not hex\n"
    "  --layout LAYOUT  layout of the internal record print (default full)\n"
    "  --ext            decode and print the external record\n"
    "  --json           decode and write the external record as JSON\n"
    "  --yang           decode and write the policy as instance data of the YANG module\n"
    "                   (ethplcy yang), RFC 7951 JSON\n"
    "  --compact, -c    with --ext, --json or --yang: one line\n"
    "  --words          with --json: interface types and ethertypes by name\n"
    "  --hexdump        the bytes as given, annotated field by field\n"
    "  --stream         many records: hex one per line (blank and # lines skipped), JSON\n"
    "                   policies, or with --binary back to back; a heading per record,\n"
    "                   or JSON Lines\n"
    "  --output, -o     write to FILE (default -, standard output)\n";

const char *const kEncodeUsage =
    "usage: ethplcy encode [--net] [--tag-ranges] [--no-check] [--binary] [--stream]\n"
    "                      [--output FILE]\n"
    "                      [JSON | FILE | -]\n"
    "  Reads an external record as JSON (the shape `show --json` writes, or the\n"
    "  RFC 7951 instance data `show --yang` writes) and writes the record as\n"
    "  hex, or as raw bytes with --binary.\n"
    "  --net         write the network image\n"
    "  --tag-ranges  take the ranges from efp.tag_range_count (per-tag view)\n"
    "  --no-check    encode what the format takes, without refusing values no\n"
    "                interface carries (VLAN 4096, PCP 9, ...): for format tests\n"
    "  --binary      write raw bytes\n"
    "  --stream      many policies in (JSON Lines, jq . output, RFC 7464 sequences;\n"
    "                hex records pass through), a record per policy out\n"
    "  --output, -o  write to FILE (default -, standard output)\n";

const char *const kDiffUsage =
    "usage: ethplcy diff [--net] [--binary] [--one-sided] [--names | --json [--compact]]\n"
    "                    [--stream [--key PATH[,PATH...] [--unkeyed-in-order]]]\n"
    "                    [--output FILE] A B\n"
    "  Prints each differing field by its JSON path with both values\n"
    "  (\"efp.tag[0].vlan: 200 -> 300\").\n"
    "  Exit status 0 when equal, 1 when they differ.\n"
    "  --net          both records are network images\n"
    "  --binary       both records are raw bytes\n"
    "  --one-sided    fields present only in B do not count\n"
    "  --names        the names of the differing policy field bits (\"EFP MATCH\") only\n"
    "  --json         {\"path\": {\"old\": value, \"new\": value}}\n"
    "  --compact, -c  with --json: one line\n"
    "  --stream       A and B are dumps, compared record by record in order\n"
    "  --key PATH     with --stream: pair records by this JSON field (sub.parent), or\n"
    "                 by several (sub.parent,ether_if_type); records without it are\n"
    "                 listed apart (\"# no sub.parent: ...\"), not compared\n"
    "  --unkeyed-in-order\n"
    "                 with --key: compare the records without the key in order\n"
    "  --output, -o   write to FILE (default -, standard output)\n";

const char *const kStatsUsage =
    "usage: ethplcy stats [--net] [--binary] [--output FILE] [DUMP | FILE | -]\n"
    "  Counts the records of a dump (hex one per line, JSON policies, or raw with\n"
    "  --binary) by\n"
    "  interface type and present group, their sizes, and the refused ones.\n"
    "  --net          the records are network images\n"
    "  --binary       the records are raw bytes, back to back\n"
    "  --output, -o   write to FILE (default -, standard output)\n";

const char *const kCompletionUsage =
    "usage: ethplcy completion [--output FILE]\n"
    "  Writes the bash completion of ethplcy, made from its own table of commands\n"
    "  and options.\n"
    "  --output, -o  write to FILE (default -, standard output)\n";

const char *const kYangUsage =
    "usage: ethplcy yang [--output FILE]\n"
    "  Writes the YANG 1.1 module of the policy (eth-if-plcy), whose instance data\n"
    "  show --yang writes and encode reads.\n"
    "  --output, -o  write to FILE (default -, standard output)\n";

const char *const kOpenconfigUsage =
    "usage: ethplcy openconfig [--name NAME] [--index N] [--net] [--binary] [--json]\n"
    "                          [--compact] [--no-check] [--output FILE]\n"
    "                          [RECORD | OPENCONFIG | FILE | -]\n"
    "  A record: writes the interface's OpenConfig configuration (RFC 7951 JSON\n"
    "  rooted at openconfig-interfaces:interfaces). OpenConfig JSON: writes the\n"
    "  policy it holds as a record (hex, or raw bytes with --binary). What one side\n"
    "  cannot say is named on standard error; what the policy cannot hold is refused.\n"
    "  --name NAME    the interface (writing: required; reading: the one there is)\n"
    "  --index N      the sub-interface (writing a sub-interface policy: required;\n"
    "                 reading: the one there is)\n"
    "  --net          the record is (or is written as) a network image\n"
    "  --binary       the record is (or is written as) raw bytes\n"
    "  --json         reading OpenConfig: write the policy JSON, not the record\n"
    "  --compact, -c  one line of JSON\n"
    "  --no-check     reading OpenConfig: encode without the strict check\n"
    "  --output, -o   write to FILE (default -, standard output)\n";

const char *const kSchemaUsage =
    "usage: ethplcy schema [--output FILE]\n"
    "  Writes the JSON Schema (draft 2020-12) of the policy JSON that encode reads\n"
    "  and show --json writes.\n"
    "  --output, -o  write to FILE (default -, standard output)\n";

// GNU-style options: --opt=value, --opt value, short aliases, -- ends them.

struct Parsed {
    std::map<std::string, std::string> opts;
    std::vector<std::string> args;
    bool has(const char *name) const { return opts.count(name) != 0; }
    std::string get(const char *name, const char *fallback) const {
        auto it = opts.find(name);
        return it == opts.end() ? fallback : it->second;
    }
};

Parsed parse(const std::vector<std::string> &words, const std::vector<OptionDef> &defs,
             const std::string &command) {
    Parsed p;
    bool options = true;
    for (size_t i = 0; i < words.size(); i++) {
        const std::string &w = words[i];
        if (!options || w == "-" || w.empty() || w[0] != '-') {
            p.args.push_back(w);
            continue;
        }
        if (w == "--") {
            options = false;
            continue;
        }
        std::string name = w, value;
        bool inline_value = false;
        if (w.rfind("--", 0) == 0) {
            size_t eq = w.find('=');
            if (eq != std::string::npos) {
                name = w.substr(0, eq);
                value = w.substr(eq + 1);
                inline_value = true;
            }
            name = name.substr(2);
        }
        const OptionDef *def = nullptr;
        for (const OptionDef &s : defs)
            if (name == s.name || (w.size() == 2 && w[1] == s.alias && s.alias != 0)) def = &s;
        if (def == nullptr) throw Failure("unknown option " + w + " for " + command);
        if (def->value && !inline_value) {
            if (i + 1 == words.size())
                throw Failure("--" + std::string(def->name) + " needs a value");
            value = words[++i];
        } else if (!def->value && inline_value) {
            throw Failure("--" + std::string(def->name) + " takes no value");
        }
        p.opts[def->name] = value;
    }
    return p;
}

bool wants_help(const std::vector<std::string> &words) {
    for (const auto &w : words) {
        if (w == "--") return false;
        if (w == "--help" || w == "-h") return true;
    }
    return false;
}

// At most one of the named options.
void exclusive(const Parsed &p, std::initializer_list<const char *> names) {
    const char *first = nullptr;
    for (const char *n : names)
        if (p.has(n)) {
            if (first != nullptr)
                throw Failure(std::string("--") + first + " and --" + n + " cannot go together");
            first = n;
        }
}

// The inputs: given arguments, or standard input; "-" at most once.
std::vector<Input> inputs(const Parsed &p, size_t count, bool binary, const char *what) {
    std::vector<std::string> args = p.args;
    if (args.empty() && count == 1) args.push_back("-");
    if (args.size() != count)
        throw Failure(std::string(what) +
                      (count == 1 ? " takes one argument" : " needs two records"));
    std::vector<Input> in;
    int stdin_uses = 0;
    for (const auto &a : args) {
        stdin_uses += a == "-";
        in.push_back(Input{a, binary});
    }
    if (stdin_uses > 1) throw Failure("standard input (-) can be read only once");
    return in;
}

std::vector<OptionDef> with(std::vector<OptionDef> extra);

} // namespace

// Every command and its options, once: the parser and the bash completion read it.
const std::vector<CommandDef> &commands() {
    static const std::vector<CommandDef> table = {
        {"demo", {}, false},
        {"show",
         with({{"layout", 0, true, "full compact brief"},
               {"ext"},
               {"json"},
               {"yang"},
               {"compact", 'c'},
               {"words"},
               {"hexdump"},
               {"stream"}}),
         true},
        {"encode", with({{"tag-ranges"}, {"no-check"}, {"stream"}}), true},
        {"diff",
         with({{"one-sided"},
               {"names"},
               {"json"},
               {"compact", 'c'},
               {"stream"},
               {"key", 0, true, "PATH"},
               {"unkeyed-in-order"}}),
         true},
        {"stats", with({}), true},
        {"schema", {{"output", 'o', true, "FILE"}}, false},
        {"yang", {{"output", 'o', true, "FILE"}}, false},
        {"openconfig",
         with({{"name", 0, true}, {"index", 0, true}, {"json"}, {"compact", 'c'}, {"no-check"}}),
         true},
        {"completion", {{"output", 'o', true, "FILE"}}, false},
    };
    return table;
}

namespace {

std::vector<OptionDef> with(std::vector<OptionDef> extra) {
    const OptionDef common[] = {{"net"}, {"binary"}, {"output", 'o', true, "FILE"}};
    extra.insert(extra.end(), std::begin(common), std::end(common));
    return extra;
}

const std::vector<OptionDef> &options_of(const std::string &command) {
    for (const CommandDef &c : commands())
        if (command == c.name) return c.options;
    throw Failure("unknown command \"" + command + "\"");
}

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

int show(const std::vector<std::string> &words) {
    if (wants_help(words)) return std::cout << kShowUsage, 0;
    Parsed p = parse(words, options_of("show"), "show");
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

int encode(const std::vector<std::string> &words) {
    if (wants_help(words)) return std::cout << kEncodeUsage, 0;
    Parsed p = parse(words, options_of("encode"), "encode");
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

int openconfig(const std::vector<std::string> &words) {
    if (wants_help(words)) return std::cout << kOpenconfigUsage, 0;
    Parsed p = parse(words, options_of("openconfig"), "openconfig");
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
        std::string policy = openconfig_to_policy(text, name, index, notes);
        for (const std::string &n : notes)
            std::cerr << "ethplcy: not carried into the policy: " << n << "\n";
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
    if (p.has("json") || p.has("no-check"))
        throw Failure(std::string("--") + (p.has("json") ? "json" : "no-check") +
                      " goes with OpenConfig input");
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

int diff(const std::vector<std::string> &words) {
    if (wants_help(words)) return std::cout << kDiffUsage, 0;
    Parsed p = parse(words, options_of("diff"), "diff");
    exclusive(p, {"names", "json"});
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

int stats(const std::vector<std::string> &words) {
    if (wants_help(words)) return std::cout << kStatsUsage, 0;
    Parsed p = parse(words, options_of("stats"), "stats");
    Input in = inputs(p, 1, p.has("binary"), "stats")[0];
    Output out(p.get("output", "-"));
    int status = dump_stats(in, stream_options(p, 0), out);
    out.close();
    return status;
}

// A command that writes one text made by the tool (schema, completion).
int write_text(const std::vector<std::string> &words, const char *command, const char *usage,
               std::string (*text)()) {
    if (wants_help(words)) return std::cout << usage, 0;
    Parsed p = parse(words, options_of(command), command);
    if (!p.args.empty()) throw Failure(std::string(command) + " takes no argument");
    Output out(p.get("output", "-"));
    out.write(text());
    out.close();
    return 0;
}

int run(std::vector<std::string> words) {
    std::string command = words.empty() ? "demo" : words.front();
    if (!words.empty()) words.erase(words.begin());
    if (command == "--help" || command == "-h" || command == "help") return std::cout << kUsage, 0;
    if (command == "--version")
        return std::cout << "ethplcy " << eth_if_plcy_lib_version() << "\n", 0;
    if (command == "demo") {
        return wants_help(words) ? (std::cout << "usage: ethplcy demo\n", 0) : run_demo();
    }
    if (command == "show") return show(words);
    if (command == "encode") return encode(words);
    if (command == "diff") return diff(words);
    if (command == "stats") return stats(words);
    if (command == "schema") return write_text(words, "schema", kSchemaUsage, policy_schema);
    if (command == "yang") return write_text(words, "yang", kYangUsage, policy_yang);
    if (command == "openconfig") return openconfig(words);
    if (command == "completion")
        return write_text(words, "completion", kCompletionUsage, bash_completion);
    throw Failure("unknown command \"" + command + "\" (try ethplcy --help)");
}

} // namespace
} // namespace ethplcy_tool

int main(int argc, char **argv) {
    // Writes report a closed pipe as EPIPE, so that the tool stops reading
    // and then ends as cat does; every other write error is one line.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> words(argv + 1, argv + argc);
    try {
        int status = ethplcy_tool::run(words);
        // What went through std::cout (usage, the demo) is checked too.
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            ethplcy_tool::write_failed("standard output", errno);
        return status;
    } catch (const ethplcy_tool::ClosedPipe &) {
        std::signal(SIGPIPE, SIG_DFL);
        std::raise(SIGPIPE);
    } catch (const std::exception &e) { // Failure, WriteFailure, bad_alloc
        std::cerr << "ethplcy: " << e.what() << "\n";
    }
    return 2;
}
