// SPDX-License-Identifier: MIT
// CFileCreateDlg.
#include "converter/ui/file_create_dlg.h"

#include "converter/cgidata_location.h"
#include "converter/hosted_service.h"
#include "converter/kit_generation.h"
#include "converter/page_rewriter.h"
#include "converter/service_hosts.h"
#include "converter/site_run.h"
#include "converter/texts.h"
#include "converter/ui/progress_dlg.h"
#include "converter/ui/resource_ids.h"
#include "converter/ui/results_box_control.h"
#include "converter/ui/texts.h"
#include "converter/ui/window_text.h"
#include "platform/http_client.h"
#include "platform/paths.h"
#include "ui_file_create_dlg.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include <filesystem>

namespace orvex::ui {

CFileCreateDlg::CFileCreateDlg(std::string homeDir, int32_t cgiKind, ScanTable& table, int32_t serverOs,
                               std::string loginPath, QWidget* parent)
    : QDialog(parent), m_strHomeDir(std::move(homeDir)), m_nCgiKind(cgiKind), m_table(table), m_nServerOs(serverOs),
      m_browseForFolder(BrowseForFolder), m_openUrl([](const QString& url) { QDesktopServices::openUrl(QUrl(url)); }),
      m_ui(std::make_unique<Ui::CFileCreateDlg>()), m_strLoginPath(std::move(loginPath)) {
    m_settings.m_strHomeDir = m_strHomeDir;
    m_ui->setupUi(this);
    setProperty(kResourceIdProperty, kIddFileCreate);
    const std::pair<QWidget*, int> ids[] = {
        {m_ui->m_checkSavePassword, kIdcSavePassword},
        {m_ui->m_editCgiName, kIdcCgiName},
        {m_ui->m_editPassword, kIdcPassword},
        {m_ui->m_editUserId, kIdcUserId},
        {m_ui->m_radioGd, kIdcImageGd},
        {m_ui->m_radioExternal, kIdcImageExternal},
        {m_ui->m_editOutputDir, kIdcOutputDir},
        {m_ui->m_editResult, kIdcResult},
        {m_ui->m_btnBrowse, kIdcBrowseOutputDir},
        {m_ui->m_btnNewFolder, kIdcNewFolder},
        {m_ui->m_btnRegister, kIdcRegister},
        {m_ui->m_btnCleanServer, kIdcCleanServer},
        {m_ui->m_btnGenerate, kIdcGenerate},
        {m_ui->m_btnClose, kIdCancel},
    };
    for (const auto& [widget, id] : ids) {
        widget->setProperty(kResourceIdProperty, id);
    }
    m_pResultsBox = std::make_unique<CResultsBoxControl>(m_ui->m_editResult);
    connect(m_ui->m_btnBrowse, &QPushButton::clicked, this, &CFileCreateDlg::OnBrowse);
    connect(m_ui->m_btnNewFolder, &QPushButton::clicked, this, &CFileCreateDlg::OnNewFolder);
    connect(m_ui->m_btnRegister, &QPushButton::clicked, this, &CFileCreateDlg::OnRegister);
    connect(m_ui->m_btnCleanServer, &QPushButton::clicked, this, &CFileCreateDlg::OnCleanServer);
    connect(m_ui->m_btnGenerate, &QPushButton::clicked, this, &CFileCreateDlg::OnGenerate);
    connect(m_ui->m_btnOpenOutput, &QPushButton::clicked, this, &CFileCreateDlg::OnOpenOutput);
    connect(m_ui->m_btnClose, &QPushButton::clicked, this, &QDialog::reject);

    UpdateData(false);
    m_ui->m_radioGd->setEnabled(false);
    m_ui->m_editUserId->setEnabled(false);
    m_ui->m_editPassword->setEnabled(false);
    m_ui->m_checkSavePassword->setEnabled(false);
    m_nImageMethod = 1;
    switch (m_nCgiKind) {
    case kCgiPhp:
        m_strCgiName = Text(texts::kCgiNamePhp);
        m_ui->m_radioGd->setEnabled(true);
        m_nImageMethod = 0;
        break;
    case kCgiAsp:
        m_strCgiName = Text(texts::kCgiNameAsp);
        break;
    case kCgiJsp:
        m_strCgiName = Text(texts::kCgiNameJsp);
        break;
    case kCgiPerl:
        m_strCgiName = Text(texts::kCgiNamePerl);
        break;
    case kCgiHosted:
        m_strCgiName = Text(texts::kCgiNameHosted);
        m_ui->m_editUserId->setEnabled(true);
        m_ui->m_editPassword->setEnabled(true);
        m_ui->m_checkSavePassword->setEnabled(true);
        m_ui->m_radioExternal->setEnabled(false);
        break;
    default:
        break;
    }
    // The generator is seeded inside LoadLoginFile, right before the key is drawn.
    LoginRecord login;
    if (LoadLoginFile(login, m_strLoginPath)) {
        m_bSavePassword = login.m_bSavePassword;
        m_strUserId = FromCp949(login.m_strUserId);
        m_strPassword = FromCp949(login.m_strPassword);
        m_strOutputDir = FromProgramText(login.m_strOutputDir);
    }
    m_strResult = Text(texts::kGenerationNotice);
    UpdateData(false);
}

CFileCreateDlg::~CFileCreateDlg() = default;

void CFileCreateDlg::UpdateData(bool save) {
    if (save) {
        m_bSavePassword = m_ui->m_checkSavePassword->isChecked() ? 1 : 0;
        m_strCgiName = m_ui->m_editCgiName->text();
        m_strPassword = m_ui->m_editPassword->text();
        m_strUserId = m_ui->m_editUserId->text();
        m_nImageMethod = m_ui->m_radioGd->isChecked() ? 0 : m_ui->m_radioExternal->isChecked() ? 1 : -1;
        m_strOutputDir = m_ui->m_editOutputDir->text();
        m_strResult = LogTextFromBox(m_ui->m_editResult->toPlainText());
        m_bScrubComments = m_ui->m_checkScrubComments->isChecked() ? 1 : 0;
        m_nScope = m_ui->m_radioOpenedPages->isChecked() ? 1 : 0;
        return;
    }
    m_ui->m_radioWholeSite->setChecked(m_nScope == 0);
    m_ui->m_radioOpenedPages->setChecked(m_nScope == 1);
    m_ui->m_checkScrubComments->setChecked(m_bScrubComments == 1);
    m_ui->m_checkSavePassword->setChecked(m_bSavePassword == 1);
    m_ui->m_editCgiName->setText(m_strCgiName);
    m_ui->m_editPassword->setText(m_strPassword);
    m_ui->m_editUserId->setText(m_strUserId);
    // Exclusive buttons cannot be unchecked one by one; "none selected" needs the rule off.
    for (QRadioButton* radio : {m_ui->m_radioGd, m_ui->m_radioExternal}) {
        radio->setAutoExclusive(false);
    }
    m_ui->m_radioGd->setChecked(m_nImageMethod == 0);
    m_ui->m_radioExternal->setChecked(m_nImageMethod == 1);
    for (QRadioButton* radio : {m_ui->m_radioGd, m_ui->m_radioExternal}) {
        radio->setAutoExclusive(true);
    }
    m_ui->m_editOutputDir->setText(m_strOutputDir);
    const QString shown = m_strResult;
    m_ui->m_editResult->setPlainText(QString(shown).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

LoginRecord CFileCreateDlg::MakeLoginRecord() const {
    LoginRecord r;
    r.m_bSavePassword = m_bSavePassword;
    r.m_strUserId = ToCp949(m_strUserId);
    r.m_strPassword = ToCp949(m_strPassword);
    r.m_strOutputDir = ToProgramText(m_strOutputDir);
    return r;
}

void CFileCreateDlg::OnBrowse() {
    UpdateData(true);
    const QString chosen = m_browseForFolder(this, Text(texts::kOutputPickerTitle), m_strOutputDir);
    if (!chosen.isEmpty()) {
        m_strOutputDir = chosen;
    }
    UpdateData(false);
}

void CFileCreateDlg::OnNewFolder() {
    UpdateData(true);
    CreatePathDirs(ToProgramText(m_strOutputDir) + kPathSep);
    m_strResult += m_strOutputDir + Text(texts::kFolderCreated);
    UpdateData(false);
}

void CFileCreateDlg::OnRegister() {
    std::string error;
    const auto hosts = ResolveServiceHosts(error, HostsPathBeside(m_strLoginPath));
    if (!hosts) {
        ShowWarning(this, FromProgramText(error));
        return;
    }
    m_openUrl(QString::fromStdString("http://" + hosts->serviceHost + texts::kRegisterPath));
}

bool CFileCreateDlg::MemberLoginGiven() {
    if (m_strUserId.isEmpty() || m_strPassword.isEmpty()) {
        ShowWarning(this, Text(texts::kMemberLoginEmpty));
        return false;
    }
    return true;
}

void CFileCreateDlg::OnCleanServer() {
    UpdateData(true);
    if (!MemberLoginGiven()) {
        return;
    }
    std::string error;
    const auto hosts = ResolveServiceHosts(error, HostsPathBeside(m_strLoginPath));
    if (!hosts) {
        ShowWarning(this, FromProgramText(error));
        return;
    }
    // Asked here, with No as the default, so that the request itself can leave this thread.
    if (!AskYesNo(this, QString::fromUtf8(orvex::texts::kCleanQuestion.data(), orvex::texts::kCleanQuestion.size()),
                  DefaultAnswer::No)) {
        return;
    }
    const std::string userId = ToCp949(m_strUserId);
    const std::string password = ToCp949(m_strPassword);
    CProgressDlg progress(Text(texts::kProgressCleaning), m_pResultsBox.get(), this);
    progress.Run([&](ResultsBox& box) {
        HttpClient http(HttpOptions{m_nServiceTimeoutSeconds, m_nServiceTimeoutSeconds});
        const HostedService service{&http, *hosts};
        AnsweredAsker yes(true);
        CleanServer(userId, password, box, yes, service);
    });
}

void CFileCreateDlg::OnGenerate() {
    namespace fs = std::filesystem;
    UpdateData(true);
    // Checked before anything is created or contacted.
    if (m_nCgiKind == kCgiHosted && !MemberLoginGiven()) {
        return;
    }
    if (m_strOutputDir.isEmpty()) {
        ShowWarning(this, Text(texts::kOutputEmpty));
        return;
    }
    const std::string output = ToProgramText(m_strOutputDir);
    std::error_code ec;
    const fs::file_status status = fs::status(fs::path(output), ec);
    if (fs::exists(status) && !fs::is_directory(status)) {
        ShowWarning(this, Text(texts::kOutputIsFile));
        return;
    }
    if (!fs::exists(status)) {
        if (!AskYesNo(this, Text(texts::kOutputMissing))) {
            return;
        }
        CreatePathDirs(output + kPathSep);
    }
    if (fs::equivalent(fs::path(output), fs::path(m_strHomeDir), ec)) {
        ShowWarning(this, Text(texts::kOutputIsHome));
        return;
    }
    // A kit run numbers its links from 1 again: the pages of an earlier run would open others' addresses.
    if (m_nCgiKind != kCgiHosted && HoldsConvertedSite(output) &&
        !AskYesNo(this, Text(texts::kRerunWarning), DefaultAnswer::No)) {
        return;
    }
    SaveLoginFile(MakeLoginRecord(), m_strLoginPath);

    std::string error;
    const auto hosts = ResolveServiceHosts(error, HostsPathBeside(m_strLoginPath));
    if (!hosts) {
        ShowWarning(this, FromProgramText(error));
        return;
    }
    if (m_nCgiKind < kCgiPhp || m_nCgiKind > kCgiHosted) {
        return; // no run for an unknown kind
    }
    if (m_nScope == 0 && !ScanWholeSite(output)) {
        return;
    }
    if (!SettlePlaceholderNames()) {
        return;
    }
    const ConversionCounts counts = CountConversion(m_table);
    const QString question = Text(texts::kRunCountsQuestion)
                                 .arg(counts.pagesConverted)
                                 .arg(counts.addressesConverted)
                                 .arg(counts.addressesUnconverted)
                                 .arg(counts.pagesUnconverted);
    if (!AskYesNo(this, question)) {
        return;
    }
    RunGeneration(output, *hosts);
}

bool CFileCreateDlg::ScanWholeSite(const std::string& output) {
    SiteScanOutcome scan;
    CProgressDlg progress(Text(texts::kProgressScanning), nullptr, this);
    progress.Run([&](ResultsBox& box) {
        scan = ScanRemainingPages(m_table, m_strHomeDir, output, m_settings.m_bCheckAll, box);
    });
    if (scan.cancelled) {
        return false;
    }
    if (scan.pagesLeft > 0) {
        ShowWarning(
            this,
            Text(texts::kCapacityStopped).arg(FromProgramText(scan.capacityMessage), QString::number(scan.pagesLeft)));
    }
    return true;
}

bool CFileCreateDlg::SettlePlaceholderNames() {
    std::vector<EmailEntry*> named;
    for (int32_t i = 0; i < m_table.EntryTotal(); ++i) {
        EmailEntry& e = m_table.Entry(i);
        if (e.m_bChecked == 1 && HasPlaceholderName(e)) {
            named.push_back(&e);
        }
    }
    if (named.empty()) {
        return true;
    }
    const QMessageBox::StandardButton answer =
        QMessageBox::question(this, Text(texts::kMainTitle), Text(texts::kPlaceholderQuestion).arg(named.size()),
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel) {
        return false;
    }
    for (EmailEntry* e : named) {
        if (answer == QMessageBox::Yes) {
            ApplyDefaultName(*e, 1, m_settings);
        } else {
            SetEntryCheck(*e, false);
        }
    }
    return true;
}

void CFileCreateDlg::RunGeneration(const std::string& output, const ServiceHosts& hosts) {
    const std::string cgiData = FindCgiDataDir();
    const bool hosted = m_nCgiKind == kCgiHosted;
    // Named before the run: afterwards they are among the files the run leaves behind.
    const std::vector<std::string> earlier =
        hosted ? std::vector<std::string>{} : EarlierRunPagesLeft(m_table, m_strHomeDir, output);
    int pagesWritten = 0;
    int addresses = 0;
    std::vector<PageExposures> exposures;
    CProgressDlg progress(Text(hosted ? texts::kProgressUploading : texts::kProgressGenerating), m_pResultsBox.get(),
                          this);
    if (hosted) {
        const std::string userId = ToCp949(m_strUserId);
        const std::string password = ToCp949(m_strPassword);
        progress.Run([&](ResultsBox& box) {
            HttpClient http(HttpOptions{m_nServiceTimeoutSeconds, m_nServiceTimeoutSeconds});
            const HostedService service{&http, hosts};
            HostedRunReport report;
            GenerateHostedSite(m_table, m_strHomeDir, output, userId, password, box, service, cgiData, &report,
                               m_bScrubComments == 1);
            pagesWritten = report.pagesWritten;
            exposures = std::move(report.exposures);
        });
        addresses = CountConversion(m_table).addressesConverted;
    } else {
        KitRun run;
        run.table = &m_table;
        run.homeDir = m_strHomeDir;
        run.outputDir = output;
        run.cgiKind = m_nCgiKind;
        run.gd = m_nImageMethod == 0 ? 1 : 0;
        run.serverOs = m_nServerOs;
        run.cgiDataDir = cgiData;
        run.hosts = hosts;
        run.scrubComments = m_bScrubComments == 1;
        progress.Run([&](ResultsBox& box) {
            KitRunReport report;
            GenerateKitSite(run, box, &report);
            pagesWritten = report.pagesWritten;
            addresses = report.addressesProtected;
            exposures = std::move(report.exposures);
        });
    }
    if (!earlier.empty()) {
        UpdateData(true);
        m_strResult += FromProgramText(DescribeEarlierRunPages(earlier));
        UpdateData(false);
        m_pResultsBox->ScrollToEnd();
    }
    m_strLastOutput = output;
    m_lastExposures = std::move(exposures);
    m_ui->m_btnOpenOutput->setEnabled(true);
    ShowRunReport(pagesWritten, addresses);
}

void CFileCreateDlg::ShowRunReport(int pagesWritten, int addresses) {
    const ConversionCounts counts = CountConversion(m_table);
    size_t found = 0;
    for (const PageExposures& f : m_lastExposures) {
        found += f.exposures.size();
    }
    QString text = Text(texts::kRunCountsDone)
                       .arg(pagesWritten)
                       .arg(addresses)
                       .arg(counts.addressesUnconverted)
                       .arg(counts.pagesUnconverted);
    text += QStringLiteral("\n\n");
    text += found == 0 ? Text(texts::kNoExposureSummary) : Text(texts::kExposureSummary).arg(found);
    QMessageBox box(QMessageBox::Information, Text(texts::kMainTitle), text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("m_boxRunReport"));
    if (found > 0) {
        box.setDetailedText(BoxTextFromLog(DescribeExposures(m_lastExposures)));
    }
    box.exec();
}

void CFileCreateDlg::OnOpenOutput() {
    if (!m_strLastOutput.empty()) {
        m_openUrl(QUrl::fromLocalFile(FromProgramText(m_strLastOutput)).toString());
    }
}

} // namespace orvex::ui
