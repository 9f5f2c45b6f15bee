// SPDX-License-Identifier: MIT
// The version file's line on arbitrary bytes: its numbers read as the C library's strtoll reads
// them, clamped to the type, and the URL is the line's whole rest after the second space.
#include "fuzz_support.h"
#include "updater/version_check.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace {

// strtoll needs a terminated string; the parser stops at a zero byte as at any other non-digit.
int64_t ReferenceAtol(std::string_view text) {
    const std::string copy(text);
    errno = 0;
    return std::strtoll(copy.c_str(), nullptr, 10);
}

int ReferenceAtoi(std::string_view text) {
    const int64_t v = ReferenceAtol(text);
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view line = orvex::fuzz::AsText(data, size);
    FUZZ_CHECK(orvex::ParseAtoi(line) == ReferenceAtoi(line));
    FUZZ_CHECK(orvex::ParseAtol(line) == ReferenceAtol(line));

    const orvex::VersionInfo info = orvex::ParseVersionLine(line);
    const size_t a = line.find(' ');
    FUZZ_CHECK(info.version == ReferenceAtoi(line.substr(0, a)));
    const size_t b = a == std::string_view::npos ? a : line.find(' ', a + 1);
    if (a == std::string_view::npos) {
        FUZZ_CHECK(info.delay == 0 && info.packageUrl.empty());
    } else {
        FUZZ_CHECK(info.delay ==
                   ReferenceAtoi(line.substr(a + 1, b == std::string_view::npos ? std::string_view::npos : b - a - 1)));
        FUZZ_CHECK(b == std::string_view::npos ? info.packageUrl.empty() : info.packageUrl == line.substr(b + 1));
    }

    const std::string_view first = orvex::FirstAnswerLine(line);
    FUZZ_CHECK(first.find('\n') == std::string_view::npos && line.substr(0, first.size()) == first);
    FUZZ_CHECK(first.empty() || first.back() != '\r' || line.size() == first.size() || line[first.size()] == '\r');
    return 0;
}
