// SPDX-License-Identifier: MIT
// A self-hosted generation run: every modified page rewritten into the output folder, the
// e-mail data file of the server kind, and the server kit, reported in a results box.
#pragma once

#include "converter/exposure_report.h"
#include "converter/results_box.h"
#include "converter/scan_table.h"
#include "converter/server_kit.h"
#include "converter/service_hosts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvex {

struct KitRun {
    const ScanTable* table = nullptr;
    std::string homeDir;   // without a trailing separator
    std::string outputDir; // an existing folder
    int32_t cgiKind = kCgiPhp;
    int32_t gd = 1; // 1 when the image method is GD (PHP only)
    int32_t serverOs = kOsLinux;
    std::string cgiDataDir = std::string(kCgiDataFolderName); // where the kit sources are
    ServiceHosts hosts;
    std::optional<uint32_t> seed; // of the page codes; the current time when unset
    bool scrubComments = false;   // addresses left in the written pages' comments become "(e-mail)"
};

// What a run did, for callers that report more than the results box.
struct KitRunReport {
    int pagesWritten = 0;
    int pagesFailed = 0;
    int addressesProtected = 0; // converted occurrences in pages written
    int addressesRefused = 0;   // marked occurrences left as they were (AddressFitsDataFile)
    bool dataFileFailed = false;
    bool cancelled = false; // the user stopped the run between pages
    KitProblems kit;
    // What a harvester could still take: from the pages written and the home folder's other files.
    std::vector<PageExposures> exposures;
};

// Runs one generation. Returns false, writing no page, when the data file cannot be created,
// and false when it could not be written completely; true otherwise, also when pages failed
// or kit sources were missing (the log and the report say which).
bool GenerateKitSite(const KitRun& run, ResultsBox& box, KitRunReport* report = nullptr);

} // namespace orvex
