// SPDX-License-Identifier: MIT
// orvex-cli's user-facing texts, kept once, in UTF-8. They become program text where they are
// used; %1 and %2 are filled by FormatMessage.
#pragma once

#include <string_view>

namespace orvex::cli::texts {

inline constexpr std::string_view kUsage =
    "사용법: orvex-cli scan --home DIR [--json] [--check-all]\n"
    "        orvex-cli convert --home DIR --out DIR --kind php|asp|jsp|perl|hosted\n"
    "                          [--os windows|linux|solaris] [--image gd|external]\n"
    "                          [--name 1|2|3|id|keep] [--cgidata DIR]\n"
    "                          [--user ID --password-file FILE]\n"
    "                          [--report FILE] [--strict] [--scrub-comments] [--replace]\n"
    "                          [--service-host HOST[:PORT]] [--popup-host HOST[:PORT]]\n"
    "        orvex-cli clean-server --user ID --password-file FILE [--yes]\n"
    "                          [--service-host HOST[:PORT]] [--popup-host HOST[:PORT]]\n"
    "  --service-host, --popup-host: kept in hosts.cfg beside default.cfg for later runs;\n"
    "  ORVEX_SERVICE_HOST and ORVEX_POPUP_HOST, when set, still win\n";

// The command line; %1 the command or option as given, %2 the option's value.
inline constexpr std::string_view kNoCommand = "명령이 없습니다 (scan, convert, clean-server)";
inline constexpr std::string_view kUnknownCommand = "알 수 없는 명령입니다: %1";
inline constexpr std::string_view kUnknownOption = "알 수 없는 옵션입니다: %1";
inline constexpr std::string_view kOptionWithoutValue = "%1 옵션에 값이 없습니다";
inline constexpr std::string_view kBadOptionValue = "%1 옵션의 값이 올바르지 않습니다: %2";
inline constexpr std::string_view kHomeRequired = "--home DIR 이 필요합니다";
inline constexpr std::string_view kConvertRequires = "convert 에는 --out DIR 과 --kind 가 필요합니다";
inline constexpr std::string_view kCleanRequires = "clean-server 에는 --user ID 와 --password-file FILE 이 필요합니다";
inline constexpr std::string_view kHostedRequires =
    "--kind hosted 에는 --user ID 와 --password-file FILE 이 필요합니다";
inline constexpr std::string_view kMemberOnlyHosted = "--user 와 --password-file 은 --kind hosted 에서만 씁니다";
// %1 the hosts file.
inline constexpr std::string_view kHostsNotWritten = "호스트 설정 파일을 쓰지 못했습니다: %1";
inline constexpr std::string_view kGdOnlyPhp = "--image gd 는 --kind php 에서만 쓸 수 있습니다";

// Pages of an earlier run into --out that this run would not write again.
inline constexpr std::string_view kReplaceRequired =
    "이 페이지들은 다른 주소를 열게 됩니다. 지우거나, 그래도 생성하려면 --replace 를 주십시오.";

// %1 the report file as given.
inline constexpr std::string_view kReportNotWritten = "남은 주소 보고서를 쓰지 못했습니다: %1";

// Scanning the site; %1 a folder, or the number of pages left out.
inline constexpr std::string_view kHomeUnreadable = "홈 디렉토리를 읽을 수 없습니다: %1";
inline constexpr std::string_view kFolderUnreadable = "폴더를 읽을 수 없습니다: %1";
inline constexpr std::string_view kPagesNotScanned = "%1개 페이지를 검색하지 않았습니다.";

// The folders of convert; %1 the folder as given.
inline constexpr std::string_view kCgiDataMissing = "--cgidata 폴더가 없습니다: %1";
inline constexpr std::string_view kOutputIsFile = "파일이 아닌 디렉토리를 선택하셔야합니다. %1";
inline constexpr std::string_view kOutputIsHome =
    "출력 폴더가 홈 디렉토리와 같습니다. 홈 디렉토리가 아닌 폴더를 선택하셔야합니다. %1";
inline constexpr std::string_view kOutputNotCreated = "출력 폴더를 만들 수 없습니다: %1";

// The member of the hosted commands; %1 the password file or the UserId as given.
inline constexpr std::string_view kPasswordFileUnreadable = "비밀번호 파일을 읽을 수 없습니다: %1";
inline constexpr std::string_view kMemberNotCp949 = "UserId나 비밀번호에 CP949로 나타낼 수 없는 문자가 있습니다";
inline constexpr std::string_view kUserIdUnusable = "UserId에는 공백이나 제어 문자를 쓸 수 없습니다: %1";

} // namespace orvex::cli::texts
