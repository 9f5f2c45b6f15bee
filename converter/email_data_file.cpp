// SPDX-License-Identifier: MIT
// The e-mail data file formats of the four self-hosted kinds.
#include "converter/email_data_file.h"

#include "converter/settings.h"

namespace orvex {

namespace {

// PHP opens with the long tag: with short tags off, the default today, "<?" would make the
// server send the file as text, addresses and all.
constexpr EmailDataFormat kFormats[] = {
    {"emaildata.php", "<?php /*\r\n", "", ":", "*/?>"},
    {"emaildata.asp", "<%''\r\n", "'", "'", "%>''"},
    {"emaildata.jsp", "<%\r\n", "//", "//", "%>"},
    {"emaildata.pl", "", "#", "#", ""},
};

} // namespace

const EmailDataFormat& EmailDataFormatFor(int32_t cgiKind) {
    return cgiKind >= kCgiPhp && cgiKind <= kCgiPerl ? kFormats[cgiKind] : kFormats[kCgiPhp];
}

bool AddressFitsDataFile(int32_t cgiKind, std::string_view address) {
    switch (cgiKind) {
    case kCgiPhp:
        return address.find("*/") == std::string_view::npos;
    case kCgiAsp:
        return address.find("%>") == std::string_view::npos;
    case kCgiJsp:
        // Java reads a \u escape before comments, so "\u000a" would end the line's comment.
        return address.find("%>") == std::string_view::npos && address.find("\\u") == std::string_view::npos;
    default:
        return true;
    }
}

bool EmailDataWriter::Open(const std::string& path, int32_t cgiKind) {
    m_pFormat = &EmailDataFormatFor(cgiKind);
    if (!m_file.Open(path)) {
        return false;
    }
    m_file.Write(m_pFormat->header);
    return true;
}

void EmailDataWriter::AddLine(int32_t number, std::string_view address, std::string_view pageCode) {
    if (!m_file.IsOpen()) {
        return;
    }
    std::string& line = m_line;
    line.clear();
    line += m_pFormat->lead;
    line += std::to_string(number);
    line += m_pFormat->separator;
    line += address;
    line += m_pFormat->separator;
    line += pageCode;
    line += "\r\n";
    m_file.Write(line);
}

bool EmailDataWriter::Close() {
    if (!m_file.IsOpen()) {
        return false;
    }
    m_file.Write(m_pFormat->footer);
    return m_file.Close();
}

} // namespace orvex
