// SPDX-License-Identifier: MIT
// The converter core's user-facing texts, kept once, in UTF-8. They are converted to the page's
// encoding (names written into pages) or to program text (messages) where they are used.
#pragma once

#include <string_view>

namespace orvex::texts {

// Names given to entries found outside an anchor.
inline constexpr std::string_view kTextEntryName = "여기를 클릭하여 수정하십시오";
inline constexpr std::string_view kAreaEntryName = "Area태그는 명칭을 수정할 필요가 없습니다.";

// Scan failures; %1 is the page path.
inline constexpr std::string_view kFileNotFound = "%1 을(를) 찾을 수 없음.";
inline constexpr std::string_view kFileUnreadable = "%1 을(를) 읽을 수 없습니다.";
inline constexpr std::string_view kPageTooLarge = "%1 은(는) 2GB보다 커서 검색할 수 없습니다.";
inline constexpr std::string_view kPageCapacity =
    "검색할 수 있는 페이지 수(2000개)를 넘었습니다. %1 은(는) 검색하지 않았습니다.";
inline constexpr std::string_view kEntryCapacity =
    "검색할 수 있는 이메일 주소 수(10000개)를 넘었습니다. %1 은(는) 검색하지 않았습니다.";

} // namespace orvex::texts

namespace orvex::texts {

// The Korean halves of the marker comments written ahead of every converted page.
inline constexpr std::string_view kKitMarkerWarning =
    "이코드를 수정하거나 삭제할경우 이메일데이타 동기화에 문제가생깁니다.";
inline constexpr std::string_view kServiceMarkerWarning =
    "이코드를 수정하거나 삭제할경우 Velmorant서버동기화에 문제가생깁니다.";

// The results log of a generation run.
inline constexpr std::string_view kPageSucceeded = "성공\r\n";
inline constexpr std::string_view kPageFailed = "실패\r\n";
inline constexpr std::string_view kRunCompleted =
    "파일 생성이 완료됐습니다. \r\n파일을 홈페이지에 업데이트하시기 바랍니다\r\n";
// A run cancelled between pages; %1 pages done, %2 pages in all.
inline constexpr std::string_view kRunCancelled =
    "\r\n%1 / %2 페이지를 처리한 뒤 취소했습니다. 그때까지 생성한 파일은 그대로 남습니다.\r\n";
// The converted pages of an earlier run into the same folder that this run did not write again;
// %1 how many, one path per line follows.
inline constexpr std::string_view kEarlierRunPagesLeft =
    "\r\n이전에 생성한 페이지 %1개를 이번에 다시 생성하지 않았습니다. 번호가 새로 매겨졌으므로 이 페이지들의 "
    "링크는 다른 주소를 엽니다. 지우거나 다시 생성하십시오:\r\n";
// %1 the page path, %2 the address.
inline constexpr std::string_view kAddressBreaksDataFile =
    "%1 의 주소 %2 은(는) 이메일 데이타 파일을 깨뜨릴 수 있어 변환하지 않았습니다.\r\n";
// %1 the data file's path.
inline constexpr std::string_view kDataFileNotCreated =
    "이메일 데이타 파일 %1 을(를) 만들 수 없습니다. 페이지를 하나도 생성하지 않았습니다.\r\n";
inline constexpr std::string_view kDataFileNotWritten = "이메일 데이타 파일 %1 을(를) 다 쓰지 못했습니다.\r\n";
inline constexpr std::string_view kKitSourcesMissing =
    "다음 서버 키트 원본 파일이 없어 복사하지 못했습니다. 키트가 완전하지 않습니다.\r\n";
inline constexpr std::string_view kKitCopiesFailed =
    "다음 서버 키트 파일을 만들지 못했습니다. 키트가 완전하지 않습니다.\r\n";

// Permission notes shown after a self-hosted run, by kind, image method and server OS.
inline constexpr std::string_view kNote1 =
    "업데이트 후에 Velmorant/antispam ,antispambmp \r\n두디렉토리에 php가 쓸수있는 권한을 주어야f합니다\r\n";
inline constexpr std::string_view kNote2 = "ex) chmod 777 antispam , chmod 777 antispambmp \r\n";
inline constexpr std::string_view kNote3 =
    "업데이트 후에 Velmorant/antispam ,antispambmp \r\n두디렉토리에 php가 쓸수있는 권한을 주어야하고,\r\n";
inline constexpr std::string_view kNote4 = "main.exe에게 실행권한을 주어야합니다\r\n ex) chmod 777 antispam \r\n chmod "
                                           "777 antispam \r\n chmod 775 main.exe\r\n";
inline constexpr std::string_view kNote5 = "main.exe에게 실행권한을 주어야합니다\r\n";
inline constexpr std::string_view kNote6 =
    "업데이트한후 서버에서 Velmorant\\antispam\r\n,antispambmp 에 asp가 쓸수있는 권한을 주어야하고 "
    "\r\nVelmorant디렉토리 내의 GetPng.dll을 서버에 \r\n등록해야합니다 \r\n ex) 콘솔에서 regsvr32 GetPng.dll \r\n";
inline constexpr std::string_view kNote7 =
    "업데이트후에 서버에서 Velmorant/antispam \r\n,antispambmp 에 쓰기권한을 주어야합니다\r\n";
inline constexpr std::string_view kNote8 = "업데이트후에 서버에서 Velmorant/antispam \r\n,antispambmp 에 "
                                           "쓰기권한을 주어야하고\r\nmain.exe에 실행권한을 주어야합니다.\r\n";

} // namespace orvex::texts

