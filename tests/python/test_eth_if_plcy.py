# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""The Python binding: round trips over generated policies (bytes, dicts,
pickle, copies, repr), agreement with the tool, refusals as exceptions,
dumps, and fuzzed bytes that never abort."""
import copy
import inspect
import json
import pickle
import os
import pathlib
import subprocess
import warnings

from typing import Any, Dict, List, Type

import pytest
from hypothesis import HealthCheck, given, settings, strategies as st

import eth_if_plcy as e

TOOL = os.environ.get("ETHPLCY", "")
SOURCE = pathlib.Path(os.environ.get("ETH_IF_PLCY_SOURCE", "."))
vlan = st.integers(0, 4095)
# Deterministic in CI: the same examples every run, no database left behind;
# the policies are large by design, so the size health check does not apply.
RUNS = settings(deadline=None, derandomize=True, database=None,
                suppress_health_check=[HealthCheck.data_too_large, HealthCheck.too_slow])


@st.composite
def policies(draw: st.DrawFn) -> e.Policy:
    """Valid policies in the tool's JSON shape: one class, any groups."""
    sub = draw(st.booleans())
    d: Dict[str, Any] = {"ether_if_type": draw(st.sampled_from([2, 3, 5, 6, 14] if sub else [1, 4, 7, 10]))}
    d["is_l2"] = draw(st.integers(0, 1))
    if draw(st.booleans()):
        d["is_provisioned"] = 1
        d["provision_info"] = {"xconnect_id": draw(st.integers(0, 2**32 - 1)),
                               "imposition_vlan_rewrite": 1, "imposition_vlan_id": draw(vlan)}
    if draw(st.booleans()):
        d["l2pt"] = {"tovu": {"mode": draw(st.sampled_from(["forward", "tunnel", "drop"])),
                              "exp": draw(st.one_of(st.none(), st.integers(0, 7)))}}
    if sub:
        d["sub"] = {"parent": draw(st.integers(0, 2**32 - 1)), "admin_up": draw(st.integers(0, 1))}
        tags = draw(st.lists(st.fixed_dictionaries(
            {"ethertype": st.sampled_from(["dot1q", "dot1ad", 0x9100]),
             "vlan": st.one_of(vlan, st.just("any"))}), max_size=2))
        efp: Dict[str, Any] = {"configured": 1, "tag": tags,
               "tag_pcp": draw(st.lists(st.one_of(st.integers(0, 7), st.just("any")),
                                        min_size=len(tags), max_size=len(tags)))}
        ranged = draw(st.booleans())
        if tags and ranged:
            tags[-1]["vlan"] = "range"
            lows = draw(st.lists(st.integers(0, 4000), min_size=1, max_size=10))
            efp["ranges"] = [{"low": lo, "high": lo + draw(st.integers(0, 95))} for lo in lows]
        efp["push"] = [{"ethertype": "dot1q", "vlan": v}
                       for v in draw(st.lists(vlan, max_size=2))]
        efp["num_tag_pops"] = draw(st.integers(0, 2))
        d["efp"] = efp
    else:
        d["trunk"] = {"native_vlan": draw(vlan), "qinq_tunneling_etype": draw(st.integers(0, 0xFFFF))}
    if draw(st.booleans()):
        d["mtu"] = draw(st.integers(0, 0xFFFF))
    return e.Policy.from_dict(d)


@settings(RUNS, max_examples=150)
@given(policies())
def test_round_trips(p: e.Policy) -> None:
    rec = p.encode()
    assert e.Policy.decode(rec) == p
    assert e.Policy.decode(memoryview(bytearray(rec))) == p  # any bytes-like input
    net = e.hton(rec)
    e.validate(net, net=True)
    assert e.ntoh(net) == rec
    assert e.Policy.decode(net, net=True) == p
    assert e.Policy.from_dict(p.to_dict()) == p
    assert pickle.loads(pickle.dumps(p)) == p == copy.copy(p) == copy.deepcopy(p)
    assert eval(repr(p), {"Policy": e.Policy}) == p
    assert e.diff(rec, rec) == {}


@pytest.mark.skipif(not TOOL, reason="ethplcy not built")
@settings(RUNS, max_examples=20)
@given(policies())
def test_agrees_with_the_tool(p: e.Policy) -> None:
    text = json.dumps(p.to_dict())
    hexed = subprocess.run([TOOL, "encode", text], capture_output=True, text=True, check=True)
    assert hexed.stdout.strip() == p.encode().hex()
    shown = subprocess.run([TOOL, "show", "--json", hexed.stdout.strip()], capture_output=True,
                           text=True, check=True)
    assert shown.stdout == json.dumps(p.to_dict(), indent=2) + "\n"


@pytest.mark.skipif(not TOOL, reason="ethplcy not built")
@settings(RUNS, max_examples=20)
@given(policies(), policies())
def test_diff_is_the_tools(a: e.Policy, b: e.Policy) -> None:
    out = subprocess.run([TOOL, "diff", "--json", a.encode().hex(), b.encode().hex()],
                         capture_output=True, text=True)
    assert json.loads(out.stdout) == e.diff(a, b) and out.returncode == (a != b)


BASE = {"ether_if_type": 3, "sub": {"parent": 1},
        "efp": {"configured": 1, "tag": [{"ethertype": "dot1q", "vlan": 10}]}}


