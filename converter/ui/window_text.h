// SPDX-License-Identifier: MIT
// The windows' text conversions at their edge with the core: literals, program text, CP949 and page text.
#pragma once

#include "platform/text_codec.h"

#include <QString>

#include <string>
#include <string_view>

namespace orvex::ui {

// One of the program's own literals, kept in UTF-8.
inline QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Program text (paths, logs, messages) as shown, and what the user typed as program text.
inline QString FromProgramText(std::string_view text) {
    return QString::fromStdString(Utf8FromProgramText(text));
}
inline std::string ToProgramText(const QString& text) {
    return ProgramTextFromUtf8(text.toStdString());
}

// Bytes in a page's charset as shown; undecodable bytes show as U+FFFD.
inline QString FromPageText(std::string_view bytes, std::string_view charset) {
    return QString::fromStdString(DecodeToUtf8(bytes, charset));
}

// CP949 bytes (the settings' default names, the member login) as shown, and what the user typed as CP949.
inline QString FromCp949(std::string_view bytes) {
    return FromPageText(bytes, kCharsetCp949);
}
inline std::string ToCp949(const QString& text) {
    return Cp949FromUtf8(text.toStdString());
}

} // namespace orvex::ui
