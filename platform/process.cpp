// SPDX-License-Identifier: MIT
// CurrentDirectory and StartDetached.
#include "platform/process.h"

#include "platform/native_path.h"
#include "platform/paths.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace orvex {

std::string CurrentDirectory() {
    std::error_code ec;
    const auto dir = std::filesystem::current_path(ec);
    if (ec) {
        return {};
    }
    return StripTrailingSeparators(PathText(dir));
}

#ifdef _WIN32

void UseBinaryStandardStreams() {
    std::fflush(stdout);
    std::fflush(stderr);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

bool StartDetached(const std::string& path) {
    const auto r = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", WideFromProgramText(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return r > 32;
}

#else

void UseBinaryStandardStreams() {}

bool StartDetached(const std::string& path) {
    // Two forks, so that the program is nobody's child: the middle process ends at once and the
    // program is adopted by init, leaving no zombie behind whatever the caller does later.
    int ready[2];
    if (::pipe(ready) != 0) {
        return false;
    }
    ::fcntl(ready[1], F_SETFD, FD_CLOEXEC);
    const pid_t middle = ::fork();
    if (middle < 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        return false;
    }
    if (middle == 0) {
        ::close(ready[0]);
        ::setsid();
        const pid_t program = ::fork();
        if (program == 0) {
            const int devNull = ::open("/dev/null", O_RDONLY);
            if (devNull >= 0) {
                ::dup2(devNull, STDIN_FILENO);
                ::close(devNull);
            }
            ::execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
            const char failed = 1;
            (void)!::write(ready[1], &failed, 1);
            ::_exit(127);
        }
        ::_exit(program < 0 ? 1 : 0);
    }
    ::close(ready[1]);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    // The pipe closes without a byte when exec succeeded (close-on-exec), so this read does not
    // wait for the program itself.
    char failed = 0;
    ssize_t got = 0;
    do {
        got = ::read(ready[0], &failed, 1);
    } while (got < 0 && errno == EINTR);
    ::close(ready[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

#endif

} // namespace orvex
