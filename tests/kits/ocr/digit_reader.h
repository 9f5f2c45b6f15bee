// SPDX-License-Identifier: MIT
// A robot's reader of code images: it knows the exact digit shapes of the image maker and slides
// each over every offset near each digit's place, taking the best match. Shared by the reading
// measurements and the robot that reads a live kit's images.
#pragma once

#include "codeimg/main.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace orvex::test {

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

// Reads codeimg's images: its templates are codeimg's own glyph tables, its digits stand at the
// places codeimg's drawing gives them.
class CodeimgReader {
public:
    CodeimgReader() {
        using namespace codeimg;
        const unsigned char(*const points[10])[2] = {FNum0, FNum1, FNum2, FNum3, FNum4,
                                                     FNum5, FNum6, FNum7, FNum8, FNum9};
        const int counts[10] = {CNum0, CNum1, CNum2, CNum3, CNum4, CNum5, CNum6, CNum7, CNum8, CNum9};
        // The highest point of any glyph: templates share one box, so offsets compare.
        for (int d = 0; d < 10; ++d) {
            for (int p = 0; p < counts[d]; ++p) {
                m_top = std::max(m_top, static_cast<int>(points[d][p][1]));
            }
        }
        for (int d = 0; d < 10; ++d) {
            Bitmap b;
            b.w = 20;
            b.h = m_top + 1;
            b.ink.assign(static_cast<size_t>(b.w * b.h), 0);
            for (int p = 0; p < counts[d]; ++p) {
                b.ink[static_cast<size_t>((m_top - points[d][p][1]) * b.w + points[d][p][0])] = 1;
            }
            m_templates.push_back(MakeTemplate(d, std::move(b)));
        }
    }

    // image: codeimg's kWidth x kHeight canvas, 1 where it is inked.
    std::string Read(const Bitmap& image) const {
        const InkSums sums(image);
        std::string got;
        for (int k = 0; k < 4; ++k) {
            // Base column 8..13 (one more for the shake), glyph bottom on row 50 - (8..13).
            const int x0 = 8 + 20 * k - 2;
            const int y0 = codeimg::kHeight - 13 - m_top - 1;
            got += static_cast<char>('0' + ReadDigit(image, sums, m_templates, x0 + 4 + m_templates[0].bitmap.w / 2,
                                                     y0 + 4 + m_templates[0].bitmap.h / 2, 4));
        }
        return got;
    }

private:
    std::vector<Template> m_templates;
    int m_top = 0;
};

} // namespace orvex::test
