// SPDX-License-Identifier: MIT
// SystemDataDirectory.
#include "platform/system_dirs.h"

#include "platform/paths.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace orvex {

std::string SystemDataDirectory() {
#ifdef _WIN32
    char dir[1024] = {};
    const UINT n = GetWindowsDirectoryA(dir, sizeof dir);
    if (n == 0 || n >= sizeof dir) {
        return {};
    }
    return StripTrailingSeparators(std::string(dir, n));
#else
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return StripTrailingSeparators(xdg);
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        return {};
    }
    return JoinPath(JoinPath(home, ".local"), "share");
#endif
}

} // namespace orvex
