// SPDX-License-Identifier: MIT
// The window's text conversion at its edge with the core: the program's own literals and names.
#pragma once

#include <QString>

#include <string_view>

namespace orvex::ui {

// One of the program's own texts, kept in UTF-8.
inline QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace orvex::ui
