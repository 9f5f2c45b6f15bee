// SPDX-License-Identifier: MIT
// The page rewriter: one forward pass over the page's bytes, with the replacements written
// between the runs that are copied unchanged.
#include "converter/page_rewriter.h"

#include "converter/email_data_file.h"
#include "converter/exposure_report.h"
#include "converter/page_encoding.h"
#include "converter/texts.h"
#include "platform/file_system.h"
#include "platform/native_path.h"
#include "platform/output_file.h"
#include "platform/paths.h"
#include "platform/text_codec.h"

#include <filesystem>

namespace orvex {

namespace {

std::string MarkerComment(const RewriteParams& params, std::string_view charset) {
    const bool kit = params.form == RewriteForm::Kit;
    std::string s = kit ? "<!--AntiSpam" : "<!--Velmorant";
    s += params.pageCode;
    s += EncodeForPage(kit ? texts::kKitMarkerWarning : texts::kServiceMarkerWarning, charset);
    s += "-->\r\n";
    return s;
}

std::string ScriptBlock(const RewriteParams& params) {
    std::string s;
    if (params.form == RewriteForm::Kit) {
        const KitFormValues v = KitFormValuesFor(params.cgiKind);
        s = "<script language=javascript>\r\nfunction AntiSpam(UniqId)\r\n{\r\nwindow.open('";
        s += params.rootPrefix;
        s += "Velmorant/antispamin.";
        s += v.extension;
        s += "?UniqId='+UniqId,'Velmorant','width=";
        s += std::to_string(v.width);
        s += ",height=";
        s += std::to_string(v.height);
        s += ",left=1,top=1');\r\n}\r\n</script>\r\n";
    } else {
        s = "<script language=javascript>\r\nfunction Velmorant(UniqId)\r\n{\r\nwindow.open('https://";
        s += params.hosts.popupHost;
        s += "/service/velmorantin.vrt?UserId=";
        s += params.userId;
        s += "&UniqId='+UniqId+'&Section=";
        s += params.section;
        s += "&PageCode=";
        s += params.pageCode;
        s += "','Velmorant','width=215,height=266,left=1,top=1,status=1');\r\n}\r\n</script>\r\n";
    }
    s += "<!--";
    s += params.hosts.serviceHost;
    s += "-->\r\n";
    return s;
}

void AppendLink(std::string& link, const RewriteParams& params, const EmailEntry& entry, int32_t number) {
    const std::string_view function = params.form == RewriteForm::Kit ? "AntiSpam(" : "Velmorant(";
    if (entry.m_nKind != EntryKind::Area) {
        link += "<a ";
    }
    link += "href='javascript:";
    link += function;
    link += std::to_string(number);
    link += ")'";
    if (entry.m_nKind != EntryKind::Area) {
        link += '>';
        link += entry.m_strAfterName;
        link += "</a>";
    }
}

// The scanned spans still lie inside the page as read now; a page changed since its scan
// would otherwise make the copy run past its end.
bool SpansFit(const PageRecord& page, size_t size) {
    size_t p = 0;
    for (int32_t i = 0; i < page.m_nEntryCount; ++i) {
        const EmailEntry& e = page.m_pFirstEntry[i];
        if (e.m_nGap < 0 || e.m_nSpanEnd < 0) {
            return false;
        }
        const size_t start = p + static_cast<size_t>(e.m_nGap);
        const size_t end = static_cast<size_t>(e.m_nSpanEnd);
        if (start > end || end > size) {
            return false;
        }
        p = end;
    }
    return true;
}

} // namespace

size_t HeaderOffset(std::string_view page) {
    size_t p = 0;
    if (page.substr(0, 3) == "\xEF\xBB\xBF") {
        p = 3;
    }
    const size_t afterBom = p;
    // White space and comments may stand before the doctype; anything else ends the search.
    while (p < page.size()) {
        const char c = page[p];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f') {
            ++p;
        } else if (page.compare(p, 4, "<!--") == 0) {
            const size_t close = page.find("-->", p + 2); // "<!-->" is a whole, empty comment
            if (close == std::string_view::npos) {
                return afterBom;
            }
            p = close + 3;
        } else {
            break;
        }
    }
    constexpr std::string_view kDoctype = "<!doctype";
    if (page.size() - p < kDoctype.size()) {
        return afterBom;
    }
    for (size_t i = 0; i < kDoctype.size(); ++i) {
        if ((static_cast<unsigned char>(page[p + i]) | 0x20) != static_cast<unsigned char>(kDoctype[i])) {
            return afterBom;
        }
    }
    const size_t close = page.find('>', p + kDoctype.size());
    return close == std::string_view::npos ? afterBom : close + 1;
}

KitFormValues KitFormValuesFor(int32_t cgiKind) {
    switch (cgiKind) {
    case kCgiAsp:
        return {"asp", 200, 276};
    case kCgiJsp:
        return {"jsp", 200, 276};
    case kCgiPerl:
        return {"pl", 200, 276};
    default:
        return {"php", 180, 263};
    }
}

