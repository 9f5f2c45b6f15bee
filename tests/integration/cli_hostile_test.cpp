// SPDX-License-Identifier: MIT
// orvex-cli on sites nobody would write on purpose: empty and binary pages, a page of 200 MB,
// pages that cannot be read, link loops, folders nested past the system's path limit, and more
// pages and addresses than the scan table holds. The run must end, say what it refused or could
// not read, and write nothing outside --out.
#include "run_process.h"
#include "temp_dir.h"

#include "platform/native_path.h"
#include "platform/paths.h"
#include "platform/text_codec.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

namespace orvex {
namespace {

namespace fs = std::filesystem;
using namespace std::string_view_literals;

// Generous: the slowest case, the 200 MB page under the sanitizers, takes well under a minute.
constexpr const char* kRunLimitSeconds = "600";

size_t Count(std::string_view text, std::string_view what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string_view::npos; p = text.find(what, p + what.size())) {
        ++n;
    }
    return n;
}

class CliHostile : public ::testing::Test {
protected:
    void SetUp() override {
        m_site = m_work.Path("site");
        m_out = m_work.Path("out");
        fs::create_directories(FsPath(m_site));
        fs::create_directories(FsPath(m_scratch));
    }
#ifndef _WIN32
    void TearDown() override {
        // GNU rm walks trees deeper than the path limit, which std::filesystem cannot.
        std::system(("rm -rf " + test::ShellQuote(m_work.Path())).c_str());
    }
#endif

    std::string Write(std::string_view rel, std::string_view bytes) const {
        return m_work.Write("site/" + std::string(rel), bytes);
    }

#ifndef _WIN32
    // Every path, type, size, mode and modification time under the scratch folder outside --out.
    std::string Snapshot() const {
        const std::string cmd = "find " + test::ShellQuote(m_work.Path()) + " -mindepth 1 -path " +
                                test::ShellQuote(m_out) + " -prune -o -path " + test::ShellQuote(m_scratch) +
                                " -prune -o -printf '%y %s %m %T@ %p\\n' | LC_ALL=C sort > " +
                                test::ShellQuote(m_scratch + "/snapshot");
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        return test::Slurp(m_scratch + "/snapshot");
    }

#endif

    test::ProcessResult Convert() {
        const std::vector<std::string> args = {"convert", "--home", m_site,   "--out", m_out,
                                               "--kind",  "php",    "--name", "id"};
#ifdef _WIN32
        return test::RunProcess(ORVEX_CLI_PATH, args, m_scratch); // CTest's own limit stops a hang
#else
        // timeout(1) turns a hang into a failure instead of a stuck test run.
        std::vector<std::string> timed = {kRunLimitSeconds, ORVEX_CLI_PATH};
        timed.insert(timed.end(), args.begin(), args.end());
        return test::RunProcess("timeout", timed, m_scratch);
#endif
    }
    std::string Site(std::string_view rel) const {
        return JoinPath(m_site, test::NativeRel(rel));
    }
    std::string Out(std::string_view rel) const {
        return test::Slurp(JoinPath(m_out, test::NativeRel(rel)));
    }
    bool OutExists(std::string_view rel) const {
        std::error_code ec;
        return fs::exists(FsPath(JoinPath(m_out, test::NativeRel(rel))), ec);
    }

