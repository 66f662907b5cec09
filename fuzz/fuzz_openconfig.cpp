// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Any bytes as OpenConfig JSON: the mapping refuses them with a message or
// gives a policy. A document it takes has every value read or named (nothing
// dropped); the policy, written as OpenConfig, reads back without a refusal,
// and to the same record wherever neither side named something it could not say.
#include <unordered_set>

#include "fuzz_common.hpp"
#include "jansson_tree.hpp"
#include "openconfig.hpp"
#include "tool.hpp"

namespace {

namespace oc = eth_if_plcy::oc;
using ethplcy_tool::JanssonTree;
using ethplcy_tool::JanssonWriteTree;

// Every scalar below n lies at or below a value the reader accounted for.
bool accounted(json_t *n, const std::unordered_set<json_t *> &seen) {
    if (seen.count(n)) return true;
    if (json_is_object(n)) {
        const char *key;
        json_t *v;
        json_object_foreach(n, key, v) if (!accounted(v, seen)) return false;
        return true;
    }
    if (json_is_array(n)) {
        for (size_t i = 0; i < json_array_size(n); i++)
            if (!accounted(json_array_get(n, i), seen)) return false;
        return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace ethplcy_tool;
    json_error_t error;
    std::unique_ptr<json_t, decltype(&json_decref)> root(
        json_loadb(reinterpret_cast<const char *>(data), size, JSON_REJECT_DUPLICATES, &error),
        json_decref);
    if (!root) return 0;
    JanssonTree in;
    JanssonWriteTree out;
    oc::Reader<JanssonTree, JanssonWriteTree> reader(in, out);
    json_t *policy = nullptr;
    bool ok = reader.read(root.get(), "", -1, policy);
    std::unique_ptr<json_t, decltype(&json_decref)> held(policy, json_decref);
    if (!ok) {
        FUZZ_CHECK(!reader.refusal().empty());
        return 0;
    }
    std::unordered_set<json_t *> seen(reader.accounted().begin(), reader.accounted().end());
    FUZZ_CHECK(accounted(root.get(), seen));
    std::vector<std::string> notes_out, notes_back;
    eth_if_plcy_ext_t ext, back;
    try {
        std::unique_ptr<char, decltype(&free)> text(json_dumps(policy, JSON_COMPACT), free);
        ext_from_json(text.get(), ext);
    } catch (const Failure &) {
        return 0; // a value the policy check refuses (its own path)
    }
    eth_if_plcy::Record rec, again;
    FUZZ_CHECK(eth_if_plcy::encode(ext, rec) == eth_if_plcy::Status::ok);
    std::string written;
    try {
        written = ext_to_openconfig(ext, "if0", 1, false, notes_out);
    } catch (const Failure &) {
        return 0; // a policy without a known type
    }
    // What the mapping writes it reads: no refusal.
    ext_from_json(openconfig_to_policy(written, "", -1, notes_back), back);
    FUZZ_CHECK(eth_if_plcy::encode(back, again) == eth_if_plcy::Status::ok);
    if (reader.notes().empty() && notes_out.empty() && notes_back.empty())
        FUZZ_CHECK(rec.size() == again.size() &&
                   std::memcmp(rec.get(), again.get(), rec.size()) == 0);
    return 0;
}
