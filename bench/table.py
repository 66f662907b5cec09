# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""Turns Google Benchmark JSON (with median aggregates) into the table of
ns/op and the ratios that matter."""
import json
import sys

data = json.load(open(sys.argv[1]))
ns = {}
counters = {}
for b in data["benchmarks"]:
    if b.get("aggregate_name") != "median":
        continue
    name = b["run_name"]
    scale = {"ns": 1, "us": 1e3, "ms": 1e6}[b["time_unit"]]
    ns[name] = b["real_time"] * scale
    counters[name] = {k: v for k, v in b.items() if k in ("record_bytes", "packed_bytes", "chars")}

policies = ["a_trunk", "b_sub_dot1q", "c_sub_qinq_ranges"]
ops = ["encode", "decode", "hton", "ntoh", "copy", "copy_hton", "replace_same_size",
       "compare_equal", "print_full", "print_compact", "print_brief", "ext_print_full",
       "ext_print_compact", "floor_calloc_free", "floor_malloc_memcpy_free", "floor_swap",
       "protobuf_pack", "protobuf_unpack"]

print("%-20s" % "ns/op (median)" + "".join("%20s" % p for p in policies))
for op in ops:
    cells = ["%20s" % ("%.1f" % ns[f"{p}/{op}"] if f"{p}/{op}" in ns else "-") for p in policies]
    print("%-20s" % op + "".join(cells))
sizes = ["%20s" % int(counters.get(f"{p}/encode", {}).get("record_bytes", 0)) for p in policies]
print("%-20s" % "record bytes" + "".join(sizes))
packed = ["%20s" % int(counters.get(f"{p}/protobuf_pack", {}).get("packed_bytes", 0))
          for p in policies if f"{p}/protobuf_pack" in counters]
if packed:
    print("%-20s" % "protobuf-c bytes" + "".join(packed))
print("floor/memset_ext %.1f ns, floor/snprintf_60 %.1f ns" % (ns["floor/memset_ext"], ns["floor/snprintf_60"]))

U = ns["a_trunk/floor_calloc_free"]
per_char = ns["floor/snprintf_60"] / 60
print("\nratios (target in brackets; U = calloc+free of 72 bytes = %.1f ns)" % U)
rows = []
for p in policies:
    g = lambda op: ns[f"{p}/{op}"]
    decode_target = 2.5 if p == "c_sub_qinq_ranges" else 1.5
    chars = counters[f"{p}/print_full"].get("chars", 1)
    rows += [
        (p, "encode / calloc+free same size", g("encode") / g("floor_calloc_free"), 2.5, "<="),
        (p, "decode / U", g("decode") / U, decode_target, "<="),
        (p, "hton / swap floor", g("hton") / g("floor_swap"), 3.0, "<="),
        (p, "ntoh / swap floor", g("ntoh") / g("floor_swap"), 3.0, "<="),
        (p, "copy / malloc+memcpy+free", g("copy") / g("floor_malloc_memcpy_free"), 1.3, "<="),
        (p, "compare equal / U", g("compare_equal") / U, 2.0, "<="),
        (p, "print_full per char / snprintf per char", g("print_full") / chars / per_char, 2.0, "<="),
    ]
    if f"{p}/protobuf_pack" in ns:
        rows.append((p, "protobuf-c (pack+unpack) / ours (encode+decode)",
                     (g("protobuf_pack") + g("protobuf_unpack")) / (g("encode") + g("decode")), 10.0, ">="))
for p, what, value, target, sense in rows:
    ok = value <= target if sense == "<=" else value >= target
    print("%-20s %-48s %6.2f  [%s %.1f] %s" % (p, what, value, sense, target, "ok" if ok else "MISSED"))
