# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""Writes the sample capture the README's tshark lines read: three UDP
datagrams to port 46000 (a trunk's record, a sub-interface's, both back to
back), the network images of tests/tool/trunk.json and sub.json, in a
classic pcap file with fixed addresses and times, so that the same bytes
come out on every run.

    python3 scripts/make_sample_capture.py [OUTPUT]   (default: tests/wireshark/sample.pcap)
"""
import pathlib
import struct
import sys

tests = pathlib.Path(__file__).resolve().parent.parent / "tests"
tool = tests / "tool"
trunk, sub = (bytes.fromhex((tool / name).read_text()) for name in ("trunk.net.hex", "sub.net.hex"))


def checksum(header):
    total = sum(struct.unpack("!%dH" % (len(header) // 2), header))
    while total > 0xFFFF:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


def frame(payload):
    """Ethernet, IPv4 (192.0.2.1 to 192.0.2.2, documentation addresses) and
    UDP (port 46000 to 46000, no checksum, as IPv4 allows)."""
    udp = struct.pack("!HHHH", 46000, 46000, 8 + len(payload), 0) + payload
    ip = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + len(udp), 0, 0x4000, 64, 17, 0,
                     bytes([192, 0, 2, 1]), bytes([192, 0, 2, 2]))
    ip = ip[:10] + struct.pack("!H", checksum(ip)) + ip[12:]
    ether = bytes.fromhex("020000000002" "020000000001" "0800")
    return ether + ip + udp


out = bytearray(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1))  # Ethernet links
for i, payload in enumerate([trunk, sub, trunk + sub]):
    packet = frame(payload)
    out += struct.pack("<IIII", 1767225600 + i, 0, len(packet), len(packet)) + packet
target = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else tests / "wireshark" / "sample.pcap"
target.write_bytes(bytes(out))
