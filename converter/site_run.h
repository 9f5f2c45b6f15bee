// SPDX-License-Identifier: MIT
// What a run over a whole site needs besides the generation itself: the pages not yet scanned,
// the counts of what it will convert and leave, and the converted pages of an earlier run that
// it would leave behind in the output folder.
#pragma once

#include "converter/results_box.h"
#include "converter/scan_table.h"

#include <string>
#include <vector>

namespace orvex {

struct SiteScanOutcome {
    bool homeReadable = false;
    int pagesFound = 0;
    int pagesScanned = 0;                // newly scanned by this call
    int pagesLeft = 0;                   // not scanned: the table's capacity was reached
    std::string capacityMessage;         // the scan's message at that page (program text)
    std::vector<std::string> unreadable; // messages for pages and folders that could not be read
    bool cancelled = false;
};

// Scans every page under home that the table does not hold yet, in scan order, with
// defaultCheck as the new entries' check state; skipFolder (an output folder inside the site)
// is left out. Reports "page k of n" through box's Progress and stops between pages when the
// box asks to cancel, and for good at the first page past a capacity.
SiteScanOutcome ScanRemainingPages(ScanTable& table, const std::string& home, const std::string& skipFolder,
                                   int32_t defaultCheck, ResultsBox& box);

struct ConversionCounts {
    int pagesConverted = 0;       // pages with at least one marked address
    int addressesConverted = 0;   // marked addresses
    int pagesUnconverted = 0;     // pages with addresses, none of them marked
    int addressesUnconverted = 0; // unmarked addresses
};

ConversionCounts CountConversion(const ScanTable& table);

// True when outputDir already holds a self-hosted site: an e-mail data file in its kit folder.
bool HoldsConvertedSite(const std::string& outputDir);

// The pages under outputDir (kit folder aside) that carry the kit's marker comment of an
// earlier run and that a kit run over the table's modified pages will not write again: their
// links would open the addresses numbered anew. Program text paths, in walk order.
std::vector<std::string> EarlierRunPagesLeft(const ScanTable& table, const std::string& homeDir,
                                             const std::string& outputDir);

// The log lines naming those pages (program text, CR LF), or empty when there are none.
std::string DescribeEarlierRunPages(const std::vector<std::string>& pages);

} // namespace orvex
