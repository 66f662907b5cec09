# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""A short session with ethplcy-serve run under a checker (valgrind, or a
TSan build): Capabilities, STREAM subscribers while records arrive, a Get,
then SIGTERM; the target must end with status 0.
  session.py STUBS_DIR SUBSCRIBERS COMMAND... (the target, with its checker)"""
import re
import signal
import subprocess
import sys
import threading

sys.path.insert(0, sys.argv[1])
import grpc  # noqa: E402
import gnmi_pb2  # noqa: E402
import gnmi_pb2_grpc  # noqa: E402

RECORDS = 20
WAIT = 50  # seconds: a bound on each reply under the checker, never a sleep


def elem(elem_name: str, **key: str) -> gnmi_pb2.PathElem:
    return gnmi_pb2.PathElem(name=elem_name, key=key)


def main() -> int:
    subscribers = int(sys.argv[2])
    target = subprocess.Popen([*sys.argv[3:], "--insecure", "--listen", "127.0.0.1:0"],
                              stdin=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    assert target.stdin is not None and target.stderr is not None
    log: list[str] = []
    port = None
    for line in target.stderr:
        log.append(line)
        port = re.search(r"listening on 127\.0\.0\.1:(\d+)", line)
        if port:
            break
    assert port, "".join(log)
    stub = gnmi_pb2_grpc.gNMIStub(grpc.insecure_channel(f"127.0.0.1:{port.group(1)}"))
    assert stub.Capabilities(gnmi_pb2.CapabilityRequest(), timeout=WAIT).gNMI_version
    ready = threading.Barrier(subscribers + 1)
    seen = [0] * subscribers
    last = f"eth{RECORDS - 1}"

    def subscribe(i: int) -> None:
        req = gnmi_pb2.SubscribeRequest(subscribe=gnmi_pb2.SubscriptionList(
            mode=gnmi_pb2.SubscriptionList.STREAM, encoding=gnmi_pb2.PROTO,
            subscription=[gnmi_pb2.Subscription(path=gnmi_pb2.Path(elem=[elem("interfaces")]),
                                                mode=gnmi_pb2.ON_CHANGE)]))
        replies = stub.Subscribe(iter([req]), timeout=WAIT)
        assert next(replies).sync_response
        ready.wait()
        for r in replies:  # every record's notification, up to the last one's
            seen[i] += 1
            if r.update.prefix.elem[1].key["name"] == last:
                break
        replies.cancel()

    threads = [threading.Thread(target=subscribe, args=(i,)) for i in range(subscribers)]
    for t in threads:
        t.start()
    ready.wait(WAIT)
    for i in range(RECORDS):
        policy = '{"ether_if_type": 1, "mtu": %d}' % (1500 + i)
        target.stdin.write('{"name": "eth%d", "policy": %s}\n' % (i, policy))
        target.stdin.flush()
    target.stdin.close()
    for line in target.stderr:
        log.append(line)
        if "end of standard input" in line:
            break
    for t in threads:
        t.join(WAIT)
    path = gnmi_pb2.Path(elem=[elem("interfaces"), elem("interface", name="eth3"),
                               elem("state"), elem("mtu")])
    got = stub.Get(gnmi_pb2.GetRequest(path=[path], encoding=gnmi_pb2.PROTO), timeout=WAIT)
    target.send_signal(signal.SIGTERM)
    log.extend(target.stderr)
    status = target.wait(WAIT)
    ok = status == 0 and seen == [RECORDS] * subscribers and \
        [u.val.uint_val for n in got.notification for u in n.update] == [1503]
    print(f"ethplcy-serve: {subscribers} subscribers saw {seen} of {RECORDS} records; "
          f"exit status {status}")
    if not ok:
        sys.stderr.write("".join(log[-40:]))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
