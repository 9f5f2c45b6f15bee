// SPDX-License-Identifier: MIT
// CListHtmlFileView.
#include "converter/ui/list_html_file_view.h"

#include "converter/page_listing.h"
#include "converter/ui/list_email_view.h"
#include "converter/ui/main_frame.h"
#include "converter/ui/resource_ids.h"
#include "converter/ui/texts.h"
#include "converter/ui/window_text.h"
#include "platform/paths.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QHeaderView>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <array>
#include <cstdio>
#include <ctime>

namespace orvex::ui {

std::string FormatPageSize(uint64_t size) {
    return std::to_string(static_cast<int64_t>(size)) + "byte";
}

std::string FormatPageTime(int64_t lastWrite) {
    // Written out by hand: Qt sets the process locale from the environment, and the row must read
    // as the C locale's text whatever the user's locale is.
    static constexpr std::array<const char*, 7> kWeekdays{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                          "Thursday", "Friday", "Saturday"};
    const auto t = static_cast<std::time_t>(lastWrite);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    const int hour12 = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s%02d:%02d:%02d %04d년%02d월%02d일,%s", tm.tm_hour < 12 ? "AM" : "PM", hour12,
                  tm.tm_min, tm.tm_sec, tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  kWeekdays[static_cast<size_t>(tm.tm_wday) % 7]);
    return buf;
}

namespace {

constexpr int kSortKeyRole = Qt::UserRole + 1;

// Sizes and times sort by their values, not by their texts.
class PageRow final : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : 0;
        if (column == 1 || column == 2) {
            return data(column, kSortKeyRole).toLongLong() < other.data(column, kSortKeyRole).toLongLong();
        }
        return QTreeWidgetItem::operator<(other);
    }
};

} // namespace

CListHtmlFileView::CListHtmlFileView(CMainFrame* frame, QWidget* parent)
    : QTreeWidget(parent), m_openInEditor(OpenInTextEditor), m_openInBrowser(OpenWithDefaultHandler), m_pFrame(frame) {
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setUniformRowHeights(true);
    setColumnCount(3);
    setHeaderLabels({Text(texts::kPageColumnName), Text(texts::kPageColumnSize), Text(texts::kPageColumnTime)});
    setColumnWidth(0, 300);
    setColumnWidth(1, 100);
    setColumnWidth(2, 100);
    header()->setStretchLastSection(true);
    sortByColumn(0, Qt::AscendingOrder);
    setSortingEnabled(true);
}

void CListHtmlFileView::UM_SHOWDIRECTORY(const std::string& dir) {
    m_strDirectory = dir;
    clear();
    setSortingEnabled(false); // sorted once, when all rows are in
    const auto pages = ListPages(dir);
    if (pages) {
        for (const PageFileInfo& p : *pages) {
            auto* row = new PageRow(this);
            row->setText(0, FromProgramText(p.name));
            row->setText(1, QString::fromStdString(FormatPageSize(p.size)));
            row->setData(1, kSortKeyRole, static_cast<qlonglong>(p.size));
            row->setText(2, QString::fromUtf8(FormatPageTime(p.lastWrite)));
            row->setData(2, kSortKeyRole, static_cast<qlonglong>(p.lastWrite));
        }
    }
    setSortingEnabled(true);
    if (m_pFrame->Settings().m_bSearchWholeDir == 1) {
        OnSelectAll();
    }
}

std::string CListHtmlFileView::RowPath(int row) const {
    return m_strDirectory + kPathSep + ToProgramText(topLevelItem(row)->text(0));
}

std::vector<std::string> CListHtmlFileView::SelectedPaths() const {
    std::vector<std::string> paths;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->isSelected()) {
            paths.push_back(RowPath(i));
        }
    }
    return paths;
}

void CListHtmlFileView::SendScanPages(const std::vector<std::string>& paths) {
    if (m_pEmailList == nullptr) {
        return;
    }
    // One request carries at most kMaxScanPaths pages: the first ones in row order.
    const size_t count = std::min(paths.size(), static_cast<size_t>(kMaxScanPaths));
    m_pEmailList->UM_SCANPAGES(static_cast<int>(count), paths.data());
}

void CListHtmlFileView::Rescan() {
    if (m_strDirectory.empty()) {
        return;
    }
    QStringList selected;
    for (const QTreeWidgetItem* row : selectedItems()) {
        selected << row->text(0);
    }
    UM_SHOWDIRECTORY(m_strDirectory);
    if (m_pFrame->Settings().m_bSearchWholeDir == 1) {
        return; // every page is selected and scanned already
    }
    for (int i = 0; i < topLevelItemCount(); ++i) {
        topLevelItem(i)->setSelected(selected.contains(topLevelItem(i)->text(0)));
    }
    SendScanPages(SelectedPaths());
}

void CListHtmlFileView::OnSelectAll() {
    selectAll();
    setFocus();
    SendScanPages(SelectedPaths());
}

void CListHtmlFileView::OnViewSource() {
    const auto paths = SelectedPaths();
    if (!paths.empty() && m_openInEditor) {
        m_openInEditor(paths.front());
    }
}

void CListHtmlFileView::OnViewBrowser() {
    const auto paths = SelectedPaths();
    if (!paths.empty() && m_openInBrowser) {
        m_openInBrowser(paths.front());
    }
}

void CListHtmlFileView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    SendScanPages(SelectedPaths());
}

void CListHtmlFileView::keyReleaseEvent(QKeyEvent* event) {
    SendScanPages(SelectedPaths());
    QTreeWidget::keyReleaseEvent(event);
}

void CListHtmlFileView::contextMenuEvent(QContextMenuEvent* event) {
    if (m_pPopup != nullptr) {
        m_pPopup->exec(event->globalPos());
    }
}

void OpenInTextEditor(const std::string& path) {
    const QString file = FromProgramText(path);
#ifdef _WIN32
    QProcess::startDetached(QStringLiteral("notepad.exe"), {file});
#else
    const QString visual = qEnvironmentVariable("VISUAL");
    if (!visual.isEmpty()) {
        QStringList args = QProcess::splitCommand(visual);
        const QString program = args.takeFirst();
        QProcess::startDetached(program, args << file);
        return;
    }
    const QString editor = qEnvironmentVariable("EDITOR");
    if (!editor.isEmpty()) {
        // A terminal editor needs a terminal of its own: the program has none.
        const QString terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
        if (!terminal.isEmpty()) {
            QStringList args{QStringLiteral("-e")};
            args << QProcess::splitCommand(editor) << file;
            QProcess::startDetached(terminal, args);
            return;
        }
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(file));
#endif
}

void OpenWithDefaultHandler(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(FromProgramText(path)));
}

} // namespace orvex::ui
