// SPDX-License-Identifier: MIT
// orvex-screenshots OUTDIR: every window of the programs, shown offscreen as a user first sees
// it and saved as a PNG, so that layouts and Korean texts can be looked at without a display.
#include "platform/profile_store.h"
#include "updater/ui/auto_update_dlg.h"

#ifdef ORVEX_EXAMPLE_SITE
#include "converter/scan_table.h"
#include "converter/ui/about_box.h"
#include "converter/ui/hint_wnd.h"
#include "converter/ui/list_email_view.h"
#include "converter/ui/main_frame.h"
#include "converter/ui/name_edit_dlg.h"
#include "converter/ui/resource_ids.h"
#include "converter/ui/start_splash.h"
#include "converter/ui/tree_sub_dir_view.h"

#include <QTemporaryDir>
#endif

#include <QApplication>
#include <QDir>
#include <QPixmap>

#include <cstdio>
#include <map>

namespace {

// A profile that remembers nothing: the windows are shown, not run.
class EmptyProfile final : public orvex::ProfileStore {
public:
    int GetInt(std::string_view, int defaultValue) override { return defaultValue; }
    bool SetInt(std::string_view, int) override { return true; }
    std::string GetString(std::string_view, std::string_view defaultValue) override {
        return std::string(defaultValue);
    }
    bool SetString(std::string_view, std::string_view) override { return true; }
};

bool Save(QWidget& window, const QString& dir, const char* name) {
    window.show();
    QApplication::processEvents();
    const QString path = QDir(dir).filePath(QString::fromUtf8(name) + ".png");
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toLocal8Bit().constData());
    window.hide();
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvex-screenshots OUTDIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    bool ok = true;

    EmptyProfile profile;
    orvex::UpdaterSettings settings;
    settings.host = "127.0.0.1:1";
    orvex::ui::CAutoUpdateDlg update(
        profile, settings, [] { return int64_t{0}; }, [] {});
    ok = Save(update, dir, "kdvupdate") && ok;

#ifdef ORVEX_EXAMPLE_SITE
    // The converter on the bundled site, its pages listed and names applied to the first ones.
    QTemporaryDir work;
    orvex::ConverterSettings converter;
    converter.m_strHomeDir = ORVEX_EXAMPLE_SITE;
    const std::string cfg = QDir(work.path()).filePath("default.cfg").toStdString();
    orvex::WriteSettingsFile(converter, cfg);
    orvex::ui::CMainFrame frame(cfg);
    frame.resize(1000, 640);
    QTreeWidgetItem* root = frame.Tree()->topLevelItem(0);
    frame.Tree()->setCurrentItem(root);
    orvex::ui::CListEMailView* mails = frame.EmailList();
    frame.SetActivePane(mails);
    for (int i = 0; i < mails->topLevelItemCount() && i < 6; ++i) {
        mails->topLevelItem(i)->setSelected(true);
    }
    frame.OnCommand(orvex::ui::kIdApplyDefault1);
    mails->clearSelection();
    for (int i = 6; i < mails->topLevelItemCount() && i < 9; ++i) {
        mails->topLevelItem(i)->setSelected(true);
    }
    frame.OnCommand(orvex::ui::kIdApplyId);
    ok = Save(frame, dir, "orvex_main") && ok;

    if (mails->topLevelItemCount() > 0) {
        orvex::ui::CNameEditDlg name(*mails->RowEntry(0), frame.Settings());
        ok = Save(name, dir, "orvex_name_edit") && ok;
    }
    orvex::ui::CAboutBox about;
    ok = Save(about, dir, "orvex_about") && ok;
    auto* splash = new orvex::ui::CStartSplash();
    ok = Save(*splash, dir, "orvex_splash") && ok;
    delete splash;
    frame.move(0, 0);
    frame.show();
    auto* hint = new orvex::ui::CHintWnd(&frame);
    ok = Save(*hint, dir, "orvex_hint") && ok;
    delete hint;
    frame.hide();
#endif
    return ok ? 0 : 1;
}
