# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""ethplcy-serve through a gNMI client (python3-grpcio, stubs from the
project's gnmi.proto): what it serves equals ethplcy diff --gnmi's
notifications for the same records."""
import itertools
import json
import os
import pathlib
import queue
import re
import subprocess
import sys
import tempfile
import threading
from typing import Any, Iterator

import pytest

SERVE = os.environ.get("SERVE", "")
TOOL = os.environ.get("ETHPLCY", "")
sys.path.insert(0, os.environ.get("SERVE_STUBS", ""))
grpc = pytest.importorskip("grpc", reason="python3-grpcio is not installed")
gnmi_pb2 = pytest.importorskip("gnmi_pb2", reason="the gNMI stubs were not generated")
gnmi_pb2_grpc = pytest.importorskip("gnmi_pb2_grpc")
from google.protobuf import json_format  # noqa: E402

pytestmark = pytest.mark.skipif(
    not SERVE, reason="ethplcy-serve not built (gRPC++ and protobuf not found)")

HERE = pathlib.Path(__file__).parents[1] / "tool"
SUB = json.loads((HERE / "sub.json").read_text())
TRUNK = json.loads((HERE / "trunk.json").read_text())
CHANGED = json.loads(json.dumps(SUB))
CHANGED["mtu"] = 1500
CHANGED["efp"]["tag"][0]["vlan"] = 300
A = [{"name": "eth0", "policy": TRUNK}, {"name": "eth0", "index": 5, "policy": SUB},
     {"name": "eth0", "index": 6, "policy": SUB}, {"name": "eth1", "index": 1, "policy": SUB}]
# eth0.5 changed, eth0.6 deleted: the state after B is A_AFTER.
B = [{"name": "eth0", "index": 5, "policy": CHANGED}, {"name": "eth0", "index": 6, "deleted": True}]
A_AFTER = [A[0], B[0], A[3]]
WAIT = 20  # seconds: a bound on each wait for an event, never a sleep


def lines(dump: list[dict[str, Any]]) -> str:
    return "".join(json.dumps(env) + "\n" for env in dump)


def diff(a: list[dict[str, Any]], b: list[dict[str, Any]]) -> list[dict[str, Any]]:
    with tempfile.TemporaryDirectory() as d:
        pa, pb = pathlib.Path(d) / "a", pathlib.Path(d) / "b"
        pa.write_text(lines(a))
        pb.write_text(lines(b))
        out = subprocess.run([TOOL, "diff", "--gnmi", "--timestamp", "1", str(pa), str(pb)],
                             capture_output=True, text=True, check=False)
    assert out.returncode in (0, 1), out.stderr
    return [untimed(json.loads(line)) for line in out.stdout.splitlines()]


def untimed(n: dict[str, Any]) -> dict[str, Any]:
    n.pop("timestamp", None)
    return n


def as_dict(n: Any) -> dict[str, Any]:
    return untimed(json_format.MessageToDict(n))


class Target:
    """ethplcy-serve on a free loopback port; its standard error read as it comes."""

    def __init__(self, args: list[str], stdin: Any = subprocess.DEVNULL) -> None:
        self.proc = subprocess.Popen([SERVE, "--listen", "127.0.0.1:0", *args], stdin=stdin,
                                     stderr=subprocess.PIPE, text=True)
        self.log: queue.Queue[str] = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        self.port = int(self.wait_for(r"listening on 127\.0\.0\.1:(\d+)").group(1))

    def _read(self) -> None:
        assert self.proc.stderr is not None
        for line in self.proc.stderr:
            self.log.put(line)

    def wait_for(self, pattern: str) -> re.Match[str]:
        while True:
            line = self.log.get(timeout=WAIT)
            m = re.search(pattern, line)
            if m:
                return m

    def close(self) -> None:
        self.proc.kill()
        self.proc.wait()


@pytest.fixture(name="files")
def fixture_files() -> Iterator[pathlib.Path]:
    with tempfile.TemporaryDirectory() as d:
        (pathlib.Path(d) / "a").write_text(lines(A) + "not json\n")
        yield pathlib.Path(d)


def path(text: str) -> Any:
    """/a/b[k=v]/c as a gNMI Path."""
    p = gnmi_pb2.Path()
    for name, keys in re.findall(r"([^/\[]+)((?:\[[^\]]*\])*)", text):
        e = p.elem.add(name=name)
        for k, v in re.findall(r"\[([^=]+)=([^\]]*)\]", keys):
            e.key[k] = v
    return p


def get(stub: Any, *paths: str, prefix: str = "", kind: int = 0) -> list[dict[str, Any]]:
    req = gnmi_pb2.GetRequest(prefix=path(prefix), path=[path(p) for p in paths],
                              encoding=gnmi_pb2.JSON_IETF, type=kind)
    return [as_dict(n) for n in stub.Get(req, timeout=WAIT).notification]


def subscription(mode: Any, *paths: str, sub_mode: Any = 0) -> Any:
    return gnmi_pb2.SubscribeRequest(subscribe=gnmi_pb2.SubscriptionList(
        mode=mode, encoding=gnmi_pb2.PROTO,
        subscription=[gnmi_pb2.Subscription(path=path(p), mode=sub_mode) for p in paths]))


def code(call: Any) -> Any:
    with pytest.raises(grpc.RpcError) as err:
        call()
    return err.value.code()


def test_plain_text_capabilities_get_once_poll(files: pathlib.Path) -> None:
    t = Target(["--insecure", str(files / "a")])
    try:
        t.wait_for(r"a, record 5, line 5: .*not")  # refused with one line; the rest served
        t.wait_for(r"end of .*: 4 records applied, 1 refused")
        stub = gnmi_pb2_grpc.gNMIStub(grpc.insecure_channel(f"127.0.0.1:{t.port}"))
        caps = stub.Capabilities(gnmi_pb2.CapabilityRequest(), timeout=WAIT)
        models = {m.name: m for m in caps.supported_models}
        yang = subprocess.run([TOOL, "yang"], capture_output=True, text=True, check=True).stdout
        oc = subprocess.run([TOOL, "yang", "--openconfig"], capture_output=True, text=True,
                            check=True).stdout
        assert f"revision {models['eth-if-plcy'].version}" in yang
        assert f"revision {models['eth-if-plcy-oc'].version}" in oc
        assert models["openconfig-interfaces"].organization == "OpenConfig working group"
        assert list(caps.supported_encodings) == [gnmi_pb2.JSON_IETF, gnmi_pb2.PROTO]
        assert caps.gNMI_version == "0.10.0"

        full = diff([], A)
        assert get(stub, "/interfaces/interface[name=eth0]/state/mtu") == [
            {"prefix": full[0]["prefix"], "update": [
                {"path": {"elem": [{"name": "state"}, {"name": "mtu"}]},
                 "val": {"uintVal": "9216"}}]}]
        sub5 = "/interfaces/interface[name=eth0]/subinterfaces/subinterface[index=5]"
        assert get(stub, "", prefix=sub5) == [n for n in full if n["prefix"] == full[1]["prefix"]]
        enabled = get(stub, "/interfaces/interface[name=*]/subinterfaces/subinterface/state/enabled")
        assert [(n["prefix"]["elem"][1]["key"]["name"], n["prefix"]["elem"][3]["key"]["index"],
                 n["update"][0]["val"]) for n in enabled] == [
            ("eth0", "5", {"boolVal": True}), ("eth0", "6", {"boolVal": True}),
            ("eth1", "1", {"boolVal": True})]
        assert get(stub, "/interfaces/.../state/efp/exact") == get(
            stub, "/interfaces/interface/subinterfaces/subinterface/policy/state/efp/exact")
        mtu = "/interfaces/interface[name=eth0]/*/mtu"
        assert [[u["path"]["elem"][0]["name"] for u in n["update"]]
                for n in get(stub, mtu, kind=gnmi_pb2.GetRequest.CONFIG) +
                get(stub, mtu, kind=gnmi_pb2.GetRequest.STATE) + get(stub, mtu)] == [
            ["config"], ["state"], ["config", "state"]]
        assert code(lambda: get(stub, "/interfaces/interface[name=eth9]")) == \
            grpc.StatusCode.NOT_FOUND
        bad = gnmi_pb2.Path(elem=[gnmi_pb2.PathElem(name="interfaces"), gnmi_pb2.PathElem()])
        assert code(lambda: stub.Get(gnmi_pb2.GetRequest(path=[bad], encoding=gnmi_pb2.PROTO),
                                     timeout=WAIT)) == grpc.StatusCode.INVALID_ARGUMENT
        # Many "..." cost a table, not a search that doubles with each one.
        assert code(lambda: get(stub, "/interfaces" + "/..." * 60 + "/x")) == \
            grpc.StatusCode.NOT_FOUND
        assert code(lambda: get(stub, "/a" * 65)) == grpc.StatusCode.INVALID_ARGUMENT
        assert code(lambda: stub.Set(gnmi_pb2.SetRequest(), timeout=WAIT)) == \
            grpc.StatusCode.UNIMPLEMENTED
        assert code(lambda: stub.Get(gnmi_pb2.GetRequest(encoding=gnmi_pb2.JSON),
                                     timeout=WAIT)) == grpc.StatusCode.UNIMPLEMENTED
        assert code(lambda: stub.Get(gnmi_pb2.GetRequest(type=9, encoding=gnmi_pb2.PROTO),
                                     timeout=WAIT)) == grpc.StatusCode.INVALID_ARGUMENT
        # A prefix's target comes back.
        dev = gnmi_pb2.GetRequest(prefix=gnmi_pb2.Path(target="dev1", elem=path(sub5).elem),
                                  encoding=gnmi_pb2.PROTO)
        assert {n.prefix.target for n in stub.Get(dev, timeout=WAIT).notification} == {"dev1"}

        once = list(stub.Subscribe(iter([subscription(gnmi_pb2.SubscriptionList.ONCE,
                                                      "/interfaces")]), timeout=WAIT))
        assert [as_dict(r.update) for r in once[:-1]] == full
        assert once[-1].sync_response

        polls: queue.Queue[Any] = queue.Queue()
        poll = subscription(gnmi_pb2.SubscriptionList.POLL, "/interfaces/interface[name=eth1]")
        poll.subscribe.prefix.target = "dev1"  # still echoed once a poll has replaced the list
        polls.put(poll)
        replies = stub.Subscribe(iter(polls.get, None), timeout=WAIT)
        eth1 = [n for n in full if n["prefix"] == full[-1]["prefix"]]
        for _ in range(2):  # the state at once, then at the poll
            got = [next(replies).update for _ in eth1]
            assert {u.prefix.target for u in got} == {"dev1"}
            for u in got:
                u.prefix.ClearField("target")
            assert [as_dict(u) for u in got] == eth1
            assert next(replies).sync_response
            polls.put(gnmi_pb2.SubscribeRequest(poll=gnmi_pb2.Poll()))
        replies.cancel()
        for mode, interval in ((gnmi_pb2.SAMPLE, "sample_interval"),
                               (gnmi_pb2.ON_CHANGE, "heartbeat_interval")):
            req = subscription(gnmi_pb2.SubscriptionList.STREAM,
                               "/interfaces/interface[name=eth1]", sub_mode=mode)
            setattr(req.subscribe.subscription[0], interval, 1)  # 1 ns: the shortest, 100 ms
            replies = stub.Subscribe(iter([req]), timeout=WAIT)
            first = [next(replies).update for _ in eth1]
            assert [as_dict(u) for u in first] == eth1
            assert next(replies).sync_response  # then, unchanged, the state again, stamped anew
            again = [next(replies).update for _ in eth1]
            assert [as_dict(u) for u in again] == eth1, mode
            assert min(u.timestamp for u in again) > max(u.timestamp for u in first), mode
            replies.cancel()
    finally:
        t.close()


def test_stream_on_change_is_the_diff_of_each_change() -> None:
    t = Target(["--insecure"], stdin=subprocess.PIPE)
    assert t.proc.stdin is not None
    try:
        stub = gnmi_pb2_grpc.gNMIStub(grpc.insecure_channel(f"127.0.0.1:{t.port}"))
        requests: queue.Queue[Any] = queue.Queue()
        requests.put(subscription(gnmi_pb2.SubscriptionList.STREAM, "/interfaces",
                                  sub_mode=gnmi_pb2.ON_CHANGE))
        replies = stub.Subscribe(iter(requests.get, None), timeout=WAIT)
        assert next(replies).sync_response  # nothing read yet: the empty state
        for before, dump, after in (([], A, A), (A, B, A_AFTER)):
            t.proc.stdin.write(lines(dump))
            t.proc.stdin.flush()
            want = diff(before, after)
            assert [as_dict(next(replies).update) for _ in want] == want
        changed = [n for n in want if "update" in n]
        assert {u["path"]["elem"][-1]["name"] for n in changed for u in n["update"]} == \
            {"mtu", "tag"}  # exactly the changed leaves
        assert want[-1] == {"prefix": {"elem": [
            {"name": "interfaces"}, {"name": "interface", "key": {"name": "eth0"}},
            {"name": "subinterfaces"}, {"name": "subinterface", "key": {"index": "6"}}]},
            "delete": [{}]}
        t.proc.stdin.close()
        t.wait_for(r"end of standard input: 6 records applied, 0 refused")
        replies.cancel()
        quiet = subscription(gnmi_pb2.SubscriptionList.ONCE, "/interfaces")
        quiet.subscribe.updates_only = True  # no initial state: at once in sync
        assert [r.sync_response for r in stub.Subscribe(iter([quiet]), timeout=WAIT)] == [True]
        bad = subscription(gnmi_pb2.SubscriptionList.STREAM, "/interfaces")
        bad.subscribe.subscription[0].path.elem.add(name="x").key[""] = "1"
        assert code(lambda: list(stub.Subscribe(iter([bad]), timeout=WAIT))) == \
            grpc.StatusCode.INVALID_ARGUMENT
    finally:
        t.close()


def openssl(*args: str) -> None:
    subprocess.run(["openssl", *args], check=True, capture_output=True)


def test_mutual_tls_refuses_a_client_without_a_certificate(files: pathlib.Path) -> None:
    key = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    d = str(files)
    openssl("req", "-x509", *key, "-days", "1", "-subj", "/CN=test CA", "-keyout", f"{d}/ca.key",
            "-out", f"{d}/ca.crt")
    (files / "san").write_text("subjectAltName=DNS:localhost,IP:127.0.0.1\n")
    for who in ("target", "client"):
        openssl("req", *key, "-subj", f"/CN={who}", "-keyout", f"{d}/{who}.key", "-out",
                f"{d}/{who}.csr")
        openssl("x509", "-req", "-in", f"{d}/{who}.csr", "-CA", f"{d}/ca.crt", "-CAkey",
                f"{d}/ca.key", "-CAcreateserial", "-days", "1", "-extfile", f"{d}/san",
                "-out", f"{d}/{who}.crt")
    for host in ("0.0.0.0", "127.0.0.1.example.net", "[::]"):
        no_tls = subprocess.run([SERVE, "--listen", f"{host}:0", "--insecure"],
                                capture_output=True, text=True, check=False)
        assert no_tls.returncode == 2 and "loopback address only" in no_tls.stderr, host
    t = Target(["--tls-cert", f"{d}/target.crt", "--tls-key", f"{d}/target.key", "--tls-ca",
                f"{d}/ca.crt", f"{d}/a"])
    try:
        ca = (files / "ca.crt").read_bytes()
        opts = [("grpc.ssl_target_name_override", "localhost")]

        def caps(creds: Any) -> Any:
            channel = grpc.secure_channel(f"127.0.0.1:{t.port}", creds, options=opts)
            return gnmi_pb2_grpc.gNMIStub(channel).Capabilities(gnmi_pb2.CapabilityRequest(),
                                                                timeout=WAIT)
        mutual = grpc.ssl_channel_credentials(ca, (files / "client.key").read_bytes(),
                                              (files / "client.crt").read_bytes())
        assert caps(mutual).gNMI_version == "0.10.0"
        assert code(lambda: caps(grpc.ssl_channel_credentials(ca))) == \
            grpc.StatusCode.UNAVAILABLE
    finally:
        t.close()


def stream(port: int, **kw: Any) -> Iterator[Any]:
    """A STREAM ON_CHANGE subscriber of /interfaces; its empty state's sync_response read."""
    stub = gnmi_pb2_grpc.gNMIStub(grpc.insecure_channel(f"127.0.0.1:{port}"))
    req = subscription(gnmi_pb2.SubscriptionList.STREAM, "/interfaces", sub_mode=gnmi_pb2.ON_CHANGE)
    replies = stub.Subscribe(iter([req]), timeout=WAIT, **kw)
    assert next(replies).sync_response
    return replies


