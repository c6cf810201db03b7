#include "service/byte_stream.h"

#include <algorithm>
#include <cstring>

namespace textowl {

MemoryByteSource::MemoryByteSource(std::string data, std::size_t pieceSize, bool failAtEnd)
    : data_(std::move(data)), pieceSize_(pieceSize == 0 ? 1 : pieceSize), failAtEnd_(failAtEnd) {}

long MemoryByteSource::receive(char* buf, std::size_t n) {
    ++receives_;
    std::size_t count = std::min({n, pieceSize_, data_.size() - offset_});
    if (count == 0) {
        return failAtEnd_ ? -1 : 0;
    }
    std::memcpy(buf, data_.data() + offset_, count);
    offset_ += count;
    return static_cast<long>(count);
}

} // namespace textowl
