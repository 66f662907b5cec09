// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
#include "input.hpp"

#include <cstdlib>

#include "tool.hpp"

namespace ethplcy_serve {
namespace {

namespace t = ethplcy_tool;

// One line into the store: "" or why it was refused.
std::string take(const t::StreamItem &item, bool net, Store &store) {
    g::Id id;
    bool deleted = false;
    eth_if_plcy::Record rec;
    try {
        if (!t::envelope_item(item, net, id.name, id.index, deleted, rec))
            return "not an envelope ({\"name\", \"index\"?, \"record\" | \"policy\" | "
                   "\"deleted\"})";
    } catch (const t::Failure &bad) {
        return bad.what();
    }
    if (deleted) {
        store.apply(id, nullptr);
        return "";
    }
    eth_if_plcy_ext_t e;
    if (eth_if_plcy::decode(rec, e) != eth_if_plcy::Status::ok) return "cannot decode the record";
    store.apply(id, &e);
    return "";
}

} // namespace

void read_records(FILE *in, const std::string &name, bool net, Store &store) {
    char *raw = nullptr;
    size_t cap = 0;
    t::StreamItem item;
    size_t applied = 0, refused = 0;
    for (ssize_t n; (n = getline(&raw, &cap, in)) >= 0;) {
        item.line++;
        std::string_view line(raw, static_cast<size_t>(n));
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.remove_suffix(1);
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        item.number++;
        item.json = true;
        item.text = line.size() > t::kInputCap ? std::string() : std::string(line);
        std::string why = line.size() > t::kInputCap ? "longer than 1 MiB" : take(item, net, store);
        if (why.empty()) {
            applied++;
            continue;
        }
        refused++;
        std::fprintf(stderr, "ethplcy-serve: %s, %s: %s\n", name.c_str(), item.where().c_str(),
                     why.c_str());
    }
    free(raw);
    std::fprintf(stderr,
                 "ethplcy-serve: end of %s: %zu records applied, %zu refused; serving "
                 "the last state\n",
                 name.c_str(), applied, refused);
    std::fflush(stderr);
}

} // namespace ethplcy_serve
