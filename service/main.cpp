// SPDX-License-Identifier: MIT
// orvex-service: the hosted service that converted pages call (serve), and the operator's
// member commands (member add, member remove).
#include "crypto/md5.h"
#include "platform/text_codec.h"
#include "service/passwords.h"
#include "service/service_server.h"
#include "service/service_store.h"

#include <pthread.h>
#include <signal.h>

#include <array>
#include <charconv>
#include <ctime>
#include <functional>
#include <iostream>
#include <string>
#include <thread>

namespace {

using namespace orvex;
using namespace orvex::service;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: orvex-service serve [--listen ADDR:PORT] [--db URL] [--data DIR] [--popup-base URL]\n"
    "                           [--limit NAME=VALUE]... [--trusted-proxy ADDR]... [--threads N]\n"
    "       orvex-service member add USERID [--db URL] [--data DIR]   (password on standard input)\n"
    "       orvex-service member remove USERID [--db URL] [--data DIR]\n"
    "  --db URL     sqlite:FILE, or a PostgreSQL connection string (postgresql://user@host/db)\n"
    "  --data DIR   the SQLite database's folder when --db is not given (default orvex-service-data)\n";

struct Options {
    std::string listen = "127.0.0.1:8080";
    std::string db;
    std::string data = "orvex-service-data";
    ServiceLimits limits;
    ServerOptions server;
    std::vector<std::string> positional;
};

struct OptionRule {
    std::string_view name;
    std::function<bool(Options&, const std::string&, std::string&)> set;
};

bool ParseThreads(Options& o, const std::string& v, std::string& error) {
    size_t n = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (ec != std::errc() || end != v.data() + v.size() || n == 0 || n > 1024) {
        error = "--threads needs a number from 1 to 1024";
        return false;
    }
    o.server.threads = n;
    return true;
}

const std::array<OptionRule, 7> kOptions = {{
    {"--listen", [](Options& o, const std::string& v, std::string&) { return o.listen = v, true; }},
    {"--db", [](Options& o, const std::string& v, std::string&) { return o.db = v, true; }},
    {"--data", [](Options& o, const std::string& v, std::string&) { return o.data = v, true; }},
    {"--popup-base",
     [](Options& o, const std::string& v, std::string&) {
         o.server.popupBase = v.ends_with('/') ? v.substr(0, v.size() - 1) : v;
         return true;
     }},
    {"--limit", [](Options& o, const std::string& v, std::string& e) { return SetLimit(o.limits, v, e); }},
    {"--trusted-proxy",
     [](Options& o, const std::string& v, std::string&) { return o.server.trustedProxies.push_back(v), true; }},
    {"--threads", ParseThreads},
}};

bool ParseOptions(int argc, char** argv, int from, Options& o, std::string& error) {
    for (int i = from; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!arg.starts_with("--")) {
            o.positional.push_back(arg);
            continue;
        }
        const auto rule = std::ranges::find(kOptions, arg, &OptionRule::name);
        if (rule == kOptions.end()) {
            error = "unknown option " + arg;
            return false;
        }
        if (i + 1 >= argc) {
            error = arg + " needs a value";
            return false;
        }
        if (!rule->set(o, argv[++i], error)) {
            return false;
        }
    }
    return true;
}

std::string DatabaseUrl(const Options& o) {
    return o.db.empty() ? "sqlite:" + o.data + "/service.db" : o.db;
}

int64_t Now() {
    return static_cast<int64_t>(std::time(nullptr));
}

// Opens the database and brings its schema up to date.
bool Prepare(const std::string& url) {
    std::string error;
    auto db = OpenDatabase(url, error);
    if (db == nullptr || !ServiceStore::Migrate(*db, error)) {
        std::cerr << "orvex-service: cannot open the database " << url << ": " << error << "\n";
        return false;
    }
    return true;
}

