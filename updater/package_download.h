// SPDX-License-Identifier: MIT
// Fetching the update package into the installation folder and checking it against the
// digest the update host publishes.
#pragma once

#include <string>

namespace orvex {

enum class DownloadResult {
    Ok,                  // stored whole, length as its header says, digest as published
    InternetError,       // the package could not be requested or its transfer broke off
    ShortHeader,         // fewer than 8 bytes came; the package file was not touched
    FileError,           // the package file could not be created, written or read back
    LengthMismatch,      // the bytes after the header are not the N the header announces
    ChecksumUnavailable, // the checksum file could not be fetched
    ChecksumMismatch,    // its first line is not the digest text of the package file
};

// Streams packageUrl into packagePath (created or emptied, once the 8-byte header is in) in
// blocks of 4096 bytes, compares the count of bytes after the header with the header's N, then
// runs VerifyPackage. Whatever was written stays on every failure after the header came.
DownloadResult DownloadPackage(const std::string& packageUrl, const std::string& checksumUrl,
                               const std::string& packagePath);

// Ok when the first line of the checksum file (LF and a CR before it dropped) equals, byte for
// byte, the lower-case MD5 hex text of the file at packagePath.
DownloadResult VerifyPackage(const std::string& checksumUrl, const std::string& packagePath);

const char* DownloadResultName(DownloadResult result);

} // namespace orvex
