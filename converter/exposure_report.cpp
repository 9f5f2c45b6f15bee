// SPDX-License-Identifier: MIT
// What a harvester could still take from a written page (conventions in exposure_report.h).
#include "converter/exposure_report.h"

#include "converter/block_search.h"
#include "converter/html_scanner.h"
#include "converter/json_text.h"

#include "converter/message.h"
#include "converter/texts.h"
#include "platform/text_codec.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <cstring>
#include <utility>

namespace orvex {

std::string_view ExposureWhereName(ExposureWhere where) {
    switch (where) {
    case ExposureWhere::Text:
        return "text";
    case ExposureWhere::Comment:
        return "comment";
    case ExposureWhere::Script:
        return "script";
    case ExposureWhere::Attribute:
        return "attribute";
    case ExposureWhere::File:
        return "file";
    }
    return "text";
}

namespace {

constexpr size_t npos = std::string_view::npos;

// Byte classes of the address pattern: the local part, a domain label, a letter of the last label.
enum : uint8_t { kLocal = 1, kLabel = 2, kLetter = 4 };

constexpr std::array<uint8_t, 256> MakeClasses() {
    std::array<uint8_t, 256> c{};
    for (int b = 0; b < 256; ++b) {
        const bool letter = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z');
        const bool label = letter || (b >= '0' && b <= '9') || b == '-';
        const bool local = label || b == '.' || b == '_' || b == '%' || b == '+';
        c[static_cast<size_t>(b)] =
            static_cast<uint8_t>((local ? kLocal : 0) | (label ? kLabel : 0) | (letter ? kLetter : 0));
    }
    return c;
}

constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

bool Is(char c, uint8_t cls) {
    return (kClasses[static_cast<unsigned char>(c)] & cls) != 0;
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = LowerAscii(c);
    }
    return out;
}

bool EqualsLowered(std::string_view text, std::string_view lowered) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (LowerAscii(text[i]) != lowered[i]) {
            return false;
        }
    }
    return true;
}

size_t Offset(std::string_view t, const void* hit) {
    return static_cast<size_t>(static_cast<const char*>(hit) - t.data());
}

// Whether the byte pair at d may start an "@" form: "@", "%4" or "&#". A "%" or "&" alone is
// common in markup (a query's "&", a "%20") and would stop the search for nothing.
bool IsAtCandidate(char c, char next) {
    return c == '@' || (c == '%' && next == '4') || (c == '&' && next == '#');
}

size_t NextAtCandidateScalar(const char* d, size_t i, size_t n) {
    for (; i < n; ++i) {
        if (IsAtCandidate(d[i], i + 1 < n ? d[i + 1] : '\0')) {
            return i;
        }
    }
    return n;
}

// The same test on every byte of the block at p at once, as a bit mask; reads the byte after the
// block too. A macro so that it takes on the target of the function using it (see block_search.h).
#define ORVEX_RETURN_AT_CANDIDATE_MASK(p, V, loadu, set1, cmpeq, orv, andv, movemask)                                  \
    const V v0 = loadu(reinterpret_cast<const V*>(p));                                                                 \
    const V v1 = loadu(reinterpret_cast<const V*>((p) + 1));                                                           \
    const V escape =                                                                                                   \
        orv(andv(cmpeq(v0, set1('%')), cmpeq(v1, set1('4'))), andv(cmpeq(v0, set1('&')), cmpeq(v1, set1('#'))));       \
    return static_cast<unsigned>(movemask(orv(cmpeq(v0, set1('@')), escape)))

ORVEX_BLOCK_SEARCH(NextAtCandidateIn, ORVEX_RETURN_AT_CANDIDATE_MASK, 1, NextAtCandidateScalar)

#undef ORVEX_RETURN_AT_CANDIDATE_MASK

// Offset of the first byte at or after i where an "@" form may start, or t.size().
size_t NextAtCandidate(std::string_view t, size_t i) {
    return NextAtCandidateIn(t.data(), i, t.size());
}

// Length of the "@" form at q ("@", "%40", "&#64;", "&#x40;", "&#X40;"), 0 when there is none.
size_t AtFormLength(std::string_view t, size_t q) {
    return t[q] == '@' ? 1 : EncodedAtLength(t, q);
}

