// SPDX-License-Identifier: MIT
// CBitmapButton: a push button drawn as a picture, one for its normal and one for its pressed
// state (the factory default images of the default-values page).
#pragma once

#include <QAbstractButton>
#include <QPainter>
#include <QPixmap>

namespace orvex::ui {

class CBitmapButton : public QAbstractButton {
public:
    explicit CBitmapButton(QWidget* parent = nullptr) : QAbstractButton(parent) {}

    void LoadBitmaps(const QString& up, const QString& down) {
        m_bmpUp = QPixmap(up);
        m_bmpDown = QPixmap(down);
        updateGeometry();
        update();
    }
    QSize sizeHint() const override { return m_bmpUp.isNull() ? QSize(44, 22) : m_bmpUp.size(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawPixmap(0, 0, isDown() && !m_bmpDown.isNull() ? m_bmpDown : m_bmpUp);
    }

private:
    QPixmap m_bmpUp;
    QPixmap m_bmpDown;
};

} // namespace orvex::ui
