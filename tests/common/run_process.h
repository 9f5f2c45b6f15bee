// SPDX-License-Identifier: MIT
// Running a built program in tests: its exit status, standard output and standard error.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN // without winsock.h, which the winsock2.h of the tests' HTTP library refuses
#endif
#include <windows.h>
#endif

#include "platform/native_path.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace orvex::test {

struct ProcessResult {
    int status = -1; // the exit code; -1 when it did not start, or (POSIX) ended by a signal
    std::string out;
    std::string err;
};

// path made absolute, in the platform's form: a Unix path handed to a test under wine (the
// source tree's, say) becomes one the programs it starts read the same way whatever their
// working directory.
inline std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    auto full = std::filesystem::absolute(FsPath(path), ec);
    return ec ? path : PathText(full.make_preferred());
}

// Standard output of a program that writes a log, as the tests compare it: with LF line ends.
// On Windows the log's own CR LF reach the stream byte for byte (binary mode) and are folded
// here; a CR that a text-mode stream doubled would be left standing, and is reported.
inline std::string LogLines(const std::string& out) {
#ifdef _WIN32
    std::string lf;
    for (size_t i = 0; i < out.size(); ++i) {
        if (!(out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n')) {
            lf += out[i];
        }
    }
    EXPECT_EQ(out.find("\r\r\n"), std::string::npos) << "standard output in text mode";
    return lf;
#else
    return out;
#endif
}

inline std::string Slurp(const std::string& path) {
    std::ifstream f(FsPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Sets or removes a variable of this process's environment, which the programs it starts inherit.
inline void SetEnv(const std::string& name, const std::string& value) {
#ifdef _WIN32
    ::_putenv_s(name.c_str(), value.c_str());
#else
    ::setenv(name.c_str(), value.c_str(), 1);
#endif
}

inline void UnsetEnv(const std::string& name) {
#ifdef _WIN32
    ::_putenv_s(name.c_str(), ""); // an empty value removes the variable there
#else
    ::unsetenv(name.c_str());
#endif
}

#ifdef _WIN32

// One argument as the C runtime's command-line parser splits it back: quoted when it holds a
// blank or a quote or is empty; backslashes doubled only where they precede a quote.
inline std::wstring QuoteArgument(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return arg;
    }
    std::wstring q = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        q.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        q += c;
    }
    q.append(backslashes * 2, L'\\');
    return q + L"\"";
}

namespace detail {

struct Handle {
    HANDLE h = nullptr;
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Close(); }
    void Close() {
        if (h != nullptr && h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
        }
        h = nullptr;
    }
};

// A pipe whose write end the child inherits and whose read end stays here.
inline bool MakePipe(Handle& read, Handle& write) {
    SECURITY_ATTRIBUTES sa{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (!CreatePipe(&read.h, &write.h, &sa, 0)) {
        return false;
    }
    return SetHandleInformation(read.h, HANDLE_FLAG_INHERIT, 0) != 0;
}

inline void Drain(HANDLE h, std::string& into) {
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) {
        into.append(buf, got);
    }
}

} // namespace detail

// Runs program with args, standard input from NUL, standard output and error through pipes.
// A program given with a folder is made absolute first, so that workDir does not change which
// program runs. scratch is not needed here.
inline ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                                const std::string& /*scratch*/, const std::string& workDir = "") {
    ProcessResult r;
    std::wstring exe = WideFromProgramText(program);
    if (exe.find_first_of(L"\\/") != std::wstring::npos) {
        std::error_code ec;
        auto full = std::filesystem::absolute(std::filesystem::path(exe), ec);
        if (!ec) {
            exe = full.make_preferred().native();
        }
    }
    std::wstring commandLine = QuoteArgument(exe);
    for (const auto& a : args) {
        commandLine += L' ';
        commandLine += QuoteArgument(WideFromProgramText(a));
    }
    detail::Handle outRead, outWrite, errRead, errWrite, nul;
    if (!detail::MakePipe(outRead, outWrite) || !detail::MakePipe(errRead, errWrite)) {
        return r;
    }
    SECURITY_ATTRIBUTES sa{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    nul.h = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nul.h;
    si.hStdOutput = outWrite.h;
    si.hStdError = errWrite.h;
    PROCESS_INFORMATION pi{};
    const std::wstring dir = WideFromProgramText(workDir);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi)) {
        return r;
    }
    // Only the child holds the write ends now, so the reads end when it does.
    outWrite.Close();
    errWrite.Close();
    std::thread errReader([&] { detail::Drain(errRead.h, r.err); });
    detail::Drain(outRead.h, r.out);
    errReader.join();
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(pi.hProcess, &code)) {
        r.status = static_cast<int>(code);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return r;
}

#else

inline std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (const char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

// Runs program with args, standard input from /dev/null, capturing into files under scratch.
inline ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                                const std::string& scratch, const std::string& workDir = "") {
    std::string cmd;
    if (!workDir.empty())
        cmd += "cd " + ShellQuote(workDir) + " && ";
    cmd += ShellQuote(program);
    for (const auto& a : args)
        cmd += " " + ShellQuote(a);
    const std::string outPath = scratch + "/.stdout";
    const std::string errPath = scratch + "/.stderr";
    cmd += " </dev/null >" + ShellQuote(outPath) + " 2>" + ShellQuote(errPath);
    ProcessResult r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = Slurp(outPath);
    r.err = Slurp(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    return r;
}

#endif

} // namespace orvex::test
