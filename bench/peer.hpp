// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// protobuf-c peer: the external record as a proto2 message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "ether_interface_policy_api.h"

namespace bench {

struct PeerMessage; // owns the message and the storage it points into

std::unique_ptr<PeerMessage, void (*)(PeerMessage *)> peer_from_ext(const eth_if_plcy_ext_t &ext);
size_t peer_pack(const PeerMessage &msg); // get_packed_size + malloc + pack + free
size_t peer_packed_size(const PeerMessage &msg);
// The packed bytes, made once, for unpack + free_unpacked.
struct PeerBytes;
std::unique_ptr<PeerBytes, void (*)(PeerBytes *)> peer_bytes(const PeerMessage &msg);
void peer_unpack(const PeerBytes &bytes);

} // namespace bench
