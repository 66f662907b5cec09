// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Any bytes as OpenConfig JSON: the mapping refuses them with a message or
// gives a policy; a policy it gives, written as OpenConfig and read again,
// is the same record wherever neither side named something it could not say.
#include "fuzz_common.hpp"
#include "tool.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace ethplcy_tool;
    std::vector<std::string> notes, notes_back, notes_out;
    eth_if_plcy_ext_t ext, back;
    try {
        ext_from_json(openconfig_to_policy(std::string(reinterpret_cast<const char *>(data), size),
                                           "", -1, notes),
                      ext);
    } catch (const Failure &) {
        return 0;
    }
    eth_if_plcy::Record rec, again;
    FUZZ_CHECK(eth_if_plcy::encode(ext, rec) == eth_if_plcy::Status::ok);
    std::string oc;
    try {
        oc = ext_to_openconfig(ext, "if0", 1, false, notes_out);
    } catch (const Failure &) {
        return 0; // a policy without a known type
    }
    ext_from_json(openconfig_to_policy(oc, "", -1, notes_back), back);
    FUZZ_CHECK(eth_if_plcy::encode(back, again) == eth_if_plcy::Status::ok);
    if (notes.empty() && notes_out.empty() && notes_back.empty())
        FUZZ_CHECK(rec.size() == again.size() &&
                   std::memcmp(rec.get(), again.get(), rec.size()) == 0);
    return 0;
}
