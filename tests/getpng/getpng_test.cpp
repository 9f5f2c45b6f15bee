// SPDX-License-Identifier: MIT
// GetPng.dll as IIS's ASP uses it: a copy of the kit's DLL registered with regsvr32, created and called from
// VBScript run by cscript, its images read back and redrawn with codeimg's own drawing; then unregistered.
#include <windows.h>

#include "test_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace orvex::codeimg {
namespace {

namespace fs = std::filesystem;

// cscript //nologo draw.vbs SITE_FOLDER NON_ASCII_PNG ARABIC_INDIC_CODE (wine's VBScript has no ChrW).
// Each call prints label|result|Err.Number. The page's own call comes first, as antispamin.asp makes it (both
// arguments by value), then codes and paths that must give no file, then what other callers may send: variables
// (by reference), a number for the code, the method's name in lower case, a Null, one argument.
constexpr char kScript[] = R"(Option Explicit
Dim maker, dir, number, png, result
dir = WScript.Arguments(0)
On Error Resume Next
Set maker = CreateObject("GetPng.CodeImage")
WScript.Echo "create||" & Err.Number

Sub Page(label, code, file)
    Dim drawn
    On Error Resume Next
    Err.Clear
    drawn = maker.Draw(CStr(code), CStr(file))
    WScript.Echo label & "|" & drawn & "|" & Err.Number
End Sub
Page "page", "1234", dir & "\0123456789abcdef0123456789abcdef.png"
Page "short", "123", dir & "\short.png"
Page "long", "12345", dir & "\long.png"
Page "letter", "12a4", dir & "\letter.png"
Page "empty", "", dir & "\empty.png"
Page "arabic", WScript.Arguments(2), dir & "\arabic.png"
Page "relative", "1234", "relative.png"
Page "missing", "1234", dir & "\missing\image.png"

number = 5093
png = WScript.Arguments(1)
Err.Clear
result = maker.draw(number, png)
WScript.Echo "variables|" & result & "|" & Err.Number
Err.Clear
result = Empty
result = maker.Draw(Null, dir & "\null.png")
WScript.Echo "null|" & result & "|" & Err.Number
Err.Clear
result = Empty
result = maker.Draw("1234")
WScript.Echo "one|" & result & "|" & Err.Number
)";

struct Call {
    std::string result;
    std::string error;
};

// Runs command in dir, its output into the file output. The exit code, or -1 when it did not run or end.
long RunWaiting(std::wstring command, const fs::path& dir, const fs::path& output) {
    SECURITY_ATTRIBUTES inherit{};
    inherit.nLength = sizeof inherit;
    inherit.bInheritHandle = TRUE;
    const HANDLE out = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        return -1;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        dir.c_str(), &startup, &process);
    CloseHandle(out);
    if (!started) {
        return -1;
    }
    DWORD code = 0;
    const bool ended =
        WaitForSingleObject(process.hProcess, 120'000) == WAIT_OBJECT_0 && GetExitCodeProcess(process.hProcess, &code);
    if (!ended) {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended ? static_cast<long>(code) : -1;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::wstring Quoted(const fs::path& path) {
    return L"\"" + path.wstring() + L"\"";
}

// A string value under HKCR, or "-" when it cannot be read.
std::wstring ClassesValue(const std::wstring& key, const wchar_t* name) {
    wchar_t value[1024];
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return L"-";
    }
    return value;
}

bool ClassesKeyExists(const std::wstring& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(handle);
    return true;
}

// The files under dir, by their relative names.
std::vector<std::wstring> Listing(const fs::path& dir) {
    std::vector<std::wstring> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        names.push_back(entry.path().lexically_relative(dir).generic_wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// One registration and one script run per test program: each test is its own process, so tests run serially.
class GetPngCom : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_problem = Prepare(); }
    static void TearDownTestSuite() {
        if (!s_scratch.empty()) {
            RunWaiting(L"regsvr32.exe /u /s " + Quoted(s_copy), s_scratch, s_scratch / "unregister.txt");
            std::error_code ignored;
            fs::remove_all(s_scratch, ignored);
        }
    }
    void SetUp() override { ASSERT_EQ(s_problem, ""); }

    static std::string Prepare() {
        wchar_t exe[MAX_PATH];
        if (GetModuleFileNameW(nullptr, exe, MAX_PATH) == 0) {
            return "no module name";
        }
        // The copy the converter ships, in a folder named as a Korean site's might be.
        const fs::path kitDll = fs::path(exe).parent_path() / "CgiData" / "asp" / "GetPng.dll";
        s_scratch = fs::temp_directory_path() / ("getpng-" + std::to_string(GetCurrentProcessId()));
        s_site = s_scratch / "site";
        s_kit = s_scratch / L"사이트 폴더";
        s_copy = s_kit / "GetPng.dll";
        std::error_code error;
        fs::remove_all(s_scratch, error);
        fs::create_directories(s_site, error);
        fs::create_directories(s_kit, error);
        fs::copy_file(kitDll, s_copy, error);
        if (error) {
            return "cannot copy " + kitDll.string() + ": " + error.message();
        }
        if (const long status = RunWaiting(L"regsvr32.exe /s " + Quoted(s_copy), s_scratch, s_scratch / "reg.txt");
            status != 0) {
            return "regsvr32 exited with " + std::to_string(status);
        }
        s_clsid = ClassesValue(L"GetPng.CodeImage\\CLSID", nullptr);

        const fs::path script = s_scratch / "draw.vbs";
        WriteAll(script, kScript);
        s_before = std::time(nullptr);
        const long status = RunWaiting(L"cscript.exe //nologo " + Quoted(script) + L" " + Quoted(s_site) + L" " +
                                           Quoted(s_kit / L"코드 이미지.png") + L" 12\u06634",
                                       s_site, s_scratch / "cscript.txt");
        s_after = std::time(nullptr);
        const std::string text = ReadAll(s_scratch / "cscript.txt");
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            const auto first = line.find('|');
            const auto second = line.find('|', first + 1);
            if (first != std::string::npos && second != std::string::npos) {
                s_calls[line.substr(0, first)] = {line.substr(first + 1, second - first - 1), line.substr(second + 1)};
            }
        }
        if (status != 0 || s_calls.size() != 12) {
            return "cscript exited with " + std::to_string(status) + " printing:\n" + text;
        }
        return "";
    }

    // Decodes the file and finds the seed, from the script's start to its end, whose drawing it holds.
    static void ExpectCodeimgImage(const fs::path& path, const char* code) {
        test::PngImage png;
        ASSERT_EQ(test::DecodePng(ReadAll(path), png), "") << path;
        std::string types;
        for (const auto& chunk : png.chunks) {
            types += chunk.type + " ";
        }
        EXPECT_EQ(types, "IHDR PLTE IDAT IEND ");
        const std::string& ihdr = png.chunks.front().data;
        EXPECT_EQ(test::ReadBe32(ihdr, 0), 96U);
        EXPECT_EQ(test::ReadBe32(ihdr, 4), 50U);
        EXPECT_EQ(ihdr[9], 3) << "not a palette image";
        ASSERT_EQ(png.pixels.size(), static_cast<std::size_t>(kCanvasSize));
        bool found = false;
        for (std::time_t seed = s_before; seed <= s_after && !found; ++seed) {
            unsigned char canvas[kCanvasSize];
            std::srand(static_cast<unsigned>(seed));
            DrawCodeImage(canvas, code);
            found = std::equal(canvas, canvas + kCanvasSize, png.pixels.begin());
        }
        EXPECT_TRUE(found) << code << " is not drawn as codeimg draws it in the seconds of the run";
    }

    static inline std::string s_problem;
    static inline fs::path s_scratch, s_site, s_kit, s_copy;
    static inline std::wstring s_clsid;
    static inline std::time_t s_before = 0, s_after = 0;
    static inline std::map<std::string, Call> s_calls;
};

