// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
#include "auth.hpp"

#include <crypt.h>

#include <cstdio>
#include <fstream>
#include <memory>

namespace ethplcy_serve {
namespace {

constexpr size_t kShownName = 64; // a user name is logged up to this many bytes

// crypt_r over hash's setting: nullptr when hash is not one libcrypt can
// check against. crypt_data is 32 KiB: on the heap, one per call, so that
// RPC threads share nothing.
std::string hashed(const std::string &password, const std::string &hash) {
    auto data = std::make_unique<crypt_data>();
    const char *out = crypt_r(password.c_str(), hash.c_str(), data.get());
    if (out == nullptr || out[0] == '*') return "";
    return out;
}

// Whether hash is a crypt(3) hash: "$id$...", and crypt gives back a string
// of its shape (same setting, same length). Traditional DES hashes (no '$')
// are refused: a password of 13 letters in plain text would pass for one.
bool crypt_hash(const std::string &hash) {
    size_t setting = hash.rfind('$');
    if (hash.size() < 4 || hash[0] != '$' || setting == 0) return false;
    std::string out = hashed("", hash);
    return out.size() == hash.size() && out.compare(0, setting, hash, 0, setting) == 0;
}

bool same(const std::string &a, const std::string &b) {
    if (a.size() != b.size()) return false;
    unsigned char diff = 0; // no early exit: the time says nothing of where they differ
    for (size_t i = 0; i < a.size(); i++)
        diff = static_cast<unsigned char>(
            diff | (static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i])));
    return diff == 0;
}

// A client's text as a log can show it: printable ASCII, bounded.
std::string shown(std::string_view text) {
    std::string out;
    for (char c : text.substr(0, kShownName))
        out += c >= 0x20 && c < 0x7f ? c : '?';
    return text.size() > kShownName ? out + "..." : out;
}

bool metadata(grpc::ServerContext *ctx, const char *key, std::string &out) {
    auto it = ctx->client_metadata().find(key);
    if (it == ctx->client_metadata().end()) return false;
    out.assign(it->second.data(), it->second.size());
    return true;
}

} // namespace

std::string Users::load(const std::string &path) {
    std::ifstream f(path);
    if (!f) return path + ": cannot read it";
    std::string line;
    for (size_t n = 1; std::getline(f, line); n++) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        size_t colon = line.find(':');
        std::string where = path + ", line " + std::to_string(n) + ": ";
        if (colon == 0 || colon == std::string::npos) return where + "not user:hash";
        std::string hash = line.substr(colon + 1);
        if (!crypt_hash(hash))
            return where + "not a crypt(3) hash (mkpasswd or openssl passwd -6 makes one)";
        for (const auto &u : users_)
            if (u.first == line.substr(0, colon))
                return where + "a second line for user \"" + u.first + "\"";
        users_.emplace_back(line.substr(0, colon), hash);
    }
    if (users_.empty()) return path + ": no user:hash line";
    return "";
}

grpc::Status Users::check(grpc::ServerContext *ctx) const {
    std::string user, password;
    bool given = metadata(ctx, "username", user) && metadata(ctx, "password", password);
    const std::string *hash = &users_.front().second; // an unknown user costs a hash too
    bool known = false;
    for (const auto &u : users_)
        if (u.first == user) {
            hash = &u.second;
            known = true;
        }
    bool good = given && same(hashed(password, *hash), *hash) && known;
    if (good) return grpc::Status::OK;
    std::fprintf(stderr, "ethplcy-serve: %s: %s\n", shown(ctx->peer()).c_str(),
                 !given ? "refused: no username and password"
                        : ("user \"" + shown(user) +
                           "\" refused: " + (known ? "wrong password" : "no such user"))
                              .c_str());
    std::fflush(stderr);
    return grpc::Status(grpc::StatusCode::UNAUTHENTICATED, "a user name and password are needed");
}

grpc::Status GuardedService::Capabilities(grpc::ServerContext *ctx,
                                          const gnmi::CapabilityRequest *req,
                                          gnmi::CapabilityResponse *out) {
    grpc::Status s = admit(ctx);
    return s.ok() ? Service::Capabilities(ctx, req, out) : s;
}

grpc::Status GuardedService::Get(grpc::ServerContext *ctx, const gnmi::GetRequest *req,
                                 gnmi::GetResponse *out) {
    grpc::Status s = admit(ctx);
    return s.ok() ? Service::Get(ctx, req, out) : s;
}

grpc::Status GuardedService::Set(grpc::ServerContext *ctx, const gnmi::SetRequest *req,
                                 gnmi::SetResponse *out) {
    grpc::Status s = admit(ctx);
    return s.ok() ? Service::Set(ctx, req, out) : s;
}

grpc::Status GuardedService::Subscribe(
    grpc::ServerContext *ctx,
    grpc::ServerReaderWriter<gnmi::SubscribeResponse, gnmi::SubscribeRequest> *rw) {
    grpc::Status s = admit(ctx);
    return s.ok() ? Service::Subscribe(ctx, rw) : s;
}

} // namespace ethplcy_serve
