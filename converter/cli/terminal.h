// SPDX-License-Identifier: MIT
// The terminal side of orvex-cli: whether a stream is a terminal (which decides if progress is
// shown on it), and the one form of its error lines.
#pragma once

#include <cstdio>
#include <string>

namespace orvex::cli {

bool IsTerminal(std::FILE* stream);

// "orvex-cli: " and the text (program text) as one line on err.
void Line(std::FILE* err, const std::string& programText);

} // namespace orvex::cli