bool EntryIsConverted(const EmailEntry& entry, const RewriteParams& params) {
    if (entry.m_bChecked != 1) {
        return false;
    }
    return params.form != RewriteForm::Kit || AddressFitsDataFile(params.cgiKind, entry.m_strAddress);
}

RewriteResult RewritePage(const PageRecord& page, const std::string& outputPath, const RewriteParams& params,
                          int32_t firstNumber) {
    PageBuffer buffer;
    std::string written;
    return RewritePage(page, outputPath, params, firstNumber, buffer, written);
}

RewriteResult RewritePage(const PageRecord& page, const std::string& outputPath, const RewriteParams& params,
                          int32_t firstNumber, PageBuffer& buffer, std::string& out) {
    const FileRead read = ReadRegularFile(page.m_strPath, buffer, kMaxPageBytes);
    RewriteResult result = RenderPage(page, read, buffer.View(), params, firstNumber, out);
    if (result.status == RewriteStatus::Ok && !WriteRenderedPage(outputPath, out)) {
        result.status = RewriteStatus::OutputFailed;
    }
    return result;
}

RewriteResult RenderPage(const PageRecord& page, FileRead read, std::string_view text, const RewriteParams& params,
                         int32_t firstNumber, std::string& out) {
    RewriteResult result;
    if (read != FileRead::Ok) {
        result.status = RewriteStatus::SourceUnreadable;
        return result;
    }
    if (!SpansFit(page, text.size())) {
        result.status = RewriteStatus::PageChanged;
        return result;
    }
    // The page is put together in memory first: the run searches the bytes it wrote for what a
    // harvester could still take, and the comments may be scrubbed before the file is written.
    out.clear();
    out.reserve(text.size() + 1024);
    const std::string header =
        MarkerComment(params, page.m_strEncoding.empty() ? kCharsetCp949 : page.m_strEncoding) + ScriptBlock(params);
    const size_t insertAt = HeaderOffset(text);
    bool headerWritten = false;
    // Copies [from, to) of the page, with the header at its place when that lies in the run.
    const auto copyRun = [&](size_t from, size_t to) {
        if (!headerWritten && insertAt <= to) {
            out.append(text, from, insertAt - from);
            out += header;
            headerWritten = true;
            from = insertAt;
        }
        out.append(text, from, to - from);
    };

    size_t p = 0;
    int32_t n = firstNumber;
    for (int32_t i = 0; i < page.m_nEntryCount; ++i) {
        const EmailEntry& e = page.m_pFirstEntry[i];
        const size_t start = p + static_cast<size_t>(e.m_nGap);
        const size_t end = static_cast<size_t>(e.m_nSpanEnd);
        copyRun(p, start);
        // A span across the place (an anchor opened in a comment before the doctype) gets the
        // header ahead of it: never inside a replacement.
        if (!headerWritten && insertAt < end) {
            out += header;
            headerWritten = true;
        }
        if (EntryIsConverted(e, params)) {
            AppendLink(out, params, e, n);
            ++n;
        } else {
            out.append(text, start, end - start);
        }
        p = end;
    }
    copyRun(p, text.size());
    if (params.scrubComments != nullptr) {
        ScrubCommentAddresses(out, *params.scrubComments);
    }

    result.nextNumber = n;
    return result;
}

bool WriteRenderedPage(const std::string& outputPath, std::string_view written) {
    // Most pages share folders made for an earlier page; make them only when the file cannot
    // be created without them.
    OutputFile file;
    if (!file.Open(outputPath)) {
        CreatePathDirs(outputPath);
        if (!file.Open(outputPath)) {
            return false;
        }
    }
    file.Write(written);
    return file.Close();
}

std::string MakeRootPrefix(std::string_view pagePath, std::string_view homeDir) {
    const std::string_view rest = pagePath.substr(std::min(homeDir.size(), pagePath.size()));
    size_t levels = 0;
    for (const char c : rest) {
        if (c == kPathSep) {
            ++levels;
        }
    }
    // Below a root home directory the remainder lacks its leading separator.
    if (!homeDir.empty() && homeDir.back() == kPathSep) {
        ++levels;
    }
    std::string prefix;
    for (size_t i = 1; i < levels; ++i) {
        prefix += "../";
    }
    return prefix;
}

std::string MakeOutputPath(std::string_view outputDir, std::string_view homeDir, std::string_view pagePath) {
    std::string path(outputDir);
    path += kPathSep;
    const std::string_view rest = pagePath.substr(std::min(homeDir.size(), pagePath.size()));
    if (rest.empty() || rest.front() != kPathSep) {
        path += kPathSep;
    }
    path += rest;
    return path;
}

void CreatePathDirs(std::string_view path) {
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == kPathSep && i > 0) {
            std::error_code ec;
            std::filesystem::create_directory(FsPath(path.substr(0, i)), ec);
        }
    }
}

} // namespace orvex
