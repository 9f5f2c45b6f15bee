// SPDX-License-Identifier: MIT
// What every fuzz target shares: a check that stops the run with a message, and a scratch
// folder for the targets whose functions read and write files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#ifdef _WIN32
#include <random>
#else
#include <unistd.h>
#endif

// Both libFuzzer and the replay main call this once per input.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace orvex::fuzz {

// abort() rather than an exception: libFuzzer saves the input of any crash.
[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(cond)                                                                                               \
    do {                                                                                                               \
        if (!(cond)) {                                                                                                 \
            ::orvex::fuzz::Fail(#cond, __FILE__, __LINE__);                                                            \
        }                                                                                                              \
    } while (false)

inline std::string_view AsText(const uint8_t* data, size_t size) {
    return size == 0 ? std::string_view() : std::string_view(reinterpret_cast<const char*>(data), size);
}

// One folder for the process, in memory-backed /dev/shm when there is one (millions of small
// writes), otherwise in the system's temporary folder; removed when the process ends normally.
class Scratch {
public:
    static const std::filesystem::path& Dir() {
        static Scratch scratch;
        return scratch.m_dir;
    }

private:
    Scratch() {
        namespace fs = std::filesystem;
        std::error_code ec;
#ifdef _WIN32
        std::random_device rd;
        do {
            m_dir = fs::temp_directory_path(ec) / ("orvex-fuzz-" + std::to_string(rd()));
        } while (!ec && !fs::create_directory(m_dir, ec));
        if (ec) {
            std::fprintf(stderr, "orvex fuzz: no scratch folder: %s\n", ec.message().c_str());
            std::abort();
        }
#else
        fs::path base = "/dev/shm";
        if (!fs::is_directory(base, ec) || access(base.c_str(), W_OK) != 0) {
            base = fs::temp_directory_path();
        }
        std::string pattern = (base / "orvex-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("orvex fuzz: mkdtemp");
            std::abort();
        }
        m_dir = pattern;
#endif
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    std::filesystem::path m_dir;
};

// Writes bytes to path whole; aborts when it cannot, since no check after it would mean anything.
inline std::FILE* OpenScratchFile(const std::filesystem::path& path, bool write) {
#ifdef _WIN32
    return ::_wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
    return std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

inline void WriteScratchFile(const std::filesystem::path& path, std::string_view bytes) {
    std::FILE* f = OpenScratchFile(path, true);
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
    FUZZ_CHECK(std::fclose(f) == 0);
}

inline std::string ReadScratchFile(const std::filesystem::path& path) {
    std::string bytes;
    std::FILE* f = OpenScratchFile(path, false);
    FUZZ_CHECK(f != nullptr);
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) {
        bytes.append(buf, n);
    }
    std::fclose(f);
    return bytes;
}

} // namespace orvex::fuzz
