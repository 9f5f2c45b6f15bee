// SPDX-License-Identifier: MIT
// Writing update packages: from a list of commands and files to the bytes the update host
// serves, refusing whatever the installer would refuse.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvex {

struct PackageEntry {
    enum class Kind { Delete, RemoveDir, MakeDir, Write };
    Kind kind = Kind::Write;
    std::string path; // package form, CP949: "ae:\KDV.EXE", "id:\data\a.dat"
    std::string data; // the file's bytes, for Write
};

// The two words ahead of the command text, which the installer never reads. mkupdate puts
// the package's version in the first and the number of files in the second.
struct PackageWords {
    uint32_t first = 0;
    uint32_t second = 0;
};

// The package bytes for entries, commands in their order. False, with error saying which entry
// and why, when a path is unsafe or malformed (see CheckPackagePath; no CR or LF anywhere, no
// space in a write path), there are more than 99 writes, the command text exceeds 4095 bytes,
// or the sizes do not fit the format's 32-bit fields.
bool BuildPackage(const std::vector<PackageEntry>& entries, PackageWords words, std::string& package,
                  std::string& error);

// Reads a package list: one command a line, "md PATH", "rd PATH", "del PATH" or
// "write PATH SOURCE", where PATH is the package path in program text and SOURCE the local file
// whose bytes are written there (relative to baseDir unless absolute). Blank lines and lines
// starting with '#' are skipped; a CR before the LF is dropped. Paths are encoded to CP949.
// False, with error naming the line, on an unknown command, an unencodable path or an
// unreadable SOURCE.
bool ParsePackageList(std::string_view list, const std::string& baseDir, std::vector<PackageEntry>& entries,
                      std::string& error);

} // namespace orvex
