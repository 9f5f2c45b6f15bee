// SPDX-License-Identifier: MIT
// CStartSplash.
#include "converter/ui/start_splash.h"

#include "converter/ui/resource_ids.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>

namespace orvex::ui {

CStartSplash::CStartSplash()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint), m_bitmap(QStringLiteral(":/orvex/splash159.png")) {
    setProperty(kResourceIdProperty, kIdbSplash);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(m_bitmap.size());
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &QWidget::close);
    // Any key or mouse button anywhere in the program ends the splash.
    qApp->installEventFilter(this);
}

CStartSplash::~CStartSplash() {
    qApp->removeEventFilter(this);
}

void CStartSplash::ShowSplashScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->geometry().center() - rect().center());
    }
    show();
    m_timer.start(kLifetimeMs);
}

void CStartSplash::paintEvent(QPaintEvent*) {
    QPainter(this).drawPixmap(0, 0, m_bitmap);
}

bool CStartSplash::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
        if (isVisible()) {
            close();
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace orvex::ui
