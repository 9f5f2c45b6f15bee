// SPDX-License-Identifier: MIT
// What the converter's windows promise a user, one case each, driven through the widgets as a
// user drives them (clicks and keys), offscreen, on scratch sites: safe defaults, Korean
// everywhere, a window that stays alive during long work, whole-site generation, safe re-runs.
#include "converter/login_file.h"
#include "converter/scan_table.h"
#include "converter/service_hosts.h"
#include "converter/settings.h"
#include "converter/ui/file_create_dlg.h"
#include "converter/ui/list_email_view.h"
#include "converter/ui/list_html_file_view.h"
#include "converter/ui/mail_mask_app.h"
#include "converter/ui/main_frame.h"
#include "converter/ui/progress_dlg.h"
#include "converter/ui/resource_ids.h"
#include "converter/ui/tree_sub_dir_view.h"
#include "platform/paths.h"
#include "updater/ui/auto_update_dlg.h"

#include "memory_profile_store.h"
#include "run_process.h"
#include "service_double.h"
#include "temp_dir.h"
#include "ui_test_support.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace orvex::ui {
namespace {

namespace fs = std::filesystem;
using uitest::FindById;
using uitest::MessageBoxAnswers;

class UserPromises : public ::testing::Test {
protected:
    // The application object of orvex itself, so that what it sets up at start is what is tested.
    static void SetUpTestSuite() { uitest::EnsureApplication<CMailMaskApp>(); }

    UserPromises() {
        m_home = m_dir.Path("site");
        m_out = m_dir.Path("out");
        m_login = m_dir.Path("login.cfg");
        m_settings.m_strHomeDir = m_home;
        m_settings.m_nCgiKind = kCgiPhp;
        m_settings.m_nServerOs = kOsLinux;
    }
    ~UserPromises() override { unsetenv(kServiceHostVariable); }

    std::string Page(const char* rel, const std::string& body) {
        return m_dir.Write(std::string("site/") + rel, "<html><body>" + body + "</body></html>");
    }
    // n pages of one address each, numbered from 0, three to a folder level.
    void ManyPages(int n) {
        for (int i = 0; i < n; ++i) {
            const std::string folder = "d" + std::to_string(i % 30) + "/";
            Page((folder + "p" + std::to_string(i) + ".html").c_str(),
                 "<a href=\"mailto:m" + std::to_string(i) + "@ex.com\">M</a>");
        }
    }
    // Scans a page as opening it in the page list does, and names its addresses with default name 1.
    void OpenAndName(const std::string& path) {
        const ScanResult r = m_table.LookupOrScanPage(path, m_settings.m_bCheckAll);
        ASSERT_EQ(r.status, ScanStatus::Ok);
        for (int32_t i = 0; i < r.count; ++i) {
            ApplyDefaultName(r.first[i], 1, m_settings);
        }
    }
    std::unique_ptr<CFileCreateDlg> MakeDlg(int32_t kind) {
        auto dlg = std::make_unique<CFileCreateDlg>(m_home, kind, m_table, kOsLinux, m_login);
        dlg->SetSettings(m_settings);
        dlg->m_openUrl = [this](const QString& url) { m_urls << url; };
        FindById<QLineEdit>(dlg.get(), kIdcOutputDir)->setText(QString::fromStdString(m_out));
        dlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get())); // clicks land where they are aimed
        return dlg;
    }
    static void Type(CFileCreateDlg& dlg, int id, const char* text) {
        auto* edit = FindById<QLineEdit>(&dlg, id);
        edit->clear();
        QTest::keyClicks(edit, QString::fromUtf8(text));
    }
    static void OnlyOpenedPages(CFileCreateDlg& dlg) {
        auto* radio = dlg.findChild<QRadioButton*>("m_radioOpenedPages");
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2)); // on its circle
        EXPECT_TRUE(radio->isChecked());
    }
    // The main window on the scratch site, as a start of orvex finds it, with the home folder
    // chosen in the tree: every page is listed and scanned.
    std::unique_ptr<CMainFrame> StartFrame() {
        const std::string cfg = m_dir.Path("default.cfg");
        if (!fs::exists(cfg)) {
            EXPECT_TRUE(WriteSettingsFile(m_settings, cfg));
        }
        auto frame = std::make_unique<CMainFrame>(cfg);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        QTreeWidget* tree = frame->Tree();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(tree->topLevelItem(0)).center());
        return frame;
    }
    // Types a name into the e-mail list's row in place, F2 and Enter.
    static void TypeName(CListEMailView* list, int row, const QString& name) {
        list->setFocus();
        list->setCurrentIndex(uitest::Cell(list, row));
        QTest::keyClick(list, Qt::Key_F2);
        // The view deletes its editor once the edit is committed.
        QPointer<QLineEdit> editor = list->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        editor->insert(name); // what an input method commits; keyClicks takes Latin-1 only
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_TRUE(QTest::qWaitFor([&] { return editor.isNull() || !editor->isVisible(); }, 2000)); // the next turn
    }
    // Each row as "address name [v]" ("[ ]" unchecked).
    static QStringList Rows(CListEMailView* list) {
        QStringList rows;
        for (int i = 0; i < uitest::RowCount(list); ++i) {
            rows << uitest::CellText(list, i, 1) + " " + uitest::CellText(list, i, 0) +
                        (uitest::RowCheck(list, i) == Qt::Checked ? " [v]" : " [ ]");
        }
        return rows;
    }
    static void Click(QWidget* root, int id) { QTest::mouseClick(FindById<QPushButton>(root, id), Qt::LeftButton); }
    static QString Log(CFileCreateDlg& dlg) { return FindById<QPlainTextEdit>(&dlg, kIdcResult)->toPlainText(); }
    static CProgressDlg* Progress() { return qobject_cast<CProgressDlg*>(QApplication::activeModalWidget()); }
    static bool Has(const QStringList& texts, const char* part) {
        return std::any_of(texts.begin(), texts.end(),
                           [&](const QString& t) { return t.contains(QString::fromUtf8(part)); });
    }

    test::TempDir m_dir;
    std::string m_home, m_out, m_login;
    ConverterSettings m_settings;
    ScanTable m_table;
    QStringList m_urls;
};

