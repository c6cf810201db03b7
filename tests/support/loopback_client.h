#pragma once

// A blocking HTTP/1.1 client for tests that call a server on 127.0.0.1: one request at a time,
// the whole reply read before it returns.
//
//   LoopbackClient client(server.port());
//   const auto reply = client.post("/pagewright/soapserver.php", body, "text/xml");
//   ASSERT_TRUE(reply);  // empty when the connection failed or timed out
//   EXPECT_EQ(reply->header("Content-Type"), "text/xml; charset=utf-8");

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace textowl::test {

using HttpFields = std::vector<std::pair<std::string, std::string>>;

struct HttpAnswer {
    int status = 0;
    std::string body;
    HttpFields fields;

    // The field's value, compared by name without case; empty when absent.
    std::string header(const std::string& name) const;
};

class LoopbackClient {
public:
    explicit LoopbackClient(int port);
    ~LoopbackClient();
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    // Keeps the connection open between requests; by default each request asks the server to
    // close it.
    void keepAlive(bool on) { m_keepAlive = on; }
    // How long one request may take, connect to the reply's last byte.
    void setTimeout(std::chrono::seconds timeout) { m_timeout = timeout; }

    std::optional<HttpAnswer> get(const std::string& target, const HttpFields& fields = {});
    std::optional<HttpAnswer> post(const std::string& target, const std::string& body,
                                   const std::string& contentType, const HttpFields& fields = {});

private:
    struct Connection;

    std::optional<HttpAnswer> request(bool post, const std::string& target, const std::string& body,
                                      const std::string& contentType, const HttpFields& fields);

    int m_port;
    bool m_keepAlive = false;
    std::chrono::seconds m_timeout{10};
    std::unique_ptr<Connection> m_connection;
};

} // namespace textowl::test
