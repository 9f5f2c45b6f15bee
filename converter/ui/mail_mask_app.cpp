// SPDX-License-Identifier: MIT
// CMailMaskApp.
#include "converter/ui/mail_mask_app.h"

#include "converter/ui/main_frame.h"
#include "converter/ui/start_splash.h"
#include "converter/ui/texts.h"
#include "converter/ui/window_text.h"
#include "platform/sockets.h"
#include "platform/ui/qt_korean.h"

#include <QMessageBox>
#include <QWindow>

namespace orvex::ui {

CMailMaskApp::CMailMaskApp(int& argc, char** argv) : QApplication(argc, argv) {
    InstallQtKoreanTranslations(*this);
    // A start by another program (embedding or automation) shows no splash.
    for (const QString& arg : arguments().mid(1)) {
        const QString a = arg.toLower();
        if (a == QLatin1String("/embedding") || a == QLatin1String("-embedding") || a == QLatin1String("/automation") ||
            a == QLatin1String("-automation")) {
            m_bShowSplash = false;
        }
    }
}

CMailMaskApp::~CMailMaskApp() = default;

bool CMailMaskApp::InitInstance(const std::string& settingsPath) {
    if (!InitSockets()) {
        QMessageBox::critical(nullptr, QString(), Text(texts::kSocketsFailed));
        return false;
    }
    m_pMainFrame = std::make_unique<CMainFrame>(settingsPath);
    // The first start asks for the settings before the window is shown.
    if (m_pMainFrame->SettingsMissing() && !m_pMainFrame->RunFirstSetup()) {
        m_nStartupExitCode = 0;
        return false;
    }
    m_pMainFrame->show();
    if (m_bShowSplash) {
        (new CStartSplash())->ShowSplashScreen();
        connect(this, &QApplication::focusWindowChanged, m_pMainFrame.get(), [this] { m_pMainFrame->update(); });
    }
    m_pMainFrame->update();
    return true;
}

} // namespace orvex::ui
