// SPDX-License-Identifier: MIT
// CAutoUpdateDlg: kdvupdate's one window. It runs the start-up flow before it is first shown
// and then only shows the waiting text and the "종료" button; the decisions are AutoUpdater's.
#pragma once

#include "updater/auto_updater.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>

namespace Ui {
class CAutoUpdateDlg;
}

namespace orvex::ui {

class CAutoUpdateDlg : public QDialog {
    Q_OBJECT

public:
    CAutoUpdateDlg(ProfileStore& profile, UpdaterSettings settings, std::function<int64_t()> now,
                   std::function<void()> startConverter, QWidget* parent = nullptr);
    ~CAutoUpdateDlg() override;

    // Runs the start-up flow. False when the program has ended: the window must not be shown.
    bool OnInitDialog();

    int ExitCode() const { return m_updater.ExitCode(); }
    bool RetryTimerActive() const { return m_timer.isActive(); }

private:
    void OnTimer();
    void OnEnd();
    void OnStartConverter();
    // The failure of the update host, when that is why the window is shown, with the button on
    // to the converter.
    void ShowFailure();

    std::unique_ptr<Ui::CAutoUpdateDlg> m_ui;
    QTimer m_timer; // timer 0: the retry of the version check
    AutoUpdater m_updater;
    std::function<void()> m_startConverter;
};

} // namespace orvex::ui
