// SPDX-License-Identifier: MIT
// The parts in which the stored-password cipher departs from FIPS 46-3, held apart so that the
// tests can run the published cipher through the same code and check it against the standard's
// known answers. Not for use outside crypto/ and its tests.
#pragma once

#include <array>
#include <cstdint>

namespace orvex {

struct DesTables {
    const std::array<uint8_t, 56>* pc1;     // 0-based key bit positions, C then D
    const std::array<uint8_t, 512>* sboxes; // S1..S8, 4 rows of 16 each, as published
    // Row 2*x6 + x1 and column 8*x5 + 4*x4 + 2*x3 + x2 of each six-bit group (x1 first), instead
    // of the standard's row 2*x1 + x6 and column 8*x2 + 4*x3 + 2*x4 + x5.
    bool reversedBoxAddressing;
};

// PC-1 entry 13 is key bit 25 instead of 26, S1 row 1 has columns 5 and 10 exchanged, and the
// boxes are addressed the reversed way. DesProcessBlock uses these.
extern const DesTables kDesVariantTables;

// FIPS 46-3 unchanged.
extern const DesTables kDesStandardTables;

void DesProcessBlockWith(const DesTables& tables, uint8_t block[8], const uint8_t key[8], int direction);

} // namespace orvex
