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

// Every step exactly as the rules state it, with no memo and no skipping.
std::vector<Found> Reference(std::string_view page) {
    const std::string_view t = page.substr(0, page.find('\0'));
    const size_t n = t.size();
    const std::string_view back = "< '\">=:;\r\n";
    const std::string_view fwd = "< '\">\r\n";
    std::vector<Found> out;
    size_t prevEnd = 0;
    for (size_t i = 0; i < n; ++i) {
        if (Matches(t, i, "<scri")) {
            i = FindFrom(t, i, "</scr", i);
        }
        if (t[i] != '@')
            continue;
        size_t s = i;
        while (s > 0 && back.find(t[s - 1]) == back.npos)
            --s;
        size_t e = i;
        while (e < n && fwd.find(t[e]) == fwd.npos)
            ++e;
        const std::string address(t.substr(s, e - s));
        if (address.find('.') == address.npos)
            continue;
        size_t k = i + 1;
        while (k > 0 && t[k - 1] != '<' && t[k - 1] != '>')
            --k;
        Found f{EntryKind::Text, s, e, address, ""};
        size_t anchorClose = 0;
        if (k > 0 && t[k - 1] == '<') {
            k -= 1;
            if (!Ci(t[k + 1], 'a'))
                continue;
            if (k + 2 < n && Ci(t[k + 2], 'r')) {
                f.kind = EntryKind::Area;
                f.end = e + ((e < n && (t[e] == '\'' || t[e] == '"')) ? 1 : 0);
                f.start = FindFrom(t, k, "hr", n);
                if (f.start >= f.end)
                    continue;
            } else {
                f.kind = EntryKind::Anchor;
                anchorClose = FindFrom(t, i, "</a", n);
                f.start = k;
                f.end = std::min(anchorClose + 4, n);
                const size_t g = FindFrom(t, i, ">", n);
                if (g + 1 < anchorClose)
                    f.name = std::string(t.substr(g + 1, anchorClose - g - 1));
            }
        }
        if (f.start >= prevEnd) {
            out.push_back(f);
            prevEnd = f.end;
        }
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
                                                    "<abbr "};
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