// Cleaning the service's store cannot be undone: Enter on its question must not do it, and
// an empty login is refused before the service hears of it.
TEST_F(UserPromises, SafeDefaultsForTheServiceAndTheSavedLogin) {
    test::ServiceDouble service;
    service.AddMember("member", "pw", 5);
    setenv(kServiceHostVariable, service.Host().c_str(), 1);
    auto dlg = MakeDlg(kCgiHosted);

    {
        MessageBoxAnswers refused;
        Click(dlg.get(), kIdcGenerate);
        Click(dlg.get(), kIdcCleanServer);
        EXPECT_EQ(refused.texts.count(QString::fromUtf8("UserId와 비밀번호를 입력하셔야합니다.")), 2);
    }
    EXPECT_TRUE(service.Requests().empty());
    EXPECT_FALSE(fs::exists(m_login)) << "nothing saved for a refused generation";

    Type(*dlg, kIdcUserId, "member");
    Type(*dlg, kIdcPassword, "pw");
    bool defaultIsNo = false;
    auto* timer = new QTimer(dlg.get());
    QObject::connect(timer, &QTimer::timeout, timer, [&defaultIsNo, timer] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            timer->stop();
            defaultIsNo = box->defaultButton() == box->button(QMessageBox::No);
            QTest::keyClick(box, Qt::Key_Return); // what a user's Enter does
        }
    });
    timer->start(5);
    Click(dlg.get(), kIdcCleanServer);
    EXPECT_TRUE(defaultIsNo);
    EXPECT_TRUE(service.Requests().empty());
    EXPECT_EQ(service.Stored("member").size(), 5u);

    // The saved password's file: its owner's alone, also when an older one was readable by all.
    m_dir.Write("login.cfg", "");
    fs::permissions(m_login, fs::perms(0644));
    FindById<QCheckBox>(dlg.get(), kIdcSavePassword)->setChecked(true);
    fs::create_directories(m_out);
    MessageBoxAnswers yes;
    Click(dlg.get(), kIdcGenerate);
    ASSERT_TRUE(fs::exists(m_login));
    EXPECT_EQ(fs::status(m_login).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

// A checked row still called "click here to edit" never shows that on a page; a typed name the
// page's encoding cannot hold is written as character references.
TEST_F(UserPromises, NamesArePublishedOnlyAsTheUserMeantThem) {
    Page("a.html", "<p>kim@ex.com</p>"); // CP949: found in text, named "click here to edit"
    Page("b.html", "<p>lee@ex.com</p>");
    m_settings.m_bCheckAll = 1; // rows come checked
    for (const char* rel : {"a.html", "b.html"}) {
        const ScanResult r = m_table.LookupOrScanPage(JoinPath(m_home, rel), 1);
        ASSERT_EQ(r.count, 1);
        SetEntryCheck(r.first[0], true); // as listing the checked row does
    }
    fs::create_directories(m_out);
    auto dlg = MakeDlg(kCgiPhp);
    OnlyOpenedPages(*dlg);
    {
        MessageBoxAnswers leave([](const QString& text) {
            return text.contains(QString::fromUtf8("여기를 클릭하여")) ? QMessageBox::No : QMessageBox::NoButton;
        });
        Click(dlg.get(), kIdcGenerate);
        EXPECT_TRUE(Has(leave.texts, "체크된 주소 2개의 이름이 아직"));
    }
    const std::string placeholderCp949 = Cp949FromUtf8("여기를 클릭하여 수정하십시오");
    std::string a = m_dir.Read("out/a.html");
    EXPECT_EQ(a.find(placeholderCp949), std::string::npos);
    EXPECT_NE(a.find("kim@ex.com"), std::string::npos) << "left unconverted";

    // The same rows checked again; this time they take default name 1.
    for (int32_t i = 0; i < m_table.EntryTotal(); ++i) {
        SetEntryCheck(m_table.Entry(i), true);
    }
    {
        MessageBoxAnswers yes;
        Click(dlg.get(), kIdcGenerate);
    }
    a = m_dir.Read("out/a.html");
    EXPECT_EQ(a.find(placeholderCp949), std::string::npos);
    EXPECT_NE(a.find("VelmorantDefaultImg1.gif"), std::string::npos);

    // Typed in the e-mail list: Thai has no place in CP949.
    ConverterSettings s = m_settings;
    const std::string cfg = m_dir.Path("default.cfg");
    ASSERT_TRUE(WriteSettingsFile(s, cfg));
    CMainFrame frame(cfg);
    frame.show();
    const std::string page = JoinPath(m_home, "b.html");
    frame.EmailList()->UM_SCANPAGES(1, &page);
    CListEMailView* list = frame.EmailList();
    ASSERT_EQ(uitest::RowCount(list), 1);
    TypeName(list, 0, QString::fromUtf8("이 ก"));
    EXPECT_EQ(list->RowEntry(0)->m_strAfterName, Cp949FromUtf8("이 ") + "&#3585;");
}

// Qt's own buttons and dialogs speak Korean; kdvupdate says why the host failed and leads on.
TEST_F(UserPromises, KoreanEverywhereAndAWayOnWhenTheUpdateHostFails) {
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().contains(QString::fromUtf8("예")))
        << box.button(QMessageBox::Yes)->text().toStdString();
    EXPECT_TRUE(box.button(QMessageBox::No)->text().contains(QString::fromUtf8("아니")));

    test::MemoryProfileStore profile;
    UpdaterSettings settings;
    settings.host = "127.0.0.1:1"; // nobody listens: refused at once
    settings.locations = {m_dir.Path(), m_dir.Path("idn")};
    int starts = 0;
    CAutoUpdateDlg update(
        profile, settings, [] { return int64_t{1700000000}; }, [&starts] { ++starts; });
    ASSERT_TRUE(update.OnInitDialog());
    update.open();
    const QString text = update.findChild<QLabel*>("m_staticWaiting")->text();
    EXPECT_TRUE(text.contains(QString::fromUtf8("업데이트 서버에 연결할 수 없습니다"))) << text.toStdString();
    auto* onward = update.findChild<QPushButton*>("m_btnStartConverter");
    ASSERT_TRUE(onward->isVisible());
    QTest::mouseClick(onward, Qt::LeftButton);
    EXPECT_EQ(starts, 2); // at start, as ever, and once more on the user's word
    EXPECT_FALSE(update.isVisible());
    EXPECT_FALSE(update.RetryTimerActive());
}

