// SPDX-License-Identifier: MIT
// The e-mail data file of a self-hosted kit: one line per converted occurrence, numbered as the
// links in the pages, wrapped as comments of the server's script language so that the web
// server runs the file instead of serving it.
#pragma once

#include "platform/output_file.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex {

struct EmailDataFormat {
    std::string_view fileName;
    std::string_view header;
    std::string_view lead;      // before the number
    std::string_view separator; // before the address and before the page code
    std::string_view footer;    // no line end after it
};

// The format of kCgiPhp..kCgiPerl; any other kind gets PHP's.
const EmailDataFormat& EmailDataFormatFor(int32_t cgiKind);

// False when the address would end its data file's wrapping early and let a page put script
// into the file: "*/" for PHP, "%>" for ASP and JSP, and for JSP also a "\u" escape, which
// Java turns into a line end before it sees the comment. Such an address is not converted.
bool AddressFitsDataFile(int32_t cgiKind, std::string_view address);

// Writes one data file: Open (header), AddLine per converted occurrence, Close (footer).
// Raw bytes with CR LF line ends on every platform.
class EmailDataWriter {
public:
    // Creates or truncates the file at path and writes the kind's header. False when it cannot.
    bool Open(const std::string& path, int32_t cgiKind);
    void AddLine(int32_t number, std::string_view address, std::string_view pageCode);
    // Writes the footer and closes. False when any write since Open failed.
    bool Close();

private:
    OutputFile m_file;
    const EmailDataFormat* m_pFormat = nullptr;
    std::string m_line; // the line being written, its memory kept from line to line
};

} // namespace orvex
