# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""Ethernet interface policy records from Python.

A ``Policy`` is the external record with the field names and nesting of the
``ethplcy`` tool's JSON (``policy.sub.parent``, ``policy.efp.tag[0].vlan``,
``policy.l2pt["tovu"].mode``); a field the policy lacks reads as ``None`` and
a name that is no field raises ``AttributeError``. Records are ``bytes``;
functions take any bytes-like object. Every record is checked by the library
before it is read, so no input makes the process abort: refusals raise
``InvalidRecord`` or ``BadPolicy``.

>>> p = Policy(ether_if_type="ether.l2sub", mtu=9000)
>>> rec = p.encode()
>>> Policy.decode(rec).to_dict(words=True)["ether_if_type"]
'ether.l2sub'

Groups and lists a policy lacks read as empty views: writing through one
adds it (``p.sub.parent = 5``, ``p.efp.tag.append({...})``), ``"sub" in p``
tells whether it is there and ``del p.sub`` removes it.
"""

from collections.abc import Sequence
from typing import Any, Dict, Iterator, List, Literal, Tuple, Union

from . import _core
from ._core import (BadPolicy, Efp, EfpPush, EfpRange, EfpTag, Error, FieldList, InvalidRecord,
                    L2pt, L2ptSetting, NotCarried, Policy, ProvisionInfo, Sub, Trunk,
                    notifications)

__all__ = [
    "ALL_FIELDS", "WORDS", "Error", "InvalidRecord", "BadPolicy", "NotCarried", "Policy", "Efp", "EfpPush",
    "EfpRange", "EfpTag", "FieldList", "L2pt", "L2ptSetting", "ProvisionInfo", "Sub", "Trunk",
    "validate", "hton", "ntoh", "diff", "render", "iter_records", "lib_version", "notifications",
    "__version__",
]

Bytes = Union[bytes, bytearray, memoryview]
ALL_FIELDS: int = _core.ALL_FIELDS
WORDS: Dict[str, Dict[str, int]] = _core.WORDS
__doc__ = (__doc__ or "") + "".join(
    f"\nNames of {field} (any face takes them; to_dict(words=True) writes them):\n\n"
    + "\n".join(f"    {number:3}  {name}" for name, number in names.items()) + "\n"
    for field, names in WORDS.items())
Layout = Literal["full", "compact", "brief"]
_LAYOUTS = {"full": 0, "compact": 0x8, "brief": 0x20}
Sequence.register(FieldList)


def validate(data: Bytes, net: bool = False) -> None:
    """Checks record bytes; raises ``InvalidRecord`` with the reason and offset."""
    _core.validate(data, net)


def hton(data: Bytes) -> bytes:
    """The network image of a host-order record."""
    return _core.convert(data, True)


def ntoh(data: Bytes) -> bytes:
    """The host image of a network-order record."""
    return _core.convert(data, False)


def render(data: Bytes, layout: Layout = "full", net: bool = False) -> str:
    """A record's text print: layout "full", "compact" or "brief"."""
    if layout not in _LAYOUTS:
        raise ValueError(f"layout must be one of {', '.join(_LAYOUTS)}")
    return _core.render(data, _LAYOUTS[layout], net)


def iter_records(data: Bytes, net: bool = False,
                 errors: str = "strict") -> Iterator[Tuple[int, Policy]]:
    """Walks records laid back to back (each says its own size), yielding
    ``(offset, Policy)``. A record that fails its check raises
    ``InvalidRecord`` at its offset. ``errors="skip"`` passes over damaged
    bytes instead, to the next record that validates and is followed by one
    (or by the end), as ``ethplcy show --stream`` does: a gap between one
    record's end and the next offset is what was skipped."""
    if errors not in ("strict", "skip"):
        raise ValueError('errors must be "strict" or "skip"')
    view = memoryview(data).cast("B")
    offset, end = 0, len(view)
    while offset < end:
        try:
            policy, size = _core.decode_at(view, offset, net)
        except InvalidRecord:
            if errors == "strict":
                raise
            offset += 1
            while offset < end and not _taken_at(view, offset, net):
                offset += 1
            continue
        yield offset, policy
        offset += size


def _size_at(view: memoryview, at: int, net: bool) -> int:
    """The size of a record that validates at ``at``; 0 when none does."""
    try:
        return int(_core.decode_at(view, at, net)[1])
    except InvalidRecord:
        return 0


def _taken_at(view: memoryview, at: int, net: bool) -> bool:
    """Where a walk resumes after damage: a record that validates and is
    followed by one or by the end, or one hiding no such record inside it
    (then its follower is the damaged one)."""
    def framed(r: int, n: int) -> bool:
        return r + n >= len(view) or _size_at(view, r + n, net) > 0
    size = _size_at(view, at, net)
    if size == 0 or framed(at, size):
        return size > 0
    return not any((n := _size_at(view, r, net)) and framed(r, n) for r in range(at + 1, at + size))


def _leaves(value: Any, path: str, out: Dict[str, Any]) -> None:
    if isinstance(value, dict):
        for key, item in value.items():
            _leaves(item, f"{path}.{key}" if path else key, out)
    elif isinstance(value, list):
        for i, item in enumerate(value):
            _leaves(item, f"{path}[{i}]", out)
    else:
        out[path] = value


def diff(a: Union[Bytes, Policy], b: Union[Bytes, Policy],
         net: bool = False) -> Dict[str, Dict[str, Any]]:
    """The fields that differ between two records (or policies, which are
    encoded first), as ``ethplcy diff --json`` gives them: ``{path: {"old":
    value, "new": value}}``, each value as the JSON writes it and ``None``
    where a side lacks the field. Only the groups ``eth_if_plcy_compare``
    reports are looked at."""
    recs = [(hton(x.encode()) if net else x.encode()) if isinstance(x, Policy) else x
            for x in (a, b)]
    mask = _core.compare(recs[0], recs[1], net)
    old: Dict[str, Any] = {}
    new: Dict[str, Any] = {}
    for rec, out in ((recs[0], old), (recs[1], new)):
        _leaves(Policy.decode(rec, mask, net).to_dict(), "", out)
        out.pop("valid_mask", None)  # presence shows as a value against None
    paths: List[str] = list(old) + [p for p in new if p not in old]
    return {p: {"old": old.get(p), "new": new.get(p)}
            for p in paths if p not in old or p not in new or old[p] != new[p]}


def lib_version() -> str:
    """The release of the C library loaded."""
    return _core.lib_version()


__version__: str = lib_version()
