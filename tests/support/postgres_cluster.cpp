#include "support/postgres_cluster.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace textowl::test {
namespace fs = std::filesystem;
namespace {

int freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size) == 0) {
        port = ntohs(addr.sin_port);
    }
    close(fd);
    return port;
}

bool hasServerPrograms(const fs::path& dir) {
    return fs::exists(dir / "initdb") && fs::exists(dir / "pg_ctl") && fs::exists(dir / "createdb");
}

} // namespace

// Debian keeps the server programs out of PATH, under one directory per major version; the
// newest installed one wins.
std::string PostgresCluster::binDir() {
    if (const char* path = std::getenv("PATH")) {
        std::string rest = path;
        for (std::size_t start = 0; start <= rest.size();) {
            const std::size_t end = std::min(rest.find(':', start), rest.size());
            const fs::path dir = rest.substr(start, end - start);
            std::error_code ec;
            if (!dir.empty() &&
                hasServerPrograms(fs::canonical(dir / "initdb", ec).parent_path())) {
                return fs::canonical(dir / "initdb").parent_path().string();
            }
            start = end + 1;
        }
    }
    std::vector<fs::path> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
        if (hasServerPrograms(entry.path() / "bin")) {
            found.push_back(entry.path() / "bin");
        }
    }
    std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
        return std::atoi(a.parent_path().filename().c_str()) <
               std::atoi(b.parent_path().filename().c_str());
    });
    return found.empty() ? std::string() : found.back().string();
}

// The server refuses to run as root, so as root the cluster belongs to nobody.
PostgresCluster::PostgresCluster() : m_bin(binDir()), m_port(freePort()) {
    if (m_bin.empty()) {
        m_failure = "PostgreSQL is not installed";
        return;
    }
    if (geteuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (nobody == nullptr || chown(m_dir.path().c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
            m_failure = "cannot hand the cluster directory to the user nobody";
            return;
        }
        m_owner = "runuser -u nobody -- ";
    }
    if (!run("'" + m_bin + "/initdb' -D '" + m_dir.file("data").string() +
             "' -U pagewright --auth=trust --no-sync -E UTF8 --locale=C")) {
        m_failure = "initdb failed, see " + m_dir.file("setup.log").string();
        return;
    }
    start();
}

PostgresCluster::~PostgresCluster() {
    if (m_running) {
        run("'" + m_bin + "/pg_ctl' -D '" + m_dir.file("data").string() + "' -m immediate -w stop");
    }
}

bool PostgresCluster::run(const std::string& command) {
    const std::string log = m_dir.file("setup.log").string();
    return std::system((m_owner + command + " >>'" + log + "' 2>&1").c_str()) == 0;
}

std::string PostgresCluster::location(const std::string& database) const {
    return "postgresql://pagewright@127.0.0.1:" + std::to_string(m_port) + "/" + database;
}

bool PostgresCluster::createDatabase(const std::string& name) {
    if (!run("'" + m_bin + "/createdb' -h 127.0.0.1 -p " + std::to_string(m_port) +
             " -U pagewright '" + name + "'")) {
        m_failure = "createdb " + name + " failed";
        return false;
    }
    return true;
}

// Durability is not under test: fsync off keeps the cluster quick on a shared machine.
bool PostgresCluster::start() {
    m_running = run("'" + m_bin + "/pg_ctl' -D '" + m_dir.file("data").string() + "' -l '" +
                    m_dir.file("server.log").string() + "' -w -t 60 -o \"-p " +
                    std::to_string(m_port) + " -k '" + m_dir.path().string() +
                    "' -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=200\" start");
    if (!m_running) {
        m_failure = "the PostgreSQL server did not start, see " + m_dir.file("server.log").string();
    }
    return m_running;
}

bool PostgresCluster::stop(bool immediately) {
    m_running = !run("'" + m_bin + "/pg_ctl' -D '" + m_dir.file("data").string() + "' -m " +
                     (immediately ? "immediate" : "fast") + " -w stop");
    return !m_running;
}

} // namespace textowl::test
