// SPDX-License-Identifier: MIT
// The results box of orvex-cli.
#include "converter/cli/stdout_results_box.h"

#include "converter/cli/terminal.h"

namespace orvex::cli {

StdoutResultsBox::StdoutResultsBox(std::FILE* out, std::FILE* err)
    : m_pOut(out), m_pErr(err), m_bProgress(IsTerminal(err)) {}

void StdoutResultsBox::SetText(const std::string& log, size_t unchanged) {
    // What was written cannot be taken back: a replaced text starts on a line of its own.
    size_t from = unchanged;
    if (unchanged != m_nShown || unchanged > log.size()) {
        from = 0;
        if (m_bOpenLine) {
            std::fputc('\n', m_pOut);
        }
    }
    m_nShown = log.size();
    if (from == log.size()) {
        return;
    }
    ClearProgress();
    std::string text;
    text.reserve(log.size() - from);
    for (size_t i = from; i < log.size(); ++i) {
#ifndef _WIN32
        if (log[i] == '\r' && i + 1 < log.size() && log[i + 1] == '\n') {
            continue;
        }
#endif
        text += log[i];
    }
    m_bOpenLine = text.back() != '\n';
    // Buffered as the stream is: per line on a terminal, in blocks into a file or a pipe.
    std::fwrite(text.data(), 1, text.size(), m_pOut);
}

void StdoutResultsBox::Progress(int done, int total) {
    if (!m_bProgress) {
        return;
    }
    std::fprintf(m_pErr, "\r%d/%d", done, total);
    std::fflush(m_pErr);
    m_bProgressShown = true;
}

void StdoutResultsBox::ClearProgress() {
    if (m_bProgressShown) {
        std::fputs("\r\033[K", m_pErr);
        m_bProgressShown = false;
    }
}

} // namespace orvex::cli
