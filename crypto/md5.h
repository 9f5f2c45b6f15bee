// SPDX-License-Identifier: MIT
// MD5 (RFC 1321) rendered as 32 lower-case hex digits: the form in which the member password
// goes to the hosted service and in which update packages are checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace orvex {

// The running state of one digest. Init (done by the constructor), Update any number of times,
// then Final once; Init again before digesting something else.
class Md5Context {
public:
    Md5Context() { Init(); }

    void Init();
    void Update(const void* data, size_t length);
    // Appends the padding and the bit count and returns the digest as hex text.
    std::string Final();

private:
    void Transform(const uint8_t block[64]);

    uint8_t m_buffer[64];
    uint32_t m_count[2]; // input bits, low word first
    uint32_t m_state[4]; // A, B, C, D
};

// Two lower-case hex digits per byte, byte 0 first.
std::string Md5HexOfDigest(const uint8_t digest[16]);

// The hex digest of exactly length bytes at data.
std::string Md5HexOfBuffer(const void* data, size_t length);

// The hex digest of the stream's bytes from where it stands to its end, read 1024 at a time.
// False, with hex empty, when a read fails; never a digest of part of the file. The caller
// opens the file (names are the platform layer's business) and closes it.
bool Md5HexOfStream(std::FILE* file, std::string& hex);

} // namespace orvex
