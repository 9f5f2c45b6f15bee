// SPDX-License-Identifier: MIT
#include "platform/http_client.h"

namespace orvex {

std::vector<std::string_view> AnswerLines(std::string_view answer) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < answer.size()) {
        const size_t lf = answer.find('\n', start);
        if (lf == std::string_view::npos) {
            lines.push_back(answer.substr(start));
            break;
        }
        lines.push_back(answer.substr(start, lf - start));
        start = lf + 1;
    }
    return lines;
}

} // namespace orvex
