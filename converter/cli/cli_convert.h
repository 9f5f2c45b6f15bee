// SPDX-License-Identifier: MIT
// orvex-cli convert: scan a site, mark and name every occurrence, and generate the converted
// site with its e-mail data file and server kit.
#pragma once

#include "converter/cli/cli_options.h"

#include <cstdio>
#include <string>

namespace orvex::cli {

// Runs one conversion; the results log goes to out, problems to err. Returns an exit status.
int RunConvert(const Options& options, std::FILE* out, std::FILE* err);

} // namespace orvex::cli
