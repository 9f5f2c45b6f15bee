// SPDX-License-Identifier: MIT
// CMainFrame.
#include "converter/ui/main_frame.h"

#include "converter/service_hosts.h"
#include "converter/ui/about_box.h"
#include "converter/ui/command_table.h"
#include "converter/ui/file_create_dlg.h"
#include "converter/ui/hint_wnd.h"
#include "converter/ui/list_email_view.h"
#include "converter/ui/list_html_file_view.h"
#include "converter/ui/setup_wizard_sheet.h"
#include "converter/ui/texts.h"
#include "converter/ui/tree_sub_dir_view.h"
#include "converter/ui/window_text.h"
#include "platform/paths.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

// The artwork lives in this static library; without a reference the linker would drop its
// registration.
static void InitArtworkResources() {
    Q_INIT_RESOURCE(orvex);
}

namespace orvex::ui {

CMainFrame::CMainFrame(std::string settingsPath, QWidget* parent)
    : QMainWindow(parent), m_strSettingsPath(std::move(settingsPath)), m_nBulkCommand(kIdBulkEdit),
      m_session(SessionPathBeside(m_strSettingsPath)) {
    InitArtworkResources();
    setProperty(kResourceIdProperty, kIdrMainFrame);
    setWindowIcon(QIcon(QStringLiteral(":/orvex/orvex128.png")));
    m_bmpToolbar = QPixmap(QStringLiteral(":/orvex/toolbar177.png"));

    CreatePanes();
    // A missing or unreadable default.cfg leaves the factory values until the first-run wizard.
    m_bSettingsMissing = ReadSettingsFile(m_settings, m_strSettingsPath) == SettingsFileStatus::Missing;
    setWindowTitle(Text(texts::kMainTitle));
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    resize(900, 640);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (QWidget* w = now; w != nullptr; w = w->parentWidget()) {
            if (w == m_pTree || w == m_pPageList || w == m_pEmailList) {
                SetActivePane(w);
                return;
            }
        }
    });
    SetActivePane(m_pEmailList);
    m_pTree->OnInitialUpdate(m_settings);

    const QString problem = m_session.Load();
    if (!problem.isEmpty()) {
        Log(problem);
    }
    RestoreLayout();
    RestoreSession();
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(300);
    connect(&m_saveTimer, &QTimer::timeout, this, [this] { SaveSession(m_settings.m_strHomeDir); });
    connect(m_pEmailList, &CListEMailView::EntriesEdited, &m_saveTimer, qOverload<>(&QTimer::start));
}

CMainFrame::~CMainFrame() {
    // An edit made just before the window went without a close still reaches the file.
    if (m_saveTimer.isActive()) {
        SaveSession(m_settings.m_strHomeDir);
    }
}

void CMainFrame::Log(const QString& text) {
    qWarning("%s", qUtf8Printable(text));
    statusBar()->showMessage(text);
}

void CMainFrame::RestoreSession() {
    m_session.Restore(m_pEmailList->Table(), m_settings.m_strHomeDir, m_settings.m_bCheckAll);
    m_pEmailList->RefreshRows(); // the new home's pages may be listed already
}

void CMainFrame::SaveSession(const std::string& home) {
    m_saveTimer.stop();
    m_session.Capture(m_pEmailList->Table(), home, m_settings.m_bCheckAll);
    m_session.SetWindow(SavedLayout());
    if (!m_session.Write()) {
        Log(Text(texts::kSessionWriteFailed).arg(FromProgramText(m_session.Path())));
    }
}

namespace {

QString Base64(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toBase64());
}

QByteArray FromBase64(const QJsonObject& o, const char* name) {
    return QByteArray::fromBase64(o.value(QLatin1String(name)).toString().toLatin1());
}

} // namespace

QJsonObject CMainFrame::SavedLayout() const {
    return {{QLatin1String("geometry"), Base64(saveGeometry())},
            {QLatin1String("splitter"), Base64(m_wndSplitter->saveState())},
            {QLatin1String("splitter2"), Base64(m_wndSplitter2->saveState())},
            {QLatin1String("pageColumns"), Base64(m_pPageList->header()->saveState())},
            {QLatin1String("emailColumns"), Base64(m_pEmailList->header()->saveState())}};
}

