// SPDX-License-Identifier: MIT
// orvex-cli's command line: parsed into one options struct before anything runs.
#include "converter/cli/cli_options.h"

#include "converter/cli/cli_texts.h"
#include "converter/message.h"
#include "platform/paths.h"

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

constexpr std::array<std::pair<std::string_view, Command>, 3> kCommands = {
    {{"scan", Command::Scan}, {"convert", Command::Convert}, {"clean-server", Command::CleanServer}}};
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

// What the option loop fills: the options, and whether the two choices that have a default
// were given.
struct Parsed {
    Options options;
    bool kindGiven = false;
    bool imageGiven = false;
};

// Stores an option's value (empty for a flag); false when the value is not one of its choices.
using Store = bool (*)(Parsed& parsed, const std::string& value);

template <std::string Options::*Field>
bool StoreText(Parsed& parsed, const std::string& value) {
    parsed.options.*Field = value;
    return true;
}

template <bool Options::*Field>
bool SetFlag(Parsed& parsed, const std::string&) {
    parsed.options.*Field = true;
    return true;
}

template <auto Field, const auto& Choices>
bool StoreChoice(Parsed& parsed, const std::string& value) {
    return Choose(Choices, value, parsed.options.*Field);
}

bool StoreKind(Parsed& parsed, const std::string& value) {
    parsed.kindGiven = Choose(kKinds, value, parsed.options.cgiKind);
    return parsed.kindGiven;
}

bool StoreImage(Parsed& parsed, const std::string& value) {
    parsed.imageGiven = Choose(kImages, value, parsed.options.gd);
    return parsed.imageGiven;
}

constexpr unsigned Bit(Command command) {
    return 1u << static_cast<unsigned>(command);
}

enum class Takes { Flag, Value };

struct OptionRule {
    std::string_view name;
    unsigned commands; // the Bit of each command that takes the option
    Takes takes;
    Store store;
};

constexpr unsigned kConvertOnly = Bit(Command::Convert);
constexpr unsigned kCleanOnly = Bit(Command::CleanServer);
constexpr unsigned kSite = Bit(Command::Scan) | Bit(Command::Convert);
constexpr unsigned kMember = Bit(Command::Convert) | Bit(Command::CleanServer);
// The scan flags are also taken, and ignored, by clean-server.
constexpr unsigned kScanFlag = Bit(Command::Scan) | Bit(Command::CleanServer);

constexpr std::array<OptionRule, 18> kOptionRules = {{
    {"--home", kSite, Takes::Value, StoreText<&Options::home>},
    {"--json", kScanFlag, Takes::Flag, SetFlag<&Options::json>},
    {"--check-all", kScanFlag, Takes::Flag, SetFlag<&Options::checkAll>},
    {"--out", kConvertOnly, Takes::Value, StoreText<&Options::out>},
    {"--kind", kConvertOnly, Takes::Value, StoreKind},
    {"--os", kConvertOnly, Takes::Value, StoreChoice<&Options::serverOs, kSystems>},
    {"--image", kConvertOnly, Takes::Value, StoreImage},
    {"--name", kConvertOnly, Takes::Value, StoreChoice<&Options::name, kNames>},
    {"--cgidata", kConvertOnly, Takes::Value, StoreText<&Options::cgiData>},
    {"--report", kConvertOnly, Takes::Value, StoreText<&Options::report>},
    {"--strict", kConvertOnly, Takes::Flag, SetFlag<&Options::strict>},
    {"--scrub-comments", kConvertOnly, Takes::Flag, SetFlag<&Options::scrubComments>},
    {"--replace", kConvertOnly, Takes::Flag, SetFlag<&Options::replace>},
    {"--yes", kCleanOnly, Takes::Flag, SetFlag<&Options::yes>},
    {"--user", kMember, Takes::Value, StoreText<&Options::user>},
    {"--password-file", kMember, Takes::Value, StoreText<&Options::passwordFile>},
    {"--service-host", kMember, Takes::Value, StoreText<&Options::serviceHost>},
    {"--popup-host", kMember, Takes::Value, StoreText<&Options::popupHost>},
}};

const OptionRule* FindRule(const std::string& name, Command command) {
    for (const OptionRule& rule : kOptionRules) {
        if (name == rule.name && (rule.commands & Bit(command)) != 0) {
            return &rule;
        }
    }
    return nullptr;
}

// The checks between options once all are read; nullopt with error set when one fails.
std::optional<Options> Complete(Parsed parsed, std::string& error) {
    Options& o = parsed.options;
    if (o.command == Command::CleanServer) {
        if (o.user.empty() || o.passwordFile.empty()) {
            error = Text(texts::kCleanRequires);
            return std::nullopt;
        }
        return o;
    }
    if (o.home.empty()) {
        error = Text(texts::kHomeRequired);
        return std::nullopt;
    }
    o.home = StripTrailingSeparators(o.home);
    if (o.command == Command::Scan) {
        return o;
    }
    if (o.out.empty() || !parsed.kindGiven) {
        error = Text(texts::kConvertRequires);
        return std::nullopt;
    }
    o.out = StripTrailingSeparators(o.out);
    // GD is offered for PHP only; the other kinds always run their own component.
    if (!parsed.imageGiven) {
        o.gd = o.cgiKind == kCgiPhp;
    } else if (o.gd && o.cgiKind != kCgiPhp) {
        error = Text(texts::kGdOnlyPhp);
        return std::nullopt;
    }
    if (o.cgiKind != kCgiHosted && (!o.user.empty() || !o.passwordFile.empty())) {
        error = Text(texts::kMemberOnlyHosted);
        return std::nullopt;
    }
    if (o.cgiKind == kCgiHosted && (o.user.empty() || o.passwordFile.empty())) {
        error = Text(texts::kHostedRequires);
        return std::nullopt;
    }
    return o;
}

} // namespace

std::string UsageText() {
    return Text(texts::kUsage);
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    if (args.empty()) {
        error = Text(texts::kNoCommand);
        return std::nullopt;
    }
    Parsed parsed;
    if (!Choose(kCommands, args[0], parsed.options.command)) {
        error = FormatMessage(Text(texts::kUnknownCommand), {args[0]});
        return std::nullopt;
    }
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& name = args[i];
        const OptionRule* rule = FindRule(name, parsed.options.command);
        if (rule == nullptr) {
            error = FormatMessage(Text(texts::kUnknownOption), {name});
            return std::nullopt;
        }
        std::string value;
        if (rule->takes == Takes::Value) {
            if (i + 1 >= args.size()) {
                error = FormatMessage(Text(texts::kOptionWithoutValue), {name});
                return std::nullopt;
            }
            value = args[++i];
        }
        if (!rule->store(parsed, value)) {
            error = FormatMessage(Text(texts::kBadOptionValue), {name, value});
            return std::nullopt;
        }
    }
    return Complete(std::move(parsed), error);
}

} // namespace orvex::cli
