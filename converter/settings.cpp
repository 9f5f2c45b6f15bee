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

namespace {

// The record's fields in file order, for writing and reading alike: field(member) is called for
// each in turn, and the walk stops at the first that returns false.
template <class Settings, class Field>
bool ForEachSettingsField(Settings& s, Field&& field) {
    return field(s.m_nCgiKind) && field(s.m_nServerOs) && field(s.m_bCheckAll) && field(s.m_nReserved) &&
           field(s.m_strHomeDir) && field(s.m_strDefaultName1) && field(s.m_strDefaultName2) &&
           field(s.m_strDefaultName3) && field(s.m_bSearchWholeDir) && field(s.m_bDefaultIsText1) &&
           field(s.m_bDefaultIsText2) && field(s.m_bDefaultIsText3);
}

struct FieldWriter {
    std::string& out;
    bool operator()(int32_t value) const {
        AppendLeInt32(out, value);
        return true;
    }
    bool operator()(const std::string& value) const {
        AppendLeString(out, value);
        return true;
    }
};

// Any field that is short or out of range makes the whole record unusable.
struct FieldReader {
    LeRecordReader& r;
    bool operator()(int32_t& value) const { return r.Int(value); }
    bool operator()(std::string& value) const { return r.String(kMaxSettingsString, value) == LeField::Ok; }
};

} // namespace

std::string EncodeSettingsRecord(const ConverterSettings& s) {
    std::string out;
    ForEachSettingsField(s, FieldWriter{out});
    return out;
}

bool DecodeSettingsRecord(std::string_view bytes, ConverterSettings& settings) {
    ConverterSettings s;
    LeRecordReader r(bytes);
    if (!ForEachSettingsField(s, FieldReader{r})) {
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