void CMainFrame::RestoreLayout() {
    // Each restore ignores what it cannot use: a missing or damaged part leaves the default.
    const QJsonObject layout = m_session.Window();
    restoreGeometry(FromBase64(layout, "geometry"));
    m_wndSplitter->restoreState(FromBase64(layout, "splitter"));
    m_wndSplitter2->restoreState(FromBase64(layout, "splitter2"));
    m_pPageList->header()->restoreState(FromBase64(layout, "pageColumns"));
    m_pEmailList->header()->restoreState(FromBase64(layout, "emailColumns"));
}

void CMainFrame::CreatePanes() {
    m_wndSplitter = new QSplitter(Qt::Horizontal, this);
    m_pTree = new CTreeSubDirView(m_wndSplitter);
    m_wndSplitter2 = new QSplitter(Qt::Vertical, m_wndSplitter);
    m_pPageList = new CListHtmlFileView(this, m_wndSplitter2);
    // The e-mail list under its filter box.
    auto* emailPane = new QWidget(m_wndSplitter2);
    auto* layout = new QVBoxLayout(emailPane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_pEmailFilter = new QLineEdit(emailPane);
    m_pEmailFilter->setObjectName(QStringLiteral("m_editEmailFilter"));
    m_pEmailFilter->setPlaceholderText(Text(texts::kEmailFilter));
    m_pEmailFilter->setClearButtonEnabled(true);
    m_pEmailList = new CListEMailView(this, emailPane);
    layout->addWidget(m_pEmailFilter);
    layout->addWidget(m_pEmailList);
    connect(m_pEmailFilter, &QLineEdit::textChanged, m_pEmailList, &CListEMailView::SetFilterText);
    // F5 reads the chosen folder again: pages added, gone or changed on disk.
    auto* rescan = new QAction(this);
    rescan->setShortcut(QKeySequence(Qt::Key_F5));
    rescan->setShortcutContext(Qt::WindowShortcut);
    addAction(rescan);
    connect(rescan, &QAction::triggered, this, &CMainFrame::OnRescan);
    m_wndSplitter->setSizes({200, 700});
    m_wndSplitter2->setSizes({200, 300});
    m_pTree->SetPanes(m_pPageList, m_pEmailList);
    m_pPageList->SetEmailList(m_pEmailList);
    m_pPageList->SetPopupMenu(&m_menuPagePopup);
    m_pEmailList->SetPopupMenu(&m_menuEmailPopup);
    setCentralWidget(m_wndSplitter);
}

QAction* CMainFrame::MakeAction(int id, const QString& text, QObject* parent) {
    auto* action = new QAction(text, parent);
    action->setProperty(kResourceIdProperty, id);
    action->setStatusTip(text);
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions.emplace(id, action);
    return action;
}

void CMainFrame::CreateMenus() {
    QMenuBar* bar = menuBar();
    bar->setProperty(kResourceIdProperty, kIdrMainFrame);
    auto addMenu = [&](const char* title, const auto& ids) {
        QMenu* menu = bar->addMenu(Text(title));
        bool homeDirItem = false;
        for (int id : ids) {
            if (id == 0) {
                menu->addSeparator();
                continue;
            }
            const CommandEntry* command = FindCommand(id);
            // The settings command's second menu item names the home directory.
            const char* text = id == kIdDefaultValues && homeDirItem ? kHomeDirMenuText : command->menuText;
            homeDirItem = homeDirItem || id == kIdDefaultValues;
            QAction* action = MakeAction(id, Text(text), menu);
            if (command->accelerator != nullptr) {
                action->setShortcut(QKeySequence(QString::fromLatin1(command->accelerator)));
            }
            if (id == kIdViewToolbar || id == kIdViewStatusBar) {
                action->setCheckable(true);
                action->setChecked(true);
            }
            menu->addAction(action);
        }
    };
    addMenu(texts::kMenuFile, kFileMenu);
    addMenu(texts::kMenuEdit, kEditMenu);
    addMenu(texts::kMenuView, kViewMenu);
    addMenu(texts::kMenuHelp, kHelpMenu);

    m_menuEmailPopup.setProperty(kResourceIdProperty, kIdrPopupMenus);
    m_menuPagePopup.setProperty(kResourceIdProperty, kIdrPopupMenus);
    m_menuBulkPopup.setProperty(kResourceIdProperty, kIdrPopupMenus);
    FillPopup(m_menuEmailPopup, kEmailPopup.data(), kEmailPopup.size());
    FillPopup(m_menuPagePopup, kPagePopup.data(), kPagePopup.size());
    FillPopup(m_menuBulkPopup, kBulkPopup.data(), kBulkPopup.size());
}

void CMainFrame::FillPopup(QMenu& menu, const int* ids, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (ids[i] == 0) {
            menu.addSeparator();
        } else {
            menu.addAction(MakeAction(ids[i], Text(FindCommand(ids[i])->barText), &menu));
        }
    }
}