// End of the domain that starts at d, or npos. Labels are whole runs of label bytes joined by
// single dots; the pattern ends in the leading letters of the last label (not the first) that
// starts with two of them.
size_t DomainEnd(std::string_view t, size_t d) {
    const size_t n = t.size();
    size_t i = d;
    size_t labels = 0;
    size_t end = npos;
    for (;;) {
        const size_t label = i;
        while (i < n && Is(t[i], kLabel)) {
            ++i;
        }
        if (i == label) {
            return end; // only the first label can be empty: a dot is taken only before a label
        }
        if (++labels >= 2) {
            size_t k = label;
            while (k < i && Is(t[k], kLetter)) {
                ++k;
            }
            if (k - label >= 2) {
                end = k;
            }
        }
        if (i + 1 < n && t[i] == '.' && Is(t[i + 1], kLabel)) {
            ++i;
            continue;
        }
        return end;
    }
}

struct PatternMatch {
    size_t start = 0;
    size_t at = 0; // the "@" form
    size_t atLength = 0;
    size_t end = 0;
};

// Every match of the address pattern, in order (convention 2).
void FindPatternMatches(std::string_view t, std::vector<PatternMatch>& out) {
    const size_t n = t.size();
    size_t resume = 0; // matches start here or later
    size_t i = 0;
    while ((i = NextAtCandidate(t, i)) < n) {
        const size_t q = i;
        const size_t atLength = AtFormLength(t, q);
        if (atLength == 0) {
            i = q + 1;
            continue;
        }
        size_t start = q;
        while (start > resume && Is(t[start - 1], kLocal)) {
            --start;
        }
        if (start == q) {
            i = q + 1;
            continue;
        }
        PatternMatch best;
        bool found = false;
        const auto tryAt = [&](size_t at, size_t length) {
            const size_t end = DomainEnd(t, at + length);
            if (end != npos) {
                best = {start, at, length, end};
                found = true;
            }
        };
        size_t next = q + 1;
        if (t[q] != '%') {
            tryAt(q, atLength);
        } else {
            // "%40" is made of local bytes, so the local part may run on to a later "@" form of
            // the same run; the pattern takes the last one with a domain. Each domain tried here
            // stops at the next "%", so the run is read once.
            size_t runEnd = q;
            while (runEnd < n && Is(t[runEnd], kLocal)) {
                ++runEnd;
            }
            for (size_t p = q; p < runEnd;) {
                const void* hit = std::memchr(t.data() + p, '%', runEnd - p);
                if (hit == nullptr) {
                    break;
                }
                p = Offset(t, hit);
                if (AtFormLength(t, p) == 3) {
                    tryAt(p, 3);
                }
                ++p;
            }
            if (runEnd < n) {
                const size_t length = AtFormLength(t, runEnd);
                if (length != 0) {
                    tryAt(runEnd, length);
                }
            }
            // No "@" form up to the run's end starts a match after this one.
            next = runEnd < n ? runEnd + 1 : n;
        }
        if (found) {
            out.push_back(best);
            resume = best.end;
            next = std::max(next, best.end);
        }
        i = next;
    }
}

std::string Decoded(std::string_view t, const PatternMatch& m) {
    std::string out;
    out.reserve(m.end - m.start - m.atLength + 1);
    out.append(t.substr(m.start, m.at - m.start));
    out += '@';
    out.append(t.substr(m.at + m.atLength, m.end - m.at - m.atLength));
    return out;
}

// The key of a protected address's first "@": up to three lower-cased bytes either side of it.
uint64_t KeyAt(const char* at, size_t before, size_t after) {
    uint64_t key = 0;
    for (size_t k = before; k > 0; --k) {
        key = (key << 8) | static_cast<unsigned char>(LowerAscii(at[-static_cast<ptrdiff_t>(k)]));
    }
    for (size_t k = 1; k <= after; ++k) {
        key = (key << 8) | static_cast<unsigned char>(LowerAscii(at[k]));
    }
    return key | (static_cast<uint64_t>(before) << 48) | (static_cast<uint64_t>(after) << 52);
}

constexpr size_t kKeyBytes = 3;

// Makes room for one more element, growing as push_back would, so that the push_back after it
// cannot fail.
template <typename T>
void RoomForOne(std::vector<T>& v) {
    if (v.size() == v.capacity()) {
        v.reserve(std::max<size_t>(16, v.capacity() * 2));
    }
}

