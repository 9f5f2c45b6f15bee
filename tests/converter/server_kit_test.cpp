// SPDX-License-Identifier: MIT
// The server kit: which files each kind, image method and OS copies, the notes shown after a
// run, and the folders and seed files of the kit.
#include "converter/server_kit.h"

#include "converter/settings.h"
#include "platform/paths.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

namespace orvex {
namespace {

namespace fs = std::filesystem;
using Files = std::vector<std::pair<std::string_view, std::string_view>>;

// The kit table, destination and source, in copy order.
const Files kPhpGd = {{"makeimg.php", "CgiData\\php\\linux\\gd\\makeimg.php"},
                      {"numfont.inc", "CgiData\\php\\linux\\gd\\numfont.inc"},
                      {"antispamin.php", "CgiData\\php\\linux\\gd\\gdantispamin.php"},
                      {"antispamout.php", "CgiData\\php\\linux\\gd\\gdantispamout.php"}};
const Files kPhpWindows = {{"main.exe", "CgiData\\php\\window\\winmain.exe"},
                           {"antispamin.php", "CgiData\\php\\window\\winantispamin.php"},
                           {"antispamout.php", "CgiData\\php\\window\\winantispamout.php"}};
const Files kPhpLinux = {{"main.exe", "CgiData\\php\\linux\\exe\\linuxmain.exe"},
                         {"antispamin.php", "CgiData\\php\\linux\\exe\\linuxantispamin.php"},
                         {"antispamout.php", "CgiData\\php\\linux\\exe\\linuxantispamout.php"}};
const Files kAsp = {{"antispamin.asp", "CgiData\\asp\\antispamin.asp"},
                    {"antispamout.asp", "CgiData\\asp\\antispamout.asp"},
                    {"GetPng.dll", "CgiData\\asp\\GetPng.dll"},
                    {"global.asa", "CgiData\\asp\\global.asa"}};
const Files kJsp = {
    {"antispamin.jsp", "CgiData\\jsp\\antispamin.jsp"},
    {"antispamout.jsp", "CgiData\\jsp\\antispamout.jsp"},
    {"WEB-INF\\classes\\png\\MakePngBean.class", "CgiData\\jsp\\WEB-INF\\classes\\png\\MakePngBean.class"},
    {"WEB-INF\\classes\\png\\PngEncoderB.class", "CgiData\\jsp\\WEB-INF\\classes\\png\\PngEncoderB.class"},
    {"WEB-INF\\classes\\png\\com\\keypoint\\PngEncoder.class",
     "CgiData\\jsp\\WEB-INF\\classes\\png\\com\\keypoint\\PngEncoder.class"},
    {"WEB-INF\\classes\\png\\com\\keypoint\\PngEncoderB.class",
     "CgiData\\jsp\\WEB-INF\\classes\\png\\com\\keypoint\\PngEncoderB.class"}};
const Files kPerlWindows = {{"antispamin.pl", "CgiData\\Perl\\window\\antispamin.pl"},
                            {"antispamout.pl", "CgiData\\Perl\\window\\antispamout.pl"},
                            {"main.exe", "CgiData\\Perl\\window\\main.exe"}};
const Files kPerlLinux = {{"antispamin.pl", "CgiData\\Perl\\linux\\antispamin.pl"},
                          {"antispamout.pl", "CgiData\\Perl\\linux\\antispamout.pl"},
                          {"main.exe", "CgiData\\Perl\\linux\\linuxmain.exe"}};

constexpr std::string_view N1 =
    "업데이트 후에 Velmorant/antispam ,antispambmp \r\n두디렉토리에 php가 쓸수있는 권한을 주어야f합니다\r\n";
constexpr std::string_view N2 = "ex) chmod 777 antispam , chmod 777 antispambmp \r\n";
constexpr std::string_view N3 =
    "업데이트 후에 Velmorant/antispam ,antispambmp \r\n두디렉토리에 php가 쓸수있는 권한을 주어야하고,\r\n";
constexpr std::string_view N4 = "main.exe에게 실행권한을 주어야합니다\r\n ex) chmod 777 antispam \r\n chmod 777 "
                                "antispam \r\n chmod 775 main.exe\r\n";
constexpr std::string_view N5 = "main.exe에게 실행권한을 주어야합니다\r\n";
constexpr std::string_view N6 = "업데이트한후 서버에서 Velmorant\\antispam\r\n,antispambmp 에 asp가 쓸수있는 권한을 "
                                "주어야하고 \r\nVelmorant디렉토리 내의 GetPng.dll을 서버에 \r\n등록해야합니다 \r\n ex) "
                                "콘솔에서 regsvr32 GetPng.dll \r\n";
constexpr std::string_view N7 =
    "업데이트후에 서버에서 Velmorant/antispam \r\n,antispambmp 에 쓰기권한을 주어야합니다\r\n";
constexpr std::string_view N8 = "업데이트후에 서버에서 Velmorant/antispam \r\n,antispambmp 에 쓰기권한을 "
                                "주어야하고\r\nmain.exe에 실행권한을 주어야합니다.\r\n";

struct Combination {
    int32_t kind;
    bool gd;
    int32_t os;
    const Files* files; // null: none
    std::vector<std::string_view> notes;
};

const std::vector<Combination>& Combinations() {
    static const std::vector<Combination> all = {
        {kCgiPhp, true, kOsWindows, &kPhpGd, {N1, N2}},   {kCgiPhp, true, kOsLinux, &kPhpGd, {N1, N2, N3, N4}},
        {kCgiPhp, true, kOsSolaris, &kPhpGd, {N1, N2}},   {kCgiPhp, false, kOsWindows, &kPhpWindows, {N3, N5}},
        {kCgiPhp, false, kOsLinux, &kPhpLinux, {N3, N4}}, {kCgiPhp, false, kOsSolaris, nullptr, {}},
        {kCgiAsp, true, kOsWindows, nullptr, {}},         {kCgiAsp, true, kOsLinux, nullptr, {}},
        {kCgiAsp, true, kOsSolaris, nullptr, {}},         {kCgiAsp, false, kOsWindows, &kAsp, {N6}},
        {kCgiAsp, false, kOsLinux, nullptr, {}},          {kCgiAsp, false, kOsSolaris, nullptr, {}},
        {kCgiJsp, true, kOsWindows, nullptr, {}},         {kCgiJsp, true, kOsLinux, nullptr, {}},
        {kCgiJsp, true, kOsSolaris, nullptr, {}},         {kCgiJsp, false, kOsWindows, &kJsp, {N7}},
        {kCgiJsp, false, kOsLinux, &kJsp, {N7}},          {kCgiJsp, false, kOsSolaris, &kJsp, {N7}},
        {kCgiPerl, true, kOsWindows, nullptr, {N8}},      {kCgiPerl, true, kOsLinux, nullptr, {N8}},
        {kCgiPerl, true, kOsSolaris, nullptr, {N8}},      {kCgiPerl, false, kOsWindows, &kPerlWindows, {N8}},
        {kCgiPerl, false, kOsLinux, &kPerlLinux, {N8}},   {kCgiPerl, false, kOsSolaris, nullptr, {N8}},
    };
    return all;
}

std::string Trace(const Combination& c) {
    return "kind " + std::to_string(c.kind) + (c.gd ? " gd" : " external") + " os " + std::to_string(c.os);
}

std::string Native(std::string_view tablePath) {
    std::string s(tablePath);
    for (char& c : s) {
        if (c == '\\' || c == '/') {
            c = kPathSep;
        }
    }
    return s;
}

// Every regular file under dir, keyed by its path below dir with "\" between names.
std::map<std::string, std::string> FilesUnder(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (e.is_regular_file()) {
            std::string rel = fs::relative(e.path(), dir).generic_string();
            std::replace(rel.begin(), rel.end(), '/', '\\');
            std::ifstream f(e.path(), std::ios::binary);
            files[rel] = std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
        }
    }
    return files;
}

TEST(ServerKit, KindFilesAndNotesOfEveryCombination) {
    for (const Combination& c : Combinations()) {
        SCOPED_TRACE(Trace(c));
        Files got;
        for (const KindFile& f : KindFiles(c.kind, c.gd, c.os)) {
            got.emplace_back(f.destination, f.source);
        }
        EXPECT_EQ(got, c.files != nullptr ? *c.files : Files{});
        std::string notes;
        for (const std::string_view n : c.notes) {
            notes += n;
        }
        EXPECT_EQ(PermissionNotes(c.kind, c.gd, c.os), notes);
    }
}

TEST(ServerKit, CopiesEachSourceToItsDestination) {
    // A CgiData tree holding every source of the table; each file's content is its table path.
    test::TempDir root;
    const std::string cgiData = root.Path("CgiData");
    for (const Files* group : {&kPhpGd, &kPhpWindows, &kPhpLinux, &kAsp, &kJsp, &kPerlWindows, &kPerlLinux}) {
        for (const auto& [destination, source] : *group) {
            root.Write(Native(source), source);
        }
    }
    for (const Combination& c : Combinations()) {
        SCOPED_TRACE(Trace(c));
        test::TempDir kit;
        kit.Write("main.exe", "from an earlier run");
        KitProblems problems;
        CopyKindFiles(kit.Path(), cgiData, c.kind, c.gd, c.os, problems);
        EXPECT_TRUE(problems.Empty());
        std::map<std::string, std::string> want = {{"main.exe", "from an earlier run"}};
        if (c.files != nullptr) {
            for (const auto& [destination, source] : *c.files) {
                want[std::string(destination)] = source;
            }
        }
        EXPECT_EQ(FilesUnder(kit.Path()), want);
    }
}

class KitFolderTest : public ::testing::Test {
protected:
    std::string Cgi() const { return m_cgi.Path(); }
    std::string Kit(std::string_view rel = "") const {
        return rel.empty() ? KitFolderPath(m_out.Path()) : JoinPath(KitFolderPath(m_out.Path()), Native(rel));
    }
    test::TempDir m_cgi;
    test::TempDir m_out;
    KitProblems m_problems;
};

TEST_F(KitFolderTest, PrepareLaysOutImagesFoldersAndSeeds) {
    for (const char* image : {"VelmorantDefaultImg1.gif", "VelmorantDefaultImg2.gif", "VelmorantDefaultImg3.gif"}) {
        m_cgi.Write(image, std::string("gif of ") + image);
    }
    m_cgi.Write(Native("antispam/seed.txt"), "seed");
    m_cgi.Write(Native("antispam/sub/inner.txt"), "not a seed");
    m_out.Write("VelmorantDefaultImg1.gif", "old");
    PrepareKitFolder(m_out.Path(), Cgi(), m_problems);
    EXPECT_TRUE(m_problems.Empty());
    // The images belong to the site's root, where the default names point.
    EXPECT_EQ(m_out.Read("VelmorantDefaultImg1.gif"), "gif of VelmorantDefaultImg1.gif");
    EXPECT_EQ(m_out.Read("VelmorantDefaultImg3.gif"), "gif of VelmorantDefaultImg3.gif");
    EXPECT_FALSE(fs::exists(Kit("VelmorantDefaultImg1.gif")));
    EXPECT_TRUE(fs::is_directory(Kit("antispambmp")));
    EXPECT_EQ(FilesUnder(Kit("antispam")), (std::map<std::string, std::string>{{"seed.txt", "seed"}}));
}

TEST_F(KitFolderTest, PrepareWithoutSourcesMakesTheFoldersAndNamesWhatIsMissing) {
    PrepareKitFolder(m_out.Path(), Cgi(), m_problems);
    EXPECT_TRUE(fs::is_directory(Kit("antispam")));
    EXPECT_TRUE(fs::is_directory(Kit("antispambmp")));
    const std::vector<std::string> missing = {JoinPath(Cgi(), "VelmorantDefaultImg1.gif"),
                                              JoinPath(Cgi(), "VelmorantDefaultImg2.gif"),
                                              JoinPath(Cgi(), "VelmorantDefaultImg3.gif"), JoinPath(Cgi(), "antispam")};
    EXPECT_EQ(m_problems.missing, missing);
    EXPECT_TRUE(m_problems.failed.empty());
}

TEST_F(KitFolderTest, JspIpFilesAreEmptiedOverTheirSeeds) {
    for (const char* name : {"blockiplist.txt", "blockiptime.txt", "ipcount.txt", "iplist.txt", "other.txt"}) {
        m_cgi.Write(Native(std::string("antispam/") + name), "10.0.0.1\r\n");
    }
    PrepareKitFolder(m_out.Path(), Cgi(), m_problems);
    CreateJspIpFiles(Kit(), m_problems);
    EXPECT_TRUE(m_problems.failed.empty());
    EXPECT_EQ(FilesUnder(Kit("antispam")), (std::map<std::string, std::string>{{"blockiplist.txt", ""},
                                                                               {"blockiptime.txt", ""},
                                                                               {"ipcount.txt", ""},
                                                                               {"iplist.txt", ""},
                                                                               {"other.txt", "10.0.0.1\r\n"}}));
}

TEST_F(KitFolderTest, JspWithoutSourcesStillGetsItsClassFolders) {
    fs::create_directory(Kit());
    CopyKindFiles(Kit(), Cgi(), kCgiJsp, false, kOsLinux, m_problems);
    EXPECT_TRUE(fs::is_directory(Kit("WEB-INF/classes/png/com/keypoint")));
    EXPECT_TRUE(FilesUnder(Kit()).empty());
    ASSERT_EQ(m_problems.missing.size(), 6u);
    EXPECT_EQ(m_problems.missing[0], JoinPath(Cgi(), Native("jsp/antispamin.jsp")));
}

TEST_F(KitFolderTest, ACopyThatCannotBeWrittenIsReported) {
    m_cgi.Write(Native("asp/antispamin.asp"), "x");
    fs::create_directories(Kit("antispamin.asp")); // a folder in the file's place
    CopyKindFiles(Kit(), Cgi(), kCgiAsp, false, kOsWindows, m_problems);
    EXPECT_EQ(m_problems.failed, std::vector<std::string>{Kit("antispamin.asp")});
    EXPECT_EQ(m_problems.missing.size(), 3u);
}

} // namespace
} // namespace orvex
