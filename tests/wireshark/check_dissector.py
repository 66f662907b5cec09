# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""The dissector in tshark, on a capture this test makes (text2pcap) from the
cross-host vectors and the corpus's records: for every record, each field
tshark shows is what `ethplcy show --json` says of the same bytes (and every
such field is shown); a datagram of several records gives them all; a
refused record is expert information; `-Y 'eth_if_plcy.mtu == 9000'`
selects exactly the records with that MTU; the tree (PDML) has a subtree per
group and per element, each fixed-part field over the bytes `ethplcy show
--hexdump` gives it, and no value shown as "Unknown".

    python3 check_dissector.py ETHPLCY PLUGIN_DIR SOURCE_DIR   (PLUGIN_DIR/<release>/epan/*.so)
"""
import json
import os
import re
import pathlib
import shutil
import subprocess
import sys
import tempfile
from xml.etree import ElementTree

tool, plugins, source = sys.argv[1], pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3])
if not shutil.which("tshark") or not shutil.which("text2pcap"):
    print("tshark not installed: the dissector is not checked")
    sys.exit(0)
WORDS = {"any": None, "range": 0x2000, "off": 0, "forward": 1, "drop": 2, "tunnel": 3, "rev-tnl": 4}


def run(*args, data=None):
    return subprocess.run([tool, *args], input=data, capture_output=True, text=True).stdout


# Policies: the vectors and the corpus records that encode takes back, as network images.
jsons = [p.read_text() for p in sorted((source / "tests" / "vectors").glob("[0-9][0-9].json"))]
for record in sorted((source / "fuzz" / "corpus" / "record").glob("*")):
    shown = run("show", "--json", "-c", "--binary", str(record))
    if shown and run("encode", "-", data=shown):
        jsons.append(shown)
records = [bytes.fromhex(h) for h in run("encode", "--stream", "--net", "--no-check", "-",
                                         data="".join(json.dumps(json.loads(j)) + "\n"
                                                      for j in jsons)).split()]
packets = records + [b"".join(records[:3]), b"\x01" + records[0][1:]]

home = pathlib.Path(tempfile.mkdtemp())
try:
    for so in plugins.glob("*/epan/*.so"):  # the release the plugin was built for
        epan = home / ".local/lib/wireshark/plugins" / so.parent.parent.name / "epan"
        epan.mkdir(parents=True, exist_ok=True)
        shutil.copy(so, epan)
    with open(home / "cap.txt", "w") as text:
        for p in packets:
            for i in range(0, len(p), 16):
                text.write("%06x  %s\n" % (i, " ".join("%02x" % b for b in p[i:i + 16])))
            text.write("\n")
    subprocess.run(["text2pcap", "-q", "-u", "9999,9999", str(home / "cap.txt"),
                    str(home / "cap.pcap")], check=True)
    os.chmod(home, 0o755)
    for path in home.rglob("*"):
        os.chmod(path, 0o755)
    # Wireshark loads no personal plugin for root: run it as nobody then.
    who = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] if os.getuid() == 0 else []

    def tshark(*args, capture=home / "cap.pcap", port=9999):
        return subprocess.run([*who, "env", f"HOME={home}", "tshark", "-r", str(capture),
                               "-d", f"udp.port=={port},eth_if_plcy", *args],
                              capture_output=True, text=True, check=True).stdout

    # The sample capture the README reads is what its script makes, and shows
    # the sub-interface (MTU 9000) in frames 2 and 3.
    subprocess.run([sys.executable, str(source / "scripts/make_sample_capture.py"),
                    str(home / "sample.pcap")], check=True)
    os.chmod(home / "sample.pcap", 0o644)
    shipped = source / "tests/wireshark/sample.pcap"
    sample = tshark("-Y", "eth_if_plcy.mtu == 9000", "-T", "fields", "-e", "frame.number",
                    "-e", "eth_if_plcy.sub.parent", capture=shipped, port=46000).split("\n")
    sample_ok = (home / "sample.pcap").read_bytes() == shipped.read_bytes() and \
        sample[:2] == ["2\t0x0000abcd", "3\t0x0000abcd"]

    frames = json.loads(tshark("-T", "json", "--no-duplicate-keys"))
    pdml = ElementTree.fromstring(tshark("-T", "pdml"))
    selected = [int(line) for line in tshark("-Y", "eth_if_plcy.mtu == 9000", "-T", "fields",
                                              "-e", "frame.number").split()]
    refused = tshark("-Y", "eth_if_plcy.refused", "-T", "fields", "-e", "frame.number").split()
finally:
    shutil.rmtree(home)


def expected(policy):
    """A record's fields as tshark names them: JSON paths without indices, integers."""
    out = {}

    def walk(value, path):
        if isinstance(value, dict):
            for k, v in value.items():
                walk(v, f"{path}.{k}")
        elif isinstance(value, list):
            for v in value:
                walk(v, path)
        elif value is not None:
            if isinstance(value, str):
                value = WORDS.get(value, value) if value in WORDS else value
                value = 0x2001 if value is None and path.endswith("vlan") else value
                value = 255 if value is None else value
            out.setdefault(path, []).append(value)
    walk(policy, "eth_if_plcy")
    return out


def shown(layer):
    out = {}

    def walk(d):  # subtrees are dicts, or lists of them where several share a name
        for k, v in d.items():
            for x in v if isinstance(v, list) else [v]:
                if isinstance(x, dict):
                    walk(x)
                elif k != "eth_if_plcy.record" and x != "":  # subtree items have no value
                    out.setdefault(k, []).append(x)
    walk(layer)
    return out


def same(a, b):
    if isinstance(a, int) or (isinstance(a, str) and a.startswith("0x")):
        return int(str(a), 0) == int(str(b), 0)
    return str(a).lower() == str(b).lower()


failures = []
for n, (record, frame) in enumerate(zip(records, frames)):
    want = expected(json.loads(run("show", "--net", "--json", record.hex())))
    got = shown(frame["_source"]["layers"]["eth_if_plcy"])
    for key in set(want) | set(got):
        w, g = want.get(key, []), got.get(key, [])
        if len(w) != len(g) or not all(same(x, y) for x, y in zip(w, g)):
            failures.append(f"record {n + 1}: {key}: ethplcy {w}, tshark {g}")


def hexdump_places(record):
    """The fixed part's fields in `ethplcy show --hexdump`: name -> (offset, bytes)."""
    places, unit = {}, None
    for line in run("show", "--hexdump", "--net", record.hex()).splitlines()[2:]:
        # offset, bytes (or bit positions), name (40 columns), value
        head, name = line[:35], line[35:75].strip()
        if head.strip() and head.split()[0].isdigit():
            unit = (int(head.split()[0]), len(head.split()) - 1)
        if unit and name and " " not in name:
            places[name] = unit
    return places


# The tree in PDML: a subtree per group and per element, each fixed-part
# field over the bytes the hexdump gives it, no number shown as "Unknown".
def parent_of(name):
    path = name.removeprefix("eth_if_plcy.")
    for element in ("efp.tag", "efp.push", "efp.ranges", "l2pt"):
        if path.startswith(element + ".") or (element == "efp.tag" and path == "efp.tag_pcp"):
            return "eth_if_plcy." + element
    group = path.split(".")[0]
    return "eth_if_plcy." + group if "." in path else "eth_if_plcy.record"


for n, (record, packet) in enumerate(zip(records, pdml.iter("packet"))):
    proto = next(p for p in packet.iter("proto") if p.get("name") == "eth_if_plcy")
    start = int(proto.get("pos"))
    places = hexdump_places(record)
    for parent in proto.iter("field"):
        for field in parent.findall("field"):
            name = field.get("name")
            if "Unknown" in field.get("showname", ""):
                failures.append(f"record {n + 1}: {field.get('showname')}")
            if field.get("show") != "" and parent.get("name") != parent_of(name):
                failures.append(f"record {n + 1}: {name} under {parent.get('name')}")
            short = name.removeprefix("eth_if_plcy.")
            if short in places and (int(field.get("pos")) - start, int(field.get("size"))) != places[short]:
                failures.append(f"record {n + 1}: {name} over {field.get('pos')}+{field.get('size')}, "
                                f"the hexdump says {places[short]}")
several = json.dumps(frames[len(records)]["_source"]["layers"]["eth_if_plcy"])
if several.count("eth_if_plcy.valid_mask") != 3:
    failures.append("a datagram of three records does not show three")
if refused != [str(len(packets))]:
    failures.append(f"the refused record is expert information in frames {refused}")
with_mtu = [i + 1 for i, r in enumerate(records)
            if json.loads(run("show", "--net", "--json", r.hex())).get("mtu") == 9000]
if [f for f in selected if f <= len(records)] != with_mtu:
    failures.append(f"mtu == 9000 selects {selected}, want {with_mtu}")
if not sample_ok:
    failures.append(f"the sample capture is not what make_sample_capture.py makes, or shows {sample}")
print("\n".join(failures[:20]) or f"dissector ok: {len(records)} records, every field as ethplcy shows it")
sys.exit(1 if failures or len(records) < 10 else 0)
