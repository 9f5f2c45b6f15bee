// SPDX-License-Identifier: MIT
// EmailTableModel: the e-mail list's rows over the ScanTable, one row per listed entry. The entry
// of a row is found here only (Entry); every text, check mark and icon a row shows is read from
// its entry when asked for, so a row never disagrees with the table.
#pragma once

#include "converter/scan_table.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QSortFilterProxyModel>

#include <string>
#include <vector>

namespace orvex::ui {

class EmailTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kNameColumn = 0, kAddressColumn = 1, kPageColumn = 2, kColumnCount = 3 };

    explicit EmailTableModel(QObject* parent = nullptr);

    // The rows, top first; the page column shows each page's path below home. The entries stay
    // the table's and must outlive the rows (until SetRows or Clear).
    void SetRows(std::vector<EmailEntry*> rows, std::string home);
    void Clear() { SetRows({}, {}); }
    // Shows every row again after entries changed elsewhere.
    void EntriesChanged();

    EmailEntry* Entry(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The check box only; names are given through the view's rule.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    void EntryChecked();

private:
    std::vector<EmailEntry*> m_rows;
    std::string m_strHome;
    QIcon m_icons[2]; // 140: name as found, 143: name applied or edited
};

// Sorts by the column clicked (none until then: the rows' own order) and keeps the rows whose
// name or address holds the filter text, in any letter case.
class EmailFilterModel : public QSortFilterProxyModel {
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void SetFilterText(const QString& text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QString m_text;
};

} // namespace orvex::ui
