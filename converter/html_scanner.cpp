// SPDX-License-Identifier: MIT
// Finds e-mail address occurrences in a page's raw bytes (conventions in html_scanner.h).
#include "converter/html_scanner.h"

#include "converter/block_search.h"

#include <algorithm>
#include <cstring>

namespace orvex {

std::string_view EntryKindName(EntryKind kind) {
    switch (kind) {
    case EntryKind::Text:
        return "text";
    case EntryKind::Anchor:
        return "anchor";
    case EntryKind::Area:
        return "area";
    }
    return "text";
}

namespace {

constexpr size_t npos = std::string_view::npos;

bool IsForwardStop(char c) {
    switch (c) {
    case '<':
    case ' ':
    case '\'':
    case '"':
    case '>':
    case '\r':
    case '\n':
        return true;
    default:
        return false;
    }
}

// Before the "@" the separators of a mailto link's prefix or an attribute stop the address too;
// after it they may belong to its query.
bool IsBackwardStop(char c) {
    return IsForwardStop(c) || c == '=' || c == ':' || c == ';';
}

bool IsLetter(char c, char lower) {
    return (static_cast<unsigned char>(c) | 0x20) == static_cast<unsigned char>(lower);
}

bool IsHighByte(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

// Bytes a harvester reads as sentence punctuation after an address in text, not as its part.
bool IsTrailingPunctuation(char c) {
    switch (c) {
    case '.':
    case ',':
    case ';':
    case ':':
    case '!':
    case '?':
    case ')':
    case ']':
        return true;
    default:
        return false;
    }
}

// A tag name ends at white space, "/" or ">"; "<abbr" or "<address" is no anchor.
bool EndsTagName(std::string_view t, size_t i) {
    if (i >= t.size()) {
        return false;
    }
    switch (t[i]) {
    case ' ':
    case '\t':
    case '\r':
    case '\n':
    case '/':
    case '>':
        return true;
    default:
        return false;
    }
}

enum class TagName { Anchor, Area, Other };

TagName NameOfTag(std::string_view t, size_t k) {
    if (k + 1 >= t.size() || !IsLetter(t[k + 1], 'a')) {
        return TagName::Other;
    }
    if (EndsTagName(t, k + 2)) {
        return TagName::Anchor;
    }
    if (k + 4 < t.size() && IsLetter(t[k + 2], 'r') && IsLetter(t[k + 3], 'e') && IsLetter(t[k + 4], 'a') &&
        EndsTagName(t, k + 5)) {
        return TagName::Area;
    }
    return TagName::Other;
}

// Length of the "." written as "%2E", "&#46;" or "&#x2E;" (any case) at i, or 0.
size_t EncodedDotLength(std::string_view t, size_t i) {
    const std::string_view r = t.substr(i, 6);
    if (r.size() >= 3 && r[0] == '%' && r[1] == '2' && IsLetter(r[2], 'e')) {
        return 3;
    }
    if (r.size() >= 5 && r.substr(0, 5) == "&#46;") {
        return 5;
    }
    if (r.size() >= 6 && r[0] == '&' && r[1] == '#' && IsLetter(r[2], 'x') && r[3] == '2' && IsLetter(r[4], 'e') &&
        r[5] == ';') {
        return 6;
    }
    return 0;
}

// The address with its encoded "@" and "." written plainly: what a mail program would use.
void DecodeAddress(std::string_view a, std::string& out) {
    out.clear();
    for (size_t i = 0; i < a.size();) {
        if (const size_t n = EncodedAtLength(a, i); n != 0) {
            out += '@';
            i += n;
        } else if (const size_t m = EncodedDotLength(a, i); m != 0) {
            out += '.';
            i += m;
        } else {
            out += a[i++];
        }
    }
}

// "<" followed by s, c, r, i in either case.
bool IsScriptOpen(std::string_view t, size_t i) {
    return i + 4 < t.size() && t[i] == '<' && IsLetter(t[i + 1], 's') && IsLetter(t[i + 2], 'c') &&
           IsLetter(t[i + 3], 'r') && IsLetter(t[i + 4], 'i');
}

// Offset of the first "</" s c r at or after from, or npos.
size_t FindScriptClose(std::string_view t, size_t from) {
    while (from < t.size()) {
        const void* hit = std::memchr(t.data() + from, '<', t.size() - from);
        if (hit == nullptr) {
            return npos;
        }
        const auto p = static_cast<size_t>(static_cast<const char*>(hit) - t.data());
        if (p + 4 < t.size() && t[p + 1] == '/' && IsLetter(t[p + 2], 's') && IsLetter(t[p + 3], 'c') &&
            IsLetter(t[p + 4], 'r')) {
            return p;
        }
        from = p + 1;
    }
    return npos;
}

// Offset of the first "</a" or "</A" at or after from, or t.size().
size_t FindAnchorClose(std::string_view t, size_t from) {
    while (from < t.size()) {
        const void* hit = std::memchr(t.data() + from, '<', t.size() - from);
        if (hit == nullptr) {
            break;
        }
        const auto p = static_cast<size_t>(static_cast<const char*>(hit) - t.data());
        if (p + 2 < t.size() && t[p + 1] == '/' && IsLetter(t[p + 2], 'a')) {
            return p;
        }
        from = p + 1;
    }
    return t.size();
}

// Offset of the last byte c in [from, to), or npos.
size_t LastByteBefore(std::string_view t, char c, size_t to, size_t from) {
    const char* d = t.data();
#ifdef ORVEX_BLOCK_SSE2
    const __m128i want = _mm_set1_epi8(c);
    while (to >= from + 16) {
        const auto m = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + to - 16)), want)));
        if (m != 0) {
            return to - 16 + static_cast<size_t>(31 - __builtin_clz(m));
        }
        to -= 16;
    }
