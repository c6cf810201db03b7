// Feeds a byte string to the HTTP response reader through the same ByteSource interface the
// socket implements. The first bytes choose the limits, how the bytes are cut into receives
// (including empty receives) and how the source ends, so piece boundaries are fuzzed too.
#include "service/byte_stream.h"
#include "service/http_response.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

constexpr std::size_t kControlBytes = 11;
constexpr std::size_t kScheduleLength = 8;
// A reader that keeps asking a finished source this often is looping, not reading.
constexpr std::size_t kMaxReceivesAfterEnd = 64;

class ScheduledSource : public textowl::ByteSource {
public:
    ScheduledSource(std::string_view data, const std::uint8_t* schedule, bool failAtEnd)
        : m_data(data), m_failAtEnd(failAtEnd) {
        std::copy(schedule, schedule + kScheduleLength, m_schedule.begin());
    }

    long receive(char* buf, std::size_t n) override {
        if (n == 0) {
            __builtin_trap(); // a zero-sized receive cannot tell "closed" from "no room"
        }
        if (m_offset == m_data.size()) {
            if (++m_receivesAfterEnd > kMaxReceivesAfterEnd) {
                __builtin_trap();
            }
            return m_failAtEnd ? -1 : 0;
        }
        const std::uint8_t planned = m_schedule[m_step++ % kScheduleLength];
        if (planned == 0) {
            return 0; // an empty receive while the peer is still there
        }
        const std::size_t count = std::min({n, std::size_t{planned}, m_data.size() - m_offset});
        std::memcpy(buf, m_data.data() + m_offset, count);
        m_offset += count;
        return static_cast<long>(count);
    }

private:
    std::string_view m_data;
    std::array<std::uint8_t, kScheduleLength> m_schedule{};
    bool m_failAtEnd;
    std::size_t m_offset = 0;
    std::size_t m_step = 0;
    std::size_t m_receivesAfterEnd = 0;
};

textowl::ResponseLimits limitsFor(std::uint8_t mode, std::uint8_t pieces) {
    textowl::ResponseLimits limits;
    if ((mode & 3) == 0) {
        return limits; // the limits the client runs with
    }
    // Small limits put the head and body bounds within reach of short inputs.
    limits.maxHead = std::size_t{256} << ((mode >> 2) & 3);
    limits.maxBody = std::size_t{1024} << ((mode >> 4) & 7);
    limits.headPiece = std::size_t{16} << (pieces & 3);
    limits.bodyPiece = std::size_t{16} << ((pieces >> 2) & 3);
    return limits;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kControlBytes) {
        return 0;
    }
    const textowl::ResponseLimits limits = limitsFor(data[0], data[1]);
    const bool failAtEnd = (data[2] & 1) != 0;
    const std::string_view wire(reinterpret_cast<const char*>(data + kControlBytes),
                                size - kControlBytes);
    ScheduledSource source(wire, data + 3, failAtEnd);

    textowl::HttpResponse response;
    const textowl::ReadOutcome outcome = textowl::readResponse(source, response, limits);
    if (outcome != response.outcome) {
        __builtin_trap();
    }
    if (outcome == textowl::ReadOutcome::Complete) {
        // Whatever the server announced, the body never outgrows the limit by more than what
        // one head and one receive can carry past it.
        if (response.body.size() > limits.maxBody + limits.maxHead + limits.bodyPiece) {
            __builtin_trap();
        }
        if (response.status < 0) {
            __builtin_trap();
        }
        // The lookups the client makes after every read.
        (void)response.headers.find("Connection");
        (void)response.headers.find("Location");
    }
    response.reset();
    if (!response.body.empty() || response.headers.size() != 0) {
        __builtin_trap();
    }
    return 0;
}
