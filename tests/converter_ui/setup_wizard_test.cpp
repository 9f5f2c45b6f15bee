// SPDX-License-Identifier: MIT
// The setup sheet offscreen, as the first-run wizard and as the sheet of the menu: the wizard
// buttons, the ASP rule, the home-directory checks, the factory image buttons, and what reaches
// the main window's settings.
#include "converter/service_hosts.h"
#include "converter/settings.h"
#include "converter/ui/list_email_view.h"
#include "converter/ui/main_frame.h"
#include "converter/ui/resource_ids.h"
#include "converter/ui/setup_default_page.h"
#include "converter/ui/setup_step_cgi_page.h"
#include "converter/ui/setup_wizard_sheet.h"
#include "converter/ui/tree_sub_dir_view.h"

#include "temp_dir.h"
#include "ui_test_support.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace orvex::ui {
namespace {

using uitest::AnswerMessageBox;
using uitest::FindById;
using uitest::OnNextModal;

const char* const kFactory2 = "<img src='VelmorantDefaultImg2.gif' border=0>";

class SetupWizardTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { uitest::EnsureApplication(); }

    SetupWizardTest() {
        m_dir.Write("site/index.html", "<p>boss@a.kr</p>");
        m_home = m_dir.Path("site");
    }

    static void Click(QWidget* root, int id) { QTest::mouseClick(FindById<QAbstractButton>(root, id), Qt::LeftButton); }
    static bool Shown(QWidget* root, int id) { return !FindById<QWidget>(root, id)->isHidden(); }
    static bool Enabled(QWidget* root, int id) { return FindById<QWidget>(root, id)->isEnabled(); }
    static void Type(QWidget* root, int id, const std::string& text) {
        auto* edit = FindById<QLineEdit>(root, id);
        edit->clear();
        QTest::keyClicks(edit, QString::fromStdString(text));
    }

    // Runs the sheet in mode, with act driving it once it is open.
    int Run(ConverterSettings& settings, int mode, int page, std::function<void(CSetupWizardSheet*)> act) {
        CSetupWizardSheet sheet;
        sheet.SetHostsPath(m_dir.Path("hosts.cfg"));
        sheet.m_pageDefault->m_browseForFolder = [this](QWidget*, const QString&, const QString&) { return m_pick; };
        sheet.SetActivePage(page);
        OnNextModal([act](QWidget* w) {
            auto* s = qobject_cast<CSetupWizardSheet*>(w);
            ASSERT_NE(s, nullptr);
            act(s);
            if (s->isVisible()) {
                s->reject(); // whatever the checks left open
            }
        });
        return sheet.RunSetup(settings, mode);
    }

    orvex::test::TempDir m_dir;
    std::string m_home;
    QString m_pick;
};

TEST_F(SetupWizardTest, TrimHomeDirDropsADriveRootsSeparatorAndTrailingSlashes) {
    const struct {
        const char* dir;
        char sep;
        const char* trimmed;
    } cases[] = {
        {"c:\\", '\\', "c:"},
        {"c:\\home", '\\', "c:\\home"},
        {"/", '/', "/"},
        {"/srv/site/", '/', "/srv/site"},
        {"/srv/site", '/', "/srv/site"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrimHomeDir(c.dir, c.sep), c.trimmed) << c.dir;
    }
}

