// SPDX-License-Identifier: MIT
// The installer: decompress whole, parse the command text, then write the files.
#include "updater/package_installer.h"

#include "platform/native_path.h"
#include "platform/output_file.h"
#include "updater/version_check.h"

#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <system_error>
#include <vector>

namespace orvex {

namespace fs = std::filesystem;

namespace {

// A deflate stream cannot expand by more than about 1032 to 1, so an M beyond this can never be
// reached; refusing it early spares the allocation of a buffer that would only be thrown away.
constexpr uint64_t kMaxExpansion = 1100;

struct WriteEntry {
    std::string path;
    bool underIdn = false;
    uint64_t size = 0;
};

// The decompressed package: M bytes, all of them produced by the stream.
InstallResult ReadPackage(const std::string& packagePath, std::unique_ptr<unsigned char[]>& data, uint32_t& size) {
    std::error_code ec;
    const fs::path native = FsPath(packagePath);
    const uintmax_t length = fs::file_size(native, ec);
    if (ec) {
        return InstallResult::Unreadable;
    }
    std::ifstream file(native, std::ios::binary);
    if (!file || length < kPackageHeaderBytes) {
        return InstallResult::Unreadable;
    }
    unsigned char header[kPackageHeaderBytes];
    if (!file.read(reinterpret_cast<char*>(header), sizeof header)) {
        return InstallResult::Unreadable;
    }
    const uint32_t m = ReadWord(header + 4);
    const uint64_t compressedSize = length - kPackageHeaderBytes;
    if (m > compressedSize * kMaxExpansion + 1024) {
        return InstallResult::BadStream;
    }
    std::unique_ptr<unsigned char[]> compressed(new (std::nothrow) unsigned char[compressedSize + 1]);
    std::unique_ptr<unsigned char[]> plain(new (std::nothrow) unsigned char[size_t{m} + 1]);
    if (!compressed || !plain) {
        return InstallResult::NoMemory;
    }
    // A file that shrank since its length was taken is decompressed as far as it goes; only a
    // read error (not the early end) makes it unreadable.
    file.read(reinterpret_cast<char*>(compressed.get()), static_cast<std::streamsize>(compressedSize));
    const auto got = static_cast<uint64_t>(file.gcount());
    if (file.bad()) {
        return InstallResult::Unreadable;
    }
    file.close();
    uLongf plainSize = m;
    const int rc = uncompress(plain.get(), &plainSize, compressed.get(), static_cast<uLong>(got));
    if (rc != Z_OK || plainSize != m) {
        return InstallResult::BadStream;
    }
    data = std::move(plain);
    size = m;
    return InstallResult::Ok;
}

void MakeIdnDir(const InstallLocations& where, bool& made) {
    if (!made) {
        std::error_code ec;
        fs::create_directories(FsPath(where.idnDir), ec);
        made = true;
    }
}

// The folder and delete commands; their failures are not the installation's.
void RunFolderCommand(std::string_view word, const std::string& path) {
    std::error_code ec;
    const fs::path native = FsPath(path);
    if (word == "md") {
        fs::create_directory(native, ec);
        return;
    }
    const fs::file_status st = fs::symlink_status(native, ec);
    if (ec || !fs::exists(st)) {
        return;
    }
    const bool isDir = fs::is_directory(st);
    if ((word == "del" && !isDir) || (word == "rd" && isDir)) {
        fs::remove(native, ec);
    }
}

// Truncate, not Replace: an existing file is rewritten in place and keeps its permissions.
bool WriteFile(const WriteEntry& entry, const unsigned char* bytes) {
    OutputFile file;
    if (!file.Open(entry.path)) {
        return false;
    }
    file.Write(std::string_view(reinterpret_cast<const char*>(bytes), static_cast<size_t>(entry.size)));
    return file.Close();
}

} // namespace

InstallResult InstallPackage(const std::string& packagePath, const InstallLocations& where) {
    std::unique_ptr<unsigned char[]> data;
    uint32_t size = 0;
    if (const InstallResult r = ReadPackage(packagePath, data, size); r != InstallResult::Ok) {
        return r;
    }
    if (size < kPackageDataHeaderBytes) {
        return InstallResult::BadCommandText;
    }
    const uint32_t textLength = ReadWord(data.get() + 8);
    if (textLength > kMaxCommandTextBytes || kPackageDataHeaderBytes + textLength > size) {
        return InstallResult::BadCommandText;
    }
    const std::string_view text(reinterpret_cast<const char*>(data.get()) + kPackageDataHeaderBytes, textLength);
    const unsigned char* fileData = data.get() + kPackageDataHeaderBytes + textLength;
    const uint64_t fileDataSize = size - kPackageDataHeaderBytes - textLength;

    bool idnMade = false;
    std::vector<WriteEntry> writes;
    size_t pos = 0;
    while (text.size() >= kPackageEndMark.size() && pos < text.size() - kPackageEndMark.size()) {
        const size_t lf = text.find('\n', pos);
        const std::string_view line =
            text.substr(pos, lf == std::string_view::npos ? std::string_view::npos : lf - pos);
        pos = lf == std::string_view::npos ? text.size() : lf + 1;
        const size_t space = line.find(' ');
        const std::string_view word = line.substr(0, space);
        const std::string_view args = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        if (word == "del" || word == "rd" || word == "md") {
            std::string path;
            bool underIdn = false;
            if (!ResolvePackagePath(args, where, path, underIdn)) {
                return InstallResult::UnsafePath;
            }
            if (underIdn && word == "md") {
                MakeIdnDir(where, idnMade);
            }
            RunFolderCommand(word, path);
        } else if (word == "write") {
            const size_t sizeAt = args.find(' ');
            WriteEntry entry;
            if (!ResolvePackagePath(args.substr(0, sizeAt), where, entry.path, entry.underIdn)) {
                return InstallResult::UnsafePath;
            }
            const int bytes = sizeAt == std::string_view::npos ? 0 : ParseAtoi(args.substr(sizeAt + 1));
            if (bytes < 0) {
                return InstallResult::BadWriteSize;
            }
            entry.size = static_cast<uint64_t>(bytes);
            writes.push_back(std::move(entry));
            if (writes.size() > static_cast<size_t>(kMaxWriteCommands)) {
                return InstallResult::TooManyWrites;
            }
        }
        // Any other word is a line this installer has no use for.
    }
    if (text.size() < kPackageEndMark.size() || pos != text.size() - kPackageEndMark.size() ||
        text.substr(pos) != kPackageEndMark) {
        return InstallResult::NoEndMark;
    }
    uint64_t total = 0;
    for (const WriteEntry& entry : writes) {
        total += entry.size;
    }
    if (total > fileDataSize) {
        return InstallResult::SizesBeyondData;
    }
    for (const WriteEntry& entry : writes) {
        if (entry.underIdn) {
            MakeIdnDir(where, idnMade);
        }
        if (!WriteFile(entry, fileData)) {
            return InstallResult::CannotWrite;
        }
        fileData += entry.size;
    }
    std::error_code ec;
    fs::remove(FsPath(packagePath), ec);
    return InstallResult::Ok;
}

const char* InstallResultName(InstallResult result) {
    switch (result) {
    case InstallResult::Ok:
        return "Ok";
    case InstallResult::Unreadable:
        return "Unreadable";
    case InstallResult::NoMemory:
        return "NoMemory";
    case InstallResult::BadStream:
        return "BadStream";
    case InstallResult::BadCommandText:
        return "BadCommandText";
    case InstallResult::UnsafePath:
        return "UnsafePath";
    case InstallResult::BadWriteSize:
        return "BadWriteSize";
    case InstallResult::TooManyWrites:
        return "TooManyWrites";
    case InstallResult::NoEndMark:
        return "NoEndMark";
    case InstallResult::SizesBeyondData:
        return "SizesBeyondData";
    case InstallResult::CannotWrite:
        return "CannotWrite";
    }
    return "?";
}

} // namespace orvex
