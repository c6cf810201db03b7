#include "service/http_response.h"

#include "base/ascii.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <new>

namespace textowl {
namespace {

constexpr int kMaxEmptyReceives = 5;
constexpr std::size_t kMaxHeaderField = 1024;
constexpr std::size_t kMaxChunkSizeLine = 1024;
constexpr std::uint32_t kMaxChunkSize = 0x7fffffff;
constexpr std::string_view kHeadEnd = "\r\n\r\n";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A length must be all digits (trailing blanks allowed); anything else is not trusted at all.
std::optional<std::size_t> parseContentLength(std::string_view text, std::size_t max) {
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::size_t value = 0;
    for (char c : text) {
        if (!isDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::size_t>(c - '0');
        if (value > max) {
            return std::nullopt;
        }
    }
    return value;
}

// Small bodies grow by doubling; past 1 MiB the buffer is reserved up to the limit at once. Only
// the pages actually written become resident, and no chain of ever larger copies is left behind
// in the heap.
void reserveFor(std::string& body, std::size_t needed, std::size_t maxBody) {
    constexpr std::size_t kDoublingLimit = 1 << 20;
    if (needed <= body.capacity()) {
        return;
    }
    std::size_t capacity = std::max<std::size_t>(body.capacity() * 2, 4096);
    if (capacity > kDoublingLimit) {
        capacity = maxBody + 1;
    }
    body.reserve(std::max(capacity, needed));
}

bool hasNoBody(int status) {
    return (status >= 100 && status < 200) || status == 204 || status == 304;
}

class ResponseReader {
public:
    ResponseReader(ByteSource& source, HttpResponse& response, const ResponseLimits& limits)
        : m_source(source), m_response(response), m_limits(normalized(limits)) {}

    ReadOutcome run() {
        ReadOutcome outcome = readHead();
        if (outcome != ReadOutcome::Complete) {
            return outcome;
        }
        return readBody();
    }

private:
    ReadOutcome readHead();
    bool parseStatusLine(std::string_view head, std::size_t& linesStart);
    void parseHeaderLines(std::string_view lines);
    void addHeaderLine(std::string_view line);

    ReadOutcome readBody();
    ReadOutcome readSizedBody(std::size_t length);
    ReadOutcome readToClose();
    bool readChunked();
    bool readChunkSize(std::uint32_t& size);
    bool readChunkData(std::size_t size);
    bool expectLineEnd();
    bool readTrailers();

    // Appends one receive to m_buf; false when it yielded nothing.
    bool fill();
    std::size_t available() const { return m_buf.size() - m_pos; }
    bool need(std::size_t n);

    // A receive of zero bytes could not tell a closed peer from a full buffer.
    static ResponseLimits normalized(ResponseLimits limits) {
        limits.headPiece = std::max<std::size_t>(limits.headPiece, 1);
        limits.bodyPiece = std::max<std::size_t>(limits.bodyPiece, 1);
        return limits;
    }

    ByteSource& m_source;
    HttpResponse& m_response;
    const ResponseLimits m_limits;
    std::string m_buf;
    std::size_t m_pos = 0;
};

ReadOutcome ResponseReader::readHead() {
    std::size_t headStart = 0;
    std::size_t searchFrom = 0;
    int emptyReceives = 0;
    for (;;) {
        std::size_t end = m_buf.find(kHeadEnd, searchFrom);
        if (end != std::string::npos) {
            end += kHeadEnd.size();
            std::string_view head(m_buf.data() + headStart, end - headStart);
            std::size_t linesStart = 0;
            if (!parseStatusLine(head, linesStart)) {
                return ReadOutcome::StatusLineInvalid;
            }
            if (m_response.status == 100) {
                m_response.status = -1;
                m_response.headers.clear();
                m_response.authSchemes.clear();
                headStart = searchFrom = end;
                continue;
            }
            parseHeaderLines(head.substr(linesStart, head.size() - linesStart - 2));
            m_pos = end;
            return ReadOutcome::Complete;
        }
        if (m_buf.size() >= m_limits.maxHead) {
            return ReadOutcome::ReceiveFailed;
        }
        searchFrom = std::max(headStart, m_buf.size() < 3 ? 0 : m_buf.size() - 3);
        std::size_t piece = std::min(m_limits.headPiece, m_limits.maxHead - m_buf.size());
        std::size_t old = m_buf.size();
        m_buf.resize(old + piece);
        long n = m_source.receive(m_buf.data() + old, piece);
        m_buf.resize(old + static_cast<std::size_t>(std::max(n, 0L)));
        if (n < 0) {
            return ReadOutcome::ReceiveFailed;
        }
        if (n == 0 && ++emptyReceives == kMaxEmptyReceives) {
            return ReadOutcome::ReceiveFailed;
        }
        if (n > 0) {
            emptyReceives = 0;
        }
    }
}

bool ResponseReader::parseStatusLine(std::string_view head, std::size_t& linesStart) {
    std::size_t i = 0;
    while (i < head.size() && !isBlank(head[i]) && head[i] != '\r' && head[i] != '\n') {
        ++i;
    }
    while (i < head.size() && isBlank(head[i])) {
        ++i;
    }
    if (i == head.size() || !isDigit(head[i])) {
        return false;
    }
    long long status = 0;
    for (; i < head.size() && isDigit(head[i]); ++i) {
        status = std::min<long long>(status * 10 + (head[i] - '0'), INT_MAX);
    }
    m_response.status = static_cast<int>(status);
    linesStart = head.find('\n', i) + 1; // the head ends in CR LF CR LF, so there is one
    return true;
}

void ResponseReader::parseHeaderLines(std::string_view lines) {
    while (!lines.empty()) {
        std::size_t eol = lines.find("\r\n");
        std::string_view line = lines.substr(0, eol);
        if (line.empty()) {
            return;
        }
        addHeaderLine(line);
        if (eol == std::string_view::npos) {
            return;
        }
        lines.remove_prefix(eol + 2);
    }
}

void ResponseReader::addHeaderLine(std::string_view line) {
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return;
    }
    std::string_view name = line.substr(0, colon);
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && isBlank(value.front())) {
        value.remove_prefix(1);
    }
    if (name.size() >= kMaxHeaderField || value.size() >= kMaxHeaderField) {
        return;
    }
    m_response.headers.add(name, value);
    if (headerNamesEqual(name, "www-authenticate") ||
        headerNamesEqual(name, "proxy-authenticate")) {
        m_response.authSchemes.emplace_back(value.substr(0, value.find(' ')));
    }
}

ReadOutcome ResponseReader::readBody() {
    if (hasNoBody(m_response.status)) {
        return ReadOutcome::Complete;
    }
    if (m_response.headers.find("Transfer-Encoding") == "chunked") {
        return readChunked() ? ReadOutcome::Complete : ReadOutcome::ChunkedUndecodable;
    }
    auto lengthText = m_response.headers.find("Content-Length");
    if (!lengthText) {
        return readToClose();
    }
    auto length = parseContentLength(*lengthText, m_limits.maxBody);
    if (!length) {
        return ReadOutcome::BodyUnreadable;
    }
    return readSizedBody(*length);
}

ReadOutcome ResponseReader::readSizedBody(std::size_t length) {
    std::string& body = m_response.body;
    // Reserving maps address space only; pages become resident as the bytes arrive.
    body.reserve(std::max(length, available()) + m_limits.bodyPiece);
    body.assign(m_buf, m_pos);
    m_buf.clear();
    m_pos = 0;
    while (body.size() < length) {
        std::size_t old = body.size();
        body.resize(old + m_limits.bodyPiece);
        long n = m_source.receive(body.data() + old, m_limits.bodyPiece);
        body.resize(old + static_cast<std::size_t>(std::max(n, 0L)));
        if (n <= 0) {
            return ReadOutcome::BodyUnreadable;
        }
    }
    return ReadOutcome::Complete;
}

ReadOutcome ResponseReader::readToClose() {
    std::string& body = m_response.body;
    body.assign(m_buf, m_pos);
    m_buf.clear();
    m_pos = 0;
    while (body.size() <= m_limits.maxBody) {
        std::size_t piece = std::min(m_limits.bodyPiece, m_limits.maxBody + 1 - body.size());
        std::size_t old = body.size();
        reserveFor(body, old + piece, m_limits.maxBody);
        body.resize(old + piece);
        long n = m_source.receive(body.data() + old, piece);
        body.resize(old + static_cast<std::size_t>(std::max(n, 0L)));
        if (n <= 0) {
            // Without a length, the end of the data is the end of the body.
            return ReadOutcome::Complete;
        }
    }
    return ReadOutcome::BodyUnreadable;
}

bool ResponseReader::fill() {
    if (m_pos > 0 && m_pos >= m_buf.size() / 2) {
        m_buf.erase(0, m_pos);
        m_pos = 0;
    }
    std::size_t old = m_buf.size();
    m_buf.resize(old + m_limits.bodyPiece);
    long n = m_source.receive(m_buf.data() + old, m_limits.bodyPiece);
    m_buf.resize(old + static_cast<std::size_t>(std::max(n, 0L)));
    return n > 0;
}

bool ResponseReader::need(std::size_t n) {
    while (available() < n) {
        if (!fill()) {
            return false;
        }
    }
    return true;
}

bool ResponseReader::readChunked() {
    m_response.body.clear();
    for (;;) {
        std::uint32_t size = 0;
        if (!readChunkSize(size)) {
            return false;
        }
        if (size == 0) {
            break;
        }
        if (!readChunkData(size) || !expectLineEnd()) {
            return false;
        }
    }
    if (m_response.headers.find("Trailer")) {
        return readTrailers();
    }
    // The final CR LF is taken if it is already here, never waited for.
    if (available() >= 2 && m_buf.compare(m_pos, 2, "\r\n") == 0) {
        m_pos += 2;
    }
    return true;
}

// Hex digits immediately followed by CR LF; extensions and sizes beyond 31 bits are refused.
bool ResponseReader::readChunkSize(std::uint32_t& size) {
    std::uint64_t value = 0;
    std::size_t offset = 0;
    for (;;) {
        if (offset == available()) {
            if (offset >= kMaxChunkSizeLine || !fill()) {
                return false;
            }
            continue;
        }
        char c = m_buf[m_pos + offset];
        if (c == '\r') {
            break;
        }
        int digit = hexDigitValue(c);
        if (digit < 0 || offset >= kMaxChunkSizeLine) {
            return false;
        }
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > kMaxChunkSize) {
            return false;
        }
        ++offset;
    }
    if (offset == 0) {
        return false;
    }
    m_pos += offset;
    size = static_cast<std::uint32_t>(value);
    return expectLineEnd();
}