TEST_F(SetupWizardTest, WizardNextBackFinishAndTheFinishRule) {
    ConverterSettings settings;
    settings.m_strHomeDir = "/nowhere"; // the wizard starts from the factory values, not these
    const int result = Run(settings, kSetupWizardMode, 0, [this, &settings](CSetupWizardSheet* s) {
        EXPECT_EQ(s->windowTitle(), QString::fromUtf8("초기값입력"));
        EXPECT_EQ(s->ActivePage(), 0);
        EXPECT_TRUE(FindById<QRadioButton>(s, kIdcCgiHosted)->isChecked());
        EXPECT_TRUE(Shown(s, kIdWizNext) && Enabled(s, kIdWizNext));
        EXPECT_FALSE(Enabled(s, kIdWizBack));
        EXPECT_FALSE(Shown(s, kIdWizFinish));
        Click(s, kIdcCgiPhp);
        Click(s, kIdcOsLinux);
        Click(s, kIdWizNext);
        EXPECT_EQ(settings.m_nCgiKind, kCgiPhp); // stored on Next
        EXPECT_EQ(settings.m_nServerOs, kOsLinux);
        EXPECT_EQ(s->ActivePage(), 1);
        EXPECT_EQ(FindById<QLineEdit>(s, kIdcHomeDir)->text(), QLatin1String("c:\\home"));
        EXPECT_TRUE(Shown(s, kIdWizFinish));
        EXPECT_FALSE(Enabled(s, kIdWizFinish));
        EXPECT_FALSE(Shown(s, kIdWizNext));
        EXPECT_TRUE(Enabled(s, kIdWizBack));
        Type(s, kIdcHomeDir, m_home);
        EXPECT_TRUE(Enabled(s, kIdWizFinish));
        // Back and Next: Finish is disabled again though the field names an existing folder.
        Click(s, kIdWizBack);
        EXPECT_EQ(s->ActivePage(), 0);
        Click(s, kIdWizNext);
        EXPECT_FALSE(Enabled(s, kIdWizFinish));
        EXPECT_EQ(FindById<QLineEdit>(s, kIdcHomeDir)->text().toStdString(), m_home);
        m_pick.clear(); // a cancelled picker changes nothing
        Click(s, kIdcBrowseHomeDir);
        EXPECT_FALSE(Enabled(s, kIdWizFinish));
        m_pick = QString::fromStdString(m_home);
        Click(s, kIdcBrowseHomeDir);
        EXPECT_TRUE(Enabled(s, kIdWizFinish));
        Click(s, kIdWizFinish);
    });
    EXPECT_EQ(result, kSetupFinish);
    EXPECT_EQ(settings.m_strHomeDir, m_home);
    EXPECT_EQ(settings.m_strDefaultName1, ConverterSettings{}.m_strDefaultName1);
    EXPECT_EQ(settings.m_bSearchWholeDir, 1);
}

TEST_F(SetupWizardTest, FinishChecksThatTheHomeDirectoryExistsAndIsAFolder) {
    ConverterSettings settings;
    const std::string file = m_dir.Write("a-file", "x");
    const int result = Run(settings, kSetupWizardMode, 0, [&](CSetupWizardSheet* s) {
        Click(s, kIdWizNext);
        QString text;
        Type(s, kIdcHomeDir, m_dir.Path("missing"));
        AnswerMessageBox(QMessageBox::Ok, &text);
        Click(s, kIdWizFinish);
        EXPECT_EQ(text, QString::fromUtf8("디렉토리 이름이 잘못됐습니다"));
        EXPECT_TRUE(s->isVisible());
        Type(s, kIdcHomeDir, file);
        AnswerMessageBox(QMessageBox::Ok, &text);
        Click(s, kIdWizFinish);
        EXPECT_EQ(text, QString::fromUtf8("파일이 아닌 디렉토리명을 적으셔야합니다"));
        EXPECT_EQ(settings.m_strHomeDir, ConverterSettings{}.m_strHomeDir); // nothing stored
        Type(s, kIdcHomeDir, m_home + "/");
        Click(s, kIdWizFinish);
    });
    EXPECT_EQ(result, kSetupFinish);
    EXPECT_EQ(settings.m_strHomeDir, m_home); // the trailing separator dropped
}

