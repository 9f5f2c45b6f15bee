// SPDX-License-Identifier: MIT
// Drawing codes for the pop-up: codeimg's drawing on a canvas, its PNG writer on a memory file.
#include "service/code_image.h"

#include "codeimg/main.h"

#include <sodium.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace orvex::service {

std::string DrawCodePng(const std::string& code) {
    unsigned char canvas[codeimg::kCanvasSize];
    {
        // codeimg draws its jitter and noise with the C library's one generator: one drawing at a
        // time, seeded unpredictably (codeimg seeds from the clock, which a visitor could guess).
        static std::mutex drawing;
        std::lock_guard lock(drawing);
        std::srand(randombytes_random());
        codeimg::DrawCodeImage(canvas, code.c_str());
    }
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* file = open_memstream(&buffer, &size);
    if (file == nullptr) {
        return {};
    }
    const bool written = codeimg::PngPutImage(file, canvas); // closes the file
    std::string png = written && buffer != nullptr ? std::string(buffer, size) : std::string();
    std::free(buffer);
    return png;
}

} // namespace orvex::service
