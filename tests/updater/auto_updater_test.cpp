// SPDX-License-Identifier: MIT
// The start-up flow across the schedule's states, against a real update host on 127.0.0.1,
// with the clock, the retry timer and the converter launcher steered by the test. One log
// holds the profile writes, the host's requests and the converter starts, in their order.
#include "updater/auto_updater.h"

#include "memory_profile_store.h"
#include "package_helpers.h"
#include "service_double.h"
#include "temp_dir.h"
#include "update_host_double.h"
#include "updater/package_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace orvex {
namespace {

using test::UpdateHostDouble;
using Events = std::vector<std::string>;

const std::string kGetVersion = UpdateHostDouble::Fetched(UpdateHostDouble::kVersionPath);
const std::string kGetChecksum = UpdateHostDouble::Fetched(UpdateHostDouble::kChecksumPath);
const std::string kGetPackage = UpdateHostDouble::Fetched(UpdateHostDouble::kPackagePath);
const std::string kStart = "start converter";

std::string Set(const char* name) {
    return std::string("set ") + name;
}

class AutoUpdaterTest : public ::testing::Test {
protected:
    AutoUpdaterTest() : m_host(m_log) {
        m_profile.onSet = [this](const std::string& name) { m_log.Add("set " + name); };
        m_dir.Write("install/orvex", "version 81");
        m_host.Set(UpdateHostDouble::kVersionPath, 404, "");
    }

    // A fresh updater, as at a new start of the program; the profile and the folder persist.
    AutoUpdater& Start(const std::string& host = "") {
        UpdaterSettings settings;
        settings.host = host.empty() ? m_host.Host() : host;
        settings.locations = {m_dir.Path("install"), m_dir.Path("idn")};
        UpdaterHooks hooks;
        hooks.now = [this] { return m_now; };
        hooks.startConverter = [this] {
            m_log.Add(kStart);
            m_converterAtStart = m_dir.Read("install/orvex");
        };
        hooks.setRetryTimer = [this](int ms) {
            m_timerMs = ms;
            m_timerActive = true;
        };
        hooks.killRetryTimer = [this] { m_timerActive = false; };
        m_updater = std::make_unique<AutoUpdater>(m_profile, settings, hooks);
        m_log.Add("-- start");
        return *m_updater;
    }

    void PublishVersion(int version, int delay) {
        m_host.SetVersionLine(std::to_string(version) + " " + std::to_string(delay) + " " + m_host.PackageUrl() +
                              "\r\n");
    }
    // A package that rewrites the converter, served with its right checksum.
    std::string PublishPackage(const std::string& converter = "version 82") {
        std::string package = MakePackage(converter);
        m_host.SetPackage(package);
        m_host.SetChecksum(test::Md5Line(package) + "\r\n");
        return package;
    }
    static std::string MakePackage(const std::string& converter) {
        std::vector<PackageEntry> entries{{PackageEntry::Kind::Write, "ae:\\orvex", converter}};
        std::string package;
        std::string error;
        EXPECT_TRUE(BuildPackage(entries, {82, 1}, package, error)) << error;
        return package;
    }

    // The events since the last start.
    Events SinceStart() {
        const Events all = m_log.Events();
        const auto last = std::find(all.rbegin(), all.rend(), "-- start");
        return Events(last.base(), all.end());
    }
    int ProfileInt(const char* name) { return m_profile.GetInt(name, -1); }
    bool PackageStored() const { return std::filesystem::exists(m_dir.Path("install/autoupcab.tmp")); }

    test::EventLog m_log;
    UpdateHostDouble m_host;
    test::TempDir m_dir;
    test::MemoryProfileStore m_profile;
    std::unique_ptr<AutoUpdater> m_updater;
    int64_t m_now = 1700000000;
    int m_timerMs = 0;
    bool m_timerActive = false;
    std::string m_converterAtStart;
};

TEST_F(AutoUpdaterTest, FirstStartUsesTheDefaultsAndRecordsTheCheckBeforeFetching) {
    PublishVersion(81, 3600);
    AutoUpdater& u = Start();
    EXPECT_FALSE(u.RunStartupFlow());
    EXPECT_TRUE(u.Ended());
    EXPECT_EQ(u.ExitCode(), 0);
    EXPECT_EQ(SinceStart(), (Events{kStart, Set("LastDay"), kGetVersion, Set("CurrentVer"), Set("UpdateDelay")}));
    EXPECT_EQ(m_profile.GetString("LastDay", ""), "1700000000");
    EXPECT_EQ(ProfileInt("CurrentVer"), 81);
    EXPECT_EQ(ProfileInt("UpdateDelay"), 3600);
    EXPECT_EQ(u.PackageUrl(), m_host.PackageUrl());
}

TEST_F(AutoUpdaterTest, CheckIsDueOnlyAfterMoreThanTheDelay) {
    PublishVersion(81, 86400);
    const struct {
        int delay; // 0: no UpdateDelay stored, the default applies
        int64_t since;
        bool due;
    } cases[] = {{0, 86400, false}, {0, 86401, true}, {100, 100, false}, {100, 101, true}, {0, 0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.delay) + "/" + std::to_string(c.since));
        m_profile = test::MemoryProfileStore();
        m_profile.onSet = [this](const std::string& name) { m_log.Add("set " + name); };
        if (c.delay != 0) {
            m_profile.SetInt("UpdateDelay", c.delay);
        }
        m_profile.SetString("LastDay", std::to_string(m_now - c.since));
        AutoUpdater& u = Start();
        EXPECT_FALSE(u.RunStartupFlow());
        EXPECT_EQ(SinceStart().size(), c.due ? 5u : 1u);
        EXPECT_EQ(m_profile.GetString("LastDay", ""), std::to_string(c.due ? m_now : m_now - c.since));
    }
}

