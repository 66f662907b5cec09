// SPDX-License-Identifier: Apache-2.0
// ethplcy: see, make and compare Ethernet interface policy records.
#include <fstream>
#include <iostream>

#include "tool.hpp"

namespace ethplcy_tool {
namespace {

const char *const kUsage =
    "usage: ethplcy [COMMAND] [OPTIONS]\n"
    "\n"
    "commands:\n"
    "  demo        walk one policy through its life (the default)\n"
    "  show        print a record\n"
    "  encode      make a record from JSON\n"
    "  diff        name the policy fields that differ between two records\n"
    "\n"
    "Records are hex (blanks, newlines and a leading 0x allowed; `xxd -p` output\n"
    "works), given as an argument or on stdin (\"-\" or nothing), or raw bytes with\n"
    "--binary FILE. Run `ethplcy COMMAND --help` for a command's options.\n"
    "Exit status: 0 success, 1 records differ (diff), 2 error.\n";

const char *const kShowUsage =
    "usage: ethplcy show [--net] [--layout full|compact|brief] [--ext [--compact]] [--json]\n"
    "                    [--hexdump] [--binary FILE | RECORD | -]\n"
    "  --net       the bytes are a network image (turned to host order first)\n"
    "  --layout    layout of the internal record print (default full)\n"
    "  --ext       decode and print the external record (--compact: one line)\n"
    "  --json      decode and write the external record as JSON\n"
    "  --hexdump   the bytes annotated field by field\n";

const char *const kEncodeUsage =
    "usage: ethplcy encode [--net] [--tag-ranges] [--no-check] [--binary OUT] [JSON | -]\n"
    "  Reads an external record as JSON (the shape `show --json` writes) and writes\n"
    "  the record as hex, or raw bytes into OUT with --binary.\n"
    "  --net         write the network image\n"
    "  --tag-ranges  take the ranges from efp.tag_range_count (per-tag view)\n"
    "  --no-check    encode what the format takes, without refusing values no\n"
    "                interface carries (VLAN 4096, PCP 9, ...): for format tests\n";

const char *const kDiffUsage =
    "usage: ethplcy diff [--net] [--one-sided] A B\n"
    "  Prints the names of the differing policy field bits, one per line.\n"
    "  Exit status 0 when equal, 1 when they differ.\n"
    "  --net        both records are network images\n"
    "  --one-sided  fields present only in B do not count\n";

struct Args {
    std::vector<std::string> words;
    size_t next = 0;
    bool more() const { return next < words.size(); }
    const std::string &peek() const { return words[next]; }
    std::string take(const char *what) {
        if (!more()) throw Failure(std::string(what) + " needs a value");
        return words[next++];
    }
};

bool wants_help(const Args &a) {
    for (const auto &w : a.words)
        if (w == "--help" || w == "-h") return true;
    return false;
}

void set_record_arg(Source &src, const std::string &word) {
    if (!src.from_stdin || !src.text.empty()) throw Failure("more than one record given");
    if (word != "-") {
        src.text = word;
        src.from_stdin = false;
    }
}

int show(Args a) {
    if (wants_help(a)) return std::cout << kShowUsage, 0;
    bool net = false, ext = false, compact = false, json = false, dump = false;
    uint32_t layout = 0;
    Source src;
    while (a.more()) {
        std::string w = a.take("show");
        if (w == "--net")
            net = true;
        else if (w == "--ext")
            ext = true;
        else if (w == "--compact")
            compact = true;
        else if (w == "--json")
            json = true;
        else if (w == "--hexdump")
            dump = true;
        else if (w == "--binary")
            src.binary_file = a.take("--binary");
        else if (w == "--layout") {
            std::string l = a.take("--layout");
            if (l == "full")
                layout = 0;
            else if (l == "compact")
                layout = ETH_IF_PLCY_PRINT_COMPACT;
            else if (l == "brief")
                layout = ETH_IF_PLCY_PRINT_BRIEF;
            else
                throw Failure("unknown layout \"" + l + "\" (full, compact or brief)");
        } else if (w.size() > 1 && w[0] == '-')
            throw Failure("unknown option " + w + " for show");
        else
            set_record_arg(src, w);
    }
    if (compact && !ext) throw Failure("--compact goes with --ext");
    std::vector<uint8_t> bytes = read_bytes(src);
    if (dump) {
        std::string text = hexdump(bytes, net);
        std::cout << text;
        return text.rfind("check failed", 0) == 0 ? 2 : 0;
    }
    eth_if_plcy::Record rec = load_record(bytes, net);
    if (!ext && !json) {
        std::cout << eth_if_plcy::print(rec, layout);
        return 0;
    }
    eth_if_plcy_ext_t e;
    auto s = eth_if_plcy::decode(rec, e);
    if (s != eth_if_plcy::Status::ok)
        throw Failure(std::string("cannot decode the record: ") + eth_if_plcy::to_string(s));
    if (json)
        std::cout << ext_to_json(e);
    else
        std::cout << eth_if_plcy::ext_print(e, compact ? ETH_IF_PLCY_PRINT_COMPACT : 0)
                  << (compact ? "\n" : "");
    return 0;
}

int encode(Args a) {
    if (wants_help(a)) return std::cout << kEncodeUsage, 0;
    bool net = false, tag_ranges = false, check = true;
    std::string out_file;
    Source src;
    while (a.more()) {
        std::string w = a.take("encode");
        if (w == "--net")
            net = true;
        else if (w == "--tag-ranges")
            tag_ranges = true;
        else if (w == "--no-check")
            check = false;
        else if (w == "--binary")
            out_file = a.take("--binary");
        else if (w.size() > 1 && w[0] == '-')
            throw Failure("unknown option " + w + " for encode");
        else
            set_record_arg(src, w);
    }
    eth_if_plcy_ext_t e;
    ext_from_json(read_text(src), e);
    uint32_t options = tag_ranges ? ETH_IF_PLCY_ENCODE_TAG_RANGES : 0;
    // Values no interface carries are refused before encode normalises them.
    if (auto v = eth_if_plcy::ext_validate(e, options); check && !v)
        throw Failure(std::string("policy refused at ") + v.field + ": " + v.reason);
    eth_if_plcy::Record rec;
    auto s = eth_if_plcy::encode(e, rec, options);
    if (s != eth_if_plcy::Status::ok)
        throw Failure(std::string("encode refused the policy: ") + eth_if_plcy::to_string(s));
    auto bytes = rec.bytes(); // taken in host order, before hton changes the size field
    if (net) (void)eth_if_plcy::hton(rec);
    if (out_file.empty()) {
        std::cout << to_hex(bytes) << "\n";
    } else {
        std::ofstream out(out_file, std::ios::binary);
        out.write(reinterpret_cast<const char *>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) throw Failure("cannot write " + out_file);
    }
    return 0;
}

int diff(Args a) {
    if (wants_help(a)) return std::cout << kDiffUsage, 0;
    bool net = false;
    uint32_t options = 0;
    std::vector<std::string> records;
    while (a.more()) {
        std::string w = a.take("diff");
        if (w == "--net")
            net = true;
        else if (w == "--one-sided")
            options = ETH_IF_PLCY_CMP_ONE_SIDED;
        else if (w.size() > 1 && w[0] == '-')
            throw Failure("unknown option " + w + " for diff");
        else
            records.push_back(w);
    }
    if (records.size() != 2) throw Failure("diff needs two records");
    auto first = load_record(parse_hex(records[0]), net);
    auto second = load_record(parse_hex(records[1]), net);
    auto names = eth_if_plcy::field_names(
        eth_if_plcy::compare(first, second, ETH_IF_PLCY_ALL_FIELDS, options));
    for (const auto &name : names)
        std::cout << name << "\n";
    return names.empty() ? 0 : 1;
}

int run(Args a) {
    std::string command = a.more() ? a.take("") : "demo";
    if (command == "--help" || command == "-h" || command == "help") return std::cout << kUsage, 0;
    if (command == "--version")
        return std::cout << "ethplcy " << eth_if_plcy_lib_version() << "\n", 0;
    if (command == "demo")
        return wants_help(a) ? (std::cout << "usage: ethplcy demo\n", 0) : run_demo();
    if (command == "show") return show(a);
    if (command == "encode") return encode(a);
    if (command == "diff") return diff(a);
    throw Failure("unknown command \"" + command + "\" (try ethplcy --help)");
}

} // namespace
} // namespace ethplcy_tool

int main(int argc, char **argv) {
    ethplcy_tool::Args args;
    for (int i = 1; i < argc; i++)
        args.words.emplace_back(argv[i]);
    try {
        return ethplcy_tool::run(args);
    } catch (const ethplcy_tool::Failure &f) {
        std::cerr << "ethplcy: " << f.what() << "\n";
    } catch (const std::exception &e) {
        std::cerr << "ethplcy: " << e.what() << "\n";
    }
    return 2;
}