// The line breaks of whole blocks from i on while a block and the byte after it lie before n and
// the block ends by to; i moves past them. Each break adds 1 to its byte lane (a compare gives
// -1); the lanes are summed before any of them can overflow.
#define ORVEX_COUNT_BREAKS(V, kWidth, loadu, set1, setzero, cmpeq, orv, andnot, sub, sum)                              \
    size_t count = 0;                                                                                                  \
    const V lf = set1('\n');                                                                                           \
    const V cr = set1('\r');                                                                                           \
    while (i + (kWidth) <= to && i + (kWidth) + 1 <= n) {                                                              \
        V lanes = setzero();                                                                                           \
        for (int block = 0; block < 255 && i + (kWidth) <= to && i + (kWidth) + 1 <= n; ++block, i += (kWidth)) {      \
            const V v = loadu(reinterpret_cast<const V*>(d + i));                                                      \
            const V w = loadu(reinterpret_cast<const V*>(d + i + 1));                                                  \
            lanes = sub(lanes, orv(cmpeq(v, lf), andnot(cmpeq(w, lf), cmpeq(v, cr))));                                 \
        }                                                                                                              \
        count += sum(lanes);                                                                                           \
    }                                                                                                                  \
    return count

#ifdef ORVEX_BLOCK_SSE2
size_t SumLanes(__m128i lanes) {
    const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    return static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
           static_cast<size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
}

size_t CountBreaksSse2(const char* d, size_t& i, size_t to, size_t n) {
    ORVEX_COUNT_BREAKS(__m128i, 16, _mm_loadu_si128, _mm_set1_epi8, _mm_setzero_si128, _mm_cmpeq_epi8, _mm_or_si128,
                       _mm_andnot_si128, _mm_sub_epi8, SumLanes);
}
#endif

