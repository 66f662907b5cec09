// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The current leaves of every interface and sub-interface, and the
// notifications each record read brings: the one place ethplcy-serve uses
// gnmi.hpp's state and diff.
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
        return e != nullptr ? tracker_.put(id, *e) : tracker_.erase(id);
    }
    // The whole state as notifications from nothing: every leaf once.
    std::vector<g::Notification> all() const { return tracker_.updates(); }

  private:
    g::Tracker tracker_;
};

} // namespace ethplcy_serve