void CMainFrame::CreateToolBar() {
    m_wndToolBar = new QToolBar(this);
    m_wndToolBar->setProperty(kResourceIdProperty, kIdrMainFrame);
    m_wndToolBar->setObjectName(QStringLiteral("m_wndToolBar"));
    m_wndToolBar->setIconSize(QSize(20, 20));
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    QList<QToolButton*> buttons;
    for (const ToolbarButton& b : kToolbar) {
        if (b.id == 0) {
            m_wndToolBar->addSeparator();
            continue;
        }
        const QIcon icon(m_bmpToolbar.copy(b.image * 20, 0, 20, 20));
        const QString text = Text(FindCommand(b.id)->barText);
        if (b.id == kIdBulkEdit) {
            // Its command changes with the drop-down choice, so the button runs whatever it holds.
            m_pBulkButton = new QToolButton(m_wndToolBar);
            m_pBulkButton->setProperty(kResourceIdProperty, kIdBulkEdit);
            m_pBulkButton->setIcon(icon);
            m_pBulkButton->setText(text);
            m_pBulkButton->setToolTip(text);
            m_pBulkButton->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            m_pBulkButton->setPopupMode(QToolButton::MenuButtonPopup);
            m_pBulkButton->setMenu(&m_menuBulkPopup);
            connect(m_pBulkButton, &QToolButton::clicked, this, [this] { OnCommand(m_nBulkCommand); });
            m_wndToolBar->addWidget(m_pBulkButton);
            buttons.push_back(m_pBulkButton);
            continue;
        }
        QAction* action = MakeAction(b.id, text, m_wndToolBar);
        action->setIcon(icon);
        m_wndToolBar->addAction(action);
        if (auto* button = qobject_cast<QToolButton*>(m_wndToolBar->widgetForAction(action))) {
            button->setProperty(kResourceIdProperty, b.id);
            buttons.push_back(button);
        }
    }
    // Every button as wide as the widest and as tall as the tallest.
    QSize size;
    for (QToolButton* button : std::as_const(buttons)) {
        size = size.expandedTo(button->sizeHint());
    }
    for (QToolButton* button : std::as_const(buttons)) {
        button->setMinimumSize(size);
    }
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        auto* label = new QLabel(QString::fromLatin1(indicator), bar);
        label->setMinimumWidth(40);
        label->setAlignment(Qt::AlignCenter);
        bar->addPermanentWidget(label);
    }
    connect(bar, &QStatusBar::messageChanged, bar, [bar](const QString& message) {
        if (message.isEmpty()) {
            bar->showMessage(Text(texts::kReady));
        }
    });
    bar->showMessage(Text(texts::kReady));
}

void CMainFrame::SetActivePane(QWidget* pane) {
    m_pActivePane = pane;
    UpdateCommandUI();
}

bool CMainFrame::IsCommandEnabled(int id) const {
    const CommandEntry* command = FindCommand(id);
    if (command == nullptr) {
        return false;
    }
    switch (command->target) {
    case CommandTarget::EmailList:
        return m_pActivePane == m_pEmailList;
    case CommandTarget::ActiveList:
        return m_pActivePane == m_pEmailList || m_pActivePane == m_pPageList;
    default:
        return true;
    }
}

void CMainFrame::UpdateCommandUI() {
    for (const auto& [id, action] : m_actions) {
        action->setEnabled(IsCommandEnabled(id));
    }
}

