// SPDX-License-Identifier: MIT
// The page rewriter: the head written ahead of a page, the link texts, and the bytes between.
#include "converter/page_rewriter.h"

#include "platform/paths.h"
#include "platform/text_codec.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orvex {
namespace {

using namespace std::string_view_literals;
namespace fs = std::filesystem;

// The warning halves of the marker comments, spelled here so that a slip in the program's own
// copy shows up as a different page.
constexpr std::string_view kKitWarning = "이코드를 수정하거나 삭제할경우 이메일데이타 동기화에 문제가생깁니다.";
constexpr std::string_view kServiceWarning = "이코드를 수정하거나 삭제할경우 Velmorant서버동기화에 문제가생깁니다.";

// Marker comment and script block of the kit form; openLine is the window.open line.
std::string KitHead(std::string_view code, std::string_view openLine) {
    return "<!--AntiSpam" + std::string(code) + Cp949FromUtf8(kKitWarning) + "-->\r\n" +
           "<script language=javascript>\r\nfunction AntiSpam(UniqId)\r\n{\r\n" + std::string(openLine) +
           "}\r\n</script>\r\n<!--service.orvex.kr-->\r\n";
}

// The head of a PHP page at the home root with page code 815.
std::string PhpRootHead() {
    return KitHead("815", "window.open('Velmorant/antispamin.php?UniqId='+UniqId,'Velmorant',"
                          "'width=180,height=263,left=1,top=1');\r\n");
}

class PageRewriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_table = std::make_unique<ScanTable>();
        m_params.pageCode = "815";
    }
    // Scans the page written at rel; every entry marked unless check is 0.
    PageRecord& Scan(std::string_view rel, std::string_view bytes, int32_t check = 1) {
        const ScanResult r = m_table->LookupOrScanPage(m_dir.Write(test::NativeRel(rel), bytes), check);
        EXPECT_EQ(r.status, ScanStatus::Ok);
        return m_table->Page(m_table->PageCount() - 1);
    }
    std::string OutPath() const { return m_dir.Path(test::NativeRel("out/sub/page.html")); }
    RewriteResult Rewrite(const PageRecord& page, int32_t first) {
        return RewritePage(page, OutPath(), m_params, first);
    }
    std::string Output() const { return m_dir.Read(test::NativeRel("out/sub/page.html")); }

    test::TempDir m_dir;
    std::unique_ptr<ScanTable> m_table;
    RewriteParams m_params;
};

TEST_F(PageRewriterTest, KitHeadPerKindAndDepth) {
    struct Case {
        int32_t kind;
        std::string_view rel;
        std::string_view address; // the pop-up address, relative to the page
        std::string_view size;
    };
    const Case cases[] = {
        {kCgiPhp, "a.html", "Velmorant/antispamin.php", "width=180,height=263"},
        {kCgiPhp, "d/a.html", "../Velmorant/antispamin.php", "width=180,height=263"},
        {kCgiPhp, "d/e/a.html", "../../Velmorant/antispamin.php", "width=180,height=263"},
        {kCgiAsp, "a.html", "Velmorant/antispamin.asp", "width=200,height=276"},
        {kCgiJsp, "d/a.html", "../Velmorant/antispamin.jsp", "width=200,height=276"},
        {kCgiPerl, "d/e/a.html", "../../Velmorant/antispamin.pl", "width=200,height=276"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rel);
        m_table->ResetScanTable();
        const PageRecord& page = Scan(c.rel, "<p>x@y.zz</p>\r\n");
        SetEntryName(page.m_pFirstEntry[0], "n");
        m_params.cgiKind = c.kind;
        m_params.rootPrefix = MakeRootPrefix(page.m_strPath, m_dir.Path());
        const RewriteResult r = Rewrite(page, 1);
        ASSERT_EQ(r.status, RewriteStatus::Ok);
        EXPECT_EQ(r.nextNumber, 2);
        const std::string open = "window.open('" + std::string(c.address) + "?UniqId='+UniqId,'Velmorant','" +
                                 std::string(c.size) + ",left=1,top=1');\r\n";
        EXPECT_EQ(Output(), KitHead("815", open) + "<p><a href='javascript:AntiSpam(1)'>n</a></p>\r\n");
    }
}

