#include "server/store/connection_pool.h"

#include "server/store/open_database.h"

#include <thread>

namespace textowl::server {

int defaultDatabaseConnections() {
    return 2 * static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

ConnectionPool::ConnectionPool(std::string location, DatabaseOptions options)
    : m_location(std::move(location)), m_options(options),
      m_dialect(isPostgresLocation(m_location) ? SqlDialect::Postgres : SqlDialect::Sqlite) {
    if (m_options.connections <= 0) {
        m_options.connections = defaultDatabaseConnections();
    }
    m_single = m_dialect == SqlDialect::Sqlite && (m_location.empty() || m_location == ":memory:" ||
                                                   m_location.rfind("file:", 0) == 0);
    // Opened at once, so that a database that cannot be opened fails the start, not a call.
    if (m_dialect == SqlDialect::Sqlite) {
        m_writer = open();
    } else {
        m_idle.push_back(open());
        m_opened = 1;
    }
}

ConnectionPool::~ConnectionPool() = default;

std::unique_ptr<SqlDatabase> ConnectionPool::open() {
    return openDatabase(m_location, m_options.timeout);
}

int ConnectionPool::capacity() const {
    if (m_single) {
        return 1;
    }
    return m_options.connections + (m_dialect == SqlDialect::Sqlite ? 1 : 0);
}

ConnectionPool::Lease ConnectionPool::lease(SqlDatabase::Kind kind) {
    const bool wantsWriter =
        m_dialect == SqlDialect::Sqlite && (m_single || kind != SqlDatabase::Kind::Read);
    const auto deadline = std::chrono::steady_clock::now() + m_options.timeout;
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (wantsWriter && m_writer) {
            return Lease(*this, std::move(m_writer), true);
        }
        if (!wantsWriter && !m_idle.empty()) {
            std::unique_ptr<SqlDatabase> db = std::move(m_idle.back());
            m_idle.pop_back();
            return Lease(*this, std::move(db), false);
        }
        if (!wantsWriter && m_opened < m_options.connections) {
            ++m_opened;
            lock.unlock();
            try {
                return Lease(*this, open(), false);
            } catch (...) {
                lock.lock();
                --m_opened;
                m_returned.notify_one();
                throw;
            }
        }
        if (m_returned.wait_until(lock, deadline) == std::cv_status::timeout) {
            throw SqlError("no database connection came free in time");
        }
    }
}

void ConnectionPool::giveBack(std::unique_ptr<SqlDatabase> db, bool writer) {
    {
        std::lock_guard lock(m_mutex);
        if (writer) {
            m_writer = std::move(db);
        } else {
            m_idle.push_back(std::move(db));
        }
    }
    // Writers and readers wait on one condition; each looks again for its own kind.
    m_returned.notify_all();
}

ConnectionPool::Lease::~Lease() {
    if (m_pool && m_db) {
        m_pool->giveBack(std::move(m_db), m_writer);
    }
}

} // namespace textowl::server
