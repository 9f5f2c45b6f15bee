// SPDX-License-Identifier: MIT
// LoadLoginFile on arbitrary files. The format lets a file normalise once: a short file reads as
// zeros and empty fields, the password is the deciphered text up to its first zero byte, and
// bytes after the last field are ignored. So the checks are: a file that does not read leaves the
// record alone; a record that reads is written, and that file reads back as the same record and
// is written again as the same bytes; only a record the reader's bounds cannot hold (a password
// above 96 bytes after deciphering a 97..100-byte field) makes the written file read as absent.
#include "converter/login_file.h"
#include "fuzz_support.h"
#include "platform/native_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes = orvex::fuzz::AsText(data, size);
    const std::filesystem::path in = orvex::fuzz::Scratch::Dir() / "login.cfg";
    const std::filesystem::path out = orvex::fuzz::Scratch::Dir() / "written.cfg";
    orvex::fuzz::WriteScratchFile(in, bytes);

    const orvex::LoginRecord before{1, "keep", "keep", "/keep"};
    orvex::LoginRecord read = before;
    if (!orvex::LoadLoginFile(read, orvex::PathText(in))) {
        FUZZ_CHECK(read == before);
        return 0;
    }
    FUZZ_CHECK(read.m_strUserId.size() <= static_cast<size_t>(orvex::kMaxLoginUserId));
    FUZZ_CHECK(read.m_strOutputDir.size() <= static_cast<size_t>(orvex::kMaxLoginOutputDir));
    FUZZ_CHECK(read.m_strPassword.find('\0') == std::string::npos);
    FUZZ_CHECK(read.m_bSavePassword == 1 || read.m_strPassword.empty());
    // Deciphering never yields more than the stored field's whole blocks.
    FUZZ_CHECK(read.m_strPassword.size() <= static_cast<size_t>(orvex::kMaxLoginPassword + 7) / 8 * 8);

    FUZZ_CHECK(orvex::SaveLoginFile(read, orvex::PathText(out)));
    const std::string written = orvex::fuzz::ReadScratchFile(out);
    FUZZ_CHECK(written == orvex::EncodeLoginRecord(read));
    orvex::LoginRecord again = before;
    const bool storable = read.m_bSavePassword != 1 || read.m_strPassword.size() <= 96;
    if (!storable) {
        FUZZ_CHECK(!orvex::LoadLoginFile(again, orvex::PathText(out)) && again == before);
        return 0;
    }
    FUZZ_CHECK(orvex::LoadLoginFile(again, orvex::PathText(out)));
    FUZZ_CHECK(again == read);
    FUZZ_CHECK(orvex::EncodeLoginRecord(again) == written);
    return 0;
}
