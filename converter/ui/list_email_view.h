// SPDX-License-Identifier: MIT
// CListEMailView: the bottom right pane. It owns the ScanTable and shows one row per address
// found in the selected pages, through EmailTableModel; the names shown instead of the
// addresses are chosen here. Rows sort by the column whose header is clicked and can be
// filtered by a text found in their name or address.
#pragma once

#include "converter/scan_table.h"

#include <QTreeView>

#include <functional>
#include <string>
#include <vector>

class QMenu;

namespace orvex::ui {

class CMainFrame;
class EmailFilterModel;
class EmailTableModel;

class CListEMailView : public QTreeView {
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
    // Shows only the rows whose name or address holds text (any letter case); empty shows all.
    void SetFilterText(const QString& text);

    void OnSelectAll(); // 32793
    void OnEditName();  // 32796 and double click
    // The in-place edit of the name on row (as shown) ended with text (a cancelled edit never gets here).
    void OnEndLabelEdit(int row, const QString& text);

    ScanTable& Table() { return m_table; }
    // The entry of a row as shown (sorted and filtered); null past the last row.
    EmailEntry* RowEntry(int row) const;
    EmailEntry* EntryAt(const QModelIndex& index) const;

    // Tells the user that an Area row keeps its name; tests replace it.
    std::function<void(const QString&)> m_showMessage;

signals:
    // A name or check mark of some entry changed.
    void EntriesEdited();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The selected rows' entries, top row first.
    std::vector<EmailEntry*> SelectedEntries() const;

    CMainFrame* m_pFrame;
    ScanTable m_table;
    EmailTableModel* m_pModel;
    EmailFilterModel* m_pFilter;
    QMenu* m_pPopup = nullptr;
};

} // namespace orvex::ui
