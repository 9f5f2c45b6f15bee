// SPDX-License-Identifier: MIT
// Members, uploads and cleanings on the service's database.
#include "service/service_store.h"

#include "service/passwords.h"
#include "service/random_text.h"

#include <array>

namespace orvex::service {

namespace {

// Each migration is a list of statements; applied in order, once, recorded in schema_version.
const std::array<std::vector<std::string_view>, 1> kMigrations = {{
    {
        "CREATE TABLE members (user_id BYTEA PRIMARY KEY, password_hash TEXT NOT NULL,"
        " stored BIGINT NOT NULL DEFAULT 0, pages BIGINT NOT NULL DEFAULT 0, cleaned_at BIGINT,"
        " pw_failures BIGINT NOT NULL DEFAULT 0, pw_since BIGINT NOT NULL DEFAULT 0,"
        " pw_locked_until BIGINT NOT NULL DEFAULT 0, created BIGINT NOT NULL)",
        "CREATE TABLE pages (user_id BYTEA NOT NULL REFERENCES members (user_id) ON DELETE CASCADE,"
        " section TEXT NOT NULL, page_code TEXT NOT NULL, first_number BIGINT NOT NULL, count BIGINT NOT NULL,"
        " created BIGINT NOT NULL, PRIMARY KEY (user_id, section))",
        "CREATE TABLE addresses (user_id BYTEA NOT NULL, number BIGINT NOT NULL, section TEXT NOT NULL,"
        " address BYTEA NOT NULL, PRIMARY KEY (user_id, number),"
        " FOREIGN KEY (user_id, section) REFERENCES pages (user_id, section) ON DELETE CASCADE)",
        "CREATE INDEX addresses_page ON addresses (user_id, section)",
        "CREATE TABLE codes (token TEXT PRIMARY KEY, code TEXT NOT NULL, client TEXT NOT NULL,"
        " user_id BYTEA NOT NULL, number BIGINT NOT NULL, section TEXT NOT NULL, page_code TEXT NOT NULL,"
        " created BIGINT NOT NULL)",
        "CREATE INDEX codes_created ON codes (created)",
        "CREATE TABLE client_state (client TEXT PRIMARY KEY, failures BIGINT NOT NULL, since BIGINT NOT NULL,"
        " blocked_until BIGINT NOT NULL)",
        "CREATE TABLE reveals (at BIGINT NOT NULL, user_id BYTEA NOT NULL, client TEXT NOT NULL,"
        " network TEXT NOT NULL, section TEXT NOT NULL, number BIGINT NOT NULL)",
        "CREATE INDEX reveals_member ON reveals (user_id, at)",
        "CREATE INDEX reveals_at ON reveals (at)",
        "CREATE TABLE popups (at BIGINT NOT NULL, user_id BYTEA NOT NULL, client TEXT NOT NULL)",
        "CREATE INDEX popups_member ON popups (user_id, at)",
        "CREATE INDEX popups_at ON popups (at)",
        "CREATE TABLE registrations (at BIGINT NOT NULL, client TEXT NOT NULL)",
    },
}};

bool IsHex32(std::string_view s, size_t at) {
    return at + 32 <= s.size() && IsDigestText(s.substr(at, 32));
}

} // namespace

std::optional<UploadFields> ParseUploadBody(std::string_view body) {
    constexpr std::string_view kUser = "UserId=", kPass = "&PassWd=", kData = "&EMailData=";
    if (!body.starts_with(kUser)) {
        return std::nullopt;
    }
    // The digest has a fixed shape, so the first "&PassWd=<32 hex>&EMailData=" ends the UserId
    // whatever the UserId holds.
    for (size_t at = body.find(kPass, kUser.size()); at != std::string_view::npos; at = body.find(kPass, at + 1)) {
        const size_t digestAt = at + kPass.size();
        if (IsHex32(body, digestAt) && body.substr(digestAt + 32).starts_with(kData)) {
            UploadFields f;
            f.userId = body.substr(kUser.size(), at - kUser.size());
            f.digest = body.substr(digestAt, 32);
            f.addresses = body.substr(digestAt + 32 + kData.size());
            return f;
        }
    }
    return std::nullopt;
}

std::optional<UploadFields> ParseCleanQuery(std::string_view query) {
    constexpr std::string_view kUser = "UserId=", kPass = "&PassWd=";
    const size_t at = query.rfind(kPass);
    if (!query.starts_with(kUser) || at == std::string_view::npos || at < kUser.size()) {
        return std::nullopt;
    }
    UploadFields f;
    f.userId = query.substr(kUser.size(), at - kUser.size());
    f.digest = query.substr(at + kPass.size());
    return f;
}

ServiceStore::ServiceStore(DatabasePool& pool, ServiceLimits limits, std::function<int64_t()> now)
    : m_pool(pool), m_limits(limits), m_now(std::move(now)) {}

bool ServiceStore::Migrate(Database& db, std::string& error) {
    const bool ok = InTransaction(db, [&] {
        if (!db.LockForMigration() ||
            !db.Exec("CREATE TABLE IF NOT EXISTS schema_version (version BIGINT NOT NULL)", {})) {
            return false;
        }
        Rows rows;
        if (!db.Exec("SELECT MAX(version) FROM schema_version", {}, &rows)) {
            return false;
        }
        const int64_t have = rows.empty() ? 0 : rows[0].Int(0);
        for (size_t v = static_cast<size_t>(have); v < kMigrations.size(); ++v) {
            for (const std::string_view statement : kMigrations[v]) {
                if (!db.Exec(statement, {})) {
                    return false;
                }
            }
            if (!db.Exec("INSERT INTO schema_version (version) VALUES ($1)", {static_cast<int64_t>(v + 1)})) {
                return false;
            }
        }
        return true;
    });
    if (!ok) {
        error = db.LastError();
    }
    return ok;
}

MemberChange ServiceStore::AddMember(const std::string& userId, std::string_view digest) {
    const std::string hash = HashPassword(digest);
    auto db = m_pool.Acquire();
    if (!db || hash.empty()) {
        return MemberChange::Failed;
    }
    Rows rows;
    if (!db->Exec("INSERT INTO members (user_id, password_hash, created) VALUES ($1, $2, $3)"
                  " ON CONFLICT (user_id) DO NOTHING RETURNING 1",
                  {Bytes{userId}, hash, m_now()}, &rows)) {
        return MemberChange::Failed;
    }
    return rows.empty() ? MemberChange::Exists : MemberChange::Done;
}

MemberChange ServiceStore::RemoveMember(const std::string& userId) {
    auto db = m_pool.Acquire();
    if (!db) {
        return MemberChange::Failed;
    }
    bool found = false;
    const bool ok = InTransaction(*db, [&] {
        Rows rows;
        if (!db->Exec("DELETE FROM members WHERE user_id = $1 RETURNING 1", {Bytes{userId}}, &rows)) {
            return false;
        }
        found = !rows.empty();
        return db->Exec("DELETE FROM codes WHERE user_id = $1", {Bytes{userId}}) &&
               db->Exec("DELETE FROM reveals WHERE user_id = $1", {Bytes{userId}}) &&
               db->Exec("DELETE FROM popups WHERE user_id = $1", {Bytes{userId}});
    });
    if (!ok) {
        return MemberChange::Failed;
    }
    return found ? MemberChange::Done : MemberChange::Missing;
}

// member: password_hash, pw_failures, pw_since, pw_locked_until. A locked password is wrong
// without being tried, so guessing during the lock learns nothing.
bool ServiceStore::CheckPassword(Database& db, const Row& member, const std::string& userId, std::string_view digest) {
    const int64_t now = m_now();
    if (member.Int(3) > now) {
        return false;
    }
    if (IsDigestText(digest) && VerifyPassword(member.Text(0), digest)) {
        if (member.Int(1) > 0) {
            db.Exec("UPDATE members SET pw_failures = 0 WHERE user_id = $1", {Bytes{userId}});
        }
        return true;
    }
    Rows rows;
    db.Exec("UPDATE members SET"
            " pw_failures = CASE WHEN $2 - pw_since > $3 THEN 1 ELSE pw_failures + 1 END,"
            " pw_since = CASE WHEN $2 - pw_since > $3 THEN $2 ELSE pw_since END"
            " WHERE user_id = $1 RETURNING pw_failures",
            {Bytes{userId}, now, m_limits.password_window}, &rows);
    if (!rows.empty() && m_limits.password_failures > 0 && rows[0].Int(0) >= m_limits.password_failures) {
        db.Exec("UPDATE members SET pw_failures = 0, pw_locked_until = $2 WHERE user_id = $1",
                {Bytes{userId}, now + m_limits.password_lock});
    }
    return false;
}

UploadOutcome ServiceStore::Upload(const UploadFields& f) {
    UploadOutcome out;
    auto db = m_pool.Acquire();
    Rows member;
    if (!db || !db->Exec("SELECT password_hash, pw_failures, pw_since, pw_locked_until FROM members"
                         " WHERE user_id = $1",
                         {Bytes{f.userId}}, &member)) {
        out.code = UploadCode::UpdateFailed;
        return out;
    }
    if (member.empty()) {
        out.code = UploadCode::NoUser;
        return out;
    }
    if (f.addresses.size() > kMaxAddressListBytes) {
        out.code = UploadCode::TooLong;
        return out;
    }
    if (!CheckPassword(*db, member[0], f.userId, f.digest)) {
        out.code = UploadCode::WrongPassword;
        return out;
    }
    // Split on every space, empty items included: the converter numbers exactly these.
    std::vector<std::string_view> addresses;
    const std::string_view all = f.addresses;
    for (size_t from = 0;;) {
        const size_t space = all.find(' ', from);
        addresses.push_back(all.substr(from, space == std::string_view::npos ? std::string_view::npos : space - from));
        if (space == std::string_view::npos) {
            break;
        }
        from = space + 1;
    }
    const auto count = static_cast<int64_t>(addresses.size());
    bool full = false;
    const bool ok = InTransaction(*db, [&] {
        Rows rows;
        if (!db->Exec("UPDATE members SET stored = stored + $2, pages = pages + 1"
                      " WHERE user_id = $1 AND stored + $2 <= $3 RETURNING stored - $2, pages",
                      {Bytes{f.userId}, count, kStoreSize}, &rows)) {
            return false;
        }
        if (rows.empty()) {
            full = true;
            return false;
        }
        out.start = rows[0].Int(0);
        out.section = std::to_string(rows[0].Int(1));
        out.pageCode = RandomHex(16);
        if (!db->Exec("INSERT INTO pages (user_id, section, page_code, first_number, count, created)"
                      " VALUES ($1, $2, $3, $4, $5, $6)",
                      {Bytes{f.userId}, out.section, out.pageCode, out.start, count, m_now()})) {
            return false;
        }
        std::string sql = "INSERT INTO addresses (user_id, section, number, address) VALUES ";
        std::vector<Value> params = {Bytes{f.userId}, out.section};
        for (size_t i = 0; i < addresses.size(); ++i) {
            const size_t p = params.size() + 1;
            sql += (i == 0 ? "($1, $2, $" : ", ($1, $2, $") + std::to_string(p) + ", $" + std::to_string(p + 1) + ")";
            params.emplace_back(out.start + static_cast<int64_t>(i));
            params.emplace_back(Bytes{std::string(addresses[i])});
        }
        return db->Exec(sql, params);
    });
    if (!ok) {
        out.code = full ? UploadCode::StoreFull : UploadCode::UpdateFailed;
        if (!full) {
            ReportFailure("upload", *db);
        }
    }
    return out;
}

CleanCode ServiceStore::Clean(const UploadFields& f) {
    auto db = m_pool.Acquire();
    Rows member;
    if (!db || !db->Exec("SELECT password_hash, pw_failures, pw_since, pw_locked_until FROM members"
                         " WHERE user_id = $1",
                         {Bytes{f.userId}}, &member)) {
        return CleanCode::DeleteFailed;
    }
    if (member.empty()) {
        return CleanCode::NoUser;
    }
    if (!CheckPassword(*db, member[0], f.userId, f.digest)) {
        return CleanCode::WrongPassword;
    }
    CleanCode code = CleanCode::Done;
    const int64_t now = m_now();
    const bool ok = InTransaction(*db, [&] {
        // Locks the member's row first: two cleanings at once are one cleaning and one refusal.
        Rows rows;
        if (!db->Exec("UPDATE members SET stored = stored WHERE user_id = $1 RETURNING stored, cleaned_at",
                      {Bytes{f.userId}}, &rows)) {
            return false;
        }
        if (rows.empty()) {
            code = CleanCode::NoUser;
            return true;
        }
        if (!rows[0].IsNull(1) && now - rows[0].Int(1) < m_limits.cleaning_pause) {
            code = CleanCode::TooSoon;
            return true;
        }
        if (rows[0].Int(0) == 0) {
            code = CleanCode::NoData;
            return true;
        }
        return db->Exec("DELETE FROM pages WHERE user_id = $1", {Bytes{f.userId}}) &&
               db->Exec("UPDATE members SET stored = 0, cleaned_at = $2 WHERE user_id = $1", {Bytes{f.userId}, now});
    });
    if (!ok) {
        ReportFailure("cleaning", *db);
        return CleanCode::DeleteFailed;
    }
    return code;
}

} // namespace orvex::service
