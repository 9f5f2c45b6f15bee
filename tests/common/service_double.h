// SPDX-License-Identifier: MIT
// A stand-in for the hosted service on 127.0.0.1, for the tests of the hosted client: members
// with passwords, a store of 100 addresses per member numbered from 0, the 5-kbyte limit on one
// page's addresses, a pause between cleanings, and switches for broken answers.
#pragma once

#include "crypto/md5.h"

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace orvex::test {

class ServiceDouble {
public:
    enum class Answer {
        Normal,
        TwoLines, // the right line followed by an empty one
        Garbage,  // one line that is neither an error nor a success
        Slow,     // the right answer after slowMillis
        Never,    // no answer at all until the double is destroyed
    };

    struct Request {
        std::string method;
        std::string target; // path and query as sent
        std::string body;
        std::string contentType;
        std::string contentLength;
        bool hasAccept = false;
    };

    ServiceDouble() {
        // Read through a content reader: the library refuses form bodies over 8 kbytes itself,
        // and the service's own 5-kbyte rule must be what answers.
        m_server.Post("/service/savedata.vrt",
                      [this](const httplib::Request& q, httplib::Response& r, const httplib::ContentReader& reader) {
                          std::string body;
                          reader([&body](const char* data, size_t length) {
                              body.append(data, length);
                              return true;
                          });
                          Upload(q, body, r);
                      });
        m_server.Get("/service/delemaildata.vrt",
                     [this](const httplib::Request& q, httplib::Response& r) { Clean(q, r); });
        // One request per connection: a client that keeps its connection for the next request
        // (WinINet does) would otherwise hold the server's stop for its idle wait.
        m_server.set_keep_alive_max_count(1);
        // Bound and listening from here on: connections wait in the backlog until the loop runs.
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        // A stop before the loop has started would be lost and the join would wait forever.
        while (!m_server.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~ServiceDouble() {
        {
            std::lock_guard lock(m_mutex);
            m_bStopping = true;
        }
        m_silence.notify_all();
        m_server.stop();
        m_thread.join();
    }
    ServiceDouble(const ServiceDouble&) = delete;
    ServiceDouble& operator=(const ServiceDouble&) = delete;

    std::string Host() const { return "127.0.0.1:" + std::to_string(m_port); }

    void AddMember(const std::string& userId, const std::string& password, int stored = 0) {
        std::lock_guard lock(m_mutex);
        Member& m = m_members[userId];
        m.passwordDigest = Md5HexOfBuffer(password.data(), password.size());
        m.addresses.assign(static_cast<size_t>(stored), "stored@example.com");
    }
    std::vector<std::string> Stored(const std::string& userId) {
        std::lock_guard lock(m_mutex);
        return m_members[userId].addresses;
    }
    std::vector<Request> Requests() {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    // From the nth upload on (1-based), answer with this line instead ("er05", "er02", ...).
    void FailUploadFrom(int nth, const std::string& line) {
        std::lock_guard lock(m_mutex);
        m_failFrom = nth;
        m_failLine = line;
    }
    void SetAnswer(Answer answer, int slowMillis = 0) {
        std::lock_guard lock(m_mutex);
        m_answer = answer;
        m_slowMillis = slowMillis;
    }
    void SetCleaningPause(std::chrono::milliseconds pause) {
        std::lock_guard lock(m_mutex);
        m_pause = pause;
    }
    // The page code the double gives its nth upload.
    static std::string PageCodeFor(int upload) {
        const std::string seed = "page" + std::to_string(upload);
        return Md5HexOfBuffer(seed.data(), seed.size());
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Member {
        std::string passwordDigest;
        std::vector<std::string> addresses;
        bool cleaned = false;
        Clock::time_point lastCleaning;
    };

    // The value of key in a form or query, raw: up to the next "&" that starts a known key.
    static std::string Field(const std::string& text, const std::string& key, const std::string& nextKey) {
        const size_t at = text.find(key);
        if (at == std::string::npos) {
            return {};
        }
        const size_t from = at + key.size();
        const size_t to = nextKey.empty() ? std::string::npos : text.find(nextKey, from);
        return text.substr(from, to == std::string::npos ? std::string::npos : to - from);
    }

    void Record(const httplib::Request& q, const std::string& body) {
        Request r;
        r.method = q.method;
        r.target = q.target;
        r.body = body;
        r.contentType = q.get_header_value("Content-Type");
        r.contentLength = q.get_header_value("Content-Length");
        r.hasAccept = q.has_header("Accept");
        m_requests.push_back(std::move(r));
    }

    void Reply(httplib::Response& r, const std::string& line) {
        std::string body = line;
        switch (m_answer) {
        case Answer::TwoLines:
            body += "\n\n";
            break;
        case Answer::Garbage:
            body = "<html>nothing here</html>";
            break;
        case Answer::Slow:
            std::this_thread::sleep_for(std::chrono::milliseconds(m_slowMillis));
            break;
        case Answer::Never:
            // Called with m_mutex held by the handler: waiting releases it.
            while (!m_bStopping) {
                m_silence.wait(*m_pHeld);
            }
            break;
        case Answer::Normal:
            break;
        }
        r.set_content(body, "text/html");
    }

    void Upload(const httplib::Request& q, const std::string& body, httplib::Response& r) {
        std::unique_lock lock(m_mutex);
        m_pHeld = &lock;
        Record(q, body);
        ++m_uploads;
        const std::string user = Field(body, "UserId=", "&PassWd=");
        const std::string digest = Field(body, "&PassWd=", "&EMailData=");
        const std::string data = Field(body, "&EMailData=", "");
        if (m_failFrom > 0 && m_uploads >= m_failFrom) {
            return Reply(r, m_failLine);
        }
        const auto member = m_members.find(user);
        if (member == m_members.end()) {
            return Reply(r, "er01");
        }
        if (data.size() > 5 * 1024) {
            return Reply(r, "er02");
        }
        if (member->second.passwordDigest != digest) {
            return Reply(r, "er03");
        }
        std::vector<std::string> addresses;
        for (size_t from = 0; from <= data.size();) {
            const size_t space = data.find(' ', from);
            addresses.push_back(data.substr(from, space == std::string::npos ? std::string::npos : space - from));
            if (space == std::string::npos) {
                break;
            }
            from = space + 1;
        }
        auto& store = member->second.addresses;
        if (store.size() + addresses.size() > 100) {
            return Reply(r, "er04");
        }
        const size_t start = store.size();
        store.insert(store.end(), addresses.begin(), addresses.end());
        Reply(r, "success" + std::string("S") + std::to_string(m_uploads) + " " + PageCodeFor(m_uploads) + " " +
                     std::to_string(start) + " ");
    }

    void Clean(const httplib::Request& q, httplib::Response& r) {
        std::unique_lock lock(m_mutex);
        m_pHeld = &lock;
        Record(q, q.body);
        const std::string user = Field(q.target, "UserId=", "&PassWd=");
        const std::string digest = Field(q.target, "&PassWd=", "");
        const auto member = m_members.find(user);
        if (member == m_members.end()) {
            return Reply(r, "er01");
        }
        if (member->second.passwordDigest != digest) {
            return Reply(r, "er02");
        }
        Member& m = member->second;
        const auto now = Clock::now();
        if (m.cleaned && now - m.lastCleaning < m_pause) {
            return Reply(r, "er05");
        }
        if (m.addresses.empty()) {
            return Reply(r, "er03");
        }
        m.addresses.clear();
        m.cleaned = true;
        m.lastCleaning = now;
        Reply(r, "");
    }

    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::mutex m_mutex;
    std::condition_variable m_silence;
    std::unique_lock<std::mutex>* m_pHeld = nullptr; // the lock of the request being answered
    bool m_bStopping = false;
    std::map<std::string, Member> m_members;
    std::vector<Request> m_requests;
    int m_uploads = 0;
    int m_failFrom = 0;
    std::string m_failLine;
    Answer m_answer = Answer::Normal;
    int m_slowMillis = 0;
    std::chrono::milliseconds m_pause{30000};
};

// Accepts connections on 127.0.0.1 and closes each at once, without an answer.
class ClosingServer {
public:
    ClosingServer() {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(m_fd, 8);
        socklen_t len = sizeof addr;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] {
            for (;;) {
                const socket_t c = ::accept(m_fd, nullptr, nullptr);
                if (c == INVALID_SOCKET) {
                    return;
                }
                char buf[4096];
                (void)::recv(c, buf, sizeof buf, 0);
                httplib::detail::close_socket(c);
            }
        });
    }
    ~ClosingServer() {
#ifdef _WIN32
        ::shutdown(m_fd, SD_BOTH);
#else
        ::shutdown(m_fd, SHUT_RDWR);
#endif
        // Closing the listening socket is what ends a waiting accept on Windows.
        httplib::detail::close_socket(m_fd);
        m_thread.join();
    }
    ClosingServer(const ClosingServer&) = delete;
    ClosingServer& operator=(const ClosingServer&) = delete;
    std::string Host() const {
        return "127.0.0.1:" + std::to_string(m_port);
    }

private:
    socket_t m_fd = INVALID_SOCKET;
    int m_port = 0;
    std::thread m_thread;
};

} // namespace orvex::test
