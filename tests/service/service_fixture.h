// SPDX-License-Identifier: MIT
// What the hosted service's tests share: the real orvex-service process on 127.0.0.1, a private
// PostgreSQL server when the suite runs on PostgreSQL, the members and requests of the cases,
// and a direct connection to the service's database for reading and changing its state.
#pragma once

#include "crypto/md5.h"
#include "run_process.h"
#include "service/database.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

extern char** environ;

namespace orvex::test {

namespace fs = std::filesystem;

inline int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

// A program started in the background with its standard output on a pipe.
class Child {
public:
    Child(const std::vector<std::string>& argv, const std::string& errPath) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        std::vector<char*> args;
        for (const auto& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        if (posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        m_out = pipeFds[0];
    }
    ~Child() {
        if (m_pid > 0) {
            Signal(SIGKILL);
            Wait();
        }
        if (m_out >= 0) {
            ::close(m_out);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // The next line of standard output, or "" after timeoutMs or at its end.
    std::string ReadLine(int timeoutMs = 20000) {
        std::string line;
        char c = 0;
        pollfd p{m_out, POLLIN, 0};
        while (::poll(&p, 1, timeoutMs) == 1 && ::read(m_out, &c, 1) == 1 && c != '\n') {
            line += c;
        }
        return line;
    }
    void Signal(int signal) const {
        if (m_pid > 0) {
            ::kill(m_pid, signal);
        }
    }
    // The exit status; -1 when it ended by a signal.
    int Wait() {
        int status = 0;
        if (m_pid <= 0 || ::waitpid(m_pid, &status, 0) != m_pid) {
            return -1;
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
};

// A PostgreSQL server of the test's own, from Debian's postgresql package: a fresh data folder
// under dir and a private port; stopped at the end. Run as the postgres account when the tests
// run as root, which the server refuses.
class PostgresServer {
public:
    explicit PostgresServer(const std::string& dir) : m_dir(dir + "/pg") {
        std::string bin;
        for (const auto& e : fs::directory_iterator("/usr/lib/postgresql", m_ec)) {
            if (fs::exists(e.path() / "bin/initdb") && fs::exists(e.path() / "bin/pg_ctl")) {
                bin = std::max(bin, (e.path() / "bin").string());
            }
        }
        if (bin.empty()) {
            m_problem = "the PostgreSQL server programs (Debian package postgresql) are not installed";
            return;
        }
        fs::create_directories(m_dir);
        if (::geteuid() == 0) {
            const passwd* pg = ::getpwnam("postgres");
            if (pg == nullptr) {
                m_problem = "running as root and there is no postgres account to run the server as";
                return;
            }
            [[maybe_unused]] const int owned = ::chown(m_dir.c_str(), pg->pw_uid, pg->pw_gid);
            m_as = "runuser -u postgres -- ";
        }
        m_port = FreePort();
        m_pgCtl = bin + "/pg_ctl";
        const std::string init = m_as + bin + "/initdb -D " + m_dir + "/data -U orvex --auth=trust --no-sync -E UTF8" +
                                 " >" + m_dir + "/initdb.log 2>&1";
        const std::string start = m_as + m_pgCtl + " -D " + m_dir + "/data -w -l " + m_dir + "/server.log -o \"-p " +
                                  std::to_string(m_port) + " -k " + m_dir +
                                  " -c listen_addresses=127.0.0.1 -F\" start >/dev/null 2>&1";
        if (std::system(init.c_str()) != 0 || std::system(start.c_str()) != 0) {
            m_problem =
                "the PostgreSQL server did not start: " + Slurp(m_dir + "/initdb.log") + Slurp(m_dir + "/server.log");
            return;
        }
        m_started = true;
    }
    ~PostgresServer() {
        if (m_started) {
            const std::string stop = m_as + m_pgCtl + " -D " + m_dir + "/data -m immediate -w stop >/dev/null 2>&1";
            [[maybe_unused]] const int stopped = std::system(stop.c_str());
        }
    }
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    const std::string& Problem() const { return m_problem; }
    std::string Url() const { return "postgresql://orvex@127.0.0.1:" + std::to_string(m_port) + "/postgres"; }

private:
    std::string m_dir, m_as, m_pgCtl, m_problem;
    std::error_code m_ec;
    int m_port = 0;
    bool m_started = false;
};

// A pop-up as the visitor gets it.
struct Popup {
    int status = 0;
    std::string body, token, retryAfter;
};

// The suite runs once on SQLite and once on PostgreSQL.
class ServiceTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (GetParam() == "postgresql") {
            m_postgres = std::make_unique<PostgresServer>(m_dir.Path());
            if (!m_postgres->Problem().empty()) {
                GTEST_SKIP() << m_postgres->Problem();
            }
            m_url = m_postgres->Url();
        } else {
            m_url = "sqlite:" + m_dir.Path("data/service.db");
        }
    }
    void TearDown() override {
        m_http.reset();
        if (m_service != nullptr) {
            m_service->Signal(SIGTERM);
            EXPECT_EQ(m_service->Wait(), 0) << Slurp(m_dir.Path("service.err"));
        }
    }

    // Starts orvex-service with these extra arguments (--limit ...) on port (0: any).
    void StartService(const std::vector<std::string>& extra = {}, int port = 0) {
        std::vector<std::string> argv = {
            ORVEX_SERVICE_PATH, "serve", "--listen", "127.0.0.1:" + std::to_string(port), "--db", m_url};
        argv.insert(argv.end(), extra.begin(), extra.end());
        m_service = std::make_unique<Child>(argv, m_dir.Path("service.err"));
        const std::string line = m_service->ReadLine();
        std::smatch m;
        ASSERT_TRUE(std::regex_search(line, m, std::regex("listening on http://127\\.0\\.0\\.1:([0-9]+)")))
            << line << Slurp(m_dir.Path("service.err"));
        m_port = std::stoi(m[1]);
        m_http = ClientFrom("127.0.0.1");
    }
    std::string Host() const { return "127.0.0.1:" + std::to_string(m_port); }
    // A visitor at another loopback address (the whole of 127/8 reaches the service).
    std::unique_ptr<httplib::Client> ClientFrom(const std::string& address) const {
        auto client = std::make_unique<httplib::Client>("127.0.0.1", m_port);
        client->set_interface(address);
        client->set_read_timeout(60, 0);
        return client;
    }
    // The operator's command, with the password on standard input.
    ProcessResult Operator(const std::vector<std::string>& args, const std::string& input = "") {
        const std::string in = m_dir.Path("stdin");
        { std::ofstream(in, std::ios::binary) << input; }
        std::string cmd = ShellQuote(ORVEX_SERVICE_PATH);
        for (const auto& a : args) {
            cmd += " " + ShellQuote(a);
        }
        cmd += " --db " + ShellQuote(m_url) + " <" + in + " >" + m_dir.Path("op.out") + " 2>" + m_dir.Path("op.err");
        ProcessResult r;
        const int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = Slurp(m_dir.Path("op.out"));
        r.err = Slurp(m_dir.Path("op.err"));
        return r;
    }
    void AddMember(const std::string& user, const std::string& password) {
        const auto r = Operator({"member", "add", user}, password + "\n");
        ASSERT_EQ(r.status, 0) << r.out << r.err;
    }

    static std::string Digest(const std::string& password) { return Md5HexOfBuffer(password.data(), password.size()); }
    // The one line the service answers to a page's upload, as the converter sends it.
    std::string Upload(const std::string& user, const std::string& password, const std::string& addresses) {
        auto res = m_http->Post("/service/savedata.vrt",
                                "UserId=" + user + "&PassWd=" + Digest(password) + "&EMailData=" + addresses,
                                "application/x-www-form-urlencoded");
        return res ? res->body : "(no answer)";
    }
    std::string Clean(const std::string& user, const std::string& password) {
        auto res = m_http->Get("/service/delemaildata.vrt?UserId=" + user + "&PassWd=" + Digest(password));
        return res ? res->body : "(no answer)";
    }
    // The pop-up address of a success line's page.
    static std::string PopupTarget(const std::string& user, const std::string& successLine, int number) {
        std::smatch m;
        EXPECT_TRUE(std::regex_match(successLine, m, std::regex("success([0-9]+) ([0-9a-f]{32}) ([0-9]+) ")))
            << successLine;
        return "/service/velmorantin.vrt?UserId=" + user + "&UniqId=" + std::to_string(number) +
               "&Section=" + m[1].str() + "&PageCode=" + m[2].str();
    }

    Popup Open(httplib::Client& from, const std::string& target) {
        Popup p;
        auto res = from.Get(target);
        if (!res) {
            return p;
        }
        p.status = res->status;
        p.body = res->body;
        p.retryAfter = res->get_header_value("Retry-After");
        std::smatch m;
        if (std::regex_search(p.body, m, std::regex("name=\"token\" value=\"([0-9a-f]{32})\""))) {
            p.token = m[1];
        }
        return p;
    }
    httplib::Result Answer(httplib::Client& from, const std::string& token, const std::string& code) {
        return from.Post("/service/velmorantout.vrt", httplib::Params{{"token", token}, {"code", code}});
    }
    // The code of a pending pop-up, as a person would read it off the image.
    std::string CodeOf(const Popup& p) {
        service::Rows rows;
        Db().Exec("SELECT code FROM codes WHERE token = $1", {p.token}, &rows);
        return rows.empty() ? std::string() : rows[0].Text(0);
    }
    static std::string RevealedAddress(const httplib::Result& res) {
        std::smatch m;
        if (res && res->status == 200 &&
            std::regex_search(res->body, m, std::regex("<a id=\"address\" href=\"mailto:([^\"]*)\">([^<]*)</a>"))) {
            return m[1] == m[2] ? m[1].str() : "(link and text differ)";
        }
        return {};
    }
    // Opens the pop-up and types its code: the address shown, or "" when refused.
    std::string Reveal(httplib::Client& from, const std::string& target) {
        const Popup p = Open(from, target);
        return p.token.empty() ? std::string() : RevealedAddress(Answer(from, p.token, CodeOf(p)));
    }

    service::Database& Db() {
        if (m_db == nullptr) {
            std::string error;
            m_db = service::OpenDatabase(m_url, error);
            EXPECT_NE(m_db, nullptr) << error;
        }
        return *m_db;
    }
    int64_t Count(const std::string& sql, const std::vector<service::Value>& params = {}) {
        service::Rows rows;
        EXPECT_TRUE(Db().Exec(sql, params, &rows)) << Db().LastError();
        return rows.empty() ? -1 : rows[0].Int(0);
    }

    TempDir m_dir;
    std::unique_ptr<PostgresServer> m_postgres;
    std::string m_url;
    std::unique_ptr<Child> m_service;
    int m_port = 0;
    std::unique_ptr<httplib::Client> m_http;
    std::unique_ptr<service::Database> m_db;
};

inline std::string WrongCode(const std::string& code) {
    std::string wrong = std::to_string((std::stoi(code) + 1) % 10000);
    return std::string(4 - wrong.size(), '0') + wrong;
}

} // namespace orvex::test
