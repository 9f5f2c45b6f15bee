// SPDX-License-Identifier: MIT
// Package paths and words.
#include "updater/package_format.h"

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/system_dirs.h"
#include "platform/text_codec.h"

namespace orvex {

InstallLocations DefaultInstallLocations() {
    InstallLocations where;
    where.installDir = CurrentDirectory();
    const std::string system = SystemDataDirectory();
    if (!system.empty()) {
        where.idnDir = JoinPath(system, kIdnFolderName);
    }
    return where;
}

PackagePathCheck CheckPackagePath(std::string_view path) {
    const std::string_view prefix = path.substr(0, 3);
    if (prefix != kPrefixInstallDir && prefix != kPrefixIdnDir) {
        return PackagePathCheck::UnknownPrefix;
    }
    const std::string_view rest = path.substr(3);
    if (rest.empty() || (rest[0] != '\\' && rest[0] != '/')) {
        return PackagePathCheck::NoLeadingSeparator;
    }
    if (rest.find('\0') != std::string_view::npos) {
        return PackagePathCheck::NulByte;
    }
    // Both separators count, whichever platform this is: '\' becomes the separator here, and
    // '/' is one on every platform we run on.
    size_t start = 1;
    while (start <= rest.size()) {
        const size_t end = rest.find_first_of("\\/", start);
        const std::string_view part =
            rest.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (part == "..") {
            return PackagePathCheck::ParentComponent;
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return PackagePathCheck::Ok;
}

bool ResolvePackagePath(std::string_view path, const InstallLocations& where, std::string& out, bool& underIdn) {
    if (CheckPackagePath(path) != PackagePathCheck::Ok) {
        return false;
    }
    const bool idn = path.substr(0, 3) == kPrefixIdnDir;
    const std::string& base = idn ? where.idnDir : where.installDir;
    if (base.empty()) {
        return false; // an unknown base would put the rest at the root
    }
    underIdn = idn;
    std::string rest = ProgramTextFromUtf8(DecodeToUtf8(path.substr(3), kCharsetCp949));
    for (char& c : rest) {
        if (c == '\\') {
            c = kPathSep;
        }
    }
    out = base + rest;
    return true;
}

uint32_t ReadWord(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void AppendWord(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

} // namespace orvex
