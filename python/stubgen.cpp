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
    if (d.style != f::Style::dec || d.aliases) return "Union[int, str]";
    return d.words != f::Words::none ? "Union[int, " + words(d) + "]" : "int";
}
std::string optional(const std::string &t) {
    return "Optional[" + t + "]";
}

std::string field_line(size_t i) {
    const char *name = name_of(f::path_of(i));
    if (i < f::kScalarCount) {
        const f::Domain &d = *f::kScalars[i].domain;
        return std::string("    ") + name + ": _Field[" + optional(got(d)) + ", " +
               optional(taken(d)) + "]\n";
    }
    const f::Compound &c = f::kCompounds[i - f::kScalarCount];
    std::string get, set;
    switch (c.shape) {
    case f::Shape::mac:
        get = set = "Optional[str]";
        break;
    case f::Shape::l2pt:
        get = "Optional[L2pt]";
        set = "Union[L2pt, dict[str, Any], None]";
        break;
    case f::Shape::pairs: {
        std::string entry = class_name(c.path, true);
        get = "Optional[FieldList[" + entry + "]]";
        set = "Optional[_Seq[Union[" + entry + ", dict[str, Any]]]]";
        break;
    }
    case f::Shape::list:
        if (c.derived)
            return std::string("    ") + name + ": _Derived[Optional[Tuple[int, int]]]\n";
        get = "Optional[FieldList[" + got(*c.domain) + "]]";
        set = "Optional[_Seq[" + taken(*c.domain) + "]]";
        break;
    case f::Shape::count:
        return std::string("    ") + name + ": _Derived[Optional[int]]\n";
    }
    return std::string("    ") + name + ": _Field[" + get + ", " + set + "]\n";
}

const char *kHead = R"(# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Written by python/stubgen.cpp from the field description: do not edit.
"""Types of the native module, field by field; the package re-exports them."""
from typing import (Any, Generic, List, Literal, NoReturn, Optional, Sequence, Tuple, Type,
                    TypeVar, Union, overload)

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

class Error(Exception):
    status: int
    status_text: str
    reason: str
    offset: Optional[int]
    field: Optional[str]
    def __init__(self, status: int, reason: str, offset: Optional[int] = ...,
                 field: Optional[str] = ...) -> None: ...

class InvalidRecord(Error, ValueError): ...
class BadPolicy(Error, ValueError): ...
class NotCarried(UserWarning): ...

class FieldList(Sequence[_T]):
    @overload
    def __getitem__(self, i: int) -> _T: ...
    @overload
    def __getitem__(self, i: slice) -> list[_T]: ...
    def __setitem__(self, i: int, value: Any) -> None: ...
    def __len__(self) -> int: ...
    def __eq__(self, other: object) -> bool: ...

# What a list field takes: a list, a tuple, or another policy's list.
_Seq = Union[List[_T], Tuple[_T, ...], "FieldList[_T]"]

class _View:
    def __getitem__(self, name: str) -> Any: ...
    def __setitem__(self, name: str, value: Any) -> None: ...
    def __eq__(self, other: object) -> bool: ...
)";

const char *kPolicy = R"(
    def __init__(self, fields: Optional[dict[str, Any]] = ...) -> None: ...
    @classmethod
    def decode(cls: Type[_P], data: _Bytes, fields: int = ..., net: bool = ...) -> _P: ...
    @classmethod
    def from_dict(cls: Type[_P], d: dict[str, Any]) -> _P: ...
    def to_dict(self) -> dict[str, Any]: ...
    def encode(self, tag_ranges: bool = ..., *, check: bool = ...) -> bytes: ...
    def render(self, compact: bool = ...) -> str: ...
    def to_openconfig(self, name: str, index: Optional[int] = ...) -> dict[str, Any]: ...
    @classmethod
    def from_openconfig(cls: Type[_P], data: dict[str, Any], name: Optional[str] = ...,
                        index: Optional[int] = ..., strict: bool = ...) -> _P: ...
    def __copy__(self: _P) -> _P: ...
    def __deepcopy__(self: _P, memo: Any) -> _P: ...

def lib_version() -> str: ...
def status_str(status: int) -> str: ...
def validate(data: _Bytes, net: bool) -> None: ...
def convert(data: _Bytes, to_net: bool) -> bytes: ...
def render(data: _Bytes, layout: int, net: bool) -> str: ...
def compare(a: _Bytes, b: _Bytes, net: bool) -> int: ...
def decode_at(data: _Bytes, offset: int, net: bool) -> Tuple[Policy, int]: ...
)";

} // namespace

int main() {
    std::string out = kHead;
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
        out += std::string("    ") + p + ": _Field[Union[" + kProtocolClass +
               ", int, None], Union[" + kProtocolClass + ", dict[str, Any], int, None]]\n";
    // Groups, then the policy.
    for (size_t g = 0; g < kGroupCount; g++) {
        out += "\nclass " + class_name(f::kGroups[g], false) + "(_View):\n";
        for (size_t i = 0; i < f::kFieldCount; i++)
            if (group_of(f::path_of(i)) == static_cast<int>(g)) out += field_line(i);
    }
    out += "\nclass Policy:\n";
    for (size_t i = 0; i < f::kFieldCount; i++)
        if (group_of(f::path_of(i)) < 0) out += field_line(i);
    for (const char *g : f::kGroups) {
        std::string cls = class_name(g, false);
        out += std::string("    ") + g + ": _Field[Optional[" + cls + "], Union[" + cls +
               ", dict[str, Any], None]]\n";
    }
    out += kPolicy;
    std::fputs(out.c_str(), stdout);
    return std::ferror(stdout) ? 1 : 0;
}
