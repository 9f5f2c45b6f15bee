// SPDX-License-Identifier: MIT
// CProgressDlg.
//
// The worker reaches this window only through queued calls, in the order it made them; the
// call that ends the local event loop is queued last, so every report has been shown when Run
// returns.
#include "converter/ui/progress_dlg.h"

#include "converter/ui/texts.h"
#include "converter/ui/window_text.h"
#include "ui_progress_dlg.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QPushButton>

#include <thread>

namespace orvex::ui {

class CProgressDlg::WorkerBox final : public ResultsBox {
public:
    explicit WorkerBox(CProgressDlg& dlg) : m_dlg(dlg) {}

    void SetText(const std::string& log, size_t unchanged) override {
        // Only what is new crosses to the window: a long log is not copied after every page.
        const bool append = unchanged > 0 && unchanged == m_nSent && unchanged <= log.size();
        std::string text = append ? log.substr(unchanged) : log;
        m_nSent = log.size();
        Post([&dlg = m_dlg, text = std::move(text), append] { dlg.ShowLog(text, append); });
    }
    void ScrollToEnd() override {
        Post([&dlg = m_dlg] {
            if (dlg.m_pBox != nullptr) {
                dlg.m_pBox->ScrollToEnd();
            }
        });
    }
    void Progress(int done, int total) override {
        Post([&dlg = m_dlg, done, total] { dlg.ShowProgress(done, total); });
    }
    bool CancelRequested() override { return m_dlg.m_bCancel.load(); }

private:
    template <typename F>
    void Post(F&& f) {
        QMetaObject::invokeMethod(&m_dlg, std::forward<F>(f), Qt::QueuedConnection);
    }

    CProgressDlg& m_dlg;
    size_t m_nSent = 0;
};

CProgressDlg::CProgressDlg(const QString& what, ResultsBox* box, QWidget* owner)
    : QDialog(owner), m_ui(std::make_unique<Ui::CProgressDlg>()), m_pBox(box) {
    m_ui->setupUi(this);
    setWindowTitle(Text(texts::kMainTitle));
    setWindowModality(Qt::ApplicationModal);
    m_ui->m_staticWhat->setText(what);
    m_ui->m_progress->setRange(0, 0); // busy until the first page is counted
    m_ui->m_staticCount->setText(Text(texts::kProgressStarting));
    connect(m_ui->m_btnCancel, &QPushButton::clicked, this, &CProgressDlg::reject);
}

CProgressDlg::~CProgressDlg() = default;

void CProgressDlg::reject() {
    if (!m_bRunning) {
        QDialog::reject();
        return;
    }
    m_bCancel = true;
    m_ui->m_btnCancel->setEnabled(false);
    m_ui->m_staticCount->setText(Text(texts::kProgressCancelling));
}

void CProgressDlg::ShowProgress(int done, int total) {
    m_nDone = done;
    m_nTotal = total;
    m_ui->m_progress->setRange(0, total);
    m_ui->m_progress->setValue(done);
    if (!m_bCancel) {
        m_ui->m_staticCount->setText(Text(texts::kProgressPages).arg(QString::number(done), QString::number(total)));
    }
}

void CProgressDlg::ShowLog(const std::string& text, bool append) {
    if (m_pBox == nullptr) {
        return;
    }
    const size_t unchanged = append ? m_strLog.size() : 0;
    if (append) {
        m_strLog += text;
    } else {
        m_strLog = text;
    }
    m_pBox->SetText(m_strLog, unchanged);
}

void CProgressDlg::Run(const std::function<void(ResultsBox&)>& work) {
    m_bRunning = true;
    m_bCancel = false;
    m_strLog.clear();
    show();
    QEventLoop loop;
    WorkerBox box(*this);
    std::thread worker([&] {
        work(box);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    m_bRunning = false;
    hide();
}

} // namespace orvex::ui
