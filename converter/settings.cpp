// SPDX-License-Identifier: MIT
// The converter's settings record, its file default.cfg, and the naming rules built on it.
#include "converter/settings.h"

#include "converter/le_record.h"
#include "platform/file_system.h"
#include "platform/output_file.h"
#include "platform/paths.h"

#include <utility>

namespace orvex {

const std::string& ConverterSettings::DefaultName(int n) const {
    return n == 2 ? m_strDefaultName2 : n == 3 ? m_strDefaultName3 : m_strDefaultName1;
}

int32_t ConverterSettings::DefaultIsText(int n) const {
    return n == 2 ? m_bDefaultIsText2 : n == 3 ? m_bDefaultIsText3 : m_bDefaultIsText1;
}

std::string EncodeSettingsRecord(const ConverterSettings& s) {
    std::string out;
    AppendLeInt32(out, s.m_nCgiKind);
    AppendLeInt32(out, s.m_nServerOs);
    AppendLeInt32(out, s.m_bCheckAll);
    AppendLeInt32(out, s.m_nReserved);
    AppendLeString(out, s.m_strHomeDir);
    AppendLeString(out, s.m_strDefaultName1);
    AppendLeString(out, s.m_strDefaultName2);
    AppendLeString(out, s.m_strDefaultName3);
    AppendLeInt32(out, s.m_bSearchWholeDir);
    AppendLeInt32(out, s.m_bDefaultIsText1);
    AppendLeInt32(out, s.m_bDefaultIsText2);
    AppendLeInt32(out, s.m_bDefaultIsText3);
    return out;
}

bool DecodeSettingsRecord(std::string_view bytes, ConverterSettings& settings) {
    ConverterSettings s;
    LeRecordReader r(bytes);
    // Any field that is short or out of range makes the whole file unusable.
    const auto str = [&r](std::string& out) { return r.String(kMaxSettingsString, out) == LeField::Ok; };
    const bool ok = r.Int(s.m_nCgiKind) && r.Int(s.m_nServerOs) && r.Int(s.m_bCheckAll) && r.Int(s.m_nReserved) &&
                    str(s.m_strHomeDir) && str(s.m_strDefaultName1) && str(s.m_strDefaultName2) &&
                    str(s.m_strDefaultName3) && r.Int(s.m_bSearchWholeDir) && r.Int(s.m_bDefaultIsText1) &&
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