// An upload to a service that never answers: the window keeps answering, a click on it meanwhile
// is not replayed afterwards, and the wait ends as a failure with its message.
TEST_F(UserPromises, ASilentServiceNeitherFreezesTheWindowNorReplaysClicks) {
    test::ServiceDouble service;
    service.AddMember("member", "pw");
    service.SetAnswer(test::ServiceDouble::Answer::Never);
    setenv(kServiceHostVariable, service.Host().c_str(), 1);
    OpenAndName(Page("a.html", "<p>kim@ex.com</p>"));
    fs::create_directories(m_out);
    auto dlg = MakeDlg(kCgiHosted);
    dlg->m_nServiceTimeoutSeconds = 1;
    OnlyOpenedPages(*dlg);
    Type(*dlg, kIdcUserId, "member");
    Type(*dlg, kIdcPassword, "pw");

    int ticks = 0;
    bool clickedDuringWait = false;
    QTimer alive;
    QObject::connect(&alive, &QTimer::timeout, &alive, [&] {
        ++ticks;
        if (!clickedDuringWait && Progress() != nullptr && ticks > 5) {
            clickedDuringWait = true;
            // Through the window system, as a user's click arrives.
            QPushButton* generate = FindById<QPushButton>(dlg.get(), kIdcGenerate);
            QTest::mouseClick(dlg->windowHandle(), Qt::LeftButton, {}, generate->mapTo(dlg.get(), QPoint(5, 5)));
        }
    });
    alive.start(20);
    MessageBoxAnswers yes;
    Click(dlg.get(), kIdcGenerate);
    EXPECT_TRUE(clickedDuringWait);
    EXPECT_GT(ticks, 20) << "the event loop ran through the wait";
    QTest::qWait(200);
    EXPECT_EQ(service.Requests().size(), 1u) << "the click made meanwhile started no second run";
    EXPECT_TRUE(Log(*dlg).contains(QString::fromUtf8("서버에 연결중 문제가 발생했습니다"))) << Log(*dlg).toStdString();
}

