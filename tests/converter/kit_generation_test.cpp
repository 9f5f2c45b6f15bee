// SPDX-License-Identifier: MIT
// Whole self-hosted runs: pages, data file and kit together, and what the results box shows.
#include "converter/kit_generation.h"

#include "converter/email_data_file.h"
#include "platform/native_path.h"
#include "platform/paths.h"
#include "platform/text_codec.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace orvex {
namespace {

namespace fs = std::filesystem;

// The log is program text.
std::string P(std::string_view utf8) {
    return ProgramTextFromUtf8(utf8);
}

const std::string kCompleted = P("파일 생성이 완료됐습니다. \r\n파일을 홈페이지에 업데이트하시기 바랍니다\r\n");
// After the notes: the written pages hold no address a harvester could take.
const std::string kNothingLeft = P("변환된 페이지에 남은 전자메일 주소가 없습니다.\r\n");
constexpr std::string_view kImage1 = "<img src='VelmorantDefaultImg1.gif' border=0>";

// Keeps every text a run shows, and holds the run to its word about the unchanged part.
class RecordingBox : public ResultsBox {
public:
    void SetText(const std::string& log, size_t unchanged) override {
        const std::string shown = Last();
        EXPECT_LE(unchanged, shown.size());
        EXPECT_EQ(log.substr(0, unchanged), shown.substr(0, unchanged));
        texts.push_back(log);
    }
    void ScrollToEnd() override { ++scrolls; }
    std::string Last() const { return texts.empty() ? std::string() : texts.back(); }
    std::vector<std::string> texts;
    int scrolls = 0;
};

void WriteFile(const std::string& path, std::string_view bytes) {
    fs::create_directories(FsPath(path).parent_path());
    std::ofstream(FsPath(path), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The page code in a converted page's marker comment.
std::string CodeOf(const std::string& page) {
    const size_t from = std::string_view("<!--AntiSpam").size();
    size_t end = from;
    while (end < page.size() && page[end] >= '0' && page[end] <= '9') {
        ++end;
    }
    EXPECT_TRUE(page.starts_with("<!--AntiSpam") && end > from && std::stoi(page.substr(from, end - from)) <= 32767);
    return page.substr(from, end - from);
}

class KitGenerationTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_table = std::make_unique<ScanTable>();
        m_settings.m_strHomeDir = m_home.Path();
        m_run.table = m_table.get();
        m_run.homeDir = m_home.Path();
        m_run.outputDir = m_out.Path();
        m_run.cgiDataDir = m_cgi.Path();
        m_run.seed = 7;
    }
    // A run reads the site and never writes into it.
    void TearDown() override {
        EXPECT_FALSE(fs::exists(m_home.Path("Velmorant")));
        EXPECT_FALSE(fs::exists(m_home.Path("VelmorantDefaultImg1.gif")));
    }
    // Writes and scans a page, naming every entry with default name 1, which also marks it.
    PageRecord& AddPage(std::string_view rel, std::string_view bytes) {
        const ScanResult r = m_table->LookupOrScanPage(m_home.Write(test::NativeRel(rel), bytes), 0);
        EXPECT_EQ(r.status, ScanStatus::Ok);
        for (int32_t i = 0; i < r.count; ++i) {
            ApplyDefaultName(r.first[i], 1, m_settings);
        }
        return m_table->Page(m_table->PageCount() - 1);
    }
    // Every source the run's combination copies, the default images and one seed file.
    void CompleteCgiData() {
        for (const char* image : {"VelmorantDefaultImg1.gif", "VelmorantDefaultImg2.gif", "VelmorantDefaultImg3.gif"}) {
            m_cgi.Write(image, image);
        }
        m_cgi.Write(test::NativeRel("antispam/seed.txt"), "seed");
        for (const KindFile& f : KindFiles(m_run.cgiKind, m_run.gd != 0, m_run.serverOs)) {
            WriteFile(KitSourcePath(m_cgi.Path(), f.source), f.source);
        }
    }
    bool Run() { return GenerateKitSite(m_run, m_box, &m_report); }
    std::string Out(std::string_view rel) const { return m_out.Read(test::NativeRel(rel)); }
    bool OutExists(std::string_view rel) const { return fs::exists(m_out.Path(test::NativeRel(rel))); }
    // A page's output path as the log shows it, with the doubled separator at the join.
    std::string Shown(std::string_view rel) const { return m_out.Path() + kPathSep + kPathSep + test::NativeRel(rel); }
    // The permission notes and the line saying nothing is left.
    std::string Notes() const {
        return P(PermissionNotes(m_run.cgiKind, m_run.gd != 0, m_run.serverOs)) + kNothingLeft;
    }

    test::TempDir m_home;
    test::TempDir m_out;
    test::TempDir m_cgi;
    std::unique_ptr<ScanTable> m_table;
    ConverterSettings m_settings;
    KitRun m_run;
    RecordingBox m_box;
    KitRunReport m_report;
};

TEST_F(KitGenerationTest, PagesShareOneNumberingWithTheDataFile) {
    AddPage("a.html", "<p>kim@ex.com lee@ex.com <a href='mailto:park@ex.com'>Park</a></p>");
    AddPage("sub/b.html", "<p>choi@ex.com</p><area href='mailto:m@ex.com'>");
    AddPage("plain.html", "<p>no address</p>");
    CompleteCgiData();
    ASSERT_TRUE(Run());

    const std::string a = Out("a.html");
    const std::string b = Out("sub/b.html");
    const std::string codeA = CodeOf(a);
    const std::string codeB = CodeOf(b);
    EXPECT_EQ(Out("Velmorant/emaildata.php"), "<?php /*\r\n1:kim@ex.com:" + codeA + "\r\n2:lee@ex.com:" + codeA +
                                                  "\r\n3:park@ex.com:" + codeA + "\r\n4:choi@ex.com:" + codeB +
                                                  "\r\n5:m@ex.com:" + codeB + "\r\n*/?>");
    EXPECT_TRUE(a.ends_with("<p><a href='javascript:AntiSpam(1)'>" + std::string(kImage1) +
                            "</a> <a href='javascript:AntiSpam(2)'>" + std::string(kImage1) +
                            "</a> <a href='javascript:AntiSpam(3)'>" + std::string(kImage1) + "</a></p>"))
        << a;
    EXPECT_NE(b.find("window.open('../Velmorant/antispamin.php?UniqId="), std::string::npos);
    EXPECT_TRUE(b.ends_with("<p><a href='javascript:AntiSpam(4)'><img src='../VelmorantDefaultImg1.gif' border=0></a>"
                            "</p><area href='javascript:AntiSpam(5)'>"))
        << b;
    EXPECT_FALSE(OutExists("plain.html")); // not modified, so not generated

    // The kit: images at the site root, scripts and writable folders in Velmorant.
    for (const char* image : {"VelmorantDefaultImg1.gif", "VelmorantDefaultImg2.gif", "VelmorantDefaultImg3.gif"}) {
        EXPECT_EQ(Out(image), image);
        EXPECT_FALSE(OutExists(std::string("Velmorant/") + image));
    }
    EXPECT_EQ(Out("Velmorant/makeimg.php"), "CgiData\\php\\linux\\gd\\makeimg.php");
    EXPECT_EQ(Out("Velmorant/antispam/seed.txt"), "seed");
    EXPECT_TRUE(fs::is_directory(m_out.Path(test::NativeRel("Velmorant/antispambmp"))));

    ASSERT_GE(m_box.texts.size(), 3u);
    EXPECT_EQ(m_box.texts[0], Shown("a.html") + "....");
    EXPECT_EQ(m_box.Last(),
              Shown("a.html") + P("....성공\r\n") + Shown("sub/b.html") + P("....성공\r\n") + kCompleted + Notes());
    EXPECT_EQ(m_box.scrolls, 1);
    EXPECT_EQ(m_report.pagesWritten, 2);
    EXPECT_EQ(m_report.addressesProtected, 5);
    EXPECT_TRUE(m_report.kit.Empty());
}

TEST_F(KitGenerationTest, FailedPagesKeepTheirDataLinesAndNumbers) {
    const PageRecord& gone = AddPage("a.html", "kim@ex.com lee@ex.com park@ex.com");
    AddPage("b.html", "<p>a long line before choi@ex.com</p>");
    AddPage("c.html", "x@ex.com y@ex.com");
    fs::remove(gone.m_strPath);
    m_home.Write("b.html", "short"); // the span no longer fits
    CompleteCgiData();
    ASSERT_TRUE(Run());

    EXPECT_FALSE(OutExists("a.html"));
    EXPECT_FALSE(OutExists("b.html"));
    const std::string c = Out("c.html");
    EXPECT_NE(c.find("AntiSpam(5)'>"), std::string::npos);
    EXPECT_NE(c.find("AntiSpam(6)'>"), std::string::npos);
    const std::string data = Out("Velmorant/emaildata.php");
    EXPECT_NE(data.find("\r\n1:kim@ex.com:"), std::string::npos);
    EXPECT_NE(data.find("\r\n4:choi@ex.com:"), std::string::npos);
    EXPECT_NE(data.find("\r\n6:y@ex.com:" + CodeOf(c) + "\r\n*/?>"), std::string::npos);
    EXPECT_EQ(m_box.Last(), Shown("a.html") + P("....실패\r\n") + Shown("b.html") + P("....실패\r\n") +
                                Shown("c.html") + P("....성공\r\n") + kCompleted + Notes());
    EXPECT_EQ(m_report.pagesFailed, 2);
    EXPECT_EQ(m_report.pagesWritten, 1);
}

TEST_F(KitGenerationTest, NothingToGenerateStillWritesTheKit) {
    m_table->LookupOrScanPage(m_home.Write("a.html", "kim@ex.com"), 0);
    CompleteCgiData();
    ASSERT_TRUE(Run());
    EXPECT_EQ(Out("Velmorant/emaildata.php"), "<?php /*\r\n*/?>");
    EXPECT_FALSE(OutExists("a.html"));
    EXPECT_TRUE(OutExists("VelmorantDefaultImg2.gif"));
    EXPECT_EQ(m_box.Last(), kCompleted + Notes());
}

TEST_F(KitGenerationTest, ModifiedPageWithoutMarkedEntriesGetsOnlyTheHead) {
    const ScanResult r = m_table->LookupOrScanPage(m_home.Write("a.html", "kim@ex.com\r\n"), 0);
    SetEntryCheck(r.first[0], true);
    SetEntryCheck(r.first[0], false);
    ASSERT_EQ(m_table->Page(0).m_bModified, 1);
    CompleteCgiData();
    ASSERT_TRUE(Run());
    const std::string a = Out("a.html");
    CodeOf(a);
    EXPECT_TRUE(a.ends_with("<!--service.orvex.kr-->\r\nkim@ex.com\r\n")) << a;
    EXPECT_EQ(Out("Velmorant/emaildata.php"), "<?php /*\r\n*/?>");
    EXPECT_TRUE(m_box.Last().starts_with(Shown("a.html") + P("....성공\r\n")));
}

TEST_F(KitGenerationTest, PhpRefusesAnAddressThatWouldCloseTheDataFile) {
    const PageRecord& a = AddPage("a.html", "x*/y@ex.com ok@ex.com");
    AddPage("b.html", "z@ex.com");
    // More refusing pages than a run keeps records for, so that records are certainly used again.
    const int more = 2 * static_cast<int>(JobThread::kDepth);
    for (int i = 0; i < more; ++i) {
        AddPage("c" + std::to_string(i) + ".html", "x*/y@ex.com c@ex.com");
    }
    CompleteCgiData();
    ASSERT_TRUE(Run());
    const std::string page = Out("a.html");
    EXPECT_TRUE(page.ends_with("-->\r\nx*/y@ex.com <a href='javascript:AntiSpam(1)'>" + std::string(kImage1) + "</a>"))
        << page;
    EXPECT_NE(Out("b.html").find("AntiSpam(2)"), std::string::npos);
    EXPECT_TRUE(Out("Velmorant/emaildata.php")
                    .starts_with("<?php /*\r\n1:ok@ex.com:" + CodeOf(page) + "\r\n2:z@ex.com:" + CodeOf(Out("b.html")) +
                                 "\r\n3:c@ex.com:"));
    // The refusal is named in the log, right after the page's own line.
    const std::string log = m_box.Last();
    const size_t line = log.find(Shown("a.html") + P("....성공\r\n"));
    ASSERT_NE(line, std::string::npos);
    const size_t next = log.find("\r\n", line) + 2;
    const std::string refusal = log.substr(next, log.find("\r\n", next) - next);
    EXPECT_NE(refusal.find(a.m_strPath), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("x*/y@ex.com"), std::string::npos) << refusal;
    // Each page's refusal once, in its own page's lines only.
    int named = 0;
    for (size_t at = log.find("x*/y@ex.com"); at != std::string::npos; at = log.find("x*/y@ex.com", at + 1)) {
        ++named;
    }
    EXPECT_EQ(named, 1 + more);
    EXPECT_EQ(m_report.addressesRefused, 1 + more);
    EXPECT_EQ(m_report.addressesProtected, 2 + more);
}

TEST_F(KitGenerationTest, AspAndJspRefuseAScriptCloser) {
    struct Case {
        int32_t kind;
        std::string_view dataFile;
        std::string_view line; // before the page code
        std::string_view footer;
    };
    for (const Case& c : {Case{kCgiAsp, "Velmorant/emaildata.asp", "<%''\r\n'1'lee@ex.com'", "\r\n%>''"},
                          Case{kCgiJsp, "Velmorant/emaildata.jsp", "<%\r\n//1//lee@ex.com//", "\r\n%>"}}) {
        SCOPED_TRACE(c.dataFile);
        m_table->ResetScanTable();
        const PageRecord& page = AddPage("a.html", "kim@ex.com lee@ex.com");
        // No scanned address can hold ">", but the data file must not rely on that.
        page.m_pFirstEntry[0].m_strAddress = "k%>im@ex.com";
        m_run.cgiKind = c.kind;
        m_run.gd = 0;
        ASSERT_TRUE(Run());
        const std::string out = Out("a.html");
        EXPECT_TRUE(
            out.ends_with("-->\r\nkim@ex.com <a href='javascript:AntiSpam(1)'>" + std::string(kImage1) + "</a>"));
        EXPECT_EQ(Out(c.dataFile), std::string(c.line) + CodeOf(out) + std::string(c.footer));
        EXPECT_NE(m_box.Last().find("k%>im@ex.com"), std::string::npos);
    }
}

TEST_F(KitGenerationTest, JspRunEmptiesItsIpListsAndShowsItsNote) {
    m_run.cgiKind = kCgiJsp;
    m_run.gd = 0;
    CompleteCgiData();
    m_cgi.Write(test::NativeRel("antispam/iplist.txt"), "10.0.0.1\r\n");
    m_cgi.Write(test::NativeRel("antispam/ipcount.txt"), "3");
    AddPage("d/e/a.html", "kim@ex.com");
    ASSERT_TRUE(Run());
    for (const char* name : {"blockiplist.txt", "blockiptime.txt", "ipcount.txt", "iplist.txt"}) {
        EXPECT_TRUE(OutExists(std::string("Velmorant/antispam/") + name)) << name;
        EXPECT_EQ(Out(std::string("Velmorant/antispam/") + name), "") << name;
    }
    EXPECT_TRUE(m_box.Last().ends_with(
        P("업데이트후에 서버에서 Velmorant/antispam \r\n,antispambmp 에 쓰기권한을 주어야합니다\r\n") + kNothingLeft));
}

TEST_F(KitGenerationTest, NoDataFileMeansNoPage) {
    AddPage("a.html", "kim@ex.com");
    CompleteCgiData();
    m_out.Write("Velmorant", "a file where the kit folder should be");
    EXPECT_FALSE(Run());
    EXPECT_FALSE(OutExists("a.html"));
    EXPECT_TRUE(m_report.dataFileFailed);
    EXPECT_EQ(m_report.pagesWritten, 0);
    const std::string log = m_box.Last();
    EXPECT_NE(log.find(JoinPath(KitFolderPath(m_out.Path()), "emaildata.php") + P(" 을(를) 만들 수 없습니다.")),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find(P("성공")), std::string::npos);
    EXPECT_EQ(m_box.scrolls, 1);
}

TEST_F(KitGenerationTest, ADataFileThatCannotBeCompletedFailsTheRun) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full on this system";
    }
    AddPage("a.html", "kim@ex.com");
    CompleteCgiData();
    fs::create_directories(KitFolderPath(m_out.Path()));
    fs::create_symlink("/dev/full", JoinPath(KitFolderPath(m_out.Path()), "emaildata.php"));
    EXPECT_FALSE(Run());
    EXPECT_TRUE(m_report.dataFileFailed);
    EXPECT_NE(m_box.Last().find(P("emaildata.php 을(를) 다 쓰지 못했습니다.")), std::string::npos) << m_box.Last();
}

