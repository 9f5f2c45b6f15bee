// SPDX-License-Identifier: MIT
// CProgressDlg: long work (a whole-site scan, a generation, uploads, a cleaning) on a worker
// thread while this modal window shows "page k of n" with Cancel. The windows keep painting,
// and since this window is modal, nothing typed or clicked elsewhere meanwhile reaches them,
// then or later.
#pragma once

#include "converter/results_box.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace Ui {
class CProgressDlg;
}

namespace orvex::ui {

class CProgressDlg : public QDialog {
    Q_OBJECT

public:
    // what: the line above the bar; box, when given, shows the work's log as it grows.
    CProgressDlg(const QString& what, ResultsBox* box, QWidget* owner);
    ~CProgressDlg() override;

    // Runs work on a worker thread with a ResultsBox that reports here, and returns when work
    // has returned; meanwhile this window is shown and the caller's event loop keeps running.
    void Run(const std::function<void(ResultsBox&)>& work);

    bool CancelRequested() const { return m_bCancel.load(); }
    int Done() const { return m_nDone; }
    int Total() const { return m_nTotal; }

protected:
    // Escape and the close box ask to cancel; the window stays until the work returns.
    void reject() override;

private:
    class WorkerBox;
    void ShowProgress(int done, int total);
    void ShowLog(const std::string& text, bool append);

    std::unique_ptr<Ui::CProgressDlg> m_ui;
    ResultsBox* m_pBox;
    std::atomic<bool> m_bCancel{false};
    std::string m_strLog; // the log as the box shows it
    int m_nDone = 0;
    int m_nTotal = 0;
    bool m_bRunning = false;
};

} // namespace orvex::ui
