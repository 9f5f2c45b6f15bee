// SPDX-License-Identifier: MIT
// FsPath and PathText.
#include "platform/native_path.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace orvex {

#ifdef _WIN32

std::wstring WideFromProgramText(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (n <= 0) {
        return {};
    }
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), n);
    return wide;
}

std::string ProgramTextFromWide(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int length = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (n <= 0) {
        return {};
    }
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), length, text.data(), n, nullptr, nullptr);
    return text;
}

std::filesystem::path FsPath(std::string_view programText) {
    return std::filesystem::path(WideFromProgramText(programText));
}

std::string PathText(const std::filesystem::path& path) {
    return ProgramTextFromWide(path.native());
}

#else

std::filesystem::path FsPath(std::string_view programText) {
    return std::filesystem::path(std::string(programText));
}

std::string PathText(const std::filesystem::path& path) {
    return path.native();
}

#endif

} // namespace orvex
