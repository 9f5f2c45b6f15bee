// SPDX-License-Identifier: MIT
// How well a robot reads the code images. The reader knows the exact digit shapes of the image
// maker and slides each over every offset near each digit's place, taking the best match. It
// must fail on the GD kit's images (outlined, warped, rotated, with and without their clutter),
// and it reads codeimg's, whose font is fixed and public: there the kits' rate limits are the
// defence. The GD images come from a fixed seed, so each figure is the same on every run.
#include "codeimg/main.h"
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

constexpr int kSamples = 1000;
constexpr int kSeed = 1;

struct Bitmap {
    int w = 0;
    int h = 0;
    std::vector<uint8_t> ink; // 1 ink, 0 paper, row by row
};

struct Template {
    int digit = 0;
    Bitmap bitmap;
    std::vector<std::pair<int, int>> points; // the ink pixels
};

struct Sample {
    std::string code;
    Bitmap bitmap;
};

Template MakeTemplate(int digit, Bitmap bitmap) {
    Template t{digit, std::move(bitmap), {}};
    for (int y = 0; y < t.bitmap.h; ++y) {
        for (int x = 0; x < t.bitmap.w; ++x) {
            if (t.bitmap.ink[static_cast<size_t>(y * t.bitmap.w + x)] != 0) {
                t.points.emplace_back(x, y);
            }
        }
    }
    return t;
}

// Summed ink over rectangles in constant time.
class InkSums {
public:
    explicit InkSums(const Bitmap& b) : m_w(b.w + 1), m_sum(static_cast<size_t>((b.w + 1) * (b.h + 1)), 0) {
        for (int y = 0; y < b.h; ++y) {
            for (int x = 0; x < b.w; ++x) {
                At(x + 1, y + 1) = b.ink[static_cast<size_t>(y * b.w + x)] + At(x, y + 1) + At(x + 1, y) - At(x, y);
            }
        }
    }
    // Ink in [x0, x1) x [y0, y1), the rectangle already clipped to the image.
    int Count(int x0, int y0, int x1, int y1) const { return Get(x1, y1) - Get(x0, y1) - Get(x1, y0) + Get(x0, y0); }

private:
    int& At(int x, int y) { return m_sum[static_cast<size_t>(y * m_w + x)]; }
    int Get(int x, int y) const { return m_sum[static_cast<size_t>(y * m_w + x)]; }
    int m_w;
    std::vector<int> m_sum;
};

// The digit whose template, placed with its centre within `reach` pixels of (cx, cy) either
// way, overlaps the image's ink best (intersection over union within the template's box).
int ReadDigit(const Bitmap& image, const InkSums& sums, const std::vector<Template>& templates, int cx, int cy,
              int reach) {
    double best = -1;
    int digit = -1;
    for (const Template& t : templates) {
        const int x0 = cx - t.bitmap.w / 2;
        const int y0 = cy - t.bitmap.h / 2;
        for (int oy = y0 - reach; oy <= y0 + reach; ++oy) {
            for (int ox = x0 - reach; ox <= x0 + reach; ++ox) {
                int hits = 0;
                int inside = 0;
                for (const auto& [px, py] : t.points) {
                    const int x = ox + px;
                    const int y = oy + py;
                    if (x >= 0 && y >= 0 && x < image.w && y < image.h) {
                        ++inside;
                        hits += image.ink[static_cast<size_t>(y * image.w + x)];
                    }
                }
                if (inside == 0) {
                    continue;
                }
                const int bx0 = std::max(0, ox);
                const int by0 = std::max(0, oy);
                const int bx1 = std::min(image.w, ox + t.bitmap.w);
                const int by1 = std::min(image.h, oy + t.bitmap.h);
                const int imageInk = sums.Count(bx0, by0, bx1, by1);
                const double score = static_cast<double>(hits) /
                                     static_cast<double>(static_cast<int>(t.points.size()) + imageInk - hits);
                if (score > best) {
                    best = score;
                    digit = t.digit;
                }
            }
        }
    }
    return digit;
}

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
    const unsigned char(*const points[10])[2] = {FNum0, FNum1, FNum2, FNum3, FNum4, FNum5, FNum6, FNum7, FNum8, FNum9};
    const int counts[10] = {CNum0, CNum1, CNum2, CNum3, CNum4, CNum5, CNum6, CNum7, CNum8, CNum9};
    std::vector<Template> templates;
    int top = 0; // the highest point of any glyph: templates share one box, so offsets compare
    for (int d = 0; d < 10; ++d) {
        for (int p = 0; p < counts[d]; ++p) {
            top = std::max(top, static_cast<int>(points[d][p][1]));
        }
    }
    for (int d = 0; d < 10; ++d) {
        Bitmap b;
        b.w = 20;
        b.h = top + 1;
        b.ink.assign(static_cast<size_t>(b.w * b.h), 0);
        for (int p = 0; p < counts[d]; ++p) {
            b.ink[static_cast<size_t>((top - points[d][p][1]) * b.w + points[d][p][0])] = 1;
        }
        templates.push_back(MakeTemplate(d, std::move(b)));
    }
    int read = 0;
    unsigned char canvas[kCanvasSize];
    for (int i = 0; i < kSamples; ++i) {
        char code[5];
        std::snprintf(code, sizeof code, "%04d", (i * 7919) % 10000);
        std::srand(static_cast<unsigned>(i));
        DrawCodeImage(canvas, code);
        Bitmap image;
        image.w = kWidth;
        image.h = kHeight;
        image.ink.resize(kCanvasSize);
        for (int k = 0; k < kCanvasSize; ++k) {
            image.ink[static_cast<size_t>(k)] = canvas[k] == kInk ? 1 : 0;
        }
        const InkSums sums(image);
        std::string got;
        for (int k = 0; k < 4; ++k) {
            // Base column 8..13 (one more for the shake), glyph bottom on row 50 - (8..13).
            const int x0 = 8 + 20 * k - 2;
            const int y0 = kHeight - 13 - top - 1;
            got += static_cast<char>('0' + ReadDigit(image, sums, templates, x0 + 4 + templates[0].bitmap.w / 2,
                                                     y0 + 4 + templates[0].bitmap.h / 2, 4));
        }
        read += got == code ? 1 : 0;
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
