// SPDX-License-Identifier: MIT
// The converter's main window offscreen, on a real site in a scratch folder: the tree, the two
// lists and what the commands do to the scan table, the dialogs, and the settings file.
#include "converter/ui/about_box.h"
#include "converter/ui/hint_wnd.h"
#include "converter/ui/list_email_view.h"
#include "converter/ui/list_html_file_view.h"
#include "converter/ui/main_frame.h"
#include "converter/ui/name_edit_dlg.h"
#include "converter/ui/resource_ids.h"
#include "converter/ui/tree_sub_dir_view.h"
#include "platform/paths.h"
#include "platform/text_codec.h"

#include "temp_dir.h"
#include "ui_test_support.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

// fontconfig keeps its configuration until the process ends, which LeakSanitizer reports when
// the offscreen window first lays out text; nothing of ours is behind it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace orvex::ui {
namespace {

using uitest::CellText;
using uitest::FindById;
using uitest::RowCheck;
using uitest::RowCount;
using uitest::SelectRow;
using uitest::SetRowCheck;

std::string Page(std::string_view body) {
    return "<html><head><meta charset=\"utf-8\"></head><body>" + std::string(body) + "</body></html>";
}

std::string Sep(std::string_view a, std::string_view b) {
    return std::string(a) + kPathSep + std::string(b);
}

class ConverterUiTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { uitest::EnsureApplication(); }

    ConverterUiTest() {
        m_dir.Write("site/index.html", Page("<a href=\"mailto:boss@a.kr\">Boss</a> and sales@a.kr"));
        m_dir.Write("site/sub/one.html", Page("<p>one@b.kr</p>"));
        m_dir.Write("site/sub/deep/two.html", Page("<p>two@c.kr</p><map><area href=\"mailto:map@c.kr\"></map>"));
        std::filesystem::create_directories(m_dir.Path("site/sub/deep/deeper"));
        std::filesystem::create_directories(m_dir.Path("site/other"));
        m_home = m_dir.Path("site");
        m_cfg = m_dir.Path("default.cfg");
    }

    std::unique_ptr<CMainFrame> MakeFrame(int searchWholeDir = 0, int checkAll = 0) {
        ConverterSettings s;
        s.m_strHomeDir = m_home;
        s.m_bSearchWholeDir = searchWholeDir;
        s.m_bCheckAll = checkAll;
        EXPECT_TRUE(WriteSettingsFile(s, m_cfg));
        return MakeFrameFromFile();
    }

    std::unique_ptr<CMainFrame> MakeFrameFromFile() {
        auto frame = std::make_unique<CMainFrame>(m_cfg);
        frame->EmailList()->m_showMessage = [this](const QString& text) { m_messages.push_back(text); };
        frame->PageList()->m_openInEditor = [this](const std::string& p) { m_opened.push_back("edit " + p); };
        frame->PageList()->m_openInBrowser = [this](const std::string& p) { m_opened.push_back("open " + p); };
        return frame;
    }

    // Scans the given pages (relative to the home directory) into the e-mail list.
    void Scan(CMainFrame& frame, std::initializer_list<const char*> pages) {
        std::vector<std::string> paths;
        for (const char* p : pages) {
            paths.push_back(Sep(m_home, p));
        }
        frame.EmailList()->UM_SCANPAGES(static_cast<int>(paths.size()), paths.data());
    }

    static QStringList Column(const QAbstractItemView* list, int column) {
        QStringList texts;
        for (int i = 0; i < RowCount(list); ++i) {
            texts << CellText(list, i, column);
        }
        return texts;
    }

    // What each row showed when it was listed: the names found on the page.
    static QStringList BeforeNames(CListEMailView* list) {
        QStringList names;
        for (int i = 0; i < RowCount(list); ++i) {
            const EmailEntry& e = *list->RowEntry(i);
            names << QString::fromStdString(DecodeToUtf8(e.m_strBeforeName, e.m_pPage->m_strEncoding));
        }
        return names;
    }

    static QTreeWidgetItem* Child(QTreeWidgetItem* item, const char* name) {
        for (int i = 0; i < item->childCount(); ++i) {
            if (item->child(i)->text(0) == QLatin1String(name)) {
                return item->child(i);
            }
        }
        return nullptr;
    }

