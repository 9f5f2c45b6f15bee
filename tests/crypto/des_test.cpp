// SPDX-License-Identifier: MIT
// The stored-password cipher: the shared DES machinery against the published known answers with
// the three changes switched off, then the variant's own properties and the buffer operations.
#include "crypto/des.h"

#include "crypto/des_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace orvex {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromHex(const std::string& hex) {
    Bytes b;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        b.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return b;
}

std::string ToHex(const Bytes& b) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s;
    for (uint8_t v : b) {
        s += kDigits[v >> 4];
        s += kDigits[v & 15];
    }
    return s;
}

std::string Apply(const DesTables& tables, const char* key, const char* block, int direction) {
    Bytes b = FromHex(block);
    DesProcessBlockWith(tables, b.data(), FromHex(key).data(), direction);
    return ToHex(b);
}

std::string Variant(const Bytes& key, Bytes block, int direction = 1) {
    DesProcessBlock(block.data(), key.data(), direction);
    return ToHex(block);
}

struct KnownAnswer {
    const char* key;
    const char* plain;
    const char* cipher;
};

// Published DES known answers: the worked example, FIPS 81's "Now is t", the NBS
// variable-plaintext, variable-key and permutation tests, and the S-box test that reaches
// every box entry.
constexpr KnownAnswer kKnownAnswers[] = {
    {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
    {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
    {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
    {"0000000000000000", "0000000000000000", "8CA64DE9C1B123A7"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "7359B2163E4EDC58"},
    {"3000000000000000", "1000000000000001", "958E6E627A05557B"},
    {"1111111111111111", "1111111111111111", "F40379AB9E0EC533"},
    {"0123456789ABCDEF", "1111111111111111", "17668DFC7292532D"},
    {"1111111111111111", "0123456789ABCDEF", "8A5AE1F81AB8F2DD"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "ED39D950FA74BCC4"},
    // variable plaintext
    {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
    {"0101010101010101", "4000000000000000", "DD7F121CA5015619"},
    {"0101010101010101", "2000000000000000", "2E8653104F3834EA"},
    {"0101010101010101", "1000000000000000", "4BD388FF6CD81D4F"},
    {"0101010101010101", "0800000000000000", "20B9E767B2FB1456"},
    {"0101010101010101", "0400000000000000", "55579380D77138EF"},
    {"0101010101010101", "0200000000000000", "6CC5DEFAAF04512F"},
    {"0101010101010101", "0100000000000000", "0D9F279BA5D87260"},
    // variable key
    {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
    {"4001010101010101", "0000000000000000", "0EEC1487DD8C26D5"},
    {"2001010101010101", "0000000000000000", "7AD16FFB79C45926"},
    {"1001010101010101", "0000000000000000", "D3746294CA6A6CF3"},
    // permutation
    {"1046913489980131", "0000000000000000", "88D55E54F54C97B4"},
    // substitution boxes
    {"7CA110454A1A6E57", "01A1D6D039776742", "690F5B0D9A26939B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "7A389D10354BD271"},
    {"07A1133E4A0B2686", "0248D43806F67172", "868EBB51CAB4599A"},
    {"3849674C2602319E", "51454B582DDF440A", "7178876E01F19B2A"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "AF37FB421F8C4095"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "86A560F10EC6D85B"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "0CD3DA020021DC09"},
    {"43297FAD38E373FE", "762514B829BF486A", "EA676B2CB7DB2B7A"},
    {"07A7137045DA2A16", "3BDD119049372802", "DFD64A815CAF1A0F"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "5C513C9C4886C088"},
    {"37D06BB516CB7546", "164D5E404F275232", "0A2AEEAE3FF4AB77"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "EF1BF03E5DFA575A"},
    {"584023641ABA6176", "004BD6EF09176062", "88BF0DB6D70DEE56"},
};

TEST(DesStandard, PublishedKnownAnswers) {
    for (const auto& c : kKnownAnswers) {
        EXPECT_EQ(Apply(kDesStandardTables, c.key, c.plain, 1), c.cipher) << c.key << " " << c.plain;
        EXPECT_EQ(Apply(kDesStandardTables, c.key, c.cipher, 0), c.plain) << c.key << " " << c.cipher;
    }
}

TEST(DesVariant, DiffersFromTheStandardAndInEachChange) {
    int differing = 0;
    for (const auto& c : kKnownAnswers) {
        differing += Apply(kDesVariantTables, c.key, c.plain, 1) != c.cipher ? 1 : 0;
    }
    EXPECT_EQ(differing, static_cast<int>(std::size(kKnownAnswers)));

    // Each change on its own moves some published answer, so none of them is lost on the way;
    // every such cipher still decrypts.
    DesTables onlyPc1 = kDesStandardTables;
    onlyPc1.pc1 = kDesVariantTables.pc1;
    DesTables onlyS1 = kDesStandardTables;
    onlyS1.sboxes = kDesVariantTables.sboxes;
    DesTables onlyAddressing = kDesStandardTables;
    onlyAddressing.reversedBoxAddressing = true;
    for (const DesTables* t : {&onlyPc1, &onlyS1, &onlyAddressing}) {
        int moved = 0;
        for (const auto& c : kKnownAnswers) {
            const std::string out = Apply(*t, c.key, c.plain, 1);
            moved += out != c.cipher ? 1 : 0;
            EXPECT_EQ(Apply(*t, c.key, out.c_str(), 0), c.plain) << c.key;
        }
        EXPECT_GT(moved, 0);
    }
}

TEST(DesVariant, KeepsTheCipherTextOfEarlierVersions) {
    // Login files already written must still decrypt, so the variant's output is pinned. The
    // text's blocks between them reach both exchanged entries of S1 row 1.
    const Bytes key = FromHex("133457799BBCDFF1");
    EXPECT_EQ(Variant(key, FromHex("0123456789ABCDEF")), "52A182C163E329EB");
    const std::string text = "Now is the time for all good men to come to the aid of the party";
    Bytes buf(text.begin(), text.end());
    DesEncryptBuffer(buf.data(), key.data(), 64);
    EXPECT_EQ(ToHex(buf), "3F3C4C31DBAE3B8244AE0BB1F9419412122A7FD83AFFCA31FEA12AF182038640"
                          "A315DAF8A2A591AEF1AED8555C23CA63A6538FED6B4688364F6957DF233AEF91");
    DesDecryptBuffer(buf.data(), key.data(), 64);
    EXPECT_EQ(std::string(buf.begin(), buf.end()), text);
}

TEST(DesVariant, IgnoresKeyBit26AndTheParityBits) {
    const Bytes plain = FromHex("4E6F772069732074");
    for (const char* hex : {"133457799BBCDFF1", "0123456789ABCDEF", "FEDCBA9876543210", "0000000000000000"}) {
        const Bytes key = FromHex(hex);
        const std::string expected = Variant(key, plain);
        Bytes bit26 = key;
        bit26[3] ^= 0x40;
        EXPECT_EQ(Variant(bit26, plain), expected) << hex;
        for (size_t i = 0; i < 8; ++i) {
            Bytes parity = key;
            parity[i] ^= 0x01;
            EXPECT_EQ(Variant(parity, plain), expected) << hex << " byte " << i;
        }
        // Its neighbours, bits 25 and 27, do count, and the standard does read bit 26.
        Bytes bit25 = key;
        bit25[3] ^= 0x80;
        EXPECT_NE(Variant(bit25, plain), expected) << hex;
        Bytes bit27 = key;
        bit27[3] ^= 0x20;
        EXPECT_NE(Variant(bit27, plain), expected) << hex;
        Bytes standardOut = plain;
        Bytes standardBit26Out = plain;
        DesProcessBlockWith(kDesStandardTables, standardOut.data(), key.data(), 1);
        DesProcessBlockWith(kDesStandardTables, standardBit26Out.data(), bit26.data(), 1);
        EXPECT_NE(standardOut, standardBit26Out) << hex;
    }
}

TEST(DesVariant, AnyNonZeroDirectionEncrypts) {
    const Bytes key = FromHex("0E329232EA6D0D73");
    const Bytes plain = FromHex("8787878787878787");
    const std::string encrypted = Variant(key, plain, 1);
    EXPECT_EQ(Variant(key, plain, 2), encrypted);
    EXPECT_EQ(Variant(key, plain, -1), encrypted);
    EXPECT_NE(Variant(key, plain, 0), encrypted);
}

// A password-sized buffer: 19 bytes of text, zero-filled to whole blocks as the login file has it.
Bytes SampleBuffer() {
    const std::string text = "secret-pw secret-pw";
    Bytes buf(text.begin(), text.end());
    buf.resize(32);
    return buf;
}

TEST(DesBuffer, RoundTripsInBothOrders) {
    for (const char* hex : {"133457799BBCDFF1", "0101010101010101", "FFFFFFFFFFFFFFFF", "7CA110454A1A6E57"}) {
        const Bytes key = FromHex(hex);
        const auto original = SampleBuffer();
        auto buf = original;
        DesEncryptBuffer(buf.data(), key.data(), 19);
        EXPECT_NE(buf, original) << hex;
        DesDecryptBuffer(buf.data(), key.data(), 19);
        EXPECT_EQ(buf, original) << hex;
        DesDecryptBuffer(buf.data(), key.data(), 32);
        DesEncryptBuffer(buf.data(), key.data(), 32);
        EXPECT_EQ(buf, original) << hex;
    }
}

TEST(DesBuffer, BlocksAreIndependent) {
    // Blocks a, b, a: each is enciphered alone, so the two a blocks come out equal.
    const Bytes key = FromHex("133457799BBCDFF1");
    Bytes buf = FromHex("0123456789ABCDEF0123456789ABCDEE0123456789ABCDEF");
    DesEncryptBuffer(buf.data(), key.data(), 24);
    const std::string a = Variant(key, FromHex("0123456789ABCDEF"));
    const std::string b = Variant(key, FromHex("0123456789ABCDEE"));
    EXPECT_NE(a, b);
    EXPECT_EQ(ToHex(buf), a + b + a);
}

TEST(DesBuffer, LengthCoversWholeBlocksOnly) {
    const Bytes key = FromHex("0123456789ABCDEF");
    const auto original = SampleBuffer();

    for (std::ptrdiff_t length : {0, -1, -8}) {
        auto buf = original;
        DesEncryptBuffer(buf.data(), key.data(), length);
        EXPECT_EQ(buf, original) << length;
        DesDecryptBuffer(buf.data(), key.data(), length);
        EXPECT_EQ(buf, original) << length;
    }

    // 9 bytes reach into a second block, which is transformed whole; the rest stays as it was.
    auto nine = original;
    DesEncryptBuffer(nine.data(), key.data(), 9);
    auto sixteen = original;
    DesEncryptBuffer(sixteen.data(), key.data(), 16);
    EXPECT_EQ(nine, sixteen);
    EXPECT_FALSE(std::equal(nine.begin() + 8, nine.begin() + 16, original.begin() + 8));
    EXPECT_TRUE(std::equal(nine.begin() + 16, nine.end(), original.begin() + 16));

    auto one = original;
    DesEncryptBuffer(one.data(), key.data(), 1);
    EXPECT_TRUE(std::equal(one.begin() + 8, one.end(), original.begin() + 8));
    EXPECT_FALSE(std::equal(one.begin(), one.begin() + 8, original.begin()));
}

} // namespace
} // namespace orvex
