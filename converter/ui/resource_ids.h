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
inline constexpr int kIddSetupStepCgi = 131;
inline constexpr int kIddSetupDefault = 132;
inline constexpr int kIddFileCreate = 146;

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

// Controls of the server page of the setup sheet.
inline constexpr int kIdcCgiPhp = 1002;
inline constexpr int kIdcCgiAsp = 1011;
inline constexpr int kIdcCgiJsp = 1012;
inline constexpr int kIdcCgiPerl = 1013;
inline constexpr int kIdcCgiHosted = 1032;
inline constexpr int kIdcOsWindows = 1014;
inline constexpr int kIdcOsLinux = 1015;
inline constexpr int kIdcOsSolaris = 1016;

// Controls of the default-values page.
inline constexpr int kIdcHomeDir = 1024;
inline constexpr int kIdcBrowseHomeDir = 1025;
inline constexpr int kIdcDefaultName1 = 1026;
inline constexpr int kIdcDefaultName2 = 1027;
inline constexpr int kIdcDefaultName3 = 1028;
inline constexpr int kIdcCheckAll = 1029;
inline constexpr int kIdcSearchWholeDir = 1044;
inline constexpr int kIdcFactoryImage1 = 1046;
inline constexpr int kIdcFactoryImage2 = 1047;
inline constexpr int kIdcFactoryImage3 = 1048;

// The setup sheet's own buttons (the framework's wizard and sheet buttons).
inline constexpr int kIdWizBack = 12323;
inline constexpr int kIdWizNext = 12324;
inline constexpr int kIdWizFinish = 12325;

// Controls of the generation dialog.
inline constexpr int kIdcImageGd = 1002;
inline constexpr int kIdcImageExternal = 1040;
inline constexpr int kIdcRegister = 1031;
inline constexpr int kIdcOutputDir = 1034;
inline constexpr int kIdcBrowseOutputDir = 1035;
inline constexpr int kIdcCgiName = 1036;
inline constexpr int kIdcUserId = 1037;
inline constexpr int kIdcPassword = 1038;
inline constexpr int kIdcSavePassword = 1039;
inline constexpr int kIdcResult = 1041;
inline constexpr int kIdcGenerate = 1042;
inline constexpr int kIdcNewFolder = 1045;
inline constexpr int kIdcCleanServer = 1049;

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
