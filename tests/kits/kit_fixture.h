// SPDX-License-Identifier: MIT
// What every kit's end-to-end test shares: examples/site converted with the kit, the visitor's and the robot's
// requests, the server state the tests read and change, and the cases that every kit must pass.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <iconv.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/text_codec.h"
#include "run_process.h"
#include "temp_dir.h"

namespace orvex::test::kits {

namespace fs = std::filesystem;

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
}

// The bare mailbox (user@host) of an address the scanner may have taken with text around it.
inline std::string Mailbox(const std::string& address) {
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

// Addresses are page bytes, CP949 in the example site; the kits show them as UTF-8.
inline std::string ToUtf8(const std::string& bytes) {
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

inline std::string Unescape(std::string s) {
    const std::pair<const char*, const char*> table[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#039;", "'"}, {"&amp;", "&"}};
    for (const auto& [from, to] : table) {
        for (size_t p = 0; (p = s.find(from, p)) != std::string::npos; p += std::strlen(to))
            s.replace(p, std::strlen(from), to);
    }
    return s;
}

// A language's kit core as the build puts it into each kit script: from its "---- kit core" line on.
inline std::string KitCore(const std::string& path) {
    const std::string text = Slurp(path);
    const size_t at = text.find("---- kit core");
    return at == std::string::npos ? std::string() : text.substr(text.rfind('\n', at) + 1);
}

inline long long NowSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

inline std::string WrongCode(const std::string& code) {
    std::string wrong = std::to_string((std::stoi(code) + 1) % 10000);
    return std::string(4 - wrong.size(), '0') + wrong;
}

// How a kit's e-mail data file wraps its lines: header, then lead N sep address sep code CR LF per line, then footer.
struct DataFileFormat {
    const char* name;
    const char* header;
    const char* lead;
    const char* separator;
    const char* footer;

    std::string Line(int n, const std::string& address, const std::string& code) const {
        return lead + std::to_string(n) + separator + address + separator + code + "\r\n";
    }
    // Number to address, as the data file at path lists them.
    std::map<int, std::string> Read(const std::string& path) const {
        auto quote = [](const std::string& s) {
            return std::regex_replace(s, std::regex("[.^$|()\\[\\]{}*+?\\\\]"), "\\$&");
        };
        const std::regex line(quote(lead) + "(\\d+)" + quote(separator) + "(.*)" + quote(separator) + "(\\d+)\r\n");
        std::map<int, std::string> lines;
        const std::string text = Slurp(path);
        for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator(); ++it)
            lines[std::stoi((*it)[1])] = (*it)[2];
        return lines;
    }
};

struct Popup {
    int status = 0;
    std::string body, token, image, retryAfter;
};

// The texts of a refusal for being over a quota.
inline constexpr const char* kRevealQuotaText = "지금 접속한 곳에서 볼 수 있는 이메일 주소 수를 넘었습니다.";
inline constexpr const char* kPopupQuotaText = "확인 창을 너무 자주 열었습니다.";

// A kit's server and its converted site, and the cases every kit passes. A kit's test says how to convert and serve
// the site, and how its pending records are named, read and changed.
class KitTest : public ::testing::Test {
protected:
    // ---- what differs by kit ----

    virtual std::string RecordPath(const std::string& token) const = 0;
    virtual std::string RecordField(const std::string& token, const std::string& key) const = 0;
    virtual void SetRecordField(const std::string& token, const std::string& key, const std::string& value) const = 0;
    // The code as the server keeps it, as a person would read it off the image.
    virtual std::string CodeOf(const Popup& p) const = 0;
    // Texts of a waiting record that no response may hold (besides its token).
    virtual std::vector<std::string> RecordMarkers(const Popup& p) const = 0;
    virtual std::string ServerLog() const = 0;

    // ---- set-up steps, in this order ----

    // Converts examples/site with the kind's orvex-cli arguments; the run must end with expectedStatus.
    void Convert(const std::vector<std::string>& kindArgs, int expectedStatus = 0) {
        const char* root = std::getenv("ORVEX_SOURCE_DIR");
        ASSERT_NE(root, nullptr) << "run through ctest, which sets ORVEX_SOURCE_DIR";
        m_site = m_dir.Path("site");
        m_kit = m_site + "/Velmorant";
        std::vector<std::string> args = {
            "convert", "--home", std::string(root) + "/examples/site", "--out", m_site, "--cgidata", ORVEX_CGIDATA_DIR};
        args.insert(args.end(), kindArgs.begin(), kindArgs.end());
        const auto r = RunProcess(ORVEX_CLI_PATH, args, m_dir.Path());
        m_convertLog = r.out + r.err;
        ASSERT_EQ(r.status, expectedStatus) << m_convertLog;
    }
    // Does what the converter's permission notes ask the site owner to do, shortens the failure count, and adds a
    // data line whose address needs escaping.
    void PrepareKit(const DataFileFormat& format, const std::string& extension) {
        m_ext = extension;
        fs::permissions(m_kit + "/antispam", fs::perms::all);
        fs::permissions(m_kit + "/antispambmp", fs::perms::all);
        if (fs::exists(m_kit + "/main.exe"))
            fs::permissions(m_kit + "/main.exe", static_cast<fs::perms>(0775));
        WriteKitIni("");
        const std::string path = m_kit + "/" + format.name;
        const std::string data = Slurp(path);
        ASSERT_TRUE(data.starts_with(format.header) && data.ends_with(format.footer)) << data;
        m_addresses = format.Read(path);
        ASSERT_GE(m_addresses.size(), 5u);
        m_tricky = static_cast<int>(m_addresses.size()) + 1;
        m_addresses[m_tricky] = "o'neil&co<b>@kit-test.invalid";
        // Enough numbers for the quota cases.
        std::string lines = format.Line(m_tricky, m_addresses[m_tricky], "77");
        for (int n = m_tricky + 1; n <= 15; ++n) {
            m_addresses[n] = "visitor" + std::to_string(n) + "@kit-test.invalid";
            lines += format.Line(n, m_addresses[n], "77");
        }
        const size_t end = data.size() - std::strlen(format.footer);
        WriteFile(path, data.substr(0, end) + lines + data.substr(end));
    }
    void Connect(int port) {
        m_port = port;
        m_http = ClientFrom("127.0.0.1");
    }
    // A visitor at another loopback address (the whole of 127/8 reaches the server).
    std::unique_ptr<httplib::Client> ClientFrom(const std::string& address) const {
        auto client = std::make_unique<httplib::Client>("127.0.0.1", m_port);
        client->set_interface(address);
        // The first request of a page may wait for the server to compile it on a busy machine.
        client->set_read_timeout(120, 0);
        return client;
    }
    void WriteKitIni(const std::string& quotas) const {
        WriteFile(m_kit + "/antispam/kit.ini",
                  "token_seconds = 180\nmax_failures = 3\nfailure_window = 600\nblock_seconds = 600\n" + quotas);
    }
    // logProblem: what the server logs when a kit script fails (a warning, a death, an exception).
    void ExpectCleanLog(const std::string& logProblem) const {
        const std::string log = ServerLog();
        EXPECT_EQ(log.find(logProblem), std::string::npos) << log;
    }

    // ---- requests and server state ----

    Popup Open(const std::string& uniq) { return Open(*m_http, uniq); }
    Popup Open(httplib::Client& from, const std::string& uniq, const httplib::Headers& headers = {}) {
        Popup p;
        auto res = from.Get("/Velmorant/antispamin." + m_ext + "?UniqId=" + uniq, headers);
        if (!res)
            return p;
        p.status = res->status;
        p.body = res->body;
        p.retryAfter = res->get_header_value("Retry-After");
        std::smatch m;
        if (std::regex_search(p.body, m, std::regex("name=\"token\" value=\"([0-9a-f]{32})\"")))
            p.token = m[1];
        if (std::regex_search(p.body, m, std::regex("src=\"antispambmp/([0-9a-f]{32})\\.png\"")))
            p.image = m[1];
        return p;
    }
    httplib::Result Answer(const std::string& token, const std::string& code) { return Answer(*m_http, token, code); }
    httplib::Result Answer(httplib::Client& from, const std::string& token, const std::string& code) {
        return from.Post("/Velmorant/antispamout." + m_ext, httplib::Params{{"token", token}, {"code", code}});
    }
    // Opens the pop-up of n and types its code: the address shown, or "" when refused.
    std::string Reveal(httplib::Client& from, int n) {
        const Popup p = Open(from, std::to_string(n));
        return p.token.empty() ? std::string() : RevealedAddress(Answer(from, p.token, CodeOf(p)));
    }
    // Where the kit keeps its failure lists and quota state.
    virtual std::string StatePath(const std::string& name) const { return m_kit + "/antispam/" + name; }
    size_t ImageCount() const {
        size_t n = 0;
        for (const auto& e : fs::directory_iterator(m_kit + "/antispambmp"))
            n += e.path().extension() == ".png";
        return n;
    }
    static void ExpectQuotaRefusal(const Popup& p, const char* text) {
        EXPECT_EQ(p.status, 429) << p.body;
        EXPECT_NE(p.body.find(text), std::string::npos) << p.body;
        EXPECT_NE(p.body.find(" 뒤에 다시 시도해 주십시오."), std::string::npos) << p.body;
        EXPECT_TRUE(p.token.empty() && p.image.empty()) << p.body;
        EXPECT_FALSE(p.retryAfter.empty());
    }
    std::string ImagePath(const Popup& p) const { return m_kit + "/antispambmp/" + p.image + ".png"; }
    static std::string RevealedAddress(const httplib::Result& res) {
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
            for (const std::string& s : {core, address, EscapeHtml(address)})
                EXPECT_EQ(body.find(s), std::string::npos) << what << " reveals " << s;
        }
    }
    void ClearFailureLists() const {
        for (const char* f : {"iplist.txt", "ipcount.txt", "blockiplist.txt", "blockiptime.txt"})
            WriteFile(m_kit + "/antispam/" + f, "");
    }

    // ---- the cases; a kit's test adds its own checks after them ----

    // A robot fetches every file of the site while a code waits; m_pending is that code.
    void CheckRobotFindsNoAddressNorPendingCode() {
        m_pending = Open("1");
        ASSERT_FALSE(m_pending.token.empty()) << m_pending.body;
        ASSERT_TRUE(fs::exists(ImagePath(m_pending)));
        const std::vector<std::string> markers = RecordMarkers(m_pending);
        const std::regex recordNames("[0-9a-f]{32,}\\" + fs::path(RecordPath(m_pending.token)).extension().string());
        int fetched = 0;
        for (const auto& e : fs::recursive_directory_iterator(m_site)) {
            std::string url = "/" + fs::relative(e.path(), m_site).generic_string() + (e.is_directory() ? "/" : "");
            auto res = m_http->Get(url);
            ASSERT_TRUE(res) << url;
            ++fetched;
            ExpectNoAddressIn(url, res->body);
            for (const std::string& marker : markers)
                EXPECT_EQ(res->body.find(marker), std::string::npos) << url << " shows a pending record";
            EXPECT_EQ(res->body.find(m_pending.token), std::string::npos) << url << " shows the pending token";
            if (e.is_directory()) {
                EXPECT_EQ(res->body.find(".png"), std::string::npos) << url << " lists pending images";
                EXPECT_FALSE(std::regex_search(res->body, recordNames)) << url << " lists pending records";
            }
        }
        EXPECT_GT(fetched, 15);
        // The converted pages do link the pop-up.
        const std::string page = Slurp(m_site + "/contact.htm");
        EXPECT_NE(page.find("javascript:AntiSpam("), std::string::npos);
        EXPECT_NE(page.find("antispamin." + m_ext + "?UniqId="), std::string::npos);
    }

    void CheckRightCodeRevealsExactlyThatAddressOnce() {
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
            EXPECT_FALSE(fs::exists(ImagePath(p)));

            auto again = Answer(p.token, code);
            ASSERT_TRUE(again);
            EXPECT_NE(again->status, 200);
            EXPECT_EQ(RevealedAddress(again), "");
            ExpectNoAddressIn("replay", again->body);
            ClearFailureLists();
        }
        // Something other than digits is a wrong code like any other.
        auto res = Answer(Open(std::to_string(m_tricky)).token, "x");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 403);
        EXPECT_EQ(RevealedAddress(res), "");
        ClearFailureLists();
        const Popup p = Open(std::to_string(m_tricky));
        res = Answer(p.token, CodeOf(p));
        ASSERT_TRUE(res);
        EXPECT_NE(res->body.find("o&#039;neil&amp;co&lt;b&gt;@kit-test.invalid"), std::string::npos) << res->body;
        EXPECT_EQ(res->body.find("<b>@"), std::string::npos);
    }

    void CheckWrongExpiredForeignOrMissingTokensRevealNothing() {
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
        SetRecordField(old.token, "time", std::to_string(std::stoll(RecordField(old.token, "time")) - 181));
        res = Answer(old.token, oldCode);
        EXPECT_EQ(RevealedAddress(res), "");
        ExpectNoAddressIn("expired", res->body);

        // A token issued to another client.
        const Popup foreign = Open("2");
        const std::string foreignCode = CodeOf(foreign);
        SetRecordField(foreign.token, "client", "192.0.2.7");
        EXPECT_EQ(RevealedAddress(Answer(foreign.token, foreignCode)), "");
        ClearFailureLists();

        // Made-up tokens, a GET of the answer page, unknown or malformed numbers.
        EXPECT_EQ(RevealedAddress(Answer(std::string(32, 'a'), "1234")), "");
        EXPECT_EQ(RevealedAddress(Answer("../emaildata", "1234")), "");
        auto get = m_http->Get("/Velmorant/antispamout." + m_ext + "?token=" + p.token + "&code=" + code);
        ASSERT_TRUE(get);
        EXPECT_EQ(get->status, 405);
        for (const std::string bad : {"0", "999", "abc", "01", "-1", "1%20", ""}) {
            const Popup none = Open(bad);
            EXPECT_EQ(none.status, 404) << bad;
            EXPECT_TRUE(none.token.empty()) << bad;
        }
    }

    void CheckRepeatedFailuresBlockTheClientUntilTheBlockEnds() {
        ClearFailureLists();
        const Popup early = Open("4"); // handed out before the block
        ASSERT_FALSE(early.token.empty()) << early.body;
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
        const long long now = NowSeconds();
        EXPECT_NEAR(static_cast<double>(end - now), 600, 5);

        // Blocked: no pop-up, and a code handed out before the block does not help either.
        const Popup blocked = Open("4");
        EXPECT_EQ(blocked.status, 403);
        EXPECT_TRUE(blocked.token.empty());
        auto res = Answer(early.token, CodeOf(early));
        ASSERT_TRUE(res);
        EXPECT_NE(res->body.find("차단"), std::string::npos) << res->body;
        EXPECT_EQ(RevealedAddress(res), "");

        // The block's time has passed.
        WriteFile(m_kit + "/antispam/blockiptime.txt", std::to_string(now - 1) + "\n");
        const Popup p = Open("4");
        ASSERT_EQ(p.status, 200) << p.body;
        EXPECT_EQ(RevealedAddress(Answer(p.token, CodeOf(p))), ToUtf8(m_addresses[4]));
        EXPECT_EQ(Slurp(m_kit + "/antispam/blockiplist.txt"), "");
    }

    void CheckStaleCodesAndImagesArePurged() {
        const Popup p = Open("5");
        const std::string stale = RecordPath(p.token);
        const std::string image = ImagePath(p);
        const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
        fs::last_write_time(stale, old);
        fs::last_write_time(image, old);
        const Popup fresh = Open("5");
        ASSERT_FALSE(fresh.token.empty());
        EXPECT_FALSE(fs::exists(stale));
        EXPECT_FALSE(fs::exists(image));
        EXPECT_TRUE(fs::exists(RecordPath(fresh.token)));
    }

    // One client sees ten different addresses; the eleventh is refused at the answer and then at the pop-up, with
    // nothing drawn; one of the ten again is free; a forwarded-for header changes nothing; another client has its
    // own quota.
    void CheckRevealQuotaPerClient() {
        std::vector<Popup> popups;
        for (int n = 1; n <= 11; ++n) {
            popups.push_back(Open(std::to_string(n)));
            ASSERT_EQ(popups.back().status, 200) << popups.back().body;
        }
        for (int n = 1; n <= 10; ++n) {
            const Popup& p = popups[static_cast<size_t>(n - 1)];
            EXPECT_EQ(RevealedAddress(Answer(p.token, CodeOf(p))), ToUtf8(m_addresses[n])) << n;
        }
        const Popup& late = popups.back();
        auto res = Answer(late.token, CodeOf(late));
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 429);
        EXPECT_NE(res->body.find(kRevealQuotaText), std::string::npos) << res->body;
        ExpectNoAddressIn("refused answer", res->body);

        const size_t images = ImageCount();
        const Popup refused = Open("11");
        ExpectQuotaRefusal(refused, kRevealQuotaText);
        EXPECT_NEAR(std::stod(refused.retryAfter), 3600, 10);
        EXPECT_NE(refused.body.find("1시간 뒤에"), std::string::npos) << refused.body;
        EXPECT_EQ(ImageCount(), images);
        ExpectQuotaRefusal(Open(*m_http, "12", {{"X-Forwarded-For", "127.0.0.9"}}), kRevealQuotaText);
        EXPECT_EQ(Reveal(*m_http, 3), ToUtf8(m_addresses[3]));
        // Being over a quota is no failure.
        EXPECT_EQ(Slurp(StatePath("iplist.txt")), "");

        auto other = ClientFrom("127.0.0.2");
        EXPECT_EQ(Reveal(*other, 11), ToUtf8(m_addresses[11]));
        // The state holds times, clients and numbers only.
        const std::string revealed = Slurp(StatePath("revealed.txt"));
        const std::regex line("\\d{10} 127\\.0\\.0\\.[12] \\d+\n");
        size_t lines = 0;
        for (auto it = std::sregex_iterator(revealed.begin(), revealed.end(), line); it != std::sregex_iterator(); ++it)
            ++lines;
        EXPECT_EQ(lines, 11u) << revealed;
        EXPECT_EQ(std::count(revealed.begin(), revealed.end(), '\n'), 11) << revealed;
    }

    // A hundred addresses a day for one /24, over all its clients; a client still sees what it saw; another network
    // is not touched.
    void CheckRevealQuotaPerNetwork() {
        for (int host = 2; host <= 11; ++host) {
            auto client = ClientFrom("127.0.0." + std::to_string(host));
            for (int n = 1; n <= 10; ++n)
                ASSERT_EQ(Reveal(*client, n), ToUtf8(m_addresses[n])) << host << " " << n;
        }
        ExpectQuotaRefusal(Open(*ClientFrom("127.0.0.12"), "1"), kRevealQuotaText);
        EXPECT_EQ(Reveal(*ClientFrom("127.0.0.5"), 7), ToUtf8(m_addresses[7]));
        EXPECT_EQ(Reveal(*ClientFrom("127.0.1.12"), 1), ToUtf8(m_addresses[1]));
    }

    // Pop-ups per client: the 31st in an hour draws nothing.
    void CheckPopupLimit() {
        for (int i = 1; i <= 30; ++i)
            ASSERT_EQ(Open("1").status, 200) << i;
        const size_t images = ImageCount();
        ExpectQuotaRefusal(Open("1"), kPopupQuotaText);
        EXPECT_EQ(ImageCount(), images);
        EXPECT_EQ(Open(*ClientFrom("127.0.0.2"), "1").status, 200);
    }

    // Parallel wrong answers are counted one by one against the limit, and a right answer clears no failure.
    void CheckFailuresCountedExactly() {
        WriteKitIni("popup_per_hour = 0\n");
        constexpr int kBurst = 12;
        std::vector<Popup> popups;
        std::vector<std::string> wrong;
        for (int i = 0; i < kBurst; ++i) {
            popups.push_back(Open("2"));
            wrong.push_back(WrongCode(CodeOf(popups.back())));
        }
        std::vector<std::string> bodies(kBurst);
        std::vector<std::thread> threads;
        for (int i = 0; i < kBurst; ++i) {
            threads.emplace_back([&, i] {
                auto client = ClientFrom("127.0.0.1");
                const Popup& p = popups[static_cast<size_t>(i)];
                auto res = Answer(*client, p.token, wrong[static_cast<size_t>(i)]);
                bodies[static_cast<size_t>(i)] = res ? res->body : "(no answer)";
            });
        }
        for (auto& t : threads)
            t.join();
        const auto count = [&](const char* text) {
            return std::count_if(bodies.begin(), bodies.end(),
                                 [&](const std::string& b) { return b.find(text) != std::string::npos; });
        };
        EXPECT_EQ(count("입력한 숫자가 맞지 않습니다."), 2);
        EXPECT_EQ(count("차단"), kBurst - 2);
        EXPECT_EQ(Slurp(StatePath("blockiplist.txt")), "127.0.0.1\n");
        // Only the three counted answers were compared: the others found the block first and left their codes.
        const auto left = std::count_if(popups.begin(), popups.end(),
                                        [&](const Popup& p) { return fs::exists(RecordPath(p.token)); });
        EXPECT_EQ(left, kBurst - 3);

        auto other = ClientFrom("127.0.0.2");
        for (const bool right : {false, true, false}) {
            const Popup p = Open(*other, "2");
            const auto res = Answer(*other, p.token, right ? CodeOf(p) : WrongCode(CodeOf(p)));
            ASSERT_TRUE(res);
            EXPECT_EQ(res->status, right ? 200 : 403);
        }
        const Popup p = Open(*other, "2");
        const auto res = Answer(*other, p.token, WrongCode(CodeOf(p)));
        ASSERT_TRUE(res);
        EXPECT_NE(res->body.find("차단"), std::string::npos) << "the right answer cleared the failures";
    }

    // kit.ini sets each quota, 0 turns it off; expired state is purged and no longer counts, and the wait is told.
    void CheckQuotaSettingsAndPurge() {
        WriteKitIni("reveal_per_hour = 2\n");
        EXPECT_EQ(Reveal(*m_http, 1), ToUtf8(m_addresses[1]));
        EXPECT_EQ(Reveal(*m_http, 2), ToUtf8(m_addresses[2]));
        ExpectQuotaRefusal(Open("3"), kRevealQuotaText);
        WriteKitIni("reveal_per_hour = 0\nreveal_per_day = 3\n");
        EXPECT_EQ(Reveal(*m_http, 3), ToUtf8(m_addresses[3]));
        ExpectQuotaRefusal(Open("4"), kRevealQuotaText);
        WriteKitIni("reveal_per_hour = 0\nreveal_per_day = 0\nreveal_per_day_network = 0\npopup_per_hour = 4\n");
        EXPECT_EQ(Reveal(*m_http, 4), ToUtf8(m_addresses[4]));
        ExpectQuotaRefusal(Open("5"), kPopupQuotaText);

        // (Three pop-ups above were drawn, the fourth is; refused ones do not count.)

        // A day-old reveal and an hour-old pop-up are gone after the next request; ten reveals 50 minutes ago
        // leave ten minutes to wait.
        WriteKitIni("");
        const long long now = NowSeconds();
        std::string revealed = std::to_string(now - 86401) + " 127.0.0.1 9\n";
        for (int n = 1; n <= 10; ++n)
            revealed += std::to_string(now - 3000) + " 127.0.0.1 " + std::to_string(n) + "\n";
        WriteFile(StatePath("revealed.txt"), revealed);
        WriteFile(StatePath("popups.txt"), std::to_string(now - 3601) + " 127.0.0.1\n");
        const Popup refused = Open("11");
        ExpectQuotaRefusal(refused, kRevealQuotaText);
        EXPECT_NE(refused.body.find("10분 뒤에"), std::string::npos) << refused.body;
        EXPECT_EQ(Slurp(StatePath("revealed.txt")), revealed.substr(revealed.find('\n') + 1));
        EXPECT_EQ(Slurp(StatePath("popups.txt")), "");
    }

    TempDir m_dir;
    std::string m_site, m_kit, m_ext, m_convertLog;
    std::map<int, std::string> m_addresses;
    int m_tricky = 0;
    int m_port = 0;
    Popup m_pending;
    std::unique_ptr<httplib::Client> m_http;
};

