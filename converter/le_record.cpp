// SPDX-License-Identifier: MIT
// Flat little-endian records: 32-bit integers and length-prefixed byte strings.
#include "converter/le_record.h"

namespace orvex {

void AppendLeInt32(std::string& out, int32_t value) {
    const auto u = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((u >> (8 * i)) & 0xFFu);
    }
}

void AppendLeString(std::string& out, std::string_view s) {
    AppendLeInt32(out, static_cast<int32_t>(s.size()));
    out += s;
}

bool LeRecordReader::Int(int32_t& value) {
    if (m_bytes.size() - m_nPos < 4) {
        m_nPos = m_bytes.size();
        return false;
    }
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) {
        u |= static_cast<uint32_t>(static_cast<unsigned char>(m_bytes[m_nPos + static_cast<size_t>(i)])) << (8 * i);
    }
    m_nPos += 4;
    value = static_cast<int32_t>(u);
    return true;
}

LeField LeRecordReader::String(int32_t maxLength, std::string& s) {
    int32_t length = 0;
    if (!Int(length)) {
        return LeField::Short;
    }
    if (length < 0 || length > maxLength) {
        return LeField::BadLength;
    }
    const auto n = static_cast<size_t>(length);
    if (m_bytes.size() - m_nPos < n) {
        m_nPos = m_bytes.size();
        return LeField::Short;
    }
    s.assign(m_bytes.substr(m_nPos, n));
    m_nPos += n;
    return LeField::Ok;
}

} // namespace orvex
