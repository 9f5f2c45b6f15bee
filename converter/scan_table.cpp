// SPDX-License-Identifier: MIT
// The table of scanned pages and their address occurrences (invariants in scan_table.h).
#include "converter/scan_table.h"

#include "converter/html_scanner.h"
#include "converter/message.h"
#include "converter/page_encoding.h"
#include "converter/texts.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/text_codec.h"

namespace orvex {

namespace {

ScanResult Failure(ScanStatus status, std::string_view text, std::string_view path) {
    ScanResult r;
    r.status = status;
    // The path is program text already; only the message text is converted.
    r.message = FormatMessage(ProgramTextFromUtf8(text), {path});
    return r;
}

struct EntryNames {
    std::string charset;
    std::string text; // the name of an address found in text, in the charset
    std::string area; // the name of an area tag's address
};

// A site's pages mostly share one charset: the names are encoded again only when it changes.
const EntryNames& EntryNamesFor(const std::string& charset) {
    thread_local EntryNames names{"-", {}, {}};
    if (names.charset != charset) {
        names.text = EncodeForPage(texts::kTextEntryName, charset);
        names.area = EncodeForPage(texts::kAreaEntryName, charset);
        names.charset = charset;
    }
    return names;
}

void MarkChanged(EmailEntry& entry) {
    entry.m_bChecked = 1;
    entry.m_bChanged = 1;
    entry.m_pPage->m_bModified = 1;
}

} // namespace

ScanResult ScanPage(const std::string& pagePath, EmailEntry* firstSlot, int32_t room, PageRecord* page,
                    int32_t defaultCheck) {
    PageBuffer buffer;
    return ScanPage(pagePath, firstSlot, room, page, defaultCheck, buffer);
}

ScanResult ScanPage(const std::string& pagePath, EmailEntry* firstSlot, int32_t room, PageRecord* page,
                    int32_t defaultCheck, PageBuffer& buffer) {
    const FileRead read = ReadRegularFile(pagePath, buffer, kMaxPageBytes);
    return ScanReadPage(pagePath, read, buffer.View(), firstSlot, room, page, defaultCheck);
}

ScanResult ScanReadPage(const std::string& pagePath, FileRead read, std::string_view bytes, EmailEntry* firstSlot,
                        int32_t room, PageRecord* page, int32_t defaultCheck) {
    switch (read) {
    case FileRead::Ok:
        break;
    case FileRead::NotFound:
        return Failure(ScanStatus::OpenFailed, texts::kFileNotFound, pagePath);
    case FileRead::TooLarge:
        return Failure(ScanStatus::OpenFailed, texts::kPageTooLarge, pagePath);
    case FileRead::Unreadable:
    case FileRead::NotRegular:
        return Failure(ScanStatus::OpenFailed, texts::kFileUnreadable, pagePath);
    }
    page->m_strEncoding = DetectPageEncoding(bytes);
    const EntryNames& names = EntryNamesFor(page->m_strEncoding);
    const std::string& textName = names.text;
    const std::string& areaName = names.area;

    HtmlScanner scanner(bytes);
    FoundAddress found;
    int32_t count = 0;
    size_t prevEnd = 0;
    while (scanner.Next(found)) {
        if (count == room) {
            return Failure(ScanStatus::EntryCapacity, texts::kEntryCapacity, pagePath);
        }
        EmailEntry& e = firstSlot[count];
        e.m_strPagePath = pagePath;
        e.m_nGap = static_cast<int32_t>(found.spanStart - prevEnd);
        e.m_nSpanEnd = static_cast<int32_t>(found.spanEnd);
        e.m_strAddress.assign(found.address);
        switch (found.kind) {
        case EntryKind::Text:
            e.m_strBeforeName = textName;
            break;
        case EntryKind::Area:
            e.m_strBeforeName = areaName;
            break;
        case EntryKind::Anchor:
            e.m_strBeforeName.assign(found.name);
            break;
        }
        e.m_strAfterName = e.m_strBeforeName;
        e.m_nKind = found.kind;
        e.m_bChecked = defaultCheck;
        e.m_bChanged = 0;
        e.m_pPage = page;
        prevEnd = found.spanEnd;
        ++count;
    }
    ScanResult r;
    r.count = count;
    r.first = firstSlot;
    return r;
}

ScanTable::ScanTable() : m_pEntries(kMaxEntries), m_Pages(kMaxPages) {}

int32_t ScanTable::FindPage(std::string_view pagePath, EmailEntry** first) const {
    const auto found = m_pageIndex.find(PathKey(pagePath));
    if (found == m_pageIndex.end()) {
        return -1;
    }
    const PageRecord& p = Page(found->second);
    if (first != nullptr) {
        *first = p.m_pFirstEntry;
    }
    return p.m_nEntryCount;
}

ScanResult ScanTable::LookupOrScanPage(const std::string& pagePath, int32_t defaultCheck) {
    return LookupOrScan(pagePath, std::nullopt, defaultCheck);
}

ScanResult ScanTable::LookupOrScanReadPage(const std::string& pagePath, FileRead read, int32_t defaultCheck) {
    return LookupOrScan(pagePath, read, defaultCheck);
}

ScanResult ScanTable::LookupOrScan(const std::string& pagePath, std::optional<FileRead> read, int32_t defaultCheck) {
    ScanResult r;
    r.count = FindPage(pagePath, &r.first);
    if (r.count >= 0) {
        return r;
    }
    if (m_nPageCount >= kMaxPages) {
        return Failure(ScanStatus::PageCapacity, texts::kPageCapacity, pagePath);
    }
    EmailEntry* first = m_pEntries.get() + m_nEntryTotal;
    PageRecord* page = &Page(m_nPageCount);
    const int32_t room = kMaxEntries - m_nEntryTotal;
    r = read ? ScanReadPage(pagePath, *read, m_pageScratch.View(), first, room, page, defaultCheck)
             : ScanPage(pagePath, first, room, page, defaultCheck, m_pageScratch);
    if (r.status != ScanStatus::Ok) {
        return r;
    }
    m_nEntryTotal += r.count;
    page->m_pFirstEntry = first;
    page->m_nEntryCount = r.count;
    page->m_bModified = 0;
    page->m_strPath = pagePath;
    m_pageIndex.try_emplace(PathKey(pagePath), m_nPageCount);
    ++m_nPageCount;
    return r;
}

void ScanTable::ResetScanTable() {
    m_nEntryTotal = 0;
    m_nPageCount = 0;
    m_pageIndex.clear();
}

void ApplyDefaultName(EmailEntry& entry, int n, const ConverterSettings& settings) {
    if (entry.m_nKind != EntryKind::Area) {
        const std::string& name = settings.DefaultName(n);
        std::string image;
        const std::string& chosen =
            settings.DefaultIsText(n) != 0
                ? name
                : (image = MakeImageNameForPage(entry.m_strPagePath, name, settings.m_strHomeDir));
        AssignCp949AsPageText(chosen, entry.m_pPage->m_strEncoding, entry.m_strAfterName);
    }
    MarkChanged(entry);
}

void ApplyIdName(EmailEntry& entry) {
    if (entry.m_nKind != EntryKind::Area) {
        entry.m_strAfterName = MakeIdName(entry.m_strAddress);
    }
    MarkChanged(entry);
}

bool HasPlaceholderName(const EmailEntry& entry) {
    return entry.m_nKind != EntryKind::Area && entry.m_pPage != nullptr &&
           entry.m_strAfterName == EntryNamesFor(entry.m_pPage->m_strEncoding).text;
}

void RevertEntry(EmailEntry& entry) {
    entry.m_strAfterName = entry.m_strBeforeName;
    entry.m_bChecked = 0;
    entry.m_bChanged = 0;
    entry.m_pPage->m_bModified = 1;
}

void SetEntryName(EmailEntry& entry, std::string_view name) {
    if (entry.m_nKind != EntryKind::Area) {
        entry.m_strAfterName.assign(name);
    }
    MarkChanged(entry);
}

void SetEntryCheck(EmailEntry& entry, bool checked) {
    entry.m_bChecked = checked ? 1 : 0;
    if (checked) {
        entry.m_pPage->m_bModified = 1;
    }
}

size_t SpanStart(const EmailEntry* first, int32_t i) {
    const size_t prevEnd = i == 0 ? 0 : static_cast<size_t>(first[i - 1].m_nSpanEnd);
    return prevEnd + static_cast<size_t>(first[i].m_nGap);
}

} // namespace orvex
