// SPDX-License-Identifier: MIT
// CTreeSubDirView.
#include "converter/ui/tree_sub_dir_view.h"

#include "converter/ui/list_email_view.h"
#include "converter/ui/list_html_file_view.h"
#include "converter/ui/window_text.h"
#include "platform/file_system.h"
#include "platform/paths.h"

#include <QHeaderView>
#include <QSignalBlocker>

namespace orvex::ui {

namespace {

// Set on an item once its children's folders have been listed.
constexpr int kExpandedOnceRole = Qt::UserRole + 1;

} // namespace

CTreeSubDirView::CTreeSubDirView(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setIconSize(QSize(16, 16));
    const QPixmap closed(QStringLiteral(":/orvex/folder_closed.png"));
    const QPixmap open(QStringLiteral(":/orvex/folder_open.png"));
    m_iconTopLevel.addPixmap(closed, QIcon::Normal);
    m_iconTopLevel.addPixmap(open, QIcon::Selected);
    m_iconDeep.addPixmap(closed, QIcon::Normal);
    m_iconDeep.addPixmap(closed, QIcon::Selected);
    connect(this, &QTreeWidget::itemExpanded, this, &CTreeSubDirView::OnItemExpanding);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnSelChanging(current); });
}

void CTreeSubDirView::OnInitialUpdate(const ConverterSettings& settings) {
    FillTree(settings.m_strHomeDir);
}

int CTreeSubDirView::UM_HOMEDIRCHANGED(const ConverterSettings& settings) {
    FillTree(settings.m_strHomeDir);
    if (m_pEmailList != nullptr) {
        m_pEmailList->UM_CLEARENTRIES();
    }
    if (m_pPageList != nullptr) {
        m_pPageList->UM_SHOWDIRECTORY(settings.m_strHomeDir);
    }
    return 0;
}

std::string CTreeSubDirView::ItemPath(const QTreeWidgetItem* item) {
    std::string path = ToProgramText(item->text(0));
    for (const QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent()) {
        path = ToProgramText(up->text(0)) + kPathSep + path;
    }
    return path;
}

void CTreeSubDirView::FillTree(const std::string& dir) {
    // Filling is not a choice of the user's: the page list hears nothing of it.
    QSignalBlocker blocker(this);
    clear();
    auto* root = new QTreeWidgetItem(this, QStringList{FromProgramText(dir)});
    root->setIcon(0, m_iconTopLevel);
    AppendSubDirs(root, dir, m_iconTopLevel);
    addTopLevelItem(root);
    blocker.unblock();
    root->setExpanded(true);
}

void CTreeSubDirView::AppendSubDirs(QTreeWidgetItem* parent, const std::string& dir, const QIcon& icon) {
    const auto entries = ListDirectory(dir, ListDetail::TypeOnly);
    if (!entries) {
        return;
    }
    for (const DirEntry& e : *entries) {
        if (e.isDirectory) {
            auto* child = new QTreeWidgetItem(parent, QStringList{FromProgramText(e.name)});
            child->setIcon(0, icon);
        }
    }
    parent->sortChildren(0, Qt::AscendingOrder);
}

void CTreeSubDirView::OnItemExpanding(QTreeWidgetItem* item) {
    if (item->data(0, kExpandedOnceRole).toBool()) {
        return;
    }
    item->setData(0, kExpandedOnceRole, true);
    const std::string path = ItemPath(item);
    for (int i = 0; i < item->childCount(); ++i) {
        QTreeWidgetItem* child = item->child(i);
        AppendSubDirs(child, path + kPathSep + ToProgramText(child->text(0)), m_iconDeep);
    }
}

void CTreeSubDirView::OnSelChanging(QTreeWidgetItem* current) {
    if (current != nullptr && m_pPageList != nullptr) {
        m_pPageList->UM_SHOWDIRECTORY(ItemPath(current));
    }
}

} // namespace orvex::ui
