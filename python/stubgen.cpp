// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Writes the native module's type stubs (_core.pyi) from the field
// description: a class per group, list entry and L2PT object, each field with
// the type a read gives and the type an assignment takes (words as
// Literals). The package ships the written file; a test keeps it equal to
// this program's output.
#include <cstdio>
#include <string>

#include "names.hpp"
#include "signatures.hpp"

namespace {

using namespace pyplcy;

std::string words(const f::Domain &d) {
    std::string out;
    for (const f::Word &w : f::words_of(d.words))
        out += (out.empty() ? "" : ", ") + std::string("\"") + w.word + "\"";
    return "Literal[" + out + "]";
}

// What a read gives, and what an assignment takes ("0x..." strings where
// the field is written in hex or has words it only reads).
std::string got(const f::Domain &d) {
    return d.words != f::Words::none && !d.aliases ? "Union[int, " + words(d) + "]" : "int";
}
std::string taken(const f::Domain &d) {
    if (d.style != f::Style::dec) return "Union[int, str]"; // "0x..." strings
    return d.words != f::Words::none ? "Union[int, " + words(d) + "]" : "int";
}
std::string optional(const std::string &t) {
    return "Optional[" + t + "]";
}

// A field's read and assignment types (assignment "" for a count).
struct Types {
    std::string get, set;
};
Types types_of(size_t i) {
    if (i < f::kScalarCount) {
        const f::Domain &d = *f::kScalars[i].domain;
        return {optional(got(d)), optional(taken(d))};
    }
    const f::Compound &c = f::kCompounds[i - f::kScalarCount];
    switch (c.shape) {
    case f::Shape::mac:
        return {"Optional[str]", "Optional[str]"};
    case f::Shape::l2pt:
        return {"L2pt", "Union[L2pt, dict[str, Any], None]"};
    case f::Shape::pairs: {
        std::string entry = class_name(c.path, true);
        return {"FieldList[" + entry + "]", "Optional[_Seq[Union[" + entry + ", dict[str, Any]]]]"};
    }
    case f::Shape::list:
        if (c.derived) return {"Optional[Tuple[int, int]]", ""};
        return {"FieldList[" + got(*c.domain) + "]", "Optional[_Seq[" + taken(*c.domain) + "]]"};
    case f::Shape::count:
        break;
    }
    return {"Optional[int]", ""};
}

std::string field_line(size_t i) {
    const char *name = name_of(f::path_of(i));
    Types t = types_of(i);
    if (t.set.empty()) return std::string("    ") + name + ": _Derived[" + t.get + "]\n";
    return std::string("    ") + name + ": _Field[" + t.get + ", " + t.set + "]\n";
}

// A function's or method's lines, from its signature.
std::string def_lines(const sig::Signature &s, const char *indent) {
    std::string out = indent;
    std::string args = sig::arguments(s, true);
    if (s.kind == sig::Kind::classmethod) {
        out += std::string("@classmethod\n") + indent;
        args = "cls: Type[_P]" + std::string(args.empty() ? "" : ", ") + args;
    } else if (s.kind == sig::Kind::method) {
        bool returns_self = std::string(s.returns) == "_P";
        args = (returns_self ? "self: _P" : "self") + std::string(args.empty() ? "" : ", ") + args;
    }
    return out + "def " + s.name + "(" + args + ") -> " + s.returns + ": ...\n";
}

const char *kHead = R"(# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Written by python/stubgen.cpp from the field description: do not edit.
"""Types of the native module, field by field; the package re-exports them."""
from typing import (Any, Generic, Iterable, List, Literal, Mapping, NoReturn, Optional, Sequence,
                    Tuple, Type, TypeVar, Union, overload)

_Bytes = Union[bytes, bytearray, memoryview]
_P = TypeVar("_P", bound="Policy")
_G = TypeVar("_G")
_S = TypeVar("_S")
_T = TypeVar("_T")

class _Field(Generic[_G, _S]):
    """A field: a read gives _G, an assignment takes _S (None removes it)."""
    @overload
    def __get__(self, obj: None, owner: Any) -> "_Field[_G, _S]": ...
    @overload
    def __get__(self, obj: object, owner: Any) -> _G: ...
    def __set__(self, obj: object, value: _S) -> None: ...

class _Derived(Generic[_G]):
    """A field that follows from others: read only."""
    @overload
    def __get__(self, obj: None, owner: Any) -> "_Derived[_G]": ...
    @overload
    def __get__(self, obj: object, owner: Any) -> _G: ...
    def __set__(self, obj: object, value: NoReturn) -> None: ...

ALL_FIELDS: int
WORDS: dict[str, dict[str, int]]

class Error(Exception):
    status: int
    status_text: str
    reason: str
    offset: Optional[int]
    field: Optional[str]
)";

