// SPDX-License-Identifier: MIT
// What convert does with the addresses a run left: --report's JSON lines and --strict's status.
#pragma once

#include "converter/cli/cli_options.h"
#include "converter/exposure_report.h"

#include <cstdio>
#include <vector>

namespace orvex::cli {

// The run's exit status once its findings are known: status as it was, unless the report file
// cannot be written (kExitFailed, named on err) or --strict is given and anything was found.
int FinishWithExposures(const Options& options, const std::vector<PageExposures>& files, int status, std::FILE* err);

} // namespace orvex::cli
