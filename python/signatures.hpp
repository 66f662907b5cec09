// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Every function's arguments, declared once: the module's argument parser,
// its docstrings' text signatures (so inspect.signature reads them) and the
// stub generator's lines all come from these rows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace pyplcy::sig {

// An argument: its name, its type in the stubs, and its default as Python
// source (null: required).
struct Param {
    const char *name;
    const char *type;
    const char *dflt = nullptr;
};

enum class Kind : uint8_t { function, method, classmethod, type };

struct Signature {
    const char *name;
    Kind kind;
    std::array<Param, 4> params;
    uint8_t count;
    uint8_t positional; // the first this many are positional only
    uint8_t keyword;    // from this one on, keyword only (count: none)
    const char *returns;
    const char *doc;
    const char *more = nullptr; // a **name of further keywords
};

// The arguments as Python writes them, after $self / $type / $module.
inline std::string arguments(const Signature &s, bool typed) {
    std::string out;
    auto add = [&](const std::string &text) { out += (out.empty() ? "" : ", ") + text; };
    for (uint8_t i = 0; i < s.count; i++) {
        if (i == s.keyword) add("*");
        const Param &p = s.params[i];
        std::string text = p.name;
        if (typed) text += std::string(": ") + p.type;
        if (p.dflt != nullptr) text += typed ? std::string(" = ...") : std::string("=") + p.dflt;
        add(text);
        if (i + 1 == s.positional) add("/");
    }
    return out;
}

// The docstring: "name($self, a, b=1)\n--\n\nWhat it does."
// (a class: "Name(a, b=1)", its instances' arguments).
inline std::string docstring(const Signature &s) {
    std::string args = arguments(s, false);
    if (s.more != nullptr) args += std::string(args.empty() ? "" : ", ") + "**" + s.more;
    if (s.kind != Kind::type) {
        const char *first = s.kind == Kind::function ? "$module"
                            : s.kind == Kind::method ? "$self"
                                                     : "$type";
        if (s.positional == 0) args = "/" + std::string(args.empty() ? "" : ", ") + args;
        args = first + std::string(", ") + args;
    }
    return std::string(s.name) + "(" + args + ")\n--\n\n" + s.doc;
}

using K = Kind;
// clang-format off
inline constexpr Signature kLibVersion{"lib_version", K::function, {}, 0, 0, 0, "str", "The release of the C library loaded."};
inline constexpr Signature kStatusStr{"status_str", K::function, {{{"status", "int"}}}, 1, 0, 1, "str", "The library's text for a status code."};
inline constexpr Signature kValidate{"validate", K::function, {{{"data", "_Bytes"}, {"net", "bool"}}}, 2, 0, 2, "None", "Checks record bytes; raises InvalidRecord."};
inline constexpr Signature kConvert{"convert", K::function, {{{"data", "_Bytes"}, {"to_net", "bool"}}}, 2, 0, 2, "bytes", "hton or ntoh of checked bytes."};
inline constexpr Signature kRender{"render", K::function, {{{"data", "_Bytes"}, {"layout", "int"}, {"net", "bool"}}}, 3, 0, 3, "str", "A record's text print."};
inline constexpr Signature kCompare{"compare", K::function, {{{"a", "_Bytes"}, {"b", "_Bytes"}, {"net", "bool"}}}, 3, 0, 3, "int", "The differing field bits."};
inline constexpr Signature kNotifications{"notifications", K::function, {{{"a", "Iterable[Mapping[str, Any]]"}, {"b", "Iterable[Mapping[str, Any]]"}, {"timestamp", "int", "0"}}}, 3, 0, 2, "list[dict[str, Any]]",
    "The gNMI Notifications (dicts of the protobuf JSON mapping) that turn dump a's state into "
    "dump b's, as ethplcy diff --gnmi writes them; each dump an iterable of envelopes "
    "{\"name\": str, \"index\": int (a sub-interface), \"record\": bytes or hex str, or "
    "\"policy\": Policy, or \"deleted\": True}."};
inline constexpr Signature kDecodeAt{"decode_at", K::function, {{{"data", "_Bytes"}, {"offset", "int"}, {"net", "bool"}}}, 3, 0, 3, "Tuple[Policy, int]", "One record of a dump: (Policy, its size)."};

inline constexpr Signature kPolicy{"Policy", K::type, {{{"fields", "Optional[Mapping[str, Any]]", "None"}}}, 1, 0, 1, "None",
    "The external policy record, with the field names and nesting of the ethplcy tool's JSON "
    "(p.sub.parent, p.efp.tag[0].vlan, p.l2pt[\"tovu\"].mode), made from a dict and fields by "
    "name. A field the policy lacks reads as None (and is removed by assigning None or del); a "
    "group or list it lacks reads as an empty view, and writing a field through it adds it "
    "(\"sub\" in p tells whether it is there). A name that is no field raises AttributeError. "
    "Assigning a group or list copies its values. Numbers are ints (bool is refused), words are "
    "strings; a refused value leaves the policy as it was.", "values"};
inline constexpr Signature kDecode{"decode", K::classmethod, {{{"data", "_Bytes"}, {"fields", "Optional[int]", "None"}, {"net", "bool", "False"}}}, 3, 0, 3, "_P",
    "The policy a record holds (only the groups in the mask fields; None: all); the bytes are "
    "copied, then checked (InvalidRecord with the reason and offset; a network image read "
    "without net=True says so)."};
