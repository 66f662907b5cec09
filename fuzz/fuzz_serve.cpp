// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Any bytes as a gNMI request to ethplcy-serve, without a server or network:
// the first byte chooses a GetRequest (even) or a SubscribeRequest (odd), the
// rest is its protobuf encoding. A Get goes through the service as a client's
// would, against a state of a few records; a subscription's paths are read
// and matched against every notification of that state, as the service does
// before it writes. A request is answered or refused with a gNMI code, never
// crashes; what a path selects is a part of what it was selected from, and
// selecting again keeps all of it.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_common.hpp"
#include "input.hpp"
#include "paths.hpp"
#include "service.hpp"

namespace {

namespace s = ethplcy_serve;

// The records the target reads: a port, two of its sub-interfaces, another port.
constexpr const char *kRecords =
    R"({"name": "eth0", "policy": {"ether_if_type": 1, "is_l2": 1, "mtu": 9216, "trunk": )"
    R"({"native_vlan": 1, "access_vlan": 5}}})"
    "\n"
    R"({"name": "eth0", "index": 5, "policy": {"ether_if_type": 3, "is_l2": 1, "mtu": 9000, )"
    R"("sub": {"parent": 1, "admin_up": 1}, "efp": {"configured": 1, "tag": [{"ethertype": )"
    R"(33024, "vlan": 200}], "exact": 1}}})"
    "\n"
    R"({"name": "eth0", "index": 6, "policy": {"ether_if_type": 3, "mtu": 1500}})"
    "\n"
    R"({"name": "eth1", "policy": {"ether_if_type": 1, "mtu": 1500}})"
    "\n";

s::Store &state() {
    static s::Store *store = [] {
        auto *st = new s::Store;
        // The target reads files by name: the records go through one.
        char name[] = "/tmp/fuzz_serve_XXXXXX";
        int fd = mkstemp(name);
        FUZZ_CHECK(fd >= 0);
        size_t size = std::strlen(kRecords);
        FUZZ_CHECK(write(fd, kRecords, size) == static_cast<ssize_t>(size));
        close(fd);
        s::Input in;
        in.path = name;
        s::read_input(in, *st);
        unlink(name);
        return st;
    }();
    return *store;
}

void get(const uint8_t *data, size_t size) {
    gnmi::GetRequest req;
    if (!req.ParseFromArray(data, static_cast<int>(size))) return;
    s::Service service(state());
    gnmi::GetResponse out;
    grpc::Status st = service.Get(nullptr, &req, &out);
    grpc::StatusCode c = st.error_code();
    FUZZ_CHECK(c == grpc::StatusCode::OK || c == grpc::StatusCode::INVALID_ARGUMENT ||
               c == grpc::StatusCode::NOT_FOUND || c == grpc::StatusCode::UNIMPLEMENTED);
    // At most one notification of each of the state's, however many paths ask for it.
    size_t most = c == grpc::StatusCode::OK ? state().snapshot()->notes.size() : 0;
    FUZZ_CHECK(static_cast<size_t>(out.notification_size()) <= most);
}

void subscribe(const uint8_t *data, size_t size) {
    gnmi::SubscribeRequest req;
    if (!req.ParseFromArray(data, static_cast<int>(size)) || !req.has_subscribe()) return;
    const gnmi::SubscriptionList &list = req.subscribe();
    std::vector<s::Elems> patterns;
    s::Elems e;
    for (const gnmi::Subscription &sub : list.subscription()) {
        if (!s::request_path(list.prefix(), sub.path(), e).empty()) return;
        patterns.push_back(e);
    }
    s::g::Notification part, again;
    for (const s::g::Notification &n : state().snapshot()->notes) {
        if (!s::select(n, patterns, part)) continue;
        FUZZ_CHECK(part.updates.size() <= n.updates.size());
        FUZZ_CHECK(part.deletes.size() <= n.deletes.size());
        FUZZ_CHECK(s::select(part, patterns, again));
        FUZZ_CHECK(again.updates.size() == part.updates.size());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    if (data[0] % 2 == 0)
        get(data + 1, size - 1);
    else
        subscribe(data + 1, size - 1);
    return 0;
}
