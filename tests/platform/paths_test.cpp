// SPDX-License-Identifier: MIT
// Path comparison and joining.
#include "platform/paths.h"

#include <gtest/gtest.h>

namespace orvex {
namespace {

TEST(Paths, Cp949RuleFoldsAsciiOnly) {
    EXPECT_TRUE(PathsEqualIgnoreCaseCp949("C:\\Home\\Index.HTML", "c:\\home\\index.html"));
    EXPECT_FALSE(PathsEqualIgnoreCaseCp949("c:\\home\\a.html", "c:\\home\\b.html"));
    EXPECT_FALSE(PathsEqualIgnoreCaseCp949("abc", "abcd"));
}

TEST(Paths, Cp949TrailByteIsNeverFolded) {
    // 0xB0 0x41 and 0xB0 0x61 are two different double-byte characters whose trail bytes happen
    // to be the ASCII letters A and a.
    EXPECT_FALSE(PathsEqualIgnoreCaseCp949("\xB0\x41.htm", "\xB0\x61.htm"));
    EXPECT_TRUE(PathsEqualIgnoreCaseCp949("\xB0\x41.HTM", "\xB0\x41.htm"));
}

TEST(Paths, HostRule) {
#ifdef _WIN32
    EXPECT_TRUE(PathsEqual("A.html", "a.html"));
#else
    EXPECT_FALSE(PathsEqual("A.html", "a.html"));
    EXPECT_TRUE(PathsEqual("/site/a.html", "/site/a.html"));
#endif
}

TEST(Paths, JoinAndStrip) {
    const std::string sep(1, kPathSep);
    EXPECT_EQ(JoinPath("a", "b"), "a" + sep + "b");
    EXPECT_EQ(JoinPath("a" + sep, "b"), "a" + sep + "b");
    EXPECT_EQ(StripTrailingSeparators("a" + sep + sep), "a");
    EXPECT_EQ(StripTrailingSeparators(sep), sep);
}

} // namespace
} // namespace orvex
