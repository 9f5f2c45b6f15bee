// SPDX-License-Identifier: MIT
// The PHP kits on a real Apache with mod_php: a converted examples/site leaks no address to a
// robot, and the pop-up reveals exactly one address for exactly one right code.
#include <gtest/gtest.h>
#include <httplib.h>
#include <iconv.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <map>
#include <regex>

#include "apache_server.h"
#include "run_process.h"
#include "temp_dir.h"

namespace fs = std::filesystem;
using orvex::test::ApacheServer;
using orvex::test::RunProcess;
using orvex::test::Slurp;
using orvex::test::TempDir;

namespace {

struct KitCase {
    const char* image; // orvex-cli --image
    const char* label;
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
}

size_t FirstNonAscii(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (static_cast<unsigned char>(s[i]) >= 0x80)
            return i;
    }
    return std::string::npos;
}

std::string Mailbox(const std::string& address) {
    const size_t at = address.find('@');
    auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("._%+-", c); };
    size_t from = at, to = at + 1;
    while (from > 0 && word(address[from - 1]) && static_cast<unsigned char>(address[from - 1]) < 0x80)
        --from;
    while (to < address.size() && word(address[to]) && static_cast<unsigned char>(address[to]) < 0x80)
        ++to;
    return address.substr(from, to - from);
}

std::string ToUtf8(const std::string& bytes) {
    if (FirstNonAscii(bytes) == std::string::npos)
        return bytes;
    iconv_t cd = iconv_open("UTF-8", "CP949");
    std::string in = bytes, out(bytes.size() * 4, '\0');
    char* ip = in.data();
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    out.resize(out.size() - ol);
    return out;
}

std::string Escape(const std::string& s) {
    std::string out;
    for (const char c : s) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#039;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Unescape(std::string s) {
    const std::pair<const char*, const char*> table[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#039;", "'"}, {"&amp;", "&"}};
    for (const auto& [from, to] : table) {
        for (size_t p = 0; (p = s.find(from, p)) != std::string::npos; p += std::strlen(to))
            s.replace(p, std::strlen(from), to);
    }
    return s;
}

// Lines "N:address:code" of the PHP data file.
std::map<int, std::string> ReadDataFile(const std::string& path) {
    std::map<int, std::string> lines;
    const std::string text = Slurp(path);
    const std::regex line("(\\d+):(.*):(\\d+)\r\n");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator(); ++it)
        lines[std::stoi((*it)[1])] = (*it)[2];
    return lines;
}

struct Popup {
    int status = 0;
    std::string body, token, image;
};

class PhpKitTest : public ::testing::TestWithParam<KitCase> {
protected:
    void SetUp() override {
        const char* root = std::getenv("ORVEX_SOURCE_DIR");
        ASSERT_NE(root, nullptr) << "run through ctest, which sets ORVEX_SOURCE_DIR";
        const std::string src = std::string(root) + "/examples/site";
        m_site = m_dir.Path("site");
        const auto r = RunProcess(ORVEX_CLI_PATH,
                                  {"convert", "--home", src, "--out", m_site, "--kind", "php", "--os", "linux",
                                   "--image", GetParam().image, "--cgidata", ORVEX_CGIDATA_DIR},
                                  m_dir.Path());
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        m_kit = m_site + "/Velmorant";
        // What the converter's permission notes ask the site owner to do.
        fs::permissions(m_kit + "/antispam", fs::perms::all);
        fs::permissions(m_kit + "/antispambmp", fs::perms::all);
        if (fs::exists(m_kit + "/main.exe"))
            fs::permissions(m_kit + "/main.exe", static_cast<fs::perms>(0775));
        WriteFile(m_kit + "/antispam/kit.ini", "token_seconds = 180\nmax_failures = 3\nfailure_window = 600\n"
                                               "block_seconds = 600\n");
        // One more line whose address needs escaping, before the data file's footer.
        std::string data = Slurp(m_kit + "/emaildata.php");
        m_addresses = ReadDataFile(m_kit + "/emaildata.php");
        ASSERT_GE(m_addresses.size(), 5u);
        m_tricky = static_cast<int>(m_addresses.size()) + 1;
        m_addresses[m_tricky] = "o'neil&co<b>@kit-test.invalid";
        data.insert(data.rfind("*/?>"), std::to_string(m_tricky) + ":" + m_addresses[m_tricky] + ":77\r\n");
        WriteFile(m_kit + "/emaildata.php", data);

        m_server = std::make_unique<ApacheServer>(m_site, m_dir.Path());
        ASSERT_TRUE(m_server->Running()) << m_server->ErrorLog();
        m_http = std::make_unique<httplib::Client>("127.0.0.1", m_server->Port());
        // The first request of a page may wait for the server to compile it on a busy machine.
        m_http->set_read_timeout(120, 0);
    }
    void TearDown() override {
        m_http.reset();
        if (m_server) {
            EXPECT_EQ(m_server->ErrorLog().find("PHP "), std::string::npos) << m_server->ErrorLog();
        }
        m_server.reset();
    }

