// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Every command and its options, once: the parser, `--help`, the bash
// completion and the manual page's check all read this table.
#include "cli.hpp"

namespace ethplcy_tool {

namespace {

constexpr const char *kOutputHelp = "write to FILE (default -, standard output)";
const OptionDef kOutput{"output", 'o', "FILE", "FILE", kOutputHelp};

} // namespace

// clang-format off
const std::vector<CommandDef> &commands() {
    static const std::vector<CommandDef> table = {
        {"demo", "walk one policy through its life (the default)", "", "", {}, false,
         demo_command},
        {"show", "print a record",
         "[--net] [--binary] [--output FILE] [--layout LAYOUT | --ext [--compact] | --json "
         "[--compact] [--words] | --yang [--compact] | --hexdump] [--stream] [RECORD | FILE | -]",
         "A record (hex, raw bytes with --binary), or a policy JSON as encode reads it, shown as "
         "the record it makes.",
         {{"net", 0, nullptr, nullptr, "the bytes are a network image (turned to host order first)"},
          {"binary", 0, nullptr, nullptr, "the input is raw bytes, not hex"},
          kOutput,
          {"layout", 0, "LAYOUT", "full compact brief",
           "layout of the internal record print: full (the default), compact or brief"},
          {"ext", 0, nullptr, nullptr, "decode and print the external record"},
          {"json", 0, nullptr, nullptr, "decode and write the external record as JSON"},
          {"yang", 0, nullptr, nullptr,
           "decode and write the policy as instance data of the YANG module (ethplcy yang), "
           "RFC 7951 JSON"},
          {"compact", 'c', nullptr, nullptr, "with --ext, --json or --yang: one line"},
          {"words", 0, nullptr, nullptr, "with --json: interface types and ethertypes by name"},
          {"hexdump", 0, nullptr, nullptr, "the bytes as given, annotated field by field"},
          {"stream", 0, nullptr, nullptr,
           "many records: hex one per line (blank and # lines skipped), JSON policies, or with "
           "--binary back to back; a heading per record, or JSON Lines"}},
         true, show_command},
        {"encode", "make a record from JSON",
         "[--net] [--tag-ranges] [--no-check] [--binary] [--stream] [--output FILE] "
         "[JSON | FILE | -]",
         "Reads an external record as JSON (the shape `show --json` writes, or the RFC 7951 "
         "instance data `show --yang` writes) and writes the record as hex, or as raw bytes with "
         "--binary.",
         {{"net", 0, nullptr, nullptr, "write the network image"},
          {"tag-ranges", 0, nullptr, nullptr,
           "take the ranges from efp.tag_range_count (per-tag view)"},
          {"no-check", 0, nullptr, nullptr,
           "encode what the format takes, without refusing values no interface carries (VLAN "
           "4096, PCP 9, ...): for format tests"},
          {"binary", 0, nullptr, nullptr, "write raw bytes"},
          {"stream", 0, nullptr, nullptr,
           "many policies in (JSON Lines, jq . output, RFC 7464 sequences; hex records pass "
           "through), a record per policy out"},
          kOutput},
         true, encode_command},
        {"diff", "the policy fields that differ between two records, with both values",
         "[--net] [--binary] [--one-sided] [--names | --json [--compact]] [--stream [--key "
         "PATH[,PATH...] [--unkeyed-in-order]]] [--output FILE] A B | [--net] [--binary] "
         "(--gnmi | --gnmi-text) [--key PATH [--interfaces FILE]] [--timestamp NS] [--output "
         "FILE] A B",
         "Prints each differing field by its JSON path with both values (\"efp.tag[0].vlan: 200 "
         "-> 300\"). Exit status 0 when equal, 1 when they differ.",
         {{"net", 0, nullptr, nullptr, "both records are network images"},
          {"binary", 0, nullptr, nullptr, "both records are raw bytes"},
          {"one-sided", 0, nullptr, nullptr, "fields present only in B do not count"},
          {"names", 0, nullptr, nullptr,
           "the names of the differing policy field bits (\"EFP MATCH\") only"},
          {"json", 0, nullptr, nullptr, "{\"path\": {\"old\": value, \"new\": value}}"},
          {"compact", 'c', nullptr, nullptr, "with --json: one line"},
          {"stream", 0, nullptr, nullptr, "A and B are dumps, compared record by record in order"},
          {"key", 0, "PATH", "PATH",
           "with --stream: pair records by this JSON field (sub.parent), or by several "
           "(sub.parent,ether_if_type); records without it are listed apart (\"# no sub.parent: "
           "...\"), not compared"},
          {"unkeyed-in-order", 0, nullptr, nullptr,
           "with --key: compare the records without the key in order"},
          {"gnmi", 0, nullptr, nullptr,
           "A and B are dumps of records with their interface (envelopes {\"name\", "
           "\"index\", \"record\"}, or plain records named by --key): write the gNMI "
           "Notifications that turn A's state into B's, as JSON Lines"},
          {"gnmi-text", 0, nullptr, nullptr,
           "as --gnmi, one line a change for people: \"m PATH: OLD -> NEW\", \"+ PATH: NEW\", "
           "\"- PATH\""},
          {"interfaces", 0, "FILE", "FILE",
           "with --gnmi and --key: JSON Lines {\"key\": VALUE, \"name\": NAME, \"index\": N} "
           "naming each key value's interface (without it the value is the name and a "
           "sub-interface's index is 0)"},
          {"timestamp", 0, "NS", nullptr,
           "with --gnmi: the notifications' time, nanoseconds since the epoch (default now)"},
          kOutput},
         true, diff_command},
        {"schema", "the JSON Schema of the policy JSON", "[--output FILE]",
         "Writes the JSON Schema (draft 2020-12) of the policy JSON that encode reads and show "
         "--json writes.",
         {kOutput}, false, schema_command},
        {"yang", "the YANG module of the policy (eth-if-plcy)", "[--openconfig] [--output FILE]",
         "Writes the YANG 1.1 module of the policy (eth-if-plcy), whose instance data show "
         "--yang writes and encode reads.",
         {{"openconfig", 0, nullptr, nullptr,
           "the module augmenting openconfig-interfaces (eth-if-plcy-oc) with the fields "
           "OpenConfig does not hold, at the paths diff --gnmi writes"},
          kOutput},
         false, yang_command},
        {"openconfig", "a record as one interface's OpenConfig configuration, or back",
         "[--name NAME] [--index N] [--net] [--binary] [--json [--compact]] [--no-check] [--strict] "
         "[--output FILE] [RECORD | OPENCONFIG | FILE | -]",
         "A record: writes the interface's OpenConfig configuration (RFC 7951 JSON rooted at "
         "openconfig-interfaces:interfaces). OpenConfig JSON: writes the policy it holds as a "
         "record (hex, or raw bytes with --binary). What one side cannot say is named on "
         "standard error; what the policy cannot hold is refused.",
         {{"name", 0, "NAME", nullptr,
           "the interface (writing: required; reading: the one there is)"},
          {"index", 0, "N", nullptr,
           "the sub-interface (writing a sub-interface policy: required; reading: the one there "
           "is)"},
          {"net", 0, nullptr, nullptr, "the record is (or is written as) a network image"},
          {"binary", 0, nullptr, nullptr, "the record is (or is written as) raw bytes"},
          {"json", 0, nullptr, nullptr, "reading OpenConfig: write the policy JSON, not the record"},
          {"compact", 'c', nullptr, nullptr, "one line of JSON"},
          {"no-check", 0, nullptr, nullptr, "reading OpenConfig: encode without the strict check"},
          {"strict", 0, nullptr, nullptr,
           "reading OpenConfig: refuse a leaf the policy cannot hold, not only name it"},
          kOutput},
         true, openconfig_command},
        {"serve", "serve records to gNMI collectors (runs ethplcy-serve)",
         "[--listen ADDR:PORT] (--tls-cert FILE --tls-key FILE [--tls-ca FILE] | --insecure) "
         "[--auth-file FILE] [--max-subscriptions N] [--net] [--follow] [INPUT | -]",
         "Reads keyed records (diff --gnmi's envelopes, JSON Lines) from INPUT (a file, a FIFO "
         "reopened for each writer) or standard input and serves their state and changes as a gNMI target: Capabilities, Get, Subscribe. Runs "
         "ethplcy-serve (Debian package ethplcy-serve), found beside ethplcy or on PATH.",
         {{"listen", 0, "ADDR:PORT", nullptr,
           "where to listen (default [::]:9339; port 0: any free port, named on standard error)"},
          {"tls-cert", 0, "FILE", "FILE", "the target's certificate (PEM)"},
          {"tls-key", 0, "FILE", "FILE", "the target's private key (PEM)"},
          {"tls-ca", 0, "FILE", "FILE",
           "mutual TLS: a client needs a certificate this CA signed"},
          {"insecure", 0, nullptr, nullptr, "plain text, only on a loopback address"},
          {"auth-file", 0, "FILE", "FILE",
           "every RPC needs the username and password of a user:hash line of FILE (crypt(3) "
           "hashes, as mkpasswd writes them)"},
          {"max-subscriptions", 0, "N", nullptr,
           "Subscribe calls served at once (default 64; more: RESOURCE_EXHAUSTED)"},
          {"net", 0, nullptr, nullptr, "hex records are network images"},
          {"follow", 0, nullptr, nullptr,
           "follow the file INPUT by name as it grows, is rotated or truncated (as tail -F)"}},
         true, serve_command},
        {"completion", "the bash completion of these commands and options", "[--output FILE]",
         "Writes the bash completion of ethplcy, made from its own table of commands and "
         "options.",
         {kOutput}, false, completion_command},
        {"stats", "what a dump of records holds: types, groups, sizes, refusals",
         "[--net] [--binary] [--output FILE] [DUMP | FILE | -]",
         "Counts the records of a dump (hex one per line, JSON policies, or raw with --binary) "
         "by interface type and present group, their sizes, and the refused ones.",
         {{"net", 0, nullptr, nullptr, "the records are network images"},
          {"binary", 0, nullptr, nullptr, "the records are raw bytes, back to back"},
          kOutput},
         true, stats_command},
    };
    return table;
}
// clang-format on

} // namespace ethplcy_tool
