// SPDX-License-Identifier: MIT
// Download and verification against a real update host on 127.0.0.1, into a real folder.
#include "updater/package_download.h"

#include "package_helpers.h"
#include "service_double.h"
#include "temp_dir.h"
#include "update_host_double.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace orvex {
namespace {

using test::UpdateHostDouble;

// A package whose header announces n bytes after it, with body bytes after it.
std::string Framed(uint32_t n, const std::string& body) {
    std::string bytes;
    AppendWord(bytes, n);
    AppendWord(bytes, 1234);
    return bytes + body;
}

class DownloadTest : public ::testing::Test {
protected:
    DownloadTest() : m_host(m_log) {}

    DownloadResult Download() {
        return DownloadPackage(m_host.PackageUrl(), m_host.Url(UpdateHostDouble::kChecksumPath), PackagePath());
    }
    // Serves package with its right checksum line.
    void Serve(const std::string& package) {
        m_host.SetPackage(package);
        m_host.SetChecksum(test::Md5Line(package) + "\n");
    }
    std::string PackagePath() const { return m_dir.Path("autoupcab.tmp"); }
    std::string Stored() const { return m_dir.Read("autoupcab.tmp"); }

    test::EventLog m_log;
    UpdateHostDouble m_host;
    test::TempDir m_dir;
};

TEST_F(DownloadTest, StoresTheExactBytesAndVerifiesThem) {
    std::string body(3 * 4096 + 5, '\0');
    std::generate(body.begin(), body.end(), [n = 0]() mutable { return static_cast<char>(n++ * 31); });
    const std::string package = Framed(static_cast<uint32_t>(body.size()), body);
    Serve(package);
    m_dir.Write("autoupcab.tmp", std::string(100000, 'o')); // an older, longer package is replaced
    ASSERT_EQ(Download(), DownloadResult::Ok);
    EXPECT_EQ(Stored(), package);
}

TEST_F(DownloadTest, EmptyBodyAfterTheHeaderIsAPackageOfNoBytes) {
    Serve(Framed(0, ""));
    EXPECT_EQ(Download(), DownloadResult::Ok);
}

TEST_F(DownloadTest, LengthOffByOneIsRejectedAndTheFileKept) {
    for (const uint32_t announced : {9u, 11u}) {
        const std::string package = Framed(announced, "0123456789");
        Serve(package);
        EXPECT_EQ(Download(), DownloadResult::LengthMismatch) << announced;
        EXPECT_EQ(Stored(), package);
    }
}

TEST_F(DownloadTest, ShortResponsesLeaveTheFileUntouched) {
    m_dir.Write("autoupcab.tmp", "earlier package");
    for (const std::string answer : {"", "1", "1234567"}) {
        Serve(answer);
        EXPECT_EQ(Download(), DownloadResult::ShortHeader) << answer.size();
        EXPECT_EQ(Stored(), "earlier package");
    }
    std::filesystem::remove(PackagePath());
    Serve("1234567");
    EXPECT_EQ(Download(), DownloadResult::ShortHeader);
    EXPECT_FALSE(std::filesystem::exists(PackagePath()));
}

TEST_F(DownloadTest, InternetErrorsKeepWhatWasWritten) {
    const std::string package = Framed(20000, std::string(20000, 'p'));
    m_host.Set(UpdateHostDouble::kPackagePath, 200, package, 9000);
    m_host.SetChecksum(test::Md5Line(package));
    EXPECT_EQ(Download(), DownloadResult::InternetError);
    EXPECT_EQ(Stored(), package.substr(0, 9000));

    m_dir.Write("autoupcab.tmp", "earlier package");
    m_host.Set(UpdateHostDouble::kPackagePath, 404, Framed(4, "page"));
    EXPECT_EQ(Download(), DownloadResult::InternetError); // an error page is never stored
    EXPECT_EQ(Stored(), "earlier package");

    m_host.Set(UpdateHostDouble::kPackagePath, 200, package, 5); // broken inside the header
    EXPECT_EQ(Download(), DownloadResult::InternetError);
    EXPECT_EQ(Stored(), "earlier package");
}

TEST_F(DownloadTest, UnreachableOrMalformedPackageAddress) {
    test::ClosingServer closing;
    for (const std::string& url : {"http://" + closing.Host() + "/p", std::string("http://127.0.0.1:1/p"),
                                   std::string(""), std::string("ftp://127.0.0.1/p")}) {
        EXPECT_EQ(DownloadPackage(url, m_host.Url(UpdateHostDouble::kChecksumPath), PackagePath()),
                  DownloadResult::InternetError)
            << url;
    }
    EXPECT_FALSE(std::filesystem::exists(PackagePath()));
}

TEST_F(DownloadTest, FileThatCannotBeCreated) {
    Serve(Framed(2, "ab"));
    EXPECT_EQ(DownloadPackage(m_host.PackageUrl(), m_host.Url(UpdateHostDouble::kChecksumPath),
                              m_dir.Path("missing/autoupcab.tmp")),
              DownloadResult::FileError);
}

TEST_F(DownloadTest, PublishedDigestMustMatchByteForByte) {
    const std::string package = Framed(3, "abc");
    const std::string digest = test::Md5Line(package);
    std::string upper = digest;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return static_cast<char>(std::toupper(c)); });
    const struct {
        std::string checksum;
        DownloadResult result;
    } cases[] = {
        {digest, DownloadResult::Ok},
        {digest + "\n", DownloadResult::Ok},
        {digest + "\r\n", DownloadResult::Ok},
        {digest + "\nsecond line", DownloadResult::Ok},
        {upper + "\n", DownloadResult::ChecksumMismatch},
        {digest + " \n", DownloadResult::ChecksumMismatch},
        {digest + " ", DownloadResult::ChecksumMismatch},
        {" " + digest, DownloadResult::ChecksumMismatch},
        {"", DownloadResult::ChecksumMismatch},
        {"\n", DownloadResult::ChecksumMismatch},
        {digest.substr(0, 31), DownloadResult::ChecksumMismatch},
    };
    m_host.SetPackage(package);
    for (const auto& c : cases) {
        m_host.SetChecksum(c.checksum);
        EXPECT_EQ(Download(), c.result) << '"' << c.checksum << '"';
        EXPECT_EQ(Stored(), package); // a mismatch keeps the file
    }
}

TEST_F(DownloadTest, ChecksumFileMissing) {
    const std::string package = Framed(3, "abc");
    m_host.SetPackage(package);
    m_host.Set(UpdateHostDouble::kChecksumPath, 404, test::Md5Line(package));
    EXPECT_EQ(Download(), DownloadResult::ChecksumUnavailable);
    EXPECT_EQ(Stored(), package);
}

} // namespace
} // namespace orvex