    Popup Open(const std::string& uniq) {
        Popup p;
        auto res = m_http->Get("/Velmorant/antispamin.php?UniqId=" + uniq);
        if (!res)
            return p;
        p.status = res->status;
        p.body = res->body;
        std::smatch m;
        if (std::regex_search(p.body, m, std::regex("name=\"token\" value=\"([0-9a-f]{32})\"")))
            p.token = m[1];
        if (std::regex_search(p.body, m, std::regex("src=\"antispambmp/([0-9a-f]{32})\\.png\"")))
            p.image = m[1];
        return p;
    }
    std::string RecordPath(const std::string& token) const { return m_kit + "/antispam/" + token + ".php"; }
    nlohmann::json Record(const std::string& token) const {
        const std::string text = Slurp(RecordPath(token));
        const auto brace = text.find('{');
        return brace == std::string::npos ? nlohmann::json() : nlohmann::json::parse(text.substr(brace));
    }
    // The code as the server stored it, as a person would read it off the image.
    std::string CodeOf(const Popup& p) const { return Record(p.token).value("code", std::string()); }

    httplib::Result Answer(const std::string& token, const std::string& code) {
        return m_http->Post("/Velmorant/antispamout.php", httplib::Params{{"token", token}, {"code", code}});
    }
    std::string RevealedAddress(const httplib::Result& res) const {
        std::smatch m;
        if (res &&
            std::regex_search(res->body, m, std::regex("<a id=\"address\" href=\"mailto:([^\"]*)\">([^<]*)</a>")))
            return m[1] == m[2] ? Unescape(m[2]) : "(link and text differ)";
        return {};
    }
    // No response may hold the bare part (user@host) of any protected address.
    void ExpectNoAddressIn(const std::string& what, const std::string& body) const {
        for (const auto& [n, address] : m_addresses) {
            // The mailbox alone: the scanner may have taken Korean text or a query around it.
            const std::string core = Mailbox(address);
            ASSERT_GT(core.size(), 4u) << address;
            for (const std::string& s : {core, address, Escape(address)})
                EXPECT_EQ(body.find(s), std::string::npos) << what << " reveals " << s;
        }
    }
    static std::string WrongCode(const std::string& code) {
        std::string wrong = std::to_string((std::stoi(code) + 1) % 10000);
        return std::string(4 - wrong.size(), '0') + wrong;
    }
    void ClearFailureLists() const {
        for (const char* f : {"iplist.txt", "ipcount.txt", "blockiplist.txt", "blockiptime.txt"})
            WriteFile(m_kit + "/antispam/" + f, "");
    }

    TempDir m_dir;
    std::string m_site, m_kit;
    std::map<int, std::string> m_addresses;
    int m_tricky = 0;
    std::unique_ptr<ApacheServer> m_server;
    std::unique_ptr<httplib::Client> m_http;
};

