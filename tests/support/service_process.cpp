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
    pid_ = fork();
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
}

ServiceProcess::~ServiceProcess() {
    if (pid_ > 0 && !waited_) {
        kill(pid_, SIGKILL);
        wait();
    }
    if (out_ >= 0)
        close(out_);
    if (err_ >= 0)
        close(err_);
}

std::unique_ptr<ServiceProcess> ServiceProcess::serve(const std::string& executable,
                                                      const std::string& database,
                                                      std::vector<std::string> extraArgs) {
    std::vector<std::string> args{"serve", "--db", database, "--listen", "127.0.0.1:0"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    auto process = std::make_unique<ServiceProcess>(executable, std::move(args));
    const std::string line = process->readLine();
    if (line.rfind(kListening, 0) == 0)
        process->endpoint_ = line.substr(kListening.size());
    return process;
}

std::string ServiceProcess::readLine(int timeoutMs) {
    std::string line;
    char c = 0;
    while (out_ >= 0) {
        pollfd p{out_, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0 || read(out_, &c, 1) != 1 || c == '\n')
            break;
        line += c;
    }
    return line;
}

std::string ServiceProcess::stdoutRest() {
    return out_ >= 0 ? readAll(out_) : std::string();
}

std::string ServiceProcess::stderrAll() {
    return err_ >= 0 ? readAll(err_) : std::string();
}

void ServiceProcess::signal(int sig) {
    if (pid_ > 0 && !waited_)
        kill(pid_, sig);
}

int ServiceProcess::wait() {
    if (pid_ <= 0)
        return -1;
    int status = 0;
    waitpid(pid_, &status, 0);
    waited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace textowl::test
