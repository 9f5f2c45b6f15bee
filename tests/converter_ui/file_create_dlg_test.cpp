// SPDX-License-Identifier: MIT
// The generation dialog offscreen: its state by server kind, login.cfg, the folder checks and
// their messages, "새폴더", and whole kit and hosted runs on a scratch site.
#include "converter/login_file.h"
#include "converter/scan_table.h"
#include "converter/service_hosts.h"
#include "converter/settings.h"
#include "converter/ui/file_create_dlg.h"
#include "converter/ui/resource_ids.h"
#include "platform/paths.h"

#include "service_double.h"
#include "temp_dir.h"
#include "ui_test_support.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace orvex::ui {
namespace {

using uitest::AnswerMessageBox;
using uitest::FindById;

class FileCreateDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { uitest::EnsureApplication(); }

    FileCreateDlgTest() {
        m_home = m_dir.Path("site");
        m_login = m_dir.Path("login.cfg");
        m_out = m_dir.Path("out");
        // CP949 pages, the encoding a page has unless it declares another.
        ConverterSettings settings;
        settings.m_strHomeDir = m_home;
        for (const char* rel : {"index.html", "sub/a.html"}) {
            const ScanResult r = m_table.LookupOrScanPage(
                m_dir.Write(std::string("site/") + rel, "<html><body><p>kim@ex.com</p></body></html>"), 0);
            for (int32_t i = 0; i < r.count; ++i) {
                ApplyDefaultName(r.first[i], 1, settings);
            }
        }
    }

    std::unique_ptr<CFileCreateDlg> MakeDlg(int32_t kind, int32_t os = kOsLinux) {
        auto dlg = std::make_unique<CFileCreateDlg>(m_home, kind, m_table, os, m_login);
        dlg->m_browseForFolder = [this](QWidget*, const QString& title, const QString& start) {
            m_pickerTitle = title;
            m_pickerStart = start;
            return m_pick;
        };
        dlg->m_openUrl = [this](const QString& url) { m_urls << url; };
        return dlg;
    }

    static QString Result(CFileCreateDlg& dlg) { return FindById<QPlainTextEdit>(&dlg, kIdcResult)->toPlainText(); }
    static void SetOutput(CFileCreateDlg& dlg, const std::string& dir) {
        FindById<QLineEdit>(&dlg, kIdcOutputDir)->setText(QString::fromStdString(dir));
    }

    orvex::test::TempDir m_dir;
    ScanTable m_table;
    std::string m_home;
    std::string m_login;
    std::string m_out;
    QString m_pick;
    QString m_pickerTitle;
    QString m_pickerStart;
    QStringList m_urls;
};

