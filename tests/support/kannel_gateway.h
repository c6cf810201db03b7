#pragma once

// Kannel on loopback for tests and benchmarks: bearerbox, smsbox and the fake operator
// fakesmsc on free ports, configured from server/kannel.conf.in in a directory of the caller's,
// stopped when the object goes.
//
//   if (const std::string missing = KannelGateway::missingPrograms(); !missing.empty()) ...
//   KannelGateway kannel(dir.path());
//   ASSERT_TRUE(kannel.ready()) << kannel.failure();
//   serve --gateway kannel.sendsmsUrl(); ... kannel.waitForDeliveries(2, 10s);

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace textowl::test {

// One message as the fake operator logged it. text is UTF-8 for both types: a "ucs-2" line's
// UTF-16 is decoded.
struct FakeDelivery {
    std::string loggedAt; // "YYYY-MM-DD HH:MM:SS", the operator's local time
    std::string from, to, type, text;
};

class KannelGateway {
public:
    // The Kannel programs that are not installed, by name; empty when all are there.
    static std::string missingPrograms();

    // refusedNumbers: a regular expression of receivers that sendsms refuses, as an operator's
    // black list does; none when empty.
    explicit KannelGateway(const std::filesystem::path& dir,
                           const std::string& refusedNumbers = {});
    ~KannelGateway();
    KannelGateway(const KannelGateway&) = delete;
    KannelGateway& operator=(const KannelGateway&) = delete;

    bool ready() const { return m_failure.empty(); }
    const std::string& failure() const { return m_failure; }

    // The sendsms address with its user and password, as --gateway takes it.
    std::string sendsmsUrl() const;
    std::filesystem::path operatorLog() const { return m_dir / "fake-operator.log"; }
    std::vector<FakeDelivery> deliveries() const;
    // Waits until the operator has logged at least count messages; false when time runs out.
    bool waitForDeliveries(std::size_t count, std::chrono::milliseconds limit) const;

private:
    // One start on fresh ports; false with failure() set when the gateway did not come up.
    bool start(const std::string& configTemplate, const std::string& refusedNumbers);
    bool waitForPort(int port);
    bool waitUntilOnline();
    bool boxEnded();
    void stop();

    std::filesystem::path m_dir;
    int m_adminPort = 0, m_sendsmsPort = 0;
    std::vector<pid_t> m_children;
    std::string m_failure;
    bool m_boxEnded = false; // a box exited while starting, as one that cannot bind does
};

} // namespace textowl::test
