// SPDX-License-Identifier: MIT
// The whole-site scan, the run's counts and the pages an earlier run left in the output folder.
#include "converter/site_run.h"

#include "converter/email_data_file.h"
#include "converter/message.h"
#include "converter/page_listing.h"
#include "converter/page_rewriter.h"
#include "converter/server_kit.h"
#include "converter/texts.h"
#include "platform/file_system.h"
#include "platform/native_path.h"
#include "platform/paths.h"

#include <filesystem>
#include <unordered_set>

namespace orvex {

SiteScanOutcome ScanRemainingPages(ScanTable& table, const std::string& home, const std::string& skipFolder,
                                   int32_t defaultCheck, ResultsBox& box) {
    SiteScanOutcome out;
    std::vector<std::string> skip;
    if (!skipFolder.empty()) {
        skip.push_back(skipFolder);
    }
    const auto site = CollectSitePages(home, skip);
    if (!site) {
        return out;
    }
    out.homeReadable = true;
    out.pagesFound = static_cast<int>(site->pages.size());
    for (const std::string& dir : site->unreadableDirs) {
        out.unreadable.push_back(dir);
    }
    const int total = out.pagesFound;
    for (int i = 0; i < total; ++i) {
        if (box.CancelRequested()) {
            out.cancelled = true;
            break;
        }
        const std::string& page = site->pages[static_cast<size_t>(i)];
        if (table.FindPage(page) < 0) {
            const ScanResult r = table.LookupOrScanPage(page, defaultCheck);
            if (r.status == ScanStatus::OpenFailed) {
                out.unreadable.push_back(r.message);
            } else if (r.status != ScanStatus::Ok) {
                out.capacityMessage = r.message;
                out.pagesLeft = total - i;
                break;
            } else {
                ++out.pagesScanned;
                // As listing the page would: a checked entry marks its page for conversion.
                for (int32_t k = 0; k < r.count; ++k) {
                    if (r.first[k].m_bChecked == 1) {
                        SetEntryCheck(r.first[k], true);
                    }
                }
            }
        }
        box.Progress(i + 1, total);
    }
    return out;
}

ConversionCounts CountConversion(const ScanTable& table) {
    ConversionCounts c;
    for (int32_t p = 0; p < table.PageCount(); ++p) {
        const PageRecord& page = table.Page(p);
        int marked = 0;
        for (int32_t i = 0; i < page.m_nEntryCount; ++i) {
            marked += page.m_pFirstEntry[i].m_bChecked == 1 ? 1 : 0;
        }
        c.addressesConverted += marked;
        c.addressesUnconverted += page.m_nEntryCount - marked;
        if (marked > 0) {
            ++c.pagesConverted;
        } else if (page.m_nEntryCount > 0) {
            ++c.pagesUnconverted;
        }
    }
    return c;
}

bool HoldsConvertedSite(const std::string& outputDir) {
    const std::string kit = KitFolderPath(outputDir);
    for (int32_t kind : {kCgiPhp, kCgiAsp, kCgiJsp, kCgiPerl}) {
        std::error_code ec;
        if (std::filesystem::exists(FsPath(JoinPath(kit, EmailDataFormatFor(kind).fileName)), ec)) {
            return true;
        }
    }
    return false;
}

namespace {

// The key of a path with doubled separators made single: an output path doubles the one
// between the output folder and the page's own path.
std::string OutputPathKey(std::string_view path) {
    std::string single;
    single.reserve(path.size());
    for (const char c : path) {
        if (c != kPathSep || single.empty() || single.back() != kPathSep) {
            single += c;
        }
    }
    return PathKey(single);
}

} // namespace

std::vector<std::string> EarlierRunPagesLeft(const ScanTable& table, const std::string& homeDir,
                                             const std::string& outputDir) {
    std::unordered_set<std::string> rewritten;
    for (int32_t p = 0; p < table.PageCount(); ++p) {
        const PageRecord& page = table.Page(p);
        if (page.m_bModified == 1) {
            rewritten.insert(OutputPathKey(MakeOutputPath(outputDir, homeDir, page.m_strPath)));
        }
    }
    std::vector<std::string> left;
    const auto pages = CollectSitePages(outputDir, {KitFolderPath(outputDir)});
    if (!pages) {
        return left;
    }
    PageBuffer buffer;
    for (const std::string& path : pages->pages) {
        if (rewritten.contains(OutputPathKey(path)) || ReadRegularFile(path, buffer, kMaxPageBytes) != FileRead::Ok) {
            continue;
        }
        // The marker comment stands ahead of everything a kit run writes into a page.
        if (buffer.View().find("<!--AntiSpam") != std::string_view::npos) {
            left.push_back(path);
        }
    }
    return left;
}

std::string DescribeEarlierRunPages(const std::vector<std::string>& pages) {
    if (pages.empty()) {
        return {};
    }
    std::string out = FormatMessage(Text(texts::kEarlierRunPagesLeft), {std::to_string(pages.size())});
    for (const std::string& page : pages) {
        out += "  ";
        out += page;
        out += "\r\n";
    }
    return out;
}

} // namespace orvex
