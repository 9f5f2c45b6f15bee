// SPDX-License-Identifier: MIT
// The pure rules of the update schedule and of the version file's one line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex {

// The C library's atoi and atol on text that need not be terminated: leading white space, an
// optional sign, then digits up to the first other character; no digits give 0. Values beyond
// the type's range are clamped to it rather than left undefined.
int ParseAtoi(std::string_view text);
int64_t ParseAtol(std::string_view text);

// A check is due only when strictly more than delay seconds have passed since lastDay.
bool CheckIsDueAt(int64_t now, int64_t lastDay, int64_t delay);

struct VersionInfo {
    int version = 0;        // the announced version
    int delay = 0;          // seconds until the next check is due
    std::string packageUrl; // the whole rest of the line after the second space
};

// Splits the version line "version delay url" at its first space and the first space after
// it. A missing or non-numeric field reads as 0, a missing URL as empty.
VersionInfo ParseVersionLine(std::string_view line);

// The first line of an answer with its line feed and a carriage return before it dropped;
// empty for an empty answer.
std::string_view FirstAnswerLine(std::string_view answer);

} // namespace orvex
