// SPDX-License-Identifier: MIT
// The start-up flow, the schedule and the version check.
#include "updater/auto_updater.h"

#include "platform/http_client.h"
#include "platform/paths.h"
#include "updater/update_host.h"
#include "updater/update_profile.h"
#include "updater/version_check.h"

#include <utility>

namespace orvex {

AutoUpdater::AutoUpdater(ProfileStore& profile, UpdaterSettings settings, UpdaterHooks hooks)
    : m_profile(profile), m_settings(std::move(settings)), m_hooks(std::move(hooks)) {}

std::string AutoUpdater::PackagePath() const {
    return JoinPath(m_settings.locations.installDir, kPackageFileName);
}

void AutoUpdater::EndProgram(int exitCode) {
    m_bEnded = true;
    m_nExitCode = exitCode;
}

bool AutoUpdater::RunStartupFlow() {
    if (m_profile.GetInt(kValueIsUpdate, 0) == 1) {
        // Cleared first, so that a package that fails to install is not tried again at every start.
        m_profile.SetInt(kValueIsUpdate, 0);
        if (!InstallPackage()) {
            return true;
        }
        m_profile.SetInt(kValueVersion, m_profile.GetInt(kValueCurrentVer, kDefaultCurrentVer));
        m_hooks.startConverter();
        EndProgram(0);
        return false;
    }
    m_hooks.startConverter();
    if (!IsCheckDue() || CheckForUpdate()) {
        EndProgram(0);
        return false;
    }
    return !m_bEnded;
}

bool AutoUpdater::IsCheckDue() {
    const int64_t delay = m_profile.GetInt(kValueUpdateDelay, kDefaultUpdateDelay);
    const int64_t lastDay = ParseAtol(m_profile.GetString(kValueLastDay, ""));
    if (!CheckIsDueAt(m_hooks.now(), lastDay, delay)) {
        return false;
    }
    m_profile.SetString(kValueLastDay, std::to_string(m_hooks.now()));
    return true;
}

bool AutoUpdater::FetchVersionInfo(int& version, int& delay) {
    HttpClient client;
    std::string answer;
    const HttpResult result = client.Get(UpdateHostUrl(m_settings.host, kVersionFilePath), answer);
    m_lastFetch = FetchFailure{result != HttpResult::Ok || client.LastStatus() != 200, result, client.LastStatus(),
                               client.LastError()};
    if (m_lastFetch.failed) {
        return false;
    }
    VersionInfo info = ParseVersionLine(FirstAnswerLine(answer));
    version = info.version;
    delay = info.delay;
    m_profile.SetInt(kValueCurrentVer, info.version);
    m_strPackageUrl = std::move(info.packageUrl);
    return true;
}

bool AutoUpdater::CheckForUpdate() {
    int version = 0;
    int delay = 0;
    if (!FetchVersionInfo(version, delay)) {
        if (m_nFetchFailures > kMaxCountedFetchFailures) {
            EndProgram(0);
            return false;
        }
        ++m_nFetchFailures;
        m_hooks.setRetryTimer(m_settings.retryIntervalMs);
        return false;
    }
    m_hooks.killRetryTimer();
    m_profile.SetInt(kValueUpdateDelay, delay);
    if (m_profile.GetInt(kValueVersion, kDefaultVersion) >= version) {
        return true;
    }
    if (!DownloadPackage()) {
        return false;
    }
    m_profile.SetInt(kValueIsUpdate, 1);
    return true;
}

void AutoUpdater::OnRetryTimer() {
    if (m_bEnded) {
        return;
    }
    if (CheckForUpdate()) {
        EndProgram(0);
    }
}

bool AutoUpdater::DownloadPackage() {
    m_lastDownload =
        orvex::DownloadPackage(m_strPackageUrl, UpdateHostUrl(m_settings.host, kChecksumFilePath), PackagePath());
    return m_lastDownload == DownloadResult::Ok;
}

bool AutoUpdater::InstallPackage() {
    m_lastInstall = orvex::InstallPackage(PackagePath(), m_settings.locations);
    return m_lastInstall == InstallResult::Ok;
}

std::string ConverterPath(const std::string& dir) {
#ifdef _WIN32
    return dir + "\\KDV.EXE";
#else
    return JoinPath(dir, "orvex");
#endif
}

} // namespace orvex
