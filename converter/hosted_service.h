// SPDX-License-Identifier: MIT
// The hosted-service client: each page's marked addresses uploaded to the service, the pages
// written in the service form with the identifiers it returns, and the cleaning of the
// member's store.
#pragma once

#include "converter/asker.h"
#include "converter/results_box.h"
#include "converter/scan_table.h"
#include "converter/server_kit.h"
#include "converter/service_hosts.h"
#include "platform/http_client.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex {

// UploadPage's results: 0 success, -1 network or unreadable answer, 1..6 the service's codes,
// 7 the page could not be written after a successful upload.
inline constexpr int kUploadOk = 0;
inline constexpr int kUploadNetworkError = -1;
inline constexpr int kUploadFileError = 7;
// An "er" line whose code is not one of the service's (er00, er99, non-digits).
inline constexpr int kUploadOtherError = 100;

inline constexpr std::string_view kUploadPath = "/service/savedata.vrt";
inline constexpr std::string_view kCleanPath = "/service/delemaildata.vrt?";

// What the runs need to reach the service.
struct HostedService {
    HttpClient* http = nullptr;
    ServiceHosts hosts;
};

// The parts of a success line.
struct UploadAnswer {
    std::string section;
    std::string pageCode; // 32 characters
    int32_t startNumber = 0;
};

// Parses one answer line. Returns kUploadOk with the parts, the code of an "er" line, or
// kUploadNetworkError for a line that is neither.
int ParseUploadAnswer(std::string_view line, UploadAnswer& answer);

// False for a UserId that would break the request (a space or a control byte).
bool IsUsableUserId(std::string_view userId);

// The form body of one page's upload ("UserId=...&PassWd=...&EMailData=..."), or empty when
// the page has no marked entry.
std::string MakeUploadBody(const PageRecord& page, std::string_view userId, std::string_view password);

// Uploads the page's marked addresses and writes the page to outputPath in the service form.
// On success sets counter to the number after the page's last marked entry.
int UploadPage(const PageRecord& page, std::string_view userId, std::string_view password,
               const std::string& outputPath, int32_t& counter, const HostedService& service);

// The text that replaces the results box for an upload result other than 0 (UTF-8).
std::string_view UploadResultText(int result);

struct HostedRunReport {
    int pagesWritten = 0;
    int result = kUploadOk; // of the page that stopped the run
    int32_t remaining = 0;
    KitProblems images; // default images that could not be copied
};

// The hosted generation run: every modified page uploaded and written; at the first failure
// the results box shows only its text and the run stops. Copies the default images from
// cgiDataDir at the end. False when a page failed.
bool GenerateHostedSite(const ScanTable& table, const std::string& homeDir, const std::string& outputDir,
                        const std::string& userId, const std::string& password, ResultsBox& box,
                        const HostedService& service, const std::string& cgiDataDir, HostedRunReport* report = nullptr);

// What the service's answer to a cleaning request says.
struct CleanAnswer {
    enum class Kind {
        Done,     // no "er" line: the store was emptied
        TwoLines, // more than one line: not an answer of the service
        Error,    // an "er" line
    };
    Kind kind = Kind::Done;
    int code = 0; // Error only: the line's code, 1..99, or kUploadOtherError
};

// Reads the whole answer body of a cleaning request.
CleanAnswer ParseCleanAnswer(std::string_view reply);

// Asks, then empties the member's store. True when the user declined or the service confirmed.
bool CleanServer(const std::string& userId, const std::string& password, ResultsBox& box, Asker& asker,
                 const HostedService& service);

} // namespace orvex
