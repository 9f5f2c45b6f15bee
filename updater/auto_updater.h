// SPDX-License-Identifier: MIT
// What kdvupdate decides at each start: install a waiting package, or start the converter and
// check the update host for a newer one. The window only shows this object's state.
#pragma once

#include "platform/http_client.h"
#include "platform/profile_store.h"
#include "updater/package_download.h"
#include "updater/package_format.h"
#include "updater/package_installer.h"

#include <cstdint>
#include <functional>
#include <string>

namespace orvex {

inline constexpr int kRetryIntervalMs = 600000;    // ten minutes between fetches of the version file
inline constexpr int kMaxCountedFetchFailures = 4; // one more failure than this ends the program

struct UpdaterSettings {
    std::string host;           // the update host, "name" or "name:port"
    InstallLocations locations; // the installation folder (also where the package file lives)
    int retryIntervalMs = kRetryIntervalMs;
};

// What the updater needs from the program around it. All are called on the caller's thread.
struct UpdaterHooks {
    std::function<int64_t()> now;                        // seconds since 1970-01-01 UTC
    std::function<void()> startConverter;                // its result does not matter
    std::function<void(int milliseconds)> setRetryTimer; // (re)starts the repeating retry timer
    std::function<void()> killRetryTimer;
};

// Why the last fetch of the version file failed, for the window to say.
struct FetchFailure {
    bool failed = false;
    HttpResult result = HttpResult::Ok; // Ok with a status other than 200: the host answered, but not with the file
    long status = 0;                    // the answer's HTTP status, 0 when none came
    std::string detail;                 // the HTTP client's own description
};

class AutoUpdater {
public:
    AutoUpdater(ProfileStore& profile, UpdaterSettings settings, UpdaterHooks hooks);

    // The start-up flow, run before the window is first shown. False when the program has
    // ended (Ended(), ExitCode()): the window is never shown. True when work remains: a retry
    // is pending, or an installation, download or verification failed; the window is shown
    // until the user closes it or the retry timer ends the program.
    bool RunStartupFlow();

    // True when strictly more than UpdateDelay seconds have passed since LastDay; it then
    // records now as LastDay, before anything is fetched.
    bool IsCheckDue();

    // Fetches the version file's first line. On success hands back the version and the delay,
    // writes CurrentVer and keeps the package URL. False, writing nothing, on any internet
    // error or when the answer's status is not 200.
    bool FetchVersionInfo(int& version, int& delay);

    // True when this run is finished with updating: nothing newer, or a newer package is now
    // downloaded and verified (IsUpdate = 1). False when a retry is scheduled or the download
    // failed. After the fifth counted fetch failure it ends the program instead.
    bool CheckForUpdate();

    // The retry timer fired: check again, and end the program when that finished the work.
    void OnRetryTimer();

    // Downloads and verifies the package whose URL the version file gave.
    bool DownloadPackage();

    // Installs the stored package file.
    bool InstallPackage();

    bool Ended() const { return m_bEnded; }
    int ExitCode() const { return m_nExitCode; }
    int FetchFailures() const { return m_nFetchFailures; }
    const FetchFailure& LastFetchFailure() const { return m_lastFetch; }
    const std::string& PackageUrl() const { return m_strPackageUrl; }
    std::string PackagePath() const;
    DownloadResult LastDownloadResult() const { return m_lastDownload; }
    InstallResult LastInstallResult() const { return m_lastInstall; }

private:
    void EndProgram(int exitCode);

    ProfileStore& m_profile;
    UpdaterSettings m_settings;
    UpdaterHooks m_hooks;
    int m_nFetchFailures = 0;
    std::string m_strPackageUrl;
    bool m_bEnded = false;
    int m_nExitCode = 0;
    FetchFailure m_lastFetch;
    DownloadResult m_lastDownload = DownloadResult::Ok;
    InstallResult m_lastInstall = InstallResult::Ok;
};

// The converter's executable in dir: "KDV.EXE" on Windows, "orvex" elsewhere.
std::string ConverterPath(const std::string& dir);

} // namespace orvex
