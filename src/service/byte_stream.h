#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace textowl {

// Where response bytes come from: the socket in use, or a byte string in tests and the fuzzer.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // At most n bytes into buf. Returns the count read (> 0), 0 when no data came (the peer
    // closed), or a negative value when the receive failed or timed out.
    virtual long receive(char* buf, std::size_t n) = 0;
};

// Hands out a fixed byte string, at most pieceSize bytes per receive, then reports no data
// (or a failure, when failAtEnd is set, as a socket whose peer stays silent would).
class MemoryByteSource : public ByteSource {
public:
    explicit MemoryByteSource(std::string data,
                              std::size_t pieceSize = static_cast<std::size_t>(-1),
                              bool failAtEnd = false);

    long receive(char* buf, std::size_t n) override;

    std::size_t consumed() const { return m_offset; }
    std::size_t receiveCount() const { return m_receives; }

private:
    std::string m_data;
    std::size_t m_pieceSize;
    bool m_failAtEnd;
    std::size_t m_offset = 0;
    std::size_t m_receives = 0;
};

} // namespace textowl
