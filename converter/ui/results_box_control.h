// SPDX-License-Identifier: MIT
// The results box of the generation dialog as the core's ResultsBox, and the message boxes the
// core asks through its Asker.
#pragma once

#include "converter/asker.h"
#include "converter/results_box.h"

#include <QString>

#include <string>

class QPlainTextEdit;
class QWidget;

namespace orvex::ui {

// Program text with CR LF line ends as the box shows it, and back.
QString BoxTextFromLog(const std::string& log);
QString LogTextFromBox(const QString& shown);

class CResultsBoxControl final : public ResultsBox {
public:
    explicit CResultsBoxControl(QPlainTextEdit* box) : m_pBox(box) {}

    void SetText(const std::string& log, size_t unchanged) override;
    void ScrollToEnd() override;

private:
    QPlainTextEdit* m_pBox;
    size_t m_nShown = 0; // bytes of the last log shown, so that a longer log only adds its end
};

// Which button of a Yes/No box Enter presses: No where Yes cannot be undone.
enum class DefaultAnswer { Yes, No };

// A Yes/No message box with the application's title and a question icon.
class CMessageBoxAsker final : public Asker {
public:
    explicit CMessageBoxAsker(QWidget* owner, DefaultAnswer answer = DefaultAnswer::Yes)
        : m_pOwner(owner), m_answer(answer) {}
    bool AskYesNo(const std::string& question) override;

private:
    QWidget* m_pOwner;
    DefaultAnswer m_answer;
};

// The application's message boxes: an OK box with a warning icon, a Yes/No box with a question.
void ShowWarning(QWidget* owner, const QString& text);
bool AskYesNo(QWidget* owner, const QString& text, DefaultAnswer answer = DefaultAnswer::Yes);

} // namespace orvex::ui
