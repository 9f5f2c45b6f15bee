// SPDX-License-Identifier: MIT
// The block cipher that keeps the saved member password in the login file: DES with three fixed
// changes to its tables, applied block by block with no chaining.
#include "crypto/des.h"

#include "crypto/des_tables.h"

#include <cstddef>

namespace orvex {

namespace {

// The tables are written with the standard's 1-based bit numbers, so that they read like the
// published ones, and stored 0-based.
template <size_t N>
constexpr std::array<uint8_t, N> ZeroBased(const int (&published)[N]) {
    std::array<uint8_t, N> out{};
    for (size_t i = 0; i < N; ++i) {
        out[i] = static_cast<uint8_t>(published[i] - 1);
    }
    return out;
}

constexpr auto kIp = ZeroBased({
    58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4, //
    62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8, //
    57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3, //
    61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7,
});

constexpr auto kExpansion = ZeroBased({
    32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  //
    8,  9,  10, 11, 12, 13, 12, 13, 14, 15, 16, 17, //
    16, 17, 18, 19, 20, 21, 20, 21, 22, 23, 24, 25, //
    24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1,
});

constexpr auto kP = ZeroBased({
    16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10, //
    2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25,
});

constexpr auto kPc1Standard = ZeroBased({
    57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18, //
    10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36, //
    63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22, //
    14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4,
});

// Entry 13 takes key bit 25 a second time; key bit 26 is never read.
constexpr auto kPc1Variant = ZeroBased({
    57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 25, 18, //
    10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36, //
    63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22, //
    14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4,
});

constexpr auto kPc2 = ZeroBased({
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, //
    23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,  //
    41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48, //
    44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32,
});

constexpr int kEncryptShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};
// Right rotations that step back from the unrotated register (which is C16 D16) one round key at
// a time.
constexpr int kDecryptShifts[16] = {0, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

// The published layout: box by box, four rows of sixteen.
// clang-format off
constexpr std::array<uint8_t, 512> kSboxesStandard = {
    // S1
    14,  4, 13,  1,  2, 15, 11,  8,  3, 10,  6, 12,  5,  9,  0,  7,
     0, 15,  7,  4, 14,  2, 13,  1, 10,  6, 12, 11,  9,  5,  3,  8,
     4,  1, 14,  8, 13,  6,  2, 11, 15, 12,  9,  7,  3, 10,  5,  0,
    15, 12,  8,  2,  4,  9,  1,  7,  5, 11,  3, 14, 10,  0,  6, 13,
    // S2
    15,  1,  8, 14,  6, 11,  3,  4,  9,  7,  2, 13, 12,  0,  5, 10,
     3, 13,  4,  7, 15,  2,  8, 14, 12,  0,  1, 10,  6,  9, 11,  5,
     0, 14,  7, 11, 10,  4, 13,  1,  5,  8, 12,  6,  9,  3,  2, 15,
    13,  8, 10,  1,  3, 15,  4,  2, 11,  6,  7, 12,  0,  5, 14,  9,
    // S3
    10,  0,  9, 14,  6,  3, 15,  5,  1, 13, 12,  7, 11,  4,  2,  8,
    13,  7,  0,  9,  3,  4,  6, 10,  2,  8,  5, 14, 12, 11, 15,  1,
    13,  6,  4,  9,  8, 15,  3,  0, 11,  1,  2, 12,  5, 10, 14,  7,
     1, 10, 13,  0,  6,  9,  8,  7,  4, 15, 14,  3, 11,  5,  2, 12,
    // S4
     7, 13, 14,  3,  0,  6,  9, 10,  1,  2,  8,  5, 11, 12,  4, 15,
    13,  8, 11,  5,  6, 15,  0,  3,  4,  7,  2, 12,  1, 10, 14,  9,
    10,  6,  9,  0, 12, 11,  7, 13, 15,  1,  3, 14,  5,  2,  8,  4,
     3, 15,  0,  6, 10,  1, 13,  8,  9,  4,  5, 11, 12,  7,  2, 14,
    // S5
     2, 12,  4,  1,  7, 10, 11,  6,  8,  5,  3, 15, 13,  0, 14,  9,
    14, 11,  2, 12,  4,  7, 13,  1,  5,  0, 15, 10,  3,  9,  8,  6,
     4,  2,  1, 11, 10, 13,  7,  8, 15,  9, 12,  5,  6,  3,  0, 14,
    11,  8, 12,  7,  1, 14,  2, 13,  6, 15,  0,  9, 10,  4,  5,  3,
    // S6
    12,  1, 10, 15,  9,  2,  6,  8,  0, 13,  3,  4, 14,  7,  5, 11,
    10, 15,  4,  2,  7, 12,  9,  5,  6,  1, 13, 14,  0, 11,  3,  8,
     9, 14, 15,  5,  2,  8, 12,  3,  7,  0,  4, 10,  1, 13, 11,  6,
     4,  3,  2, 12,  9,  5, 15, 10, 11, 14,  1,  7,  6,  0,  8, 13,
    // S7
     4, 11,  2, 14, 15,  0,  8, 13,  3, 12,  9,  7,  5, 10,  6,  1,
    13,  0, 11,  7,  4,  9,  1, 10, 14,  3,  5, 12,  2, 15,  8,  6,
     1,  4, 11, 13, 12,  3,  7, 14, 10, 15,  6,  8,  0,  5,  9,  2,
     6, 11, 13,  8,  1,  4, 10,  7,  9,  5,  0, 15, 14,  2,  3, 12,
    // S8
    13,  2,  8,  4,  6, 15, 11,  1, 10,  9,  3, 14,  5,  0, 12,  7,
     1, 15, 13,  8, 10,  3,  7,  4, 12,  5,  6, 11,  0, 14,  9,  2,
     7, 11,  4,  1,  9, 12, 14,  2,  0,  6, 10, 13, 15,  3,  5,  8,
     2,  1, 14,  7,  4, 10,  8, 13, 15, 12,  9,  0,  3,  5,  6, 11,
};
// clang-format on

// S1 row 1 with columns 5 and 10 exchanged: 0 15 7 4 14 12 13 1 10 6 2 11 9 5 3 8.
constexpr std::array<uint8_t, 512> VariantSboxes() {
    auto boxes = kSboxesStandard;
    const uint8_t column5 = boxes[16 + 5];
    boxes[16 + 5] = boxes[16 + 10];
    boxes[16 + 10] = column5;
    return boxes;
}
constexpr std::array<uint8_t, 512> kSboxesVariant = VariantSboxes();

// One byte per bit (0 or 1), bit 1 of the standard at index 0.
void Unpack(const uint8_t bytes[8], uint8_t bits[64]) {
    for (int i = 0; i < 64; ++i) {
        bits[i] = static_cast<uint8_t>((bytes[i / 8] >> (7 - i % 8)) & 1);
    }
}

void Pack(const uint8_t bits[64], uint8_t bytes[8]) {
    for (int i = 0; i < 8; ++i) {
        uint8_t b = 0;
        for (int j = 0; j < 8; ++j) {
            b = static_cast<uint8_t>((b << 1) | bits[i * 8 + j]);
        }
        bytes[i] = b;
    }
}

// Output bit i is input bit table[i]; source and destination are always distinct here.
template <size_t N>
void Select(const std::array<uint8_t, N>& table, const uint8_t* src, uint8_t* dst) {
    for (size_t i = 0; i < N; ++i) {
        dst[i] = src[table[i]];
    }
}

void RotateLeftOnce(uint8_t half[28]) {
    const uint8_t first = half[0];
    for (int i = 0; i < 27; ++i) {
        half[i] = half[i + 1];
    }
    half[27] = first;
}

void RotateRightOnce(uint8_t half[28]) {
    const uint8_t last = half[27];
    for (int i = 27; i > 0; --i) {
        half[i] = half[i - 1];
    }
    half[0] = last;
}

// The 48 bits of expanded R xor round key through the eight boxes into 32 bits.
void Substitute(const DesTables& tables, const uint8_t in[48], uint8_t out[32]) {
    const std::array<uint8_t, 512>& boxes = *tables.sboxes;
    for (int k = 0; k < 8; ++k) {
        const uint8_t* x = in + 6 * k; // x[0] is x1
        int row = 0;
        int column = 0;
        if (tables.reversedBoxAddressing) {
            row = 2 * x[5] + x[0];
            column = 8 * x[4] + 4 * x[3] + 2 * x[2] + x[1];
        } else {
            row = 2 * x[0] + x[5];
            column = 8 * x[1] + 4 * x[2] + 2 * x[3] + x[4];
        }
        const uint8_t v = boxes[static_cast<size_t>(k * 64 + row * 16 + column)];
        for (int j = 0; j < 4; ++j) {
            out[4 * k + j] = static_cast<uint8_t>((v >> (3 - j)) & 1);
        }
    }
}

} // namespace

const DesTables kDesVariantTables = {&kPc1Variant, &kSboxesVariant, true};
const DesTables kDesStandardTables = {&kPc1Standard, &kSboxesStandard, false};

void DesProcessBlockWith(const DesTables& tables, uint8_t block[8], const uint8_t key[8], int direction) {
    const bool encrypt = direction != 0;

    uint8_t keyBits[64];
    Unpack(key, keyBits);
    uint8_t cd[56]; // C is cd[0..27], D is cd[28..55]
    Select(*tables.pc1, keyBits, cd);

    uint8_t blockBits[64];
    Unpack(block, blockBits);
    uint8_t permuted[64];
    Select(kIp, blockBits, permuted);
    uint8_t l[32];
    uint8_t r[32];
    for (int i = 0; i < 32; ++i) {
        l[i] = permuted[i];
        r[i] = permuted[32 + i];
    }

    for (int round = 0; round < 16; ++round) {
        uint8_t expanded[48];
        Select(kExpansion, r, expanded);

        const int shift = encrypt ? kEncryptShifts[round] : kDecryptShifts[round];
        for (int n = 0; n < shift; ++n) {
            if (encrypt) {
                RotateLeftOnce(cd);
                RotateLeftOnce(cd + 28);
            } else {
                RotateRightOnce(cd);
                RotateRightOnce(cd + 28);
            }
        }
        uint8_t roundKey[48];
        Select(kPc2, cd, roundKey);
        for (int i = 0; i < 48; ++i) {
            expanded[i] ^= roundKey[i];
        }

        uint8_t substituted[32];
        Substitute(tables, expanded, substituted);
        uint8_t f[32];
        Select(kP, substituted, f);
        for (int i = 0; i < 32; ++i) {
            const uint8_t newR = f[i] ^ l[i];
            l[i] = r[i];
            r[i] = newR;
        }
    }

    // R16 L16, then the inverse of IP: output bit IP[i] takes input bit i.
    uint8_t joined[64];
    for (int i = 0; i < 32; ++i) {
        joined[i] = r[i];
        joined[32 + i] = l[i];
    }
    uint8_t outBits[64];
    for (size_t i = 0; i < 64; ++i) {
        outBits[kIp[i]] = joined[i];
    }
    Pack(outBits, block);
}

void DesProcessBlock(uint8_t block[8], const uint8_t key[8], int direction) {
    DesProcessBlockWith(kDesVariantTables, block, key, direction);
}

void DesEncryptBuffer(uint8_t* buffer, const uint8_t key[8], std::ptrdiff_t length) {
    for (std::ptrdiff_t offset = 0; offset < length; offset += 8) {
        DesProcessBlock(buffer + offset, key, 1);
    }
}

void DesDecryptBuffer(uint8_t* buffer, const uint8_t key[8], std::ptrdiff_t length) {
    for (std::ptrdiff_t offset = 0; offset < length; offset += 8) {
        DesProcessBlock(buffer + offset, key, 0);
    }
}

} // namespace orvex
