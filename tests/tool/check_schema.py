# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""The JSON Schema that `ethplcy schema` prints against the tool itself: it is
a valid draft 2020-12 schema; the JSON the tool writes for every record of the
corpus that encode takes back validates (encode refuses sub-interface and
trunk fields together, which the schema states too); JSON the tool refuses
for its shape fails the schema at the path the tool names (or at the object
holding an unknown key).

    python3 check_schema.py ETHPLCY SOURCE_DIR
"""
import json
import pathlib
import subprocess
import sys

import jsonschema

tool, source = sys.argv[1], pathlib.Path(sys.argv[2])
schema = json.loads(subprocess.run([tool, "schema"], capture_output=True, check=True).stdout)
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)


def where(error):
    path = ""
    for part in error.absolute_path:
        path += f"[{part}]" if isinstance(part, int) else (f".{part}" if path else part)
    return path


failures, written = [], 0
for record in sorted((source / "fuzz" / "corpus" / "record").glob("*")):
    for net in ([], ["--net"]):
        out = subprocess.run([tool, "show", "--json", "--binary", *net, str(record)],
                             capture_output=True, text=True)
        back = subprocess.run([tool, "encode", "-"], input=out.stdout, capture_output=True, text=True)
        if out.returncode == 0 and back.returncode == 0:
            written += 1
            for error in validator.iter_errors(json.loads(out.stdout)):
                failures.append(f"{record.name}: {where(error)}: {error.message}")

REFUSED = [  # (policy, the path the tool names)
    ({"mtu": 70000}, "mtu"),
    ({"mtu": "lots"}, "mtu"),
    ({"mac_addr": "zz"}, "mac_addr"),
    ({"efp": {"tagz": 1}}, "efp.tagz"),
    ({"efp": {"configured": 1, "tag": [{"ethertype": "dot1q", "vlan": "all"}]}}, "efp.tag[0].vlan"),
    ({"efp": {"configured": 1, "tag": [{"ethertype": "dot1q"}] * 3}}, "efp.tag"),
    ({"efp": {"configured": 1, "ranges": [{"low": 1}]}}, "efp.ranges[0].high"),
    ({"l2pt": {"foo": {}}}, "l2pt.foo"),
    ({"l2pt": {"tovu": {"mode": "sideways"}}}, "l2pt.tovu.mode"),
    ({"ether_if_type": 3, "sub": {"parent": 1}, "trunk": {"native_vlan": 1}}, ""),
]
for policy, path in REFUSED:
    text = json.dumps(policy)
    out = subprocess.run([tool, "encode", text], capture_output=True, text=True)
    if out.returncode != 2 or f"ethplcy: {path}" not in out.stderr:
        failures.append(f"{text}: the tool says {out.stderr.strip()!r}, not at {path}")
    error = jsonschema.exceptions.best_match(validator.iter_errors(policy))
    at = where(error) if error else None
    if at is None or not (path == at or path.startswith(at + ".") or path.startswith(at + "[")):
        failures.append(f"{text}: the schema fails at {at!r}, the tool at {path}")

# The README's policy file that names the schema: valid, and the tool takes it.
readme = (source / "README.md").read_text()
example = readme.split("```json\n", 1)[1].split("```", 1)[0]
for error in validator.iter_errors(json.loads(example)):
    failures.append(f"README example: {where(error)}: {error.message}")
if subprocess.run([tool, "encode", example], capture_output=True).returncode != 0:
    failures.append("README example: encode refuses it")

print("\n".join(failures) or f"schema ok: {written} JSON texts valid, {len(REFUSED)} refusals agree")
sys.exit(1 if failures or written < 20 else 0)
