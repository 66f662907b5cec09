// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
/**
 * @file
 * A header-only C++20 layer over the C API: owned records, typed statuses,
 * checked construction from bytes, and text as std::string. It adds no
 * behaviour of its own beyond calling the library's checks: the C functions
 * remain the contract. Link eth_if_plcy::cxx (which carries C++20).
 *
 * Nothing here aborts on data: bytes become a Record only after
 * eth_if_plcy_validate accepts them, and every operation on an empty Record
 * returns Status::invalid (or an empty text) instead of calling the C API
 * with a null record.
 */
#pragma once

#if __cplusplus < 202002L
#error                                                                                             \
    "eth_if_plcy.hpp needs C++20 (-std=c++20); on an older standard include ether_interface_policy_api.h"
#else

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "ether_interface_policy_api.h"

/** The C++ layer. */
namespace eth_if_plcy {

/** The library's status codes. */
enum class Status : uint32_t {
    ok = ETH_IF_PLCY_OK,                     /**< success */
    invalid = ETH_IF_PLCY_ERR_INVALID,       /**< bad argument, option or record */
    nomem = ETH_IF_PLCY_ERR_NOMEM,           /**< an allocation failed */
    bad_policy = ETH_IF_PLCY_ERR_BAD_POLICY, /**< a policy encode cannot represent */
};

/** The library's fixed text for a status (eth_if_plcy_status_str). */
[[nodiscard]] inline const char *to_string(Status s) noexcept {
    return eth_if_plcy_status_str(static_cast<uint32_t>(s));
}

/** The outcome of a check: a status and, on refusal, why and where. */
struct [[nodiscard]] Verdict {
    Status status = Status::ok; /**< Status::ok when accepted */
    const char *reason = "";    /**< the failed rule, "" when accepted */
    const char *field = "";     /**< ext_validate: the refused field */
    uint32_t offset = 0;        /**< validate: the byte the failed check looked at */
    /** True when accepted. */
    explicit operator bool() const noexcept { return status == Status::ok; }
};

/** eth_if_plcy_validate_explain over a byte span (ETH_IF_PLCY_VALIDATE_NET for a network image). */
[[nodiscard]] inline Verdict validate(std::span<const uint8_t> bytes,
                                      uint32_t options = 0) noexcept {
    Verdict v;
    v.status = static_cast<Status>(
        eth_if_plcy_validate_explain(bytes.data(), bytes.size(), options, &v.reason, &v.offset));
    return v;
}

/** eth_if_plcy_ext_validate_explain: whether encode can take ext and an interface can carry it. */
[[nodiscard]] inline Verdict ext_validate(const eth_if_plcy_ext_t &ext,
                                          uint32_t options = 0) noexcept {
    Verdict v;
    v.status =
        static_cast<Status>(eth_if_plcy_ext_validate_explain(&ext, options, &v.reason, &v.field));
    return v;
}

/** Owns one internal record, or none, and frees it with eth_if_plcy_free. Move-only. */
class Record {
  public:
    /** An empty Record. */
    Record() noexcept = default;
    /** Takes ownership of a record the library made (encode, copy) or null. */
    explicit Record(eth_if_plcy_t *owned) noexcept : rec_(owned) {}
    /** Takes the other's record, leaving it empty. */
    Record(Record &&other) noexcept : rec_(std::exchange(other.rec_, nullptr)) {}
    /** Frees the held record and takes the other's. */
    Record &operator=(Record &&other) noexcept {
        if (this != &other) reset(std::exchange(other.rec_, nullptr));
        return *this;
    }
    Record(const Record &) = delete;
    Record &operator=(const Record &) = delete;
    ~Record() { reset(); }

    /**
     * Checks bytes with eth_if_plcy_validate (options: 0, or
     * ETH_IF_PLCY_VALIDATE_NET for a network image, which is then turned to
     * host order) and on success puts a copy of the record (its size field's
     * bytes) into out. On refusal or failure out is left as it was.
     */
    [[nodiscard]] static Verdict from_bytes(std::span<const uint8_t> bytes, Record &out,
                                            uint32_t options = 0) noexcept {
        Verdict v = validate(bytes, options);
        if (!v) return v;
        // The size field in the bytes' own order; validate has bounded it by the span.
        uint16_t size;
        std::memcpy(&size, bytes.data() + 2, sizeof size);
        if (options & ETH_IF_PLCY_VALIDATE_NET)
            size = static_cast<uint16_t>(bytes[2] << 8 | bytes[3]);
        auto *copy = static_cast<eth_if_plcy_t *>(std::malloc(size));
        if (copy == nullptr) return Verdict{Status::nomem, "out of memory"};
        std::memcpy(copy, bytes.data(), size);
        if (options & ETH_IF_PLCY_VALIDATE_NET) eth_if_plcy_ntoh(copy);
        out.reset(copy);
        return v;
    }

