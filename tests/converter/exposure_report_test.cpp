// SPDX-License-Identifier: MIT
// What a harvester could still take from a written page: where each address stands, the encoded
// and protected forms, the comment scrubber, the log and JSON texts, and a slow reference.
#include "converter/exposure_report.h"

#include "converter/message.h"
#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <regex>

namespace orvex {
namespace {

using W = ExposureWhere;

ProtectedAddresses Protect(std::initializer_list<std::string> addresses) {
    return ProtectedAddresses(std::set<std::string>(addresses));
}

// "address@where" for each finding, "!" after a protected one: compact enough to read a page's
// whole result at a glance.
std::vector<std::string> Brief(std::string_view page, const ProtectedAddresses& p = {}, bool isPage = true) {
    std::vector<std::string> out;
    for (const Exposure& e : FindExposures(page, p, isPage)) {
        out.push_back(e.address + "@" + std::string(ExposureWhereName(e.where)) + (e.isProtected ? "!" : ""));
    }
    return out;
}

using V = std::vector<std::string>;

TEST(Exposure, WhereEachAddressStands) {
    const std::string page = "<html><head><link rev=\"made\" href=\"mailto:a@b.com\">\n"
                             "<meta name=author content='c@d.org'><style>p{content:\"s@t.net\"}</style>\n"
                             "<!-- old: e@f.co.kr --><SCRIPT type=x>var m = 'g@h.com';</Script >\n"
                             "<p>Write to i@j.com or <input value=k@l.com> 3 < 4 m@n.com</p>";
    EXPECT_EQ(Brief(page), (V{"a@b.com@attribute", "c@d.org@attribute", "s@t.net@script", "e@f.co.kr@comment",
                              "g@h.com@script", "i@j.com@text", "k@l.com@attribute", "m@n.com@text"}));
    // Not a page: no markup at all.
    EXPECT_EQ(Brief("<!-- a@b.com -->", {}, false), V{"a@b.com@file"});
}

TEST(Exposure, UnclosedConstructsRunToTheEnd) {
    EXPECT_EQ(Brief("<p>x</p><!-- a@b.com"), V{"a@b.com@comment"});
    EXPECT_EQ(Brief("<script>a@b.com</scripts> c@d.com"), (V{"a@b.com@script", "c@d.com@script"}));
    EXPECT_EQ(Brief("<a title=a@b.com"), V{"a@b.com@attribute"});
    // "<!-->" and "<!---->" are whole comments; "<!--" inside a script starts none.
    EXPECT_EQ(Brief("<!-->a@b.com <script><!-- c@d.com</script> e@f.com <!---->g@h.com"),
              (V{"a@b.com@text", "c@d.com@script", "e@f.com@text", "g@h.com@text"}));
    // Inside a tag "<!--" is an attribute's text, and a tag ends at its first ">".
    EXPECT_EQ(Brief("<a title=\"<!--\">a@b.com</a><b x='>'c@d.com'>"), (V{"a@b.com@text", "c@d.com@text"}));
}

TEST(Exposure, EncodedAtSigns) {
    const std::string page = "kim%40ex.com lee&#64;ex.com park&#x40;ex.com choi&#X40;ex.com "
                             "no&#64ex.com no&#x64;ex.com a%40b.co%40ex.com x%40y";
    const auto found = FindExposures(page, Protect({"kim@EX.com"}), true);
    ASSERT_EQ(found.size(), 5u);
    EXPECT_EQ(found[0].address, "kim@ex.com");
    EXPECT_TRUE(found[0].isProtected);
    EXPECT_EQ(found[0].length, 12u);
    EXPECT_EQ(found[1].address, "lee@ex.com");
    EXPECT_EQ(found[2].address, "park@ex.com");
    EXPECT_EQ(found[3].address, "choi@ex.com");
    EXPECT_EQ(found[3].length, 16u);
    // As a backtracking engine does it: the local part runs on to the last "%40" with a domain.
    EXPECT_EQ(found[4].address, "a%40b.co@ex.com");
    EXPECT_EQ(page.substr(found[4].offset, found[4].length), "a%40b.co%40ex.com");
}

TEST(Exposure, ProtectedAddresses) {
    const std::string kim = "\xB1\xE8@\xC8\xB8\xBB\xE7.kr"; // 김@회사.kr in CP949: no pattern match
    const auto p = Protect({kim, kim + "\xB4\xD4", "lee@ex.com?subject=hi", "park@ex.com\xB4\xD4", "no-at-sign"});
    // The longest of those that start at the same byte.
    EXPECT_EQ(Brief("<p>" + kim + "</p>" + kim + "\xB4\xD4", p), (V{kim + "@text!", kim + "\xB4\xD4@text!"}));
    // A protected address around a match marks it; so does one the pattern finds inside it.
    EXPECT_EQ(Brief("<a href='mailto:LEE@ex.com?subject=hi'> lee@EX.COM park@ex.com\xB4\xD4 mr.park@ex.com", p),
              (V{"LEE@ex.com@attribute!", "lee@EX.COM@text!", "park@ex.com@text!", "mr.park@ex.com@text"}));
    EXPECT_EQ(Brief("no-at-sign", p), V{});
}

// Thousands of addresses, many sharing the bytes around their "@" (one key): each is found as
// itself after the table has grown many times, an address differing by one byte is not, and an
// address given again in another case is not added twice.
TEST(Exposure, ManyProtectedAddressesSharingKeys) {
    ProtectedAddresses p;
    std::string page;
    for (int i = 0; i < 3000; ++i) {
        const std::string a = "u" + std::to_string(i) + (i % 2 == 0 ? "xyz@abc.com" : "@d" + std::to_string(i) + ".kr");
        p.Add(a);
        p.Add("U" + a.substr(1));
        page += a + " ";
    }
    EXPECT_EQ(p.Size(), 3000u);
    const auto found = FindExposures(page + "u0xyz@abc.co u1@d3.kr", p, true);
    ASSERT_EQ(found.size(), 3002u);
    for (size_t i = 0; i < 3000; ++i) {
        ASSERT_TRUE(found[i].isProtected) << found[i].address;
    }
    EXPECT_FALSE(found[3000].isProtected);
    EXPECT_FALSE(found[3001].isProtected);
}

TEST(Exposure, LinesEndAtLfCrLfAndLoneCr) {
    const auto found = FindExposures("a@b.com\r\nc@d.com\re@f.com\n\r\ng@h.com\r", {}, true);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0].line, 1u);
    EXPECT_EQ(found[1].line, 2u);
    EXPECT_EQ(found[2].line, 3u);
    EXPECT_EQ(found[3].line, 5u);
    EXPECT_EQ(found[3].offset, 27u);
    // Enough line ends to fill the vector counter's lanes.
    EXPECT_EQ(FindExposures(std::string(5000, '\n') + "\r\r\na@b.com", {}, true)[0].line, 5003u);
}

