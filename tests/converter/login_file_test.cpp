// SPDX-License-Identifier: MIT
// login.cfg: its bytes, the enciphered password and the lengths a reader refuses.
#include "converter/login_file.h"

#include "crypto/des.h"
#include "run_process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orvex {
namespace {

std::string Int(int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) {
        s[static_cast<size_t>(i)] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    }
    return s;
}

LoginRecord Record(int32_t save, std::string user, std::string password, std::string folder) {
    LoginRecord r;
    r.m_bSavePassword = save;
    r.m_strUserId = std::move(user);
    r.m_strPassword = std::move(password);
    r.m_strOutputDir = std::move(folder);
    return r;
}

TEST(LoginFile, LayoutIsFlagUserPasswordFolder) {
    const LoginRecord r = Record(1, "kim", "pw", "/out");
    const std::string bytes = EncodeLoginRecord(r);
    ASSERT_EQ(bytes.size(), 4u + 4 + 3 + 4 + 8 + 4 + 4);
    EXPECT_EQ(bytes.substr(0, 11), Int(1) + Int(3) + "kim");
    EXPECT_EQ(bytes.substr(11, 4), Int(8));
    EXPECT_EQ(bytes.substr(23), Int(4) + "/out");
    // The stored block is the decryption direction of the zero-padded password.
    uint8_t key[8];
    MakeLoginKey(key);
    uint8_t block[8] = {'p', 'w', 0, 0, 0, 0, 0, 0};
    DesDecryptBuffer(block, key, 2);
    EXPECT_EQ(std::memcmp(bytes.data() + 15, block, 8), 0);

    const std::string unticked = EncodeLoginRecord(Record(0, "kim", "pw", "/out"));
    EXPECT_EQ(unticked, Int(0) + Int(3) + "kim" + Int(4) + "/out") << "no password record without the box";
}

TEST(LoginFile, PasswordsRoundTripByBlock) {
    for (const size_t length : {0u, 1u, 7u, 8u, 9u, 16u, 95u, 96u}) {
        SCOPED_TRACE(length);
        std::string password(length, 'x');
        for (size_t i = 0; i < length; ++i) {
            password[i] = static_cast<char>('a' + i % 26);
        }
        const LoginRecord r = Record(1, "id", password, "");
        const std::string bytes = EncodeLoginRecord(r);
        EXPECT_EQ(bytes.substr(10, 4), Int(static_cast<int32_t>((length + 7) / 8 * 8)));
        LoginRecord back;
        ASSERT_TRUE(DecodeLoginRecord(bytes, back));
        EXPECT_EQ(back, r);
    }
    LoginRecord back = Record(0, "keep", "", "");
    EXPECT_FALSE(DecodeLoginRecord(EncodeLoginRecord(Record(1, "id", std::string(97, 'p'), "")), back))
        << "97 bytes are written but cannot be read back";
    EXPECT_EQ(back.m_strUserId, "keep");
}

TEST(LoginFile, OutOfRangeLengthsMakeTheFileAbsent) {
    const LoginRecord keep = Record(1, "keep", "k", "k");
    const std::vector<std::string> files = {
        Int(0) + Int(-1),
        Int(0) + Int(101) + std::string(101, 'u'),
        Int(1) + Int(2) + "id" + Int(104) + std::string(104, 'p'),
        Int(1) + Int(2) + "id" + Int(-8),
        Int(0) + Int(2) + "id" + Int(501) + std::string(501, 'f'),
        Int(0) + Int(2) + "id" + Int(-1),
    };
    for (const std::string& bytes : files) {
        LoginRecord r = keep;
        EXPECT_FALSE(DecodeLoginRecord(bytes, r));
        EXPECT_EQ(r, keep);
    }
    LoginRecord bounds;
    EXPECT_TRUE(
        DecodeLoginRecord(Int(0) + Int(100) + std::string(100, 'u') + Int(500) + std::string(500, 'f'), bounds));
}

TEST(LoginFile, AShortFileReadsAsZerosAndEmptyFields) {
    LoginRecord r = Record(1, "old", "old", "old");
    ASSERT_TRUE(DecodeLoginRecord("", r));
    EXPECT_EQ(r, LoginRecord{});
    ASSERT_TRUE(DecodeLoginRecord(Int(1) + Int(3) + "kim", r));
    EXPECT_EQ(r, Record(1, "kim", "", ""));
    ASSERT_TRUE(DecodeLoginRecord(Int(0) + Int(3) + "ki", r));
    EXPECT_EQ(r, Record(0, "", "", ""));
    ASSERT_TRUE(DecodeLoginRecord(Int(0) + "\x03\x00", r));
    EXPECT_EQ(r, Record(0, "", "", ""));
}

TEST(LoginFile, FilesReadBackInAnyBuild) {
    // The key comes from the file's own generator, never the platform's rand, so every build reads it.
    test::TempDir dir;
    const std::string path = dir.Path("login.cfg");
    const LoginRecord r = Record(1, "kim", "비밀", "/home/kim/out");
    ASSERT_TRUE(SaveLoginFile(r, path));
    LoginRecord back;
    ASSERT_TRUE(LoadLoginFile(back, path));
    EXPECT_EQ(back, r);
    uint8_t key[8];
    MakeLoginKey(key);
    // Fixed forever: a change here makes every saved password unreadable.
    const uint8_t expected[8] = {0xCB, 0x35, 0xE2, 0x35, 0xF9, 0x1C, 0x2F, 0xA0};
    EXPECT_EQ(std::memcmp(key, expected, 8), 0);
    EXPECT_FALSE(LoadLoginFile(back, dir.Path("missing.cfg")));
}

} // namespace
} // namespace orvex
