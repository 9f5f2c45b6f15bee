// SPDX-License-Identifier: MIT
// Whole-file reads and folder listings on the host file system.
#pragma once

#include "platform/large_memory.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvex {

// Opens the file at path for reading bytes (binary), nullptr when it cannot be opened. On
// Windows others may read it meanwhile but nobody may write it until it is closed.
std::FILE* OpenFileForReading(const std::string& path);

// Reads the file at path whole, as bytes, into out. Returns false, leaving out empty, when the
// file cannot be opened or read; never throws.
bool ReadFileBytes(const std::string& path, std::string& out);

enum class FileRead {
    Ok,
    NotFound,   // nothing by that name (a dangling link included)
    Unreadable, // exists but could not be opened or read
    NotRegular, // a folder, pipe, device or socket: never opened for reading
    TooLarge,   // longer than the limit; nothing was read
};

// Storage for one file's bytes, kept from one read to the next: a site is read page after page
// into the same memory, which grows to the largest page and is never cleared byte by byte.
class PageBuffer {
public:
    std::string_view View() const { return {static_cast<const char*>(m_block.Get()), m_nSize}; }
    size_t Size() const { return m_nSize; }
    // Room for n bytes, their contents unspecified; the size becomes 0. nullptr (the buffer
    // as it was, empty) when there is no memory for them.
    char* Reserve(size_t n);
    void SetSize(size_t n) { m_nSize = n; }
    void Clear() { m_nSize = 0; }

private:
    LargeBlock m_block;
    size_t m_nSize = 0;
};

// Reads a regular file whole into out, refusing anything else before reading a byte, so that
// a pipe or a link to a device among a site's pages cannot stall or flood the reader. out is
// left empty unless the result is Ok.
FileRead ReadRegularFile(const std::string& path, PageBuffer& out, uint64_t maxBytes);
FileRead ReadRegularFile(const std::string& path, std::string& out, uint64_t maxBytes);

// Runs a job on another thread and returns at once.
using RunBeside = std::function<void(std::function<void()>)>;
// Files this long or longer are read in two halves at once where another thread is offered:
// the system's copying of a large page then takes half the time.
inline constexpr uint64_t kSplitReadBytes = uint64_t{8} << 20;
// As ReadRegularFile; a file of kSplitReadBytes or more has its second half read by a job given
// to beside, unless the caller's own half is done before that job has begun (then the caller
// reads it). Returns once both halves are read.
FileRead ReadRegularFile(const std::string& path, PageBuffer& out, uint64_t maxBytes, const RunBeside& beside);

struct DirEntry {
    std::string name; // file name only, in the platform's narrow encoding
    bool isDirectory = false;
    uint64_t size = 0;     // bytes; 0 for folders
    int64_t lastWrite = 0; // seconds since 1970-01-01 UTC
};

enum class ListDetail { Full, TypeOnly };

// The entries of a folder ("." and ".." left out) in the order the file system gives them.
// A symbolic link is reported as what it points to; a dangling one as a file of size 0.
// TypeOnly leaves size and lastWrite 0, which saves a look at every file.
// nullopt when the folder cannot be read.
std::optional<std::vector<DirEntry>> ListDirectory(const std::string& dir, ListDetail detail = ListDetail::Full);

// The folder that holds the running program, or empty when the system does not say.
std::string ExecutableDir();

// A key equal for two paths exactly when they lead to the same file or folder (links
// followed): the device and inode numbers, or the full path where the system has none.
// nullopt when path leads nowhere.
std::optional<std::string> FileIdentityKey(const std::string& path);

// True when path names an existing folder (following symbolic links).
bool IsDirectory(const std::string& path);

// True when dir is a folder whose entries can be listed, found without listing them.
bool CanListDirectory(const std::string& dir);

enum class FileCopy {
    Ok,
    SourceMissing, // source is not a regular file (links followed); nothing was touched
    Failed,        // the copy could not be made
};

// Copies the file source to destination, replacing a file already there, on every platform.
FileCopy CopyFileReplacing(const std::string& source, const std::string& destination);

} // namespace orvex
