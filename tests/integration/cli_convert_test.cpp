// SPDX-License-Identifier: MIT
// orvex-cli convert through the built binary.
#include "converter/server_kit.h"
#include "converter/settings.h"
#include "platform/native_path.h"
#include "platform/paths.h"
#include "platform/text_codec.h"
#include "run_process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace orvex {
namespace {

namespace fs = std::filesystem;

// The program's messages are program text.
std::string P(std::string_view utf8) {
    return ProgramTextFromUtf8(utf8);
}

// rel under dir as the program names it, with the platform's separator.
std::string Under(const std::string& dir, std::string_view rel) {
    return dir + test::NativeRel(rel);
}

const std::string kCompleted = P("파일 생성이 완료됐습니다. \n파일을 홈페이지에 업데이트하시기 바랍니다\n");
const std::string kNothingLeft = P("변환된 페이지에 남은 전자메일 주소가 없습니다.\n");
constexpr std::string_view kSite =
    "<html><body>\r\n<a href=\"mailto:kim@ex.com\" target=\"_blank\">Kim</a>\r\nlee@ex.com\r\n</body></html>\r\n";

// The log on standard output, with CR LF written as LF.
std::string Lf(std::string_view crlf) {
    std::string s;
    for (size_t i = 0; i < crlf.size(); ++i) {
        if (!(crlf[i] == '\r' && i + 1 < crlf.size() && crlf[i + 1] == '\n')) {
            s += crlf[i];
        }
    }
    return s;
}

class CliConvert : public ::testing::Test {
protected:
    void SetUp() override {
        m_site.Write("index.html", kSite);
        m_site.Write("sub/deep/p.htm", "<p>choi@ex.com</p>");
        m_site.Write("plain.html", "<p>no address</p>");
        m_site.Write("logo.gif", "GIF89a");
        m_out = m_work.Path("out");
        m_cgi = m_work.Path("CgiData");
        // Every source of every kit combination, the default images and a seed folder.
        for (const int32_t kind : {kCgiPhp, kCgiAsp, kCgiJsp, kCgiPerl}) {
            for (const bool gd : {true, false}) {
                for (const int32_t os : {kOsWindows, kOsLinux, kOsSolaris}) {
                    for (const KindFile& f : KindFiles(kind, gd, os)) {
                        const std::string path = KitSourcePath(m_cgi, f.source);
                        fs::create_directories(FsPath(path).parent_path());
                        std::ofstream(FsPath(path), std::ios::binary) << f.source;
                    }
                }
            }
        }
        for (const char* image : {"VelmorantDefaultImg1.gif", "VelmorantDefaultImg2.gif", "VelmorantDefaultImg3.gif"}) {
            m_work.Write(std::string("CgiData/") + image, image);
        }
        m_work.Write("CgiData/antispam/seed.txt", "seed");
    }
    // The site is read, never written.
    void TearDown() override {
        EXPECT_EQ(m_site.Read("index.html"), kSite);
        EXPECT_FALSE(fs::exists(FsPath(m_site.Path("Velmorant"))));
    }
    test::ProcessResult Run(std::vector<std::string> args, const std::string& workDir = "") {
        auto r = test::RunProcess(ORVEX_CLI_PATH, args, m_scratch.Path(), workDir);
        r.out = test::LogLines(r.out);
        return r;
    }
    test::ProcessResult Convert(std::vector<std::string> extra) {
        std::vector<std::string> args = {"convert", "--home", m_site.Path(), "--out", m_out, "--cgidata", m_cgi};
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args);
    }
    std::string Out(std::string_view rel) const { return test::Slurp(JoinPath(m_out, test::NativeRel(rel))); }
    bool OutExists(std::string_view rel) const { return fs::exists(FsPath(JoinPath(m_out, test::NativeRel(rel)))); }

    test::TempDir m_site;
    test::TempDir m_work;
    test::TempDir m_scratch;
    std::string m_out;
    std::string m_cgi;
};

