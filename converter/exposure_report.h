// SPDX-License-Identifier: MIT
// What an address harvester could still take from a written page or file, the scrubber that
// clears addresses out of a page's comments, and the texts that report what is left.
//
// Conventions in this file:
//  1. Pages are bytes in their own ASCII-compatible encoding (CP949, EUC-KR, UTF-8, ...) and are
//     never decoded or copied; a NUL byte is an ordinary byte. Bytes >= 0x80 belong to no class
//     of the address pattern.
//  2. An address is a match of this pattern, searched as Python's re.finditer does over the page
//     bytes (leftmost match first; each search resumes where the previous match ended):
//         rb'[A-Za-z0-9._%+-]+(?:@|%40|&#64;|&#[xX]40;)[A-Za-z0-9-]+(?:\.[A-Za-z0-9-]+)*\.[A-Za-z]{2,}'
//     It is reported with its "@" form decoded to "@". (As in any backtracking engine, the local
//     part runs on to the last "%40" of a run that still has a domain after it.)
//  3. A protected address is found as plain bytes, ASCII letters compared without regard to
//     case, all protected addresses together: in Python
//         re.finditer(b'|'.join(re.escape(a) for a in sorted(P, key=len, reverse=True)), page, re.I)
//     Addresses without an "@" byte are ignored.
//  4. Each occurrence gives one finding. A protected occurrence that overlaps an address match
//     is not reported on its own: it marks that match protected. A match is protected as well
//     when its decoded address, ASCII case aside, is a protected address or an address that the
//     pattern finds inside one (a protected "kim@ex.com?subject=hi" protects "kim@ex.com").
//  5. Where a finding stands is decided by its first byte, in one forward pass from the page
//     start. Outside any construct a "<" starts
//       - a comment when followed by "!--": up to the end of the first "-->" that starts at or
//         after the "<" + 2 (so "<!-->" is an empty comment), or to the end of the page;
//       - a tag when followed by an ASCII letter, "/", "!" or "?": up to its first ">" inclusive
//         (quotes are not tracked), or to the end of the page;
//       - nothing otherwise ("a < b" is text).
//     After a "script" or "style" start tag (name in any case, followed by whitespace, "/" or
//     ">"), its content up to the next "</script" (or "</style") followed by whitespace, "/" or
//     ">" is raw text, where "<!--" starts no comment; without that end tag it runs to the page
//     end. Whitespace is tab, LF, FF, CR and space.
//     Comment: inside a comment. Script: inside script or style content. Attribute: inside a tag
//     (the script and style tags themselves included). Text: anything else. A file that is not a
//     page has no markup: every finding there is File.
//  6. Lines count from 1; LF, CR LF and a lone CR each end a line.
//  7. Linear in the page size, with no allocation per byte: "@" forms are found by a vector
//     search for "@", "%" and "&", comments and script or style elements by one for "<!" and
//     "<s"; a backward scan never passes a byte that an earlier one or a match took; line and
//     markup state only move forward, and only as far as the last finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace orvex {

enum class ExposureWhere { Text, Comment, Script, Attribute, File };

// "text", "comment", "script", "attribute" or "file", as the JSON lines name them.
std::string_view ExposureWhereName(ExposureWhere where);

struct Exposure {
    size_t line = 1;
    size_t offset = 0;   // the address's first byte in the page
    size_t length = 0;   // its bytes in the page, an encoded "@" counted as written
    std::string address; // page-encoding bytes, the "@" decoded
    bool isProtected = false;
    ExposureWhere where = ExposureWhere::Text;
};

// The addresses a run protected, indexed once for searching many pages.
class ProtectedAddresses {
public:
    ProtectedAddresses() = default;
    explicit ProtectedAddresses(const std::set<std::string>& addresses);

    // Adds one address (page-encoding bytes). Ignored when it holds no "@" or is already
    // there, ASCII case aside.
    void Add(std::string_view address);
    bool Empty() const { return m_firstAt.empty(); }

    // True when address (decoded, page-encoding bytes) is a protected address or one the pattern
    // finds inside one, ASCII case aside.
    bool Covers(std::string_view address) const;

    struct Occurrence {
        size_t start = 0;
        size_t end = 0;
    };
    // What decides which addresses could stand with their first "@" at a given "@" of a text:
    // the bytes around it. Kept for each "@" of a page written before later addresses were
    // added, so that the page can be checked against those without being read again.
    struct AtWindow {
        std::string bytes;
        uint8_t at = 0; // the "@" in bytes
    };

