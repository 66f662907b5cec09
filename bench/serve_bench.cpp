// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// ethplcy-serve under load: starts the target on a pipe, loads 10,000
// interfaces (2,000 ports, 8,000 sub-interfaces), then feeds 1,000 changes a
// second (one sub-interface's mtu each) while 10 STREAM ON_CHANGE subscribers
// read. Latency: at each client, the receive time minus the notification's
// timestamp (set by the target when it applies the record). Memory: the
// target's VmHWM after the load and after 10 s and 20 s of changes.
//   ethplcy_serve_bench SERVE [--seconds S] [--subscribers N] [--slow SECONDS]
// --slow: the first subscriber reads nothing for SECONDS after its sync.
#include <grpcpp/grpcpp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gnmi.grpc.pb.h"

namespace {

constexpr int kPorts = 2000, kSubsPerPort = 4, kRate = 1000;
const std::string kMarker = "zz-marker";

uint64_t now_ns() {
    timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return static_cast<uint64_t>(t.tv_sec) * 1000000000u + static_cast<uint64_t>(t.tv_nsec);
}

// A policy file of the tests as one line, its mtu a placeholder.
std::string policy(const char *name) {
    std::ifstream f(std::string(ETH_IF_PLCY_SOURCE_DIR "/tests/tool/") + name);
    std::stringstream s;
    s << f.rdbuf();
    std::string text = s.str();
    std::replace(text.begin(), text.end(), '\n', ' ');
    size_t at = text.find("\"mtu\": ");
    size_t end = text.find_first_of(",}", at);
    return text.substr(0, at) + "\"mtu\": @" + text.substr(end);
}

std::string record(const std::string &tmpl, const std::string &name, int index, int mtu) {
    std::string p = tmpl;
    p.replace(p.find('@'), 1, std::to_string(mtu));
    return "{\"name\": \"" + name + "\"" +
           (index >= 0 ? ", \"index\": " + std::to_string(index) : "") + ", \"policy\": " + p +
           "}\n";
}

long vm_hwm_kib(pid_t pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(f, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

struct Result {
    std::vector<uint64_t> latency_ns;
    uint64_t duplicates = 0, notifications = 0;
};

gnmi::SubscribeRequest request(const std::string &name) {
    gnmi::SubscribeRequest req;
    gnmi::SubscriptionList *list = req.mutable_subscribe();
    list->set_mode(gnmi::SubscriptionList::STREAM);
    list->set_encoding(gnmi::PROTO);
    list->set_updates_only(true); // the changes, not the 10,000 interfaces' state
    gnmi::Path *p = list->add_subscription()->mutable_path();
    p->add_elem()->set_name("interfaces");
    if (!name.empty()) {
        gnmi::PathElem *e = p->add_elem();
        e->set_name("interface");
        (*e->mutable_key())["name"] = name;
    }
    return req;
}

// Reads a subscription until the marker's change; false when it failed.
bool subscribe(gnmi::gNMI::Stub &stub, const std::string &path_name, int slow_s,
               std::atomic<bool> *synced, Result &out) {
    grpc::ClientContext ctx;
    auto rw = stub.Subscribe(&ctx);
    if (!rw->Write(request(path_name))) return false;
    gnmi::SubscribeResponse r;
    while (rw->Read(&r)) {
        if (r.has_sync_response()) {
            *synced = true;
            if (slow_s > 0) std::this_thread::sleep_for(std::chrono::seconds(slow_s));
            continue;
        }
        uint64_t at = now_ns();
        const gnmi::Notification &n = r.update();
        out.notifications++;
        out.latency_ns.push_back(at - static_cast<uint64_t>(n.timestamp()));
        for (const gnmi::Update &u : n.update())
            out.duplicates += u.duplicates();
        if (n.prefix().elem_size() > 1 && n.prefix().elem(1).key().at("name") == kMarker) {
            ctx.TryCancel();
            break;
        }
    }
    rw->Finish();
    return true;
}

double percentile(std::vector<uint64_t> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return static_cast<double>(v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))]) / 1e6;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fputs("usage: ethplcy_serve_bench SERVE [--seconds S] [--subscribers N] [--slow S]\n",
                   stderr);
        return 2;
    }
    int seconds = 20, subscribers = 10, slow = 0;
    for (int i = 2; i + 1 < argc; i += 2) {
        int v = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--seconds") == 0) seconds = v;
        if (std::strcmp(argv[i], "--subscribers") == 0) subscribers = v;
        if (std::strcmp(argv[i], "--slow") == 0) slow = v;
    }
    int in[2], err[2];
    if (pipe(in) != 0 || pipe(err) != 0) return 1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(err[1], 2);
        close(in[1]);
        close(err[0]);
        execl(argv[1], argv[1], "--insecure", "--listen", "127.0.0.1:0",
              static_cast<char *>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(err[1]);
    FILE *to = fdopen(in[1], "w");
    FILE *log = fdopen(err[0], "r");
    char line[512];
    int port = 0;
    while (port == 0 && std::fgets(line, sizeof line, log) != nullptr)
        if (const char *at = std::strstr(line, "listening on 127.0.0.1:"))
            port = std::atoi(at + 23);
    if (port == 0) return 1;
    auto channel = grpc::CreateChannel("127.0.0.1:" + std::to_string(port),
                                       grpc::InsecureChannelCredentials());
    auto stub = gnmi::gNMI::NewStub(channel);

    // The load, then the marker: its change says the load is applied.
    std::string sub = policy("sub.json"), trunk = policy("trunk.json");
    Result loaded;
    std::atomic<bool> marker_synced = false;
    std::thread watch([&] { subscribe(*stub, kMarker, 0, &marker_synced, loaded); });
    while (!marker_synced)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    auto t0 = std::chrono::steady_clock::now();
    for (int p = 0; p < kPorts; p++) {
        std::string name = "eth" + std::to_string(p);
        std::fputs(record(trunk, name, -1, 9216).c_str(), to);
        for (int s = 1; s <= kSubsPerPort; s++)
            std::fputs(record(sub, name, s, 9000).c_str(), to);
    }
    std::fputs(record(trunk, kMarker, -1, 9216).c_str(), to);
    std::fflush(to);
    watch.join();
    double load_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    long hwm_load = vm_hwm_kib(pid);

    std::vector<Result> results(static_cast<size_t>(subscribers));
    std::vector<std::atomic<bool>> synced(static_cast<size_t>(subscribers));
    std::vector<std::thread> clients;
    for (int i = 0; i < subscribers; i++)
        clients.emplace_back([&, i, slow] {
            auto own = gnmi::gNMI::NewStub(grpc::CreateCustomChannel(
                "127.0.0.1:" + std::to_string(port), grpc::InsecureChannelCredentials(), [i, slow] {
                    grpc::ChannelArguments a;
                    a.SetInt("bench.subscriber", i); // a connection of its own
                    // The slow one: a flow-control window of 64 KiB, no more.
                    if (i == 0 && slow > 0) a.SetInt(GRPC_ARG_HTTP2_BDP_PROBE, 0);
                    return a;
                }()));
            subscribe(*own, "", i == 0 ? slow : 0, &synced[static_cast<size_t>(i)],
                      results[static_cast<size_t>(i)]);
        });
    // Each has its sync at once (updates_only).
    for (const std::atomic<bool> &s : synced)
        while (!s)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));

    // The changes at a steady rate; memory at 10 s and at the end.
    long hwm_10 = 0;
    auto start = std::chrono::steady_clock::now();
    int changes = seconds * kRate;
    for (int i = 0; i < changes; i++) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(i * (1000000 / kRate)));
        int which = static_cast<int>((static_cast<uint64_t>(i) * 7919u) % (kPorts * kSubsPerPort));
        std::fputs(record(sub, "eth" + std::to_string(which / kSubsPerPort),
                          which % kSubsPerPort + 1, 1500 + i % 7000)
                       .c_str(),
                   to);
        std::fflush(to);
        if (i == changes / 2) hwm_10 = vm_hwm_kib(pid);
    }
    std::fputs(record(trunk, kMarker, -1, 9000).c_str(), to);
    std::fflush(to);
    long hwm_20 = vm_hwm_kib(pid);
    for (std::thread &c : clients)
        c.join();
    std::printf("load: %d interfaces and sub-interfaces in %.2f s; VmHWM %ld KiB\n",
                kPorts * (1 + kSubsPerPort), load_s, hwm_load);
    std::printf("changes: %d at %d/s; VmHWM after %d s %ld KiB, after %d s %ld KiB\n", changes,
                kRate, seconds / 2, hwm_10, seconds, hwm_20);
    std::vector<uint64_t> fast;
    for (int i = 0; i < subscribers; i++) {
        const Result &r = results[static_cast<size_t>(i)];
        std::printf(
            "subscriber %d%s: %lu notifications, duplicates %lu, p50 %.3f ms, p99 %.3f ms\n", i,
            i == 0 && slow ? " (slow)" : "", static_cast<unsigned long>(r.notifications),
            static_cast<unsigned long>(r.duplicates), percentile(r.latency_ns, 0.5),
            percentile(r.latency_ns, 0.99));
        if (i > 0 || slow == 0) fast.insert(fast.end(), r.latency_ns.begin(), r.latency_ns.end());
    }
    std::printf("all%s: p50 %.3f ms, p99 %.3f ms\n", slow ? " but the slow one" : "",
                percentile(fast, 0.5), percentile(fast, 0.99));
    fclose(to);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return 0;
}
