// SPDX-License-Identifier: MIT
// codeimg's module main: the canvas, the drawing of a four-digit code with its noise, and the PNG writer.
#pragma once

#include "glyph_tables.h" // FNum0..FNum9 and CNum0..CNum9, generated from codeimg/digits.txt

#include <cstdio>

namespace orvex::codeimg {

// The canvas: kWidth x kHeight bytes, row by row from the top; pixel (x, y) is byte y * kWidth + x and holds a
// palette index. Every operation below takes a pointer to kCanvasSize bytes.
inline constexpr int kWidth = 96;
inline constexpr int kHeight = 50;
inline constexpr int kCanvasSize = kWidth * kHeight;
inline constexpr unsigned char kInk = 0;
inline constexpr unsigned char kBackground = 1;

// Exit statuses. A drawn image always ends with kExitDrawn, whatever the write gave: the kit's scripts
// learn of a failed write by the missing or broken file.
inline constexpr int kExitMissingArgument = 0;
inline constexpr int kExitDrawn = 1;

// Draws the first four characters of code as digit glyphs, position k with its base column at start + 20 * k and
// the glyph's bottom row on canvas row 50 - voffset. Each glyph is shaken left by one column or not in runs of 17
// points, one rand() draw per run. The text is read up to its terminator only; a position holding no digit draws
// nothing. Pixels that would fall outside the canvas are skipped. Null canvas or code: nothing.
void WriteText(unsigned char* canvas, int start, int voffset, const char* code);

// The grid noise: full-height columns 0, 8, ..., 88, then full-width rows 0, 8, ..., 48. Null canvas: nothing.
void RandomGrid(unsigned char* canvas);

// The pixel noise: 800 pixels at column 1 + rand() % 95, then row 1 + rand() % 49. Null canvas: nothing.
void RandomPixel(unsigned char* canvas);

// Inks the whole-height columns x .. x + width - 1; columns outside the canvas are skipped. Null canvas: nothing.
void DrawHLine(int x, int width, unsigned char* canvas);

// Inks the whole-width rows y .. y + height - 1; rows outside the canvas are skipped. Null canvas: nothing.
void DrawVLine(int y, int height, unsigned char* canvas);

// Steps of one run after seeding: background, vertical offset then start column (each 8 + rand() % 6), the code,
// then grid noise when the next draw is odd, pixel noise when it is even.
void DrawCodeImage(unsigned char* canvas, const char* code);

// Writes the canvas to path as a 96 x 50 8-bit palette PNG (IHDR, PLTE, IDAT, IEND). True only when the whole
// file was written and closed; false when it cannot be opened (nothing is created), when libpng fails (the file
// may hold part of an image; libpng reports on stderr) or when closing reports a deferred write error.
bool PngPutImage(const char* path, const unsigned char* canvas);

// The same onto a file already opened for binary writing, which it closes in every case; for callers that open
// the file themselves, such as the Windows COM component with its UTF-16 paths. Null file: false.
bool PngPutImage(std::FILE* fp, const unsigned char* canvas);

// Seeds rand() as every run does: with the time in seconds.
void SeedFromClock();

struct Options {
    const char* code = nullptr;
    const char* path = nullptr;
};

// The two positional arguments; later ones are ignored. False when either is missing.
bool ParseArgs(int argc, char** argv, Options& options);

// One run: SeedFromClock, draw, write; returns kExitDrawn.
int Run(const Options& options);

} // namespace orvex::codeimg