namespace orvex::texts {

// The hosted run: what replaces the results box for each upload result.
inline constexpr std::string_view kUploadNetwork = "서버에 연결중 문제가 발생했습니다.\r\n네트워크 설정을 확인하십시오";
inline constexpr std::string_view kUploadNoUser = "UserId를 찾을수없습니다";
inline constexpr std::string_view kUploadTooLong = "EMail의 길이가 5kbyte를 넘었습니다";
inline constexpr std::string_view kUploadWrongPassword = "비밀번호가 틀립니다";
inline constexpr std::string_view kUploadStoreFull =
    "서버가 가득찼습니다. \r\n서버 청소를 통해서 이메일을 삭제하셔야지만 \r\n저장이 가능합니다.";
inline constexpr std::string_view kUploadUpdateFailed = "업데이트중에 문제가 발생했습니다";
inline constexpr std::string_view kUploadTransferFailed = "전송중에서 문제가 발생했습니다";
inline constexpr std::string_view kUploadFileFailed =
    "파일생성중에 문제가 발생했습니다.\r\n다른 저장디렉토리를 선택해 보십시오.";
inline constexpr std::string_view kUploadPageSucceeded = "  성공\r\n";
inline constexpr std::string_view kUploadRemaining = "남은 저장 갯수:%1\r\n";
inline constexpr std::string_view kUploadCompleted = "파일 생성을 완료했습니다. \r\n홈페이지에 업데이트 하십시오.";
// %1 the UserId.
inline constexpr std::string_view kUserIdUnusable =
    "UserId %1 에는 공백이나 제어 문자를 쓸 수 없습니다. 서버에 보내지 않았습니다.";

// Server cleaning.
inline constexpr std::string_view kCleanQuestion =
    "서버청소를 사용할경우 서버내의 모든 이메일이 삭제됩니다. 실행하시겠습니까?";
inline constexpr std::string_view kCleanDone = "서버를 비웠습니다";
inline constexpr std::string_view kCleanNoUser = "UserId를 찾을수없습니다";
inline constexpr std::string_view kCleanWrongPassword = "Password가 틀립니다";
inline constexpr std::string_view kCleanNoData = "데이타가 없습니다";
inline constexpr std::string_view kCleanFailed = "삭제하는데 실패하였습니다";
inline constexpr std::string_view kCleanTooSoon = "삭제한지 30초가 지나지않았습니다.";
inline constexpr std::string_view kCleanTwoLines = "서버를 찾을수 없습니다.";
inline constexpr std::string_view kCleanNetwork = "네트워크 연결중에 문제가 발생했습니다";

} // namespace orvex::texts

namespace orvex::texts {

// After a run: the addresses a harvester could still read in what the run wrote.
inline constexpr std::string_view kExposureHeading = "변환 후에도 전자메일 주소가 남아 있는 곳:\r\n";
// %1 the page's path, %2 the line number, %3 where in the page (below), %4 the address,
// %5 kExposureProtected or kExposureNotProtected.
inline constexpr std::string_view kExposureInPage = "  %1 %2번째 줄 %3: %4 (%5)\r\n";
// A file of the site that is not a page: %1 the path, %2 the line number, %3 the address, %4 as %5 above.
inline constexpr std::string_view kExposureInFile =
    "  %1 %2번째 줄: %3 (%4) - 페이지가 아닌 파일이라 변환되지 않고 그대로 서버에 올라갑니다.\r\n";
inline constexpr std::string_view kExposureInText = "본문";
inline constexpr std::string_view kExposureInComment = "주석 안";
inline constexpr std::string_view kExposureInScript = "스크립트 안";
inline constexpr std::string_view kExposureInAttribute = "태그 속성 안";
inline constexpr std::string_view kExposureProtected = "보호하기로 한 주소";
inline constexpr std::string_view kExposureNotProtected = "보호 대상이 아닌 주소";
inline constexpr std::string_view kNoExposure = "변환된 페이지에 남은 전자메일 주소가 없습니다.\r\n";

} // namespace orvex::texts
