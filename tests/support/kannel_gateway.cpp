#include "support/kannel_gateway.h"

#include "service/utf.h"
#include "support/url_decode.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <regex>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace textowl::test {
namespace {

constexpr const char* kBearerbox = "/usr/sbin/bearerbox";
constexpr const char* kSmsbox = "/usr/sbin/smsbox";
constexpr const char* kFakesmsc = "/usr/lib/kannel/test/fakesmsc";
constexpr const char* kUser = "pagewright";
constexpr const char* kPassword = "fixture-secret";

// Ports the system hands out now; all are held open until every one is chosen, so they differ.
std::vector<int> freePorts(std::size_t count) {
    std::vector<int> sockets, ports;
    for (std::size_t i = 0; i < count; ++i) {
        const int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
        sockets.push_back(s);
        ports.push_back(ntohs(address.sin_port));
    }
    for (int s : sockets) {
        close(s);
    }
    return ports;
}

std::string replaceAll(std::string text, const std::string& word, const std::string& value) {
    for (std::size_t at = text.find(word); at != std::string::npos;
         at = text.find(word, at + value.size())) {
        text.replace(at, word.size(), value);
    }
    return text;
}

pid_t spawn(const std::vector<std::string>& args, const std::filesystem::path& log,
            const std::filesystem::path& dir) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        dup2(fd, STDOUT_FILENO);
        dup2(fd, STDERR_FILENO);
        if (chdir(dir.c_str()) != 0) {
            _exit(126);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

bool connects(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool open = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(s);
    return open;
}

// One HTTP GET on loopback; the body, or empty when nothing answered.
std::string localGet(int port, const std::string& target) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    std::string reply;
    // A box that accepted but never answers must not hold the test for ever.
    timeval timeout{5, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string request =
            "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        if (write(s, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
            std::array<char, 4096> buffer{};
            ssize_t n = 0;
            while ((n = read(s, buffer.data(), buffer.size())) > 0) {
                reply.append(buffer.data(), static_cast<std::size_t>(n));
            }
        }
    }
    close(s);
    return reply;
}

std::string utf16beToUtf8(const std::string& bytes) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units += static_cast<char16_t>((static_cast<unsigned char>(bytes[i]) << 8) |
                                       static_cast<unsigned char>(bytes[i + 1]));
    }
    return utf16ToUtf8(units);
}

} // namespace

std::string KannelGateway::missingPrograms() {
    std::string missing;
    for (const char* program : {kBearerbox, kSmsbox, kFakesmsc}) {
        if (access(program, X_OK) != 0) {
            missing += (missing.empty() ? "" : ", ") + std::string(program);
        }
    }
    return missing;
}

KannelGateway::KannelGateway(const std::filesystem::path& dir, const std::string& refusedNumbers)
    : m_dir(dir) {
    std::ifstream in(TEXTOWL_KANNEL_CONF_TEMPLATE);
    std::stringstream text;
    text << in.rdbuf();
    if (!in) {
        m_failure = "cannot read " TEXTOWL_KANNEL_CONF_TEMPLATE;
        return;
    }
    // The ports are free when chosen but closed before the boxes bind them, so under heavy use
    // of ephemeral ports another socket can take one first. A box that cannot bind exits: then
    // the gateway starts afresh on other ports.
    constexpr int kAttempts = 5;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (start(text.str(), refusedNumbers) || !m_boxEnded) {
            return;
        }
        stop();
        m_failure += " (after " + std::to_string(attempt) + " starts on fresh ports)";
    }
}

