// SPDX-License-Identifier: MIT
// The application profile on QSettings: the registry key on Windows, an INI file elsewhere.
#pragma once

#include "platform/profile_store.h"

#include <QSettings>
#include <QString>

namespace orvex::ui {

class QSettingsProfileStore : public ProfileStore {
public:
    // QSettings("VelmorantAuto", "kdvupdate"), section "AutoUpdateInfo".
    QSettingsProfileStore();
    // The same section in the INI file at path, for tests.
    explicit QSettingsProfileStore(const QString& iniPath);

    int GetInt(std::string_view name, int defaultValue) override;
    bool SetInt(std::string_view name, int value) override;
    std::string GetString(std::string_view name, std::string_view defaultValue) override;
    bool SetString(std::string_view name, std::string_view value) override;

private:
    // Each value is written through at once: the program may end right after setting it.
    bool Store(std::string_view name, const QVariant& value);

    QSettings m_settings;
};

} // namespace orvex::ui
