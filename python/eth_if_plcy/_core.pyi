# SPDX-License-Identifier: Apache-2.0
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
    def __init__(self, status: int, reason: str, offset: Optional[int] = ..., field: Optional[str] = ...) -> None: ...


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
    def append(self, value: Any, /) -> None: ...
    def extend(self, values: Iterable[Any], /) -> None: ...
    def insert(self, index: int, value: Any, /) -> None: ...
    def pop(self, index: int = ..., /) -> Any: ...
    def remove(self, value: Any, /) -> None: ...
    def clear(self) -> None: ...
    def index(self, value: Any, /) -> int: ...
    def count(self, value: Any, /) -> int: ...


# What a list field takes: a list, a tuple, or another policy's list.
_Seq = Union[List[_T], Tuple[_T, ...], "FieldList[_T]"]

class _View:
    def __getitem__(self, name: str) -> Any: ...
    def __setitem__(self, name: str, value: Any) -> None: ...
    def __eq__(self, other: object) -> bool: ...

class EfpTag(_View):
    ethertype: _Field[int, Union[int, str]]
    vlan: _Field[Union[int, Literal["any", "range"]], Union[int, Literal["any", "range"]]]

class EfpRange(_View):
    low: _Field[int, int]
    high: _Field[int, int]

class EfpPush(_View):
    ethertype: _Field[int, Union[int, str]]
    vlan: _Field[int, int]

class L2ptSetting(_View):
    mode: _Field[Optional[Union[int, Literal["off", "forward", "drop", "tunnel", "rev-tnl"]]], Union[int, Literal["off", "forward", "drop", "tunnel", "rev-tnl"]]]
    exp: _Field[Optional[int], Optional[int]]

class L2pt(_View):
    lyx: _Field[Union[L2ptSetting, int], Union[L2ptSetting, dict[str, Any], int, None]]
    tovu: _Field[Union[L2ptSetting, int], Union[L2ptSetting, dict[str, Any], int, None]]
    quz: _Field[Union[L2ptSetting, int], Union[L2ptSetting, dict[str, Any], int, None]]
    jaxe: _Field[Union[L2ptSetting, int], Union[L2ptSetting, dict[str, Any], int, None]]
    wimo: _Field[Union[L2ptSetting, int], Union[L2ptSetting, dict[str, Any], int, None]]

class ProvisionInfo(_View):
    xconnect_id: _Field[Optional[int], Optional[int]]
    xcon_tags: _Field[Optional[int], Optional[int]]
    ip_iw_enabled: _Field[Optional[int], Optional[int]]
    imposition_vlan_rewrite: _Field[Optional[int], Optional[int]]
    imposition_vlan_id: _Field[Optional[int], Optional[int]]

class Efp(_View):
    configured: _Field[Optional[int], Optional[int]]
    native: _Field[Optional[int], Optional[int]]
    native_with_preservation: _Field[Optional[int], Optional[int]]
    src_mac_check: _Field[Optional[int], Optional[int]]
    dst_mac_check: _Field[Optional[int], Optional[int]]
    exact: _Field[Optional[int], Optional[int]]
    l3_ambiguous: _Field[Optional[int], Optional[int]]
    payload_ethertype: _Field[Optional[int], Optional[Union[int, str]]]
    num_tag_pops: _Field[Optional[int], Optional[int]]
    tag: _Field[FieldList[EfpTag], Optional[_Seq[Union[EfpTag, dict[str, Any]]]]]
    tag_pcp: _Field[FieldList[Union[int, Literal["any"]]], Optional[_Seq[Union[int, Literal["any"]]]]]
    ranges: _Field[FieldList[EfpRange], Optional[_Seq[Union[EfpRange, dict[str, Any]]]]]
    src_mac: _Field[Optional[str], Optional[str]]
    dst_mac: _Field[Optional[str], Optional[str]]
    push: _Field[FieldList[EfpPush], Optional[_Seq[Union[EfpPush, dict[str, Any]]]]]
    num_tags: _Derived[Optional[int]]
    num_tag_pushes: _Derived[Optional[int]]
    num_ranges: _Derived[Optional[int]]
    tag_range_count: _Derived[Optional[Tuple[int, int]]]

class Sub(_View):
    parent: _Field[Optional[int], Optional[Union[int, str]]]
    admin_up: _Field[Optional[int], Optional[int]]
    efp_filtering: _Field[Optional[int], Optional[int]]
    src_bypass_filter: _Field[Optional[int], Optional[int]]

