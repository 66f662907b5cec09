// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The assertion path, the release string, the size queries and the external
// record's release operation.
#include <cstdio>
#include <cstdlib>

#include "internal.hpp"

ETH_IF_PLCY_EXPORT void eth_if_plcy_assert_fail(const char *path, int line, const char *expr) {
    // One line per failure, whole even when several threads fail at once.
    flockfile(stderr);
    fprintf(stderr, "%s: %d %s -- assertion failed\n", path, line, expr);
    funlockfile(stderr);
    abort();
}

ETH_IF_PLCY_EXPORT const char *eth_if_plcy_lib_version(void) {
    return ETH_IF_PLCY_VERSION_STRING;
}

ETH_IF_PLCY_EXPORT uint32_t eth_if_plcy_get_size(const eth_if_plcy_t *rec, uint32_t options) {
    using namespace ethplcy;
    if (options != 0) ETH_IF_PLCY_FAIL("!\"Invalid policy options specified\"");
    if (rec == nullptr) return 0;
    if (load(bytes(rec), layout::version) != 0)
        ETH_IF_PLCY_FAIL("!\"This policy version is not supported\"");
    return record_size(bytes(rec));
}

ETH_IF_PLCY_EXPORT int32_t eth_if_plcy_get_efp_size(const eth_if_plcy_t *rec) {
    using namespace ethplcy;
    if (rec == nullptr) return 0;
    return static_cast<int32_t>(record_size(bytes(rec))) -
           static_cast<int32_t>(ETH_IF_PLCY_EFP_PART);
}

ETH_IF_PLCY_EXPORT void eth_if_plcy_ext_free_ptrs(eth_if_plcy_ext_t *ext) {
    (void)ext; // the record owns nothing: per-tag lists point into it or stay the caller's
}
