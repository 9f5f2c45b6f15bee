// SPDX-License-Identifier: MIT
// What a reader that knows how the GD kit draws reads of its images. makeimg.php ships with every
// converted site, and it fills each digit's light core with one exact colour of its own, which
// nothing else in the image uses (the paper, rarely, and another digit, about one code in three
// hundred, excepted): picking those colours cuts out the four digits, clutter and neighbours
// gone. Each core, scaled into a small box and blurred, is matched to the nearest of the cores
// cut the same way out of images the kit drew for codes the reader was told.
#include "run_process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace orvex {
namespace {

// Three batches of images to learn from and a fourth to read, each drawn from a seed of its own.
constexpr int kBatch = 1000;
constexpr int kTrain = 3 * kBatch;
constexpr int kSeed = 1;

// A code image as the kit serves it, in full colour: 0xRRGGBB row by row.
struct Image {
    std::string code;
    int w = 0;
    int h = 0;
    std::vector<uint32_t> rgb;
};

// Appends count images drawn by the kit's makeimg.php from seed (see gd_colour_samples.php).
void Draw(int seed, int count, std::vector<Image>& images) {
    const char* root = std::getenv("ORVEX_SOURCE_DIR");
    ASSERT_NE(root, nullptr) << "run through ctest, which sets ORVEX_SOURCE_DIR";
    test::TempDir dir;
    const std::string out = dir.Path("samples.bin");
    const auto r = test::RunProcess("php",
                                    {std::string(root) + "/tests/kits/ocr/gd_colour_samples.php",
                                     std::string(root) + "/CgiData/php/linux/gd", std::to_string(count),
                                     std::to_string(seed), out},
                                    dir.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    const size_t before = images.size();
    std::ifstream in(out, std::ios::binary);
    for (char kind = 0; in.get(kind);) {
        ASSERT_EQ(kind, 'I');
        Image im;
        im.code.resize(4);
        in.read(im.code.data(), 4);
        uint32_t wh[2];
        in.read(reinterpret_cast<char*>(wh), sizeof wh);
        im.w = static_cast<int>(wh[0]);
        im.h = static_cast<int>(wh[1]);
        std::vector<unsigned char> bytes(static_cast<size_t>(im.w * im.h * 3));
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(in) << "cut short";
        im.rgb.resize(bytes.size() / 3);
        for (size_t i = 0; i < im.rgb.size(); ++i) {
            im.rgb[i] = static_cast<uint32_t>(bytes[3 * i] << 16 | bytes[3 * i + 1] << 8 | bytes[3 * i + 2]);
        }
        images.push_back(std::move(im));
    }
    ASSERT_EQ(images.size() - before, static_cast<size_t>(count));
}

// The range the kit draws its cores from; the tints and the ink lie below it, the paper may not.
bool CoreColour(uint32_t c) {
    return (c >> 16 & 255) >= 245 && (c >> 8 & 255) >= 245 && (c & 255) >= 240;
}

// The pixels of each digit's core, left to right.
std::vector<std::vector<int>> Cores(const Image& im) {
    std::unordered_map<uint32_t, int> count;
    for (const uint32_t c : im.rgb) {
        ++count[c];
    }
    const uint32_t paper = std::max_element(count.begin(), count.end(), [](const auto& a, const auto& b) {
                               return a.second < b.second;
                           })->first;
    std::unordered_map<uint32_t, std::vector<int>> byColour;
    for (size_t i = 0; i < im.rgb.size(); ++i) {
        if (im.rgb[i] != paper && CoreColour(im.rgb[i])) {
            byColour[im.rgb[i]].push_back(static_cast<int>(i));
        }
    }
    std::vector<std::vector<int>> cores;
    for (auto& entry : byColour) {
        cores.push_back(std::move(entry.second));
    }
    // Two digits of one colour (about one code in three hundred) make a core wider than any one
    // digit's (at most about 43 pixels): split it at the digits' places.
    if (cores.size() < 4) {
        const double pitch = (im.w - 20) / 4.0;
        std::vector<std::vector<int>> split;
        for (auto& core : cores) {
            const auto [lo, hi] =
                std::minmax_element(core.begin(), core.end(), [&](int a, int b) { return a % im.w < b % im.w; });
            if (*hi % im.w - *lo % im.w < 48) {
                split.push_back(std::move(core));
                continue;
            }
            std::vector<int> place[4];
            for (const int i : core) {
                place[std::clamp(static_cast<int>((i % im.w - 10) / pitch), 0, 3)].push_back(i);
            }
            for (auto& part : place) {
                if (part.size() >= 20) {
                    split.push_back(std::move(part));
                }
            }
        }
        cores = std::move(split);
    }
    std::vector<std::pair<double, size_t>> order;
    for (size_t k = 0; k < cores.size(); ++k) {
        double sum = 0;
        for (const int i : cores[k]) {
            sum += i % im.w;
        }
        order.emplace_back(sum / static_cast<double>(cores[k].size()), k);
    }
    std::sort(order.begin(), order.end());
    std::vector<std::vector<int>> sorted;
    for (const auto& o : order) {
        sorted.push_back(std::move(cores[o.second]));
    }
    return sorted;
}

constexpr int kSide = 12;
using Mask = std::array<int16_t, kSide * kSide>;

// The core scaled to fit the box (its proportions kept: a 1 stays narrow), the share of each cell
// it covers, blurred so that a stroke a pixel off still lands near.
Mask Normalise(const std::vector<int>& core, int w) {
    int x0 = w, y0 = std::numeric_limits<int>::max(), x1 = 0, y1 = 0;
    for (const int i : core) {
        x0 = std::min(x0, i % w);
        x1 = std::max(x1, i % w);
        y0 = std::min(y0, i / w);
        y1 = std::max(y1, i / w);
    }
    const int bw = x1 - x0 + 1;
    const int bh = y1 - y0 + 1;
    const float s = static_cast<float>(kSide) / static_cast<float>(std::max(bw, bh));
    const float ox = (static_cast<float>(kSide) - static_cast<float>(bw) * s) / 2;
    const float oy = (static_cast<float>(kSide) - static_cast<float>(bh) * s) / 2;
    std::array<float, kSide * kSide> cover{};
    for (const int i : core) {
        const int cx = std::min(kSide - 1, static_cast<int>(static_cast<float>(i % w - x0) * s + s / 2 + ox));
        const int cy = std::min(kSide - 1, static_cast<int>(static_cast<float>(i / w - y0) * s + s / 2 + oy));
        cover[static_cast<size_t>(cy * kSide + cx)] += s * s;
    }
    Mask m{};
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            float sum = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (x + dx >= 0 && x + dx < kSide && y + dy >= 0 && y + dy < kSide) {
                        sum += cover[static_cast<size_t>((y + dy) * kSide + x + dx)] *
                               static_cast<float>((dx != 0 ? 1 : 2) * (dy != 0 ? 1 : 2));
                    }
                }
            }
            m[static_cast<size_t>(y * kSide + x)] = static_cast<int16_t>(sum * 16);
        }
    }
    return m;
}

