// SPDX-License-Identifier: MIT
// What a generation run leaves for a harvester: the addresses it protects, gathered before the
// first page is written, searched for in every page it writes and in the home folder's files
// that are not pages, which go on the server as they are.
#pragma once

#include "converter/exposure_report.h"
#include "converter/page_rewriter.h"
#include "converter/results_box.h"
#include "converter/scan_table.h"

#include <string>
#include <string_view>
#include <vector>

namespace orvex {

// Files that are not pages are searched up to this size; a larger one is media, not text.
inline constexpr uint64_t kMaxSurveyedFileBytes = uint64_t{64} << 20;

class RunExposures {
public:
    // The addresses of the table's modified pages that params converts.
    RunExposures(const ScanTable& table, const RewriteParams& params);
    // For a run that writes each page as soon as it is scanned: the addresses are added page by
    // page (Protect), and Finish checks the pages written earlier against those added later.
    RunExposures() = default;

    const ProtectedAddresses& Protected() const { return m_protected; }

    // The addresses of page that params converts, before the page is written.
    void Protect(const PageRecord& page, const RewriteParams& params);

    // What the search of a written page found, with what Finish needs to check it again.
    struct PageSearch {
        std::vector<Exposure> found;
        size_t protectedThen = 0; // Protected().Size() at the search
        std::vector<ProtectedAddresses::AtWindow> windows;
    };
    // Searches the bytes of a page, before they are written. Reads the protected addresses
    // only, so that it may run beside AddPage for an earlier page on another thread.
    PageSearch Search(std::string_view written) const;
    // Counts a page once written to path (program text), in charset. Touches the findings only.
    void AddPage(const std::string& path, const std::string& charset, PageSearch&& search);
    // Both: the bytes written to path for a page in charset.
    void AddPage(const std::string& path, std::string_view written, const std::string& charset) {
        AddPage(path, charset, Search(written));
    }

    // Every file under homeDir that is not a page, outside skipFolder, read into buffer.
    void AddOtherFiles(const std::string& homeDir, const std::string& skipFolder, PageBuffer& buffer);
    // The same for files listed already (the walk of a scan that listed them beside the pages).
    void AddOtherFiles(const std::vector<std::string>& files, PageBuffer& buffer);

    // The end of a run: adds the other files (as AddOtherFiles; otherFiles, when given, lists
    // them), lists every finding in log and gives the findings for the run's report.
    std::vector<PageExposures> Finish(const std::string& homeDir, const std::string& skipFolder, PageBuffer& buffer,
                                      RunLog& log, const std::vector<std::string>* otherFiles = nullptr);

    const std::vector<PageExposures>& Files() const { return m_files; }
    // Findings in all files.
    size_t Count() const;

private:
    // A page written while the addresses were still growing.
    struct EarlyPage {
        std::string path;
        std::string charset;
        PageSearch search;
    };
    void RecheckEarlyPages(PageBuffer& buffer);

    ProtectedAddresses m_protected;
    std::vector<PageExposures> m_files;
    bool m_bGrowing = true;
    std::vector<EarlyPage> m_early;
};

} // namespace orvex
