// SPDX-License-Identifier: MIT
// CStartSplash: the picture shown over the main window at start, until a key or mouse press or
// four seconds have passed.
#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace orvex::ui {

class CStartSplash : public QWidget {
    Q_OBJECT

public:
    CStartSplash();
    ~CStartSplash() override;

    static constexpr int kLifetimeMs = 4000;

    // Shows the splash centred on the screen; it deletes itself when it closes.
    void ShowSplashScreen();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPixmap m_bitmap;
    QTimer m_timer;
};

} // namespace orvex::ui