    // The protected occurrences of text, in order and not overlapping (convention 3); windows,
    // when given, gets the window of every "@" of text, from the same pass over it.
    void FindIn(std::string_view text, std::vector<Occurrence>& out, std::vector<AtWindow>* windows = nullptr) const;
    // How many addresses there are, in the order they were added.
    size_t Size() const { return m_firstAt.size(); }
    // One past the index (in the order added) of the latest address that could stand with its
    // first "@" at window's; 0 when none could.
    size_t LatestAt(const AtWindow& window) const;

private:
    // Calls f with the offset of every "@" of text, in order.
    template <typename F>
    static void ForEachAt(std::string_view text, F&& f);
    template <typename F>
    void ForEachKeyedAt(std::string_view text, size_t q, F&& f) const;

    struct Shape {
        uint8_t before = 0; // bytes of the key taken before the first "@"
        uint8_t after = 0;  // and after it
    };

    std::string_view Address(uint32_t index) const {
        return std::string_view(m_text).substr(m_starts[index], m_starts[index + 1] - m_starts[index]);
    }
    // The index of a lower-cased address, or kNone.
    uint32_t Find(std::string_view lowered) const;

    static constexpr uint32_t kNone = UINT32_MAX;

    // The lower-cased addresses one after another, as a site may have thousands: one block,
    // not one allocation each.
    std::string m_text;
    std::vector<uint32_t> m_starts{0}; // of each address in m_text, and one past the last
    std::vector<uint32_t> m_firstAt;   // offset of each address's first "@"
    std::vector<Shape> m_shapes;       // the key shapes in use
    // The first address of each key, by open addressing: a site's thousands of addresses are
    // looked up at every "@" of every page written, where a node-based map's cache misses and
    // divisions showed in the profile.
    class KeyTable {
    public:
        // The first address of key, or kNone.
        uint32_t First(uint64_t key) const;
        // The first address of key, kNone when key is new; the caller sets it.
        uint32_t& FirstSlot(uint64_t key);
        bool Empty() const { return m_nUsed == 0; }

    private:
        struct Slot {
            uint64_t key = 0;
            uint32_t first = kNone; // kNone: the slot is free
        };
        size_t Home(uint64_t key) const;
        std::vector<Slot> m_slots; // a power of two in size, never more than half used
        size_t m_nUsed = 0;
    };
    // The addresses of a key: the first in m_keys, each one's next in m_nextInBucket.
    KeyTable m_keys;
    std::vector<uint32_t> m_nextInBucket;
    std::unordered_set<std::string> m_covered; // lower-cased; what the pattern finds inside an
                                               // address other than the address itself
};

// Every address a harvester could take from page (conventions 2 to 6), in page order. isPage
// false: a file without markup, every finding File.
// atWindows, when given, gets the window of every "@" of page (ProtectedAddresses::FindIn).
std::vector<Exposure> FindExposures(std::string_view page, const ProtectedAddresses& protectedAddresses, bool isPage,
                                    std::vector<ProtectedAddresses::AtWindow>* atWindows = nullptr);

// Replaces every finding that FindExposures puts in a comment by "(e-mail)", the whole
// occurrence (a protected address around a match included) but never a byte of the comment's
// "<!--" or "-->". Every byte outside comment bodies stays as it was. Returns how many findings
// were replaced; afterwards FindExposures reports no Comment finding for the page.
size_t ScrubCommentAddresses(std::string& page, const ProtectedAddresses& protectedAddresses);

// One written file and what was found in it.
struct PageExposures {
    std::string path;    // program text, as the results log shows it
    std::string charset; // the file's canonical charset; empty is CP949
    std::vector<Exposure> exposures;
};

// The results-log text (program text, CR LF line ends) for the findings of a run: a heading and
// one line per finding, or one line saying that nothing is left.
std::string DescribeExposures(const std::vector<PageExposures>& files);

// One JSON object and its "\n": {"page":..., "line":..., "where":..., "address":..., "protected":...}.
// relPath is program text; the address is decoded from charset (empty is CP949). The line is
// valid UTF-8 whatever the bytes.
std::string ExposureJsonLine(std::string_view relPath, const Exposure& exposure, std::string_view charset);

} // namespace orvex
