// SPDX-License-Identifier: MIT
// The hosted-service client.
#include "converter/hosted_service.h"

#include "converter/message.h"
#include "converter/page_encoding.h"
#include "converter/page_rewriter.h"
#include "converter/run_exposures.h"
#include "converter/texts.h"
#include "crypto/md5.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/text_codec.h"

#include <array>
#include <limits>
#include <utility>

namespace orvex {

namespace {

std::string ProgramTextFromCp949(std::string_view cp949) {
    return ProgramTextFromUtf8(DecodeToUtf8(cp949, kCharsetCp949));
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Section and page code go into a script string of every page; a byte that could end the
// string or the script makes the answer unusable.
bool IsSafeIdentifier(std::string_view s) {
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x21 || u == 0x7F || c == '\'' || c == '"' || c == '\\' || c == '<' || c == '>' || c == '&') {
            return false;
        }
    }
    return true;
}

// The service's "er" lines: "er" and a two-digit code, which may be followed by more text.
constexpr std::array<std::pair<std::string_view, UploadResult>, 7> kUploadErrors = {{
    {"er01", UploadResult::NoUser},
    {"er02", UploadResult::TooLong},
    {"er03", UploadResult::WrongPassword},
    {"er04", UploadResult::StoreFull},
    {"er05", UploadResult::UpdateFailed},
    {"er06", UploadResult::TransferFailed},
    {"er07", UploadResult::FileError}, // the service's code 7 shows the text of a page not written
}};
constexpr std::array<std::pair<std::string_view, CleanResult>, 5> kCleanErrors = {{
    {"er01", CleanResult::NoUser},
    {"er02", CleanResult::WrongPassword},
    {"er03", CleanResult::NoData},
    {"er04", CleanResult::DeleteFailed},
    {"er05", CleanResult::TooSoon},
}};

// The result of an "er" line; other for a code not listed (er00 included, which must not read
// as success).
template <typename Result, size_t N>
Result ErrorLineResult(std::string_view line, const std::array<std::pair<std::string_view, Result>, N>& known,
                       Result other) {
    for (const auto& [prefix, result] : known) {
        if (line.starts_with(prefix)) {
            return result;
        }
    }
    return other;
}

std::string PasswordDigest(std::string_view password) {
    return Md5HexOfBuffer(password.data(), password.size());
}

// The text that replaces the results box after a cleaning request (UTF-8).
std::string_view CleanResultText(CleanResult result) {
    switch (result) {
    case CleanResult::Done:
        return texts::kCleanDone;
    case CleanResult::NetworkError:
        return texts::kCleanNetwork;
    case CleanResult::TwoLines:
        return texts::kCleanTwoLines;
    case CleanResult::NoUser:
        return texts::kCleanNoUser;
    case CleanResult::WrongPassword:
        return texts::kCleanWrongPassword;
    case CleanResult::NoData:
        return texts::kCleanNoData;
    case CleanResult::DeleteFailed:
        return texts::kCleanFailed;
    case CleanResult::TooSoon:
        return texts::kCleanTooSoon;
    case CleanResult::OtherError:
        return {};
    }
    return {};
}

} // namespace

UploadResult ParseUploadAnswer(std::string_view line, UploadAnswer& answer) {
    if (line.starts_with("er")) {
        return ErrorLineResult(line, kUploadErrors, UploadResult::OtherError);
    }
    if (line.size() < 8) {
        return UploadResult::NetworkError;
    }
    const size_t s1 = line.find(' ', 7);
    const size_t s2 = s1 == std::string_view::npos ? s1 : line.find(' ', s1 + 1);
    const size_t s3 = s2 == std::string_view::npos ? s2 : line.find(' ', s2 + 1);
    if (s3 == std::string_view::npos || s2 - s1 - 1 != 32 || s3 == s2 + 1) {
        return UploadResult::NetworkError;
    }
    const std::string_view section = line.substr(7, s1 - 7);
    const std::string_view code = line.substr(s1 + 1, 32);
    const std::string_view start = line.substr(s2 + 1, s3 - s2 - 1);
    int64_t number = 0;
    for (const char c : start) {
        if (!IsDigit(c) || number > std::numeric_limits<int32_t>::max() / 10) {
            return UploadResult::NetworkError;
        }
        number = number * 10 + (c - '0');
    }
    if (number > std::numeric_limits<int32_t>::max() - kMaxEntries || !IsSafeIdentifier(section) ||
        !IsSafeIdentifier(code)) {
        return UploadResult::NetworkError;
    }
    answer.section.assign(section);
    answer.pageCode.assign(code);
    answer.startNumber = static_cast<int32_t>(number);
    return UploadResult::Ok;
}