TEST(Exposure, ScrubTouchesOnlyCommentBodies) {
    const auto p = Protect({"\xB1\xE8@\xC8\xB8\xBB\xE7.kr", "kim@ex.com\xB4\xD4"});
    std::string page = "<p>a@b.com</p><!-- c@d.com and kim@ex.com\xB4\xD4 -->e@f.com<!---g@h.com-->"
                       "<script><!-- i@j.com --></script><!--\xB1\xE8@\xC8\xB8\xBB\xE7.kr";
    EXPECT_EQ(ScrubCommentAddresses(page, p), 4u);
    EXPECT_EQ(page, "<p>a@b.com</p><!-- (e-mail) and (e-mail) -->e@f.com<!--(e-mail)-->"
                    "<script><!-- i@j.com --></script><!--(e-mail)");
    EXPECT_EQ(Brief(page, p), (V{"a@b.com@text", "e@f.com@text", "i@j.com@script"}));
    EXPECT_EQ(ScrubCommentAddresses(page, p), 0u);
}

TEST(Exposure, LogAndJsonTexts) {
    EXPECT_EQ(DescribeExposures({}), Text("변환된 페이지에 남은 전자메일 주소가 없습니다.\r\n"));
    std::vector<PageExposures> files(2);
    files[0].path = "sub/a.html";
    files[0].exposures = FindExposures("\n<!-- \xB1\xE8@ex.com -->", Protect({"\xB1\xE8@ex.com"}), true);
    files[1].path = "list.txt";
    files[1].charset = "UTF-8";
    files[1].exposures = FindExposures("x@y.com", {}, false);
    EXPECT_EQ(DescribeExposures(files), Text("변환 후에도 전자메일 주소가 남아 있는 곳:\r\n"
                                             "  sub/a.html 2번째 줄 주석 안: 김@ex.com (보호하기로 한 주소)\r\n"
                                             "  list.txt 1번째 줄: x@y.com (보호 대상이 아닌 주소) - 페이지가 아닌 "
                                             "파일이라 변환되지 않고 그대로 서버에 올라갑니다.\r\n"));
    EXPECT_EQ(ExposureJsonLine("sub/\"a\".html", files[0].exposures[0], ""),
              "{\"page\":\"sub/\\\"a\\\".html\",\"line\":2,\"where\":\"comment\",\"address\":\"김@ex.com\","
              "\"protected\":true}\n");
    // Bytes that do not decode still give valid UTF-8. The page's name is program text: on
    // Windows the ANSI code page reads the byte as a character of its own.
#ifdef _WIN32
    const std::string odd = Utf8FromProgramText("a\xFF.txt");
#else
    const std::string odd = "a\xEF\xBF\xBD.txt";
#endif
    const std::string line = ExposureJsonLine("a\xFF.txt", files[1].exposures[0], "UTF-8");
    EXPECT_EQ(line,
              "{\"page\":\"" + odd + "\",\"line\":1,\"where\":\"file\",\"address\":\"x@y.com\",\"protected\":false}\n");
    EXPECT_EQ(DecodeToUtf8(line, kCharsetUtf8), line);
}

