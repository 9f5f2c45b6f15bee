// SPDX-License-Identifier: MIT
// Whole-file reads and folder listings.
#include "platform/file_system.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orvex {
namespace {

TEST(FileSystem, ReadsBytesExactly) {
    test::TempDir dir;
    const std::string bytes("a\0b\r\n\xFF", 6);
    const std::string path = dir.Write("f.bin", bytes);
    std::string out;
    ASSERT_TRUE(ReadFileBytes(path, out));
    EXPECT_EQ(out, bytes);
    std::string big(300000, 'x');
    ASSERT_TRUE(ReadFileBytes(dir.Write("big", big), out));
    EXPECT_EQ(out.size(), big.size());
}

// One buffer across a site's pages: each read shows exactly its own page, however long the
// pages before it were, and a refused read shows nothing of the last one.
TEST(FileSystem, ReusedPageBufferHoldsOnlyTheLastPage) {
    test::TempDir dir;
    PageBuffer buffer;
    ASSERT_EQ(ReadRegularFile(dir.Write("long.html", std::string(200000, 'L')), buffer, 1u << 20), FileRead::Ok);
    EXPECT_EQ(buffer.Size(), 200000u);
    ASSERT_EQ(ReadRegularFile(dir.Write("short.html", "abc"), buffer, 1u << 20), FileRead::Ok);
    EXPECT_EQ(buffer.View(), "abc");
    EXPECT_EQ(ReadRegularFile(dir.Path("long.html"), buffer, 10), FileRead::TooLarge);
    EXPECT_TRUE(buffer.View().empty());
    EXPECT_EQ(ReadRegularFile(dir.Path("missing.html"), buffer, 10), FileRead::NotFound);
    EXPECT_TRUE(buffer.View().empty());
}

TEST(FileSystem, MissingFileOrFolderFails) {
    test::TempDir dir;
    std::string out = "stale";
    EXPECT_FALSE(ReadFileBytes(dir.Path("nope"), out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(ListDirectory(dir.Path("nope")).has_value());
    // A folder is not a file to read.
    EXPECT_FALSE(ReadFileBytes(dir.Path(), out));
}

#ifndef _WIN32
// What a hostile site may hold among its pages: none of it may stall or flood the reader.
TEST(FileSystem, RegularFileReadRefusesEverythingElse) {
    test::TempDir dir;
    std::string out = "stale";
    const std::string page = dir.Write("a.html", std::string("x\0y", 3));
    EXPECT_EQ(ReadRegularFile(page, out, 3), FileRead::Ok);
    EXPECT_EQ(out, std::string("x\0y", 3));
    EXPECT_EQ(ReadRegularFile(page, out, 2), FileRead::TooLarge);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(ReadRegularFile(dir.Write("empty.html", ""), out, 0), FileRead::Ok);

    // A pipe nobody writes to would block an ordinary open for ever.
    const std::string fifo = dir.Path("fifo.html");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadRegularFile(fifo, out, 1000), FileRead::NotRegular);
    // A link to an endless device would fill memory.
    ASSERT_EQ(::symlink("/dev/zero", dir.Path("zero.html").c_str()), 0);
    EXPECT_EQ(ReadRegularFile(dir.Path("zero.html"), out, 1u << 30), FileRead::NotRegular);
    EXPECT_EQ(ReadRegularFile(dir.Path(), out, 1000), FileRead::NotRegular);

    ASSERT_EQ(::symlink("nowhere", dir.Path("dangling.html").c_str()), 0);
    EXPECT_EQ(ReadRegularFile(dir.Path("dangling.html"), out, 1000), FileRead::NotFound);
    ASSERT_EQ(::symlink("loop.html", dir.Path("loop.html").c_str()), 0);
    EXPECT_EQ(ReadRegularFile(dir.Path("loop.html"), out, 1000), FileRead::Unreadable);
    EXPECT_TRUE(out.empty());
}
#endif

TEST(FileSystem, ListsFilesAndFolders) {
    test::TempDir dir;
    dir.Write("a.html", "12345");
    dir.Write("sub/b.htm", "x");
    const std::string korean = "한글.html";
    dir.Write(korean, "");
    auto entries = ListDirectory(dir.Path());
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 3u);
    std::sort(entries->begin(), entries->end(), [](const auto& x, const auto& y) { return x.name < y.name; });
    EXPECT_EQ((*entries)[0].name, "a.html");
    EXPECT_EQ((*entries)[0].size, 5u);
    EXPECT_FALSE((*entries)[0].isDirectory);
    EXPECT_GT((*entries)[0].lastWrite, 1600000000);
    EXPECT_EQ((*entries)[1].name, "sub");
    EXPECT_TRUE((*entries)[1].isDirectory);
    EXPECT_EQ((*entries)[2].name, korean);
}

} // namespace
} // namespace orvex
