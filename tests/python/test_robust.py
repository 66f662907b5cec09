# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""What a script can do to a Policy: hostile values and keys, views that
outlive what they looked at, policies sharing nothing, the record as the one
truth (a stateful test against a model), and decode then encode giving the C
library's bytes back. Run also on the ASan+UBSan build and, for reference
counts, under python3-dbg (check_refs.py)."""
import copy
import itertools
import ctypes
import os
import pathlib
import pickle
import sys
from typing import Any, Callable, Dict, List, Optional, Tuple, Type

import pytest
from hypothesis import settings, strategies as st
from hypothesis.stateful import RuleBasedStateMachine, invariant, rule

import eth_if_plcy as e

SOURCE = pathlib.Path(os.environ.get("ETH_IF_PLCY_SOURCE", "."))
SUB = {"ether_if_type": 3, "sub": {"parent": 1},
       "efp": {"configured": 1, "tag": [{"ethertype": "dot1q", "vlan": 10}]}}


def reinit_in(p: e.Policy, method: str, result: Any = None) -> Any:
    """A value whose method re-initialises p when the binding calls it."""
    def hostile(self: Any) -> Any:
        p.__init__()  # type: ignore[misc]
        return result
    return type("Hostile", (), {method: hostile})()


class DropsOnEq(str):  # a key that empties the dict it came from when compared
    victim: Dict[str, Any] = {}

    def __eq__(self, other: object) -> bool:
        DropsOnEq.victim.clear()
        return str.__eq__(self, other)

    __hash__ = str.__hash__


class HashFails(str):  # a key whose hash works once (to enter the dict), then raises
    hashed = False

    def __hash__(self) -> int:
        if HashFails.hashed:
            raise RuntimeError("no hash")
        HashFails.hashed = True
        return str.__hash__(self)


class NewPolicy(e.Policy):  # its __new__ is called with the arguments a type gets
    def __new__(cls, *args: Any) -> "NewPolicy":
        return e.Policy.__new__(cls)


class NotAPolicy(e.Policy):  # its __new__ returns something else
    def __new__(cls, *args: Any) -> "NotAPolicy":
        return None  # type: ignore[return-value]


class ClearsOnEq:  # an entry to remove whose __eq__ would empty the list (never called)
    def __init__(self, p: e.Policy) -> None:
        self.p = p

    def __eq__(self, other: object) -> bool:
        self.p.efp.tag.clear()
        return True


class Mutates(e.Policy):  # its __new__ changes the bytes being decoded
    buf = bytearray()

    def __new__(cls, *args: Any) -> "Mutates":
        Mutates.buf[56] ^= 0xFF  # the EFP base type: read as it is now, an assertion
        return e.Policy.__new__(cls)


def decoded_as_checked(p: e.Policy) -> None:
    Mutates.buf = bytearray(p.encode())
    assert Mutates.decode(Mutates.buf) == p and Mutates.buf[56] != p.encode()[56]


def first_lines() -> None:
    p = e.Policy()
    p.ether_if_type = "ether.l2sub"
    p.sub.parent = 0x04000340
    p.efp = {"configured": 1}
    p.efp.tag.append({"ethertype": "dot1q", "vlan": 5})
    p.efp.tag[0].vlan = 100
    p.efp.tag.insert(0, {"ethertype": "dot1ad", "vlan": 7})
    p.efp.tag_pcp[1] = 3
    assert p.efp.tag.pop(0) == {"ethertype": 0x88a8, "vlan": 7} and p.efp.tag_pcp == [3]
    assert "sub" in p and "trunk" not in p and p.trunk.native_vlan is None
    assert p.to_dict(words=True)["ether_if_type"] == "ether.l2sub" == e.Policy.from_dict(
        {"ether_if_type": "ether.l2sub"}).to_dict(words=True)["ether_if_type"]
    q = e.Policy(ether_if_type=3, sub={"parent": 0x04000340}, efp=p.efp, mtu=9000)
    del q.mtu
    assert q == p == e.Policy(p.to_dict()) == e.Policy(fields=p.to_dict())
    del p.sub
    assert "sub" not in p and p.sub == {} and len(p.efp.push) == 0


def words_compare(p: e.Policy) -> None:
    assert p.efp.tag[0] == {"ethertype": "dot1q", "vlan": 10} != {"ethertype": "dot1ad", "vlan": 10}
    assert {"ethertype": 0x8100, "vlan": "0xa"} in p.efp.tag and p.efp.tag != "dot1q"
    assert p.efp.tag_pcp == ["any"] and p.l2pt.tovu == None  # noqa: E711 (a view, not None)
    tovu = p.l2pt.tovu
    assert isinstance(tovu, e.L2ptSetting)
    tovu.mode = "tunnel"  # a protocol not set is created by its first write
    assert p.l2pt == {"tovu": {"mode": "tunnel", "exp": None}}
    assert p.efp.tag.index({"ethertype": "0x8100", "vlan": 10}) == 0 == p.efp.tag.count("dot1q")
    p.efp.tag.remove({"ethertype": "dot1q", "vlan": 10})
    assert len(p.efp.tag) == 0


def wide_pickle() -> None:
    rec = bytearray(e.Policy.from_dict({"trunk": {"native_vlan": 5}}).encode())
    rec[36:38] = (35585).to_bytes(2, sys.byteorder)  # trunk.native_vlan, host order
    q = e.Policy.decode(bytes(rec))
    assert q.trunk.native_vlan == 35585 and pickle.loads(pickle.dumps(q)) == q


def both_classes() -> bytes:
    """A trunk record whose valid_mask also has sub.parent's bit: validate takes it."""
    rec = bytearray(e.Policy.from_dict({"trunk": {"native_vlan": 5}}).encode())
    rec[4] |= 0x40  # valid_mask, host order: ETH_IF_PLCY_PARENT
    return bytes(rec)


