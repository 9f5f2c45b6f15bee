// SPDX-License-Identifier: MIT
// The self-hosted generation run.
#include "converter/kit_generation.h"

#include "converter/email_data_file.h"
#include "converter/message.h"
#include "converter/page_rewriter.h"
#include "converter/run_exposures.h"
#include "converter/texts.h"
#include "platform/paths.h"
#include "platform/read_ahead.h"
#include "platform/text_codec.h"

#include <ctime>
#include <memory>
#include <random>
#include <vector>

namespace orvex {

namespace {

// Pages up to this size are written behind the caller's back; a larger one is written at once.
constexpr size_t kWriteBehindBytes = size_t{512} << 10;

std::string Message(std::string_view utf8, std::initializer_list<std::string_view> args) {
    return FormatMessage(ProgramTextFromUtf8(utf8), args);
}

} // namespace

KitSiteWriter::KitSiteWriter(const KitRun& run, ResultsBox& box, KitRunReport& report, Pages pages)
    : m_run(run), m_report(report), m_log(box), m_random(run.seed.value_or(static_cast<uint32_t>(std::time(nullptr)))),
      m_bGd(run.gd != 0 && run.cgiKind == kCgiPhp), m_pages(pages) {
    m_report = KitRunReport{};
    m_params.form = RewriteForm::Kit;
    m_params.cgiKind = run.cgiKind;
    m_params.hosts = run.hosts;
    if (pages == Pages::Scanned) {
        m_exposures.emplace(*run.table, m_params);
    } else {
        m_exposures.emplace();
    }
    if (run.scrubComments) {
        m_params.scrubComments = &m_exposures->Protected();
    }
}

bool KitSiteWriter::Start() {
    // The kit first, as the pages' links point into it.
    const std::string kit = KitFolderPath(m_run.outputDir);
    PrepareKitFolder(m_run.outputDir, m_run.cgiDataDir, m_report.kit);
    if (m_run.cgiKind == kCgiJsp) {
        CreateJspIpFiles(kit, m_report.kit);
    }
    CopyKindFiles(kit, m_run.cgiDataDir, m_run.cgiKind, m_bGd, m_run.serverOs, m_report.kit);

    m_strDataPath = JoinPath(kit, EmailDataFormatFor(m_run.cgiKind).fileName);
    if (!m_data.Open(m_strDataPath, m_run.cgiKind)) {
        // Without the data file no link of a written page could be answered.
        m_report.dataFileFailed = true;
        m_log.Append(Message(texts::kDataFileNotCreated, {m_strDataPath}));
        m_log.Append(DescribeKitProblems(m_report.kit));
        m_log.Show();
        m_log.ScrollToEnd();
        return false;
    }
    return true;
}

KitSiteWriter::Written& KitSiteWriter::TakeWritten() {
    {
        const std::lock_guard lock(m_spareMutex);
        if (!m_spares.empty()) {
            Written& w = *m_spares.back();
            m_spares.pop_back();
            return w;
        }
    }
    return *m_written.emplace_back(std::make_unique<Written>());
}

void KitSiteWriter::GiveBack(Written& w) {
    const std::lock_guard lock(m_spareMutex);
    m_spares.push_back(&w);
}

void KitSiteWriter::WritePage(const PageRecord& page, FileRead read, std::string_view bytes) {
    // A page's record is used again for a later page, with what its strings hold, and freed on
    // this thread at the end: memory freed on the writer's thread would contend with this one's
    // allocations for the allocator's lock.
    Written& w = TakeWritten();
    w.charset = page.m_strEncoding;
    std::uniform_int_distribution<int> pageCodes(0, 32767);
    m_params.pageCode = std::to_string(pageCodes(m_random));
    m_params.rootPrefix = MakeRootPrefix(page.m_strPath, m_run.homeDir);
    w.outputPath = MakeOutputPath(m_run.outputDir, m_run.homeDir, page.m_strPath);
    w.written = false;
    w.refusedCount = 0;
    w.refused.clear();

    // The data lines come first and keep their numbers even when the page then fails.
    w.first = m_nNext;
    for (int32_t i = 0; i < page.m_nEntryCount; ++i) {
        const EmailEntry& e = page.m_pFirstEntry[i];
        if (EntryIsConverted(e, m_params)) {
            m_data.AddLine(m_nNext++, e.m_strAddress, m_params.pageCode);
        } else if (e.m_bChecked == 1) {
            ++w.refusedCount;
            const std::string address = ProgramTextFromUtf8(DecodeToUtf8(e.m_strAddress, page.m_strEncoding));
            w.refused += Message(texts::kAddressBreaksDataFile, {page.m_strPath, address});
        }
    }
    if (m_pages == Pages::AsScanned) {
        m_exposures->Protect(page, m_params);
    }
    w.result = RenderPage(page, read, bytes, m_params, w.first, w.bytes);
    w.search = w.result.status == RewriteStatus::Ok ? m_exposures->Search(w.bytes) : RunExposures::PageSearch{};
    // A large page is written before the next is read, so that no more than one is held.
    if (w.bytes.size() > kWriteBehindBytes) {
        m_writer.Wait();
        Complete(w);
        std::string().swap(w.bytes);
        GiveBack(w);
        return;
    }
    // While the writer's thread is behind, this one writes the file itself; the log still
    // follows the pages' order there.
    if (w.result.status == RewriteStatus::Ok && m_writer.Waiting() >= JobThread::kDepth / 2) {
        w.written = true;
        WriteFile(w);
    }
    m_writer.Post([this, &w] {
        Complete(w);
        GiveBack(w);
    });
}

void KitSiteWriter::Complete(Written& w) {
    m_log.Append(w.outputPath);
    m_log.Append("....");
    m_log.Show();
    if (w.result.status == RewriteStatus::Ok && !w.written) {
        WriteFile(w);
    }
    if (w.result.status == RewriteStatus::Ok) {
        m_exposures->AddPage(w.outputPath, w.charset, std::move(w.search));
        ++m_report.pagesWritten;
        m_report.addressesProtected += w.result.nextNumber - w.first;
        m_log.Append(Text(texts::kPageSucceeded));
    } else {
        ++m_report.pagesFailed;
        m_log.Append(Text(texts::kPageFailed));
    }
    m_report.addressesRefused += w.refusedCount;
    m_log.Append(w.refused);
    m_log.Show();
}

void KitSiteWriter::WriteFile(Written& w) {
    if (!WriteRenderedPage(w.outputPath, w.bytes)) {
        w.result.status = RewriteStatus::OutputFailed;
    }
}

void KitSiteWriter::Progress(int done, int total) {
    m_writer.Post([this, done, total] { m_log.Progress(done, total); });
}

bool KitSiteWriter::StopAt(int done, int total) {
    // The box's cancel flag is the one thing of the log both threads may touch at once.
    if (!m_log.CancelRequested()) {
        return false;
    }
    m_writer.Wait();
    return m_report.cancelled = m_log.StopAt(done, total);
}

bool KitSiteWriter::Finish(const std::vector<std::string>* otherFiles) {
    m_writer.Wait();
    if (!m_report.cancelled) {
        m_log.Append(Text(texts::kRunCompleted));
    }
    m_log.Append(Text(PermissionNotes(m_run.cgiKind, m_bGd, m_run.serverOs)));
    m_report.exposures =
        m_exposures->Finish(m_run.homeDir, m_run.outputDir, m_run.table->PageScratch(), m_log, otherFiles);
    const bool written = m_data.Close();
    if (!written) {
        m_report.dataFileFailed = true;
        m_log.Append(Message(texts::kDataFileNotWritten, {m_strDataPath}));
    }
    m_log.Append(DescribeKitProblems(m_report.kit));
    m_log.Show();
    m_log.ScrollToEnd();
    return written;
}

bool GenerateKitSite(const KitRun& run, ResultsBox& box, KitRunReport* report) {
    KitRunReport local;
    KitSiteWriter writer(run, box, report != nullptr ? *report : local, KitSiteWriter::Pages::Scanned);
    if (!writer.Start()) {
        return false;
    }
    const ScanTable& table = *run.table;
    std::vector<std::string> paths;
    for (int32_t p = 0; p < table.PageCount(); ++p) {
        if (table.Page(p).m_bModified == 1) {
            paths.push_back(table.Page(p).m_strPath);
        }
    }
    const int total = static_cast<int>(paths.size());
    ReadAhead sources(std::move(paths), kMaxPageBytes, &writer.Io());
    PageBuffer& source = table.PageScratch();
    int done = 0;
    for (int32_t p = 0; p < table.PageCount(); ++p) {
        if (table.Page(p).m_bModified == 1) {
            if (writer.StopAt(done, total)) {
                break;
            }
            const FileRead read = sources.Next(source);
            writer.WritePage(table.Page(p), read, source.View());
            writer.Progress(++done, total);
        }
    }
    return writer.Finish();
}

} // namespace orvex
