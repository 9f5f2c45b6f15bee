// SPDX-License-Identifier: MIT
// orvex-cli's hosted-service commands.
#include "converter/cli/cli_hosted.h"

#include "converter/cli/cli_texts.h"
#include "converter/cli/exposure_output.h"
#include "converter/cli/stdout_results_box.h"
#include "converter/cli/terminal.h"
#include "converter/hosted_service.h"
#include "converter/message.h"
#include "platform/file_system.h"
#include "platform/host_setting.h"
#include "platform/http_client.h"
#include "platform/text_codec.h"

#include <iostream>
#include <tuple>

namespace orvex::cli {

namespace {

// Program text as CP949 bytes; nullopt when a character has no CP949 form.
std::optional<std::string> ServiceText(const std::string& programText) {
    std::string cp949;
    if (!EncodeFromUtf8(Utf8FromProgramText(programText), kCharsetCp949, cp949)) {
        return std::nullopt;
    }
    return cp949;
}

class TerminalAsker final : public Asker {
public:
    TerminalAsker(bool yes, std::FILE* err) : m_bYes(yes), m_pErr(err) {}
    bool AskYesNo(const std::string& question) override {
        if (m_bYes) {
            return true;
        }
        std::fprintf(m_pErr, "%s [y/N] ", question.c_str());
        if (!IsTerminal(stdin)) {
            std::fputs("N\n", m_pErr);
            return false;
        }
        std::fflush(m_pErr);
        std::string answer;
        std::getline(std::cin, answer);
        m_bAnswered = answer == "y" || answer == "Y" || answer == "yes";
        return m_bAnswered;
    }
    bool Answered() const { return m_bYes || m_bAnswered; }

private:
    bool m_bYes;
    bool m_bAnswered = false;
    std::FILE* m_pErr;
};

} // namespace

std::optional<Member> LoadMember(const Options& options, std::string& error) {
    std::string bytes;
    if (!ReadFileBytes(options.passwordFile, bytes)) {
        error = FormatMessage(Text(texts::kPasswordFileUnreadable), {options.passwordFile});
        return std::nullopt;
    }
    std::string password = bytes.substr(0, bytes.find('\n'));
    if (!password.empty() && password.back() == '\r') {
        password.pop_back();
    }
    Member m;
    const auto userId = ServiceText(options.user);
    const auto pass = ServiceText(password);
    if (!userId || !pass) {
        error = Text(texts::kMemberNotCp949);
        return std::nullopt;
    }
    if (!IsUsableUserId(*userId)) {
        error = FormatMessage(Text(texts::kUserIdUnusable), {options.user});
        return std::nullopt;
    }
    m.userId = *userId;
    m.password = *pass;
    return m;
}

std::optional<ServiceHosts> RunHosts(const Options& options, std::string& error) {
    if (!options.serviceHost.empty() || !options.popupHost.empty()) {
        ServiceHosts kept = ReadHostsFile();
        for (const auto& [name, given, into] : {std::tuple{"--service-host", &options.serviceHost, &kept.serviceHost},
                                                std::tuple{"--popup-host", &options.popupHost, &kept.popupHost}}) {
            if (given->empty()) {
                continue;
            }
            if (!IsValidHostSetting(*given)) {
                error = NotAHostMessage(name, *given);
                return std::nullopt;
            }
            *into = *given;
        }
        if (!WriteHostsFile(kept)) {
            error = FormatMessage(Text(texts::kHostsNotWritten), {std::string(kHostsFileName)});
            return std::nullopt;
        }
    }
    return ResolveServiceHosts(error);
}

std::optional<HostedSetup> PrepareHosted(const Options& options, std::FILE* err) {
    std::string error;
    auto member = LoadMember(options, error);
    auto hosts = member ? RunHosts(options, error) : std::nullopt;
    if (!member || !hosts) {
        Line(err, error);
        return std::nullopt;
    }
    return HostedSetup{std::move(*member), std::move(*hosts)};
}

int RunHostedGeneration(const Options& options, const HostedSetup& setup, const ScanTable& table,
                        const std::string& cgiData, std::FILE* out, std::FILE* err) {
    HttpClient http;
    HostedService service{&http, setup.hosts};
    StdoutResultsBox box(out, err);
    HostedRunReport report;
    const bool ok = GenerateHostedSite(table, options.home, options.out, setup.member.userId, setup.member.password,
                                       box, service, cgiData, &report, options.scrubComments);
    std::fputc('\n', out);
    if (!ok && report.result == UploadResult::NetworkError && !http.LastError().empty()) {
        Line(err, http.LastError());
    }
    return FinishWithExposures(options, report.exposures, ok && report.images.Empty() ? kExitOk : kExitFailed, err);
}

int RunCleanServer(const Options& options, std::FILE* out, std::FILE* err) {
    const auto setup = PrepareHosted(options, err);
    if (!setup) {
        return kExitUsage;
    }
    HttpClient http;
    HostedService service{&http, setup->hosts};
    StdoutResultsBox box(out, err);
    TerminalAsker asker(options.yes, err);
    const bool ok = CleanServer(setup->member.userId, setup->member.password, box, asker, service);
    if (asker.Answered()) {
        std::fputc('\n', out);
    }
    return ok ? kExitOk : kExitFailed;
}

} // namespace orvex::cli
