#pragma once

// One client connection of the front, plain or over TLS.

#include "server/front/front_core.h"

namespace textowl::server::front {

// Each read of a connection's first bytes asks for this much; a request head rarely needs more.
constexpr std::size_t kReadSize = 2048;
// After an error reply, what the client still sends is read and dropped for a while, so that
// closing does not reset the connection before the client has read the reply.
constexpr std::size_t kLingerBytes = 256 * 1024;
constexpr auto kLingerTime = std::chrono::seconds(2);

// Whether the bytes were unreadable as HTTP, as opposed to a client that stopped sending.
inline bool isParseError(const beast::error_code& ec) {
    return ec.category() == beast::error_code(http::error::bad_target).category() &&
           ec != http::error::end_of_stream && ec != http::error::partial_message;
}

// Whether the request's transfer codings, if it names any, are the one the front can read: a
// single chunked. Any other leaves the body's end unknown, so the request cannot be answered
// and what follows it on the connection cannot be told apart from it.
inline bool readableTransferCoding(const http::fields& head) {
    const auto [first, last] = head.equal_range(http::field::transfer_encoding);
    if (first == last) {
        return true;
    }
    int codings = 0;
    for (auto field = first; field != last; ++field) {
        for (const auto coding : http::token_list{field->value()}) {
            if (!beast::iequals(coding, "chunked")) {
                return false;
            }
            ++codings;
        }
    }
    return codings == 1;
}

inline const char* reasonText(int status) {
    return http::obsolete_reason(static_cast<http::status>(status)).data();
}

inline tcp::socket& socketOf(PlainStream& s) {
    return s.socket();
}
inline tcp::socket& socketOf(TlsStream& s) {
    return s.next_layer().socket();
}

// One client connection: it reads a request within the limits, hands it to a worker, writes
// the reply and waits for the next, all without holding a thread. Every path that ends it goes
// through finish(), so that neither the socket nor a pending deadline outlives it.
template <class Stream>
class Connection : public Closable,
                   public Deadlined,
                   public std::enable_shared_from_this<Connection<Stream>> {
public:
    template <class... Layer>
    Connection(FrontCore& front, Loop& loop, tcp::socket&& socket, Layer&... layer)
        : m_front(front), m_loop(loop), m_stream(std::move(socket), layer...),
          m_buffer(front.options.limits.headerBytes + kReadSize),
          m_executor(socketOf(m_stream).get_executor()) {}

    ~Connection() override { m_front.registry.release(m_id); }

    void start(ConnectionRegistry::Id id, std::string address) {
        m_id = id;
        m_address = std::move(address);
        net::dispatch(m_executor, [self = this->shared_from_this()] { self->begin(); });
    }

    void close() override {
        net::post(m_executor, [self = this->shared_from_this()] { self->finish(); });
    }

    void checkDeadline(std::chrono::steady_clock::time_point now) override {
        if (now < m_deadline) {
            return;
        }
        disarm();
        if (m_phase == Phase::Reading) {
            m_timedOut = true;
            beast::error_code ignored;
            lowest().socket().cancel(ignored);
        } else {
            finish();
        }
    }

private:
    // What a deadline that passes does: a request being read is answered 408, anything else
    // (waiting, writing, closing) just ends the connection.
    enum class Phase { Reading, Closing };

    const FrontLimits& limits() const { return m_front.options.limits; }
    beast::tcp_stream& lowest() { return beast::get_lowest_layer(m_stream); }

    template <class Next> auto then(Next next) {
        return [self = this->shared_from_this(), next](beast::error_code ec, auto&&...) {
            if (ec) {
                self->finish();
            } else {
                (self.get()->*next)();
            }
        };
    }

    void finish() {
        disarm();
        beast::error_code ignored;
        lowest().socket().close(ignored);
    }

    // The stream's own deadlines close the socket, which leaves no way to say 408; this one
    // only cancels what waits, so the handler can still answer.
    void arm(std::chrono::steady_clock::duration after, Phase phase) {
        m_timedOut = false;
        m_deadline = std::chrono::steady_clock::now() + after;
        m_phase = phase;
    }

    void disarm() { m_deadline = std::chrono::steady_clock::time_point::max(); }

    void begin() {
        m_loop.watched.push_back(this->weak_from_this());
        if constexpr (std::is_same_v<Stream, TlsStream>) {
            arm(limits().headerTime, Phase::Closing);
            m_stream.async_handshake(net::ssl::stream_base::server,
                                     then(&Connection::awaitRequest));
        } else {
            awaitRequest();
        }
    }

    // Waiting for a request's first byte is the idle time; the header deadline starts with it.
    void awaitRequest() {
        if (m_front.stopping) {
            finish();
            return;
        }
        m_parser.reset();
        if (m_buffer.size() > 0) {
            readHeader();
            return;
        }
        if (m_buffer.capacity() > 4 * kReadSize) {
            m_buffer.shrink_to_fit();
        }
        m_front.registry.setIdle(m_id, true);
        arm(limits().idleTime, Phase::Closing);
        m_stream.async_read_some(
            m_buffer.prepare(kReadSize),
            [self = this->shared_from_this()](beast::error_code ec, std::size_t n) {
                self->m_front.registry.setIdle(self->m_id, false);
                if (ec) {
                    self->finish();
                    return;
                }
                self->m_buffer.commit(n);
                self->readHeader();
            });
    }

    void readHeader() {
        m_parser.emplace();
        m_parser->header_limit(static_cast<std::uint32_t>(limits().headerBytes));
        m_parser->body_limit(limits().bodyBytes);
        arm(limits().headerTime, Phase::Reading);
        http::async_read_header(
            m_stream, m_buffer, *m_parser,
            [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
                if (ec) {
                    self->failRead(ec);
                } else {
                    self->onHeader();
                }
            });
    }

    void onHeader() {
        const auto& head = m_parser->get();
        if (std::distance(head.begin(), head.end()) > limits().headerFields) {
            refuse(431);
            return;
        }
        if (!readableTransferCoding(head)) {
            refuse(501);
            return;
        }
        if (const auto length = m_parser->content_length();
            length && *length > limits().bodyBytes) {
            refuse(413);
            return;
        }
        if (m_parser->is_done()) {
            dispatch();
            return;
        }
        if (beast::iequals(head[http::field::expect], "100-continue")) {
            static const std::string kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
            net::async_write(m_stream, net::buffer(kContinue), then(&Connection::readBody));
            return;
        }
        readBody();
    }

    void readBody() {
        arm(limits().bodyTime, Phase::Reading);
        http::async_read(m_stream, m_buffer, *m_parser,
                         [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
                             if (ec) {
                                 self->failRead(ec);
                             } else {
                                 self->dispatch();
                             }
                         });
    }

    // A request the limits refuse gets its status; a client that went away or sent something
    // unreadable gets what it can still take.
    void failRead(beast::error_code ec) {
        if (m_timedOut) {
            refuse(408);
        } else if (ec == http::error::header_limit || ec == http::error::buffer_overflow) {
            refuse(431);
        } else if (ec == http::error::body_limit) {
            refuse(413);
        } else if (isParseError(ec)) {
            refuse(400);
        } else {
            finish();
        }
    }

    void dispatch() {
        auto& message = m_parser->get();
        HttpRequest request;
        request.method = std::string(message.method_string());
        const std::string_view target(message.target().data(), message.target().size());
        const std::size_t question = target.find('?');
        request.path = decodeUrl(target.substr(0, question), false);
        if (question != std::string_view::npos) {
            request.query = std::string(target.substr(question + 1));
        }
        request.host = std::string(message[http::field::host]);
        request.contentType = std::string(message[http::field::content_type]);
        if (const auto action = message.find("SOAPAction"); action != message.end()) {
            request.hasSoapAction = true;
            request.soapAction = std::string(action->value());
        }
        request.remoteAddress = m_address;
        request.acceptLanguage = std::string(message[http::field::accept_language]);
        request.secure = std::is_same_v<Stream, TlsStream>;
        request.body = std::move(message.body());
        m_keepAlive = message.keep_alive();
        m_head = message.method() == http::verb::head;
        m_version = message.version();
        m_parser.reset();
        // The client waits for the worker; no deadline runs meanwhile.
        disarm();
        auto job = [self = this->shared_from_this(), request = std::move(request)]() mutable {
            HttpReply reply = self->m_front.handle(request);
            net::post(self->m_executor, [self, reply = std::move(reply)]() mutable {
                self->respond(std::move(reply));
            });
        };
        if (!m_front.workers.trySubmit(std::move(job))) {
            respond(HttpReply{503,
                              "text/plain; charset=utf-8",
                              "Busy, try again shortly\n",
                              {{"Retry-After", "1"}}});
        }
    }

    void respond(HttpReply reply) {
        m_keepAlive = m_keepAlive && !m_front.stopping;
        auto& res = m_response;
        res = {};
        res.version(m_version);
        res.result(static_cast<unsigned>(reply.status));
        if (!reply.contentType.empty()) {
            res.set(http::field::content_type, reply.contentType);
        }
        for (const auto& [name, value] : reply.headers) {
            res.set(name, value);
        }
        res.body() = std::move(reply.body);
        res.keep_alive(m_keepAlive);
        res.prepare_payload();
        if (m_head) {
            const std::size_t length = res.body().size();
            res.body().clear();
            res.content_length(length);
        }
        write(m_keepAlive ? &Connection::awaitRequest : &Connection::linger);
    }

    // An error reply, then the connection closes: the rest of what the client sends is not
    // worth reading.
    void refuse(int status) {
        m_keepAlive = false;
        m_parser.reset();
        m_buffer.clear();
        auto& res = m_response;
        res = {};
        res.version(11);
        res.result(static_cast<unsigned>(status));
        res.set(http::field::content_type, "text/plain; charset=utf-8");
        res.set(http::field::connection, "close");
        res.body() = std::string(reasonText(status)) + "\n";
        res.prepare_payload();
        write(&Connection::linger);
    }

    void write(void (Connection::*next)()) {
        arm(limits().bodyTime, Phase::Closing);
        http::async_write(
            m_stream, m_response,
            [self = this->shared_from_this(), next](beast::error_code ec, std::size_t) {
                self->m_response = {};
                if (ec) {
                    self->finish();
                } else {
                    (self.get()->*next)();
                }
            });
    }

    // Closing at once could reset the connection before the client has read the reply, while
    // it still sends; what it sends meanwhile is read and dropped, for a bounded time and size.
    void linger() {
        if constexpr (std::is_same_v<Stream, TlsStream>) {
            finish();
        } else {
            beast::error_code ignored;
            lowest().socket().shutdown(tcp::socket::shutdown_send, ignored);
            arm(kLingerTime, Phase::Closing);
            m_lingered = 0;
            drain();
        }
    }

    void drain() {
        lowest().socket().async_read_some(
            net::buffer(m_discard),
            [self = this->shared_from_this()](beast::error_code ec, std::size_t n) {
                self->m_lingered += n;
                if (ec || self->m_lingered >= kLingerBytes) {
                    self->finish();
                } else {
                    self->drain();
                }
            });
    }

    FrontCore& m_front;
    Loop& m_loop;
    Stream m_stream;
    beast::flat_buffer m_buffer;
    net::any_io_executor m_executor;
    std::chrono::steady_clock::time_point m_deadline = std::chrono::steady_clock::time_point::max();
    Phase m_phase = Phase::Closing;
    bool m_timedOut = false;
    std::optional<http::request_parser<http::string_body>> m_parser;
    http::response<http::string_body> m_response;
    ConnectionRegistry::Id m_id = 0;
    std::string m_address;
    bool m_keepAlive = true;
    bool m_head = false;
    unsigned m_version = 11;
    std::size_t m_lingered = 0;
    char m_discard[4096];
};

} // namespace textowl::server::front
