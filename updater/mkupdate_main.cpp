// SPDX-License-Identifier: MIT
// mkupdate: builds an update package from a list of commands and files, and prints the MD5
// line that the update host publishes as its checksum file.
#include "crypto/md5.h"
#include "platform/file_system.h"
#include "platform/native_path.h"
#include "platform/output_file.h"
#include "platform/process.h"
#include "updater/package_writer.h"
#include "updater/version_check.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1; // the list or a file in it cannot make a package
constexpr int kExitUsage = 2;

struct Options {
    uint32_t version = 0;
    std::string listPath;
    std::string packagePath;
};

const char* const kUsage = "usage: mkupdate [--version N] LIST PACKAGE\n"
                           "  LIST     one command a line: md PATH | rd PATH | del PATH | write PATH SOURCE\n"
                           "           PATH is ae:\\... (installation folder) or id:\\... (idn folder)\n"
                           "  PACKAGE  the package file to write; its MD5 line goes to standard output\n";

bool ParseArgs(const std::vector<std::string>& args, Options& options) {
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--version" && i + 1 < args.size()) {
            const int v = orvex::ParseAtoi(args[++i]);
            if (v < 0 || args[i].empty() || args[i].find_first_not_of("0123456789") != std::string::npos) {
                return false;
            }
            options.version = static_cast<uint32_t>(v);
        } else if (!args[i].empty() && args[i][0] == '-') {
            return false;
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 2) {
        return false;
    }
    options.listPath = positional[0];
    options.packagePath = positional[1];
    return true;
}

} // namespace

int main(int argc, char** argv) {
    orvex::UseBinaryStandardStreams();
    Options options;
    if (!ParseArgs(std::vector<std::string>(argv + 1, argv + argc), options)) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    std::string list;
    if (!orvex::ReadFileBytes(options.listPath, list)) {
        std::fprintf(stderr, "mkupdate: cannot read %s\n", options.listPath.c_str());
        return kExitRefused;
    }
    const std::string baseDir = orvex::PathText(orvex::FsPath(options.listPath).parent_path());
    std::vector<orvex::PackageEntry> entries;
    std::string error;
    if (!orvex::ParsePackageList(list, baseDir.empty() ? "." : baseDir, entries, error)) {
        std::fprintf(stderr, "mkupdate: %s: %s\n", options.listPath.c_str(), error.c_str());
        return kExitRefused;
    }
    orvex::PackageWords words;
    words.first = options.version;
    for (const auto& e : entries) {
        words.second += e.kind == orvex::PackageEntry::Kind::Write ? 1 : 0;
    }
    std::string package;
    if (!orvex::BuildPackage(entries, words, package, error)) {
        std::fprintf(stderr, "mkupdate: %s: %s\n", options.listPath.c_str(), error.c_str());
        return kExitRefused;
    }
    if (!orvex::WriteFileReplacing(options.packagePath, package)) {
        std::fprintf(stderr, "mkupdate: cannot write %s\n", options.packagePath.c_str());
        return kExitRefused;
    }
    std::printf("%s\n", orvex::Md5HexOfBuffer(package.data(), package.size()).c_str());
    return kExitOk;
}
