// SPDX-License-Identifier: MIT
// The PERL Linux kit on a real Apache with mod_cgi: a converted examples/site leaks no address to a
// robot, and the pop-up reveals exactly one address for exactly one right code.
#include "apache_server.h"
#include "kit_fixture.h"

namespace {

using namespace orvex::test::kits;
using orvex::test::ApacheServer;
using orvex::test::Slurp;

const DataFileFormat kPerlData = {"emaildata.pl", "", "#", "#", ""};

class PerlKitTest : public SealedRecordKitTest {
protected:
    PerlKitTest() : SealedRecordKitTest("antispam", ".pl") {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Convert({"--kind", "perl", "--os", "linux"}));
        ASSERT_TRUE(fs::exists(m_kit + "/main.exe"));
        // The scripts keep the executable mode they have in CgiData.
        ASSERT_NO_FATAL_FAILURE(PrepareKit(kPerlData, "pl"));
        // As a site owner would enable CGI for the kit folder only.
        const std::string cgi = "LoadModule cgi_module /usr/lib/apache2/modules/mod_cgi.so\n"
                                "<Directory " +
                                m_kit + ">\n  Options +ExecCGI\n  AddHandler cgi-script .pl\n</Directory>\n";
        m_server = std::make_unique<ApacheServer>(m_site, m_dir.Path(), cgi);
        ASSERT_TRUE(m_server->Running()) << m_server->ErrorLog();
        Connect(m_server->Port());
    }
    // The scripts' own warnings or deaths name them with a line number.
    void TearDown() override { ExpectCleanLog(".pl line "); }
    std::string ServerLog() const override { return m_server ? m_server->ErrorLog() : std::string(); }

    std::unique_ptr<ApacheServer> m_server;
};

TEST_F(PerlKitTest, RobotFetchingEveryFileFindsNoAddressNorPendingCode) {
    ASSERT_NO_FATAL_FAILURE(CheckRobotFindsNoAddressNorPendingCode());
    // The data file and the record run as CGI and fail; nothing of them is served.
    auto data = m_http->Get("/Velmorant/emaildata.pl");
    ASSERT_TRUE(data);
    EXPECT_NE(data->status, 200);
}

TEST_F(PerlKitTest, RightCodeRevealsExactlyThatAddressOnce) {
    CheckRightCodeRevealsExactlyThatAddressOnce();
}

TEST_F(PerlKitTest, WrongExpiredForeignOrMissingTokensRevealNothing) {
    CheckWrongExpiredForeignOrMissingTokensRevealNothing();
}

TEST_F(PerlKitTest, RepeatedFailuresBlockTheClientUntilTheBlockEnds) {
    CheckRepeatedFailuresBlockTheClientUntilTheBlockEnds();
}

TEST_F(PerlKitTest, StaleCodesAndImagesArePurged) {
    CheckStaleCodesAndImagesArePurged();
}

TEST_F(PerlKitTest, RevealQuotaPerClient) {
    CheckRevealQuotaPerClient();
}

TEST_F(PerlKitTest, RevealQuotaPerNetwork) {
    CheckRevealQuotaPerNetwork();
}

TEST_F(PerlKitTest, PopupLimit) {
    CheckPopupLimit();
}

TEST_F(PerlKitTest, FailuresCountedExactly) {
    CheckFailuresCountedExactly();
}

TEST_F(PerlKitTest, QuotaSettingsAndPurge) {
    CheckQuotaSettingsAndPurge();
}

// The build assembles both PERL kits' antispamin.pl from the one core; only the random source and the main.exe call
// differ. The Windows kit cannot run here: this is all that is checked of it, besides its review.
TEST(PerlKitSources, BothKitsAreAssembledFromTheOneCore) {
    const std::string root = std::string(ORVEX_CGIDATA_DIR) + "/Perl/";
    const std::string core = KitCore(std::string(std::getenv("ORVEX_SOURCE_DIR")) + "/CgiData/Perl/kit_core.pl");
    ASSERT_GT(core.size(), 1000u);
    for (const char* kit : {"linux/antispamin.pl", "window/antispamin.pl"})
        EXPECT_NE(Slurp(root + kit).find(core), std::string::npos) << kit;
    // The answer scripts differ in their first line, which names perl, only.
    auto afterFirstLine = [](const std::string& text) { return text.substr(text.find('\n')); };
    EXPECT_EQ(afterFirstLine(Slurp(root + "linux/antispamout.pl")),
              afterFirstLine(Slurp(root + "window/antispamout.pl")));
    // codeimg for Windows comes from a Windows build, when one has been made.
    if (fs::exists(root + "window/main.exe")) {
        EXPECT_EQ(Slurp(root + "window/main.exe").substr(0, 2), "MZ");
    }
}

} // namespace
