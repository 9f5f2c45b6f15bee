// SPDX-License-Identifier: MIT
// The converter's settings record, its file default.cfg, and the naming rules built on it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex {

inline constexpr std::string_view kSettingsFileName = "default.cfg";
// Longest string a settings file may hold; longer (or negative) lengths make the file unusable.
inline constexpr int32_t kMaxSettingsString = 2047;

// Server kinds (m_nCgiKind) and server operating systems (m_nServerOs).
enum CgiKind : int32_t { kCgiPhp = 0, kCgiAsp = 1, kCgiJsp = 2, kCgiPerl = 3, kCgiHosted = 4 };
enum ServerOs : int32_t { kOsWindows = 0, kOsLinux = 1, kOsSolaris = 2 };

// The settings the main frame holds for the life of the program. The home directory is program
// text; the three default names are CP949 bytes. Flags are kept as the 32-bit values read, so
// that a file is written back exactly as it was read.
struct ConverterSettings {
    std::string m_strHomeDir = "c:\\home"; // the factory value; the first-run sheet asks for the real one
    int32_t m_nCgiKind = kCgiHosted;
    int32_t m_nServerOs = kOsWindows;
    std::string m_strDefaultName1 = "<img src='VelmorantDefaultImg1.gif' border=0>";
    int32_t m_bDefaultIsText1 = 0;
    std::string m_strDefaultName2 = "<img src='VelmorantDefaultImg2.gif' border=0>";
    int32_t m_bDefaultIsText2 = 0;
    std::string m_strDefaultName3 = "<img src='VelmorantDefaultImg3.gif' border=0>";
    int32_t m_bDefaultIsText3 = 0;
    int32_t m_bCheckAll = 0;
    int32_t m_nReserved = 0;
    int32_t m_bSearchWholeDir = 1;

    bool operator==(const ConverterSettings&) const = default;

    // Default name n (1..3) and its text flag; n outside 1..3 is treated as 1.
    const std::string& DefaultName(int n) const;
    int32_t DefaultIsText(int n) const;
};

enum class SettingsFileStatus { Found, Missing };

// The settings as default.cfg holds them: little-endian 32-bit integers and length-prefixed
// strings without terminator, 48 bytes plus the four string lengths.
std::string EncodeSettingsRecord(const ConverterSettings& settings);

// Parses a default.cfg image into settings. Returns false, leaving settings unchanged, when a
// string length is negative or above kMaxSettingsString or the bytes end before the last field.
// Bytes after the last field are ignored.
bool DecodeSettingsRecord(std::string_view bytes, ConverterSettings& settings);

// Reads the settings file. Missing when it cannot be opened or read, or is malformed (see
// DecodeSettingsRecord); settings are then unchanged.
SettingsFileStatus ReadSettingsFile(ConverterSettings& settings,
                                    const std::string& path = std::string(kSettingsFileName));

// Writes the settings file. The bytes go to a temporary file beside it that then replaces it, so
// an interrupted write never leaves a truncated default.cfg. Returns false when nothing could be
// written; the old file is then untouched.
bool WriteSettingsFile(const ConverterSettings& settings, const std::string& path = std::string(kSettingsFileName));

// A factory default name made relative to the page's folder: "../" once for each folder level
// of pagePath below homeDir, inserted after the name's first ten bytes ("<img src='"), or at
// its end when the name is shorter. Byte-based, as the names and paths are.
std::string MakeImageNameForPage(std::string_view pagePath, std::string_view defaultName, std::string_view homeDir);

// The ID rule: the address's text before its first "@" (the whole address when it has none).
std::string MakeIdName(std::string_view address);

} // namespace orvex
