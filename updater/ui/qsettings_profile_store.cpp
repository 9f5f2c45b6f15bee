// SPDX-License-Identifier: MIT
// QSettingsProfileStore.
#include "updater/ui/qsettings_profile_store.h"

#include "updater/ui/window_text.h"
#include "updater/update_profile.h"

namespace orvex::ui {

namespace {

QString Key(std::string_view name) {
    return Text(kProfileSection) + QLatin1Char('/') + Text(name);
}

} // namespace

QSettingsProfileStore::QSettingsProfileStore() : m_settings(Text(kProfileKey), Text(kProfileApplication)) {}

QSettingsProfileStore::QSettingsProfileStore(const QString& iniPath) : m_settings(iniPath, QSettings::IniFormat) {}

int QSettingsProfileStore::GetInt(std::string_view name, int defaultValue) {
    const QVariant v = m_settings.value(Key(name));
    bool ok = false;
    const int value = v.toInt(&ok);
    return v.isValid() && ok ? value : defaultValue;
}

bool QSettingsProfileStore::SetInt(std::string_view name, int value) {
    return Store(name, value);
}

std::string QSettingsProfileStore::GetString(std::string_view name, std::string_view defaultValue) {
    const QVariant v = m_settings.value(Key(name));
    return v.isValid() ? v.toString().toStdString() : std::string(defaultValue);
}

bool QSettingsProfileStore::SetString(std::string_view name, std::string_view value) {
    return Store(name, Text(value));
}

bool QSettingsProfileStore::Store(std::string_view name, const QVariant& value) {
    m_settings.setValue(Key(name), value);
    m_settings.sync();
    return m_settings.status() == QSettings::NoError;
}

} // namespace orvex::ui
