#include "server/connection_pool.h"

#include <thread>

namespace textowl::server {

int defaultDatabaseConnections() {
    return 2 * static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

ConnectionPool::ConnectionPool(std::string location, DatabaseOptions options)
    : location_(std::move(location)), options_(options),
      dialect_(isPostgresLocation(location_) ? SqlDialect::Postgres : SqlDialect::Sqlite) {
    if (options_.connections <= 0) {
        options_.connections = defaultDatabaseConnections();
    }
    single_ = dialect_ == SqlDialect::Sqlite &&
              (location_.empty() || location_ == ":memory:" || location_.rfind("file:", 0) == 0);
    // Opened at once, so that a database that cannot be opened fails the start, not a call.
    if (dialect_ == SqlDialect::Sqlite) {
        writer_ = open();
    } else {
        idle_.push_back(open());
        opened_ = 1;
    }
}

ConnectionPool::~ConnectionPool() = default;

std::unique_ptr<SqlDatabase> ConnectionPool::open() {
    return openDatabase(location_, options_.timeout);
}

int ConnectionPool::capacity() const {
    if (single_) {
        return 1;
    }
    return options_.connections + (dialect_ == SqlDialect::Sqlite ? 1 : 0);
}

ConnectionPool::Lease ConnectionPool::lease(SqlDatabase::Kind kind) {
    const bool wantsWriter =
        dialect_ == SqlDialect::Sqlite && (single_ || kind != SqlDatabase::Kind::Read);
    const auto deadline = std::chrono::steady_clock::now() + options_.timeout;
    std::unique_lock lock(mutex_);
    for (;;) {
        if (wantsWriter && writer_) {
            return Lease(*this, std::move(writer_), true);
        }
        if (!wantsWriter && !idle_.empty()) {
            std::unique_ptr<SqlDatabase> db = std::move(idle_.back());
            idle_.pop_back();
            return Lease(*this, std::move(db), false);
        }
        if (!wantsWriter && opened_ < options_.connections) {
            ++opened_;
            lock.unlock();
            try {
                return Lease(*this, open(), false);
            } catch (...) {
                lock.lock();
                --opened_;
                returned_.notify_one();
                throw;
            }
        }
        if (returned_.wait_until(lock, deadline) == std::cv_status::timeout) {
            throw SqlError("no database connection came free in time");
        }
    }
}

void ConnectionPool::giveBack(std::unique_ptr<SqlDatabase> db, bool writer) {
    {
        std::lock_guard lock(mutex_);
        if (writer) {
            writer_ = std::move(db);
        } else {
            idle_.push_back(std::move(db));
        }
    }
    // Writers and readers wait on one condition; each looks again for its own kind.
    returned_.notify_all();
}

ConnectionPool::Lease::~Lease() {
    if (pool_ && db_) {
        pool_->giveBack(std::move(db_), writer_);
    }
}

} // namespace textowl::server