// The slow reference: the pattern as a regex, protected addresses by trying every one at every
// byte, and the markup byte by byte.
struct RefFinding {
    size_t offset, length, line;
    std::string address;
    bool isProtected;
    W where;
    bool operator==(const RefFinding&) const = default;
};

std::string Lower(std::string s) {
    for (char& c : s) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    }
    return s;
}

std::vector<W> ReferenceMarkup(const std::string& t) {
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const auto nameAt = [&](size_t p, const std::string& name) {
        return p + name.size() < t.size() && Lower(t.substr(p, name.size())) == name &&
               std::string_view("\t\n\f\r />").find(t[p + name.size()]) != std::string_view::npos;
    };
    std::vector<W> where(t.size(), W::Text);
    const auto fill = [&](size_t from, size_t to, W w) {
        for (size_t k = from; k < to; ++k) {
            where[k] = w;
        }
    };
    for (size_t i = 0; i < t.size();) {
        if (t.compare(i, 4, "<!--") == 0) {
            const size_t close = t.find("-->", i + 2);
            const size_t end = close == std::string::npos ? t.size() : close + 3;
            fill(i, end, W::Comment);
            i = end;
        } else if (t[i] == '<' && i + 1 < t.size() &&
                   (letter(t[i + 1]) || std::string_view("/!?").find(t[i + 1]) != std::string_view::npos)) {
            const size_t gt = t.find('>', i + 1);
            size_t end = gt == std::string::npos ? t.size() : gt + 1;
            fill(i, end, W::Attribute);
            for (const std::string name : {"script", "style"}) {
                if (nameAt(i + 1, name)) {
                    size_t r = end;
                    while (r < t.size() && !(t.compare(r, 2, "</") == 0 && nameAt(r + 2, name))) {
                        ++r;
                    }
                    fill(end, r, W::Script);
                    end = r;
                }
            }
            i = end;
        } else {
            ++i;
        }
    }
    return where;
}

std::vector<RefFinding> Reference(const std::string& t, const std::vector<std::string>& protectedList) {
    static const std::regex pattern(
        "([A-Za-z0-9._%+-]+)(@|%40|&#64;|&#[xX]40;)([A-Za-z0-9-]+(\\.[A-Za-z0-9-]+)*\\.[A-Za-z]{2,})");
    std::set<std::string> covered;
    for (const std::string& a : protectedList) {
        covered.insert(Lower(a));
        for (std::sregex_iterator m(a.begin(), a.end(), pattern), end; m != end; ++m) {
            covered.insert(Lower((*m)[1].str() + "@" + (*m)[3].str()));
        }
    }
    std::vector<std::string> byLength = protectedList;
    std::stable_sort(byLength.begin(), byLength.end(), [](auto& a, auto& b) { return a.size() > b.size(); });
    std::vector<std::pair<size_t, size_t>> occurrences;
    for (size_t i = 0; i < t.size();) {
        const auto hit = std::find_if(byLength.begin(), byLength.end(),
                                      [&](const std::string& a) { return Lower(t.substr(i, a.size())) == Lower(a); });
        if (hit == byLength.end()) {
            ++i;
        } else {
            occurrences.emplace_back(i, i + hit->size());
            i += hit->size();
        }
    }
    std::vector<RefFinding> out;
    std::vector<bool> merged(occurrences.size());
    for (std::sregex_iterator m(t.begin(), t.end(), pattern), end; m != end; ++m) {
        const size_t s = static_cast<size_t>(m->position()), e = s + static_cast<size_t>(m->length());
        const std::string address = (*m)[1].str() + "@" + (*m)[3].str();
        bool isProtected = covered.count(Lower(address)) != 0;
        for (size_t k = 0; k < occurrences.size(); ++k) {
            if (occurrences[k].first < e && s < occurrences[k].second) {
                isProtected = true;
                merged[k] = true;
            }
        }
        out.push_back({s, e - s, 0, address, isProtected, W::Text});
    }
    for (size_t k = 0; k < occurrences.size(); ++k) {
        const auto [s, e] = occurrences[k];
        if (!merged[k]) {
            out.push_back({s, e - s, 0, t.substr(s, e - s), true, W::Text});
        }
    }
    std::sort(out.begin(), out.end(), [](auto& a, auto& b) { return a.offset < b.offset; });
    const std::vector<W> where = ReferenceMarkup(t);
    std::vector<size_t> lineOf(t.size() + 1, 1);
    for (size_t i = 0; i < t.size(); ++i) {
        lineOf[i + 1] = lineOf[i] + ((t[i] == '\n' || (t[i] == '\r' && t[i + 1] != '\n')) ? 1 : 0);
    }
    for (RefFinding& f : out) {
        f.where = where[f.offset];
        f.line = lineOf[f.offset];
    }
    return out;
}