#ifdef ORVEX_BLOCK_AVX2
__attribute__((target("avx2"))) size_t SumLanesAvx2(__m256i lanes) {
    const __m256i sums = _mm256_sad_epu8(lanes, _mm256_setzero_si256());
    const __m128i pairs = _mm_add_epi64(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
    return static_cast<size_t>(_mm_cvtsi128_si64(pairs)) +
           static_cast<size_t>(_mm_cvtsi128_si64(_mm_srli_si128(pairs, 8)));
}

__attribute__((target("avx2"))) size_t CountBreaksAvx2(const char* d, size_t& i, size_t to, size_t n) {
    ORVEX_COUNT_BREAKS(__m256i, 32, _mm256_loadu_si256, _mm256_set1_epi8, _mm256_setzero_si256, _mm256_cmpeq_epi8,
                       _mm256_or_si256, _mm256_andnot_si256, _mm256_sub_epi8, SumLanesAvx2);
}
#endif

#undef ORVEX_COUNT_BREAKS

// Line numbers, moving forward only.
class LineCursor {
public:
    explicit LineCursor(std::string_view t) : m_t(t) {}

    // The line of the byte at off; off never decreases from call to call.
    size_t LineAt(size_t off) {
        assert(off >= m_pos);
        m_line += CountBreaks(m_pos, off);
        m_pos = off;
        return m_line;
    }

private:
    // LF bytes in [from, to), and CR bytes there that no LF follows.
    size_t CountBreaks(size_t from, size_t to) const {
        const char* d = m_t.data();
        const size_t n = m_t.size();
        size_t count = 0;
        size_t i = from;
#ifdef ORVEX_BLOCK_AVX2
        if (HasAvx2()) {
            count += CountBreaksAvx2(d, i, to, n);
        }
#endif
#ifdef ORVEX_BLOCK_SSE2
        count += CountBreaksSse2(d, i, to, n);
#endif
        for (; i < to; ++i) {
            count += (d[i] == '\n' || (d[i] == '\r' && (i + 1 == n || d[i + 1] != '\n'))) ? 1 : 0;
        }
        return count;
    }

    std::string_view m_t;
    size_t m_pos = 0;
    size_t m_line = 1;
};

bool IsAsciiLetter(char c) {
    return Is(c, kLetter);
}

bool IsHtmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// A "<" that starts a construct: a comment, or a tag (an ASCII letter, "/", "!" or "?" next).
bool StartsConstruct(std::string_view t, size_t lt) {
    if (lt + 1 >= t.size() || t[lt] != '<') {
        return false;
    }
    const char c = t[lt + 1];
    return IsAsciiLetter(c) || c == '/' || c == '!' || c == '?';
}

// Whether the block at p holds a "<" followed by "!-", or by "sc" or "st" in either case, one bit a
// byte; reads the two bytes after the block too.
#define ORVEX_RETURN_SPECIAL_MASK(p, V, loadu, set1, cmpeq, orv, andv, movemask)                                       \
    const V fold = set1(0x20);                                                                                         \
    const V v1 = loadu(reinterpret_cast<const V*>((p) + 1));                                                           \
    const V v2 = loadu(reinterpret_cast<const V*>((p) + 2));                                                           \
    const V v2Folded = orv(v2, fold);                                                                                  \
    const V comment = andv(cmpeq(v1, set1('!')), cmpeq(v2, set1('-')));                                                \
    const V raw = andv(cmpeq(orv(v1, fold), set1('s')), orv(cmpeq(v2Folded, set1('c')), cmpeq(v2Folded, set1('t'))));  \
    return static_cast<unsigned>(                                                                                      \
        movemask(andv(cmpeq(loadu(reinterpret_cast<const V*>(p)), set1('<')), orv(comment, raw))))

size_t NextSpecialScalar(const char* d, size_t i, size_t n) {
    for (; i + 2 < n; ++i) {
        const char third = LowerAscii(d[i + 2]);
        if (d[i] == '<' &&
            ((d[i + 1] == '!' && d[i + 2] == '-') || (LowerAscii(d[i + 1]) == 's' && (third == 'c' || third == 't')))) {
            return i;
        }
    }
    return n;
}

ORVEX_BLOCK_SEARCH(NextSpecialIn, ORVEX_RETURN_SPECIAL_MASK, 2, NextSpecialScalar)

#undef ORVEX_RETURN_SPECIAL_MASK

// Offset of the first "<" at or after i followed by "!-", or by "sc" or "st" in either case (where
// a comment, a script or a style element may start), or t.size(). Not "<s" alone: a page's many
// "<span"s would each stop the search.
size_t NextSpecialCandidate(std::string_view t, size_t i) {
    return NextSpecialIn(t.data(), i, t.size());
}

// Whether a byte of a plain stretch of markup (text and tags only, text at its start) lies in a
// tag. After any ">" the markup is text, and the first construct "<" after it opens a tag that
// lasts to the next ">": so only the nearest ">" before the byte and what follows it matter.
// Offsets asked for never decrease, and no byte is looked at more than twice.
class TagProbe {
public:
    void Reset(size_t start) {
        m_probe = start;
        m_tagOpen = npos;
    }

    // True when the byte at x is in a tag that opened before it (x itself not looked at).
    bool InTagBefore(std::string_view t, size_t x) {
        if (x > m_probe) {
            size_t from = m_probe;
            for (size_t k = x; k > m_probe; --k) {
                if (t[k - 1] == '>') {
                    m_tagOpen = npos;
                    from = k;
                    break;
                }
            }
            for (size_t k = from; m_tagOpen == npos && k < x;) {
                const void* lt = std::memchr(t.data() + k, '<', x - k);
                if (lt == nullptr) {
                    break;
                }
                k = Offset(t, lt);
                if (StartsConstruct(t, k)) {
                    m_tagOpen = k;
                }
                ++k;
            }
            m_probe = x;
        }
        return m_tagOpen != npos;
    }

private:
    size_t m_probe = 0;      // bytes before this were looked at
    size_t m_tagOpen = npos; // the "<" of the tag open at m_probe, if any
};

// Where each byte stands in the markup (convention 5), moving forward only. The page is cut into
// plain stretches (text and tags) and the special constructs between them (a comment; a script
// or style element's start tag and raw content); a vector search finds the next special
// construct, and a byte of a plain stretch is placed by what lies just before it. So ordinary
// tags cost nothing but the vector search, however dense the markup.
class MarkupCursor {
public:
    explicit MarkupCursor(std::string_view t) : m_t(t) { FindSpecial(0); }

    // Where the byte at off stands; off < page size and never decreases from call to call.
    ExposureWhere At(size_t off) {
        assert(off < m_t.size());
        while (off >= m_specialEnd) {
            FindSpecial(m_specialEnd);
        }
        if (off < m_specialStart) {
            const bool inTag = m_findings.InTagBefore(m_t, off) || StartsConstruct(m_t, off);
            return inTag ? ExposureWhere::Attribute : ExposureWhere::Text;
        }
        if (m_isComment) {
            return ExposureWhere::Comment;
        }
        return off < m_rawStart ? ExposureWhere::Attribute : ExposureWhere::Script;
    }

    // The body of the comment that holds the last offset asked for (only then meaningful).
    ProtectedAddresses::Occurrence CommentBody() const { return m_body; }

private:
    // The first special construct of the plain stretch that starts at from.
    void FindSpecial(size_t from) {
        const size_t n = m_t.size();
        m_findings.Reset(from);
        m_candidates.Reset(from);
        for (size_t c = from;; ++c) {
            c = NextSpecialCandidate(m_t, c);
            if (c == n) {
                m_specialStart = m_specialEnd = n;
                return;
            }
            const bool comment = m_t.compare(c + 1, 3, "!--") == 0;
            m_rawName = comment ? std::string_view{} : RawTextName(c + 1);
            if ((!comment && m_rawName.empty()) || m_candidates.InTagBefore(m_t, c)) {
                continue;
            }
            m_specialStart = c;
            m_isComment = comment;
            if (comment) {
                const size_t close = FindCommentClose(c + 2);
                m_specialEnd = close == npos ? n : close + 3;
                m_body = {c + 4, std::max(c + 4, close == npos ? n : close)};
            } else {
                const void* gt = std::memchr(m_t.data() + c, '>', n - c);
                m_rawStart = gt == nullptr ? n : Offset(m_t, gt) + 1;
                m_specialEnd = FindRawTextEnd(m_rawStart);
            }
            return;
        }
    }

    // True when the bytes at p are name (lower case) in any case, followed by whitespace, "/" or ">".
    bool NameAt(size_t p, std::string_view name) const {
        if (p + name.size() >= m_t.size()) {
            return false;
        }
        for (size_t k = 0; k < name.size(); ++k) {
            if (LowerAscii(m_t[p + k]) != name[k]) {
                return false;
            }
        }
        const char after = m_t[p + name.size()];
        return IsHtmlSpace(after) || after == '/' || after == '>';
    }

    std::string_view RawTextName(size_t p) const {
        for (std::string_view name : {std::string_view("script"), std::string_view("style")}) {
            if (NameAt(p, name)) {
                return name;
            }
        }
        return {};
    }

    // Offset of the "</name" that ends the raw text from p on, or the page size.
    size_t FindRawTextEnd(size_t p) const {
        const size_t n = m_t.size();
        while (p < n) {
            const void* lt = std::memchr(m_t.data() + p, '<', n - p);
            if (lt == nullptr) {
                break;
            }
            const size_t q = Offset(m_t, lt);
            if (q + 1 < n && m_t[q + 1] == '/' && NameAt(q + 2, m_rawName)) {
                return q;
            }
            p = q + 1;
        }
        return n;
    }

    // Offset of the first "-->" starting at or after from, or npos.
    size_t FindCommentClose(size_t from) const {
        const size_t n = m_t.size();
        for (size_t p = from + 2; p < n;) {
            const void* gt = std::memchr(m_t.data() + p, '>', n - p);
            if (gt == nullptr) {
                break;
            }
            const size_t g = Offset(m_t, gt);
            if (m_t[g - 1] == '-' && m_t[g - 2] == '-') {
                return g - 2;
            }
            p = g + 1;
        }
        return npos;
    }

    std::string_view m_t;
    size_t m_specialStart = 0; // the special construct after the current plain stretch
    size_t m_specialEnd = 0;
    bool m_isComment = false;
    size_t m_rawStart = 0;      // script or style: where the raw content starts
    std::string_view m_rawName; // script or style: the element's name
    ProtectedAddresses::Occurrence m_body;
    TagProbe m_findings;   // for the offsets asked for
    TagProbe m_candidates; // for the special constructs' candidates, which run ahead of them
};

// One finding before it is placed: the address as found and, for the scrubber, the bytes it
// stands for (with the protected occurrences merged into it).
struct Found {
    size_t start = 0;
    size_t end = 0;
    size_t extentStart = 0;
    size_t extentEnd = 0;
    const PatternMatch* match = nullptr; // nullptr: a protected occurrence of its own
    bool isProtected = false;
};

using Span = ProtectedAddresses::Occurrence;

// The findings of t; with scrub, also the bytes to replace for each Comment finding.
std::vector<Exposure> Collect(std::string_view t, const ProtectedAddresses& protectedAddresses, bool isPage,
                              std::vector<Span>* scrub, std::vector<ProtectedAddresses::AtWindow>* atWindows) {
    std::vector<PatternMatch> matches;
    FindPatternMatches(t, matches);
    std::vector<Span> occurrences;
    protectedAddresses.FindIn(t, occurrences, atWindows);

    // Both lists are ordered and free of overlaps within themselves; merge them by start.
    std::vector<Found> found;
    found.reserve(matches.size() + occurrences.size());
    for (const PatternMatch& m : matches) {
        found.push_back({m.start, m.end, m.start, m.end, &m, false});
    }
    size_t first = 0; // the first match that ends after the current occurrence starts
    const size_t matchCount = found.size();
    for (const Span& o : occurrences) {
        while (first < matchCount && found[first].end <= o.start) {
            ++first;
        }
        bool overlaps = false;
        for (size_t k = first; k < matchCount && found[k].start < o.end; ++k) {
            overlaps = true;
            found[k].isProtected = true;
            found[k].extentStart = std::min(found[k].extentStart, o.start);
            found[k].extentEnd = std::max(found[k].extentEnd, o.end);
        }
        if (!overlaps) {
            found.push_back({o.start, o.end, o.start, o.end, nullptr, true});
        }
    }
    std::inplace_merge(found.begin(), found.begin() + static_cast<ptrdiff_t>(matchCount), found.end(),
                       [](const Found& a, const Found& b) { return a.start < b.start; });

    std::vector<Exposure> out;
    out.reserve(found.size());
    LineCursor lines(t);
    MarkupCursor markup(t);
    for (const Found& f : found) {
        Exposure e;
        e.offset = f.start;
        e.length = f.end - f.start;
        e.line = lines.LineAt(f.start);
        e.where = isPage ? markup.At(f.start) : ExposureWhere::File;
        if (f.match != nullptr) {
            e.address = Decoded(t, *f.match);
            e.isProtected = f.isProtected || protectedAddresses.Covers(e.address);
        } else {
            e.address.assign(t.substr(f.start, f.end - f.start));
            e.isProtected = true;
        }
        if (scrub != nullptr && e.where == ExposureWhere::Comment) {
            // Never a byte of "<!--" or "-->": the page keeps its comments.
            const Span body = markup.CommentBody();
            const Span cut{std::max(f.extentStart, body.start), std::min(f.extentEnd, body.end)};
            if (cut.start < cut.end) {
                scrub->push_back(cut);
            }
        }
        out.push_back(std::move(e));
    }
    return out;
}

std::string_view CharsetOrDefault(std::string_view charset) {
    return charset.empty() ? kCharsetCp949 : charset;
}

} // namespace

