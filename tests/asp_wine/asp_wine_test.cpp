// SPDX-License-Identifier: MIT
// The ASP kit's pages run by wine's VBScript engine (cscript), one process a request, with harness.vbs standing
// in for IIS's objects and stand_ins.vbs for what wine's engine lacks (probe.vbs finds out which). A request that
// stops on something wine lacks is skipped with the line it stopped at; any other failure is the kit's.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using orvex::test::TempDir;

std::string Slurp(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return {};
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        text.append(buffer, n);
    std::fclose(f);
    return text;
}

// CMake's paths are the build machine's; under wine its root is drive Z:.
std::string SourcePath(const std::string& path) {
    return path.starts_with("/") ? "Z:" + path : path;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// cscript reads the script as VBScript by its extension: wine's refuses //E:vbscript (and runs nothing). With
// output, its standard output goes to that file, and the process runs under this one as its debugger, so that a
// crash of the engine ends it at once instead of starting wine's debugger.
DWORD Cscript(const std::string& script, const std::string& argument, const std::string& output = "") {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const bool debug = !output.empty();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (debug) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
        startup.hStdError = startup.hStdOutput;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    std::string command = "cscript.exe //nologo \"" + script + "\"";
    if (!argument.empty())
        command += " \"" + argument + "\"";
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE,
                                        debug ? DEBUG_ONLY_THIS_PROCESS : 0, nullptr, nullptr, &startup, &process);
    if (debug)
        CloseHandle(startup.hStdOutput);
    if (!started)
        return ~0u;
    for (DEBUG_EVENT event{}; debug && WaitForDebugEvent(&event, INFINITE);) {
        DWORD next = DBG_CONTINUE;
        if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT)
            CloseHandle(event.u.CreateProcessInfo.hFile);
        else if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT)
            CloseHandle(event.u.LoadDll.hFile);
        else if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT &&
                 event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
            if (!event.u.Exception.dwFirstChance)
                TerminateProcess(process.hProcess, 3);
            next = DBG_EXCEPTION_NOT_HANDLED;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, next);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT)
            break;
    }
    DWORD exitCode = ~0u;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return exitCode;
}

// One page's script for cscript: its <% %> blocks without Option Explicit (it goes first in the file), each
// statement line preceded by HarnessAt/HarnessTop <line> so that an error can say where it stopped.
// fixRedim: wine's engine crashes on ReDim of a never sized "Dim a()" array; a procedure's only ReDim of such an
// array, at the level of its Dim (so in no loop), becomes ReDim Preserve: the same for an array with no elements.
std::string PageCode(const std::string& page, bool instrument, bool fixRedim, std::vector<int>* fixedLines) {
    std::string code, block;
    int line = 1;
    for (size_t at = 0; (at = page.find("<%", at)) != std::string::npos;) {
        const size_t end = page.find("%>", at);
        if (page[at + 2] != '@') {
            line = 1 + static_cast<int>(std::count(page.begin(), page.begin() + static_cast<long>(at), '\n'));
            block = page.substr(at + 2, end - at - 2);
            break; // the kit's pages hold one script block each
        }
        at = end + 2;
    }
    block = std::regex_replace(block, std::regex("^\\s*Option Explicit"), "", std::regex_constants::format_first_only);
    const std::vector<std::string> lines = Lines(block);
    const std::regex procStart("^\\s*((Public|Private) +)?(Function|Sub) .*", std::regex::icase);
    const std::regex procEnd("^\\s*End (Function|Sub)\\b.*", std::regex::icase);
    const std::regex redim("^(\\s*)ReDim +(\\w+)\\(.*", std::regex::icase);
    std::set<size_t> fix;
    if (fixRedim) {
        std::map<std::string, std::vector<size_t>> redims;
        std::map<std::string, size_t> dynamic; // name to the indent of its Dim
        const std::regex dim("^(\\s*)Dim .*", std::regex::icase), array("(\\w+)\\(\\)");
        std::smatch m;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (std::regex_match(lines[i], procStart)) {
                redims.clear();
                dynamic.clear();
            } else if (std::regex_match(lines[i], m, redim)) {
                redims[m[2]].push_back(i);
            } else if (std::regex_match(lines[i], m, dim)) {
                for (auto it = std::sregex_iterator(lines[i].begin(), lines[i].end(), array);
                     it != std::sregex_iterator(); ++it)
                    dynamic[(*it)[1]] = static_cast<size_t>(m.length(1));
            } else if (std::regex_match(lines[i], procEnd)) {
                for (const auto& [name, at] : redims)
                    if (dynamic.count(name) && at.size() == 1 && lines[at[0]].find_first_not_of(" \t") == dynamic[name])
                        fix.insert(at[0]);
            }
        }
    }
    bool inProcedure = false, continued = false;
    for (size_t i = 0; i < lines.size(); ++i, ++line) {
        const std::string& text = lines[i];
        const size_t first = text.find_first_not_of(" \t");
        if (instrument && !continued && first != std::string::npos && text[first] != '\'') {
            if (std::regex_match(text, procStart))
                inProcedure = false;
            code += (inProcedure ? "HarnessAt " : "HarnessTop ") + std::to_string(line) + "\r\n";
            if (std::regex_match(text, procStart))
                inProcedure = true;
            else if (std::regex_match(text, procEnd))
                inProcedure = false;
        }
        if (fix.count(i)) {
            code += std::regex_replace(text, std::regex("ReDim", std::regex::icase), "ReDim Preserve",
                                       std::regex_constants::format_first_only) +
                    "\r\n";
            fixedLines->push_back(line);
        } else {
            code += text + "\r\n";
        }
        continued = text.size() >= 2 && text.ends_with(" _");
    }
    return code;
}

