// SPDX-License-Identifier: MIT
// Applies a stored, verified update package to the installation folder.
#pragma once

#include "updater/package_format.h"

#include <string>

namespace orvex {

enum class InstallResult {
    Ok,              // every command carried out, every file written, the package file deleted
    Unreadable,      // the package file cannot be opened or read, or is shorter than its header
    NoMemory,        // a buffer for the compressed or the decompressed data cannot be had
    BadStream,       // the zlib stream does not decompress to exactly M bytes
    BadCommandText,  // L above 4095, or the text beyond the decompressed data
    UnsafePath,      // a command path that would leave its location, or with an unknown prefix
    BadWriteSize,    // a write command with a negative size
    TooManyWrites,   // a 100th write command
    NoEndMark,       // the text does not end with its last line's LF followed by "en"
    SizesBeyondData, // the write sizes together exceed the file data
    CannotWrite,     // a write target cannot be created or written
};

// Carries out the package at packagePath:
//   1. the header, the decompression and the command text are checked; a failure here changes
//      nothing;
//   2. the command lines are parsed in order; "del", "rd" and "md" act at once, their own
//      failures ignored; "write" commands are only listed. A failure here (unsafe path, bad
//      size, 100th write, missing end mark, sizes beyond the data) leaves the earlier del, rd
//      and md commands done and writes no file;
//   3. the files are written in the order of their commands; a file that cannot be written
//      ends the run with the earlier files written and the later ones not. A file that exists
//      is emptied and rewritten in place, so it keeps its permissions;
//   4. only then is the package file deleted.
// On every failure the package file stays.
InstallResult InstallPackage(const std::string& packagePath, const InstallLocations& where);

const char* InstallResultName(InstallResult result);

} // namespace orvex
