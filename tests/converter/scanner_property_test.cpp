// SPDX-License-Identifier: MIT
// The scanner against a plain, quadratic restatement of its rules on many generated pages:
// the two must agree on every occurrence, and every result must keep the span invariants.
#include "converter/html_scanner.h"

#include "scan_helpers.h"

#include <gtest/gtest.h>

#include <random>

namespace orvex {
namespace {

using test::Found;

bool Ci(char c, char lower) {
    return (static_cast<unsigned char>(c) | 0x20) == static_cast<unsigned char>(lower);
}

bool Matches(std::string_view t, size_t i, std::string_view pattern) {
    if (i + pattern.size() > t.size())
        return false;
    for (size_t j = 0; j < pattern.size(); ++j) {
        const char p = pattern[j];
        if ((p >= 'a' && p <= 'z') ? !Ci(t[i + j], p) : t[i + j] != p)
            return false;
    }
    return true;
}

size_t FindFrom(std::string_view t, size_t from, std::string_view pattern, size_t notFound) {
    for (size_t p = from; p < t.size(); ++p) {
        if (Matches(t, p, pattern))
            return p;
    }
    return notFound;
}

bool TagNameEnds(std::string_view t, size_t i) {
    return i < t.size() && std::string_view(" \t\r\n/>").find(t[i]) != std::string_view::npos;
}

// 'a' for an anchor, 'r' for an area, 0 for any other tag at k.
char TagNameAt(std::string_view t, size_t k) {
    if (Matches(t, k, "<a") && TagNameEnds(t, k + 2))
        return 'a';
    if (Matches(t, k, "<area") && TagNameEnds(t, k + 5))
        return 'r';
    return 0;
}

size_t EncodedAt(std::string_view t, size_t i) {
    for (std::string_view form : {"%40", "&#64;", "&#x40;"}) {
        if (Matches(t, i, form))
            return form.size();
    }
    return 0;
}

std::string Decoded(std::string_view a) {
    std::string out;
    for (size_t i = 0; i < a.size();) {
        bool done = false;
        for (auto [form, c] :
             {std::pair{"%40", '@'}, {"&#64;", '@'}, {"&#x40;", '@'}, {"%2e", '.'}, {"&#46;", '.'}, {"&#x2e;", '.'}}) {
            if (!done && Matches(a, i, form)) {
                out += c;
                i += std::string_view(form).size();
                done = true;
            }
        }
        if (!done)
            out += a[i++];
    }
    return out;
}

// Every step exactly as the rules state it, with no memo and no skipping.
std::vector<Found> Reference(std::string_view page) {
    const std::string_view t = page.substr(0, page.find('\0'));
    const size_t n = t.size();
    const std::string_view back = "< '\">=:;\r\n";
    const std::string_view fwd = "< '\">\r\n";
    const auto high = [](char c) { return static_cast<unsigned char>(c) >= 0x80; };
    std::vector<Found> out;
    size_t prevEnd = 0;
    size_t judgedTo = 0; // an "@" before this lies in the extent of one judged already
    // The tag at k holding the "@" (or encoded "@") at i, address ending at e: its entry, or none.
    const auto tagEntry = [&](size_t k, size_t i, size_t e, Found& f, size_t& anchorClose) {
        const char name = TagNameAt(t, k);
        if (name == 'r') {
            f.kind = EntryKind::Area;
            f.end = e + ((e < n && (t[e] == '\'' || t[e] == '"')) ? 1 : 0);
            f.start = FindFrom(t, k, "hr", n);
            return f.start < f.end;
        }
        if (name == 'a') {
            f.kind = EntryKind::Anchor;
            anchorClose = FindFrom(t, i, "</a", n);
            f.start = k;
            f.end = std::min(anchorClose + 4, n);
            const size_t g = FindFrom(t, i, ">", n);
            if (g + 1 < anchorClose)
                f.name = std::string(t.substr(g + 1, anchorClose - g - 1));
            return true;
        }
        return false;
    };
    const auto take = [&](const Found& f) {
        if (f.start >= prevEnd) {
            out.push_back(f);
            prevEnd = f.end;
        }
    };
    for (size_t i = 0; i < n; ++i) {
        if (Matches(t, i, "<scri")) {
            i = FindFrom(t, i, "</scr", i);
        }
        if (EncodedAt(t, i) != 0) {
            // An escaped "@" in an anchor or area tag whose mailto link has no literal "@".
            size_t k = i;
            while (k > 0 && t[k - 1] != '<' && t[k - 1] != '>')
                --k;
            if (k == 0 || t[k - 1] != '<' || TagNameAt(t, k - 1) == 0)
                continue;
            k -= 1;
            const size_t gt = FindFrom(t, k, ">", n);
            const std::string_view tag = t.substr(k, gt - k);
            size_t colon = tag.find(':');
            while (colon != tag.npos && !(colon >= 6 && Matches(tag, colon - 6, "mailto")))
                colon = tag.find(':', colon + 1);
            if (tag.find('@') != tag.npos || colon == tag.npos)
                continue;
            size_t at = k + colon + 1;
            while (at < gt && fwd.find(t[at]) == fwd.npos && EncodedAt(t, at) == 0)
                ++at;
            if (at >= gt || EncodedAt(t, at) == 0)
                continue;
            size_t e = at + EncodedAt(t, at);
            while (e < n && fwd.find(t[e]) == fwd.npos)
                ++e;
            Found f{EntryKind::Text, k + colon + 1, e, Decoded(t.substr(k + colon + 1, e - k - colon - 1)), ""};
            size_t anchorClose = 0;
            if (f.address.find('.') == f.address.npos || !tagEntry(k, at, e, f, anchorClose))
                continue;
            take(f);
            if (f.kind == EntryKind::Anchor)
                i = anchorClose;
            continue;
        }
        if (t[i] != '@' || i < judgedTo)
            continue;
        size_t s = i;
        while (s > 0 && back.find(t[s - 1]) == back.npos)
            --s;
        size_t e = i;
        while (e < n && fwd.find(t[e]) == fwd.npos)
            ++e;
        size_t k = i + 1;
        while (k > 0 && t[k - 1] != '<' && t[k - 1] != '>')
            --k;
        const bool inTag = k > 0 && t[k - 1] == '<';
        if (!inTag) {
            // The text of a link: the nearest anchor tag before it opens one.
            size_t p = i;
            while (p > 0 && !(TagNameAt(t, p - 1) == 'a' || (Matches(t, p - 1, "</a") && TagNameEnds(t, p + 2))))
                --p;
            if (p > 0 && TagNameAt(t, p - 1) == 'a')
                continue;
        }
        if (!inTag) {
            for (size_t b = i; b > s; --b) {
                if (std::string_view("([").find(t[b - 1]) != std::string_view::npos || high(t[b - 1])) {
                    s = b;
                    break;
                }
            }
            for (size_t f = i; f < e; ++f) {
                if (t[f] == '&' || high(t[f])) {
                    e = f;
                    break;
                }
            }
            while (e > i + 1 && std::string_view(".,;:!?)]").find(t[e - 1]) != std::string_view::npos)
                --e;
        }
        judgedTo = e;
        const std::string address(t.substr(s, e - s));
        if (address.find('.') == address.npos)
            continue;
        Found f{EntryKind::Text, s, e, address, ""};
        size_t anchorClose = 0;
        if (inTag && !tagEntry(k - 1, i, e, f, anchorClose))
            continue;
        take(f);
        if (f.kind == EntryKind::Anchor)
            i = anchorClose;
    }
    return out;
}

std::string RandomPage(std::mt19937& rng) {
    static const std::vector<std::string> tokens = {"<a href='mailto:",
                                                    "<A HREF=\"mailto:",
                                                    "<area href=\"",
                                                    "<AREA alt='",
                                                    "<area ",
                                                    "</a>",
                                                    "</A",
                                                    "</a",
                                                    "<script>",
                                                    "</script>",
                                                    "<SCRI",
                                                    "</scr",
                                                    "@",
                                                    "@",
                                                    "@",
                                                    ".",
                                                    ".",
                                                    ";",
                                                    "=",
                                                    ":",
                                                    "x",
                                                    "kim",
                                                    "hr",
                                                    "HR",
                                                    " ",
                                                    "'",
                                                    "\"",
                                                    ">",
                                                    "<",
                                                    "<input value='",
                                                    "<img alt=",
                                                    "\r\n",
                                                    "\t",
                                                    std::string("\0", 1),
                                                    "\xC7\xD1",
                                                    "ex.com",
                                                    "a@b.c",
                                                    "<b>",
                                                    "<abbr ",
                                                    "%40",
                                                    "&#64;",
                                                    "&#X40;",
                                                    "%2E",
                                                    "&",
                                                    "(",
                                                    "[",
                                                    ")",
                                                    ",",
                                                    "<a>",
                                                    "<a/",
                                                    "<ab"};
    std::uniform_int_distribution<size_t> len(0, 120);
    std::uniform_int_distribution<size_t> pick(0, tokens.size() - 1);
    std::string page;
    for (size_t i = len(rng); i > 0; --i) {
        page += tokens[pick(rng)];
    }
    return page;
}

TEST(ScannerProperty, AgreesWithTheRulesOnGeneratedPages) {
    std::mt19937 rng(20261208);
    for (int iter = 0; iter < 30000; ++iter) {
        const std::string page = RandomPage(rng);
        const auto got = test::Scan(page);
        const auto want = Reference(page);
        ASSERT_EQ(got, want) << "page: " << page;
    }
}

TEST(ScannerProperty, SpansStayInsideTheTextAndNeverOverlap) {
    std::mt19937 rng(7);
    for (int iter = 0; iter < 30000; ++iter) {
        const std::string page = RandomPage(rng);
        const size_t textLen = std::min(page.size(), page.find('\0'));
        size_t prevEnd = 0;
        for (const Found& f : test::Scan(page)) {
            ASSERT_LE(prevEnd, f.start) << page;
            ASSERT_LE(f.start, f.end) << page;
            ASSERT_LE(f.end, textLen) << page;
            ASSERT_NE(f.address.find('@'), std::string::npos);
            ASSERT_NE(f.address.find('.'), std::string::npos);
            prevEnd = f.end;
        }
    }
}

} // namespace
} // namespace orvex
