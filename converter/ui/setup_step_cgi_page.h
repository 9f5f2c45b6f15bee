// SPDX-License-Identifier: MIT
// CSetupStepCgiPage: the setup sheet's server page ("Cgi선택"), the server kind and the server's
// operating system.
#pragma once

#include "converter/service_hosts.h"
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
    // The hosted service's hosts, kept in their own file beside default.cfg.
    ServiceHosts m_hosts;
    std::string m_strHostsPath = std::string(kHostsFileName);

    // Shows the fields and greys the system buttons by kind.
    void OnInitDialog();
    void OnSetActive();
    void UpdateData(bool save);
    // Next (wizard) and OK (sheet): the controls read and stored into settings.
    void StoreInto(ConverterSettings& settings);
    // False, after a warning naming it, when a host field holds no host name.
    bool CheckHosts();
    // Writes the hosts file when the hosts differ from what it holds (the sheet's OK or Finish).
    void SaveHosts();

private:
    void OnKind(int32_t kind);
    void EnableSystems(bool windows, bool others);

    std::unique_ptr<Ui::CSetupStepCgiPage> m_ui;
    CSetupWizardSheet* m_pSheet;
};

} // namespace orvex::ui
