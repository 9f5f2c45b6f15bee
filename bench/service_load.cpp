// SPDX-License-Identifier: MIT
// orvex-service-load HOST:PORT MEMBERS PASSWORD: drives a running orvex-service as the
// converter and visitors would: every member (m0 .. m<MEMBERS-1>, all with PASSWORD) uploads
// pages of four addresses from a thread of its own until its store is full, then the pop-ups of
// every stored address are opened, 32 at a time, each by a client address of its own. Prints
// "uploads <n> <per second>" and "popups <n> <per second>"; exits 1 when an answer is not what
// the service gives in good order.
#include "crypto/md5.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kPerPage = 4;
constexpr int kPagesPerMember = 25; // 100 addresses: a full store
constexpr int kPopupThreads = 32;

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: orvex-service-load HOST:PORT MEMBERS PASSWORD\n");
        return 2;
    }
    const std::string target = argv[1];
    const std::string host = target.substr(0, target.rfind(':'));
    const int port = std::stoi(target.substr(target.rfind(':') + 1));
    const int members = std::stoi(argv[2]);
    const std::string password = argv[3];
    const std::string digest = orvex::Md5HexOfBuffer(password.data(), password.size());

    std::mutex mutex;
    std::vector<std::string> popups; // pop-up addresses of every stored address
    std::atomic<int> bad{0};
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int m = 0; m < members; ++m) {
        threads.emplace_back([&, m] {
            httplib::Client client(host, port);
            client.set_read_timeout(120, 0);
            const std::regex success("success([0-9]+) ([0-9a-f]{32}) ([0-9]+) ");
            for (int page = 0; page < kPagesPerMember; ++page) {
                std::string list;
                for (int k = 0; k < kPerPage; ++k) {
                    list += (k == 0 ? "" : " ") + std::string("p") + std::to_string(page) + "a" + std::to_string(k) +
                            "@bench.test";
                }
                auto res = client.Post("/service/savedata.vrt",
                                       "UserId=m" + std::to_string(m) + "&PassWd=" + digest + "&EMailData=" + list,
                                       "application/x-www-form-urlencoded");
                std::smatch match;
                if (!res || !std::regex_match(res->body, match, success)) {
                    ++bad;
                    continue;
                }
                std::lock_guard lock(mutex);
                for (int k = 0; k < kPerPage; ++k) {
                    popups.push_back("/service/velmorantin.vrt?UserId=m" + std::to_string(m) +
                                     "&UniqId=" + std::to_string(std::stoi(match[3]) + k) +
                                     "&Section=" + match[1].str() + "&PageCode=" + match[2].str());
                }
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    const double uploadSeconds = Seconds(start);
    const int uploads = members * kPagesPerMember;
    std::printf("uploads %d %.1f\n", uploads, uploads / uploadSeconds);

    threads.clear();
    std::atomic<size_t> next{0};
    const auto popupStart = std::chrono::steady_clock::now();
    for (int t = 0; t < kPopupThreads; ++t) {
        threads.emplace_back([&] {
            for (size_t i = next++; i < popups.size(); i = next++) {
                httplib::Client client(host, port);
                client.set_interface("127.1." + std::to_string(i / 250) + "." + std::to_string(1 + i % 250));
                client.set_read_timeout(120, 0);
                auto res = client.Get(popups[i]);
                if (!res || res->status != 200 || res->body.find("name=\"token\"") == std::string::npos) {
                    ++bad;
                }
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    std::printf("popups %zu %.1f\n", popups.size(), static_cast<double>(popups.size()) / Seconds(popupStart));
    if (bad > 0) {
        std::fprintf(stderr, "orvex-service-load: %d answers were not the service's good answers\n", bad.load());
        return 1;
    }
    return 0;
}
