// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The served state and its subscribers: the input thread applies records,
// each change goes to every subscriber's queue; a new subscriber takes the
// state and joins under one lock, so it misses no change and sees none twice.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "tree.hpp"

namespace ethplcy_serve {

// Notifications made at one time: a record's changes, or a state.
struct Batch {
    uint64_t timestamp = 0; // nanoseconds since the epoch: a change's; 0 for the state
    std::vector<g::Notification> notes;
};
using BatchPtr = std::shared_ptr<const Batch>;

uint64_t now_ns();

// One subscriber's changes not yet sent, bounded: up to kQueueBound (8192) leaves
// (updates and deletes) it keeps every change as the input made it; beyond,
// it coalesces what it holds per path until the subscriber takes it (the
// newest value of a leaf replaces the queued one, counted in its duplicates;
// a delete replaces what is queued below it). Coalesced, it holds one entry
// per path: beyond kCoalescedBound it gives up (overflowed()).
class Queue {
  public:
    static constexpr size_t kQueueBound = 8192;
    static constexpr size_t kCoalescedBound = size_t{1} << 20;
    explicit Queue(size_t bound = kQueueBound, size_t coalesced_bound = kCoalescedBound)
        : bound_(bound), coalesced_bound_(coalesced_bound) {}
    // Never waits on the subscriber: the input thread calls it.
    void push(BatchPtr b);
    // What is queued, waiting up to wait for something; false when nothing came.
    bool take(std::vector<BatchPtr> &out, std::chrono::milliseconds wait);
    bool overflowed();

  private:
    // A coalesced change: one leaf's update or one path's delete.
    struct Op {
        g::Id id;
        bool atomic = false, erase = false;
        std::string path;
        g::Update update;
        uint64_t timestamp = 0;
    };
    using Key = std::tuple<std::string, int64_t, std::string, bool>;
    void coalesce(const Batch &b);
    void coalesce(const g::Id &id, bool atomic, const std::string &path, const g::Update *u,
                  uint64_t timestamp);

    std::mutex mu_;
    std::condition_variable cv_;
    size_t bound_, coalesced_bound_, leaves_ = 0;
    bool overflowed_ = false;
    std::deque<BatchPtr> q_;
    // Once over the bound: the changes in order, and where each path's is.
    std::list<Op> ops_;
    std::map<Key, std::list<Op>::iterator> at_;
};

class Store {
  public:
    void apply(const g::Id &id, const eth_if_plcy_ext_t *e);
    // The state now, shared: every call until the next change gets the same
    // copy (many Gets of a large state hold one copy, not one each).
    BatchPtr snapshot() const;
    // The state now (none when state is false: updates_only), and q joined:
    // every later change goes to it.
    BatchPtr join(Queue *q, bool state = true);
    void leave(Queue *q);

  private:
    BatchPtr state_locked() const;

    mutable std::mutex mu_;
    Tree tree_;
    mutable BatchPtr state_; // the last state made, until a change
    std::vector<Queue *> subscribers_;
};

} // namespace ethplcy_serve
