// SPDX-License-Identifier: MIT
// CAboutBox.
#include "converter/ui/about_box.h"

#include "converter/ui/resource_ids.h"
#include "converter/ui/texts.h"
#include "converter/ui/window_text.h"
#include "ui_about_box.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>

namespace orvex::ui {

namespace {

void MakeLink(QLabel* label, const char* url) {
    label->setText(Text(url));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 200));
    label->setPalette(palette);
    label->setCursor(Qt::PointingHandCursor);
}

} // namespace

CAboutBox::CAboutBox(QWidget* parent)
    : QDialog(parent), m_openUrl([](const QUrl& url) { QDesktopServices::openUrl(url); }),
      m_ui(std::make_unique<Ui::CAboutBox>()) {
    m_ui->setupUi(this);
    setProperty(kResourceIdProperty, kIddAboutBox);
    m_ui->m_btnOk->setProperty(kResourceIdProperty, kIdOk);
    m_ui->m_staticTitle->setProperty(kResourceIdProperty, kIdcProductTitle);
    m_ui->m_linkWebsite->setProperty(kResourceIdProperty, kIdcWebsiteLink);
    m_ui->m_linkSupport->setProperty(kResourceIdProperty, kIdcSupportLink);
    m_ui->m_editNotice->setProperty(kResourceIdProperty, kIdcNotice);

    m_ui->m_picture->setPixmap(QPixmap(QStringLiteral(":/orvex/about160.png")));
    m_ui->m_picture->setProperty(kResourceIdProperty, kIdbAbout);
    for (QLabel* line : {m_ui->m_line1, m_ui->m_line2}) {
        line->setPixmap(QPixmap(QStringLiteral(":/orvex/separator164.png")));
        line->setProperty(kResourceIdProperty, kIdbAboutLine);
    }

    QFont title(QStringLiteral("Arial"));
    title.setPixelSize(16);
    m_ui->m_staticTitle->setFont(title);
    MakeLink(m_ui->m_linkWebsite, texts::kWebsiteUrl);
    MakeLink(m_ui->m_linkSupport, texts::kSupportUrl);
    m_ui->m_linkWebsite->installEventFilter(this);
    m_ui->m_linkSupport->installEventFilter(this);

    m_ui->m_editNotice->setPlainText(Text(texts::kAboutNotice));
    QPalette notice = m_ui->m_editNotice->palette();
    notice.setColor(QPalette::Base, Qt::white);
    m_ui->m_editNotice->setPalette(notice);

    connect(m_ui->m_btnOk, &QPushButton::clicked, this, &QDialog::accept);
}

CAboutBox::~CAboutBox() = default;

bool CAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == m_ui->m_linkWebsite) {
            m_openUrl(QUrl(Text(texts::kWebsiteUrl)));
            return true;
        }
        if (watched == m_ui->m_linkSupport) {
            m_openUrl(QUrl(Text(texts::kSupportUrl)));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace orvex::ui
