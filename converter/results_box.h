// SPDX-License-Identifier: MIT
// Where a generation run reports: the generation dialog's results box, standard output for
// orvex-cli, a recorder in tests.
#pragma once

#include <string>

namespace orvex {

class ResultsBox {
public:
    virtual ~ResultsBox() = default;
    // Replaces the box's whole text with the run's log so far (program text, CR LF line ends).
    virtual void SetText(const std::string& log) = 0;
    // Brings the last line into view.
    virtual void ScrollToEnd() = 0;
    // done of total pages handled; called after each page so a window can repaint.
    virtual void Progress(int done, int total) {
        (void)done;
        (void)total;
    }
};

} // namespace orvex
