// SPDX-License-Identifier: MIT
// Charset names and conversions.
#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include <utility>

namespace orvex {
namespace {

// "한글" in CP949.
constexpr std::string_view kHangulCp949 = "\xC7\xD1\xB1\xDB";

TEST(TextCodec, CanonicalNames) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"euc-kr", "CP949"},          {" KS_C_5601-1987 ", "CP949"}, {"utf8", "UTF-8"}, {"UTF-8", "UTF-8"},
        {"iso-8859-1", "ISO-8859-1"}, {"no-such-charset", ""},       {"", ""},
    };
    for (const auto& [label, canonical] : cases) {
        EXPECT_EQ(CanonicalCharset(label), canonical) << label;
    }
}

TEST(TextCodec, EscapeHtmlReplacesTheFiveMarkupBytesOnly) {
    EXPECT_EQ(EscapeHtml("o'neil&co<b>@\"x\""), "o&#039;neil&amp;co&lt;b&gt;@&quot;x&quot;");
    // Page bytes in any charset pass through, entities already written are escaped again.
    EXPECT_EQ(EscapeHtml(std::string(kHangulCp949) + "&amp;"), std::string(kHangulCp949) + "&amp;amp;");
    EXPECT_EQ(EscapeHtml(""), "");
}

TEST(TextCodec, Cp949RoundTrip) {
    EXPECT_EQ(Cp949FromUtf8("한글"), kHangulCp949);
    EXPECT_EQ(DecodeToUtf8(kHangulCp949, kCharsetCp949), "한글");
    // Every byte of a CP949 extension syllable (outside EUC-KR) survives too: "똠" is 0x8C 0x63.
    EXPECT_EQ(Cp949FromUtf8("똠"), "\x8C\x63");
}

TEST(TextCodec, UndecodableBytesBecomeReplacementCharacters) {
    EXPECT_EQ(DecodeToUtf8("a\xFF"
                           "b",
                           kCharsetUtf8),
              "a\xEF\xBF\xBD"
              "b");
    // A lone lead byte at the end.
    EXPECT_EQ(DecodeToUtf8("x\xC7", kCharsetCp949), "x\xEF\xBF\xBD");
    // A charset the codec does not know still keeps its ASCII.
    EXPECT_EQ(DecodeToUtf8("a\xE9", "NO-SUCH-CHARSET"), "a\xEF\xBF\xBD");
}

TEST(TextCodec, CharsetsPagesDeclareBesideTheKoreanOnes) {
    // A page in one of these must keep its names on every platform, not fall back to CP949.
    const struct {
        const char* label;
        std::string_view utf8;
        std::string_view bytes;
    } kCases[] = {
        {"iso-8859-2", "Ćéő", "\xC6\xE9\xF5"},   {"koi8-r", "фИУ", "\xC6\xE9\xF5"},
        {"windows-1251", "Жйх", "\xC6\xE9\xF5"}, {"shift_jis", "日本語", "\x93\xFA\x96\x7B\x8C\xEA"},
        {"gbk", "中文", "\xD6\xD0\xCE\xC4"},     {"big5", "中文", "\xA4\xA4\xA4\xE5"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        const std::string charset = CanonicalCharset(c.label);
        ASSERT_FALSE(charset.empty());
        std::string out;
        EXPECT_TRUE(EncodeFromUtf8(c.utf8, charset, out));
        EXPECT_EQ(out, c.bytes);
        EXPECT_EQ(DecodeToUtf8(c.bytes, charset), c.utf8);
    }
}

TEST(TextCodec, EncodeRefusesWhatTheCharsetCannotHold) {
    std::string out = "unchanged";
    EXPECT_FALSE(EncodeFromUtf8("한글", "ISO-8859-1", out));
    EXPECT_EQ(out, "unchanged");
    EXPECT_FALSE(EncodeFromUtf8("\xFF", kCharsetCp949, out));
    EXPECT_TRUE(EncodeFromUtf8("abc", "ISO-8859-1", out));
    EXPECT_EQ(out, "abc");
}

TEST(TextCodec, LongTextCrossesBufferBoundaries) {
    std::string utf8;
    for (int i = 0; i < 5000; ++i)
        utf8 += "한";
    const std::string cp = Cp949FromUtf8(utf8);
    EXPECT_EQ(cp.size(), 10000u);
    EXPECT_EQ(DecodeToUtf8(cp, kCharsetCp949), utf8);
}

} // namespace
} // namespace orvex
