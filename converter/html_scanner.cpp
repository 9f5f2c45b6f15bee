// SPDX-License-Identifier: MIT
// Finds e-mail address occurrences in a page's raw bytes (conventions in html_scanner.h).
#include "converter/html_scanner.h"

#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define ORVEX_SCAN_SSE2 1
#endif

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

bool IsBackwardStop(char c) {
    switch (c) {
    case '<':
    case ' ':
    case '\'':
    case '"':
    case '>':
    case '=':
    case ':':
    case ';':
    case '\r':
    case '\n':
        return true;
    default:
        return false;
    }
}

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

bool IsLetter(char c, char lower) {
    return (static_cast<unsigned char>(c) | 0x20) == static_cast<unsigned char>(lower);
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

// Offset of the first byte that may start work for the main loop: an "@", or a "<" followed by
// "s"/"S" (a possible script start). t.size() when there is none.
size_t NextCandidate(std::string_view t, size_t i) {
    const char* d = t.data();
    const size_t n = t.size();
#ifdef ORVEX_SCAN_SSE2
    const __m128i at = _mm_set1_epi8('@');
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i s = _mm_set1_epi8('s');
    const __m128i fold = _mm_set1_epi8(0x20);
    while (i + 17 <= n) {
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + 1));
        const __m128i hit = _mm_or_si128(
            _mm_cmpeq_epi8(v0, at), _mm_and_si128(_mm_cmpeq_epi8(v0, lt), _mm_cmpeq_epi8(_mm_or_si128(v1, fold), s)));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0) {
            return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        }
        i += 16;
    }
#endif
    for (; i < n; ++i) {
        if (d[i] == '@' || (d[i] == '<' && i + 1 < n && IsLetter(d[i + 1], 's'))) {
            return i;
        }
    }
    return n;
}

} // namespace

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

TagClass ClassifyTag(std::string_view text, size_t at, size_t tagStart, size_t& spanStart, size_t& spanEnd,
                     std::string_view& name, TagMemo* memo) {
    const size_t k = tagStart;
    if (k + 1 >= text.size() || !IsLetter(text[k + 1], 'a')) {
        return TagClass::NotATag;
    }
    if (k + 2 < text.size() && IsLetter(text[k + 2], 'r')) {
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

bool HtmlScanner::Next(FoundAddress& out) {
    const std::string_view t = m_text;
    while (true) {
        const size_t i = NextCandidate(t, m_pos);
        if (i >= t.size()) {
            m_pos = t.size();
            return false;
        }
        m_pos = i + 1;
        if (t[i] != '@') {
            if (IsScriptOpen(t, i) && SkipScript(i)) {
                ++m_pos; // past the closing "<": it is not an "@" either
            }
            continue;
        }
        // Every "@" inside the address just judged yields that same verdict again (no entry).
        if (i < m_lastAddressEnd) {
            continue;
        }
        const AddressSpan addr = ExtractAddress(t, i);
        m_lastAddressEnd = addr.end;
        const std::string_view address = t.substr(addr.start, addr.end - addr.start);
        if (address.find('.') == std::string_view::npos) {
            continue;
        }
        FoundAddress found;
        found.address = address;
        found.spanStart = addr.start;
        found.spanEnd = addr.end;
        size_t tagStart = 0;
        if (!InsideTag(i, tagStart)) {
            found.kind = EntryKind::Text;
        } else {
            switch (ClassifyTag(t, i, tagStart, found.spanStart, found.spanEnd, found.name, &m_tagMemo)) {
            case TagClass::NotATag:
                continue;
            case TagClass::AreaTag:
                found.kind = EntryKind::Area;
                break;
            case TagClass::AnchorText:
                found.kind = EntryKind::Anchor;
                m_pos = m_tagMemo.anchorClose + 1;
                break;
            }
        }
        // An area without an href before its address, or any span reaching back into the
        // previous one (two addresses in one tag), would make the rewriter cut the page wrongly.
        const bool empty = found.kind == EntryKind::Area && found.spanStart >= found.spanEnd;
        if (empty || found.spanStart < m_prevSpanEnd) {
            continue;
        }
        m_prevSpanEnd = found.spanEnd;
        out = found;
        return true;
    }
}

} // namespace orvex
