// SPDX-License-Identifier: MIT
// A real update host on 127.0.0.1 for the updater's tests: the version file, the checksum
// file and one package, each with a switchable status, and a package answer that can break
// off mid-transfer. Every request is logged, in one log that the tests may also write to, so
// that the order of profile writes and requests can be checked.
#pragma once

#include <httplib.h>

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvex::test {

class EventLog {
public:
    void Add(const std::string& event) {
        std::lock_guard lock(m_mutex);
        m_events.push_back(event);
    }
    std::vector<std::string> Events() {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    size_t Count(const std::string& event) {
        std::lock_guard lock(m_mutex);
        size_t n = 0;
        for (const auto& e : m_events) {
            n += e == event ? 1u : 0u;
        }
        return n;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_events;
};

class UpdateHostDouble {
public:
    static constexpr const char* kVersionPath = "/service/autoup/verinfo.html";
    static constexpr const char* kChecksumPath = "/service/autoup/checksum.html";
    static constexpr const char* kPackagePath = "/files/kdvupdate.pkg";

    struct File {
        int status = 404;
        std::string body;
        size_t breakAfter = std::string::npos; // send this many bytes of body, then drop the connection
    };

    explicit UpdateHostDouble(EventLog& log) : m_log(log) {
        for (const char* path : {kVersionPath, kChecksumPath, kPackagePath}) {
            m_server.Get(path, [this, path](const httplib::Request&, httplib::Response& r) { Serve(path, r); });
        }
        // One request per connection: a client that keeps its connection for the next request
        // (WinINet does) would otherwise hold the server's stop for its idle wait.
        m_server.set_keep_alive_max_count(1);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running()) {
            std::this_thread::yield(); // listen_after_bind is about to start
        }
    }
    ~UpdateHostDouble() {
        m_server.stop();
        m_thread.join();
    }
    UpdateHostDouble(const UpdateHostDouble&) = delete;
    UpdateHostDouble& operator=(const UpdateHostDouble&) = delete;

    std::string Host() const { return "127.0.0.1:" + std::to_string(m_port); }
    std::string Url(const std::string& path) const { return "http://" + Host() + path; }
    std::string PackageUrl() const { return Url(kPackagePath); }

    void Set(const std::string& path, int status, std::string body, size_t breakAfter = std::string::npos) {
        std::lock_guard lock(m_mutex);
        m_files[path] = File{status, std::move(body), breakAfter};
    }
    void SetVersionLine(const std::string& body) { Set(kVersionPath, 200, body); }
    void SetChecksum(const std::string& body) { Set(kChecksumPath, 200, body); }
    void SetPackage(const std::string& body) { Set(kPackagePath, 200, body); }

    static std::string Fetched(const std::string& path) { return "GET " + path; }

private:
    void Serve(const std::string& path, httplib::Response& r) {
        m_log.Add(Fetched(path));
        File file;
        {
            std::lock_guard lock(m_mutex);
            const auto it = m_files.find(path);
            if (it != m_files.end()) {
                file = it->second;
            }
        }
        r.status = file.status;
        if (file.breakAfter == std::string::npos) {
            r.set_content(file.body, "application/octet-stream");
            return;
        }
        // Announces the whole length, sends part of it, then gives up: the client sees the
        // connection close early.
        const std::string part = file.body.substr(0, file.breakAfter);
        r.set_content_provider(file.body.size(), "application/octet-stream",
                               [part](size_t offset, size_t, httplib::DataSink& sink) {
                                   if (offset < part.size()) {
                                       sink.write(part.data() + offset, part.size() - offset);
                                       return true;
                                   }
                                   return false;
                               });
    }

    EventLog& m_log;
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::mutex m_mutex;
    std::map<std::string, File> m_files;
};

} // namespace orvex::test
