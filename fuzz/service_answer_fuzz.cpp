// SPDX-License-Identifier: MIT
// The hosted service's answers to an upload and to a cleaning request, on arbitrary bodies: each
// result is one its line can give, a success only carries parts that are safe in a page's script,
// and the parts of a success line make a line that reads back as the same parts.
#include "converter/hosted_service.h"
#include "fuzz_support.h"

#include <limits>

namespace {

bool IsSafe(std::string_view s) {
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x21 || u == 0x7F || c == '\'' || c == '"' || c == '\\' || c == '<' || c == '>' || c == '&') {
            return false;
        }
    }
    return true;
}

// The results an "er" line can give.
bool IsErrorLineResult(orvex::UploadResult result) {
    using orvex::UploadResult;
    switch (result) {
    case UploadResult::NoUser:
    case UploadResult::TooLong:
    case UploadResult::WrongPassword:
    case UploadResult::StoreFull:
    case UploadResult::UpdateFailed:
    case UploadResult::TransferFailed:
    case UploadResult::FileError:
    case UploadResult::OtherError:
        return true;
    case UploadResult::Ok:
    case UploadResult::NetworkError:
    case UploadResult::UserIdUnusable:
        return false;
    }
    return false;
}

void CheckUploadLine(std::string_view line) {
    const orvex::UploadAnswer before{"keep", "keep", 3};
    orvex::UploadAnswer answer = before;
    const orvex::UploadResult result = orvex::ParseUploadAnswer(line, answer);
    if (line.substr(0, 2) == "er") {
        FUZZ_CHECK(IsErrorLineResult(result));
    } else {
        FUZZ_CHECK(result == orvex::UploadResult::Ok || result == orvex::UploadResult::NetworkError);
    }
    if (result != orvex::UploadResult::Ok) {
        FUZZ_CHECK(answer.section == before.section && answer.pageCode == before.pageCode &&
                   answer.startNumber == before.startNumber);
        return;
    }
    FUZZ_CHECK(answer.pageCode.size() == 32 && IsSafe(answer.pageCode) && IsSafe(answer.section));
    // The numbers of a page's entries follow the start number and must stay in 32 bits.
    FUZZ_CHECK(answer.startNumber >= 0 &&
               answer.startNumber <= std::numeric_limits<int32_t>::max() - orvex::kMaxEntries);

    const std::string again = std::string(line.substr(0, 7)) + answer.section + ' ' + answer.pageCode + ' ' +
                              std::to_string(answer.startNumber) + ' ';
    orvex::UploadAnswer reread;
    FUZZ_CHECK(orvex::ParseUploadAnswer(again, reread) == orvex::UploadResult::Ok);
    FUZZ_CHECK(reread.section == answer.section && reread.pageCode == answer.pageCode &&
               reread.startNumber == answer.startNumber);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view reply = orvex::fuzz::AsText(data, size);
    const auto lines = orvex::AnswerLines(reply);
    CheckUploadLine(reply);
    for (const std::string_view line : lines) {
        FUZZ_CHECK(line.find('\n') == std::string_view::npos);
        CheckUploadLine(line);
    }

    using orvex::CleanResult;
    switch (orvex::ParseCleanAnswer(reply)) {
    case CleanResult::TwoLines:
        FUZZ_CHECK(lines.size() > 1);
        break;
    case CleanResult::NoUser:
    case CleanResult::WrongPassword:
    case CleanResult::NoData:
    case CleanResult::DeleteFailed:
    case CleanResult::TooSoon:
    case CleanResult::OtherError:
        FUZZ_CHECK(lines.size() == 1 && lines[0].substr(0, 2) == "er");
        break;
    case CleanResult::Done:
        FUZZ_CHECK(lines.size() <= 1 && (lines.empty() || lines[0].substr(0, 2) != "er"));
        break;
    case CleanResult::NetworkError:
        FUZZ_CHECK(false); // only a failed exchange gives it
        break;
    }
    return 0;
}
