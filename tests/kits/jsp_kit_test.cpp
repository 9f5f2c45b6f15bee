// SPDX-License-Identifier: MIT
// The JSP kit on a real Tomcat (the kit folder deployed as its own web application): a converted examples/site leaks no
// address to a robot, and the pop-up reveals exactly one address for exactly one right code.
#include <gtest/gtest.h>
#include <httplib.h>
#include <iconv.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <regex>

#include "run_process.h"
#include "temp_dir.h"
#include "tomcat_server.h"

namespace fs = std::filesystem;
using orvex::test::RunProcess;
using orvex::test::Slurp;
using orvex::test::TempDir;
using orvex::test::TomcatServer;

namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
}

// The bare mailbox (user@host) of an address the scanner may have taken with text around it.
std::string Mailbox(const std::string& address) {
    const size_t at = address.find('@');
    auto word = [](char c) {
        return static_cast<unsigned char>(c) < 0x80 &&
               (std::isalnum(static_cast<unsigned char>(c)) || std::strchr("._%+-", c));
    };
    size_t from = at, to = at + 1;
    while (from > 0 && word(address[from - 1]))
        --from;
    while (to < address.size() && word(address[to]))
        ++to;
    return address.substr(from, to - from);
}

std::string ToUtf8(const std::string& bytes) {
    bool ascii = true;
    for (const char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
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

// Lines "//N//address//code" of the JSP data file.
std::map<int, std::string> ReadDataFile(const std::string& path) {
    std::map<int, std::string> lines;
    const std::string text = Slurp(path);
    const std::regex line("//(\\d+)//(.*)//(\\d+)\r\n");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator(); ++it)
        lines[std::stoi((*it)[1])] = (*it)[2];
    return lines;
}

// A pending record: "key=value" lines.
using Record = std::map<std::string, std::string>;

Record ParseRecord(const std::string& text) {
    Record r;
    const std::regex line("(\\w+)=([^\n]*)\n");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator(); ++it)
        r[(*it)[1]] = (*it)[2];
    return r;
}

std::string FormatRecord(const Record& r) {
    std::string text;
    for (const auto& [key, value] : r)
        text += key + "=" + value + "\n";
    return text;
}

struct Popup {
    int status = 0;
    std::string body, token, image;
};

class JspKitTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* root = std::getenv("ORVEX_SOURCE_DIR");
        ASSERT_NE(root, nullptr) << "run through ctest, which sets ORVEX_SOURCE_DIR";
        const std::string src = std::string(root) + "/examples/site";
        m_site = m_dir.Path("site");
        if (!orvex::test::TomcatInstalled())
            GTEST_SKIP() << "Tomcat 10 (tomcat10-common) is not installed";
        const auto r = RunProcess(
            ORVEX_CLI_PATH,
            {"convert", "--home", src, "--out", m_site, "--kind", "jsp", "--cgidata", ORVEX_CGIDATA_DIR}, m_dir.Path());
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        m_kit = m_site + "/Velmorant";
        ASSERT_TRUE(fs::exists(m_kit + "/WEB-INF/classes/png/MakePngBean.class")) << r.out << r.err;
        WriteFile(m_kit + "/antispam/kit.ini", "token_seconds = 180\nmax_failures = 3\nfailure_window = 600\n"
                                               "block_seconds = 600\n");
        const std::string data = Slurp(m_kit + "/emaildata.jsp");
        ASSERT_TRUE(data.starts_with("<%\r\n") && data.ends_with("%>")) << data;
        m_addresses = ReadDataFile(m_kit + "/emaildata.jsp");
        ASSERT_GE(m_addresses.size(), 5u);
        // One more line whose address needs escaping, before the footer.
        m_tricky = static_cast<int>(m_addresses.size()) + 1;
        m_addresses[m_tricky] = "o'neil&co<b>@kit-test.invalid";
        WriteFile(m_kit + "/emaildata.jsp", data.substr(0, data.size() - 2) + "//" + std::to_string(m_tricky) + "//" +
                                                m_addresses[m_tricky] + "//77\r\n%>");

        // The site at the root and the kit folder as the web application /Velmorant, whose
        // WEB-INF holds the classes and the pending codes.
        m_server = std::make_unique<TomcatServer>(
            std::vector<std::pair<std::string, std::string>>{{"", m_site}, {"/Velmorant", m_kit}}, m_dir.Path());
        ASSERT_TRUE(m_server->Running()) << m_server->Log();
        m_http = std::make_unique<httplib::Client>("127.0.0.1", m_server->Port());
        // The first request of a page may wait for the server to compile it on a busy machine.
        m_http->set_read_timeout(120, 0);
    }
    void TearDown() override {
        m_http.reset();
        if (m_server) {
            // A kit page that fails to compile or throws is logged with its exception.
            EXPECT_EQ(m_server->Log().find("Exception"), std::string::npos) << m_server->Log();
        }
        m_server.reset();
    }

    // Runs a one-line perl program, as the kit's server-side secrets need SHA-256.
    std::string Perl(const std::string& program, const std::vector<std::string>& args) const {
        std::vector<std::string> all = {"-MDigest::SHA=sha256_hex", "-e", program};
        all.insert(all.end(), args.begin(), args.end());
        return RunProcess("perl", all, m_dir.Path()).out;
    }

    Popup Open(const std::string& uniq) {
        Popup p;
        auto res = m_http->Get("/Velmorant/antispamin.jsp?UniqId=" + uniq);
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
    std::string RecordPath(const std::string& token) const {
        return m_kit + "/WEB-INF/antispam/" + Perl("print sha256_hex(qq(record:$ARGV[0]))", {token}) + ".txt";
    }
    Record ReadRecord(const std::string& token) const { return ParseRecord(Slurp(RecordPath(token))); }
    void WriteRecord(const std::string& token, const Record& r) const { WriteFile(RecordPath(token), FormatRecord(r)); }
    // The code as the server sealed it, as a person would read it off the image: the record
    // holds only a hash of token and code, so try all ten thousand codes.
    std::string CodeOf(const std::string& token) const {
        return Perl("for (0 .. 9999) { my $c = sprintf(q(%04d), $_);"
                    " if (sha256_hex(qq(code:$ARGV[0]:$c)) eq $ARGV[1]) { print $c; last } }",
                    {token, ReadRecord(token)["seal"]});
    }
    std::string CodeOf(const Popup& p) const { return CodeOf(p.token); }

    httplib::Result Answer(const std::string& token, const std::string& code) {
        return m_http->Post("/Velmorant/antispamout.jsp", httplib::Params{{"token", token}, {"code", code}});
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
    std::unique_ptr<TomcatServer> m_server;
    std::unique_ptr<httplib::Client> m_http;
};

TEST_F(JspKitTest, RobotFetchingEveryFileFindsNoAddressNorPendingCode) {
    const Popup pending = Open("1"); // a code waits on the server while the robot crawls
    ASSERT_FALSE(pending.token.empty()) << pending.body;
    ASSERT_TRUE(fs::exists(m_kit + "/antispambmp/" + pending.image + ".png"));
    const std::string seal = ReadRecord(pending.token)["seal"];
    ASSERT_EQ(seal.size(), 64u);
    int fetched = 0;
    for (const auto& e : fs::recursive_directory_iterator(m_site)) {
        std::string url = "/" + fs::relative(e.path(), m_site).generic_string() + (e.is_directory() ? "/" : "");
        auto res = m_http->Get(url);
        ASSERT_TRUE(res) << url;
        ++fetched;
        ExpectNoAddressIn(url, res->body);
        EXPECT_EQ(res->body.find(seal), std::string::npos) << url << " shows a pending record";
        EXPECT_EQ(res->body.find("client="), std::string::npos) << url << " shows a pending record";
        EXPECT_EQ(res->body.find(pending.token), std::string::npos) << url << " shows the pending token";
        if (e.is_directory()) {
            EXPECT_EQ(res->body.find(".png"), std::string::npos) << url << " lists pending images";
            EXPECT_FALSE(std::regex_search(res->body, std::regex("[0-9a-f]{32,}\\.txt")))
                << url << " lists pending records";
        }
    }
    EXPECT_GT(fetched, 15);
    // The data file runs as a page that prints nothing; WEB-INF is never served.
    auto data = m_http->Get("/Velmorant/emaildata.jsp");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->body, "");
    for (const std::string& hidden : {std::string("/Velmorant/WEB-INF/classes/png/MakePngBean.class"),
                                      "/Velmorant" + RecordPath(pending.token).substr(m_kit.size())}) {
        auto res = m_http->Get(hidden);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 404) << hidden;
    }
    // The converted pages do link the pop-up.
    const std::string page = Slurp(m_site + "/contact.htm");
    EXPECT_NE(page.find("javascript:AntiSpam("), std::string::npos);
    EXPECT_NE(page.find("antispamin.jsp?UniqId="), std::string::npos);
}