bool IsUsableUserId(std::string_view userId) {
    for (const char c : userId) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F) {
            return false;
        }
    }
    return true;
}

std::string MakeUploadBody(const PageRecord& page, std::string_view userId, std::string_view password) {
    std::string addresses;
    for (int32_t i = 0; i < page.m_nEntryCount; ++i) {
        const EmailEntry& e = page.m_pFirstEntry[i];
        if (e.m_bChecked == 1) {
            if (!addresses.empty()) {
                addresses += ' ';
            }
            addresses += e.m_strAddress;
        }
    }
    if (addresses.empty()) {
        return {};
    }
    std::string body = "UserId=";
    body += userId;
    body += "&PassWd=";
    body += PasswordDigest(password);
    body += "&EMailData=";
    body += addresses;
    return body;
}

UploadResult UploadPage(const PageRecord& page, std::string_view userId, std::string_view password,
                        const std::string& outputPath, int32_t& counter, const HostedService& service,
                        RunExposures* exposures, bool scrubComments) {
    const std::string body = MakeUploadBody(page, userId, password);
    if (body.empty()) {
        return UploadResult::Ok; // nothing marked: nothing sent, nothing written
    }
    std::string reply;
    if (service.http->PostForm(service.hosts.serviceHost, kUploadPath, body, reply) != HttpResult::Ok) {
        return UploadResult::NetworkError;
    }
    const auto lines = AnswerLines(reply);
    if (lines.size() > 1) {
        return UploadResult::NetworkError;
    }
    UploadAnswer answer;
    const UploadResult parsed = ParseUploadAnswer(lines.empty() ? std::string_view() : lines[0], answer);
    if (parsed != UploadResult::Ok) {
        return parsed;
    }
    RewriteParams params;
    params.form = RewriteForm::Service;
    params.pageCode = answer.pageCode;
    params.hosts = service.hosts;
    params.userId = Cp949ToPageText(userId, page.m_strEncoding);
    params.section = answer.section;
    if (exposures != nullptr && scrubComments) {
        params.scrubComments = &exposures->Protected();
    }
    PageBuffer source;
    std::string bytes;
    const RewriteResult written = RewritePage(page, outputPath, params, answer.startNumber, source, bytes);
    if (written.status != RewriteStatus::Ok) {
        return UploadResult::FileError;
    }
    if (exposures != nullptr) {
        exposures->AddPage(outputPath, bytes, page.m_strEncoding);
    }
    counter = written.nextNumber;
    return UploadResult::Ok;
}

std::string_view UploadResultText(UploadResult result) {
    switch (result) {
    case UploadResult::Ok:
    case UploadResult::OtherError:
        return {};
    case UploadResult::NetworkError:
        return texts::kUploadNetwork;
    case UploadResult::NoUser:
        return texts::kUploadNoUser;
    case UploadResult::TooLong:
        return texts::kUploadTooLong;
    case UploadResult::WrongPassword:
        return texts::kUploadWrongPassword;
    case UploadResult::StoreFull:
        return texts::kUploadStoreFull;
    case UploadResult::UpdateFailed:
        return texts::kUploadUpdateFailed;
    case UploadResult::TransferFailed:
        return texts::kUploadTransferFailed;
    case UploadResult::FileError:
        return texts::kUploadFileFailed;
    case UploadResult::UserIdUnusable:
        return texts::kUserIdUnusable;
    }
    return {};
}

