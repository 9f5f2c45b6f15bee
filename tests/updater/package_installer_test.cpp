// SPDX-License-Identifier: MIT
// The installer on real folders: each case snapshots the whole scratch tree (installation
// folder, idn folder, and a folder beside them that no package may reach) and checks that
// exactly the expected paths changed, and that a failed run keeps the package file.
#include "updater/package_installer.h"

#include "package_helpers.h"
#include "platform/text_codec.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orvex {
namespace {

namespace fs = std::filesystem;
using test::ChangedPaths;
using test::RawPackage;
using test::Snapshot;
using Paths = std::set<std::string>;

const std::string kPkg = "install/autoupcab.tmp";

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir.Write("install/old.txt", "old");
        m_dir.Write("install/keep.txt", "keep");
        m_dir.Write("install/full/inner.txt", "inner");
        fs::create_directory(m_dir.Path("install/empty"));
        m_dir.Write("install/orvex", "#!/bin/sh\n");
        fs::permissions(m_dir.Path("install/orvex"), fs::perms::owner_exec, fs::perm_options::add);
        m_dir.Write("outside/sentinel.txt", "sentinel");
        m_where.installDir = m_dir.Path("install");
        m_where.idnDir = m_dir.Path("idn");
    }

    // Stores the package, installs it, and returns the result; Changed() then tells what moved.
    InstallResult Install(const std::string& package) {
        m_dir.Write(kPkg, package);
        m_before = Snapshot(m_dir.Path());
        return InstallPackage(m_dir.Path(kPkg), m_where);
    }
    InstallResult InstallText(const std::string& text, const std::string& fileData = "") {
        return Install(RawPackage(text, fileData));
    }
    Paths Changed() const { return ChangedPaths(m_before, Snapshot(m_dir.Path())); }
    bool PackageKept() const { return fs::exists(m_dir.Path(kPkg)); }

    test::TempDir m_dir;
    InstallLocations m_where;
    test::TreeSnapshot m_before;
};

TEST_F(InstallerTest, EndMarkAloneChangesNothingButDeletesThePackage) {
    EXPECT_EQ(InstallText("en"), InstallResult::Ok);
    EXPECT_EQ(Changed(), (Paths{kPkg}));
}

TEST_F(InstallerTest, CommandsWriteFilesInTheirOrderAndFoldersFirst) {
    // The write into "new" comes before the md that makes it: folders act while parsing.
    const std::string text = "write ae:\\new\\a.txt 3\n"
                             "md ae:\\new\n"
                             "del ae:\\old.txt\n"
                             "rd ae:\\empty\n"
                             "write ae:\\keep.txt 4\n"
                             "en";
    ASSERT_EQ(InstallText(text, "AAABBBB"), InstallResult::Ok);
    EXPECT_EQ(Changed(), (Paths{kPkg, "install/new", "install/new/a.txt", "install/old.txt", "install/empty",
                                "install/keep.txt"}));
    EXPECT_EQ(m_dir.Read("install/new/a.txt"), "AAA");
    EXPECT_EQ(m_dir.Read("install/keep.txt"), "BBBB");
}

TEST_F(InstallerTest, FolderCommandFailuresAreIgnored) {
    // rd of a full folder, del of a folder, rd of a file, md of an existing folder, del of a
    // missing file, md without its parent: all fail quietly and the write still happens.
    const std::string text = "rd ae:\\full\n"
                             "del ae:\\empty\n"
                             "rd ae:\\old.txt\n"
                             "md ae:\\full\n"
                             "del ae:\\missing.txt\n"
                             "md ae:\\no\\parent\n"
                             "write ae:\\keep.txt 1\n"
                             "en";
    ASSERT_EQ(InstallText(text, "k"), InstallResult::Ok);
    EXPECT_EQ(Changed(), (Paths{kPkg, "install/keep.txt"}));
}

