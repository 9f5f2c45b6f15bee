// SPDX-License-Identifier: MIT
// CHintWnd: the short note the bulk button shows on how to rename every address at once.
#pragma once

#include <QTimer>
#include <QWidget>

namespace orvex::ui {

class CHintWnd : public QWidget {
    Q_OBJECT

public:
    // A borderless pop-up beside the owner's top-left corner; it deletes itself when closed.
    explicit CHintWnd(QWidget* owner);

    static constexpr int kWidth = 270;
    static constexpr int kHeight = 50;
    static constexpr int kLifetimeMs = 6000;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QTimer m_timer;
};

} // namespace orvex::ui
