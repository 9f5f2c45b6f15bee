// SPDX-License-Identifier: MIT
// ScanPage on arbitrary page bytes: every entry keeps the span rules of the scanner, and the
// page's copy, with every entry marked and with none, keeps every byte outside the spans.
#include "converter/page_rewriter.h"
#include "converter/scan_table.h"
#include "fuzz_support.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using orvex::EmailEntry;
using orvex::EntryKind;

bool IsLetter(char c, char lower) {
    return (static_cast<unsigned char>(c) | 0x20) == static_cast<unsigned char>(lower);
}

struct Span {
    size_t start;
    size_t end;
};

// s with each "@" and "." that a mailto link may write encoded ("%40", "&#64;", "&#x40;", "%2E",
// "&#46;", "&#x2E;", letters in any case) written plainly, as the scanner gives such an address.
std::string Plain(std::string_view s) {
    static constexpr std::pair<std::string_view, char> kForms[] = {{"%40", '@'}, {"&#64;", '@'}, {"&#x40;", '@'},
                                                                   {"%2e", '.'}, {"&#46;", '.'}, {"&#x2e;", '.'}};
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c; };
    std::string out;
    for (size_t i = 0; i < s.size();) {
        char plain = 0;
        for (const auto& [form, decoded] : kForms) {
            size_t k = 0;
            while (k < form.size() && i + k < s.size() && lower(s[i + k]) == form[k]) {
                ++k;
            }
            if (k == form.size()) {
                plain = decoded;
                i += k;
                break;
            }
        }
        out += plain != 0 ? plain : s[i++];
    }
    return out;
}

// The spans of the page's entries, checked against the scanned text (the page up to its first NUL).
std::vector<Span> CheckEntries(std::string_view page, const EmailEntry* entries, int32_t count) {
    const std::string_view text = page.substr(0, page.find('\0'));
    std::vector<Span> spans;
    size_t prevEnd = 0;
    for (int32_t i = 0; i < count; ++i) {
        const EmailEntry& e = entries[i];
        FUZZ_CHECK(e.m_nGap >= 0 && e.m_nSpanEnd >= 0);
        const size_t start = prevEnd + static_cast<size_t>(e.m_nGap);
        const size_t end = static_cast<size_t>(e.m_nSpanEnd);
        // Strictly increasing, not overlapping, never empty, never past the scanned text.
        FUZZ_CHECK(start >= prevEnd && start < end && end <= text.size());
        FUZZ_CHECK(orvex::SpanStart(entries, i) == start);
        const std::string_view span = text.substr(start, end - start);

        const std::string_view address = e.m_strAddress;
        FUZZ_CHECK(address.find('@') != std::string_view::npos && address.find('.') != std::string_view::npos);
        const size_t from = start >= address.size() ? start - address.size() : 0;
        const size_t at = text.find(address, from);
        // A link's mailto address may write its "@" and "." encoded: the entry has it decoded, from
        // within its tag.
        const bool decoded = !(at != std::string_view::npos && at + address.size() <= end);
        const size_t tag = text.rfind('<', start);
        FUZZ_CHECK(!decoded || (e.m_nKind != EntryKind::Text && tag != std::string_view::npos &&
                                Plain(text.substr(tag, end - tag)).find(address) != std::string::npos));
        FUZZ_CHECK(e.m_strAfterName == e.m_strBeforeName && e.m_bChanged == 0);
        switch (e.m_nKind) {
        case EntryKind::Text:
            FUZZ_CHECK(span == address);
            break;
        case EntryKind::Anchor:
            // From the tag's "<a" on; the name is text inside it.
            FUZZ_CHECK(span.size() >= 2 && span[0] == '<' && IsLetter(span[1], 'a'));
            FUZZ_CHECK(span.find(address) != std::string_view::npos ||
                       (decoded && Plain(span).find(address) != std::string::npos));
            FUZZ_CHECK(e.m_strBeforeName.empty() || span.find(e.m_strBeforeName) != std::string_view::npos);
            break;
        case EntryKind::Area:
            // From the tag's "hr" on, to the address's end (and its closing quote).
            FUZZ_CHECK(span.size() >= 2 && IsLetter(span[0], 'h') && IsLetter(span[1], 'r'));
            break;
        }
        spans.push_back({start, end});
        prevEnd = end;
    }
    return spans;
}

// The link that replaces a converted entry (the rewriter's own form).
std::string ExpectedLink(const EmailEntry& e, int32_t number) {
    std::string link = "href='javascript:AntiSpam(" + std::to_string(number) + ")'";
    if (e.m_nKind != EntryKind::Area) {
        link = "<a " + link + ">" + e.m_strAfterName + "</a>";
    }
    return link;
}

