// SPDX-License-Identifier: MIT
// SystemDataDirectory.
#include "platform/system_dirs.h"

#include "platform/native_path.h"
#include "platform/paths.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace orvex {

std::string SystemDataDirectory() {
#ifdef _WIN32
    wchar_t dir[1024] = {};
    const UINT n = GetWindowsDirectoryW(dir, 1024);
    if (n == 0 || n >= 1024) {
        return {};
    }
    return StripTrailingSeparators(ProgramTextFromWide(std::wstring_view(dir, n)));
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
