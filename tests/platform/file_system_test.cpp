// SPDX-License-Identifier: MIT
// Whole-file reads and folder listings.
#include "platform/file_system.h"

#include "platform/native_path.h"
#include "platform/output_file.h"
#include "platform/paths.h"
#include "platform/text_codec.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <thread>

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
    EXPECT_FALSE(CanListDirectory(dir.Path("nope")));
    EXPECT_FALSE(CanListDirectory(dir.Write("file.html", "x")));
    EXPECT_TRUE(CanListDirectory(dir.Path()));
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

// A large file read in two halves comes out whole, whether the other thread reads its half or
// the caller takes it back, and the job left over does nothing when it runs late.
TEST(FileSystem, LargeFileReadInHalvesComesOutWhole) {
    test::TempDir dir;
    std::string bytes(static_cast<size_t>(kSplitReadBytes) + 3, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>('a' + i % 23);
    }
    const std::string path = dir.Write("big.html", bytes);
    PageBuffer out;
    std::thread other;
    const RunBeside onThread = [&other](std::function<void()> job) { other = std::thread(std::move(job)); };
    EXPECT_EQ(ReadRegularFile(path, out, kSplitReadBytes * 2, onThread), FileRead::Ok);
    if (other.joinable()) { // where the system reads whole files at once, nobody is asked
        other.join();
    }
    EXPECT_TRUE(out.View() == bytes);

    std::function<void()> late;
    const RunBeside never = [&late](std::function<void()> job) { late = std::move(job); };
    EXPECT_EQ(ReadRegularFile(path, out, kSplitReadBytes * 2, never), FileRead::Ok);
    EXPECT_TRUE(out.View() == bytes);
    if (late) {
        late();
    }
    EXPECT_TRUE(out.View() == bytes);
}

TEST(FileSystem, ListsFilesAndFolders) {
    test::TempDir dir;
    dir.Write("a.html", "12345");
    dir.Write("sub/b.htm", "x");
    const std::string korean = test::NonAsciiName() + ".html";
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

#ifndef _WIN32
// Links are listed as what they lead to, in either detail; a dangling one as an empty file.
TEST(FileSystem, ListsLinksAsWhatTheyLeadTo) {
    test::TempDir dir;
    dir.Write("sub/b.htm", "x");
    ASSERT_EQ(::symlink(dir.Path("sub").c_str(), dir.Path("to-sub").c_str()), 0);
    ASSERT_EQ(::symlink(dir.Path("gone").c_str(), dir.Path("dangling.html").c_str()), 0);
    for (const ListDetail detail : {ListDetail::Full, ListDetail::TypeOnly}) {
        auto entries = ListDirectory(dir.Path(), detail);
        ASSERT_TRUE(entries.has_value());
        std::sort(entries->begin(), entries->end(), [](const auto& x, const auto& y) { return x.name < y.name; });
        ASSERT_EQ(entries->size(), 3u);
        EXPECT_EQ((*entries)[0].name, "dangling.html");
        EXPECT_FALSE((*entries)[0].isDirectory);
        EXPECT_EQ((*entries)[0].size, 0u);
        EXPECT_TRUE((*entries)[1].isDirectory);
        EXPECT_EQ((*entries)[2].name, "to-sub");
        EXPECT_TRUE((*entries)[2].isDirectory);
    }
}
#endif

// A name in program text leads to one file whichever call takes it, and on disk it is the name
// the text means (the wide-character name on Windows, taken from the ANSI code page).
TEST(FileSystem, NonAsciiNamesReachTheSameFileThroughEveryCall) {
    namespace fs = std::filesystem;
    test::TempDir dir;
    const std::string name = test::NonAsciiName();
    const std::string folder = dir.Path(name);
    ASSERT_TRUE(fs::create_directory(FsPath(folder)));
    EXPECT_TRUE(IsDirectory(folder));
    const std::string file = JoinPath(folder, name + ".html");
    ASSERT_TRUE(WriteFileReplacing(file, "bytes"));

    const std::string utf8 = Utf8FromProgramText(name + ".html");
    const fs::path meant(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
    std::vector<fs::path> onDisk;
    for (const auto& entry : fs::directory_iterator(FsPath(folder))) {
        onDisk.push_back(entry.path().filename());
    }
    EXPECT_EQ(onDisk, std::vector<fs::path>{meant});

    const auto entries = ListDirectory(folder);
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ(entries->front().name, name + ".html");
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(JoinPath(folder, entries->front().name), bytes));
    EXPECT_EQ(bytes, "bytes");
    EXPECT_EQ(ReadRegularFile(file, bytes, 100), FileRead::Ok);
    EXPECT_TRUE(FileIdentityKey(file).has_value());
    std::FILE* f = OpenFileForReading(file);
    EXPECT_NE(f, nullptr);
    if (f != nullptr) {
        std::fclose(f);
    }
    EXPECT_EQ(CopyFileReplacing(file, JoinPath(folder, name + "2.html")), FileCopy::Ok);
    EXPECT_EQ(dir.Read(name + "/" + name + "2.html"), "bytes");
    EXPECT_EQ(PathText(FsPath(file)), file);
}

TEST(FileSystem, CopyReplacesAFileAlreadyThere) {
    test::TempDir dir;
    const std::string source = dir.Write("source.gif", "new");
    const std::string target = dir.Write("target.gif", "older and longer");
    EXPECT_EQ(CopyFileReplacing(source, target), FileCopy::Ok);
    EXPECT_EQ(dir.Read("target.gif"), "new");
    EXPECT_EQ(CopyFileReplacing(dir.Path("missing.gif"), target), FileCopy::SourceMissing);
    EXPECT_EQ(CopyFileReplacing(dir.Path(), target), FileCopy::SourceMissing) << "a folder is no source";
    EXPECT_EQ(dir.Read("target.gif"), "new");
    EXPECT_EQ(CopyFileReplacing(source, dir.Path("no/such/target.gif")), FileCopy::Failed);
}

} // namespace
} // namespace orvex
