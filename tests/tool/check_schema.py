# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""The JSON Schema that `ethplcy schema` prints against the tool itself.

- It is a valid draft 2020-12 schema, every field has a description, and the
  JSON the tool writes for every record of the corpus that encode takes back
  validates.
- Seeded policies near every rule (each range edge and one past it, hex
  strings, words, wrong types, array limits, dependencies, interface classes),
  made by walking the schema: the schema accepts one exactly when
  `ethplcy encode` does, a refusal names a path where the schema fails too,
  and for every accepted policy `show --json` of its encoding gives back each
  value given (normalised) and nothing but defaults beside.

    python3 check_schema.py ETHPLCY SOURCE_DIR [CASES [SEED]]
"""
import copy
import json
import pathlib
import random
import subprocess
import sys

import jsonschema

import corpus

tool, source = sys.argv[1], pathlib.Path(sys.argv[2])
cases = int(sys.argv[3]) if len(sys.argv) > 3 else 3000
schema = json.loads(subprocess.run([tool, "schema"], capture_output=True, check=True).stdout)
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)
failures = []


def where(parts):
    path = ""
    for part in parts:
        path += f"[{part}]" if isinstance(part, int) else (f".{part}" if path else part)
    return path


def fields(node, prefix=()):
    """(path, schema) of every field, groups walked."""
    for key, sub in node.get("properties", {}).items():
        if key == "$schema":
            continue
        if sub.get("type") == "object" and "anyOf" not in sub:
            yield from fields(sub, prefix + (key,))
        else:
            if "description" not in sub:
                failures.append(f"{where(prefix + (key,))}: no description")
            yield prefix + (key,), sub


# Derived keys (counts, valid_mask) must agree with the others, which a schema
# cannot say; they are left out of the generated policies.
DERIVED = {"valid_mask", "efp.num_tags", "efp.num_tag_pushes", "efp.num_ranges",
           "efp.tag_range_count"}
FIELDS = [(p, s) for p, s in fields(schema) if where(p) not in DERIVED]
DEFAULTS = {where(p): s["default"] for p, s in FIELDS if "default" in s}


def number_parts(s):
    parts = {"ints": None, "words": [], "values": [], "hex": False}
    for alt in s.get("anyOf", [s]):
        if alt.get("type") == "integer":
            parts["ints"] = (alt["minimum"], alt["maximum"])
        elif "enum" in alt:
            (parts["words"] if isinstance(alt["enum"][0], str) else parts["values"]).extend(alt["enum"])
        elif alt.get("type") == "string":
            parts["hex"] = True
    return parts


def candidates(s, rng, valid_only=False):
    """Values for a schema: valid ones, and edges just outside unless valid_only."""
    if "pattern" in s and s.get("type") == "string":  # a MAC address
        good = ["00:11:22:33:44:5f", "02:00:00:00:00:01"]
        return good if valid_only else good + ["00:00:00:00:00:00", "0:1:2:3:4:5", "00-11-22-33-44-55",
                                               "00:11:22:33:44:55:66", 5]
    if s.get("type") == "array":
        item, most = s["items"], s["maxItems"]
        def one():
            return value(item, rng, valid_only=True)
        out = [[], [one() for _ in range(most)]]
        if not valid_only:
            out += [[one() for _ in range(most + 1)], "x", [value(item, rng)]]
        return out
    if s.get("type") == "object":  # a pair, an L2PT setting
        good = {k: value(v, rng, valid_only) for k, v in s["properties"].items()}
        return [good] if valid_only else [good, {**good, "extra": 1}, {}]
    if "anyOf" in s and any("properties" in a or a.get("type") == "array" for a in s["anyOf"]):
        return [v for a in s["anyOf"] for v in candidates(a, rng, valid_only)]  # L2PT
    if "anyOf" in s and any(a.get("type") == "null" for a in s["anyOf"]):
        return [None] + candidates(s["anyOf"][0], rng, valid_only)
    p = number_parts(s)
    lo, hi = p["ints"]
    good = [lo, hi, rng.randint(lo, hi), hex(hi), hex(rng.randint(lo, hi))] + p["words"] + p["values"]
    if valid_only:
        return good
    return good + [lo - 1, hi + 1, hex(hi + 1), "0x", "0x" + "0" * 17, "nope", 1.5, True]


def value(s, rng, valid_only=False):
    return rng.choice(candidates(s, rng, valid_only))


def put(policy, path, v):
    node = policy
    for key in path[:-1]:
        node = node.setdefault(key, {})
        if not isinstance(node, dict):
            return
    node[path[-1]] = v


WORDS = {"vlan": {"any": 0x2001, "range": 0x2000}, "tag_pcp": {"any": 255},
         "mode": {w: i for i, w in enumerate(["off", "forward", "drop", "tunnel", "rev-tnl"])}}
ETHERTYPES = {"dot1q": 0x8100, "dot1ad": 0x88a8}
# Interface types by name, in the order of their numbers from 1.
IFTYPES = {w: i + 1 for i, w in enumerate(
    next(a["enum"] for a in schema["properties"]["ether_if_type"]["anyOf"] if "enum" in a))}


def num(v, at):
    if isinstance(v, str) and v[:2].lower() == "0x" and len(v) > 2:
        return int(v, 16)
    words = next((w for k, w in WORDS.items() if k in at), {})
    return words.get(v, ETHERTYPES.get(v, IFTYPES.get(v, v))) if isinstance(v, str) else v


def l2pt_byte(v, at):
    """A protocol's setting as its raw byte."""
    if not isinstance(v, dict):
        return num(v, at)
    exp = v.get("exp")
    return num(v["mode"], "mode") | (0 if exp is None else 8 | num(exp, at) << 4)