    test::TempDir m_dir;
    std::string m_home;
    std::string m_cfg;

    // Sets the home directory in the sheet that the next command opens, and confirms it.
    static void AnswerSheet(const std::string& home) {
        uitest::OnNextModal([home](QWidget* sheet) {
            sheet->findChild<QTabWidget*>()->setCurrentIndex(1); // a page never opened stores nothing
            FindById<QLineEdit>(sheet, kIdcHomeDir)->setText(QString::fromStdString(home));
            QTest::mouseClick(FindById<QPushButton>(sheet, kIdOk), Qt::LeftButton);
        });
    }
    std::vector<QString> m_messages;
    std::vector<std::string> m_opened;
};

TEST_F(ConverterUiTest, TreeLoadsOneLevelAheadAndSendsThePathOnSelection) {
    auto frame = MakeFrame();
    CTreeSubDirView* tree = frame->Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0).toStdString(), m_home);
    EXPECT_TRUE(root->isExpanded());
    ASSERT_EQ(root->childCount(), 2);
    QTreeWidgetItem* sub = Child(root, "sub");
    ASSERT_NE(sub, nullptr);
    ASSERT_NE(Child(root, "other"), nullptr);
    // The level below the first is there for the expand buttons; the one below that is not yet.
    QTreeWidgetItem* deep = Child(sub, "deep");
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->childCount(), 0);
    // The first filling tells the page list nothing.
    EXPECT_EQ(frame->PageList()->topLevelItemCount(), 0);

    sub->setExpanded(true);
    EXPECT_NE(Child(deep, "deeper"), nullptr);
    // A folder made later shows only after the tree is filled again.
    std::filesystem::create_directories(m_dir.Path("site/sub/later"));
    sub->setExpanded(false);
    sub->setExpanded(true);
    EXPECT_EQ(Child(sub, "later"), nullptr);

    tree->setCurrentItem(deep);
    EXPECT_EQ(frame->PageList()->Directory(), Sep(Sep(m_home, "sub"), "deep"));
    EXPECT_EQ(Column(frame->PageList(), 0), QStringList{"two.html"});
    // No whole-directory setting: selecting a folder scans nothing.
    EXPECT_EQ(RowCount(frame->EmailList()), 0);
}

TEST_F(ConverterUiTest, WholeDirectorySelectionScansEveryPage) {
    m_dir.Write("site/second.htm", Page("x@d.kr y@d.kr"));
    m_dir.Write("site/notes.txt", "z@d.kr");
    auto frame = MakeFrame(1);
    frame->Tree()->setCurrentItem(frame->Tree()->topLevelItem(0));
    CListHtmlFileView* pages = frame->PageList();
    ASSERT_EQ(pages->topLevelItemCount(), 2);
    EXPECT_EQ(pages->selectedItems().size(), 2);
    EXPECT_EQ(RowCount(frame->EmailList()), 4);
    EXPECT_EQ(frame->EmailList()->Table().PageCount(), 2);
    // "%dbyte" and the C locale's time text.
    const auto size = std::filesystem::file_size(m_dir.Path("site/index.html"));
    const int row = pages->topLevelItem(0)->text(0) == "index.html" ? 0 : 1;
    EXPECT_EQ(pages->topLevelItem(row)->text(1).toStdString(), std::to_string(size) + "byte");
    const QRegularExpression time(QString::fromUtf8(
        "^(AM|PM)(0[1-9]|1[0-2]):\\d\\d:\\d\\d \\d{4}년\\d\\d월\\d\\d일,(Sun|Mon|Tues|Wednes|Thurs|Fri|Satur)day$"));
    EXPECT_TRUE(time.match(pages->topLevelItem(row)->text(2)).hasMatch())
        << pages->topLevelItem(row)->text(2).toStdString();
}