// Cancel stops between pages: what is written stays, and the log says where it stopped.
TEST_F(UserPromises, CancelStopsBetweenPagesAndSaysWhere) {
    test::ServiceDouble service;
    service.AddMember("member", "pw");
    service.SetAnswer(test::ServiceDouble::Answer::Slow, 100);
    setenv(kServiceHostVariable, service.Host().c_str(), 1);
    for (int i = 0; i < 20; ++i) {
        OpenAndName(Page(("p" + std::to_string(i) + ".html").c_str(), "<p>kim@ex.com</p>"));
    }
    fs::create_directories(m_out);
    auto dlg = MakeDlg(kCgiHosted);
    OnlyOpenedPages(*dlg);
    Type(*dlg, kIdcUserId, "member");
    Type(*dlg, kIdcPassword, "pw");
    QString shown;
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, &cancel, [&] {
        CProgressDlg* p = Progress();
        if (p != nullptr && p->Done() >= 3) {
            cancel.stop();
            shown = p->findChild<QLabel*>("m_staticCount")->text();
            p->findChild<QPushButton*>("m_btnCancel")->click();
        }
    });
    cancel.start(5);
    MessageBoxAnswers yes;
    Click(dlg.get(), kIdcGenerate);
    EXPECT_TRUE(shown.endsWith(QString::fromUtf8(" / 20"))) << shown.toStdString();
    const QString log = Log(*dlg);
    EXPECT_TRUE(log.contains(QString::fromUtf8(" / 20 페이지를 처리한 뒤 취소했습니다"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QString::fromUtf8("파일 생성을 완료했습니다")));
    const size_t uploads = service.Requests().size();
    EXPECT_GE(uploads, 3u);
    EXPECT_LT(uploads, 20u);
    size_t written = 0;
    for (int i = 0; i < 20; ++i) {
        written += fs::exists(JoinPath(m_out, "p" + std::to_string(i) + ".html")) ? 1u : 0u;
    }
    EXPECT_EQ(written, uploads);
}

