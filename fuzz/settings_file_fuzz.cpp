// SPDX-License-Identifier: MIT
// ReadSettingsFile on arbitrary files: a file that reads is written back as the same bytes (its
// fields; what follows the last one is ignored), and one that does not leaves the settings alone.
#include "converter/settings.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes = orvex::fuzz::AsText(data, size);
    const std::filesystem::path in = orvex::fuzz::Scratch::Dir() / "default.cfg";
    const std::filesystem::path out = orvex::fuzz::Scratch::Dir() / "written.cfg";
    orvex::fuzz::WriteScratchFile(in, bytes);

    orvex::ConverterSettings before;
    before.m_strHomeDir = "/untouched";
    before.m_nReserved = 77;
    orvex::ConverterSettings read = before;
    if (orvex::ReadSettingsFile(read, in.string()) != orvex::SettingsFileStatus::Found) {
        FUZZ_CHECK(read == before);
        return 0;
    }
    for (const std::string* s :
         {&read.m_strHomeDir, &read.m_strDefaultName1, &read.m_strDefaultName2, &read.m_strDefaultName3}) {
        FUZZ_CHECK(s->size() <= static_cast<size_t>(orvex::kMaxSettingsString));
    }
    FUZZ_CHECK(orvex::WriteSettingsFile(read, out.string()));
    const std::string written = orvex::fuzz::ReadScratchFile(out);
    FUZZ_CHECK(written.size() <= bytes.size() && bytes.substr(0, written.size()) == written);
    FUZZ_CHECK(written == orvex::EncodeSettingsRecord(read));

    orvex::ConverterSettings again;
    FUZZ_CHECK(orvex::ReadSettingsFile(again, out.string()) == orvex::SettingsFileStatus::Found);
    FUZZ_CHECK(again == read);
    return 0;
}
