// SPDX-License-Identifier: MIT
// Whole-file reads and folder listings on the host file system.
#include "platform/file_system.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace orvex {

namespace fs = std::filesystem;

bool ReadFileBytes(const std::string& path, std::string& out) {
    out.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    // Straight into the string, sized by the file's length when the system gives one; a
    // device or a file of unknown size is read until its end.
    std::setvbuf(f, nullptr, _IONBF, 0);
    size_t hint = 0;
#ifndef _WIN32
    struct stat st {};
    if (::fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        hint = static_cast<size_t>(st.st_size);
    }
#endif
    size_t used = 0;
    if (hint > 0) {
        // A regular file is taken as long as it was when opened: one read, no probe for more.
        out.resize(hint);
        used = std::fread(out.data(), 1, hint, f);
    } else {
        out.resize(size_t{1} << 16);
        for (;;) {
            used += std::fread(out.data() + used, 1, out.size() - used, f);
            if (used < out.size()) {
                break; // end of file or an error
            }
            out.resize(out.size() * 2);
        }
    }
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    if (!ok) {
        out.clear();
        return false;
    }
    out.resize(used);
    return true;
}

#ifdef _WIN32
namespace {

int64_t ToUnixSeconds(fs::file_time_type t) {
    const auto sys = std::chrono::file_clock::to_sys(t);
    return std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
}

} // namespace
#endif

std::optional<std::vector<DirEntry>> ListDirectory(const std::string& dir, ListDetail detail) {
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
        if (detail == ListDetail::TypeOnly) {
            // The type the folder listing gave; only a symbolic link costs a look at its target.
            std::error_code sec;
            e.isDirectory = it->is_directory(sec);
            entries.push_back(std::move(e));
            continue;
        }
#ifdef _WIN32
        std::error_code sec;
        e.isDirectory = it->is_directory(sec);
        if (!e.isDirectory) {
            const auto size = it->file_size(sec);
            e.size = sec ? 0 : size;
        }
        const auto t = it->last_write_time(sec);
        e.lastWrite = sec ? 0 : ToUnixSeconds(t);
#else
        // One stat gives the type, the size and the time; a site has thousands of entries.
        struct stat st {};
        if (::stat(it->path().c_str(), &st) == 0) {
            e.isDirectory = S_ISDIR(st.st_mode);
            e.size = e.isDirectory ? 0 : static_cast<uint64_t>(st.st_size);
            e.lastWrite = static_cast<int64_t>(st.st_mtime);
        }
#endif
        entries.push_back(std::move(e));
    }
    if (ec) {
        return std::nullopt;
    }
    return entries;
}

bool WriteFileReplacing(const std::string& path, std::string_view bytes) {
    const std::string temp = path + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    std::error_code ec;
    if (!written || !closed) {
        fs::remove(temp, ec);
        return false;
    }
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
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