TEST_F(CliConvert, ConvertsTheSiteWithThePhpKit) {
    const auto r = Convert({"--kind", "php"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, Under(m_out, "//index.html") + P("....성공\n") + Under(m_out, "//sub/deep/p.htm") +
                         P("....성공\n") + kCompleted + Lf(P(PermissionNotes(kCgiPhp, true, kOsLinux))) + kNothingLeft);
    const std::string index = Out("index.html");
    EXPECT_TRUE(index.ends_with("<html><body>\r\n<a href='javascript:AntiSpam(1)'><img src='VelmorantDefaultImg1.gif' "
                                "border=0></a>\r\n<a href='javascript:AntiSpam(2)'><img "
                                "src='VelmorantDefaultImg1.gif' border=0></a>\r\n</body></html>\r\n"))
        << index;
    const std::string deep = Out("sub/deep/p.htm");
    EXPECT_NE(deep.find("window.open('../../Velmorant/antispamin.php?"), std::string::npos);
    EXPECT_NE(deep.find("<a href='javascript:AntiSpam(3)'><img src='../../VelmorantDefaultImg1.gif' border=0></a>"),
              std::string::npos);
    const std::string data = Out("Velmorant/emaildata.php");
    EXPECT_TRUE(data.starts_with("<?php /*\r\n1:kim@ex.com:"));
    EXPECT_NE(data.find("\r\n3:choi@ex.com:"), std::string::npos);
    EXPECT_EQ(Out("Velmorant/antispamin.php"), "CgiData\\php\\linux\\gd\\gdantispamin.php");
    EXPECT_EQ(Out("VelmorantDefaultImg1.gif"), "VelmorantDefaultImg1.gif");
    // Only pages with addresses are written; nothing else of the site is copied.
    EXPECT_FALSE(OutExists("plain.html"));
    EXPECT_FALSE(OutExists("logo.gif"));
}

// The log carries its own CR LF. On Windows standard output is binary and they reach it byte for
// byte (a text-mode stream would write CR CR LF); elsewhere the lines end in LF alone.
TEST_F(CliConvert, StandardOutputKeepsTheLogsLineEnds) {
    const auto r = test::RunProcess(
        ORVEX_CLI_PATH, {"convert", "--home", m_site.Path(), "--out", m_out, "--cgidata", m_cgi, "--kind", "php"},
        m_scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
#ifdef _WIN32
    EXPECT_NE(r.out.find(P("....성공\r\n")), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("\r\r"), std::string::npos) << r.out;
#else
    EXPECT_NE(r.out.find(P("....성공\n")), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\r'), std::string::npos) << r.out;
#endif
}

TEST_F(CliConvert, NameRules) {
    struct Case {
        std::string_view rule;
        std::string_view anchor; // what the first link shows
    };
    for (const Case& c :
         {Case{"id", "kim"}, Case{"keep", "Kim"}, Case{"2", "<img src='VelmorantDefaultImg2.gif' border=0>"}}) {
        SCOPED_TRACE(c.rule);
        const auto r = Convert({"--kind", "perl", "--os", "linux", "--name", std::string(c.rule)});
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_NE(Out("index.html").find("<a href='javascript:AntiSpam(1)'>" + std::string(c.anchor) + "</a>"),
                  std::string::npos);
    }
}

TEST_F(CliConvert, KindsSystemsAndImageMethods) {
    struct Case {
        std::vector<std::string> args;
        std::string_view dataFile;
        std::string_view kindFile; // one copied kind file and its source
        std::string_view source;
        std::string note; // what the log ends with
    };
    const Case cases[] = {
        {{"--kind", "asp", "--os", "windows"},
         "emaildata.asp",
         "GetPng.dll",
         "CgiData\\asp\\GetPng.dll",
         P("등록해야합니다 \n ex) 콘솔에서 regsvr32 GetPng.dll \n")},
        {{"--kind", "perl", "--os", "linux"},
         "emaildata.pl",
         "main.exe",
         "CgiData\\Perl\\linux\\linuxmain.exe",
         P("main.exe에 실행권한을 주어야합니다.\n")},
        {{"--kind", "php", "--image", "external", "--os", "windows"},
         "emaildata.php",
         "main.exe",
         "CgiData\\php\\window\\winmain.exe",
         P("main.exe에게 실행권한을 주어야합니다\n")},
        {{"--kind", "php", "--image", "gd", "--os", "solaris"},
         "emaildata.php",
         "numfont.inc",
         "CgiData\\php\\linux\\gd\\numfont.inc",
         "ex) chmod 777 antispam , chmod 777 antispambmp \n"},
        {{"--kind", "php", "--image", "external", "--os", "solaris"}, "emaildata.php", "", "", kCompleted},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1] + " " + (c.args.size() > 2 ? c.args.back() : ""));
        fs::remove_all(FsPath(m_out));
        const auto r = Convert(c.args);
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_TRUE(OutExists(std::string("Velmorant/") + std::string(c.dataFile)));
        if (!c.kindFile.empty()) {
            EXPECT_EQ(Out(std::string("Velmorant/") + std::string(c.kindFile)), c.source);
        }
        EXPECT_TRUE(r.out.ends_with(c.note + kNothingLeft)) << r.out;
        EXPECT_EQ(r.out.find('\r'), std::string::npos);
    }
}

TEST_F(CliConvert, MissingKitSourcesExitOne) {
    const std::string empty = m_work.Path("EmptyCgi");
    fs::create_directory(FsPath(empty));
    const auto r = Run({"convert", "--home", m_site.Path(), "--out", m_out, "--kind", "php", "--cgidata", empty});
    EXPECT_EQ(r.status, 1);
    const size_t notes = r.out.find(Lf(P(PermissionNotes(kCgiPhp, true, kOsLinux))));
    ASSERT_NE(notes, std::string::npos) << r.out;
    const std::string after = r.out.substr(notes);
    EXPECT_NE(after.find("  " + Under(empty, "/VelmorantDefaultImg1.gif\n")), std::string::npos) << r.out;
    EXPECT_NE(after.find("  " + Under(empty, "/php/linux/gd/makeimg.php\n")), std::string::npos) << r.out;
    EXPECT_TRUE(OutExists("index.html")); // the pages are written all the same
}

TEST_F(CliConvert, KitSourcesFromTheWorkingDirectoryOrBesideTheProgram) {
    const auto here = Run({"convert", "--home", m_site.Path(), "--out", m_out, "--kind", "php"}, m_work.Path());
    EXPECT_EQ(here.status, 0) << here.out;
    EXPECT_EQ(Out("Velmorant/makeimg.php"), "CgiData\\php\\linux\\gd\\makeimg.php");

    // Without ./CgiData the build's own tree beside the program is used: its main.exe is codeimg,
    // built for the system the build is for.
#ifdef _WIN32
    const std::string os = "windows";
    const std::string kitCopy = "CgiData/php/window/winmain.exe";
#else
    const std::string os = "linux";
    const std::string kitCopy = "CgiData/php/linux/exe/linuxmain.exe";
#endif
    fs::remove_all(FsPath(m_out));
    Run({"convert", "--home", m_site.Path(), "--out", m_out, "--kind", "php", "--image", "external", "--os", os},
        m_scratch.Path());
    const std::string beside = PathText(FsPath(ORVEX_CLI_PATH).parent_path() / FsPath(kitCopy));
    ASSERT_TRUE(fs::exists(FsPath(beside)));
    EXPECT_EQ(Out("Velmorant/main.exe"), test::Slurp(beside));
}

TEST_F(CliConvert, UncreatableDataFileExitsOneWithoutPages) {
    fs::create_directory(FsPath(m_out));
    m_work.Write("out/Velmorant", "in the way");
    const auto r = Convert({"--kind", "php"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(P("emaildata.php 을(를) 만들 수 없습니다.")), std::string::npos) << r.out;
    EXPECT_FALSE(OutExists("index.html"));
}

TEST_F(CliConvert, PageThatCannotBeWrittenExitsOne) {
    fs::create_directories(FsPath(Under(m_out, "/index.html"))); // a folder where the page goes
    const auto r = Convert({"--kind", "php"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(Under(m_out, "//index.html") + P("....실패\n")), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(Under(m_out, "//sub/deep/p.htm") + P("....성공\n")), std::string::npos) << r.out;
    EXPECT_NE(Out("sub/deep/p.htm").find("AntiSpam(3)"), std::string::npos);
}

TEST_F(CliConvert, OutputFolderMustNotBeTheHome) {
    std::vector<std::string> outs = {m_site.Path(), Under(m_site.Path(), "/.")};
#ifdef _WIN32
    // The same folder by the file system's rule: names without regard to case.
    std::string upper = m_site.Path();
    for (char& c : upper) {
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    outs.push_back(upper);
#else
    fs::create_directory_symlink(m_site.Path(), m_work.Path("link"));
    outs.push_back(m_work.Path("link"));
#endif
    for (const std::string& out : outs) {
        SCOPED_TRACE(out);
        const auto r = Run({"convert", "--home", m_site.Path(), "--out", out, "--kind", "php", "--cgidata", m_cgi});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("orvex-cli: "), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(FsPath(m_site.Path("VelmorantDefaultImg1.gif"))));
}

// An output folder inside the site is not scanned: a second run would otherwise convert the
// first run's copies into a folder one level deeper.
TEST_F(CliConvert, OutputFolderInsideTheSiteIsNotScanned) {
    const std::string out = m_site.Path("protected");
    // Left unconverted (it would end the PHP data file's comment), so its copy still holds it.
    m_site.Write("odd.html", "<p>x*/y@ex.com</p>");
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        const auto r = Run({"convert", "--home", m_site.Path(), "--out", out, "--kind", "php", "--cgidata", m_cgi});
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_NE(r.out.find(Under(out, "//odd.html") + P("....성공\n")), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find(test::NativeRel("/protected/protected")), std::string::npos) << r.out;
    }
    EXPECT_FALSE(fs::exists(FsPath(Under(out, "/protected"))));
    fs::remove_all(FsPath(out)); // the site as it was, for the teardown's check
    fs::remove(FsPath(m_site.Path("odd.html")));
}

TEST_F(CliConvert, BadArgumentsExitTwo) {
    m_work.Write("afile", "x");
    const std::string home = m_site.Path();
    const std::vector<std::vector<std::string>> cases = {
        {"convert", "--home", home, "--kind", "php"},
        {"convert", "--home", home, "--out", m_out},
        {"convert", "--home", home, "--out", m_out, "--kind", "cobol"},
        {"convert", "--home", home, "--out", m_out, "--kind", "php", "--os", "beos"},
        {"convert", "--home", home, "--out", m_out, "--kind", "php", "--image", "svg"},
        {"convert", "--home", home, "--out", m_out, "--kind", "php", "--name", "4"},
        {"convert", "--home", home, "--out", m_out, "--kind", "asp", "--image", "gd"},
        {"convert", "--home", home, "--out", m_out, "--kind", "php", "--user", "kim"},
        {"convert", "--home", home, "--out", m_out, "--kind", "php", "--json"},
        {"convert", "--home", m_site.Path("nope"), "--out", m_out, "--kind", "php"},
        {"convert", "--home", home, "--out", m_work.Path("afile"), "--kind", "php"},
        {"convert", "--home", home, "--out", m_work.Path("afile") + "/sub", "--kind", "php"},
        {"convert", "--home", home, "--out", m_out, "--kind", "php", "--cgidata", m_work.Path("nope")},
    };
    for (const auto& args : cases) {
        const auto r = Run(args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(r.out, "") << ::testing::PrintToString(args);
    }
    EXPECT_FALSE(fs::exists(FsPath(m_out)));
}

TEST_F(CliConvert, HostSettingsFromTheEnvironment) {
    test::SetEnv("ORVEX_SERVICE_HOST", "svc.test:8080");
    auto r = Convert({"--kind", "php"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(Out("index.html").find("</script>\r\n<!--svc.test:8080-->\r\n<html>"), std::string::npos);
    test::SetEnv("ORVEX_SERVICE_HOST", "bad host-->");
    fs::remove_all(FsPath(m_out));
    r = Convert({"--kind", "php"});
    EXPECT_EQ(r.status, 2);
    test::UnsetEnv("ORVEX_SERVICE_HOST");
    test::SetEnv("ORVEX_POPUP_HOST", "x'y");
    EXPECT_EQ(Convert({"--kind", "php"}).status, 2);
    test::UnsetEnv("ORVEX_POPUP_HOST");
    EXPECT_FALSE(OutExists("index.html"));
}

TEST_F(CliConvert, NonAsciiFolderNames) {
    // Names are program text: CP949 on a Korean Windows, UTF-8 elsewhere.
    const std::string folder = test::NonAsciiName() + " dir";
    m_site.Write(folder + "/b.html", "park@ex.com");
    const auto r = Convert({"--kind", "php"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(Under(m_out, "//" + folder + "/b.html") + P("....성공\n")), std::string::npos) << r.out;
    EXPECT_NE(Out(folder + "/b.html").find("'../Velmorant/antispamin.php?"), std::string::npos);
}

TEST_F(CliConvert, RealSitePatternsKeepThePageWhole) {
    // CP949 page: a quoted mail header, an escaped address, an address before Korean text and an
    // encoded mailto link, after a doctype.
    const std::string body = "\r\n<p>To: x <AET.X@POST.COM><br>quoted text <a href=\"http://e.com/\">link</a> kept?\r\n"
                             "<p>&lt;a@b.com&gt; wrote:\r\n"
                             "<p>\xB9\xAE\xC0\xC7\xB4\xC2 kim@x.co.kr\xC0\xD4\xB4\xCF\xB4\xD9.\r\n"
                             "<p><a href=\"mailto:c%40d.com\">c@d.com</a>\r\n";
    m_site.Write("real.html", "<!DOCTYPE html>" + body);
    const auto r = Convert({"--kind", "php", "--name", "id"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string page = Out("real.html");
    constexpr std::string_view kHeadEnd = "</script>\r\n<!--service.orvex.kr-->\r\n";
    const size_t head = page.find(kHeadEnd);
    ASSERT_TRUE(page.starts_with("<!DOCTYPE html><!--AntiSpam")) << page;
    ASSERT_NE(head, std::string::npos);
    EXPECT_EQ(page.substr(head + kHeadEnd.size()),
              "\r\n<p>To: x <AET.X@POST.COM><br>quoted text <a href=\"http://e.com/\">link</a> kept?\r\n"
              "<p>&lt;<a href='javascript:AntiSpam(3)'>a</a>&gt; wrote:\r\n"
              "<p>\xB9\xAE\xC0\xC7\xB4\xC2 <a href='javascript:AntiSpam(4)'>kim</a>\xC0\xD4\xB4\xCF\xB4\xD9.\r\n"
              "<p><a href='javascript:AntiSpam(5)'>c</a>\r\n");
    const std::string data = Out("Velmorant/emaildata.php");
    for (const char* line : {"\r\n3:a@b.com:", "\r\n4:kim@x.co.kr:", "\r\n5:c@d.com:"}) {
        EXPECT_NE(data.find(line), std::string::npos) << line << data;
    }
    // The bracketed header address is no anchor, so it is what the report lists.
    EXPECT_NE(r.out.find("AET.X@POST.COM"), std::string::npos) << r.out;
}

// The 1-based line of the first occurrence of needle in text.
size_t LineOf(std::string_view text, std::string_view needle) {
    const size_t at = text.find(needle);
    EXPECT_NE(at, std::string_view::npos) << needle;
    return 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

TEST_F(CliConvert, ReportListsWhatTheRunLeftStrictFailsAndScrubClearsComments) {
    m_site.Write("left.html",
                 "<!DOCTYPE html>\r\n<!-- by kim@ex.com -->\r\n<p>park@ex.com</p>\r\n"
                 "<script>var m='x@ex.org';</script>\r\n<link rev=\"made\" href=\"mailto:kim@ex.com\">\r\n");
    m_site.Write("docs/contact.txt", "write to lee&#64;ex.com\n"); // index.html's lee@ex.com, protected
    const std::string report = m_work.Path("report.jsonl");
    auto r = Convert({"--kind", "php", "--report", report});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::string page = Out("left.html");
    const auto line = [&](std::string_view what) { return std::to_string(LineOf(page, what)); };
    EXPECT_EQ(test::Slurp(report),
              "{\"page\":\"left.html\",\"line\":" + line("by kim") +
                  ",\"where\":\"comment\",\"address\":\"kim@ex.com\",\"protected\":true}\n"
                  "{\"page\":\"left.html\",\"line\":" +
                  line("x@ex.org") +
                  ",\"where\":\"script\",\"address\":\"x@ex.org\",\"protected\":false}\n"
                  "{\"page\":\"left.html\",\"line\":" +
                  line("mailto:kim") +
                  ",\"where\":\"attribute\",\"address\":\"kim@ex.com\",\"protected\":true}\n"
                  "{\"page\":\"docs/contact.txt\",\"line\":1,\"where\":\"file\",\"address\":\"lee@ex.com\","
                  "\"protected\":true}\n");
    EXPECT_NE(r.out.find(P("변환 후에도 전자메일 주소가 남아 있는 곳:\n  ") + Under(m_out, "//left.html ") +
                         line("by kim") + P("번째 줄 주석 안: kim@ex.com (보호하기로 한 주소)\n")),
              std::string::npos)
        << r.out;
    EXPECT_NE(page.find("<p><a href='javascript:AntiSpam("), std::string::npos) << "the text address is converted";

    r = Convert({"--kind", "php", "--strict"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;

    r = Convert({"--kind", "php", "--scrub-comments", "--strict", "--report", report});
    EXPECT_EQ(r.status, 1) << "the script and the link are still there";
    const std::string scrubbed = Out("left.html");
    EXPECT_NE(scrubbed.find("<!-- by (e-mail) -->"), std::string::npos) << scrubbed;
    page.replace(page.find("kim@ex.com"), 10, "(e-mail)");
    EXPECT_EQ(scrubbed.substr(scrubbed.find("-->\r\n<p>")), page.substr(page.find("-->\r\n<p>")));
    EXPECT_EQ(test::Slurp(report).find("comment"), std::string::npos);

    // An output folder whose name begins the home folder's: the home's files are still named below it.
    test::TempDir root;
    root.Write("site-src/sub/n.txt", "x@y.com\n");
    root.Write("site-src/a.html", "<p>k@ex.com</p>");
    r = Run({"convert", "--home", root.Path("site-src"), "--out", root.Path("site"), "--cgidata", m_cgi, "--kind",
             "php", "--report", report});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::Slurp(report),
              "{\"page\":\"sub/n.txt\",\"line\":1,\"where\":\"file\",\"address\":\"x@y.com\",\"protected\":false}\n");

    // A site that leaves nothing says so in one line; --strict then succeeds.
    fs::remove_all(FsPath(m_site.Path("docs")));
    fs::remove(FsPath(m_site.Path("left.html")));
    fs::remove(FsPath(m_site.Path("logo.gif")));
    // left.html of the earlier runs stays in --out: without --replace the run would stop.
    r = Convert({"--kind", "php", "--strict", "--report", report, "--replace"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.err.find("left.html"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.ends_with(kNothingLeft)) << r.out;
    EXPECT_EQ(test::Slurp(report), "");
}

} // namespace
} // namespace orvex
