// SPDX-License-Identifier: MIT
// The hosted-service client against a real HTTP service double on 127.0.0.1.
#include "converter/hosted_service.h"

#include "converter/texts.h"
#include "platform/paths.h"
#include "platform/text_codec.h"
#include "service_double.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace orvex {
namespace {

class RecordingBox final : public ResultsBox {
public:
    void SetText(const std::string& log, size_t unchanged) override {
        EXPECT_LE(unchanged, m_text.size());
        EXPECT_EQ(log.compare(0, unchanged, m_text, 0, unchanged), 0) << "the unchanged part changed";
        m_text = log;
        ++m_sets;
    }
    void ScrollToEnd() override { ++m_scrolls; }
    std::string m_text;
    int m_sets = 0;
    int m_scrolls = 0;
};

class ScriptedAsker final : public Asker {
public:
    explicit ScriptedAsker(bool yes) : m_bYes(yes) {}
    bool AskYesNo(const std::string& question) override {
        m_strQuestion = question;
        return m_bYes;
    }
    bool m_bYes;
    std::string m_strQuestion;
};

class HostedTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_table = std::make_unique<ScanTable>();
        m_service.AddMember("kim", "secret");
        m_hosted.http = &m_http;
        m_hosted.hosts.serviceHost = m_service.Host();
        m_hosted.hosts.popupHost = "popup.test";
        for (int i = 1; i <= 3; ++i) {
            m_cgi.Write("VelmorantDefaultImg" + std::to_string(i) + ".gif", "GIF89a" + std::to_string(i));
        }
    }
    // Scans a page of the site with every entry checked and the page modified.
    const PageRecord& AddPage(const std::string& rel, const std::string& bytes, bool check = true) {
        const ScanResult r = m_table->LookupOrScanPage(m_home.Write(rel, bytes), check ? 1 : 0);
        EXPECT_EQ(r.status, ScanStatus::Ok);
        PageRecord& page = m_table->Page(m_table->PageCount() - 1);
        page.m_bModified = 1;
        return page;
    }
    bool Generate(HostedRunReport* report = nullptr, const std::string& password = "secret") {
        return GenerateHostedSite(*m_table, m_home.Path(), m_out.Path(), "kim", password, m_box, m_hosted, m_cgi.Path(),
                                  report);
    }
    static std::string Program(std::string_view utf8) { return ProgramTextFromUtf8(utf8); }

    test::ServiceDouble m_service;
    HttpClient m_http{HttpOptions{5, 10, size_t{1} << 20}};
    HostedService m_hosted;
    test::TempDir m_home, m_out, m_cgi;
    std::unique_ptr<ScanTable> m_table;
    RecordingBox m_box;
};

TEST_F(HostedTest, RequestCarriesTheFormUnencodedWithItsLength) {
    AddPage("a.html", "<p>a&b@ex.com</p> <a href='mailto:lee@ex.com'>Lee</a> park@ex.com");
    m_table->Entry(2).m_bChecked = 0; // unmarked entries are not sent
    ASSERT_TRUE(Generate());
    const auto requests = m_service.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string digest = Md5HexOfBuffer("secret", 6);
    EXPECT_EQ(requests[0].body, "UserId=kim&PassWd=" + digest + "&EMailData=a&b@ex.com lee@ex.com");
    EXPECT_EQ(requests[0].contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].contentLength, std::to_string(requests[0].body.size()));
    EXPECT_FALSE(requests[0].hasAccept);
    EXPECT_EQ(requests[0].target, "/service/savedata.vrt");
}

