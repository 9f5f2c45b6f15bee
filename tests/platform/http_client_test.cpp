// SPDX-License-Identifier: MIT
// HttpClient against a real server on 127.0.0.1, and how answers split into lines.
#include "platform/http_client.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <thread>

namespace orvex {
namespace {

TEST(AnswerLines, SplitOnLfKeepingCr) {
    using Lines = std::vector<std::string_view>;
    EXPECT_EQ(AnswerLines(""), Lines{});
    EXPECT_EQ(AnswerLines("er04"), Lines{"er04"});
    EXPECT_EQ(AnswerLines("er04\n"), Lines{"er04"});
    EXPECT_EQ(AnswerLines("er04\r\n"), Lines{"er04\r"});
    EXPECT_EQ(AnswerLines("ok\n\n"), (Lines{"ok", ""})) << "an empty line after the answer is a second line";
    EXPECT_EQ(AnswerLines("\n"), Lines{""});
    EXPECT_EQ(AnswerLines("a\nb"), (Lines{"a", "b"}));
}

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_server.Post("/form", [this](const httplib::Request& q, httplib::Response& r) {
            m_contentType = q.get_header_value("Content-Type");
            m_accept = q.has_header("Accept");
            r.set_content("got " + q.body, "text/plain");
        });
        m_server.Get("/big", [](const httplib::Request&, httplib::Response& r) {
            r.set_content(std::string(4096, 'x'), "text/plain");
        });
        m_server.Get("/missing", [](const httplib::Request&, httplib::Response& r) {
            r.status = 404;
            r.set_content("not\nhere\n", "text/plain");
        });
        // One request per connection: a client that keeps its connection for the next request
        // (WinINet does) would otherwise hold the server's stop for its idle wait.
        m_server.set_keep_alive_max_count(1);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    void TearDown() override {
        m_server.stop();
        m_thread.join();
    }
    std::string Host() const { return "127.0.0.1:" + std::to_string(m_port); }

    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::string m_contentType;
    bool m_accept = true;
};

TEST_F(HttpClientTest, PostsTheFormAsItIs) {
    HttpClient http;
    std::string answer;
    ASSERT_EQ(http.PostForm(Host(), "/form", "UserId=a&b c", answer), HttpResult::Ok) << http.LastError();
    EXPECT_EQ(answer, "got UserId=a&b c");
    EXPECT_EQ(m_contentType, "application/x-www-form-urlencoded");
    EXPECT_FALSE(m_accept);
    // The same client again: the connection may be reused, the answer is new.
    ASSERT_EQ(http.PostForm(Host(), "/form", "x", answer), HttpResult::Ok);
    EXPECT_EQ(answer, "got x");
}

TEST_F(HttpClientTest, AnyStatusBringsItsBodyAndFailuresAreCodes) {
    HttpClient http(HttpOptions{5, 10, 1024});
    std::string answer;
    ASSERT_EQ(http.Get("http://" + Host() + "/missing", answer), HttpResult::Ok);
    EXPECT_EQ(http.LastStatus(), 404);
    EXPECT_EQ(answer, "not\nhere\n");
    EXPECT_EQ(http.Get("http://" + Host() + "/big", answer), HttpResult::Failed) << "larger than the limit";
    EXPECT_TRUE(answer.empty());
    EXPECT_EQ(http.Get("http://127.0.0.1:1/", answer), HttpResult::Unreachable);
    EXPECT_FALSE(http.LastError().empty());
    EXPECT_EQ(http.Get("ftp://" + Host() + "/", answer), HttpResult::BadAddress);
}

} // namespace
} // namespace orvex
