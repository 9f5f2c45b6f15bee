// SPDX-License-Identifier: MIT
// The per-thread conversion descriptors: more charsets than a thread keeps, reused after others
// have pushed them out, and every one starting from its initial state.
#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <thread>

namespace orvex {
namespace {

using namespace std::string_view_literals;

struct Sample {
    std::string_view charset;
    std::string_view utf8;
    std::string_view bytes;
};

// Two descriptors each (to and from UTF-8): 52 pairs, well over what one thread keeps. The same
// bytes mean different text in most of them, so a descriptor handed out for the wrong pair shows.
const Sample kSamples[] = {
    {"ISO-8859-1", "Æéõ", "\xC6\xE9\xF5"sv},
    {"ISO-8859-2", "Ćéő", "\xC6\xE9\xF5"sv},
    {"ISO-8859-3", "Ĉéġ", "\xC6\xE9\xF5"sv},
    {"ISO-8859-5", "Цщѕ", "\xC6\xE9\xF5"sv},
    {"ISO-8859-6", "بفي", "\xC8\xE1\xEA"sv},
    {"ISO-8859-7", "Ζιυ", "\xC6\xE9\xF5"sv},
    {"ISO-8859-8", "איץ", "\xE0\xE9\xF5"sv},
    {"ISO-8859-13", "Ęéõ", "\xC6\xE9\xF5"sv},
    {"ISO-8859-16", "Æéő", "\xC6\xE9\xF5"sv},
    {"WINDOWS-1251", "Жйх", "\xC6\xE9\xF5"sv},
    {"WINDOWS-1256", "ئéُ", "\xC6\xE9\xF5"sv},
    {"WINDOWS-1258", "Æéơ", "\xC6\xE9\xF5"sv},
    {"KOI8-R", "фИУ", "\xC6\xE9\xF5"sv},
    {"CP437", "╞Θ⌡", "\xC6\xE9\xF5"sv},
    {"CP850", "ãÚ§", "\xC6\xE9\xF5"sv},
    {"CP852", "ĂÚ§", "\xC6\xE9\xF5"sv},
    {"CP866", "╞щї", "\xC6\xE9\xF5"sv},
    {"MACINTOSH", "«‰Û", "\xC7\xE4\xF3"sv},
    {"CP949", "한글", "\xC7\xD1\xB1\xDB"sv},
    {"SHIFT_JIS", "日本語", "\x93\xFA\x96\x7B\x8C\xEA"sv},
    {"EUC-JP", "日本語", "\xC6\xFC\xCB\xDC\xB8\xEC"sv},
    {"GBK", "中文", "\xD6\xD0\xCE\xC4"sv},
    {"BIG5", "中文", "\xA4\xA4\xA4\xE5"sv},
    {"UTF-16LE", "é€", "\xE9\x00\xAC\x20"sv},
    {"UTF-16BE", "é€", "\x00\xE9\x20\xAC"sv},
    {"UTF-32BE", "é", "\x00\x00\x00\xE9"sv},
};

void ExpectConverts(const Sample& s) {
    SCOPED_TRACE(s.charset);
    std::string out;
    EXPECT_TRUE(EncodeFromUtf8(s.utf8, s.charset, out));
    EXPECT_EQ(out, s.bytes);
    EXPECT_EQ(DecodeToUtf8(s.bytes, s.charset), s.utf8);
}

// An encoding that fails part-way leaves its descriptor shifted (into Korean, into base64); the
// next text through the same descriptor must still come out as from a fresh one, header included.
void ExpectStatefulEncodersStartClean() {
    std::string out = "unchanged";
    EXPECT_FALSE(EncodeFromUtf8("한\xFF", "ISO-2022-KR", out));
    EXPECT_FALSE(EncodeFromUtf8("é\xFF", "UTF-7", out));
    EXPECT_EQ(out, "unchanged");
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(EncodeFromUtf8("한", "ISO-2022-KR", out));
        EXPECT_EQ(out, "\x1B$)C\x0EGQ\x0F");
        EXPECT_TRUE(EncodeFromUtf8("é€a", "UTF-7", out));
        EXPECT_EQ(out, "+AOkgrA-a");
    }
}

void ExpectUnknownCharsetFails() {
    std::string out = "unchanged";
    EXPECT_FALSE(EncodeFromUtf8("é", "NO-SUCH-CHARSET", out));
    EXPECT_EQ(out, "unchanged");
    EXPECT_EQ(DecodeToUtf8("a\xE9", "NO-SUCH-CHARSET"), "a\xEF\xBF\xBD");
    EXPECT_EQ(CanonicalCharset("no-such-charset"), "");
}

TEST(TextCodecCache, ConversionsStayRightAsDescriptorsComeAndGo) {
#ifdef _WIN32
    GTEST_SKIP() << "the descriptor cache is iconv's; on Windows the codec converts through code pages, which keep "
                    "no descriptors or shift state between calls";
#endif
    // A thread of its own, so the cache starts empty whatever ran before.
    std::thread([] {
        ExpectUnknownCharsetFails();
        ExpectStatefulEncodersStartClean();
        for (const Sample& s : kSamples) {
            ExpectConverts(s);
        }
        // Backwards: the last charsets are still held, the first were pushed out and come back.
        for (auto it = std::rbegin(kSamples); it != std::rend(kSamples); ++it) {
            ExpectConverts(*it);
        }
        ExpectStatefulEncodersStartClean();
        ExpectUnknownCharsetFails();
    }).join();
}

} // namespace
} // namespace orvex
