// SPDX-License-Identifier: MIT
// CTreeSubDirView: the left pane, the home directory and its folders, read one level ahead of
// what has been opened.
#pragma once

#include "converter/settings.h"

#include <QIcon>
#include <QTreeWidget>

#include <string>

namespace orvex::ui {

class CListHtmlFileView;
class CListEMailView;

class CTreeSubDirView : public QTreeWidget {
    Q_OBJECT

public:
    explicit CTreeSubDirView(QWidget* parent = nullptr);

    void SetPanes(CListHtmlFileView* pageList, CListEMailView* emailList) {
        m_pPageList = pageList;
        m_pEmailList = emailList;
    }

    // First show: the tree from the settings' home directory, without telling the other panes.
    void OnInitialUpdate(const ConverterSettings& settings);
    // The home directory changed: refill, empty the e-mail list, list the new directory's pages.
    int UM_HOMEDIRCHANGED(const ConverterSettings& settings);

    // The full path of an item: the root text, then each level's text after a separator.
    static std::string ItemPath(const QTreeWidgetItem* item);

private:
    void FillTree(const std::string& dir);
    void OnItemExpanding(QTreeWidgetItem* item);
    void OnSelChanging(QTreeWidgetItem* current);
    static void AppendSubDirs(QTreeWidgetItem* parent, const std::string& dir, const QIcon& icon);

    CListHtmlFileView* m_pPageList = nullptr;
    CListEMailView* m_pEmailList = nullptr;
    QIcon m_iconTopLevel; // closed icon, open icon while selected: root and first level
    QIcon m_iconDeep;     // closed icon in both states
};

} // namespace orvex::ui
