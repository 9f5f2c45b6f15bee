// SPDX-License-Identifier: MIT
// CHintWnd.
#include "converter/ui/hint_wnd.h"

#include "converter/ui/texts.h"
#include "converter/ui/window_text.h"

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
    // 14-pixel Arial as on a Korean Windows desktop; where Arial lacks the Korean glyphs the
    // fallback font is taller and wider, so it is made smaller until the lines, 13 pixels apart,
    // neither touch nor leave the box.
    for (int size = 14; size >= 9; --size) {
        font.setPixelSize(size);
        const QFontMetrics m(font);
        const int widest =
            std::max({m.horizontalAdvance(Text(texts::kHintLine1)), m.horizontalAdvance(Text(texts::kHintLine2)),
                      m.horizontalAdvance(Text(texts::kHintLine3))});
        if (widest <= 226 && m.ascent() + m.descent() <= 13) {
            break;
        }
    }
    p.setFont(font);
    p.setPen(Qt::black);
    // Each line's top at its fixed y.
    const int ascent = p.fontMetrics().ascent();
    p.drawText(10, 2 + ascent, Text(texts::kHintLine1));
    p.drawText(10, 15 + ascent, Text(texts::kHintLine2));
    p.drawText(10, 28 + ascent, Text(texts::kHintLine3));
}

void CHintWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        close();
    }
}

} // namespace orvex::ui
