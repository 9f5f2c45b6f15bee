// SPDX-License-Identifier: MIT
// The little-endian record reader: how it meets records that end early or carry bad lengths.
#include "converter/le_record.h"

#include <gtest/gtest.h>

namespace orvex {
namespace {

std::string Int(int32_t v) {
    std::string s;
    AppendLeInt32(s, v);
    return s;
}

TEST(LeRecord, ReaderEdges) {
    struct Case {
        std::string bytes;
        LeField first; // String(8, ...)
        std::string text;
        bool intAfter; // whether an Int can still be read after it
    };
    const Case cases[] = {
        {Int(3) + "abc" + Int(7), LeField::Ok, "abc", true},
        {Int(8) + "abcdefgh", LeField::Ok, "abcdefgh", false},
        {Int(0) + Int(7), LeField::Ok, "", true},
        {Int(9) + Int(7), LeField::BadLength, "", true}, // the reader stands after the length word
        {Int(-1) + Int(7), LeField::BadLength, "", true},
        {"\x03\x00\x00", LeField::Short, "", false},
        // The bytes run past the end: what follows them is never read as the next field.
        {Int(8) + Int(2) + "ab", LeField::Short, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        LeRecordReader r(c.bytes);
        std::string s;
        EXPECT_EQ(r.String(8, s), c.first);
        EXPECT_EQ(s, c.text);
        int32_t v = -5;
        EXPECT_EQ(r.Int(v), c.intAfter);
        EXPECT_EQ(v, c.intAfter ? 7 : -5); // a failed read leaves its output alone
    }
}

} // namespace
} // namespace orvex
