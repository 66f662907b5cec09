// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The gNMI service over the store: Capabilities, Get, Subscribe (ONCE, POLL,
// STREAM on change); Set is refused, the records come from the network OS.
#pragma once

#include <atomic>
#include <semaphore>

#include "gnmi.grpc.pb.h"
#include "store.hpp"

namespace ethplcy_serve {

class Service : public gnmi::gNMI::Service {
  public:
    // At most this many Subscribe calls at once (each holds one of gRPC's
    // threads and a queue); more are refused with RESOURCE_EXHAUSTED.
    static constexpr int kMaxSubscriptions = 64;
    explicit Service(Store &store, int max_subscriptions = kMaxSubscriptions)
        : store_(store), max_subscriptions_(max_subscriptions) {}
    grpc::Status Capabilities(grpc::ServerContext *, const gnmi::CapabilityRequest *,
                              gnmi::CapabilityResponse *out) override;
    grpc::Status Get(grpc::ServerContext *, const gnmi::GetRequest *req,
                     gnmi::GetResponse *out) override;
    grpc::Status Set(grpc::ServerContext *, const gnmi::SetRequest *, gnmi::SetResponse *) override;
    grpc::Status Subscribe(
        grpc::ServerContext *ctx,
        grpc::ServerReaderWriter<gnmi::SubscribeResponse, gnmi::SubscribeRequest> *rw) override;

  private:
    // Get replies built at once: each holds the whole reply, as protobuf
    // messages and then as bytes; the next Get waits for one to finish.
    static constexpr int kWholeReplies = 2;
    Store &store_;
    const int max_subscriptions_;
    std::atomic<int> subscriptions_{0};
    std::counting_semaphore<kWholeReplies> replies_{kWholeReplies};
};

} // namespace ethplcy_serve