TEST(Exposure, MatchesTheSlowReference) {
    using namespace std::string_literals;
    // Markup, "@" forms, address bytes, line ends, CP949 and UTF-8 bytes and a NUL, "|" between.
    const std::string pieceList =
        "<!--|-->|<!-->|<script>|</script>|<SCRIPT a=1>|</Script\n|<style>|</style>|"
        "<scripts>|<span>|<STYLE>|<!-|<a href=\"mailto:|\">|<link rev=made href=mailto:|<p>|</p>|<|>|< b|"
        "<!DOCTYPE html>|<?x?>|</|@|%40|&#64;|&#x40;|&#X40;|&#64|%4|&amp;|%|.|..|-|_|+|"
        "kim|Lee|a|b|co|com|kr|x1|7|\r\n|\n|\r| |\"|'|=|\xB1\xE8\xC3\xB6|\xED\x95\x9C|\0|"
        "kim@ex.com|KIM@EX.COM|lee@ex.co.kr?s=1|kim%40ex.co|<p>\xB1\xE8\xC3\xB6@kim"s;
    std::vector<std::string> pieces;
    for (size_t from = 0, bar; from <= pieceList.size(); from = bar + 1) {
        bar = std::min(pieceList.find('|', from), pieceList.size());
        pieces.push_back(pieceList.substr(from, bar - from));
    }
    const std::vector<std::string> protectedList = {
        "kim@ex.com", "lee@ex.co.kr?s=1", "\xB1\xE8\xC3\xB6@kim", "<p>\xB1\xE8\xC3\xB6@kim", "co@co", "b.co@a.kr"};
    ProtectedAddresses p;
    for (const std::string& a : protectedList) {
        p.Add(a);
    }
    std::mt19937 random(20240611);
    for (int round = 0; round < 8; ++round) {
        std::string page;
        for (int k = 0; k < 12000; ++k) {
            page += pieces[random() % pieces.size()];
        }
        std::vector<RefFinding> got;
        for (const Exposure& e : FindExposures(page, p, true)) {
            got.push_back({e.offset, e.length, e.line, e.address, e.isProtected, e.where});
        }
        ASSERT_EQ(got, Reference(page, protectedList)) << "round " << round;

        // Scrubbed: no comment finding left, and everything but comments as it was.
        std::string scrubbed = page;
        ScrubCommentAddresses(scrubbed, p);
        for (const Exposure& e : FindExposures(scrubbed, p, true)) {
            ASSERT_NE(e.where, W::Comment) << "round " << round;
        }
        const auto outside = [](const std::string& t) {
            const std::vector<W> where = ReferenceMarkup(t);
            std::string kept;
            for (size_t i = 0; i < t.size(); ++i) {
                kept += where[i] == W::Comment ? '#' : t[i];
            }
            kept.erase(std::unique(kept.begin(), kept.end(), [](char a, char b) { return a == '#' && b == '#'; }),
                       kept.end());
            return kept;
        };
        ASSERT_EQ(outside(scrubbed), outside(page)) << "round " << round;
    }
}

} // namespace
} // namespace orvex
