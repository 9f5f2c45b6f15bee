// SPDX-License-Identifier: MIT
// orvex-cli in hosted mode (convert --kind hosted, clean-server) against the service double.
#include "converter/page_rewriter.h"
#include "converter/service_hosts.h"
#include "platform/native_path.h"
#include "platform/text_codec.h"
#include "run_process.h"
#include "service_double.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

namespace orvex {
namespace {

namespace fs = std::filesystem;

class CliHosted : public ::testing::Test {
protected:
    void SetUp() override {
        test::SetEnv("ORVEX_SERVICE_HOST", m_service.Host());
        test::SetEnv("ORVEX_POPUP_HOST", "popup.test:8443");
        m_service.AddMember("kim", "s3cret");
        m_work.Write("password", "s3cret\r\nsecond line\n");
        for (int i = 1; i <= 3; ++i) {
            m_work.Write("CgiData/VelmorantDefaultImg" + std::to_string(i) + ".gif", "GIF");
        }
    }
    void TearDown() override {
        test::UnsetEnv("ORVEX_SERVICE_HOST");
        test::UnsetEnv("ORVEX_POPUP_HOST");
    }
    test::ProcessResult Run(std::vector<std::string> args) {
        auto r = test::RunProcess(ORVEX_CLI_PATH, args, m_scratch.Path(), m_work.Path());
        r.out = test::LogLines(r.out);
        return r;
    }
    test::ProcessResult Convert(const std::string& home, const std::string& user = "kim") {
        return Run({"convert", "--home", home, "--out", m_work.Path("out"), "--kind", "hosted", "--user", user,
                    "--password-file", m_work.Path("password")});
    }

    test::ServiceDouble m_service;
    test::TempDir m_work, m_scratch;
};

TEST_F(CliHosted, ConvertsTheExampleSiteWithTheServiceIdentifiers) {
    const std::string site = test::AbsolutePath(std::string(std::getenv("ORVEX_SOURCE_DIR")) + "/examples/site");
    const auto r = Convert(site);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const auto requests = m_service.Requests();
    ASSERT_EQ(requests.size(), 7u) << "one request per page with addresses";
    // 18 stored of 100: board/list.html's guest02 is the text of a link of the page's own and stays.
    EXPECT_NE(r.out.find(ProgramTextFromUtf8("남은 저장 갯수:82\n")), std::string::npos) << r.out;
    // Every page's script block carries the UserId and the section and page code of its upload.
    int n = 0;
    size_t links = 0;
    for (const auto& entry : fs::recursive_directory_iterator(FsPath(m_work.Path("out")))) {
        const std::string name = PathText(entry.path().filename());
        if (!entry.is_regular_file() || name.find(".gif") != std::string::npos) {
            continue;
        }
        const std::string page = test::Slurp(PathText(entry.path()));
        const std::regex block("window\\.open\\('https://popup\\.test:8443/service/velmorantin\\.vrt\\?UserId=kim"
                               "&UniqId='\\+UniqId\\+'&Section=S([0-9]+)&PageCode=([0-9a-f]{32})'");
        std::smatch m;
        ASSERT_TRUE(std::regex_search(page, m, block)) << name;
        EXPECT_EQ(m[2].str(), test::ServiceDouble::PageCodeFor(std::stoi(m[1].str())));
        EXPECT_EQ(page.find("<!--Velmorant" + m[2].str()), HeaderOffset(page)) << name; // after the doctype
        for (size_t at = page.find("javascript:Velmorant("); at != std::string::npos;
             at = page.find("javascript:Velmorant(", at + 1)) {
            ++links;
        }
        EXPECT_EQ(page.find("@velmorant-craft.co.kr"), std::string::npos) << name;
        ++n;
    }
    EXPECT_EQ(n, 7);
    EXPECT_EQ(links, 18u);
    EXPECT_TRUE(fs::exists(FsPath(m_work.Path("out/VelmorantDefaultImg1.gif"))));
    EXPECT_FALSE(fs::exists(FsPath(m_work.Path("out/Velmorant")))) << "no kit folder in hosted mode";
}

TEST_F(CliHosted, ServiceErrorsExitOneWithTheirMessage) {
    m_work.Write("site/a.html", "a@ex.com");
    m_service.FailUploadFrom(1, "er04");
    const auto r = Convert(m_work.Path("site"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(ProgramTextFromUtf8("서버가 가득찼습니다.")), std::string::npos) << r.out;
    EXPECT_EQ(Convert(m_work.Path("site"), "kim lee").status, 2) << "a UserId with a space is refused";
    EXPECT_EQ(m_service.Requests().size(), 1u);
    EXPECT_EQ(Run({"convert", "--home", m_work.Path("site"), "--out", m_work.Path("o2"), "--kind", "hosted"}).status,
              2);
}

TEST_F(CliHosted, CleanServerAsksUnlessTold) {
    m_service.AddMember("kim", "s3cret", 4);
    const std::vector<std::string> args = {"clean-server", "--user", "kim", "--password-file", m_work.Path("password")};
    auto r = Run(args);
    EXPECT_EQ(r.status, 0) << "a standard input that is not a terminal answers No";
    EXPECT_TRUE(m_service.Requests().empty());
    auto yes = args;
    yes.push_back("--yes");
    r = Run(yes);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ProgramTextFromUtf8("서버를 비웠습니다\n"));
    EXPECT_TRUE(m_service.Stored("kim").empty());
    r = Run(yes);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, ProgramTextFromUtf8("삭제한지 30초가 지나지않았습니다.\n"));
}

TEST_F(CliHosted, HostOptionsAreKeptBesideDefaultCfgAndTheEnvironmentStillWins) {
    test::UnsetEnv("ORVEX_SERVICE_HOST");
    test::UnsetEnv("ORVEX_POPUP_HOST");
    m_work.Write("site/a.html", "a@ex.com");
    EXPECT_EQ(Run({"convert", "--home", m_work.Path("site"), "--out", m_work.Path("o1"), "--kind", "hosted", "--user",
                   "kim", "--password-file", m_work.Path("password"), "--service-host", "bad host"})
                  .status,
              2);
    EXPECT_FALSE(fs::exists(FsPath(m_work.Path("hosts.cfg"))));
    auto r = Run({"convert", "--home", m_work.Path("site"), "--out", m_work.Path("o2"), "--kind", "hosted", "--user",
                  "kim", "--password-file", m_work.Path("password"), "--service-host", m_service.Host(), "--popup-host",
                  "popup2.test"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(test::Slurp(m_work.Path("o2/a.html")).find("https://popup2.test/service/"), std::string::npos);
    // Later runs, the GUI's too, read the kept hosts; a variable still wins for its run.
    test::SetEnv("ORVEX_POPUP_HOST", "popup3.test");
    r = Convert(m_work.Path("site"));
    test::UnsetEnv("ORVEX_POPUP_HOST");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(test::Slurp(m_work.Path("out/a.html")).find("https://popup3.test/service/"), std::string::npos);
    EXPECT_EQ(m_service.Requests().size(), 2u);
    const ServiceHosts kept = ReadHostsFile(m_work.Path("hosts.cfg"));
    EXPECT_EQ(kept.serviceHost, m_service.Host());
    EXPECT_EQ(kept.popupHost, "popup2.test");
    // A damaged file gives the compiled-in hosts.
    m_work.Write("hosts.cfg", std::string("\x05\0\0\0a b c"));
    EXPECT_EQ(ReadHostsFile(m_work.Path("hosts.cfg")).serviceHost, kDefaultServiceHost);
}

} // namespace
} // namespace orvex
