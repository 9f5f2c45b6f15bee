// SPDX-License-Identifier: MIT
// orvex-cli's command line: parsed into one options struct before anything runs.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvex::cli {

// Exit statuses of orvex-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // the run went wrong for part of its input
inline constexpr int kExitUsage = 2;  // bad arguments or an unusable home directory

enum class Command { Scan };

struct Options {
    Command command = Command::Scan;
    std::string home;
    bool json = false;
    bool checkAll = false;
};

// Parses argv (without the program name). On failure returns nullopt and sets error to a
// one-line message for standard error.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

// The usage text.
std::string UsageText();

} // namespace orvex::cli
