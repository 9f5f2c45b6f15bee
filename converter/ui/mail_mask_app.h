// SPDX-License-Identifier: MIT
// CMailMaskApp: the converter's application object; it runs the start-up and owns the main frame.
#pragma once

#include <QApplication>

#include <memory>
#include <string>

namespace orvex::ui {

class CMainFrame;

class CMailMaskApp : public QApplication {
    Q_OBJECT

public:
    CMailMaskApp(int& argc, char** argv);
    ~CMailMaskApp() override;

    // The start-up: sockets checked, the main frame built and shown, the splash shown unless the
    // command line says otherwise. False when the program must end.
    bool InitInstance(const std::string& settingsPath = "default.cfg");

    // The program's exit status when InitInstance returned false: 0 when the user cancelled the
    // first-run wizard, 1 when the start-up failed.
    int StartupExitCode() const { return m_nStartupExitCode; }

private:
    bool m_bShowSplash = true;
    int m_nStartupExitCode = 1;
    std::unique_ptr<CMainFrame> m_pMainFrame;
};

} // namespace orvex::ui
