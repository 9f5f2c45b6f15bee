// SPDX-License-Identifier: MIT
// kdvupdate's user-facing texts, kept once, in UTF-8.
#pragma once

namespace orvex::ui::texts {

inline constexpr const char* kSocketsFailed = "Windows 소켓 초기화에 실패하였습니다.";

} // namespace orvex::ui::texts
