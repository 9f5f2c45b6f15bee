// SPDX-License-Identifier: MIT
// CListEMailView: the bottom right pane. It owns the ScanTable and shows one row per address
// found in the selected pages; the names shown instead of the addresses are chosen here.
#pragma once

#include "converter/scan_table.h"

#include <QIcon>
#include <QTreeWidget>

#include <functional>
#include <string>

class QMenu;

namespace orvex::ui {

class CMainFrame;

class CListEMailView : public QTreeWidget {
    Q_OBJECT

public:
    CListEMailView(CMainFrame* frame, QWidget* parent = nullptr);

    void SetPopupMenu(QMenu* menu) { m_pPopup = menu; }

    // Rebuilds the rows from the pages, scanning each the first time it is asked for; each
    // page's rows stand above those of the pages before it.
    void UM_SCANPAGES(int count, const std::string* paths);
    void UM_CLEARENTRIES();
    // 1..3 default name n, 4 the ID rule, 5 revert; on the selected rows.
    void UM_APPLYNAME(int which);
    // Shows every row's entry again (names, icons, check boxes) after a change made elsewhere.
    void RefreshRows();

    void OnSelectAll(); // 32793
    void OnEditName();  // 32796 and double click
    // The in-place edit of row's name ended with text (a cancelled edit never gets here).
    void OnEndLabelEdit(int row, const QString& text);

    ScanTable& Table() { return m_table; }
    EmailEntry* RowEntry(int row) const;

    // Tells the user that an Area row keeps its name; tests replace it.
    std::function<void(const QString&)> m_showMessage;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void ListPageEntries(EmailEntry* first, int32_t count);
    void ShowRow(QTreeWidgetItem* row, const EmailEntry& entry, const std::string& name, int image);
    void SetRowCheck(QTreeWidgetItem* row, bool checked);
    void OnItemChanged(QTreeWidgetItem* row, int column);
    QTreeWidgetItem* FirstSelectedRow() const;
    QString PageText(const EmailEntry& entry, const std::string& bytes) const;

    CMainFrame* m_pFrame;
    ScanTable m_table;
    QMenu* m_pPopup = nullptr;
    QIcon m_icons[2]; // 140: name as found, 143: name applied or edited
};

} // namespace orvex::ui
