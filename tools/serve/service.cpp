// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
#include "service.hpp"

#include <google/protobuf/util/json_util.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <string_view>

#include "paths.hpp"

namespace ethplcy_serve {
namespace {

using grpc::Status;
using grpc::StatusCode;
using Stream = grpc::ServerReaderWriter<gnmi::SubscribeResponse, gnmi::SubscribeRequest>;

struct Model {
    const char *name, *organization, *version;
};
// The models of the served paths: OpenConfig's with their openconfig-version,
// the project's with their revision (ethplcy yang writes the same dates).
constexpr std::array<Model, 7> kModels{{
    {"openconfig-interfaces", "OpenConfig working group", "3.8.1"},
    {"openconfig-if-ethernet", "OpenConfig working group", "2.18.0"},
    {"openconfig-vlan", "OpenConfig working group", "3.2.2"},
    {"openconfig-vlan-types", "OpenConfig working group", "3.2.0"},
    {"iana-if-type", "IANA", "2017-01-19"},
    {"eth-if-plcy-oc", "The eth_if_plcy developers", "2026-12-07"},
    {"eth-if-plcy", "The eth_if_plcy developers", "2026-12-06"},
}};
// The gNMI release whose messages gnmi.proto follows.
constexpr const char *kGnmiVersion = "0.10.0";

// Values are typed scalars, and lists RFC 7951 JSON: PROTO and JSON_IETF.
bool served_encoding(gnmi::Encoding e) {
    return e == gnmi::PROTO || e == gnmi::JSON_IETF;
}

Status refuse(StatusCode code, const std::string &why) {
    return Status(code, why);
}

// The patterns of a request's paths (its prefix alone when it gives none).
template <class Paths>
Status patterns_of(const gnmi::Path &prefix, const Paths &paths, std::vector<Elems> &out) {
    Elems e;
    if (paths.empty()) {
        std::string why = request_path(prefix, gnmi::Path(), e);
        if (!why.empty()) return refuse(StatusCode::INVALID_ARGUMENT, why);
        out.push_back(e);
    }
    for (const auto &p : paths) {
        std::string why = request_path(prefix, p, e);
        if (!why.empty()) return refuse(StatusCode::INVALID_ARGUMENT, why);
        out.push_back(e);
    }
    return Status::OK;
}

// A notification as gNMI's message: through the JSON diff --gnmi writes, so
// that both say the same.
void to_message(const g::Notification &n, uint64_t timestamp, gnmi::Notification &out) {
    google::protobuf::util::JsonStringToMessage(g::to_json(n, timestamp), &out);
}

// The notifications of b that patterns select (and trim keeps), each passed
// to send until it fails, stamped at: a change's time, or for the state
// (shared until the next change) the time it is sent.
template <class Send, class Trim>
bool each_selected(const Batch &b, uint64_t at, const std::vector<Elems> &patterns, Send send,
                   Trim trim) {
    g::Notification part;
    for (const g::Notification &n : b.notes) {
        if (!select(n, patterns, part) || !trim(n, part)) continue;
        gnmi::SubscribeResponse r;
        to_message(part, at, *r.mutable_update());
        if (!send(r)) return false;
    }
    return true;
}

template <class Send>
bool each_selected(const Batch &b, uint64_t at, const std::vector<Elems> &patterns, Send send) {
    return each_selected(b, at, patterns, send,
                         [](const g::Notification &, g::Notification &) { return true; });
}

using Clock = std::chrono::steady_clock;
// A wait between looks at the call's cancellation.
constexpr std::chrono::milliseconds kLongestWait{200};
// The shortest sample or heartbeat interval (also for 0, "the target's
// shortest"): a client cannot make the target send its state without pause.
constexpr std::chrono::milliseconds kShortestInterval{100};

struct Periodic {
    std::vector<Elems> pattern;
    Clock::duration every;
    Clock::time_point next;
    // suppress_redundant: the value of each leaf last sent, by its path; a
    // leaf unchanged since is left out, except at a heartbeat.
    bool suppress = false;
    Clock::duration heartbeat{};
    Clock::time_point next_heartbeat{};
    std::map<std::string, std::string> sent;
};

// A sample of p's paths: with suppress_redundant only the leaves changed
// since the last sample, every leaf when a heartbeat is due.
template <class Send>
bool sample(const Batch &b, Periodic &p, Clock::time_point now, Send send) {
    if (!p.suppress) return each_selected(b, now_ns(), p.pattern, send);
    bool all = p.heartbeat != Clock::duration::zero() && now >= p.next_heartbeat;
    if (all) p.next_heartbeat = now + p.heartbeat;
    return each_selected(b, now_ns(), p.pattern, send,
                         [&](const g::Notification &n, g::Notification &part) {
                             std::string prefix = g::prefix_text(n.id) + "/";
                             std::erase_if(part.updates, [&](const g::Update &u) {
                                 std::string &last = p.sent[prefix + u.path];
                                 bool same = last == u.value.json;
                                 last = u.value.json;
                                 return same && !all;
                             });
                             return !part.updates.empty();
                         });
}

Clock::duration interval(uint64_t ns) {
    // Above a day is a day: the sum with now stays in range.
    constexpr uint64_t kDay = 86400000000000u;
    return std::max<Clock::duration>(std::chrono::nanoseconds(std::min(ns, kDay)),
                                     kShortestInterval);
}

bool sync(Stream *rw) {
    gnmi::SubscribeResponse r;
    r.set_sync_response(true);
    return rw->Write(r);
}

// Whether a leaf's path (relative to its record) has the element tree.
bool in_tree(std::string_view path, std::string_view tree) {
    for (size_t at = path.find(tree); at != std::string_view::npos; at = path.find(tree, at + 1))
        if ((at == 0 || path[at - 1] == '/') &&
            (at + tree.size() == path.size() || path[at + tree.size()] == '/'))
            return true;
    return false;
}

} // namespace

Status Service::Capabilities(grpc::ServerContext *, const gnmi::CapabilityRequest *,
                             gnmi::CapabilityResponse *out) {
    for (const Model &m : kModels) {
        gnmi::ModelData *d = out->add_supported_models();
        d->set_name(m.name);
        d->set_organization(m.organization);
        d->set_version(m.version);
    }
    out->add_supported_encodings(gnmi::JSON_IETF);
    out->add_supported_encodings(gnmi::PROTO);
    out->set_gnmi_version(kGnmiVersion);
    return Status::OK;
}

Status Service::Get(grpc::ServerContext *ctx, const gnmi::GetRequest *req, gnmi::GetResponse *out) {
    if (!served_encoding(req->encoding()))
        return refuse(StatusCode::UNIMPLEMENTED, "encodings served: JSON_IETF and PROTO");
    if (!gnmi::GetRequest::DataType_IsValid(req->type()))
        return refuse(StatusCode::INVALID_ARGUMENT,
                      "type is none of ALL, CONFIG, STATE, OPERATIONAL");
    std::vector<Elems> patterns;
    Status s = patterns_of(req->prefix(), req->path(), patterns);
    if (!s.ok()) return s;
    // Every leaf is served twice, under config and under state; the records
    // are the applied configuration, so nothing is operational alone.
    if (req->type() == gnmi::GetRequest::OPERATIONAL)
        return refuse(StatusCode::NOT_FOUND,
                      "no operational data: the state served is the applied configuration");
    const char *tree = req->type() == gnmi::GetRequest::CONFIG  ? "config"
                       : req->type() == gnmi::GetRequest::STATE ? "state"
                                                                : nullptr;
    auto pick = [tree](const g::Notification &n, const std::vector<Elems> &p,
                       g::Notification &part) {
        if (!select(n, p, part)) return false;
        if (tree != nullptr)
            std::erase_if(part.updates,
                          [tree](const g::Update &u) { return !in_tree(u.path, tree); });
        return !part.updates.empty();
    };
    while (!replies_.try_acquire_for(kLongestWait))
        if (ctx != nullptr && ctx->IsCancelled()) return Status::CANCELLED;
    struct Release {
        std::counting_semaphore<kWholeReplies> &s;
        ~Release() { s.release(); }
    } release{replies_};
    BatchPtr all = store_.snapshot();
    uint64_t at = now_ns();
    g::Notification part;
    for (const Elems &p : patterns) {
        bool found = false;
        for (size_t i = 0; i < all->notes.size() && !found; i++)
            found = pick(all->notes[i], {p}, part);
        if (!found) return refuse(StatusCode::NOT_FOUND, "a path the tree does not hold");
    }
    for (const g::Notification &n : all->notes)
        if (pick(n, patterns, part)) {
            gnmi::Notification *note = out->add_notification();
            to_message(part, at, *note);
            if (!req->prefix().target().empty())
                note->mutable_prefix()->set_target(req->prefix().target());
        }
    return Status::OK;
}

Status Service::Set(grpc::ServerContext *, const gnmi::SetRequest *, gnmi::SetResponse *) {
    return refuse(StatusCode::UNIMPLEMENTED,
                  "Set: the records come from the network OS, not from the collector");
}

Status Service::Subscribe(grpc::ServerContext *ctx, Stream *rw) {
    // Counted before anything is read: a client cannot hold more calls.
    struct Count {
        std::atomic<int> &n;
        ~Count() { n--; }
    } count{subscriptions_};
    if (++subscriptions_ > max_subscriptions_)
        return refuse(StatusCode::RESOURCE_EXHAUSTED, "too many subscriptions at once (at most " +
                                                          std::to_string(max_subscriptions_) + ")");
    gnmi::SubscribeRequest req;
    if (!rw->Read(&req)) return Status::OK;
    if (!req.has_subscribe())
        return refuse(StatusCode::INVALID_ARGUMENT, "the first request is a subscription list");
    const gnmi::SubscriptionList &list = req.subscribe();
    if (!served_encoding(list.encoding()))
        return refuse(StatusCode::UNIMPLEMENTED, "encodings served: JSON_IETF and PROTO");
    if (list.subscription().empty())
        return refuse(StatusCode::INVALID_ARGUMENT, "a subscription list with no subscription");
    if (!gnmi::SubscriptionList::Mode_IsValid(list.mode()))
        return refuse(StatusCode::INVALID_ARGUMENT, "mode is none of STREAM, ONCE, POLL");
    for (const gnmi::Subscription &sub : list.subscription())
        if (!gnmi::SubscriptionMode_IsValid(sub.mode()))
            return refuse(StatusCode::INVALID_ARGUMENT,
                          "a subscription's mode is none of TARGET_DEFINED, ON_CHANGE, SAMPLE");
    std::vector<gnmi::Path> paths;
    for (const gnmi::Subscription &sub : list.subscription())
        paths.push_back(sub.path());
    std::vector<Elems> patterns;
    Status s = patterns_of(list.prefix(), paths, patterns);
    if (!s.ok()) return s;
    // A prefix's target comes back in every notification, as gNMI asks. A
    // copy: a poll read into req later frees the subscription list.
    auto write = [rw, target = list.prefix().target()](gnmi::SubscribeResponse &r) {
        if (!target.empty() && r.has_update())
            r.mutable_update()->mutable_prefix()->set_target(target);
        return rw->Write(r);
    };
    if (list.mode() == gnmi::SubscriptionList::ONCE) {
        if (!list.updates_only()) each_selected(*store_.snapshot(), now_ns(), patterns, write);
        sync(rw);
        return Status::OK;
    }
    if (list.mode() == gnmi::SubscriptionList::POLL) {
        // The state at once (unless updates_only), then again at each poll.
        bool ok =
            (list.updates_only() || each_selected(*store_.snapshot(), now_ns(), patterns, write)) &&
            sync(rw);
        while (ok && rw->Read(&req)) {
            if (!req.has_poll())
                return refuse(StatusCode::INVALID_ARGUMENT,
                              "after a POLL subscription list, only polls");
            ok = each_selected(*store_.snapshot(), now_ns(), patterns, write) && sync(rw);
        }
        return Status::OK;
    }
    // STREAM: changes for ON_CHANGE (and TARGET_DEFINED) paths; the state of
    // a SAMPLE path at each interval, of an ON_CHANGE path at each heartbeat.
    std::vector<Elems> on_change;
    std::vector<Periodic> periodic;
    auto now = Clock::now();
    auto every = [&](std::vector<Elems> p, uint64_t ns) {
        periodic.push_back({std::move(p), interval(ns), now + interval(ns), false, {}, {}, {}});
    };
    for (int i = 0; i < list.subscription_size(); i++) {
        const gnmi::Subscription &sub = list.subscription(i);
        const Elems &p = patterns[static_cast<size_t>(i)];
        if (sub.mode() == gnmi::SAMPLE) {
            every({p}, sub.sample_interval());
            periodic.back().suppress = sub.suppress_redundant();
            if (sub.heartbeat_interval() != 0)
                periodic.back().heartbeat = interval(sub.heartbeat_interval());
            continue;
        }
        on_change.push_back(p);
        if (sub.heartbeat_interval() != 0) every({p}, sub.heartbeat_interval());
    }
    Queue q;
    // With updates_only no state is copied; a suppress_redundant sample
    // starts from nothing then.
    BatchPtr first = store_.join(&q, !list.updates_only());
    struct Leave {
        Store &store;
        Queue *q;
        ~Leave() { store.leave(q); }
    } leave{store_, &q};
    if ((!list.updates_only() && !each_selected(*first, now_ns(), patterns, write)) || !sync(rw))
        return Status::OK;
    // The initial state counts as sent: suppress_redundant leaves it out of the first sample.
    for (Periodic &p : periodic)
        if (p.suppress && !list.updates_only())
            sample(*first, p, now, [](const gnmi::SubscribeResponse &) { return true; });
    first.reset(); // the state is sent: not held for the stream's life
    // The stream ends when the client goes: looked at between waits.
    std::vector<BatchPtr> batches;
    while (!ctx->IsCancelled()) {
        auto until = Clock::now() + kLongestWait;
        for (const Periodic &p : periodic)
            until = std::min(until, p.next);
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (q.take(batches, std::max(wait, std::chrono::milliseconds(0))))
            for (const BatchPtr &b : batches)
                if (!each_selected(*b, b->timestamp, on_change, write)) return Status::OK;
        if (q.overflowed())
            return refuse(StatusCode::RESOURCE_EXHAUSTED,
                          "the subscriber reads too slowly: its coalesced changes outgrew the "
                          "target's bound");
        now = Clock::now();
        for (Periodic &p : periodic) {
            if (now < p.next) continue;
            if (!sample(*store_.snapshot(), p, now, write)) return Status::OK;
            p.next = now + p.every;
        }
    }
    return Status::OK;
}

} // namespace ethplcy_serve
