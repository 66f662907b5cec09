# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""The OpenConfig reader's verdicts, one row per input: (what, document,
--name, --index, verdict, texts). verdict: "carried" (texts: the policy
JSON), "noted" (texts: the notes) or "refused" (texts: the refusal). Read by
check_openconfig.py (the tool) and tests/python/test_openconfig.py (Python),
which must agree."""
import copy

TYPE = "iana-if-type:ethernetCsmacd"
P = "/interfaces/interface[name=eth0]"
S = P + "/subinterfaces/subinterface[index=5]"
V = S + "/openconfig-vlan:vlan"
NC = " is not carried "


def doc(config=None, sub=None, **members):
    """One interface eth0; sub: its sub-interface 5's members."""
    intf = {"name": "eth0", "config": {"name": "eth0", "type": TYPE, **(config or {})}, **members}
    if sub is not None:
        intf["subinterfaces"] = {"subinterface": [{"index": 5, "config": {"index": 5}, **sub}]}
    return {"openconfig-interfaces:interfaces": {"interface": [intf]}}


def vlan(match=None, action=None, **members):
    v = {**members}
    if match:
        v["match"] = {match[0]: {"config": match[1]}}
    if action:
        v["ingress-mapping"] = {"config": action}
    return {"openconfig-vlan:vlan": v}


def switched(config):
    return {"openconfig-if-ethernet:ethernet": {"openconfig-vlan:switched-vlan": {"config": config}}}


def edit(d, fn):
    d = copy.deepcopy(d)
    fn(d["openconfig-interfaces:interfaces"]["interface"])
    return d


ST10 = ("single-tagged", {"vlan-id": 10})
DEEP: dict = {"leaf": 1}
for _ in range(17):
    DEEP = {"level": DEEP}
SUB10 = ('{"valid_mask":"0x00081","ether_if_type":3,"efp":{"configured":1,"native":0,'
         '"native_with_preservation":0,"src_mac_check":0,"dst_mac_check":0,"exact":0,'
         '"l3_ambiguous":0,"payload_ethertype":"0x0000",%s"tag":[{"ethertype":"0x%s","vlan":10}],'
         '"tag_pcp":["any"],"ranges":[]%s}}')
