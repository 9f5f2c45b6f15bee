// SPDX-License-Identifier: MIT
// CAutoUpdateApp: kdvupdate's application object.
#pragma once

#include <QApplication>

namespace orvex::ui {

class CAutoUpdateApp : public QApplication {
    Q_OBJECT

public:
    CAutoUpdateApp(int& argc, char** argv);

    // The whole program: checks the sockets layer, runs the window's start-up flow, and shows
    // the window modally only when work remains. Returns the exit code.
    int InitInstance();
};

} // namespace orvex::ui
