// SPDX-License-Identifier: MIT
// The service's storage connection: one SQL dialect that SQLite and PostgreSQL both read, with
// parameters written $1, $2, ... and three kinds of value (integers, text, raw bytes).
//
// Conventions in this file:
//   1. Every statement the service runs is valid in both engines; where they differ (transaction
//      start, migration lock, type of raw bytes) the difference lives in the connection class.
//   2. Raw bytes (UserIds and addresses: page bytes, often CP949) are BYTEA columns: PostgreSQL
//      keeps them unchanged, and SQLite stores a bound blob as it is whatever the column's type.
//   3. A failed call leaves its error in LastError(); nothing throws.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orvex::service {

struct Bytes {
    std::string data;
};

using Value = std::variant<int64_t, std::string, Bytes>;

// One result row; every cell as text (integers in decimal, bytes as they are), NULL as nullopt.
struct Row {
    std::vector<std::optional<std::string>> cells;
    int64_t Int(size_t i) const;
    std::string Text(size_t i) const;
    bool IsNull(size_t i) const { return !cells.at(i).has_value(); }
};
using Rows = std::vector<Row>;

class Database {
public:
    virtual ~Database() = default;
    // Runs one statement; rows, when given, receives what it returns. False on any error.
    virtual bool Exec(std::string_view sql, const std::vector<Value>& params, Rows* rows = nullptr) = 0;
    // Starts a transaction that writes: in SQLite it takes the write lock at once, so that two
    // connections cannot both read and then both fail to write.
    virtual bool Begin() = 0;
    virtual bool Commit() = 0;
    virtual void Rollback() = 0;
    // Inside a transaction: keeps every other instance out of the schema's migration.
    virtual bool LockForMigration() = 0;
    // False once the connection is gone (a restarted server); the pool then opens a new one.
    virtual bool Healthy() = 0;
    virtual std::string LastError() const = 0;
};

// "sqlite:PATH" (or a plain path) or a PostgreSQL connection string ("postgresql://..." or
// "postgres://..."). nullptr with error set when it cannot be opened.
std::unique_ptr<Database> OpenDatabase(const std::string& url, std::string& error);
bool IsPostgresUrl(std::string_view url);

std::unique_ptr<Database> OpenSqlite(const std::string& path, std::string& error);
std::unique_ptr<Database> OpenPostgres(const std::string& conninfo, std::string& error);

// One line on standard error for the operator: what failed and the database's own words.
void ReportFailure(std::string_view what, const Database& db);

// Runs body inside a write transaction; commits when it returns true, rolls back otherwise.
bool InTransaction(Database& db, const std::function<bool()>& body);

// Connections for the request threads: each request borrows one and gives it back.
class DatabasePool {
public:
    DatabasePool(std::string url, size_t size) : m_url(std::move(url)), m_size(size) {}

    class Lease {
    public:
        Lease(DatabasePool* pool, std::unique_ptr<Database> db) : m_pool(pool), m_db(std::move(db)) {}
        Lease(Lease&&) = default;
        Lease& operator=(Lease&&) = delete;
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        ~Lease();
        explicit operator bool() const { return m_db != nullptr; }
        Database& operator*() const { return *m_db; }
        Database* operator->() const { return m_db.get(); }

    private:
        DatabasePool* m_pool;
        std::unique_ptr<Database> m_db;
    };

    // A connection, opened when none is idle; empty when opening fails.
    Lease Acquire();

private:
    void Release(std::unique_ptr<Database> db);

    std::string m_url;
    size_t m_size;
    std::mutex m_mutex;
    std::condition_variable m_freed;
    std::vector<std::unique_ptr<Database>> m_idle;
    size_t m_open = 0;
};

} // namespace orvex::service
