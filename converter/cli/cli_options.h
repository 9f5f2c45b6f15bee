// SPDX-License-Identifier: MIT
// orvex-cli's command line: parsed into one options struct before anything runs.
#pragma once

#include "converter/settings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvex::cli {

// Exit statuses of orvex-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // the run went wrong for part of its input
inline constexpr int kExitUsage = 2;  // bad arguments or an unusable home or output directory

enum class Command { Scan, Convert, CleanServer };

// How convert names every occurrence: a default name, the address's ID, or the name found.
enum class NameRule { Default1, Default2, Default3, Id, Keep };

struct Options {
    Command command = Command::Scan;
    std::string home;
    // scan
    bool json = false;
    bool checkAll = false;
    // convert
    std::string out;
    int32_t cgiKind = kCgiPhp;
    int32_t serverOs = kOsLinux;
    bool gd = true; // the image method; GD for PHP unless --image external
    NameRule name = NameRule::Default1;
    std::string cgiData; // empty: ./CgiData, else the one beside the program
    std::string report;  // where the addresses left in the written files go as JSON lines
    bool strict = false; // exit 1 when any address is left
    bool scrubComments = false;
    bool replace = false; // convert over an earlier run although pages of it would be left behind
    // convert --kind hosted, clean-server
    std::string user;
    std::string passwordFile;
    bool yes = false; // clean-server: do not ask
    // convert, clean-server: kept in the hosts file beside default.cfg for this and later runs
    std::string serviceHost;
    std::string popupHost;
};

// Parses argv (without the program name). On failure returns nullopt and sets error to a
// one-line message for standard error.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

// The usage text.
std::string UsageText();

} // namespace orvex::cli
