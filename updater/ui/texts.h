// SPDX-License-Identifier: MIT
// kdvupdate's user-facing texts, kept once, in UTF-8.
#pragma once

namespace orvex::ui::texts {

inline constexpr const char* kWindowTitle = "VelmorantAutoUpgrade";
inline constexpr const char* kWaiting = "서버에서 파일받기를 기다리는 중입니다.";
inline constexpr const char* kEnd = "종료";
inline constexpr const char* kSocketsFailed = "Windows 소켓 초기화에 실패하였습니다.";

} // namespace orvex::ui::texts