bool KannelGateway::start(const std::string& configTemplate, const std::string& refusedNumbers) {
    m_failure.clear();
    m_boxEnded = false;
    const std::vector<int> ports = freePorts(4);
    m_adminPort = ports[0];
    m_sendsmsPort = ports[3];
    std::string config = configTemplate;
    for (const auto& [word, value] : {std::pair<std::string, std::string>{"@DIR@", m_dir.string()},
                                      {"@ADMIN_PORT@", std::to_string(ports[0])},
                                      {"@BOX_PORT@", std::to_string(ports[1])},
                                      {"@SMSC_PORT@", std::to_string(ports[2])},
                                      {"@SENDSMS_PORT@", std::to_string(ports[3])},
                                      {"@USER@", kUser},
                                      {"@PASSWORD@", kPassword}}) {
        config = replaceAll(config, word, value);
    }
    // The sendsms-user group comes last, so the line joins it.
    if (!refusedNumbers.empty())
        config += "black-list-regex = \"" + refusedNumbers + "\"\n";
    const std::filesystem::path conf = m_dir / "kannel.conf";
    std::ofstream(conf) << config;
    // -v 4 keeps the consoles to panics; the boxes log to their own files.
    m_children.push_back(
        spawn({kBearerbox, "-v", "4", conf.string()}, m_dir / "bearerbox.out", m_dir));
    // smsbox and the fake operator give up at once when bearerbox is not listening yet.
    if (!waitForPort(ports[1])) {
        m_failure =
            "bearerbox did not listen within 10 s; see " + (m_dir / "bearerbox.log").string();
        return false;
    }
    m_children.push_back(spawn({kSmsbox, "-v", "4", conf.string()}, m_dir / "smsbox.out", m_dir));
    m_children.push_back(spawn({kFakesmsc, "-H", "127.0.0.1", "-r", std::to_string(ports[2]), "-m",
                                "0", "0 0 text unused"},
                               operatorLog(), m_dir));
    if (!waitUntilOnline()) {
        m_failure = "Kannel did not come up within 20 s; see the logs in " + m_dir.string();
        return false;
    }
    return true;
}

// Waits until bearerbox listens on the port; false when a box ended first or time ran out.
bool KannelGateway::waitForPort(int port) {
    for (int i = 0; i < 200; ++i) {
        if (connects(port)) {
            return true;
        }
        if (boxEnded()) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// A box that ended is reaped and forgotten, so that nothing is ever sent to its process id.
bool KannelGateway::boxEnded() {
    for (auto it = m_children.begin(); it != m_children.end(); ++it) {
        int status = 0;
        if (waitpid(*it, &status, WNOHANG) == *it) {
            m_children.erase(it);
            m_boxEnded = true;
            return true;
        }
    }
    return false;
}

KannelGateway::~KannelGateway() {
    stop();
}

void KannelGateway::stop() {
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        kill(*it, SIGTERM);
    }
    for (pid_t pid : m_children) {
        int status = 0;
        for (int i = 0; i < 100 && waitpid(pid, &status, WNOHANG) == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (waitpid(pid, &status, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
    }
    m_children.clear();
}

// Online once the fake operator is connected to bearerbox and smsbox answers sendsms.
bool KannelGateway::waitUntilOnline() {
    const std::string status = "/status.txt?password=" + std::string(kPassword);
    for (int i = 0; i < 200; ++i) {
        const std::string smscs = localGet(m_adminPort, status);
        const bool operatorOnline = smscs.find("(online") != std::string::npos;
        if (operatorOnline && !localGet(m_sendsmsPort, "/cgi-bin/sendsms").empty()) {
            return true;
        }
        if (boxEnded()) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

std::string KannelGateway::sendsmsUrl() const {
    return "http://" + std::string(kUser) + ":" + kPassword +
           "@127.0.0.1:" + std::to_string(m_sendsmsPort) + "/cgi-bin/sendsms";
}

std::vector<FakeDelivery> KannelGateway::deliveries() const {
    static const std::regex kLine(
        R"(^(\S+ \S+) \[\d+\] \[\d+\] DEBUG: Got message \d+: <(\S+) (\S+) (\S+) (.*)>$)");
    std::ifstream log(operatorLog());
    std::vector<FakeDelivery> found;
    std::string line;
    std::smatch m;
    while (std::getline(log, line)) {
        if (std::regex_match(line, m, kLine)) {
            const std::string type = m[4];
            const std::string text = m[5];
            found.push_back(
                {m[1], m[2], m[3], type, type == "ucs-2" ? utf16beToUtf8(urlDecode(text)) : text});
        }
    }
    return found;
}

bool KannelGateway::waitForDeliveries(std::size_t count, std::chrono::milliseconds limit) const {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (deliveries().size() < count) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

} // namespace textowl::test
