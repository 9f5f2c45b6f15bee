// SPDX-License-Identifier: MIT
// Paths held as program text, and the file system's own form of them. Program text is the
// platform's narrow encoding: UTF-8 elsewhere, the ANSI code page on Windows, where every
// file-system call goes through the wide-character API. This is the one conversion between
// the two; nothing else builds a path from a narrow string or takes a path's string().
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orvex {

// The path as the file system takes it.
std::filesystem::path FsPath(std::string_view programText);

// The path as program text. On Windows a character the ANSI code page cannot hold becomes '?',
// which no file name contains, so the name fails to open rather than opening another file.
std::string PathText(const std::filesystem::path& path);

#ifdef _WIN32
// The UTF-16 form of program text and back, for the Win32 calls that take names.
std::wstring WideFromProgramText(std::string_view text);
std::string ProgramTextFromWide(std::wstring_view wide);
#endif

} // namespace orvex
