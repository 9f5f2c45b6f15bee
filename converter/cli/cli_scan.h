// SPDX-License-Identifier: MIT
// orvex-cli scan: every address occurrence of a site, one line each.
#pragma once

#include "converter/cli/cli_options.h"

#include <cstdio>

namespace orvex::cli {

// Scans the site and writes the occurrences to out, problems to err. Returns an exit status.
int RunScan(const Options& options, std::FILE* out, std::FILE* err);

} // namespace orvex::cli
