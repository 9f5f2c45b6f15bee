// SPDX-License-Identifier: MIT
// CSetupWizardSheet: the "초기값입력" sheet over the server page and the default-values page, as
// a wizard at the first start and as an ordinary sheet of tabs from the menu.
#pragma once

#include "converter/settings.h"

#include <QDialog>

class QPushButton;
class QStackedWidget;
class QTabWidget;

namespace orvex::ui {

class CSetupDefaultPage;
class CSetupStepCgiPage;

// The wizard buttons a page asks for.
inline constexpr int kWizBack = 0x1;
inline constexpr int kWizNext = 0x2;
inline constexpr int kWizFinish = 0x4;
inline constexpr int kWizDisabledFinish = 0x8;

// RunSetup's modes and results.
inline constexpr int kSetupWizardMode = 1;
inline constexpr int kSetupSheetMode = 0;
inline constexpr int kSetupOk = 1;     // the sheet's OK
inline constexpr int kSetupCancel = 2; // Cancel or closed
inline constexpr int kSetupFinish = 12325;

class CSetupWizardSheet : public QDialog {
    Q_OBJECT

public:
    explicit CSetupWizardSheet(QWidget* parent = nullptr);
    ~CSetupWizardSheet() override;

    // The page shown first: 0 the server page, 1 the default-values page.
    void SetActivePage(int page) { m_nStartPage = page; }
    // Where the hosted service's hosts are kept (beside default.cfg).
    void SetHostsPath(const std::string& path);
    // Shows the sheet modally over settings (remembered, not owned) and returns kSetupOk,
    // kSetupCancel or kSetupFinish. Settings change only on Next, Finish or OK.
    int RunSetup(ConverterSettings& settings, int mode);

    bool IsWizard() const { return m_bWizard; }
    void SetWizardButtons(int flags);
    int ActivePage() const;

    CSetupStepCgiPage* m_pageCgi;
    CSetupDefaultPage* m_pageDefault;

    void OnWizardNext();
    void OnWizardBack();
    void OnWizardFinish();
    void OnOk();

    void reject() override;

private:
    void BuildWizard();
    void BuildSheet();
    void ShowPage(int page);

    ConverterSettings* m_pSettings = nullptr;
    bool m_bWizard = false;
    int m_nStartPage = 0;
    bool m_bVisited[2] = {false, false}; // pages opened in sheet mode, validated and stored on OK
    QStackedWidget* m_pStack = nullptr;
    QTabWidget* m_pTabs = nullptr;
    QPushButton* m_btnBack = nullptr;
    QPushButton* m_btnNext = nullptr;
    QPushButton* m_btnFinish = nullptr;
};

} // namespace orvex::ui
