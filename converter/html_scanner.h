// SPDX-License-Identifier: MIT
// Finds e-mail address occurrences in a page's raw bytes, with the byte span each one replaces.
//
// Conventions in this file:
//  1. The page is never decoded or copied: positions are byte offsets into the caller's buffer
//     and every result is a half-open span [start, end) into it.
//  2. The scanned text ends at the page's first NUL byte (or its end); no span passes it.
//  3. Spans come out strictly increasing and never overlap: an occurrence whose span would start
//     before the previous span's end, or after its own end, is dropped (the first one is kept).
//  4. One forward pass: every backward scan stops at the previous address or tag bracket, and
//     every forward search either moves the position past what it searched or is remembered,
//     so the work is linear in the page size.
#pragma once

#include "converter/entry_kind.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace orvex {

struct AddressSpan {
    size_t start = 0; // first byte of the address
    size_t end = 0;   // one past its last byte
};

// The address around the "@" at offset at: backward to the byte after the nearest of
// < space ' " > = : ; CR LF (or offset 0), forward to the nearest of < space ' " > CR LF (or the
// end of text). Requires at < text.size(). The rule inside tags.
AddressSpan ExtractAddress(std::string_view text, size_t at);

// The rule in text, where an address stands among words and entities: as ExtractAddress, but
// backward also to the byte after a "(", "[" or any byte of 0x80 or above, forward also to an
// "&" or any byte of 0x80 or above; then ". , ; : ! ? ) ]" are dropped from its end, repeatedly
// (never the "@" itself).
AddressSpan ExtractTextAddress(std::string_view text, size_t at);

// Length of the "@" written as "%40", "&#64;" or "&#x40;" ("x" in either case) at offset i, or 0:
// the forms every harvester decodes.
size_t EncodedAtLength(std::string_view text, size_t i);

enum class TagClass { NotATag, AreaTag, AnchorText };

// What ClassifyTag learnt about a tag, so that several addresses in one long tag do not make it
// search the same bytes again. Start with a default-constructed memo for each page.
struct TagMemo {
    size_t tag = std::string_view::npos; // the tag start the href fields are about
    size_t hrefSearched = 0;             // no "hr" pair starts in [tag, hrefSearched)
    size_t anchorClose = 0;              // out: offset of the last anchor's "</a" (or text size)
};

// Classifies the tag starting at tagStart (the nearest "<" before at, with no ">" between them)
// that holds the address [spanStart, spanEnd):
// - NotATag unless the tag's name is "a" or "area" (any case), ended by a space, tab, CR, LF,
//   "/" or ">".
// - AreaTag for "area": spanEnd grows by one when the byte at the address end
//   is a quote; spanStart moves to the first "h"/"H" followed by "r"/"R" from tagStart on that
//   starts before spanEnd, or to text.size() when there is none (the tag has no href of its
//   own before the address; the caller drops such an entry).
// - AnchorText for "a": spanStart becomes tagStart; spanEnd the offset of the first "</a" or
//   "</A" after at plus four, at most text.size(); name the text between the first ">" after at
//   and that "</a" (empty when there is none between them).
TagClass ClassifyTag(std::string_view text, size_t at, size_t tagStart, size_t& spanStart, size_t& spanEnd,
                     std::string_view& name, TagMemo* memo = nullptr);

struct FoundAddress {
    EntryKind kind = EntryKind::Text;
    size_t spanStart = 0;
    size_t spanEnd = 0;
    // The address bytes; for a mailto link with an encoded "@", decoded, and valid until the
    // next call of Next.
    std::string_view address;
    std::string_view name; // the anchor's inner text (Anchor only; empty otherwise)
};

// Iterates over the address occurrences of one page text, in page order.
class HtmlScanner {
public:
    // page is the whole page; scanning stops at its first NUL byte.
    explicit HtmlScanner(std::string_view page);

    // The next occurrence; false at the end of the text.
    bool Next(FoundAddress& out);

    // The scanned part of the page (up to its first NUL).
    std::string_view Text() const { return m_text; }

private:
    bool InsideTag(size_t at, size_t& tagStart);
    bool SkipScript(size_t at);
    bool EncodedMailto(size_t tagStart, FoundAddress& found);
    bool EntryOfTag(size_t at, size_t tagStart, FoundAddress& found);
    bool Accept(const FoundAddress& found, FoundAddress& out);
    bool InsideLink(size_t at);

    std::string_view m_text;
    size_t m_pos = 0;
    size_t m_prevSpanEnd = 0;
    size_t m_lastAddressEnd = 0;   // "@"s before this lie in an address already judged
    size_t m_noScriptCloseFrom;    // no "</scr" at or after this offset (npos: not known)
    size_t m_bracketScannedTo = 0; // offsets below this were searched for tag brackets
    size_t m_lastBracket;          // nearest "<" or ">" below m_bracketScannedTo (npos: none)
    TagMemo m_tagMemo;
    size_t m_linkScannedTo = 0; // offsets below this were searched for anchor tags
    bool m_linkOpen = false;    // whether the nearest anchor tag below m_linkScannedTo opens an "a"
    std::string m_decoded;      // the address of an encoded mailto link, decoded
};

} // namespace orvex
