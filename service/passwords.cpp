// SPDX-License-Identifier: MIT
// Password hashing and its per-process cache of verified logins.
#include "service/passwords.h"

#include <sodium.h>

#include <array>
#include <mutex>
#include <semaphore>
#include <unordered_set>

namespace orvex::service {
namespace {

constexpr size_t kMaxRemembered = 100000;

std::array<unsigned char, crypto_generichash_KEYBYTES> g_cacheKey;
std::mutex g_cacheMutex;
std::unordered_set<std::string> g_verified;
std::counting_semaphore<2> g_hashing(2);

// What the cache holds for one login: a keyed hash of the stored hash and the digest, so that
// a changed password misses and the cache holds nothing a reader of memory could replay.
std::string CacheKey(const std::string& stored, std::string_view digest) {
    std::string message = stored;
    message += '\0';
    message += digest;
    std::array<unsigned char, crypto_generichash_BYTES> out{};
    crypto_generichash(out.data(), out.size(), reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                       g_cacheKey.data(), g_cacheKey.size());
    return std::string(out.begin(), out.end());
}

struct HashingSlot {
    HashingSlot() { g_hashing.acquire(); }
    ~HashingSlot() { g_hashing.release(); }
    HashingSlot(const HashingSlot&) = delete;
    HashingSlot& operator=(const HashingSlot&) = delete;
};

} // namespace

bool InitPasswords() {
    if (sodium_init() < 0) {
        return false;
    }
    randombytes_buf(g_cacheKey.data(), g_cacheKey.size());
    return true;
}

std::string HashPassword(std::string_view digest) {
    std::array<char, crypto_pwhash_STRBYTES> out{};
    HashingSlot slot;
    if (crypto_pwhash_str(out.data(), digest.data(), digest.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
        return {};
    }
    return std::string(out.data());
}

bool VerifyPassword(const std::string& stored, std::string_view digest) {
    const std::string key = CacheKey(stored, digest);
    {
        std::lock_guard lock(g_cacheMutex);
        if (g_verified.contains(key)) {
            return true;
        }
    }
    bool match = false;
    {
        HashingSlot slot;
        match = crypto_pwhash_str_verify(stored.c_str(), digest.data(), digest.size()) == 0;
    }
    if (match) {
        std::lock_guard lock(g_cacheMutex);
        if (g_verified.size() >= kMaxRemembered) {
            g_verified.clear();
        }
        g_verified.insert(key);
    }
    return match;
}

bool IsDigestText(std::string_view text) {
    if (text.size() != 32) {
        return false;
    }
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

} // namespace orvex::service