#endif
    while (to > from) {
        if (d[--to] == c) {
            return to;
        }
    }
    return npos;
}

// Whether the bytes c, next, third start work for the main loop (see NextCandidate).
bool IsCandidate(char c, char next, char third) {
    return c == '@' || (c == '<' && IsLetter(next, 's') && IsLetter(third, 'c')) || (c == '%' && next == '4') ||
           (c == '&' && next == '#');
}

// The same test on every byte of the block at p at once, returned as a bit mask; the two bytes
// after the block are read too. Written once for both vector widths: V is __m128i or __m256i, with the
// matching operations (a macro, not a function, so that it takes on the target of the function
// using it).
#define ORVEX_RETURN_CANDIDATE_MASK(p, V, loadu, set1, cmpeq, orv, andv, movemask)                                     \
    const V v0 = loadu(reinterpret_cast<const V*>(p));                                                                 \
    const V v1 = loadu(reinterpret_cast<const V*>((p) + 1));                                                           \
    const V v2 = loadu(reinterpret_cast<const V*>((p) + 2));                                                           \
    const V tag = andv(andv(cmpeq(v0, set1('<')), cmpeq(orv(v1, set1(0x20)), set1('s'))),                              \
                       cmpeq(orv(v2, set1(0x20)), set1('c')));                                                         \
    const V escape =                                                                                                   \
        orv(andv(cmpeq(v0, set1('%')), cmpeq(v1, set1('4'))), andv(cmpeq(v0, set1('&')), cmpeq(v1, set1('#'))));       \
    return static_cast<unsigned>(movemask(orv(orv(cmpeq(v0, set1('@')), tag), escape)))

size_t NextCandidateScalar(const char* d, size_t i, size_t n) {
    for (; i < n; ++i) {
        if (IsCandidate(d[i], i + 1 < n ? d[i + 1] : '\0', i + 2 < n ? d[i + 2] : '\0')) {
            return i;
        }
    }
    return n;
}

