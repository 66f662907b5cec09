// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Copy, replace and free: records as single heap blocks of their own size.
#include <cstdlib>

#include "internal.hpp"

using namespace ethplcy;
namespace L = ethplcy::layout;

ETH_IF_PLCY_EXPORT uint32_t eth_if_plcy_copy(const eth_if_plcy_t *src, eth_if_plcy_t **out,
                                             uint32_t options) {
    if ((options & ~ETH_IF_PLCY_COPY_HTON) != 0 || src == nullptr || out == nullptr)
        return ETH_IF_PLCY_ERR_INVALID;
    if (load(bytes(src), L::version) != 0) return ETH_IF_PLCY_ERR_INVALID;
    uint32_t size = record_size(bytes(src));
    void *copy = alloc(size);
    if (copy == nullptr) return ETH_IF_PLCY_ERR_NOMEM;
    std::memcpy(copy, src, size);
    auto *rec = static_cast<eth_if_plcy_t *>(copy);
    if (options & ETH_IF_PLCY_COPY_HTON) eth_if_plcy_hton(rec);
    *out = rec;
    return 0;
}

ETH_IF_PLCY_EXPORT uint32_t eth_if_plcy_replace(eth_if_plcy_t **slot, eth_if_plcy_t *rec,
                                                uint32_t mode) {
    if (mode > ETH_IF_PLCY_REPLACE_TAKE || slot == nullptr) return ETH_IF_PLCY_ERR_INVALID;
    eth_if_plcy_t *held = *slot;
    if (mode == ETH_IF_PLCY_REPLACE_TAKE) {
        if (held != rec) std::free(held); // taking the held record again keeps it
        *slot = rec;
        return 0;
    }
    if (rec == nullptr) {
        std::free(held);
        *slot = nullptr;
        return 0;
    }
    uint32_t size = record_size(bytes(rec));
    if (held != nullptr && record_size(bytes(held)) == size) {
        std::memmove(held, rec, size); // same block reused; rec may even be the held record
        return 0;
    }
    void *block = alloc(size);
    if (block == nullptr) return ETH_IF_PLCY_ERR_NOMEM;
    std::memcpy(block, rec, size);
    std::free(held);
    *slot = static_cast<eth_if_plcy_t *>(block);
    return 0;
}

ETH_IF_PLCY_EXPORT void eth_if_plcy_free(eth_if_plcy_t *rec, uint32_t options) {
    if (options != 0) ETH_IF_PLCY_FAIL("!\"Invalid policy options specified\"");
    if (rec != nullptr && load(bytes(rec), L::version) != 0)
        ETH_IF_PLCY_FAIL("!\"This policy version is not supported\"");
    std::free(rec);
}
