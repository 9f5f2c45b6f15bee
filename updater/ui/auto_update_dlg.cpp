// SPDX-License-Identifier: MIT
// CAutoUpdateDlg.
#include "updater/ui/auto_update_dlg.h"

#include "ui_auto_update_dlg.h"
#include "updater/ui/resource_ids.h"
#include "updater/ui/texts.h"
#include "updater/ui/window_text.h"

#include <QIcon>
#include <QPushButton>

#include <utility>

// The icon's resources live in this static library; without a reference the linker would
// drop their registration.
static void InitIconResources() {
    Q_INIT_RESOURCE(kdvupdate);
}

namespace orvex::ui {

namespace {

UpdaterHooks MakeHooks(QTimer& timer, std::function<int64_t()> now, std::function<void()> startConverter) {
    UpdaterHooks hooks;
    hooks.now = std::move(now);
    hooks.startConverter = std::move(startConverter);
    hooks.setRetryTimer = [&timer](int milliseconds) { timer.start(milliseconds); };
    hooks.killRetryTimer = [&timer] { timer.stop(); };
    return hooks;
}

} // namespace

CAutoUpdateDlg::CAutoUpdateDlg(ProfileStore& profile, UpdaterSettings settings, std::function<int64_t()> now,
                               std::function<void()> startConverter, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CAutoUpdateDlg>()),
      m_updater(profile, std::move(settings), MakeHooks(m_timer, std::move(now), startConverter)),
      m_startConverter(std::move(startConverter)) {
    m_ui->setupUi(this);
    connect(m_ui->m_btnEnd, &QPushButton::clicked, this, &CAutoUpdateDlg::OnEnd);
    connect(m_ui->m_btnStartConverter, &QPushButton::clicked, this, &CAutoUpdateDlg::OnStartConverter);
    connect(&m_timer, &QTimer::timeout, this, &CAutoUpdateDlg::OnTimer);
}

CAutoUpdateDlg::~CAutoUpdateDlg() = default;

bool CAutoUpdateDlg::OnInitDialog() {
    InitIconResources();
    const QIcon icon(QStringLiteral(":/kdvupdate/icon128.png"));
    setWindowIcon(icon);
    setProperty("iconId", kIdrMainFrame);
    const bool shown = m_updater.RunStartupFlow();
    if (shown) {
        ShowFailure();
    }
    return shown;
}

void CAutoUpdateDlg::ShowFailure() {
    QString text;
    const FetchFailure& fetch = m_updater.LastFetchFailure();
    if (m_updater.LastInstallResult() != InstallResult::Ok) {
        return; // the waiting text, and no converter: the installation may have left it half replaced
    }
    if (fetch.failed) {
        switch (fetch.result) {
        case HttpResult::Ok:
            text = Text(texts::kHostNoVersionFile).arg(fetch.status);
            break;
        case HttpResult::BadAddress:
            text = Text(texts::kHostBadAddress);
            break;
        case HttpResult::Unreachable:
            text = Text(texts::kHostUnreachable);
            break;
        case HttpResult::Failed:
            text = Text(texts::kHostNoAnswer);
            break;
        }
        if (!fetch.detail.empty()) {
            text += QStringLiteral("\n(") + QString::fromStdString(fetch.detail) + QLatin1Char(')');
        }
        text += QLatin1Char('\n') + Text(texts::kRetryLater);
    } else if (m_updater.LastDownloadResult() != DownloadResult::Ok) {
        text = Text(texts::kDownloadFailed);
    } else {
        return;
    }
    m_ui->m_staticWaiting->setText(text);
    m_ui->m_btnStartConverter->setVisible(true);
    adjustSize();
}

void CAutoUpdateDlg::OnStartConverter() {
    m_timer.stop();
    if (m_startConverter) {
        m_startConverter();
    }
    done(kIdOk);
}

void CAutoUpdateDlg::OnTimer() {
    m_updater.OnRetryTimer();
    if (m_updater.Ended()) {
        m_timer.stop();
        done(m_updater.ExitCode());
    }
}

void CAutoUpdateDlg::OnEnd() {
    m_timer.stop();
    done(kIdOk);
}

} // namespace orvex::ui
