// SPDX-License-Identifier: MIT
// CAboutBox: the product's name, version, legal notice and the two links to the maker's pages.
#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>
#include <memory>

namespace Ui {
class CAboutBox;
}

namespace orvex::ui {

class CAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit CAboutBox(QWidget* parent = nullptr);
    ~CAboutBox() override;

    // How a link is opened; the desktop's handler unless a test replaces it.
    std::function<void(const QUrl&)> m_openUrl;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::CAboutBox> m_ui;
};

} // namespace orvex::ui
