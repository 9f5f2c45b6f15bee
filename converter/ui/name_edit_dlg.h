// SPDX-License-Identifier: MIT
// CNameEditDlg: the "입력창" dialog, where the name shown instead of one address is typed or
// chosen from the default names, the ID rule or the name found on the page.
#pragma once

#include "converter/scan_table.h"

#include <QDialog>
#include <QString>

#include <memory>
#include <string>

namespace Ui {
class CNameEditDlg;
}

namespace orvex::ui {

class CNameEditDlg : public QDialog {
    Q_OBJECT

public:
    // The fields are the entry's texts decoded from its page's encoding.
    CNameEditDlg(const EmailEntry& entry, const ConverterSettings& settings, QWidget* parent = nullptr);
    ~CNameEditDlg() override;

    QString m_strAddress;
    QString m_strBeforeName;
    QString m_strAfterName;
    std::string m_strPagePath;

private:
    // Controls to fields (save) or fields to controls.
    void UpdateData(bool save);
    void OnDefaultName(int n);
    void OnIdName();
    void OnRevert();

    std::unique_ptr<Ui::CNameEditDlg> m_ui;
    const ConverterSettings& m_settings;
};

} // namespace orvex::ui