TEST_F(KitGenerationTest, MissingSourcesAreListedAfterTheNotes) {
    AddPage("a.html", "kim@ex.com");
    EXPECT_TRUE(Run());
    const std::string head = Shown("a.html") + P("....성공\r\n") + kCompleted + Notes();
    const std::string log = m_box.Last();
    ASSERT_TRUE(log.starts_with(head)) << log;
    const std::string list = log.substr(head.size());
    EXPECT_TRUE(list.starts_with(P("다음 서버 키트 원본 파일이 없어 복사하지 못했습니다."))) << list;
    // Three images, the seed folder and the four GD files.
    ASSERT_EQ(m_report.kit.missing.size(), 8u);
    for (const std::string& path : m_report.kit.missing) {
        EXPECT_NE(list.find("  " + path + "\r\n"), std::string::npos) << path;
    }
    EXPECT_NE(list.find(KitSourcePath(m_cgi.Path(), "CgiData\\php\\linux\\gd\\numfont.inc")), std::string::npos);
    EXPECT_TRUE(OutExists("a.html"));
}

TEST_F(KitGenerationTest, SecondRunOverwritesWhatItWritesAndKeepsTheRest) {
    AddPage("a.html", "kim@ex.com");
    AddPage("b.html", "lee@ex.com");
    CompleteCgiData();
    ASSERT_TRUE(Run());
    m_out.Write("keep.txt", "mine");
    m_out.Write(test::NativeRel("Velmorant/old.txt"), "earlier");
    m_out.Write("VelmorantDefaultImg1.gif", "edited");
    const std::string b = Out("b.html");

    m_table->ResetScanTable();
    const ScanResult r = m_table->LookupOrScanPage(m_home.Path("a.html"), 0);
    ApplyIdName(r.first[0]);
    ASSERT_TRUE(Run());
    const std::string a = Out("a.html");
    EXPECT_TRUE(a.ends_with("<a href='javascript:AntiSpam(1)'>kim</a>")) << a;
    EXPECT_EQ(Out("Velmorant/emaildata.php"), "<?php /*\r\n1:kim@ex.com:" + CodeOf(a) + "\r\n*/?>");
    EXPECT_EQ(Out("VelmorantDefaultImg1.gif"), "VelmorantDefaultImg1.gif");
    EXPECT_EQ(Out("b.html"), b);
    EXPECT_EQ(Out("keep.txt"), "mine");
    EXPECT_EQ(Out("Velmorant/old.txt"), "earlier");
}

