// SPDX-License-Identifier: MIT
// codeimg CODE PATH: draws the four-digit CODE with jitter and noise and writes it to PATH as a palette PNG.
//
// Conventions in this file:
//   1. One canvas per run, a plain array on Run's frame; nothing is allocated for it.
//   2. Only kInk and kBackground are ever written to the canvas.
//   3. One random source for the whole run, the C library's rand(), seeded once from the time in seconds. Draws
//      are consumed in a fixed order (vertical offset, start column, the glyphs' shaking, the noise choice, the
//      noise), so two runs in the same second draw the same image.
#include "codeimg/main.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace orvex::codeimg {
namespace {

constexpr int kCodeLength = 4;
constexpr int kPenAdvance = 20;
constexpr int kShakeRun = 17;
constexpr int kMinOffset = 8;
constexpr int kOffsetChoices = 6;
constexpr int kGridStep = 8;
constexpr int kGridColumns = 12;
constexpr int kGridRows = 7;
constexpr int kNoisePixels = 800;
constexpr int kPaletteSize = 256;

struct Glyph {
    const unsigned char (*points)[2];
    int count;
};

constexpr Glyph kGlyphs[10] = {{FNum0, CNum0}, {FNum1, CNum1}, {FNum2, CNum2}, {FNum3, CNum3}, {FNum4, CNum4},
                               {FNum5, CNum5}, {FNum6, CNum6}, {FNum7, CNum7}, {FNum8, CNum8}, {FNum9, CNum9}};

// Positions in 64 bits: a pen far off the canvas must be skipped, not wrap around onto it.
void SetInk(unsigned char* canvas, long long x, long long y) {
    if (x >= 0 && x < kWidth && y >= 0 && y < kHeight) {
        canvas[y * kWidth + x] = kInk;
    }
}

} // namespace

void WriteText(unsigned char* canvas, int start, int voffset, const char* code) {
    if (canvas == nullptr || code == nullptr) {
        return;
    }
    for (int k = 0; k < kCodeLength; ++k) {
        const char c = code[k];
        if (c == '\0') {
            break; // a shorter code: never read past its end
        }
        if (c < '0' || c > '9') {
            continue;
        }
        const Glyph& glyph = kGlyphs[c - '0'];
        const long long base = static_cast<long long>(start) + kPenAdvance * k;
        long long h = base;
        for (int p = 0; p < glyph.count; ++p) {
            SetInk(canvas, h + glyph.points[p][0], kHeight - (static_cast<long long>(voffset) + glyph.points[p][1]));
            // The draw comes after the point, so point 0 always stands at base and every run of 17 that follows
            // shares one offset.
            if (p % kShakeRun == 0) {
                h = base - 1 + std::rand() % 2;
            }
        }
    }
}

void DrawHLine(int x, int width, unsigned char* canvas) {
    if (canvas == nullptr) {
        return;
    }
    const int from = x < 0 ? 0 : x;
    const int to = x + width > kWidth ? kWidth : x + width;
    for (int y = 0; y < kHeight; ++y) {
        for (int col = from; col < to; ++col) {
            canvas[y * kWidth + col] = kInk;
        }
    }
}

void DrawVLine(int y, int height, unsigned char* canvas) {
    if (canvas == nullptr) {
        return;
    }
    const int from = y < 0 ? 0 : y;
    const int to = y + height > kHeight ? kHeight : y + height;
    if (from < to) {
        std::memset(canvas + from * kWidth, kInk, static_cast<std::size_t>((to - from) * kWidth));
    }
}

void RandomGrid(unsigned char* canvas) {
    // A null canvas needs no check here: both line functions do nothing with it.
    for (int i = 0; i < kGridColumns; ++i) {
        DrawHLine(kGridStep * i, 1, canvas);
    }
    for (int i = 0; i < kGridRows; ++i) {
        DrawVLine(kGridStep * i, 1, canvas);
    }
}

void RandomPixel(unsigned char* canvas) {
    if (canvas == nullptr) {
        return;
    }
    for (int i = 0; i < kNoisePixels; ++i) {
        // Two statements: the column's draw must come before the row's.
        const int x = 1 + std::rand() % (kWidth - 1);
        const int y = 1 + std::rand() % (kHeight - 1);
        canvas[y * kWidth + x] = kInk;
    }
}

void DrawCodeImage(unsigned char* canvas, const char* code) {
    std::memset(canvas, kBackground, kCanvasSize);
    const int voffset = kMinOffset + std::rand() % kOffsetChoices;
    const int start = kMinOffset + std::rand() % kOffsetChoices;
    WriteText(canvas, start, voffset, code);
    if (std::rand() % 2 == 1) {
        RandomGrid(canvas);
    } else {
        RandomPixel(canvas);
    }
}

bool PngPutImage(const char* path, const unsigned char* canvas) {
    if (path == nullptr || canvas == nullptr) {
        return false;
    }
    std::FILE* const fp = std::fopen(path, "wb");
    if (fp == nullptr) {
        return false;
    }
    return PngPutImage(fp, canvas);
}

// libpng reports errors by longjmp to the point set here, so this function holds nothing that needs a destructor
// and keeps every local that changes after setjmp volatile.
bool PngPutImage(std::FILE* const fp, const unsigned char* canvas) {
    if (fp == nullptr) {
        return false;
    }
    if (canvas == nullptr) {
        std::fclose(fp);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        std::fclose(fp);
        return false;
    }
    png_infop volatile info = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_infop created = info;
        png_destroy_write_struct(&png, &created);
        std::fclose(fp);
        return false;
    }
    info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(fp);
        return false;
    }
    png_init_io(png, fp);
    // The canvas is long runs of two indices, which run-length matching finds without deflate's hash-chain search;
    // that search was a fifth of the whole process's time. Level and row filtering stay the library's defaults.
    png_set_compression_strategy(png, Z_RLE);

    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // 256 entries, of which only 0 (ink) and 1 (background) are ever referenced; the rest stay black.
    png_color palette[kPaletteSize] = {};
    palette[1] = {248, 248, 248};
    palette[2] = {250, 250, 250};
    palette[3] = {255, 255, 255};
    png_set_PLTE(png, info, palette, kPaletteSize);

    png_write_info(png, info);
    for (int y = 0; y < kHeight; ++y) {
        png_write_row(png, canvas + y * kWidth);
    }
    png_write_end(png, info);

    png_infop created = info;
    png_destroy_write_struct(&png, &created);
    // stdio holds the whole small image in its buffer, so a full disk often shows only here.
    return std::fclose(fp) == 0;
}

bool ParseArgs(int argc, char** argv, Options& options) {
    if (argc < 3 || argv[1] == nullptr || argv[2] == nullptr) {
        return false;
    }
    options.code = argv[1];
    options.path = argv[2];
    return true;
}

void SeedFromClock() {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
}

int Run(const Options& options) {
    SeedFromClock();
    unsigned char canvas[kCanvasSize];
    DrawCodeImage(canvas, options.code);
    PngPutImage(options.path, canvas);
    return kExitDrawn;
}

} // namespace orvex::codeimg

#ifndef CODEIMG_NO_MAIN
int main(int argc, char** argv) {
    orvex::codeimg::Options options;
    if (!orvex::codeimg::ParseArgs(argc, argv, options)) {
        return orvex::codeimg::kExitMissingArgument;
    }
    return orvex::codeimg::Run(options);
}
#endif
