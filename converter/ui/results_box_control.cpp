// SPDX-License-Identifier: MIT
// CResultsBoxControl and the message boxes.
#include "converter/ui/results_box_control.h"

#include "converter/ui/texts.h"
#include "converter/ui/window_text.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

namespace orvex::ui {

QString BoxTextFromLog(const std::string& log) {
    QString text = FromProgramText(log);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

QString LogTextFromBox(const QString& shown) {
    QString text = shown;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return text;
}

void CResultsBoxControl::SetText(const std::string& log, size_t unchanged) {
    // Re-setting a long log after every page would cost the square of its length.
    if (unchanged > 0 && unchanged == m_nShown && unchanged <= log.size()) {
        QTextCursor cursor(m_pBox->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(BoxTextFromLog(log.substr(unchanged)));
    } else {
        m_pBox->setPlainText(BoxTextFromLog(log));
    }
    m_nShown = log.size();
}

void CResultsBoxControl::ScrollToEnd() {
    m_pBox->verticalScrollBar()->setValue(m_pBox->verticalScrollBar()->maximum());
}

bool CMessageBoxAsker::AskYesNo(const std::string& question) {
    return ui::AskYesNo(m_pOwner, FromProgramText(question), m_answer);
}

void ShowWarning(QWidget* owner, const QString& text) {
    QMessageBox::warning(owner, Text(texts::kMainTitle), text);
}

bool AskYesNo(QWidget* owner, const QString& text, DefaultAnswer answer) {
    return QMessageBox::question(owner, Text(texts::kMainTitle), text, QMessageBox::Yes | QMessageBox::No,
                                 answer == DefaultAnswer::No ? QMessageBox::No : QMessageBox::Yes) == QMessageBox::Yes;
}

} // namespace orvex::ui
