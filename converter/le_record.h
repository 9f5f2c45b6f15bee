// SPDX-License-Identifier: MIT
// Flat little-endian records: 32-bit integers and length-prefixed byte strings, as the
// converter's own small files (default.cfg, login.cfg) store them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvex {

// Appends value as four bytes, least significant first.
void AppendLeInt32(std::string& out, int32_t value);

// Appends s's length (AppendLeInt32; s must be shorter than 2 GiB) and then its bytes, with no
// terminator.
void AppendLeString(std::string& out, std::string_view s);

enum class LeField {
    Ok,
    Short,     // the record ended before the field did
    BadLength, // a string's length word is negative or above the caller's maximum
};

// Reads fields in order from a record image that may end anywhere:
//   1. a read that finds too few bytes left fails, leaves its output unchanged and moves the
//      reader to the end, so every later read fails the same way;
//   2. a length is checked against its maximum before any byte of the string is looked at;
//   3. bytes after the last field read are never looked at.
class LeRecordReader {
public:
    explicit LeRecordReader(std::string_view bytes) : m_bytes(bytes) {}

    // False when fewer than four bytes are left.
    bool Int(int32_t& value);

    // A length word, then that many bytes into s. Short when the length word or the bytes run
    // past the end; BadLength when the length is below 0 or above maxLength (the reader then
    // stands after the length word).
    LeField String(int32_t maxLength, std::string& s);

private:
    std::string_view m_bytes;
    size_t m_nPos = 0;
};

} // namespace orvex
