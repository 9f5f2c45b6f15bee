// SPDX-License-Identifier: MIT
// Members' passwords. The converter sends the MD5 hex text of the password; the service keeps
// only a salted slow hash of that text (libsodium's crypto_pwhash, Argon2id), never the text.
#pragma once

#include <string>
#include <string_view>

namespace orvex::service {

// Must be called once before any other function here; false when libsodium cannot start.
bool InitPasswords();

// The stored form of a digest: libsodium's self-describing hash string. Empty on failure (no
// memory for the hash).
std::string HashPassword(std::string_view digest);

// Whether digest matches the stored hash. A match is remembered for this process (keyed by a
// secret of the process, never the digest itself), so a member's next pages cost no hashing;
// hashing itself runs at most two at a time, bounding the memory a burst of logins takes.
bool VerifyPassword(const std::string& stored, std::string_view digest);

// True for the 32 lower-case hexadecimal digits of an MD5 digest.
bool IsDigestText(std::string_view text);

} // namespace orvex::service