class OtherHash(str):  # equal to "mtu" but held beside it in a dict
    def __hash__(self) -> int:
        return 7


def cyclic() -> List[Any]:
    v: List[Any] = []
    v.append(v)
    return v


def deep(n: int) -> List[Any]:
    v: List[Any] = []
    for _ in range(n):
        v = [v]
    return v


def view_then(p: e.Policy, view: Any, change: Callable[[], Any], name: str,
              value: Any = None) -> Any:
    """Changes p under a view taken before, then reads or writes through the view."""
    change()
    return getattr(view, name) if value is None else setattr(view, name, value)


Case = Tuple[str, Callable[[Any], Any], Optional[Type[BaseException]], str]
CASES: List[Case] = [
    # Writes through a view of a policy re-initialised (or refused) since.
    ("group after __init__", lambda p: view_then(p, p.sub, lambda: p.__init__(), "parent", 5),
     None, ""),
    ("group after failed __init__", lambda p: view_then(
        p, p.sub, lambda: pytest.raises(e.BadPolicy, p.__init__, {"bogus": 1}), "parent", 5),
     None, ""),
    ("entry gone", lambda p: view_then(p, p.efp.tag[0], lambda: setattr(p, "efp", {}), "vlan"),
     IndexError, r"efp.tag\[0\] is no longer in the policy"),
    ("entry set when gone", lambda p: view_then(p, p.efp.tag[0],
                                                lambda: setattr(p, "efp", {}), "vlan", 3),
     IndexError, r"efp.tag\[0\] is no longer in the policy"),
    # Python code run while a value is read.
    ("__repr__ re-initialises", lambda p: setattr(p, "mtu", reinit_in(p, "__repr__")),
     e.BadPolicy, "mtu: a Hostile object is not a number"),
    ("__index__ re-initialises", lambda p: setattr(p, "mtu", reinit_in(p, "__index__", 1500)),
     None, ""),
    ("__eq__ of a key drops the list", lambda p: e.Policy.from_dict(
        {DropsOnEq("efp"): DropsOnEq.victim}), None, ""),
    ("__hash__ of a key raises", lambda p: e.Policy.from_dict({HashFails("mtu"): 1}), None, ""),
    ("subclass with __new__", lambda p: NewPolicy.decode(p.encode()), None, ""),
    ("__new__ changes the bytes", decoded_as_checked, None, ""),
    # Nesting and text.
    ("cyclic list", lambda p: setattr(p, "efp", cyclic()), e.BadPolicy, "nests deeper"),
    ("300,000 nested lists", lambda p: setattr(p, "efp", deep(300000)), e.BadPolicy, "nests"),
    ("lone surrogate value", lambda p: setattr(p, "mtu", "\ud800"), e.BadPolicy,
     r'^mtu: "\\ud800" is not a number: write'),
    ("NUL in a value", lambda p: setattr(p.sub, "parent", "0x1\x00garbage"), e.BadPolicy,
     r'^sub.parent: "0x1\\u0000garbage" is not a number: write'),
    ("NUL in a MAC", lambda p: setattr(p, "mac_addr", "00:11\x00"), e.BadPolicy,
     r'^mac_addr: "00:11\\u0000" is not a MAC address: write'),
    ("lone surrogate key", lambda p: e.Policy.from_dict({"\udc80": 1}), e.BadPolicy,
     r"^\\udc80: no such field"),
    ("NUL in a key", lambda p: e.Policy.from_dict({"mtu\x00x": 1}), e.BadPolicy,
     r"^mtu\\u0000x: no such field$"),
    ("key given twice", lambda p: setattr(p, "sub", {"parent": 1, OtherHash("parent"): 2}),
     e.BadPolicy, "^sub.parent: is given twice$"),
    ("key that is no string", lambda p: e.Policy.from_dict({1: 1}),  # type: ignore[dict-item]
     e.BadPolicy, r"^\(1\): no such field"),
    ("encode words it as the tool", lambda p: e.Policy.from_dict(
        {"trunk": {"native_vlan": 5000}}).encode(), e.BadPolicy,
     "^trunk.native_vlan: 5000 is above 4095$"),
    ("encode(check=False) names encode's rule", lambda p: e.Policy.decode(both_classes()).encode(
        check=False), e.BadPolicy, '^sub.parent: "0x00000005" is a sub-interface field, but trunk'),
    ("bool for a number", lambda p: setattr(p, "mtu", True), e.BadPolicy, "mtu: true is not"),
    ("range above", lambda p: setattr(p, "mtu", 70000), e.BadPolicy,
     "^mtu: 70000 is above 65535$"),
    ("misspelt field", lambda p: p.mtuu, AttributeError, "mtuu"),
    ("misspelt field set", lambda p: setattr(p, "mtuu", 1), AttributeError, "mtuu"),
    ("misspelt group field", lambda p: p.sub.parnt, AttributeError, "parnt"),
    ("below 0", lambda p: setattr(p.sub, "parent", -1), e.BadPolicy, "^sub.parent: -1 is below 0$"),
    ("decode of text", lambda p: e.Policy.decode("00"),  # type: ignore[arg-type]
     TypeError, "bytes-like"),
    ("a record given to Policy()", lambda p: e.Policy(p.encode()),
     TypeError, r"not bytes: a record is read by Policy.decode\(\)"),
    ("unknown layout", lambda p: e.render(p.encode(), "wide"),  # type: ignore[arg-type]
     ValueError, "layout"),
    ("network image", lambda p: e.Policy.decode(e.hton(p.encode())), e.InvalidRecord,
     r"\(a network image\? use net=True\)"),
    # The first lines a test engineer types: writes create what they need.
    ("first lines", lambda p: first_lines(), None, ""),
    ("write behind a gate", lambda p: setattr(e.Policy().efp, "native", 1), e.BadPolicy,
     r"^efp.native: is given, but efp.configured is not 1"),
    ("append a bad entry", lambda p: p.efp.tag.append({"vlan": 4096}), e.BadPolicy,
     r"^efp.tag\[1\].ethertype: is missing: write"),
    ("append past the end", lambda p: p.efp.tag.extend([{"ethertype": 1, "vlan": 1}] * 2),
     e.BadPolicy, r"^efp.tag: \[...\] has more than 2 entries$"),
    ("remove what is not there", lambda p: p.efp.tag.remove({"vlan": 1}), ValueError,
     "efp.tag holds no such entry"),
    ("pop of an empty list", lambda p: p.efp.push.pop(), IndexError, "efp.push has no entry -1"),
    ("name in the dict and by name", lambda p: e.Policy({"mtu": 1}, mtu=2), e.BadPolicy,
     "^mtu: is given twice"),
    ("misspelt name in", lambda p: "sbu" in p, AttributeError, "sbu"),
    ("misspelt interface type", lambda p: e.Policy(
        ether_if_type="ether.l2sbu"), e.BadPolicy,  # type: ignore[arg-type]
     r'^ether_if_type: "ether.l2sbu" is not a number: .*a name such as "ether.l2sub"$'),
    ("derived count", lambda p: setattr(p.efp, "num_tags", 2), AttributeError,
     "follows from efp.tag"),
    ("__new__ returns None", lambda p: NotAPolicy.from_dict({"mtu": 1}), TypeError,
     "returned NoneType, not a NotAPolicy"),
    ("__eq__ of an entry to remove", lambda p: p.efp.tag.remove(ClearsOnEq(p)), ValueError,
     "efp.tag holds no such entry"),
    ("entries compare as the record holds them", lambda p: words_compare(p), None, ""),
    ("an entry's unknown key", lambda p: p.efp.tag.append({"tpid": 1, "vlan": 1}), e.BadPolicy,
     r"^efp.tag\[1\].tpid: no such field \(an entry has ethertype and vlan\)$"),
    ("PCP list's length", lambda p: p.efp.tag_pcp.pop(), TypeError,
     "^efp.tag_pcp has one entry per match tag: set an entry, or change efp.tag$"),
    ("count without its list", lambda p: e.Policy.from_dict(
        {"ether_if_type": 3, "efp": {"configured": 1, "num_tags": 2}}), e.BadPolicy,
     "^efp.num_tags: is 2 but efp.tag has 0 entries$"),
    ("nesting names its place", lambda p: setattr(p.efp, "tag", [[[[[[[[[[1]]]]]]]]]]),
     e.BadPolicy, r"^efp.tag(\[0\]){9}: nests deeper than its shape allows$"),
    ("strided memoryview", lambda p: e.Policy.decode(memoryview(p.encode())[::2]), TypeError,
     r"^data must be contiguous bytes: pass bytes\(\) of the memoryview$"),
    ("endless extend", lambda p: p.efp.tag.extend(itertools.repeat({"ethertype": 1, "vlan": 1})),
     e.BadPolicy, r"^efp.tag: \[...\] has more than 2 entries$"),
    ("lone surrogate in OpenConfig", lambda p: e.Policy.from_openconfig(
        {"openconfig-interfaces:interfaces": {"interface": [{"name": "\ud800", "config": 5}]}}),
     e.BadPolicy, r"^/interfaces/interface\[name=\\xff\]/config: 5 is not a container"),
    ("NUL in an interface name", lambda p: p.to_openconfig("e\0x"), ValueError,
     r"^name: 'e\\x00x' is empty, or holds a NUL or a lone surrogate$"),
    ("lone surrogate in a notification's name", lambda p: e.notifications(
        [{"name": "a\ud800", "record": p.encode()}], []), ValueError, "or a lone surrogate$"),
    ("a deletion beside its record", lambda p: e.notifications(
        [{"name": "a", "index": 0, "record": p.encode()},
         {"name": "a", "index": 0, "deleted": True}], []), ValueError,
     "^a: a record given twice$"),
    ("a decoded record above the strict widths pickles", lambda p: wide_pickle(), None, ""),
    ("OpenConfig refusal names its member", lambda p: e.Policy.from_openconfig(
        {"openconfig-interfaces:interfaces": {"interface": [{"name": "e", "config": {
            "name": "e", "type": "iana-if-type:ethernetCsmacd", "mtu": 99999}}]}}), e.BadPolicy,
     r"^/interfaces/interface\[name=e\]/config/mtu: 99999 is not a uint16"),
]


