// SPDX-License-Identifier: MIT
// orvex-service under a bounded load on 127.0.0.1: fifty members uploading twenty pages each at
// once while the service is killed and started again, then two hundred pop-ups at once.
#include "service/passwords.h"
#include "service_fixture.h"

#include <atomic>
#include <latch>
#include <map>
#include <mutex>
#include <thread>

namespace orvex::test {
namespace {

constexpr int kMembers = 50;
constexpr int kPages = 20;
constexpr int kPerPage = 4;

std::string Address(int member, int page, int k) {
    return "m" + std::to_string(member) + "p" + std::to_string(page) + "a" + std::to_string(k) + "@load.test";
}

TEST_P(ServiceTest, LoadWithAKillAndRestartInTheMiddle) {
    StartService();
    // Members straight into the database, all with one password hash: the load is the uploads.
    ASSERT_TRUE(service::InitPasswords());
    const std::string hash = service::HashPassword(Digest("s3cret"));
    for (int i = 0; i < kMembers; ++i) {
        ASSERT_TRUE(Db().Exec("INSERT INTO members (user_id, password_hash, created) VALUES ($1, $2, 0)",
                              {service::Bytes{"m" + std::to_string(i)}, hash}))
            << Db().LastError();
    }
    const int port = m_port;
    std::atomic<int> answered{0}, unanswered{0}, restarts{0};
    std::mutex mutex;
    std::vector<std::string> malformed;
    std::vector<std::thread> members;
    for (int i = 0; i < kMembers; ++i) {
        members.emplace_back([&, i] {
            httplib::Client client("127.0.0.1", port);
            client.set_connection_timeout(30, 0);
            // Never give up on a slow answer: a request given up while the service still
            // works on it could be stored and then sent again.
            client.set_read_timeout(120, 0);
            std::string error;
            std::unique_ptr<service::Database> db;
            for (int page = 0; page < kPages; ++page) {
                std::string list;
                for (int k = 0; k < kPerPage; ++k) {
                    list += (k == 0 ? "" : " ") + Address(i, page, k);
                }
                for (;;) {
                    const int generation = restarts.load();
                    auto res = client.Post("/service/savedata.vrt",
                                           "UserId=m" + std::to_string(i) + "&PassWd=" + Digest("s3cret") +
                                               "&EMailData=" + list,
                                           "application/x-www-form-urlencoded");
                    if (res) {
                        if (!std::regex_match(res->body, std::regex("success[0-9]+ [0-9a-f]{32} [0-9]+ "))) {
                            std::lock_guard lock(mutex);
                            malformed.push_back(res->body);
                        }
                        ++answered;
                        break;
                    }
                    // No answer: the service was killed. Once it is back, what was stored stays
                    // stored and only the rest is sent again.
                    ++unanswered;
                    if (generation > 0) {
                        std::lock_guard lock(mutex);
                        malformed.push_back("no answer after the restart");
                        break;
                    }
                    while (restarts.load() == generation) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    }
                    if (db == nullptr) {
                        db = service::OpenDatabase(m_url, error);
                    }
                    service::Rows rows;
                    ASSERT_TRUE(db->Exec("SELECT 1 FROM addresses WHERE address = $1",
                                         {service::Bytes{Address(i, page, 0)}}, &rows));
                    if (!rows.empty()) {
                        break;
                    }
                }
            }
        });
    }
    while (answered.load() < kMembers * kPages / 3) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_service->Signal(SIGKILL);
    m_service->Wait();
    m_service.reset();
    StartService({}, port);
    ++restarts;
    for (auto& t : members) {
        t.join();
    }
    EXPECT_TRUE(malformed.empty()) << malformed.front();
    EXPECT_GT(answered.load(), kMembers * kPages / 3);
    // Every page stored exactly once, numbered without gaps within its member's store.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM addresses"), kMembers * kPages * kPerPage);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM pages"), kMembers * kPages);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM members WHERE stored = $1", {int64_t{kPages * kPerPage}}), kMembers);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM (SELECT user_id FROM addresses GROUP BY user_id"
                    " HAVING MAX(number) = $1 AND COUNT(DISTINCT address) = $2) AS full_members",
                    {int64_t{kPages * kPerPage - 1}, int64_t{kPages * kPerPage}}),
              kMembers);

    // Two hundred pop-ups at once, each from a client of its own, then their answers at once.
    constexpr int kPopups = 200;
    std::vector<std::string> targets(kPopups), clients(kPopups), expected(kPopups);
    for (int t = 0; t < kPopups; ++t) {
        const int member = t % kMembers;
        const int k = t / kMembers;
        service::Rows rows;
        ASSERT_TRUE(Db().Exec("SELECT p.section, p.page_code, a.address FROM pages p JOIN addresses a ON"
                              " a.user_id = p.user_id AND a.section = p.section WHERE p.user_id = $1 AND a.number = $2",
                              {service::Bytes{"m" + std::to_string(member)}, int64_t{k}}, &rows));
        ASSERT_EQ(rows.size(), 1u);
        targets[static_cast<size_t>(t)] = "/service/velmorantin.vrt?UserId=m" + std::to_string(member) +
                                          "&UniqId=" + std::to_string(k) + "&Section=" + rows[0].Text(0) +
                                          "&PageCode=" + rows[0].Text(1);
        expected[static_cast<size_t>(t)] = rows[0].Text(2);
        clients[static_cast<size_t>(t)] = "127.0." + std::to_string(1 + t / 100) + "." + std::to_string(1 + t % 100);
    }
    std::vector<Popup> popups(kPopups);
    std::vector<std::string> shown(kPopups);
    const auto atOnce = [&](const std::function<void(size_t)>& request) {
        std::latch start(kPopups);
        std::vector<std::thread> threads;
        for (size_t t = 0; t < kPopups; ++t) {
            threads.emplace_back([&, t] {
                start.arrive_and_wait();
                request(t);
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
    };
    atOnce([&](size_t t) { popups[t] = Open(*ClientFrom(clients[t]), targets[t]); });
    std::vector<std::string> codes(kPopups);
    for (size_t t = 0; t < kPopups; ++t) {
        ASSERT_EQ(popups[t].status, 200) << popups[t].body;
        codes[t] = CodeOf(popups[t]);
    }
    atOnce([&](size_t t) { shown[t] = RevealedAddress(Answer(*ClientFrom(clients[t]), popups[t].token, codes[t])); });
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM reveals"), kPopups);
}

} // namespace
} // namespace orvex::test
