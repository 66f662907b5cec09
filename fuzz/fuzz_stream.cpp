// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Any bytes as a stream: the first byte picks the framing (raw records, hex
// lines, JSON values, or hex or JSON as detected) and the byte order; the reader gives items or a
// reason for each, never reads past the input, gives raw records of 72 to 176 bytes and accounts
// for every raw byte (in a record or skipped), and whatever it gives as a record is checked before
// the library prints it; whatever it gives as a policy is read, checked and encoded.
#include <cstdio>

#include "fuzz_common.hpp"
#include "tool.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace ethplcy_tool;
    if (size == 0) return 0;
    const Framing framings[] = {Framing::binary, Framing::hex, Framing::json, Framing::text};
    const Framing framing = framings[data[0] % 4];
    const bool net = (data[0] & 8) != 0;
    std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    FILE *f = fmemopen(text.data(), text.size(), "rb");
    if (f == nullptr) return 0;
    {
        Stream stream(f, framing, net);
        StreamItem item;
        size_t items = 0;
        uint64_t accounted = 0; // binary: every byte is in a record or skipped
        char buf[4096];
        while (stream.next(item)) {
            FUZZ_CHECK(++items == item.number && items <= size);
            FUZZ_CHECK(item.json == (framing == Framing::json) || framing == Framing::text);
            accounted += item.skipped;
            if (!item.error.empty()) continue;
            if (framing == Framing::binary) {
                FUZZ_CHECK(item.bytes.size() >= ETH_IF_PLCY_MIN_SIZE &&
                           item.bytes.size() <= ETH_IF_PLCY_MAX_SIZE);
                accounted += item.bytes.size();
            }
            try {
                if (item.json) {
                    eth_if_plcy_ext_t ext;
                    ext_from_json(item.text, ext);
                    eth_if_plcy::Record rec;
                    if (eth_if_plcy_ext_validate(&ext, 0) == 0)
                        FUZZ_CHECK(eth_if_plcy::encode(ext, rec) == eth_if_plcy::Status::ok);
                } else {
                    eth_if_plcy::Record rec = load_record(item.bytes, net);
                    eth_if_plcy_print(rec.get(), buf, sizeof buf, ETH_IF_PLCY_PRINT_BRIEF);
                }
            } catch (const Failure &) {
            }
        }
        FUZZ_CHECK(framing != Framing::binary || accounted == text.size());
    }
    std::fclose(f);
    return 0;
}
