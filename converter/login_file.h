// SPDX-License-Identifier: MIT
// login.cfg: the member's UserId, the password when the user asked to save it (enciphered),
// and the output folder last used, as the generation dialog remembers them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex {

inline constexpr std::string_view kLoginFileName = "login.cfg";
// Longest fields a reader accepts; longer ones make the whole file count as absent.
inline constexpr int32_t kMaxLoginUserId = 100;
inline constexpr int32_t kMaxLoginPassword = 100; // enciphered bytes: passwords up to 96 bytes read back
inline constexpr int32_t kMaxLoginOutputDir = 500;

// The UserId and password are CP949 bytes; the output folder is program text.
struct LoginRecord {
    int32_t m_bSavePassword = 0;
    std::string m_strUserId;
    std::string m_strPassword;
    std::string m_strOutputDir;

    bool operator==(const LoginRecord&) const = default;
};

// The 8-byte key the password is enciphered with: drawn from a fixed seed by the file's own
// generator, the same on every platform, and never stored.
void MakeLoginKey(uint8_t key[8]);

// The bytes of login.cfg for record.
std::string EncodeLoginRecord(const LoginRecord& record);

// Parses login.cfg bytes. False, leaving record unchanged, when a length is out of range.
// A file that ends early reads as 0 for each missing number and empty for each missing text.
bool DecodeLoginRecord(std::string_view bytes, LoginRecord& record);

// Reads login.cfg. False (record unchanged) when the file cannot be read or counts as absent.
bool LoadLoginFile(LoginRecord& record, const std::string& path = std::string(kLoginFileName));

// Writes login.cfg (through a temporary file, so an interrupted write keeps the old one),
// readable by its owner only.
bool SaveLoginFile(const LoginRecord& record, const std::string& path = std::string(kLoginFileName));

} // namespace orvex