inline constexpr Signature kFromDict{"from_dict", K::classmethod, {{{"d", "dict[str, Any]"}}}, 1, 0, 1, "_P",
    "A policy from the tool's JSON shape (numbers, \"0x...\" strings, words); BadPolicy names "
    "the field of an unknown key or a bad value."};
inline constexpr Signature kToDict{"to_dict", K::method, {{{"words", "bool", "False"}}}, 1, 0, 0, "dict[str, Any]",
    "The tool's JSON shape: json.dumps(p.to_dict(), indent=2) is what ethplcy show --json "
    "prints for the policy's record; words=True writes names where a field has them "
    "(\"ether_if_type\": \"ether.l2sub\"), as show --json --words does."};
inline constexpr Signature kEncode{"encode", K::method, {{{"tag_ranges", "bool", "False"}, {"check", "bool", "True"}}}, 2, 0, 1, "bytes",
    "The internal record's bytes; BadPolicy, in the tool's words, for a policy "
    "eth_if_plcy_ext_validate refuses. check=False encodes without that check, as the C "
    "library does: a policy the library's encode refuses raises naming the rule it applies."};
inline constexpr Signature kRenderPolicy{"render", K::method, {{{"compact", "bool", "False"}}}, 1, 0, 1, "str",
    "The external record's text print (one line with compact)."};
inline constexpr Signature kToOpenconfig{"to_openconfig", K::method, {{{"name", "str"}, {"index", "Optional[int]", "None"}}}, 2, 0, 2, "dict[str, Any]",
    "The interface's OpenConfig configuration (RFC 7951 as a dict, rooted at "
    "openconfig-interfaces:interfaces); a sub-interface policy needs its index. Fields "
    "OpenConfig cannot say are named in a NotCarried warning."};
inline constexpr Signature kFromOpenconfig{"from_openconfig", K::classmethod, {{{"data", "dict[str, Any]"}, {"name", "Optional[str]", "None"}, {"index", "Optional[int]", "None"}, {"strict", "bool", "False"}}}, 4, 0, 4, "_P",
    "The policy an OpenConfig configuration holds for one interface (and sub-interface); "
    "BadPolicy names the OpenConfig path of what a policy cannot hold, a NotCarried warning "
    "what it need not (a BadPolicy with strict)."};
inline constexpr Signature kCopy{"__copy__", K::method, {}, 0, 0, 0, "_P", "A copy of the policy."};
inline constexpr Signature kDeepcopy{"__deepcopy__", K::method, {{{"memo", "Any"}}}, 1, 1, 1, "_P", "A copy of the policy (it shares nothing)."};
inline constexpr Signature kReduce{"__reduce__", K::method, {}, 0, 0, 0, "Tuple[Any, ...]", "Pickles as its to_dict(), restored by __setstate__."};
inline constexpr Signature kSetstate{"__setstate__", K::method, {{{"state", "dict[str, Any]"}}}, 1, 1, 1, "None", "Restores a pickled policy: its to_dict(), read with the record's field widths (a decoded record above what from_dict takes comes back whole)."};

inline constexpr Signature kAppend{"append", K::method, {{{"value", "Any"}}}, 1, 1, 1, "None", "Adds an entry at the end."};
inline constexpr Signature kExtend{"extend", K::method, {{{"values", "Iterable[Any]"}}}, 1, 1, 1, "None", "Adds entries at the end."};
inline constexpr Signature kInsert{"insert", K::method, {{{"index", "int"}, {"value", "Any"}}}, 2, 2, 2, "None", "Adds an entry before index."};
inline constexpr Signature kPop{"pop", K::method, {{{"index", "int", "-1"}}}, 1, 1, 1, "Any", "Removes the entry at index and gives its value (an entry of keys as a dict)."};
inline constexpr Signature kRemove{"remove", K::method, {{{"value", "Any"}}}, 1, 1, 1, "None", "Removes the first entry equal to value (ValueError if none)."};
inline constexpr Signature kClear{"clear", K::method, {}, 0, 0, 0, "None", "Removes every entry."};
inline constexpr Signature kIndex{"index", K::method, {{{"value", "Any"}}}, 1, 1, 1, "int", "The index of the first entry equal to value (ValueError if none)."};
inline constexpr Signature kCount{"count", K::method, {{{"value", "Any"}}}, 1, 1, 1, "int", "How many entries equal value."};

inline constexpr Signature kError{"Error", K::type, {{{"status", "int"}, {"reason", "str"}, {"offset", "Optional[int]", "None"}, {"field", "Optional[str]", "None"}}}, 4, 0, 4, "None",
    "A refusal by the library: status (its code), status_text, reason and, where known, offset "
    "(record bytes) or field (the JSON path of the policy field)."};
// clang-format on

// The functions of the module, and the methods of Policy and FieldList (in
// the stubs' order).
inline constexpr const Signature *kFunctions[] = {&kLibVersion, &kStatusStr,    &kValidate,
                                                  &kConvert,    &kRender,       &kCompare,
                                                  &kDecodeAt,   &kNotifications};
inline constexpr const Signature *kPolicyMethods[] = {
    &kDecode,         &kFromDict, &kToDict,   &kEncode, &kRenderPolicy, &kToOpenconfig,
    &kFromOpenconfig, &kCopy,     &kDeepcopy, &kReduce, &kSetstate};
inline constexpr const Signature *kListMethods[] = {&kAppend, &kExtend, &kInsert, &kPop,
                                                    &kRemove, &kClear,  &kIndex,  &kCount};

} // namespace pyplcy::sig
