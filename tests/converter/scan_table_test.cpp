// SPDX-License-Identifier: MIT
// The scan table as a cache of pages, the entry operations, and its capacities.
#include "converter/scan_table.h"

#include "converter/texts.h"
#include "platform/paths.h"
#include "platform/text_codec.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace orvex {
namespace {

class ScanTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_settings.m_strHomeDir = m_dir.Path();
        m_table = std::make_unique<ScanTable>();
    }
    // Every test leaves the table consistent: each page's entries point back at it, pages are
    // contiguous and in order, and the counts add up.
    void TearDown() override {
        int32_t total = 0;
        for (int32_t p = 0; p < m_table->PageCount(); ++p) {
            const PageRecord& page = m_table->Page(p);
            ASSERT_EQ(page.m_pFirstEntry, &m_table->Entry(0) + total);
            for (int32_t i = 0; i < page.m_nEntryCount; ++i) {
                ASSERT_EQ(page.m_pFirstEntry[i].m_pPage, &page);
                ASSERT_EQ(page.m_pFirstEntry[i].m_strPagePath, page.m_strPath);
            }
            total += page.m_nEntryCount;
        }
        ASSERT_EQ(total, m_table->EntryTotal());
    }
    std::string Page(std::string_view rel, std::string_view bytes) { return m_dir.Write(rel, bytes); }
    ScanResult Scan(const std::string& path, int32_t check = 0) { return m_table->LookupOrScanPage(path, check); }

    test::TempDir m_dir;
    ConverterSettings m_settings;
    std::unique_ptr<ScanTable> m_table;
};

constexpr std::string_view kTwoAddresses =
    "<a href='mailto:kim@ex.com'>Kim</a> lee@ex.com <area href='mailto:m@ex.com'>";

TEST_F(ScanTableTest, ScanFillsEntries) {
    const std::string path = Page("a.html", kTwoAddresses);
    const ScanResult r = Scan(path, 1);
    ASSERT_EQ(r.status, ScanStatus::Ok);
    ASSERT_EQ(r.count, 3);
    const EmailEntry* e = r.first;
    EXPECT_EQ(e[0].m_nKind, EntryKind::Anchor);
    EXPECT_EQ(e[0].m_nGap, 0);
    EXPECT_EQ(e[0].m_nSpanEnd, 35);
    EXPECT_EQ(e[0].m_strBeforeName, "Kim");
    EXPECT_EQ(e[1].m_nKind, EntryKind::Text);
    EXPECT_EQ(e[1].m_nGap, 1);
    EXPECT_EQ(SpanStart(e, 1), 36u);
    EXPECT_EQ(e[1].m_strAfterName, Cp949FromUtf8(texts::kTextEntryName));
    EXPECT_EQ(e[2].m_strAfterName, Cp949FromUtf8(texts::kAreaEntryName));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(e[i].m_bChecked, 1);
        EXPECT_EQ(e[i].m_bChanged, 0);
    }
    EXPECT_EQ(m_table->Page(0).m_bModified, 0);
    EXPECT_EQ(m_table->Page(0).m_strEncoding, "CP949");
}

TEST_F(ScanTableTest, UtfPageGetsNamesInUtf8) {
    const ScanResult r = Scan(Page("u.html", "<meta charset=\"utf-8\"> kim@ex.com"));
    ASSERT_EQ(r.count, 1);
    EXPECT_EQ(r.first->m_strBeforeName, texts::kTextEntryName);
    EXPECT_EQ(r.first->m_pPage->m_strEncoding, "UTF-8");
}

