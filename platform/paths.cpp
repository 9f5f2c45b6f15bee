// SPDX-License-Identifier: MIT
// Native path separator and path comparison by the file system's rule.
#include "platform/paths.h"

namespace orvex {

namespace {

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsCp949LeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

} // namespace

bool PathsEqualIgnoreCaseCp949(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        if (IsCp949LeadByte(ca)) {
            // A double-byte character: both bytes must match exactly.
            if (a[i] != b[i]) {
                return false;
            }
            if (i + 1 < a.size()) {
                ++i;
                if (a[i] != b[i]) {
                    return false;
                }
            }
            continue;
        }
        if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string PathKeyIgnoreCaseCp949(std::string_view path) {
    std::string key(path);
    for (size_t i = 0; i < key.size(); ++i) {
        if (IsCp949LeadByte(static_cast<unsigned char>(key[i]))) {
            ++i; // the trail byte is never folded
            continue;
        }
        key[i] = FoldAscii(key[i]);
    }
    return key;
}

std::string PathKey(std::string_view path) {
#ifdef _WIN32
    return PathKeyIgnoreCaseCp949(path);
#else
    return std::string(path);
#endif
}

bool PathsEqual(std::string_view a, std::string_view b) {
#ifdef _WIN32
    return PathsEqualIgnoreCaseCp949(a, b);
#else
    return a == b;
#endif
}

std::string JoinPath(std::string_view a, std::string_view b) {
    std::string out(a);
    if (out.empty() || out.back() != kPathSep) {
        out += kPathSep;
    }
    out += b;
    return out;
}

std::string StripTrailingSeparators(std::string_view path) {
    while (path.size() > 1 && (path.back() == kPathSep || path.back() == '/')) {
        path.remove_suffix(1);
    }
    return std::string(path);
}

} // namespace orvex
