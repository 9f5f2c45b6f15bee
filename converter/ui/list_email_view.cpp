// SPDX-License-Identifier: MIT
// CListEMailView.
#include "converter/ui/list_email_view.h"

#include "converter/page_encoding.h"
#include "converter/ui/email_table_model.h"
#include "converter/ui/main_frame.h"
#include "converter/ui/name_edit_dlg.h"
#include "converter/ui/resource_ids.h"
#include "converter/ui/texts.h"
#include "converter/ui/window_text.h"
#include "platform/text_codec.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QStyledItemDelegate>

#include <algorithm>

namespace orvex::ui {

namespace {

// Only the name column is edited in place, and the edit's end goes to the view's rule rather
// than straight into the model.
class NameColumnDelegate final : public QStyledItemDelegate {
public:
    explicit NameColumnDelegate(CListEMailView* view) : QStyledItemDelegate(view), m_view(view) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        return index.column() == EmailTableModel::kNameColumn ? QStyledItemDelegate::createEditor(parent, option, index)
                                                              : nullptr;
    }
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
            m_view->OnEndLabelEdit(index.row(), edit->text());
        }
    }

private:
    CListEMailView* m_view;
};

} // namespace

CListEMailView::CListEMailView(CMainFrame* frame, QWidget* parent)
    : QTreeView(parent), m_pFrame(frame), m_pModel(new EmailTableModel(this)), m_pFilter(new EmailFilterModel(this)) {
    m_showMessage = [this](const QString& text) { QMessageBox::information(this, Text(texts::kMainTitle), text); };
    m_pFilter->setSourceModel(m_pModel);
    setModel(m_pFilter);
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setItemDelegate(new NameColumnDelegate(this));
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    setColumnWidth(EmailTableModel::kNameColumn, 300);
    setColumnWidth(EmailTableModel::kAddressColumn, 200);
    setColumnWidth(EmailTableModel::kPageColumn, 100);
    header()->setStretchLastSection(true);
    // Unsorted until a header is clicked: the rows' own order, later pages on top.
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    connect(m_pModel, &EmailTableModel::EntryChecked, this, &CListEMailView::EntriesEdited);
    connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex&) { OnEditName(); });
}

EmailEntry* CListEMailView::EntryAt(const QModelIndex& index) const {
    return m_pModel->Entry(m_pFilter->mapToSource(index).row());
}

EmailEntry* CListEMailView::RowEntry(int row) const {
    return EntryAt(m_pFilter->index(row, 0));
}

void CListEMailView::UM_SCANPAGES(int count, const std::string* paths) {
    std::vector<EmailEntry*> rows;
    for (int i = 0; i < count; ++i) {
        const ScanResult r = m_table.LookupOrScanPage(paths[i], m_pFrame->Settings().m_bCheckAll);
        if (r.status != ScanStatus::Ok) {
            // The rest of the request is not listed: the user is told why.
            m_showMessage(FromProgramText(r.message));
            break;
        }
        std::vector<EmailEntry*> page;
        for (int32_t k = 0; k < r.count; ++k) {
            EmailEntry& e = r.first[k];
            if (e.m_bChecked != 0) {
                SetEntryCheck(e, true); // a listed checked entry marks its page modified
            }
            page.push_back(&e);
        }
        rows.insert(rows.begin(), page.begin(), page.end());
    }
    m_pModel->SetRows(std::move(rows), m_pFrame->Settings().m_strHomeDir);
}

void CListEMailView::UM_CLEARENTRIES() {
    m_pModel->Clear();
    m_table.ResetScanTable();
}

void CListEMailView::OnEndLabelEdit(int row, const QString& text) {
    EmailEntry* e = RowEntry(row);
    if (e == nullptr) {
        return;
    }
    // A character the page's encoding cannot hold is written as a numeric character reference.
    SetEntryName(*e, EncodeForPage(text.toStdString(), e->m_pPage->m_strEncoding)); // an Area entry keeps its name
    RefreshRows();
    emit EntriesEdited();
}

std::vector<EmailEntry*> CListEMailView::SelectedEntries() const {
    QModelIndexList selected = selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<EmailEntry*> entries;
    for (const QModelIndex& index : selected) {
        if (EmailEntry* e = EntryAt(index)) {
            entries.push_back(e);
        }
    }
    return entries;
}

void CListEMailView::UM_APPLYNAME(int which) {
    const ConverterSettings& settings = m_pFrame->Settings();
    for (EmailEntry* e : SelectedEntries()) {
        if (which == kApplyRevert) {
            RevertEntry(*e);
        } else if (which == kApplyId) {
            ApplyIdName(*e);
        } else {
            ApplyDefaultName(*e, which, settings);
        }
    }
    RefreshRows();
    emit EntriesEdited();
}

void CListEMailView::RefreshRows() {
    m_pModel->EntriesChanged();
}

void CListEMailView::SetFilterText(const QString& text) {
    m_pFilter->SetFilterText(text);
}

void CListEMailView::OnSelectAll() {
    selectAll();
}

void CListEMailView::OnEditName() {
    const std::vector<EmailEntry*> selected = SelectedEntries();
    if (selected.empty()) {
        return;
    }
    EmailEntry* e = selected.front();
    if (e->m_nKind == EntryKind::Area) {
        m_showMessage(Text(texts::kAreaNoName));
        SetEntryName(*e, e->m_strAfterName);
    } else {
        CNameEditDlg dlg(*e, m_pFrame->Settings(), this);
        if (dlg.exec() != QDialog::Accepted) {
            return;
        }
        SetEntryName(*e, EncodeForPage(dlg.m_strAfterName.toStdString(), e->m_pPage->m_strEncoding));
    }
    RefreshRows();
    emit EntriesEdited();
}

void CListEMailView::contextMenuEvent(QContextMenuEvent* event) {
    if (m_pPopup != nullptr) {
        m_pPopup->exec(event->globalPos());
    }
}

} // namespace orvex::ui
