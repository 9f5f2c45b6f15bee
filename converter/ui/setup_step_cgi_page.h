// SPDX-License-Identifier: MIT
// CSetupStepCgiPage: the setup sheet's server page ("Cgi선택"), the server kind and the server's
// operating system.
#pragma once

#include "converter/settings.h"

#include <QWidget>

#include <memory>

namespace Ui {
class CSetupStepCgiPage;
}

namespace orvex::ui {

class CSetupWizardSheet;

class CSetupStepCgiPage : public QWidget {
    Q_OBJECT

public:
    explicit CSetupStepCgiPage(CSetupWizardSheet* sheet, QWidget* parent = nullptr);
    ~CSetupStepCgiPage() override;

    int32_t m_nCgiKind = kCgiHosted;
    int32_t m_nServerOs = kOsWindows;

    // Shows the fields and greys the system buttons by kind.
    void OnInitDialog();
    void OnSetActive();
    void UpdateData(bool save);
    // Next (wizard) and OK (sheet): the controls read and stored into settings.
    void StoreInto(ConverterSettings& settings);

private:
    void OnKind(int32_t kind);
    void EnableSystems(bool windows, bool others);

    std::unique_ptr<Ui::CSetupStepCgiPage> m_ui;
    CSetupWizardSheet* m_pSheet;
};

} // namespace orvex::ui