int Serve(const Options& o) {
    const size_t colon = o.listen.rfind(':');
    int port = -1;
    if (colon != std::string::npos) {
        std::from_chars(o.listen.data() + colon + 1, o.listen.data() + o.listen.size(), port);
    }
    if (colon == std::string::npos || port < 0 || port > 65535) {
        std::cerr << "orvex-service: --listen needs ADDR:PORT\n";
        return kExitUsage;
    }
    const std::string url = DatabaseUrl(o);
    if (!Prepare(url)) {
        return kExitFailed;
    }
    // SIGTERM and SIGINT are taken by one thread of ours; every other thread, the server's
    // workers included, inherits the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    DatabasePool pool(url, o.server.threads);
    ServiceStore store(pool, o.limits, Now);
    ServiceServer server(store, o.server);
    const std::string host = o.listen.substr(0, colon);
    if (!server.Bind(host, port)) {
        std::cerr << "orvex-service: cannot listen on " << o.listen << "\n";
        return kExitFailed;
    }
    std::thread stopper([&server, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.Stop(); // requests in progress are answered before Run returns
    });
    std::cout << "orvex-service: listening on http://" << host << ":" << server.Port() << " (database "
              << (IsPostgresUrl(url) ? "PostgreSQL" : url) << ")" << std::endl;
    server.Run();
    // Run also ends when the server fails; the stopper must not outlive the server either way.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    std::cout << "orvex-service: stopped" << std::endl;
    return kExitOk;
}

int Member(const std::string& action, const Options& o) {
    if (o.positional.size() != 1) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    std::string userId;
    if (!EncodeFromUtf8(o.positional[0], kCharsetCp949, userId)) {
        std::cerr << "orvex-service: the UserId has characters CP949 does not hold\n";
        return kExitUsage;
    }
    if (const std::string problem = UserIdProblem(userId); !problem.empty()) {
        std::cerr << "orvex-service: " << problem << "\n";
        return kExitUsage;
    }
    const std::string url = DatabaseUrl(o);
    if (!Prepare(url)) {
        return kExitFailed;
    }
    DatabasePool pool(url, 1);
    ServiceStore store(pool, o.limits, Now);
    MemberChange change = MemberChange::Failed;
    if (action == "add") {
        std::string line, password;
        std::getline(std::cin, line);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
            line.pop_back();
        }
        if (!EncodeFromUtf8(line, kCharsetCp949, password) || password.empty() || password.size() > 96) {
            std::cerr << "orvex-service: the password (first line of standard input) must be 1 to 96 bytes in CP949\n";
            return kExitUsage;
        }
        change = store.AddMember(userId, Md5HexOfBuffer(password.data(), password.size()));
    } else if (action == "remove") {
        change = store.RemoveMember(userId);
    } else {
        std::cerr << kUsage;
        return kExitUsage;
    }
    switch (change) {
    case MemberChange::Done:
        std::cout << "orvex-service: member " << o.positional[0] << (action == "add" ? " added" : " removed") << "\n";
        return kExitOk;
    case MemberChange::Exists:
        std::cerr << "orvex-service: member " << o.positional[0] << " exists already\n";
        return kExitFailed;
    case MemberChange::Missing:
        std::cerr << "orvex-service: no member " << o.positional[0] << "\n";
        return kExitFailed;
    case MemberChange::Failed:
        break;
    }
    std::cerr << "orvex-service: the database refused the change\n";
    return kExitFailed;
}

} // namespace

int main(int argc, char** argv) {
    if (!InitPasswords()) {
        std::cerr << "orvex-service: libsodium cannot start\n";
        return kExitFailed;
    }
    const std::string command = argc > 1 ? argv[1] : "";
    const bool member = command == "member" && argc > 2;
    if (command != "serve" && !member) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    Options o;
    std::string error;
    if (!ParseOptions(argc, argv, member ? 3 : 2, o, error)) {
        std::cerr << "orvex-service: " << error << "\n" << kUsage;
        return kExitUsage;
    }
    if (member) {
        return Member(argv[2], o);
    }
    if (!o.positional.empty()) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    return Serve(o);
}