@pytest.mark.parametrize("name, act, error, match", CASES, ids=[c[0] for c in CASES])
def test_nothing_breaks_it(name: str, act: Callable[[Any], Any],
                           error: Optional[Type[BaseException]], match: str) -> None:
    p = e.Policy.from_dict(SUB)
    DropsOnEq.victim = {"configured": 1, "tag": [{"ethertype": 1, "vlan": 1}]}
    before = p.to_dict()
    if error is None:
        act(p)
    else:
        with pytest.raises(error, match=match):
            act(p)
        if issubclass(error, e.BadPolicy):
            assert p.to_dict() == before  # a refused value leaves the policy as it was
    assert e.Policy.from_dict(p.to_dict()) == p  # the policy is whole and readable


def test_views_read_and_write_the_record() -> None:
    p = e.Policy.from_dict(SUB)
    q = e.Policy.from_dict({"ether_if_type": 3})
    q.efp = p.efp  # a copy of the values
    assert q.efp is not None and p.efp is not None
    q.efp.num_tag_pops = 1
    assert (p.efp.num_tag_pops, q.efp.num_tag_pops) == (None, 1)
    tags = p.efp.tag
    assert tags is not None
    tags[0] = {"ethertype": "dot1ad", "vlan": "any"}
    tags[0].vlan = 7
    assert e.Policy.decode(p.encode()).to_dict()["efp"]["tag"] == [
        {"ethertype": "0x88a8", "vlan": 7}]
    p.efp.tag = [tags[0], {"ethertype": 0x8100, "vlan": 9}]  # the old list's entry, copied
    assert [t.vlan for t in tags] == [7, 9] and tags[-1] == {"ethertype": 0x8100, "vlan": 9}
    assert p.efp.tag_pcp == ["any", "any"]
    p.efp.tag = [{"ethertype": "dot1q", "vlan": 1}]  # a PCP entry goes with its tag
    assert p.efp.tag_pcp == ["any"] and len(tags) == 1
    assert repr(p.sub) == "{'parent': 0x00000001}" and p.sub == {"parent": 1}
    p.l2pt = {"tovu": {"mode": "tunnel", "exp": 5}}
    assert p.l2pt is not None and p.l2pt["tovu"] == p.l2pt.tovu == {"mode": "tunnel", "exp": 5}
    assert "tovu" in dir(p.l2pt) and "parent" in dir(p.sub)
    assert e.Sub.parent.__doc__ and e.Policy.mtu.__doc__ == "Maximum transmission unit, in bytes."


