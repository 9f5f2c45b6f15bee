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
