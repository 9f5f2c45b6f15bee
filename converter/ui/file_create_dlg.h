// SPDX-License-Identifier: MIT
// CFileCreateDlg: the "파일생성" dialog, where the output folder, the image method and the
// hosted service's member login are chosen and the converted site is generated.
#pragma once

#include "converter/exposure_report.h"
#include "converter/login_file.h"
#include "converter/scan_table.h"
#include "converter/service_hosts.h"
#include "converter/settings.h"
#include "converter/ui/folder_picker.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class CFileCreateDlg;
}

namespace orvex::ui {

class CResultsBoxControl;

// A service that has not answered within this time has failed.
inline constexpr long kServiceTimeoutSeconds = 30;

class CFileCreateDlg : public QDialog {
    Q_OBJECT

public:
    // homeDir is program text; login.cfg is read from loginPath now and written there on "생성".
    CFileCreateDlg(std::string homeDir, int32_t cgiKind, ScanTable& table, int32_t serverOs,
                   std::string loginPath = std::string(kLoginFileName), QWidget* parent = nullptr);
    ~CFileCreateDlg() override;

    // The settings the run needs besides the kind: the default names (for rows still named
    // "click here to edit") and the check state of pages scanned for the whole site.
    void SetSettings(const ConverterSettings& settings) { m_settings = settings; }

    // Handed over on opening.
    std::string m_strHomeDir;
    int32_t m_nCgiKind;
    ScanTable& m_table;
    int32_t m_nServerOs;

    // Bound to the controls, in the order they are exchanged.
    int m_bSavePassword = 0;
    QString m_strCgiName;
    QString m_strPassword;
    QString m_strUserId;
    int m_nImageMethod = -1; // 0 GD, 1 external program; -1 none selected
    QString m_strOutputDir;
    QString m_strResult;      // CR LF line ends, as the runs write them
    int m_bScrubComments = 0; // addresses left in the written pages' comments become "(e-mail)"
    int m_nScope = 0;         // 0 the whole site (pages not yet opened are scanned first), 1 the opened pages

    long m_nServiceTimeoutSeconds = kServiceTimeoutSeconds;
    // The last generation's output folder and what a harvester could still take there.
    std::string m_strLastOutput;
    std::vector<PageExposures> m_lastExposures;

    // Tests replace these so that no picker or browser opens.
    FolderPicker m_browseForFolder;
    std::function<void(const QString& url)> m_openUrl;

    void OnBrowse();      // 1035
    void OnNewFolder();   // 1045
    void OnRegister();    // 1031
    void OnCleanServer(); // 1049
    void OnGenerate();    // 1042
    void OnOpenOutput();

private:
    void UpdateData(bool save);
    LoginRecord MakeLoginRecord() const;
    bool MemberLoginGiven();
    bool ScanWholeSite(const std::string& output);
    bool SettlePlaceholderNames();
    void RunGeneration(const std::string& output, const ServiceHosts& hosts);
    void ShowRunReport(int pagesWritten, int addresses);

    ConverterSettings m_settings;

    std::unique_ptr<Ui::CFileCreateDlg> m_ui;
    std::unique_ptr<CResultsBoxControl> m_pResultsBox;
    std::string m_strLoginPath;
};

} // namespace orvex::ui