TEST_F(HostedTest, PagesAreWrittenInTheServiceFormWithTheServiceNumbers) {
    m_service.AddMember("kim", "secret", 37);
    AddPage("sub/a.html", "x a1@ex.com a2@ex.com a3@ex.com a4@ex.com y");
    SetEntryName(m_table->Entry(0), "<img src='../VelmorantDefaultImg1.gif' border=0>");
    for (int i = 1; i < 4; ++i) {
        SetEntryName(m_table->Entry(i), "a" + std::to_string(i + 1));
    }
    HostedRunReport report;
    ASSERT_TRUE(Generate(&report));
    const std::string page = m_out.Read("sub/a.html");
    const std::string code = test::ServiceDouble::PageCodeFor(1);
    const std::string head =
        "<!--Velmorant" + code + Cp949FromUtf8(texts::kServiceMarkerWarning) +
        "-->\r\n<script language=javascript>\r\nfunction Velmorant(UniqId)\r\n{\r\nwindow.open('https://popup.test"
        "/service/velmorantin.vrt?UserId=kim&UniqId='+UniqId+'&Section=S1&PageCode=" +
        code + "','Velmorant','width=215,height=266,left=1,top=1,status=1');\r\n}\r\n</script>\r\n<!--" +
        m_service.Host() + "-->\r\n";
    EXPECT_EQ(page, head + "x <a href='javascript:Velmorant(37)'><img src='../VelmorantDefaultImg1.gif' border=0></a>"
                           " <a href='javascript:Velmorant(38)'>a2</a> <a href='javascript:Velmorant(39)'>a3</a>"
                           " <a href='javascript:Velmorant(40)'>a4</a> y");
    EXPECT_EQ(report.remaining, 59);
    EXPECT_NE(
        m_box.m_text.find(Program("남은 저장 갯수:59\r\n파일 생성을 완료했습니다. \r\n홈페이지에 업데이트 하십시오.")),
        std::string::npos);
    EXPECT_EQ(m_out.Read("VelmorantDefaultImg2.gif"), "GIF89a2");
    EXPECT_EQ(m_box.m_scrolls, 0) << "the hosted run does not scroll";
}

TEST_F(HostedTest, NumbersRunOnAcrossPagesAndAnUnmarkedPageSendsNothing) {
    AddPage("a.html", "a@ex.com b@ex.com");
    AddPage("b.html", "c@ex.com", false);
    AddPage("c.html", "d@ex.com e@ex.com f@ex.com");
    HostedRunReport report;
    ASSERT_TRUE(Generate(&report));
    EXPECT_EQ(m_service.Requests().size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(m_out.Path("b.html")));
    const std::string c = m_out.Read("c.html");
    EXPECT_NE(c.find("javascript:Velmorant(2)"), std::string::npos);
    EXPECT_NE(c.find("javascript:Velmorant(4)"), std::string::npos);
    EXPECT_EQ(c.find("javascript:Velmorant(5)"), std::string::npos);
    EXPECT_EQ(report.remaining, 95);
    const std::string dir = m_out.Path() + std::string(2, kPathSep);
    const std::string expected =
        dir + "a.html....  성공\r\n" + dir + "b.html....  성공\r\n" + dir + "c.html....  성공\r\n";
    EXPECT_EQ(m_box.m_text.substr(0, Program(expected).size()), Program(expected));
}

TEST_F(HostedTest, EveryErrorCodeReplacesTheBoxAndStopsTheRun) {
    const std::vector<std::pair<std::string, std::string_view>> cases = {
        {"er01", texts::kUploadNoUser},
        {"er02", texts::kUploadTooLong},
        {"er03", texts::kUploadWrongPassword},
        {"er04", texts::kUploadStoreFull},
        {"er05", texts::kUploadUpdateFailed},
        {"er06", texts::kUploadTransferFailed},
        {"er09", ""},
        {"er00", ""},
    };
    AddPage("a.html", "a@ex.com");
    AddPage("b.html", "b@ex.com");
    AddPage("c.html", "c@ex.com");
    for (const auto& [line, text] : cases) {
        SCOPED_TRACE(line);
        test::TempDir out;
        m_service.FailUploadFrom(static_cast<int>(m_service.Requests().size()) + 2, line); // the second page fails
        HostedRunReport report;
        EXPECT_FALSE(GenerateHostedSite(*m_table, m_home.Path(), out.Path(), "kim", "secret", m_box, m_hosted,
                                        m_cgi.Path(), &report));
        EXPECT_EQ(m_box.m_text, Program(text));
        EXPECT_NE(report.result, UploadResult::Ok);
        EXPECT_TRUE(std::filesystem::exists(out.Path("a.html")));
        EXPECT_FALSE(std::filesystem::exists(out.Path("b.html")));
        EXPECT_FALSE(std::filesystem::exists(out.Path("c.html"))) << "later pages are not handled";
        EXPECT_FALSE(std::filesystem::exists(out.Path("VelmorantDefaultImg1.gif")));
    }
}

