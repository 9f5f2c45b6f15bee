// SPDX-License-Identifier: MIT
// What a generation run leaves for a harvester.
#include "converter/run_exposures.h"

#include "converter/page_listing.h"

namespace orvex {

RunExposures::RunExposures(const ScanTable& table, const RewriteParams& params) {
    for (int32_t p = 0; p < table.PageCount(); ++p) {
        const PageRecord& page = table.Page(p);
        if (page.m_bModified != 1) {
            continue;
        }
        for (int32_t i = 0; i < page.m_nEntryCount; ++i) {
            if (EntryIsConverted(page.m_pFirstEntry[i], params)) {
                m_protected.Add(page.m_pFirstEntry[i].m_strAddress);
            }
        }
    }
}

void RunExposures::AddPage(const std::string& path, std::string_view written, const std::string& charset) {
    std::vector<Exposure> found = FindExposures(written, m_protected, true);
    if (!found.empty()) {
        m_files.push_back(PageExposures{path, charset, std::move(found)});
    }
}

void RunExposures::AddOtherFiles(const std::string& homeDir, const std::string& skipFolder, PageBuffer& buffer) {
    std::vector<std::string> skip;
    if (!skipFolder.empty()) {
        skip.push_back(skipFolder);
    }
    const auto site = CollectSiteFiles(homeDir, skip);
    if (!site) {
        return;
    }
    for (const std::string& file : site->otherFiles) {
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
                                                PageBuffer& buffer, RunLog& log) {
    AddOtherFiles(homeDir, skipFolder, buffer);
    log.Append(DescribeExposures(m_files));
    return m_files;
}

} // namespace orvex
