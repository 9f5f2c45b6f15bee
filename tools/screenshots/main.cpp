// SPDX-License-Identifier: MIT
// orvex-screenshots OUTDIR: every window of the programs, shown offscreen as a user first sees
// it and saved as a PNG, so that layouts and Korean texts can be looked at without a display.
#include "platform/profile_store.h"
#include "platform/ui/qt_korean.h"
#include "service_double.h"
#include "updater/ui/auto_update_dlg.h"

#ifdef ORVEX_EXAMPLE_SITE
#include "converter/scan_table.h"
#include "converter/service_hosts.h"
#include "converter/ui/about_box.h"
#include "converter/ui/file_create_dlg.h"
#include "converter/ui/hint_wnd.h"
#include "converter/ui/list_email_view.h"
#include "converter/ui/main_frame.h"
#include "converter/ui/name_edit_dlg.h"
#include "converter/ui/progress_dlg.h"
#include "converter/ui/resource_ids.h"
#include "converter/ui/setup_wizard_sheet.h"
#include "converter/ui/start_splash.h"
#include "converter/ui/tree_sub_dir_view.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#endif

#include <QApplication>
#include <QDir>
#include <QPixmap>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

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

#ifdef ORVEX_EXAMPLE_SITE
// The setup sheet on page, in mode, saved once it is open; the wizard's second page is reached
// by its own Next button so that its buttons are as the user sees them.
bool SaveSheet(orvex::ConverterSettings settings, int mode, int page, const QString& dir, const char* name) {
    bool saved = false;
    QTimer::singleShot(0, [&] {
        auto* sheet = qobject_cast<orvex::ui::CSetupWizardSheet*>(QApplication::activeModalWidget());
        if (sheet == nullptr) {
            return;
        }
        if (mode == orvex::ui::kSetupWizardMode && page == 1) {
            for (QPushButton* b : sheet->findChildren<QPushButton*>()) {
                if (b->property(orvex::ui::kResourceIdProperty).toInt() == orvex::ui::kIdWizNext) {
                    b->click();
                }
            }
        }
        QApplication::processEvents();
        saved = Save(*sheet, dir, name);
        sheet->reject();
    });
    orvex::ui::CSetupWizardSheet sheet;
    sheet.SetActivePage(mode == orvex::ui::kSetupWizardMode ? 0 : page);
    sheet.RunSetup(settings, mode);
    return saved;
}

// Answers the message boxes a run asks while it lives: the one whose text holds a key of shots
// is saved under its name first, then answered with its button (Yes, or OK where there is none).
class BoxAnswers {
public:
    struct Shot {
        const char* textPart;
        const char* name;
        QMessageBox::StandardButton answer;
    };
    BoxAnswers(const QString& dir, std::vector<Shot> shots, bool& ok) : m_shots(std::move(shots)) {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this, dir, &ok] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || box->property("answered").toBool()) {
                return;
            }
            box->setProperty("answered", true);
            QMessageBox::StandardButton answer = QMessageBox::NoButton;
            for (const Shot& shot : m_shots) {
                if (box->text().contains(QString::fromUtf8(shot.textPart))) {
                    // The details of a report are what it is for: shown open.
                    for (QAbstractButton* b : box->buttons()) {
                        if (box->buttonRole(b) == QMessageBox::ActionRole) {
                            b->click();
                        }
                    }
                    QApplication::processEvents();
                    const QString path = QDir(dir).filePath(QString::fromUtf8(shot.name) + ".png");
                    const bool saved = box->grab().save(path);
                    std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toLocal8Bit().constData());
                    ok = saved && ok;
                    answer = shot.answer;
                }
            }
            if (answer == QMessageBox::NoButton) {
                answer = box->button(QMessageBox::Yes) != nullptr ? QMessageBox::Yes : QMessageBox::Ok;
            }
            if (QAbstractButton* b = box->button(answer)) {
                b->click();
            }
        });
        m_timer.start();
    }

