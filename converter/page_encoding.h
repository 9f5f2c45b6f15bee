// SPDX-License-Identifier: MIT
// A page's declared encoding, and text of the program's own written in that encoding.
#pragma once

#include <string>
#include <string_view>

namespace orvex {

// How many leading bytes of a page are searched for its charset declaration.
inline constexpr size_t kCharsetSearchBytes = 1024;

// The canonical charset a page declares in a meta tag among its first kCharsetSearchBytes
// bytes (<meta charset=...> or <meta http-equiv="Content-Type" content="...; charset=...">),
// or CP949 when it declares none the codec knows.
std::string DetectPageEncoding(std::string_view page);

// UTF-8 text encoded into the page's charset; a character the charset cannot hold is written
// as an HTML numeric character reference (&#NNNNN;), so nothing is lost on any page.
std::string EncodeForPage(std::string_view utf8, std::string_view charset);

// CP949 bytes (a stored default name) re-encoded into the page's charset; unchanged for CP949 pages.
std::string Cp949ToPageText(std::string_view cp949, std::string_view charset);
// The same into out, whose memory a CP949 page's text reuses: a site's names are set entry by entry.
void AssignCp949AsPageText(std::string_view cp949, std::string_view charset, std::string& out);

} // namespace orvex
