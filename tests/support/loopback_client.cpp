#include "support/loopback_client.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <strings.h>

namespace textowl::test {

namespace beast = boost::beast;
namespace http = beast::http;

std::string HttpAnswer::header(const std::string& name) const {
    for (const auto& [field, value] : fields) {
        if (strcasecmp(field.c_str(), name.c_str()) == 0) {
            return value;
        }
    }
    return {};
}

struct LoopbackClient::Connection {
    boost::asio::io_context io;
    beast::tcp_stream stream{io};
    beast::flat_buffer buffer;
};

LoopbackClient::LoopbackClient(int port) : m_port(port) {}

LoopbackClient::~LoopbackClient() = default;

std::optional<HttpAnswer> LoopbackClient::get(const std::string& target, const HttpFields& fields) {
    return request(false, target, {}, {}, fields);
}

std::optional<HttpAnswer> LoopbackClient::post(const std::string& target, const std::string& body,
                                               const std::string& contentType,
                                               const HttpFields& fields) {
    return request(true, target, body, contentType, fields);
}

std::optional<HttpAnswer> LoopbackClient::request(bool post, const std::string& target,
                                                  const std::string& body,
                                                  const std::string& contentType,
                                                  const HttpFields& fields) {
    beast::error_code error;
    if (!m_connection) {
        m_connection = std::make_unique<Connection>();
        m_connection->stream.expires_after(m_timeout);
        m_connection->stream.connect(
            {boost::asio::ip::address_v4::loopback(), static_cast<unsigned short>(m_port)}, error);
        if (error) {
            m_connection.reset();
            return std::nullopt;
        }
    }
    http::request<http::string_body> request(post ? http::verb::post : http::verb::get, target, 11);
    request.set(http::field::host, "127.0.0.1:" + std::to_string(m_port));
    for (const auto& [name, value] : fields) {
        request.set(name, value); // a Host of the caller's replaces the one above
    }
    if (post) {
        request.set(http::field::content_type, contentType);
        request.body() = body;
        request.prepare_payload();
    }
    request.keep_alive(m_keepAlive);

    Connection& connection = *m_connection;
    connection.stream.expires_after(m_timeout);
    http::write(connection.stream, request, error);
    http::response_parser<http::string_body> parser;
    parser.body_limit(boost::none);
    if (!error) {
        http::read(connection.stream, connection.buffer, parser, error);
    }
    if (error) {
        m_connection.reset();
        return std::nullopt;
    }
    HttpAnswer answer;
    answer.status = static_cast<int>(parser.get().result_int());
    answer.body = std::move(parser.get().body());
    for (const auto& field : parser.get()) {
        answer.fields.emplace_back(field.name_string(), field.value());
    }
    if (!m_keepAlive || !parser.get().keep_alive()) {
        m_connection.reset();
    }
    return answer;
}

} // namespace textowl::test
