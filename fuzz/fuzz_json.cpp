// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Any bytes as the tool's JSON: the reader refuses them with a message or
// gives an external record; what ext_validate accepts encodes, nothing the
// reader took is lost (the decoded record writes the same JSON), and the
// record's JSON reads back to the same bytes.
#include "fuzz_common.hpp"
#include "tool.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace ethplcy_tool;
    eth_if_plcy_ext_t ext;
    try {
        ext_from_json(std::string(reinterpret_cast<const char *>(data), size), ext);
    } catch (const Failure &) {
        return 0;
    }
    uint32_t options = size != 0 && (data[0] & 1) ? ETH_IF_PLCY_ENCODE_TAG_RANGES : 0;
    if (eth_if_plcy_ext_validate(&ext, options) != 0) return 0;
    eth_if_plcy::Record rec, again;
    FUZZ_CHECK(eth_if_plcy::encode(ext, rec, options) == eth_if_plcy::Status::ok);
    eth_if_plcy_ext_t back;
    FUZZ_CHECK(eth_if_plcy::decode(rec, back) == eth_if_plcy::Status::ok);
    // The per-tag view's counts are not written; with it, only the bytes must agree.
    FUZZ_CHECK(options != 0 || ext_to_json(ext) == ext_to_json(back));
    ext_from_json(ext_to_json(back), back);
    FUZZ_CHECK(eth_if_plcy::encode(back, again) == eth_if_plcy::Status::ok);
    FUZZ_CHECK(eth_if_plcy::compare(rec, again) == 0 && rec.size() == again.size() &&
               std::memcmp(rec.get(), again.get(), rec.size()) == 0);
    return 0;
}
