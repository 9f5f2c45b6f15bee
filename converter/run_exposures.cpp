// SPDX-License-Identifier: MIT
// What a generation run leaves for a harvester.
#include "converter/run_exposures.h"

#include "converter/page_listing.h"

#include <algorithm>

namespace orvex {

RunExposures::RunExposures(const ScanTable& table, const RewriteParams& params) : m_bGrowing(false) {
    for (int32_t p = 0; p < table.PageCount(); ++p) {
        if (table.Page(p).m_bModified == 1) {
            Protect(table.Page(p), params);
        }
    }
}

void RunExposures::Protect(const PageRecord& page, const RewriteParams& params) {
    for (int32_t i = 0; i < page.m_nEntryCount; ++i) {
        if (EntryIsConverted(page.m_pFirstEntry[i], params)) {
            m_protected.Add(page.m_pFirstEntry[i].m_strAddress);
        }
    }
}

RunExposures::PageSearch RunExposures::Search(std::string_view written) const {
    PageSearch search;
    search.found = FindExposures(written, m_protected, true, m_bGrowing ? &search.windows : nullptr);
    search.protectedThen = m_protected.Size();
    return search;
}

void RunExposures::AddPage(const std::string& path, const std::string& charset, PageSearch&& search) {
    if (m_bGrowing) {
        m_early.push_back(EarlyPage{path, charset, std::move(search)});
    } else if (!search.found.empty()) {
        m_files.push_back(PageExposures{path, charset, std::move(search.found)});
    }
}

// What a page's search would have given with every address of the run: the same findings,
// protected now where a later address covers them, unless a later address could stand in the
// page itself (its bytes around an "@" of the page), which only a search of the written page
// can settle.
void RunExposures::RecheckEarlyPages(PageBuffer& buffer) {
    for (EarlyPage& page : m_early) {
        PageSearch& search = page.search;
        const bool later = std::any_of(search.windows.begin(), search.windows.end(),
                                       [&](const auto& w) { return m_protected.LatestAt(w) > search.protectedThen; });
        if (later && ReadRegularFile(page.path, buffer, kMaxPageBytes) == FileRead::Ok) {
            search.found = FindExposures(buffer.View(), m_protected, true);
        } else {
            for (Exposure& e : search.found) {
                e.isProtected = e.isProtected || m_protected.Covers(e.address);
            }
        }
        if (!search.found.empty()) {
            m_files.push_back(PageExposures{std::move(page.path), std::move(page.charset), std::move(search.found)});
        }
    }
    m_early.clear();
}

void RunExposures::AddOtherFiles(const std::string& homeDir, const std::string& skipFolder, PageBuffer& buffer) {
    std::vector<std::string> skip;
    if (!skipFolder.empty()) {
        skip.push_back(skipFolder);
    }
    if (const auto site = CollectSiteFiles(homeDir, skip)) {
        AddOtherFiles(site->otherFiles, buffer);
    }
}

void RunExposures::AddOtherFiles(const std::vector<std::string>& files, PageBuffer& buffer) {
    for (const std::string& file : files) {
        if (ReadRegularFile(file, buffer, kMaxSurveyedFileBytes) != FileRead::Ok) {
            continue;
        }
        std::vector<Exposure> found = FindExposures(buffer.View(), m_protected, false);
        if (!found.empty()) {
            m_files.push_back(PageExposures{file, std::string(), std::move(found)});
        }
    }
}

size_t RunExposures::Count() const {
    size_t n = 0;
    for (const PageExposures& f : m_files) {
        n += f.exposures.size();
    }
    return n;
}

std::vector<PageExposures> RunExposures::Finish(const std::string& homeDir, const std::string& skipFolder,
                                                PageBuffer& buffer, RunLog& log,
                                                const std::vector<std::string>* otherFiles) {
    RecheckEarlyPages(buffer);
    if (otherFiles != nullptr) {
        AddOtherFiles(*otherFiles, buffer);
    } else {
        AddOtherFiles(homeDir, skipFolder, buffer);
    }
    log.Append(DescribeExposures(m_files));
    return m_files;
}

} // namespace orvex
