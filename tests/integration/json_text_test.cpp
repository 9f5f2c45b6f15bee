// SPDX-License-Identifier: MIT
// orvex-cli's JSON strings: byte for byte what a full JSON library writes, invalid UTF-8 included.
#include "converter/json_text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <random>

namespace orvex {
namespace {

std::string Library(const std::string& bytes) {
    return nlohmann::json(bytes).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string Ours(const std::string& bytes) {
    std::string out;
    AppendJsonString(out, bytes);
    return out;
}

TEST(JsonTextTest, EscapesAndReplacesAsTheLibraryDoes) {
    for (const std::string& s :
         std::initializer_list<std::string>{"", "a\"b\\c", std::string("\0\x01\x1f\x7f", 4), "\b\t\n\f\r", "한글.html",
                                            "\xED\xA0\x80", "\xE0\x80\xAF", "\xF4\x90\x80\x80", "\xC3", "\xE2\x82",
                                            "\xC3(", "\x80\xBF", "\xC0\xAF", "\xF5\x80", "\xF0\x9F\x98\x80z"}) {
        EXPECT_EQ(Ours(s), Library(s)) << s;
    }
    // Random bytes weighted toward the UTF-8 lead and continuation ranges.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> len(0, 12);
    const std::string alphabet = "a\"\\\n\x01\x80\x8F\x90\x9F\xA0\xBF\xC2\xDF\xE0\xED\xEF\xF0\xF4\xF5\xFF";
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        for (int n = len(rng); n > 0; --n) {
            s += alphabet[pick(rng)];
        }
        ASSERT_EQ(Ours(s), Library(s)) << testing::PrintToString(s);
    }
}

} // namespace
} // namespace orvex
