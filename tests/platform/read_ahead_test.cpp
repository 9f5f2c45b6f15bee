// SPDX-License-Identifier: MIT
#include "platform/read_ahead.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvex {
namespace {

// Many pages, so that the reader runs into its depth limit and buffers change hands; among
// them what cannot be read, and pages past the look-ahead size, which the caller reads itself.
TEST(ReadAhead, HandsOutEveryFileInOrderAsReadRegularFileWould) {
    test::TempDir dir;
    std::vector<std::string> paths;
    std::vector<std::string> contents;
    for (int i = 0; i < 40; ++i) {
        std::string bytes = "page " + std::to_string(i) + std::string(static_cast<size_t>(i) * 997, 'x');
        if (i % 13 == 5) {
            bytes.assign(ReadAhead::kAheadBytes + 1, static_cast<char>('a' + i % 26));
        }
        paths.push_back(dir.Write("p" + std::to_string(i) + ".html", bytes));
        contents.push_back(bytes);
    }
    paths.insert(paths.begin() + 3, dir.Path("missing.html"));
    contents.insert(contents.begin() + 3, "");
    paths.insert(paths.begin() + 7, dir.Path());
    contents.insert(contents.begin() + 7, "");
    const std::string tooLarge = dir.Write("huge.html", std::string(ReadAhead::kAheadBytes + 10, 'h'));

    ReadAhead ahead(paths, ReadAhead::kAheadBytes * 2);
    PageBuffer buffer;
    for (size_t i = 0; i < paths.size(); ++i) {
        PageBuffer expected;
        const FileRead want = ReadRegularFile(paths[i], expected, ReadAhead::kAheadBytes * 2);
        ASSERT_EQ(ahead.Next(buffer), want) << paths[i];
        EXPECT_EQ(buffer.View(), contents[i]) << paths[i];
    }
    EXPECT_EQ(ahead.Next(buffer), FileRead::NotFound);
    EXPECT_TRUE(buffer.View().empty());

    // The caller's limit holds for what the caller reads itself.
    ReadAhead limited({tooLarge}, ReadAhead::kAheadBytes + 5);
    EXPECT_EQ(limited.Next(buffer), FileRead::TooLarge);
}

// A run that stops early (a capacity reached) leaves a reader waiting on a full queue.
TEST(ReadAhead, EndsWhileTheReaderWaits) {
    test::TempDir dir;
    std::vector<std::string> paths(ReadAhead::kDepth * 4, dir.Write("a.html", "abc"));
    ReadAhead ahead(paths, 1u << 20);
    PageBuffer buffer;
    EXPECT_EQ(ahead.Next(buffer), FileRead::Ok);
    EXPECT_EQ(buffer.View(), "abc");
}

} // namespace
} // namespace orvex