def receive(replies: Iterator[Any], before: list[Any], after: list[Any]) -> None:
    want = diff(before, after)
    assert [as_dict(next(replies).update) for _ in want] == want


def test_fifo_writers_in_turn_and_a_long_line(files: pathlib.Path) -> None:
    fifo = files / "fifo"
    os.mkfifo(fifo)
    t = Target(["--insecure", str(fifo)])
    try:
        replies = stream(t.port)
        with open(fifo, "w", encoding="utf-8") as w:  # a line over 1 MiB is skipped, not held
            w.write('{"name": "' + "x" * (1 << 20) + '"}\n' + lines(A))
        t.wait_for(r"fifo, record 1, line 1: longer than 1 MiB")
        receive(replies, [], A)
        t.wait_for(r"fifo: the writer closed it \(4 records applied, 1 refused\); waiting")
        fifo.write_text(lines(B))  # the next writer
        receive(replies, A, A_AFTER)
        replies.cancel()
    finally:
        t.close()


def test_follow_a_file_that_grows_rotates_and_is_truncated(files: pathlib.Path) -> None:
    log = files / "log"
    log.write_text(lines(A)[:10])  # a line cut at the end waits for its end
    t = Target(["--insecure", "--follow", str(log)])
    try:
        replies = stream(t.port)
        with open(log, "a", encoding="utf-8") as w:
            w.write(lines(A)[10:])
        receive(replies, [], A)
        log.rename(files / "log.1")
        with open(files / "log.1", "a", encoding="utf-8") as w:  # the old file is finished
            w.write(lines(B[:1]))
        log.write_text(lines(B[1:]) + " " * 4096 + "\n")  # then the new one, from its start
        receive(replies, A, A[:1] + B[:1] + A[2:])
        receive(replies, A[:1] + B[:1] + A[2:], A_AFTER)
        t.wait_for(r"a new file under the name, read from its start")
        log.write_text(lines([A[2]]))  # shorter than what was read: truncated
        t.wait_for(r"log: truncated, read again from its start")
        receive(replies, A_AFTER, A_AFTER + [A[2]])
        replies.cancel()
    finally:
        t.close()