TEST_F(AutoUpdaterTest, AnnouncedDelayOfZeroMakesEveryLaterStartDue) {
    PublishVersion(81, 0);
    Start().RunStartupFlow();
    EXPECT_EQ(ProfileInt("UpdateDelay"), 0);
    Start().RunStartupFlow();
    EXPECT_EQ(SinceStart(), Events{kStart}); // the same second: not due
    m_now += 1;
    Start().RunStartupFlow();
    EXPECT_EQ(m_log.Count(kGetVersion), 2u);
}

TEST_F(AutoUpdaterTest, SameOrOlderVersionDownloadsNothing) {
    m_profile.SetInt("Version", 82);
    for (const int announced : {82, 80}) {
        m_profile.SetString("LastDay", "");
        PublishVersion(announced, 7200);
        AutoUpdater& u = Start();
        EXPECT_FALSE(u.RunStartupFlow());
        EXPECT_EQ(ProfileInt("CurrentVer"), announced);
        EXPECT_EQ(ProfileInt("UpdateDelay"), 7200);
    }
    EXPECT_EQ(m_log.Count(kGetPackage), 0u);
    EXPECT_EQ(ProfileInt("IsUpdate"), -1);
}

TEST_F(AutoUpdaterTest, MissingOrNonNumericFieldsReadAsZero) {
    m_host.SetVersionLine("newest soon\n");
    AutoUpdater& u = Start();
    EXPECT_FALSE(u.RunStartupFlow());
    EXPECT_EQ(ProfileInt("CurrentVer"), 0);
    EXPECT_EQ(ProfileInt("UpdateDelay"), 0);
    EXPECT_EQ(m_log.Count(kGetPackage), 0u);
}

TEST_F(AutoUpdaterTest, NewerVersionIsDownloadedVerifiedAndThenMarked) {
    PublishVersion(82, 86400);
    const std::string package = PublishPackage();
    AutoUpdater& u = Start();
    EXPECT_FALSE(u.RunStartupFlow());
    EXPECT_EQ(SinceStart(), (Events{kStart, Set("LastDay"), kGetVersion, Set("CurrentVer"), Set("UpdateDelay"),
                                    kGetPackage, kGetChecksum, Set("IsUpdate")}));
    EXPECT_EQ(ProfileInt("IsUpdate"), 1);
    EXPECT_EQ(ProfileInt("Version"), -1); // recorded only once installed
    EXPECT_EQ(m_dir.Read("install/autoupcab.tmp"), package);
    EXPECT_EQ(m_dir.Read("install/orvex"), "version 81");
}

