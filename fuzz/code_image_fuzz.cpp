// SPDX-License-Identifier: MIT
// codeimg's WriteText with arbitrary codes and pen positions: it stays on its canvas, writes only
// ink, reads the code no further than its terminator or its fourth character, and draws the same
// for a code cut after four characters.
#include "codeimg/main.h"
#include "fuzz_support.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

namespace ci = orvex::codeimg;

int TakeInt(const uint8_t*& data, size_t& size) {
    uint32_t v = 0;
    for (int i = 0; i < 4 && size > 0; ++i, ++data, --size) {
        v |= static_cast<uint32_t>(*data) << (8 * i);
    }
    return static_cast<int>(v);
}

// A canvas of exactly its size on the heap, so that the sanitizer sees a write past either end.
std::unique_ptr<unsigned char[]> Draw(int start, int voffset, const char* code) {
    auto canvas = std::make_unique<unsigned char[]>(ci::kCanvasSize);
    std::memset(canvas.get(), ci::kBackground, ci::kCanvasSize);
    std::srand(7);
    ci::WriteText(canvas.get(), start, voffset, code);
    return canvas;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Mostly positions near the canvas, where glyphs land partly on it; sometimes any int at all.
    const uint8_t mode = size > 0 ? data[0] : 0;
    if (size > 0) {
        ++data;
        --size;
    }
    int start = TakeInt(data, size);
    int voffset = TakeInt(data, size);
    if ((mode & 1) == 0) {
        start = start % 160 - 40;
        voffset = voffset % 100 - 25;
    }
    // The code as the command line gives it: terminated, on the heap, exactly its size.
    auto code = std::make_unique<char[]>(size + 1);
    if (size > 0) {
        std::memcpy(code.get(), data, size);
    }
    code[size] = '\0';

    const auto canvas = Draw(start, voffset, code.get());
    for (int i = 0; i < ci::kCanvasSize; ++i) {
        FUZZ_CHECK(canvas[static_cast<size_t>(i)] == ci::kInk || canvas[static_cast<size_t>(i)] == ci::kBackground);
    }
    const size_t length = std::strlen(code.get());
    if (length >= 4) {
        // Four characters and no terminator: nothing past them is read, and they draw the same.
        auto four = std::make_unique<char[]>(4);
        std::memcpy(four.get(), code.get(), 4);
        const auto again = Draw(start, voffset, four.get());
        FUZZ_CHECK(std::memcmp(canvas.get(), again.get(), ci::kCanvasSize) == 0);
    }
    ci::WriteText(nullptr, start, voffset, code.get());
    return 0;
}
