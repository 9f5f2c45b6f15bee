// SPDX-License-Identifier: MIT
// The server kit tables and the copies they drive.
#include "converter/server_kit.h"

#include "converter/page_rewriter.h"
#include "converter/settings.h"
#include "converter/texts.h"
#include "platform/file_system.h"
#include "platform/native_path.h"
#include "platform/output_file.h"
#include "platform/paths.h"
#include "platform/text_codec.h"

#include <filesystem>

namespace orvex {

namespace {

namespace fs = std::filesystem;

enum class Method { Gd, External, Any };
enum class Os { Windows, Linux, Any };

struct KindFileRow {
    int32_t kind;
    Method method;
    Os os;
    KindFile file;
};

constexpr KindFileRow kKindFileRows[] = {
    {kCgiPhp, Method::Gd, Os::Any, {"makeimg.php", "CgiData\\php\\linux\\gd\\makeimg.php"}},
    {kCgiPhp, Method::Gd, Os::Any, {"numfont.inc", "CgiData\\php\\linux\\gd\\numfont.inc"}},
    {kCgiPhp, Method::Gd, Os::Any, {"antispamin.php", "CgiData\\php\\linux\\gd\\gdantispamin.php"}},
    {kCgiPhp, Method::Gd, Os::Any, {"antispamout.php", "CgiData\\php\\linux\\gd\\gdantispamout.php"}},
    {kCgiPhp, Method::External, Os::Windows, {"main.exe", "CgiData\\php\\window\\winmain.exe"}},
    {kCgiPhp, Method::External, Os::Windows, {"antispamin.php", "CgiData\\php\\window\\winantispamin.php"}},
    {kCgiPhp, Method::External, Os::Windows, {"antispamout.php", "CgiData\\php\\window\\winantispamout.php"}},
    {kCgiPhp, Method::External, Os::Linux, {"main.exe", "CgiData\\php\\linux\\exe\\linuxmain.exe"}},
    {kCgiPhp, Method::External, Os::Linux, {"antispamin.php", "CgiData\\php\\linux\\exe\\linuxantispamin.php"}},
    {kCgiPhp, Method::External, Os::Linux, {"antispamout.php", "CgiData\\php\\linux\\exe\\linuxantispamout.php"}},
    {kCgiAsp, Method::External, Os::Windows, {"antispamin.asp", "CgiData\\asp\\antispamin.asp"}},
    {kCgiAsp, Method::External, Os::Windows, {"antispamout.asp", "CgiData\\asp\\antispamout.asp"}},
    {kCgiAsp, Method::External, Os::Windows, {"GetPng.dll", "CgiData\\asp\\GetPng.dll"}},
    {kCgiAsp, Method::External, Os::Windows, {"global.asa", "CgiData\\asp\\global.asa"}},
    {kCgiJsp, Method::External, Os::Any, {"antispamin.jsp", "CgiData\\jsp\\antispamin.jsp"}},
    {kCgiJsp, Method::External, Os::Any, {"antispamout.jsp", "CgiData\\jsp\\antispamout.jsp"}},
    {kCgiJsp,
     Method::External,
     Os::Any,
     {"WEB-INF\\classes\\png\\MakePngBean.class", "CgiData\\jsp\\WEB-INF\\classes\\png\\MakePngBean.class"}},
    {kCgiJsp,
     Method::External,
     Os::Any,
     {"WEB-INF\\classes\\png\\PngEncoderB.class", "CgiData\\jsp\\WEB-INF\\classes\\png\\PngEncoderB.class"}},
    {kCgiJsp,
     Method::External,
     Os::Any,
     {"WEB-INF\\classes\\png\\com\\keypoint\\PngEncoder.class",
      "CgiData\\jsp\\WEB-INF\\classes\\png\\com\\keypoint\\PngEncoder.class"}},
    {kCgiJsp,
     Method::External,
     Os::Any,
     {"WEB-INF\\classes\\png\\com\\keypoint\\PngEncoderB.class",
      "CgiData\\jsp\\WEB-INF\\classes\\png\\com\\keypoint\\PngEncoderB.class"}},
    {kCgiPerl, Method::External, Os::Windows, {"antispamin.pl", "CgiData\\Perl\\window\\antispamin.pl"}},
    {kCgiPerl, Method::External, Os::Windows, {"antispamout.pl", "CgiData\\Perl\\window\\antispamout.pl"}},
    {kCgiPerl, Method::External, Os::Windows, {"main.exe", "CgiData\\Perl\\window\\main.exe"}},
    {kCgiPerl, Method::External, Os::Linux, {"antispamin.pl", "CgiData\\Perl\\linux\\antispamin.pl"}},
    {kCgiPerl, Method::External, Os::Linux, {"antispamout.pl", "CgiData\\Perl\\linux\\antispamout.pl"}},
    {kCgiPerl, Method::External, Os::Linux, {"main.exe", "CgiData\\Perl\\linux\\linuxmain.exe"}},
};

constexpr std::string_view kDefaultImages[] = {"VelmorantDefaultImg1.gif", "VelmorantDefaultImg2.gif",
                                               "VelmorantDefaultImg3.gif"};

constexpr std::string_view kJspIpFiles[] = {"blockiplist.txt", "blockiptime.txt", "ipcount.txt", "iplist.txt"};

// The kit table's "\" separators as the platform's.
std::string NativeSeparators(std::string_view tablePath) {
    std::string s(tablePath);
    for (char& c : s) {
        if (c == '\\') {
            c = kPathSep;
        }
    }
    return s;
}

void CopyOne(const std::string& source, const std::string& destination, KitProblems& problems) {
    switch (CopyFileReplacing(source, destination)) {
    case FileCopy::Ok:
        break;
    case FileCopy::SourceMissing:
        problems.missing.push_back(source);
        break;
    case FileCopy::Failed:
        problems.failed.push_back(destination);
        break;
    }
}

void CreateFolder(const std::string& path, KitProblems& problems) {
    std::error_code ec;
    fs::create_directory(FsPath(path), ec);
    if (!fs::is_directory(FsPath(path), ec)) {
        problems.failed.push_back(path);
    }
}

} // namespace

std::vector<KindFile> KindFiles(int32_t cgiKind, bool gd, int32_t serverOs) {
    // GD is offered for PHP only; the other kinds always run their own component.
    if (gd && cgiKind != kCgiPhp) {
        return {};
    }
    const Method method = gd ? Method::Gd : Method::External;
    std::vector<KindFile> files;
    for (const KindFileRow& row : kKindFileRows) {
        const bool osMatches = row.os == Os::Any || (row.os == Os::Windows && serverOs == kOsWindows) ||
                               (row.os == Os::Linux && serverOs == kOsLinux);
        if (row.kind == cgiKind && row.method == method && osMatches) {
            files.push_back(row.file);
        }
    }
    return files;
}

std::string PermissionNotes(int32_t cgiKind, bool gd, int32_t serverOs) {
    std::string notes;
    const auto add = [&notes](std::string_view note) { notes += note; };
    switch (cgiKind) {
    case kCgiPhp:
        if (gd) {
            add(texts::kNote1);
            add(texts::kNote2);
            if (serverOs == kOsLinux) {
                add(texts::kNote3);
                add(texts::kNote4);
            }
        } else if (serverOs == kOsWindows) {
            add(texts::kNote3);
            add(texts::kNote5);
        } else if (serverOs == kOsLinux) {
            add(texts::kNote3);
            add(texts::kNote4);
        }
        break;
    case kCgiAsp:
        if (!gd && serverOs == kOsWindows) {
            add(texts::kNote6);
        }
        break;
    case kCgiJsp:
        if (!gd) {
            add(texts::kNote7);
        }
        break;
    case kCgiPerl:
        add(texts::kNote8);
        break;
    default:
        break;
    }
    return notes;
}

std::string DescribeKitProblems(const KitProblems& problems) {
    std::string text;
    if (!problems.missing.empty()) {
        text += ProgramTextFromUtf8(texts::kKitSourcesMissing);
        for (const std::string& path : problems.missing) {
            text += "  " + path + "\r\n";
        }
    }
    if (!problems.failed.empty()) {
        text += ProgramTextFromUtf8(texts::kKitCopiesFailed);
        for (const std::string& path : problems.failed) {
            text += "  " + path + "\r\n";
        }
    }
    return text;
}

std::string KitFolderPath(std::string_view outputDir) {
    std::string path(outputDir);
    path += kPathSep;
    path += kKitFolderName;
    return path;
}

std::string KitSourcePath(std::string_view cgiDataDir, std::string_view tableSource) {
    std::string_view rest = tableSource;
    const std::string prefix = std::string(kCgiDataFolderName) + "\\";
    if (rest.substr(0, prefix.size()) == prefix) {
        rest.remove_prefix(prefix.size());
    }
    return JoinPath(cgiDataDir, NativeSeparators(rest));
}

void PrepareKitFolder(const std::string& outputDir, const std::string& cgiDataDir, KitProblems& problems) {
    const std::string kit = KitFolderPath(outputDir);
    CreateFolder(kit, problems);
    for (const std::string_view image : kDefaultImages) {
        CopyOne(JoinPath(cgiDataDir, image), JoinPath(outputDir, image), problems);
    }
    const std::string antispam = JoinPath(kit, "antispam");
    CreateFolder(antispam, problems);
    CreateFolder(JoinPath(kit, "antispambmp"), problems);

    const std::string seeds = JoinPath(cgiDataDir, "antispam");
    const auto entries = ListDirectory(seeds);
    if (!entries) {
        problems.missing.push_back(seeds);
        return;
    }
    for (const DirEntry& entry : *entries) {
        if (!entry.isDirectory) {
            CopyOne(JoinPath(seeds, entry.name), JoinPath(antispam, entry.name), problems);
        }
    }
}

void CreateJspIpFiles(const std::string& kitFolder, KitProblems& problems) {
    const std::string antispam = JoinPath(kitFolder, "antispam");
    for (const std::string_view name : kJspIpFiles) {
        const std::string path = JoinPath(antispam, name);
        OutputFile f;
        if (!f.Open(path) || !f.Close()) {
            problems.failed.push_back(path);
        }
    }
}

void CopyKindFiles(const std::string& kitFolder, const std::string& cgiDataDir, int32_t cgiKind, bool gd,
                   int32_t serverOs, KitProblems& problems) {
    const std::vector<KindFile> files = KindFiles(cgiKind, gd, serverOs);
    if (files.empty()) {
        return;
    }
    if (cgiKind == kCgiJsp) {
        CreatePathDirs(JoinPath(kitFolder, NativeSeparators("WEB-INF\\classes\\png\\com\\keypoint\\")));
    }
    for (const KindFile& file : files) {
        CopyOne(KitSourcePath(cgiDataDir, file.source), JoinPath(kitFolder, NativeSeparators(file.destination)),
                problems);
    }
}

} // namespace orvex
