// SPDX-License-Identifier: MIT
// Whole-file reads and folder listings on the host file system.
#include "platform/file_system.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace orvex {

namespace fs = std::filesystem;

bool ReadFileBytes(const std::string& path, std::string& out) {
    out.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    // Read in chunks rather than trusting a size taken beforehand: the file may change or be a
    // device whose size is unknown.
    char buf[1 << 16];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        out.append(buf, n);
    }
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    if (!ok) {
        out.clear();
    }
    return ok;
}

namespace {

int64_t ToUnixSeconds(fs::file_time_type t) {
    const auto sys = std::chrono::file_clock::to_sys(t);
    return std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
}

} // namespace

std::optional<std::vector<DirEntry>> ListDirectory(const std::string& dir) {
    std::error_code ec;
    fs::directory_iterator it(fs::path(dir), ec);
    if (ec) {
        return std::nullopt;
    }
    std::vector<DirEntry> entries;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) {
            return std::nullopt;
        }
        DirEntry e;
        e.name = it->path().filename().string();
        std::error_code sec;
        e.isDirectory = it->is_directory(sec);
        if (!e.isDirectory) {
            const auto size = it->file_size(sec);
            e.size = sec ? 0 : size;
        }
        const auto t = it->last_write_time(sec);
        e.lastWrite = sec ? 0 : ToUnixSeconds(t);
        entries.push_back(std::move(e));
    }
    if (ec) {
        return std::nullopt;
    }
    return entries;
}

std::string ExecutableDir() {
#ifdef _WIN32
    char buf[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) {
        return {};
    }
    const fs::path self(std::string(buf, n));
#else
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return {};
    }
#endif
    return self.parent_path().string();
}

bool IsDirectory(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

} // namespace orvex
