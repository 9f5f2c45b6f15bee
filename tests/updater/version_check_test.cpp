// SPDX-License-Identifier: MIT
// The pure rules: atoi-like numbers, the due rule, the version line, host names, package paths.
#include "updater/package_format.h"
#include "updater/update_host.h"
#include "updater/version_check.h"

#include <gtest/gtest.h>

#include <climits>

namespace orvex {
namespace {

TEST(ParseAtoiTest, ReadsLikeTheCLibrary) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"", 0},
        {"82", 82},
        {"  \t82", 82},
        {"+7", 7},
        {"-12x", -12},
        {"3600 ", 3600},
        {"x12", 0},
        {"12.5", 12},
        {"- 1", 0},
        {"0082", 82},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999", INT_MIN},
        {"\r\n5", 5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseAtoi(c.text), c.value) << '"' << c.text << '"';
    }
    EXPECT_EQ(ParseAtol("1700000000"), 1700000000);
    EXPECT_EQ(ParseAtol("99999999999"), 99999999999);
    EXPECT_EQ(ParseAtol(""), 0);
}

TEST(CheckIsDueAtTest, StrictlyMoreThanTheDelay) {
    EXPECT_FALSE(CheckIsDueAt(1000 + 86400, 1000, 86400));
    EXPECT_TRUE(CheckIsDueAt(1000 + 86401, 1000, 86400));
    EXPECT_TRUE(CheckIsDueAt(1700000000, 0, 86400)); // never checked
    EXPECT_FALSE(CheckIsDueAt(5000, 5000, 0));       // a delay of 0 still waits past the second
    EXPECT_TRUE(CheckIsDueAt(5001, 5000, 0));
    EXPECT_FALSE(CheckIsDueAt(4000, 5000, 86400)); // a clock set back is not due
}

TEST(ParseVersionLineTest, SplitsAtTheFirstTwoSpaces) {
    const struct {
        const char* line;
        int version;
        int delay;
        const char* url;
    } cases[] = {
        {"82 86400 http://h/p.pkg", 82, 86400, "http://h/p.pkg"},
        {"82 0 http://h/a b c", 82, 0, "http://h/a b c"}, // the URL is the whole rest
        {"83 60 ", 83, 60, ""},
        {"83 60", 83, 60, ""},
        {"83", 83, 0, ""},
        {"", 0, 0, ""},
        {"abc def ghi", 0, 0, "ghi"},
        {"82  http://h/x", 82, 0, "http://h/x"}, // empty delay field
        {" 82 1 u", 0, 82, "1 u"},               // a leading space makes the version empty
    };
    for (const auto& c : cases) {
        const VersionInfo info = ParseVersionLine(c.line);
        EXPECT_EQ(info.version, c.version) << c.line;
        EXPECT_EQ(info.delay, c.delay) << c.line;
        EXPECT_EQ(info.packageUrl, c.url) << c.line;
    }
}

TEST(FirstAnswerLineTest, DropsTheLineFeedAndACarriageReturnBeforeIt) {
    EXPECT_EQ(FirstAnswerLine("abc\r\ndef\n"), "abc");
    EXPECT_EQ(FirstAnswerLine("abc\ndef"), "abc");
    EXPECT_EQ(FirstAnswerLine("abc"), "abc");
    EXPECT_EQ(FirstAnswerLine("abc \n"), "abc ");
    EXPECT_EQ(FirstAnswerLine("a\rb\n"), "a\rb");
    EXPECT_EQ(FirstAnswerLine(""), "");
    EXPECT_EQ(FirstAnswerLine("\n82"), "");
}

TEST(UpdateHostTest, ValidNamesAndPorts) {
    for (const char* good : {"update.orvex.kr", "127.0.0.1:8080", "a", "host-1.example:1", "h:65535"}) {
        EXPECT_TRUE(IsValidUpdateHost(good)) << good;
    }
    for (const char* bad : {"", ":80", "h:", "h:0", "h:65536", "h:8o", "h:-1", "a b", "h/x", "http://h", "h:80:1", "h?",
                            "h@x", "h:123456"}) {
        EXPECT_FALSE(IsValidUpdateHost(bad)) << bad;
    }
}

TEST(UpdateHostTest, EnvironmentOverridesTheCompiledInHost) {
    bool rejected = true;
    EXPECT_EQ(ResolveUpdateHost(nullptr, rejected), kDefaultUpdateHost);
    EXPECT_FALSE(rejected);
    EXPECT_EQ(ResolveUpdateHost("", rejected), kDefaultUpdateHost);
    EXPECT_FALSE(rejected);
    EXPECT_EQ(ResolveUpdateHost("127.0.0.1:9", rejected), "127.0.0.1:9");
    EXPECT_FALSE(rejected);
    EXPECT_EQ(ResolveUpdateHost("evil host/", rejected), kDefaultUpdateHost);
    EXPECT_TRUE(rejected);
    EXPECT_EQ(UpdateHostUrl("h:1", kVersionFilePath), "http://h:1/service/autoup/verinfo.html");
}

TEST(PackagePathTest, ChecksAndResolves) {
    EXPECT_EQ(CheckPackagePath("ae:\\KDV.EXE"), PackagePathCheck::Ok);
    EXPECT_EQ(CheckPackagePath("id:\\a\\b"), PackagePathCheck::Ok);
    EXPECT_EQ(CheckPackagePath("ae:\\"), PackagePathCheck::Ok);
    EXPECT_EQ(CheckPackagePath("AE:\\x"), PackagePathCheck::UnknownPrefix);
    EXPECT_EQ(CheckPackagePath("ae"), PackagePathCheck::UnknownPrefix);
    EXPECT_EQ(CheckPackagePath("ae:x"), PackagePathCheck::NoLeadingSeparator);
    EXPECT_EQ(CheckPackagePath("ae:"), PackagePathCheck::NoLeadingSeparator);
    EXPECT_EQ(CheckPackagePath("ae:\\a\\..\\b"), PackagePathCheck::ParentComponent);
    EXPECT_EQ(CheckPackagePath("ae:\\a/.."), PackagePathCheck::ParentComponent);
    EXPECT_EQ(CheckPackagePath("ae:\\.."), PackagePathCheck::ParentComponent);
    EXPECT_EQ(CheckPackagePath("ae:\\..x\\x..\\..."), PackagePathCheck::Ok);
    EXPECT_EQ(CheckPackagePath(std::string_view("ae:\\a\0b", 7)), PackagePathCheck::NulByte);

    InstallLocations where{"/inst", "/data/idn"};
    std::string out;
    bool idn = true;
    ASSERT_TRUE(ResolvePackagePath("ae:\\skin\\top.gif", where, out, idn));
    EXPECT_FALSE(idn);
#ifdef _WIN32
    EXPECT_EQ(out, "/inst\\skin\\top.gif");
#else
    EXPECT_EQ(out, "/inst/skin/top.gif");
#endif
    ASSERT_TRUE(ResolvePackagePath("id:\\x", where, out, idn));
    EXPECT_TRUE(idn);
    where.idnDir.clear();
    out = "untouched";
    EXPECT_FALSE(ResolvePackagePath("id:\\x", where, out, idn)); // never at the root
    EXPECT_EQ(out, "untouched");
}

} // namespace
} // namespace orvex