TEST_F(HostedTest, TheServiceRulesComeBackAsTheirCodes) {
    AddPage("a.html", "a@ex.com");
    EXPECT_FALSE(Generate(nullptr, "wrong"));
    EXPECT_EQ(m_box.m_text, Program("비밀번호가 틀립니다"));
    m_service.AddMember("kim", "secret", 100);
    EXPECT_FALSE(Generate());
    EXPECT_EQ(m_box.m_text, Program(texts::kUploadStoreFull));
    std::string big = "<p>";
    for (int i = 0; i < 600; ++i) {
        big += "user" + std::to_string(i) + "@ex.com ";
    }
    m_table->ResetScanTable();
    AddPage("big.html", big);
    m_service.AddMember("kim", "secret");
    EXPECT_FALSE(Generate());
    EXPECT_EQ(m_box.m_text, Program("EMail의 길이가 5kbyte를 넘었습니다"));
}

TEST_F(HostedTest, BrokenAnswersAreConnectionFailures) {
    AddPage("a.html", "a@ex.com");
    const std::string network = Program(texts::kUploadNetwork);
    m_service.SetAnswer(test::ServiceDouble::Answer::TwoLines);
    EXPECT_FALSE(Generate());
    EXPECT_EQ(m_box.m_text, network);
    m_service.SetAnswer(test::ServiceDouble::Answer::Garbage);
    EXPECT_FALSE(Generate());
    EXPECT_EQ(m_box.m_text, network);
    EXPECT_FALSE(std::filesystem::exists(m_out.Path("a.html")));
    m_service.SetAnswer(test::ServiceDouble::Answer::Slow, 300);
    EXPECT_TRUE(Generate()) << "a slow answer is waited for";

    test::ClosingServer closing;
    m_hosted.hosts.serviceHost = closing.Host();
    EXPECT_FALSE(Generate());
    EXPECT_EQ(m_box.m_text, network);
    m_hosted.hosts.serviceHost = "127.0.0.1:1"; // nothing listens
    EXPECT_FALSE(Generate());
    EXPECT_EQ(m_box.m_text, network);
}

TEST_F(HostedTest, AnUnwritableOutputAfterTheUploadIsAFileError) {
    AddPage("a.html", "a@ex.com");
    m_out.Write("a.html/blocker", ""); // a folder where the page's file should go
    HostedRunReport report;
    EXPECT_FALSE(Generate(&report));
    EXPECT_EQ(report.result, UploadResult::FileError);
    EXPECT_EQ(m_box.m_text, Program("파일생성중에 문제가 발생했습니다.\r\n다른 저장디렉토리를 선택해 보십시오."));
    EXPECT_EQ(m_service.Stored("kim").size(), 1u) << "the upload itself went through";
}

TEST(UploadAnswer, SuccessLinesAreParsedStrictly) {
    const std::string code(32, 'c');
    UploadAnswer a;
    EXPECT_EQ(ParseUploadAnswer("1234567SEC " + code + " 0 ", a), UploadResult::Ok);
    EXPECT_EQ(a.section, "SEC");
    EXPECT_EQ(a.pageCode, code);
    EXPECT_EQ(a.startNumber, 0);
    EXPECT_EQ(ParseUploadAnswer("1234567SEC " + code + " 41 \r", a), UploadResult::Ok);
    EXPECT_EQ(a.startNumber, 41);
    EXPECT_EQ(ParseUploadAnswer("er04\r", a), UploadResult::StoreFull);
    EXPECT_EQ(ParseUploadAnswer("er4", a), UploadResult::OtherError);
    EXPECT_EQ(ParseUploadAnswer("er00", a), UploadResult::OtherError) << "not a success";
    for (const std::string& bad : std::vector<std::string>{
             "", "1234567SEC " + code + " 41", "1234567SEC " + code.substr(1) + " 41 ", "1234567SEC " + code + "x 41 ",
             "1234567SEC " + code + " -1 ", "1234567SEC " + code + "  ", "1234567SEC " + code + " 99999999999 ",
             "1234567S'C " + code + " 1 ", "short"}) {
        EXPECT_EQ(ParseUploadAnswer(bad, a), UploadResult::NetworkError) << bad;
    }
}