@pytest.mark.skipif("ETH_IF_PLCY_LIBRARY" not in os.environ, reason="the library's path not given")
def test_decode_then_encode_is_the_libraries() -> None:
    lib = ctypes.CDLL(os.environ["ETH_IF_PLCY_LIBRARY"])  # its decode then encode, as C does it
    lib.eth_if_plcy_get_size.restype = ctypes.c_uint32
    ext, out = ctypes.create_string_buffer(1 << 16), ctypes.c_void_p()  # ext: ample room
    seen = 0
    for path in sorted((SOURCE / "fuzz" / "corpus").glob("*/*")):
        rec = path.read_bytes()
        try:
            p = e.Policy.decode(rec)
        except e.InvalidRecord:
            continue
        seen += 1
        assert lib.eth_if_plcy_decode(rec, e.ALL_FIELDS, ext, 0) == 0
        if lib.eth_if_plcy_encode(ext, ctypes.byref(out), 0) != 0:  # then neither can Python
            with pytest.raises(e.BadPolicy):
                p.encode(check=False)
            continue
        want = ctypes.string_at(out, lib.eth_if_plcy_get_size(out, 0))
        lib.eth_if_plcy_free(out, 0)
        assert p.encode(check=False) == want, path.name
        if p.mtu is not None:  # a write elsewhere keeps every other field as it was
            p.mtu = p.mtu
            assert p.encode(check=False) == want, path.name
    assert seen > 10


