// SPDX-License-Identifier: MIT
// The scanner on the page shapes it meets: anchors, areas, plain text, scripts and decoys.
#include "converter/html_scanner.h"

#include "scan_helpers.h"

#include <gtest/gtest.h>

namespace orvex {
namespace {

using test::Scan;
using test::SpanText;

TEST(ExtractAddress, StopsAtItsDelimiters) {
    const std::string t = "x=mailto:kim@ex.com?subject=hi there";
    const AddressSpan a = ExtractAddress(t, t.find('@'));
    EXPECT_EQ(t.substr(a.start, a.end - a.start), "kim@ex.com?subject=hi");
    const std::string u = "a;b@c.d\te>f";
    const AddressSpan b = ExtractAddress(u, u.find('@'));
    EXPECT_EQ(u.substr(b.start, b.end - b.start), "b@c.d\te"); // tab is not a delimiter
    const std::string v = "@x.y";
    const AddressSpan c = ExtractAddress(v, 0);
    EXPECT_EQ(c.start, 0u);
    EXPECT_EQ(c.end, 4u);
}

TEST(Scanner, MailtoAnchorIsOneEntryWithItsName) {
    const struct {
        std::string page;
        std::string address;
        std::string name;
        std::string span;
    } cases[] = {
        {"<p><a href=\"mailto:kim@example.com\">Kim <b>Minsu</b></a> said", "kim@example.com", "Kim <b>Minsu</b>",
         "<a href=\"mailto:kim@example.com\">Kim <b>Minsu</b></a>"},
        // The query stays with the address.
        {"<A HREF='mailto:lee@ex.co.kr?subject=Hello'>Lee</A>", "lee@ex.co.kr?subject=Hello", "Lee",
         "<A HREF='mailto:lee@ex.co.kr?subject=Hello'>Lee</A>"},
    };
    for (const auto& c : cases) {
        const auto found = Scan(c.page);
        ASSERT_EQ(found.size(), 1u) << c.page;
        EXPECT_EQ(found[0].kind, EntryKind::Anchor);
        EXPECT_EQ(found[0].address, c.address);
        EXPECT_EQ(found[0].name, c.name);
        EXPECT_EQ(SpanText(c.page, found[0]), c.span);
    }
}

TEST(Scanner, AnchorShowingItsOwnAddressIsOneEntry) {
    const std::string page = "<a href=\"mailto:a@b.com\">a@b.com</a> and c@d.com";
    const auto found = Scan(page);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].kind, EntryKind::Anchor);
    EXPECT_EQ(found[0].name, "a@b.com");
    EXPECT_EQ(found[1].kind, EntryKind::Text);
    EXPECT_EQ(SpanText(page, found[1]), "c@d.com");
}

TEST(Scanner, AddressAsTextOfAnOrdinaryLinkIsLeft) {
    // A link put there would nest in the page's own link, which a browser empties.
    EXPECT_TRUE(Scan("<a href=\"/contact.html\">park@ex.com</a>").empty());
    EXPECT_TRUE(Scan("&lt;<a href=\"msg00000.html\">m1@ex.co.kr</a>&gt;").empty());
    EXPECT_TRUE(Scan("<a name=top>k@ex.com <b>x</b> never closed, l@ex.com").empty());
    EXPECT_TRUE(Scan("<a href=\"/c\"><abbr>X</abbr> kim@ex.com</a>").empty()); // "</abbr" closes no link
    const std::string page = "<a href=\"/c.html\">park@ex.com</A> kim@ex.com";
    const auto found = Scan(page);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(SpanText(page, found[0]), "kim@ex.com");
}

