// SPDX-License-Identifier: MIT
// Declared page encodings and text written for a page.
#include "converter/page_encoding.h"

#include <gtest/gtest.h>

namespace orvex {
namespace {

TEST(PageEncoding, DeclarationsFound) {
    EXPECT_EQ(DetectPageEncoding("<html><head><meta charset=\"UTF-8\">"), "UTF-8");
    EXPECT_EQ(DetectPageEncoding("<META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=euc-kr'>"), "CP949");
    EXPECT_EQ(DetectPageEncoding("<meta http-equiv=\"content-type\" content=\"text/html;charset=utf8\" />"), "UTF-8");
    EXPECT_EQ(DetectPageEncoding("<meta charset = iso-8859-1>"), "ISO-8859-1");
}

TEST(PageEncoding, DefaultsToCp949) {
    EXPECT_EQ(DetectPageEncoding(""), "CP949");
    EXPECT_EQ(DetectPageEncoding("<p>charset=utf-8 in text, not in a meta tag</p>"), "CP949");
    EXPECT_EQ(DetectPageEncoding("<meta charset=bogus-name>"), "CP949");
    // Only the first 1024 bytes count.
    EXPECT_EQ(DetectPageEncoding(std::string(1024, ' ') + "<meta charset=utf-8>"), "CP949");
    // A tag cut by the limit still counts when its charset lies within it.
    EXPECT_EQ(DetectPageEncoding(std::string(1000, ' ') + "<meta charset=utf-8"), "UTF-8");
}

TEST(PageEncoding, EncodeForPage) {
    EXPECT_EQ(EncodeForPage("메일", "CP949"), "\xB8\xDE\xC0\xCF");
    EXPECT_EQ(EncodeForPage("메일", "UTF-8"), "메일");
    EXPECT_EQ(EncodeForPage("a메b", "ISO-8859-1"), "a&#47700;b");
    EXPECT_EQ(Cp949ToPageText("\xB8\xDE\xC0\xCF", "CP949"), "\xB8\xDE\xC0\xCF");
    EXPECT_EQ(Cp949ToPageText("\xB8\xDE\xC0\xCF", "UTF-8"), "메일");
}

} // namespace
} // namespace orvex
