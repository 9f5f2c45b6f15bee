// SPDX-License-Identifier: MIT
// kdvupdate's window, offscreen and in this process: when it is shown, what it shows, the
// retry timer driving the check, "종료", and the QSettings profile.
#include "updater/ui/auto_update_dlg.h"
#include "updater/ui/qsettings_profile_store.h"
#include "updater/ui/resource_ids.h"

#include "memory_profile_store.h"
#include "package_helpers.h"
#include "temp_dir.h"
#include "update_host_double.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

// fontconfig keeps its configuration until the process ends, which LeakSanitizer reports when
// the offscreen window first lays out text; nothing of ours is behind it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace orvex::ui {
namespace {

using test::UpdateHostDouble;

class KdvupdateUiTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            static int argc = 1;
            static char name[] = "kdvupdate_tests";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv); // lives for the whole test program
        }
    }

    KdvupdateUiTest() : m_host(m_log) { m_host.Set(UpdateHostDouble::kVersionPath, 404, ""); }

    std::unique_ptr<CAutoUpdateDlg> MakeDialog(int retryMs = kRetryIntervalMs, const std::string& host = "") {
        UpdaterSettings settings;
        settings.host = host.empty() ? m_host.Host() : host;
        settings.locations = {m_dir.Path(), m_dir.Path("idn")};
        settings.retryIntervalMs = retryMs;
        return std::make_unique<CAutoUpdateDlg>(
            m_profile, settings, [] { return int64_t{1700000000}; }, [this] { ++m_converterStarts; });
    }

    test::EventLog m_log;
    UpdateHostDouble m_host;
    test::TempDir m_dir;
    test::MemoryProfileStore m_profile;
    int m_converterStarts = 0;
};

TEST_F(KdvupdateUiTest, FailedInstallationShowsTheWaitingWindowUntilEndIsPressed) {
    m_dir.Write("autoupcab.tmp", "not a package");
    m_profile.SetInt("IsUpdate", 1);
    auto dlg = MakeDialog();
    ASSERT_TRUE(dlg->OnInitDialog());
    EXPECT_EQ(m_converterStarts, 0);
    dlg->open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    EXPECT_EQ(dlg->windowTitle(), "VelmorantAutoUpgrade");
    EXPECT_EQ(dlg->property(kResourceIdProperty).toInt(), kIddAutoUpdateDialog);
    EXPECT_FALSE(dlg->windowIcon().isNull());
    auto* text = dlg->findChild<QLabel*>("m_staticWaiting");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), QString::fromUtf8("서버에서 파일받기를 기다리는 중입니다."));
    auto* end = dlg->findChild<QPushButton*>("m_btnEnd");
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end->text(), QString::fromUtf8("종료"));
    EXPECT_EQ(end->property(kResourceIdProperty).toInt(), kIdOk);
    EXPECT_TRUE(end->isDefault());
    QTest::mouseClick(end, Qt::LeftButton);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), kIdOk);
    EXPECT_EQ(m_converterStarts, 0);
    EXPECT_EQ(m_log.Events().size(), 0u);
}

TEST_F(KdvupdateUiTest, NothingToDoNeverShowsTheWindow) {
    m_host.SetVersionLine("81 86400 " + m_host.PackageUrl());
    auto dlg = MakeDialog();
    EXPECT_FALSE(dlg->OnInitDialog());
    EXPECT_EQ(dlg->ExitCode(), 0);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(m_converterStarts, 1);
}

TEST_F(KdvupdateUiTest, RetryTimerChecksAgainAndEndsAfterTheFifthRetry) {
    auto dlg = MakeDialog(1);
    ASSERT_TRUE(dlg->OnInitDialog());
    EXPECT_TRUE(dlg->RetryTimerActive());
    dlg->open();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->isVisible(); }, 20000));
    EXPECT_EQ(m_log.Count(UpdateHostDouble::Fetched(UpdateHostDouble::kVersionPath)), 6u);
    EXPECT_FALSE(dlg->RetryTimerActive());
    EXPECT_EQ(m_converterStarts, 1);
}

TEST_F(KdvupdateUiTest, EndStopsAPendingRetry) {
    auto dlg = MakeDialog();
    ASSERT_TRUE(dlg->OnInitDialog());
    dlg->open();
    QTest::mouseClick(dlg->findChild<QPushButton*>("m_btnEnd"), Qt::LeftButton);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_FALSE(dlg->RetryTimerActive());
}

TEST_F(KdvupdateUiTest, QSettingsProfileKeepsTheFiveValuesInItsSection) {
    const QString ini = QString::fromStdString(m_dir.Path("kdvupdate.conf"));
    {
        QSettingsProfileStore store(ini);
        EXPECT_EQ(store.GetInt("Version", 81), 81);
        EXPECT_EQ(store.GetString("LastDay", ""), "");
        EXPECT_TRUE(store.SetInt("Version", 82));
        EXPECT_TRUE(store.SetInt("IsUpdate", 0));
        EXPECT_TRUE(store.SetString("LastDay", "1700000000"));
    }
    const std::string text = m_dir.Read("kdvupdate.conf");
    EXPECT_NE(text.find("[AutoUpdateInfo]"), std::string::npos) << text;
    EXPECT_NE(text.find("Version=82"), std::string::npos) << text;
    QSettingsProfileStore again(ini);
    EXPECT_EQ(again.GetInt("Version", 81), 82);
    EXPECT_EQ(again.GetInt("IsUpdate", 1), 0);
    EXPECT_EQ(again.GetString("LastDay", ""), "1700000000");
    EXPECT_EQ(again.GetInt("LastDay", 5), 1700000000);
    m_dir.Write("kdvupdate.conf", "[AutoUpdateInfo]\nVersion=abc\n");
    QSettingsProfileStore damaged(ini);
    EXPECT_EQ(damaged.GetInt("Version", 81), 81); // not a number: the default
}

} // namespace
} // namespace orvex::ui
