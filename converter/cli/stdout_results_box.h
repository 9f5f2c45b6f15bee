// SPDX-License-Identifier: MIT
// The results box of orvex-cli: the run's log as it grows, on standard output, and the
// progress of the pages on standard error when that is a terminal.
#pragma once

#include "converter/results_box.h"

#include <cstdio>
#include <string>

namespace orvex::cli {

class StdoutResultsBox final : public ResultsBox {
public:
    // Progress is shown on err only when err is a terminal.
    StdoutResultsBox(std::FILE* out, std::FILE* err);

    // Writes what the log gained since the last call, with CR LF as the platform's line end;
    // a replaced log is written whole.
    void SetText(const std::string& log, size_t unchanged) override;
    void ScrollToEnd() override {}
    void Progress(int done, int total) override;

private:
    void ClearProgress();

    std::FILE* m_pOut;
    std::FILE* m_pErr;
    bool m_bProgress;
    bool m_bProgressShown = false;
    size_t m_nShown = 0;      // bytes of the log already written
    bool m_bOpenLine = false; // the last text written did not end its line
};

} // namespace orvex::cli