void CMainFrame::OnCommand(int id) {
    if (!IsCommandEnabled(id)) {
        return;
    }
    switch (id) {
    case kIdGenerateHtml:
        OnGenerateHtml();
        break;
    case kIdDefaultValues:
        OnSetup(false);
        break;
    case kIdSetupSheet:
        OnSetup(true);
        break;
    case kIdAppExit:
        close();
        break;
    case kIdApplyDefault1:
        m_pEmailList->UM_APPLYNAME(kApplyDefault1);
        break;
    case kIdApplyDefault2:
        m_pEmailList->UM_APPLYNAME(kApplyDefault2);
        break;
    case kIdApplyDefault3:
        m_pEmailList->UM_APPLYNAME(kApplyDefault3);
        break;
    case kIdApplyId:
        m_pEmailList->UM_APPLYNAME(kApplyId);
        break;
    case kIdRevert:
        m_pEmailList->UM_APPLYNAME(kApplyRevert);
        break;
    case kIdSelectAll:
        if (m_pActivePane == m_pPageList) {
            m_pPageList->OnSelectAll();
        } else {
            m_pEmailList->OnSelectAll();
        }
        break;
    case kIdEditName:
        m_pEmailList->OnEditName();
        break;
    case kIdBulkEdit:
        OnBulkEdit();
        break;
    case kIdBulkDefault1:
    case kIdBulkDefault2:
    case kIdBulkDefault3:
    case kIdBulkId:
    case kIdBulkRevert:
        OnBulkChoice(id);
        break;
    case kIdViewSource:
        m_pPageList->OnViewSource();
        break;
    case kIdViewInBrowser:
        m_pPageList->OnViewBrowser();
        break;
    case kIdPageSelectAll:
        m_pPageList->OnSelectAll();
        break;
    case kIdViewToolbar:
        m_wndToolBar->setVisible(!m_wndToolBar->isVisible());
        break;
    case kIdViewStatusBar:
        statusBar()->setVisible(!statusBar()->isVisible());
        break;
    case kIdAppAbout:
        OnAppAbout();
        break;
    default:
        break;
    }
}

void CMainFrame::OnSetup(bool serverPage) {
    const std::string before = m_settings.m_strHomeDir;
    CSetupWizardSheet sheet(this);
    sheet.SetHostsPath(HostsPathBeside(m_strSettingsPath));
    sheet.SetActivePage(serverPage ? 0 : 1);
    if (sheet.RunSetup(m_settings, kSetupSheetMode) != kSetupOk) {
        return;
    }
    // Only a real change of folder rebuilds the tree: the letter case alone is no change.
    if (!PathsEqualIgnoreCaseCp949(before, m_settings.m_strHomeDir)) {
        SaveSession(before);
        m_pTree->UM_HOMEDIRCHANGED(m_settings);
        RestoreSession();
    }
}

bool CMainFrame::RunFirstSetup() {
    CSetupWizardSheet sheet(this);
    sheet.SetHostsPath(HostsPathBeside(m_strSettingsPath));
    sheet.SetActivePage(0);
    if (sheet.RunSetup(m_settings, kSetupWizardMode) == kSetupCancel) {
        return false;
    }
    WriteSettingsFile(m_settings, m_strSettingsPath);
    m_bSettingsMissing = false;
    m_pTree->UM_HOMEDIRCHANGED(m_settings);
    RestoreSession();
    return true;
}

void CMainFrame::OnGenerateHtml() {
    CFileCreateDlg dlg(m_settings.m_strHomeDir, m_settings.m_nCgiKind, m_pEmailList->Table(), m_settings.m_nServerOs,
                       std::string(kLoginFileName), this);
    dlg.SetSettings(m_settings);
    dlg.exec();
    // The dialog may have named or unchecked rows still called "click here to edit".
    m_pEmailList->RefreshRows();
    SaveSession(m_settings.m_strHomeDir);
}

void CMainFrame::OnBulkEdit() {
    if (m_pHintWnd == nullptr) {
        m_pHintWnd = new CHintWnd(this);
        connect(m_pHintWnd, &QObject::destroyed, this, [this] { update(); });
        m_pHintWnd->show();
    }
}

void CMainFrame::OnBulkChoice(int item) {
    for (const BulkChoice& c : kBulkChoices) {
        if (c.item == item) {
            m_nBulkCommand = c.command;
            m_pBulkButton->setText(Text(c.text));
            m_pBulkButton->setToolTip(Text(c.text));
            m_pEmailList->UM_APPLYNAME(c.applyName);
            return;
        }
    }
}

void CMainFrame::OnRescan() {
    // The table cannot drop a page: it is emptied and filled again from the saved edits, which
    // follow their occurrences into pages changed since.
    SaveSession(m_settings.m_strHomeDir);
    m_pEmailList->UM_CLEARENTRIES();
    RestoreSession();
    m_pPageList->Rescan();
}

void CMainFrame::OnAppAbout() {
    CAboutBox box(this);
    box.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    WriteSettingsFile(m_settings, m_strSettingsPath);
    SaveSession(m_settings.m_strHomeDir);
    QMainWindow::closeEvent(event);
}

} // namespace orvex::ui