TEST_F(ConverterUiTest, LaterPagesStandAboveEarlierOnesAndClickingEmptySpaceEmptiesTheList) {
    auto frame = MakeFrame();
    Scan(*frame, {"index.html", "sub/one.html"});
    CListEMailView* mails = frame->EmailList();
    EXPECT_EQ(Column(mails, 1), (QStringList{"one@b.kr", "boss@a.kr", "sales@a.kr"}));
    EXPECT_EQ(Column(mails, 0), BeforeNames(mails));
    EXPECT_EQ(Column(mails, 0)[1], "Boss");
    const QString sep(QChar::fromLatin1(kPathSep));
    EXPECT_EQ(Column(mails, 2), (QStringList{sep + "sub" + sep + "one.html", sep + "index.html", sep + "index.html"}));

    frame->PageList()->UM_SHOWDIRECTORY(m_home);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    QTreeWidget* pages = frame->PageList();
    QTest::mouseClick(pages->viewport(), Qt::LeftButton, {}, pages->visualItemRect(pages->topLevelItem(0)).center());
    EXPECT_EQ(RowCount(mails), 2);
    QTest::mouseClick(pages->viewport(), Qt::LeftButton, {}, QPoint(10, pages->viewport()->height() - 5));
    EXPECT_EQ(RowCount(mails), 0);
}

TEST_F(ConverterUiTest, ApplyDefaultIdAndRevertOnRowsAtDifferentDepths) {
    auto frame = MakeFrame();
    Scan(*frame, {"index.html", "sub/one.html", "sub/deep/two.html"});
    CListEMailView* mails = frame->EmailList();
    ASSERT_EQ(RowCount(mails), 5);
    const QStringList before = BeforeNames(mails);
    frame->SetActivePane(mails);
    frame->OnCommand(kIdSelectAll);
    frame->OnCommand(kIdApplyDefault1);
    for (int i = 0; i < 5; ++i) {
        const EmailEntry& e = *mails->RowEntry(i);
        EXPECT_EQ(RowCheck(mails, i), Qt::Checked);
        EXPECT_EQ(e.m_bChecked, 1);
        if (e.m_nKind == EntryKind::Area) {
            EXPECT_EQ(CellText(mails, i, 0), before[i]);
            continue;
        }
        const std::string prefix = e.m_strAddress.find("@c.") != std::string::npos   ? "../../"
                                   : e.m_strAddress.find("@b.") != std::string::npos ? "../"
                                                                                     : "";
        EXPECT_EQ(e.m_strAfterName, "<img src='" + prefix + "VelmorantDefaultImg1.gif' border=0>");
        EXPECT_EQ(CellText(mails, i, 0).toStdString(), e.m_strAfterName);
    }

    frame->OnCommand(kIdApplyId);
    EXPECT_EQ(Column(mails, 0), (QStringList{"two", before[1], "one", "boss", "sales"}));
    SelectRow(mails, 0, false);
    frame->OnCommand(kIdRevert);
    EXPECT_EQ(Column(mails, 0), (QStringList{"two", before[1], before[2], before[3], before[4]}));
    EXPECT_EQ(RowCheck(mails, 0), Qt::Checked);
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(RowCheck(mails, i), Qt::Unchecked);
        EXPECT_EQ(mails->RowEntry(i)->m_bChecked, 0);
        EXPECT_EQ(mails->RowEntry(i)->m_bChanged, 0);
    }
    // Selecting the pages again shows the edits, not a new scan.
    Scan(*frame, {"sub/deep/two.html"});
    EXPECT_EQ(Column(mails, 0), (QStringList{"two", before[1]}));
    EXPECT_EQ(RowCheck(mails, 0), Qt::Checked);
}

TEST_F(ConverterUiTest, CheckBoxesMarkPagesModifiedOnlyWhenChecked) {
    {
        auto frame = MakeFrame(0, 0);
        Scan(*frame, {"index.html"});
        CListEMailView* mails = frame->EmailList();
        PageRecord& page = *mails->RowEntry(0)->m_pPage;
        EXPECT_EQ(page.m_bModified, 0);
        SetRowCheck(mails, 1, Qt::Checked);
        EXPECT_EQ(mails->RowEntry(1)->m_bChecked, 1);
        EXPECT_EQ(page.m_bModified, 1);
        page.m_bModified = 0;
        SetRowCheck(mails, 1, Qt::Unchecked);
        EXPECT_EQ(mails->RowEntry(1)->m_bChecked, 0);
        EXPECT_EQ(page.m_bModified, 0);
    }
    auto frame = MakeFrame(0, 1);
    Scan(*frame, {"index.html"});
    EXPECT_EQ(frame->EmailList()->RowEntry(0)->m_pPage->m_bModified, 1);
    EXPECT_EQ(RowCheck(frame->EmailList(), 0), Qt::Checked);
}

