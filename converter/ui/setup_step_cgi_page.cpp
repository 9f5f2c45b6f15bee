// SPDX-License-Identifier: MIT
// CSetupStepCgiPage.
#include "converter/ui/setup_step_cgi_page.h"

#include "converter/ui/resource_ids.h"
#include "converter/ui/results_box_control.h"
#include "converter/ui/setup_wizard_sheet.h"
#include "converter/ui/window_text.h"
#include "platform/host_setting.h"
#include "ui_setup_step_cgi_page.h"

namespace orvex::ui {

CSetupStepCgiPage::CSetupStepCgiPage(CSetupWizardSheet* sheet, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::CSetupStepCgiPage>()), m_pSheet(sheet) {
    m_ui->setupUi(this);
    setProperty(kResourceIdProperty, kIddSetupStepCgi);
    const std::pair<QWidget*, int> ids[] = {
        {m_ui->m_radioPhp, kIdcCgiPhp},    {m_ui->m_radioAsp, kIdcCgiAsp},        {m_ui->m_radioJsp, kIdcCgiJsp},
        {m_ui->m_radioPerl, kIdcCgiPerl},  {m_ui->m_radioHosted, kIdcCgiHosted},  {m_ui->m_radioWindows, kIdcOsWindows},
        {m_ui->m_radioLinux, kIdcOsLinux}, {m_ui->m_radioSolaris, kIdcOsSolaris},
    };
    for (const auto& [widget, id] : ids) {
        widget->setProperty(kResourceIdProperty, id);
    }
    // Present but never shown, so the page never produces 2; a stored 2 still selects it.
    m_ui->m_radioSolaris->setVisible(false);
    connect(m_ui->m_radioPhp, &QRadioButton::clicked, this, [this] { OnKind(kCgiPhp); });
    connect(m_ui->m_radioAsp, &QRadioButton::clicked, this, [this] { OnKind(kCgiAsp); });
    connect(m_ui->m_radioJsp, &QRadioButton::clicked, this, [this] { OnKind(kCgiJsp); });
    connect(m_ui->m_radioPerl, &QRadioButton::clicked, this, [this] { OnKind(kCgiPerl); });
    connect(m_ui->m_radioHosted, &QRadioButton::clicked, this, [this] { OnKind(kCgiHosted); });
}

CSetupStepCgiPage::~CSetupStepCgiPage() = default;

void CSetupStepCgiPage::UpdateData(bool save) {
    QRadioButton* kinds[] = {m_ui->m_radioPhp, m_ui->m_radioAsp, m_ui->m_radioJsp, m_ui->m_radioPerl,
                             m_ui->m_radioHosted};
    QRadioButton* systems[] = {m_ui->m_radioWindows, m_ui->m_radioLinux, m_ui->m_radioSolaris};
    if (save) {
        for (int32_t i = 0; i < 5; ++i) {
            if (kinds[i]->isChecked()) {
                m_nCgiKind = i;
            }
        }
        for (int32_t i = 0; i < 3; ++i) {
            if (systems[i]->isChecked()) {
                m_nServerOs = i;
            }
        }
        m_hosts.serviceHost = ToProgramText(m_ui->m_editServiceHost->text().trimmed());
        m_hosts.popupHost = ToProgramText(m_ui->m_editPopupHost->text().trimmed());
        return;
    }
    m_ui->m_editServiceHost->setText(FromProgramText(m_hosts.serviceHost));
    m_ui->m_editPopupHost->setText(FromProgramText(m_hosts.popupHost));
    if (m_nCgiKind >= 0 && m_nCgiKind < 5) {
        kinds[m_nCgiKind]->setChecked(true);
    }
    if (m_nServerOs >= 0 && m_nServerOs < 3) {
        systems[m_nServerOs]->setChecked(true);
    }
}

void CSetupStepCgiPage::EnableSystems(bool windows, bool others) {
    m_ui->m_radioWindows->setEnabled(windows);
    m_ui->m_radioLinux->setEnabled(others);
    m_ui->m_radioSolaris->setEnabled(others);
}

void CSetupStepCgiPage::OnInitDialog() {
    m_hosts = ReadHostsFile(m_strHostsPath);
    UpdateData(false);
    if (m_nCgiKind == kCgiAsp) {
        OnKind(kCgiAsp);
    } else {
        const bool on = m_nCgiKind != kCgiHosted;
        EnableSystems(on, on);
    }
}

void CSetupStepCgiPage::OnKind(int32_t kind) {
    switch (kind) {
    case kCgiAsp:
        // ASP runs on Windows servers only.
        EnableSystems(true, false);
        m_nServerOs = kOsWindows;
        m_nCgiKind = kCgiAsp;
        UpdateData(false);
        break;
    case kCgiHosted:
        EnableSystems(false, false);
        break;
    default:
        EnableSystems(true, true);
        break;
    }
}

void CSetupStepCgiPage::OnSetActive() {
    if (m_pSheet->IsWizard()) {
        m_pSheet->SetWizardButtons(kWizNext);
    }
}

bool CSetupStepCgiPage::CheckHosts() {
    UpdateData(true);
    for (const auto& [label, host] : {std::pair{m_ui->m_labelServiceHost, &m_hosts.serviceHost},
                                      std::pair{m_ui->m_labelPopupHost, &m_hosts.popupHost}}) {
        if (!IsValidHostSetting(*host)) {
            ShowWarning(this, FromProgramText(NotAHostMessage(ToProgramText(label->text()), *host)));
            return false;
        }
    }
    return true;
}

void CSetupStepCgiPage::SaveHosts() {
    const ServiceHosts kept = ReadHostsFile(m_strHostsPath);
    if (kept.serviceHost != m_hosts.serviceHost || kept.popupHost != m_hosts.popupHost) {
        WriteHostsFile(m_hosts, m_strHostsPath);
    }
}

void CSetupStepCgiPage::StoreInto(ConverterSettings& settings) {
    UpdateData(true);
    settings.m_nCgiKind = m_nCgiKind;
    settings.m_nServerOs = m_nServerOs;
}

} // namespace orvex::ui
