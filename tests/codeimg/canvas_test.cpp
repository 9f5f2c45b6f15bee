// SPDX-License-Identifier: MIT
// codeimg's glyph tables and drawing operations, on a canvas with a fixed seed.
#include "codeimg/main.h"

#include "test_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <string>

namespace orvex::codeimg {
namespace {

using Canvas = std::array<unsigned char, kCanvasSize>;
using test::IsInk;

struct Table {
    const unsigned char (*points)[2];
    int count;
};
const Table kTables[10] = {{FNum0, CNum0}, {FNum1, CNum1}, {FNum2, CNum2}, {FNum3, CNum3}, {FNum4, CNum4},
                           {FNum5, CNum5}, {FNum6, CNum6}, {FNum7, CNum7}, {FNum8, CNum8}, {FNum9, CNum9}};

Canvas Blank() {
    Canvas c;
    c.fill(kBackground);
    return c;
}

// The rand() draws a glyph of n points uses: one after each of points 0, 17, 34, ...
int ShakeDraws(int digit) {
    return (kTables[digit].count - 1) / 17 + 1;
}

// True when the next rand() is the one that follows `draws` draws after srand(seed).
bool ConsumedExactly(unsigned seed, int draws) {
    const int next = std::rand();
    std::srand(seed);
    for (int i = 0; i < draws; ++i) {
        std::rand();
    }
    return std::rand() == next;
}

TEST(GlyphTables, CountsOrderAndRowsAsDrawn) {
    const int counts[10] = {137, 109, 163, 147, 181, 164, 185, 143, 206, 181};
    for (int d = 0; d < 10; ++d) {
        SCOPED_TRACE("digit " + std::to_string(d));
        const Table& t = kTables[d];
        ASSERT_EQ(t.count, counts[d]);
        int lowest = 99, highest = -1;
        for (int i = 0; i < t.count; ++i) {
            const int x = t.points[i][0], y = t.points[i][1];
            ASSERT_LE(x, 16);
            ASSERT_LE(y, 23);
            if (i > 0) { // bottom row first, left to right: strictly increasing, so no point twice
                const int px = t.points[i - 1][0], py = t.points[i - 1][1];
                ASSERT_TRUE(py < y || (py == y && px < x)) << "point " << i;
            }
            lowest = std::min(lowest, y);
            highest = std::max(highest, y);
        }
        // The 0 stands 16 rows high, on rows 5 to 20; every other digit fills all 24 rows.
        EXPECT_EQ(lowest, d == 0 ? 5 : 0);
        EXPECT_EQ(highest, d == 0 ? 20 : 23);
    }
}

TEST(GlyphTables, ListsBeginAndEndAsDrawn) {
    const auto at = [](int d, int i) {
        const Table& t = kTables[d];
        const int k = i < 0 ? t.count + i : i;
        return std::pair<int, int>(t.points[k][0], t.points[k][1]);
    };
    using P = std::pair<int, int>;
    EXPECT_EQ(at(1, 0), P(6, 0));
    EXPECT_EQ(at(1, 3), P(9, 0));
    EXPECT_EQ(at(1, 4), P(6, 1));
    EXPECT_EQ(at(1, -6), P(6, 23));
    EXPECT_EQ(at(1, -1), P(11, 23));
    EXPECT_EQ(at(7, 0), P(11, 0));
    EXPECT_EQ(at(7, 4), P(11, 1));
    EXPECT_EQ(at(7, -6), P(15, 22));
    EXPECT_EQ(at(7, -5), P(16, 22));
    EXPECT_EQ(at(7, -4), P(0, 23));
    EXPECT_EQ(at(7, -1), P(3, 23));
}

// Every s and v the command can draw, every digit: each glyph sits in its own 20-column step, its point 0 exactly
// on the base column, every point at the base or one column left of it, and nothing else is inked.
TEST(WriteText, PlacesGlyphsAtTwentyColumnSteps) {
    const std::string codes[] = {"0123", "4567", "8909"};
    for (const unsigned seed : {1u, 77u}) {
        for (const std::string& code : codes) {
            for (int s = 8; s <= 13; ++s) {
                for (int v = 8; v <= 13; ++v) {
                    SCOPED_TRACE(code + " s=" + std::to_string(s) + " v=" + std::to_string(v));
                    Canvas c = Blank();
                    std::srand(seed);
                    WriteText(c.data(), s, v, code.c_str());
                    int draws = 0;
                    Canvas explained = Blank(); // the pixels some point could have inked
                    for (int k = 0; k < 4; ++k) {
                        const int d = code[static_cast<size_t>(k)] - '0';
                        const Table& t = kTables[d];
                        const int b = s + 20 * k;
                        draws += ShakeDraws(d);
                        ASSERT_TRUE(IsInk(c.data(), b + t.points[0][0], 50 - v - t.points[0][1]));
                        for (int p = 0; p < t.count; ++p) {
                            const int x = t.points[p][0], y = 50 - v - t.points[p][1];
                            ASSERT_TRUE(IsInk(c.data(), b + x, y) || IsInk(c.data(), b - 1 + x, y)) << "point " << p;
                            const auto at = static_cast<size_t>(y * kWidth + b + x);
                            explained[at] = kInk;
                            explained[at - 1] = kInk;
                        }
                        int top = kHeight, bottom = -1;
                        for (int i = 0; i < kCanvasSize; ++i) {
                            if (c[static_cast<size_t>(i)] == kInk && i % kWidth >= b - 1 && i % kWidth <= b + 16) {
                                top = std::min(top, i / kWidth);
                                bottom = std::max(bottom, i / kWidth);
                            }
                        }
                        // The glyph's bottom row lands on row 50 - v; the 0 starts five rows higher.
                        EXPECT_EQ(bottom, d == 0 ? 45 - v : 50 - v);
                        EXPECT_EQ(bottom - top + 1, d == 0 ? 16 : 24);
                    }
                    for (int i = 0; i < kCanvasSize; ++i) {
                        const auto at = static_cast<size_t>(i);
                        ASSERT_TRUE(c[at] == kBackground || explained[at] == kInk) << "stray ink at " << i;
                        ASSERT_FALSE(c[at] == kInk && i % kWidth > s + 76) << "ink right of s + 76";
                    }
                    EXPECT_TRUE(ConsumedExactly(seed, draws));
                }
            }
        }
    }
}

// The offset is drawn right after points 0, 17, 34, ...: point 0 at b, points 1-17 on the first draw, 18-34 on the
// second, and so on.
TEST(WriteText, ShakesInRunsOfSeventeen) {
    const int b = 30, v = 10;
    for (const unsigned seed : {3u, 12345u}) {
        std::srand(seed);
        int offsets[13];
        for (int& o : offsets) {
            o = b - 1 + std::rand() % 2;
        }
        Canvas expected = Blank();
        for (int p = 0; p < CNum8; ++p) {
            const int h = p == 0 ? b : offsets[(p - 1) / 17];
            expected[static_cast<size_t>((50 - v - FNum8[p][1]) * kWidth + h + FNum8[p][0])] = kInk;
        }
        Canvas c = Blank();
        std::srand(seed);
        WriteText(c.data(), b, v, "8");
        EXPECT_EQ(c, expected) << "seed " << seed;
    }
}

TEST(WriteText, OddCodesAdvanceThePenAndReadNoFurther) {
    const unsigned seed = 9;
    // Exactly the bytes of "12": a read past the terminator is a heap overflow under the sanitizer build.
    auto shortCode = std::make_unique<char[]>(3);
    shortCode[0] = '1', shortCode[1] = '2', shortCode[2] = '\0';
    Canvas two = Blank();
    std::srand(seed);
    WriteText(two.data(), 10, 10, shortCode.get());
    EXPECT_TRUE(ConsumedExactly(seed, ShakeDraws(1) + ShakeDraws(2)));
    Canvas withLetters = Blank();
    std::srand(seed);
    WriteText(withLetters.data(), 10, 10, "12a/");
    EXPECT_EQ(two, withLetters);

    // Non-digits draw nothing but still take their 20 columns: the 2 and the 4 stand at s + 20 and s + 60.
    Canvas gaps = Blank();
    std::srand(seed);
    WriteText(gaps.data(), 10, 10, "x2:4");
    EXPECT_TRUE(ConsumedExactly(seed, ShakeDraws(2) + ShakeDraws(4)));
    for (int i = 0; i < kCanvasSize; ++i) {
        const int x = i % kWidth;
        ASSERT_FALSE(gaps[static_cast<size_t>(i)] == kInk && !(x >= 29 && x <= 46) && !(x >= 69 && x <= 86))
            << "ink at column " << x;
    }
    EXPECT_TRUE(IsInk(gaps.data(), 30 + FNum2[0][0], 40 - FNum2[0][1]));
    EXPECT_TRUE(IsInk(gaps.data(), 70 + FNum4[0][0], 40 - FNum4[0][1]));

    Canvas none = Blank();
    WriteText(none.data(), 10, 10, "");
    WriteText(none.data(), 10, 10, nullptr);
    EXPECT_EQ(none, Blank());
    WriteText(nullptr, 10, 10, "1234");
}

TEST(WriteText, OffsetsOffTheCanvasAreClipped) {
    Canvas c = Blank();
    WriteText(c.data(), 85, 40, "8888"); // glyphs past the right edge and above the top row
    WriteText(c.data(), -20, -5, "8888");
    int ink = 0;
    for (const unsigned char px : c) {
        ink += px == kInk;
    }
    EXPECT_GT(ink, 0);
}

TEST(DrawLines, InkWholeColumnsAndRowsAndClipAtTheEdges) {
    const auto inked = [](const Canvas& c, auto onLine) {
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                if (IsInk(c.data(), x, y) != onLine(x, y)) {
                    return false;
                }
            }
        }
        return true;
    };
    Canvas c = Blank();
    DrawHLine(5, 2, c.data());
    EXPECT_TRUE(inked(c, [](int x, int) { return x == 5 || x == 6; }));
    c = Blank();
    DrawVLine(3, 2, c.data());
    EXPECT_TRUE(inked(c, [](int, int y) { return y == 3 || y == 4; }));
    c = Blank();
    DrawHLine(94, 5, c.data());
    DrawHLine(-2, 3, c.data());
    EXPECT_TRUE(inked(c, [](int x, int) { return x == 0 || x >= 94; }));
    c = Blank();
    DrawVLine(48, 5, c.data());
    DrawVLine(-1, 2, c.data());
    EXPECT_TRUE(inked(c, [](int, int y) { return y == 0 || y >= 48; }));
    DrawHLine(0, 1, nullptr);
    DrawVLine(0, 1, nullptr);
}

