// SPDX-License-Identifier: MIT
// The storage connection on an SQLite file, in write-ahead-log mode so that readers never wait
// for the writer and every instance thread has its own connection.
#include "service/database.h"

#include <sqlite3.h>

#include <filesystem>

namespace orvex::service {
namespace {

class SqliteDatabase final : public Database {
public:
    explicit SqliteDatabase(sqlite3* db) : m_db(db) {}
    ~SqliteDatabase() override { sqlite3_close_v2(m_db); }
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    bool Exec(std::string_view sql, const std::vector<Value>& params, Rows* rows) override {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK) {
            return Fail();
        }
        bool ok = true;
        for (size_t i = 0; i < params.size() && ok; ++i) {
            // "$N" names its parameter; looked up by name, so a statement may use one twice.
            const std::string name = "$" + std::to_string(i + 1);
            const int at = sqlite3_bind_parameter_index(stmt, name.c_str());
            if (at == 0) {
                continue;
            }
            const Value& v = params[i];
            int rc = SQLITE_OK;
            if (const auto* n = std::get_if<int64_t>(&v)) {
                rc = sqlite3_bind_int64(stmt, at, *n);
            } else if (const auto* t = std::get_if<std::string>(&v)) {
                rc = sqlite3_bind_text64(stmt, at, t->data(), t->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            } else {
                const auto& b = std::get<Bytes>(v).data;
                rc = sqlite3_bind_blob64(stmt, at, b.data(), b.size(), SQLITE_TRANSIENT);
            }
            ok = rc == SQLITE_OK;
        }
        int rc = SQLITE_DONE;
        while (ok && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            if (rows == nullptr) {
                continue;
            }
            Row row;
            const int columns = sqlite3_column_count(stmt);
            for (int c = 0; c < columns; ++c) {
                if (sqlite3_column_type(stmt, c) == SQLITE_NULL) {
                    row.cells.emplace_back();
                    continue;
                }
                const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, c));
                const auto size = static_cast<size_t>(sqlite3_column_bytes(stmt, c));
                row.cells.emplace_back(std::string(data == nullptr ? "" : data, size));
            }
            rows->push_back(std::move(row));
        }
        ok = ok && rc == SQLITE_DONE;
        if (!ok) {
            m_error = sqlite3_errmsg(m_db);
        }
        sqlite3_finalize(stmt);
        return ok;
    }
    bool Begin() override { return Simple("BEGIN IMMEDIATE"); }
    bool Commit() override { return Simple("COMMIT"); }
    void Rollback() override {
        if (sqlite3_get_autocommit(m_db) == 0) {
            Simple("ROLLBACK");
        }
    }
    bool LockForMigration() override { return true; } // BEGIN IMMEDIATE holds the only write lock
    bool Healthy() override { return true; }
    std::string LastError() const override { return m_error; }

    bool Simple(const char* sql) {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
            return Fail();
        }
        return true;
    }

private:
    bool Fail() {
        m_error = sqlite3_errmsg(m_db);
        return false;
    }

    sqlite3* m_db;
    std::string m_error;
};

} // namespace

std::unique_ptr<Database> OpenSqlite(const std::string& path, std::string& error) {
    std::error_code ec;
    const auto parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) {
        std::filesystem::create_directories(parent, ec);
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        error = db == nullptr ? "out of memory" : sqlite3_errmsg(db);
        sqlite3_close_v2(db);
        return nullptr;
    }
    auto connection = std::make_unique<SqliteDatabase>(db);
    // Writers queue for each other rather than fail; a commit is on disk before its answer is
    // sent, so a crash loses nothing that was answered.
    sqlite3_busy_timeout(db, 30000);
    if (!connection->Simple("PRAGMA journal_mode=WAL") || !connection->Simple("PRAGMA synchronous=FULL") ||
        !connection->Simple("PRAGMA foreign_keys=ON")) {
        error = connection->LastError();
        return nullptr;
    }
    return connection;
}

} // namespace orvex::service
