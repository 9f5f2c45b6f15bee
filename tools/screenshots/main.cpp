// SPDX-License-Identifier: MIT
// orvex-screenshots OUTDIR: every window of the programs, shown offscreen as a user first sees
// it and saved as a PNG, so that layouts and Korean texts can be looked at without a display.
#include "platform/profile_store.h"
#include "updater/ui/auto_update_dlg.h"

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
    return ok ? 0 : 1;
}
