/* SPDX-License-Identifier: Apache-2.0 */
/* SPDX-FileCopyrightText: 2026 The eth_if_plcy developers */
/*
 * One sub-interface policy through its life: fill the external record, encode
 * it, print it, ship a network-image copy, turn it back, compare it with a
 * changed version, and decode what a receiver needs.
 */
#include <stdio.h>
#include <string.h>

#include <ether_interface_policy_api.h>

static int check(uint32_t status, const char *what) {
    if (status != 0) fprintf(stderr, "%s failed: %s\n", what, eth_if_plcy_status_str(status));
    return status == 0;
}

int main(void) {
    eth_if_plcy_ext_t ext;
    eth_if_plcy_t *rec = NULL, *wire = NULL, *changed = NULL;
    char text[4096];
    uint32_t size, i, diff;
    eth_if_plcy_ext_t got;

    memset(&ext, 0, sizeof ext);
    ext.valid_mask = ETH_IF_PLCY_ETHER_IF_TYPE | ETH_IF_PLCY_L2_FLAG | ETH_IF_PLCY_PARENT |
                     ETH_IF_PLCY_ADMIN_STATE | ETH_IF_PLCY_EFP_MATCH | ETH_IF_PLCY_EFP_REWRITE |
                     ETH_IF_PLCY_MTU;
    ext.ether_if_type = 3;
    ext.is_l2 = 1;
    ext.sub.parent = 0x04000340;
    ext.sub.admin_up = 1;
    ext.efp.configured = 1;
    ext.efp.num_tags = 2;
    ext.efp.tag[0].ethertype = 0x88a8;
    ext.efp.tag[0].vlan = 200;
    ext.efp.tag[1].ethertype = 0x8100;
    ext.efp.tag[1].vlan = EFP_VLAN_RANGE;
    ext.efp.tag_pcp[0] = EFP_PCP_ANY;
    ext.efp.tag_pcp[1] = EFP_PCP_ANY;
    ext.efp.num_ranges = 2;
    ext.efp.ranges[0].low = 100;
    ext.efp.ranges[0].high = 199;
    ext.efp.ranges[1].low = 300;
    ext.efp.ranges[1].high = 300;
    ext.efp.num_tag_pops = 1;
    ext.mtu = 9000;

    printf("library %s\n", eth_if_plcy_lib_version());
    printf("1. encode the external policy\n");
    if (!check(eth_if_plcy_encode(&ext, &rec, 0), "encode")) return 1;
    size = eth_if_plcy_get_size(rec, 0);
    printf("   %u-byte record, EFP part %d bytes\n", (unsigned)size,
           (int)eth_if_plcy_get_efp_size(rec));
    printf("2. print it (compact layout)\n%s",
           eth_if_plcy_print(rec, text, sizeof text, ETH_IF_PLCY_PRINT_COMPACT));

    printf("3. make a network-image copy to send\n   ");
    if (!check(eth_if_plcy_copy(rec, &wire, ETH_IF_PLCY_COPY_HTON), "copy")) return 1;
    for (i = 0; i < size; i++)
        printf("%02x%s", ((const unsigned char *)wire)[i], (i % 24 == 23) ? "\n   " : "");
    printf("\n4. receive it: network image back to host order\n");
    eth_if_plcy_ntoh(wire);

    printf("5. a new version changes the MTU; compare names the differing fields\n");
    ext.mtu = 1500;
    if (!check(eth_if_plcy_encode(&ext, &changed, 0), "encode")) return 1;
    diff = eth_if_plcy_compare(wire, changed, ETH_IF_PLCY_ALL_FIELDS, 0);
    printf("%s", eth_if_plcy_print_ext_mask(diff, text, sizeof text));

    printf("6. replace the held record and decode what the receiver needs\n");
    if (!check(eth_if_plcy_replace(&wire, changed, ETH_IF_PLCY_REPLACE_COPY), "replace")) return 1;
    if (!check(eth_if_plcy_decode(wire, ETH_IF_PLCY_MTU | ETH_IF_PLCY_EFP_MATCH, &got, 0),
               "decode"))
        return 1;
    printf("   mtu %u, %u match tags, %u ranges\n", (unsigned)got.mtu, (unsigned)got.efp.num_tags,
           (unsigned)got.efp.num_ranges);
    printf("7. the external record as the receiver sees it (compact)\n%s\n",
           eth_if_plcy_ext_print(&got, text, sizeof text, ETH_IF_PLCY_PRINT_COMPACT));
    printf("8. the held record in full\n%s", eth_if_plcy_print(wire, text, sizeof text, 0));

    eth_if_plcy_free(rec, 0);
    eth_if_plcy_free(wire, 0);
    eth_if_plcy_free(changed, 0);
    return 0;
}