TEST_F(JspKitTest, RightCodeRevealsExactlyThatAddressOnce) {
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
        ASSERT_TRUE(std::regex_match(code, std::regex("[0-9]{4}"))) << code;

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
    const Popup p = Open(std::to_string(m_tricky));
    auto res = Answer(p.token, CodeOf(p));
    ASSERT_TRUE(res);
    EXPECT_NE(res->body.find("o&#039;neil&amp;co&lt;b&gt;@kit-test.invalid"), std::string::npos) << res->body;
    EXPECT_EQ(res->body.find("<b>@"), std::string::npos);
}

TEST_F(JspKitTest, WrongExpiredForeignOrMissingTokensRevealNothing) {
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
    const std::string oldCode = CodeOf(old);
    Record record = ReadRecord(old.token);
    record["time"] = std::to_string(std::stoll(record["time"]) - 181);
    WriteRecord(old.token, record);
    res = Answer(old.token, oldCode);
    EXPECT_EQ(RevealedAddress(res), "");
    ExpectNoAddressIn("expired", res->body);

    // A token issued to another client.
    const Popup foreign = Open("2");
    const std::string foreignCode = CodeOf(foreign);
    record = ReadRecord(foreign.token);
    record["client"] = "192.0.2.7";
    WriteRecord(foreign.token, record);
    EXPECT_EQ(RevealedAddress(Answer(foreign.token, foreignCode)), "");
    ClearFailureLists();

    // Made-up tokens, a GET of the answer page, unknown or malformed numbers.
    EXPECT_EQ(RevealedAddress(Answer(std::string(32, 'a'), "1234")), "");
    EXPECT_EQ(RevealedAddress(Answer("../emaildata", "1234")), "");
    auto get = m_http->Get("/Velmorant/antispamout.jsp?token=" + p.token + "&code=" + code);
    ASSERT_TRUE(get);
    EXPECT_EQ(get->status, 405);
    for (const std::string bad : {"0", "999", "abc", "01", "-1", "1%20", ""}) {
        const Popup none = Open(bad);
        EXPECT_EQ(none.status, 404) << bad;
        EXPECT_TRUE(none.token.empty()) << bad;
    }
}

TEST_F(JspKitTest, RepeatedFailuresBlockTheClientUntilTheBlockEnds) {
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

    // Blocked: no pop-up.
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

TEST_F(JspKitTest, StaleCodesAndImagesArePurged) {
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

} // namespace