// The texts the kit answers with (Korean, byte for byte).
constexpr const char* kWrongText = "입력한 숫자가 맞지 않습니다.";
constexpr const char* kBadRequestText = "잘못된 요청입니다.";
constexpr const char* kShownText = "이메일 주소입니다.";
constexpr const char* kRevealQuotaText = "지금 접속한 곳에서 볼 수 있는 이메일 주소 수를 넘었습니다.";

struct Answer {
    std::string status, log, lock, transfer, error, body, where;
    std::multimap<std::string, std::string> headers;
    std::string Header(const std::string& name) const {
        const auto it = headers.find(name);
        return it == headers.end() ? "" : it->second;
    }
};

std::ostream& operator<<(std::ostream& out, const Answer& a) {
    return out << "\n[status " << a.status << "; log " << a.log << "; script error " << a.error << "; " << a.where
               << "]\n"
               << a.body;
}

class AspWineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const TempDir scratch;
        Cscript(SourcePath(ASP_WINE_DIR "/probe.vbs"), "", scratch.Path("probe.txt"));
        s_probe = Slurp(scratch.Path("probe.txt"));
        std::cout << "What this VBScript engine lacks of what the kit uses:\n";
        for (const std::string& line : Lines(s_probe)) {
            if (!line.starts_with("missing "))
                continue;
            std::cout << "  " << line << "\n";
            std::istringstream names(line.substr(8, line.find(':') - 8));
            for (std::string name; names >> name;)
                s_missing.insert(name);
        }
        if (s_probe.find("ok ReDim") == std::string::npos) {
            std::cout << "  missing ReDim of a \"Dim a()\" array: the engine crashed\n";
            s_missing.insert("ReDim");
        }
        s_page = Slurp(SourcePath(ASP_KIT_DIR "/antispamin.asp"));
        s_pageLines = Lines(s_page);
        std::vector<int> fixed;
        const std::string in = PageCode(s_page, true, s_missing.count("ReDim") > 0, &fixed);
        const std::string out = PageCode(Slurp(SourcePath(ASP_KIT_DIR "/antispamout.asp")), false, false, nullptr);
        // The harness, then the stand-ins for what is missing.
        std::string head = "Option Explicit\r\n" + Slurp(SourcePath(ASP_WINE_DIR "/harness.vbs"));
        const std::string standIns = Slurp(SourcePath(ASP_WINE_DIR "/stand_ins.vbs"));
        const std::string marker = "' stand-in for: ";
        for (size_t at = standIns.find(marker); at != std::string::npos;) {
            const size_t next = standIns.find(marker, at + 1);
            const std::string part = standIns.substr(at, next == std::string::npos ? next : next - at);
            std::istringstream line(part.substr(marker.size(), part.find('\n') - marker.size()));
            const std::vector<std::string> names{std::istream_iterator<std::string>(line), {}};
            if (std::any_of(names.begin(), names.end(), [](const std::string& n) { return s_missing.count(n); })) {
                head += part;
                for (const std::string& name : names)
                    s_standIns += " " + name;
            }
            at = next;
        }
        head += "\r\nOn Error Resume Next\r\n";
        const std::string tail = "HarnessTop 0\r\nHarnessFinish\r\n";
        s_inScript = head + in + tail;
        // antispamout.asp transfers to antispamin.asp: its script runs first, then the one it names.
        s_outScript = head + out + in + tail;
        std::cout << "Stand-ins:" << s_standIns << "\n";
        for (const int line : fixed)
            std::cout << "  ReDim Preserve at line " << line << ": " << s_pageLines[static_cast<size_t>(line - 1)]
                      << "\n";
    }

    void SetUp() override {
        CPINFO info{};
        if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize != 1)
            GTEST_SKIP() << "the harness passes UTF-8 through a single-byte ANSI code page; run with LC_ALL=C";
        ASSERT_NE(s_probe.find("ok RegExp"), std::string::npos) << "cscript did not run the probe:\n" << s_probe;
        m_kit = m_dir.Path("kit");
        fs::create_directories(m_kit + "\\antispam");
        fs::create_directories(m_kit + "\\antispambmp");
        m_dir.Write("in.vbs", s_inScript);
        m_dir.Write("out.vbs", s_outScript);
        std::string data = "<%''\r\n";
        for (const auto& [n, address] : m_addresses)
            data += "'" + std::to_string(n) + "'" + address + "'12\r\n";
        m_dir.Write("kit/emaildata.asp", data + "%>''");
    }

    // One request; page "in" is antispamin.asp, "out" antispamout.asp.
    Answer Request(const std::string& page, const std::string& method, const std::string& query,
                   const std::vector<std::pair<std::string, std::string>>& form) {
        std::string request = "H clock " + std::to_string(m_clock) + "\nH kit " + m_kit + "\nH out " +
                              m_dir.Path("answer.txt") + "\nH standins" + s_standIns + "\nH getpng " +
                              (s_missing.count("GetPng.CodeImage") ? "stand-in" : "real") + "\nS REQUEST_METHOD " +
                              method + "\nS SCRIPT_NAME /Velmorant/antispam" + page + ".asp\nS REMOTE_ADDR 127.0.0.1\n";
        if (!query.empty())
            request += "Q UniqId " + query + "\n";
        size_t bytes = 0;
        for (const auto& [name, value] : form) {
            request += "F " + name + " " + value + "\n";
            bytes += name.size() + value.size() + 2;
        }
        request += "H totalbytes " + std::to_string(bytes) + "\n";
        m_dir.Write("request.txt", request);
        fs::remove(m_dir.Path("answer.txt"));
        const DWORD exitCode = Cscript(m_dir.Path(page + ".vbs"), m_dir.Path("request.txt"));
        Answer a;
        const std::string text = Slurp(m_dir.Path("answer.txt"));
        const size_t body = text.find("\nbody\n");
        if (body == std::string::npos) {
            a.where = "cscript ended with " + std::to_string(exitCode) + " and no answer";
            return a;
        }
        a.body = text.substr(body + 6);
        std::vector<int> trace;
        int stopped = 0;
        for (const std::string& line : Lines(text.substr(0, body))) {
            const size_t space = line.find(' ');
            const std::string key = line.substr(0, space), value = space == line.npos ? "" : line.substr(space + 1);
            if (key == "status")
                a.status = value;
            else if (key == "log")
                a.log += value + ";";
            else if (key == "lock")
                a.lock = value;
            else if (key == "transfer")
                a.transfer = value;
            else if (key == "error")
                a.error = value;
            else if (key == "header")
                a.headers.emplace(value.substr(0, value.find(": ")), value.substr(value.find(": ") + 2));
            else if (key == "trace")
                for (std::istringstream in(value); in >> stopped;)
                    trace.push_back(stopped);
        }
        // The kit's error handler (KitMain) logs what failed: the line it failed on is the last one reached
        // before the handler's own.
        const auto main = std::find(s_pageLines.begin(), s_pageLines.end(), "Sub KitMain()");
        const auto mainEnd = std::find(main, s_pageLines.end(), "End Sub");
        const int first = static_cast<int>(main - s_pageLines.begin()) + 1;
        const int last = static_cast<int>(mainEnd - s_pageLines.begin()) + 1;
        stopped = 0;
        for (auto it = trace.rbegin(); it != trace.rend() && !stopped; ++it)
            if (*it > 0 && (*it < first || *it > last))
                stopped = *it;
        if (!a.error.empty() && !a.error.starts_with("445 "))
            ADD_FAILURE() << "script error outside the kit's error handler: " << a.error;
        if (stopped > 0)
            a.where =
                "last line reached " + std::to_string(stopped) + ": " + s_pageLines[static_cast<size_t>(stopped - 1)];
        return a;
    }

    // What wine lacks shows as error 445 from a built-in the engine declares but does not implement.
    static std::string WineLacks(const Answer& a) {
        if (a.log.find("support this action") == std::string::npos && a.error.find("445") != 0)
            return {};
        return "wine's VBScript lacks what the kit uses (" + a.log + a.error + "), " + a.where;
    }

    struct Popup {
        Answer answer;
        std::string token, image;
    };

    Popup Show(int n) {
        Popup p{Request("in", "GET", std::to_string(n), {}), "", ""};
        std::smatch m;
        if (std::regex_search(p.answer.body, m, std::regex("name=\"token\" value=\"([0-9a-f]{32})\"")))
            p.token = m[1];
        if (std::regex_search(p.answer.body, m, std::regex("<img src=\"antispambmp/([0-9a-f]{32})\\.png\"")))
            p.image = m[1];
        return p;
    }

    Answer Reply(const std::string& token, const std::string& code) {
        return Request("out", "POST", "", {{"token", token}, {"code", code}});
    }

    // The record of a pending code, field to value.
    std::map<std::string, std::string> Record(const std::string& token) const {
        std::map<std::string, std::string> fields;
        const std::regex field("^'(\\w+)'(.*)$");
        std::smatch m;
        for (const std::string& line : Lines(Slurp(m_kit + "\\antispam\\" + token + ".asp")))
            if (std::regex_match(line, m, field))
                fields[m[1]] = m[2];
        return fields;
    }

    std::string Kit(const std::string& rel) const { return Slurp(m_kit + "\\" + rel); }

    static inline std::string s_probe, s_standIns, s_page, s_inScript, s_outScript;
    static inline std::set<std::string> s_missing;
    static inline std::vector<std::string> s_pageLines;
    TempDir m_dir;
    std::string m_kit;
    long long m_clock = static_cast<long long>(std::time(nullptr));
    const std::map<int, std::string> m_addresses = {{1, "alice@kit-test.invalid"},
                                                    {2, "o'neil&co<b>@kit-test.invalid"},
                                                    {3, "홍길동@kit-test.invalid"},
                                                    {4, "bob@kit-test.invalid"}};
};