TEST_F(PageRewriterTest, ServiceHeadAndLinks) {
    const PageRecord& page = Scan("a.html", "<area href='mailto:m@ex.com'> kim@ex.com a*/b@ex.com");
    SetEntryName(page.m_pFirstEntry[1], "n");
    SetEntryName(page.m_pFirstEntry[2], "n");
    m_params.form = RewriteForm::Service;
    m_params.pageCode = "0123456789abcdef0123456789ABCDEF";
    m_params.userId = "member01";
    m_params.section = "S7";
    m_params.hosts = {"svc.test:8080", "pop.test"};
    const RewriteResult r = Rewrite(page, 40);
    ASSERT_EQ(r.status, RewriteStatus::Ok);
    // The service keeps its addresses itself, so the data-file guard does not apply.
    EXPECT_EQ(r.nextNumber, 43);
    EXPECT_EQ(Output(), "<!--Velmorant0123456789abcdef0123456789ABCDEF" + Cp949FromUtf8(kServiceWarning) +
                            "-->\r\n"
                            "<script language=javascript>\r\nfunction Velmorant(UniqId)\r\n{\r\n"
                            "window.open('https://pop.test/service/velmorantin.vrt?UserId=member01&UniqId='+UniqId+'"
                            "&Section=S7&PageCode=0123456789abcdef0123456789ABCDEF','Velmorant',"
                            "'width=215,height=266,left=1,top=1,status=1');\r\n}\r\n</script>\r\n"
                            "<!--svc.test:8080-->\r\n"
                            "<area href='javascript:Velmorant(40)'> <a href='javascript:Velmorant(41)'>n</a> "
                            "<a href='javascript:Velmorant(42)'>n</a>");
}

constexpr std::string_view kThreeKinds =
    "<p><a target=\"_blank\" class=\"m\" href=\"mailto:kim@ex.com\">Mail me</a>\r\n"
    "<map><area shape=\"rect\" coords=\"1,2,3,4\" href=\"mailto:m@ex.com\" "
    "alt=\"map\"></map>\r\nlee@ex.com</p>";

TEST_F(PageRewriterTest, LinkTextPerEntryKind) {
    const PageRecord& page = Scan("a.html", kThreeKinds);
    ASSERT_EQ(page.m_nEntryCount, 3);
    const std::string manager = Cp949FromUtf8("담당자");
    SetEntryName(page.m_pFirstEntry[0], manager);
    SetEntryName(page.m_pFirstEntry[2], "T");
    const RewriteResult r = Rewrite(page, 7);
    ASSERT_EQ(r.status, RewriteStatus::Ok);
    EXPECT_EQ(r.nextNumber, 10);
    // The anchor loses target, class and its text; the area keeps all but its href.
    EXPECT_EQ(Output(), PhpRootHead() + "<p><a href='javascript:AntiSpam(7)'>" + manager +
                            "</a>\r\n<map><area shape=\"rect\" coords=\"1,2,3,4\" href='javascript:AntiSpam(8)' "
                            "alt=\"map\"></map>\r\n<a href='javascript:AntiSpam(9)'>T</a></p>");
}

TEST_F(PageRewriterTest, UnmarkedEntriesAreCopiedAndTakeNoNumber) {
    const std::string head = PhpRootHead();
    const PageRecord& none = Scan("a.html", kThreeKinds, 0);
    RewriteResult r = Rewrite(none, 7);
    ASSERT_EQ(r.status, RewriteStatus::Ok);
    EXPECT_EQ(r.nextNumber, 7);
    EXPECT_EQ(Output(), head + std::string(kThreeKinds));

    const PageRecord& some = Scan("b.html", "a@b.cc x@y.zz p@q.rr");
    SetEntryCheck(some.m_pFirstEntry[1], false);
    r = Rewrite(some, 5);
    EXPECT_EQ(r.nextNumber, 7);
    const std::string name = some.m_pFirstEntry[0].m_strAfterName;
    EXPECT_EQ(Output(), head + "<a href='javascript:AntiSpam(5)'>" + name +
                            "</a> x@y.zz <a href='javascript:AntiSpam(6)'>" + name + "</a>");
}

