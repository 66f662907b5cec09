// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// diff --gnmi: two dumps of records with their identity (interface name and
// sub-interface index) as the gNMI notifications that turn the first's
// state into the second's (gnmi.hpp). A record's identity is its envelope's
// ({"name": ..., "index": ..., "record": hex | "policy": {...}}, or
// "deleted": true), or for a plain record the value of --key, through
// --names (key value to name and index) or as the name itself.
#include <jansson.h>

#include <cstring>
#include <ctime>
#include <iostream>
#include <map>
#include <set>
#include <memory>

#include "gnmi.hpp"
#include "tool.hpp"

namespace ethplcy_tool {
namespace {

namespace g = eth_if_plcy::gnmi;
namespace f = eth_if_plcy::fields;
using Json = std::unique_ptr<json_t, decltype(&json_decref)>;

std::string compact(json_t *v) {
    std::unique_ptr<char, decltype(&free)> text(json_dumps(v, JSON_ENCODE_ANY | JSON_COMPACT),
                                                free);
    if (!text) throw Failure("out of memory");
    return text.get();
}

eth_if_plcy_ext_t decoded(const eth_if_plcy::Record &rec) {
    eth_if_plcy_ext_t e;
    if (eth_if_plcy::decode(rec, e) != eth_if_plcy::Status::ok)
        throw Failure("cannot decode the record");
    return e;
}

// A record's index member: a whole number of 0 to 2^32-1 (OpenConfig's uint32).
int64_t index_of(json_t *v) {
    if (v == nullptr) return -1;
    if (!json_is_integer(v) || json_integer_value(v) < 0 || json_integer_value(v) > UINT32_MAX)
        throw Failure("\"index\": " + compact(v) +
                      " is not a sub-interface index: write a whole number of 0 to 4294967295, "
                      "or leave \"index\" out for a port");
    return json_integer_value(v);
}

// The name and index of each key value, from --names: JSON Lines of
// {"key": VALUE, "name": NAME, "index": N} (index only for a sub-interface).
std::map<std::string, g::Id> read_names(const std::string &path) {
    std::map<std::string, g::Id> names;
    std::map<std::string, size_t> lines; // where each key was given
    Input in;
    in.arg = path;
    std::string text = read_text(in);
    size_t line = 0;
    for (size_t at = 0; at < text.size(); line++) {
        size_t end = std::min(text.find('\n', at), text.size());
        std::string one = text.substr(at, end - at);
        at = end + 1;
        if (one.find_first_not_of(" \t\r") == std::string::npos) continue;
        json_error_t err;
        Json v(json_loadb(one.data(), one.size(), JSON_REJECT_DUPLICATES, &err), json_decref);
        json_t *key = json_object_get(v.get(), "key");
        json_t *name = json_object_get(v.get(), "name");
        std::string where = path + ", line " + std::to_string(line + 1) + ": ";
        if (!v || !json_is_object(v.get()) || key == nullptr || !json_is_string(name) ||
            json_object_size(v.get()) != 2u + (json_object_get(v.get(), "index") != nullptr))
            throw Failure(where + "not {\"key\": VALUE, \"name\": NAME[, \"index\": N]}");
        try {
            auto [at_line, added] = lines.emplace(compact(key), line + 1);
            if (!added)
                throw Failure("key " + at_line->first + " is given twice (first on line " +
                              std::to_string(at_line->second) + "): name each key once");
            names[compact(key)] = {json_string_value(name),
                                   index_of(json_object_get(v.get(), "index"))};
        } catch (const Failure &bad) {
            throw Failure(where + bad.what());
        }
    }
    return names;
}

struct Reading {
    std::string key; // --key: the field that names a plain record
    const std::map<std::string, g::Id> *names = nullptr;
    bool net = false;
};

// An envelope's identity and record: false when v is no envelope (has no
// "name"); deleted when it says the record is gone.
bool envelope(json_t *v, bool net_default, g::Id &id, bool &deleted, eth_if_plcy::Record &rec) {
    json_t *name = json_object_get(v, "name");
    if (name == nullptr) return false;
    if (!json_is_string(name))
        throw Failure("\"name\": " + compact(name) +
                      " is not a string: write the interface's name, such as \"name\": \"eth0\"");
    id = {std::string(json_string_value(name), json_string_length(name)),
          index_of(json_object_get(v, "index"))};
    if (id.name.empty() || id.name.find('\0') != std::string::npos)
        throw Failure("\"name\": " + compact(name) + " is empty or holds a NUL");
    json_t *record = json_object_get(v, "record");
    json_t *policy = json_object_get(v, "policy");
    json_t *gone = json_object_get(v, "deleted");
    json_t *net = json_object_get(v, "net");
    const char *key;
    json_t *member;
    json_object_foreach(v, key, member) {
        std::string_view k = key;
        if (k != "name" && k != "index" && k != "record" && k != "policy" && k != "deleted" &&
            k != "net")
            throw Failure(std::string("\"") + key +
                          "\": not a member of an envelope (name, index, record, policy, "
                          "deleted, net)");
    }
    if ((record != nullptr) + (policy != nullptr) + (gone != nullptr) != 1)
        throw Failure("an envelope holds one of record, policy and deleted");
    if (net != nullptr && !json_is_boolean(net))
        throw Failure("\"net\": " + compact(net) + ": write true or false");
    deleted = gone != nullptr;
    if (deleted) {
        if (!json_is_true(gone))
            throw Failure("\"deleted\": " + compact(gone) +
                          ": only \"deleted\": true, for a record gone (a record kept is given "
                          "by \"record\" or \"policy\")");
        return true;
    }
    if (record != nullptr) {
        const char *how = ": write the record as hex text, as ethplcy encode writes it";
        if (!json_is_string(record))
            throw Failure("\"record\": " + compact(record) + " is not a string" + how);
        std::vector<uint8_t> bytes;
        try {
            bytes = parse_hex(json_string_value(record), "\"record\"");
        } catch (const Failure &bad) {
            throw Failure(bad.what() + std::string(how));
        }
        rec = load_record(bytes, net ? json_is_true(net) : net_default);
    } else {
        eth_if_plcy_ext_t e;
        ext_from_json(compact(policy), e);
        rec = encoded(e, 0);
    }
    return true;
}

// An item's JSON, or null. An envelope with a member given twice (in it or
// in its policy) is refused, naming the member: which one counts is a guess.
Json parsed(const StreamItem &item) {
    if (!item.json) return Json(nullptr, json_decref);
    json_error_t err;
    Json v(json_loadb(item.text.data(), item.text.size(), JSON_REJECT_DUPLICATES, &err),
           json_decref);
    if (v || json_error_code(&err) != json_error_duplicate_key) return v;
    Json loose(json_loadb(item.text.data(), item.text.size(), 0, nullptr), json_decref);
    if (!json_is_object(loose.get()) || json_object_get(loose.get(), "name") == nullptr)
        return Json(nullptr, json_decref); // a policy: its reader refuses the duplicate
    std::string_view text = err.text;      // duplicate object key near '"KEY"'
    size_t at = text.find("near '");
    std::string member(at == std::string_view::npos ? "a member"
                                                    : text.substr(at + 6, text.size() - at - 7));
    throw Failure(member + " is given twice: write each member of an envelope (and of its "
                           "policy) once");
}

// One item of a dump into the state: an envelope, or a plain record named by its key.
void take(const StreamItem &item, const Reading &r, g::State &state, std::set<g::Id> &seen) {
    g::Id id;
    bool deleted = false;
    eth_if_plcy::Record rec;
    Json v = parsed(item);
    if (!v || !envelope(v.get(), r.net, id, deleted, rec)) {
        if (r.key.empty())
            throw Failure("a record without its interface: give envelopes, or --key with "
                          "--interfaces");
        if (item.json) {
            eth_if_plcy_ext_t p;
            ext_from_json(item.text, p);
            rec = encoded(p, 0);
        } else {
            rec = load_record(item.bytes, r.net);
        }
        std::string value = value_at(decoded(rec), r.key);
        if (value.empty()) throw Failure("the record has no " + r.key);
        if (r.names != nullptr) {
            auto it = r.names->find(value);
            if (it == r.names->end())
                throw Failure(r.key + " " + value + " is not in --interfaces");
            id = it->second;
        } else {
            if (value.front() == '"') value = value.substr(1, value.size() - 2);
            id = {value, g::sub_record(decoded(rec)) ? 0 : -1};
        }
    }
    // One entry per identity, a deletion included: which would win is a guess.
    if (!seen.insert(id).second) throw Failure(g::prefix_text(id) + " is given twice");
    if (deleted) {
        state.erase(id);
        return;
    }
    const eth_if_plcy_ext_t e = decoded(rec);
    if (const char *why = g::identity_refusal(id, e))
        throw Failure(g::prefix_text(id) + ": " + why);
    state.emplace(id, g::leaves(e, id.sub()));
}

int read_state(const Input &in, const StreamOptions &o, const Reading &r, g::State &state) {
    Stream s(in, o.binary ? Framing::binary : Framing::text, o.net);
    StreamItem item;
    std::set<g::Id> seen;
    int status = 0;
    while (s.next(item)) {
        try {
            if (!item.error.empty()) throw Failure(item.error);
            take(item, r, state, seen);
        } catch (const Failure &bad) {
            std::fflush(stdout);
            std::fprintf(stderr, "ethplcy: %s: %s\n", item.where().c_str(), bad.what());
            status = 2;
        }
    }
    return status;
}

} // namespace

bool envelope_record(const StreamItem &item, bool net, eth_if_plcy::Record &rec) {
    // A policy has no name. memmem, not find: find stops at every quote.
    if (memmem(item.text.data(), item.text.size(), "\"name\"", 6) == nullptr) return false;
    Json v = parsed(item);
    g::Id id;
    bool deleted = false;
    if (!v || !envelope(v.get(), net, id, deleted, rec)) return false;
    if (deleted) throw Failure(g::prefix_text(id) + ": a deleted record (diff --gnmi reads it)");
    return true;
}

bool envelope_item(const StreamItem &item, bool net, g::Id &id, bool &deleted,
                   eth_if_plcy::Record &rec) {
    Json v = parsed(item);
    return v && envelope(v.get(), net, id, deleted, rec);
}

int diff_gnmi(const Input &a, const Input &b, const StreamOptions &o, const GnmiOptions &gopt,
              Output &out) {
    Reading r;
    r.key = gopt.key;
    r.net = o.net;
    if (!r.key.empty() && !f::find_field(r.key))
        throw Failure(r.key +
                      ": no such field (--key takes a field's JSON path, such as sub.parent)");
    std::map<std::string, g::Id> names;
    if (!gopt.names.empty()) {
        names = read_names(gopt.names);
        r.names = &names;
    } else if (!r.key.empty()) {
        std::fflush(stdout);
        std::cerr << "ethplcy: no --interfaces: each interface is named by its " << r.key
                  << ", and a sub-interface's index is 0\n";
    }
    g::State sa, sb;
    int status = read_state(a, o, r, sa);
    status = std::max(status, read_state(b, o, r, sb));
    uint64_t stamp = gopt.timestamp;
    if (!gopt.timestamp_given) {
        timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        stamp =
            static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
    }
    if (status != 0) { // a refused record would read as gone: a collector would delete it
        std::fflush(stdout);
        std::fputs("ethplcy: no notifications written: a record was refused\n", stderr);
        return status;
    }
    std::vector<g::Notification> changes = g::notifications(sa, sb);
    std::string text;
    for (const g::Notification &n : changes) {
        text += gopt.text ? g::to_text(n) : g::to_json(n, stamp);
        if (text.size() >= (1u << 16)) {
            out.write(text);
            text.clear();
        }
    }
    out.write(text);
    return status != 0 ? status : changes.empty() ? 0 : 1;
}

} // namespace ethplcy_tool
