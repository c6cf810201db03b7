#pragma once

// A stand-in for Kannel's sendsms interface on 127.0.0.1: answers every request 202 "Accepted
// for delivery" after a pause, each connection on its own thread, and counts the recipients.
//
//   SendsmsDouble gateway;
//   options.gateway = *GatewayUrl::parse(gateway.url());
//   ASSERT_TRUE(gateway.waitForRequests(500, 60s));

#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace textowl::test {

class SendsmsDouble {
public:
    explicit SendsmsDouble(std::chrono::milliseconds pause = {});
    ~SendsmsDouble();
    SendsmsDouble(const SendsmsDouble&) = delete;
    SendsmsDouble& operator=(const SendsmsDouble&) = delete;

    // The sendsms address with a user and password, as --gateway takes it.
    std::string url() const;
    // The requests being answered now.
    int inFlight() const { return m_inFlight; }
    // Requests by their "to" parameter.
    std::map<std::string, int> received();
    long requests();
    // Waits until count requests have arrived; false when time runs out.
    bool waitForRequests(long count, std::chrono::milliseconds limit);

private:
    struct Sockets;

    void accept();
    void serve(boost::asio::ip::tcp::socket& connection);

    std::chrono::milliseconds m_pause;
    std::unique_ptr<Sockets> m_sockets;
    int m_port = 0;
    std::atomic<int> m_inFlight{0};
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::map<std::string, int> m_received;
    long m_requests = 0;
    std::vector<std::thread> m_threads; // the acceptor first, then one per connection
};

} // namespace textowl::test
