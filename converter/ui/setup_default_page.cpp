// SPDX-License-Identifier: MIT
// CSetupDefaultPage.
#include "converter/ui/setup_default_page.h"

#include "converter/ui/resource_ids.h"
#include "converter/ui/results_box_control.h"
#include "converter/ui/setup_wizard_sheet.h"
#include "converter/ui/texts.h"
#include "converter/ui/window_text.h"
#include "platform/native_path.h"
#include "platform/paths.h"
#include "ui_setup_default_page.h"

#include <filesystem>

namespace orvex::ui {

namespace {

QString FactoryName(int n) {
    return FromCp949(ConverterSettings{}.DefaultName(n));
}

} // namespace

std::string TrimHomeDir(std::string_view dir, char sep) {
    std::string out(dir);
    if (sep == '\\') {
        if (out.size() >= 2 && out.compare(out.size() - 2, 2, ":\\") == 0) {
            out.pop_back();
        }
        return out;
    }
    while (out.size() > 1 && out.back() == sep) {
        out.pop_back();
    }
    return out;
}

CSetupDefaultPage::CSetupDefaultPage(CSetupWizardSheet* sheet, QWidget* parent)
    : QWidget(parent), m_strDefaultName1(FactoryName(1)), m_strDefaultName2(FactoryName(2)),
      m_strDefaultName3(FactoryName(3)), m_browseForFolder(BrowseForFolder),
      m_ui(std::make_unique<Ui::CSetupDefaultPage>()), m_pSheet(sheet) {
    m_ui->setupUi(this);
    setProperty(kResourceIdProperty, kIddSetupDefault);
    const std::pair<QWidget*, int> ids[] = {
        {m_ui->m_checkAll, kIdcCheckAll},         {m_ui->m_editName1, kIdcDefaultName1},
        {m_ui->m_editName2, kIdcDefaultName2},    {m_ui->m_editName3, kIdcDefaultName3},
        {m_ui->m_editHomeDir, kIdcHomeDir},       {m_ui->m_checkSearchWholeDir, kIdcSearchWholeDir},
        {m_ui->m_btnBrowse, kIdcBrowseHomeDir},   {m_ui->m_btnFactory1, kIdcFactoryImage1},
        {m_ui->m_btnFactory2, kIdcFactoryImage2}, {m_ui->m_btnFactory3, kIdcFactoryImage3},
    };
    for (const auto& [widget, id] : ids) {
        widget->setProperty(kResourceIdProperty, id);
    }
    m_ui->m_editName1->setMinimumWidth(320);
    connect(m_ui->m_btnBrowse, &QPushButton::clicked, this, &CSetupDefaultPage::OnBrowse);
    connect(m_ui->m_btnFactory1, &QAbstractButton::clicked, this, [this] { OnFactoryImage(1); });
    connect(m_ui->m_btnFactory2, &QAbstractButton::clicked, this, [this] { OnFactoryImage(2); });
    connect(m_ui->m_btnFactory3, &QAbstractButton::clicked, this, [this] { OnFactoryImage(3); });
    // Only the user's typing counts as a change: showing the fields again (after a picture
    // button, or at the start) leaves a factory tag's flag at 0.
    connect(m_ui->m_editName1, &QLineEdit::textEdited, this, [this] { m_bDefaultIsText1 = 1; });
    connect(m_ui->m_editName2, &QLineEdit::textEdited, this, [this] { m_bDefaultIsText2 = 1; });
    connect(m_ui->m_editName3, &QLineEdit::textEdited, this, [this] { m_bDefaultIsText3 = 1; });
    connect(m_ui->m_editHomeDir, &QLineEdit::textEdited, this, [this] {
        if (m_pSheet->IsWizard()) {
            m_pSheet->SetWizardButtons(kWizBack | kWizFinish);
        }
    });
}

CSetupDefaultPage::~CSetupDefaultPage() = default;

void CSetupDefaultPage::CopyFrom(const ConverterSettings& settings) {
    m_strHomeDir = FromProgramText(settings.m_strHomeDir);
    m_strDefaultName1 = FromCp949(settings.m_strDefaultName1);
    m_strDefaultName2 = FromCp949(settings.m_strDefaultName2);
    m_strDefaultName3 = FromCp949(settings.m_strDefaultName3);
    m_bCheckAll = settings.m_bCheckAll;
    m_bSearchWholeDir = settings.m_bSearchWholeDir;
    m_bDefaultIsText1 = settings.m_bDefaultIsText1;
    m_bDefaultIsText2 = settings.m_bDefaultIsText2;
    m_bDefaultIsText3 = settings.m_bDefaultIsText3;
}

void CSetupDefaultPage::UpdateData(bool save) {
    if (save) {
        m_bCheckAll = m_ui->m_checkAll->isChecked() ? 1 : 0;
        m_strDefaultName1 = m_ui->m_editName1->text();
        m_strDefaultName2 = m_ui->m_editName2->text();
        m_strDefaultName3 = m_ui->m_editName3->text();
        m_strHomeDir = m_ui->m_editHomeDir->text();
        m_bSearchWholeDir = m_ui->m_checkSearchWholeDir->isChecked() ? 1 : 0;
        return;
    }
    m_ui->m_checkAll->setChecked(m_bCheckAll != 0);
    m_ui->m_editName1->setText(m_strDefaultName1);
    m_ui->m_editName2->setText(m_strDefaultName2);
    m_ui->m_editName3->setText(m_strDefaultName3);
    m_ui->m_editHomeDir->setText(m_strHomeDir);
    m_ui->m_checkSearchWholeDir->setChecked(m_bSearchWholeDir != 0);
}

void CSetupDefaultPage::OnInitDialog() {
    UpdateData(false);
    m_ui->m_btnFactory1->LoadBitmaps(QStringLiteral(":/orvex/defaultimg1u.png"),
                                     QStringLiteral(":/orvex/defaultimg1d.png"));
    m_ui->m_btnFactory2->LoadBitmaps(QStringLiteral(":/orvex/defaultimg2u.png"),
                                     QStringLiteral(":/orvex/defaultimg2d.png"));
    m_ui->m_btnFactory3->LoadBitmaps(QStringLiteral(":/orvex/defaultimg3u.png"),
                                     QStringLiteral(":/orvex/defaultimg3d.png"));
}

void CSetupDefaultPage::OnSetActive() {
    if (m_pSheet->IsWizard()) {
        m_pSheet->SetWizardButtons(kWizBack | kWizDisabledFinish);
    }
}

void CSetupDefaultPage::OnBrowse() {
    UpdateData(true);
    const QString chosen = m_browseForFolder(this, Text(texts::kHomeDirPickerTitle), m_strHomeDir);
    if (!chosen.isEmpty()) {
        m_strHomeDir = chosen;
        if (m_pSheet->IsWizard()) {
            m_pSheet->SetWizardButtons(kWizBack | kWizFinish);
        }
    }
    UpdateData(false);
}

void CSetupDefaultPage::OnFactoryImage(int n) {
    (n == 1 ? m_strDefaultName1 : n == 2 ? m_strDefaultName2 : m_strDefaultName3) = FactoryName(n);
    (n == 1 ? m_bDefaultIsText1 : n == 2 ? m_bDefaultIsText2 : m_bDefaultIsText3) = 0;
    UpdateData(false);
}

bool CSetupDefaultPage::CheckAndStore(ConverterSettings& settings, bool finishWording) {
    namespace fs = std::filesystem;
    UpdateData(true);
    const std::string home = TrimHomeDir(ToProgramText(m_strHomeDir), kPathSep);
    m_strHomeDir = FromProgramText(home);
    std::error_code ec;
    const fs::file_status status = fs::status(FsPath(home), ec);
    if (!fs::exists(status)) {
        ShowWarning(this, Text(finishWording ? texts::kBadDirNameFinish : texts::kBadDirNameOk));
        return false;
    }
    if (!fs::is_directory(status)) {
        ShowWarning(this, Text(texts::kHomeDirIsFile));
        return false;
    }
    UpdateData(false);
    settings.m_bCheckAll = m_bCheckAll;
    settings.m_strHomeDir = home;
    settings.m_strDefaultName1 = ToCp949(m_strDefaultName1);
    settings.m_strDefaultName2 = ToCp949(m_strDefaultName2);
    settings.m_strDefaultName3 = ToCp949(m_strDefaultName3);
    settings.m_bSearchWholeDir = m_bSearchWholeDir;
    settings.m_bDefaultIsText1 = m_bDefaultIsText1;
    settings.m_bDefaultIsText2 = m_bDefaultIsText2;
    settings.m_bDefaultIsText3 = m_bDefaultIsText3;
    return true;
}

} // namespace orvex::ui
