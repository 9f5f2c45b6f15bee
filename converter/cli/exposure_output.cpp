// SPDX-License-Identifier: MIT
// What convert does with the addresses a run left.
#include "converter/cli/exposure_output.h"

#include "converter/cli/cli_texts.h"
#include "converter/cli/site_scan.h"
#include "converter/cli/terminal.h"
#include "converter/message.h"
#include "platform/output_file.h"
#include "platform/paths.h"

namespace orvex::cli {

int FinishWithExposures(const Options& options, const std::vector<PageExposures>& files, int status, std::FILE* err) {
    if (!options.report.empty()) {
        std::string lines;
        for (const PageExposures& file : files) {
            // Written pages are named below the output folder, the site's other files below the
            // home folder: either way, where they stand on the server.
            const bool written = file.path.size() > options.out.size() &&
                                 file.path.compare(0, options.out.size(), options.out) == 0 &&
                                 file.path[options.out.size()] == kPathSep;
            const std::string rel = RelativePagePath(written ? options.out : options.home, file.path);
            for (const Exposure& e : file.exposures) {
                lines += ExposureJsonLine(rel, e, file.charset);
            }
        }
        if (!WriteFileReplacing(options.report, lines)) {
            std::fprintf(err, "orvex-cli: %s\n",
                         FormatMessage(Text(texts::kReportNotWritten), {options.report}).c_str());
            return status == kExitOk ? kExitFailed : status;
        }
    }
    bool any = false;
    for (const PageExposures& file : files) {
        any = any || !file.exposures.empty();
    }
    if (options.strict && any && status == kExitOk) {
        return kExitFailed;
    }
    return status;
}

} // namespace orvex::cli
