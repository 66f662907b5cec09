// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Parsing a command's words against its row of the command table, and the
// usage texts written from the table.
#include "cli.hpp"

#include <algorithm>

namespace ethplcy_tool {

namespace {

constexpr size_t kWidth = 80;

// The words of text: split at its spaces at bracket depth depth (all its
// spaces without brackets), and a word that cannot fit a line split again,
// one depth in, before its alternatives ("[--a | --b]" as "[--a", "| --b]").
void split(const std::string &text, int depth, bool brackets, size_t room,
           std::vector<std::string> &words) {
    std::string word;
    int d = 0;
    auto flush = [&] {
        if (word.empty()) return;
        if (brackets && word.size() > room && depth < 4)
            split(word, depth + 1, brackets, room, words);
        else
            words.push_back(word);
        word.clear();
    };
    for (size_t i = 0; i < text.size(); i++) {
        char ch = text[i];
        // Inside brackets, only before an alternative's "|".
        bool at = !brackets || (d == depth && (depth == 0 || text[i + 1] == '|'));
        if (ch == ' ' && at) {
            flush();
            continue;
        }
        if (brackets) d += ch == '[' ? 1 : ch == ']' ? -1 : 0;
        word += ch;
    }
    flush();
}

// text wrapped to kWidth, every line after the first indented; with
// brackets, at the outermost spaces that let it fit ("[--output FILE]" whole).
std::string wrap(const std::string &text, size_t first, size_t indent, bool brackets) {
    std::vector<std::string> words;
    split(text, 0, brackets, kWidth - indent, words);
    std::string out;
    size_t column = first;
    for (const std::string &w : words) {
        if (!out.empty() && column + 1 + w.size() > kWidth) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (!out.empty()) {
            out += ' ';
            column++;
        }
        out += w;
        column += w.size();
    }
    return out + "\n";
}

std::string option_words(const OptionDef &o) {
    std::string w = std::string("--") + o.name;
    if (o.alias != 0) w += std::string(", -") + o.alias;
    if (o.value != nullptr) w += std::string(" ") + o.value;
    return w;
}

} // namespace

const CommandDef &command(const std::string &name) {
    for (const CommandDef &c : commands())
        if (name == c.name) return c;
    throw Failure("unknown command \"" + name + "\" (try ethplcy --help)");
}

std::string usage(const CommandDef &c) {
    std::string head = std::string("usage: ethplcy ") + c.name;
    if (*c.synopsis == '\0') return head + "\n";
    head += " ";
    std::string out = head + wrap(c.synopsis, head.size(), head.size(), true);
    if (*c.about != '\0') out += "  " + wrap(c.about, 2, 2, false);
    // Helps line up after the longest option, or start their own line.
    constexpr size_t kMaxColumn = 21;
    size_t column = 0;
    for (const OptionDef &o : c.options)
        column = std::max(column, 2 + option_words(o).size() + 2);
    column = std::min(column, kMaxColumn);
    for (const OptionDef &o : c.options) {
        std::string left = "  " + option_words(o);
        out += left.size() + 2 > column ? left + "\n" + std::string(column, ' ')
                                        : left + std::string(column - left.size(), ' ');
        out += wrap(o.help, column, column, false);
    }
    return out;
}

std::string tool_usage() {
    std::string out = "usage: ethplcy [COMMAND] [OPTIONS] [--] [ARGUMENTS]\n\ncommands:\n";
    for (const CommandDef &c : commands()) {
        std::string name = std::string("  ") + c.name;
        out += name + std::string(name.size() < 14 ? 14 - name.size() : 1, ' ') + c.summary + "\n";
    }
    return out + "\n"
                 "  --help, -h    this text (ethplcy COMMAND --help: the command's options)\n"
                 "  --version     the library's release\n"
                 "\n"
                 "A RECORD or JSON argument that names a file is read from it; \"-\" (or no\n"
                 "argument) is standard input; anything else is the text itself. Records are hex\n"
                 "(blanks, newlines and a leading 0x allowed; `xxd -p` output works), or raw\n"
                 "bytes with --binary. Options take --opt=VALUE or --opt VALUE; -- ends them.\n"
                 "Exit status: 0 success, 1 records differ (diff), 2 error. See ethplcy(1).\n";
}

Parsed parse(const Words &words, const CommandDef &c) {
    Parsed p;
    bool options = true;
    for (size_t i = 0; i < words.size(); i++) {
        const std::string &w = words[i];
        if (!options || w == "-" || w.empty() || w[0] != '-') {
            p.args.push_back(w);
            continue;
        }
        if (w == "--") {
            options = false;
            continue;
        }
        std::string name = w, value;
        bool inline_value = false;
        if (w.rfind("--", 0) == 0) {
            size_t eq = w.find('=');
            if (eq != std::string::npos) {
                name = w.substr(0, eq);
                value = w.substr(eq + 1);
                inline_value = true;
            }
            name = name.substr(2);
        }
        const OptionDef *def = nullptr;
        for (const OptionDef &s : c.options)
            if (name == s.name || (w.size() == 2 && w[1] == s.alias && s.alias != 0)) def = &s;
        if (def == nullptr) throw Failure("unknown option " + w + " for " + c.name);
        if (def->value != nullptr && !inline_value) {
            if (i + 1 == words.size())
                throw Failure("--" + std::string(def->name) + " needs a value");
            value = words[++i];
        } else if (def->value == nullptr && inline_value) {
            throw Failure("--" + std::string(def->name) + " takes no value");
        }
        p.opts[def->name] = value;
    }
    return p;
}

bool wants_help(const Words &words) {
    for (const auto &w : words) {
        if (w == "--") return false;
        if (w == "--help" || w == "-h") return true;
    }
    return false;
}

void exclusive(const Parsed &p, std::initializer_list<const char *> names) {
    const char *first = nullptr;
    for (const char *n : names)
        if (p.has(n)) {
            if (first != nullptr)
                throw Failure(std::string("--") + first + " and --" + n + " cannot go together");
            first = n;
        }
}

std::vector<Input> inputs(const Parsed &p, size_t count, bool binary, const char *what) {
    Words args = p.args;
    if (args.empty() && count == 1) args.push_back("-");
    if (args.size() != count)
        throw Failure(std::string(what) +
                      (count == 1 ? " takes one argument" : " needs two records"));
    std::vector<Input> in;
    int stdin_uses = 0;
    for (const auto &a : args) {
        stdin_uses += a == "-";
        in.push_back(Input{a, binary});
    }
    if (stdin_uses > 1) throw Failure("standard input (-) can be read only once");
    return in;
}

} // namespace ethplcy_tool
