// SPDX-License-Identifier: MIT
// The converter's settings record, its file default.cfg, and the naming rules built on it.
#include "converter/settings.h"

#include "platform/file_system.h"
#include "platform/paths.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace orvex {

const std::string& ConverterSettings::DefaultName(int n) const {
    return n == 2 ? m_strDefaultName2 : n == 3 ? m_strDefaultName3 : m_strDefaultName1;
}

int32_t ConverterSettings::DefaultIsText(int n) const {
    return n == 2 ? m_bDefaultIsText2 : n == 3 ? m_bDefaultIsText3 : m_bDefaultIsText1;
}

namespace {

void PutInt(std::string& out, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
    out += static_cast<char>((u >> 16) & 0xFF);
    out += static_cast<char>((u >> 24) & 0xFF);
}

void PutString(std::string& out, const std::string& s) {
    PutInt(out, static_cast<int32_t>(s.size()));
    out += s;
}

// Sequential reader over the file image; every read checks the remaining length first.
class RecordReader {
public:
    explicit RecordReader(std::string_view bytes) : m_bytes(bytes) {}

    bool Int(int32_t& v) {
        if (m_bytes.size() - m_pos < 4) {
            return false;
        }
        uint32_t u = 0;
        for (int i = 3; i >= 0; --i) {
            u = (u << 8) | static_cast<unsigned char>(m_bytes[m_pos + static_cast<size_t>(i)]);
        }
        v = static_cast<int32_t>(u);
        m_pos += 4;
        return true;
    }

    bool String(std::string& s) {
        int32_t len = 0;
        if (!Int(len) || len < 0 || len > kMaxSettingsString) {
            return false;
        }
        const auto n = static_cast<size_t>(len);
        if (m_bytes.size() - m_pos < n) {
            return false;
        }
        s.assign(m_bytes.substr(m_pos, n));
        m_pos += n;
        return true;
    }

private:
    std::string_view m_bytes;
    size_t m_pos = 0;
};

} // namespace

std::string EncodeSettingsRecord(const ConverterSettings& s) {
    std::string out;
    PutInt(out, s.m_nCgiKind);
    PutInt(out, s.m_nServerOs);
    PutInt(out, s.m_bCheckAll);
    PutInt(out, s.m_nReserved);
    PutString(out, s.m_strHomeDir);
    PutString(out, s.m_strDefaultName1);
    PutString(out, s.m_strDefaultName2);
    PutString(out, s.m_strDefaultName3);
    PutInt(out, s.m_bSearchWholeDir);
    PutInt(out, s.m_bDefaultIsText1);
    PutInt(out, s.m_bDefaultIsText2);
    PutInt(out, s.m_bDefaultIsText3);
    return out;
}

bool DecodeSettingsRecord(std::string_view bytes, ConverterSettings& settings) {
    ConverterSettings s;
    RecordReader r(bytes);
    const bool ok = r.Int(s.m_nCgiKind) && r.Int(s.m_nServerOs) && r.Int(s.m_bCheckAll) && r.Int(s.m_nReserved) &&
                    r.String(s.m_strHomeDir) && r.String(s.m_strDefaultName1) && r.String(s.m_strDefaultName2) &&
                    r.String(s.m_strDefaultName3) && r.Int(s.m_bSearchWholeDir) && r.Int(s.m_bDefaultIsText1) &&
                    r.Int(s.m_bDefaultIsText2) && r.Int(s.m_bDefaultIsText3);
    if (!ok) {
        return false;
    }
    settings = std::move(s);
    return true;
}

SettingsFileStatus ReadSettingsFile(ConverterSettings& settings, const std::string& path) {
    std::string bytes;
    if (!ReadFileBytes(path, bytes) || !DecodeSettingsRecord(bytes, settings)) {
        return SettingsFileStatus::Missing;
    }
    return SettingsFileStatus::Found;
}

bool WriteSettingsFile(const ConverterSettings& settings, const std::string& path) {
    return WriteFileReplacing(path, EncodeSettingsRecord(settings));
}

std::string MakeImageNameForPage(std::string_view pagePath, std::string_view defaultName, std::string_view homeDir) {
    const std::string_view rel =
        pagePath.size() > homeDir.size() ? pagePath.substr(homeDir.size()) : std::string_view{};
    size_t levels = 0;
    for (const char c : rel) {
        if (c == kPathSep) {
            ++levels;
        }
    }
    std::string prefix;
    for (size_t i = 1; i < levels; ++i) {
        prefix += "../";
    }
    constexpr size_t kHead = 10; // length of "<img src='"
    const size_t cut = defaultName.size() < kHead ? defaultName.size() : kHead;
    std::string out(defaultName.substr(0, cut));
    out += prefix;
    out += defaultName.substr(cut);
    return out;
}

std::string MakeIdName(std::string_view address) {
    return std::string(address.substr(0, address.find('@')));
}

} // namespace orvex
