// SPDX-License-Identifier: MIT
// BuildPackage and ParsePackageList.
#include "updater/package_writer.h"

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/text_codec.h"
#include "updater/package_format.h"

#include <zlib.h>

#include <limits>

namespace orvex {

namespace {

const char* KindWord(PackageEntry::Kind kind) {
    switch (kind) {
    case PackageEntry::Kind::Delete:
        return "del";
    case PackageEntry::Kind::RemoveDir:
        return "rd";
    case PackageEntry::Kind::MakeDir:
        return "md";
    case PackageEntry::Kind::Write:
        return "write";
    }
    return "";
}

const char* PathProblem(const PackageEntry& entry) {
    switch (CheckPackagePath(entry.path)) {
    case PackagePathCheck::Ok:
        break;
    case PackagePathCheck::UnknownPrefix:
        return "the path does not start with ae: or id:";
    case PackagePathCheck::NoLeadingSeparator:
        return "the path after its prefix does not start with \\";
    case PackagePathCheck::ParentComponent:
        return "the path has a .. component";
    case PackagePathCheck::NulByte:
        return "the path holds a zero byte";
    }
    if (entry.path.find_first_of("\r\n") != std::string::npos) {
        return "the path holds a line break";
    }
    if (entry.kind == PackageEntry::Kind::Write && entry.path.find(' ') != std::string::npos) {
        return "the path of a write holds a space";
    }
    return nullptr;
}

} // namespace

bool BuildPackage(const std::vector<PackageEntry>& entries, PackageWords words, std::string& package,
                  std::string& error) {
    std::string text;
    std::string files;
    int writes = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const PackageEntry& entry = entries[i];
        if (const char* problem = PathProblem(entry)) {
            error = "command " + std::to_string(i + 1) + " (" + entry.path + "): " + problem;
            return false;
        }
        text += KindWord(entry.kind);
        text += ' ';
        text += entry.path;
        if (entry.kind == PackageEntry::Kind::Write) {
            if (++writes > kMaxWriteCommands) {
                error = "more than " + std::to_string(kMaxWriteCommands) + " files to write";
                return false;
            }
            if (entry.data.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
                error = "command " + std::to_string(i + 1) + " (" + entry.path + "): the file is larger than 2 GB";
                return false;
            }
            text += ' ';
            text += std::to_string(entry.data.size());
            files += entry.data;
        }
        text += '\n';
    }
    text += kPackageEndMark;
    if (text.size() > kMaxCommandTextBytes) {
        error = "the command text takes " + std::to_string(text.size()) + " bytes, more than " +
                std::to_string(kMaxCommandTextBytes);
        return false;
    }
    std::string plain;
    AppendWord(plain, words.first);
    AppendWord(plain, words.second);
    AppendWord(plain, static_cast<uint32_t>(text.size()));
    plain += text;
    plain += files;
    if (plain.size() > std::numeric_limits<uint32_t>::max()) {
        error = "the package's data exceeds 4 GB";
        return false;
    }
    uLongf compressedSize = compressBound(static_cast<uLong>(plain.size()));
    std::string compressed(compressedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(compressed.data()), &compressedSize,
                  reinterpret_cast<const Bytef*>(plain.data()), static_cast<uLong>(plain.size()),
                  Z_BEST_COMPRESSION) != Z_OK ||
        compressedSize > std::numeric_limits<uint32_t>::max()) {
        error = "the data could not be compressed";
        return false;
    }
    compressed.resize(compressedSize);
    package.clear();
    AppendWord(package, static_cast<uint32_t>(compressed.size()));
    AppendWord(package, static_cast<uint32_t>(plain.size()));
    package += compressed;
    return true;
}

bool ParsePackageList(std::string_view list, const std::string& baseDir, std::vector<PackageEntry>& entries,
                      std::string& error) {
    entries.clear();
    size_t lineNumber = 0;
    for (size_t start = 0; start < list.size();) {
        const size_t lf = list.find('\n', start);
        std::string_view line = list.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start);
        start = lf == std::string_view::npos ? list.size() : lf + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        const size_t space = line.find(' ');
        const std::string_view word = line.substr(0, space);
        const std::string_view args = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        PackageEntry entry;
        std::string_view path = args;
        std::string_view source;
        if (word == "del") {
            entry.kind = PackageEntry::Kind::Delete;
        } else if (word == "rd") {
            entry.kind = PackageEntry::Kind::RemoveDir;
        } else if (word == "md") {
            entry.kind = PackageEntry::Kind::MakeDir;
        } else if (word == "write") {
            entry.kind = PackageEntry::Kind::Write;
            const size_t split = args.find(' ');
            if (split == std::string_view::npos || split + 1 == args.size()) {
                error = where + "write needs a package path and a source file";
                return false;
            }
            path = args.substr(0, split);
            source = args.substr(split + 1);
        } else {
            error = where + "unknown command \"" + std::string(word) + "\" (del, rd, md or write)";
            return false;
        }
        if (path.empty()) {
            error = where + std::string(word) + " needs a package path";
            return false;
        }
        if (!EncodeFromUtf8(Utf8FromProgramText(path), kCharsetCp949, entry.path)) {
            error = where + "the path cannot be written in CP949";
            return false;
        }
        if (entry.kind == PackageEntry::Kind::Write) {
            std::string file(source);
            const bool absolute =
                !file.empty() && (file[0] == '/' || file[0] == kPathSep || (file.size() > 1 && file[1] == ':'));
            if (!absolute) {
                file = JoinPath(baseDir, file);
            }
            if (!ReadFileBytes(file, entry.data)) {
                error = where + "cannot read " + file;
                return false;
            }
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

} // namespace orvex
