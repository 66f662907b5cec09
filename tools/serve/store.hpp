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
#include <memory>
#include <mutex>
#include <vector>

#include "tree.hpp"

namespace ethplcy_serve {

// Notifications made at one time: a record's changes, or a state.
struct Batch {
    uint64_t timestamp = 0; // nanoseconds since the epoch
    std::vector<g::Notification> notes;
};
using BatchPtr = std::shared_ptr<const Batch>;

uint64_t now_ns();

// One subscriber's changes not yet sent.
class Queue {
  public:
    void push(BatchPtr b);
    // What is queued, waiting up to wait for something; false when nothing came.
    bool take(std::vector<BatchPtr> &out, std::chrono::milliseconds wait);

  private:
    std::mutex mu_;
    std::condition_variable cv_;
    std::deque<BatchPtr> q_;
};

class Store {
  public:
    void apply(const g::Id &id, const eth_if_plcy_ext_t *e);
    Batch snapshot() const;
    // The state now, and q joined: every later change goes to it.
    Batch join(Queue *q);
    void leave(Queue *q);

  private:
    mutable std::mutex mu_;
    Tree tree_;
    std::vector<Queue *> subscribers_;
};

} // namespace ethplcy_serve
