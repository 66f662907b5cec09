# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""The corpus's records as the policy JSON the tool writes, in two runs of it.

One record a process costs seconds under the sanitizers for hundreds of
records; one stream of hex lines gives the same texts (stream_lines checks
that a stream reads each line as the line alone).
"""
import pathlib
import subprocess


def hex_lines(source, pattern="record/*"):
    """Each corpus file as a hex line, in name order."""
    records = sorted((pathlib.Path(source) / "fuzz" / "corpus").glob(pattern))
    return "".join(r.read_bytes().hex() + "\n" for r in records)


def policies(tool, source, *flags, taken_back=False, pattern="record/*"):
    """`show --json -c FLAGS` of each record show takes (with taken_back, and encode takes back)."""
    shown = subprocess.run([tool, "show", "--stream", "--json", "-c", *flags, "-"],
                           input=hex_lines(source, pattern), capture_output=True, text=True).stdout
    texts = shown.splitlines()
    if not taken_back:
        return texts
    back = subprocess.run([tool, "encode", "--stream", "-"], input=shown, capture_output=True, text=True)
    refused = {int(line.split("record ", 1)[1].split(",", 1)[0]) for line in back.stderr.splitlines()}
    return [t for n, t in enumerate(texts, 1) if n not in refused]


def stream(tool, args, lines):
    """`ethplcy ARGS` over LINES (texts without newlines, none blank): per line its
    output line, or None and the refusal (the message after "line N: ")."""
    run = subprocess.run([tool, *args, "-"], input="".join(l + "\n" for l in lines),
                         capture_output=True, text=True)
    said = {}
    for line in run.stderr.splitlines():  # ethplcy: record N, line L: message
        where, _, message = line.partition(", line ")[2].partition(": ")
        said[int(where)] = message
    out = iter(run.stdout.splitlines())
    return [(None, said[n]) if n in said else (next(out), "") for n in range(1, len(lines) + 1)]