TEST_F(FileCreateDlgTest, InitialisationByKind) {
    struct Case {
        int32_t kind;
        const char* name;
        bool gdEnabled, gdChecked, externalEnabled, externalChecked, memberEnabled;
    };
    const Case cases[] = {
        {kCgiPhp, "PHP", true, true, true, false, false},          {kCgiAsp, "ASP", false, false, true, true, false},
        {kCgiJsp, "JSP", false, false, true, true, false},         {kCgiPerl, "PERL", false, false, true, true, false},
        {kCgiHosted, "V.Morant", false, false, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto dlg = MakeDlg(c.kind);
        EXPECT_EQ(dlg->property(kResourceIdProperty).toInt(), kIddFileCreate);
        EXPECT_EQ(dlg->windowTitle(), QString::fromUtf8("파일생성"));
        EXPECT_EQ(FindById<QLineEdit>(dlg.get(), kIdcCgiName)->text(), QString::fromUtf8(c.name));
        auto* gd = FindById<QRadioButton>(dlg.get(), kIdcImageGd);
        auto* external = FindById<QRadioButton>(dlg.get(), kIdcImageExternal);
        EXPECT_EQ(gd->isEnabled(), c.gdEnabled);
        EXPECT_EQ(gd->isChecked(), c.gdChecked);
        EXPECT_EQ(external->isEnabled(), c.externalEnabled);
        EXPECT_EQ(external->isChecked(), c.externalChecked);
        EXPECT_EQ(FindById<QLineEdit>(dlg.get(), kIdcUserId)->isEnabled(), c.memberEnabled);
        EXPECT_EQ(FindById<QLineEdit>(dlg.get(), kIdcPassword)->isEnabled(), c.memberEnabled);
        EXPECT_EQ(FindById<QCheckBox>(dlg.get(), kIdcSavePassword)->isEnabled(), c.memberEnabled);
        EXPECT_TRUE(FindById<QPushButton>(dlg.get(), kIdcRegister)->isEnabled());
        EXPECT_TRUE(FindById<QPushButton>(dlg.get(), kIdcCleanServer)->isEnabled());
        EXPECT_TRUE(Result(*dlg).startsWith(QString::fromUtf8("생성되는 위치는 원본과는 다른\n위치의")));
        EXPECT_EQ(dlg->m_strResult.count(QLatin1String("\r\n")), 4);
    }
}

TEST_F(FileCreateDlgTest, SavedPasswordAndFolderAreReadBackIntoTheDialog) {
    LoginRecord r;
    r.m_bSavePassword = 1;
    r.m_strUserId = "member";
    r.m_strPassword = "\xBA\xF1\xB9\xD0secret"; // CP949 "비밀" and more
    r.m_strOutputDir = m_out;
    ASSERT_TRUE(SaveLoginFile(r, m_login));
    auto dlg = MakeDlg(kCgiHosted);
    EXPECT_TRUE(FindById<QCheckBox>(dlg.get(), kIdcSavePassword)->isChecked());
    EXPECT_EQ(FindById<QLineEdit>(dlg.get(), kIdcUserId)->text(), QLatin1String("member"));
    EXPECT_EQ(FindById<QLineEdit>(dlg.get(), kIdcPassword)->text(), QString::fromUtf8("비밀secret"));
    EXPECT_EQ(FindById<QLineEdit>(dlg.get(), kIdcOutputDir)->text().toStdString(), m_out);
}

TEST_F(FileCreateDlgTest, NewFolderCreatesEveryLevelAndAddsOneLineEachTime) {
    auto dlg = MakeDlg(kCgiPhp);
    const std::string deep = JoinPath(JoinPath(m_out, "b"), "c");
    SetOutput(*dlg, deep);
    QTest::mouseClick(FindById<QPushButton>(dlg.get(), kIdcNewFolder), Qt::LeftButton);
    EXPECT_TRUE(std::filesystem::is_directory(deep));
    const QString line = QString::fromStdString(deep) + QString::fromUtf8(" 폴더 생성......완료");
    EXPECT_TRUE(Result(*dlg).endsWith(line + QLatin1Char('\n')));
    dlg->OnNewFolder(); // everything exists now: the line all the same
    EXPECT_EQ(Result(*dlg).count(line), 2);
}

TEST_F(FileCreateDlgTest, BrowseKeepsTheFolderWhenThePickerIsCancelled) {
    auto dlg = MakeDlg(kCgiPhp);
    SetOutput(*dlg, m_out);
    m_pick.clear();
    dlg->OnBrowse();
    EXPECT_EQ(m_pickerTitle, QString::fromUtf8("디렉토리를 선택하십시오"));
    EXPECT_EQ(m_pickerStart.toStdString(), m_out);
    EXPECT_EQ(dlg->m_strOutputDir.toStdString(), m_out);
    m_pick = QString::fromStdString(m_dir.Path("elsewhere"));
    dlg->OnBrowse();
    EXPECT_EQ(FindById<QLineEdit>(dlg.get(), kIdcOutputDir)->text(), m_pick);
}

TEST_F(FileCreateDlgTest, AFileInsteadOfAFolderIsRefusedAndLoginCfgIsUntouched) {
    const std::string before = "\x01\x00\x00\x00"; // a file that ends early
    m_dir.Write("login.cfg", before);
    auto dlg = MakeDlg(kCgiPhp);
    SetOutput(*dlg, m_dir.Write("a-file", "x"));
    QString text;
    AnswerMessageBox(QMessageBox::Ok, &text);
    dlg->OnGenerate();
    EXPECT_EQ(text, QString::fromUtf8("파일이 아닌 디렉토리를 선택하셔야합니다."));
    EXPECT_EQ(m_dir.Read("login.cfg"), before);
}

TEST_F(FileCreateDlgTest, TheHomeDirectoryIsRefusedAsOutputFolder) {
    auto dlg = MakeDlg(kCgiPhp);
    SetOutput(*dlg, m_home + kPathSep);
    QString text;
    AnswerMessageBox(QMessageBox::Ok, &text);
    dlg->OnGenerate();
    EXPECT_EQ(text, QString::fromUtf8("원본이 있는 홈디렉토리가 아닌 다른 디렉토리를 선택하셔야합니다."));
    EXPECT_FALSE(std::filesystem::exists(m_login));
    EXPECT_FALSE(std::filesystem::exists(JoinPath(m_home, "VelmorantEMailData.php")));
}

TEST_F(FileCreateDlgTest, AMissingFolderIsCreatedOnlyOnYes) {
    auto dlg = MakeDlg(kCgiPhp);
    const std::string deep = JoinPath(m_out, "new");
    SetOutput(*dlg, deep);
    QString text;
    AnswerMessageBox(QMessageBox::No, &text);
    dlg->OnGenerate();
    EXPECT_EQ(text, QString::fromUtf8("디렉토리가 존재하지 않습니다. 새로생성하시겠습니까?"));
    EXPECT_FALSE(std::filesystem::exists(m_out));
    EXPECT_FALSE(std::filesystem::exists(m_login));

    uitest::MessageBoxAnswers answers;
    dlg->OnGenerate();
    EXPECT_TRUE(std::filesystem::is_directory(deep));
    LoginRecord saved;
    ASSERT_TRUE(LoadLoginFile(saved, m_login));
    EXPECT_EQ(saved.m_strOutputDir, deep);
    EXPECT_TRUE(std::filesystem::exists(JoinPath(deep, "index.html")));
}

TEST_F(FileCreateDlgTest, KitGenerationWritesTheSiteAndItsLogIntoTheResultsBox) {
    std::filesystem::create_directories(m_out);
    auto dlg = MakeDlg(kCgiPhp);
    SetOutput(*dlg, m_out);
    dlg->show();
    uitest::MessageBoxAnswers answers;
    QTest::mouseClick(FindById<QPushButton>(dlg.get(), kIdcGenerate), Qt::LeftButton);
    const QString log = Result(*dlg);
    EXPECT_TRUE(log.contains(QString::fromUtf8("성공"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QString::fromUtf8("파일 생성이 완료됐습니다."))) << log.toStdString();
    EXPECT_FALSE(log.contains(QString::fromUtf8("생성되는 위치는"))); // the run replaced the notice
    EXPECT_TRUE(std::filesystem::exists(JoinPath(m_out, "index.html")));
    EXPECT_TRUE(std::filesystem::exists(JoinPath(JoinPath(m_out, "sub"), "a.html")));
    const std::string page = m_dir.Read("out/index.html");
    EXPECT_EQ(page.find("kim@ex.com"), std::string::npos);
    LoginRecord saved;
    ASSERT_TRUE(LoadLoginFile(saved, m_login));
    EXPECT_EQ(saved.m_strOutputDir, m_out);
    dlg->hide();
}

TEST_F(FileCreateDlgTest, TheLogListsWhatTheRunLeftAndTheBoxScrubsComments) {
    std::filesystem::create_directories(m_out);
    const ScanResult r = m_table.LookupOrScanPage(
        m_dir.Write("site/c.html", "<!DOCTYPE html><!-- by lee@ex.com --><p>lee@ex.com</p>"), 1);
    ASSERT_EQ(r.count, 1);
    SetEntryName(r.first[0], "L");
    auto dlg = MakeDlg(kCgiPhp);
    SetOutput(*dlg, m_out);
    auto* scrub = dlg->findChild<QCheckBox*>(QStringLiteral("m_checkScrubComments"));
    ASSERT_NE(scrub, nullptr);
    EXPECT_FALSE(scrub->isChecked()) << "off by default";
    uitest::MessageBoxAnswers answers;
    dlg->OnGenerate();
    // Line 9 of the page written: the head follows the doctype on line 1.
    EXPECT_TRUE(Result(*dlg).contains(QString::fromUtf8("c.html 9번째 줄 주석 안: lee@ex.com (보호하기로 한 주소)")))
        << Result(*dlg).toStdString();
    scrub->setChecked(true);
    dlg->OnGenerate();
    EXPECT_TRUE(Result(*dlg).contains(QString::fromUtf8("변환된 페이지에 남은 전자메일 주소가 없습니다.")))
        << Result(*dlg).toStdString();
    const std::string page = m_dir.Read("out/c.html");
    EXPECT_NE(page.find("<!-- by (e-mail) -->"), std::string::npos) << page;
    EXPECT_EQ(page.find("lee@ex.com"), std::string::npos);
}

class HostedDlgTest : public FileCreateDlgTest {
protected:
    HostedDlgTest() {
        m_service.AddMember("member", "pw", 3);
        setenv(kServiceHostVariable, m_service.Host().c_str(), 1);
    }
    ~HostedDlgTest() override { unsetenv(kServiceHostVariable); }

    orvex::test::ServiceDouble m_service;
};

TEST_F(HostedDlgTest, HostedGenerationUploadsEveryPageAndShowsTheLog) {
    std::filesystem::create_directories(m_out);
    auto dlg = MakeDlg(kCgiHosted);
    SetOutput(*dlg, m_out);
    FindById<QLineEdit>(dlg.get(), kIdcUserId)->setText(QStringLiteral("member"));
    FindById<QLineEdit>(dlg.get(), kIdcPassword)->setText(QStringLiteral("pw"));
    uitest::MessageBoxAnswers answers;
    dlg->OnGenerate();
    const QString log = Result(*dlg);
    EXPECT_TRUE(log.contains(QString::fromUtf8("파일 생성을 완료했습니다."))) << log.toStdString();
    EXPECT_EQ(m_service.Stored("member").size(), 5u);
    EXPECT_TRUE(std::filesystem::exists(JoinPath(m_out, "index.html")));
    LoginRecord saved;
    ASSERT_TRUE(LoadLoginFile(saved, m_login));
    EXPECT_EQ(saved.m_strUserId, "member");
    EXPECT_EQ(saved.m_bSavePassword, 0);
    EXPECT_TRUE(saved.m_strPassword.empty());
}

TEST_F(HostedDlgTest, CleanServerUsesTheLoadedLoginAlthoughTheFieldsAreDisabled) {
    LoginRecord r;
    r.m_bSavePassword = 1;
    r.m_strUserId = "member";
    r.m_strPassword = "pw";
    ASSERT_TRUE(SaveLoginFile(r, m_login));
    auto dlg = MakeDlg(kCgiAsp);
    ASSERT_FALSE(FindById<QLineEdit>(dlg.get(), kIdcUserId)->isEnabled());
    QString question;
    AnswerMessageBox(QMessageBox::Yes, &question);
    QTest::mouseClick(FindById<QPushButton>(dlg.get(), kIdcCleanServer), Qt::LeftButton);
    EXPECT_FALSE(question.isEmpty());
    EXPECT_TRUE(m_service.Stored("member").empty());
    EXPECT_EQ(Result(*dlg), QString::fromUtf8("서버를 비웠습니다"));
}

// No service is started: a double stopped before its loop runs would never stop.
TEST_F(FileCreateDlgTest, RegisterOpensTheServicesRegistrationPage) {
    setenv(kServiceHostVariable, "127.0.0.1:8123", 1);
    auto dlg = MakeDlg(kCgiPhp);
    QTest::mouseClick(FindById<QPushButton>(dlg.get(), kIdcRegister), Qt::LeftButton);
    unsetenv(kServiceHostVariable);
    ASSERT_EQ(m_urls.size(), 1);
    EXPECT_EQ(m_urls[0], QLatin1String("http://127.0.0.1:8123/member_regist.html"));
}

} // namespace
} // namespace orvex::ui