TEST_F(InstallerTest, MissingEndMarkRejectedAfterFolderCommandsRan) {
    for (const std::string ending : {"end", "en\n", "", "e", " en", "EN"}) {
        SCOPED_TRACE(ending);
        fs::remove_all(m_dir.Path("install/made"));
        m_dir.Write("install/old.txt", "old");
        const std::string text = "md ae:\\made\ndel ae:\\old.txt\nwrite ae:\\keep.txt 3\n" + ending;
        EXPECT_EQ(InstallText(text, "new"), InstallResult::NoEndMark);
        EXPECT_EQ(Changed(), (Paths{"install/made", "install/old.txt"}));
        EXPECT_TRUE(PackageKept());
    }
}

TEST_F(InstallerTest, NinetyNineWritesAcceptedAHundredthRefusedBeforeAnyWrite) {
    std::string text = "md ae:\\many\n";
    for (int i = 0; i < 99; ++i) {
        text += "write ae:\\many\\f" + std::to_string(i) + " 1\n";
    }
    ASSERT_EQ(InstallText(text + "en", std::string(99, 'x')), InstallResult::Ok);
    EXPECT_EQ(Changed().size(), 1u + 1u + 99u); // the package, the folder, the files
    fs::remove_all(m_dir.Path("install/many"));

    text += "write ae:\\many\\f99 1\ndel ae:\\old.txt\nen";
    EXPECT_EQ(InstallText(text, std::string(100, 'x')), InstallResult::TooManyWrites);
    // The md before the 100th write ran; the del after it did not; no file was written.
    EXPECT_EQ(Changed(), (Paths{"install/many"}));
    EXPECT_TRUE(PackageKept());
}

TEST_F(InstallerTest, SizesTenAndZero) {
    ASSERT_EQ(InstallText("write ae:\\ten.bin 10\nwrite ae:\\zero.bin 0\nen", "0123456789"), InstallResult::Ok);
    EXPECT_EQ(m_dir.Read("install/ten.bin"), "0123456789");
    EXPECT_TRUE(fs::exists(m_dir.Path("install/zero.bin")));
    EXPECT_EQ(fs::file_size(m_dir.Path("install/zero.bin")), 0u);
}

TEST_F(InstallerTest, WritesLeaveUnclaimedFileDataUnused) {
    ASSERT_EQ(InstallText("write ae:\\a 2\nen", "abcdef"), InstallResult::Ok);
    EXPECT_EQ(m_dir.Read("install/a"), "ab");
}

TEST_F(InstallerTest, SizesBeyondTheFileDataWriteNothing) {
    EXPECT_EQ(InstallText("del ae:\\old.txt\nwrite ae:\\a 3\nwrite ae:\\b 2\nen", "1234"),
              InstallResult::SizesBeyondData);
    EXPECT_EQ(Changed(), (Paths{"install/old.txt"}));
    EXPECT_TRUE(PackageKept());
}

TEST_F(InstallerTest, LargeFilesAreWrittenWhole) {
    std::string big(3 * 4096 + 17, '\0');
    for (size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>(i * 7 + i / 4096);
    }
    ASSERT_EQ(InstallText("write ae:\\big 12305\nwrite ae:\\four 4096\nen", big + big.substr(0, 4096)),
              InstallResult::Ok);
    EXPECT_EQ(m_dir.Read("install/big"), big);
    EXPECT_EQ(m_dir.Read("install/four"), big.substr(0, 4096));
}

TEST_F(InstallerTest, IdPathsLandInTheIdnFolderMadeWhenNeeded) {
    ASSERT_FALSE(fs::exists(m_where.idnDir));
    ASSERT_EQ(InstallText("md id:\\sub\nwrite id:\\sub\\x.dat 2\nwrite id:\\top.dat 1\nen", "xyz"), InstallResult::Ok);
    EXPECT_EQ(Changed(), (Paths{kPkg, "idn", "idn/sub", "idn/sub/x.dat", "idn/top.dat"}));
    EXPECT_EQ(m_dir.Read("idn/sub/x.dat"), "xy");
    EXPECT_EQ(m_dir.Read("idn/top.dat"), "z");
}