// The whole site is the default: pages never opened are scanned (with progress) and converted,
// the counts come before and after, and a scan stopped by the table's capacity is said.
TEST_F(UserPromises, WholeSiteGenerationCountsAndCapacity) {
    ManyPages(3000);
    m_dir.Write("site/contact.txt", "write to boss@ex.com");
    m_settings.m_bCheckAll = 1;
    OpenAndName(JoinPath(m_home, "d0/p0.html"));
    fs::create_directories(m_out);
    auto dlg = MakeDlg(kCgiPhp);
    EXPECT_TRUE(dlg->findChild<QRadioButton*>("m_radioWholeSite")->isChecked());
    QString progressAtCapacity;
    MessageBoxAnswers answers([&](const QString& text) {
        if (text.contains(QString::fromUtf8("검색할 수 있는 양을 넘어"))) {
            if (auto* p = dlg->findChild<CProgressDlg*>()) {
                progressAtCapacity = p->findChild<QLabel*>("m_staticCount")->text();
            }
        }
        return QMessageBox::NoButton;
    });
    Click(dlg.get(), kIdcGenerate);
    EXPECT_TRUE(Has(answers.texts, "홈디렉토리의 페이지 1000개를 검색하지 못했습니다"))
        << answers.texts.join("|").toStdString();
    EXPECT_EQ(progressAtCapacity, QString::fromUtf8("페이지 2000 / 3000"));
    EXPECT_TRUE(Has(answers.texts, "페이지 2000개의 주소 2000개를 변환합니다."))
        << answers.texts.join("|").toStdString();
    EXPECT_TRUE(Has(answers.texts, "생성한 페이지 2000개, 변환한 주소 2000개."));
    EXPECT_TRUE(Has(answers.texts, "변환한 사이트에 아직 드러나 있는 주소"));
    EXPECT_TRUE(fs::exists(JoinPath(JoinPath(m_out, "d0"), "p30.html"))) << "never opened, converted all the same";
    EXPECT_FALSE(fs::exists(JoinPath(JoinPath(m_out, "d9"), "p9.html"))) << "past the capacity";

    // After the run, the output folder is one click away.
    auto* open = dlg->findChild<QPushButton*>("m_btnOpenOutput");
    ASSERT_TRUE(open->isEnabled());
    QTest::mouseClick(open, Qt::LeftButton);
    ASSERT_EQ(m_urls.size(), 1);
    EXPECT_EQ(m_urls[0], QUrl::fromLocalFile(QString::fromStdString(m_out)).toString());
}

