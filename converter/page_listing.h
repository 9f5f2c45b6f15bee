// SPDX-License-Identifier: MIT
// Which files of a site are pages, and the site's pages in scan order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvex {

// True for a file name whose extension (its text from the last ".") is exactly ".html",
// ".HTML", ".htm" or ".HTM".
bool IsPageFileName(std::string_view name);

struct PageFileInfo {
    std::string name;
    uint64_t size = 0;
    int64_t lastWrite = 0; // seconds since 1970-01-01 UTC
};

// The pages directly in dir (sub-folders are not searched), in the file system's order.
// nullopt when dir cannot be read.
std::optional<std::vector<PageFileInfo>> ListPages(const std::string& dir);

struct SitePages {
    std::vector<std::string> pages;          // full paths: home, separator, relative path
    std::vector<std::string> unreadableDirs; // folders that could not be listed
};

// Every page under home, in scan order: home's own pages sorted by name bytewise, then each
// sub-folder in bytewise name order, recursively (depth-first, pre-order). A folder reached a
// second time through a symbolic link is not entered again, nor is any of skipFolders (an
// output folder inside the site, whose converted copies are not the site's pages). nullopt
// when home cannot be read.
std::optional<SitePages> CollectSitePages(const std::string& home, const std::vector<std::string>& skipFolders = {});

struct SiteFiles {
    std::vector<std::string> pages;          // as CollectSitePages lists them
    std::vector<std::string> otherFiles;     // every other file, in the same order
    std::vector<std::string> unreadableDirs; // folders that could not be listed
};

// Every file under home: the pages exactly as CollectSitePages lists them, and the files that
// are not pages (any other name) in the same walk, each folder's sorted by name bytewise.
// nullopt when home cannot be read.
std::optional<SiteFiles> CollectSiteFiles(const std::string& home, const std::vector<std::string>& skipFolders = {});

} // namespace orvex