TEST_F(InstallerTest, CrLfCommandLines) {
    // The CR stays part of del's path, so nothing is deleted; a write's size still reads 3.
    ASSERT_EQ(InstallText("del ae:\\old.txt\r\nmd ae:\\made\r\nwrite ae:\\a.txt 3\r\nen", "abc"), InstallResult::Ok);
#ifdef _WIN32
    // Windows refuses a CR in a name, and a folder command's failure is not the installation's.
    EXPECT_EQ(Changed(), (Paths{kPkg, "install/a.txt"}));
#else
    EXPECT_EQ(Changed(), (Paths{kPkg, "install/made\r", "install/a.txt"}));
#endif
    EXPECT_EQ(m_dir.Read("install/a.txt"), "abc");
}

TEST_F(InstallerTest, ReplacedFileKeepsItsPermissions) {
#ifdef _WIN32
    GTEST_SKIP() << "execute permission bits are POSIX; Windows files have none to keep";
#endif
    ASSERT_EQ(InstallText("write ae:\\orvex 12\nen", "#!/bin/sh\n:\n"), InstallResult::Ok);
    EXPECT_EQ(Snapshot(m_dir.Path())["install/orvex"], "file:#!/bin/sh\n:\n+x");
}

TEST_F(InstallerTest, NonAsciiPathsAreCp949InTheText) {
    // CP949 in the package ("한글" is C7 D1 B1 DB), then written as the platform's program text.
    const std::string name = test::NonAsciiName();
    const std::string cp949 = Cp949FromUtf8(Utf8FromProgramText(name));
    ASSERT_FALSE(cp949.empty());
    ASSERT_TRUE(Utf8FromProgramText(name) != "한글" || cp949 == "\xC7\xD1\xB1\xDB");
    ASSERT_EQ(InstallText("md ae:\\" + cp949 + "\nwrite ae:\\" + cp949 + "\\a 1\nen", "k"), InstallResult::Ok);
    EXPECT_EQ(m_dir.Read("install/" + name + "/a"), "k");
}

TEST_F(InstallerTest, UnknownCommandWordsAreSkipped) {
    ASSERT_EQ(InstallText("copy ae:\\old.txt\n\nwrite ae:\\a 1\nen", "a"), InstallResult::Ok);
    EXPECT_EQ(Changed(), (Paths{kPkg, "install/a"}));
}

TEST_F(InstallerTest, WriteTargetThatCannotBeCreatedStopsTheWrites) {
    ASSERT_EQ(InstallText("write ae:\\a 1\nwrite ae:\\full 1\nwrite ae:\\c 1\nen", "abc"), InstallResult::CannotWrite);
    EXPECT_EQ(Changed(), (Paths{"install/a"}));
    EXPECT_TRUE(PackageKept());
}

TEST_F(InstallerTest, WriteSizeMustNotBeNegative) {
    EXPECT_EQ(InstallText("del ae:\\old.txt\nwrite ae:\\a -1\nen", "abc"), InstallResult::BadWriteSize);
    EXPECT_EQ(Changed(), (Paths{"install/old.txt"}));
}

struct GuardCase {
    const char* line;
};

class InstallerGuardTest : public InstallerTest, public ::testing::WithParamInterface<GuardCase> {};

