# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""Reference counts, under python3-dbg: every hostile case of test_robust and
its everyday calls (views, round trips), each run many times; the
interpreter's total count of references must not grow (a leak on any path
grows it)."""
import gc
import sys
import warnings
from typing import Any, Callable

import test_robust as t
import eth_if_plcy as e

RECORDS = [p.read_bytes() for p in sorted((t.SOURCE / "fuzz" / "corpus").glob("*/*"))]


def round_trips() -> None:
    for rec in RECORDS:
        try:
            p = e.Policy.decode(rec)
            p.mtu = p.mtu
            p.encode(check=False)
            e.Policy.from_openconfig(p.to_openconfig("eth0", 1))
        except e.Error:
            pass


def case(act: Callable[[Any], Any]) -> Callable[[], None]:
    def run() -> None:
        t.DropsOnEq.victim = {"configured": 1, "tag": [{"ethertype": 1, "vlan": 1}]}
        t.HashFails.hashed = False
        try:
            act(e.Policy.from_dict(t.SUB))
        except Exception:
            pass
    return run


def growth(fn: Callable[[], Any], runs: int) -> float:
    for _ in range(10):
        fn()
    gc.collect()
    before = sys.gettotalrefcount()
    for _ in range(runs):
        fn()
    gc.collect()
    return (sys.gettotalrefcount() - before) / runs


def main() -> int:
    assert hasattr(sys, "gettotalrefcount"), "run under python3-dbg"
    warnings.simplefilter("ignore", e.NotCarried)
    failed = 0
    everyday = [("views", t.test_views_read_and_write_the_record), ("round trips", round_trips)]
    for name, fn in everyday + [(c[0], case(c[1])) for c in t.CASES]:
        g = growth(fn, 10 if "300,000" in name else 100)  # that one is slow to build
        failed += g >= 1
        print(f"{g:8.2f} references per run  {name}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
