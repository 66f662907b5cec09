/* An outside program built against the installed package. */
#include <ether_interface_policy_api.h>
#include <eth_efp_util.h>
#include <eth_iftype.h>
#include <stdio.h>
#include <string.h>

int main(void) {
    unsigned char area[ETH_EFP_UTIL_FULL_AREA_MAX];
    if (eth_if_plcy_get_size(NULL, 0) != 0) return 1;
    if (strcmp(eth_if_plcy_lib_version(), ETH_IF_PLCY_VERSION_STRING) != 0) return 2;
    if (eth_decode_eth_iftype_to_str_cmpt(40) == NULL) return 3;
    eth_efp_initialise(area);
    if (!eth_efp_util_can_be_compact((const eth_efp_full *)area)) return 4;
    puts("consumer ok");
    return 0;
}
