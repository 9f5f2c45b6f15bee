// SPDX-License-Identifier: MIT
// The package writer and mkupdate: what they refuse, and that every package they write installs
// to exactly the files they were given.
#include "updater/package_writer.h"

#include "package_helpers.h"
#include "platform/text_codec.h"
#include "run_process.h"
#include "temp_dir.h"
#include "updater/package_installer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace orvex {
namespace {

namespace fs = std::filesystem;
using Kind = PackageEntry::Kind;

std::string Build(const std::vector<PackageEntry>& entries, std::string* error = nullptr) {
    std::string package;
    std::string why;
    const bool ok = BuildPackage(entries, {}, package, why);
    if (error != nullptr) {
        *error = why;
    }
    return ok ? package : std::string();
}

std::vector<PackageEntry> Writes(int n, const std::string& prefix = "ae:\\f") {
    std::vector<PackageEntry> entries;
    for (int i = 0; i < n; ++i) {
        entries.push_back({Kind::Write, prefix + std::to_string(i), "x"});
    }
    return entries;
}

TEST(PackageWriterTest, RefusesWhatTheInstallerWouldRefuse) {
    EXPECT_FALSE(Build(Writes(99)).empty());
    std::string error;
    EXPECT_TRUE(Build(Writes(100), &error).empty());
    EXPECT_NE(error.find("99"), std::string::npos) << error;

    // "write ae:\<name> 1\n" plus "en": a name that brings the text to 4095 bytes, then one more.
    const size_t fixed = std::string("write ae:\\ 1\nen").size();
    EXPECT_FALSE(Build({{Kind::Write, "ae:\\" + std::string(4095 - fixed, 'n'), "x"}}).empty());
    EXPECT_TRUE(Build({{Kind::Write, "ae:\\" + std::string(4096 - fixed, 'n'), "x"}}, &error).empty());
    EXPECT_NE(error.find("4095"), std::string::npos) << error;

    for (const PackageEntry& bad :
         {PackageEntry{Kind::Write, "ae:\\a b", "x"}, PackageEntry{Kind::Delete, "ae:\\..\\x", ""},
          PackageEntry{Kind::MakeDir, "ae:x", ""}, PackageEntry{Kind::RemoveDir, "c:\\x", ""},
          PackageEntry{Kind::Delete, "ae:\\a\r", ""}, PackageEntry{Kind::Write, "id:\\a\nb", "x"},
          PackageEntry{Kind::Write, "id:\\a/../..", "x"}}) {
        EXPECT_TRUE(Build({bad}, &error).empty()) << bad.path;
        EXPECT_NE(error.find("command 1"), std::string::npos) << error;
    }
    // Spaces are fine where the path runs to the end of the line.
    EXPECT_FALSE(Build({{Kind::Delete, "ae:\\old file.txt", ""}}).empty());
}

TEST(PackageWriterTest, LayoutOfTheStoredPackage) {
    std::string package;
    std::string error;
    ASSERT_TRUE(BuildPackage({{Kind::MakeDir, "ae:\\skin", ""}, {Kind::Write, "ae:\\KDV.EXE", "abc"}}, {82, 7}, package,
                             error));
    const auto* bytes = reinterpret_cast<const unsigned char*>(package.data());
    EXPECT_EQ(ReadWord(bytes), package.size() - 8);
    const std::string text = "md ae:\\skin\nwrite ae:\\KDV.EXE 3\nen";
    std::string plain(ReadWord(bytes + 4), '\0');
    uLongf size = static_cast<uLongf>(plain.size());
    ASSERT_EQ(
        uncompress(reinterpret_cast<Bytef*>(plain.data()), &size, bytes + 8, static_cast<uLong>(package.size() - 8)),
        Z_OK);
    ASSERT_EQ(size, plain.size());
    std::string expected;
    AppendWord(expected, 82);
    AppendWord(expected, 7);
    AppendWord(expected, static_cast<uint32_t>(text.size()));
    EXPECT_EQ(plain, expected + text + "abc");
}

TEST(PackageWriterTest, ListParsing) {
    test::TempDir dir;
    dir.Write("src/a.bin", "AAA");
    dir.Write("src/b c.bin", "B");
    // The list is program text; the package holds its paths in CP949 ("한글" is C7 D1 B1 DB).
    const std::string name = test::NonAsciiName();
    const std::string cp949 = Cp949FromUtf8(Utf8FromProgramText(name));
    ASSERT_TRUE(Utf8FromProgramText(name) != "한글" || cp949 == "\xC7\xD1\xB1\xDB");
    std::vector<PackageEntry> entries;
    std::string error;
    ASSERT_TRUE(ParsePackageList("# comment\r\n\nmd ae:\\skin\r\ndel ae:\\old file.txt\nrd id:\\tmp\n"
                                 "write ae:\\a.bin src/a.bin\nwrite ae:\\" +
                                     name + "\\b src/b c.bin",
                                 dir.Path(), entries, error))
        << error;
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].kind, Kind::MakeDir);
    EXPECT_EQ(entries[0].path, "ae:\\skin");
    EXPECT_EQ(entries[1].path, "ae:\\old file.txt");
    EXPECT_EQ(entries[2].kind, Kind::RemoveDir);
    EXPECT_EQ(entries[3].data, "AAA");
    EXPECT_EQ(entries[4].path, "ae:\\" + cp949 + "\\b");
    EXPECT_EQ(entries[4].data, "B");

    for (const char* bad : {"copy ae:\\a", "write ae:\\a", "write ae:\\a missing.bin", "md"}) {
        EXPECT_FALSE(ParsePackageList(std::string("md ae:\\x\n") + bad, dir.Path(), entries, error)) << bad;
        EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    }
}

