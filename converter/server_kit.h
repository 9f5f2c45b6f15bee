// SPDX-License-Identifier: MIT
// The server kit of a self-hosted site: the kit folder "Velmorant" with its scripts and image
// generator copied from the CgiData folder, the folders the scripts write into with their seed
// files, and the three default images at the root of the converted site.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvex {

inline constexpr std::string_view kKitFolderName = "Velmorant";
inline constexpr std::string_view kCgiDataFolderName = "CgiData";

// One file a kit copies, as the kit table names it: destination relative to the kit folder,
// source relative to the folder that holds CgiData, both with "\" between names.
struct KindFile {
    std::string_view destination;
    std::string_view source;
};

// The kind files of a server kind (kCgiPhp..kCgiPerl), image method and server OS, in copy
// order; empty for a combination the kits do not serve.
std::vector<KindFile> KindFiles(int32_t cgiKind, bool gd, int32_t serverOs);

// The permission notes shown after a run (UTF-8, CR LF line ends).
std::string PermissionNotes(int32_t cgiKind, bool gd, int32_t serverOs);

// What a kit could not get. Copies and folder creations go on past these; reporting them keeps an incomplete
// kit from passing as a finished one. Paths are program text.
struct KitProblems {
    std::vector<std::string> missing; // sources that do not exist
    std::vector<std::string> failed;  // destinations that could not be written
    bool Empty() const { return missing.empty() && failed.empty(); }
};

// The log lines naming every problem (program text, CR LF), empty when there is none.
std::string DescribeKitProblems(const KitProblems& problems);

// The kit folder of an output folder.
std::string KitFolderPath(std::string_view outputDir);

// A kit-table path ("CgiData\php\...") under cgiDataDir, with the platform's separators.
std::string KitSourcePath(std::string_view cgiDataDir, std::string_view tableSource);

// Creates the kit folder, copies the default images into the output folder, creates the
// antispam and antispambmp folders and copies the seed files of cgiDataDir/antispam.
void PrepareKitFolder(const std::string& outputDir, const std::string& cgiDataDir, KitProblems& problems);

// Creates or empties the four IP list files of the JSP kit in the kit's antispam folder.
void CreateJspIpFiles(const std::string& kitFolder, KitProblems& problems);

// Copies the kind files into the kit folder (for JSP after creating its class folders).
void CopyKindFiles(const std::string& kitFolder, const std::string& cgiDataDir, int32_t cgiKind, bool gd,
                   int32_t serverOs, KitProblems& problems);

} // namespace orvex
