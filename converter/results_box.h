// SPDX-License-Identifier: MIT
// Where a generation run reports: the generation dialog's results box, standard output for
// orvex-cli, a recorder in tests.
#pragma once

#include "converter/message.h"
#include "converter/texts.h"

#include <string>
#include <string_view>

namespace orvex {

class ResultsBox {
public:
    virtual ~ResultsBox() = default;
    // Replaces the box's whole text with log (program text, CR LF line ends). The first
    // unchanged bytes of log are those the box showed before, so a box may only add the rest;
    // 0 when the text was replaced.
    virtual void SetText(const std::string& log, size_t unchanged) = 0;
    // Brings the last line into view.
    virtual void ScrollToEnd() = 0;
    // done of total pages handled; called after each page so a window can repaint.
    virtual void Progress(int done, int total) {
        (void)done;
        (void)total;
    }
    // True once the user asked the run to stop; runs look between pages.
    virtual bool CancelRequested() { return false; }
};

// A run's log and the box that shows it.
class RunLog {
public:
    explicit RunLog(ResultsBox& box) : m_box(box) {}

    void Append(std::string_view text) { m_strLog += text; }
    // Shows the log as it stands.
    void Show() {
        m_box.SetText(m_strLog, m_nShown);
        m_nShown = m_strLog.size();
    }
    // Replaces the whole log by text and shows it.
    void Replace(std::string_view text) {
        m_strLog.assign(text);
        m_box.SetText(m_strLog, 0);
        m_nShown = m_strLog.size();
    }
    void ScrollToEnd() { m_box.ScrollToEnd(); }
    void Progress(int done, int total) { m_box.Progress(done, total); }
    bool CancelRequested() { return m_box.CancelRequested(); }
    // At a page boundary: true, with the place it stopped in the log, when the user cancelled.
    bool StopAt(int done, int total);
    const std::string& Text() const { return m_strLog; }

private:
    ResultsBox& m_box;
    std::string m_strLog;
    size_t m_nShown = 0;
};

inline bool RunLog::StopAt(int done, int total) {
    if (!CancelRequested()) {
        return false;
    }
    Append(FormatMessage(orvex::Text(texts::kRunCancelled), {std::to_string(done), std::to_string(total)}));
    return true;
}

} // namespace orvex