#define SKIP_IF_WINE_LACKS(answer)                                                                                     \
    if (const std::string lack = WineLacks(answer); !lack.empty())                                                     \
    GTEST_SKIP() << lack

TEST_F(AspWineTest, PopupThenRightCodeShowsTheAddress) {
    const Popup p = Show(2);
    SKIP_IF_WINE_LACKS(p.answer);
    ASSERT_EQ(p.answer.status, "200 OK") << p.answer;
    EXPECT_EQ(p.answer.lock, "0") << "Application.Lock without UnLock";
    EXPECT_EQ(p.answer.Header("Cache-Control"), "no-store");
    EXPECT_EQ(p.answer.Header("Content-Type"), "text/html; charset=utf-8");
    ASSERT_FALSE(p.token.empty()) << p.answer;
    const auto record = Record(p.token);
    EXPECT_EQ(record.at("client"), "127.0.0.1");
    EXPECT_EQ(record.at("image"), p.image);
    EXPECT_EQ(record.at("time"), std::to_string(m_clock));
    EXPECT_EQ(record.at("uniq"), "2");
    ASSERT_TRUE(std::regex_match(record.at("code"), std::regex("[0-9]{4}")));
    const std::string image = Kit("antispambmp\\" + p.image + ".png");
    EXPECT_FALSE(image.empty());
    if (!s_missing.count("GetPng.CodeImage")) {
        EXPECT_TRUE(image.starts_with("\x89PNG")) << "GetPng.dll drew no PNG";
    }

    const Answer a = Reply(p.token, record.at("code"));
    SKIP_IF_WINE_LACKS(a);
    ASSERT_EQ(a.status, "200 OK") << a;
    EXPECT_EQ(a.transfer, "antispamin.asp");
    EXPECT_NE(a.body.find(kShownText), std::string::npos) << a;
    EXPECT_NE(a.body.find("href=\"mailto:o&#039;neil&amp;co&lt;b&gt;@kit-test.invalid\""), std::string::npos) << a;
    EXPECT_FALSE(fs::exists(m_kit + "\\antispam\\" + p.token + ".asp"));
    EXPECT_FALSE(fs::exists(m_kit + "\\antispambmp\\" + p.image + ".png"));
    EXPECT_EQ(Kit("antispam\\revealed.txt"), std::to_string(m_clock) + " 127.0.0.1 2\n");
    EXPECT_EQ(a.lock, "0");
}