// The decoded body grows only as chunk data actually arrives, whatever size was announced.
bool ResponseReader::readChunkData(std::size_t size) {
    std::string& body = m_response.body;
    if (size > m_limits.maxBody - body.size()) {
        return false;
    }
    while (size > 0) {
        if (available() == 0 && !fill()) {
            return false;
        }
        std::size_t take = std::min(size, available());
        reserveFor(body, body.size() + take, m_limits.maxBody);
        body.append(m_buf, m_pos, take);
        m_pos += take;
        size -= take;
    }
    return true;
}

bool ResponseReader::expectLineEnd() {
    if (!need(2) || m_buf.compare(m_pos, 2, "\r\n") != 0) {
        return false;
    }
    m_pos += 2;
    return true;
}

bool ResponseReader::readTrailers() {
    std::size_t budget = m_limits.maxHead;
    for (;;) {
        std::size_t eol;
        while ((eol = m_buf.find("\r\n", m_pos)) == std::string::npos) {
            if (available() > budget || !fill()) {
                return false;
            }
        }
        std::string_view line(m_buf.data() + m_pos, eol - m_pos);
        if (line.size() + 2 > budget) {
            return false;
        }
        budget -= line.size() + 2;
        m_pos = eol + 2;
        if (line.empty()) {
            return true;
        }
        addHeaderLine(line);
    }
}

} // namespace

void HttpResponse::reset() {
    status = -1;
    headers.clear();
    authSchemes.clear();
    std::string().swap(body); // a large earlier body is given back, not kept
    outcome = ReadOutcome::NothingRead;
}

ReadOutcome readResponse(ByteSource& source, HttpResponse& response, const ResponseLimits& limits) {
    try {
        ResponseReader reader(source, response, limits);
        response.outcome = reader.run();
    } catch (const std::bad_alloc&) {
        response.outcome = ReadOutcome::ReceiveFailed;
    }
    return response.outcome;
}

} // namespace textowl
