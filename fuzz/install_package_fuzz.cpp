// SPDX-License-Identifier: MIT
// InstallPackage on arbitrary package files, in a sandbox that is laid anew for every input:
//
//   scratch/outer/keep.txt, scratch/outer/sentinel/...   never touched
//   scratch/outer/mid/keep.txt                           never touched
//   scratch/outer/mid/box/ae/                            the installation folder ("ae:"), with the package
//   scratch/outer/mid/box/sys/idn/                       the idn folder ("id:"), made when needed
//
// Whatever the package says, every change stays inside box/; everything else under scratch is
// compared with its snapshot after each run. The package file is deleted exactly when it installs.
//
// An input whose first byte is odd is the stored package itself, header and zlib stream as they
// come. Otherwise the rest is the decompressed data (free words, L, command text, file data),
// stored here with a true header, so that mutations reach the command parser instead of
// breaking the stream.
#include "fuzz_support.h"
#include "platform/native_path.h"
#include "updater/package_installer.h"

#include <zlib.h>

#include <map>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// Every entry under root except those under skip: relative path -> "dir" or the file's bytes.
std::map<std::string, std::string> Snapshot(const fs::path& root, const fs::path& skip) {
    std::map<std::string, std::string> tree;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->path() == skip) {
            tree[it->path().lexically_relative(root).string()] = it->is_directory() ? "dir" : "not a dir";
            it.disable_recursion_pending();
            continue;
        }
        const fs::file_status st = it->symlink_status();
        std::string what = fs::is_directory(st) ? "dir" : fs::is_regular_file(st) ? "file:" : "other";
        if (fs::is_regular_file(st)) {
            what += orvex::fuzz::ReadScratchFile(it->path());
        }
        tree[it->path().lexically_relative(root).string()] = what;
    }
    FUZZ_CHECK(!ec);
    return tree;
}

struct Sandbox {
    fs::path scratch;
    fs::path box;
    fs::path installDir;
    fs::path idnDir;
    std::map<std::string, std::string> outside;

    Sandbox() : scratch(orvex::fuzz::Scratch::Dir() / "install") {
        box = scratch / "outer" / "mid" / "box";
        installDir = box / "ae";
        idnDir = box / "sys" / "idn";
        fs::create_directories(scratch / "outer" / "sentinel" / "sub");
        orvex::fuzz::WriteScratchFile(scratch / "outer" / "keep.txt", "outer");
        orvex::fuzz::WriteScratchFile(scratch / "outer" / "sentinel" / "a.txt", "sentinel");
        orvex::fuzz::WriteScratchFile(scratch / "outer" / "sentinel" / "sub" / "b.txt", "sub");
        fs::create_directories(box);
        orvex::fuzz::WriteScratchFile(scratch / "outer" / "mid" / "keep.txt", "mid");
        outside = Snapshot(scratch, box);
    }

    // The installation folder with a file and a folder of its own, and the package in it.
    fs::path Reset(std::string_view package) {
        std::error_code ec;
        fs::remove_all(box, ec);
        FUZZ_CHECK(!ec);
        fs::create_directories(installDir / "data");
        orvex::fuzz::WriteScratchFile(installDir / "orvex.exe", "program");
        orvex::fuzz::WriteScratchFile(installDir / "data" / "a.dat", "data");
        fs::create_directories(idnDir.parent_path());
        const fs::path packagePath = installDir / std::string(orvex::kPackageFileName);
        orvex::fuzz::WriteScratchFile(packagePath, package);
        return packagePath;
    }
};

std::string StoredPackage(const uint8_t* data, size_t size) {
    const std::string_view input = orvex::fuzz::AsText(data, size);
    if (input.empty() || (input[0] & 1) != 0) {
        return std::string(input.substr(input.empty() ? 0 : 1));
    }
    const std::string_view plain = input.substr(1);
    uLongf length = compressBound(static_cast<uLong>(plain.size()));
    std::string compressed(length, '\0');
    FUZZ_CHECK(compress(reinterpret_cast<Bytef*>(compressed.data()), &length,
                        reinterpret_cast<const Bytef*>(plain.data()), static_cast<uLong>(plain.size())) == Z_OK);
    compressed.resize(length);
    std::string package;
    orvex::AppendWord(package, static_cast<uint32_t>(compressed.size()));
    orvex::AppendWord(package, static_cast<uint32_t>(plain.size()));
    return package + compressed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Sandbox sandbox;
    const fs::path packagePath = sandbox.Reset(StoredPackage(data, size));
    const orvex::InstallLocations where{orvex::PathText(sandbox.installDir), orvex::PathText(sandbox.idnDir)};

    const orvex::InstallResult result = orvex::InstallPackage(orvex::PathText(packagePath), where);

    FUZZ_CHECK(Snapshot(sandbox.scratch, sandbox.box) == sandbox.outside);
    std::error_code ec;
    FUZZ_CHECK(fs::exists(packagePath, ec) == (result != orvex::InstallResult::Ok));
    return 0;
}