TEST_F(AspWineTest, WrongCodeIsCountedAndOffersANewCode) {
    const Popup p = Show(1);
    SKIP_IF_WINE_LACKS(p.answer);
    ASSERT_EQ(p.answer.status, "200 OK") << p.answer;
    const std::string code = Record(p.token)["code"];
    ASSERT_EQ(code.size(), 4u) << p.answer;
    const Answer a = Reply(p.token, code == "0000" ? "0001" : "0000");
    SKIP_IF_WINE_LACKS(a);
    ASSERT_EQ(a.status, "200 OK") << a;
    EXPECT_NE(a.body.find(kWrongText), std::string::npos) << a;
    EXPECT_NE(a.body.find("href=\"antispamin.asp?UniqId=1\""), std::string::npos) << a;
    EXPECT_EQ(a.body.find("mailto:"), std::string::npos);
    EXPECT_FALSE(fs::exists(m_kit + "\\antispam\\" + p.token + ".asp")) << "a code is good for one answer";
    EXPECT_EQ(Kit("antispam\\iplist.txt"), "127.0.0.1\n");
    EXPECT_EQ(Kit("antispam\\ipcount.txt"), "1 " + std::to_string(m_clock) + "\n");
}

TEST_F(AspWineTest, UnknownNumberIsNotFound) {
    const Answer a = Show(99).answer;
    SKIP_IF_WINE_LACKS(a);
    EXPECT_EQ(a.status, "404 Not Found") << a;
    EXPECT_NE(a.body.find(kBadRequestText), std::string::npos) << a;
    EXPECT_FALSE(fs::exists(m_kit + "\\antispam\\popups.txt")) << "a pop-up that was not shown was counted";
}

TEST_F(AspWineTest, RevealQuotaRefusesTheNextNumber) {
    m_dir.Write("kit/antispam/kit.ini", "reveal_per_hour = 1\r\n");
    const Popup p = Show(3);
    SKIP_IF_WINE_LACKS(p.answer);
    ASSERT_EQ(p.answer.status, "200 OK") << p.answer;
    const Answer shown = Reply(p.token, Record(p.token)["code"]);
    SKIP_IF_WINE_LACKS(shown);
    ASSERT_EQ(shown.status, "200 OK") << shown;
    // A UTF-8 address: the data file's bytes, decoded as UTF-8, come out as they were.
    EXPECT_NE(shown.body.find(">홍길동@kit-test.invalid</a>"), std::string::npos) << shown;

    const Popup refused = Show(4);
    SKIP_IF_WINE_LACKS(refused.answer);
    EXPECT_EQ(refused.answer.status, "200 OK") << refused.answer;
    EXPECT_NE(refused.answer.body.find(kRevealQuotaText), std::string::npos) << refused.answer;
    EXPECT_EQ(refused.answer.Header("Retry-After"), "3600");
    EXPECT_TRUE(refused.token.empty());
}

} // namespace