TEST(Scanner, TextAddressLeavesItsNeighboursInThePage) {
    struct Case {
        std::string page;
        std::string span; // what the entry replaces; the rest stays in the page
    };
    const Case cases[] = {
        {"Write to kim@ex.com. Or", "kim@ex.com"},
        {"Write to kim@ex.com.) Or", "kim@ex.com"},
        {"&lt;a@b.com&gt; wrote:", "a@b.com"},
        {"\xB9\xAE\xC0\xC7\xB4\xC2 kim@x.co.kr\xC0\xD4\xB4\xCF\xB4\xD9.", "kim@x.co.kr"}, // CP949
        {"(lee@ex.com), [park@ex.com]", "lee@ex.com"},
        {"\xEB\xA9\x94\xEC\x9D\xBC:choi@ex.com!?", "choi@ex.com"}, // UTF-8 word right before it
        {"x a@b.c;d@e.f y", "a@b.c;d@e.f"},                        // ";" still inside
    };
    for (const Case& c : cases) {
        const auto found = Scan(c.page);
        ASSERT_FALSE(found.empty()) << c.page;
        EXPECT_EQ(found[0].kind, EntryKind::Text) << c.page;
        EXPECT_EQ(SpanText(c.page, found[0]), c.span) << c.page;
        EXPECT_EQ(found[0].address, c.span) << c.page;
    }
    EXPECT_EQ(Scan("(lee@ex.com), [park@ex.com]").size(), 2u);
    // What a text address leaves behind may hold the next one.
    for (const std::string page : {"<p>a@b.com&nbsp;c@d.com</p>", "&lt;x@y.com&gt;&lt;z@w.com&gt;",
                                   "kim@x.co.kr\xC0\xD4\xB4\xCF\xB4\xD9 lee@y.co.kr"}) {
        EXPECT_EQ(Scan(page).size(), 2u) << page;
    }
    // Inside an anchor's tag the query stays part of the link.
    EXPECT_EQ(Scan("<a href='mailto:k@ex.com?subject=a&amp;b'>K</a>")[0].address, "k@ex.com?subject=a&amp;b");
}

TEST(Scanner, AddressNeedsADot) {
    EXPECT_TRUE(Scan("root@localhost here").empty());
    // The dot is looked for after the sentence's full stop is dropped.
    EXPECT_TRUE(Scan("x root@host. y").empty());
    EXPECT_TRUE(Scan("x root@host&#46;com y").empty());
}

TEST(Scanner, ScriptBodiesAreSkipped) {
    EXPECT_TRUE(Scan("<script>var m='a@b.com';</script>").empty());
    EXPECT_TRUE(Scan("<SCRIPT type=x>a@b.com</ScRiPt>").empty());
    const auto after = Scan("<script>a@b.com</script> c@d.com");
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].address, "c@d.com");
    // An unterminated script is searched.
    const auto open = Scan("<script> x@y.com and z@w.com");
    EXPECT_EQ(open.size(), 2u);
}

TEST(Scanner, DecoysInOtherTagsYieldNothing) {
    EXPECT_TRUE(Scan("<input type=text value=\"a@b.com\">").empty());
    EXPECT_TRUE(Scan("<img src=x.gif alt='a@b.com'>").empty());
}

TEST(Scanner, AreaSpanRunsFromTheHrPairBeforeTheAddress) {
    const struct {
        std::string page;
        std::string span;
    } cases[] = {
        // The closing quote is part of the span.
        {"<map><area shape=rect href=\"mailto:m@ex.com\" coords=\"1,2\"></map>", "href=\"mailto:m@ex.com\""},
        // The nearest "hr" before the address, wherever it stands.
        {"<area alt=\"three\" href='mailto:m@ex.com'>", "hree\" href='mailto:m@ex.com'"},
        // An unquoted value ends before the tag's ">".
        {"<area href=mailto:m@ex.com><p>", "href=mailto:m@ex.com"},
    };
    for (const auto& c : cases) {
        const auto found = Scan(c.page);
        ASSERT_EQ(found.size(), 1u) << c.page;
        EXPECT_EQ(found[0].kind, EntryKind::Area);
        EXPECT_EQ(found[0].name, "");
        EXPECT_EQ(SpanText(c.page, found[0]), c.span);
    }
}

TEST(Scanner, AreaWithoutHrefBeforeTheAddressYieldsNothing) {
    EXPECT_TRUE(Scan("<area alt='m@ex.com'> <a href='/x'>link</a>").empty());
    // The second address of the tag has an href before it and is found.
    const std::string page = "<area alt='a@b.c' href='mailto:m@ex.com'>";
    const auto found = Scan(page);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].address, "m@ex.com");
}

TEST(Scanner, TwoAddressesInOneAreaTagKeepTheFirst) {
    const std::string page = "<area href='mailto:a@b.com' title='c@d.com'>";
    const auto found = Scan(page);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].address, "a@b.com");
}

