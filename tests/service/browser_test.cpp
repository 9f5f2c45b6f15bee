// SPDX-License-Identifier: MIT
// A visitor's whole road in a real browser: examples/site converted against orvex-service and
// served from its folder, headless Chromium (driven through chromedriver) clicks a protected
// link, gets the service's pop-up over https from a TLS proxy in front of the service (as a
// reverse proxy serves it), types the code and sees the address.
#include "service_fixture.h"

#include <nlohmann/json.hpp>

#include <thread>

namespace orvex::test {
namespace {

using nlohmann::json;

constexpr const char* kChromium = "/usr/bin/chromium";
constexpr const char* kChromedriver = "/usr/bin/chromedriver";
constexpr const char* kElementKey = "element-6066-11e4-a52e-4f735466cecf";

// One browser session through the WebDriver protocol.
class Browser {
public:
    Browser(const std::string& dir, const std::string& errPath) : m_port(FreePort()), m_http("127.0.0.1", m_port) {
        m_driver = std::make_unique<Child>(std::vector<std::string>{kChromedriver, "--port=" + std::to_string(m_port)},
                                           errPath);
        m_http.set_read_timeout(60, 0);
        for (int i = 0; i < 200 && !m_http.Get("/status"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const json args = {"--headless",
                           "--no-sandbox",
                           "--disable-gpu",
                           "--disable-quic",
                           "--no-first-run",
                           "--disable-background-networking",
                           "--disable-component-update",
                           "--disable-sync",
                           "--user-data-dir=" + dir,
                           "--ignore-certificate-errors"};
        const json session = Call(
            "POST", "/session",
            {{"capabilities", {{"alwaysMatch", {{"goog:chromeOptions", {{"binary", kChromium}, {"args", args}}}}}}}});
        m_session = session.value("sessionId", "");
    }
    ~Browser() {
        if (!m_session.empty()) {
            Call("DELETE", "/session/" + m_session, nullptr);
        }
    }
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    bool Started() const { return !m_session.empty(); }
    json In(const std::string& method, const std::string& path, const json& body = json::object()) {
        return Call(method, "/session/" + m_session + path, body);
    }
    // The element the selector finds, waiting up to ten seconds for it; "" when none came.
    std::string Find(const std::string& css) {
        for (int i = 0; i < 100; ++i) {
            const json found = In("POST", "/element", {{"using", "css selector"}, {"value", css}});
            if (found.is_object() && found.contains(kElementKey)) {
                return found[kElementKey];
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return {};
    }

private:
    json Call(const std::string& method, const std::string& path, const json& body) {
        httplib::Result res = method == "GET"      ? m_http.Get(path)
                              : method == "DELETE" ? m_http.Delete(path)
                                                   : m_http.Post(path, body.dump(), "application/json");
        if (!res) {
            return nullptr;
        }
        const json answer = json::parse(res->body, nullptr, false);
        return answer.is_object() && answer.contains("value") ? answer["value"] : json();
    }

    int m_port;
    std::unique_ptr<Child> m_driver;
    httplib::Client m_http;
    std::string m_session;
};

TEST_P(ServiceTest, VisitorSeesTheAddressInHeadlessChromium) {
    if (!fs::exists(kChromium) || !fs::exists(kChromedriver)) {
        GTEST_SKIP() << "headless Chromium needs Debian's chromium and chromium-driver";
    }
    StartService({"--trusted-proxy", "127.0.0.1"});
    AddMember("kim", "s3cret");

    // The pop-up host: https with a certificate of the test's, forwarding to the service with
    // the visitor's address, as the README's reverse proxy does.
    const std::string cert = m_dir.Path("cert.pem"), key = m_dir.Path("key.pem");
    ASSERT_EQ(std::system(("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1"
                           " -subj /CN=127.0.0.1 -keyout " +
                           key + " -out " + cert + " >/dev/null 2>&1")
                              .c_str()),
              0);
    httplib::SSLServer proxy(cert.c_str(), key.c_str());
    const auto forward = [this](const httplib::Request& q, httplib::Response& r) {
        httplib::Client service("127.0.0.1", m_port);
        const httplib::Headers headers = {{"X-Forwarded-For", q.remote_addr}};
        auto res = q.method == "POST" ? service.Post(q.target, headers, q.body, q.get_header_value("Content-Type"))
                                      : service.Get(q.target, headers);
        r.status = res ? res->status : 502;
        if (res) {
            r.set_content(res->body, res->get_header_value("Content-Type"));
        }
    };
    proxy.Get("/service/.*", forward);
    proxy.Post("/service/.*", forward);
    const int proxyPort = proxy.bind_to_any_port("127.0.0.1");
    std::thread proxyThread([&] { proxy.listen_after_bind(); });

    TempDir work;
    work.Write("password", "s3cret\n");
    SetEnv("ORVEX_SERVICE_HOST", Host());
    SetEnv("ORVEX_POPUP_HOST", "127.0.0.1:" + std::to_string(proxyPort));
    const std::string site = AbsolutePath(std::string(std::getenv("ORVEX_SOURCE_DIR")) + "/examples/site");
    const auto r = RunProcess(ORVEX_CLI_PATH,
                              {"convert", "--home", site, "--out", work.Path("out"), "--kind", "hosted", "--user",
                               "kim", "--password-file", work.Path("password"), "--cgidata", ORVEX_CGIDATA_DIR},
                              m_dir.Path(), work.Path());
    UnsetEnv("ORVEX_SERVICE_HOST");
    UnsetEnv("ORVEX_POPUP_HOST");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    httplib::Server pages;
    pages.set_mount_point("/", work.Path("out"));
    const int pagesPort = pages.bind_to_any_port("127.0.0.1");
    std::thread pagesThread([&] { pages.listen_after_bind(); });

    {
        Browser browser(m_dir.Path("chromium"), m_dir.Path("chromedriver.err"));
        ASSERT_TRUE(browser.Started()) << Slurp(m_dir.Path("chromedriver.err"));
        browser.In("POST", "/url", {{"url", "http://127.0.0.1:" + std::to_string(pagesPort) + "/contact.htm"}});
        const std::string link = browser.Find("a[href^='javascript:Velmorant(']");
        ASSERT_FALSE(link.empty());
        browser.In("POST", "/element/" + link + "/click");
        json handles;
        for (int i = 0; i < 100 && handles.size() < 2; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            handles = browser.In("GET", "/window/handles");
        }
        ASSERT_EQ(handles.size(), 2u) << "no pop-up window";
        browser.In("POST", "/window", {{"handle", handles[1]}});
        const std::string tokenField = browser.Find("input[name=token]");
        ASSERT_FALSE(tokenField.empty()) << browser.In("GET", "/source");
        Popup p;
        p.token = browser.In("GET", "/element/" + tokenField + "/property/value").get<std::string>();
        const std::string code = CodeOf(p);
        ASSERT_EQ(code.size(), 4u);
        const std::string box = browser.Find("input[name=code]");
        browser.In("POST", "/element/" + box + "/value", {{"text", code}});
        browser.In("POST", "/element/" + browser.Find("input[type=submit]") + "/click");
        const std::string address = browser.Find("#address");
        ASSERT_FALSE(address.empty()) << browser.In("GET", "/source");
        EXPECT_EQ(browser.In("GET", "/element/" + address + "/text"),
                  "help@velmorant-craft.co.kr"); // the page's first link
    }
    // The visitor's own address reached the service through the proxy.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM reveals WHERE client = '127.0.0.1'"), 1);
    pages.stop();
    pagesThread.join();
    proxy.stop();
    proxyThread.join();
}

} // namespace
} // namespace orvex::test