@pytest.mark.parametrize("change, error, field", [
    ({"ether_if_type": 22}, e.BadPolicy, "ether_if_type"),
    ({"trunk": {"native_vlan": 5}}, e.BadPolicy, "sub.parent"),
    ({"efp": {"configured": 1, "tag": [{"ethertype": "dot1q", "vlan": 4096}]}}, e.BadPolicy,
     "efp.tag[0].vlan"),
    ({"efp": {"configured": 1, "tag": [{"ethertype": "dot1q", "vlan": 1}], "tag_pcp": [9]}},
     e.BadPolicy, "efp.tag_pcp[0]"),
    ({"efp": {"configured": 1, "ranges": [{"low": 9, "high": 2}]}}, e.BadPolicy, "efp.ranges[0]"),
    ({"mtu": "lots"}, e.BadPolicy, "mtu"),
    ({"mtu": 70000}, e.BadPolicy, "mtu"),
    ({"bogus": 1}, e.BadPolicy, "bogus"),
    ({"efp": {"colour": 1}}, e.BadPolicy, "efp.colour"),
    ({"efp": {"configured": 1, "tag": [{"ethertype": "dot1q"}]}}, e.BadPolicy, "efp.tag[0].vlan"),
])
def test_refusals(change: Dict[str, Any], error: Type[e.Error], field: str) -> None:
    with pytest.raises(error) as refused:
        e.Policy.from_dict({**BASE, **change}).encode()
    assert refused.value.field == field and refused.value.reason
    if field == "mtu" and change["mtu"] == 70000:  # the path once, in the tool's words
        assert str(refused.value) == "mtu: 70000 is above 65535"


def test_fuzzed_bytes_never_abort() -> None:
    seeds = sorted((SOURCE / "fuzz" / "corpus").glob("*/*"))
    assert seeds
    accepted = 0
    for path in seeds:
        data = path.read_bytes()
        for net in (False, True):
            try:
                e.validate(data, net=net)
                e.ntoh(data) if net else e.hton(data)
                p = e.Policy.decode(data, net=net)
                e.render(data, "brief", net=net)
                p.render(compact=True)
                accepted += 1
            except e.InvalidRecord:
                pass
    assert accepted > 0


def test_version_and_errors() -> None:
    assert e.lib_version() == e.__version__ and e.__version__.count(".") == 2
    for error in (e.InvalidRecord(0x46278600, "short", 4), e.BadPolicy(1, "no", field="mtu")):
        again = pickle.loads(pickle.dumps(error))
        assert (type(again), str(again), again.offset, again.field) == \
            (type(error), str(error), error.offset, error.field)


def test_dump_of_the_corpus() -> None:
    records: List[bytes] = []
    for path in sorted((SOURCE / "fuzz" / "corpus" / "record").glob("*")):
        try:
            records.append(e.ntoh(e.hton(path.read_bytes())))  # the record, without trailing bytes
        except e.InvalidRecord:
            pass
    assert len(records) > 10
    dump = b"".join(records)
    walked = list(e.iter_records(dump))
    assert [p for _, p in walked] == [e.Policy.decode(r) for r in records]
    assert [p for _, p in e.iter_records(b"".join(map(e.hton, records)), net=True)] == \
        [p for _, p in walked]
    broken = dump + records[0][:-1]
    with pytest.raises(e.InvalidRecord) as refused:
        list(e.iter_records(broken))
    assert refused.value.offset == len(dump)
    assert len(list(e.iter_records(broken, errors="skip"))) == len(records)
    # Garbage inside a dump loses only itself: the walk resumes at the next record.
    cut = len(records[0]) + len(records[1])
    damaged = dump[:cut] + b"\x00\x50garbage" + records[2][:40] + dump[cut:]
    assert [(o if o < cut else o - 49, p) for o, p in e.iter_records(damaged, errors="skip")] == walked


@pytest.mark.skipif(not TOOL, reason="ethplcy not built")
def test_openconfig_is_the_tools() -> None:
    p = e.Policy.from_dict({**BASE, "sub": {"parent": 1, "admin_up": 1}})
    with pytest.warns(e.NotCarried, match="^not carried by OpenConfig: sub.parent$"):
        oc = p.to_openconfig("eth0", 7)
    tool = subprocess.run([TOOL, "openconfig", "--name", "eth0", "--index", "7", p.encode().hex()],
                          capture_output=True, text=True, check=True)
    assert json.loads(tool.stdout) == oc
    with warnings.catch_warnings():
        warnings.simplefilter("error")  # all of it is carried back
        back = e.Policy.from_openconfig(oc)
    assert back.efp == p.efp and back.sub is not None and back.sub.admin_up == 1
    assert back.ether_if_type == 3
    with pytest.raises(e.BadPolicy, match="needs the sub-interface's index"):
        p.to_openconfig("eth0")


def test_every_function_has_its_signature() -> None:
    routines: List[Any] = [getattr(e._core, n) for n in vars(e._core)
                           if inspect.isroutine(getattr(e._core, n))]
    for name in e.__all__:
        obj = getattr(e, name)
        if inspect.isroutine(obj):
            routines.append(obj)
        elif isinstance(obj, type) and obj.__module__ == "eth_if_plcy":
            routines += [getattr(obj, m) for m in vars(obj) if inspect.isroutine(getattr(obj, m))
                         and (not m.startswith("__") or m in ("__copy__", "__deepcopy__"))]
    assert len(routines) > 25
    for f in routines:
        inspect.signature(f)  # raises for a function without one
    named: List[Any] = [e.Policy, e.Policy.decode, e.FieldList.insert, e.Policy.encode, e.Error]
    shown = {str(inspect.signature(f)) for f in named}
    assert shown == {"(fields=None, **values)", "(data, fields=None, net=False)",
                     "(self, index, value, /)", "(self, /, tag_ranges=False, *, check=True)",
                     "(status, reason, offset=None, field=None)"}
