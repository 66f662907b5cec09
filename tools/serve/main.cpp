// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// ethplcy-serve: a gNMI target over keyed records read from standard input, a
// FIFO or a file. A program of its own, so that ethplcy links neither gRPC nor
// protobuf. Options in the words gNMI tools use.
#include <arpa/inet.h>
#include <malloc.h>
#include <grpcpp/grpcpp.h>
#include <netinet/in.h>
#include <pthread.h>

#include <atomic>
#include <csignal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "auth.hpp"
#include "input.hpp"
#include "service.hpp"

namespace {

constexpr const char *kUsage =
    "usage: ethplcy-serve [--listen ADDR:PORT] (--tls-cert FILE --tls-key FILE [--tls-ca FILE]\n"
    "                     | --insecure) [--auth-file FILE] [--max-subscriptions N]\n"
    "                     [--net] [--follow] [INPUT]\n"
    "Serves the records of INPUT (JSON Lines envelopes {\"name\", \"index\"?, \"record\" |\n"
    "\"policy\" | \"deleted\"}; - or none: standard input) as a gNMI target. A FIFO is\n"
    "reopened for each writer; at the end of a file the last state is still served.\n"
    "  --listen ADDR:PORT  where to listen (default [::]:9339; port 0: any free port)\n"
    "  --tls-cert, --tls-key  the target's certificate and key (PEM)\n"
    "  --tls-ca FILE       mutual TLS: clients need a certificate this CA signed\n"
    "  --insecure          plain text, only on a loopback address\n"
    "  --auth-file FILE    every RPC needs the username and password metadata of a\n"
    "                      user:hash line of FILE (crypt(3) hashes, as mkpasswd writes)\n"
    "  --net               hex records are in network byte order\n"
    "  --follow            follow the file INPUT by name as it grows, is rotated or\n"
    "                      truncated (as tail -F)\n"
    "  --max-subscriptions N  Subscribe calls served at once (default 64; more:\n"
    "                      RESOURCE_EXHAUSTED)\n";

struct Options {
    std::string listen = "[::]:9339", cert, key, ca, auth_file, max_subscriptions = "64";
    ethplcy_serve::Input input;
    bool insecure = false;
};

int fail(const std::string &why) {
    std::fprintf(stderr, "ethplcy-serve: %s\n", why.c_str());
    return 2;
}

// Whether ADDR:PORT's address is this host's loopback.
bool loopback(const std::string &listen) {
    std::string host = listen.substr(0, listen.rfind(':'));
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    // An address, not a name that starts like one ("127.0.0.1.example.net").
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) return IN6_IS_ADDR_LOOPBACK(&v6);
    return host == "localhost";
}

bool read_file(const std::string &path, std::string &out) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream text;
    text << f.rdbuf();
    out = text.str();
    return f.good() || f.eof();
}

// --max-subscriptions' number, or 0 when it is none from 1 to 4096.
int subscriptions(const Options &o) {
    const std::string &t = o.max_subscriptions;
    if (t.empty() || t.size() > 4 || t.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    int n = std::stoi(t);
    return n <= 4096 ? n : 0;
}

// "" when the options hold together, or why not.
std::string parse(int argc, char **argv, Options &o) {
    bool input_given = false;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        std::string *value = a == "--listen"              ? &o.listen
                             : a == "--tls-cert"          ? &o.cert
                             : a == "--tls-key"           ? &o.key
                             : a == "--tls-ca"            ? &o.ca
                             : a == "--auth-file"         ? &o.auth_file
                             : a == "--max-subscriptions" ? &o.max_subscriptions
                                                          : nullptr;
        if (value != nullptr) {
            if (++i == argc) return a + " needs a value";
            *value = argv[i];
        } else if (a == "--insecure") {
            o.insecure = true;
        } else if (a == "--net") {
            o.input.net = true;
        } else if (a == "--follow") {
            o.input.follow = true;
        } else if ((a.size() > 1 && a[0] == '-') || input_given) {
            return a + ": not an option of ethplcy-serve (--help lists them)";
        } else {
            o.input.path = a;
            input_given = true;
        }
    }
    size_t colon = o.listen.rfind(':');
    std::string port = colon == std::string::npos ? "" : o.listen.substr(colon + 1);
    // gRPC would take 99999 as 34463: a port is checked here.
    if (port.empty() || port.size() > 5 ||
        port.find_first_not_of("0123456789") != std::string::npos || std::stoul(port) > 65535)
        return "--listen takes ADDR:PORT, PORT from 0 to 65535";
    if (subscriptions(o) == 0) return "--max-subscriptions takes a number from 1 to 4096";
    bool tls = !o.cert.empty() || !o.key.empty() || !o.ca.empty();
    if (o.insecure && tls) return "--insecure and --tls-* exclude each other";
    if (o.insecure && !loopback(o.listen))
        return "--insecure listens on a loopback address only (127.0.0.1, [::1], localhost)";
    if (!o.insecure && (o.cert.empty() || o.key.empty()))
        return "TLS needs --tls-cert and --tls-key (or --insecure on a loopback address)";
    return "";
}