TEST_F(PageRewriterTest, AdjacentSpansAndASpanAtThePageEnd) {
    const PageRecord& page = Scan("a.html", "a@b.cc<a href='mailto:x@y.zz'>x</a>");
    ASSERT_EQ(page.m_nEntryCount, 2);
    ASSERT_EQ(page.m_pFirstEntry[1].m_nGap, 0);
    SetEntryName(page.m_pFirstEntry[0], "1");
    SetEntryName(page.m_pFirstEntry[1], "2");
    ASSERT_EQ(Rewrite(page, 1).status, RewriteStatus::Ok);
    const std::string out = Output();
    EXPECT_TRUE(out.ends_with("-->\r\n<a href='javascript:AntiSpam(1)'>1</a><a href='javascript:AntiSpam(2)'>2</a>"))
        << out;
}

TEST_F(PageRewriterTest, BytesOutsideSpansAreCopiedAsTheyAre) {
    // A BOM, bytes valid in no charset, CR LF, a lone CR and a NUL with bytes after it.
    const std::string bytes = std::string("\xEF\xBB\xBF<p>\xB1\xE8 \xFF\xFE\x80\r\n"
                                          "kim@ex.com\r\n\r\r tail"
                                          "\0after\xFF"sv);
    const PageRecord& page = Scan("a.html", bytes);
    ASSERT_EQ(page.m_nEntryCount, 1);
    SetEntryName(page.m_pFirstEntry[0], "k");
    ASSERT_EQ(Rewrite(page, 3).status, RewriteStatus::Ok);
    const size_t at = bytes.find("kim@ex.com");
    // The head goes after the byte order mark, which must stay first to be one.
    EXPECT_EQ(Output(), bytes.substr(0, 3) + PhpRootHead() + bytes.substr(3, at - 3) +
                            "<a href='javascript:AntiSpam(3)'>k</a>" + bytes.substr(at + 10));
}

TEST_F(PageRewriterTest, HeadGoesAfterALeadingDoctype) {
    struct Case {
        std::string page;
        std::string before; // what stays ahead of the head
    };
    const std::string bom = "\xEF\xBB\xBF";
    const Case cases[] = {
        {"<!DOCTYPE html>\n<p>x</p>", "<!DOCTYPE html>"},
        {bom + "<!doctype HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<p>",
         bom + "<!doctype HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">"},
        {" \r\n<!-- a -->\t<!-- b --><!DocType html><p>", " \r\n<!-- a -->\t<!-- b --><!DocType html>"},
        {"<html><!DOCTYPE html>", ""},     // not leading
        {"x<!DOCTYPE html>", ""},          // text first
        {"<!-- open <!DOCTYPE html>", ""}, // the comment never ends
        {"<!-->\n<!DOCTYPE html>", "<!-->\n<!DOCTYPE html>"},
        {"<!DOCTYPE html", ""}, // the doctype never ends
        {bom + "<p>", bom},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HeaderOffset(c.page), c.before.size()) << c.page;
    }
    // An anchor in a comment before the doctype keeps its place; the head still follows the doctype.
    const std::string page = "<!-- <a href='mailto:kim@ex.com'>K</a> -->\r\n<!DOCTYPE html>\r\n<p>lee@ex.com</p>";
    const PageRecord& record = Scan("a.html", page);
    ASSERT_EQ(record.m_nEntryCount, 2);
    SetEntryName(record.m_pFirstEntry[0], "k");
    SetEntryName(record.m_pFirstEntry[1], "l");
    ASSERT_EQ(Rewrite(record, 1).status, RewriteStatus::Ok);
    EXPECT_EQ(Output(), "<!-- <a href='javascript:AntiSpam(1)'>k</a> -->\r\n<!DOCTYPE html>" + PhpRootHead() +
                            "\r\n<p><a href='javascript:AntiSpam(2)'>l</a></p>");
}