TEST_F(AutoUpdaterTest, FailedDownloadOrVerificationLeavesIsUpdateAndKeepsTheWindow) {
    PublishVersion(82, 86400);
    const std::string package = MakePackage("version 82");
    const struct {
        const char* name;
        int packageStatus;
        std::string packageBody;
        std::string checksum;
        DownloadResult result;
    } cases[] = {
        {"wrong digest", 200, package, test::Md5Line(package + "x"), DownloadResult::ChecksumMismatch},
        {"upper-case digest", 200, package, "ABCDEF", DownloadResult::ChecksumMismatch},
        {"one byte short", 200, package.substr(0, package.size() - 1), test::Md5Line(package),
         DownloadResult::LengthMismatch},
        {"short answer", 200, "1234", test::Md5Line(package), DownloadResult::ShortHeader},
        {"no package", 404, "", test::Md5Line(package), DownloadResult::InternetError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_profile.SetString("LastDay", "");
        m_host.Set(UpdateHostDouble::kPackagePath, c.packageStatus, c.packageBody);
        m_host.SetChecksum(c.checksum);
        m_timerActive = true;
        AutoUpdater& u = Start();
        EXPECT_TRUE(u.RunStartupFlow());
        EXPECT_FALSE(u.Ended());
        EXPECT_EQ(u.LastDownloadResult(), c.result);
        EXPECT_FALSE(m_timerActive); // nothing further is scheduled
        EXPECT_EQ(ProfileInt("IsUpdate"), -1);
    }
}

TEST_F(AutoUpdaterTest, FetchFailuresRetryFiveTimesThenEnd) {
    AutoUpdater& u = Start();
    EXPECT_TRUE(u.RunStartupFlow());
    EXPECT_EQ(u.FetchFailures(), 1);
    EXPECT_TRUE(m_timerActive);
    EXPECT_EQ(m_timerMs, 600000);
    for (int retry = 1; retry <= 4; ++retry) {
        u.OnRetryTimer();
        EXPECT_FALSE(u.Ended()) << retry;
        EXPECT_EQ(u.FetchFailures(), retry + 1);
    }
    u.OnRetryTimer(); // the fifth retry fails too: that is the end
    EXPECT_TRUE(u.Ended());
    EXPECT_EQ(u.ExitCode(), 0);
    EXPECT_EQ(m_log.Count(kGetVersion), 6u);
    EXPECT_EQ(m_log.Count(kStart), 1u);
    EXPECT_EQ(m_profile.Values().size(), 1u); // only LastDay
    u.OnRetryTimer();
    EXPECT_EQ(m_log.Count(kGetVersion), 6u);
}

TEST_F(AutoUpdaterTest, RetryThatSucceedsStopsTheTimerAndEnds) {
    AutoUpdater& u = Start();
    ASSERT_TRUE(u.RunStartupFlow());
    u.OnRetryTimer();
    EXPECT_EQ(u.FetchFailures(), 2);
    PublishVersion(81, 600);
    u.OnRetryTimer();
    EXPECT_TRUE(u.Ended());
    EXPECT_FALSE(m_timerActive);
    EXPECT_EQ(ProfileInt("UpdateDelay"), 600);
}

TEST_F(AutoUpdaterTest, UnreachableOrBrokenHostCountsAsAFetchFailure) {
    test::ClosingServer closing;
    for (const std::string& host : {closing.Host(), std::string("127.0.0.1:1")}) {
        m_profile.SetString("LastDay", "");
        AutoUpdater& u = Start(host);
        EXPECT_TRUE(u.RunStartupFlow()) << host;
        EXPECT_EQ(u.FetchFailures(), 1);
        EXPECT_EQ(ProfileInt("CurrentVer"), -1);
    }
}

TEST_F(AutoUpdaterTest, WaitingPackageIsInstalledVersionRecordedThenConverterStarted) {
    m_dir.Write("install/autoupcab.tmp", MakePackage("version 82"));
    m_profile.SetInt("IsUpdate", 1);
    m_profile.SetInt("CurrentVer", 82);
    AutoUpdater& u = Start();
    EXPECT_FALSE(u.RunStartupFlow());
    EXPECT_EQ(u.ExitCode(), 0);
    EXPECT_EQ(SinceStart(), (Events{Set("IsUpdate"), Set("Version"), kStart}));
    EXPECT_EQ(m_converterAtStart, "version 82");
    EXPECT_EQ(ProfileInt("Version"), 82);
    EXPECT_EQ(ProfileInt("IsUpdate"), 0);
    EXPECT_FALSE(PackageStored());
}

TEST_F(AutoUpdaterTest, FailedInstallationShowsTheWindowAndStartsNothing) {
    std::string damaged = MakePackage("version 82");
    damaged[12] = static_cast<char>(damaged[12] ^ 0xFF);
    m_dir.Write("install/autoupcab.tmp", damaged);
    m_profile.SetInt("IsUpdate", 1);
    m_profile.SetInt("CurrentVer", 82);
    AutoUpdater& u = Start();
    EXPECT_TRUE(u.RunStartupFlow());
    EXPECT_FALSE(u.Ended());
    EXPECT_EQ(u.LastInstallResult(), InstallResult::BadStream);
    EXPECT_EQ(SinceStart(), Events{Set("IsUpdate")});
    EXPECT_EQ(ProfileInt("IsUpdate"), 0);
    EXPECT_EQ(ProfileInt("Version"), -1);
    EXPECT_TRUE(PackageStored());
    EXPECT_FALSE(m_timerActive);

    // The next start takes the normal path, and the next due check downloads again.
    PublishVersion(82, 86400);
    PublishPackage();
    EXPECT_FALSE(Start().RunStartupFlow());
    EXPECT_EQ(ProfileInt("IsUpdate"), 1);
}

TEST_F(AutoUpdaterTest, DownloadThenInstallAtTheNextStart) {
    PublishVersion(82, 86400);
    PublishPackage();
    EXPECT_FALSE(Start().RunStartupFlow());
    EXPECT_EQ(m_converterAtStart, "version 81");
    m_now += 5;
    EXPECT_FALSE(Start().RunStartupFlow());
    EXPECT_EQ(m_converterAtStart, "version 82");
    EXPECT_EQ(ProfileInt("Version"), 82);
    m_now += 5;
    EXPECT_FALSE(Start().RunStartupFlow());
    EXPECT_EQ(SinceStart(), Events{kStart}); // installed, and not due
    EXPECT_EQ(m_log.Count(kGetPackage), 1u);
}

} // namespace
} // namespace orvex
