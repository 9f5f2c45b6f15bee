// SPDX-License-Identifier: MIT
// The hosted-service client.
#include "converter/hosted_service.h"

#include "converter/message.h"
#include "converter/page_encoding.h"
#include "converter/page_rewriter.h"
#include "converter/texts.h"
#include "crypto/md5.h"
#include "platform/paths.h"
#include "platform/text_codec.h"

#include <filesystem>
#include <limits>

namespace orvex {

namespace {

std::string Text(std::string_view utf8) {
    return ProgramTextFromUtf8(utf8);
}

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

// The code of an "er" line: the decimal value of the two characters after "er".
int ErrorCode(std::string_view line) {
    if (line.size() < 4 || !IsDigit(line[2]) || !IsDigit(line[3])) {
        return kUploadOtherError;
    }
    const int code = (line[2] - '0') * 10 + (line[3] - '0');
    // er00 would read as success without a page written.
    return code == 0 ? kUploadOtherError : code;
}

std::string PasswordDigest(std::string_view password) {
    return Md5HexOfBuffer(password.data(), password.size());
}

} // namespace

int ParseUploadAnswer(std::string_view line, UploadAnswer& answer) {
    if (line.substr(0, 2) == "er") {
        return ErrorCode(line);
    }
    if (line.size() < 8) {
        return kUploadNetworkError;
    }
    const size_t s1 = line.find(' ', 7);
    const size_t s2 = s1 == std::string_view::npos ? s1 : line.find(' ', s1 + 1);
    const size_t s3 = s2 == std::string_view::npos ? s2 : line.find(' ', s2 + 1);
    if (s3 == std::string_view::npos || s2 - s1 - 1 != 32 || s3 == s2 + 1) {
        return kUploadNetworkError;
    }
    const std::string_view section = line.substr(7, s1 - 7);
    const std::string_view code = line.substr(s1 + 1, 32);
    const std::string_view start = line.substr(s2 + 1, s3 - s2 - 1);
    int64_t number = 0;
    for (const char c : start) {
        if (!IsDigit(c) || number > std::numeric_limits<int32_t>::max() / 10) {
            return kUploadNetworkError;
        }
        number = number * 10 + (c - '0');
    }
    if (number > std::numeric_limits<int32_t>::max() - kMaxEntries || !IsSafeIdentifier(section) ||
        !IsSafeIdentifier(code)) {
        return kUploadNetworkError;
    }
    answer.section.assign(section);
    answer.pageCode.assign(code);
    answer.startNumber = static_cast<int32_t>(number);
    return kUploadOk;
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

int UploadPage(const PageRecord& page, std::string_view userId, std::string_view password,
               const std::string& outputPath, int32_t& counter, const HostedService& service) {
    const std::string body = MakeUploadBody(page, userId, password);
    if (body.empty()) {
        return kUploadOk; // nothing marked: nothing sent, nothing written
    }
    std::string reply;
    if (service.http->PostForm(service.hosts.serviceHost, kUploadPath, body, reply) != HttpResult::Ok) {
        return kUploadNetworkError;
    }
    const auto lines = AnswerLines(reply);
    if (lines.size() > 1) {
        return kUploadNetworkError;
    }
    UploadAnswer answer;
    const int parsed = ParseUploadAnswer(lines.empty() ? std::string_view() : lines[0], answer);
    if (parsed != kUploadOk) {
        return parsed;
    }
    RewriteParams params;
    params.form = RewriteForm::Service;
    params.pageCode = answer.pageCode;
    params.hosts = service.hosts;
    params.userId = Cp949ToPageText(userId, page.m_strEncoding);
    params.section = answer.section;
    const RewriteResult written = RewritePage(page, outputPath, params, answer.startNumber);
    if (written.status != RewriteStatus::Ok) {
        return kUploadFileError;
    }
    counter = written.nextNumber;
    return kUploadOk;
}

std::string_view UploadResultText(int result) {
    switch (result) {
    case kUploadNetworkError:
        return texts::kUploadNetwork;
    case 1:
        return texts::kUploadNoUser;
    case 2:
        return texts::kUploadTooLong;
    case 3:
        return texts::kUploadWrongPassword;
    case 4:
        return texts::kUploadStoreFull;
    case 5:
        return texts::kUploadUpdateFailed;
    case 6:
        return texts::kUploadTransferFailed;
    case kUploadFileError:
        return texts::kUploadFileFailed;
    default:
        return {};
    }
}

bool GenerateHostedSite(const ScanTable& table, const std::string& homeDir, const std::string& outputDir,
                        const std::string& userId, const std::string& password, ResultsBox& box,
                        const HostedService& service, const std::string& cgiDataDir, HostedRunReport* report) {
    HostedRunReport local;
    HostedRunReport& r = report != nullptr ? *report : local;
    r = HostedRunReport{};
    RunLog log(box);
    if (!IsUsableUserId(userId)) {
        r.result = kUploadOtherError;
        log.Replace(FormatMessage(Text(texts::kUserIdUnusable), {ProgramTextFromCp949(userId)}));
        return false;
    }
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
        const std::string outputPath = MakeOutputPath(outputDir, homeDir, page.m_strPath);
        log.Append(outputPath);
        log.Append("....");
        log.Show();
        const int result = UploadPage(page, userId, password, outputPath, counter, service);
        if (result != kUploadOk) {
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
    log.Append(Text(texts::kUploadCompleted));
    log.Show();
    for (const char* image : {"VelmorantDefaultImg1.gif", "VelmorantDefaultImg2.gif", "VelmorantDefaultImg3.gif"}) {
        const std::string source = JoinPath(cgiDataDir, image);
        std::error_code ec;
        if (!std::filesystem::is_regular_file(source, ec)) {
            r.images.missing.push_back(source);
            continue;
        }
        std::filesystem::copy_file(source, JoinPath(outputDir, image),
                                   std::filesystem::copy_options::overwrite_existing, ec);
        if (ec) {
            r.images.failed.push_back(JoinPath(outputDir, image));
        }
    }
    if (!r.images.Empty()) {
        log.Append("\r\n");
        log.Append(DescribeKitProblems(r.images));
        log.Show();
    }
    return true;
}

CleanAnswer ParseCleanAnswer(std::string_view reply) {
    CleanAnswer answer;
    const auto lines = AnswerLines(reply);
    if (lines.size() > 1) {
        answer.kind = CleanAnswer::Kind::TwoLines;
        return answer;
    }
    const std::string_view line = lines.empty() ? std::string_view() : lines[0];
    if (line.substr(0, 2) == "er") {
        answer.kind = CleanAnswer::Kind::Error;
        answer.code = ErrorCode(line);
    }
    return answer;
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
    if (service.http->Get(url, reply) != HttpResult::Ok) {
        log.Replace(Text(texts::kCleanNetwork));
        return false;
    }
    const CleanAnswer answer = ParseCleanAnswer(reply);
    if (answer.kind == CleanAnswer::Kind::TwoLines) {
        log.Replace(Text(texts::kCleanTwoLines));
        return false;
    }
    if (answer.kind == CleanAnswer::Kind::Done) {
        log.Replace(Text(texts::kCleanDone));
        return true;
    }
    std::string_view text;
    switch (answer.code) {
    case 1:
        text = texts::kCleanNoUser;
        break;
    case 2:
        text = texts::kCleanWrongPassword;
        break;
    case 3:
        text = texts::kCleanNoData;
        break;
    case 4:
        text = texts::kCleanFailed;
        break;
    case 5:
        text = texts::kCleanTooSoon;
        break;
    default:
        break;
    }
    log.Replace(Text(text));
    return false;
}

} // namespace orvex