TEST(RandomNoise, GridIsFixedAndDrawsNothingRandom) {
    Canvas c = Blank();
    std::srand(5);
    RandomGrid(c.data());
    EXPECT_TRUE(ConsumedExactly(5, 0));
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            ASSERT_EQ(IsInk(c.data(), x, y), (x % 8 == 0 && x <= 88) || (y % 8 == 0 && y <= 48)) << x << "," << y;
        }
    }
    RandomGrid(nullptr);
}

TEST(RandomNoise, PixelsFallInColumnsAndRowsOneToTheLast) {
    bool hitColumn95 = false, hitRow49 = false;
    for (const unsigned seed : {1u, 2u, 3u}) {
        Canvas c = Blank();
        std::srand(seed);
        RandomPixel(c.data());
        EXPECT_TRUE(ConsumedExactly(seed, 1600));
        test::ExpectNoiseProperties(c.data());
        int ink = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                ink += IsInk(c.data(), x, y);
                hitColumn95 = hitColumn95 || (x == 95 && IsInk(c.data(), x, y));
                hitRow49 = hitRow49 || (y == 49 && IsInk(c.data(), x, y));
            }
        }
        EXPECT_GT(ink, 700); // at most 800: some fall on each other
        EXPECT_LE(ink, 800);
    }
    EXPECT_TRUE(hitColumn95); // about 8 of 800 pixels land in each column and row
    EXPECT_TRUE(hitRow49);
    RandomPixel(nullptr);
}

// The whole drawing of a run: background, then the vertical offset before the start column, the code, and the
// noise that the next draw's parity picks.
TEST(DrawCodeImage, DrawsInTheRunsOrder) {
    bool sawGrid = false, sawPixels = false;
    for (unsigned seed = 1; seed <= 16; ++seed) {
        Canvas actual;
        actual.fill(0x55);
        std::srand(seed);
        DrawCodeImage(actual.data(), "4821");

        std::srand(seed);
        const int v = 8 + std::rand() % 6;
        const int s = 8 + std::rand() % 6;
        Canvas expected = Blank();
        WriteText(expected.data(), s, v, "4821");
        const bool grid = std::rand() % 2 == 1;
        grid ? RandomGrid(expected.data()) : RandomPixel(expected.data());
        ASSERT_EQ(actual, expected) << "seed " << seed;
        ASSERT_EQ(test::HasGrid(actual.data()), grid);
        sawGrid = sawGrid || grid;
        sawPixels = sawPixels || !grid;
    }
    EXPECT_TRUE(sawGrid && sawPixels);
}

} // namespace
} // namespace orvex::codeimg
