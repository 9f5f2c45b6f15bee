// SPDX-License-Identifier: MIT
// The converter window's numeric resource, control and command ids, each defined here once and
// carried by its Qt object as the "resourceId" property, so that tests find controls by id.
#pragma once

namespace orvex::ui {

inline constexpr const char* kResourceIdProperty = "resourceId";

// Menus, toolbar, accelerators, icons and bitmaps.
inline constexpr int kIdrMainFrame = 128;   // main menu, toolbar, frame accelerators, window icon
inline constexpr int kIdrPopupMenus = 144;  // pane pop-ups and the list accelerators
inline constexpr int kIdiNameKept = 140;    // e-mail row whose name is unchanged
inline constexpr int kIdiNameApplied = 143; // e-mail row whose name was applied or edited
inline constexpr int kIdbSplash = 159;
inline constexpr int kIdbAbout = 160;
inline constexpr int kIdbAboutLine = 164;
inline constexpr int kIdbToolbar = 177;

// Dialogs.
inline constexpr int kIddAboutBox = 100;
inline constexpr int kIddNameEdit = 141;

// Controls of the name dialog.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdcAddress = 1003;
inline constexpr int kIdcBeforeName = 1004;
inline constexpr int kIdcAfterName = 1005;
inline constexpr int kIdcDefault1 = 1006;
inline constexpr int kIdcIdName = 1007;
inline constexpr int kIdcDefault2 = 1008;
inline constexpr int kIdcDefault3 = 1009;
inline constexpr int kIdcRevert = 1010;

// Controls of the about box.
inline constexpr int kIdcSupportLink = 1056;
inline constexpr int kIdcWebsiteLink = 1057;
inline constexpr int kIdcNotice = 1058;
inline constexpr int kIdcProductTitle = 1059;

// Commands, shared by menus, accelerators, toolbar and pop-ups.
inline constexpr int kIdGenerateHtml = 32790;
inline constexpr int kIdDefaultValues = 32804;
inline constexpr int kIdSetupSheet = 32784;
inline constexpr int kIdAppExit = 57665;
inline constexpr int kIdApplyDefault1 = 32785;
inline constexpr int kIdApplyDefault2 = 32786;
inline constexpr int kIdApplyDefault3 = 32789;
inline constexpr int kIdApplyId = 32781;
inline constexpr int kIdRevert = 32783;
inline constexpr int kIdSelectAll = 32793;
inline constexpr int kIdEditName = 32796;
inline constexpr int kIdBulkEdit = 32814;
inline constexpr int kIdBulkDefault1 = 32809;
inline constexpr int kIdBulkDefault2 = 32810;
inline constexpr int kIdBulkDefault3 = 32811;
inline constexpr int kIdBulkId = 32812;
inline constexpr int kIdBulkRevert = 32813;
inline constexpr int kIdViewSource = 32801;
inline constexpr int kIdViewInBrowser = 32802;
inline constexpr int kIdPageSelectAll = 32803;
inline constexpr int kIdViewToolbar = 59392;
inline constexpr int kIdViewStatusBar = 59393;
inline constexpr int kIdAppAbout = 57664;

// Private pane messages, numbered from the framework's user base as the panes know them.
inline constexpr int kWmUser = 0x0400;
inline constexpr int kUmHomeDirChanged = kWmUser + 1; // main frame -> tree
inline constexpr int kUmShowDirectory = kWmUser + 1;  // tree -> page list
inline constexpr int kUmScanPages = kWmUser + 2;      // page list -> e-mail list
inline constexpr int kUmApplyName = kWmUser + 3;      // main frame -> e-mail list
inline constexpr int kUmClearEntries = kWmUser + 4;   // tree -> e-mail list

// UM_APPLYNAME's wParam.
inline constexpr int kApplyDefault1 = 1;
inline constexpr int kApplyDefault2 = 2;
inline constexpr int kApplyDefault3 = 3;
inline constexpr int kApplyId = 4;
inline constexpr int kApplyRevert = 5;

inline constexpr int kMaxScanPaths = 1000; // paths in one UM_SCANPAGES

} // namespace orvex::ui
