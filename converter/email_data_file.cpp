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

EmailDataWriter::~EmailDataWriter() {
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
    }
}

bool EmailDataWriter::Open(const std::string& path, int32_t cgiKind) {
    m_pFormat = &EmailDataFormatFor(cgiKind);
    m_bFailed = false;
    m_pFile = std::fopen(path.c_str(), "wb");
    if (m_pFile == nullptr) {
        return false;
    }
    const std::string_view header = m_pFormat->header;
    if (std::fwrite(header.data(), 1, header.size(), m_pFile) != header.size()) {
        m_bFailed = true;
    }
    return true;
}

void EmailDataWriter::AddLine(int32_t number, std::string_view address, std::string_view pageCode) {
    if (m_pFile == nullptr) {
        return;
    }
    std::string line;
    line.reserve(address.size() + pageCode.size() + 24);
    line += m_pFormat->lead;
    line += std::to_string(number);
    line += m_pFormat->separator;
    line += address;
    line += m_pFormat->separator;
    line += pageCode;
    line += "\r\n";
    if (std::fwrite(line.data(), 1, line.size(), m_pFile) != line.size()) {
        m_bFailed = true;
    }
}

bool EmailDataWriter::Close() {
    if (m_pFile == nullptr) {
        return false;
    }
    const std::string_view footer = m_pFormat->footer;
    if (std::fwrite(footer.data(), 1, footer.size(), m_pFile) != footer.size()) {
        m_bFailed = true;
    }
    if (std::fclose(m_pFile) != 0) {
        m_bFailed = true;
    }
    m_pFile = nullptr;
    return !m_bFailed;
}

} // namespace orvex
