// A thin, header-only C++ layer over the C API: owned records, typed
// statuses and printing into std::string. It adds no behaviour of its own;
// the C functions remain the contract.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "ether_interface_policy_api.h"

namespace eth_if_plcy {

enum class Status : uint32_t {
    ok = 0,
    invalid = ETH_IF_PLCY_ERR_INVALID,
    nomem = ETH_IF_PLCY_ERR_NOMEM,
    bad_policy = ETH_IF_PLCY_ERR_BAD_POLICY,
};

inline const char *to_string(Status s) {
    switch (s) {
    case Status::ok:
        return "ok";
    case Status::invalid:
        return "invalid argument";
    case Status::nomem:
        return "out of memory";
    case Status::bad_policy:
        return "policy cannot be represented";
    }
    return "unknown status";
}

// Owns one internal record and frees it with eth_if_plcy_free. Move-only.
class Record {
  public:
    Record() noexcept = default;
    explicit Record(eth_if_plcy_t *owned) noexcept : rec_(owned) {}
    Record(Record &&other) noexcept : rec_(std::exchange(other.rec_, nullptr)) {}
    Record &operator=(Record &&other) noexcept {
        if (this != &other) reset(std::exchange(other.rec_, nullptr));
        return *this;
    }
    Record(const Record &) = delete;
    Record &operator=(const Record &) = delete;
    ~Record() { reset(); }

    // A copy of raw record bytes (host or network image) in a block of its own.
    static Record from_bytes(std::span<const uint8_t> bytes) {
        void *block = std::malloc(bytes.size());
        if (block != nullptr && !bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
        return Record(static_cast<eth_if_plcy_t *>(block));
    }

    void reset(eth_if_plcy_t *owned = nullptr) noexcept {
        if (rec_ != nullptr) eth_if_plcy_free(rec_, 0);
        rec_ = owned;
    }
    eth_if_plcy_t *release() noexcept { return std::exchange(rec_, nullptr); }
    eth_if_plcy_t *get() const noexcept { return rec_; }
    // The slot the C API fills or replaces.
    eth_if_plcy_t **slot() noexcept { return &rec_; }
    explicit operator bool() const noexcept { return rec_ != nullptr; }

    // The record's size field in host order, without the version check.
    uint32_t size() const noexcept {
        return rec_ == nullptr ? 0u
                               : static_cast<uint32_t>(eth_if_plcy_get_efp_size(rec_) +
                                                       static_cast<int32_t>(ETH_IF_PLCY_EFP_PART));
    }
    std::span<const uint8_t> bytes(size_t n) const noexcept {
        return {reinterpret_cast<const uint8_t *>(rec_), rec_ == nullptr ? 0 : n};
    }
    std::span<const uint8_t> bytes() const noexcept { return bytes(size()); }

  private:
    eth_if_plcy_t *rec_ = nullptr;
};

inline Status encode(const eth_if_plcy_ext_t &ext, Record &out, uint32_t options = 0) {
    eth_if_plcy_t *rec = nullptr;
    auto s = static_cast<Status>(eth_if_plcy_encode(&ext, &rec, options));
    if (s == Status::ok) out.reset(rec);
    return s;
}

inline Status decode(const eth_if_plcy_t *rec, eth_if_plcy_ext_t &ext,
                     uint32_t fields = ETH_IF_PLCY_ALL_FIELDS) {
    return static_cast<Status>(eth_if_plcy_decode(rec, fields, &ext, 0));
}

inline Status copy(const eth_if_plcy_t *src, Record &out, uint32_t options = 0) {
    eth_if_plcy_t *rec = nullptr;
    auto s = static_cast<Status>(eth_if_plcy_copy(src, &rec, options));
    if (s == Status::ok) out.reset(rec);
    return s;
}

// Copies rec into the slot (copy mode of eth_if_plcy_replace).
inline Status replace(Record &slot, eth_if_plcy_t *rec) {
    return static_cast<Status>(eth_if_plcy_replace(slot.slot(), rec, ETH_IF_PLCY_REPLACE_COPY));
}

inline uint32_t compare(const eth_if_plcy_t *first, const eth_if_plcy_t *second,
                        uint32_t fields = ETH_IF_PLCY_ALL_FIELDS, uint32_t options = 0) {
    return eth_if_plcy_compare(first, second, fields, options);
}

// Runs a printer into a buffer that grows until the whole text fits.
template <typename Printer>
std::string render(Printer print_into) {
    std::vector<char> buf(4096);
    for (;;) {
        buf[0] = '\0';
        print_into(buf.data(), buf.size());
        size_t n = std::strlen(buf.data());
        if (n + 1 < buf.size()) return std::string(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

inline std::string print(const eth_if_plcy_t *rec, uint32_t options = 0) {
    return render([&](char *b, size_t n) { eth_if_plcy_print(rec, b, n, options); });
}

inline std::string ext_print(const eth_if_plcy_ext_t &ext, uint32_t options = 0) {
    return render([&](char *b, size_t n) { eth_if_plcy_ext_print(&ext, b, n, options); });
}

inline std::string ext_mask_print(uint32_t mask) {
    return render([&](char *b, size_t n) { eth_if_plcy_print_ext_mask(mask, b, n); });
}

// The printed names of the policy field bits set in mask, lowest bit first,
// as the mask printer names them.
inline std::vector<std::string> field_names(uint32_t mask) {
    std::vector<std::string> names;
    std::string text = render([&](char *b, size_t n) { eth_if_plcy_print_mask(mask, b, n); });
    for (size_t at = 0; (at = text.find("    ", at)) != std::string::npos;) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at + 4, end - at - 4);
        if (line.size() > 3 && line.compare(line.size() - 3, 3, ": 1") == 0)
            names.push_back(line.substr(0, line.size() - 3));
        at = end;
    }
    return names;
}

} // namespace eth_if_plcy
