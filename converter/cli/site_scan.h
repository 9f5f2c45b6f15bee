// SPDX-License-Identifier: MIT
// Scanning a whole site into a ScanTable, as orvex-cli's commands do.
#pragma once

#include "converter/scan_table.h"
#include "converter/settings.h"
#include "platform/job_thread.h"

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::cli {

struct SiteScan {
    bool homeReadable = false; // false: nothing was scanned
    bool complete = false;     // every page and folder was read and fitted into the table
    int pagesFound = 0;
    std::vector<std::string> otherFiles; // the files of the walk that are not pages
};

// Scans every page under settings.m_strHomeDir in scan order into table, with the settings'
// check-all flag as the default check state. Each page or folder that cannot be read is named
// on err and skipped; the first page past a capacity is named with the count of pages left out,
// and scanning stops there. Shows "pages done/total" on err while working when err is a terminal.
// skipFolder, when not empty, is left out of the walk (convert's --out inside the site).
// scanned, when set, is called with each page newly scanned while its bytes are still in the
// table's PageScratch(), and with the count of pages done and found, so that a conversion can
// write each page as it goes (and the listing of a scan be written while the next page is
// read). io, when set, is the thread the conversion writes on, where the pages are read too.
// showProgress false leaves the progress to a conversion that shows it with its log.
struct ScanFeed {
    std::function<void(PageRecord&, int done, int total)> scanned;
    JobThread* io = nullptr;
    bool showProgress = true;
};
SiteScan ScanSite(const ConverterSettings& settings, ScanTable& table, std::FILE* err,
                  const std::string& skipFolder = "", const ScanFeed& feed = {});

// The page's path below home, without a leading separator, with "/" between folders.
std::string RelativePagePath(std::string_view home, std::string_view pagePath);

} // namespace orvex::cli
