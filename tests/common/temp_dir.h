// SPDX-License-Identifier: MIT
// A scratch folder for one test, removed with everything in it when the test ends.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace orvex::test {

class TempDir {
public:
    TempDir() {
        std::random_device rd;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            m_path = base / ("orvex-test-" + std::to_string(rd()));
            if (std::filesystem::create_directory(m_path)) {
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

    std::string Path() const { return m_path.string(); }
    std::string Path(std::string_view rel) const { return (m_path / std::string(rel)).string(); }

    // Writes bytes to rel (folders created), returning the full path.
    std::string Write(std::string_view rel, std::string_view bytes) const {
        const auto p = m_path / std::string(rel);
        std::filesystem::create_directories(p.parent_path());
        std::ofstream f(p, std::ios::binary | std::ios::trunc);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }

    std::string Read(std::string_view rel) const {
        std::ifstream f(m_path / std::string(rel), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path m_path;
};

} // namespace orvex::test
