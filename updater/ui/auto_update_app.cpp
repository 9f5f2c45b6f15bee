// SPDX-License-Identifier: MIT
// CAutoUpdateApp.
#include "updater/ui/auto_update_app.h"

#include "platform/process.h"
#include "platform/sockets.h"
#include "platform/ui/qt_korean.h"
#include "updater/auto_updater.h"
#include "updater/ui/auto_update_dlg.h"
#include "updater/ui/qsettings_profile_store.h"
#include "updater/ui/texts.h"
#include "updater/ui/window_text.h"
#include "updater/update_host.h"
#include "updater/update_profile.h"

#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace orvex::ui {

CAutoUpdateApp::CAutoUpdateApp(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(Text(kProfileKey));
    setApplicationName(Text(kProfileApplication));
    InstallQtKoreanTranslations(*this);
}

int CAutoUpdateApp::InitInstance() {
    if (!InitSockets()) {
        QMessageBox::critical(nullptr, applicationName(), Text(texts::kSocketsFailed));
        return 0;
    }
    bool rejected = false;
    UpdaterSettings settings;
    settings.host = ResolveUpdateHost(std::getenv(kUpdateHostVariable), rejected);
    if (rejected) {
        std::fprintf(stderr, "kdvupdate: %s is not a host name (name or name:port); using %s\n", kUpdateHostVariable,
                     settings.host.c_str());
    }
    settings.locations = DefaultInstallLocations();

    QSettingsProfileStore profile;
    const std::string converter = ConverterPath(settings.locations.installDir);
    CAutoUpdateDlg dlg(
        profile, settings, [] { return static_cast<int64_t>(std::time(nullptr)); },
        [this, converter] {
            // A folder without the converter (a first start elsewhere) is said, not passed over.
            if (!StartDetached(converter)) {
                QMessageBox::warning(nullptr, applicationName(),
                                     Text(texts::kConverterNotStarted).arg(QString::fromStdString(converter)));
            }
        });
    if (!dlg.OnInitDialog()) {
        return dlg.ExitCode();
    }
    dlg.exec();
    return 0;
}

} // namespace orvex::ui