class GdReader {
public:
    void Learn(const Image& im) {
        const auto cores = Cores(im);
        if (cores.size() != 4) {
            return;
        }
        for (size_t i = 0; i < 4; ++i) {
            m_masks.push_back(Normalise(cores[i], im.w));
            m_digits.push_back(static_cast<char>(im.code[i]));
        }
    }

    std::string Read(const Image& im) const {
        const auto cores = Cores(im);
        if (cores.size() != 4) {
            return {};
        }
        std::string code;
        for (const auto& core : cores) {
            const Mask m = Normalise(core, im.w);
            int best = std::numeric_limits<int>::max();
            char digit = '?';
            for (size_t k = 0; k < m_masks.size(); ++k) {
                int d = 0;
                for (size_t j = 0; j < m.size(); ++j) {
                    const int e = m[j] - m_masks[k][j];
                    d += e * e;
                }
                if (d < best) {
                    best = d;
                    digit = m_digits[k];
                }
            }
            code += digit;
        }
        return code;
    }

private:
    std::vector<Mask> m_masks;
    std::vector<char> m_digits;
};

TEST(CodeReading, AReaderThatKnowsTheGdKitsDrawingReadsIt) {
    // PHP draws the four batches two at a time; the last one is read.
    std::vector<Image> batch[4];
    std::thread other([&] {
        Draw(kSeed * 4 + 1, kBatch, batch[1]);
        Draw(kSeed * 4 + 3, kBatch, batch[3]);
    });
    Draw(kSeed * 4, kBatch, batch[0]);
    Draw(kSeed * 4 + 2, kBatch, batch[2]);
    other.join();
    if (HasFailure()) {
        return;
    }
    GdReader reader;
    for (int b = 0; b < 3; ++b) {
        for (const Image& im : batch[b]) {
            reader.Learn(im);
        }
    }
    int codes = 0;
    int digits = 0;
    for (const Image& im : batch[3]) {
        const std::string got = reader.Read(im);
        codes += got == im.code ? 1 : 0;
        for (size_t i = 0; i < got.size(); ++i) {
            digits += got[i] == im.code[i] ? 1 : 0;
        }
    }
    const double rate = codes / static_cast<double>(kBatch);
    std::printf("GD kit read by a reader of its core colours, trained on %d of its images: %.1f %% of %d codes, "
                "%.1f %% of digits\n",
                kTrain, rate * 100, kBatch, digits * 100.0 / (4 * kBatch));
    // The image does not stop a reader trained on the kit's own drawing: it reads 99.2 % of codes
    // here (97.9 to 99.2 % over seeds 1 to 4, 99.5 to 99.8 % of digits). What holds such a robot
    // to a few addresses is the reveal quotas. The bound catches a reader or samples gone wrong,
    // and a change to the drawing that leaves these figures out of date.
    EXPECT_GT(rate, 0.95);
}

} // namespace
} // namespace orvex
