# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""ethplcy openconfig: the exact OpenConfig of each match kind, action and a
trunk; back to the same policy; the reader's verdicts (oc_verdicts.py); every
corpus record's modelled fields through OpenConfig and back; the design table
has a row per field.
    check_openconfig.py ETHPLCY SOURCE_DIR [STRIDE]   (every STRIDE-th corpus record)"""
import json
import pathlib
import subprocess
import sys

TOOL, SRC = sys.argv[1], pathlib.Path(sys.argv[2])
STRIDE = int(sys.argv[3]) if len(sys.argv) > 3 else 1
failed = 0


def run(*args: str, data: str = "") -> subprocess.CompletedProcess:
    return subprocess.run([TOOL, *args], input=data, capture_output=True, text=True)


def check(ok: bool, what: str) -> None:
    global failed
    if not ok:
        failed += 1
        print("FAIL:", what)


def T(v, et="dot1q"):
    return {"ethertype": et, "vlan": v}


def R(lo, hi):
    return {"low": lo, "high": hi}


ST = '{"match": {"single-tagged": {"config": {"vlan-id": 10}}}'
CASES = [  # efp, the sub-interface's openconfig-vlan:vlan
    ({"tag": [T(10)]}, ST + "}"),
    ({"tag": [T("range")], "ranges": [R(10, 12), R(20, 20)]},
     '{"match": {"single-tagged-list": {"config": {"vlan-ids": [10, 11, 12, 20]}}}}'),
    ({"tag": [T("range")], "ranges": [R(10, 20)]},
     '{"match": {"single-tagged-range": {"config": {"low-vlan-id": 10, "high-vlan-id": 20}}}}'),
    ({"tag": [T(100, "dot1ad"), T(10)]},
     '{"match": {"double-tagged": {"config": {"inner-vlan-id": 10, "outer-vlan-id": 100}}}}'),
    ({"tag": [T(100, "dot1ad"), T("range")], "ranges": [R(1, 2), R(5, 5)]},
     '{"match": {"double-tagged-inner-list": {"config": {"inner-vlan-ids": [1, 2, 5], '
     '"outer-vlan-id": 100}}}}'),
    ({"tag": [T("range", "dot1ad"), T(10)], "ranges": [R(1, 2), R(5, 5)]},
     '{"match": {"double-tagged-outer-list": {"config": {"inner-vlan-id": 10, '
     '"outer-vlan-ids": [1, 2, 5]}}}}'),
    ({"tag": [T(100, "dot1ad"), T("range")], "ranges": [R(10, 20)]},
     '{"match": {"double-tagged-inner-range": {"config": {"inner-low-vlan-id": 10, '
     '"inner-high-vlan-id": 20, "outer-vlan-id": [100]}}}}'),
    ({"tag": [T("range", "dot1ad"), T(10)], "ranges": [R(100, 200)]},
     '{"match": {"double-tagged-outer-range": {"config": {"inner-vlan-id": 10, '
     '"outer-low-vlan-id": 100, "outer-high-vlan-id": 200}}}}'),
    ({"tag": [T(10)], "push": [T(20, "dot1ad")]}, ST + ', "ingress-mapping": {"config": '
     '{"vlan-stack-action": "PUSH", "vlan-id": 20, "tpid": "openconfig-vlan-types:TPID_0X88A8"}}}'),
    ({"tag": [T(10)], "num_tag_pops": 1},
     ST + ', "ingress-mapping": {"config": {"vlan-stack-action": "POP"}}}'),
    ({"tag": [T(10)], "push": [T(30)], "num_tag_pops": 1}, ST + ', "ingress-mapping": {"config": '
     '{"vlan-stack-action": "SWAP", "vlan-id": 30, "tpid": "openconfig-vlan-types:TPID_0X8100"}}}'),
]
MODELLED = ("ether_if_type", "mtu", "mac_addr", "sub.admin_up", "efp.tag", "efp.ranges", "efp.push",
            "efp.num_tag_pops", "trunk.native_vlan", "trunk.access_vlan",
            "trunk.vlan_switched_trunk", "trunk.vlan_switched_access")


def field(d, path):
    """The value at a path; absent, 0 and [] alike (the defaults)."""
    for key in path.split("."):
        d = d.get(key) if isinstance(d, dict) else None
    return d or 0


def through(policy: dict, *args: str):
    """policy -> record -> OpenConfig -> policy: (OpenConfig, policy back, notes)."""
    rec = run("encode", "--no-check", json.dumps(policy)).stdout.strip()
    out = run("openconfig", *args, rec)
    if out.returncode != 0:
        return None, None, out.stderr
    back = run("openconfig", "--no-check", "--json", out.stdout)
    return json.loads(out.stdout), json.loads(back.stdout or "{}"), out.stderr + back.stderr


for efp, want in CASES:
    policy = {"ether_if_type": 3, "sub": {"admin_up": 1}, "efp": {"configured": 1, **efp}}
    oc, back, notes = through(policy, "--name", "eth0", "--index", "5")
    sub = oc["openconfig-interfaces:interfaces"]["interface"][0]["subinterfaces"]["subinterface"][0]
    check(json.dumps(sub["openconfig-vlan:vlan"]) == want, f"{efp}: {sub}")
    shown = json.loads(run("show", "--json", run("encode", json.dumps(policy)).stdout).stdout)
    check(all(field(back, p) == field(shown, p) for p in MODELLED), f"back: {efp}: {back}")
    check("efp.ranges" not in notes, f"{efp}: separate ranges noted as merged: {notes}")
_, _, notes = through({"ether_if_type": 3, "sub": {"admin_up": 1}, "efp": {
    "configured": 1, "tag": [T("range")], "ranges": [R(10, 12), R(13, 15)]}}, "--name", "e", "--index", "1")
check("efp.ranges" in notes, f"adjacent ranges merged without a note: {notes}")
# A first range OpenConfig cannot hold (low above high) is noted, the match not written.
oc, _, notes = through({"ether_if_type": 3, "sub": {"admin_up": 1}, "efp": {
    "configured": 1, "tag": [T("range")], "ranges": [R(20, 10), R(30, 40)]}}, "--name", "e", "--index", "1")
check("efp.ranges" in notes and "match" not in json.dumps(oc), f"reversed first range: {oc} {notes}")

# The interface's type is the kind of port its ether_if_type names.
KINDS = {"ethernetCsmacd": (1, 2, 3, 10, 11, 12, 19, 20), "ieee8023adLag": (4, 5, 6, 21),
         "ifPwType": (7, 8, 9), "propVirtual": (13, 14, 15, 16, 17, 18)}
types = sorted((t, kind) for kind, ts in KINDS.items() for t in ts)
lines = "".join(json.dumps({"ether_if_type": t}) + "\n" for t, _ in types)
records = run("encode", "--stream", "--no-check", "-", data=lines).stdout.split()
for (t, kind), rec in zip(types, records):
    oc = json.loads(run("openconfig", "--name", "e", "--index", "1", rec).stdout or "{}")
    got = oc and oc["openconfig-interfaces:interfaces"]["interface"][0]["config"]["type"]
    check(got == "iana-if-type:" + kind, f"ether_if_type {t} is {got}")
check(len(records) == len(types), f"{len(records)} records for {len(types)} types")
trunk = {"ether_if_type": 4, "mac_addr": "00:11:22:33:44:55", "mtu": 1500,
         "trunk": {"native_vlan": 5, "native_is_svlan": 1, "vlan_switched_trunk": 1}}
oc, back, notes = through(trunk, "--name", "eth1")
check(json.dumps(oc) == '{"openconfig-interfaces:interfaces": {"interface": [{"name": "eth1", '
      '"config": {"name": "eth1", "type": "iana-if-type:ieee8023adLag", "mtu": 1500}, '
      '"openconfig-if-ethernet:ethernet": {"config": {"mac-address": "00:11:22:33:44:55"}, '
      '"openconfig-vlan:switched-vlan": {"config": {"interface-mode": "TRUNK", '
      '"native-vlan": 5}}}}]}}', f"trunk: {oc}")
check("not carried by OpenConfig: trunk.native_is_svlan\n" in notes, f"trunk notes: {notes}")
# Both modes flagged: TRUNK, and the access VLAN (ACCESS only) left out, named.
both = {"ether_if_type": 1, "trunk": {"native_vlan": 5, "access_vlan": 7, "vlan_switched_trunk": 1,
                                      "vlan_switched_access": 1}}
oc, back, notes = through(both, "--name", "eth1")
sw = oc["openconfig-interfaces:interfaces"]["interface"][0]["openconfig-if-ethernet:ethernet"]
check(sw == {"openconfig-vlan:switched-vlan": {"config": {"interface-mode": "TRUNK", "native-vlan": 5}}}
      and "trunk.vlan_switched_access, trunk.access_vlan\n" in notes, f"both modes: {oc} {notes}")
# VLAN 4095 is no OpenConfig VLAN ID: left out, named.
oc, back, notes = through({"ether_if_type": 1, "trunk": {"native_vlan": 4095, "vlan_switched_trunk": 1}},
                          "--name", "eth1")
check("native-vlan" not in json.dumps(oc) and "trunk.native_vlan\n" in notes, f"4095: {oc} {notes}")

# The reader's verdicts: carried (the policy), noted, refused, each text exact.
sys.path.insert(0, str(pathlib.Path(__file__).parent))
import corpus  # noqa: E402
from oc_verdicts import VERDICTS  # noqa: E402

for what, d, name, index, verdict, text in VERDICTS:
    args = (["--name", name] if name else []) + ([] if index is None else ["--index", str(index)])
    out = run("openconfig", "--json", "--compact", *args, json.dumps(d))
    got = (out.returncode, out.stdout.strip() if verdict == "carried" else out.stderr)
    want = {"carried": (0, text), "noted": (0, f"ethplcy: {text}\n"),
            "refused": (2, f"ethplcy: {text}\n")}[verdict]
    check(got == want, f"{what}: {got} is not {want}")
    if verdict == "noted":  # strict: the note is the refusal
        out = run("openconfig", "--strict", *args, json.dumps(d))
        check((out.returncode, out.stderr) == (2, f"ethplcy: {text}\n"), f"{what} strict: {out}")
for args, want in [(["--name", "x", "--index", "-1"], "--index takes"),
                   (["--name", "x"], "needs the sub-interface's index")]:
    out = run("openconfig", *args, run("encode", json.dumps({"ether_if_type": 3,
                                                             "sub": {"admin_up": 1}})).stdout)
    check(out.returncode == 2 and want in out.stderr, f"{args}: {out.stderr}")
out = run("openconfig", "missing.json")
check((out.returncode, out.stderr) == (2, 'ethplcy: "missing.json" is not a file (No such file '
                                           'or directory)\n'), f"missing file: {out}")

# Every corpus record: the modelled fields OpenConfig carries come back.
carried = 0
for text in corpus.policies(TOOL, SRC, pattern="*/*")[STRIDE - 1::STRIDE]:
    policy = json.loads(text)
    oc, back, notes = through(policy, "--name", "eth0", "--index", "1")
    if oc is None:  # no known type, or not a policy the check takes
        continue
    check(bool(back), f"{text}: what was written does not read back: {notes}")
    lost = [p for p in MODELLED if field(back, p) != field(policy, p) and p not in notes]
    check(not lost or "efp.tag" in notes, f"{text}: lost {lost} ({notes})")
    carried += policy.get("efp", {}).get("configured") == 1 and "efp.tag" not in notes
check(carried >= 5 // STRIDE, f"only {carried} corpus records carried their EFP match")

# docs/design.md has a row for every field the description has.
design = (SRC / "docs" / "design.md").read_text()
schema = json.loads(run("schema").stdout)
paths = [k for k, v in schema["properties"].items() if "properties" not in v or k == "l2pt"]
paths += [f"{g}.{k}" for g, v in schema["properties"].items() if g != "l2pt"
          for k in v.get("properties", {})]
missing = [p for p in paths if p != "$schema" and f"| `{p}` |" not in design]
check(not missing, f"design.md has no OpenConfig row for {missing}")
print(f"openconfig: {len(CASES)} cases, {len(VERDICTS)} verdicts, {carried} corpus EFPs carried")
sys.exit(1 if failed else 0)
