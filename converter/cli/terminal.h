// SPDX-License-Identifier: MIT
// Whether a stream is a terminal, which decides if progress is shown on it.
#pragma once

#include <cstdio>

namespace orvex::cli {

bool IsTerminal(std::FILE* stream);

} // namespace orvex::cli
