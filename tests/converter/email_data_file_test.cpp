// SPDX-License-Identifier: MIT
// The e-mail data file of each server kind, byte for byte, and when an address may go into it.
#include "converter/email_data_file.h"

#include "converter/settings.h"
#include "platform/paths.h"
#include "scan_helpers.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace orvex {
namespace {

struct FormatCase {
    int32_t kind;
    std::string_view fileName;
    std::string_view empty;   // a run without a converted address
    std::string_view oneLine; // number 12, kim@ex.com, page code 345
};

// PHP opens with the long tag: a server with short tags off would serve "<?" files as text.
constexpr FormatCase kFormats[] = {
    {kCgiPhp, "emaildata.php", "<?php /*\r\n*/?>", "<?php /*\r\n12:kim@ex.com:345\r\n*/?>"},
    {kCgiAsp, "emaildata.asp", "<%''\r\n%>''", "<%''\r\n'12'kim@ex.com'345\r\n%>''"},
    {kCgiJsp, "emaildata.jsp", "<%\r\n%>", "<%\r\n//12//kim@ex.com//345\r\n%>"},
    {kCgiPerl, "emaildata.pl", "", "#12#kim@ex.com#345\r\n"},
};

class EmailDataFileTest : public ::testing::Test {
protected:
    std::string Path(std::string_view name) const { return m_dir.Path(name); }
    test::TempDir m_dir;
};

TEST_F(EmailDataFileTest, WrappingAndLinePerKind) {
    for (const FormatCase& c : kFormats) {
        SCOPED_TRACE(c.fileName);
        EXPECT_EQ(EmailDataFormatFor(c.kind).fileName, c.fileName);
        EmailDataWriter writer;
        ASSERT_TRUE(writer.Open(Path(c.fileName), c.kind));
        writer.AddLine(12, "kim@ex.com", "345");
        EXPECT_TRUE(writer.Close());
        EXPECT_EQ(m_dir.Read(c.fileName), c.oneLine);
        // A run without a converted address; the earlier file is truncated.
        ASSERT_TRUE(writer.Open(Path(c.fileName), c.kind));
        EXPECT_TRUE(writer.Close());
        EXPECT_EQ(m_dir.Read(c.fileName), c.empty);
        EXPECT_TRUE(std::filesystem::exists(Path(c.fileName)));
    }
}

TEST_F(EmailDataFileTest, LinesFollowEachOtherAndAddressesAreNotTouched) {
    EmailDataWriter writer;
    ASSERT_TRUE(writer.Open(Path("emaildata.pl"), kCgiPerl));
    // Korean bytes, upper case and the kind's own separator go in as they stand.
    writer.AddLine(1, "\xB1\xE8Kim@EX.com", "0");
    writer.AddLine(2, "a#b@ex.com", "32767");
    EXPECT_TRUE(writer.Close());
    EXPECT_EQ(m_dir.Read("emaildata.pl"), "#1#\xB1\xE8Kim@EX.com#0\r\n#2#a#b@ex.com#32767\r\n");
}

TEST_F(EmailDataFileTest, OpenFailsWhereNoFileCanBeMade) {
    m_dir.Write("Velmorant", "a file in the kit folder's place");
    EmailDataWriter writer;
    EXPECT_FALSE(writer.Open(Path("Velmorant") + kPathSep + "emaildata.php", kCgiPhp));
    writer.AddLine(1, "a@b.c", "9"); // harmless on a writer that did not open
    EXPECT_FALSE(writer.Close());
}

TEST_F(EmailDataFileTest, CloseReportsWritesThatDidNotReachTheDisk) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full on this system";
    }
    EmailDataWriter writer;
    ASSERT_TRUE(writer.Open("/dev/full", kCgiPhp));
    writer.AddLine(1, "a@b.c", "9");
    EXPECT_FALSE(writer.Close());
}

TEST(AddressFitsDataFile, RefusesWhatWouldEndTheWrapping) {
    struct Case {
        int32_t kind;
        std::string_view address;
        bool fits;
    };
    const Case cases[] = {
        {kCgiPhp, "a*/b@ex.com", false}, {kCgiPhp, "a*b/@ex.com", true},   {kCgiPhp, "a%>b@ex.com", true},
        {kCgiAsp, "a%>b@ex.com", false}, {kCgiAsp, "a*/b@ex.com", true},   {kCgiJsp, "a%>b@ex.com", false},
        {kCgiJsp, "a*/b@ex.com", true},  {kCgiPerl, "a*/%>@ex.com", true}, {kCgiPhp, "kim@ex.com*/", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AddressFitsDataFile(c.kind, c.address), c.fits) << c.kind << " " << c.address;
    }
}

TEST(AddressFitsDataFile, JspRefusesUnicodeEscapesThatEndTheComment) {
    // The scanner stops an address at neither "\\" nor ";", so a page can hand this one over.
    const std::vector<test::Found> found = test::Scan("<p>a@b\\u000aSystem.exit(0);//</p>");
    ASSERT_EQ(found.size(), 1u);
    const std::string& address = found[0].address;
    ASSERT_EQ(address, "a@b\\u000aSystem.exit(0);//");
    // javac turns a backslash-u000a escape into a line end before it looks for comments, so in the
    // JSP data file the line's "//" comment would end there and the rest would run as Java.
    EXPECT_FALSE(AddressFitsDataFile(kCgiJsp, address));
    EXPECT_FALSE(AddressFitsDataFile(kCgiJsp, "x@y.z\\u000d;"));
    EXPECT_FALSE(AddressFitsDataFile(kCgiJsp, "x@y.z\\uuu000A"));
}

} // namespace
} // namespace orvex