// Per machine (HKCR's machine half) for IIS's worker, free-threaded for its threads; regsvr32 /u takes it away.
TEST_F(GetPngCom, RegistersTheCopyForIisAndUnregisters) {
    ASSERT_NE(s_clsid, L"-");
    EXPECT_EQ(s_calls["create"].error, "0");
    const std::wstring classKey = L"CLSID\\" + s_clsid;
    const std::wstring server = ClassesValue(classKey + L"\\InprocServer32", nullptr);
    std::error_code error;
    EXPECT_TRUE(fs::equivalent(server, s_copy, error)) << server;
    EXPECT_EQ(ClassesValue(classKey + L"\\InprocServer32", L"ThreadingModel"), L"Both");
    EXPECT_EQ(ClassesValue(classKey + L"\\ProgID", nullptr), L"GetPng.CodeImage");
    HKEY machine = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + classKey).c_str(), 0, KEY_READ, &machine),
              ERROR_SUCCESS);
    RegCloseKey(machine);

    EXPECT_EQ(RunWaiting(L"regsvr32.exe /u /s " + Quoted(s_copy), s_scratch, s_scratch / "unreg.txt"), 0);
    EXPECT_FALSE(ClassesKeyExists(L"GetPng.CodeImage"));
    EXPECT_FALSE(ClassesKeyExists(classKey));
}

TEST_F(GetPngCom, DrawsCodeimgsImageWhateverTheArgumentsTypes) {
    for (const char* label : {"page", "variables"}) {
        EXPECT_EQ(s_calls[label].result, "0") << label;
        EXPECT_EQ(s_calls[label].error, "0") << label;
    }
    ExpectCodeimgImage(s_site / "0123456789abcdef0123456789abcdef.png", "1234");
    ExpectCodeimgImage(s_kit / L"코드 이미지.png", "5093");
}

TEST_F(GetPngCom, RefusesWithoutLeavingAFile) {
    for (const char* label : {"short", "long", "letter", "empty", "arabic", "relative", "missing"}) {
        const Call& call = s_calls[label];
        EXPECT_EQ(call.error, "0") << label;
        EXPECT_NE(call.result, "") << label;
        EXPECT_NE(call.result, "0") << label;
    }
    // Arguments that are no string, or too few, raise an error in the script instead.
    for (const char* label : {"null", "one"}) {
        EXPECT_EQ(s_calls[label].result, "") << label;
        EXPECT_NE(s_calls[label].error, "0") << label;
    }
    EXPECT_EQ(Listing(s_site), std::vector<std::wstring>{L"0123456789abcdef0123456789abcdef.png"});
    EXPECT_EQ(Listing(s_kit), (std::vector<std::wstring>{L"GetPng.dll", L"코드 이미지.png"}));
}

} // namespace
} // namespace orvex::codeimg
