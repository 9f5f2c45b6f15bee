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

// Ours: the editing session kept beside the settings, and the e-mail list's filter.
// %1 the session file, %2 where it was set aside.
inline constexpr const char* kSessionSetAside =
    "편집 기록 파일 %1 을(를) 읽을 수 없어 %2 (으)로 옮겨 두고 새로 시작합니다.";
inline constexpr const char* kSessionWriteFailed = "편집 기록 파일 %1 을(를) 저장하지 못했습니다.";
inline constexpr const char* kEmailFilter = "주소 또는 이름으로 거르기";

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
// Ours: long work shows its progress, and what the user chose before and after it.
inline constexpr const char* kProgressStarting = "준비 중입니다...";
inline constexpr const char* kProgressPages = "페이지 %1 / %2";
inline constexpr const char* kProgressCancelling = "취소하는 중입니다. 지금 페이지를 마치면 멈춥니다.";
inline constexpr const char* kProgressScanning = "아직 열지 않은 페이지를 검색하고 있습니다.";
inline constexpr const char* kProgressGenerating = "변환된 페이지를 생성하고 있습니다.";
inline constexpr const char* kProgressUploading = "주소를 Velmorant 서버에 보내고 페이지를 생성하고 있습니다.";
inline constexpr const char* kProgressCleaning = "Velmorant 서버의 주소를 지우고 있습니다.";
inline constexpr const char* kMemberLoginEmpty = "UserId와 비밀번호를 입력하셔야합니다.";
// %1 the rows that still carry the name "click here to edit".
inline constexpr const char* kPlaceholderQuestion =
    "체크된 주소 %1개의 이름이 아직 \"여기를 클릭하여 수정하십시오\"입니다.\n\n"
    "예: 이 주소들에 기본값1을 적용하여 변환합니다.\n아니오: 이 주소들은 변환하지 않습니다.";
// %1 the message of the page that did not fit, %2 the pages left unscanned.
inline constexpr const char* kCapacityStopped =
    "%1\n\n검색할 수 있는 양을 넘어 홈디렉토리의 페이지 %2개를 검색하지 못했습니다. 이 페이지들은 변환하지 "
    "않습니다.";
// %1 pages and %2 addresses converted, %3 addresses left unchecked, %4 pages with none checked.
inline constexpr const char* kRunCountsQuestion =
    "페이지 %1개의 주소 %2개를 변환합니다.\n체크하지 않은 주소 %3개는 변환하지 않습니다 "
    "(주소가 하나도 체크되지 않은 페이지 %4개).\n\n생성하시겠습니까?";
// %1 pages written, %2 addresses converted, %3 unchecked addresses, %4 pages with none checked.
inline constexpr const char* kRunCountsDone =
    "생성한 페이지 %1개, 변환한 주소 %2개.\n체크하지 않아 변환하지 않은 주소 %3개 "
    "(주소가 하나도 체크되지 않은 페이지 %4개).";
// %1 the addresses a harvester could still take.
inline constexpr const char* kExposureSummary = "변환한 사이트에 아직 드러나 있는 주소: %1군데 (자세히 보기)";
inline constexpr const char* kNoExposureSummary = "변환한 사이트에 드러난 주소는 없습니다.";
inline constexpr const char* kRerunWarning =
    "생성위치에 이미 변환된 사이트(Velmorant 폴더의 이메일 데이타 파일)가 있습니다.\n\n"
    "이번 생성은 번호를 처음부터 다시 매깁니다. 이번에 다시 생성하지 않는 이전 페이지의 링크는 다른 사람의 "
    "주소를 열게 됩니다. 그런 페이지는 생성 후 결과창에 표시됩니다.\n\n계속하시겠습니까?";
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
