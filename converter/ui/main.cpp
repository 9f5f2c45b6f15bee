// SPDX-License-Identifier: MIT
// orvex: the converter's window program.
#include "converter/ui/mail_mask_app.h"

int main(int argc, char** argv) {
    orvex::ui::CMailMaskApp app(argc, argv);
    if (!app.InitInstance()) {
        return app.StartupExitCode();
    }
    return app.exec();
}