TEST(CleanAnswer, ErrorLinesHaveTheCleaningsOwnMeanings) {
    const std::vector<std::pair<std::string, CleanResult>> cases = {
        {"", CleanResult::Done},
        {"ok\n", CleanResult::Done},
        {"er01", CleanResult::NoUser},
        {"er02\r\n", CleanResult::WrongPassword},
        {"er03", CleanResult::NoData},
        {"er04", CleanResult::DeleteFailed},
        {"er05", CleanResult::TooSoon},
        {"er06", CleanResult::OtherError},
        {"er00", CleanResult::OtherError},
        {"er1", CleanResult::OtherError},
        {"er01\n\n", CleanResult::TwoLines},
    };
    for (const auto& [reply, result] : cases) {
        EXPECT_EQ(ParseCleanAnswer(reply), result) << reply;
    }
}

TEST_F(HostedTest, CleaningAsksFirstAndShowsTheServiceAnswer) {
    ScriptedAsker no(false), yes(true);
    m_box.m_text = "before";
    EXPECT_TRUE(CleanServer("kim", "secret", m_box, no, m_hosted));
    EXPECT_EQ(no.m_strQuestion, Program("서버청소를 사용할경우 서버내의 모든 이메일이 삭제됩니다. 실행하시겠습니까?"));
    EXPECT_TRUE(m_service.Requests().empty());
    EXPECT_EQ(m_box.m_text, "before");

    EXPECT_FALSE(CleanServer("kim", "secret", m_box, yes, m_hosted));
    EXPECT_EQ(m_box.m_text, Program("데이타가 없습니다"));
    m_service.AddMember("kim", "secret", 5);
    EXPECT_TRUE(CleanServer("kim", "secret", m_box, yes, m_hosted));
    EXPECT_EQ(m_box.m_text, Program("서버를 비웠습니다"));
    EXPECT_TRUE(m_service.Stored("kim").empty());
    EXPECT_EQ(m_service.Requests().back().target,
              "/service/delemaildata.vrt?UserId=kim&PassWd=" + Md5HexOfBuffer("secret", 6));
    m_service.AddMember("lee", "pw", 3);
    EXPECT_TRUE(CleanServer("lee", "pw", m_box, yes, m_hosted));
    m_service.AddMember("lee", "pw", 3);
    EXPECT_FALSE(CleanServer("lee", "pw", m_box, yes, m_hosted));
    EXPECT_EQ(m_box.m_text, Program("삭제한지 30초가 지나지않았습니다."));
    EXPECT_FALSE(CleanServer("lee", "bad", m_box, yes, m_hosted));
    EXPECT_EQ(m_box.m_text, Program("Password가 틀립니다"));
    EXPECT_FALSE(CleanServer("nobody", "pw", m_box, yes, m_hosted));
    EXPECT_EQ(m_box.m_text, Program("UserId를 찾을수없습니다"));

    m_service.SetAnswer(test::ServiceDouble::Answer::TwoLines);
    EXPECT_FALSE(CleanServer("nobody", "pw", m_box, yes, m_hosted));
    EXPECT_EQ(m_box.m_text, Program("서버를 찾을수 없습니다."));
    m_hosted.hosts.serviceHost = "127.0.0.1:1";
    EXPECT_FALSE(CleanServer("kim", "secret", m_box, yes, m_hosted));
    EXPECT_EQ(m_box.m_text, Program("네트워크 연결중에 문제가 발생했습니다"));
}

TEST_F(HostedTest, AUserIdThatWouldBreakTheRequestIsNotSent) {
    AddPage("a.html", "a@ex.com");
    ScriptedAsker yes(true);
    EXPECT_FALSE(
        GenerateHostedSite(*m_table, m_home.Path(), m_out.Path(), "kim lee", "secret", m_box, m_hosted, m_cgi.Path()));
    EXPECT_FALSE(CleanServer("kim\r\nX: y", "secret", m_box, yes, m_hosted));
    EXPECT_TRUE(m_service.Requests().empty());
}

} // namespace
} // namespace orvex
