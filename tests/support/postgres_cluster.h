#pragma once

// A throwaway PostgreSQL cluster on loopback for tests and benchmarks: initdb into a temporary
// directory (as an unprivileged user when run as root), a free port, trust authentication,
// removed with the object.
//
//   REQUIRE_POSTGRES();  // skips without PostgreSQL, fails in CI
//   PostgresCluster pg;
//   ASSERT_TRUE(pg.ready()) << pg.failure();
//   serve --db pg.location("postgres")

#include "support/temp_dir.h"

#include <cstdlib>
#include <string>

namespace textowl::test {

class PostgresCluster {
public:
    // The directory holding initdb and pg_ctl, empty when PostgreSQL is not installed.
    static std::string binDir();

    PostgresCluster();
    ~PostgresCluster();
    PostgresCluster(const PostgresCluster&) = delete;
    PostgresCluster& operator=(const PostgresCluster&) = delete;

    bool ready() const { return m_failure.empty(); }
    const std::string& failure() const { return m_failure; }
    int port() const { return m_port; }

    // "postgresql://USER@127.0.0.1:PORT/NAME".
    std::string location(const std::string& database) const;
    // A new, empty database; false with failure() set when it could not be made.
    bool createDatabase(const std::string& name);
    // Stops and starts the server, data kept, for tests of a lost database. An immediate stop
    // ends every server process at once, as a crash of the server does.
    bool stop(bool immediately = false);
    bool start();

private:
    bool run(const std::string& command);

    TempDir m_dir;
    std::string m_bin, m_owner;
    int m_port = 0;
    bool m_running = false;
    std::string m_failure;
};

} // namespace textowl::test

// PostgreSQL tests skip where it is not installed, but never in CI, which installs it.
#define REQUIRE_POSTGRES()                                                                         \
    do {                                                                                           \
        if (::textowl::test::PostgresCluster::binDir().empty()) {                                  \
            const char* ci = std::getenv("CI");                                                    \
            if (ci != nullptr && std::string(ci) == "true") {                                      \
                FAIL() << "PostgreSQL (initdb, pg_ctl) is missing in CI";                          \
            }                                                                                      \
            GTEST_SKIP() << "PostgreSQL is not installed (no initdb and pg_ctl in PATH or "        \
                            "/usr/lib/postgresql/*/bin); scripts/bootstrap installs it";           \
        }                                                                                          \
    } while (false)
