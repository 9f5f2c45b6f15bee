// SPDX-License-Identifier: MIT
// login.cfg: flat little-endian record, the password enciphered with the DES variant.
#include "converter/login_file.h"

#include "crypto/des.h"
#include "platform/file_system.h"

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

void PutInt(std::string& out, int32_t value) {
    const auto u = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((u >> (8 * i)) & 0xFFu);
    }
}

// Reads fields from a file that may end anywhere: what is missing reads as 0 or empty.
class Reader {
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}
    int32_t Int() {
        if (m_bytes.size() - m_pos < 4) {
            m_pos = m_bytes.size();
            return 0;
        }
        uint32_t u = 0;
        for (int i = 0; i < 4; ++i) {
            u |= static_cast<uint32_t>(static_cast<unsigned char>(m_bytes[m_pos + static_cast<size_t>(i)])) << (8 * i);
        }
        m_pos += 4;
        return static_cast<int32_t>(u);
    }
    std::string_view Bytes(int32_t count) {
        const auto n = static_cast<size_t>(count);
        if (m_bytes.size() - m_pos < n) {
            m_pos = m_bytes.size();
            return {};
        }
        const std::string_view s = m_bytes.substr(m_pos, n);
        m_pos += n;
        return s;
    }

private:
    std::string_view m_bytes;
    size_t m_pos = 0;
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
    PutInt(out, record.m_bSavePassword);
    PutInt(out, static_cast<int32_t>(record.m_strUserId.size()));
    out += record.m_strUserId;
    if (record.m_bSavePassword == 1) {
        uint8_t key[8];
        MakeLoginKey(key);
        const size_t length = record.m_strPassword.size();
        std::vector<uint8_t> area(std::max(kWorkArea, RoundUp8(length)), 0);
        std::copy(record.m_strPassword.begin(), record.m_strPassword.end(), area.begin());
        // Stored with the decryption direction, read back with the encryption direction.
        DesDecryptBuffer(area.data(), key, static_cast<std::ptrdiff_t>(length));
        const size_t stored = RoundUp8(length);
        PutInt(out, static_cast<int32_t>(stored));
        out.append(reinterpret_cast<const char*>(area.data()), stored);
    }
    PutInt(out, static_cast<int32_t>(record.m_strOutputDir.size()));
    out += record.m_strOutputDir;
    return out;
}

bool DecodeLoginRecord(std::string_view bytes, LoginRecord& record) {
    Reader in(bytes);
    LoginRecord r;
    r.m_bSavePassword = in.Int();
    const int32_t userLength = in.Int();
    if (userLength < 0 || userLength > kMaxLoginUserId) {
        return false;
    }
    r.m_strUserId.assign(in.Bytes(userLength));
    if (r.m_bSavePassword == 1) {
        const int32_t stored = in.Int();
        if (stored < 0 || stored > kMaxLoginPassword) {
            return false;
        }
        std::vector<uint8_t> area(kWorkArea, 0);
        const std::string_view cipher = in.Bytes(stored);
        std::copy(cipher.begin(), cipher.end(), area.begin());
        uint8_t key[8];
        MakeLoginKey(key);
        DesEncryptBuffer(area.data(), key, static_cast<std::ptrdiff_t>(cipher.size()));
        const auto end = std::find(area.begin(), area.end(), uint8_t{0});
        r.m_strPassword.assign(area.begin(), end);
    }
    const int32_t folderLength = in.Int();
    if (folderLength < 0 || folderLength > kMaxLoginOutputDir) {
        return false;
    }
    r.m_strOutputDir.assign(in.Bytes(folderLength));
    record = std::move(r);
    return true;
}

bool LoadLoginFile(LoginRecord& record, const std::string& path) {
    std::string bytes;
    return ReadFileBytes(path, bytes) && DecodeLoginRecord(bytes, record);
}

bool SaveLoginFile(const LoginRecord& record, const std::string& path) {
    return WriteFileReplacing(path, EncodeLoginRecord(record));
}

} // namespace orvex
