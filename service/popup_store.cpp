// SPDX-License-Identifier: MIT
// The pop-up's state on the service's database: pending codes, failures and blocks per client,
// the reveal and pop-up quotas per client within a member's pages, and the member-wide caps.
#include "service/service_store.h"

#include <arpa/inet.h>
#include <sodium.h>

#include <algorithm>
#include <array>
#include <cstdio>

namespace orvex::service {

namespace {

// Locks (creating it when new) the client's row and returns failures, since, blocked_until.
bool LockClient(Database& db, const std::string& client, Rows& rows) {
    return db.Exec("INSERT INTO client_state (client, failures, since, blocked_until) VALUES ($1, 0, 0, 0)"
                   " ON CONFLICT (client) DO UPDATE SET client = excluded.client"
                   " RETURNING failures, since, blocked_until",
                   {client}, &rows) &&
           !rows.empty();
}

// When limit (0: none) is reached by the rows of table matching filter within window seconds:
// the moment the oldest that must expire does; 0 when not reached; -1 when the query fails.
// filter uses $1 .. $n for params; two more parameters are added after them.
int64_t LimitUntil(Database& db, std::string_view table, std::string_view filter, std::vector<Value> params,
                   int64_t limit, int64_t window, int64_t now) {
    if (limit <= 0) {
        return 0;
    }
    const size_t since = params.size() + 1;
    std::string sql = "SELECT at FROM " + std::string(table) + " WHERE " + std::string(filter) + " AND at > $" +
                      std::to_string(since) + " ORDER BY at DESC LIMIT 1 OFFSET $" + std::to_string(since + 1);
    params.emplace_back(now - window);
    params.emplace_back(limit - 1);
    Rows rows;
    if (!db.Exec(sql, params, &rows)) {
        return -1;
    }
    return rows.empty() ? 0 : rows[0].Int(0) + window;
}

} // namespace

std::string ClientKey(std::string_view address) {
    const std::string text(address.substr(0, address.find('%'))); // no interface of a link-local address
    std::array<unsigned char, 16> raw{};
    char out[INET6_ADDRSTRLEN] = {};
    if (inet_pton(AF_INET, text.c_str(), raw.data()) == 1) {
        return inet_ntop(AF_INET, raw.data(), out, sizeof out);
    }
    if (inet_pton(AF_INET6, text.c_str(), raw.data()) != 1) {
        return "unknown";
    }
    constexpr std::array<unsigned char, 12> kMapped = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (std::equal(kMapped.begin(), kMapped.end(), raw.begin())) {
        return inet_ntop(AF_INET, raw.data() + 12, out, sizeof out);
    }
    std::string key;
    for (size_t g = 0; g < 4; ++g) {
        std::snprintf(out, sizeof out, "%x", raw[2 * g] * 256U + raw[2 * g + 1]);
        key += (g == 0 ? "" : ":") + std::string(out);
    }
    return key + "::/64";
}

std::string NetworkKey(std::string_view client) {
    if (client.ends_with("/64")) {
        size_t at = 0;
        for (int colons = 0; colons < 3 && at != std::string_view::npos; ++colons) {
            at = client.find(':', at + (colons == 0 ? 0 : 1));
        }
        return std::string(client.substr(0, at)) + "::/48";
    }
    const size_t dot = client.rfind('.');
    return dot == std::string_view::npos ? std::string(client) : std::string(client.substr(0, dot)) + ".0/24";
}

void ServiceStore::PurgeExpired(Database& db, int64_t now) {
    // Once in a while rather than on every request: the quotas' queries only count rows inside
    // their windows, so expired rows are only space.
    int64_t last = m_lastPurge.load();
    if (now - last < 10 || !m_lastPurge.compare_exchange_strong(last, now)) {
        return;
    }
    db.Exec("DELETE FROM codes WHERE created < $1", {now - m_limits.token_seconds - 60});
    db.Exec("DELETE FROM reveals WHERE at <= $1", {now - kDay});
    db.Exec("DELETE FROM popups WHERE at <= $1", {now - kHour});
    db.Exec("DELETE FROM registrations WHERE at <= $1", {now - kHour});
    db.Exec("DELETE FROM client_state WHERE blocked_until <= $1 AND since < $2", {now, now - m_limits.failure_window});
}

std::optional<std::string> ServiceStore::LookupAddress(const AddressRef& ref) {
    auto db = m_pool.Acquire();
    Rows rows;
    if (!db ||
        !db->Exec("SELECT a.address FROM addresses a JOIN pages p ON p.user_id = a.user_id AND p.section = "
                  "a.section WHERE a.user_id = $1 AND a.number = $2 AND a.section = $3 AND p.page_code = $4",
                  {Bytes{ref.userId}, ref.number, ref.section, ref.pageCode}, &rows) ||
        rows.empty()) {
        return std::nullopt;
    }
    return rows[0].Text(0);
}

int64_t ServiceStore::RevealUntil(Database& db, const AddressRef& ref, const std::string& client, int64_t now,
                                  Refusal& why) {
    Rows seen;
    if (!db.Exec("SELECT 1 FROM reveals WHERE user_id = $1 AND client = $2 AND section = $3 AND number = $4"
                 " AND at > $5 LIMIT 1",
                 {Bytes{ref.userId}, client, ref.section, ref.number, now - kDay}, &seen)) {
        return -1;
    }
    if (!seen.empty()) {
        return 0; // seeing an address again costs nothing
    }
    const Bytes user{ref.userId};
    const std::array<int64_t, 3> client_limits = {
        LimitUntil(db, "reveals", "user_id = $1 AND client = $2", {user, client}, m_limits.reveal_per_hour, kHour, now),
        LimitUntil(db, "reveals", "user_id = $1 AND client = $2", {user, client}, m_limits.reveal_per_day, kDay, now),
        LimitUntil(db, "reveals", "user_id = $1 AND network = $2", {user, NetworkKey(client)},
                   m_limits.reveal_per_day_network, kDay, now),
    };
    if (std::ranges::find(client_limits, -1) != client_limits.end()) {
        return -1;
    }
    why = Refusal::Reveals;
    const int64_t until = std::ranges::max(client_limits);
    if (until != 0) {
        return until;
    }
    why = Refusal::MemberBusy;
    return LimitUntil(db, "reveals", "user_id = $1", {user}, m_limits.member_reveal_per_day, kDay, now);
}

PopupDecision ServiceStore::AdmitPopup(const AddressRef& ref, const std::string& client) {
    PopupDecision d;
    auto db = m_pool.Acquire();
    if (!db) {
        d.refusal = Refusal::MemberBusy;
        return d;
    }
    const int64_t now = m_now();
    PurgeExpired(*db, now);
    const Bytes user{ref.userId};
    const bool ok = InTransaction(*db, [&] {
        Rows state;
        if (!LockClient(*db, client, state)) {
            return false;
        }
        if (state[0].Int(2) > now) {
            d.refusal = Refusal::Blocked;
            return true;
        }
        const std::array<std::pair<Refusal, int64_t>, 2> popups = {{
            {Refusal::Popups, LimitUntil(*db, "popups", "user_id = $1 AND client = $2", {user, client},
                                         m_limits.popup_per_hour, kHour, now)},
            {Refusal::MemberBusy,
             LimitUntil(*db, "popups", "user_id = $1", {user}, m_limits.member_popup_per_hour, kHour, now)},
        }};
        for (const auto& [why, until] : popups) {
            if (until != 0) {
                d.refusal = why;
                d.until = until;
                return until > 0;
            }
        }
        Refusal why = Refusal::None;
        const int64_t until = RevealUntil(*db, ref, client, now, why);
        if (until != 0) {
            d.refusal = why;
            d.until = until;
            return until > 0;
        }
        return db->Exec("INSERT INTO popups (at, user_id, client) VALUES ($1, $2, $3)", {now, user, client});
    });
    if (!ok) {
        ReportFailure("pop-up", *db);
        d.refusal = Refusal::MemberBusy; // the database failed: nothing is drawn
        d.until = now + 60;
    }
    return d;
}

bool ServiceStore::StoreCode(const std::string& token, const std::string& code, const std::string& client,
                             const AddressRef& ref) {
    auto db = m_pool.Acquire();
    return db && db->Exec("INSERT INTO codes (token, code, client, user_id, number, section, page_code, created)"
                          " VALUES ($1, $2, $3, $4, $5, $6, $7, $8)",
                          {token, code, client, Bytes{ref.userId}, ref.number, ref.section, ref.pageCode, m_now()});
}

AnswerResult ServiceStore::Answer(const std::string& token, std::string_view typed, const std::string& client) {
    AnswerResult r;
    auto db = m_pool.Acquire();
    if (!db) {
        r.outcome = AnswerOutcome::MemberBusy;
        return r;
    }
    const int64_t now = m_now();
    std::string entered(typed);
    entered.erase(0, entered.find_first_not_of(" \t\r\n"));
    entered.erase(entered.find_last_not_of(" \t\r\n") + 1);
    // The block check, the claim of the code, the failure count and the quota decision in one
    // step under the client's row: a burst of parallel answers is counted exactly.
    const bool ok = InTransaction(*db, [&] {
        Rows state;
        if (!LockClient(*db, client, state)) {
            return false;
        }
        if (state[0].Int(2) > now) {
            r.outcome = AnswerOutcome::Blocked;
            return true;
        }
        Rows code;
        if (!db->Exec("DELETE FROM codes WHERE token = $1"
                      " RETURNING code, client, user_id, number, section, page_code, created",
                      {token}, &code)) {
            return false;
        }
        if (!code.empty()) {
            r.ref = AddressRef{code[0].Text(2), code[0].Int(3), code[0].Text(4), code[0].Text(5)};
        }
        const std::string expected = code.empty() ? std::string() : code[0].Text(0);
        if (code.empty() || code[0].Text(1) != client) {
            r.outcome = AnswerOutcome::Unknown;
        } else if (now - code[0].Int(6) > m_limits.token_seconds) {
            r.outcome = AnswerOutcome::Expired;
        } else if (entered.size() != expected.size() ||
                   sodium_memcmp(entered.data(), expected.data(), expected.size()) != 0) {
            r.outcome = AnswerOutcome::Wrong;
        } else {
            // A right code: failures stay counted, so mixing right and wrong answers does not
            // keep a reader from being blocked.
            Refusal why = Refusal::None;
            r.until = RevealUntil(*db, r.ref, client, now, why);
            if (r.until < 0) {
                return false;
            }
            if (r.until > 0) {
                r.outcome = why == Refusal::MemberBusy ? AnswerOutcome::MemberBusy : AnswerOutcome::Reveals;
                return true;
            }
            r.outcome = AnswerOutcome::Shown;
            Rows seen;
            return db->Exec("SELECT 1 FROM reveals WHERE user_id = $1 AND client = $2 AND section = $3"
                            " AND number = $4 AND at > $5",
                            {Bytes{r.ref.userId}, client, r.ref.section, r.ref.number, now - kDay}, &seen) &&
                   (!seen.empty() ||
                    db->Exec("INSERT INTO reveals (at, user_id, client, network, section, number)"
                             " VALUES ($1, $2, $3, $4, $5, $6)",
                             {now, Bytes{r.ref.userId}, client, NetworkKey(client), r.ref.section, r.ref.number}));
        }
        int64_t failures = state[0].Int(0);
        int64_t since = state[0].Int(1);
        if (now - since > m_limits.failure_window) {
            failures = 0;
            since = now;
        }
        ++failures;
        if (m_limits.max_failures > 0 && failures >= m_limits.max_failures) {
            r.outcome = AnswerOutcome::Blocked;
            return db->Exec("UPDATE client_state SET failures = 0, since = 0, blocked_until = $2 WHERE client = $1",
                            {client, now + m_limits.block_seconds});
        }
        return db->Exec("UPDATE client_state SET failures = $2, since = $3 WHERE client = $1",
                        {client, failures, since});
    });
    if (!ok) {
        ReportFailure("answer", *db);
        r.outcome = AnswerOutcome::MemberBusy;
        r.until = now + 60;
    }
    return r;
}

int64_t ServiceStore::AdmitRegistration(const std::string& client) {
    auto db = m_pool.Acquire();
    const int64_t now = m_now();
    if (!db) {
        return now + 60;
    }
    int64_t until = 0;
    const bool ok = InTransaction(*db, [&] {
        Rows state;
        if (!LockClient(*db, client, state)) {
            return false;
        }
        until = LimitUntil(*db, "registrations", "client = $1", {client}, m_limits.register_per_hour, kHour, now);
        return until == 0 ? db->Exec("INSERT INTO registrations (at, client) VALUES ($1, $2)", {now, client})
                          : until > 0;
    });
    return ok ? until : now + 60;
}

} // namespace orvex::service