bool GenerateHostedSite(const ScanTable& table, const std::string& homeDir, const std::string& outputDir,
                        const std::string& userId, const std::string& password, ResultsBox& box,
                        const HostedService& service, const std::string& cgiDataDir, HostedRunReport* report,
                        bool scrubComments) {
    HostedRunReport local;
    HostedRunReport& r = report != nullptr ? *report : local;
    r = HostedRunReport{};
    RunLog log(box);
    if (!IsUsableUserId(userId)) {
        r.result = UploadResult::UserIdUnusable;
        log.Replace(FormatMessage(Text(texts::kUserIdUnusable), {ProgramTextFromCp949(userId)}));
        return false;
    }
    RewriteParams form;
    form.form = RewriteForm::Service;
    RunExposures exposures(table, form);
    int32_t counter = 100;
    int total = 0;
    for (int32_t p = 0; p < table.PageCount(); ++p) {
        total += table.Page(p).m_bModified == 1 ? 1 : 0;
    }
    int done = 0;
    for (int32_t p = 0; p < table.PageCount(); ++p) {
        const PageRecord& page = table.Page(p);
        if (page.m_bModified != 1) {
            continue;
        }
        if (log.StopAt(done, total)) {
            r.cancelled = true;
            break;
        }
        const std::string outputPath = MakeOutputPath(outputDir, homeDir, page.m_strPath);
        log.Append(outputPath);
        log.Append("....");
        log.Show();
        const UploadResult result =
            UploadPage(page, userId, password, outputPath, counter, service, &exposures, scrubComments);
        if (result != UploadResult::Ok) {
            r.result = result;
            log.Replace(Text(UploadResultText(result)));
            return false;
        }
        ++r.pagesWritten;
        log.Append(Text(texts::kUploadPageSucceeded));
        log.Show();
        log.Progress(++done, total);
    }
    r.remaining = 100 - counter;
    log.Append(FormatMessage(Text(texts::kUploadRemaining), {std::to_string(r.remaining)}));
    if (!r.cancelled) {
        log.Append(Text(texts::kUploadCompleted));
    }
    r.exposures = exposures.Finish(homeDir, outputDir, table.PageScratch(), log);
    log.Show();
    for (const char* image : {"VelmorantDefaultImg1.gif", "VelmorantDefaultImg2.gif", "VelmorantDefaultImg3.gif"}) {
        const std::string source = JoinPath(cgiDataDir, image);
        const std::string destination = JoinPath(outputDir, image);
        switch (CopyFileReplacing(source, destination)) {
        case FileCopy::Ok:
            break;
        case FileCopy::SourceMissing:
            r.images.missing.push_back(source);
            break;
        case FileCopy::Failed:
            r.images.failed.push_back(destination);
            break;
        }
    }
    if (!r.images.Empty()) {
        log.Append("\r\n");
        log.Append(DescribeKitProblems(r.images));
        log.Show();
    }
    return true;
}

CleanResult ParseCleanAnswer(std::string_view reply) {
    const auto lines = AnswerLines(reply);
    if (lines.size() > 1) {
        return CleanResult::TwoLines;
    }
    const std::string_view line = lines.empty() ? std::string_view() : lines[0];
    if (line.starts_with("er")) {
        return ErrorLineResult(line, kCleanErrors, CleanResult::OtherError);
    }
    return CleanResult::Done;
}

bool CleanServer(const std::string& userId, const std::string& password, ResultsBox& box, Asker& asker,
                 const HostedService& service) {
    if (!asker.AskYesNo(Text(texts::kCleanQuestion))) {
        return true;
    }
    RunLog log(box);
    if (!IsUsableUserId(userId)) {
        log.Replace(FormatMessage(Text(texts::kUserIdUnusable), {ProgramTextFromCp949(userId)}));
        return false;
    }
    std::string url = "http://" + service.hosts.serviceHost + std::string(kCleanPath);
    url += "UserId=";
    url += userId;
    url += "&PassWd=";
    url += PasswordDigest(password);
    std::string reply;
    const CleanResult result =
        service.http->Get(url, reply) == HttpResult::Ok ? ParseCleanAnswer(reply) : CleanResult::NetworkError;
    log.Replace(Text(CleanResultText(result)));
    return result == CleanResult::Done;
}

} // namespace orvex
