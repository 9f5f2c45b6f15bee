// SPDX-License-Identifier: MIT
// The hosted-service client: each page's marked addresses uploaded to the service, the pages
// written in the service form with the identifiers it returns, and the cleaning of the
// member's store.
#pragma once

#include "converter/exposure_report.h"

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

// The result of one page's upload.
enum class UploadResult {
    Ok,             // stored and written, or nothing marked to send
    NetworkError,   // no exchange, or an answer that is not one line of the service
    NoUser,         // er01
    TooLong,        // er02: the page's addresses are over the service's 5-kbyte limit
    WrongPassword,  // er03
    StoreFull,      // er04
    UpdateFailed,   // er05
    TransferFailed, // er06
    FileError,      // the page could not be written after its upload; also er07
    OtherError,     // an "er" line of no known meaning (er00, er99, non-digits)
    UserIdUnusable, // nothing sent: the UserId would break the request
};

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

// Parses one answer line. Returns Ok with the parts, the error of an "er" line, or NetworkError
// for a line that is neither; answer is only changed on Ok.
UploadResult ParseUploadAnswer(std::string_view line, UploadAnswer& answer);

// False for a UserId that would break the request (a space or a control byte).
bool IsUsableUserId(std::string_view userId);

// The form body of one page's upload ("UserId=...&PassWd=...&EMailData=..."), or empty when
// the page has no marked entry.
std::string MakeUploadBody(const PageRecord& page, std::string_view userId, std::string_view password);

class RunExposures;

// Uploads the page's marked addresses and writes the page to outputPath in the service form.
// On success sets counter to the number after the page's last marked entry, and gives the
// bytes written to exposures when there is one (with their comments scrubbed when asked).
UploadResult UploadPage(const PageRecord& page, std::string_view userId, std::string_view password,
                        const std::string& outputPath, int32_t& counter, const HostedService& service,
                        RunExposures* exposures = nullptr, bool scrubComments = false);

// The text that replaces the results box for a failed upload (UTF-8; empty for Ok and OtherError;
// UserIdUnusable's has a %1 for the UserId).
std::string_view UploadResultText(UploadResult result);

struct HostedRunReport {
    int pagesWritten = 0;
    UploadResult result = UploadResult::Ok; // of the page that stopped the run
    int32_t remaining = 0;
    bool cancelled = false; // the user stopped the run between pages
    KitProblems images;     // default images that could not be copied
    // What a harvester could still take: from the pages written and the home folder's other files.
    std::vector<PageExposures> exposures;
};

// The hosted generation run: every modified page uploaded and written; at the first failure
// the results box shows only its text and the run stops. Copies the default images from
// cgiDataDir at the end. False when a page failed. scrubComments: addresses left in the written
// pages' comments become "(e-mail)".
bool GenerateHostedSite(const ScanTable& table, const std::string& homeDir, const std::string& outputDir,
                        const std::string& userId, const std::string& password, ResultsBox& box,
                        const HostedService& service, const std::string& cgiDataDir, HostedRunReport* report = nullptr,
                        bool scrubComments = false);

// The result of a cleaning request.
enum class CleanResult {
    Done,          // no "er" line: the store was emptied
    NetworkError,  // no exchange
    TwoLines,      // more than one line: not an answer of the service
    NoUser,        // er01
    WrongPassword, // er02
    NoData,        // er03
    DeleteFailed,  // er04
    TooSoon,       // er05: the last cleaning was less than 30 seconds ago
    OtherError,    // an "er" line of no known meaning
};

// Reads the whole answer body of a cleaning request; never NetworkError.
CleanResult ParseCleanAnswer(std::string_view reply);

// Asks, then empties the member's store. True when the user declined or the service confirmed.
bool CleanServer(const std::string& userId, const std::string& password, ResultsBox& box, Asker& asker,
                 const HostedService& service);

} // namespace orvex
