// SPDX-License-Identifier: MIT
// Native path separator and path comparison by the file system's rule.
#pragma once

#include <string>
#include <string_view>

namespace orvex {

#ifdef _WIN32
inline constexpr char kPathSep = '\\';
#else
inline constexpr char kPathSep = '/';
#endif

// True when a and b name the same path by the host file system's rule: ASCII-case-insensitive
// on Windows (CP949 double-byte characters compared as they stand), byte-exact elsewhere.
bool PathsEqual(std::string_view a, std::string_view b);

// The Windows rule on any platform: ASCII letters compare without case; a CP949 lead byte
// (0x81..0xFE) and the byte after it compare exactly, so a trail byte is never case-folded.
bool PathsEqualIgnoreCaseCp949(std::string_view a, std::string_view b);

// A key that two paths share exactly when PathsEqual holds for them, for hashing paths.
std::string PathKey(std::string_view path);

// The key of PathsEqualIgnoreCaseCp949: ASCII letters folded, double-byte characters kept.
std::string PathKeyIgnoreCaseCp949(std::string_view path);

// a + kPathSep + b, without doubling a separator that a already ends with.
std::string JoinPath(std::string_view a, std::string_view b);

// The path without trailing separators (a lone root separator is kept).
std::string StripTrailingSeparators(std::string_view path);

} // namespace orvex