ProtectedAddresses::ProtectedAddresses(const std::set<std::string>& addresses) {
    for (const std::string& a : addresses) {
        Add(a);
    }
}

size_t ProtectedAddresses::KeyTable::Home(uint64_t key) const {
    // Fibonacci hashing: the key's bytes are address bytes, which a power-of-two mask alone
    // would sort by their last byte.
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ULL) >> 32) & (m_slots.size() - 1);
}

uint32_t ProtectedAddresses::KeyTable::First(uint64_t key) const {
    if (m_slots.empty()) {
        return kNone;
    }
    for (size_t i = Home(key);; i = (i + 1) & (m_slots.size() - 1)) {
        if (m_slots[i].first == kNone || m_slots[i].key == key) {
            return m_slots[i].first;
        }
    }
}

uint32_t& ProtectedAddresses::KeyTable::FirstSlot(uint64_t key) {
    if ((m_nUsed + 1) * 2 > m_slots.size()) {
        std::vector<Slot> old(std::max<size_t>(64, m_slots.size() * 2));
        old.swap(m_slots);
        for (const Slot& slot : old) {
            if (slot.first != kNone) {
                size_t i = Home(slot.key);
                while (m_slots[i].first != kNone) {
                    i = (i + 1) & (m_slots.size() - 1);
                }
                m_slots[i] = slot;
            }
        }
    }
    size_t i = Home(key);
    while (m_slots[i].first != kNone && m_slots[i].key != key) {
        i = (i + 1) & (m_slots.size() - 1);
    }
    if (m_slots[i].first == kNone) {
        m_slots[i].key = key;
        ++m_nUsed;
    }
    return m_slots[i].first;
}

