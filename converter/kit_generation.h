// SPDX-License-Identifier: MIT
// A self-hosted generation run: every modified page rewritten into the output folder, the
// e-mail data file of the server kind, and the server kit, reported in a results box.
#pragma once

#include "converter/email_data_file.h"
#include "converter/exposure_report.h"
#include "converter/results_box.h"
#include "converter/run_exposures.h"
#include "converter/scan_table.h"
#include "converter/server_kit.h"
#include "converter/service_hosts.h"
#include "platform/job_thread.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
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

// One generation run, page by page: Start, then WritePage for each page to convert in the
// table's order, then Finish.
class KitSiteWriter {
public:
    enum class Pages {
        Scanned,   // the whole site is in the table before the first page is written
        AsScanned, // each page is written as soon as it is scanned, while its bytes are at hand
    };
    KitSiteWriter(const KitRun& run, ResultsBox& box, KitRunReport& report, Pages pages);
    KitSiteWriter(const KitSiteWriter&) = delete;
    KitSiteWriter& operator=(const KitSiteWriter&) = delete;

    // The kit folder and the data file; false, with the log shown, when the data file cannot
    // be created: then no page may be written.
    bool Start();
    // Numbers the page's converted entries, converts the page from bytes, which read says how
    // its reading went, and searches the converted copy for what a harvester could take. The copy
    // is written and logged on the writer's own thread while the caller goes on.
    void WritePage(const PageRecord& page, FileRead read, std::string_view bytes);
    // After the pages written so far; the box hears it in order with their log.
    void Progress(int done, int total);
    // The writer's thread, to read the pages to come on (ReadAhead) while it writes those done.
    JobThread& Io() { return m_writer; }
    // At a page boundary: true, with the place it stopped in the log and the run marked
    // cancelled, when the user cancelled.
    bool StopAt(int done, int total);
    // The end of the log, the exposure report and the data file; false when the data file could
    // not be written completely. otherFiles, when given, are the home folder's files that are not
    // pages, as a scan's walk listed them; otherwise the folder is walked again for them.
    bool Finish(const std::vector<std::string>* otherFiles = nullptr);

private:
    // What the writer's thread does with a converted page.
    struct Written {
        std::string charset;
        std::string outputPath;
        std::string bytes;
        RewriteResult result;
        RunExposures::PageSearch search;
        bool written = false; // the file is written already
        int32_t first = 0;
        int refusedCount = 0;
        std::string refused; // the log's lines for the page's addresses left unconverted
    };
    Written& TakeWritten(); // a spare record, or a new one
    void GiveBack(Written& written);
    void Complete(Written& written);
    // Writes the converted page; a failure marks it OutputFailed.
    static void WriteFile(Written& written);

    const KitRun& m_run;
    KitRunReport& m_report;
    RunLog m_log;
    std::mt19937 m_random;
    const bool m_bGd;
    const Pages m_pages;
    RewriteParams m_params;
    std::optional<RunExposures> m_exposures;
    EmailDataWriter m_data;
    std::string m_strDataPath;
    int32_t m_nNext = 1;
    // The pages' records, going round between the threads.
    std::vector<std::unique_ptr<Written>> m_written;
    std::mutex m_spareMutex;
    std::vector<Written*> m_spares;
    // Last: its jobs use the members above, so it ends first.
    JobThread m_writer;
};

// Runs one generation. Returns false, writing no page, when the data file cannot be created,
// and false when it could not be written completely; true otherwise, also when pages failed
// or kit sources were missing (the log and the report say which).
bool GenerateKitSite(const KitRun& run, ResultsBox& box, KitRunReport* report = nullptr);

} // namespace orvex