TEST_P(PhpKitTest, RobotFetchingEveryFileFindsNoAddressNorPendingCode) {
    const Popup pending = Open("1"); // a code waits on the server while the robot crawls
    ASSERT_FALSE(pending.token.empty()) << pending.body;
    ASSERT_TRUE(fs::exists(m_kit + "/antispambmp/" + pending.image + ".png"));
    int fetched = 0;
    for (const auto& e : fs::recursive_directory_iterator(m_site)) {
        std::string url = "/" + fs::relative(e.path(), m_site).generic_string() + (e.is_directory() ? "/" : "");
        auto res = m_http->Get(url);
        ASSERT_TRUE(res) << url;
        ++fetched;
        ExpectNoAddressIn(url, res->body);
        EXPECT_EQ(res->body.find("\"code\""), std::string::npos) << url << " shows a pending record";
        EXPECT_EQ(res->body.find(pending.token), std::string::npos) << url << " shows the pending token";
        if (e.is_directory()) {
            EXPECT_EQ(res->body.find(".png"), std::string::npos) << url << " lists pending images";
        }
    }
    EXPECT_GT(fetched, 15);
    // The converted pages do link the pop-up.
    EXPECT_NE(Slurp(m_site + "/contact.htm").find("javascript:AntiSpam("), std::string::npos);
}

TEST_P(PhpKitTest, RightCodeRevealsExactlyThatAddressOnce) {
    for (const int n : {1, 3, m_tricky}) {
        const Popup p = Open(std::to_string(n));
        ASSERT_EQ(p.status, 200) << p.body;
        ASSERT_FALSE(p.token.empty() || p.image.empty()) << p.body;
        ExpectNoAddressIn("pop-up", p.body);
        EXPECT_NE(p.body.find("입력하세요"), std::string::npos);
        auto img = m_http->Get("/Velmorant/antispambmp/" + p.image + ".png");
        ASSERT_TRUE(img);
        EXPECT_EQ(img->status, 200);
        EXPECT_EQ(img->body.substr(1, 3), "PNG");
        const std::string code = CodeOf(p);
        ASSERT_TRUE(std::regex_match(code, std::regex("[0-9]{4}")));

        auto res = Answer(p.token, code);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200) << res->body;
        EXPECT_EQ(RevealedAddress(res), ToUtf8(m_addresses[n])) << res->body;
        // Used code and image are gone.
        EXPECT_FALSE(fs::exists(RecordPath(p.token)));
        EXPECT_FALSE(fs::exists(m_kit + "/antispambmp/" + p.image + ".png"));

        auto again = Answer(p.token, code);
        ASSERT_TRUE(again);
        EXPECT_NE(again->status, 200);
        EXPECT_EQ(RevealedAddress(again), "");
        ExpectNoAddressIn("replay", again->body);
        ClearFailureLists();
    }
    auto res = Answer(Open(std::to_string(m_tricky)).token, "x");
    ClearFailureLists();
    const Popup p = Open(std::to_string(m_tricky));
    res = Answer(p.token, CodeOf(p));
    ASSERT_TRUE(res);
    EXPECT_NE(res->body.find("o&#039;neil&amp;co&lt;b&gt;@kit-test.invalid"), std::string::npos) << res->body;
    EXPECT_EQ(res->body.find("<b>@"), std::string::npos);
}

TEST_P(PhpKitTest, WrongExpiredForeignOrMissingTokensRevealNothing) {
    const Popup p = Open("2");
    const std::string code = CodeOf(p);
    auto res = Answer(p.token, WrongCode(code));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 403);
    EXPECT_EQ(RevealedAddress(res), "");
    ExpectNoAddressIn("wrong code", res->body);
    EXPECT_NE(res->body.find("UniqId=2"), std::string::npos) << "offers a new code";
    // The token died with the wrong guess: the right code no longer helps.
    res = Answer(p.token, code);
    EXPECT_EQ(RevealedAddress(res), "");
    ClearFailureLists();

    // Expired: the record is older than token_seconds.
    const Popup old = Open("2");
    auto record = Record(old.token);
    record["time"] = record["time"].get<long long>() - 181;
    WriteFile(RecordPath(old.token), "<?php exit; ?>\n" + record.dump());
    res = Answer(old.token, record["code"].get<std::string>());
    EXPECT_EQ(RevealedAddress(res), "");
    ExpectNoAddressIn("expired", res->body);

    // A token issued to another client.
    const Popup foreign = Open("2");
    record = Record(foreign.token);
    record["client"] = "192.0.2.7";
    WriteFile(RecordPath(foreign.token), "<?php exit; ?>\n" + record.dump());
    EXPECT_EQ(RevealedAddress(Answer(foreign.token, record["code"].get<std::string>())), "");
    ClearFailureLists();

    // Made-up tokens, a GET of the answer page, unknown or malformed numbers.
    EXPECT_EQ(RevealedAddress(Answer(std::string(32, 'a'), "1234")), "");
    EXPECT_EQ(RevealedAddress(Answer("../emaildata", "1234")), "");
    auto get = m_http->Get("/Velmorant/antispamout.php?token=" + p.token + "&code=" + code);
    ASSERT_TRUE(get);
    EXPECT_EQ(get->status, 405);
    for (const std::string bad : {"0", "999", "abc", "01", "-1", "1%20", ""}) {
        const Popup none = Open(bad);
        EXPECT_EQ(none.status, 404) << bad;
        EXPECT_TRUE(none.token.empty()) << bad;
    }
}