# ---- the record as the one truth: a model of two policies ------------------------

FIELDS = {"mtu": st.integers(0, 70000), "trunk.native_vlan": st.integers(0, 5000),
          "sub.parent": st.integers(0, 2**32), "is_l2": st.sampled_from([0, 1, 2, True])}
SHARED = {"trunk.native_vlan"}  # with trunk.native_is_svlan
LIMITS = {"mtu": 65535, "trunk.native_vlan": 4095, "sub.parent": 2**32 - 1, "is_l2": 1}


def leaf(d: Dict[str, Any], path: str) -> Any:
    for key in path.split("."):
        d = d.get(key) if isinstance(d, dict) else None  # type: ignore[assignment]
    return d


def attr(p: e.Policy, path: str) -> Any:
    obj: Any = p
    for key in path.split("."):
        obj = getattr(obj, key) if obj is not None else None
    return obj


class Policies(RuleBasedStateMachine):
    def __init__(self) -> None:
        super().__init__()
        self.p = [e.Policy(), e.Policy()]
        self.model: List[Dict[str, Any]] = [{}, {}]

    @rule(i=st.integers(0, 1), whole=st.booleans(), data=st.data())
    def set(self, i: int, whole: bool, data: st.DataObject) -> None:
        path = data.draw(st.sampled_from(sorted(FIELDS)))
        value: Any = data.draw(FIELDS[path])
        obj: Any = self.p[i]
        head, _, name = path.rpartition(".")
        if head and whole and head not in obj:  # the group assigned whole, else written through
            obj, name, value = obj, head, {name: value}
        elif head:
            obj = getattr(obj, head)
        given = value[path.rpartition(".")[2]] if isinstance(value, dict) else value
        if isinstance(given, bool) or given > LIMITS[path]:
            with pytest.raises(e.BadPolicy):
                setattr(obj, name, value)
        else:
            setattr(obj, name, value)
            self.model[i][path] = given

    @rule(i=st.integers(0, 1), path=st.sampled_from(sorted(FIELDS)))
    def delete(self, i: int, path: str) -> None:
        head, _, name = path.rpartition(".")
        target = attr(self.p[i], head) if head else self.p[i]
        if path in SHARED and path in self.model[i]:  # its bit holds another field
            with pytest.raises(e.BadPolicy, match="cannot be removed alone"):
                setattr(target, name, None)
            return
        setattr(target, name, None)
        self.model[i].pop(path, None)

    @rule(i=st.integers(0, 1))
    def configure(self, i: int) -> None:
        self.p[i].efp.configured = 1  # the gate: writing it makes the group
        self.model[i]["efp.configured"] = 1

    @rule(i=st.integers(0, 1), how=st.sampled_from(["append", "insert", "del", "pop"]),
          at=st.integers(-3, 3), vlan=st.integers(0, 4200))
    def tags(self, i: int, how: str, at: int, vlan: int) -> None:
        tags, model = self.p[i].efp.tag, list(self.model[i].get("efp.tag", []))
        entry = {"ethertype": "dot1q", "vlan": vlan}
        if how in ("append", "insert"):
            if "efp.configured" not in self.model[i] or len(model) == 2 or vlan > 4095:
                with pytest.raises(e.BadPolicy):
                    tags.append(entry) if how == "append" else tags.insert(at, entry)
                return
            tags.append(entry) if how == "append" else tags.insert(at, entry)
            model.append(vlan) if how == "append" else model.insert(at, vlan)
        elif not -len(model) <= at < len(model):
            with pytest.raises(IndexError):
                tags.pop(at) if how == "pop" else tags.__delitem__(at)
            return
        elif how == "pop":
            assert tags.pop(at) == {"ethertype": 0x8100, "vlan": model.pop(at)}
        else:
            del tags[at]
            del model[at]
        self.model[i]["efp.tag"] = model

    @rule(i=st.integers(0, 1), group=st.sampled_from(["trunk", "sub", "efp"]))
    def remove_group(self, i: int, group: str) -> None:
        delattr(self.p[i], group)
        self.model[i] = {k: v for k, v in self.model[i].items() if not k.startswith(group + ".")}
        assert group not in self.p[i]

    @rule(i=st.integers(0, 1), group=st.sampled_from(["trunk", "sub"]))
    def assign_group(self, i: int, group: str) -> None:
        setattr(self.p[i], group, getattr(self.p[1 - i], group))
        mine = {k: v for k, v in self.model[i].items() if not k.startswith(group + ".")}
        mine.update({k: v for k, v in self.model[1 - i].items() if k.startswith(group + ".")})
        self.model[i] = mine

    @rule(i=st.integers(0, 1))
    def reinit(self, i: int) -> None:
        self.p[i].__init__()  # type: ignore[misc]
        self.model[i] = {}

    @rule(i=st.integers(0, 1), how=st.sampled_from(["copy", "deepcopy", "pickle", "keywords"]))
    def duplicate(self, i: int, how: str) -> None:
        src = self.p[1 - i]
        self.p[i] = (copy.copy(src) if how == "copy" else copy.deepcopy(src) if how == "deepcopy"
                     else pickle.loads(pickle.dumps(src)) if how == "pickle"
                     else e.Policy(**src.to_dict()))
        self.model[i] = dict(self.model[1 - i])

    @invariant()
    def agrees(self) -> None:
        for p, model in zip(self.p, self.model):
            d = p.to_dict()
            for path in list(FIELDS) + ["efp.configured"]:
                want = model.get(path)
                assert attr(p, path) == want and (path in p) == (want is not None)
                got = leaf(d, path)
                assert (int(got, 16) if isinstance(got, str) else got) == want
            assert [t.vlan for t in p.efp.tag] == model.get("efp.tag", [])
            assert [t["vlan"] for t in leaf(d, "efp.tag") or []] == model.get("efp.tag", [])
            try:
                rec = p.encode(check=False)
            except e.BadPolicy as refused:  # a policy no record holds (sub and trunk fields)
                assert refused.field
                continue
            assert e.Policy.decode(rec) == p


TestPolicies = Policies.TestCase
TestPolicies.settings = settings(max_examples=60, stateful_step_count=30, deadline=None,
                                 derandomize=True, database=None)
