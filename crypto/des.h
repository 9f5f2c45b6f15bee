// SPDX-License-Identifier: MIT
// The block cipher that keeps the saved member password in the login file: DES with three fixed
// changes to its tables, applied block by block with no chaining. Only this variant reads back
// what earlier versions stored, so it is built here and no library DES stands in for it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvex {

// Transforms the 8-byte block in place with the 8-byte key. A non-zero direction encrypts
// (round keys K1 first), zero decrypts (K16 first). The key schedule is derived anew on every
// call; nothing is kept.
void DesProcessBlock(uint8_t block[8], const uint8_t key[8], int direction);

// Encrypt or decrypt buffer in place, 8 bytes at a time, for every offset below length. A length
// that is not a multiple of 8 still transforms a whole last block, so buffer must hold length
// rounded up to a multiple of 8 (the caller fills the tail). A length of 0 or less does nothing.
// No padding, no initialisation vector.
void DesEncryptBuffer(uint8_t* buffer, const uint8_t key[8], std::ptrdiff_t length);
void DesDecryptBuffer(uint8_t* buffer, const uint8_t key[8], std::ptrdiff_t length);

} // namespace orvex
