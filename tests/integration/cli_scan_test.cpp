// SPDX-License-Identifier: MIT
// orvex-cli scan through the built binary.
#include "platform/native_path.h"
#include "platform/text_codec.h"
#include "run_process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <sstream>

namespace orvex {
namespace {

class CliScan : public ::testing::Test {
protected:
    test::ProcessResult Run(std::vector<std::string> args) {
        return test::RunProcess(ORVEX_CLI_PATH, args, m_scratch.Path());
    }
    std::vector<std::string> Lines(const std::string& s) {
        std::vector<std::string> out;
        std::istringstream in(s);
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }
    test::TempDir m_site;
    test::TempDir m_scratch;
};

TEST_F(CliScan, PlainLinesInScanOrder) {
    m_site.Write("index.html", "<a href=\"mailto:kim@ex.com\">Kim</a>\r\nlee@ex.com");
    // A folder name in the platform's narrow encoding; the lines give it in UTF-8.
    const std::string folder = test::NonAsciiName() + " dir";
    m_site.Write(folder + "/b.htm", "<area href='mailto:m@ex.com'>");
    m_site.Write("a.HTM", "park@ex.com");
    m_site.Write("skip.Html", "no@ex.com");
    const auto r = Run({"scan", "--home", m_site.Path()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto lines = Lines(r.out);
    const std::vector<std::string> want = {
        "a.HTM\ttext\t0\t11\tpark@ex.com",
        "index.html\tanchor\t0\t35\tkim@ex.com",
        "index.html\ttext\t37\t47\tlee@ex.com",
        Utf8FromProgramText(folder) + "/b.htm\tarea\t6\t28\tm@ex.com",
    };
    EXPECT_EQ(lines, want);
}

TEST_F(CliScan, JsonDecodesThePageEncoding) {
    // CP949 page: name "김", and addresses next to Korean text and an invalid byte (neither is taken in).
    m_site.Write("k.html", "<a href='mailto:kim@ex.com'>\xB1\xE8</a> lee@ex.com\xB4\xD4 \xFF@x.y");
    m_site.Write("u.html", "<meta charset=\"utf-8\"><a href='mailto:a@b.c'>메일</a>");
    const auto r = Run({"scan", "--home", m_site.Path() + "/", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], R"({"page":"k.html","kind":"anchor","start":0,"end":34,"address":"kim@ex.com","name":"김"})");
    const auto second = nlohmann::json::parse(lines[1]);
    EXPECT_EQ(second["address"], "lee@ex.com");
    EXPECT_EQ(second["name"], "여기를 클릭하여 수정하십시오");
    EXPECT_EQ(nlohmann::json::parse(lines[2])["address"], "@x.y");
    EXPECT_EQ(nlohmann::json::parse(lines[3])["name"], "메일");
}

TEST_F(CliScan, BadArgumentsExitTwo) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"scan"}, {"scan", "--home"}, {"frob", "--home", "x"}, {"scan", "--home", "x", "--what"}}) {
        const auto r = Run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("orvex-cli: "), std::string::npos);
        EXPECT_EQ(r.out, "");
    }
    const auto missing = Run({"scan", "--home", m_site.Path("nope")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("nope"), std::string::npos);
}

TEST_F(CliScan, ArgumentErrorsNameTheOptionForItsCommand) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"scan", "--home", "x", "--out", "y"}, "알 수 없는 옵션입니다: --out"},
        {{"clean-server", "--home", "x"}, "알 수 없는 옵션입니다: --home"},
        {{"convert", "--home", "x", "--yes"}, "알 수 없는 옵션입니다: --yes"},
        {{"convert", "--home", "x", "--out"}, "--out 옵션에 값이 없습니다"},
        {{"convert", "--home", "x", "--os", "beos"}, "--os 옵션의 값이 올바르지 않습니다: beos"},
        {{"convert", "--home", "x", "--out", "y", "--image", "external"},
         "convert 에는 --out DIR 과 --kind 가 필요합니다"},
        {{"convert", "--home", "x", "--out", "y", "--kind", "jsp", "--image", "gd"},
         "--image gd 는 --kind php 에서만 쓸 수 있습니다"},
    };
    for (const auto& [args, message] : cases) {
        const auto r = Run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "orvex-cli: " + ProgramTextFromUtf8(message))
            << ::testing::PrintToString(args);
    }
}

TEST_F(CliScan, UnreadablePageIsNamedAndTheRestScanned) {
    m_site.Write("a.html", "x@y.z");
    m_site.Write("c.html", "p@q.r");
#ifdef _WIN32
    // Held open by another without sharing: it cannot be opened until let go.
    const std::string locked = m_site.Write("b.html", "m@n.o");
    const HANDLE hold = CreateFileW(WideFromProgramText(locked).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    const auto r = Run({"scan", "--home", m_site.Path()});
    CloseHandle(hold);
    const std::string_view message = "b.html 을(를) 읽을 수 없습니다.";
#else
    // A link that leads nowhere.
    std::filesystem::create_symlink(m_site.Path("gone"), m_site.Path("b.html"));
    const auto r = Run({"scan", "--home", m_site.Path()});
    const std::string_view message = "b.html 을(를) 찾을 수 없음.";
#endif
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.out).size(), 2u);
    EXPECT_NE(r.err.find(ProgramTextFromUtf8(message)), std::string::npos) << r.err;
}

TEST_F(CliScan, BundledExampleSite) {
    const char* src = std::getenv("ORVEX_SOURCE_DIR");
    ASSERT_NE(src, nullptr);
    const auto r = Run({"scan", "--home", test::AbsolutePath(std::string(src) + "/examples/site"), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::map<std::string, int> kinds;
    for (const auto& line : Lines(r.out)) {
        const auto j = nlohmann::json::parse(line);
        kinds[j["kind"]]++;
        // The decoys must never be found.
        EXPECT_EQ(j["address"].get<std::string>().find("decoy"), std::string::npos) << line;
    }
    EXPECT_GT(kinds["text"], 0);
    EXPECT_GT(kinds["anchor"], 0);
    EXPECT_GT(kinds["area"], 0);
}

} // namespace
} // namespace orvex