ORVEX_BLOCK_SEARCH(NextCandidateIn, ORVEX_RETURN_CANDIDATE_MASK, 2, NextCandidateScalar)

#undef ORVEX_RETURN_CANDIDATE_MASK

// Offset of the first byte that may start work for the main loop: an "@"; a "<" followed by
// "sc" in either case (a possible script start); a "%" followed by "4" or an "&" followed by "#" (a possible
// "@" written as an escape or entity in a mailto link). t.size() when there is none.
size_t NextCandidate(std::string_view t, size_t i) {
    return NextCandidateIn(t.data(), i, t.size());
}

} // namespace

size_t EncodedAtLength(std::string_view t, size_t i) {
    const std::string_view r = t.substr(i, 6);
    if (r.size() >= 3 && r[0] == '%' && r[1] == '4' && r[2] == '0') {
        return 3;
    }
    if (r.size() >= 5 && r.substr(0, 5) == "&#64;") {
        return 5;
    }
    if (r.size() >= 6 && r[0] == '&' && r[1] == '#' && IsLetter(r[2], 'x') && r.substr(3) == "40;") {
        return 6;
    }
    return 0;
}

AddressSpan ExtractAddress(std::string_view text, size_t at) {
    AddressSpan span;
    size_t b = at + 1;
    while (b > 0 && !IsBackwardStop(text[b - 1])) {
        --b;
    }
    span.start = b;
    size_t f = at;
    while (f < text.size() && !IsForwardStop(text[f])) {
        ++f;
    }
    span.end = f;
    return span;
}

AddressSpan ExtractTextAddress(std::string_view text, size_t at) {
    AddressSpan span;
    size_t b = at + 1;
    while (b > 0) {
        const char c = text[b - 1];
        if (IsBackwardStop(c) || c == '(' || c == '[' || IsHighByte(c)) {
            break;
        }
        --b;
    }
    span.start = b;
    size_t f = at;
    while (f < text.size()) {
        const char c = text[f];
        if (IsForwardStop(c) || c == '&' || IsHighByte(c)) {
            break;
        }
        ++f;
    }
    while (f > at + 1 && IsTrailingPunctuation(text[f - 1])) {
        --f;
    }
    span.end = f;
    return span;
}

TagClass ClassifyTag(std::string_view text, size_t at, size_t tagStart, size_t& spanStart, size_t& spanEnd,
                     std::string_view& name, TagMemo* memo) {
    const size_t k = tagStart;
    const TagName tag = NameOfTag(text, k);
    if (tag == TagName::Other) {
        return TagClass::NotATag;
    }
    if (tag == TagName::Area) {
        if (spanEnd < text.size() && (text[spanEnd] == '\'' || text[spanEnd] == '"')) {
            ++spanEnd;
        }
        size_t h = (memo != nullptr && memo->tag == k) ? memo->hrefSearched : k;
        while (h < spanEnd && h + 1 < text.size() && !(IsLetter(text[h], 'h') && IsLetter(text[h + 1], 'r'))) {
            ++h;
        }
        const bool found = h < spanEnd && h + 1 < text.size();
        if (memo != nullptr) {
            memo->tag = k;
            memo->hrefSearched = h;
        }
        spanStart = found ? h : text.size();
        return TagClass::AreaTag;
    }
    const size_t m = FindAnchorClose(text, at);
    const void* gt = std::memchr(text.data() + at, '>', m - at);
    const size_t g = gt == nullptr ? m : static_cast<size_t>(static_cast<const char*>(gt) - text.data());
    name = g + 1 < m ? text.substr(g + 1, m - g - 1) : std::string_view{};
    spanStart = k;
    spanEnd = m + 4 < text.size() ? m + 4 : text.size();
    if (memo != nullptr) {
        memo->anchorClose = m;
    }
    return TagClass::AnchorText;
}

