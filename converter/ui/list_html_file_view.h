// SPDX-License-Identifier: MIT
// CListHtmlFileView: the top right pane, the pages of the folder chosen in the tree; the pages
// selected here are sent to the e-mail list.
#pragma once

#include <QTreeWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QMenu;

namespace orvex::ui {

class CListEMailView;
class CMainFrame;

// A row's size and time texts: "%dbyte" and the last-write time in local time as the C
// locale's "%p%I:%M:%S %Y년%m월%d일,%A".
std::string FormatPageSize(uint64_t size);
std::string FormatPageTime(int64_t lastWrite);

class CListHtmlFileView : public QTreeWidget {
    Q_OBJECT

public:
    CListHtmlFileView(CMainFrame* frame, QWidget* parent = nullptr);

    void SetEmailList(CListEMailView* emailList) { m_pEmailList = emailList; }
    void SetPopupMenu(QMenu* menu) { m_pPopup = menu; }

    // Lists the directory's pages; with the whole-directory setting, selects and scans them all.
    void UM_SHOWDIRECTORY(const std::string& dir);

    // Lists the directory again and scans the pages selected before that are still there (all
    // of them with the whole-directory setting).
    void Rescan();

    void OnSelectAll();   // 32803 and 32793
    void OnViewSource();  // 32801
    void OnViewBrowser(); // 32802

    const std::string& Directory() const { return m_strDirectory; }
    std::vector<std::string> SelectedPaths() const;

    // How a page is opened in an editor or browser; tests replace these.
    std::function<void(const std::string& path)> m_openInEditor;
    std::function<void(const std::string& path)> m_openInBrowser;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void SendScanPages(const std::vector<std::string>& paths);
    std::string RowPath(int row) const;

    CMainFrame* m_pFrame;
    CListEMailView* m_pEmailList = nullptr;
    QMenu* m_pPopup = nullptr;
    std::string m_strDirectory;
};

// The user's text editor: notepad on Windows; elsewhere $VISUAL, else $EDITOR in a terminal,
// else the desktop's handler for plain text.
void OpenInTextEditor(const std::string& path);
// The desktop's default handler for the file.
void OpenWithDefaultHandler(const std::string& path);

} // namespace orvex::ui