TEST_F(ScanTableTest, SecondRequestReturnsTheEditedEntries) {
    const std::string path = Page("a.html", kTwoAddresses);
    const ScanResult first = Scan(path);
    SetEntryName(first.first[1], "edited");
    // The file changes on disk; the cache does not look at it again.
    Page("a.html", "nothing here");
    const ScanResult again = Scan(path);
    EXPECT_EQ(again.first, first.first);
    EXPECT_EQ(again.count, 3);
    EXPECT_EQ(again.first[1].m_strAfterName, "edited");
    EXPECT_EQ(m_table->PageCount(), 1);
#ifdef _WIN32
    EXPECT_EQ(Scan(path.substr(0, path.size() - 6) + "A.HTML").first, first.first);
    EXPECT_EQ(m_table->PageCount(), 1);
#endif
}

TEST_F(ScanTableTest, ResetScansAgain) {
    const std::string path = Page("a.html", kTwoAddresses);
    Scan(path);
    Page("a.html", "only x@y.z");
    m_table->ResetScanTable();
    EXPECT_EQ(m_table->FindPage(path), -1);
    const ScanResult r = Scan(path);
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.first, &m_table->Entry(0));
}

TEST_F(ScanTableTest, PageWithoutAddressesStillGetsARecord) {
    const ScanResult empty = Scan(Page("empty.html", ""));
    const ScanResult plain = Scan(Page("plain.html", "<p>no mail</p>"));
    const ScanResult next = Scan(Page("b.html", "x@y.z"));
    EXPECT_EQ(empty.count, 0);
    EXPECT_EQ(plain.count, 0);
    EXPECT_EQ(empty.first, next.first);
    EXPECT_EQ(plain.first, next.first);
    EXPECT_EQ(m_table->PageCount(), 3);
}

TEST_F(ScanTableTest, UnreadablePageAddsNoRecord) {
    const ScanResult r = Scan(m_dir.Path("missing.html"));
    EXPECT_EQ(r.status, ScanStatus::OpenFailed);
    EXPECT_NE(r.message.find(ProgramTextFromUtf8("missing.html 을(를) 찾을 수 없음.")), std::string::npos);
    EXPECT_EQ(m_table->PageCount(), 0);
}

TEST_F(ScanTableTest, DefaultNamesFollowDepthAndFlag) {
    const ScanResult top = Scan(Page("a.html", kTwoAddresses));
    const ScanResult deep = Scan(Page(std::string("d") + kPathSep + "e" + kPathSep + "b.html", "x@y.z"));
    ApplyDefaultName(top.first[0], 1, m_settings);
    ApplyDefaultName(deep.first[0], 1, m_settings);
    EXPECT_EQ(top.first[0].m_strAfterName, m_settings.m_strDefaultName1);
    EXPECT_EQ(deep.first[0].m_strAfterName, "<img src='../../VelmorantDefaultImg1.gif' border=0>");
    m_settings.m_strDefaultName2 = "\xB8\xDE\xC0\xCF"; // CP949 "메일"
    m_settings.m_bDefaultIsText2 = 1;
    ApplyDefaultName(deep.first[0], 2, m_settings);
    EXPECT_EQ(deep.first[0].m_strAfterName, "\xB8\xDE\xC0\xCF");
    for (const EmailEntry* e : {&top.first[0], &deep.first[0]}) {
        EXPECT_EQ(e->m_bChecked, 1);
        EXPECT_EQ(e->m_bChanged, 1);
        EXPECT_EQ(e->m_pPage->m_bModified, 1);
    }
}

TEST_F(ScanTableTest, DefaultNameIsConvertedForUtf8Pages) {
    const ScanResult r = Scan(Page("u.html", "<meta charset=utf-8> x@y.z"));
    m_settings.m_strDefaultName3 = "\xB8\xDE\xC0\xCF";
    m_settings.m_bDefaultIsText3 = 1;
    ApplyDefaultName(r.first[0], 3, m_settings);
    EXPECT_EQ(r.first[0].m_strAfterName, "메일");
}

