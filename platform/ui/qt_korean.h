// SPDX-License-Identifier: MIT
// Qt's own texts (message-box buttons, file and folder dialogs, edit menus) in Korean for the
// window programs, whose every other text is Korean, whatever language the system speaks.
#pragma once

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace orvex::ui {

// Loads Qt's Korean catalogue (with the catalogues it names) from Qt's translations folder into
// app. False when Qt's translations are not installed; Qt's texts then stay English.
inline bool InstallQtKoreanTranslations(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Korean, QLocale::SouthKorea), QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace orvex::ui
