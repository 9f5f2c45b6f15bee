// SPDX-License-Identifier: MIT
// The JSP kit on a real Tomcat (the kit folder deployed as its own web application): a converted examples/site leaks no
// address to a robot, and the pop-up reveals exactly one address for exactly one right code.
#include "kit_fixture.h"
#include "tomcat_server.h"

namespace {

using namespace orvex::test::kits;
using orvex::test::TomcatServer;

const DataFileFormat kJspData = {"emaildata.jsp", "<%\r\n", "//", "//", "%>"};

class JspKitTest : public SealedRecordKitTest {
protected:
    JspKitTest() : SealedRecordKitTest("WEB-INF/antispam", ".txt") {}

    void SetUp() override {
        if (!orvex::test::TomcatInstalled())
            GTEST_SKIP() << "Tomcat 10 (tomcat10-common) is not installed";
        ASSERT_NO_FATAL_FAILURE(Convert({"--kind", "jsp"}));
        ASSERT_TRUE(fs::exists(m_kit + "/WEB-INF/classes/png/MakePngBean.class")) << m_convertLog;
        ASSERT_NO_FATAL_FAILURE(PrepareKit(kJspData, "jsp"));
        // The site at the root and the kit folder as the web application /Velmorant, whose
        // WEB-INF holds the classes and the pending codes.
        m_server = std::make_unique<TomcatServer>(
            std::vector<std::pair<std::string, std::string>>{{"", m_site}, {"/Velmorant", m_kit}}, m_dir.Path());
        ASSERT_TRUE(m_server->Running()) << m_server->Log();
        Connect(m_server->Port());
    }
    // A kit page that fails to compile or throws is logged with its exception.
    void TearDown() override { ExpectCleanLog("Exception"); }
    std::string ServerLog() const override { return m_server ? m_server->Log() : std::string(); }
    // The quota state lives under WEB-INF, which is never served; the failure lists stay where they were.
    std::string StatePath(const std::string& name) const override {
        return m_kit + (name == "revealed.txt" || name == "popups.txt" ? "/WEB-INF/antispam/" : "/antispam/") + name;
    }

    std::unique_ptr<TomcatServer> m_server;
};

TEST_F(JspKitTest, RobotFetchingEveryFileFindsNoAddressNorPendingCode) {
    ASSERT_NO_FATAL_FAILURE(CheckRobotFindsNoAddressNorPendingCode());
    // The data file runs as a page that prints nothing; WEB-INF is never served.
    auto data = m_http->Get("/Velmorant/emaildata.jsp");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->body, "");
    for (const std::string& hidden : {std::string("/Velmorant/WEB-INF/classes/png/MakePngBean.class"),
                                      "/Velmorant" + RecordPath(m_pending.token).substr(m_kit.size())}) {
        auto res = m_http->Get(hidden);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 404) << hidden;
    }
}

TEST_F(JspKitTest, RightCodeRevealsExactlyThatAddressOnce) {
    CheckRightCodeRevealsExactlyThatAddressOnce();
}

TEST_F(JspKitTest, WrongExpiredForeignOrMissingTokensRevealNothing) {
    CheckWrongExpiredForeignOrMissingTokensRevealNothing();
}

TEST_F(JspKitTest, RepeatedFailuresBlockTheClientUntilTheBlockEnds) {
    CheckRepeatedFailuresBlockTheClientUntilTheBlockEnds();
}

TEST_F(JspKitTest, StaleCodesAndImagesArePurged) {
    CheckStaleCodesAndImagesArePurged();
}

TEST_F(JspKitTest, RevealQuotaPerClient) {
    CheckRevealQuotaPerClient();
}

TEST_F(JspKitTest, RevealQuotaPerNetwork) {
    CheckRevealQuotaPerNetwork();
}

TEST_F(JspKitTest, PopupLimit) {
    CheckPopupLimit();
}

TEST_F(JspKitTest, FailuresCountedExactly) {
    CheckFailuresCountedExactly();
}

TEST_F(JspKitTest, QuotaSettingsAndPurge) {
    CheckQuotaSettingsAndPurge();
}

} // namespace
