// SPDX-License-Identifier: MIT
// EmailTableModel and EmailFilterModel.
#include "converter/ui/email_table_model.h"

#include "converter/ui/texts.h"
#include "converter/ui/window_text.h"

namespace orvex::ui {

EmailTableModel::EmailTableModel(QObject* parent) : QAbstractTableModel(parent) {
    m_icons[0] = QIcon(QStringLiteral(":/orvex/icon140.png"));
    m_icons[1] = QIcon(QStringLiteral(":/orvex/icon143.png"));
}

void EmailTableModel::SetRows(std::vector<EmailEntry*> rows, std::string home) {
    beginResetModel();
    m_rows = std::move(rows);
    m_strHome = std::move(home);
    endResetModel();
}

void EmailTableModel::EntriesChanged() {
    if (!m_rows.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
    }
}

EmailEntry* EmailTableModel::Entry(int row) const {
    return row >= 0 && row < rowCount() ? m_rows[static_cast<size_t>(row)] : nullptr;
}

int EmailTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int EmailTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant EmailTableModel::data(const QModelIndex& index, int role) const {
    const EmailEntry* e = Entry(index.row());
    if (e == nullptr) {
        return {};
    }
    const std::string& charset = e->m_pPage->m_strEncoding;
    switch (index.column()) {
    case kNameColumn:
        if (role == Qt::DisplayRole || role == Qt::EditRole) {
            return FromPageText(e->m_strAfterName, charset);
        }
        if (role == Qt::CheckStateRole) {
            return e->m_bChecked != 0 ? Qt::Checked : Qt::Unchecked;
        }
        if (role == Qt::DecorationRole) {
            return m_icons[e->m_bChanged != 0 ? 1 : 0];
        }
        break;
    case kAddressColumn:
        if (role == Qt::DisplayRole) {
            return FromPageText(e->m_strAddress, charset);
        }
        break;
    case kPageColumn:
        if (role == Qt::DisplayRole) {
            const std::string& path = e->m_strPagePath;
            return FromProgramText(path.size() >= m_strHome.size() ? path.substr(m_strHome.size()) : std::string());
        }
        break;
    default:
        break;
    }
    return {};
}

QVariant EmailTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static constexpr const char* kTitles[kColumnCount] = {texts::kMailColumnName, texts::kMailColumnAddress,
                                                          texts::kMailColumnPage};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumnCount) {
        return Text(kTitles[section]);
    }
    return {};
}

Qt::ItemFlags EmailTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == kNameColumn) {
        f |= Qt::ItemIsEditable | Qt::ItemIsUserCheckable;
    }
    return f;
}

bool EmailTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    EmailEntry* e = Entry(index.row());
    if (e == nullptr || index.column() != kNameColumn || role != Qt::CheckStateRole) {
        return false;
    }
    SetEntryCheck(*e, static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked);
    emit dataChanged(index, index);
    emit EntryChecked();
    return true;
}

void EmailFilterModel::SetFilterText(const QString& text) {
    m_text = text;
    invalidateFilter();
}

bool EmailFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    if (m_text.isEmpty()) {
        return true;
    }
    for (int column : {EmailTableModel::kNameColumn, EmailTableModel::kAddressColumn}) {
        if (sourceModel()
                ->index(sourceRow, column, sourceParent)
                .data()
                .toString()
                .contains(m_text, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

} // namespace orvex::ui
