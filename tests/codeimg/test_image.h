// SPDX-License-Identifier: MIT
// Test helpers for codeimg: a PNG reader on zlib alone (chunks, CRCs, inflate, unfilter) and the noise checks.
#pragma once

#include "codeimg/main.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace orvex::test {

struct PngChunk {
    std::string type;
    std::string data;
};

struct PngImage {
    std::vector<PngChunk> chunks;
    std::vector<unsigned char> pixels; // one byte per pixel, top row first
};

inline std::uint32_t ReadBe32(const std::string& s, std::size_t at) {
    const auto b = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + i])); };
    return b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3);
}

inline int Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc) {
        return a;
    }
    return pb <= pc ? b : c;
}

// Decodes an 8-bit, one-sample-per-pixel, non-interlaced PNG. Returns an empty string on success, else what is
// wrong: a broken signature, chunk or CRC, bytes after IEND, or image data of the wrong size.
inline std::string DecodePng(const std::string& file, PngImage& out) {
    out = {};
    if (file.compare(0, 8, "\x89PNG\r\n\x1a\n", 8) != 0) {
        return "no PNG signature";
    }
    std::string idat;
    std::size_t pos = 8;
    for (;;) {
        if (file.size() - pos < 12 || ReadBe32(file, pos) > file.size() - pos - 12) {
            return "truncated chunk at " + std::to_string(pos);
        }
        const std::uint32_t len = ReadBe32(file, pos);
        PngChunk chunk{file.substr(pos + 4, 4), file.substr(pos + 8, len)};
        const auto* typeAndData = reinterpret_cast<const Bytef*>(file.data() + pos + 4);
        if (crc32(0, typeAndData, len + 4) != ReadBe32(file, pos + 8 + len)) {
            return "bad CRC in " + chunk.type;
        }
        pos += 12 + len;
        if (chunk.type == "IDAT") {
            idat += chunk.data;
        }
        out.chunks.push_back(std::move(chunk));
        if (out.chunks.back().type == "IEND") {
            break;
        }
    }
    if (pos != file.size()) {
        return "bytes after IEND";
    }
    const std::string& ihdr = out.chunks.front().data;
    if (out.chunks.front().type != "IHDR" || ihdr.size() != 13 || ihdr[8] != 8 || ihdr[12] != 0) {
        return "not an 8-bit non-interlaced image";
    }
    const std::size_t width = ReadBe32(ihdr, 0);
    const std::size_t height = ReadBe32(ihdr, 4);
    std::vector<Bytef> raw((width + 1) * height + 1);
    auto rawSize = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &rawSize, reinterpret_cast<const Bytef*>(idat.data()),
                   static_cast<uLong>(idat.size())) != Z_OK ||
        rawSize != (width + 1) * height) {
        return "image data does not inflate to " + std::to_string((width + 1) * height) + " bytes";
    }
    out.pixels.assign(width * height, 0);
    for (std::size_t y = 0; y < height; ++y) {
        const Bytef* in = raw.data() + y * (width + 1);
        unsigned char* row = out.pixels.data() + y * width;
        const unsigned char* up = y > 0 ? row - width : nullptr;
        for (std::size_t x = 0; x < width; ++x) {
            const int a = x > 0 ? row[x - 1] : 0;
            const int b = up ? up[x] : 0;
            const int c = up && x > 0 ? up[x - 1] : 0;
            const int predictors[5] = {0, a, b, (a + b) / 2, Paeth(a, b, c)};
            if (in[0] > 4) {
                return "unknown filter " + std::to_string(in[0]);
            }
            row[x] = static_cast<unsigned char>(in[1 + x] + predictors[in[0]]);
        }
    }
    return "";
}

inline bool IsInk(const unsigned char* canvas, int x, int y) {
    return canvas[y * codeimg::kWidth + x] == codeimg::kInk;
}

// Grid noise inks the whole of column 0; pixel noise and the code never touch it.
inline bool HasGrid(const unsigned char* canvas) {
    for (int y = 0; y < codeimg::kHeight; ++y) {
        if (!IsInk(canvas, 0, y)) {
            return false;
        }
    }
    return true;
}

// A grid image has ink along columns 0, 8, ..., 88 and rows 0, 8, ..., 48, and column 95 and row 49 only where
// those lines cross them; a pixel-noise image has no ink in row 0 or column 0.
inline void ExpectNoiseProperties(const unsigned char* canvas) {
    using codeimg::kHeight;
    using codeimg::kWidth;
    if (HasGrid(canvas)) {
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const bool gridColumn = x % 8 == 0 && x <= 88;
                const bool gridRow = y % 8 == 0 && y <= 48;
                if (gridColumn || gridRow) {
                    ASSERT_TRUE(IsInk(canvas, x, y)) << "grid gap at " << x << "," << y;
                } else if (x == 95 || y == 49) {
                    ASSERT_FALSE(IsInk(canvas, x, y)) << "ink off the grid lines at " << x << "," << y;
                }
            }
        }
    } else {
        for (int x = 0; x < kWidth; ++x) {
            ASSERT_FALSE(IsInk(canvas, x, 0)) << "pixel noise in row 0 at column " << x;
        }
        for (int y = 0; y < kHeight; ++y) {
            ASSERT_FALSE(IsInk(canvas, 0, y)) << "pixel noise in column 0 at row " << y;
        }
    }
}

} // namespace orvex::test
