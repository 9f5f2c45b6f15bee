// SPDX-License-Identifier: MIT
// CSetupDefaultPage: the setup sheet's default-values page ("기본값 설정"): the three default
// names with their factory picture buttons, the home directory and the two check options.
#pragma once

#include "converter/settings.h"
#include "converter/ui/folder_picker.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <string>
#include <string_view>

namespace Ui {
class CSetupDefaultPage;
}

namespace orvex::ui {

class CSetupWizardSheet;

// The home directory as it is looked up and stored: where sep is a backslash a drive root
// loses it ("c:" from "c:" and a backslash); elsewhere trailing separators go, except from the
// root itself.
std::string TrimHomeDir(std::string_view dir, char sep);

class CSetupDefaultPage : public QWidget {
    Q_OBJECT

public:
    explicit CSetupDefaultPage(CSetupWizardSheet* sheet, QWidget* parent = nullptr);
    ~CSetupDefaultPage() override;

    // In the order they are exchanged with the controls; names as the user sees them (the
    // settings hold CP949), the home directory in UTF-8 (the settings hold program text).
    int32_t m_bCheckAll = 0;
    QString m_strDefaultName1;
    QString m_strDefaultName2;
    QString m_strDefaultName3;
    QString m_strHomeDir = QStringLiteral("c:\\home");
    int32_t m_bSearchWholeDir = 1;
    int32_t m_bDefaultIsText1 = 0;
    int32_t m_bDefaultIsText2 = 0;
    int32_t m_bDefaultIsText3 = 0;

    FolderPicker m_browseForFolder; // tests replace it

    void CopyFrom(const ConverterSettings& settings);
    void OnInitDialog();
    void OnSetActive();
    void UpdateData(bool save);
    // Finish (finishWording) or OK: checks the home directory and, when it is a folder, stores the
    // page into settings. False, with a message and nothing stored, otherwise.
    bool CheckAndStore(ConverterSettings& settings, bool finishWording);

    void OnBrowse();
    void OnFactoryImage(int n);

private:
    std::unique_ptr<Ui::CSetupDefaultPage> m_ui;
    CSetupWizardSheet* m_pSheet;
};

} // namespace orvex::ui
