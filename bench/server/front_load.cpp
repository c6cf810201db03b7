// The service's HTTP front under load and under attack, measured side by side.
//
//   front_load nginx [--seconds S] [--rounds N]
//       8 kept-alive apiBalanceSms clients against the service, then against nginx (2 workers)
//       returning the same reply bytes, in turns; prints each rate and the ratio.
//   front_load idle [--connections N]
//       N kept-alive connections that went quiet, from addresses spread over 127.0.0.0/8, then
//       one new client makes 1,000 calls: its p99, and the service's RSS and threads.
//   front_load hostile [--seconds S]
//       a probe client calls while 4 clients send 150 MB chunked bodies, one sends 240 MB of
//       headers and 2,000 connections from one address trickle header bytes: the probe's p99
//       and the service's peak RSS over its RSS before.
//
// The service is pagewright-service itself: in this process for the nginx comparison, as a
// child process otherwise, so that its memory and threads are its own.

#include "balance_load.h"
#include "support/service_process.h"
#include "support/temp_dir.h"

#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace textowl::bench {
namespace {

constexpr const char* kNginx = "/usr/sbin/nginx";

struct ProcStatus {
    long rssKiB = 0;
    int threads = 0;
};

ProcStatus statusOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    ProcStatus status;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            status.rssKiB = std::atol(line.c_str() + 6);
        } else if (line.rfind("Threads:", 0) == 0) {
            status.threads = std::atoi(line.c_str() + 8);
        }
    }
    return status;
}

void raiseFileLimit() {
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
}

int portOf(const std::string& endpoint) {
    const std::size_t colon = endpoint.rfind(':');
    return std::atoi(endpoint.c_str() + colon + 1);
}

// A blocking socket to the service from the given loopback address.
int connectFrom(const std::string& source, int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    inet_pton(AF_INET, source.c_str(), &from.sin_addr);
    bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void sendAll(int fd, const std::string& bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const ssize_t n = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        at += static_cast<std::size_t>(n);
    }
}

std::string balanceRequest(const std::string& ticket) {
    const std::string body =
        "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
        "<snp:apiBalanceSms xmlns:snp=\"urn:Pagewright\"><ticket>" +
        ticket + "</ticket></snp:apiBalanceSms></soap:Body></soap:Envelope>";
    return "POST /pagewright/soapserver.php HTTP/1.1\r\nHost: localhost\r\nContent-Type: text/xml; "
           "charset=utf-8\r\nSOAPAction: \"urn:Pagewright#apiBalanceSms\"\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

// One request on the socket and its whole reply; the reply's body, or empty on failure.
std::string roundTrip(int fd, const std::string& request) {
    sendAll(fd, request);
    std::string reply;
    char buffer[8192];
    for (;;) {
        const std::size_t head = reply.find("\r\n\r\n");
        if (head != std::string::npos) {
            const std::size_t length = reply.find("Content-Length: ");
            if (length != std::string::npos && length < head) {
                const std::size_t size = std::strtoul(reply.c_str() + length + 16, nullptr, 10);
                if (reply.size() >= head + 4 + size) {
                    return reply.substr(head + 4, size);
                }
            }
        }
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return {};
        }
        reply.append(buffer, static_cast<std::size_t>(n));
    }
}

std::unique_ptr<test::ServiceProcess> startService(const test::TempDir& dir,
                                                   std::vector<std::string> extra = {}) {
    extra.insert(extra.end(), {"--demo", "--hash-cost", "min"});
    auto service =
        test::ServiceProcess::serve(PAGEWRIGHT_SERVICE_EXE, dir.file("service.db"), extra);
    if (!service->ready()) {
        std::fprintf(stderr, "the service did not start: %s\n", service->stderrAll().c_str());
        return nullptr;
    }
    return service;
}

