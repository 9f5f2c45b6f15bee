// SPDX-License-Identifier: MIT
// The table of scanned pages and the address occurrences found in them, and the edits made to
// those occurrences before generation.
//
// Invariants:
//  1. Storage is allocated once (kMaxEntries entries, kMaxPages pages) and never grows; a scan
//     that would pass either capacity is refused and leaves the table as it was.
//  2. The entries of one page are contiguous, in page order, with strictly increasing,
//     non-overlapping spans; a page record's first entry is the slot that was next free when it
//     was scanned, also when the page has no entries.
//  3. Entries and page records are counted only after a page's scan has completed.
//  4. Names (m_strBeforeName, m_strAfterName) and addresses are page text: bytes in the page's
//     encoding (PageRecord::m_strEncoding). Paths are program text.
#pragma once

#include "converter/entry_kind.h"
#include "converter/settings.h"
#include "platform/file_system.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace orvex {

inline constexpr int32_t kMaxEntries = 10000;
inline constexpr int32_t kMaxPages = 2000;
// Offsets into a page are stored in 32 bits; a longer page is neither scanned nor rewritten.
inline constexpr uint64_t kMaxPageBytes = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());

struct PageRecord;

struct EmailEntry {
    std::string m_strPagePath;
    int32_t m_nGap = 0;     // bytes between the previous span's end (0 for the first) and this span's start
    int32_t m_nSpanEnd = 0; // offset just past this span
    std::string m_strAddress;
    std::string m_strBeforeName;
    std::string m_strAfterName;
    EntryKind m_nKind = EntryKind::Text;
    int32_t m_bChecked = 0;
    int32_t m_bChanged = 0;
    PageRecord* m_pPage = nullptr;
};

struct PageRecord {
    EmailEntry* m_pFirstEntry = nullptr;
    std::string m_strPath;
    int32_t m_nEntryCount = 0;
    uint8_t m_bModified = 0;
    std::string m_strEncoding; // canonical charset of the page (CP949 unless the page declares another)
};

enum class ScanStatus {
    Ok,
    OpenFailed,    // the page could not be opened or read
    PageCapacity,  // kMaxPages pages are already in the table
    EntryCapacity, // the page's entries do not fit into what is left of kMaxEntries
};

struct ScanResult {
    ScanStatus status = ScanStatus::Ok;
    int32_t count = 0;           // entries of the page (Ok only)
    EmailEntry* first = nullptr; // the page's first entry slot (Ok only)
    std::string message;         // for the user, in program text (not Ok only)
};

// Scans the page file at pagePath into the slots from firstSlot on, writing at most room
// entries, each with the default check state, 0 in m_bChanged and page in m_pPage; stores the
// page's encoding in page->m_strEncoding. Returns Ok with the count, OpenFailed, or
// EntryCapacity when the page holds more than room entries (the slots written are then not
// in use). Does not touch the table's counts. The page is read into buffer (its earlier
// contents are lost); the overload without one reads into memory of its own.
ScanResult ScanPage(const std::string& pagePath, EmailEntry* firstSlot, int32_t room, PageRecord* page,
                    int32_t defaultCheck, PageBuffer& buffer);
ScanResult ScanPage(const std::string& pagePath, EmailEntry* firstSlot, int32_t room, PageRecord* page,
                    int32_t defaultCheck);
// As ScanPage, for a page already read (read says how that went, bytes what it gave).
ScanResult ScanReadPage(const std::string& pagePath, FileRead read, std::string_view bytes, EmailEntry* firstSlot,
                        int32_t room, PageRecord* page, int32_t defaultCheck);

class ScanTable {
public:
    ScanTable();
    ScanTable(const ScanTable&) = delete;
    ScanTable& operator=(const ScanTable&) = delete;

    // The entry count of the first page record whose path equals pagePath by the file system's
    // rule, with its first entry in *first; -1 when the page has not been scanned.
    int32_t FindPage(std::string_view pagePath, EmailEntry** first = nullptr) const;

    // The page's entries: those already in the table, as edited, or else those of a new scan
    // appended to the table. Not Ok (with a message, table unchanged) when the page cannot be
    // read or would pass a capacity.
    ScanResult LookupOrScanPage(const std::string& pagePath, int32_t defaultCheck);
    // As LookupOrScanPage, for a page whose bytes were read into PageScratch() already (read
    // says how that went), as ReadAhead hands a site's pages out.
    ScanResult LookupOrScanReadPage(const std::string& pagePath, FileRead read, int32_t defaultCheck);

    // Empties the table; storage is kept.
    void ResetScanTable();

    // Memory the table's scans read pages into, lent to whoever reads a scanned page again (the
    // page rewriter), so that a run holds one page at a time however it goes.
    PageBuffer& PageScratch() const { return m_pageScratch; }

    int32_t EntryTotal() const { return m_nEntryTotal; }
    int32_t PageCount() const { return m_nPageCount; }
    EmailEntry& Entry(int32_t i) { return m_pEntries[static_cast<size_t>(i)]; }
    const EmailEntry& Entry(int32_t i) const { return m_pEntries[static_cast<size_t>(i)]; }
    PageRecord& Page(int32_t i) { return m_Pages[static_cast<size_t>(i)]; }
    const PageRecord& Page(int32_t i) const { return m_Pages[static_cast<size_t>(i)]; }

private:
    ScanResult LookupOrScan(const std::string& pagePath, std::optional<FileRead> read, int32_t defaultCheck);

    LargeArray<EmailEntry> m_pEntries;
    int32_t m_nEntryTotal = 0;
    int32_t m_nPageCount = 0;
    LargeArray<PageRecord> m_Pages;
    // PathKey of each page's path to its record: a whole site is looked up page by page.
    std::unordered_map<std::string, int32_t> m_pageIndex;
    mutable PageBuffer m_pageScratch;
};

// The entry operations of the e-mail list. Each marks the entry's page modified, except
// unchecking. Area entries keep their names under every naming operation.

// Default name n (1..3): the name as the settings hold it when its text flag is set, else made
// page-relative (MakeImageNameForPage); converted from CP949 into the page's encoding.
void ApplyDefaultName(EmailEntry& entry, int n, const ConverterSettings& settings);
// The ID rule: the address's text before its first "@".
void ApplyIdName(EmailEntry& entry);
// Back to the name found at scan time, unchecked.
void RevertEntry(EmailEntry& entry);
// A name given by the user, in the page's encoding.
void SetEntryName(EmailEntry& entry, std::string_view name);
void SetEntryCheck(EmailEntry& entry, bool checked);

// True for an entry that still carries the name given to an address found in text ("click
// here to edit"): published as it stands, it would show that instruction on the page.
bool HasPlaceholderName(const EmailEntry& entry);

// The span start of entry i of a page whose entries start at first (start = previous span end + gap).
size_t SpanStart(const EmailEntry* first, int32_t i);

} // namespace orvex