TEST_P(PhpKitTest, RepeatedFailuresBlockTheClientUntilTheBlockEnds) {
    ClearFailureLists();
    for (int i = 1; i <= 3; ++i) {
        const Popup p = Open("4");
        ASSERT_EQ(p.status, 200) << "attempt " << i;
        auto res = Answer(p.token, WrongCode(CodeOf(p)));
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 403);
        EXPECT_EQ(res->body.find("차단") != std::string::npos, i == 3) << "attempt " << i;
        if (i < 3) {
            EXPECT_NE(Slurp(m_kit + "/antispam/ipcount.txt").find(std::to_string(i) + " "), std::string::npos);
        }
    }
    EXPECT_EQ(Slurp(m_kit + "/antispam/blockiplist.txt"), "127.0.0.1\n");
    EXPECT_EQ(Slurp(m_kit + "/antispam/iplist.txt"), "");
    const long long end = std::stoll(Slurp(m_kit + "/antispam/blockiptime.txt"));
    const long long now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    EXPECT_NEAR(end - now, 600, 5);

    // Blocked: no pop-up, and a code handed out before the block does not help either.
    const Popup blocked = Open("4");
    EXPECT_EQ(blocked.status, 403);
    EXPECT_TRUE(blocked.token.empty());

    // The block's time has passed.
    WriteFile(m_kit + "/antispam/blockiptime.txt", std::to_string(now - 1) + "\n");
    const Popup p = Open("4");
    ASSERT_EQ(p.status, 200) << p.body;
    EXPECT_EQ(RevealedAddress(Answer(p.token, CodeOf(p))), ToUtf8(m_addresses[4]));
    EXPECT_EQ(Slurp(m_kit + "/antispam/blockiplist.txt"), "");
}

TEST_P(PhpKitTest, StaleCodesAndImagesArePurged) {
    const Popup p = Open("5");
    const std::string stale = RecordPath(p.token);
    const std::string image = m_kit + "/antispambmp/" + p.image + ".png";
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(stale, old);
    fs::last_write_time(image, old);
    const Popup fresh = Open("5");
    ASSERT_FALSE(fresh.token.empty());
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_FALSE(fs::exists(image));
    EXPECT_TRUE(fs::exists(RecordPath(fresh.token)));
}

INSTANTIATE_TEST_SUITE_P(Kits, PhpKitTest, ::testing::Values(KitCase{"gd", "Gd"}, KitCase{"external", "LinuxExe"}),
                         [](const auto& param) { return std::string(param.param.label); });

} // namespace

namespace {

// Both PHP kits carry the same core; only the image drawing differs.
TEST(PhpKitSources, GdAndLinuxKitsShareOneCore) {
    const std::string root = std::string(ORVEX_CGIDATA_DIR) + "/php/linux/";
    auto core = [](const std::string& text) {
        const auto from = text.find("// ---- kit core");
        const auto to = text.find("// ---- end of kit core ----");
        return from == std::string::npos || to == std::string::npos ? std::string() : text.substr(from, to - from);
    };
    const std::string gd = core(Slurp(root + "gd/gdantispamin.php"));
    ASSERT_GT(gd.size(), 1000u);
    EXPECT_EQ(gd, core(Slurp(root + "exe/linuxantispamin.php")));
    EXPECT_EQ(Slurp(root + "gd/gdantispamout.php"), Slurp(root + "exe/linuxantispamout.php"));
}

} // namespace