    /** Frees the held record and holds owned instead. */
    void reset(eth_if_plcy_t *owned = nullptr) noexcept {
        if (rec_ != nullptr) eth_if_plcy_free(rec_, 0);
        rec_ = owned;
    }
    /** Gives up ownership: the caller frees the result. */
    [[nodiscard]] eth_if_plcy_t *release() noexcept { return std::exchange(rec_, nullptr); }
    /** The held record, or null. */
    [[nodiscard]] eth_if_plcy_t *get() const noexcept { return rec_; }
    /** True when a record is held. */
    explicit operator bool() const noexcept { return rec_ != nullptr; }

    /** The record's size field in host order; 0 when empty. */
    [[nodiscard]] uint32_t size() const noexcept { return eth_if_plcy_get_size(rec_, 0); }
    /** The record's bytes (size() of them); empty when empty. */
    [[nodiscard]] std::span<const uint8_t> bytes() const noexcept {
        return {reinterpret_cast<const uint8_t *>(rec_), size()};
    }

  private:
    friend Status replace(Record &slot, const Record &rec) noexcept;
    eth_if_plcy_t *rec_ = nullptr;
};

/** eth_if_plcy_encode into out (options: 0 or ETH_IF_PLCY_ENCODE_TAG_RANGES); out kept on failure.
 */
[[nodiscard]] inline Status encode(const eth_if_plcy_ext_t &ext, Record &out,
                                   uint32_t options = 0) noexcept {
    eth_if_plcy_t *rec = nullptr;
    auto s = static_cast<Status>(eth_if_plcy_encode(&ext, &rec, options));
    if (s == Status::ok) out.reset(rec);
    return s;
}

/** eth_if_plcy_decode of the groups in fields; Status::invalid for an empty Record. */
[[nodiscard]] inline Status decode(const Record &rec, eth_if_plcy_ext_t &ext,
                                   uint32_t fields = ETH_IF_PLCY_ALL_FIELDS) noexcept {
    return static_cast<Status>(eth_if_plcy_decode(rec.get(), fields, &ext, 0));
}

/** eth_if_plcy_copy into out (options: 0 or ETH_IF_PLCY_COPY_HTON); out kept on failure. */
[[nodiscard]] inline Status copy(const Record &src, Record &out, uint32_t options = 0) noexcept {
    eth_if_plcy_t *rec = nullptr;
    auto s = static_cast<Status>(eth_if_plcy_copy(src.get(), &rec, options));
    if (s == Status::ok) out.reset(rec);
    return s;
}

/** Copies rec into slot (copy mode of eth_if_plcy_replace; an empty rec empties it). */
[[nodiscard]] inline Status replace(Record &slot, const Record &rec) noexcept {
    return static_cast<Status>(
        eth_if_plcy_replace(&slot.rec_, rec.get(), ETH_IF_PLCY_REPLACE_COPY));
}

/** The policy field bits (within fields) that differ; either Record may be empty. */
[[nodiscard]] inline uint32_t compare(const Record &first, const Record &second,
                                      uint32_t fields = ETH_IF_PLCY_ALL_FIELDS,
                                      uint32_t options = 0) noexcept {
    return eth_if_plcy_compare(first.get(), second.get(), fields, options);
}

/** eth_if_plcy_hton in place; Status::invalid for an empty Record. */
[[nodiscard]] inline Status hton(Record &rec) noexcept {
    if (!rec) return Status::invalid;
    eth_if_plcy_hton(rec.get());
    return Status::ok;
}

/** eth_if_plcy_ntoh in place; Status::invalid for an empty Record. */
[[nodiscard]] inline Status ntoh(Record &rec) noexcept {
    if (!rec) return Status::invalid;
    eth_if_plcy_ntoh(rec.get());
    return Status::ok;
}

/** Fills a string of exactly n characters through a printer that writes n + 1 bytes. */
template <typename Printer>
[[nodiscard]] std::string render(size_t n, Printer print_into) {
    std::string text(n, '\0');
    print_into(text.data(), n + 1);
    text.resize(std::strlen(text.c_str()));
    return text;
}

/** The text of eth_if_plcy_print (layout options as there); "" for an empty Record. */
[[nodiscard]] inline std::string print(const Record &rec, uint32_t options = 0) {
    if (!rec) return {};
    return render(eth_if_plcy_print_len(rec.get(), options),
                  [&](char *b, size_t n) { eth_if_plcy_print(rec.get(), b, n, options); });
}

/** The text of eth_if_plcy_ext_print (0 or ETH_IF_PLCY_PRINT_COMPACT). */
[[nodiscard]] inline std::string ext_print(const eth_if_plcy_ext_t &ext, uint32_t options = 0) {
    return render(eth_if_plcy_ext_print_len(&ext, options),
                  [&](char *b, size_t n) { eth_if_plcy_ext_print(&ext, b, n, options); });
}

/** The names of the policy field bits set in mask, lowest bit first ("MTU", "EFP MATCH", ...). */
[[nodiscard]] inline std::vector<std::string> field_names(uint32_t mask) {
    std::vector<std::string> names;
    for (uint32_t bit = 1; bit <= ETH_IF_PLCY_VLAN_SWITCHED; bit <<= 1)
        if (mask & bit) names.emplace_back(eth_if_plcy_field_name(bit));
    return names;
}

} // namespace eth_if_plcy

#endif // C++20