// Generating again into a converted site warns first and names the earlier pages left behind;
// orvex-cli refuses such a run unless told --replace.
TEST_F(UserPromises, ReRunsIntoAConvertedFolderAreNeverSilent) {
    const std::string a = Page("a.html", "<p>kim@ex.com</p>");
    const std::string b = Page("b.html", "<p>lee@ex.com</p>");
    OpenAndName(a);
    OpenAndName(b);
    fs::create_directories(m_out);
    {
        auto dlg = MakeDlg(kCgiPhp);
        MessageBoxAnswers yes;
        Click(dlg.get(), kIdcGenerate);
        EXPECT_FALSE(Has(yes.texts, "이미 변환된 사이트"));
    }
    ScanTable only;
    ConverterSettings s = m_settings;
    const ScanResult r = only.LookupOrScanPage(a, 0);
    ApplyDefaultName(r.first[0], 1, s);
    CFileCreateDlg again(m_home, kCgiPhp, only, kOsLinux, m_login);
    again.SetSettings(s);
    FindById<QLineEdit>(&again, kIdcOutputDir)->setText(QString::fromStdString(m_out));
    again.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
    OnlyOpenedPages(again);
    {
        MessageBoxAnswers no([](const QString&) { return QMessageBox::No; });
        Click(&again, kIdcGenerate);
        ASSERT_TRUE(Has(no.texts, "생성위치에 이미 변환된 사이트"));
        EXPECT_EQ(no.texts.size(), 1) << "No stops before anything";
    }
    MessageBoxAnswers yes;
    Click(&again, kIdcGenerate);
    const QString log = Log(again);
    EXPECT_TRUE(log.contains(QString::fromUtf8("이전에 생성한 페이지 1개를 이번에 다시 생성하지 않았습니다")))
        << log.toStdString();
    const QString left = log.mid(log.indexOf(QString::fromUtf8("이전에 생성한")));
    EXPECT_TRUE(left.contains(QLatin1String("b.html")) && !left.contains(QLatin1String("a.html"))) << log.toStdString();

    fs::remove(b);
    const std::vector<std::string> args = {"convert", "--home", m_home, "--out", m_out, "--kind", "php"};
    const test::ProcessResult refused = test::RunProcess(ORVEX_CLI_PATH, args, m_dir.Path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("b.html"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--replace"), std::string::npos) << refused.err;
    std::vector<std::string> replace = args;
    replace.push_back("--replace");
    const test::ProcessResult replaced = test::RunProcess(ORVEX_CLI_PATH, replace, m_dir.Path());
    EXPECT_NE(replaced.err.find("b.html"), std::string::npos) << "still named";
    EXPECT_EQ(replaced.err.find("--replace"), std::string::npos) << replaced.err;
}

// Names and check marks outlive the window: they come back at the next start, stay with their
// occurrences when the page changed meanwhile, and a damaged session file is set aside, not lost.
TEST_F(UserPromises, TheEditingSessionIsKept) {
    const std::string page = Page("a.html", "<p>kim@ex.com</p><p>lee@ex.com</p><p>kim@ex.com</p>");
    const QString first = QString::fromUtf8("김 첫째"), second = QString::fromUtf8("김 둘째");
    {
        auto frame = StartFrame();
        CListEMailView* list = frame->EmailList();
        ASSERT_EQ(uitest::RowCount(list), 3);
        TypeName(list, 0, first);
        TypeName(list, 2, second);
        list->setCurrentIndex(uitest::Cell(list, 1));
        QTest::keyClick(list, Qt::Key_Space); // checks the row
        frame->close();
    }
    const QString text = QString::fromUtf8("여기를 클릭하여 수정하십시오");
    {
        auto frame = StartFrame();
        EXPECT_EQ(Rows(frame->EmailList()), (QStringList{"kim@ex.com " + first + " [v]", "lee@ex.com " + text + " [v]",
                                                         "kim@ex.com " + second + " [v]"}));
        frame->close();
    }
    // An address written in before them: each edit stays with its occurrence.
    Page("a.html", "<p>new@ex.com</p><p>kim@ex.com</p><p>lee@ex.com</p><p>kim@ex.com</p>");
    {
        auto frame = StartFrame();
        EXPECT_EQ(Rows(frame->EmailList()),
                  (QStringList{"new@ex.com " + text + " [ ]", "kim@ex.com " + first + " [v]",
                               "lee@ex.com " + text + " [v]", "kim@ex.com " + second + " [v]"}));
        // Changing the home folder and coming back loses nothing either.
        const std::string other = m_dir.Path("other");
        fs::create_directories(other);
        uitest::OnNextModal([&](QWidget* sheet) {
            FindById<QLineEdit>(sheet, kIdcHomeDir)->setText(QString::fromStdString(other));
            QTest::mouseClick(FindById<QPushButton>(sheet, kIdOk), Qt::LeftButton);
        });
        frame->OnCommand(kIdDefaultValues);
        EXPECT_EQ(uitest::RowCount(frame->EmailList()), 0);
        uitest::OnNextModal([&](QWidget* sheet) {
            FindById<QLineEdit>(sheet, kIdcHomeDir)->setText(QString::fromStdString(m_home));
            QTest::mouseClick(FindById<QPushButton>(sheet, kIdOk), Qt::LeftButton);
        });
        frame->OnCommand(kIdDefaultValues);
        EXPECT_EQ(Rows(frame->EmailList())[3], "kim@ex.com " + second + " [v]");
    }

    const std::string session = m_dir.Path("session.json");
    m_dir.Write("session.json", "{\"version\": 1, \"homes\": {");
    auto frame = StartFrame();
    EXPECT_EQ(m_dir.Read("session.json.bad"), "{\"version\": 1, \"homes\": {");
    EXPECT_TRUE(frame->statusBar()->currentMessage().contains(QLatin1String("session.json.bad")));
    EXPECT_EQ(Rows(frame->EmailList())[1], "kim@ex.com " + text + " [ ]");
    frame->close();
    EXPECT_TRUE(QJsonDocument::fromJson(QByteArray::fromStdString(m_dir.Read("session.json"))).isObject());
}

// What such a window is expected to do: folders and pages by name, columns sorted by a click on
// their header, a filter over the addresses, F5 to read the folder again, and its size and
// column widths kept for the next start.
TEST_F(UserPromises, TheWindowBehavesAsUsersExpect) {
    for (const char* folder : {"zeta", "Alpha", "mid"}) {
        fs::create_directories(m_dir.Path(std::string("site/") + folder));
    }
    Page("b.html", "<a href=\"mailto:Boss@ex.com\">Kim Boss</a>");
    Page("a.html", "<p>lee@ex.com</p><p>zed@ex.com</p>");
    auto frame = StartFrame();
    QTreeWidgetItem* root = frame->Tree()->topLevelItem(0);
    QStringList folders;
    for (int i = 0; i < root->childCount(); ++i) {
        folders << root->child(i)->text(0);
    }
    EXPECT_EQ(folders, (QStringList{"Alpha", "mid", "zeta"}));
    CListHtmlFileView* pages = frame->PageList();
    EXPECT_EQ(uitest::CellText(pages, 0, 0), "a.html");
    EXPECT_EQ(uitest::CellText(pages, 1, 0), "b.html");

    CListEMailView* list = frame->EmailList();
    const auto addresses = [list] {
        QStringList texts;
        for (int i = 0; i < uitest::RowCount(list); ++i) {
            texts << uitest::CellText(list, i, 1);
        }
        return texts;
    };
    EXPECT_EQ(addresses(), (QStringList{"Boss@ex.com", "lee@ex.com", "zed@ex.com"})); // later page on top
    QHeaderView* header = list->header();
    const QPoint addressHeader(header->sectionViewportPosition(1) + 10, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, addressHeader);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, addressHeader);
    EXPECT_EQ(addresses(), (QStringList{"zed@ex.com", "lee@ex.com", "Boss@ex.com"}));

    auto* filter = frame->findChild<QLineEdit*>("m_editEmailFilter");
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(filter->placeholderText(), QString::fromUtf8("주소 또는 이름으로 거르기"));
    QTest::keyClicks(filter, "KIM"); // the name of Boss@ex.com
    EXPECT_EQ(addresses(), QStringList{"Boss@ex.com"});
    filter->clear();
    QTest::keyClicks(filter, "E@EX");
    EXPECT_EQ(addresses(), (QStringList{"lee@ex.com"}));
    filter->clear();

    Page("c.html", "<p>new@ex.com</p>");
    QTest::keyClick(frame.get(), Qt::Key_F5);
    EXPECT_EQ(uitest::RowCount(pages), 3);
    EXPECT_TRUE(addresses().contains("new@ex.com"));

    frame->resize(640, 480);
    header->resizeSection(1, 123);
    frame->close();
    frame = StartFrame();
    EXPECT_EQ(frame->size(), QSize(640, 480));
    EXPECT_EQ(frame->EmailList()->header()->sectionSize(1), 123);
}

// The list's rows are its entries wherever sorting and filtering put them: an edit or a default
// name lands on the entry of the row the user chose.
TEST_F(UserPromises, EditsLandOnTheRowShownSortedOrFiltered) {
    Page("a.html", "<p>a1@ex.com</p><p>b2@ex.com</p><p>c3@ex.com</p><p>d4@ex.com</p>");
    auto frame = StartFrame();
    CListEMailView* list = frame->EmailList();
    list->sortByColumn(1, Qt::DescendingOrder);
    TypeName(list, 0, "Dee");
    QTest::keyClicks(frame->findChild<QLineEdit*>("m_editEmailFilter"), "b2");
    ASSERT_EQ(uitest::RowCount(list), 1);
    list->setFocus();
    list->selectAll();
    QTest::keyClick(list, Qt::Key_2, Qt::ControlModifier); // default name 2
    const ScanTable& table = list->Table();
    ASSERT_EQ(table.EntryTotal(), 4);
    EXPECT_EQ(table.Entry(3).m_strAfterName, "Dee");
    EXPECT_EQ(table.Entry(1).m_strAfterName, "<img src='VelmorantDefaultImg2.gif' border=0>");
    EXPECT_EQ(table.Entry(0).m_bChanged + table.Entry(2).m_bChanged, 0);
    EXPECT_EQ(uitest::CellText(list, 0, 0), "<img src='VelmorantDefaultImg2.gif' border=0>");
}

} // namespace
} // namespace orvex::ui