BASES = [
    {},
    {"ether_if_type": 3, "sub": {"parent": "0x1"},
     "efp": {"configured": 1, "tag": [{"ethertype": "dot1q", "vlan": 100}], "tag_pcp": [3]}},
    {"ether_if_type": 3, "efp": {"configured": 1, "tag": [{"ethertype": "dot1ad", "vlan": "range"}],
                                 "ranges": [{"low": 10, "high": 20}], "push": [{"ethertype": "0x8100", "vlan": 5}]}},
    {"ether_if_type": 1, "trunk": {"native_vlan": 10, "filter_dot1q": 1}},
    {"is_provisioned": 1, "provision_info": {"xconnect_id": 5}, "l2pt": {"tovu": {"mode": "tunnel", "exp": 5}}},
]
rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 28)
policies = []
for n in range(cases):
    policy = copy.deepcopy(rng.choice(BASES))
    for k in range(rng.choice([1, 1, 2, 3])):  # one value at most near an edge, outside
        path, s = rng.choice(FIELDS)
        put(policy, path, value(s, rng, valid_only=k > 0 or rng.random() < 0.3))
    ranges = policy.get("efp", {}).get("ranges", []) if isinstance(policy.get("efp"), dict) else []
    for r in ranges if isinstance(ranges, list) else []:
        # low above high is for encode alone to see
        bounds = [num(r.get(k), "") for k in ("low", "high")] if isinstance(r, dict) else []
        if all(type(b) is int for b in bounds) and bounds and bounds[0] > bounds[1]:
            r["low"], r["high"] = r["high"], r["low"]
    policies.append(policy)

text = "".join(json.dumps(p) + "\n" for p in policies)
run = subprocess.run([tool, "encode", "--stream", "-"], input=text, capture_output=True, text=True)
refused = {}
for line in run.stderr.splitlines():  # "ethplcy: record N, line N: message"
    head, _, message = line.partition(": record ")[2].partition(": ")
    refused[int(head.split(",")[0])] = message
shown = subprocess.run([tool, "show", "--stream", "--json", "-c", "-"], input=run.stdout,
                       capture_output=True, text=True, check=True).stdout.splitlines()
accepted = 0
for n, policy in enumerate(policies, 1):
    errors = list(validator.iter_errors(policy))
    label = json.dumps(policy)
    if n in refused:
        if not errors:
            failures.append(f"schema accepts, encode refuses: {label}: {refused[n]}")
            continue
        said = refused[n]
        # A rule between groups fails at the policy itself (path "").
        if not any(not e.absolute_path or said.startswith(tuple(where(e.absolute_path) + c for c in ":.["))
                   for e in errors):
            failures.append(f"paths differ: {label}: encode says {said!r}, the schema at "
                            f"{sorted({where(e.absolute_path) for e in errors})}")
        continue
    if errors:
        failures.append(f"encode accepts, the schema refuses: {label}: {errors[0].message}")
        continue
    back = json.loads(shown[accepted])
    accepted += 1

    def same(given, got, at):
        if isinstance(given, dict) and isinstance(got, dict):
            for k, v in given.items():
                if k == "$schema":
                    continue
                if k not in got:
                    if not (at == "l2pt." and l2pt_byte(v, at) == 0):  # off: left out
                        failures.append(f"lost {at}{k}: {label}")
                else:
                    same(v, got[k], f"{at}{k}.")
        elif isinstance(given, list) and at == "l2pt.":
            pass  # the five raw bytes come back by protocol name
        elif at.startswith("l2pt.") and at.count(".") == 2:
            if l2pt_byte(given, at) != l2pt_byte(got, at):
                failures.append(f"{at[:-1]}: gave {given!r}, got {got!r}: {label}")
        elif isinstance(given, list) and isinstance(got, list) and len(given) <= len(got):
            for i, (a, b) in enumerate(zip(given, got)):
                same(a, b, f"{at}[{i}].")
            # A tag left without a PCP matches any priority.
            if at != "efp.tag_pcp." and len(given) != len(got) or any(x != "any" for x in got[len(given):]):
                failures.append(f"{at[:-1]}: gave {given!r}, got {got!r}: {label}")
        elif given != got:
            if num(given, at) != num(got, at):
                failures.append(f"{at[:-1]}: gave {given!r}, got {got!r}: {label}")
    same(policy, back, "")
    for group, values in back.items():  # what was not given is its default
        for k, v in values.items() if isinstance(values, dict) and group != "l2pt" else [(None, values)]:
            path, given = (f"{group}.{k}", policy.get(group, {})) if k else (group, policy)
            d = DEFAULTS.get(path)
            if (k or group) in given or d is None:
                continue
            if v != d and not (isinstance(v, list) and v == d[:len(v)]) and num(v, path) != num(d, path):
                failures.append(f"{path}: not given, but {v!r} is not its default {d!r}: {label}")

# The README's policy file that names the schema: valid, and the tool takes it.
readme = (source / "README.md").read_text()
example = readme.split("```json\n", 1)[1].split("```", 1)[0]
for error in validator.iter_errors(json.loads(example)):
    failures.append(f"README example: {where(error.absolute_path)}: {error.message}")
if subprocess.run([tool, "encode", example], capture_output=True).returncode != 0:
    failures.append("README example: encode refuses it")

written = 0
for text in corpus.policies(tool, source, taken_back=True):
    written += 1
    for error in validator.iter_errors(json.loads(text)):
        failures.append(f"corpus text {text[:60]}...: {where(error.absolute_path)}: {error.message}")

print("\n".join(failures[:40]) or
      f"schema ok: {cases} policies, {accepted} accepted by both, {len(refused)} refused by both "
      f"at the same path, round trips hold; {written} corpus texts valid")
sys.exit(1 if failures or written < 10 or accepted < cases // 10 else 0)
