// SPDX-License-Identifier: MIT
// Messages: the program's own texts as program text, and filling their %1, %2, ... places.
#include "converter/message.h"

#include "platform/text_codec.h"

namespace orvex {

std::string Text(std::string_view utf8) {
    return ProgramTextFromUtf8(utf8);
}

std::string FormatMessage(std::string_view text, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(text.size() + 64);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const auto n = static_cast<size_t>(text[i + 1] - '1');
            if (n < args.size()) {
                out += *(args.begin() + n);
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace orvex
