// SPDX-License-Identifier: MIT
// orvex-cli: the converter's main job without a window.
#include "converter/cli/cli_convert.h"
#include "converter/cli/cli_hosted.h"
#include "converter/cli/cli_options.h"
#include "converter/cli/cli_scan.h"
#include "platform/process.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace orvex::cli;
    orvex::UseBinaryStandardStreams();
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto options = ParseOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "orvex-cli: %s\n%s", error.c_str(), UsageText().c_str());
        return kExitUsage;
    }
    switch (options->command) {
    case Command::Scan:
        return RunScan(*options, stdout, stderr);
    case Command::Convert:
        return RunConvert(*options, stdout, stderr);
    case Command::CleanServer:
        return RunCleanServer(*options, stdout, stderr);
    }
    return kExitUsage;
}
