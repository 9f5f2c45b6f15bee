// SPDX-License-Identifier: MIT
// JSON string literals written straight into an output buffer, for the JSON lines of orvex-cli
// (scan --json, convert --report): thousands of lines, no document tree built for any of them.
#pragma once

#include <string>
#include <string_view>

namespace orvex {

// Appends bytes as a JSON string literal, quotes included: '"' and '\' escaped, control bytes
// as \b \t \n \f \r or \u00xx, everything else as it stands. Bytes that are not UTF-8 (file
// names need not be) become U+FFFD, one for each invalid sequence, so the line stays valid JSON.
void AppendJsonString(std::string& out, std::string_view bytes);

} // namespace orvex
