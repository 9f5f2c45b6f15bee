// SPDX-License-Identifier: MIT
// The converter's one command table: every command id with its main-menu text, accelerator,
// toolbar or pop-up text and the pane that handles it. Menus, toolbar, accelerators and pop-ups
// are all built from it.
#pragma once

#include "converter/ui/resource_ids.h"

#include <array>

namespace orvex::ui {

enum class CommandTarget {
    Frame,       // the main frame
    EmailList,   // the e-mail list, only while a list pane is active
    ActiveList,  // whichever list pane is active
    PageList,    // the page list
    Framework,   // window handling of the frame itself (exit, bars)
    Application, // the about box
};

struct CommandEntry {
    int id;
    const char* menuText;    // nullptr: not on the main menu
    const char* accelerator; // QKeySequence text; nullptr: none
    const char* barText;     // toolbar or pop-up text; nullptr: none
    CommandTarget target;
};

inline constexpr std::array<CommandEntry, 23> kCommandTable{{
    {kIdGenerateHtml, "변환된Html생성(&C)", "Ctrl+C", "html생성", CommandTarget::Frame},
    {kIdDefaultValues, "기본값설정", nullptr, "환경설정", CommandTarget::Frame},
    {kIdSetupSheet, "환경설정(&O)", "Ctrl+O", nullptr, CommandTarget::Frame},
    {kIdAppExit, "종료(&X)", nullptr, nullptr, CommandTarget::Framework},
    {kIdApplyDefault1, "기본값1적용(&1)", "Ctrl+1", "기본값1설정", CommandTarget::EmailList},
    {kIdApplyDefault2, "기본값2적용(&2)", "Ctrl+2", "기본값2설정", CommandTarget::EmailList},
    {kIdApplyDefault3, "기본값3적용(&3)", "Ctrl+3", "기본값3설정", CommandTarget::EmailList},
    {kIdApplyId, "ID값 적용(&I)", "Ctrl+I", "ID로표시", CommandTarget::EmailList},
    {kIdRevert, "변경전으로(&Z)", "Ctrl+Z", "변경전으로.", CommandTarget::EmailList},
    {kIdSelectAll, "전체 선택(&A)", "Ctrl+A", "전체선택", CommandTarget::ActiveList},
    {kIdEditName, nullptr, nullptr, "명칭수정", CommandTarget::EmailList},
    {kIdBulkEdit, nullptr, nullptr, "일괄수정", CommandTarget::Frame},
    {kIdBulkDefault1, nullptr, nullptr, "기본값1", CommandTarget::Frame},
    {kIdBulkDefault2, nullptr, nullptr, "기본값2", CommandTarget::Frame},
    {kIdBulkDefault3, nullptr, nullptr, "기본값3", CommandTarget::Frame},
    {kIdBulkId, nullptr, nullptr, "이메일ID로", CommandTarget::Frame},
    {kIdBulkRevert, nullptr, nullptr, "모두취소", CommandTarget::Frame},
    {kIdViewSource, nullptr, nullptr, "소스보기", CommandTarget::PageList},
    {kIdViewInBrowser, nullptr, nullptr, "브라우저로보기", CommandTarget::PageList},
    {kIdPageSelectAll, nullptr, nullptr, "전체선택", CommandTarget::PageList},
    {kIdViewToolbar, "도구 모음(&T)", nullptr, nullptr, CommandTarget::Framework},
    {kIdViewStatusBar, "상태 표시줄(&S)", nullptr, nullptr, CommandTarget::Framework},
    {kIdAppAbout, "About Velmorant", nullptr, nullptr, CommandTarget::Application},
}};

// The same command on the file menu a second time, under the home directory's name.
inline constexpr const char* kHomeDirMenuText = "홈디렉토리설정";

// Main menu 128: top-level items and their command ids; 0 is a separator.
inline constexpr std::array<int, 7> kFileMenu{kIdGenerateHtml, 0, kIdDefaultValues, kIdDefaultValues,
                                              kIdSetupSheet,   0, kIdAppExit};
inline constexpr std::array<int, 6> kEditMenu{kIdApplyDefault1, kIdApplyDefault2, kIdApplyDefault3,
                                              kIdApplyId,       kIdRevert,        kIdSelectAll};
inline constexpr std::array<int, 2> kViewMenu{kIdViewToolbar, kIdViewStatusBar};
inline constexpr std::array<int, 1> kHelpMenu{kIdAppAbout};

// Toolbar 128, with the image index of each button in bitmap 177.
struct ToolbarButton {
    int id; // 0: separator
    int image;
};
inline constexpr std::array<ToolbarButton, 8> kToolbar{{{kIdSelectAll, 0},
                                                        {0, -1},
                                                        {kIdGenerateHtml, 1},
                                                        {0, -1},
                                                        {kIdEditName, 2},
                                                        {kIdBulkEdit, 3},
                                                        {0, -1},
                                                        {kIdDefaultValues, 4}}};

// Pop-up menu 144: e-mail list, page list, toolbar drop-down.
inline constexpr std::array<int, 6> kEmailPopup{kIdApplyDefault1, kIdApplyDefault2, kIdApplyDefault3,
                                                kIdApplyId,       kIdRevert,        kIdSelectAll};
inline constexpr std::array<int, 4> kPagePopup{kIdViewSource, kIdViewInBrowser, 0, kIdPageSelectAll};
inline constexpr std::array<int, 5> kBulkPopup{kIdBulkDefault1, kIdBulkDefault2, kIdBulkDefault3, kIdBulkId,
                                               kIdBulkRevert};

// What a drop-down item makes of the bulk button: its new command, text and UM_APPLYNAME value.
struct BulkChoice {
    int item;
    int command;
    const char* text;
    int applyName;
};
inline constexpr std::array<BulkChoice, 5> kBulkChoices{{{kIdBulkDefault1, kIdApplyDefault1, "기본값1", kApplyDefault1},
                                                         {kIdBulkDefault2, kIdApplyDefault2, "기본값2", kApplyDefault2},
                                                         {kIdBulkDefault3, kIdApplyDefault3, "기본값3", kApplyDefault3},
                                                         {kIdBulkId, kIdApplyId, "ID적용", kApplyId},
                                                         {kIdBulkRevert, kIdRevert, "변경전..", kApplyRevert}}};

constexpr const CommandEntry* FindCommand(int id) {
    for (const CommandEntry& c : kCommandTable) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

} // namespace orvex::ui