def test_passwords_from_an_auth_file(files: pathlib.Path) -> None:
    hashed = subprocess.run(["openssl", "passwd", "-6", "s3cret"], capture_output=True, text=True,
                            check=True).stdout.strip()
    users = files / "users"
    users.write_text(f"# collectors\nadmin:{hashed}\nbob:plain\n")
    bad = subprocess.run([SERVE, "--insecure", "--listen", "127.0.0.1:0", "--auth-file",
                          str(users)], capture_output=True, text=True, check=False, timeout=WAIT)
    assert (bad.returncode, bad.stderr) == (2, f"ethplcy-serve: {users}, line 3: not a crypt(3) "
                                            "hash (mkpasswd or openssl passwd -6 makes one)\n")
    users.write_text(f"admin:{hashed}\nadmin:{hashed}\n")
    bad = subprocess.run([SERVE, "--insecure", "--listen", "127.0.0.1:0", "--auth-file",
                          str(users)], capture_output=True, text=True, check=False, timeout=WAIT)
    assert bad.stderr == f'ethplcy-serve: {users}, line 2: a second line for user "admin"\n'
    users.write_text(f"admin:{hashed}\n")
    t = Target(["--insecure", "--auth-file", str(users)])
    try:
        stub = gnmi_pb2_grpc.gNMIStub(grpc.insecure_channel(f"127.0.0.1:{t.port}"))

        def caps(*metadata: tuple[str, str]) -> Any:
            return stub.Capabilities(gnmi_pb2.CapabilityRequest(), metadata=metadata, timeout=WAIT)
        assert caps(("username", "admin"), ("password", "s3cret")).gNMI_version == "0.10.0"
        assert code(lambda: caps(("username", "admin"), ("password", "hunter2"))) == \
            grpc.StatusCode.UNAUTHENTICATED
        refused = t.wait_for(r"ipv4:127\.0\.0\.1:\d+: user \"admin\" refused: wrong password$")
        assert "hunter2" not in refused.string
        assert code(lambda: caps()) == grpc.StatusCode.UNAUTHENTICATED
        t.wait_for(r"refused: no username and password")
        assert code(lambda: list(stream(t.port))) == grpc.StatusCode.UNAUTHENTICATED
        stream(t.port, metadata=(("username", "admin"), ("password", "s3cret"))).cancel()
    finally:
        t.close()