// A package installed into an empty installation folder gives exactly the files it holds.
void ExpectInstallsExactly(const std::string& package, const test::TreeSnapshot& expected) {
    test::TempDir target;
    fs::create_directory(target.Path("install"));
    target.Write("install/autoupcab.tmp", package);
    ASSERT_EQ(InstallPackage(target.Path("install/autoupcab.tmp"), {target.Path("install"), target.Path("idn")}),
              InstallResult::Ok);
    EXPECT_EQ(test::Snapshot(target.Path()), expected);
}

TEST(PackageWriterTest, SeededPackagesRoundTrip) {
    std::mt19937 rng(20240607);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        std::vector<PackageEntry> entries;
        test::TreeSnapshot expected{{"install", "dir"}};
        const int folders = static_cast<int>(rng() % 3);
        for (int f = 0; f < folders; ++f) {
            entries.push_back({Kind::MakeDir, "ae:\\d" + std::to_string(f), ""});
            expected["install/d" + std::to_string(f)] = "dir";
        }
        const int files = static_cast<int>(rng() % 12);
        for (int i = 0; i < files; ++i) {
            const size_t size = std::array<size_t, 6>{0, 1, 4095, 4096, 4097, 20000}[rng() % 6] + rng() % 3;
            std::string data(size, '\0');
            for (char& c : data) {
                c = static_cast<char>(rng() % 4 == 0 ? rng() : 'a' + rng() % 3);
            }
            const bool idn = rng() % 4 == 0;
            const std::string folder =
                folders > 0 && rng() % 2 == 0 ? "d" + std::to_string(rng() % static_cast<unsigned>(folders)) + "/" : "";
            const std::string name = folder + "f" + std::to_string(i);
            std::string packagePath = (idn ? "id:\\" : "ae:\\") + name;
            std::replace(packagePath.begin(), packagePath.end(), '/', '\\');
            if (idn && !folder.empty()) {
                continue; // the idn folder gets no subfolders in these rounds
            }
            entries.push_back({Kind::Write, packagePath, data});
            expected[(idn ? "idn/" : "install/") + name] = "file:" + data;
            if (idn) {
                expected["idn"] = "dir";
            }
        }
        ExpectInstallsExactly(Build(entries), expected);
    }
}

class MkupdateTest : public ::testing::Test {
protected:
    test::ProcessResult Run(const std::vector<std::string>& args) {
        return test::RunProcess(ORVEX_MKUPDATE_PATH, args, m_dir.Path());
    }
    test::TempDir m_dir;
};

TEST_F(MkupdateTest, WritesAPackageThatInstallsToExactlyItsFilesAndPrintsItsDigest) {
    const std::string name = test::NonAsciiName(); // in the list and the file names: program text
    m_dir.Write("files/orvex", std::string(5000, 'E'));
    m_dir.Write("files/" + name + " file", "");
    m_dir.Write("files/top.gif", "GIF89a");
    m_dir.Write("list.txt", "md ae:\\skin\n"
                            "md id:\\shared\n"
                            "write ae:\\orvex files/orvex\r\n"
                            "write ae:\\skin\\" +
                                name + " files/" + name +
                                " file\n"
                                "write id:\\shared\\top.gif files/top.gif\n");
    const auto r = Run({"--version", "82", m_dir.Path("list.txt"), m_dir.Path("package.bin")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string package = m_dir.Read("package.bin");
    EXPECT_EQ(r.out, test::Md5Line(package) + "\n");
    EXPECT_EQ(ReadWord(reinterpret_cast<const unsigned char*>(package.data())), package.size() - 8);
    ExpectInstallsExactly(package, {{"install", "dir"},
                                    {"install/skin", "dir"},
                                    {"install/orvex", "file:" + std::string(5000, 'E')},
                                    {"install/skin/" + name, "file:"},
                                    {"idn", "dir"},
                                    {"idn/shared", "dir"},
                                    {"idn/shared/top.gif", "file:GIF89a"}});
}

TEST_F(MkupdateTest, RefusesBadListsAndWritesNothing) {
    m_dir.Write("f", "x");
    std::string many;
    for (int i = 0; i < 100; ++i) {
        many += "write ae:\\f" + std::to_string(i) + " f\n";
    }
    const struct {
        const char* name;
        std::string list;
        const char* message;
    } cases[] = {
        {"100 writes", many, "more than 99"},
        {"long text", "del ae:\\" + std::string(4100, 'x') + "\n", "more than 4095"},
        {"space in a write", "write ae:\\a b f\n", "cannot read"}, // "b f" is taken as the source
        {"traversal", "write ae:\\..\\x f\n", ".."},
        {"unknown prefix", "del c:\\x\n", "ae: or id:"},
        {"unknown command", "copy ae:\\x\n", "unknown command"},
        {"missing source", "write ae:\\x nothere\n", "cannot read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_dir.Write("list.txt", c.list);
        const auto r = Run({m_dir.Path("list.txt"), m_dir.Path("package.bin")});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(fs::exists(m_dir.Path("package.bin")));
    }
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"list.txt"}, {"--version", "x", "a", "b"}, {"--bogus", "a", "b"}, {"a", "b", "c"}}) {
        EXPECT_EQ(Run(args).status, 2);
    }
}

} // namespace
} // namespace orvex
