// SPDX-License-Identifier: MIT
// CFileCreateDlg: the "파일생성" dialog, where the output folder, the image method and the
// hosted service's member login are chosen and the converted site is generated.
#pragma once

#include "converter/login_file.h"
#include "converter/scan_table.h"
#include "converter/ui/folder_picker.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <string>

namespace Ui {
class CFileCreateDlg;
}

namespace orvex::ui {

class CResultsBoxControl;

class CFileCreateDlg : public QDialog {
    Q_OBJECT

public:
    // homeDir is program text; login.cfg is read from loginPath now and written there on "생성".
    CFileCreateDlg(std::string homeDir, int32_t cgiKind, ScanTable& table, int32_t serverOs,
                   std::string loginPath = std::string(kLoginFileName), QWidget* parent = nullptr);
    ~CFileCreateDlg() override;

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

    // Tests replace these so that no picker or browser opens.
    FolderPicker m_browseForFolder;
    std::function<void(const QString& url)> m_openUrl;

    void OnBrowse();      // 1035
    void OnNewFolder();   // 1045
    void OnRegister();    // 1031
    void OnCleanServer(); // 1049
    void OnGenerate();    // 1042

private:
    void UpdateData(bool save);
    LoginRecord MakeLoginRecord() const;

    std::unique_ptr<Ui::CFileCreateDlg> m_ui;
    std::unique_ptr<CResultsBoxControl> m_pResultsBox;
    std::string m_strLoginPath;
};

} // namespace orvex::ui
