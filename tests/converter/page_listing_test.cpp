// SPDX-License-Identifier: MIT
// Which files are pages, and the order a site's pages are scanned in.
#include "converter/page_listing.h"

#include "platform/paths.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace orvex {
namespace {

TEST(PageListing, ExtensionsAreCaseSensitive) {
    for (const char* yes : {"a.html", "a.HTML", "a.htm", "a.HTM", ".html", "x.y.htm"}) {
        EXPECT_TRUE(IsPageFileName(yes)) << yes;
    }
    for (const char* no : {"a.Html", "a.hTm", "a.html.bak", "html", "a.shtml", "a.php"}) {
        EXPECT_FALSE(IsPageFileName(no)) << no;
    }
}

TEST(PageListing, ListsPagesOfOneFolderOnly) {
    test::TempDir dir;
    dir.Write("a.html", "12");
    dir.Write("b.Htm", "x");
    dir.Write("sub/c.html", "x");
    std::filesystem::create_directory(dir.Path("folder.html"));
    const auto pages = ListPages(dir.Path());
    ASSERT_TRUE(pages.has_value());
    ASSERT_EQ(pages->size(), 1u);
    EXPECT_EQ((*pages)[0].name, "a.html");
    EXPECT_EQ((*pages)[0].size, 2u);
}

TEST(PageListing, SiteOrderIsSortedPreOrder) {
    test::TempDir dir;
    for (const char* rel :
         {"z.html", "b.htm", "B.html", "d2/x.html", "d1/y.html", "d1/sub/w.html", "d1/a.html", "d1/notes.txt"}) {
        dir.Write(rel, "");
    }
    const auto site = CollectSitePages(dir.Path());
    ASSERT_TRUE(site.has_value());
    std::vector<std::string> rel;
    for (const auto& p : site->pages) {
        std::string r = p.substr(dir.Path().size() + 1);
        std::replace(r.begin(), r.end(), kPathSep, '/');
        rel.push_back(r);
    }
    const std::vector<std::string> want = {"B.html",    "b.htm",         "z.html",   "d1/a.html",
                                           "d1/y.html", "d1/sub/w.html", "d2/x.html"};
    EXPECT_EQ(rel, want);
    EXPECT_TRUE(site->unreadableDirs.empty());
}

TEST(PageListing, SiteFilesAddTheOtherFilesInTheSameWalk) {
    test::TempDir dir;
    for (const char* rel : {"z.html", "b.txt", "a.Html", "d1/y.htm", "d1/notes.txt", "d1/sub/w.css", "out/x.txt"}) {
        dir.Write(rel, "");
    }
    const auto site = CollectSiteFiles(dir.Path(), {dir.Path("out")});
    ASSERT_TRUE(site.has_value());
    const auto rel = [&](const std::vector<std::string>& paths) {
        std::vector<std::string> out;
        for (std::string p : paths) {
            p = p.substr(dir.Path().size() + 1);
            std::replace(p.begin(), p.end(), kPathSep, '/');
            out.push_back(p);
        }
        return out;
    };
    EXPECT_EQ(rel(site->pages), (std::vector<std::string>{"z.html", "d1/y.htm"}));
    EXPECT_EQ(rel(site->otherFiles), (std::vector<std::string>{"a.Html", "b.txt", "d1/notes.txt", "d1/sub/w.css"}));
    EXPECT_EQ(site->pages, CollectSitePages(dir.Path(), {dir.Path("out")})->pages);
    EXPECT_FALSE(CollectSiteFiles(dir.Path("nope")).has_value());
}

#ifndef _WIN32
TEST(PageListing, LinkLoopsAreWalkedOnce) {
    test::TempDir dir;
    dir.Write("d/a.html", "");
    std::filesystem::create_directory_symlink(dir.Path("d"), dir.Path("d/loop"));
    std::filesystem::create_directory_symlink(dir.Path("."), dir.Path("top"));
    const auto site = CollectSitePages(dir.Path());
    ASSERT_TRUE(site.has_value());
    EXPECT_EQ(site->pages.size(), 1u);
}

TEST(PageListing, UnreadableFolderIsReported) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads every folder";
    }
    test::TempDir dir;
    dir.Write("locked/a.html", "");
    dir.Write("b.html", "");
    std::filesystem::permissions(dir.Path("locked"), std::filesystem::perms::none);
    const auto site = CollectSitePages(dir.Path());
    ASSERT_TRUE(site.has_value());
    EXPECT_EQ(site->pages.size(), 1u);
    EXPECT_EQ(site->unreadableDirs.size(), 1u);
}
#endif

TEST(PageListing, MissingHome) {
    test::TempDir dir;
    EXPECT_FALSE(CollectSitePages(dir.Path("nope")).has_value());
}

} // namespace
} // namespace orvex