// "key=value" lines.
using Record = std::map<std::string, std::string>;

inline Record ParseRecord(const std::string& text) {
    Record r;
    const std::regex line("(\\w+)=([^\n]*)\n");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator(); ++it)
        r[(*it)[1]] = (*it)[2];
    return r;
}

inline std::string FormatRecord(const Record& r) {
    std::string text;
    for (const auto& [key, value] : r)
        text += key + "=" + value + "\n";
    return text;
}

// The PERL and JSP kits: a record is named sha256("record:" token) and holds "key=value" lines with only a seal of
// the code, sha256("code:" token ":" code). Perl's core Digest::SHA computes them here.
class SealedRecordKitTest : public KitTest {
protected:
    // folder: where the records are, below the kit folder; extension: theirs, with the dot.
    SealedRecordKitTest(std::string folder, std::string extension)
        : m_recordFolder(std::move(folder)), m_recordExtension(std::move(extension)) {}

    std::string Perl(const std::string& program, const std::vector<std::string>& args) const {
        std::vector<std::string> all = {"-MDigest::SHA=sha256_hex", "-e", program};
        all.insert(all.end(), args.begin(), args.end());
        return RunProcess("perl", all, m_dir.Path()).out;
    }
    std::string RecordPath(const std::string& token) const override {
        return m_kit + "/" + m_recordFolder + "/" + Perl("print sha256_hex(qq(record:$ARGV[0]))", {token}) +
               m_recordExtension;
    }
    std::string RecordField(const std::string& token, const std::string& key) const override {
        return ParseRecord(Slurp(RecordPath(token)))[key];
    }
    void SetRecordField(const std::string& token, const std::string& key, const std::string& value) const override {
        Record r = ParseRecord(Slurp(RecordPath(token)));
        r[key] = value;
        WriteFile(RecordPath(token), FormatRecord(r));
    }
    // The record holds only a hash of token and code, so try all ten thousand codes.
    std::string CodeOf(const Popup& p) const override {
        return Perl("for (0 .. 9999) { my $c = sprintf(q(%04d), $_);"
                    " if (sha256_hex(qq(code:$ARGV[0]:$c)) eq $ARGV[1]) { print $c; last } }",
                    {p.token, RecordField(p.token, "seal")});
    }
    std::vector<std::string> RecordMarkers(const Popup& p) const override {
        const std::string seal = RecordField(p.token, "seal");
        EXPECT_EQ(seal.size(), 64u);
        return {seal, "client="};
    }

private:
    std::string m_recordFolder, m_recordExtension;
};

} // namespace orvex::test::kits