const char *kErrors = R"(

class InvalidRecord(Error, ValueError): ...
class BadPolicy(Error, ValueError): ...
class NotCarried(UserWarning): ...

class FieldList(Sequence[_T]):
    @overload
    def __getitem__(self, i: int) -> _T: ...
    @overload
    def __getitem__(self, i: slice) -> list[_T]: ...
    def __setitem__(self, i: int, value: Any) -> None: ...
    def __delitem__(self, i: Union[int, slice]) -> None: ...
    def __len__(self) -> int: ...
    def __eq__(self, other: object) -> bool: ...
)";

const char *kViews = R"(

# What a list field takes: a list, a tuple, or another policy's list.
_Seq = Union[List[_T], Tuple[_T, ...], "FieldList[_T]"]

class _View:
    def __getitem__(self, name: str) -> Any: ...
    def __setitem__(self, name: str, value: Any) -> None: ...
    def __eq__(self, other: object) -> bool: ...
)";

const char *kPolicy = R"(    def __contains__(self, name: str) -> bool: ...
)";

} // namespace

int main() {
    std::string out = kHead;
    sig::Signature init = sig::kError; // Error(...) is its __init__
    init.name = "__init__";
    init.kind = sig::Kind::method;
    out += def_lines(init, "    ");
    out += kErrors;
    for (const sig::Signature *m : sig::kListMethods)
        out += def_lines(*m, "    ");
    out += kViews;
    // Entries of the pair lists.
    for (const f::Compound &c : f::kCompounds) {
        if (c.shape != f::Shape::pairs) continue;
        out += "\nclass " + class_name(c.path, true) + "(_View):\n";
        for (const f::Key &k : c.keys)
            out += std::string("    ") + k.name + ": _Field[" + got(*k.domain) + ", " +
                   taken(*k.domain) + "]\n";
    }
    // L2PT.
    const f::Compound &l2pt = f::compound(f::F::l2pt);
    out += std::string("\nclass ") + kProtocolClass + "(_View):\n";
    out += std::string("    ") + l2pt.keys[0].name + ": _Field[" +
           optional(got(*l2pt.keys[0].domain)) + ", " + taken(*l2pt.keys[0].domain) + "]\n";
    out += std::string("    ") + l2pt.keys[1].name + ": _Field[Optional[int], Optional[int]]\n";
    out += std::string("\nclass ") + kL2ptClass + "(_View):\n";
    for (const char *p : f::kL2ptNames)
        out += std::string("    ") + p + ": _Field[Union[" + kProtocolClass + ", int], Union[" +
               kProtocolClass + ", dict[str, Any], int, None]]\n"; // a view even when not set
    // Groups, then the policy: its fields, its groups, and Policy(fields, **values).
    for (size_t g = 0; g < kGroupCount; g++) {
        out += "\nclass " + class_name(f::kGroups[g], false) + "(_View):\n";
        for (size_t i = 0; i < f::kFieldCount; i++)
            if (group_of(f::path_of(i)) == static_cast<int>(g)) out += field_line(i);
    }
    out += "\nclass Policy:\n";
    std::string values;
    for (size_t i = 0; i < f::kFieldCount; i++)
        if (group_of(f::path_of(i)) < 0) {
            out += field_line(i);
            values += std::string(",\n                 ") + f::path_of(i) + ": " + types_of(i).set +
                      " = ...";
        }
    for (const char *g : f::kGroups) {
        std::string cls = class_name(g, false), set = "Union[" + cls + ", dict[str, Any], None]";
        out += std::string("    ") + g + ": _Field[" + cls + ", " + set + "]\n";
        values += std::string(",\n                 ") + g + ": " + set + " = ...";
    }
    out += "    def __init__(self, " + sig::arguments(sig::kPolicy, true) + ", *" + values +
           ") -> None: ...\n";
    out += kPolicy;
    for (const sig::Signature *m : sig::kPolicyMethods)
        out += def_lines(*m, "    ");
    out += "\n";
    for (const sig::Signature *fn : sig::kFunctions)
        out += def_lines(*fn, "");
    std::fputs(out.c_str(), stdout);
    return std::ferror(stdout) ? 1 : 0;
}
