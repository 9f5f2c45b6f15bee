// SPDX-License-Identifier: MIT
// Which files of a site are pages, and the site's pages in scan order.
#include "converter/page_listing.h"

#include "platform/file_system.h"
#include "platform/paths.h"

#include <algorithm>
#include <set>

namespace orvex {

bool IsPageFileName(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    const std::string_view ext = name.substr(dot);
    return ext == ".html" || ext == ".HTML" || ext == ".htm" || ext == ".HTM";
}

std::optional<std::vector<PageFileInfo>> ListPages(const std::string& dir) {
    auto entries = ListDirectory(dir);
    if (!entries) {
        return std::nullopt;
    }
    std::vector<PageFileInfo> pages;
    for (auto& e : *entries) {
        if (!e.isDirectory && IsPageFileName(e.name)) {
            pages.push_back({std::move(e.name), e.size, e.lastWrite});
        }
    }
    return pages;
}

namespace {

// Pages (and, with others, the other files) of dir and its sub-folders, in site order.
void CollectFolder(const std::string& dir, const std::vector<DirEntry>& entries, std::set<std::string>& visited,
                   std::vector<std::string>& pagesOut, std::vector<std::string>* othersOut,
                   std::vector<std::string>& unreadableDirs) {
    std::vector<std::string> pages;
    std::vector<std::string> others;
    std::vector<std::string> folders;
    for (const auto& e : entries) {
        if (e.isDirectory) {
            folders.push_back(e.name);
        } else if (IsPageFileName(e.name)) {
            pages.push_back(e.name);
        } else if (othersOut != nullptr) {
            others.push_back(e.name);
        }
    }
    std::sort(pages.begin(), pages.end());
    std::sort(others.begin(), others.end());
    std::sort(folders.begin(), folders.end());
    for (const auto& p : pages) {
        pagesOut.push_back(JoinPath(dir, p));
    }
    for (const auto& o : others) {
        othersOut->push_back(JoinPath(dir, o));
    }
    for (const auto& f : folders) {
        const std::string sub = JoinPath(dir, f);
        const auto identity = FileIdentityKey(sub);
        if (!identity) {
            unreadableDirs.push_back(sub);
            continue;
        }
        if (!visited.insert(*identity).second) {
            continue; // a link back into a folder already walked
        }
        const auto subEntries = ListDirectory(sub, ListDetail::TypeOnly);
        if (!subEntries) {
            unreadableDirs.push_back(sub);
            continue;
        }
        CollectFolder(sub, *subEntries, visited, pagesOut, othersOut, unreadableDirs);
    }
}

// Walks home as CollectFolder does; false when home cannot be read.
bool CollectHome(const std::string& home, const std::vector<std::string>& skipFolders, std::vector<std::string>& pages,
                 std::vector<std::string>* others, std::vector<std::string>& unreadableDirs) {
    const auto entries = ListDirectory(home, ListDetail::TypeOnly);
    if (!entries) {
        return false;
    }
    std::set<std::string> visited;
    if (const auto identity = FileIdentityKey(home)) {
        visited.insert(*identity);
    }
    // Counted as walked already.
    for (const auto& skip : skipFolders) {
        if (const auto identity = FileIdentityKey(skip)) {
            visited.insert(*identity);
        }
    }
    CollectFolder(home, *entries, visited, pages, others, unreadableDirs);
    return true;
}

} // namespace

std::optional<SitePages> CollectSitePages(const std::string& home, const std::vector<std::string>& skipFolders) {
    SitePages out;
    if (!CollectHome(home, skipFolders, out.pages, nullptr, out.unreadableDirs)) {
        return std::nullopt;
    }
    return out;
}

std::optional<SiteFiles> CollectSiteFiles(const std::string& home, const std::vector<std::string>& skipFolders) {
    SiteFiles out;
    if (!CollectHome(home, skipFolders, out.pages, &out.otherFiles, out.unreadableDirs)) {
        return std::nullopt;
    }
    return out;
}

} // namespace orvex
