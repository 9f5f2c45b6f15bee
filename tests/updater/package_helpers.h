// SPDX-License-Identifier: MIT
// Packages for the updater's tests, well-formed or damaged on purpose, and snapshots of folder
// trees that show exactly what an operation changed.
#pragma once

#include "crypto/md5.h"
#include "platform/native_path.h"
#include "platform/paths.h"
#include "updater/package_format.h"

#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <system_error>

namespace orvex::test {

// The stored form of a package whose decompressed data is words, L, text, then fileData.
// lengthOverride replaces M (the header's decompressed size) when not ~0u.
inline std::string RawPackage(const std::string& text, const std::string& fileData, uint32_t lengthOverride = ~0u,
                              uint32_t textLengthOverride = ~0u) {
    std::string plain;
    AppendWord(plain, 82);
    AppendWord(plain, 0);
    AppendWord(plain, textLengthOverride != ~0u ? textLengthOverride : static_cast<uint32_t>(text.size()));
    plain += text;
    plain += fileData;
    uLongf size = compressBound(static_cast<uLong>(plain.size()));
    std::string compressed(size, '\0');
    compress(reinterpret_cast<Bytef*>(compressed.data()), &size, reinterpret_cast<const Bytef*>(plain.data()),
             static_cast<uLong>(plain.size()));
    compressed.resize(size);
    std::string package;
    AppendWord(package, static_cast<uint32_t>(compressed.size()));
    AppendWord(package, lengthOverride != ~0u ? lengthOverride : static_cast<uint32_t>(plain.size()));
    return package + compressed;
}

inline std::string Md5Line(const std::string& bytes) {
    return Md5HexOfBuffer(bytes.data(), bytes.size());
}

// Every file and folder under root: relative path (program text, '/' between names) -> "dir",
// or "file:" + contents, with "+x" appended for files the owner may execute (POSIX only).
using TreeSnapshot = std::map<std::string, std::string>;

inline TreeSnapshot Snapshot(const std::string& root) {
    namespace fs = std::filesystem;
    TreeSnapshot tree;
    std::error_code ec;
    const fs::path base = FsPath(root);
    for (auto it = fs::recursive_directory_iterator(base, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::string rel = PathText(fs::relative(it->path(), base));
        std::replace(rel.begin(), rel.end(), kPathSep, '/');
        if (it->is_directory()) {
            tree[rel] = "dir";
            continue;
        }
        std::ifstream f(it->path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
#ifdef _WIN32
        const bool exec = false; // Windows has no execute bit
#else
        const bool exec = (fs::status(it->path()).permissions() & fs::perms::owner_exec) != fs::perms::none;
#endif
        tree[rel] = "file:" + bytes + (exec ? "+x" : "");
    }
    return tree;
}

// The relative paths whose entry differs between before and after (added, removed, changed).
inline std::set<std::string> ChangedPaths(const TreeSnapshot& before, const TreeSnapshot& after) {
    std::set<std::string> changed;
    for (const auto& [path, what] : before) {
        const auto it = after.find(path);
        if (it == after.end() || it->second != what) {
            changed.insert(path);
        }
    }
    for (const auto& [path, what] : after) {
        if (before.find(path) == before.end()) {
            changed.insert(path);
        }
    }
    return changed;
}

} // namespace orvex::test
