// SPDX-License-Identifier: MIT
// CHintWnd.
#include "converter/ui/hint_wnd.h"

#include "converter/ui/texts.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace orvex::ui {

CHintWnd::CHintWnd(QWidget* owner) : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kWidth, kHeight);
    move(owner->geometry().topLeft() + QPoint(160, 70));
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &QWidget::close);
    m_timer.start(kLifetimeMs);
}

void CHintWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(QRect(0, 0, 240, 50), QColor(198, 251, 162));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(14);
    // Where Arial lacks the Korean glyphs the fallback font runs wider: narrow it to the box.
    const int widest = std::max({QFontMetrics(font).horizontalAdvance(QString::fromUtf8(texts::kHintLine1)),
                                 QFontMetrics(font).horizontalAdvance(QString::fromUtf8(texts::kHintLine2)),
                                 QFontMetrics(font).horizontalAdvance(QString::fromUtf8(texts::kHintLine3))});
    if (widest > 226) {
        font.setStretch(std::max(50, 226 * 100 / widest));
    }
    p.setFont(font);
    p.setPen(Qt::black);
    // Each line's top at y; the three lines overlap slightly, as the fixed box wants them.
    const int ascent = p.fontMetrics().ascent();
    p.drawText(10, 2 + ascent, QString::fromUtf8(texts::kHintLine1));
    p.drawText(10, 15 + ascent, QString::fromUtf8(texts::kHintLine2));
    p.drawText(10, 28 + ascent, QString::fromUtf8(texts::kHintLine3));
}

void CHintWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        close();
    }
}

} // namespace orvex::ui
