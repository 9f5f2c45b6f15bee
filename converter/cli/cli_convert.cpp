// SPDX-License-Identifier: MIT
// orvex-cli convert.
#include "converter/cli/cli_convert.h"

#include "converter/cgidata_location.h"
#include "converter/cli/cli_hosted.h"
#include "converter/cli/cli_texts.h"
#include "converter/cli/exposure_output.h"
#include "converter/cli/site_scan.h"
#include "converter/cli/stdout_results_box.h"
#include "converter/cli/terminal.h"
#include "converter/kit_generation.h"
#include "converter/message.h"
#include "converter/scan_table.h"
#include "converter/server_kit.h"
#include "converter/service_hosts.h"
#include "converter/site_run.h"
#include "platform/file_system.h"
#include "platform/native_path.h"
#include "platform/paths.h"

#include <filesystem>
#include <memory>

namespace orvex::cli {

namespace {

namespace fs = std::filesystem;

// The output folder exists afterwards and is not the home directory; otherwise a message.
bool PrepareOutputFolder(const Options& options, std::string& error) {
    std::error_code ec;
    const fs::path out = FsPath(options.out);
    if (fs::exists(out, ec)) {
        if (!fs::is_directory(out, ec)) {
            error = FormatMessage(Text(texts::kOutputIsFile), {options.out});
            return false;
        }
        // Converted pages would replace the site's own pages.
        if (fs::equivalent(out, FsPath(options.home), ec)) {
            error = FormatMessage(Text(texts::kOutputIsHome), {options.out});
            return false;
        }
        return true;
    }
    fs::create_directories(out, ec);
    if (!fs::is_directory(out, ec)) {
        error = FormatMessage(Text(texts::kOutputNotCreated), {options.out});
        return false;
    }
    return true;
}

void NamePage(PageRecord& page, NameRule rule, const ConverterSettings& settings) {
    for (int32_t i = 0; i < page.m_nEntryCount; ++i) {
        EmailEntry& e = page.m_pFirstEntry[i];
        switch (rule) {
        case NameRule::Default1:
            ApplyDefaultName(e, 1, settings);
            break;
        case NameRule::Default2:
            ApplyDefaultName(e, 2, settings);
            break;
        case NameRule::Default3:
            ApplyDefaultName(e, 3, settings);
            break;
        case NameRule::Id:
            ApplyIdName(e);
            break;
        case NameRule::Keep:
            SetEntryCheck(e, true);
            break;
        }
    }
}

void NameEveryEntry(ScanTable& table, NameRule rule, const ConverterSettings& settings) {
    for (int32_t p = 0; p < table.PageCount(); ++p) {
        NamePage(table.Page(p), rule, settings);
    }
}

} // namespace

int RunConvert(const Options& options, std::FILE* out, std::FILE* err) {
    std::string error;
    const auto hosts = RunHosts(options, error);
    if (!hosts) {
        Line(err, error);
        return kExitUsage;
    }
    // Checked before anything is scanned or created.
    std::optional<HostedSetup> hosted;
    if (options.cgiKind == kCgiHosted && !(hosted = PrepareHosted(options, err))) {
        return kExitUsage;
    }
    if (!IsDirectory(options.home)) {
        Line(err, FormatMessage(Text(texts::kHomeUnreadable), {options.home}));
        return kExitUsage;
    }
    if (!options.cgiData.empty() && !IsDirectory(options.cgiData)) {
        Line(err, FormatMessage(Text(texts::kCgiDataMissing), {options.cgiData}));
        return kExitUsage;
    }
    if (!PrepareOutputFolder(options, error)) {
        Line(err, error);
        return kExitUsage;
    }

    auto table = std::make_unique<ScanTable>();
    ConverterSettings settings;
    settings.m_strHomeDir = options.home;
    settings.m_bCheckAll = 0;
    const std::string cgiData = FindCgiDataDir(options.cgiData);
    if (options.cgiKind == kCgiHosted) {
        // An --out inside the site holds converted copies from an earlier run: scanned, they
        // would be written again one level deeper at every run.
        const SiteScan scan = ScanSite(settings, *table, err, options.out);
        if (!scan.homeReadable) {
            return kExitUsage;
        }
        NameEveryEntry(*table, options.name, settings);
        const int status = RunHostedGeneration(options, *hosted, *table, cgiData, out, err);
        return status == kExitOk && !scan.complete ? kExitFailed : status;
    }

    KitRun run;
    run.table = table.get();
    run.homeDir = options.home;
    run.outputDir = options.out;
    run.cgiKind = options.cgiKind;
    run.gd = options.gd ? 1 : 0;
    run.serverOs = options.serverOs;
    run.cgiDataDir = cgiData;
    run.hosts = *hosts;
    run.scrubComments = options.scrubComments;
    StdoutResultsBox box(out, err);
    KitRunReport report;
    SiteScan scan;
    bool ok = false;
    const bool rerun = HoldsConvertedSite(options.out);
    if (options.scrubComments || rerun) {
        // The scrub needs every address the run protects before it clears the first comment, and
        // a second run into the same folder must know which pages it rewrites before it writes.
        scan = ScanSite(settings, *table, err, options.out);
        if (!scan.homeReadable) {
            return kExitUsage;
        }
        NameEveryEntry(*table, options.name, settings);
        // The run numbers the data file anew: the earlier run's pages it does not write again
        // would open other addresses.
        const std::vector<std::string> left =
            rerun ? EarlierRunPagesLeft(*table, options.home, options.out) : std::vector<std::string>{};
        if (!left.empty()) {
            std::fputs(DescribeEarlierRunPages(left).c_str(), err);
            if (!options.replace) {
                Line(err, Text(texts::kReplaceRequired));
                return kExitFailed;
            }
        }
        ok = GenerateKitSite(run, box, &report);
    } else {
        // Each page is converted as soon as it is scanned, from the bytes the scan read; the kit
        // is written first, so the home folder must be readable before anything is.
        if (!CanListDirectory(options.home)) {
            Line(err, FormatMessage(Text(texts::kHomeUnreadable), {options.home}));
            return kExitUsage;
        }
        KitSiteWriter writer(run, box, report, KitSiteWriter::Pages::AsScanned);
        if (writer.Start()) {
            const auto convert = [&](PageRecord& page, int done, int total) {
                NamePage(page, options.name, settings);
                if (page.m_bModified == 1) {
                    writer.WritePage(page, FileRead::Ok, table->PageScratch().View());
                    writer.Progress(done, total);
                }
            };
            // The log and the progress come from the writer's thread, which the scan's own
            // progress would cut into.
            scan = ScanSite(settings, *table, err, options.out, {convert, &writer.Io(), false});
            ok = writer.Finish(&scan.otherFiles);
        }
    }
    std::fflush(out);
    const bool failed = !ok || report.pagesFailed > 0 || !report.kit.Empty() || !scan.complete;
    return FinishWithExposures(options, report.exposures, failed ? kExitFailed : kExitOk, err);
}

} // namespace orvex::cli
