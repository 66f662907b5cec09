// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The current leaves of every interface and sub-interface, and the
// notifications each record read brings: the one place ethplcy-serve uses
// gnmi.hpp's state and diff, so that an incremental state there (apply one
// record, get its notifications) can take its place without touching the rest.
#pragma once

#include <string>
#include <vector>

#include "gnmi.hpp"

namespace ethplcy_serve {

namespace g = eth_if_plcy::gnmi;

class Tree {
  public:
    // One record (nullptr: deleted); its notifications, as diff --gnmi gives
    // them between the state before and after it.
    std::vector<g::Notification> apply(const g::Id &id, const eth_if_plcy_ext_t *e) {
        g::State before = around(id.name);
        if (e != nullptr)
            state_[id] = g::leaves(*e, id.sub());
        else
            state_.erase(id);
        return g::notifications(before, around(id.name));
    }
    // The whole state as notifications from nothing: every leaf once.
    std::vector<g::Notification> all() const { return g::notifications({}, state_); }

  private:
    // The records of one interface: notifications never reach past its name.
    g::State around(const std::string &name) const {
        g::State out;
        for (auto it = state_.lower_bound(g::Id{name, INT64_MIN});
             it != state_.end() && it->first.name == name; ++it)
            out.insert(*it);
        return out;
    }
    g::State state_;
};

} // namespace ethplcy_serve