// A run that writes each page as it is scanned reports what a run over the whole table does,
// though an early page was searched before a later page's addresses were known: here one that
// stands in an early page's comment (and overlapping a longer match), and one written there
// with an encoded "@".
TEST_F(KitGenerationTest, WritingAsScannedReportsWhatTheWholeTableDoes) {
    const std::vector<std::pair<std::string, std::string>> site = {
        {"a.html", "<p>kim@ex.com</p><!-- late@ex.com xlate@ex.com -->\n<p>other@ex.com</p>"},
        {"a2.html", "<p>own@ex.com</p>\n<p>enc%40ex.com</p>"},
        {"b.html", "<p>late@ex.com enc@ex.com</p><!-- kim@ex.com -->"},
        {"c.html", "<p>solo@ex.com</p><script>var s = 'nobody@ex.com';</script>"},
    };
    const auto findings = [](const KitRunReport& report) {
        std::string all;
        for (const PageExposures& page : report.exposures) {
            all += page.path.substr(page.path.rfind(kPathSep) + 1) + "\n";
            for (const Exposure& e : page.exposures) {
                all += std::to_string(e.line) + " " + std::to_string(e.offset) + " " + std::to_string(e.length) + " " +
                       e.address + (e.isProtected ? " protected " : " ") + std::string(ExposureWhereName(e.where)) +
                       "\n";
            }
        }
        return all;
    };
    for (const auto& [rel, bytes] : site) {
        AddPage(rel, bytes);
    }
    ASSERT_TRUE(Run());
    const std::string whole = findings(m_report);
    EXPECT_NE(whole.find("late@ex.com protected comment"), std::string::npos) << whole;
    EXPECT_NE(whole.find("enc@ex.com protected text"), std::string::npos) << whole;

    test::TempDir out;
    ScanTable table;
    KitRun run = m_run;
    run.table = &table;
    run.outputDir = out.Path();
    RecordingBox box;
    KitRunReport report;
    KitSiteWriter writer(run, box, report, KitSiteWriter::Pages::AsScanned);
    ASSERT_TRUE(writer.Start());
    for (const auto& [rel, bytes] : site) {
        const ScanResult r = table.LookupOrScanPage(m_home.Path(test::NativeRel(rel)), 0);
        ASSERT_EQ(r.status, ScanStatus::Ok);
        for (int32_t i = 0; i < r.count; ++i) {
            ApplyDefaultName(r.first[i], 1, m_settings);
        }
        writer.WritePage(table.Page(table.PageCount() - 1), FileRead::Ok, table.PageScratch().View());
    }
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(findings(report), whole);
    EXPECT_EQ(out.Read("a.html"), Out("a.html"));
}

} // namespace
} // namespace orvex
