// SPDX-License-Identifier: MIT
// PngPutImage: the chunks, header, palette and pixels of the written file, read back with zlib; failed writes.
#include "codeimg/main.h"

#include "temp_dir.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>

namespace orvex::codeimg {
namespace {

using Canvas = std::array<unsigned char, kCanvasSize>;

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (const int v : values) {
        s += static_cast<char>(v);
    }
    return s;
}

TEST(PngPutImage, WritesHeaderPaletteAndEveryRowUnchanged) {
    test::TempDir dir;
    Canvas canvas;
    for (int i = 0; i < kCanvasSize; ++i) {
        canvas[static_cast<size_t>(i)] =
            static_cast<unsigned char>((i / kWidth * 7 + i % kWidth) % 256); // tells rows and columns apart
    }
    ASSERT_TRUE(PngPutImage(dir.Path("out.png").c_str(), canvas.data()));

    test::PngImage png;
    ASSERT_EQ(test::DecodePng(dir.Read("out.png"), png), "");
    ASSERT_GE(png.chunks.size(), 4u);
    EXPECT_EQ(png.chunks[0].type, "IHDR");
    EXPECT_EQ(png.chunks[1].type, "PLTE");
    for (std::size_t i = 2; i + 1 < png.chunks.size(); ++i) {
        EXPECT_EQ(png.chunks[i].type, "IDAT") << "chunk " << i;
    }
    EXPECT_EQ(png.chunks.back().type, "IEND");

    EXPECT_EQ(png.chunks[0].data, Bytes({0, 0, 0, 0x60, 0, 0, 0, 0x32, 8, 3, 0, 0, 0}));
    const std::string& plte = png.chunks[1].data;
    ASSERT_EQ(plte.size(), 768u);
    EXPECT_EQ(plte.substr(0, 12), Bytes({0, 0, 0, 0xF8, 0xF8, 0xF8, 0xFA, 0xFA, 0xFA, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(plte.substr(12), std::string(756, '\0'));
    EXPECT_TRUE(std::equal(canvas.begin(), canvas.end(), png.pixels.begin(), png.pixels.end()));
}

TEST(PngPutImage, DrawnImagesHoldOnlyInkAndBackground) {
    test::TempDir dir;
    bool sawGrid = false, sawPixels = false;
    for (unsigned seed = 1; seed <= 6 || !(sawGrid && sawPixels); ++seed) {
        ASSERT_LT(seed, 100u);
        Canvas canvas;
        std::srand(seed);
        DrawCodeImage(canvas.data(), "0937");
        const std::string path = dir.Path("seed" + std::to_string(seed) + ".png");
        ASSERT_TRUE(PngPutImage(path.c_str(), canvas.data()));

        test::PngImage png;
        ASSERT_EQ(test::DecodePng(dir.Read("seed" + std::to_string(seed) + ".png"), png), "");
        ASSERT_EQ(png.pixels.size(), static_cast<std::size_t>(kCanvasSize));
        for (const unsigned char px : png.pixels) {
            ASSERT_TRUE(px == kInk || px == kBackground) << int(px);
        }
        test::ExpectNoiseProperties(png.pixels.data());
        (test::HasGrid(png.pixels.data()) ? sawGrid : sawPixels) = true;
    }
}

TEST(PngPutImage, ReplacesAnExistingFile) {
    test::TempDir dir;
    const std::string path = dir.Write("out.png", std::string(20000, 'x'));
    Canvas canvas;
    canvas.fill(kBackground);
    ASSERT_TRUE(PngPutImage(path.c_str(), canvas.data()));
    test::PngImage png;
    EXPECT_EQ(test::DecodePng(dir.Read("out.png"), png), ""); // nothing of the old bytes after IEND
}

TEST(PngPutImage, FailuresReturnFalse) {
    test::TempDir dir;
    Canvas canvas;
    canvas.fill(kBackground);
    // An output folder that does not exist: nothing is created.
    EXPECT_FALSE(PngPutImage(dir.Path("missing/out.png").c_str(), canvas.data()));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("missing")));
    // A folder in the file's place.
    std::filesystem::create_directory(dir.Path("folder"));
    EXPECT_FALSE(PngPutImage(dir.Path("folder").c_str(), canvas.data()));
#ifndef _WIN32
    // A full device (POSIX's /dev/full): the write fails when the buffered image is flushed on
    // close, which must not count as success.
    EXPECT_FALSE(PngPutImage("/dev/full", canvas.data()));
#endif
    EXPECT_FALSE(PngPutImage(dir.Path("null.png").c_str(), nullptr));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("null.png")));
}

} // namespace
} // namespace orvex::codeimg
