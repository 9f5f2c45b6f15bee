// SPDX-License-Identifier: MIT
// Schedule and version-line rules.
#include "updater/version_check.h"

#include <limits>

namespace orvex {

namespace {

template <typename T>
T ParseLike(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulated as a negative number, whose range reaches the type's minimum.
    constexpr T kMin = std::numeric_limits<T>::min();
    T value = 0;
    bool clamped = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const T digit = static_cast<T>(text[i] - '0');
        if (clamped || value < (kMin + digit) / 10) {
            clamped = true;
            continue;
        }
        value = static_cast<T>(value * 10 - digit);
    }
    if (clamped) {
        return negative ? kMin : std::numeric_limits<T>::max();
    }
    if (negative) {
        return value;
    }
    return value == kMin ? std::numeric_limits<T>::max() : static_cast<T>(-value);
}

} // namespace

int ParseAtoi(std::string_view text) {
    return ParseLike<int>(text);
}

int64_t ParseAtol(std::string_view text) {
    return ParseLike<int64_t>(text);
}

bool CheckIsDueAt(int64_t now, int64_t lastDay, int64_t delay) {
    return now - lastDay > delay;
}

VersionInfo ParseVersionLine(std::string_view line) {
    VersionInfo info;
    const size_t a = line.find(' ');
    info.version = ParseAtoi(line.substr(0, a));
    if (a == std::string_view::npos) {
        return info;
    }
    const size_t b = line.find(' ', a + 1);
    info.delay = ParseAtoi(line.substr(a + 1, b == std::string_view::npos ? std::string_view::npos : b - a - 1));
    if (b != std::string_view::npos) {
        info.packageUrl = std::string(line.substr(b + 1));
    }
    return info;
}

std::string_view FirstAnswerLine(std::string_view answer) {
    std::string_view line = answer.substr(0, answer.find('\n'));
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

} // namespace orvex
