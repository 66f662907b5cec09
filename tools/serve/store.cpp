// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
#include "store.hpp"

#include <algorithm>
#include <ctime>

namespace ethplcy_serve {

uint64_t now_ns() {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

namespace {

size_t leaves(const Batch &b) {
    size_t n = 0;
    for (const g::Notification &note : b.notes)
        n += note.deletes.size() + note.updates.size();
    return n;
}

// Whether the leaf path lies at or below the deleted path ("": all of the record).
bool below(const std::string &path, const std::string &deleted) {
    return deleted.empty() || (path.starts_with(deleted) &&
                               (path.size() == deleted.size() || path[deleted.size()] == '/'));
}

} // namespace

void Queue::push(BatchPtr b) {
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (overflowed_) return;
        size_t n = leaves(*b);
        if (ops_.empty() && leaves_ + n <= bound_) {
            q_.push_back(std::move(b));
            leaves_ += n;
        } else {
            for (const BatchPtr &queued : q_)
                coalesce(*queued);
            q_.clear();
            leaves_ = 0;
            coalesce(*b);
            if (ops_.size() > coalesced_bound_) {
                overflowed_ = true;
                ops_.clear();
                at_.clear();
            }
        }
    }
    cv_.notify_one();
}

void Queue::coalesce(const Batch &b) {
    // A notification's deletes come before its updates, as a client applies them.
    for (const g::Notification &n : b.notes) {
        for (const std::string &d : n.deletes)
            coalesce(n.id, n.atomic, d, nullptr, b.timestamp);
        for (const g::Update &u : n.updates)
            coalesce(n.id, n.atomic, u.path, &u, b.timestamp);
    }
}

void Queue::coalesce(const g::Id &id, bool atomic, const std::string &path, const g::Update *u,
                     uint64_t timestamp) {
    if (u != nullptr) {
        // A queued update of the leaf is after any delete above it (the
        // delete took it away): the newest value takes its place.
        auto it = at_.find(Key{id.name, id.index, path, false});
        if (it != at_.end()) {
            Op &o = *it->second;
            uint32_t duplicates = o.update.duplicates + 1 + u->duplicates;
            o.update = *u;
            o.update.duplicates = duplicates;
            o.atomic = atomic;
            o.timestamp = timestamp;
            return;
        }
        ops_.push_back({id, atomic, false, path, *u, timestamp});
        at_.emplace(Key{id.name, id.index, path, false}, std::prev(ops_.end()));
        return;
    }
    // A delete takes the place of what is queued below it; an interface
    // deleted whole takes its sub-interfaces' too.
    bool whole = !id.sub() && path.empty();
    auto it = at_.lower_bound(Key{id.name, whole ? INT64_MIN : id.index, "", false});
    while (it != at_.end() && std::get<0>(it->first) == id.name &&
           (whole || std::get<1>(it->first) == id.index)) {
        if (below(std::get<2>(it->first), path)) {
            ops_.erase(it->second);
            it = at_.erase(it);
        } else {
            ++it;
        }
    }
    ops_.push_back({id, atomic, true, path, {}, timestamp});
    at_.emplace(Key{id.name, id.index, path, true}, std::prev(ops_.end()));
}

bool Queue::take(std::vector<BatchPtr> &out, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mu_);
    if (!cv_.wait_for(lock, wait, [this] { return !q_.empty() || !ops_.empty() || overflowed_; }))
        return false;
    out.assign(q_.begin(), q_.end());
    q_.clear();
    leaves_ = 0;
    // Coalesced: consecutive changes of one record make one notification
    // (its deletes first: none of them is above an update queued before it).
    std::shared_ptr<Batch> b;
    for (Op &o : ops_) {
        if (!b || o.atomic || b->notes.back().atomic || !(b->notes.back().id == o.id)) {
            b = std::make_shared<Batch>();
            b->notes.push_back({o.id, o.atomic, {}, {}});
            out.push_back(b);
        }
        b->timestamp = std::max(b->timestamp, o.timestamp);
        if (o.erase)
            b->notes.back().deletes.push_back(std::move(o.path));
        else
            b->notes.back().updates.push_back(std::move(o.update));
    }
    ops_.clear();
    at_.clear();
    return true;
}

bool Queue::overflowed() {
    std::lock_guard<std::mutex> lock(mu_);
    return overflowed_;
}

void Store::apply(const g::Id &id, const eth_if_plcy_ext_t *e) {
    std::lock_guard<std::mutex> lock(mu_);
    auto b = std::make_shared<Batch>(Batch{now_ns(), tree_.apply(id, e)});
    if (b->notes.empty()) return;
    state_.reset();
    for (Queue *q : subscribers_)
        q->push(b);
}

BatchPtr Store::state_locked() const {
    if (!state_) state_ = std::make_shared<Batch>(Batch{0, tree_.all()}); // stamped as sent
    return state_;
}

BatchPtr Store::snapshot() const {
    std::lock_guard<std::mutex> lock(mu_);
    return state_locked();
}

BatchPtr Store::join(Queue *q, bool state) {
    std::lock_guard<std::mutex> lock(mu_);
    subscribers_.push_back(q);
    if (!state) return std::make_shared<Batch>();
    return state_locked();
}

void Store::leave(Queue *q) {
    std::lock_guard<std::mutex> lock(mu_);
    subscribers_.erase(std::remove(subscribers_.begin(), subscribers_.end(), q),
                       subscribers_.end());
}

} // namespace ethplcy_serve
