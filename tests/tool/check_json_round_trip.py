# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""JSON carries every record whole: `show --json X | encode` gives back X's
bytes for every record of the tests and every record encode made.

A fuzzed seed may hold bytes no field carries (an EFP that is not configured,
spare bits): its first pass through JSON makes such a record, which must then
come back byte for byte. A seed that mixes sub-interface and trunk fields
without a type, which encode refuses, has no way back. The one-line text
(written straight, as streams write it) is the tree's indented text compacted,
byte for byte, with and without --words. Records go through streams, a few
runs of the tool in all (one a record is minutes under the sanitizers).

    python3 check_json_round_trip.py ETHPLCY SOURCE_DIR
"""
import json
import pathlib
import subprocess
import sys

import corpus

tool, src = sys.argv[1], pathlib.Path(sys.argv[2])
failed = []


def encode(texts, *net):
    """Checked encode where the policy passes the check, else the format's own."""
    got = corpus.stream(tool, ["encode", "--stream", *net], texts)
    loose = iter(corpus.stream(tool, ["encode", "--stream", "--no-check", *net],
                               [t for t, (out, _) in zip(texts, got) if out is None]))
    return [(out, why) if out is not None else next(loose) for out, why in got]


# The tests' network images and vectors.
images = sorted(src.glob("tests/tool/*.net.hex")) + sorted(src.glob("tests/vectors/[0-9][0-9].net"))
hexes = ["".join(f.read_text().split()) for f in images]
shown = corpus.stream(tool, ["show", "--stream", "--net", "--json", "-c"], hexes)
back = encode([text or "{}" for text, _ in shown], "--net")
exact = sum(h == b for h, (b, _) in zip(hexes, back))
failed += [f"{f.name}: {b or why}" for f, h, (b, why) in zip(images, hexes, back) if h != b]

# The corpora of record bytes (the others hold JSON or the encode fuzzer's input).
files = sorted(src.glob("fuzz/corpus/record/*")) + sorted(src.glob("fuzz/corpus/print/*"))
files = [f for f in files if f.stat().st_size]
hexes = [f.read_bytes().hex() for f in files]
shown = corpus.stream(tool, ["show", "--stream", "--json", "-c"], hexes)
taken = [(f, h, text) for f, h, (text, _) in zip(files, hexes, shown) if text is not None]
again = encode([text for _, _, text in taken])
refused = 0
for (f, _, _), (out, why) in zip(taken, again):
    if out is None and why != "encode refused the policy: policy cannot be represented":
        failed.append(f"{f.name}: {why}")
    refused += out is None
pairs = [(f, h, out) for (f, h, _), (out, _) in zip(taken, again) if out is not None]
exact += sum(h == out for _, h, out in pairs)
fuzzed = [(f, out) for f, h, out in pairs if h != out]
second = corpus.stream(tool, ["show", "--stream", "--json", "-c"], [out for _, out in fuzzed])
third = encode([text or "{}" for text, _ in second])
fixed = sum(out == t for (_, out), (t, _) in zip(fuzzed, third))
failed += [f"{f.name}: second pass" for (f, out), (t, _) in zip(fuzzed, third) if out != t]

# The one-line texts against the indented ones, compacted.
written = 0
for words in ([], ["--words"]):
    lines = corpus.stream(tool, ["show", "--stream", "--json", "-c", *words], [h for _, h, _ in taken])
    for (f, _, _), (line, _) in zip(taken, lines):
        pretty = subprocess.run([tool, "show", "--binary", "--json", *words, str(f)],
                                capture_output=True, text=True).stdout
        written += 1
        if line != json.dumps(json.loads(pretty), separators=(",", ":")):
            failed.append(f"{f.name} {words}: the one-line text is not the indented one compacted")

print("\n".join(f"FAIL: {f}" for f in failed[:40]))
print(f"{exact} records given back byte for byte, {fixed} fuzzed ones after one pass, "
      f"{refused} that encode refuses, {written} one-line texts")
# Fewer records than the corpora hold means a corpus moved and went unchecked.
sys.exit(1 if failed or exact + fixed < 150 or written < 200 else 0)