TEST(Scanner, TwoAtSignsInOneAddressGiveOneEntry) {
    const auto found = Scan("see a@b@c.com here");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].address, "a@b@c.com");
}

TEST(Scanner, OnlyTheTagNamesAAndAreaMakeAnchorsAndAreas) {
    // A quoted mail header: the bracketed address is text-like, not an anchor eating the rest.
    const std::string page = "To: x <AET.X@POST.COM><br>quoted text <a href=\"http://e.com/\">link</a> kept?";
    EXPECT_TRUE(Scan(page).empty());
    EXPECT_TRUE(Scan("<abbr title='a@b.com'>x</abbr></a>").empty());
    EXPECT_TRUE(Scan("<areas href='mailto:a@b.com'>").empty());
    for (const std::string anchor : {"<a\thref='mailto:a@b.com'>A</a>", "<A\nhref='mailto:a@b.com'>A</A>"}) {
        const auto found = Scan(anchor);
        ASSERT_EQ(found.size(), 1u) << anchor;
        EXPECT_EQ(found[0].kind, EntryKind::Anchor);
    }
    const auto area = Scan("<AREA\r\nhref='mailto:a@b.com'>");
    ASSERT_EQ(area.size(), 1u);
    EXPECT_EQ(area[0].kind, EntryKind::Area);
}

TEST(Scanner, MailtoWithAnEncodedAtIsOneDecodedEntry) {
    const std::string page = "<a href=\"mailto:c%40d.com\">c@d.com</a> after";
    const auto found = Scan(page);
    ASSERT_EQ(found.size(), 1u); // the shown address is the anchor's name, not an anchor inside it
    EXPECT_EQ(found[0].kind, EntryKind::Anchor);
    EXPECT_EQ(found[0].address, "c@d.com");
    EXPECT_EQ(found[0].name, "c@d.com");
    EXPECT_EQ(SpanText(page, found[0]), "<a href=\"mailto:c%40d.com\">c@d.com</a>");

    EXPECT_EQ(Scan("<A HREF='MailTo:e&#64;f&#46;com'>E</A>")[0].address, "e@f.com");
    EXPECT_EQ(Scan("<a href='mailto:e&#X40;f%2ecom?subject=x'>E</a>")[0].address, "e@f.com?subject=x");
    const std::string map = "<area shape=rect href='mailto:g&#x40;h&#x2E;com' alt=G>";
    const auto areas = Scan(map);
    ASSERT_EQ(areas.size(), 1u);
    EXPECT_EQ(areas[0].kind, EntryKind::Area);
    EXPECT_EQ(areas[0].address, "g@h.com");
    EXPECT_EQ(SpanText(map, areas[0]), "href='mailto:g&#x40;h&#x2E;com'");
    // Not a mailto link, or no dot once decoded: nothing.
    EXPECT_TRUE(Scan("<a href='/x?to=c%40d.com'>x</a>").empty());
    EXPECT_TRUE(Scan("<a href='mailto:root%40localhost'>x</a>").empty());
}

TEST(Scanner, UnterminatedAnchorEndsAtTheText) {
    const std::string page = "<a href='mailto:a@b.com'>name and c@d.com";
    const auto found = Scan(page);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].end, page.size());
    EXPECT_EQ(found[0].name, "name and c@d.com");
    // No ">" after the "@": the name is empty.
    const auto bare = Scan("<a href=mailto:a@b.com");
    ASSERT_EQ(bare.size(), 1u);
    EXPECT_EQ(bare[0].name, "");
    EXPECT_EQ(bare[0].end, 22u);
    // "</a" at the very end: the span stops at the text's end, not four bytes on.
    const std::string cut = "<a href='mailto:a@b.com'>x</a";
    EXPECT_EQ(Scan(cut)[0].end, cut.size());
}

TEST(Scanner, NulEndsTheScannedText) {
    const std::string page("a@b.com \0 c@d.com", 17);
    HtmlScanner scanner(page);
    EXPECT_EQ(scanner.Text().size(), 8u);
    EXPECT_EQ(Scan(page).size(), 1u);
}

TEST(Scanner, EmptyAndAddresslessPages) {
    EXPECT_TRUE(Scan("").empty());
    EXPECT_TRUE(Scan("<html><body>@ @@ <a>@</a></body></html>").empty());
}

} // namespace
} // namespace orvex