class Trunk(_View):
    native_vlan: _Field[Optional[int], Optional[int]]
    native_is_svlan: _Field[Optional[int], Optional[int]]
    qinq_tunneling_etype: _Field[Optional[int], Optional[Union[int, str]]]
    mac_acc_ingress: _Field[Optional[int], Optional[int]]
    mac_acc_egress: _Field[Optional[int], Optional[int]]
    filter_dot1q: _Field[Optional[int], Optional[int]]
    filter_dot1ad: _Field[Optional[int], Optional[int]]
    filter_mac_relay: _Field[Optional[int], Optional[int]]
    vlan_switched_trunk: _Field[Optional[int], Optional[int]]
    vlan_switched_access: _Field[Optional[int], Optional[int]]
    access_vlan: _Field[Optional[int], Optional[int]]

class Policy:
    valid_mask: _Field[Optional[int], Optional[Union[int, str]]]
    ether_if_type: _Field[Optional[int], Optional[Union[int, Literal["ether", "ether.sub", "ether.l2sub", "bundle", "bundle.sub", "bundle.l2sub", "pw-ether", "pw-ether.sub", "pw-ether.l2sub", "sat-ether", "fabric", "icl", "vether", "vether.sub", "vether.l2sub", "nv-ether", "nv-ether.sub", "nv-ether.l2sub", "mgmt", "breakout", "fabric-bundle"]]]]
    interface_ready: _Field[Optional[int], Optional[int]]
    is_l2: _Field[Optional[int], Optional[int]]
    is_provisioned: _Field[Optional[int], Optional[int]]
    is_in_icl_mode: _Field[Optional[int], Optional[int]]
    mtu: _Field[Optional[int], Optional[int]]
    mac_addr: _Field[Optional[str], Optional[str]]
    l2pt: _Field[L2pt, Union[L2pt, dict[str, Any], None]]
    provision_info: _Field[ProvisionInfo, Union[ProvisionInfo, dict[str, Any], None]]
    efp: _Field[Efp, Union[Efp, dict[str, Any], None]]
    sub: _Field[Sub, Union[Sub, dict[str, Any], None]]
    trunk: _Field[Trunk, Union[Trunk, dict[str, Any], None]]
    def __init__(self, fields: Optional[Mapping[str, Any]] = ..., *,
                 valid_mask: Optional[Union[int, str]] = ...,
                 ether_if_type: Optional[Union[int, Literal["ether", "ether.sub", "ether.l2sub", "bundle", "bundle.sub", "bundle.l2sub", "pw-ether", "pw-ether.sub", "pw-ether.l2sub", "sat-ether", "fabric", "icl", "vether", "vether.sub", "vether.l2sub", "nv-ether", "nv-ether.sub", "nv-ether.l2sub", "mgmt", "breakout", "fabric-bundle"]]] = ...,
                 interface_ready: Optional[int] = ...,
                 is_l2: Optional[int] = ...,
                 is_provisioned: Optional[int] = ...,
                 is_in_icl_mode: Optional[int] = ...,
                 mtu: Optional[int] = ...,
                 mac_addr: Optional[str] = ...,
                 l2pt: Union[L2pt, dict[str, Any], None] = ...,
                 provision_info: Union[ProvisionInfo, dict[str, Any], None] = ...,
                 efp: Union[Efp, dict[str, Any], None] = ...,
                 sub: Union[Sub, dict[str, Any], None] = ...,
                 trunk: Union[Trunk, dict[str, Any], None] = ...) -> None: ...
    def __contains__(self, name: str) -> bool: ...
    @classmethod
    def decode(cls: Type[_P], data: _Bytes, fields: Optional[int] = ..., net: bool = ...) -> _P: ...
    @classmethod
    def from_dict(cls: Type[_P], d: dict[str, Any]) -> _P: ...
    def to_dict(self, *, words: bool = ...) -> dict[str, Any]: ...
    def encode(self, tag_ranges: bool = ..., *, check: bool = ...) -> bytes: ...
    def render(self, compact: bool = ...) -> str: ...
    def to_openconfig(self, name: str, index: Optional[int] = ...) -> dict[str, Any]: ...
    @classmethod
    def from_openconfig(cls: Type[_P], data: dict[str, Any], name: Optional[str] = ..., index: Optional[int] = ..., strict: bool = ...) -> _P: ...
    def __copy__(self: _P) -> _P: ...
    def __deepcopy__(self: _P, memo: Any, /) -> _P: ...
    def __reduce__(self) -> Tuple[Any, ...]: ...
    def __setstate__(self, state: dict[str, Any], /) -> None: ...

def lib_version() -> str: ...
def status_str(status: int) -> str: ...
def validate(data: _Bytes, net: bool) -> None: ...
def convert(data: _Bytes, to_net: bool) -> bytes: ...
def render(data: _Bytes, layout: int, net: bool) -> str: ...
def compare(a: _Bytes, b: _Bytes, net: bool) -> int: ...
def decode_at(data: _Bytes, offset: int, net: bool) -> Tuple[Policy, int]: ...
def notifications(a: Iterable[Mapping[str, Any]], b: Iterable[Mapping[str, Any]], *, timestamp: int = ...) -> list[dict[str, Any]]: ...
