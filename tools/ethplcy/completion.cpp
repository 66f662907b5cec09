// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// completion: the bash completion script, written from the tool's own table
// of commands and options (and the field description's paths for --key), so
// that it cannot fall behind the parser.
#include "cli.hpp"
#include "policy_table.hpp"

namespace ethplcy_tool {

namespace {

// The words an option's value completes to, or "@files".
std::string values_of(const OptionDef &o) {
    namespace f = eth_if_plcy::fields;
    if (std::string(o.values) == "FILE") return "@files";
    if (std::string(o.values) != "PATH") return o.values;
    std::string paths;
    for (const f::Scalar &s : f::kScalars)
        paths += (paths.empty() ? "" : " ") + std::string(s.path);
    return paths;
}

} // namespace

std::string bash_completion() {
    std::string names, cases;
    for (const CommandDef &c : commands()) {
        names += std::string(c.name) + " ";
        std::string opts = "--help -h", values;
        for (const OptionDef &o : c.options) {
            opts += std::string(" --") + o.name + (o.alias ? std::string(" -") + o.alias : "");
            if (o.values == nullptr) continue;
            values += std::string("        --") + o.name +
                      (o.alias ? std::string("|-") + o.alias : "") + ") values=\"" + values_of(o) +
                      "\" ;;\n";
        }
        cases += std::string("    ") + c.name + ")\n        opts=\"" + opts +
                 "\" files=" + (c.files ? "1" : "0") + "\n        case $prev in\n" + values +
                 "        esac ;;\n";
    }
    return R"(# bash completion for ethplcy, written by `ethplcy completion` from the tool's
# own table of commands and options: commands, each command's options
# (--opt=value and --opt value), option values, and file names (with blanks
# and folders as bash completes them: -o filenames).
_ethplcy() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} cmd=${COMP_WORDS[1]}
    # bash splits "--layout=c" at the "=": the option is then two words back.
    if [ "$cur" = "=" ]; then
        cur=""
    elif [ "$prev" = "=" ] && [ "$COMP_CWORD" -ge 3 ]; then
        prev=${COMP_WORDS[COMP_CWORD-2]}
    fi
    if [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W ")" +
           names + R"(--help -h --version" -- "$cur"))
        return
    fi
    local opts="" files=0 values=""
    case $cmd in
)" + cases +
           R"(    esac
    if [ "$values" = @files ]; then
        _ethplcy_files
    elif [ -n "$values" ]; then
        COMPREPLY=($(compgen -W "$values" -- "$cur"))
    elif [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$opts" -- "$cur"))
    elif [ "$files" = 1 ]; then
        _ethplcy_files
    fi
}
# File names one per line, so that blanks stay inside a name; bash quotes them
# and marks folders (-o filenames).
_ethplcy_files() {
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}
complete -F _ethplcy ethplcy
)";
}

} // namespace ethplcy_tool