HtmlScanner::HtmlScanner(std::string_view page) : m_noScriptCloseFrom(npos), m_lastBracket(npos) {
    const void* nul = std::memchr(page.data(), '\0', page.size());
    m_text = nul == nullptr ? page : page.substr(0, static_cast<size_t>(static_cast<const char*>(nul) - page.data()));
}

// True when, scanning backward from at (inclusive), a "<" comes before any ">"; tagStart is then
// that "<". Remembers what earlier calls searched so that no byte is searched twice.
bool HtmlScanner::InsideTag(size_t at, size_t& tagStart) {
    size_t found = npos;
    for (size_t p = at + 1; p > m_bracketScannedTo; --p) {
        const char c = m_text[p - 1];
        if (c == '<' || c == '>') {
            found = p - 1;
            break;
        }
    }
    if (found == npos) {
        found = m_lastBracket;
    }
    m_bracketScannedTo = at + 1;
    m_lastBracket = found;
    if (found == npos || m_text[found] == '>') {
        return false;
    }
    tagStart = found;
    return true;
}

// The script skip at a "<script" at offset at: moves the position to the closing "</scr", or
// leaves it when there is none (an unterminated script is scanned).
bool HtmlScanner::SkipScript(size_t at) {
    if (m_noScriptCloseFrom != npos && at >= m_noScriptCloseFrom) {
        return false;
    }
    const size_t close = FindScriptClose(m_text, at);
    if (close == npos) {
        m_noScriptCloseFrom = at;
        return false;
    }
    m_pos = close;
    return true;
}

// An anchor or area at tagStart whose mailto link writes its "@" as an entity or escape, which
// every harvester decodes: the entry a literal "@" there would give, its address decoded.
bool HtmlScanner::EncodedMailto(size_t tagStart, FoundAddress& found) {
    const std::string_view t = m_text;
    if (NameOfTag(t, tagStart) == TagName::Other) {
        return false;
    }
    const void* gt = std::memchr(t.data() + tagStart, '>', t.size() - tagStart);
    const size_t tagEnd = gt == nullptr ? t.size() : static_cast<size_t>(static_cast<const char*>(gt) - t.data());
    const std::string_view tag = t.substr(tagStart, tagEnd - tagStart);
    // A literal "@" in the tag is found by the main loop under the usual rules.
    if (tag.find('@') != std::string_view::npos) {
        return false;
    }
    size_t colon = tag.find(':');
    while (colon != std::string_view::npos) {
        constexpr std::string_view kScheme = "mailto";
        bool scheme = colon >= kScheme.size();
        for (size_t i = 0; scheme && i < kScheme.size(); ++i) {
            scheme = IsLetter(tag[colon - kScheme.size() + i], kScheme[i]);
        }
        if (scheme) {
            break;
        }
        colon = tag.find(':', colon + 1);
    }
    if (colon == std::string_view::npos) {
        return false;
    }
    // The address runs from the scheme's ":" (a backward stop) to the usual forward stops.
    const size_t from = tagStart + colon + 1;
    size_t at = from;
    size_t atLength = 0;
    while (at < tagEnd && !IsForwardStop(t[at]) && (atLength = EncodedAtLength(t, at)) == 0) {
        ++at;
    }
    if (atLength == 0) {
        return false;
    }
    size_t end = at + atLength;
    while (end < t.size() && !IsForwardStop(t[end])) {
        ++end;
    }
    DecodeAddress(t.substr(from, end - from), m_decoded);
    if (m_decoded.find('.') == std::string::npos) {
        return false;
    }
    found = FoundAddress{};
    found.address = m_decoded;
    found.spanStart = from;
    found.spanEnd = end;
    return EntryOfTag(at, tagStart, found);
}

