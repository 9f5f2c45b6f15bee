// SPDX-License-Identifier: MIT
// OutputFile on file descriptors: one system call per buffer's worth, and a large write joined
// to what is buffered (writev) rather than copied into the buffer first.
#include "platform/output_file.h"

#include "platform/native_path.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#endif

namespace orvex {

namespace {

int OpenForWriting(const std::string& path, OutputFile::Access access) {
#ifdef _WIN32
    (void)access; // the user's profile folder already keeps other users out
    return ::_wopen(WideFromProgramText(path).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY,
                    _S_IREAD | _S_IWRITE);
#else
    const bool ownerOnly = access == OutputFile::Access::OwnerOnly;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, ownerOnly ? 0600 : 0666);
    // The creation mode does not reach a file that was already there.
    if (fd >= 0 && ownerOnly && ::fchmod(fd, 0600) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
#endif
}

int CloseFd(int fd) {
#ifdef _WIN32
    return ::_close(fd);
#else
    return ::close(fd);
#endif
}

// Writes both runs whole, in order; false on the first failure.
bool WriteAll(int fd, std::string_view a, std::string_view b) {
    while (!a.empty() || !b.empty()) {
#ifdef _WIN32
        std::string_view& run = a.empty() ? b : a;
        const int n = ::_write(fd, run.data(), static_cast<unsigned>(std::min<size_t>(run.size(), 1u << 30)));
        if (n <= 0) {
            return false;
        }
        run.remove_prefix(static_cast<size_t>(n));
#else
        iovec io[2];
        int count = 0;
        for (const std::string_view run : {a, b}) {
            if (!run.empty()) {
                io[count].iov_base = const_cast<char*>(run.data());
                io[count].iov_len = run.size();
                ++count;
            }
        }
        const ssize_t n = ::writev(fd, io, count);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        // Nothing written counts as a failure, so a device that takes nothing cannot spin here.
        if (n <= 0) {
            return false;
        }
        auto done = static_cast<size_t>(n);
        const size_t fromA = std::min(done, a.size());
        a.remove_prefix(fromA);
        b.remove_prefix(done - fromA);
#endif
    }
    return true;
}

} // namespace

OutputFile::OutputFile() = default;

OutputFile::~OutputFile() {
    Abandon();
}

bool OutputFile::Open(const std::string& path, Mode mode, Access access) {
    Abandon();
    m_mode = mode;
    m_strPath = path;
    m_strTemp = mode == Mode::Replace ? path + ".tmp" : std::string();
    m_fd = OpenForWriting(mode == Mode::Replace ? m_strTemp : path, access);
    m_nUsed = 0;
    m_bFailed = false;
    return m_fd >= 0;
}

bool OutputFile::IsOpen() const {
    return m_fd >= 0;
}

void OutputFile::Write(std::string_view bytes) {
    // Nothing reaches a file that never opened or has failed; Close reports either.
    if (m_fd < 0 || m_bFailed || bytes.empty()) {
        return;
    }
    // A page written whole goes straight out; copying it into the buffer first would only cost.
    if (bytes.size() >= kDirectWrite) {
        Flush(bytes);
        return;
    }
    // Made on the first small write, uninitialised: a run writes thousands of files.
    if (!m_buffer) {
        m_buffer = std::make_unique_for_overwrite<char[]>(kBufferSize);
    }
    if (bytes.size() > kBufferSize - m_nUsed) {
        Flush();
    }
    std::memcpy(m_buffer.get() + m_nUsed, bytes.data(), bytes.size());
    m_nUsed += bytes.size();
}

void OutputFile::Flush(std::string_view also) {
    if (!m_bFailed && !WriteAll(m_fd, std::string_view(m_buffer.get(), m_nUsed), also)) {
        m_bFailed = true;
    }
    m_nUsed = 0;
}

bool OutputFile::Close() {
    if (m_fd < 0) {
        return false;
    }
    Flush();
    const bool closed = CloseFd(m_fd) == 0;
    m_fd = -1;
    bool ok = closed && !m_bFailed;
    std::error_code ec;
    if (m_mode == Mode::Replace) {
        if (ok) {
            std::filesystem::rename(FsPath(m_strTemp), FsPath(m_strPath), ec);
            ok = !ec;
        }
        if (!ok) {
            std::filesystem::remove(FsPath(m_strTemp), ec);
        }
    }
    return ok;
}

void OutputFile::Abandon() {
    if (m_fd < 0) {
        return;
    }
    if (m_mode == Mode::Truncate) {
        Flush(); // path is already the file; it keeps every byte written, not a buffer-sized prefix
    }
    CloseFd(m_fd);
    m_fd = -1;
    if (m_mode == Mode::Replace) {
        std::error_code ec;
        std::filesystem::remove(FsPath(m_strTemp), ec);
    }
}

bool WriteFileReplacing(const std::string& path, std::string_view bytes, OutputFile::Access access) {
    OutputFile file;
    if (!file.Open(path, OutputFile::Mode::Replace, access)) {
        return false;
    }
    file.Write(bytes);
    return file.Close();
}

} // namespace orvex
