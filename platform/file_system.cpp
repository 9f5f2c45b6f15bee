// SPDX-License-Identifier: MIT
// Whole-file reads and folder listings on the host file system.
#include "platform/file_system.h"

#include "platform/native_path.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#include <share.h>
#else
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orvex {

namespace fs = std::filesystem;

std::FILE* OpenFileForReading(const std::string& path) {
#ifdef _WIN32
    return ::_wfsopen(WideFromProgramText(path).c_str(), L"rb", _SH_DENYWR);
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

bool ReadFileBytes(const std::string& path, std::string& out) {
    out.clear();
#ifdef _WIN32
    std::FILE* f = ::_wfopen(WideFromProgramText(path).c_str(), L"rb");
#else
    std::FILE* f = std::fopen(path.c_str(), "rb");
#endif
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

char* PageBuffer::Reserve(size_t n) {
    m_nSize = 0;
    if (n > m_block.Bytes() || m_block.Get() == nullptr) {
        // Uninitialised: the read fills it, and a large page costs no pass of zeroes first.
        LargeBlock grown(std::max({n, m_block.Bytes() + m_block.Bytes() / 2, size_t{1}}));
        if (grown.Get() == nullptr) {
            return nullptr;
        }
        m_block = std::move(grown);
    }
    return static_cast<char*>(m_block.Get());
}

#ifdef _WIN32
FileRead ReadRegularFile(const std::string& path, PageBuffer& out, uint64_t maxBytes) {
    out.Clear();
    std::error_code ec;
    const fs::path native = FsPath(path);
    const auto status = fs::status(native, ec);
    if (!fs::exists(status)) {
        return FileRead::NotFound;
    }
    if (!fs::is_regular_file(status)) {
        return FileRead::NotRegular;
    }
    if (fs::file_size(native, ec) > maxBytes) {
        return FileRead::TooLarge;
    }
    std::string bytes;
    if (!ReadFileBytes(path, bytes)) {
        return FileRead::Unreadable;
    }
    char* data = out.Reserve(bytes.size());
    if (data == nullptr) {
        return FileRead::Unreadable;
    }
    std::memcpy(data, bytes.data(), bytes.size());
    out.SetSize(bytes.size());
    return FileRead::Ok;
}

FileRead ReadRegularFile(const std::string& path, PageBuffer& out, uint64_t maxBytes, const RunBeside&) {
    return ReadRegularFile(path, out, maxBytes);
}
#else
namespace {

// Reads up to length bytes at offset into data; how many it read (fewer at the file's end or on
// an error, which *failed then says).
size_t ReadAt(int fd, char* data, size_t length, uint64_t offset, bool* failed) {
    size_t used = 0;
    while (used < length) {
        const ssize_t n = ::pread(fd, data + used, length - used, static_cast<off_t>(offset + used));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            *failed = true;
            break;
        }
        if (n == 0) {
            break; // shrank since fstat
        }
        used += static_cast<size_t>(n);
    }
    return used;
}

// The second half of a split read, handed between the caller and the job that would read it.
struct SecondHalf {
    enum State { NotBegun, Reading, Done, TakenBack };
    std::atomic<int> state{NotBegun};
    size_t used = 0;
    bool failed = false;
    std::mutex mutex;
    std::condition_variable done;
};

// Reads size bytes of fd into data, the second half by a job given to beside when there is one;
// the bytes read (fewer when the file shrank meanwhile), with *failed set on an error.
size_t ReadWhole(int fd, char* data, size_t size, const RunBeside* beside, bool* failed) {
    if (beside == nullptr || !*beside || size < kSplitReadBytes) {
        return ReadAt(fd, data, size, 0, failed);
    }
    const size_t half = size / 2;
    auto second = std::make_shared<SecondHalf>();
    // Settles the second half before the caller's fd and buffer can go: takes it back unless
    // it has begun, and waits for it if it has.
    const auto settle = [&second] {
        int expected = SecondHalf::NotBegun;
        if (second->state.compare_exchange_strong(expected, SecondHalf::TakenBack)) {
            return true;
        }
        std::unique_lock lock(second->mutex);
        second->done.wait(lock, [&] { return second->state == SecondHalf::Done; });
        return false;
    };
    try {
        (*beside)([second, fd, data, half, size] {
            int expected = SecondHalf::NotBegun;
            if (!second->state.compare_exchange_strong(expected, SecondHalf::Reading)) {
                return; // the caller read it
            }
            bool failedHere = false;
            const size_t used = ReadAt(fd, data + half, size - half, half, &failedHere);
            const std::lock_guard lock(second->mutex);
            second->used = used;
            second->failed = failedHere;
            second->state = SecondHalf::Done;
            second->done.notify_one();
        });
    } catch (...) {
        settle(); // a job queued before the failure must not read into what the caller frees
        throw;
    }
    const size_t first = ReadAt(fd, data, half, 0, failed);
    size_t secondUsed = 0;
    // Read here unless the job had begun, which then ends in about the time this half took.
    if (settle()) {
        secondUsed = ReadAt(fd, data + half, size - half, half, failed);
    } else {
        const std::lock_guard lock(second->mutex);
        secondUsed = second->used;
        *failed = *failed || second->failed;
    }
    // A file that shrank is taken up to its first gap.
    return first < half ? first : half + secondUsed;
}

FileRead ReadRegularFileBeside(const std::string& path, PageBuffer& out, uint64_t maxBytes, const RunBeside* beside) {
    out.Clear();
    // Non-blocking, so that opening a pipe with no writer returns at once; the flag does
    // nothing to reads of a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) {
            return FileRead::NotFound;
        }
        struct stat st {};
        if (errno == ENXIO || (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))) {
            return FileRead::NotRegular; // ENXIO: a socket, or a pipe opened for writing only
        }
        return FileRead::Unreadable;
    }
    // Closed however the read ends, a job given to beside failing included.
    const struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    FileRead result = FileRead::Ok;
    if (::fstat(fd, &st) != 0) {
        result = FileRead::Unreadable;
    } else if (!S_ISREG(st.st_mode)) {
        result = FileRead::NotRegular;
    } else if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        result = FileRead::TooLarge;
    } else {
        // The length when opened; a file that grows meanwhile is taken as it was.
        const auto size = static_cast<size_t>(st.st_size);
        char* data = out.Reserve(size);
        bool failed = data == nullptr; // no memory for it
        const size_t used = failed ? 0 : ReadWhole(fd, data, size, beside, &failed);
        if (failed) {
            result = FileRead::Unreadable;
        }
        out.SetSize(result == FileRead::Ok ? used : 0);
    }
    return result;
}

} // namespace