TEST_F(ScanTableTest, AreaNamesNeverChangeButAreaIsChecked) {
    const ScanResult r = Scan(Page("a.html", kTwoAddresses));
    EmailEntry& area = r.first[2];
    const std::string before = area.m_strAfterName;
    ApplyDefaultName(area, 1, m_settings);
    ApplyIdName(area);
    SetEntryName(area, "typed");
    EXPECT_EQ(area.m_strAfterName, before);
    EXPECT_EQ(area.m_bChecked, 1);
    EXPECT_EQ(area.m_bChanged, 1);
    EXPECT_EQ(m_table->Page(0).m_bModified, 1);
}

TEST_F(ScanTableTest, IdRevertAndChecks) {
    const ScanResult r = Scan(Page("a.html", kTwoAddresses));
    EmailEntry& e = r.first[1];
    SetEntryCheck(e, false);
    EXPECT_EQ(m_table->Page(0).m_bModified, 0); // unchecking does not modify
    SetEntryCheck(e, true);
    EXPECT_EQ(m_table->Page(0).m_bModified, 1);
    ApplyIdName(e);
    EXPECT_EQ(e.m_strAfterName, "lee");
    RevertEntry(e);
    EXPECT_EQ(e.m_strAfterName, e.m_strBeforeName);
    EXPECT_EQ(e.m_bChecked, 0);
    EXPECT_EQ(e.m_bChanged, 0);
    EXPECT_EQ(m_table->Page(0).m_bModified, 1);
}

TEST_F(ScanTableTest, RevertMarksAnUnmodifiedPage) {
    const ScanResult r = Scan(Page("a.html", kTwoAddresses));
    RevertEntry(r.first[0]);
    EXPECT_EQ(m_table->Page(0).m_bModified, 1);
}

TEST_F(ScanTableTest, PageCapacityIsRefused) {
    const std::string path = Page("a.html", "x@y.z");
    const std::string other = Page("b.html", "x@y.z");
    // The same page file under 2000 different names (paths differ by a "./" step).
    std::string p = m_dir.Path();
    for (int i = 0; i < kMaxPages; ++i) {
        ASSERT_EQ(Scan(p + kPathSep + "a.html").status, ScanStatus::Ok) << i;
        p += kPathSep;
        p += '.';
    }
    EXPECT_EQ(m_table->PageCount(), kMaxPages);
    const ScanResult r = Scan(other);
    EXPECT_EQ(r.status, ScanStatus::PageCapacity);
    EXPECT_NE(r.message.find("b.html"), std::string::npos);
    EXPECT_EQ(m_table->PageCount(), kMaxPages);
    EXPECT_EQ(m_table->EntryTotal(), kMaxPages);
    // Pages already in the table are still returned.
    EXPECT_EQ(Scan(m_dir.Path() + kPathSep + "a.html").count, 1);
    (void)path;
}

TEST_F(ScanTableTest, EntryCapacityIsRefusedWholePage) {
    std::string many;
    for (int i = 0; i < 6000; ++i)
        many += "a@b.c ";
    const std::string a = Page("a.html", many);
    const std::string b = Page("b.html", many);
    const std::string small = Page("c.html", "x@y.z");
    ASSERT_EQ(Scan(a).count, 6000);
    const ScanResult r = Scan(b);
    EXPECT_EQ(r.status, ScanStatus::EntryCapacity);
    EXPECT_EQ(m_table->EntryTotal(), 6000);
    EXPECT_EQ(m_table->PageCount(), 1);
    // A page that fits what is left is still taken.
    EXPECT_EQ(Scan(small).count, 1);
    std::string exact;
    for (int i = 0; i < kMaxEntries - 6001; ++i)
        exact += "a@b.c ";
    EXPECT_EQ(Scan(Page("d.html", exact)).status, ScanStatus::Ok);
    EXPECT_EQ(m_table->EntryTotal(), kMaxEntries);
    EXPECT_EQ(Scan(Page("e.html", "x@y.z")).status, ScanStatus::EntryCapacity);
    EXPECT_EQ(Scan(Page("f.html", "none")).status, ScanStatus::Ok);
}

} // namespace
} // namespace orvex
