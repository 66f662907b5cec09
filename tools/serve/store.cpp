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

void Queue::push(BatchPtr b) {
    {
        std::lock_guard<std::mutex> lock(mu_);
        q_.push_back(std::move(b));
    }
    cv_.notify_one();
}

bool Queue::take(std::vector<BatchPtr> &out, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mu_);
    if (!cv_.wait_for(lock, wait, [this] { return !q_.empty(); })) return false;
    out.assign(q_.begin(), q_.end());
    q_.clear();
    return true;
}

void Store::apply(const g::Id &id, const eth_if_plcy_ext_t *e) {
    std::lock_guard<std::mutex> lock(mu_);
    auto b = std::make_shared<Batch>(Batch{now_ns(), tree_.apply(id, e)});
    if (b->notes.empty()) return;
    for (Queue *q : subscribers_)
        q->push(b);
}

Batch Store::snapshot() const {
    std::lock_guard<std::mutex> lock(mu_);
    return {now_ns(), tree_.all()};
}

Batch Store::join(Queue *q) {
    std::lock_guard<std::mutex> lock(mu_);
    subscribers_.push_back(q);
    return {now_ns(), tree_.all()};
}

void Store::leave(Queue *q) {
    std::lock_guard<std::mutex> lock(mu_);
    subscribers_.erase(std::remove(subscribers_.begin(), subscribers_.end(), q),
                       subscribers_.end());
}

} // namespace ethplcy_serve
