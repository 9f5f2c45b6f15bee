// SPDX-License-Identifier: MIT
// CListEMailView.
//
// Each row keeps, beside its texts:
//  1. its EmailEntry (kEntryRole), valid until the table is reset;
//  2. the check state it had before its last change (kCapturedCheckRole), so that a change of
//     the check box is told from every other change of the row; a row starts unchecked.
#include "converter/ui/list_email_view.h"

#include "converter/page_encoding.h"
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

namespace orvex::ui {

namespace {

constexpr int kEntryRole = Qt::UserRole + 1;
constexpr int kCapturedCheckRole = Qt::UserRole + 2;

// Only the name column is edited in place, and the edit's end goes to the view's rule rather
// than straight into the row.
class NameColumnDelegate final : public QStyledItemDelegate {
public:
    explicit NameColumnDelegate(CListEMailView* view) : QStyledItemDelegate(view), m_view(view) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        return index.column() == 0 ? QStyledItemDelegate::createEditor(parent, option, index) : nullptr;
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

CListEMailView::CListEMailView(CMainFrame* frame, QWidget* parent) : QTreeWidget(parent), m_pFrame(frame) {
    m_showMessage = [this](const QString& text) { QMessageBox::information(this, Text(texts::kMainTitle), text); };
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setItemDelegate(new NameColumnDelegate(this));
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    setColumnCount(3);
    setHeaderLabels({Text(texts::kMailColumnName), Text(texts::kMailColumnAddress), Text(texts::kMailColumnPage)});
    setColumnWidth(0, 300);
    setColumnWidth(1, 200);
    setColumnWidth(2, 100);
    header()->setStretchLastSection(true);
    m_icons[0] = QIcon(QStringLiteral(":/orvex/icon140.png"));
    m_icons[1] = QIcon(QStringLiteral(":/orvex/icon143.png"));
    connect(this, &QTreeWidget::itemChanged, this, &CListEMailView::OnItemChanged);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem*, int) { OnEditName(); });
}

EmailEntry* CListEMailView::RowEntry(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item == nullptr ? nullptr : reinterpret_cast<EmailEntry*>(item->data(0, kEntryRole).value<quintptr>());
}

QString CListEMailView::PageText(const EmailEntry& entry, const std::string& bytes) const {
    return FromPageText(bytes, entry.m_pPage->m_strEncoding);
}

void CListEMailView::UM_SCANPAGES(int count, const std::string* paths) {
    clear();
    for (int i = 0; i < count; ++i) {
        const ScanResult r = m_table.LookupOrScanPage(paths[i], m_pFrame->Settings().m_bCheckAll);
        if (r.status != ScanStatus::Ok) {
            // The rest of the request is not listed: the user is told why.
            m_showMessage(FromProgramText(r.message));
            return;
        }
        ListPageEntries(r.first, r.count);
    }
}

void CListEMailView::UM_CLEARENTRIES() {
    clear();
    m_table.ResetScanTable();
}

void CListEMailView::ListPageEntries(EmailEntry* first, int32_t count) {
    const std::string& home = m_pFrame->Settings().m_strHomeDir;
    for (int32_t k = 0; k < count; ++k) {
        EmailEntry& e = first[k];
        auto* row = new QTreeWidgetItem();
        row->setFlags(row->flags() | Qt::ItemIsEditable | Qt::ItemIsUserCheckable);
        row->setData(0, kEntryRole, QVariant::fromValue(reinterpret_cast<quintptr>(&e)));
        row->setCheckState(0, Qt::Unchecked);
        row->setData(0, kCapturedCheckRole, false);
        row->setText(0, PageText(e, e.m_strAfterName));
        row->setIcon(0, m_icons[e.m_bChanged != 0 ? 1 : 0]);
        row->setText(1, PageText(e, e.m_strAddress));
        const std::string relative = e.m_strPagePath.size() >= home.size() ? e.m_strPagePath.substr(home.size()) : "";
        row->setText(2, FromProgramText(relative));
        insertTopLevelItem(k, row);
        // Through the check rule, as any later change: a checked entry marks its page modified.
        SetRowCheck(row, e.m_bChecked != 0);
    }
}

void CListEMailView::ShowRow(QTreeWidgetItem* row, const EmailEntry& entry, const std::string& name, int image) {
    row->setText(0, PageText(entry, name));
    row->setIcon(0, m_icons[image]);
}

void CListEMailView::SetRowCheck(QTreeWidgetItem* row, bool checked) {
    row->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

void CListEMailView::OnItemChanged(QTreeWidgetItem* row, int column) {
    EmailEntry* e = reinterpret_cast<EmailEntry*>(row->data(0, kEntryRole).value<quintptr>());
    if (e == nullptr || column != 0) {
        return;
    }
    const bool checked = row->checkState(0) == Qt::Checked;
    const QVariant captured = row->data(0, kCapturedCheckRole);
    if (captured.isValid() && captured.toBool() != checked) {
        row->setData(0, kCapturedCheckRole, checked);
        SetEntryCheck(*e, checked);
    }
}

void CListEMailView::OnEndLabelEdit(int index, const QString& text) {
    QTreeWidgetItem* row = topLevelItem(index);
    EmailEntry* e = RowEntry(index);
    if (e == nullptr) {
        return;
    }
    // A character the page's encoding cannot hold is written as a numeric character reference.
    SetEntryName(*e, EncodeForPage(text.toStdString(), e->m_pPage->m_strEncoding)); // an Area entry keeps its name
    row->setText(0, text);
    row->setIcon(0, m_icons[1]);
    SetRowCheck(row, true);
}

void CListEMailView::UM_APPLYNAME(int which) {
    const ConverterSettings& settings = m_pFrame->Settings();
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = topLevelItem(i);
        EmailEntry* e = RowEntry(i);
        if (!row->isSelected() || e == nullptr) {
            continue;
        }
        if (which == kApplyRevert) {
            RevertEntry(*e);
            ShowRow(row, *e, e->m_strBeforeName, 0);
            SetRowCheck(row, false);
            continue;
        }
        if (which == kApplyId) {
            ApplyIdName(*e);
        } else {
            ApplyDefaultName(*e, which, settings);
        }
        if (e->m_nKind != EntryKind::Area) {
            ShowRow(row, *e, e->m_strAfterName, 1);
        }
        SetRowCheck(row, true);
    }
}

void CListEMailView::RefreshRows() {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        const EmailEntry* e = RowEntry(i);
        if (e != nullptr) {
            ShowRow(topLevelItem(i), *e, e->m_strAfterName, e->m_bChanged != 0 ? 1 : 0);
            SetRowCheck(topLevelItem(i), e->m_bChecked != 0);
        }
    }
}

