// SPDX-License-Identifier: MIT
// The storage connection on a PostgreSQL server through libpq: instances keep nothing of their
// own, so any number of them can share one database.
#include "service/database.h"

#include <libpq-fe.h>

namespace orvex::service {
namespace {

// Type numbers of the server's catalogue, given with every parameter so that no statement
// depends on the server's guess.
constexpr Oid kByteaOid = 17;
constexpr Oid kInt8Oid = 20;
constexpr Oid kTextOid = 25;

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return c - 'A' + 10;
}

// A bytea cell in the text form of the server's hex output ("\x6162").
std::string FromByteaText(const char* text, size_t size) {
    std::string out;
    if (size < 2 || text[0] != '\\' || text[1] != 'x') {
        return std::string(text, size);
    }
    for (size_t i = 2; i + 1 < size; i += 2) {
        out += static_cast<char>(HexValue(text[i]) * 16 + HexValue(text[i + 1]));
    }
    return out;
}

class PostgresDatabase final : public Database {
public:
    explicit PostgresDatabase(PGconn* conn) : m_conn(conn) {}
    ~PostgresDatabase() override { PQfinish(m_conn); }
    PostgresDatabase(const PostgresDatabase&) = delete;
    PostgresDatabase& operator=(const PostgresDatabase&) = delete;

    bool Exec(std::string_view sql, const std::vector<Value>& params, Rows* rows) override {
        const size_t n = params.size();
        std::vector<std::string> texts(n);
        std::vector<const char*> values(n);
        std::vector<int> lengths(n), formats(n);
        std::vector<Oid> types(n);
        for (size_t i = 0; i < n; ++i) {
            const Value& v = params[i];
            if (const auto* number = std::get_if<int64_t>(&v)) {
                texts[i] = std::to_string(*number);
                types[i] = kInt8Oid;
            } else if (const auto* t = std::get_if<std::string>(&v)) {
                texts[i] = *t;
                types[i] = kTextOid;
            } else {
                texts[i] = std::get<Bytes>(v).data;
                types[i] = kByteaOid;
                formats[i] = 1; // binary: the bytes as they are
            }
            values[i] = texts[i].data();
            lengths[i] = static_cast<int>(texts[i].size());
        }
        const std::string statement(sql);
        PGresult* result = PQexecParams(m_conn, statement.c_str(), static_cast<int>(n), types.data(), values.data(),
                                        lengths.data(), formats.data(), 0);
        const ExecStatusType status = PQresultStatus(result);
        const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
        if (!ok) {
            m_error = PQerrorMessage(m_conn);
        } else if (rows != nullptr && status == PGRES_TUPLES_OK) {
            const int count = PQntuples(result);
            const int columns = PQnfields(result);
            for (int r = 0; r < count; ++r) {
                Row row;
                for (int c = 0; c < columns; ++c) {
                    if (PQgetisnull(result, r, c) != 0) {
                        row.cells.emplace_back();
                        continue;
                    }
                    const char* text = PQgetvalue(result, r, c);
                    const auto size = static_cast<size_t>(PQgetlength(result, r, c));
                    row.cells.emplace_back(PQftype(result, c) == kByteaOid ? FromByteaText(text, size)
                                                                           : std::string(text, size));
                }
                rows->push_back(std::move(row));
            }
        }
        PQclear(result);
        return ok;
    }
    bool Begin() override { return Exec("BEGIN", {}, nullptr); }
    bool Commit() override { return Exec("COMMIT", {}, nullptr); }
    void Rollback() override {
        if (PQtransactionStatus(m_conn) != PQTRANS_IDLE) {
            Exec("ROLLBACK", {}, nullptr);
        }
    }
    bool LockForMigration() override { return Exec("SELECT pg_advisory_xact_lock(780413)", {}, nullptr); }
    bool Healthy() override { return PQstatus(m_conn) == CONNECTION_OK; }
    std::string LastError() const override { return m_error; }

private:
    PGconn* m_conn;
    std::string m_error;
};

} // namespace

std::unique_ptr<Database> OpenPostgres(const std::string& conninfo, std::string& error) {
    PGconn* conn = PQconnectdb(conninfo.c_str());
    if (PQstatus(conn) != CONNECTION_OK) {
        error = PQerrorMessage(conn);
        PQfinish(conn);
        return nullptr;
    }
    auto db = std::make_unique<PostgresDatabase>(conn);
    // Notices ("relation already exists, skipping") are no concern of the service's log.
    PQsetNoticeProcessor(
        conn, [](void*, const char*) {}, nullptr);
    return db;
}

} // namespace orvex::service
