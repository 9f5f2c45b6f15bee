// SPDX-License-Identifier: MIT
// CAutoUpdateDlg.
#include "updater/ui/auto_update_dlg.h"

#include "ui_auto_update_dlg.h"
#include "updater/ui/resource_ids.h"

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
      m_updater(profile, std::move(settings), MakeHooks(m_timer, std::move(now), std::move(startConverter))) {
    m_ui->setupUi(this);
    connect(m_ui->m_btnEnd, &QPushButton::clicked, this, &CAutoUpdateDlg::OnEnd);
    connect(&m_timer, &QTimer::timeout, this, &CAutoUpdateDlg::OnTimer);
}

CAutoUpdateDlg::~CAutoUpdateDlg() = default;

bool CAutoUpdateDlg::OnInitDialog() {
    InitIconResources();
    const QIcon icon(QStringLiteral(":/kdvupdate/icon128.png"));
    setWindowIcon(icon);
    setProperty("iconId", kIdrMainFrame);
    return m_updater.RunStartupFlow();
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