TEST_F(ConverterUiTest, InPlaceEditIsEncodedIntoThePagesEncoding) {
    m_dir.Write("site/korean.html", "<html><body>kim@e.kr</body></html>"); // no charset: CP949
    auto frame = MakeFrame();
    Scan(*frame, {"korean.html"});
    CListEMailView* mails = frame->EmailList();
    mails->OnEndLabelEdit(0, QString::fromUtf8("홍길동"));
    const EmailEntry& e = *mails->RowEntry(0);
    EXPECT_EQ(e.m_strAfterName, Cp949FromUtf8("홍길동"));
    EXPECT_EQ(e.m_bChanged, 1);
    EXPECT_EQ(e.m_pPage->m_bModified, 1);
    EXPECT_EQ(CellText(mails, 0, 0), QString::fromUtf8("홍길동"));
    EXPECT_EQ(RowCheck(mails, 0), Qt::Checked);
}

TEST_F(ConverterUiTest, NameDialogButtonsReplaceTheTypedName) {
    auto frame = MakeFrame();
    Scan(*frame, {"sub/one.html"});
    const EmailEntry& e = *frame->EmailList()->RowEntry(0);
    CNameEditDlg dlg(e, frame->Settings());
    EXPECT_EQ(dlg.property(kResourceIdProperty).toInt(), kIddNameEdit);
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("입력창"));
    auto* address = FindById<QLineEdit>(&dlg, kIdcAddress);
    auto* after = FindById<QLineEdit>(&dlg, kIdcAfterName);
    ASSERT_NE(address, nullptr);
    ASSERT_NE(after, nullptr);
    EXPECT_TRUE(address->isReadOnly());
    EXPECT_TRUE(FindById<QLineEdit>(&dlg, kIdcBeforeName)->isReadOnly());
    EXPECT_EQ(address->text(), "one@b.kr");
    after->setText("typed");
    QTest::mouseClick(FindById<QPushButton>(&dlg, kIdcDefault2), Qt::LeftButton);
    EXPECT_EQ(after->text(), "<img src='../VelmorantDefaultImg2.gif' border=0>");
    QTest::mouseClick(FindById<QPushButton>(&dlg, kIdcIdName), Qt::LeftButton);
    EXPECT_EQ(after->text(), "one");
    QTest::mouseClick(FindById<QPushButton>(&dlg, kIdcRevert), Qt::LeftButton);
    EXPECT_EQ(after->text(), FindById<QLineEdit>(&dlg, kIdcBeforeName)->text());
    EXPECT_FALSE(dlg.isVisible()); // the name buttons never close the dialog
}

TEST_F(ConverterUiTest, EditNameOpensTheDialogExceptOnAreaRows) {
    auto frame = MakeFrame();
    Scan(*frame, {"sub/deep/two.html"});
    CListEMailView* mails = frame->EmailList();
    frame->SetActivePane(mails);
    SelectRow(mails, 0);
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<CNameEditDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        FindById<QLineEdit>(dlg, kIdcAfterName)->setText(QString::fromUtf8("둘"));
        QTest::mouseClick(FindById<QPushButton>(dlg, kIdOk), Qt::LeftButton);
    });
    frame->OnCommand(kIdEditName);
    EXPECT_EQ(mails->RowEntry(0)->m_strAfterName, "둘"); // a UTF-8 page
    EXPECT_EQ(RowCheck(mails, 0), Qt::Checked);

    QTimer::singleShot(0, [] {
        if (auto* dlg = qobject_cast<CNameEditDlg*>(QApplication::activeModalWidget())) {
            QTest::mouseClick(FindById<QPushButton>(dlg, kIdCancel), Qt::LeftButton);
        }
    });
    frame->OnCommand(kIdEditName);
    EXPECT_EQ(mails->RowEntry(0)->m_strAfterName, "둘");

    mails->clearSelection();
    SelectRow(mails, 1);
    ASSERT_EQ(mails->RowEntry(1)->m_nKind, EntryKind::Area);
    frame->OnCommand(kIdEditName); // would hang here if a dialog opened
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_TRUE(m_messages[0].startsWith(QString::fromUtf8("Area태그에 있는")));
    EXPECT_EQ(mails->RowEntry(1)->m_bChanged, 1);
    EXPECT_EQ(RowCheck(mails, 1), Qt::Checked);
}

