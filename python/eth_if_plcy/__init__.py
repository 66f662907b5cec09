# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""Ethernet interface policy records from Python.

A ``Policy`` is the external record with the field names and nesting of the
``ethplcy`` tool's JSON (``policy.sub.parent``, ``policy.efp.tag[0].vlan``,
``policy.l2pt["tovu"].mode``); a group the policy lacks reads as ``None``.
Records are ``bytes``; functions take any bytes-like object. Every record is
checked by the library before it is read, so no input makes the process
abort: refusals raise ``InvalidRecord`` or ``BadPolicy``.

>>> p = Policy.from_dict({"ether_if_type": 3, "mtu": 9000})
>>> rec = p.encode()
>>> Policy.decode(rec).mtu
9000
"""

import json

from . import _core

__all__ = [
    "ALL_FIELDS", "Error", "InvalidRecord", "BadPolicy", "Policy",
    "validate", "hton", "ntoh", "diff", "render", "lib_version",
]

ALL_FIELDS = 0xFFFFF
_LAYOUTS = {"full": 0, "compact": 0x8, "brief": 0x20}


class Error(Exception):
    """A refusal by the library: ``status`` (its code), ``status_text``,
    ``reason`` and, where known, ``offset`` (record bytes) or ``field``."""

    def __init__(self, status, reason, offset=None, field=None):
        self.status, self.reason, self.offset, self.field = status, reason, offset, field
        self.status_text = _core.status_str(status)
        where = f" at offset {offset}" if offset is not None else ""
        where += f" at {field}" if field else ""
        super().__init__(f"{self.status_text}{where}: {reason}")


class InvalidRecord(Error, ValueError):
    """Bytes that are not a well-formed record, or a JSON shape the tool refuses."""


class BadPolicy(Error, ValueError):
    """A policy no interface carries, or one encode cannot represent."""


def _record(result):
    status, value, offset = result
    if status != 0:
        raise InvalidRecord(status, value, offset)
    return value


def _policy(result):
    status, value, field = result
    if status == _core.JSON_ERROR:
        raise InvalidRecord(0x46278600, value)
    if status != 0:
        raise BadPolicy(status, value, field=field or None)
    return value


def _ints(value):
    """The tool's JSON with its "0x..." strings as Python integers."""
    if isinstance(value, dict):
        return {k: _ints(v) for k, v in value.items()}
    if isinstance(value, list):
        return [_ints(v) for v in value]
    if isinstance(value, str) and value[:2] == "0x":
        return int(value, 16)
    return value


class _Node:
    """A group of a policy: attribute (and, for l2pt, key) access to its dict."""

    __slots__ = ("_d",)

    def __init__(self, d):
        object.__setattr__(self, "_d", d)

    def __getattr__(self, name):
        if name.startswith("__"):
            raise AttributeError(name)
        return _wrap(self._d.get(name))

    def __setattr__(self, name, value):
        self._d[name] = _unwrap(value)

    def __getitem__(self, key):
        return _wrap(self._d.get(key))

    def __setitem__(self, key, value):
        self._d[key] = _unwrap(value)

    def __repr__(self):
        return repr(self._d)


def _wrap(value):
    if isinstance(value, dict):
        return _Node(value)
    if isinstance(value, list):
        return [_wrap(v) for v in value]
    return value


def _unwrap(value):
    if isinstance(value, _Node):
        return value._d
    if isinstance(value, list):
        return [_unwrap(v) for v in value]
    return value


class Policy(_Node):
    """The external policy record. Build one with ``Policy.from_dict``,
    ``Policy.decode`` or ``Policy()`` and attribute assignment."""

    __slots__ = ()

    def __init__(self, fields=None):
        super().__init__(_ints(dict(fields or {})))

    @classmethod
    def from_dict(cls, d):
        """A policy from the tool's JSON shape (numbers, "0x..." strings, words)."""
        return cls(d)

    def to_dict(self):
        """The tool's JSON shape: ``json.dumps(p.to_dict(), indent=2)`` is what
        ``ethplcy show --json`` prints for the policy's record."""
        return json.loads(_policy(_core.normalize(json.dumps(self._d))))

    def encode(self, tag_ranges=False):
        """The internal record's bytes; ``BadPolicy`` (with the rule and the
        field) for a policy ``eth_if_plcy_ext_validate`` refuses."""
        return _policy(_core.encode(json.dumps(self._d), tag_ranges))

    @classmethod
    def decode(cls, data, fields=ALL_FIELDS, net=False):
        """The policy a record holds (only the groups in ``fields``); the bytes
        are checked first (``InvalidRecord`` with the reason and offset)."""
        return cls(json.loads(_record(_core.decode(data, fields, net))))

    def render(self, compact=False):
        """The external record's text print (one line with ``compact``)."""
        return _policy(_core.ext_render(json.dumps(self._d), compact))

    def __eq__(self, other):
        return isinstance(other, Policy) and self.to_dict() == other.to_dict()

    def __repr__(self):
        return f"Policy({json.dumps(self.to_dict(), separators=(', ', ': '))})"


def validate(data, net=False):
    """Checks record bytes; raises ``InvalidRecord`` with the reason and offset."""
    status, reason, offset = _core.validate(data, net)
    if status != 0:
        raise InvalidRecord(status, reason, offset)


def hton(data):
    """The network image of a host-order record."""
    return _record(_core.convert(data, True))


def ntoh(data):
    """The host image of a network-order record."""
    return _record(_core.convert(data, False))


def diff(a, b, net=False):
    """The names of the policy fields that differ between two records."""
    return _record(_core.diff(a, b, net))


def render(data, layout="full", net=False):
    """A record's text print: layout "full", "compact" or "brief"."""
    if layout not in _LAYOUTS:
        raise ValueError(f"layout must be one of {', '.join(_LAYOUTS)}")
    return _record(_core.render(data, _LAYOUTS[layout], net))


def lib_version():
    """The release of the C library loaded."""
    return _core.lib_version()
