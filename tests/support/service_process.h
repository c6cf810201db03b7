#pragma once

// pagewright-service as a child process, for tests that want the real executable: started with
// its arguments, standard output and error in pipes, killed when the object goes.
//
//   auto service = ServiceProcess::serve(PAGEWRIGHT_SERVICE_EXE, dir.file("service.db"),
//   {"--demo"}); ASSERT_TRUE(service->ready()); ServiceProxy proxy(service->endpoint());

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace textowl::test {

class ServiceProcess {
public:
    ServiceProcess(const std::string& executable, std::vector<std::string> args);
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    // `serve --db database --listen 127.0.0.1:0` plus extraArgs, waiting for its endpoint line.
    static std::unique_ptr<ServiceProcess> serve(const std::string& executable,
                                                 const std::string& database,
                                                 std::vector<std::string> extraArgs = {});

    // One line of standard output, or what arrived before the time-out or the end.
    std::string readLine(int timeoutMs = 10000);
    std::string stdoutRest();
    std::string stderrAll();
    void signal(int sig);
    // The exit status, or 128 + the signal that ended the process.
    int wait();

    // After serve(): whether the service printed its address, and that address.
    bool ready() const { return !m_endpoint.empty(); }
    const std::string& endpoint() const { return m_endpoint; }
    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    bool m_waited = false;
    std::string m_endpoint;
};

} // namespace textowl::test
