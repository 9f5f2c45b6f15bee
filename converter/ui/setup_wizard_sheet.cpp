// SPDX-License-Identifier: MIT
// CSetupWizardSheet.
#include "converter/ui/setup_wizard_sheet.h"

#include "converter/ui/resource_ids.h"
#include "converter/ui/setup_default_page.h"
#include "converter/ui/setup_step_cgi_page.h"
#include "converter/ui/texts.h"
#include "converter/ui/window_text.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace orvex::ui {

namespace {

QPushButton* AddButton(QHBoxLayout* row, QWidget* parent, const char* text, int id) {
    auto* button = new QPushButton(Text(text), parent);
    button->setProperty(kResourceIdProperty, id);
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

} // namespace

CSetupWizardSheet::CSetupWizardSheet(QWidget* parent)
    : QDialog(parent), m_pageCgi(new CSetupStepCgiPage(this)), m_pageDefault(new CSetupDefaultPage(this)) {
    setWindowTitle(Text(texts::kSetupCaption));
}

CSetupWizardSheet::~CSetupWizardSheet() = default;

int CSetupWizardSheet::RunSetup(ConverterSettings& settings, int mode) {
    m_pSettings = &settings;
    m_bWizard = mode == kSetupWizardMode;
    if (!m_bWizard) {
        m_pageCgi->m_nCgiKind = settings.m_nCgiKind;
        m_pageCgi->m_nServerOs = settings.m_nServerOs;
        m_pageDefault->CopyFrom(settings);
    }
    if (m_bWizard) {
        BuildWizard();
    } else {
        BuildSheet();
    }
    m_pageCgi->OnInitDialog();
    m_pageDefault->OnInitDialog();
    ShowPage(m_nStartPage == 1 ? 1 : 0);
    const int result = exec();
    if (result == kSetupOk || result == kSetupFinish) {
        m_pageCgi->SaveHosts();
    }
    return result;
}

void CSetupWizardSheet::SetHostsPath(const std::string& path) {
    m_pageCgi->m_strHostsPath = path;
}

void CSetupWizardSheet::BuildWizard() {
    auto* layout = new QVBoxLayout(this);
    m_pStack = new QStackedWidget(this);
    m_pStack->addWidget(m_pageCgi);
    m_pStack->addWidget(m_pageDefault);
    layout->addWidget(m_pStack);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    auto* row = new QHBoxLayout();
    row->addStretch();
    m_btnBack = AddButton(row, this, texts::kWizBack, kIdWizBack);
    m_btnNext = AddButton(row, this, texts::kWizNext, kIdWizNext);
    m_btnFinish = AddButton(row, this, texts::kWizFinish, kIdWizFinish);
    QPushButton* cancel = AddButton(row, this, texts::kCancel, kIdCancel);
    layout->addLayout(row);
    connect(m_btnBack, &QPushButton::clicked, this, &CSetupWizardSheet::OnWizardBack);
    connect(m_btnNext, &QPushButton::clicked, this, &CSetupWizardSheet::OnWizardNext);
    connect(m_btnFinish, &QPushButton::clicked, this, &CSetupWizardSheet::OnWizardFinish);
    connect(cancel, &QPushButton::clicked, this, &CSetupWizardSheet::reject);
}

void CSetupWizardSheet::BuildSheet() {
    auto* layout = new QVBoxLayout(this);
    m_pTabs = new QTabWidget(this);
    m_pTabs->addTab(m_pageCgi, m_pageCgi->windowTitle());
    m_pTabs->addTab(m_pageDefault, m_pageDefault->windowTitle());
    layout->addWidget(m_pTabs);
    auto* row = new QHBoxLayout();
    row->addStretch();
    QPushButton* ok = AddButton(row, this, texts::kOk, kIdOk);
    ok->setDefault(true);
    QPushButton* cancel = AddButton(row, this, texts::kCancel, kIdCancel);
    layout->addLayout(row);
    connect(ok, &QPushButton::clicked, this, &CSetupWizardSheet::OnOk);
    connect(cancel, &QPushButton::clicked, this, &CSetupWizardSheet::reject);
    connect(m_pTabs, &QTabWidget::currentChanged, this, [this](int page) {
        // Leaving a page reads its controls, as the framework does when a tab is left.
        (page == 0 ? static_cast<void>(m_pageDefault->UpdateData(true)) : m_pageCgi->UpdateData(true));
        m_bVisited[page] = true;
    });
}

void CSetupWizardSheet::ShowPage(int page) {
    if (m_pStack != nullptr) {
        m_pStack->setCurrentIndex(page);
    } else {
        m_pTabs->setCurrentIndex(page);
    }
    m_bVisited[page] = true;
    if (page == 0) {
        m_pageCgi->OnSetActive();
    } else {
        m_pageDefault->OnSetActive();
    }
}

int CSetupWizardSheet::ActivePage() const {
    return m_pStack != nullptr ? m_pStack->currentIndex() : m_pTabs->currentIndex();
}

void CSetupWizardSheet::SetWizardButtons(int flags) {
    if (m_btnBack == nullptr) {
        return;
    }
    // Finish takes Next's place once a page asks for it.
    const bool finish = (flags & (kWizFinish | kWizDisabledFinish)) != 0;
    m_btnBack->setEnabled((flags & kWizBack) != 0);
    m_btnNext->setVisible(!finish);
    m_btnNext->setEnabled((flags & kWizNext) != 0);
    m_btnFinish->setVisible(finish);
    m_btnFinish->setEnabled((flags & kWizFinish) != 0);
}

void CSetupWizardSheet::OnWizardNext() {
    if (!m_pageCgi->CheckHosts()) {
        return;
    }
    m_pageCgi->StoreInto(*m_pSettings);
    ShowPage(1);
}

void CSetupWizardSheet::OnWizardBack() {
    m_pageDefault->UpdateData(true);
    ShowPage(0);
}

void CSetupWizardSheet::OnWizardFinish() {
    if (m_pageDefault->CheckAndStore(*m_pSettings, true)) {
        done(kSetupFinish);
    }
}

void CSetupWizardSheet::OnOk() {
    // The default-values page is checked before anything is stored, so that a refused home
    // directory leaves every setting as it was.
    if (m_bVisited[0] && !m_pageCgi->CheckHosts()) {
        m_pTabs->setCurrentIndex(0);
        return;
    }
    if (m_bVisited[1]) {
        ConverterSettings trial = *m_pSettings;
        if (!m_pageDefault->CheckAndStore(trial, false)) {
            m_pTabs->setCurrentIndex(1);
            return;
        }
    }
    if (m_bVisited[0]) {
        m_pageCgi->StoreInto(*m_pSettings);
    }
    if (m_bVisited[1]) {
        m_pageDefault->CheckAndStore(*m_pSettings, false);
    }
    done(kSetupOk);
}

void CSetupWizardSheet::reject() {
    done(kSetupCancel);
}

} // namespace orvex::ui