std::string signIn(int port) {
    const std::string body =
        "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
        "<snp:apiValidateLogin xmlns:snp=\"urn:Pagewright\"><user>demo</user><password>demo"
        "</password></snp:apiValidateLogin></soap:Body></soap:Envelope>";
    const std::string request =
        "POST /pagewright/soapserver.php HTTP/1.1\r\nHost: localhost\r\nContent-Type: text/xml; "
        "charset=utf-8\r\nContent-Length: " +
        std::to_string(body.size()) + "\r\n\r\n" + body;
    const int fd = connectFrom("127.0.0.1", port);
    const std::string reply = roundTrip(fd, request);
    close(fd);
    // The ticket is the text of the escaped <ticket> element in the return string.
    const std::size_t start = reply.find("&lt;ticket&gt;");
    const std::size_t end = reply.find("&lt;/ticket&gt;");
    return start == std::string::npos || end == std::string::npos
               ? std::string()
               : reply.substr(start + 14, end - start - 14);
}

// 1,000 calls on one new connection; the sorted latencies in milliseconds.
std::vector<double> probe(int port, const std::string& ticket, int calls, const char* from) {
    const int fd = connectFrom(from, port);
    const std::string request = balanceRequest(ticket);
    std::vector<double> ms;
    for (int i = 0; i < calls && fd >= 0; ++i) {
        const auto start = Clock::now();
        if (roundTrip(fd, request).empty()) {
            std::fprintf(stderr, "probe call %d failed\n", i);
            break;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    close(fd);
    std::sort(ms.begin(), ms.end());
    return ms;
}

double p99(const std::vector<double>& sorted) {
    return sorted.empty() ? 0 : sorted[(sorted.size() - 1) * 99 / 100];
}

// nginx with two workers on a free port, answering every POST with the given body.
class Nginx {
public:
    Nginx(const test::TempDir& dir, const std::string& contentType, const std::string& body) {
        const int probeFd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(probeFd, reinterpret_cast<const sockaddr*>(&any), sizeof any);
        socklen_t size = sizeof any;
        getsockname(probeFd, reinterpret_cast<sockaddr*>(&any), &size);
        m_port = ntohs(any.sin_port);
        close(probeFd);
        std::string escaped;
        for (char c : body) {
            escaped += c == '\'' || c == '\\' ? std::string("\\") + c : std::string(1, c);
        }
        const std::string conf = dir.file("nginx.conf");
        std::ofstream(conf) << "worker_processes 2;\nuser root;\npid " << dir.file("nginx.pid")
                            << ";\nerror_log " << dir.file("nginx.err") << ";\n"
                            << "events { worker_connections 4096; }\nhttp {\n access_log off;\n"
                            << " keepalive_requests 100000000;\n keepalive_timeout 60s;\n"
                            << " client_body_temp_path " << dir.path().string() << ";\n"
                            << " server {\n  listen 127.0.0.1:" << m_port << ";\n"
                            << "  location / {\n   default_type '" << contentType << "';\n"
                            << "   return 200 '" << escaped << "';\n  }\n }\n}\n";
        m_pid = fork();
        if (m_pid == 0) {
            execl(kNginx, kNginx, "-p", dir.path().c_str(), "-c", conf.c_str(), "-g", "daemon off;",
                  nullptr);
            _exit(127);
        }
        for (int i = 0; i < 200; ++i) {
            const int fd = connectFrom("127.0.0.1", m_port);
            if (fd >= 0) {
                close(fd);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        m_port = 0;
    }
    ~Nginx() {
        if (m_pid > 0) {
            kill(m_pid, SIGQUIT);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool ready() const { return m_port != 0; }
    std::string endpoint() const {
        return "http://127.0.0.1:" + std::to_string(m_port) + "/pagewright/soapserver.php";
    }

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

int compareWithNginx(double seconds, int rounds) {
    server::ServiceConfig config;
    config.hashCost = server::HashCost::Minimum;
    LoadTarget target(config);
    if (!target.ready()) {
        return 1;
    }
    const int fd = connectFrom(
        "127.0.0.1", portOf(target.endpoint().substr(0, target.endpoint().find("/pagewright"))));
    const std::string reply = roundTrip(fd, balanceRequest(target.ticket()));
    close(fd);
    if (reply.empty()) {
        std::fprintf(stderr, "no reply from the service\n");
        return 1;
    }
    test::TempDir dir;
    Nginx nginx(dir, "text/xml; charset=utf-8", reply);
    if (!nginx.ready()) {
        std::fprintf(stderr, "nginx did not start (%s)\n", kNginx);
        return 1;
    }
    constexpr int kClients = 8;
    std::printf("%6s %14s %14s %8s\n", "round", "service/s", "nginx/s", "ratio");
    double sumService = 0;
    double sumNginx = 0;
    for (int r = 0; r < rounds; ++r) {
        const Round service = runRound(target.endpoint(), target.ticket(), kClients, seconds);
        const Round reference = runRound(nginx.endpoint(), target.ticket(), kClients, seconds);
        sumService += service.callsPerSecond();
        sumNginx += reference.callsPerSecond();
        std::printf("%6d %14.0f %14.0f %8.2f\n", r + 1, service.callsPerSecond(),
                    reference.callsPerSecond(),
                    service.callsPerSecond() / reference.callsPerSecond());
        std::fflush(stdout);
        if (service.failures > 0 || reference.failures > 0) {
            std::fprintf(stderr, "failed calls: service %d, nginx %d\n", service.failures,
                         reference.failures);
            return 1;
        }
    }
    std::printf("all rounds: service %.0f calls/s, nginx %.0f calls/s, ratio %.2f (target >= "
                "0.90)\n",
                sumService / rounds, sumNginx / rounds, sumService / sumNginx);
    return 0;
}

int idleConnections(int count) {
    raiseFileLimit();
    test::TempDir dir;
    auto service = startService(dir, {"--idle-timeout", "10m"});
    if (!service) {
        return 1;
    }
    const int port = portOf(service->endpoint().substr(0, service->endpoint().find("/pagewright")));
    const std::string ticket = signIn(port);
    const ProcStatus before = statusOf(service->pid());
    const std::string request = balanceRequest(ticket);
    std::vector<int> idle;
    for (int i = 0; i < count; ++i) {
        // 50 connections an address keeps each address under its cap.
        const int n = i / 50;
        const std::string from =
            "127.1." + std::to_string(n / 250) + "." + std::to_string(n % 250 + 1);
        const int fd = connectFrom(from, port);
        if (fd < 0 || roundTrip(fd, request).empty()) {
            std::fprintf(stderr, "idle connection %d failed\n", i);
            return 1;
        }
        idle.push_back(fd);
    }
    const ProcStatus loaded = statusOf(service->pid());
    const std::vector<double> ms = probe(port, ticket, 1000, "127.0.0.1");
    const ProcStatus after = statusOf(service->pid());
    std::printf("%d idle connections: new client's 1,000 calls p99 %.3f ms (target < 20), median "
                "%.3f ms\n",
                count, p99(ms), ms.empty() ? 0 : ms[ms.size() / 2]);
    std::printf("service RSS %ld MiB before, %ld MiB with them, %ld MiB after the calls (target "
                "< 150); threads %d (target < 100)\n",
                before.rssKiB / 1024, loaded.rssKiB / 1024, after.rssKiB / 1024, after.threads);
    for (int fd : idle) {
        close(fd);
    }
    return ms.size() == 1000 ? 0 : 1;
}

int hostileClients(double seconds) {
    raiseFileLimit();
    test::TempDir dir;
    auto service = startService(dir);
    if (!service) {
        return 1;
    }
    const int port = portOf(service->endpoint().substr(0, service->endpoint().find("/pagewright")));
    const std::string ticket = signIn(port);
    // Warm: the first calls allocate what every later call reuses.
    probe(port, ticket, 200, "127.0.0.1");
    const ProcStatus before = statusOf(service->pid());
    std::atomic<bool> done{false};
    std::atomic<long> peakKiB{before.rssKiB};
    std::thread watcher([&] {
        while (!done) {
            peakKiB = std::max(peakKiB.load(), statusOf(service->pid()).rssKiB);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const auto until = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(seconds));
    std::vector<std::thread> attackers;
    // Four chunked bodies of 150 MB, each sent again whenever the service closes on it.
    for (int i = 0; i < 4; ++i) {
        attackers.emplace_back([&, i] {
            const std::string chunk = "100000\r\n" + std::string(0x100000, 'a') + "\r\n";
            while (Clock::now() < until) {
                const int fd = connectFrom("127.2.0." + std::to_string(i + 1), port);
                sendAll(fd, "POST /pagewright/soapserver.php HTTP/1.1\r\nHost: x\r\n"
                            "Transfer-Encoding: chunked\r\n\r\n");
                for (int mb = 0; mb < 150 && Clock::now() < until; ++mb) {
                    if (send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL) <= 0) {
                        break;
                    }
                }
                close(fd);
            }
        });
    }
    // 240 MB of header lines on one connection.
    attackers.emplace_back([&] {
        const std::string line = "X-Filler: " + std::string(1000, 'h') + "\r\n";
        std::string block;
        for (int i = 0; i < 1000; ++i) {
            block += line;
        }
        while (Clock::now() < until) {
            const int fd = connectFrom("127.3.0.1", port);
            sendAll(fd, "GET /pagewright/terms HTTP/1.1\r\nHost: x\r\n");
            for (int i = 0; i < 240 && Clock::now() < until; ++i) {
                if (send(fd, block.data(), block.size(), MSG_NOSIGNAL) <= 0) {
                    break;
                }
            }
            close(fd);
        }
    });
    // 2,000 connections from one address, one header byte every 3 s.
    attackers.emplace_back([&] {
        std::vector<int> slow;
        for (int i = 0; i < 2000; ++i) {
            const int fd = connectFrom("127.4.0.1", port);
            if (fd >= 0) {
                slow.push_back(fd);
            }
        }
        while (Clock::now() < until) {
            for (int fd : slow) {
                send(fd, "G", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            }
            std::this_thread::sleep_for(std::chrono::seconds(3));
        }
        for (int fd : slow) {
            close(fd);
        }
    });
    std::vector<double> ms;
    while (Clock::now() < until) {
        const std::vector<double> some = probe(port, ticket, 100, "127.0.0.1");
        ms.insert(ms.end(), some.begin(), some.end());
    }
    std::sort(ms.begin(), ms.end());
    done = true;
    for (std::thread& t : attackers) {
        t.join();
    }
    watcher.join();
    std::printf("probe under attack: %zu calls, p99 %.3f ms (target < 50), median %.3f ms\n",
                ms.size(), p99(ms), ms.empty() ? 0 : ms[ms.size() / 2]);
    std::printf("service RSS %ld MiB before, peak %ld MiB: +%ld MiB (target <= 50)\n",
                before.rssKiB / 1024, peakKiB.load() / 1024,
                (peakKiB.load() - before.rssKiB) / 1024);
    return ms.empty() ? 1 : 0;
}

} // namespace
} // namespace textowl::bench

int main(int argc, char** argv) {
    using namespace textowl::bench;
    signal(SIGPIPE, SIG_IGN);
    const std::string mode = argc > 1 ? argv[1] : "";
    const double seconds =
        std::atof(optionValue(argc - 1, argv + 1, "--seconds").value_or("3").c_str());
    if (mode == "nginx") {
        return compareWithNginx(
            seconds, std::atoi(optionValue(argc - 1, argv + 1, "--rounds").value_or("3").c_str()));
    }
    if (mode == "idle") {
        return idleConnections(
            std::atoi(optionValue(argc - 1, argv + 1, "--connections").value_or("10000").c_str()));
    }
    if (mode == "hostile") {
        return hostileClients(
            std::atof(optionValue(argc - 1, argv + 1, "--seconds").value_or("20").c_str()));
    }
    std::fprintf(stderr, "usage: front_load nginx|idle|hostile [options]\n");
    return 2;
}
