// SPDX-License-Identifier: MIT
// A scratch folder for one test, removed with everything in it when the test ends. Paths go in
// and out as program text, as the product takes them; a relative path may use '/', which
// becomes the platform's separator.
#pragma once

#include "platform/native_path.h"
#include "platform/paths.h"
#include "platform/text_codec.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

namespace orvex::test {

// rel with '/' as the platform's separator.
inline std::string NativeRel(std::string_view rel) {
    std::string s(rel);
    for (char& c : s) {
        if (c == '/') {
            c = kPathSep;
        }
    }
    return s;
}

// A non-ASCII word, as program text, that the platform's narrow encoding holds: Korean on Linux
// and on a Korean Windows (CP949), Latin letters that CP949 holds too on a Windows whose ANSI
// code page is Western (update packages carry their paths in CP949).
inline std::string NonAsciiName() {
    for (const std::string_view utf8 : {"한글", "Ærøß"}) {
        // A character the encoding lacks does not come back.
        const std::string text = ProgramTextFromUtf8(utf8);
        if (Utf8FromProgramText(text) == utf8) {
            return text;
        }
    }
    return "ascii-only";
}

class TempDir {
public:
    TempDir() {
        // The system's temporary folder (GetTempPath on Windows, $TMPDIR or /tmp elsewhere) and a
        // name nobody else holds: create_directory fails on one that exists.
        std::random_device rd;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            m_path = base / ("orvex-test-" + std::to_string(rd()));
            std::error_code ec;
            if (std::filesystem::create_directory(m_path, ec)) {
                break;
            }
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path() const { return PathText(m_path); }
    std::string Path(std::string_view rel) const { return JoinPath(Path(), NativeRel(rel)); }

    // Writes bytes to rel (folders created), returning the full path.
    std::string Write(std::string_view rel, std::string_view bytes) const {
        const std::string path = Path(rel);
        const auto p = FsPath(path);
        std::filesystem::create_directories(p.parent_path());
        std::ofstream f(p, std::ios::binary | std::ios::trunc);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::string Read(std::string_view rel) const {
        std::ifstream f(FsPath(Path(rel)), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path m_path;
};

} // namespace orvex::test