TEST_P(InstallerGuardTest, PathsLeavingTheirLocationFailTheInstallationAtThatLine) {
    // The md before the bad line ran, the del after it did not, nothing outside changed.
    const std::string text = "md ae:\\before\n" + std::string(GetParam().line) + "\ndel ae:\\old.txt\nen";
    EXPECT_EQ(InstallText(text, "abc"), InstallResult::UnsafePath);
    EXPECT_EQ(Changed(), (Paths{"install/before"}));
    EXPECT_TRUE(PackageKept());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, InstallerGuardTest,
    ::testing::Values(GuardCase{"del ae:\\..\\outside\\sentinel.txt"}, GuardCase{"write ae:\\..\\outside\\x 3"},
                      GuardCase{"del ae:\\full\\..\\..\\outside\\sentinel.txt"},
                      GuardCase{"del ae:\\full/../../outside/sentinel.txt"}, GuardCase{"rd ae:\\.."},
                      GuardCase{"md ae:\\..\\made"}, GuardCase{"del id:\\..\\install\\old.txt"},
                      GuardCase{"write id:\\..\\..\\escape 1"}, GuardCase{"del ae:old.txt"}, GuardCase{"write ae:x 1"},
                      GuardCase{"del ae:"}, GuardCase{"del c:\\outside\\sentinel.txt"}, GuardCase{"write /tmp/x 1"},
                      GuardCase{"del"}));

TEST_F(InstallerTest, DotsThatAreNotAParentStayAllowed) {
    ASSERT_EQ(InstallText("write ae:\\...txt 1\nwrite ae:\\a..b 1\nwrite ae:\\.\\c 1\nen", "xyz"), InstallResult::Ok);
    EXPECT_EQ(Changed(), (Paths{kPkg, "install/...txt", "install/a..b", "install/c"}));
}

TEST_F(InstallerTest, MissingPackageFile) {
    m_before = Snapshot(m_dir.Path());
    EXPECT_EQ(InstallPackage(m_dir.Path(kPkg), m_where), InstallResult::Unreadable);
    EXPECT_EQ(Changed(), Paths{});
}

TEST_F(InstallerTest, DamagedPackagesChangeNothing) {
    const std::string good = RawPackage("del ae:\\old.txt\nwrite ae:\\a 3\nen", "abc");
    std::string flipped = good;
    flipped[flipped.size() / 2 + 4] = static_cast<char>(flipped[flipped.size() / 2 + 4] ^ 0x55);
    std::string badCheck = good;
    badCheck.back() = static_cast<char>(badCheck.back() ^ 1); // the stream's Adler-32
    const uint32_t m = static_cast<uint32_t>(12 + 34 + 3);
    const struct {
        const char* name;
        std::string package;
        InstallResult result;
    } cases[] = {
        {"flipped byte", flipped, InstallResult::BadStream},
        {"bad check value", badCheck, InstallResult::BadStream},
        {"truncated stream", good.substr(0, good.size() - 6), InstallResult::BadStream},
        {"only the header", good.substr(0, 8), InstallResult::BadStream},
        {"short header", good.substr(0, 7), InstallResult::Unreadable},
        {"empty file", "", InstallResult::Unreadable},
        {"M one more", RawPackage("del ae:\\old.txt\nwrite ae:\\a 3\nen", "abc", m + 1), InstallResult::BadStream},
        {"M one less", RawPackage("del ae:\\old.txt\nwrite ae:\\a 3\nen", "abc", m - 1), InstallResult::BadStream},
        {"huge M", RawPackage("en", "", 0xFFFFFFF0u), InstallResult::BadStream},
        {"L above 4095", RawPackage(std::string(4096, '\n'), "", ~0u), InstallResult::BadCommandText},
        {"L beyond data", RawPackage("del ae:\\old.txt\nen", "", ~0u, 100), InstallResult::BadCommandText},
        {"data shorter than L's word", RawPackage("", "", 10), InstallResult::BadStream},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Install(c.package), c.result) << InstallResultName(Install(c.package));
        EXPECT_EQ(Changed(), Paths{});
    }
}

TEST_F(InstallerTest, CommandTextOf4095BytesIsAccepted) {
    std::string text = "write ae:\\a 1\n";
    text += std::string(4095 - text.size() - 2, '\n') + "en";
    ASSERT_EQ(text.size(), 4095u);
    EXPECT_EQ(InstallText(text, "a"), InstallResult::Ok);
}

} // namespace
} // namespace orvex