TEST_F(ConverterUiTest, DropDownChoiceBecomesTheBulkButtonsCommand) {
    auto frame = MakeFrame();
    Scan(*frame, {"index.html"});
    CListEMailView* mails = frame->EmailList();
    frame->SetActivePane(mails);
    mails->selectAll();
    QToolButton* bulk = frame->BulkButton();
    ASSERT_EQ(FindById<QToolButton>(frame.get(), kIdBulkEdit), bulk);
    EXPECT_EQ(bulk->text(), QString::fromUtf8("일괄수정"));
    QAction* byId = FindById<QAction>(frame->BulkPopup(), kIdBulkId);
    ASSERT_NE(byId, nullptr);
    byId->trigger();
    EXPECT_EQ(bulk->text(), QString::fromUtf8("ID적용"));
    EXPECT_EQ(frame->BulkCommand(), kIdApplyId);
    EXPECT_EQ(Column(mails, 0), (QStringList{"boss", "sales"}));
    frame->OnCommand(kIdRevert);
    bulk->click();
    EXPECT_EQ(Column(mails, 0), (QStringList{"boss", "sales"}));
    EXPECT_EQ(frame->HintWnd(), nullptr);
    FindById<QAction>(frame->BulkPopup(), kIdBulkRevert)->trigger();
    EXPECT_EQ(bulk->text(), QString::fromUtf8("변경전.."));
    EXPECT_EQ(Column(mails, 0), BeforeNames(mails));
}

TEST_F(ConverterUiTest, BulkButtonShowsOneHintWindowOnly) {
    auto frame = MakeFrame();
    frame->show();
    frame->BulkButton()->click();
    frame->BulkButton()->click();
    int hints = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        hints += qobject_cast<CHintWnd*>(w) != nullptr && w->isVisible() ? 1 : 0;
    }
    EXPECT_EQ(hints, 1);
    ASSERT_NE(frame->HintWnd(), nullptr);
    EXPECT_EQ(frame->HintWnd()->size(), QSize(270, 50));
    EXPECT_EQ(frame->HintWnd()->pos(), frame->geometry().topLeft() + QPoint(160, 70));
    QTest::mouseClick(frame->HintWnd(), Qt::LeftButton);
    QTRY_VERIFY(frame->HintWnd() == nullptr);
}

TEST_F(ConverterUiTest, ListCommandsFollowTheActivePane) {
    auto frame = MakeFrame();
    Scan(*frame, {"index.html"});
    frame->SetActivePane(frame->Tree());
    for (int id : {kIdApplyDefault1, kIdApplyId, kIdRevert, kIdSelectAll, kIdEditName}) {
        EXPECT_FALSE(frame->IsCommandEnabled(id)) << id;
    }
    EXPECT_TRUE(frame->IsCommandEnabled(kIdGenerateHtml));
    QAction* menuItem = FindById<QAction>(frame->menuBar(), kIdApplyDefault1);
    ASSERT_NE(menuItem, nullptr);
    EXPECT_FALSE(menuItem->isEnabled());
    EXPECT_EQ(menuItem->shortcut(), QKeySequence(QStringLiteral("Ctrl+1")));
    frame->EmailList()->selectAll();
    frame->OnCommand(kIdApplyDefault1);
    EXPECT_EQ(frame->EmailList()->RowEntry(0)->m_bChanged, 0);

    // Select all in the page list selects and scans every page.
    frame->PageList()->UM_SHOWDIRECTORY(m_home);
    frame->SetActivePane(frame->PageList());
    frame->OnCommand(kIdSelectAll);
    EXPECT_EQ(frame->PageList()->selectedItems().size(), 1);
    frame->OnCommand(kIdViewSource);
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened[0], "edit " + Sep(m_home, "index.html"));
    frame->SetActivePane(frame->EmailList());
    EXPECT_TRUE(menuItem->isEnabled());
}