TEST_F(PageRewriterTest, MarkerIsWrittenInThePageEncoding) {
    const PageRecord& utf8 = Scan("u.html", "<meta charset=\"utf-8\"><p>x@y.zz</p>", 0);
    ASSERT_EQ(Rewrite(utf8, 1).status, RewriteStatus::Ok);
    EXPECT_TRUE(Output().starts_with("<!--AntiSpam815" + std::string(kKitWarning) + "-->\r\n<script"));
    // A charset without Hangul gets character references instead of lost text.
    const PageRecord& latin = Scan("l.html", "<meta charset=\"iso-8859-1\"><p>x@y.zz</p>", 0);
    ASSERT_EQ(Rewrite(latin, 1).status, RewriteStatus::Ok);
    EXPECT_TRUE(Output().starts_with("<!--AntiSpam815&#51060;&#53076;&#46300;&#47484; &#49688;&#51221;")) << Output();
}

TEST_F(PageRewriterTest, RewritingOntoItsOwnSourceKeepsThePage) {
    const PageRecord& page = Scan("a.html", "<p>kim@ex.com</p>");
    SetEntryName(page.m_pFirstEntry[0], "k");
    const RewriteResult r = RewritePage(page, page.m_strPath, m_params, 1);
    ASSERT_EQ(r.status, RewriteStatus::Ok);
    EXPECT_EQ(m_dir.Read("a.html"), PhpRootHead() + "<p><a href='javascript:AntiSpam(1)'>k</a></p>");
}

TEST_F(PageRewriterTest, ChangedOrMissingSourceCreatesNoOutput) {
    const PageRecord& page = Scan("a.html", "<p>some text and kim@ex.com</p>");
    m_dir.Write("a.html", "<p>kim</p>");
    EXPECT_EQ(Rewrite(page, 1).status, RewriteStatus::PageChanged);
    EXPECT_FALSE(fs::exists(m_dir.Path("out")));
    fs::remove(page.m_strPath);
    EXPECT_EQ(Rewrite(page, 1).status, RewriteStatus::SourceUnreadable);
    EXPECT_FALSE(fs::exists(m_dir.Path("out")));
}

TEST_F(PageRewriterTest, UncreatableOutputFails) {
    const PageRecord& page = Scan("a.html", "kim@ex.com");
    m_dir.Write("out", "a file where the folder should be");
    EXPECT_EQ(Rewrite(page, 1).status, RewriteStatus::OutputFailed);
    EXPECT_EQ(m_dir.Read("out"), "a file where the folder should be");
}

TEST(PagePaths, RootPrefixCountsFoldersBelowHome) {
    const std::string s(1, kPathSep);
    const std::string home = s + "h";
    EXPECT_EQ(MakeRootPrefix(home + s + "a.html", home), "");
    EXPECT_EQ(MakeRootPrefix(home + s + "d" + s + "a.html", home), "../");
    EXPECT_EQ(MakeRootPrefix(home + s + "d" + s + "e" + s + "a.html", home), "../../");
    // A root home directory has no separator of its own after it.
    EXPECT_EQ(MakeRootPrefix(s + "a.html", s), "");
    EXPECT_EQ(MakeRootPrefix(s + "d" + s + "a.html", s), "../");
}

TEST(PagePaths, OutputPathDoublesTheSeparatorAtTheJoin) {
    const std::string s(1, kPathSep);
    EXPECT_EQ(MakeOutputPath(s + "o", s + "h", s + "h" + s + "sub" + s + "a.html"),
              s + "o" + s + s + "sub" + s + "a.html");
    EXPECT_EQ(MakeOutputPath(s + "o", s, s + "a.html"), s + "o" + s + s + "a.html");
}

TEST(PagePaths, CreatePathDirsMakesEveryFolderButNotTheFile) {
    test::TempDir dir;
    const std::string path = dir.Path(test::NativeRel("a/b/c/f.html"));
    CreatePathDirs(path);
    CreatePathDirs(path); // existing folders are no failure
    EXPECT_TRUE(fs::is_directory(dir.Path(test::NativeRel("a/b/c"))));
    EXPECT_FALSE(fs::exists(path));
    dir.Write("file", "x");
    CreatePathDirs(dir.Path(test::NativeRel("file/x/y.html")));
    EXPECT_EQ(dir.Read("file"), "x");
}

} // namespace
} // namespace orvex