def flat(notes: list[dict[str, Any]], into: dict[str, Any]) -> dict[str, Any]:
    """The leaves updates leave (the stream below deletes nothing), by their whole path."""
    for n in notes:
        assert "delete" not in n
        for u in n.get("update", []):
            into[json.dumps([n["prefix"]["elem"], u["path"]["elem"]])] = u["val"]
    return into


def until_sync(replies: Any) -> list[dict[str, Any]]:
    return [as_dict(r.update) for r in itertools.takewhile(lambda r: not r.sync_response, replies)]


def test_a_slow_subscriber_gets_coalesced_changes_and_holds_back_nobody() -> None:
    t = Target(["--insecure", "--max-subscriptions", "3"], stdin=subprocess.PIPE)

    def feed(dump: list[dict[str, Any]]) -> None:
        assert t.proc.stdin is not None
        t.proc.stdin.write(lines(dump))
        t.proc.stdin.flush()

    def stream(req: Any, **options: Any) -> Any:
        channel = grpc.insecure_channel(f"127.0.0.1:{t.port}", options=list(options.items()))
        # The whole call's deadline: the test's every wait, 16 s under ASan.
        return gnmi_pb2_grpc.gNMIStub(channel).Subscribe(iter([req]), timeout=3 * WAIT)
    try:
        sub5 = "/interfaces/interface[name=eth0]/subinterfaces/subinterface[index=5]"
        p5 = {"elem": [{"name": "interfaces"}, {"name": "interface", "key": {"name": "eth0"}},
                       {"name": "subinterfaces"}, {"name": "subinterface", "key": {"index": "5"}}]}
        fast = stream(subscription(gnmi_pb2.SubscriptionList.STREAM, sub5,
                                   sub_mode=gnmi_pb2.ON_CHANGE))
        assert next(fast).sync_response
        feed(A)
        want = [n for n in diff([], A) if n["prefix"] == p5]
        assert [as_dict(next(fast).update) for _ in want] == want  # A applied
        req = subscription(gnmi_pb2.SubscriptionList.STREAM, sub5, sub_mode=gnmi_pb2.SAMPLE)
        req.subscribe.subscription[0].sample_interval = 1
        req.subscribe.subscription[0].suppress_redundant = True
        sampled = stream(req)
        assert until_sync(sampled) == want
        # The slow subscriber reads its state, then nothing; a window of 64 KiB.
        on_change = subscription(gnmi_pb2.SubscriptionList.STREAM, "/interfaces",
                                 sub_mode=gnmi_pb2.ON_CHANGE)
        slow = stream(on_change, **{"grpc.http2.bdp_probe": 0})
        state = flat(until_sync(slow), {})
        assert code(lambda: next(stream(on_change))) == grpc.StatusCode.RESOURCE_EXHAUSTED
        changed = [A[0], {"name": "eth0", "index": 5, "policy": CHANGED}, *A[2:]]
        feed(changed[1:2])
        want = diff(A, changed)
        assert [as_dict(next(fast).update) for _ in want] == want
        # suppress_redundant: after the state, only the leaves that changed.
        assert [as_dict(next(sampled).update) for _ in want] == want

        fill = [{"name": f"f{i}", "policy": TRUNK} for i in range(1000)]  # 36 leaves each
        mtus = [{"name": "eth0", "index": 5, "policy": {**CHANGED, "mtu": 1000 + i}}
                for i in range(300)]
        # The others get every change, the slow one the newest values.
        feed(fill + mtus)
        assert [as_dict(next(fast).update)["update"][0]["val"] for _ in mtus] == [
            {"uintVal": str(1000 + i)} for i in range(300)]
        mtu = [{"name": "eth-if-plcy-oc:policy"}, {"name": "config"}, {"name": "mtu"}]
        got: list[dict[str, Any]] = []
        while not got or got[-1]["val"] != {"uintVal": "1299"}:
            n = as_dict(next(slow).update)
            flat([n], state)
            if n["prefix"] == p5:
                got += [u for u in n.get("update", []) if u["path"]["elem"] == mtu]
        assert state == flat(diff([], [changed[0], mtus[-1], *changed[2:], *fill]), {})
        # Every change counted: CHANGED's value and the 300 after it.
        assert len(got) + sum(u.get("duplicates", 0) for u in got) == 301
        assert got[-1]["duplicates"] > 0
    finally:
        t.close()


