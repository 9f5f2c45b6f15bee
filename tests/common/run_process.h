// SPDX-License-Identifier: MIT
// Running a built program in tests: its exit status, standard output and standard error.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace orvex::test {

struct ProcessResult {
    int status = -1;
    std::string out;
    std::string err;
};

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

inline std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
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

} // namespace orvex::test
