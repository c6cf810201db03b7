#include "service/byte_stream.h"

#include <algorithm>
#include <cstring>

namespace textowl {

MemoryByteSource::MemoryByteSource(std::string data, std::size_t pieceSize, bool failAtEnd)
    : m_data(std::move(data)), m_pieceSize(pieceSize == 0 ? 1 : pieceSize), m_failAtEnd(failAtEnd) {
}

long MemoryByteSource::receive(char* buf, std::size_t n) {
    ++m_receives;
    std::size_t count = std::min({n, m_pieceSize, m_data.size() - m_offset});
    if (count == 0) {
        return m_failAtEnd ? -1 : 0;
    }
    std::memcpy(buf, m_data.data() + m_offset, count);
    m_offset += count;
    return static_cast<long>(count);
}

} // namespace textowl