def test_ethplcy_serve_runs_the_target_or_names_its_package(files: pathlib.Path) -> None:
    # Beside ethplcy (the build tree, as an install): its options reach the target.
    off = subprocess.run([TOOL, "serve", "--listen=192.0.2.1:0", "--insecure"],
                         capture_output=True, text=True, check=False)
    assert (off.returncode, off.stderr) == (2, "ethplcy-serve: --insecure listens on a loopback "
                                            "address only (127.0.0.1, [::1], localhost)\n")
    wrapped = subprocess.run([TOOL, "serve", "--listen=127.0.0.1:99999", "--insecure"],
                             capture_output=True, text=True, check=False)
    assert (wrapped.returncode, wrapped.stderr) == (
        2, "ethplcy-serve: --listen takes ADDR:PORT, PORT from 0 to 65535\n")
    # A copy of ethplcy alone, with nothing on PATH: one line naming the package.
    alone = files / "ethplcy"
    alone.write_bytes(pathlib.Path(TOOL).read_bytes())
    alone.chmod(0o755)
    gone = subprocess.run([str(alone), "serve", "--insecure"], capture_output=True, text=True,
                          check=False, env={"PATH": str(files)})
    assert (gone.returncode, gone.stderr) == (127, "ethplcy serve: the gNMI target is not "
                                              "installed (Debian package ethplcy-serve)\n")