void ProtectedAddresses::Add(std::string_view address) {
    const size_t at = address.find('@');
    if (at == npos) {
        return;
    }
    // Lower-cased at the end of the block, where it stays unless it is there already.
    const size_t start = m_text.size();
    m_text.resize(start + address.size());
    std::transform(address.begin(), address.end(), m_text.begin() + static_cast<ptrdiff_t>(start),
                   [](char c) { return LowerAscii(c); });
    const std::string_view lowered = std::string_view(m_text).substr(start);
    if (Find(lowered) != kNone) {
        m_text.resize(start);
        return;
    }
    const Shape shape{static_cast<uint8_t>(std::min(at, kKeyBytes)),
                      static_cast<uint8_t>(std::min(address.size() - at - 1, kKeyBytes))};
    const auto index = static_cast<uint32_t>(m_firstAt.size());
    // Whatever may fail to allocate comes before the address is entered anywhere, so that a
    // failure leaves the set as it was.
    uint32_t* first = nullptr;
    try {
        RoomForOne(m_nextInBucket);
        RoomForOne(m_shapes);
        RoomForOne(m_starts);
        RoomForOne(m_firstAt);
        first = &m_keys.FirstSlot(KeyAt(lowered.data() + at, shape.before, shape.after));
    } catch (...) {
        m_text.resize(start);
        throw;
    }
    m_nextInBucket.push_back(std::exchange(*first, index));
    if (std::none_of(m_shapes.begin(), m_shapes.end(),
                     [&](const Shape& s) { return s.before == shape.before && s.after == shape.after; })) {
        m_shapes.push_back(shape);
    }
    m_starts.push_back(static_cast<uint32_t>(m_text.size()));
    m_firstAt.push_back(static_cast<uint32_t>(at));
    // Last: a failure here leaves fewer forms counted as covered, so that a finding is called
    // unprotected, never the reverse.
    thread_local std::vector<PatternMatch> inside; // kept from address to address
    inside.clear();
    FindPatternMatches(lowered, inside);
    for (const PatternMatch& m : inside) {
        // Decoded, a match is the address itself only when it is all of it, with a plain "@".
        if (m.start != 0 || m.end != lowered.size() || m.atLength != 1) {
            m_covered.insert(Decoded(lowered, m));
        }
    }
}

