// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The command line: the table of commands and options (command_table.cpp),
// GNU-style parsing against it, and the usage texts written from it.
#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "tool.hpp"

namespace ethplcy_tool {

// An option. value: the name of its value in usage ("FILE"), nullptr for a
// flag; values: what completes it (words, "FILE" for a file name, "PATH" for
// a policy field's path); help: its line in the command's usage.
struct OptionDef {
    const char *name;
    char alias = 0;
    const char *value = nullptr;
    const char *values = nullptr;
    const char *help = "";
};

using Words = std::vector<std::string>;

// A command: its line in `ethplcy --help`, its synopsis (after "ethplcy
// NAME", as the manual's SYNOPSIS has it), what it does, its options (besides
// --help), whether it takes files, and what runs it.
struct CommandDef {
    const char *name;
    const char *summary;
    const char *synopsis;
    const char *about;
    std::vector<OptionDef> options;
    bool files;
    int (*run)(const Words &);
};
const std::vector<CommandDef> &commands();
const CommandDef &command(const std::string &name); // a Failure when unknown

// `ethplcy --help`, and `ethplcy NAME --help`.
std::string tool_usage();
std::string usage(const CommandDef &c);

struct Parsed {
    std::map<std::string, std::string> opts;
    Words args;
    bool has(const char *name) const { return opts.count(name) != 0; }
    std::string get(const char *name, const char *fallback) const {
        auto it = opts.find(name);
        return it == opts.end() ? fallback : it->second;
    }
};
// --opt=value, --opt value, short aliases; -- ends the options.
Parsed parse(const Words &words, const CommandDef &c);
bool wants_help(const Words &words);
// At most one of the named options.
void exclusive(const Parsed &p, std::initializer_list<const char *> names);
// The inputs: given arguments, or standard input; "-" at most once.
std::vector<Input> inputs(const Parsed &p, size_t count, bool binary, const char *what);

// The command handlers (commands.cpp).
int show_command(const Words &words);
int encode_command(const Words &words);
int diff_command(const Words &words);
int stats_command(const Words &words);
int openconfig_command(const Words &words);
int demo_command(const Words &words);
int schema_command(const Words &words);
int yang_command(const Words &words);
int completion_command(const Words &words);
int serve_command(const Words &words); // serve.cpp

} // namespace ethplcy_tool
