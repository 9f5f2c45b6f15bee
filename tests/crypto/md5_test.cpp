// SPDX-License-Identifier: MIT
// MD5 against RFC 1321's suite and other published digests, across the padding boundaries, fed
// in pieces, and from files.
#include "crypto/md5.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace orvex {
namespace {

std::string Hex(const std::string& s) {
    return Md5HexOfBuffer(s.data(), s.size());
}

bool FileDigest(const std::string& path, std::string& hex) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = Md5HexOfStream(f, hex);
    std::fclose(f);
    return ok;
}

TEST(Md5, Rfc1321Suite) {
    const struct {
        const char* input;
        const char* digest;
    } kSuite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : kSuite) {
        EXPECT_EQ(Hex(c.input), c.digest) << '"' << c.input << '"';
    }
}

TEST(Md5, OtherPublishedDigests) {
    // 56 bytes: the padding needs a whole second block.
    EXPECT_EQ(Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"), "8215ef0796a20bcaaae116d3876c664a");
    // A multiple of 64 bytes: the padding takes a block of its own.
    EXPECT_EQ(Hex(std::string(1000000, 'a')), "7707d6ae4e027c70eea2a935c2296f21");
    EXPECT_EQ(Hex("The quick brown fox jumps over the lazy dog"), "9e107d9d372bb6826bd81d3542a419d6");
}

TEST(Md5, DigestsExactlyTheGivenBytes) {
    // Bytes after length are not read, and a zero byte inside is data, not an end.
    const std::string withNul("ab\0c", 4);
    EXPECT_EQ(Md5HexOfBuffer("abcdef", 3), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_NE(Md5HexOfBuffer(withNul.data(), withNul.size()), Hex("ab"));
    EXPECT_NE(Md5HexOfBuffer(withNul.data(), withNul.size()), Hex("abc"));
    EXPECT_EQ(Md5HexOfBuffer(nullptr, 0), "d41d8cd98f00b204e9800998ecf8427e");
}

// Around the lengths where the padding changes shape, every split of the input into two
// updates, and byte-at-a-time feeding, must agree with the one-piece digest.
TEST(Md5, PaddingBoundariesFedInPieces) {
    for (size_t n : {55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 128u}) {
        std::string input;
        for (size_t i = 0; i < n; ++i) {
            input += static_cast<char>('!' + (i * 7) % 90);
        }
        const std::string whole = Hex(input);
        for (size_t split = 0; split <= n; ++split) {
            Md5Context context;
            context.Update(input.data(), split);
            context.Update(input.data() + split, n - split);
            ASSERT_EQ(context.Final(), whole) << "n=" << n << " split=" << split;
        }
        Md5Context bytewise;
        for (char ch : input) {
            bytewise.Update(&ch, 1);
            bytewise.Update(&ch, 0);
        }
        EXPECT_EQ(bytewise.Final(), whole) << "n=" << n;
    }
}

// Runs of 'a' at each boundary, digested separately from RFC 1321's definition of the padded
// message; a slip in the padding length shows at one of these lengths only.
TEST(Md5, PaddingBoundariesKnownDigests) {
    const struct {
        size_t length;
        const char* digest;
    } kRuns[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"},  {56, "3b0c8ac703f828b04c6c197006d17218"},
        {63, "b06521f39153d618550606be297466d5"},  {64, "014842d480b571495a4a0363793f7367"},
        {65, "c743a45e0d2e6a95cb859adae0248435"},  {119, "8a7bd0732ed6a28ce75f6dabc90e1613"},
        {120, "5f61c0ccad4cac44c75ff505e1f1e537"},
    };
    for (const auto& run : kRuns) {
        EXPECT_EQ(Hex(std::string(run.length, 'a')), run.digest) << run.length;
    }
}

TEST(Md5, ContextServesAgainAfterInit) {
    Md5Context context;
    context.Update("message digest", 14);
    EXPECT_EQ(context.Final(), "f96b697d7cb7938d525a2f31aaf161d0");
    context.Init();
    context.Update("abc", 3);
    EXPECT_EQ(context.Final(), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5, HexKeepsLeadingZerosInLowerCase) {
    const uint8_t digest[16] = {0x00, 0x0a, 0x01, 0x0f, 0x10, 0xff, 0xab, 0x9c,
                                0x00, 0x00, 0x7f, 0x80, 0xcd, 0xef, 0x0a, 0x00};
    EXPECT_EQ(Md5HexOfDigest(digest), "000a010f10ffab9c00007f80cdef0a00");
    // d41d8cd98f 00 b2...: a zero byte inside a real digest.
    EXPECT_EQ(Hex("").substr(10, 2), "00");
}

TEST(Md5, FileDigestEqualsBufferDigest) {
    test::TempDir dir;
    std::string binary;
    for (int i = 0; i < 3000; ++i) {
        binary += static_cast<char>((i * 31 + i / 256) & 0xff);
    }
    // Empty, short, exactly one read, one read and a byte, and several reads with a short last one.
    for (size_t n : {0u, 3u, 1024u, 1025u, 2048u, 3000u}) {
        const std::string bytes = binary.substr(0, n);
        std::string hex = "stale";
        ASSERT_TRUE(FileDigest(dir.Write("f" + std::to_string(n) + ".bin", bytes), hex)) << n;
        EXPECT_EQ(hex, Hex(bytes)) << n;
    }
    std::string hex;
    ASSERT_TRUE(FileDigest(dir.Write("abc.txt", "abc"), hex));
    EXPECT_EQ(hex, "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5, StreamThatCannotBeReadGivesNoDigest) {
    test::TempDir dir;
    // A folder opens on some systems but fails on the first read; elsewhere it does not open.
    std::FILE* f = std::fopen(dir.Path().c_str(), "rb");
    if (f == nullptr) {
        GTEST_SKIP() << "this system does not open a folder as a file";
    }
    std::string hex = "stale";
    EXPECT_FALSE(Md5HexOfStream(f, hex));
    EXPECT_TRUE(hex.empty());
    std::fclose(f);
}

} // namespace
} // namespace orvex
