// SPDX-License-Identifier: MIT
// Text encodings: CP949 and the other charsets pages declare, converted to and from UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace orvex {

// Canonical charset names, as the codec and the page records carry them.
inline constexpr std::string_view kCharsetCp949 = "CP949";
inline constexpr std::string_view kCharsetUtf8 = "UTF-8";

// The canonical name for a charset label found in a page ("euc-kr", "utf8", "ISO-8859-1", ...):
// every Korean label maps to CP949 (EUC-KR is a subset of it), UTF-8 labels to UTF-8, any other
// label the codec can convert to its upper-case form. Empty when the codec does not know the label.
std::string CanonicalCharset(std::string_view label);

// Decodes bytes in the given charset to UTF-8. Bytes that do not decode become U+FFFD, one per
// byte, so the result is always valid UTF-8 and nothing is silently dropped.
std::string DecodeToUtf8(std::string_view bytes, std::string_view charset);

// Encodes UTF-8 text into the given charset. Returns false, leaving out unchanged, when the text
// is not valid UTF-8 or holds a character the charset cannot represent.
bool EncodeFromUtf8(std::string_view utf8, std::string_view charset, std::string& out);

// Encodes a literal of the program's own (always representable in CP949) into CP949.
std::string Cp949FromUtf8(std::string_view utf8);

// UTF-8 text to the platform's narrow encoding for paths, logs and messages, and back:
// the identity on Linux and macOS, the ANSI code page on Windows.
std::string ProgramTextFromUtf8(std::string_view utf8);
std::string Utf8FromProgramText(std::string_view text);

// Text as HTML shows it literally: < > & " ' become entities, every other byte is kept, so page
// bytes in any charset pass through (as PHP's htmlspecialchars with ENT_QUOTES).
std::string EscapeHtml(std::string_view text);

} // namespace orvex