TEST_F(SetupWizardTest, AspSelectsWindowsAndGreysTheOtherSystems) {
    ConverterSettings settings;
    Run(settings, kSetupWizardMode, 0, [](CSetupWizardSheet* s) {
        EXPECT_FALSE(Enabled(s, kIdcOsWindows)); // the hosted service needs no system
        EXPECT_FALSE(Enabled(s, kIdcOsLinux));
        Click(s, kIdcCgiPerl);
        Click(s, kIdcOsLinux);
        Click(s, kIdcCgiAsp);
        EXPECT_TRUE(FindById<QRadioButton>(s, kIdcOsWindows)->isChecked());
        EXPECT_TRUE(Enabled(s, kIdcOsWindows));
        EXPECT_FALSE(Enabled(s, kIdcOsLinux));
        EXPECT_FALSE(Enabled(s, kIdcOsSolaris));
        Click(s, kIdcCgiPhp);
        EXPECT_TRUE(Enabled(s, kIdcOsLinux));
        EXPECT_TRUE(FindById<QRadioButton>(s, kIdcOsWindows)->isChecked());
        EXPECT_TRUE(FindById<QRadioButton>(s, kIdcOsSolaris)->isHidden());
    });
    settings.m_nCgiKind = kCgiAsp;
    const int result = Run(settings, kSetupSheetMode, 0, [](CSetupWizardSheet* s) {
        EXPECT_TRUE(FindById<QRadioButton>(s, kIdcCgiAsp)->isChecked());
        EXPECT_FALSE(Enabled(s, kIdcOsLinux));
        Click(s, kIdCancel);
    });
    EXPECT_EQ(result, kSetupCancel);
}

TEST_F(SetupWizardTest, FactoryImageButtonPutsTheTagBackAndTypingMakesANameText) {
    ConverterSettings settings;
    settings.m_strHomeDir = m_home;
    settings.m_strDefaultName2 = "mine";
    settings.m_bDefaultIsText2 = 1;
    const int result = Run(settings, kSetupSheetMode, 1, [](CSetupWizardSheet* s) {
        EXPECT_EQ(s->findChild<QTabWidget*>()->currentIndex(), 1);
        EXPECT_EQ(FindById<QLineEdit>(s, kIdcDefaultName2)->text(), QLatin1String("mine"));
        Click(s, kIdcFactoryImage2);
        EXPECT_EQ(FindById<QLineEdit>(s, kIdcDefaultName2)->text(), QLatin1String(kFactory2));
        Type(s, kIdcDefaultName1, "Kim"); // keyClicks knows ASCII keys only
        Click(s, kIdOk);
    });
    EXPECT_EQ(result, kSetupOk);
    EXPECT_EQ(settings.m_strDefaultName2, kFactory2);
    EXPECT_EQ(settings.m_bDefaultIsText2, 0);
    EXPECT_EQ(settings.m_strDefaultName1, "Kim");
    EXPECT_EQ(settings.m_bDefaultIsText1, 1);
    EXPECT_EQ(settings.m_bDefaultIsText3, 0);
}

TEST_F(SetupWizardTest, SheetOkRefusesABadHomeDirectoryAndCancelChangesNothing) {
    ConverterSettings settings;
    settings.m_strHomeDir = m_home;
    const ConverterSettings before = settings;
    const int result = Run(settings, kSetupSheetMode, 0, [this](CSetupWizardSheet* s) {
        Click(s, kIdcCgiJsp);
        s->findChild<QTabWidget*>()->setCurrentIndex(1);
        Type(s, kIdcHomeDir, m_dir.Path("missing"));
        QString text;
        AnswerMessageBox(QMessageBox::Ok, &text);
        Click(s, kIdOk);
        EXPECT_EQ(text, QString::fromUtf8("디렉토리이름이 잘못됐습니다"));
        EXPECT_TRUE(s->isVisible());
        Click(s, kIdCancel);
    });
    EXPECT_EQ(result, kSetupCancel);
    EXPECT_EQ(settings, before);
}