void CheckRewrite(const orvex::PageRecord& page, std::string_view bytes, const std::vector<Span>& spans) {
    const std::filesystem::path out = orvex::fuzz::Scratch::Dir() / "out" / "page.html";
    orvex::RewriteParams params;
    params.form = orvex::RewriteForm::Kit;
    params.pageCode = "1234567";
    params.cgiKind = orvex::kCgiPhp;
    constexpr int32_t kFirst = 5;

    // Nothing marked: every byte of the page, with the marker comment and the script block at
    // their place (after a leading byte order mark and doctype).
    for (int32_t i = 0; i < page.m_nEntryCount; ++i) {
        page.m_pFirstEntry[i].m_bChecked = 0;
    }
    orvex::RewriteResult r = orvex::RewritePage(page, out.string(), params, kFirst);
    FUZZ_CHECK(r.status == orvex::RewriteStatus::Ok && r.nextNumber == kFirst);
    const std::string plain = orvex::fuzz::ReadScratchFile(out);
    const size_t at = orvex::HeaderOffset(bytes);
    FUZZ_CHECK(at <= bytes.size() && plain.size() > bytes.size());
    const size_t headerSize = plain.size() - bytes.size();
    FUZZ_CHECK(plain.compare(0, at, bytes.substr(0, at)) == 0 &&
               plain.compare(at + headerSize, std::string::npos, bytes.substr(at)) == 0);
    const std::string header = plain.substr(at, headerSize);
    FUZZ_CHECK(header.rfind("<!--AntiSpam1234567", 0) == 0);

    // Everything marked: the same header once, at its place or, when a span runs across that,
    // ahead of the span; the bytes between spans as they were; each span replaced by its link
    // or, when its address cannot go into the kit's data file, kept.
    for (int32_t i = 0; i < page.m_nEntryCount; ++i) {
        page.m_pFirstEntry[i].m_bChecked = 1;
    }
    r = orvex::RewritePage(page, out.string(), params, kFirst);
    FUZZ_CHECK(r.status == orvex::RewriteStatus::Ok);
    const std::string marked = orvex::fuzz::ReadScratchFile(out);
    std::string expected;
    bool headed = false;
    const auto copy = [&](size_t from, size_t to) {
        if (!headed && at <= to) {
            expected.append(bytes.substr(from, at - from)).append(header);
            headed = true;
            from = at;
        }
        expected.append(bytes.substr(from, to - from));
    };
    size_t p = 0;
    int32_t n = kFirst;
    for (size_t i = 0; i < spans.size(); ++i) {
        copy(p, spans[i].start);
        if (!headed && at < spans[i].end) {
            expected += header;
            headed = true;
        }
        const EmailEntry& e = page.m_pFirstEntry[i];
        expected += orvex::EntryIsConverted(e, params)
                        ? ExpectedLink(e, n++)
                        : std::string(bytes.substr(spans[i].start, spans[i].end - spans[i].start));
        p = spans[i].end;
    }
    copy(p, bytes.size());
    FUZZ_CHECK(marked == expected);
    FUZZ_CHECK(r.nextNumber == n);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The table's whole capacity, allocated once: a page may hold any number of entries up to it.
    static const std::unique_ptr<EmailEntry[]> slots = std::make_unique<EmailEntry[]>(orvex::kMaxEntries);
    const std::string_view bytes = orvex::fuzz::AsText(data, size);
    const std::filesystem::path path = orvex::fuzz::Scratch::Dir() / "page.html";
    orvex::fuzz::WriteScratchFile(path, bytes);

    orvex::PageRecord page;
    const orvex::ScanResult r = orvex::ScanPage(path.string(), slots.get(), orvex::kMaxEntries, &page, 1);
    FUZZ_CHECK(r.status == orvex::ScanStatus::Ok || r.status == orvex::ScanStatus::EntryCapacity);
    if (r.status != orvex::ScanStatus::Ok) {
        return 0;
    }
    FUZZ_CHECK(r.first == slots.get() && r.count >= 0 && r.count <= orvex::kMaxEntries);
    FUZZ_CHECK(!page.m_strEncoding.empty());
    for (int32_t i = 0; i < r.count; ++i) {
        FUZZ_CHECK(slots[static_cast<size_t>(i)].m_pPage == &page && slots[static_cast<size_t>(i)].m_bChecked == 1);
    }
    const std::vector<Span> spans = CheckEntries(bytes, slots.get(), r.count);

    page.m_pFirstEntry = slots.get();
    page.m_nEntryCount = r.count;
    page.m_strPath = path.string();
    CheckRewrite(page, bytes, spans);
    return 0;
}
