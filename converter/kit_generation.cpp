// SPDX-License-Identifier: MIT
// The self-hosted generation run.
#include "converter/kit_generation.h"

#include "converter/email_data_file.h"
#include "converter/message.h"
#include "converter/page_rewriter.h"
#include "converter/run_exposures.h"
#include "converter/texts.h"
#include "platform/paths.h"
#include "platform/text_codec.h"

#include <ctime>
#include <random>

namespace orvex {

namespace {

std::string Message(std::string_view utf8, std::initializer_list<std::string_view> args) {
    return FormatMessage(ProgramTextFromUtf8(utf8), args);
}

} // namespace

bool GenerateKitSite(const KitRun& run, ResultsBox& box, KitRunReport* report) {
    KitRunReport local;
    KitRunReport& r = report != nullptr ? *report : local;
    r = KitRunReport{};

    std::mt19937 random(run.seed.value_or(static_cast<uint32_t>(std::time(nullptr))));
    std::uniform_int_distribution<int> pageCodes(0, 32767);
    int32_t next = 1;
    RunLog log(box);
    const bool gd = run.gd != 0 && run.cgiKind == kCgiPhp;

    // The kit first, as the pages' links point into it.
    const std::string kit = KitFolderPath(run.outputDir);
    PrepareKitFolder(run.outputDir, run.cgiDataDir, r.kit);
    if (run.cgiKind == kCgiJsp) {
        CreateJspIpFiles(kit, r.kit);
    }
    CopyKindFiles(kit, run.cgiDataDir, run.cgiKind, gd, run.serverOs, r.kit);

    const std::string dataPath = JoinPath(kit, EmailDataFormatFor(run.cgiKind).fileName);
    EmailDataWriter data;
    if (!data.Open(dataPath, run.cgiKind)) {
        // Without the data file no link of a written page could be answered.
        r.dataFileFailed = true;
        log.Append(Message(texts::kDataFileNotCreated, {dataPath}));
        log.Append(DescribeKitProblems(r.kit));
        log.Show();
        log.ScrollToEnd();
        return false;
    }

    const ScanTable& table = *run.table;
    int total = 0;
    for (int32_t p = 0; p < table.PageCount(); ++p) {
        total += table.Page(p).m_bModified == 1 ? 1 : 0;
    }
    int done = 0;
    RewriteParams params;
    params.form = RewriteForm::Kit;
    params.cgiKind = run.cgiKind;
    params.hosts = run.hosts;
    RunExposures exposures(table, params);
    if (run.scrubComments) {
        params.scrubComments = &exposures.Protected();
    }
    std::string pageBytes;
    for (int32_t p = 0; p < table.PageCount(); ++p) {
        const PageRecord& page = table.Page(p);
        if (page.m_bModified != 1) {
            continue;
        }
        if (log.StopAt(done, total)) {
            r.cancelled = true;
            break;
        }
        params.pageCode = std::to_string(pageCodes(random));
        params.rootPrefix = MakeRootPrefix(page.m_strPath, run.homeDir);
        const std::string outputPath = MakeOutputPath(run.outputDir, run.homeDir, page.m_strPath);
        log.Append(outputPath);
        log.Append("....");
        log.Show();

        // The data lines come first and keep their numbers even when the page then fails.
        const int32_t first = next;
        std::string refused;
        for (int32_t i = 0; i < page.m_nEntryCount; ++i) {
            const EmailEntry& e = page.m_pFirstEntry[i];
            if (EntryIsConverted(e, params)) {
                data.AddLine(next++, e.m_strAddress, params.pageCode);
            } else if (e.m_bChecked == 1) {
                ++r.addressesRefused;
                const std::string address = ProgramTextFromUtf8(DecodeToUtf8(e.m_strAddress, page.m_strEncoding));
                refused += Message(texts::kAddressBreaksDataFile, {page.m_strPath, address});
            }
        }
        const RewriteResult rewrite = RewritePage(page, outputPath, params, first, table.PageScratch(), pageBytes);
        if (rewrite.status == RewriteStatus::Ok) {
            exposures.AddPage(outputPath, pageBytes, page.m_strEncoding);
            ++r.pagesWritten;
            r.addressesProtected += rewrite.nextNumber - first;
            log.Append(Text(texts::kPageSucceeded));
        } else {
            ++r.pagesFailed;
            log.Append(Text(texts::kPageFailed));
        }
        log.Append(refused);
        log.Show();
        log.Progress(++done, total);
    }

    if (!r.cancelled) {
        log.Append(Text(texts::kRunCompleted));
    }
    log.Append(Text(PermissionNotes(run.cgiKind, gd, run.serverOs)));
    r.exposures = exposures.Finish(run.homeDir, run.outputDir, table.PageScratch(), log);
    const bool written = data.Close();
    if (!written) {
        r.dataFileFailed = true;
        log.Append(Message(texts::kDataFileNotWritten, {dataPath}));
    }
    log.Append(DescribeKitProblems(r.kit));
    log.Show();
    log.ScrollToEnd();
    return written;
}

} // namespace orvex