// The entry of the "@" (or escaped "@") at at, found in the tag at tagStart: an area, or an
// anchor with the scan moved past its "</a"; false when the tag is neither.
bool HtmlScanner::EntryOfTag(size_t at, size_t tagStart, FoundAddress& found) {
    switch (ClassifyTag(m_text, at, tagStart, found.spanStart, found.spanEnd, found.name, &m_tagMemo)) {
    case TagClass::NotATag:
        return false;
    case TagClass::AreaTag:
        found.kind = EntryKind::Area;
        return true;
    case TagClass::AnchorText:
        found.kind = EntryKind::Anchor;
        m_pos = m_tagMemo.anchorClose + 1;
        return true;
    }
    return false;
}

// True when the text "@" at at stands in the text of an "a" element: the nearest anchor tag
// before it opens one ("<a" ended as a tag name) rather than closes one ("</a" ended so). A link put
// there would be a link inside a link, which browsers split, emptying the page's own. Remembers
// what earlier calls searched, so that no byte is searched twice.
bool HtmlScanner::InsideLink(size_t at) {
    const std::string_view t = m_text;
    for (size_t p = LastByteBefore(t, '<', at, m_linkScannedTo); p != npos;
         p = LastByteBefore(t, '<', p, m_linkScannedTo)) {
        if (NameOfTag(t, p) == TagName::Anchor) {
            m_linkOpen = true;
            break;
        }
        if (p + 2 < t.size() && t[p + 1] == '/' && IsLetter(t[p + 2], 'a') && EndsTagName(t, p + 3)) {
            m_linkOpen = false;
            break;
        }
    }
    m_linkScannedTo = at;
    return m_linkOpen;
}

// Takes found unless it would make the rewriter cut the page wrongly: an area without an href
// before its address, or a span reaching back into the previous one (two addresses in one tag).
bool HtmlScanner::Accept(const FoundAddress& found, FoundAddress& out) {
    const bool empty = found.kind == EntryKind::Area && found.spanStart >= found.spanEnd;
    if (empty || found.spanStart < m_prevSpanEnd) {
        return false;
    }
    m_prevSpanEnd = found.spanEnd;
    out = found;
    return true;
}

bool HtmlScanner::Next(FoundAddress& out) {
    const std::string_view t = m_text;
    while (true) {
        const size_t i = NextCandidate(t, m_pos);
        if (i >= t.size()) {
            m_pos = t.size();
            return false;
        }
        m_pos = i + 1;
        FoundAddress found;
        if (t[i] == '<') {
            if (IsScriptOpen(t, i)) {
                if (SkipScript(i)) {
                    ++m_pos; // past the closing "<": it is not an "@" either
                }
            }
            continue;
        }
        if (t[i] != '@') {
            // An escaped "@" counts only in the mailto link of an anchor or area tag.
            size_t tagStart = 0;
            if (EncodedAtLength(t, i) != 0 && InsideTag(i, tagStart) && EncodedMailto(tagStart, found) &&
                Accept(found, out)) {
                return true;
            }
            continue;
        }
        // Every "@" inside the address just judged yields that same verdict again (no entry).
        if (i < m_lastAddressEnd) {
            continue;
        }
        size_t tagStart = 0;
        const bool inTag = InsideTag(i, tagStart);
        // In text an address ends where sentence and markup begin; in a tag it keeps its query.
        const AddressSpan addr = inTag ? ExtractAddress(t, i) : ExtractTextAddress(t, i);
        m_lastAddressEnd = addr.end;
        const std::string_view address = t.substr(addr.start, addr.end - addr.start);
        if (address.find('.') == std::string_view::npos) {
            continue;
        }
        found.address = address;
        found.spanStart = addr.start;
        found.spanEnd = addr.end;
        if (!inTag) {
            if (InsideLink(i)) {
                continue;
            }
            found.kind = EntryKind::Text;
        } else if (!EntryOfTag(i, tagStart, found)) {
            continue;
        }
        if (Accept(found, out)) {
            return true;
        }
    }
}

} // namespace orvex