    test::TempDir m_work;
    std::string m_site;
    std::string m_out;
    std::string m_scratch = m_work.Path("scratch");
};

// The program's own text (its messages) in the platform's narrow encoding.
std::string Program(std::string_view utf8) {
    return ProgramTextFromUtf8(utf8);
}

TEST_F(CliHostile, SurvivesOddPages) {
    Write("empty.html", "");
    // The scanner's text ends at the first NUL byte; the rest is copied as it is.
    // (Not "nul.html": NUL is a device name on Windows, whatever the extension.)
    Write("binary.html", "<p>nul@bin.example</p>\0<p>after@bin.example</p>\0\xFF"sv);
    Write("open-tag.html", "<p>seen@open.example</p><a href=\"mailto:cut@open.example");
    Write("open-anchor.html", "<a href=\"mailto:anchor@open.example\">never closed");
    Write("open-script.html", "<p>seen@open.example</p><script>var a = 'in@script.example';");
    Write("open-comment.html", "<p>seen@open.example</p><!-- hidden@comment.example");
    // Nested, but within the path limit: its page is converted with the right way back up.
    std::string nested;
    for (int i = 0; i < 60; ++i) {
        nested += "n/";
    }
    Write(nested + "nested.html", "<p>nested@deep.example</p>");

    // 200 MB with addresses at both ends and in the middle.
    {
        std::string big = "<p>head@big.example</p>\n";
        const std::string filler = "<p>lorem ipsum dolor sit amet, no address here at all</p>\n";
        while (big.size() < 100u << 20) {
            big += filler;
        }
        big += "<p>middle@big.example</p>\n";
        while (big.size() < 200u << 20) {
            big += filler;
        }
        big += "<p>tail@big.example</p>\n";
        Write("big.html", big);
    }

    const auto r = Convert();
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string big = Out("big.html");
    EXPECT_GT(big.size(), 200u << 20);
    EXPECT_EQ(big.find("@big.example"), std::string::npos);
    EXPECT_EQ(Count(big, "<a href='javascript:AntiSpam("), 3u);
    const std::string nul = Out("binary.html");
    EXPECT_EQ(nul.find("nul@bin.example"), std::string::npos);
    EXPECT_TRUE(nul.ends_with("</p>\0<p>after@bin.example</p>\0\xFF"sv)) << "bytes after the NUL are kept";
    const std::string deep = Out(nested + "nested.html");
    std::string back;
    for (int i = 0; i < 60; ++i) {
        back += "../";
    }
    EXPECT_NE(deep.find("window.open('" + back + "Velmorant/antispamin.php?"), std::string::npos);
    for (const char* page : {"open-tag.html", "open-script.html", "open-comment.html"}) {
        EXPECT_EQ(Out(page).find("seen@open.example"), std::string::npos) << page;
    }
    EXPECT_FALSE(OutExists("empty.html"));
    EXPECT_EQ(Count(r.out, std::string(1, kPathSep) + "nested.html...." + Program("성공")), 1u) << r.out;
}

#ifndef _WIN32
// Makes depth nested folders "dddd" under base with page.html holding an address at the bottom,
// through directory descriptors, since the full path passes what open() accepts.
void MakeDeepTree(const std::string& base, int depth) {
    int fd = ::open(base.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < depth; ++i) {
        ASSERT_EQ(::mkdirat(fd, "dddd", 0755), 0);
        const int next = ::openat(fd, "dddd", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        ASSERT_GE(next, 0);
        fd = next;
    }
    const int page = ::openat(fd, "page.html", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(page, 0);
    const std::string_view text = "<p>bottom@deep.example</p>";
    ASSERT_EQ(::write(page, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(page);
    ::close(fd);
}
#endif

TEST_F(CliHostile, SurvivesAHostileFileSystemAndReportsWhatItCouldNotRead) {
#ifdef _WIN32
    GTEST_SKIP() << "fifos, device files, symbolic links, mode 0 files, names of arbitrary bytes and trees deeper "
                    "than PATH_MAX made through openat are POSIX file-system objects";
#else
    Write("bad\xFF\xFEname.html", "<p>odd@name.example</p>");
    Write("line\nbreak.html", "<p>nl@name.example</p>");
    Write("n/n/nested.html", "<p>nested@deep.example</p>");

    // What cannot be read: a pipe (an ordinary open would wait for a writer for ever), a link
    // to an endless device, a dangling link, a link to itself, and a folder named like a page.
    ASSERT_EQ(::mkfifo((m_site + "/fifo.html").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", m_site + "/zero.html");
    fs::create_symlink("nowhere.html", m_site + "/dangling.html");
    fs::create_symlink("self.html", m_site + "/self.html");
    fs::create_directories(m_site + "/folder.html");
    const bool root = ::geteuid() == 0;
    if (!root) {
        ::chmod(Write("locked.html", "<p>locked@x.example</p>").c_str(), 0);
    }

    // Folder loops, and a link to a folder outside the site, which is scanned but never written.
    fs::create_symlink(".", m_site + "/here");
    fs::create_symlink("..", m_site + "/up");
    fs::create_directories(m_site + "/a");
    fs::create_directories(m_site + "/b");
    fs::create_symlink("../b", m_site + "/a/to-b");
    fs::create_symlink("../a", m_site + "/b/to-a");
    fs::create_symlink("selfdir", m_site + "/selfdir"); // neither page nor folder: passed over
    m_work.Write("elsewhere/outside.html", "<p>outside@else.example</p>");
    fs::create_symlink(m_work.Path("elsewhere"), m_site + "/linked");

    // Past the path limit: its folders cannot be opened by name.
    fs::create_directories(m_site + "/deep");
    MakeDeepTree(m_site + "/deep", 1100);
    if (HasFatalFailure()) {
        return;
    }

    const std::string before = Snapshot();
    const auto r = Convert();
    ASSERT_NE(r.status, 124) << "orvex-cli did not finish";
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Snapshot() == before) << "something outside --out changed";

    // Every page that could not be read is named.
    for (const char* page : {"fifo.html", "zero.html", "self.html"}) {
        EXPECT_NE(r.err.find("/" + std::string(page) + " 을(를) 읽을 수 없습니다."), std::string::npos) << page;
    }
    EXPECT_NE(r.err.find("/dangling.html 을(를) 찾을 수 없음."), std::string::npos);
    if (!root) {
        EXPECT_NE(r.err.find("/locked.html 을(를) 읽을 수 없습니다."), std::string::npos);
    }
    EXPECT_NE(r.err.find("폴더를 읽을 수 없습니다: " + m_site + "/deep/dddd"), std::string::npos);
    EXPECT_EQ(r.err.find("검색하지 않았습니다"), std::string::npos) << "one bad page must not end the scan";

    // The rest is converted.
    EXPECT_EQ(Out("bad\xFF\xFEname.html").find("odd@name.example"), std::string::npos);
    EXPECT_EQ(Out("line\nbreak.html").find("nl@name.example"), std::string::npos);
    EXPECT_NE(Out("linked/outside.html").find("AntiSpam("), std::string::npos);
    EXPECT_FALSE(fs::exists(m_out + "/fifo.html"));
    EXPECT_FALSE(fs::exists(m_out + "/deep"));
    // Each page once, however many ways the loops lead to it.
    EXPECT_EQ(Count(r.out, "/nested.html....성공"), 1u) << r.out;
#endif
}

TEST_F(CliHostile, RefusesPagesPastTheTableCapacity) {
    for (int i = 0; i < 3000; ++i) {
        Write("p/page" + std::to_string(10000 + i) + ".html", "<p>user" + std::to_string(i) + "@many.example</p>");
    }
    const auto r = Convert();
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(Program("검색할 수 있는 페이지 수(2000개)를 넘었습니다. ") + Site("p/page12000.html")),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(Program("1000개 페이지를 검색하지 않았습니다.")), std::string::npos);
    // What was scanned is converted, and only that.
    EXPECT_EQ(Count(r.out, Program("....성공")), 2000u);
    EXPECT_TRUE(OutExists("p/page11999.html"));
    EXPECT_FALSE(OutExists("p/page12000.html"));
    EXPECT_EQ(Count(Out("Velmorant/emaildata.php"), "@many.example:"), 2000u);
}

TEST_F(CliHostile, RefusesAddressesPastTheTableCapacity) {
    // 40 pages of 500: the first 20 fill the table exactly.
    for (int p = 0; p < 40; ++p) {
        std::string page;
        for (int i = 0; i < 500; ++i) {
            page += "<p>u" + std::to_string(p * 500 + i) + "@lots.example</p>\n";
        }
        Write("page" + std::to_string(10 + p) + ".html", page);
    }
    const auto r = Convert();
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(Program("검색할 수 있는 이메일 주소 수(10000개)를 넘었습니다. ") + Site("page30.html")),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(Program("20개 페이지를 검색하지 않았습니다.")), std::string::npos);
    EXPECT_EQ(Count(r.out, Program("....성공")), 20u);
    EXPECT_EQ(Count(Out("Velmorant/emaildata.php"), "@lots.example:"), 10000u);
    EXPECT_FALSE(OutExists("page30.html"));
}

} // namespace
} // namespace orvex
