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
PostgresCluster::PostgresCluster() : bin_(binDir()), port_(freePort()) {
    if (bin_.empty()) {
        failure_ = "PostgreSQL is not installed";
        return;
    }
    if (geteuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (nobody == nullptr || chown(dir_.path().c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
            failure_ = "cannot hand the cluster directory to the user nobody";
            return;
        }
        owner_ = "runuser -u nobody -- ";
    }
    if (!run("'" + bin_ + "/initdb' -D '" + dir_.file("data").string() +
             "' -U pagewright --auth=trust --no-sync -E UTF8 --locale=C")) {
        failure_ = "initdb failed, see " + dir_.file("setup.log").string();
        return;
    }
    start();
}

PostgresCluster::~PostgresCluster() {
    if (running_) {
        run("'" + bin_ + "/pg_ctl' -D '" + dir_.file("data").string() + "' -m immediate -w stop");
    }
}

bool PostgresCluster::run(const std::string& command) {
    const std::string log = dir_.file("setup.log").string();
    return std::system((owner_ + command + " >>'" + log + "' 2>&1").c_str()) == 0;
}

std::string PostgresCluster::location(const std::string& database) const {
    return "postgresql://pagewright@127.0.0.1:" + std::to_string(port_) + "/" + database;
}

bool PostgresCluster::createDatabase(const std::string& name) {
    if (!run("'" + bin_ + "/createdb' -h 127.0.0.1 -p " + std::to_string(port_) +
             " -U pagewright '" + name + "'")) {
        failure_ = "createdb " + name + " failed";
        return false;
    }
    return true;
}

// Durability is not under test: fsync off keeps the cluster quick on a shared machine.
bool PostgresCluster::start() {
    running_ = run("'" + bin_ + "/pg_ctl' -D '" + dir_.file("data").string() + "' -l '" +
                   dir_.file("server.log").string() + "' -w -t 60 -o \"-p " +
                   std::to_string(port_) + " -k '" + dir_.path().string() +
                   "' -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=200\" start");
    if (!running_) {
        failure_ = "the PostgreSQL server did not start, see " + dir_.file("server.log").string();
    }
    return running_;
}

bool PostgresCluster::stop(bool immediately) {
    running_ = !run("'" + bin_ + "/pg_ctl' -D '" + dir_.file("data").string() + "' -m " +
                    (immediately ? "immediate" : "fast") + " -w stop");
    return !running_;
}

} // namespace textowl::test