std::string credentials(const Options &o, std::shared_ptr<grpc::ServerCredentials> &creds) {
    if (o.insecure) {
        creds = grpc::InsecureServerCredentials();
        return "";
    }
    grpc::SslServerCredentialsOptions ssl;
    grpc::SslServerCredentialsOptions::PemKeyCertPair pair;
    if (!read_file(o.cert, pair.cert_chain)) return o.cert + ": cannot read it";
    if (!read_file(o.key, pair.private_key)) return o.key + ": cannot read it";
    ssl.pem_key_cert_pairs.push_back(pair);
    if (!o.ca.empty()) {
        if (!read_file(o.ca, ssl.pem_root_certs)) return o.ca + ": cannot read it";
        // A client without a certificate the CA signed is refused at the handshake.
        ssl.client_certificate_request = GRPC_SSL_REQUEST_AND_REQUIRE_CLIENT_CERTIFICATE_AND_VERIFY;
    }
    creds = grpc::SslServerCredentials(ssl);
    return "";
}

// SIGTERM and SIGINT, blocked in every thread (gRPC's too, which inherit the
// mask) and taken by one that waits for them.
sigset_t stop_signals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    return set;
}

// At a stop signal every call ends at once (a STREAM subscriber is told the
// call was cancelled) and Wait returns; main then returns when the input
// has ended (freeing everything: the valgrind run checks), or ends at once
// while a reader of a pipe could still touch the state.
int stop(grpc::Server &server, sigset_t set, std::thread &reader,
         const std::atomic<bool> &input_done) {
    std::thread waiter([&server, set] {
        int sig = 0;
        sigwait(&set, &sig);
        server.Shutdown(std::chrono::system_clock::now());
    });
    server.Wait();
    waiter.join();
    std::fflush(stderr);
    if (!input_done) std::_Exit(0);
    reader.join();
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    for (int i = 1; i < argc; i++)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    // Before gRPC starts any thread (credentials do).
    sigset_t signals = stop_signals();
    // Two malloc arenas, not one per gRPC thread: what one call's reply
    // freed serves the next call on another thread (six Gets of an 8 MB
    // reply at once peaked at 994 MB with an arena each, 589 MB with two).
    mallopt(M_ARENA_MAX, 2);
    Options o;
    std::string why = parse(argc, argv, o);
    if (!why.empty()) return fail(why);
    std::shared_ptr<grpc::ServerCredentials> creds;
    why = credentials(o, creds);
    if (!why.empty()) return fail(why);
    why = ethplcy_serve::check_input(o.input);
    if (!why.empty()) return fail(why);
    ethplcy_serve::Users users;
    if (!o.auth_file.empty() && !(why = users.load(o.auth_file)).empty()) return fail(why);

    ethplcy_serve::Store store;
    ethplcy_serve::GuardedService service(store, subscriptions(o),
                                          o.auth_file.empty() ? nullptr : &users);
    grpc::ServerBuilder builder;
    // The synchronous server holds a thread per call in progress: bounded,
    // beyond the subscriptions' cap, by a few for Get and Capabilities.
    grpc::ResourceQuota quota("ethplcy-serve");
    quota.SetMaxThreads(subscriptions(o) + 16);
    builder.SetResourceQuota(quota);
    int port = 0;
    builder.AddListeningPort(o.listen, creds, &port);
    builder.RegisterService(&service);
    std::unique_ptr<grpc::Server> server = builder.BuildAndStart();
    if (!server || port == 0) return fail("cannot listen on " + o.listen);
    std::fprintf(stderr, "ethplcy-serve: listening on %s:%d\n",
                 o.listen.substr(0, o.listen.rfind(':')).c_str(), port);
    std::fflush(stderr);
    // One input thread; at the input's end the last state is still served.
    std::atomic<bool> input_done{false};
    std::thread reader([&] {
        ethplcy_serve::read_input(o.input, store);
        input_done = true;
    });
    return stop(*server, signals, reader, input_done);
}