FileRead ReadRegularFile(const std::string& path, PageBuffer& out, uint64_t maxBytes) {
    return ReadRegularFileBeside(path, out, maxBytes, nullptr);
}

FileRead ReadRegularFile(const std::string& path, PageBuffer& out, uint64_t maxBytes, const RunBeside& beside) {
    return ReadRegularFileBeside(path, out, maxBytes, &beside);
}
#endif

FileRead ReadRegularFile(const std::string& path, std::string& out, uint64_t maxBytes) {
    PageBuffer buffer;
    const FileRead result = ReadRegularFile(path, buffer, maxBytes);
    out.assign(buffer.View());
    return result;
}

#ifdef _WIN32
namespace {

int64_t ToUnixSeconds(fs::file_time_type t) {
    const auto sys = std::chrono::file_clock::to_sys(t);
    return std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
}

} // namespace
#endif

#ifdef _WIN32
std::optional<std::vector<DirEntry>> ListDirectory(const std::string& dir, ListDetail detail) {
    std::error_code ec;
    fs::directory_iterator it(FsPath(dir), ec);
    if (ec) {
        return std::nullopt;
    }
    std::vector<DirEntry> entries;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) {
            return std::nullopt;
        }
        DirEntry e;
        e.name = PathText(it->path().filename());
        if (detail == ListDetail::TypeOnly) {
            // The type the folder listing gave; only a symbolic link costs a look at its target.
            std::error_code sec;
            e.isDirectory = it->is_directory(sec);
            entries.push_back(std::move(e));
            continue;
        }
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

#else
// readdir's own records, where a directory iterator makes a path object of each name: a site's
// walk lists thousands.
std::optional<std::vector<DirEntry>> ListDirectory(const std::string& dir, ListDetail detail) {
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(dir.c_str()), ::closedir);
    if (!folder) {
        return std::nullopt;
    }
    std::vector<DirEntry> entries;
    std::string path = dir;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    const size_t nameAt = path.size();
    errno = 0;
    while (const dirent* record = ::readdir(folder.get())) {
        const std::string_view name = record->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        DirEntry e;
        e.name = name;
        // The type the listing gave; only a symbolic link (reported as what it points to) or a
        // file system that gives no type costs a look at the entry.
        const bool typed = record->d_type != DT_UNKNOWN && record->d_type != DT_LNK;
        if (detail == ListDetail::TypeOnly && typed) {
            e.isDirectory = record->d_type == DT_DIR;
        } else {
            path.resize(nameAt);
            path += name;
            // One stat gives the type, the size and the time.
            struct stat st {};
            if (::stat(path.c_str(), &st) == 0) {
                e.isDirectory = S_ISDIR(st.st_mode);
                if (detail == ListDetail::Full) {
                    e.size = e.isDirectory ? 0 : static_cast<uint64_t>(st.st_size);
                    e.lastWrite = static_cast<int64_t>(st.st_mtime);
                }
            }
        }
        entries.push_back(std::move(e));
        errno = 0;
    }
    if (errno != 0) {
        return std::nullopt;
    }
    return entries;
}
#endif

std::string ExecutableDir() {
#ifdef _WIN32
    wchar_t buf[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH * 2);
    if (n == 0 || n >= MAX_PATH * 2) {
        return {};
    }
    const fs::path self(std::wstring(buf, n));
#else
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return {};
    }
#endif
    return PathText(self.parent_path());
}

std::optional<std::string> FileIdentityKey(const std::string& path) {
#ifdef _WIN32
    std::error_code ec;
    const auto real = fs::canonical(FsPath(path), ec);
    if (ec) {
        return std::nullopt;
    }
    return PathText(real);
#else
    // One stat, where resolving the full path would look at every level above it again.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino);
#endif
}

bool CanListDirectory(const std::string& dir) {
#ifdef _WIN32
    std::error_code ec;
    const fs::directory_iterator it(FsPath(dir), ec);
    return !ec;
#else
    DIR* const folder = ::opendir(dir.c_str());
    if (folder == nullptr) {
        return false;
    }
    ::closedir(folder);
    return true;
#endif
}

bool IsDirectory(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(FsPath(path), ec);
}

FileCopy CopyFileReplacing(const std::string& source, const std::string& destination) {
    std::error_code ec;
    if (!fs::is_regular_file(FsPath(source), ec)) {
        return FileCopy::SourceMissing;
    }
#ifdef _WIN32
    // The library's copy_file refuses an existing target here even when told to overwrite it.
    if (!CopyFileW(WideFromProgramText(source).c_str(), WideFromProgramText(destination).c_str(), FALSE)) {
        return FileCopy::Failed;
    }
#else
    fs::copy_file(FsPath(source), FsPath(destination), fs::copy_options::overwrite_existing, ec);
    if (ec) {
        return FileCopy::Failed;
    }
#endif
    return FileCopy::Ok;
}

} // namespace orvex
