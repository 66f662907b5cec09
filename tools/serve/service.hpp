// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The gNMI service over the store: Capabilities, Get, Subscribe (ONCE, POLL,
// STREAM on change); Set is refused, the records come from the network OS.
#pragma once

#include "gnmi.grpc.pb.h"
#include "store.hpp"

namespace ethplcy_serve {

class Service : public gnmi::gNMI::Service {
  public:
    explicit Service(Store &store) : store_(store) {}
    grpc::Status Capabilities(grpc::ServerContext *, const gnmi::CapabilityRequest *,
                              gnmi::CapabilityResponse *out) override;
    grpc::Status Get(grpc::ServerContext *, const gnmi::GetRequest *req,
                     gnmi::GetResponse *out) override;
    grpc::Status Set(grpc::ServerContext *, const gnmi::SetRequest *, gnmi::SetResponse *) override;
    grpc::Status Subscribe(
        grpc::ServerContext *ctx,
        grpc::ServerReaderWriter<gnmi::SubscribeResponse, gnmi::SubscribeRequest> *rw) override;

  private:
    Store &store_;
};

} // namespace ethplcy_serve
