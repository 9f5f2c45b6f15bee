// SPDX-License-Identifier: MIT
// orvex-cli's command line: parsed into one options struct before anything runs.
#include "converter/cli/cli_options.h"

#include "platform/paths.h"
#include "platform/text_codec.h"

#include <array>
#include <string_view>
#include <utility>

namespace orvex::cli {

namespace {

template <typename T, size_t N>
bool Choose(const std::array<std::pair<std::string_view, T>, N>& choices, const std::string& value, T& into) {
    for (const auto& [text, choice] : choices) {
        if (value == text) {
            into = choice;
            return true;
        }
    }
    return false;
}

constexpr std::array<std::pair<std::string_view, int32_t>, 5> kKinds = {
    {{"php", kCgiPhp}, {"asp", kCgiAsp}, {"jsp", kCgiJsp}, {"perl", kCgiPerl}, {"hosted", kCgiHosted}}};
constexpr std::array<std::pair<std::string_view, int32_t>, 3> kSystems = {
    {{"windows", kOsWindows}, {"linux", kOsLinux}, {"solaris", kOsSolaris}}};
constexpr std::array<std::pair<std::string_view, bool>, 2> kImages = {{{"gd", true}, {"external", false}}};
constexpr std::array<std::pair<std::string_view, NameRule>, 5> kNames = {{{"1", NameRule::Default1},
                                                                          {"2", NameRule::Default2},
                                                                          {"3", NameRule::Default3},
                                                                          {"id", NameRule::Id},
                                                                          {"keep", NameRule::Keep}}};

std::string T(std::string_view utf8) {
    return ProgramTextFromUtf8(utf8);
}

} // namespace

std::string UsageText() {
    return T("사용법: orvex-cli scan --home DIR [--json] [--check-all]\n"
             "        orvex-cli convert --home DIR --out DIR --kind php|asp|jsp|perl|hosted\n"
             "                          [--os windows|linux|solaris] [--image gd|external]\n"
             "                          [--name 1|2|3|id|keep] [--cgidata DIR]\n"
             "                          [--user ID --password-file FILE]\n"
             "        orvex-cli clean-server --user ID --password-file FILE [--yes]\n");
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    if (args.empty()) {
        error = T("명령이 없습니다 (scan, convert, clean-server)");
        return std::nullopt;
    }
    Options o;
    if (args[0] == "scan") {
        o.command = Command::Scan;
    } else if (args[0] == "convert") {
        o.command = Command::Convert;
    } else if (args[0] == "clean-server") {
        o.command = Command::CleanServer;
    } else {
        error = T("알 수 없는 명령입니다: ") + args[0];
        return std::nullopt;
    }
    const bool convert = o.command == Command::Convert;
    const bool clean = o.command == Command::CleanServer;
    bool kindGiven = false;
    std::string image;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string v;
        const auto value = [&]() {
            if (i + 1 >= args.size()) {
                error = a + T(" 옵션에 값이 없습니다");
                return false;
            }
            v = args[++i];
            return true;
        };
        const auto bad = [&]() {
            error = a + T(" 옵션의 값이 올바르지 않습니다: ") + v;
            return std::nullopt;
        };
        if (!clean && a == "--home") {
            if (!value())
                return std::nullopt;
            o.home = v;
        } else if (!convert && a == "--json") {
            o.json = true;
        } else if (!convert && a == "--check-all") {
            o.checkAll = true;
        } else if (convert && a == "--out") {
            if (!value())
                return std::nullopt;
            o.out = v;
        } else if (convert && a == "--kind") {
            if (!value())
                return std::nullopt;
            if (!Choose(kKinds, v, o.cgiKind))
                return bad();
            kindGiven = true;
        } else if (convert && a == "--os") {
            if (!value())
                return std::nullopt;
            if (!Choose(kSystems, v, o.serverOs))
                return bad();
        } else if (convert && a == "--image") {
            if (!value())
                return std::nullopt;
            if (!Choose(kImages, v, o.gd))
                return bad();
            image = v;
        } else if (convert && a == "--name") {
            if (!value())
                return std::nullopt;
            if (!Choose(kNames, v, o.name))
                return bad();
        } else if (convert && a == "--cgidata") {
            if (!value())
                return std::nullopt;
            o.cgiData = v;
        } else if (clean && a == "--yes") {
            o.yes = true;
        } else if ((convert || clean) && a == "--user") {
            if (!value())
                return std::nullopt;
            o.user = v;
        } else if ((convert || clean) && a == "--password-file") {
            if (!value())
                return std::nullopt;
            o.passwordFile = v;
        } else {
            error = T("알 수 없는 옵션입니다: ") + a;
            return std::nullopt;
        }
    }
    if (clean) {
        if (o.user.empty() || o.passwordFile.empty()) {
            error = T("clean-server 에는 --user ID 와 --password-file FILE 이 필요합니다");
            return std::nullopt;
        }
        return o;
    }
    if (o.home.empty()) {
        error = T("--home DIR 이 필요합니다");
        return std::nullopt;
    }
    o.home = StripTrailingSeparators(o.home);
    if (!convert) {
        return o;
    }
    if (o.out.empty() || !kindGiven) {
        error = T("convert 에는 --out DIR 과 --kind 가 필요합니다");
        return std::nullopt;
    }
    o.out = StripTrailingSeparators(o.out);
    // GD is offered for PHP only; the other kinds always run their own component.
    if (image.empty()) {
        o.gd = o.cgiKind == kCgiPhp;
    } else if (o.gd && o.cgiKind != kCgiPhp) {
        error = T("--image gd 는 --kind php 에서만 쓸 수 있습니다");
        return std::nullopt;
    }
    if (o.cgiKind != kCgiHosted && (!o.user.empty() || !o.passwordFile.empty())) {
        error = T("--user 와 --password-file 은 --kind hosted 에서만 씁니다");
        return std::nullopt;
    }
    if (o.cgiKind == kCgiHosted && (o.user.empty() || o.passwordFile.empty())) {
        error = T("--kind hosted 에는 --user ID 와 --password-file FILE 이 필요합니다");
        return std::nullopt;
    }
    return o;
}

} // namespace orvex::cli
