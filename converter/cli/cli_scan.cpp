// SPDX-License-Identifier: MIT
// orvex-cli scan: every address occurrence of a site, one line each.
#include "converter/cli/cli_scan.h"

#include "converter/cli/site_scan.h"
#include "converter/cli/terminal.h"
#include "converter/json_text.h"
#include "converter/scan_table.h"
#include "platform/text_codec.h"

#include <array>
#include <memory>
#include <string>

namespace orvex::cli {

namespace {

// Most names are one of a few default names in the site's charset: each decoded once, not once
// a line.
const std::string& DecodeName(const std::string& name, const std::string& charset) {
    struct Decoded {
        std::string name;
        std::string charset;
        std::string utf8;
    };
    thread_local std::array<Decoded, 4> memo;
    thread_local size_t next = 0;
    for (const Decoded& d : memo) {
        if (d.name == name && d.charset == charset && !d.charset.empty()) {
            return d.utf8;
        }
    }
    Decoded& d = memo[next];
    next = (next + 1) % memo.size();
    d = {name, charset, DecodeToUtf8(name, charset)};
    return d.utf8;
}

void AppendLine(std::string& buf, const std::string& rel, const EmailEntry& e, size_t start) {
    const std::string& charset = e.m_pPage->m_strEncoding;
    buf += rel;
    buf += '\t';
    buf += EntryKindName(e.m_nKind);
    buf += '\t';
    buf += std::to_string(start);
    buf += '\t';
    buf += std::to_string(e.m_nSpanEnd);
    buf += '\t';
    buf += DecodeToUtf8(e.m_strAddress, charset);
    buf += '\n';
}

void AppendJson(std::string& buf, const std::string& rel, const EmailEntry& e, size_t start) {
    const std::string& charset = e.m_pPage->m_strEncoding;
    buf += "{\"page\":";
    AppendJsonString(buf, rel);
    buf += ",\"kind\":";
    AppendJsonString(buf, EntryKindName(e.m_nKind));
    buf += ",\"start\":";
    buf += std::to_string(start);
    buf += ",\"end\":";
    buf += std::to_string(e.m_nSpanEnd);
    buf += ",\"address\":";
    AppendJsonString(buf, DecodeToUtf8(e.m_strAddress, charset));
    buf += ",\"name\":";
    AppendJsonString(buf, DecodeName(e.m_strAfterName, charset));
    buf += "}\n";
}

} // namespace

int RunScan(const Options& options, std::FILE* out, std::FILE* err) {
    auto table = std::make_unique<ScanTable>();
    ConverterSettings settings;
    settings.m_strHomeDir = options.home;
    settings.m_bCheckAll = options.checkAll ? 1 : 0;
    // Each page's lines are written as soon as it is scanned, while the next page is read; on a
    // terminal, where the scan's progress shows, they wait for its end.
    const bool stream = !IsTerminal(out);
    std::string buf;
    const auto list = [&](const PageRecord& page, int, int) {
        const std::string rel = Utf8FromProgramText(RelativePagePath(options.home, page.m_strPath));
        for (int32_t i = 0; i < page.m_nEntryCount; ++i) {
            const size_t start = SpanStart(page.m_pFirstEntry, i);
            if (options.json) {
                AppendJson(buf, rel, page.m_pFirstEntry[i], start);
            } else {
                AppendLine(buf, rel, page.m_pFirstEntry[i], start);
            }
        }
        if (stream && buf.size() > (1u << 16)) {
            std::fwrite(buf.data(), 1, buf.size(), out);
            buf.clear();
        }
    };
    const SiteScan scan = ScanSite(settings, *table, err, "", {list});
    if (!scan.homeReadable) {
        return kExitUsage;
    }
    std::fwrite(buf.data(), 1, buf.size(), out);
    std::fflush(out);
    return scan.complete ? kExitOk : kExitFailed;
}

} // namespace orvex::cli
