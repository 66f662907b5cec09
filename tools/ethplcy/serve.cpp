// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// serve: runs ethplcy-serve, the gNMI target, with the options given, so that
// ethplcy itself links neither gRPC nor protobuf.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <iostream>

#include "cli.hpp"

namespace ethplcy_tool {

namespace {

constexpr const char *kServe = "ethplcy-serve";

// ethplcy's own folder (where every install puts ethplcy-serve beside it,
// and the build tree too), "" when /proc cannot say.
std::string own_folder() {
    std::string path(4096, '\0');
    ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<size_t>(n) >= path.size()) return "";
    path.resize(static_cast<size_t>(n));
    return path.substr(0, path.rfind('/') + 1);
}

} // namespace

int serve_command(const Words &words) {
    const CommandDef &c = command("serve");
    if (wants_help(words)) return std::cout << usage(c), 0;
    // The table's options, as ethplcy-serve reads them (--opt value).
    Parsed p = parse(words, c);
    if (p.args.size() > 1) throw Failure("serve takes one input");
    Words out{kServe};
    for (const OptionDef &o : c.options) {
        if (!p.has(o.name)) continue;
        out.push_back(std::string("--") + o.name);
        if (o.value != nullptr) out.push_back(p.get(o.name, ""));
    }
    out.insert(out.end(), p.args.begin(), p.args.end());
    std::vector<char *> argv;
    for (std::string &w : out)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    std::fflush(stdout);
    std::signal(SIGPIPE, SIG_DFL); // ignored here; the target's default
    std::string beside = own_folder() + kServe;
    if (beside.size() > std::string(kServe).size() && access(beside.c_str(), X_OK) == 0)
        execv(beside.c_str(), argv.data());
    execvp(kServe, argv.data());
    int why = errno;
    if (why == ENOENT) {
        std::fprintf(stderr, "ethplcy serve: the gNMI target is not installed (Debian package "
                             "ethplcy-serve)\n");
        return 127;
    }
    throw Failure(std::string("cannot run ") + kServe + ": " + std::strerror(why));
}

} // namespace ethplcy_tool