VERDICTS = [
    # carried
    ("mtu", doc({"mtu": 9000}), "", None, "carried", '{"valid_mask":"0x40001","ether_if_type":1,"mtu":9000}'),
    ("qualified config", {"openconfig-interfaces:interfaces": {"interface": [
        {"name": "eth0", "openconfig-interfaces:config": {"name": "eth0", "type": TYPE}}]}},
     "", None, "carried", '{"valid_mask":"0x00001","ether_if_type":1}'),
    ("match, POP", doc(sub=vlan(ST10, {"vlan-stack-action": "POP"})), "eth0", 5, "carried",
     (SUB10 % ('"num_tag_pops":1,', "8100", ',"push":[]')).replace("0x00081", "0x00181")),
    ("qualified match", doc(sub={"openconfig-vlan:vlan": {"openconfig-vlan:match": {
        "single-tagged": {"config": {"vlan-id": 10}}}}}), "", None, "carried", SUB10 % ("", "8100", "")),
    ("a range of one VLAN", doc(sub=vlan(("single-tagged-range", {"low-vlan-id": 10,
                                                                  "high-vlan-id": 10}))), "", 5,
     "carried", (SUB10 % ("", "8100", "")).replace('"vlan":10', '"vlan":"range"').replace(
         '"ranges":[]', '"ranges":[{"low":10,"high":10}]')),
    ("tpid", doc({"openconfig-vlan:tpid": "openconfig-vlan-types:TPID_0X88A8"}, vlan(ST10)), "",
     5, "carried", SUB10 % ("", "88a8", "")),
    ("trunk", doc(**switched({"interface-mode": "TRUNK", "native-vlan": 5})), "", None,
     "carried", '{"valid_mask":"0x80401","ether_if_type":1,"trunk":{"native_vlan":5,'
     '"native_is_svlan":0,"vlan_switched_trunk":1,"vlan_switched_access":0,"access_vlan":0}}'),
    # noted
    ("description", doc({"description": "up"}), "", None, "noted",
     P + '/config/description: "up"' + NC + "(the policy holds no description)"),
    ("enabled", doc({"enabled": True}), "", None, "noted",
     P + "/config/enabled: true" + NC + "(the policy holds no admin state of the interface)"),
    ("auto-negotiate", doc(**{"openconfig-if-ethernet:ethernet": {"config": {
        "auto-negotiate": False}}}), "", None, "noted",
     P + "/openconfig-if-ethernet:ethernet/config/auto-negotiate: false" + NC +
     "(the policy holds no link negotiation)"),
    ("hold-time", doc(**{"hold-time": {"config": {"up": 100}}}), "", None, "noted",
     P + "/hold-time/config/up: 100" + NC + "(the policy holds no hold time)"),
    ("another module", doc(sub={"openconfig-if-ip:ipv4": {"addresses": {}}}), "", None, "noted",
     S + "/openconfig-if-ip:ipv4: {...}" + NC + "(module openconfig-if-ip is not one the "
     "mapping maps)"),
    ("POP with a VLAN", doc(sub=vlan(ST10, {"vlan-stack-action": "POP", "vlan-id": 20})), "",
     None, "noted", V + "/ingress-mapping/config/vlan-id: 20" + NC + "(POP pushes no tag)"),
    ("no action", doc(sub=vlan(ST10, {"vlan-id": 20})), "", None, "noted",
     V + "/ingress-mapping/config/vlan-id: 20" + NC + "(no vlan-stack-action uses it)"),
    ("deprecated vlan-id", doc(sub=vlan(config={"vlan-id": 7})), "", None, "noted",
     V + "/config/vlan-id: 7" + NC + "(deprecated: the policy takes its VLANs from vlan/match)"),
    ("a deep branch of another module", doc(**{"openconfig-qos:deep": DEEP}), "", None, "noted",
     P + "/openconfig-qos:deep: {...}" + NC + "(module openconfig-qos is not one the mapping maps)"),
    ("another interface", edit(doc(), lambda i: i.append({"name": "eth1", "config": {
        "name": "eth1", "type": TYPE}})), "eth0", None, "noted",
     "/interfaces/interface[name=eth1]: {...}" + NC + "(another interface than the one read)"),
    # refused: unknown members
    ("misspelt module", doc(sub={"openconfig-vlann:vlan": {}}), "", None, "refused",
     S + "/openconfig-vlann:vlan: {...} names no module the mapping knows (nearest: "
     "openconfig-vlan)"),
    ("module two edits away", doc(sub={"openconfg-vlann:vlan": {}}), "", None, "refused",
     S + "/openconfg-vlann:vlan: {...} names no module the mapping knows (nearest: "
     "openconfig-vlan)"),
    ("misspelt leaf", doc({"enabeld": True}), "", None, "refused",
     P + "/config/enabeld: true is no member the mapped modules define here (nearest: enabled)"),
    ("unknown leaf", doc({"foo": 1}), "", None, "refused",
     P + "/config/foo: 1 is no member the mapped modules define here (nearest: mtu)"),
    ("misspelt match", doc(sub=vlan(("single-taged", {"vlan-id": 10}))), "", None, "refused",
     V + "/match/single-taged: {...} is no member the mapped modules define here (nearest: "
     "single-tagged)"),
    ("misspelt vlan-id", doc(sub=vlan(("single-tagged", {"vlan-idd": 10}))), "", None, "refused",
     V + "/match/single-tagged/config/vlan-idd: 10 is no member the mapped modules define here "
     "(nearest: vlan-id)"),
    ("unprefixed tpid", doc({"tpid": "openconfig-vlan-types:TPID_0X88A8"}), "", None, "refused",
     P + '/config/tpid: "openconfig-vlan-types:TPID_0X88A8" needs its module\'s prefix '
     "(openconfig-vlan:tpid), as RFC 7951 says"),
    ("state", doc(state={"mtu": 1}), "", None, "refused",
     P + "/state: {...} is operational state, not configuration"),
    ("not OpenConfig", {"foo": 1}, "", None, "refused",
     "/: {...} is not OpenConfig: no openconfig-interfaces:interfaces"),
    # refused: values
    ("access-vlan 0", doc(**switched({"interface-mode": "ACCESS", "access-vlan": 0})), "", None,
     "refused", P + "/openconfig-if-ethernet:ethernet/openconfig-vlan:switched-vlan/config/"
     "access-vlan: 0 is not a VLAN ID (1 to 4094)"),
    ("native-vlan 4095", doc(**switched({"interface-mode": "TRUNK", "native-vlan": 4095})), "",
     None, "refused", P + "/openconfig-if-ethernet:ethernet/openconfig-vlan:switched-vlan/config/"
     "native-vlan: 4095 is not a VLAN ID (1 to 4094)"),
    ("VLAN 5000", doc(sub=vlan(("single-tagged", {"vlan-id": 5000}))), "", None, "refused",
     V + "/match/single-tagged/config/vlan-id: 5000 is not a VLAN ID (1 to 4094)"),
    ("VLAN as a string", doc(sub=vlan(("single-tagged", {"vlan-id": "10"}))), "", None,
     "refused", V + '/match/single-tagged/config/vlan-id: "10" is not a VLAN ID (1 to 4094)'),
    ("MTU as hex", doc({"mtu": "0x10"}), "", None, "refused",
     P + '/config/mtu: "0x10" is not a uint16 (a number, 0 to 65535)'),
    ("MTU a list", doc({"mtu": [1, "x"]}), "", None, "refused",
     P + '/config/mtu: [1, "x"] is not a uint16 (a number, 0 to 65535)'),
    ("MTU true", doc({"mtu": True}), "", None, "refused",
     P + "/config/mtu: true is not a uint16 (a number, 0 to 65535)"),
    ("MTU null", doc({"mtu": None}), "", None, "refused",
     P + "/config/mtu: null is not a uint16 (a number, 0 to 65535)"),
    ("MTU 65536", doc({"mtu": 65536}), "", None, "refused",
     P + "/config/mtu: 65536 is not a uint16 (a number, 0 to 65535)"),
    ("no type", edit(doc(), lambda i: i[0]["config"].pop("type")), "", None, "refused",
     P + "/config/type: missing; OpenConfig requires it"),
    ("reversed range", doc(sub=vlan(("single-tagged-range", {"low-vlan-id": 20,
                                                              "high-vlan-id": 10}))), "", None,
     "refused", V + "/match/single-tagged-range/config/high-vlan-id: 10 is below low-vlan-id (20)"),
    ("native without TRUNK", doc(**switched({"native-vlan": 5})), "", None, "refused",
     P + "/openconfig-if-ethernet:ethernet/openconfig-vlan:switched-vlan/config/native-vlan: 5 "
     "needs interface-mode TRUNK"),
    ("ethernet on a pseudowire", edit(doc(**{"openconfig-if-ethernet:ethernet": {}}),
                                      lambda i: i[0]["config"].update(type="iana-if-type:ifPwType")),
     "", None, "refused", P + "/openconfig-if-ethernet:ethernet: {...} is allowed on "
     "ethernetCsmacd and ieee8023adLag interfaces only"),
    ("two match kinds", doc(sub={"openconfig-vlan:vlan": {"match": {
        "single-tagged": {"config": {"vlan-id": 1}},
        "double-tagged": {"config": {"inner-vlan-id": 1, "outer-vlan-id": 2}}}}}), "", None,
     "refused", V + "/match/double-tagged: {...} is a second match kind beside single-tagged"),
    ("ranges on both tags", doc(sub=vlan(("double-tagged-inner-outer-range", {}))), "", None,
     "refused", V + "/match/double-tagged-inner-outer-range: {...} has ranges on both tags: a "
     "policy gives ranges to one tag at most"),
    ("FLIP", doc(sub=vlan(ST10, {"vlan-stack-action": "FLIP"})), "", None, "refused",
     V + '/ingress-mapping/config/vlan-stack-action: "FLIP" is not one of PUSH POP SWAP'),
    ("trunk and sub-interface", doc(sub=vlan(ST10), **switched({"interface-mode": "TRUNK"})), "",
     None, "refused", P + "/openconfig-if-ethernet:ethernet/openconfig-vlan:switched-vlan: {...} "
     "and a sub-interface's settings exclude each other in one policy"),
    # refused: keys and duplicates
    ("duplicate name", edit(doc(), lambda i: i.append(copy.deepcopy(i[0]))), "", None,
     "refused", '/interfaces/interface[name=eth0]: "eth0" is a key given twice'),
    ("duplicate index", edit(doc(sub={}), lambda i: i[0]["subinterfaces"]["subinterface"].append(
        {"index": 5})), "", None, "refused", P + "/subinterfaces/subinterface[index=5]: 5 is a "
     "key given twice"),
    ("key and config differ", edit(doc(), lambda i: i[0]["config"].update(name="eth1")), "", None,
     "refused", P + '/config/name: "eth1" differs from the list key (eth0)'),
    ("no config name", {"openconfig-interfaces:interfaces": {"interface": [{"name": "eth0"}]}},
     "", None, "refused", P + "/config/name: missing; the list key refers to it"),
    ("no such index", doc(sub={}), "", 9, "refused",
     P + "/subinterfaces/subinterface: 9 is no sub-interface the document holds"),
    ("index 0 of two", edit(doc(sub={"config": {"index": 5, "enabled": True}}), lambda i: i[0][
        "subinterfaces"]["subinterface"].insert(0, {"index": 0, "config": {"index": 0, "enabled": False}})),
     "", 0, "noted", S + ": {...}" + NC + "(another sub-interface than the one read)"),
    ("no sub-interface", doc(), "", 9, "refused",
     P + "/subinterfaces/subinterface: 9 is no sub-interface the document holds"),
    ("no such name", doc(), "eth9", None, "refused",
     '/interfaces/interface: "eth9" is no interface the document holds'),
]
