// SPDX-License-Identifier: MIT
// The built kdvupdate, offscreen, against a real update host on 127.0.0.1: the first start
// downloads and verifies version 82, the second installs it, records it and starts the new
// converter, a stand-in script that leaves a mark.
#include "package_helpers.h"
#include "run_process.h"
#include "temp_dir.h"
#include "update_host_double.h"
#include "updater/package_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace orvex {
namespace {

namespace fs = std::filesystem;
using test::UpdateHostDouble;

std::string Converter(int version) {
    return "#!/bin/sh\necho " + std::to_string(version) + " >> converter.marks\n";
}

class KdvupdateEndToEndTest : public ::testing::Test {
protected:
    KdvupdateEndToEndTest() : m_host(m_log) {
        m_dir.Write("install/orvex", Converter(81));
        fs::permissions(m_dir.Path("install/orvex"), fs::perms::owner_exec, fs::perm_options::add);
        fs::create_directories(m_dir.Path("config"));
        fs::create_directories(m_dir.Path("data"));
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("KDVUPDATE_HOST", m_host.Host().c_str(), 1);
        setenv("XDG_CONFIG_HOME", m_dir.Path("config").c_str(), 1);
        setenv("XDG_DATA_HOME", m_dir.Path("data").c_str(), 1);
    }

    // One start of the program in the installation folder; a window that stays open would be
    // a failure, so the run is bounded.
    test::ProcessResult Start() {
        return test::RunProcess("timeout", {"60", ORVEX_KDVUPDATE_PATH}, m_dir.Path(), m_dir.Path("install"));
    }

    // The converter runs detached, so its mark may come a moment after kdvupdate has ended.
    std::string WaitForMarks(const std::string& expected) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::string marks;
        while ((marks = m_dir.Read("install/converter.marks")) != expected &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return marks;
    }

    std::string Profile() { return m_dir.Read("config/VelmorantAuto/kdvupdate.conf"); }

    test::EventLog m_log;
    UpdateHostDouble m_host;
    test::TempDir m_dir;
};

TEST_F(KdvupdateEndToEndTest, FirstStartDownloadsSecondStartInstallsAndStartsTheNewConverter) {
    std::vector<PackageEntry> entries{{PackageEntry::Kind::Write, "ae:\\orvex", Converter(82)},
                                      {PackageEntry::Kind::MakeDir, "id:\\kdv", ""},
                                      {PackageEntry::Kind::Write, "id:\\kdv\\notice.txt", "82"}};
    std::string package;
    std::string error;
    ASSERT_TRUE(BuildPackage(entries, {82, 2}, package, error)) << error;
    m_host.SetVersionLine("82 86400 " + m_host.PackageUrl() + "\r\n");
    m_host.SetPackage(package);
    m_host.SetChecksum(test::Md5Line(package) + "\r\n");

    const auto first = Start();
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(WaitForMarks("81\n"), "81\n");
    EXPECT_EQ(m_dir.Read("install/autoupcab.tmp"), package);
    EXPECT_NE(Profile().find("IsUpdate=1"), std::string::npos) << Profile();
    EXPECT_NE(Profile().find("CurrentVer=82"), std::string::npos) << Profile();
    EXPECT_EQ(Profile().find("Version=82"), std::string::npos) << Profile();
    EXPECT_EQ(m_log.Events().size(), 3u); // version file, package, checksum

    const auto second = Start();
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(WaitForMarks("81\n82\n"), "81\n82\n");
    EXPECT_NE(Profile().find("\nVersion=82"), std::string::npos) << Profile();
    EXPECT_NE(Profile().find("IsUpdate=0"), std::string::npos) << Profile();
    EXPECT_FALSE(fs::exists(m_dir.Path("install/autoupcab.tmp")));
    EXPECT_EQ(test::Snapshot(m_dir.Path("install"))["orvex"], "file:" + Converter(82) + "+x");
    EXPECT_EQ(m_dir.Read("data/idn/kdv/notice.txt"), "82");
    EXPECT_EQ(m_log.Events().size(), 3u); // installing asks the host nothing
}

} // namespace
} // namespace orvex
