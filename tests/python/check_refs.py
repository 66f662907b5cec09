# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""Reference counts, under python3-dbg: every hostile case of test_robust and
the everyday calls, each run many times; the interpreter's total count of
references must not grow with the runs (a leak on any path grows it)."""
import gc
import sys
from typing import Any, Callable, List

import test_robust as t
import eth_if_plcy as e

RECORD = e.Policy.from_dict(t.SUB).encode()


def everyday() -> None:
    p: Any = e.Policy.decode(RECORD)
    p.to_dict(), repr(p), p.efp.tag[0].vlan, p.efp.tag == [], p.sub == {"parent": 1}
    p.mtu = 1500
    p.efp.tag[0].vlan = 7
    q: Any = e.Policy.from_dict(p.to_dict())
    q.efp = p.efp
    q.encode(check=False), e.diff(RECORD, q.encode()), e.render(RECORD)
    refusals: List[Callable[[], Any]] = [lambda: e.Policy.decode(e.hton(RECORD)),
                                         lambda: setattr(p, "mtu", -1)]
    for bad in refusals:
        try:
            bad()
        except e.Error as refused:
            str(refused)


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
    failed = 0
    for name, fn in [("everyday calls", everyday)] + [(c[0], case(c[1])) for c in t.CASES]:
        g = growth(fn, 10 if "300,000" in name else 300)  # that one is slow to build
        failed += g >= 1
        print(f"{g:8.2f} references per run  {name}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