private:
    std::vector<Shot> m_shots;
    QTimer m_timer;
};
#endif

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    orvex::ui::InstallQtKoreanTranslations(app); // as both programs do
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
    {
        // The start-up flow against a host that refuses: the window says so and leads on.
        orvex::ui::CAutoUpdateDlg refused(
            profile, settings, [] { return int64_t{1700000000}; }, [] {});
        if (refused.OnInitDialog()) {
            ok = Save(refused, dir, "kdvupdate_host_failed") && ok;
        }
    }

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
    const int rows = mails->model()->rowCount();
    const auto select = [mails, rows](int from, int to) {
        mails->clearSelection();
        for (int i = from; i < rows && i < to; ++i) {
            mails->selectionModel()->select(mails->model()->index(i, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    };
    select(0, 6);
    frame.OnCommand(orvex::ui::kIdApplyDefault1);
    select(6, 9);
    frame.OnCommand(orvex::ui::kIdApplyId);
    ok = Save(frame, dir, "orvex_main") && ok;

    if (rows > 0) {
        orvex::ui::CNameEditDlg name(*mails->RowEntry(0), frame.Settings());
        ok = Save(name, dir, "orvex_name_edit") && ok;
    }
    orvex::ui::CAboutBox about;
    ok = Save(about, dir, "orvex_about") && ok;
    auto* splash = new orvex::ui::CStartSplash();
    ok = Save(*splash, dir, "orvex_splash") && ok;
    delete splash;
    // The setup sheet: both pages as the first-run wizard and as the menu's sheet.
    orvex::ConverterSettings wizard;
    ok = SaveSheet(wizard, orvex::ui::kSetupWizardMode, 0, dir, "orvex_setup_wizard_cgi") && ok;
    ok = SaveSheet(wizard, orvex::ui::kSetupWizardMode, 1, dir, "orvex_setup_wizard_default") && ok;
    orvex::ConverterSettings current = frame.Settings();
    current.m_nCgiKind = orvex::kCgiPhp;
    current.m_nServerOs = orvex::kOsLinux;
    ok = SaveSheet(current, orvex::ui::kSetupSheetMode, 0, dir, "orvex_setup_sheet_cgi") && ok;
    ok = SaveSheet(current, orvex::ui::kSetupSheetMode, 1, dir, "orvex_setup_sheet_default") && ok;

    // The generation dialog after a PHP run into a scratch folder, and after a hosted run
    // against the tests' stand-in for the service.
    const std::string login = QDir(work.path()).filePath("login.cfg").toStdString();
    const QString out = QDir(work.path()).filePath("out");
    QDir().mkpath(out);
    {
        // The whole site; the report of what a harvester could still take is pictured open.
        BoxAnswers answers(dir, {{"변환한 사이트에", "orvex_run_report", QMessageBox::Ok}}, ok);
        orvex::ui::CFileCreateDlg php(converter.m_strHomeDir, orvex::kCgiPhp, mails->Table(), orvex::kOsLinux, login);
        php.SetSettings(converter);
        php.findChild<QLineEdit*>(QStringLiteral("m_editOutputDir"))->setText(QDir::toNativeSeparators(out));
        php.show();
        php.OnGenerate();
        ok = Save(php, dir, "orvex_generation_php") && ok;
    }
    {
        // Generating into the same folder again: the warning, answered No.
        BoxAnswers answers(dir, {{"이미 변환된 사이트", "orvex_rerun_warning", QMessageBox::No}}, ok);
        orvex::ui::CFileCreateDlg again(converter.m_strHomeDir, orvex::kCgiPhp, mails->Table(), orvex::kOsLinux, login);
        again.findChild<QLineEdit*>(QStringLiteral("m_editOutputDir"))->setText(QDir::toNativeSeparators(out));
        again.show();
        again.OnGenerate();
        again.hide();
    }
    {
        // A long run's progress, held at page 37 of 120 until it has been pictured.
        orvex::ui::CProgressDlg progress(QString::fromUtf8("변환된 페이지를 생성하고 있습니다."), nullptr, nullptr);
        std::atomic<bool> pictured{false};
        QTimer::singleShot(300, [&] {
            ok = Save(progress, dir, "orvex_progress") && ok;
            progress.show(); // Save hides it; the run hides it when the work returns
            pictured = true;
        });
        progress.Run([&](orvex::ResultsBox& box) {
            box.Progress(37, 120);
            while (!pictured) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    }
    {
        orvex::test::ServiceDouble service;
        service.AddMember("velmorant", "secret", 42);
        qputenv(orvex::kServiceHostVariable, QByteArray::fromStdString(service.Host()));
        orvex::ui::CFileCreateDlg hosted(converter.m_strHomeDir, orvex::kCgiHosted, mails->Table(), orvex::kOsWindows,
                                         login);
        hosted.findChild<QLineEdit*>(QStringLiteral("m_editUserId"))->setText(QStringLiteral("velmorant"));
        hosted.findChild<QLineEdit*>(QStringLiteral("m_editPassword"))->setText(QStringLiteral("secret"));
        BoxAnswers answers(dir, {}, ok);
        hosted.OnGenerate();
        ok = Save(hosted, dir, "orvex_generation_hosted") && ok;
        qunsetenv(orvex::kServiceHostVariable);
    }

    frame.move(0, 0);
    frame.show();
    auto* hint = new orvex::ui::CHintWnd(&frame);
    ok = Save(*hint, dir, "orvex_hint") && ok;
    delete hint;
    frame.hide();
#endif
    return ok ? 0 : 1;
}
