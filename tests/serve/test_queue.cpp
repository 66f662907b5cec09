// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// A subscriber's bounded queue: sequences of pushes with small bounds and
// the exact notifications taken, written "name.index: -deleted +leaf=value*duplicates".
#include <gtest/gtest.h>

#include <sstream>

#include "store.hpp"

namespace ethplcy_serve {
namespace {

// "a.1: +x=1 -y" as one batch of one notification.
BatchPtr batch(const std::string &text) {
    auto b = std::make_shared<Batch>();
    size_t from = text.find_first_not_of(' '), colon = text.find(':'), dot = text.find('.');
    g::Notification n;
    n.id.name = text.substr(from, std::min(dot, colon) - from);
    if (dot < colon) n.id.index = std::stoll(text.substr(dot + 1, colon - dot - 1));
    std::istringstream items(text.substr(colon + 1));
    for (std::string item; items >> item;) {
        if (item[0] == '-') {
            n.deletes.push_back(item.substr(1));
            continue;
        }
        size_t eq = item.find('=');
        n.updates.push_back({item.substr(1, eq - 1), {item.substr(eq + 1), ""}, {}, 0});
    }
    b->notes.push_back(n);
    return b;
}

std::string text(const std::vector<BatchPtr> &taken) {
    std::string out;
    for (const BatchPtr &b : taken)
        for (const g::Notification &n : b->notes) {
            out += (out.empty() ? "" : "; ") + n.id.name +
                   (n.id.sub() ? "." + std::to_string(n.id.index) : "") + ":";
            for (const std::string &d : n.deletes)
                out += " -" + d;
            for (const g::Update &u : n.updates)
                out += " +" + u.path + "=" + u.value.json +
                       (u.duplicates ? "*" + std::to_string(u.duplicates) : "");
        }
    return out;
}

struct Case {
    const char *pushes, *taken; // pushes separated by ";", takes by "|"
};

// Bound: 2 leaves queued as pushed, 4 coalesced.
constexpr Case kCases[] = {
    {"a.1: +x=1; a.1: +y=2", "a.1: +x=1; a.1: +y=2"},
    {"a.1: +x=1; a.1: +x=2; a.1: +x=3", "a.1: +x=3*2"},
    {"a.1: +x=1 +y=1; a.1: +x=2 +y=2; a.1: +x=3", "a.1: +x=3*2 +y=2*1"},
    // A delete replaces what is queued below it, a later update keeps both.
    {"a.1: +x=1; a.1: +y=1; a.1: -", "a.1: -"},
    {"a.1: +x=1; a.1: +y=1; a.1: -; a.1: +x=2; a.1: +x=3", "a.1: - +x=3*1"},
    {"a.1: +e/t=1; a.1: +e2=1; a.1: -e", "a.1: -e +e2=1"},
    {"a.1: +e/t=1; a.1: +e/u=1; a.1: -e/t; a.1: -e", "a.1: -e"},
    // An interface deleted whole takes its sub-interfaces, no other's.
    {"a.1: +x=1; a.2: +x=1; b.1: +x=1; a: -", "b.1: +x=1; a: -"},
    {"a.1: +x=1; a: +x=1; a.1: +x=2; a: +y=1", "a.1: +x=2*1; a: +x=1 +y=1"},
    // Taken, the queue keeps every change again.
    {"a.1: +x=1; a.1: +x=2; a.1: +x=3 | a.1: +x=4", "a.1: +x=3*2 | a.1: +x=4"},
    // More distinct paths than the coalesced bound: the queue gives up.
    {"a.1: +x=1 +y=1; a.1: +z=1 +w=1; a.1: +v=1", "overflowed"},
};

TEST(ServeQueue, CoalescesBeyondItsBound) {
    for (const Case &c : kCases) {
        Queue q(2, 4);
        std::istringstream takes(c.pushes);
        std::string all;
        for (std::string pushes; std::getline(takes, pushes, '|');) {
            std::istringstream each(pushes);
            for (std::string p; std::getline(each, p, ';');)
                q.push(batch(p));
            std::vector<BatchPtr> out;
            q.take(out, std::chrono::milliseconds(0));
            all += (all.empty() ? "" : " | ") + (q.overflowed() ? "overflowed" : text(out));
        }
        EXPECT_EQ(all, c.taken) << c.pushes;
    }
}

} // namespace
} // namespace ethplcy_serve
