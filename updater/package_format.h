// SPDX-License-Identifier: MIT
// The update package: its stored file, its limits, and how the paths of its commands are placed.
//
// The stored package, integers little-endian:
//   0  u32 N   bytes after this 8-byte header
//   4  u32 M   size of the data once decompressed
//   8  N bytes one zlib stream holding:
//        0  u32 free word (never read by the installer)
//        4  u32 free word (never read by the installer)
//        8  u32 L   length of the command text
//       12  L bytes command text: lines ending in LF alone, then the end mark "en"
//   12 + L        the data of the write commands, concatenated in their order
//
// Command lines: "del PATH", "rd PATH", "md PATH" (PATH to the end of the line, spaces allowed)
// and "write PATH SIZE" (PATH without spaces). PATH is a location prefix, "ae:" (installation
// folder) or "id:" (the idn folder), then the rest, which begins with '\'. The text is CP949.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvex {

inline constexpr std::string_view kPackageFileName = "autoupcab.tmp";
inline constexpr size_t kPackageHeaderBytes = 8;
inline constexpr size_t kPackageDataHeaderBytes = 12; // the two free words and L
inline constexpr uint32_t kMaxCommandTextBytes = 4095;
inline constexpr int kMaxWriteCommands = 99;
inline constexpr std::string_view kPackageEndMark = "en";
inline constexpr std::string_view kPrefixInstallDir = "ae:";
inline constexpr std::string_view kPrefixIdnDir = "id:";
inline constexpr std::string_view kIdnFolderName = "idn";

// Where the two prefixes lead.
struct InstallLocations {
    std::string installDir; // "ae:": the converter's installation folder, no trailing separator
    std::string idnDir;     // "id:": the idn folder, created when a command needs it
};

// The current directory, and "idn" under the system data directory (the Windows directory on
// Windows, the per-user data folder elsewhere).
InstallLocations DefaultInstallLocations();

enum class PackagePathCheck {
    Ok,
    UnknownPrefix,      // neither "ae:" nor "id:"
    NoLeadingSeparator, // the rest after the prefix does not begin with a separator
    ParentComponent,    // a ".." between separators ('\' or '/') or at the end
    NulByte,            // a zero byte, which no file name can hold
};

// Checks a package path, prefix included. Only Ok paths stay inside their location.
PackagePathCheck CheckPackagePath(std::string_view path);

// The file system path of a package path that passes CheckPackagePath: the location's base
// followed by the rest, decoded from CP949 to program text, '\' turned into the platform's
// separator. False (out untouched) when the check fails or the location's base is empty. underIdn tells which base was
// used.
bool ResolvePackagePath(std::string_view path, const InstallLocations& where, std::string& out, bool& underIdn);

// Little-endian 32-bit words, as the package stores them.
uint32_t ReadWord(const unsigned char* bytes);
void AppendWord(std::string& out, uint32_t value);

} // namespace orvex
