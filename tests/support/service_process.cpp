#include "support/service_process.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace textowl::test {

namespace {

std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

constexpr std::string_view kListening = "listening on ";

} // namespace

ServiceProcess::ServiceProcess(const std::string& executable, std::vector<std::string> args) {
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return;
    }
    args.insert(args.begin(), executable);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    m_pid = fork();
    if (m_pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    m_out = out[0];
    m_err = err[0];
}

ServiceProcess::~ServiceProcess() {
    if (m_pid > 0 && !m_waited) {
        kill(m_pid, SIGKILL);
        wait();
    }
    if (m_out >= 0)
        close(m_out);
    if (m_err >= 0)
        close(m_err);
}

std::unique_ptr<ServiceProcess> ServiceProcess::serve(const std::string& executable,
                                                      const std::string& database,
                                                      std::vector<std::string> extraArgs) {
    std::vector<std::string> args{"serve", "--db", database, "--listen", "127.0.0.1:0"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    auto process = std::make_unique<ServiceProcess>(executable, std::move(args));
    const std::string line = process->readLine();
    if (line.rfind(kListening, 0) == 0)
        process->m_endpoint = line.substr(kListening.size());
    return process;
}

std::string ServiceProcess::readLine(int timeoutMs) {
    std::string line;
    char c = 0;
    while (m_out >= 0) {
        pollfd p{m_out, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0 || read(m_out, &c, 1) != 1 || c == '\n')
            break;
        line += c;
    }
    return line;
}

std::string ServiceProcess::stdoutRest() {
    return m_out >= 0 ? readAll(m_out) : std::string();
}

std::string ServiceProcess::stderrAll() {
    return m_err >= 0 ? readAll(m_err) : std::string();
}

void ServiceProcess::signal(int sig) {
    if (m_pid > 0 && !m_waited)
        kill(m_pid, sig);
}

int ServiceProcess::wait() {
    if (m_pid <= 0)
        return -1;
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_waited = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace textowl::test