uint32_t ProtectedAddresses::Find(std::string_view lowered) const {
    const size_t at = lowered.find('@');
    if (at == npos || m_keys.Empty()) {
        return kNone;
    }
    for (uint32_t index = m_keys.First(
             KeyAt(lowered.data() + at, std::min(at, kKeyBytes), std::min(lowered.size() - at - 1, kKeyBytes)));
         index != kNone; index = m_nextInBucket[index]) {
        if (Address(index) == lowered) {
            return index;
        }
    }
    return kNone;
}

bool ProtectedAddresses::Covers(std::string_view address) const {
    if (Empty()) {
        return false;
    }
    const std::string lowered = LowerAscii(address);
    return Find(lowered) != kNone || m_covered.count(lowered) != 0;
}

template <typename F>
void ProtectedAddresses::ForEachAt(std::string_view text, F&& f) {
    const size_t n = text.size();
    for (size_t p = 0; p < n;) {
        const void* hit = std::memchr(text.data() + p, '@', n - p);
        if (hit == nullptr) {
            break;
        }
        const size_t q = Offset(text, hit);
        f(q);
        p = q + 1;
    }
}

// The addresses whose key bytes, in any shape in use, are those around text[q].
template <typename F>
void ProtectedAddresses::ForEachKeyedAt(std::string_view text, size_t q, F&& f) const {
    for (const Shape& s : m_shapes) {
        if (q < s.before || q + 1 + s.after > text.size()) {
            continue;
        }
        for (uint32_t index = m_keys.First(KeyAt(text.data() + q, s.before, s.after)); index != kNone;
             index = m_nextInBucket[index]) {
            f(index);
        }
    }
}

void ProtectedAddresses::FindIn(std::string_view text, std::vector<Occurrence>& out,
                                std::vector<AtWindow>* windows) const {
    out.clear();
    if (windows != nullptr) {
        windows->clear();
    }
    if (Empty() && windows == nullptr) {
        return;
    }
    // Every occurrence has its first "@" at one of the text's.
    const size_t n = text.size();
    ForEachAt(text, [&](size_t q) {
        if (windows != nullptr) {
            // A window cut by the text's ends keeps the cut, which rules out the same shapes there.
            const size_t from = q - std::min(q, kKeyBytes);
            windows->push_back({std::string(text.substr(from, std::min(n, q + 1 + kKeyBytes) - from)),
                                static_cast<uint8_t>(q - from)});
        }
        ForEachKeyedAt(text, q, [&](uint32_t index) {
            const std::string_view a = Address(index);
            const size_t at = m_firstAt[index];
            if (q >= at && q - at + a.size() <= n && EqualsLowered(text.substr(q - at, a.size()), a)) {
                out.push_back({q - at, q - at + a.size()});
            }
        });
    });
    // Leftmost first, the longest of those starting at the same byte, none overlapping the last.
    std::sort(out.begin(), out.end(), [](const Occurrence& a, const Occurrence& b) {
        return a.start != b.start ? a.start < b.start : a.end > b.end;
    });
    size_t kept = 0;
    for (const Occurrence& o : out) {
        if (kept == 0 || o.start >= out[kept - 1].end) {
            out[kept++] = o;
        }
    }
    out.resize(kept);
}

