// SPDX-License-Identifier: MIT
// orvex-cli's command line: parsed into one options struct before anything runs.
#include "converter/cli/cli_options.h"

#include "platform/paths.h"

namespace orvex::cli {

std::string UsageText() {
    return "사용법: orvex-cli scan --home DIR [--json] [--check-all]\n";
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    if (args.empty()) {
        error = "명령이 없습니다 (scan)";
        return std::nullopt;
    }
    Options o;
    if (args[0] == "scan") {
        o.command = Command::Scan;
    } else {
        error = "알 수 없는 명령입니다: " + args[0];
        return std::nullopt;
    }
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                error = a + " 옵션에 값이 없습니다";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (a == "--home") {
            if (!value(o.home))
                return std::nullopt;
        } else if (a == "--json") {
            o.json = true;
        } else if (a == "--check-all") {
            o.checkAll = true;
        } else {
            error = "알 수 없는 옵션입니다: " + a;
            return std::nullopt;
        }
    }
    if (o.home.empty()) {
        error = "--home DIR 이 필요합니다";
        return std::nullopt;
    }
    o.home = StripTrailingSeparators(o.home);
    return o;
}

} // namespace orvex::cli
