# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""`encode --stream` of JSON Lines against `encode` of each line alone, a seeded property.

The lines: the corpus's records as `show --json -c` writes them (with and
without --words), and each of them mutated at random (a digit changed, a
key's letter changed or written as a \\u escape, a quote moved over its
neighbour, a member dropped or doubled). One stream of all of them gives (with
the strict check and with --no-check), line by line, the record or the refusal
that the stream through the parse tree gives (ETHPLCY_JSON_READER=simdjson, no
one-pass scan): the scan never disagrees. Every seventh line is also encoded
alone through the parse tree: a stream reads a line as the line alone.

    python3 check_stream_lines.py ETHPLCY SOURCE_DIR [SEED]
"""
import json
import os
import pathlib
import random
import subprocess
import sys
import tempfile

import corpus

tool, source = sys.argv[1], pathlib.Path(sys.argv[2])
rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 20261207)


def run(args, env=None, given=None):
    return subprocess.run([tool, *args], capture_output=True, text=True, env=env, input=given)


valid = list(dict.fromkeys(corpus.policies(tool, source) + corpus.policies(tool, source, "--words")))
valid = rng.sample(valid, min(len(valid), 80))


def dump(value):
    """JSON text of a value whose objects are lists of pairs (duplicates kept)."""
    if isinstance(value, list) and value and all(isinstance(p, tuple) for p in value):
        return "{" + ",".join(json.dumps(k) + ":" + dump(v) for k, v in value) + "}"
    if isinstance(value, list):
        return "[" + ",".join(dump(v) for v in value) + "]"
    return json.dumps(value, separators=(",", ":"))


def objects(value):
    if isinstance(value, list) and value and all(isinstance(p, tuple) for p in value):
        yield value
        for _, v in value:
            yield from objects(v)
    elif isinstance(value, list):
        for v in value:
            yield from objects(v)


def mutated(line):
    kind = rng.choice(["digit", "key", "escape", "quote", "drop", "double"])
    if kind in ("drop", "double"):
        tree = json.loads(line, object_pairs_hook=lambda pairs: [tuple(p) for p in pairs])
        members = [o for o in objects(tree)]
        if not members:
            return line
        o = rng.choice(members)
        i = rng.randrange(len(o))
        o[i:i + 1] = [] if kind == "drop" else [o[i], o[i]]
        return dump(tree)
    if kind == "digit":
        places = [i for i, c in enumerate(line) if c.isdigit()]
        i = rng.choice(places)
        return line[:i] + rng.choice("0123456789") + line[i + 1:]
    if kind in ("key", "escape"):
        places = [i for i in range(1, len(line)) if line[i].isalpha() and line[i - 1] == '"']
        i = rng.choice(places) + rng.randrange(3)
        if not line[i].isalnum():
            return line
        new = f"\\u{ord(line[i]):04x}" if kind == "escape" else rng.choice("abcxyz_.")
        return line[:i] + new + line[i + 1:]
    # A quote moved over a neighbour that is no bracket: the line still frames alone.
    places = [i for i in range(1, len(line) - 1) if line[i] == '"']
    i = rng.choice(places)
    j = i + rng.choice([-1, 1])
    if line[j] in '{}[]\\"':
        return line
    a, b = sorted((i, j))
    return line[:a] + line[b] + line[a] + line[b + 1:]


lines = []
for line in valid:
    lines.append(line)
    lines += [mutated(line) for _ in range(2)]

tree = dict(os.environ, ETHPLCY_JSON_READER="simdjson")
failures, accepted = 0, 0
for check in ([], ["--no-check"]):  # the scan's strict and loose reading
    with tempfile.NamedTemporaryFile("w", suffix=".jsonl") as f:
        f.write("\n".join(lines) + "\n")
        f.flush()
        stream = run(["encode", *check, "--stream", f.name])
        full = run(["encode", *check, "--stream", f.name], env=tree)
    want_out = full.stdout.splitlines(keepends=True)
    # The full reader's stream against each line alone, every seventh line
    # (a process a line costs minutes under the sanitizers).
    for n, line in list(enumerate(lines, 1))[::7]:
        alone = run(["encode", *check, "-"], env=tree, given=line + "\n")
        message = alone.stderr.removeprefix("ethplcy: ")
        said = f"ethplcy: record {n}, line {n}: {message}" if message else ""
        if (alone.returncode == 0) != (said == "") or said and said not in full.stderr.splitlines(True) \
                or alone.stdout and alone.stdout not in want_out:
            failures += 1
            print(f"FAIL {check}: line {n} alone gives {alone.stdout or said!r}, not in the stream's")
    for what, got, want in (("records", stream.stdout, full.stdout),
                            ("refusals", stream.stderr, full.stderr)):
        if got != want:
            failures += 1
            got_lines, want_lines = got.splitlines(), want.splitlines()
            first = next((i for i, (g, w) in enumerate(zip(got_lines, want_lines)) if g != w),
                         min(len(got_lines), len(want_lines)))
            print(f"FAIL {check} {what}: {len(got_lines)} lines, want {len(want_lines)}; first difference:")
            print("  got: ", got_lines[first] if first < len(got_lines) else "(none)")
            print("  want:", want_lines[first] if first < len(want_lines) else "(none)")
    accepted += len(want_out)
lines *= 2
accepted = len(want_out)
if not 0 < accepted < len(lines):
    failures += 1
    print(f"FAIL: {accepted} of {len(lines)} lines accepted: the mix tells nothing")
print(f"{len(lines)} lines, {accepted} accepted, {len(lines) - accepted} refused:",
      "FAILED" if failures else "same as encode of each line alone")
sys.exit(1 if failures else 0)
