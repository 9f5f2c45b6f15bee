// SPDX-License-Identifier: MIT
// The built codeimg program: arguments, exit statuses, the file it writes, and its copies in the kit tree.
#include "run_process.h"
#include "temp_dir.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace orvex::codeimg {
namespace {

class CodeimgCommand : public ::testing::Test {
protected:
    test::ProcessResult Run(const std::vector<std::string>& args) {
        return test::RunProcess(CODEIMG_PATH, args, m_scratch.Path(), m_work.Path());
    }
    bool WorkIsEmpty() const { return std::filesystem::is_empty(m_work.Path()); }

    test::TempDir m_scratch; // the captured output streams
    test::TempDir m_work;    // the program's current directory and output folder
};

TEST_F(CodeimgCommand, MissingArgumentExitsZeroAndTouchesNothing) {
    for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"1234"}}) {
        const auto r = Run(args);
        EXPECT_EQ(r.status, kExitMissingArgument);
        EXPECT_EQ(r.out + r.err, "");
        EXPECT_TRUE(WorkIsEmpty());
    }
}

TEST_F(CodeimgCommand, WritesTheImageAndExitsOne) {
    // A non-ASCII file name (Korean where the platform's narrow encoding holds it) with a space,
    // and an extra argument that is ignored.
    const std::string path = m_work.Path(test::NonAsciiName() + " image.png");
    const auto r = Run({"4821", path, "extra"});
    EXPECT_EQ(r.status, kExitDrawn);
    EXPECT_EQ(r.out + r.err, "");

    test::PngImage png;
    ASSERT_EQ(test::DecodePng(test::Slurp(path), png), "");
    std::string types;
    for (const auto& chunk : png.chunks) {
        types += chunk.type + " ";
    }
    EXPECT_EQ(types, "IHDR PLTE IDAT IEND ");
    ASSERT_EQ(png.pixels.size(), static_cast<std::size_t>(kCanvasSize));
    int ink = 0;
    for (const unsigned char px : png.pixels) {
        ASSERT_TRUE(px == kInk || px == kBackground) << int(px);
        ink += px == kInk;
    }
    EXPECT_GT(ink, 300); // the code itself is well over 600 points
    test::ExpectNoiseProperties(png.pixels.data());
}

TEST_F(CodeimgCommand, CodesTheScriptsNeverSendStillGiveAnImage) {
    for (const std::string code : {"12", "", "a1b2c3"}) {
        const auto r = Run({code, m_work.Path("odd.png")});
        EXPECT_EQ(r.status, kExitDrawn) << code;
        test::PngImage png;
        EXPECT_EQ(test::DecodePng(m_work.Read("odd.png"), png), "") << code;
    }
}

TEST_F(CodeimgCommand, FailedWriteStillExitsOne) {
    auto r = Run({"4821", m_work.Path("missing/out.png")});
    EXPECT_EQ(r.status, kExitDrawn);
    EXPECT_TRUE(WorkIsEmpty());
    r = Run({"4821", "/dev/full"});
    EXPECT_EQ(r.status, kExitDrawn);
}

// The seed is the time in seconds: two runs within one second draw the same image.
TEST_F(CodeimgCommand, SameSecondSameImage) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::time_t before = std::time(nullptr);
        Run({"5093", m_work.Path("a.png")});
        Run({"5093", m_work.Path("b.png")});
        if (std::time(nullptr) == before) {
            ASSERT_FALSE(m_work.Read("a.png").empty());
            EXPECT_EQ(m_work.Read("a.png"), m_work.Read("b.png"));
            return;
        }
    }
    GTEST_SKIP() << "never managed two runs within one second";
}

TEST(CodeimgKitCopies, AreTheProgramItself) {
    const std::string program = test::Slurp(CODEIMG_PATH);
    ASSERT_FALSE(program.empty());
    std::istringstream copies(CODEIMG_KIT_COPIES);
    int count = 0;
    for (std::string copy; std::getline(copies, copy, '|'); ++count) {
        EXPECT_EQ(test::Slurp(copy), program) << copy;
    }
    EXPECT_EQ(count, 2);
}

} // namespace
} // namespace orvex::codeimg
