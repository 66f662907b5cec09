# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""Policy.from_openconfig gives the tool's verdict, word for word, on every
input of tests/tool/oc_verdicts.py, and the tool's record where it takes one."""
import json
import os
import pathlib
import subprocess
import sys
import warnings
from typing import Any

import pytest

import eth_if_plcy as e

sys.path.insert(0, str(pathlib.Path(__file__).parents[1] / "tool"))
from oc_verdicts import VERDICTS  # type: ignore  # noqa: E402

TOOL = os.environ.get("ETHPLCY", "")


@pytest.mark.parametrize("what,doc,name,index,verdict,text", VERDICTS, ids=[v[0] for v in VERDICTS])
def test_verdict(what: str, doc: dict[str, Any], name: str, index: int, verdict: str,
                 text: str) -> None:
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        try:
            p = e.Policy.from_openconfig(doc, name or None, index)
            got = "noted" if caught else "carried"
        except e.BadPolicy as x:
            p, got = None, "refused"
            assert x.reason == text
    assert got == verdict
    notes = [str(w.message) for w in caught if w.category is e.NotCarried]
    assert notes == ([text] if verdict == "noted" else [])
    if verdict == "noted":
        with pytest.raises(e.BadPolicy) as strict:
            e.Policy.from_openconfig(doc, name or None, index, strict=True)
        assert strict.value.reason == text
    if p is not None and TOOL:
        args = (["--name", name] if name else []) + ([] if index is None else ["--index", str(index)])
        tool = subprocess.run([TOOL, "openconfig", *args, json.dumps(doc)], capture_output=True,
                              text=True)
        assert tool.stdout.strip() == p.encode().hex()
