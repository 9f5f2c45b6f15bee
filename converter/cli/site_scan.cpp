// SPDX-License-Identifier: MIT
// Scanning a whole site into a ScanTable, as orvex-cli's commands do.
#include "converter/cli/site_scan.h"

#include "converter/cli/cli_texts.h"
#include "converter/cli/terminal.h"

#include "converter/message.h"
#include "converter/page_listing.h"
#include "platform/paths.h"
#include "platform/read_ahead.h"

#include <utility>
#include <vector>

namespace orvex::cli {

SiteScan ScanSite(const ConverterSettings& settings, ScanTable& table, std::FILE* err, const std::string& skipFolder,
                  const ScanFeed& feed) {
    SiteScan result;
    std::vector<std::string> skip;
    if (!skipFolder.empty()) {
        skip.push_back(skipFolder);
    }
    auto site = CollectSiteFiles(settings.m_strHomeDir, skip);
    if (!site) {
        Line(err, FormatMessage(Text(texts::kHomeUnreadable), {settings.m_strHomeDir}));
        return result;
    }
    result.homeReadable = true;
    result.pagesFound = static_cast<int>(site->pages.size());
    result.otherFiles = std::move(site->otherFiles);
    result.complete = site->unreadableDirs.empty();
    for (const auto& dir : site->unreadableDirs) {
        Line(err, FormatMessage(Text(texts::kFolderUnreadable), {dir}));
    }
    const bool progress = IsTerminal(err) && feed.showProgress;
    const size_t total = site->pages.size();
    ReadAhead pages(site->pages, kMaxPageBytes, feed.io);
    for (size_t i = 0; i < total; ++i) {
        if (progress) {
            std::fprintf(err, "\r%zu/%zu", i + 1, total);
        }
        const int32_t before = table.PageCount();
        const FileRead read = pages.Next(table.PageScratch());
        const ScanResult r = table.LookupOrScanReadPage(site->pages[i], read, settings.m_bCheckAll);
        if (r.status == ScanStatus::Ok) {
            if (feed.scanned && table.PageCount() > before) {
                feed.scanned(table.Page(before), static_cast<int>(i + 1), static_cast<int>(total));
            }
            continue;
        }
        if (progress) {
            std::fputc('\n', err);
        }
        result.complete = false;
        Line(err, r.message);
        if (r.status != ScanStatus::OpenFailed) {
            Line(err, FormatMessage(Text(texts::kPagesNotScanned), {std::to_string(total - i)}));
            break;
        }
    }
    if (progress && total > 0) {
        std::fputc('\n', err);
    }
    return result;
}

std::string RelativePagePath(std::string_view home, std::string_view pagePath) {
    std::string_view rel = pagePath.size() >= home.size() ? pagePath.substr(home.size()) : pagePath;
    while (!rel.empty() && rel.front() == kPathSep) {
        rel.remove_prefix(1);
    }
    std::string out(rel);
    for (char& c : out) {
        if (c == kPathSep) {
            c = '/';
        }
    }
    return out;
}

} // namespace orvex::cli
