// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// ethplcy: see, make and compare Ethernet interface policy records.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>

#include "cli.hpp"

namespace ethplcy_tool {
namespace {

int run(Words words) {
    std::string name = words.empty() ? "demo" : words.front();
    if (!words.empty()) words.erase(words.begin());
    if (name == "--help" || name == "-h" || name == "help") return std::cout << tool_usage(), 0;
    if (name == "--version") return std::cout << "ethplcy " << eth_if_plcy_lib_version() << "\n", 0;
    return command(name).run(words);
}

} // namespace
} // namespace ethplcy_tool

int main(int argc, char **argv) {
    // Writes report a closed pipe as EPIPE, so that the tool stops reading
    // and then ends as cat does; every other write error is one line.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> words(argv + 1, argv + argc);
    try {
        int status = ethplcy_tool::run(words);
        // What went through std::cout (usage, the demo) is checked too.
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            ethplcy_tool::write_failed("standard output", errno);
        return status;
    } catch (const ethplcy_tool::ClosedPipe &) {
        std::signal(SIGPIPE, SIG_DFL);
        std::raise(SIGPIPE);
    } catch (const std::exception &e) { // Failure, WriteFailure, bad_alloc
        std::cerr << "ethplcy: " << e.what() << "\n";
    }
    return 2;
}