TEST_F(SetupWizardTest, HostFieldsAreCheckedAndKeptInTheirOwnFileOnOkOnly) {
    ConverterSettings settings;
    settings.m_strHomeDir = m_home;
    const auto edit = [](CSetupWizardSheet* s, const char* name) { return s->findChild<QLineEdit*>(name); };
    int result = Run(settings, kSetupSheetMode, 0, [&](CSetupWizardSheet* s) {
        EXPECT_EQ(edit(s, "m_editServiceHost")->text().toStdString(), kDefaultServiceHost);
        edit(s, "m_editServiceHost")->setText("service.test:8080");
        edit(s, "m_editPopupHost")->setText("bad host");
        QString text;
        AnswerMessageBox(QMessageBox::Ok, &text);
        Click(s, kIdOk);
        EXPECT_TRUE(text.contains("bad host")) << text.toStdString();
        EXPECT_TRUE(s->isVisible());
        Click(s, kIdCancel);
    });
    EXPECT_EQ(result, kSetupCancel);
    EXPECT_FALSE(std::filesystem::exists(m_dir.Path("hosts.cfg")));
    result = Run(settings, kSetupSheetMode, 0, [&](CSetupWizardSheet* s) {
        edit(s, "m_editServiceHost")->setText("service.test:8080");
        edit(s, "m_editPopupHost")->setText("popup.test");
        Click(s, kIdOk);
    });
    EXPECT_EQ(result, kSetupOk);
    const ServiceHosts kept = ReadHostsFile(m_dir.Path("hosts.cfg"));
    EXPECT_EQ(kept.serviceHost, "service.test:8080");
    EXPECT_EQ(kept.popupHost, "popup.test");
    Run(settings, kSetupSheetMode, 0, [&](CSetupWizardSheet* s) {
        EXPECT_EQ(edit(s, "m_editPopupHost")->text().toStdString(), "popup.test");
        Click(s, kIdCancel);
    });
}

TEST_F(SetupWizardTest, SheetFromTheMenuChangesTheSettingsTheMainWindowUses) {
    ConverterSettings s;
    s.m_strHomeDir = m_dir.Path("old");
    std::filesystem::create_directories(s.m_strHomeDir);
    ASSERT_TRUE(WriteSettingsFile(s, m_dir.Path("default.cfg")));
    CMainFrame frame(m_dir.Path("default.cfg"));
    OnNextModal([this](QWidget* w) {
        EXPECT_EQ(w->findChild<QTabWidget*>()->currentIndex(), 1); // 32804 opens the second page
        Type(w, kIdcHomeDir, m_home);
        FindById<QCheckBox>(w, kIdcCheckAll)->setChecked(true);
        Click(w, kIdOk);
    });
    frame.OnCommand(kIdDefaultValues);
    EXPECT_EQ(frame.Settings().m_strHomeDir, m_home);
    EXPECT_EQ(frame.Settings().m_bCheckAll, 1);
    EXPECT_EQ(frame.Tree()->topLevelItem(0)->text(0).toStdString(), m_home); // the tree rebuilt

    OnNextModal([](QWidget* w) {
        EXPECT_EQ(w->findChild<QTabWidget*>()->currentIndex(), 0); // 32784 opens the first
        Click(w, kIdcCgiPerl);
        Click(w, kIdOk);
    });
    frame.OnCommand(kIdSetupSheet);
    EXPECT_EQ(frame.Settings().m_nCgiKind, kCgiPerl);
    EXPECT_EQ(frame.Settings().m_strHomeDir, m_home); // the page never opened stored nothing
}

TEST_F(SetupWizardTest, FirstRunWizardWritesTheSettingsFileOrEndsOnCancel) {
    const std::string cfg = m_dir.Path("default.cfg");
    {
        CMainFrame frame(cfg);
        ASSERT_TRUE(frame.SettingsMissing());
        OnNextModal([](QWidget* w) { Click(w, kIdCancel); });
        EXPECT_FALSE(frame.RunFirstSetup());
        EXPECT_FALSE(std::filesystem::exists(cfg));
    }
    m_dir.Write("default.cfg", "broken"); // unreadable counts as missing
    CMainFrame frame(cfg);
    ASSERT_TRUE(frame.SettingsMissing());
    OnNextModal([this](QWidget* w) {
        Click(w, kIdcCgiPhp);
        Click(w, kIdWizNext);
        Type(w, kIdcHomeDir, m_home);
        Click(w, kIdWizFinish);
    });
    EXPECT_TRUE(frame.RunFirstSetup());
    ConverterSettings read;
    ASSERT_EQ(ReadSettingsFile(read, cfg), SettingsFileStatus::Found);
    EXPECT_EQ(read.m_strHomeDir, m_home);
    EXPECT_EQ(read.m_nCgiKind, kCgiPhp);
    EXPECT_EQ(frame.Tree()->topLevelItem(0)->text(0).toStdString(), m_home);
}

} // namespace
} // namespace orvex::ui
