// SPDX-License-Identifier: MIT
// The converter window's user-facing texts, kept once, in UTF-8.
#pragma once

namespace orvex::ui::texts {

inline constexpr const char* kMainTitle = "메일주소 자동변환 프로그램 - Velmorant Auto Converter 0.8b";
inline constexpr const char* kSocketsFailed = "Windows 소켓 초기화에 실패하였습니다.";
inline constexpr const char* kReady = "준비";

inline constexpr const char* kMenuFile = "파일(&F)";
inline constexpr const char* kMenuEdit = "편집(&E)";
inline constexpr const char* kMenuView = "보기(&V)";
inline constexpr const char* kMenuHelp = "도움말(&H)";

inline constexpr const char* kPageColumnName = "파일이름";
inline constexpr const char* kPageColumnSize = "크기";
inline constexpr const char* kPageColumnTime = "수정한날짜";

inline constexpr const char* kMailColumnName = "E-Mail대신 표시할 이름 ,[v]표시된 값만 변환합니다.";
inline constexpr const char* kMailColumnAddress = "E-Mail";
inline constexpr const char* kMailColumnPage = "파일명";

inline constexpr const char* kAreaNoName =
    "Area태그에 있는 이메일은 ImageMap에 의해 호출되므로 명칭을 바꾸실필요가없습니다";

inline constexpr const char* kHintLine1 = "EMail을 전체선택 한 후 기본값을 적용하면";
inline constexpr const char* kHintLine2 = "미리 지정된 기본값으로 E-Mail대신 표시할";
inline constexpr const char* kHintLine3 = "이름이 일괄수정됩니다.";

// The setup sheet.
inline constexpr const char* kSetupCaption = "초기값입력";
inline constexpr const char* kWizBack = "< 뒤로(&B)";
inline constexpr const char* kWizNext = "다음(&N) >";
inline constexpr const char* kWizFinish = "마침";
inline constexpr const char* kOk = "확인";
inline constexpr const char* kCancel = "취소";
inline constexpr const char* kHomeDirPickerTitle = "작업한 웹페이지가 있는 홈디렉토리를 선택하십시오.";
inline constexpr const char* kBadDirNameFinish = "디렉토리 이름이 잘못됐습니다";
inline constexpr const char* kBadDirNameOk = "디렉토리이름이 잘못됐습니다";
inline constexpr const char* kHomeDirIsFile = "파일이 아닌 디렉토리명을 적으셔야합니다";

// The generation dialog.
inline constexpr const char* kOutputPickerTitle = "디렉토리를 선택하십시오";
inline constexpr const char* kFolderCreated = " 폴더 생성......완료\r\n";
inline constexpr const char* kOutputIsFile = "파일이 아닌 디렉토리를 선택하셔야합니다.";
inline constexpr const char* kOutputMissing = "디렉토리가 존재하지 않습니다. 새로생성하시겠습니까?";
// Ours: writing the converted pages over their own originals would lose the source site.
inline constexpr const char* kOutputIsHome = "원본이 있는 홈디렉토리가 아닌 다른 디렉토리를 선택하셔야합니다.";
// Ours: an empty folder would put the pages beside the program.
inline constexpr const char* kOutputEmpty = "생성위치에 디렉토리를 적으셔야합니다.";
inline constexpr const char* kGenerationNotice =
    "생성되는 위치는 원본과는 다른\r\n위치의 디렉토리를 지정하셔야 나중을 위해 안전 합니다\r\n"
    "기존에 생성한 데이타와는 연결이 불가능 하므로\r\n"
    "추가적인 수정이 있을때 처음부터 다시 생성하십시오\r\n";
inline constexpr const char* kCgiNamePhp = "PHP";
inline constexpr const char* kCgiNameAsp = "ASP";
inline constexpr const char* kCgiNameJsp = "JSP";
inline constexpr const char* kCgiNamePerl = "PERL";
inline constexpr const char* kCgiNameHosted = "V.Morant";
inline constexpr const char* kRegisterPath = "/member_regist.html";

inline constexpr const char* kAboutNotice =
    "이 프로그램은 저작권법의 보호를 받습니다. 허가 없이 프로그램의 전부 또는 일부를 복제, "
    "배포하거나 변경하여 배포하는 것은 금지되어 있습니다.\r\n\r\n"
    "This program is protected by copyright law. Copying or distributing it, in whole or in part, "
    "without permission is prohibited.";
inline constexpr const char* kWebsiteUrl = "http://www.velmorant.example/";
inline constexpr const char* kSupportUrl = "http://www.velmorant.example/support/";

} // namespace orvex::ui::texts
