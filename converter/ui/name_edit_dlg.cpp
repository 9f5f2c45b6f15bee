// SPDX-License-Identifier: MIT
// CNameEditDlg.
#include "converter/ui/name_edit_dlg.h"

#include "converter/ui/resource_ids.h"
#include "converter/ui/window_text.h"
#include "ui_name_edit_dlg.h"

#include <QPushButton>

namespace orvex::ui {

CNameEditDlg::CNameEditDlg(const EmailEntry& entry, const ConverterSettings& settings, QWidget* parent)
    : QDialog(parent), m_strAddress(FromPageText(entry.m_strAddress, entry.m_pPage->m_strEncoding)),
      m_strBeforeName(FromPageText(entry.m_strBeforeName, entry.m_pPage->m_strEncoding)),
      m_strAfterName(FromPageText(entry.m_strAfterName, entry.m_pPage->m_strEncoding)),
      m_strPagePath(entry.m_strPagePath), m_ui(std::make_unique<Ui::CNameEditDlg>()), m_settings(settings) {
    m_ui->setupUi(this);
    setProperty(kResourceIdProperty, kIddNameEdit);
    const std::pair<QWidget*, int> ids[] = {
        {m_ui->m_editAddress, kIdcAddress},
        {m_ui->m_editBeforeName, kIdcBeforeName},
        {m_ui->m_editAfterName, kIdcAfterName},
        {m_ui->m_btnDefault1, kIdcDefault1},
        {m_ui->m_btnDefault2, kIdcDefault2},
        {m_ui->m_btnDefault3, kIdcDefault3},
        {m_ui->m_btnIdName, kIdcIdName},
        {m_ui->m_btnRevert, kIdcRevert},
        {m_ui->m_btnOk, kIdOk},
        {m_ui->m_btnCancel, kIdCancel},
    };
    for (const auto& [widget, id] : ids) {
        widget->setProperty(kResourceIdProperty, id);
    }
    connect(m_ui->m_btnDefault1, &QPushButton::clicked, this, [this] { OnDefaultName(1); });
    connect(m_ui->m_btnDefault2, &QPushButton::clicked, this, [this] { OnDefaultName(2); });
    connect(m_ui->m_btnDefault3, &QPushButton::clicked, this, [this] { OnDefaultName(3); });
    connect(m_ui->m_btnIdName, &QPushButton::clicked, this, &CNameEditDlg::OnIdName);
    connect(m_ui->m_btnRevert, &QPushButton::clicked, this, &CNameEditDlg::OnRevert);
    connect(m_ui->m_btnOk, &QPushButton::clicked, this, [this] {
        UpdateData(true);
        accept();
    });
    connect(m_ui->m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    UpdateData(false);
    m_ui->m_editAfterName->setFocus();
}

CNameEditDlg::~CNameEditDlg() = default;

void CNameEditDlg::UpdateData(bool save) {
    if (save) {
        m_strAddress = m_ui->m_editAddress->text();
        m_strBeforeName = m_ui->m_editBeforeName->text();
        m_strAfterName = m_ui->m_editAfterName->text();
    } else {
        m_ui->m_editAddress->setText(m_strAddress);
        m_ui->m_editBeforeName->setText(m_strBeforeName);
        m_ui->m_editAfterName->setText(m_strAfterName);
    }
}

void CNameEditDlg::OnDefaultName(int n) {
    UpdateData(true);
    const std::string& name = m_settings.DefaultName(n);
    const std::string chosen =
        m_settings.DefaultIsText(n) != 0 ? name : MakeImageNameForPage(m_strPagePath, name, m_settings.m_strHomeDir);
    // Default names are CP949 in the settings.
    m_strAfterName = FromCp949(chosen);
    UpdateData(false);
}

void CNameEditDlg::OnIdName() {
    UpdateData(true);
    const qsizetype at = m_strAddress.indexOf(QLatin1Char('@'));
    m_strAfterName = at < 0 ? m_strAddress : m_strAddress.left(at);
    UpdateData(false);
}

void CNameEditDlg::OnRevert() {
    UpdateData(true);
    m_strAfterName = m_strBeforeName;
    UpdateData(false);
}

} // namespace orvex::ui
