// SPDX-License-Identifier: MIT
// login.cfg: flat little-endian record, the password enciphered with the DES variant.
#include "converter/login_file.h"

#include "converter/le_record.h"
#include "crypto/des.h"
#include "platform/file_system.h"
#include "platform/output_file.h"

#include <algorithm>
#include <vector>

namespace orvex {

namespace {

// Every password is copied into a zero-filled area of this size, so its last block is padded
// with zero bytes.
constexpr size_t kWorkArea = 512;

// The key's generator: 15-bit draws of a linear congruential sequence (x * 214013 + 2531011,
// bits 16 to 30), from a fixed seed; per key byte three draws are dropped and one is taken.
constexpr uint32_t kKeySeed = 0x4F52'5658u;
constexpr int kDropsPerByte = 3;

class KeyDraws {
public:
    explicit KeyDraws(uint32_t seed) : m_state(seed) {}
    uint32_t Next() {
        m_state = m_state * 214013u + 2531011u;
        return (m_state >> 16) & 0x7FFFu;
    }

private:
    uint32_t m_state;
};

size_t RoundUp8(size_t n) {
    return (n + 7) / 8 * 8;
}

} // namespace

void MakeLoginKey(uint8_t key[8]) {
    KeyDraws draws(kKeySeed);
    for (int i = 0; i < 8; ++i) {
        for (int d = 0; d < kDropsPerByte; ++d) {
            draws.Next();
        }
        key[i] = static_cast<uint8_t>(0u - (draws.Next() & 0xFFu));
    }
}

std::string EncodeLoginRecord(const LoginRecord& record) {
    std::string out;
    AppendLeInt32(out, record.m_bSavePassword);
    AppendLeString(out, record.m_strUserId);
    if (record.m_bSavePassword == 1) {
        uint8_t key[8];
        MakeLoginKey(key);
        const size_t length = record.m_strPassword.size();
        std::vector<uint8_t> area(std::max(kWorkArea, RoundUp8(length)), 0);
        std::copy(record.m_strPassword.begin(), record.m_strPassword.end(), area.begin());
        // Stored with the decryption direction, read back with the encryption direction.
        DesDecryptBuffer(area.data(), key, static_cast<std::ptrdiff_t>(length));
        const size_t stored = RoundUp8(length);
        AppendLeString(out, std::string_view(reinterpret_cast<const char*>(area.data()), stored));
    }
    AppendLeString(out, record.m_strOutputDir);
    return out;
}

bool DecodeLoginRecord(std::string_view bytes, LoginRecord& record) {
    // A field the file ends before keeps the fresh record's 0 or empty value; only a length out
    // of range makes the whole file absent.
    LeRecordReader in(bytes);
    LoginRecord r;
    in.Int(r.m_bSavePassword);
    if (in.String(kMaxLoginUserId, r.m_strUserId) == LeField::BadLength) {
        return false;
    }
    if (r.m_bSavePassword == 1) {
        std::string cipher;
        if (in.String(kMaxLoginPassword, cipher) == LeField::BadLength) {
            return false;
        }
        std::vector<uint8_t> area(kWorkArea, 0);
        std::copy(cipher.begin(), cipher.end(), area.begin());
        uint8_t key[8];
        MakeLoginKey(key);
        DesEncryptBuffer(area.data(), key, static_cast<std::ptrdiff_t>(cipher.size()));
        const auto end = std::find(area.begin(), area.end(), uint8_t{0});
        r.m_strPassword.assign(area.begin(), end);
    }
    if (in.String(kMaxLoginOutputDir, r.m_strOutputDir) == LeField::BadLength) {
        return false;
    }
    record = std::move(r);
    return true;
}

bool LoadLoginFile(LoginRecord& record, const std::string& path) {
    std::string bytes;
    return ReadFileBytes(path, bytes) && DecodeLoginRecord(bytes, record);
}

bool SaveLoginFile(const LoginRecord& record, const std::string& path) {
    // It holds the member's password, so nobody else may read it.
    return WriteFileReplacing(path, EncodeLoginRecord(record), OutputFile::Access::OwnerOnly);
}

} // namespace orvex
