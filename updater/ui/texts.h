// SPDX-License-Identifier: MIT
// kdvupdate's user-facing texts, kept once, in UTF-8.
#pragma once

namespace orvex::ui::texts {

inline constexpr const char* kSocketsFailed = "Windows 소켓 초기화에 실패하였습니다.";

// Ours: why the window is shown, when the update host failed.
inline constexpr const char* kHostUnreachable =
    "업데이트 서버에 연결할 수 없습니다. 서버를 찾지 못했거나 서버가 연결을 거부했습니다.";
inline constexpr const char* kHostNoAnswer = "업데이트 서버가 응답하지 않습니다.";
inline constexpr const char* kHostBadAddress = "업데이트 서버 주소가 잘못됐습니다.";
// %1 the HTTP status.
inline constexpr const char* kHostNoVersionFile = "업데이트 서버에 버전 정보 파일이 없습니다 (HTTP %1).";
inline constexpr const char* kRetryLater =
    "10분 뒤에 다시 확인합니다. 변환프로그램은 업데이트 없이 바로 쓸 수 있습니다.";
inline constexpr const char* kDownloadFailed =
    "새 버전을 받지 못했습니다. 다음에 다시 받습니다. 변환프로그램은 지금 버전으로 쓸 수 있습니다.";
// %1 the converter's path.
inline constexpr const char* kConverterNotStarted = "변환프로그램 %1 을(를) 시작하지 못했습니다.";

} // namespace orvex::ui::texts
