// SPDX-License-Identifier: MIT
// default.cfg and the naming rules.
#include "converter/settings.h"

#include "platform/paths.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orvex {
namespace {

std::string Le(uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

std::string Str(std::string_view s) {
    return Le(static_cast<uint32_t>(s.size())) + std::string(s);
}

const std::string kImg1 = "<img src='VelmorantDefaultImg1.gif' border=0>";
const std::string kImg2 = "<img src='VelmorantDefaultImg2.gif' border=0>";
const std::string kImg3 = "<img src='VelmorantDefaultImg3.gif' border=0>";

TEST(SettingsFile, FactoryRecordBytes) {
    const std::string expected = Le(4) + Le(0) + Le(0) + Le(0) + Str("c:\\home") + Str(kImg1) + Str(kImg2) +
                                 Str(kImg3) + Le(1) + Le(0) + Le(0) + Le(0);
    const std::string bytes = EncodeSettingsRecord(ConverterSettings{});
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(bytes.size(), 48u + 7 + 3 * kImg1.size());

    test::TempDir dir;
    const std::string path = dir.Path("default.cfg");
    ASSERT_TRUE(WriteSettingsFile(ConverterSettings{}, path));
    EXPECT_EQ(dir.Read("default.cfg"), expected);
    // A second write (first run, then close) gives the same file and leaves no temporary behind.
    ASSERT_TRUE(WriteSettingsFile(ConverterSettings{}, path));
    EXPECT_EQ(dir.Read("default.cfg"), expected);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

ConverterSettings Unusual() {
    ConverterSettings s;
    s.m_strHomeDir = "/srv/www/한글";
    s.m_nCgiKind = 2;
    s.m_nServerOs = 1;
    s.m_strDefaultName1 = "\xB8\xDE\xC0\xCF"; // CP949 text
    s.m_bDefaultIsText1 = 1;
    s.m_strDefaultName2 = "";
    s.m_bDefaultIsText2 = 7; // any non-zero flag is kept as it was
    s.m_strDefaultName3 = std::string(kMaxSettingsString, 'x');
    s.m_bDefaultIsText3 = 0;
    s.m_bCheckAll = 1;
    s.m_nReserved = -123456;
    s.m_bSearchWholeDir = 0;
    return s;
}

TEST(SettingsFile, RoundTripKeepsEveryField) {
    test::TempDir dir;
    const std::string path = dir.Path("default.cfg");
    const ConverterSettings written = Unusual();
    ASSERT_TRUE(WriteSettingsFile(written, path));
    ConverterSettings read;
    ASSERT_EQ(ReadSettingsFile(read, path), SettingsFileStatus::Found);
    EXPECT_EQ(read, written);
    EXPECT_EQ(read.m_nReserved, -123456);
}

TEST(SettingsFile, EmptyHomeDirIsALengthWordOnly) {
    ConverterSettings s;
    s.m_strHomeDir.clear();
    const std::string bytes = EncodeSettingsRecord(s);
    EXPECT_EQ(bytes.substr(16, 4), Le(0));
    EXPECT_EQ(bytes.substr(20, 4), Le(static_cast<uint32_t>(kImg1.size())));
}

TEST(SettingsFile, MissingFileChangesNothing) {
    test::TempDir dir;
    ConverterSettings s = Unusual();
    EXPECT_EQ(ReadSettingsFile(s, dir.Path("default.cfg")), SettingsFileStatus::Missing);
    EXPECT_EQ(s, Unusual());
}

TEST(SettingsFile, EveryTruncationReadsAsMissing) {
    const std::string bytes = EncodeSettingsRecord(Unusual());
    for (size_t n = 0; n < bytes.size(); ++n) {
        ConverterSettings s;
        ASSERT_FALSE(DecodeSettingsRecord(std::string_view(bytes).substr(0, n), s)) << "length " << n;
        ASSERT_EQ(s, ConverterSettings{});
    }
    ConverterSettings s;
    EXPECT_TRUE(DecodeSettingsRecord(bytes + "trailing", s));
}

TEST(SettingsFile, EveryBadLengthReadsAsMissing) {
    const ConverterSettings base = Unusual();
    const std::string bytes = EncodeSettingsRecord(base);
    // Offsets of the four length words.
    const size_t l0 = 16;
    const size_t l1 = l0 + 4 + base.m_strHomeDir.size();
    const size_t l2 = l1 + 4 + base.m_strDefaultName1.size();
    const size_t l3 = l2 + 4 + base.m_strDefaultName2.size();
    for (const size_t at : {l0, l1, l2, l3}) {
        for (const uint32_t bad : {0x80000000u, 0xFFFFFFFFu, 2048u, 0x7FFFFFFFu}) {
            std::string b = bytes;
            b.replace(at, 4, Le(bad));
            ConverterSettings s;
            EXPECT_FALSE(DecodeSettingsRecord(b, s)) << "offset " << at << " length " << bad;
        }
    }
    // 2047 is the longest string accepted.
    ConverterSettings s;
    EXPECT_TRUE(DecodeSettingsRecord(bytes, s));
    EXPECT_EQ(s.m_strDefaultName3.size(), 2047u);
}

TEST(SettingsFile, UnwritablePlaceFailsAndKeepsTheOldFile) {
    test::TempDir dir;
    EXPECT_FALSE(WriteSettingsFile(ConverterSettings{}, dir.Path("no/such/folder/default.cfg")));
    const std::string path = dir.Write("default.cfg", "old");
    std::filesystem::create_directory(path + ".tmp"); // the temporary name is taken by a folder
    EXPECT_FALSE(WriteSettingsFile(ConverterSettings{}, path));
    EXPECT_EQ(dir.Read("default.cfg"), "old");
}

std::string P(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (const auto part : parts) {
        if (!out.empty())
            out += kPathSep;
        out += part;
    }
    return out;
}

TEST(NamingRules, ImageNameAtSeveralDepths) {
    const std::string home = P({"", "site"});
    EXPECT_EQ(MakeImageNameForPage(P({"", "site", "a.html"}), kImg1, home), kImg1);
    EXPECT_EQ(MakeImageNameForPage(P({"", "site", "d", "a.html"}), kImg1, home),
              "<img src='../VelmorantDefaultImg1.gif' border=0>");
    EXPECT_EQ(MakeImageNameForPage(P({"", "site", "d", "e", "a.html"}), kImg2, home),
              "<img src='../../VelmorantDefaultImg2.gif' border=0>");
    // A name shorter than ten bytes gets the prefix at its end.
    EXPECT_EQ(MakeImageNameForPage(P({"", "site", "d", "e", "a.html"}), "short", home), "short../../");
    // A path no longer than the home directory has no depth.
    EXPECT_EQ(MakeImageNameForPage(home, kImg1, home), kImg1);
}

TEST(NamingRules, IdRule) {
    EXPECT_EQ(MakeIdName("kim@example.com"), "kim");
    EXPECT_EQ(MakeIdName("@example.com"), "");
    EXPECT_EQ(MakeIdName("a@b@c.d"), "a");
}

} // namespace
} // namespace orvex
