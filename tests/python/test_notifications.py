# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""notifications(a, b) gives the Notifications ethplcy diff --gnmi writes for
the same envelopes, whether a record is bytes, hex or a Policy."""
import json
import os
import pathlib
import subprocess
import tempfile
from typing import Any

import pytest

import eth_if_plcy as e

TOOL = os.environ.get("ETHPLCY", "")
HERE = pathlib.Path(__file__).parents[1] / "tool"


def envelopes() -> tuple[list[dict[str, Any]], list[dict[str, Any]]]:
    sub = e.Policy.from_dict(json.loads((HERE / "sub.json").read_text()))
    trunk = e.Policy.from_dict(json.loads((HERE / "trunk.json").read_text()))
    changed = e.Policy.from_dict(sub.to_dict())
    changed.mtu = 1500
    changed.efp.tag[0].vlan = 300
    a: list[dict[str, Any]] = [{"name": "eth0", "record": trunk.encode()},
         {"name": "eth0", "index": 5, "record": sub.encode().hex()},
         {"name": "eth1", "index": 1, "policy": sub}]
    b: list[dict[str, Any]] = [{"name": "eth0", "index": 5, "policy": changed},
         {"name": "eth1", "index": 1, "deleted": True},
         {"name": "eth2", "record": trunk.encode()}]
    return a, b


@pytest.mark.skipif(not TOOL, reason="ethplcy not built")
def test_the_tools_notifications() -> None:
    a, b = envelopes()
    got = e.notifications(a, b, timestamp=7)
    with tempfile.TemporaryDirectory() as d:
        files = []
        for side, dump in (("a", a), ("b", b)):
            path = pathlib.Path(d) / side
            lines = [{k: (v.encode().hex() if isinstance(v, e.Policy) else
                          v.hex() if isinstance(v, bytes) else v) for k, v in env.items()}
                     for env in dump]
            for env in lines:
                if "policy" in env:
                    env["record"] = env.pop("policy")
            path.write_text("".join(json.dumps(env) + "\n" for env in lines))
            files.append(str(path))
        out = subprocess.run([TOOL, "diff", "--gnmi", "--timestamp", "7", *files],
                             capture_output=True, text=True, check=False)
    assert out.returncode == 1, out.stderr
    assert got == [json.loads(line) for line in out.stdout.splitlines()]
    kinds = {("delete" in n, "atomic" in n) for n in got}
    assert kinds == {(True, False), (False, False), (False, True)}
    assert e.notifications(b, b) == []


@pytest.mark.parametrize("env,text", [
    ({"name": "eth0", "nmae": 1}, "a: an envelope has name, index, record, policy, deleted and net only"),
    ({"name": "eth0", "index": -1, "deleted": True}, "a: \"index\" is a sub-interface index, 0 to 4294967295"),
    ({"name": "eth0", "policy": {"mtu": 1}}, "a: \"policy\" is a Policy (Policy.from_dict makes one of a dict)"),
    ({"name": "eth0", "index": 0, "policy": e.Policy.from_dict({"trunk": {"native_vlan": 1}})},
     "a: a port's record (its type or trunk fields) with an index: leave \"index\" out for the port itself"),
])
def test_refusals(env: dict[str, Any], text: str) -> None:
    with pytest.raises(ValueError) as x:
        e.notifications([env], [])
    assert str(x.value) == text
