// SPDX-License-Identifier: MIT
// The engine-neutral half of the storage connection: opening by URL, transactions, the pool.
#include "service/database.h"

#include <charconv>
#include <cstdio>

namespace orvex::service {

int64_t Row::Int(size_t i) const {
    const auto& cell = cells.at(i);
    int64_t value = 0;
    if (cell) {
        std::from_chars(cell->data(), cell->data() + cell->size(), value);
    }
    return value;
}

std::string Row::Text(size_t i) const {
    return cells.at(i).value_or(std::string());
}

bool IsPostgresUrl(std::string_view url) {
    return url.starts_with("postgresql://") || url.starts_with("postgres://");
}

std::unique_ptr<Database> OpenDatabase(const std::string& url, std::string& error) {
    if (IsPostgresUrl(url)) {
        return OpenPostgres(url, error);
    }
    constexpr std::string_view kSqlite = "sqlite:";
    return OpenSqlite(url.starts_with(kSqlite) ? url.substr(kSqlite.size()) : url, error);
}

void ReportFailure(std::string_view what, const Database& db) {
    std::string error = db.LastError();
    while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) {
        error.pop_back();
    }
    std::fprintf(stderr, "orvex-service: %.*s: %s\n", static_cast<int>(what.size()), what.data(), error.c_str());
}

bool InTransaction(Database& db, const std::function<bool()>& body) {
    if (!db.Begin()) {
        return false;
    }
    if (!body()) {
        db.Rollback();
        return false;
    }
    if (!db.Commit()) {
        db.Rollback();
        return false;
    }
    return true;
}

DatabasePool::Lease::~Lease() {
    if (m_db != nullptr) {
        m_pool->Release(std::move(m_db));
    }
}

DatabasePool::Lease DatabasePool::Acquire() {
    std::unique_lock lock(m_mutex);
    m_freed.wait(lock, [this] { return !m_idle.empty() || m_open < m_size; });
    if (!m_idle.empty()) {
        auto db = std::move(m_idle.back());
        m_idle.pop_back();
        if (db->Healthy()) {
            return Lease(this, std::move(db));
        }
        --m_open; // a dead connection: replaced below
    }
    ++m_open;
    lock.unlock();
    std::string error;
    auto db = OpenDatabase(m_url, error);
    if (db == nullptr) {
        std::fprintf(stderr, "orvex-service: cannot open the database: %s\n", error.c_str());
        lock.lock();
        --m_open;
        m_freed.notify_one();
        return Lease(this, nullptr);
    }
    return Lease(this, std::move(db));
}

void DatabasePool::Release(std::unique_ptr<Database> db) {
    std::lock_guard lock(m_mutex);
    if (db->Healthy()) {
        m_idle.push_back(std::move(db));
    } else {
        --m_open;
    }
    m_freed.notify_one();
}

} // namespace orvex::service
