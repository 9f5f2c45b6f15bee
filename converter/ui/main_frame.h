// SPDX-License-Identifier: MIT
// CMainFrame: the converter's main window. It owns the settings, the bars and the three panes
// (directory tree, page list, e-mail list) and routes the commands of the command table.
#pragma once

#include "converter/settings.h"
#include "converter/ui/edit_session.h"
#include "converter/ui/hint_wnd.h"

#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <map>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QSplitter;
class QToolBar;
class QToolButton;

namespace orvex::ui {

class CListEMailView;
class CListHtmlFileView;
class CTreeSubDirView;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    // Reads the settings from settingsPath (the factory values when the file is missing) and
    // writes them back there when the window closes. The editing session and the window's
    // layout are read from session.json beside it, and written there soon after each edit,
    // before the home folder changes, and when the window closes.
    explicit CMainFrame(std::string settingsPath = std::string(kSettingsFileName), QWidget* parent = nullptr);
    ~CMainFrame() override;

    const ConverterSettings& Settings() const { return m_settings; }

    // Runs a command the way a menu item, accelerator or toolbar button does.
    void OnCommand(int id);
    // False when the command has no handler in the active pane (shown disabled).
    bool IsCommandEnabled(int id) const;

    CTreeSubDirView* Tree() const { return m_pTree; }
    CListHtmlFileView* PageList() const { return m_pPageList; }
    CListEMailView* EmailList() const { return m_pEmailList; }
    QToolButton* BulkButton() const { return m_pBulkButton; }
    int BulkCommand() const { return m_nBulkCommand; }
    CHintWnd* HintWnd() const { return m_pHintWnd; }
    QMenu* BulkPopup() { return &m_menuBulkPopup; }
    void SetActivePane(QWidget* pane);

    // True when default.cfg could not be read at construction: the first start.
    bool SettingsMissing() const { return m_bSettingsMissing; }
    // The first-run wizard; on Finish the settings file is written at once and the tree shows
    // the new home directory. False when the user cancelled.
    bool RunFirstSetup();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreatePanes();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void FillPopup(QMenu& menu, const int* ids, size_t count);
    QAction* MakeAction(int id, const QString& text, QObject* parent);
    void UpdateCommandUI();

    void OnSetup(bool serverPage);
    void OnGenerateHtml();
    void OnBulkEdit();
    void OnBulkChoice(int item);
    void OnAppAbout();
    void OnRescan();

    // The home folder's saved edits into the table, and the table's into the session file.
    void RestoreSession();
    void SaveSession(const std::string& home);
    void RestoreLayout();
    QJsonObject SavedLayout() const;
    void Log(const QString& text);

    QSplitter* m_wndSplitter = nullptr;  // tree | right side
    QSplitter* m_wndSplitter2 = nullptr; // page list over e-mail list
    ConverterSettings m_settings;
    std::string m_strSettingsPath;
    bool m_bSettingsMissing = false;
    QPixmap m_bmpToolbar;
    QPointer<CHintWnd> m_pHintWnd;
    QToolBar* m_wndToolBar = nullptr;
    QToolButton* m_pBulkButton = nullptr;
    int m_nBulkCommand;

    CTreeSubDirView* m_pTree = nullptr;
    CListHtmlFileView* m_pPageList = nullptr;
    CListEMailView* m_pEmailList = nullptr;
    QLineEdit* m_pEmailFilter = nullptr;
    QWidget* m_pActivePane = nullptr;

    QMenu m_menuEmailPopup;
    QMenu m_menuPagePopup;
    QMenu m_menuBulkPopup;
    std::multimap<int, QAction*> m_actions; // every action of every command, for enabling

    EditSession m_session;
    QTimer m_saveTimer; // gathers a burst of edits into one write
};

} // namespace orvex::ui