size_t ProtectedAddresses::LatestAt(const AtWindow& window) const {
    size_t latest = 0;
    ForEachKeyedAt(window.bytes, window.at, [&](uint32_t index) { latest = std::max(latest, size_t{index} + 1); });
    return latest;
}

std::vector<Exposure> FindExposures(std::string_view page, const ProtectedAddresses& protectedAddresses, bool isPage,
                                    std::vector<ProtectedAddresses::AtWindow>* atWindows) {
    return Collect(page, protectedAddresses, isPage, nullptr, atWindows);
}

size_t ScrubCommentAddresses(std::string& page, const ProtectedAddresses& protectedAddresses) {
    std::vector<Span> cuts;
    Collect(page, protectedAddresses, true, &cuts, nullptr);
    if (cuts.empty()) {
        return 0;
    }
    // A protected occurrence merged into two matches makes their cuts overlap.
    std::sort(cuts.begin(), cuts.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
    static constexpr std::string_view kReplacement = "(e-mail)";
    std::string out;
    out.reserve(page.size() + cuts.size() * kReplacement.size());
    size_t copied = 0;
    for (const Span& cut : cuts) {
        if (cut.start < copied) {
            copied = std::max(copied, cut.end); // joined to the cut before it
            continue;
        }
        out.append(page, copied, cut.start - copied);
        out += kReplacement;
        copied = cut.end;
    }
    out.append(page, copied, npos);
    page.swap(out);
    return cuts.size();
}

std::string DescribeExposures(const std::vector<PageExposures>& files) {
    const std::string inPage = Text(texts::kExposureInPage);
    const std::string inFile = Text(texts::kExposureInFile);
    const std::string isProtected = Text(texts::kExposureProtected);
    const std::string notProtected = Text(texts::kExposureNotProtected);
    // In the order of ExposureWhere, File aside.
    const std::array<std::string, 4> where = {Text(texts::kExposureInText), Text(texts::kExposureInComment),
                                              Text(texts::kExposureInScript), Text(texts::kExposureInAttribute)};
    static_assert(static_cast<size_t>(ExposureWhere::Attribute) == 3 && static_cast<size_t>(ExposureWhere::File) == 4);
    std::string out;
    for (const PageExposures& f : files) {
        for (const Exposure& e : f.exposures) {
            if (out.empty()) {
                out = Text(texts::kExposureHeading);
            }
            const std::string address = ProgramTextFromUtf8(DecodeToUtf8(e.address, CharsetOrDefault(f.charset)));
            const std::string line = std::to_string(e.line);
            const std::string& mark = e.isProtected ? isProtected : notProtected;
            if (e.where == ExposureWhere::File) {
                out += FormatMessage(inFile, {f.path, line, address, mark});
            } else {
                out += FormatMessage(inPage, {f.path, line, where[static_cast<size_t>(e.where)], address, mark});
            }
        }
    }
    return out.empty() ? Text(texts::kNoExposure) : out;
}

std::string ExposureJsonLine(std::string_view relPath, const Exposure& exposure, std::string_view charset) {
    std::string line = "{\"page\":";
    // A path's bytes need not be valid in any charset; undecodable ones become U+FFFD.
    AppendJsonString(line, DecodeToUtf8(Utf8FromProgramText(relPath), kCharsetUtf8));
    line += ",\"line\":";
    line += std::to_string(exposure.line);
    line += ",\"where\":\"";
    line += ExposureWhereName(exposure.where);
    line += "\",\"address\":";
    AppendJsonString(line, DecodeToUtf8(exposure.address, CharsetOrDefault(charset)));
    line += ",\"protected\":";
    line += exposure.isProtected ? "true" : "false";
    line += "}\n";
    return line;
}

} // namespace orvex
