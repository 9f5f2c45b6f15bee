// SPDX-License-Identifier: MIT
// How well a template reader (digit_reader.h) reads the code images. It fails on the GD kit's
// images (outlined, warped, rotated, with and without their clutter) and reads codeimg's, whose
// font is fixed and public. A reader trained on images drawn with the GD kit's own code reads
// those as well: for every kit the reveal quotas are the defence against a reader, and these
// figures only show what the image alone costs a weaker one. The GD images come from a fixed seed, so each figure is
// the same on every run.
#include "digit_reader.h"
#include "run_process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace orvex {
namespace {

using test::Bitmap;
using test::InkSums;
using test::MakeTemplate;
using test::ReadDigit;
using test::Sample;
using test::Template;

constexpr int kSamples = 1000;
constexpr int kSeed = 1;

Bitmap ReadBitmap(std::ifstream& in) {
    uint32_t wh[2];
    in.read(reinterpret_cast<char*>(wh), sizeof wh);
    Bitmap b;
    b.w = static_cast<int>(wh[0]);
    b.h = static_cast<int>(wh[1]);
    b.ink.resize(static_cast<size_t>(b.w * b.h));
    in.read(reinterpret_cast<char*>(b.ink.data()), static_cast<std::streamsize>(b.ink.size()));
    return b;
}

// The GD kit's templates and images, drawn by its own makeimg.php from a fixed seed, so that a
// run repeats; `pens` tells how the templates are inked (see gd_samples.php).
void LoadGdSamples(bool clutter, const std::string& pens, std::vector<Template>& templates,
                   std::vector<Sample>& samples) {
    const char* root = std::getenv("ORVEX_SOURCE_DIR");
    ASSERT_NE(root, nullptr) << "run through ctest, which sets ORVEX_SOURCE_DIR";
    test::TempDir dir;
    const std::string out = dir.Path("samples.bin");
    const auto r = test::RunProcess("php",
                                    {std::string(root) + "/tests/kits/ocr/gd_samples.php",
                                     std::string(root) + "/CgiData/php/linux/gd", std::to_string(kSamples),
                                     clutter ? "1" : "0", std::to_string(kSeed), pens, out},
                                    dir.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream in(out, std::ios::binary);
    for (char kind = 0; in.get(kind);) {
        if (kind == 'T') {
            uint32_t dv[2];
            in.read(reinterpret_cast<char*>(dv), sizeof dv);
            templates.push_back(MakeTemplate(static_cast<int>(dv[0]), ReadBitmap(in)));
        } else {
            ASSERT_EQ(kind, 'I');
            Sample s;
            s.code.resize(4);
            in.read(s.code.data(), 4);
            s.bitmap = ReadBitmap(in);
            samples.push_back(std::move(s));
        }
    }
    ASSERT_EQ(samples.size(), static_cast<size_t>(kSamples));
}

double GdReadRate(bool clutter, const std::string& pens) {
    std::vector<Template> templates;
    std::vector<Sample> samples;
    LoadGdSamples(clutter, pens, templates, samples);
    if (samples.empty()) {
        return 1;
    }
    int read = 0;
    for (const Sample& s : samples) {
        const InkSums sums(s.bitmap);
        const double pitch = (s.bitmap.w - 20) / 4.0;
        std::string got;
        for (int i = 0; i < 4; ++i) {
            // Each digit's centre lies within a few pixels of its place; try well beyond that.
            const int cx = static_cast<int>(10 + pitch * (i + 0.5));
            const int cy = s.bitmap.h / 2;
            got += static_cast<char>('0' + ReadDigit(s.bitmap, sums, templates, cx, cy, 8));
        }
        read += got == s.code ? 1 : 0;
    }
    return static_cast<double>(read) / static_cast<double>(samples.size());
}

double CodeimgReadRate() {
    using namespace codeimg;
    const test::CodeimgReader reader;
    int read = 0;
    unsigned char canvas[kCanvasSize];
    for (int i = 0; i < kSamples; ++i) {
        char code[5];
        std::snprintf(code, sizeof code, "%04d", (i * 7919) % 10000);
        std::srand(static_cast<unsigned>(i));
        DrawCodeImage(canvas, code);
        test::Bitmap image;
        image.w = kWidth;
        image.h = kHeight;
        image.ink.resize(kCanvasSize);
        for (int k = 0; k < kCanvasSize; ++k) {
            image.ink[static_cast<size_t>(k)] = canvas[k] == kInk ? 1 : 0;
        }
        read += reader.Read(image) == code ? 1 : 0;
    }
    return static_cast<double>(read) / kSamples;
}

TEST(CodeReading, TheGdKitDefeatsATemplateReaderThatReadsCodeimg) {
    // The reader's templates are the kit's skeletons drawn with a solid 3-pixel pen.
    const double gd = GdReadRate(true, "3");
    const double gdPlain = GdReadRate(false, "3");
    const double plain = CodeimgReadRate();
    std::printf("codes read of %d: GD kit %.1f %%, GD kit without clutter %.1f %%, codeimg %.1f %%\n", kSamples,
                gd * 100, gdPlain * 100, plain * 100);
    // The glyphs alone defeat it, clutter or not: each is a light core in a band of ink whose
    // width is its own, so a solid template lands on paper (measured 0.1 to 0.3 % without
    // clutter and 0 to 0.2 % with it, over seeds 1 to 5).
    EXPECT_LT(gd, 0.05);
    EXPECT_LT(gdPlain, 0.05);
    // The reader is a real one: codeimg's fixed font falls to it.
    EXPECT_GT(plain, 0.9);
}

TEST(CodeReading, TheGdKitHoldsAgainstAReaderThatKnowsItsPens) {
    // The same reader, stronger: templates also in the kit's own pens, solid ones as wide as its
    // bands and hollow ones of a middle core and band. It reads more (measured 6.6 to 7.3 %
    // without clutter over seeds 1 to 3, and 3.5 to 4.6 % with it, which is left out here to
    // save a minute); the bound catches a change that hands it the glyphs back.
    const double gdPlain = GdReadRate(false, "3 5 8:4 11:5");
    std::printf("codes read of %d by the pen-aware reader: GD kit without clutter %.1f %%\n", kSamples, gdPlain * 100);
    EXPECT_LT(gdPlain, 0.10);
}

} // namespace
} // namespace orvex