TEST_F(ConverterUiTest, AboutBoxTitleFontAndLinks) {
    for (int round = 0; round < 2; ++round) {
        CAboutBox box;
        std::vector<QUrl> opened;
        box.m_openUrl = [&](const QUrl& url) { opened.push_back(url); };
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
        EXPECT_EQ(box.property(kResourceIdProperty).toInt(), kIddAboutBox);
        auto* title = FindById<QLabel>(&box, kIdcProductTitle);
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->font().pixelSize(), 16);
        EXPECT_EQ(title->font().family(), "Arial");
        auto* notice = FindById<QPlainTextEdit>(&box, kIdcNotice);
        ASSERT_NE(notice, nullptr);
        EXPECT_TRUE(notice->isReadOnly());
        EXPECT_FALSE(notice->toPlainText().isEmpty());
        auto* website = FindById<QLabel>(&box, kIdcWebsiteLink);
        auto* support = FindById<QLabel>(&box, kIdcSupportLink);
        ASSERT_NE(website, nullptr);
        ASSERT_NE(support, nullptr);
        EXPECT_EQ(website->cursor().shape(), Qt::PointingHandCursor);
        for (QLabel* label : box.findChildren<QLabel*>()) {
            if (label->text() == "Website:") {
                QTest::mouseClick(label, Qt::LeftButton);
            }
        }
        EXPECT_TRUE(opened.empty());
        QTest::mouseClick(website, Qt::LeftButton);
        QTest::mouseClick(support, Qt::LeftButton);
        ASSERT_EQ(opened.size(), 2u);
        EXPECT_EQ(opened[0].toString(), website->text());
        EXPECT_EQ(opened[1].toString(), support->text());
        QTest::mouseClick(FindById<QPushButton>(&box, kIdOk), Qt::LeftButton);
        EXPECT_EQ(box.result(), QDialog::Accepted);
    }
}

TEST_F(ConverterUiTest, SettingsAreWrittenAtCloseAndReadAtTheNextStart) {
    {
        auto frame = MakeFrameFromFile(); // no default.cfg yet: the factory values
        EXPECT_EQ(frame->Settings(), ConverterSettings{});
        EXPECT_EQ(frame->windowTitle(),
                  QString::fromUtf8("메일주소 자동변환 프로그램 - Velmorant Auto Converter 0.8b"));
        AnswerSheet(m_home);
        frame->OnCommand(kIdDefaultValues);
        EXPECT_EQ(frame->Tree()->topLevelItem(0)->text(0).toStdString(), m_home);
        EXPECT_EQ(frame->PageList()->Directory(), m_home); // listed at once: the factory whole-directory flag
        EXPECT_EQ(RowCount(frame->EmailList()), 2);
        frame->close();
    }
    ASSERT_TRUE(std::filesystem::exists(m_cfg));
    auto frame = MakeFrameFromFile();
    EXPECT_EQ(frame->Settings().m_strHomeDir, m_home);
    EXPECT_EQ(frame->Tree()->topLevelItem(0)->text(0).toStdString(), m_home);
}

TEST_F(ConverterUiTest, ChangingOnlyTheLetterCaseKeepsTheTree) {
    auto frame = MakeFrame();
    Scan(*frame, {"index.html"});
    // The sheet accepts only an existing folder: one whose name differs only in case.
    const std::string upper = m_dir.Path("SITE");
    std::filesystem::create_directories(upper);
    AnswerSheet(upper);
    frame->OnCommand(kIdSetupSheet);
    EXPECT_EQ(frame->Tree()->topLevelItem(0)->text(0).toStdString(), m_home);
    EXPECT_EQ(RowCount(frame->EmailList()), 2);
    EXPECT_EQ(frame->Settings().m_strHomeDir, upper);
}

} // namespace
} // namespace orvex::ui