void CListEMailView::OnSelectAll() {
    selectAll();
}

QTreeWidgetItem* CListEMailView::FirstSelectedRow() const {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->isSelected()) {
            return topLevelItem(i);
        }
    }
    return nullptr;
}

void CListEMailView::OnEditName() {
    QTreeWidgetItem* row = FirstSelectedRow();
    if (row == nullptr) {
        return;
    }
    EmailEntry* e = reinterpret_cast<EmailEntry*>(row->data(0, kEntryRole).value<quintptr>());
    if (e == nullptr) {
        return;
    }
    if (e->m_nKind == EntryKind::Area) {
        m_showMessage(Text(texts::kAreaNoName));
        SetEntryName(*e, e->m_strAfterName);
        SetRowCheck(row, true);
        return;
    }
    CNameEditDlg dlg(*e, m_pFrame->Settings(), this);
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    SetEntryName(*e, EncodeForPage(dlg.m_strAfterName.toStdString(), e->m_pPage->m_strEncoding));
    ShowRow(row, *e, e->m_strAfterName, 1);
    SetRowCheck(row, true);
}

void CListEMailView::contextMenuEvent(QContextMenuEvent* event) {
    if (m_pPopup != nullptr) {
        m_pPopup->exec(event->globalPos());
    }
}

} // namespace orvex::ui
