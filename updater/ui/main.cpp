// SPDX-License-Identifier: MIT
// kdvupdate: installs a waiting update, starts the converter, and checks for a newer version.
#include "updater/ui/auto_update_app.h"

int main(int argc, char** argv) {
    orvex::ui::CAutoUpdateApp app(argc, argv);
    return app.InitInstance();
}
