// SPDX-License-Identifier: MIT
// OutputFile: what reaches the disk, what a failed or abandoned write leaves behind.
#include "platform/output_file.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orvex {
namespace {

namespace fs = std::filesystem;

bool HaveDevFull() {
    return fs::exists("/dev/full");
}

TEST(OutputFile, ReplaceKeepsTheOldFileUnlessClosedWell) {
    test::TempDir dir;
    const std::string path = dir.Write("f", "old");
    {
        OutputFile f;
        ASSERT_TRUE(f.Open(path, OutputFile::Mode::Replace));
        f.Write("new");
    } // dropped without Close
    EXPECT_EQ(dir.Read("f"), "old");
    if (HaveDevFull()) {
        // The temporary leads to a device that takes nothing, so every write fails.
        fs::create_symlink("/dev/full", path + ".tmp");
        OutputFile f;
        ASSERT_TRUE(f.Open(path, OutputFile::Mode::Replace));
        f.Write("new");
        EXPECT_FALSE(f.Close());
        EXPECT_EQ(dir.Read("f"), "old");
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(path + ".tmp")));

    OutputFile f;
    ASSERT_TRUE(f.Open(path, OutputFile::Mode::Replace));
    f.Write("new");
    EXPECT_TRUE(f.Close());
    EXPECT_EQ(dir.Read("f"), "new");
    EXPECT_FALSE(fs::exists(path + ".tmp"));
}

TEST(OutputFile, TruncateDroppedWithoutCloseKeepsWhatWasWritten) {
    test::TempDir dir;
    const std::string path = dir.Write("f", "an older and longer text");
    {
        OutputFile f;
        ASSERT_TRUE(f.Open(path));
        f.Write("kept");
    }
    EXPECT_EQ(dir.Read("f"), "kept");
}

TEST(OutputFile, CloseReportsAFailedWrite) {
    if (!HaveDevFull()) {
        GTEST_SKIP() << "no /dev/full on this system";
    }
    OutputFile small;
    ASSERT_TRUE(small.Open("/dev/full"));
    small.Write("x");
    EXPECT_FALSE(small.Failed()) << "still in the buffer";
    EXPECT_FALSE(small.Close());
    // A write past the buffer reaches the device at once, and the failure is known before Close.
    OutputFile large;
    ASSERT_TRUE(large.Open("/dev/full"));
    large.Write(std::string(size_t{1} << 17, 'x'));
    EXPECT_TRUE(large.Failed());
    EXPECT_FALSE(large.Close());
}

TEST(OutputFile, LargeAndSmallWritesComeOutInOrder) {
    test::TempDir dir;
    std::string expected;
    OutputFile f;
    ASSERT_TRUE(f.Open(dir.Path("f")));
    const size_t kBuffer = size_t{1} << 16;
    const size_t sizes[] = {1, kBuffer - 1, 2, kBuffer, 3, kBuffer + 1, 5 * kBuffer + 7, 10, kBuffer - 10, 0, 11};
    char fill = 'a';
    for (const size_t n : sizes) {
        std::string piece(n, fill);
        if (n > 0) {
            piece.back() = '|'; // a shifted or dropped run shows at its edge
        }
        f.Write(piece);
        expected += piece;
        fill = fill == 'z' ? 'a' : static_cast<char>(fill + 1);
    }
    EXPECT_TRUE(f.Close());
    EXPECT_EQ(dir.Read("f"), expected);
}

TEST(OutputFile, CloseWithoutASuccessfulOpenIsFalse) {
    test::TempDir dir;
    OutputFile never;
    EXPECT_FALSE(never.Close());
    OutputFile failed;
    EXPECT_FALSE(failed.Open(dir.Path("no/such/folder/f")));
    failed.Write("x");
    EXPECT_FALSE(failed.Close());
    OutputFile twice;
    ASSERT_TRUE(twice.Open(dir.Path("f")));
    EXPECT_TRUE(twice.Close());
    EXPECT_FALSE(twice.Close());
}

} // namespace
} // namespace orvex
