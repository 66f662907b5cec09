// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// User names and passwords: a file of user:hash lines (crypt(3) hashes as
// mkpasswd writes them), checked against the gNMI username and password
// metadata once per RPC.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "service.hpp"

namespace ethplcy_serve {

class Users {
  public:
    // "" when every line of path is user:hash with a crypt(3) hash, or why
    // not ("FILE, line N: why").
    std::string load(const std::string &path);
    // OK when ctx's username and password name a user of the file, else
    // UNAUTHENTICATED, logged with the user name and the peer (never the
    // password).
    grpc::Status check(grpc::ServerContext *ctx) const;

  private:
    std::vector<std::pair<std::string, std::string>> users_; // name, hash
};

// The service behind a password check; users nullptr: no check.
class GuardedService final : public Service {
  public:
    GuardedService(Store &store, int max_subscriptions, const Users *users)
        : Service(store, max_subscriptions), users_(users) {}
    grpc::Status Capabilities(grpc::ServerContext *ctx, const gnmi::CapabilityRequest *req,
                              gnmi::CapabilityResponse *out) override;
    grpc::Status Get(grpc::ServerContext *ctx, const gnmi::GetRequest *req,
                     gnmi::GetResponse *out) override;
    grpc::Status Set(grpc::ServerContext *ctx, const gnmi::SetRequest *req,
                     gnmi::SetResponse *out) override;
    grpc::Status Subscribe(
        grpc::ServerContext *ctx,
        grpc::ServerReaderWriter<gnmi::SubscribeResponse, gnmi::SubscribeRequest> *rw) override;

  private:
    grpc::Status admit(grpc::ServerContext *ctx) const {
        return users_ == nullptr ? grpc::Status::OK : users_->check(ctx);
    }
    const Users *users_;
};

} // namespace ethplcy_serve
