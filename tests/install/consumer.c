/* SPDX-License-Identifier: Apache-2.0 */
/* SPDX-FileCopyrightText: 2026 The eth_if_plcy developers */
/* An outside program on the installed package: only eth_if_plcy_* functions. */
#include <ether_interface_policy_api.h>
#include <stdio.h>
#include <string.h>

int main(void) {
    eth_if_plcy_ext_t ext;
    eth_if_plcy_t *rec = NULL;
    memset(&ext, 0, sizeof ext);
    ext.valid_mask = ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_EFP_MATCH;
    ext.ether_if_type = 3;
    ext.efp.configured = 1;
    /* encode calls into the EFP utility library, which must load from beside the library */
    if (eth_if_plcy_encode(&ext, &rec, 0) != 0) return 1;
    if (strcmp(eth_if_plcy_lib_version(), ETH_IF_PLCY_VERSION_STRING) != 0) return 2;
    if (eth_if_plcy_get_size(rec, 0) != 80) return 3;
    eth_if_plcy_free(rec, 0);
    puts("consumer ok");
    return 0;
}
