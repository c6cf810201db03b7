#pragma once

#include <cstddef>

namespace textowl::test {

// The most memory that the constructing thread held through operator new at any moment while the
// probe lived, above what it held when the probe began. Allocations are counted rather than the
// resident size read, so that the figure means the same under the address sanitizer, whose
// shadow and quarantine would swamp it; and only this thread's, so that the scripted server's
// own buffers stay out of it.
class MemoryProbe {
public:
    MemoryProbe();
    ~MemoryProbe();
    MemoryProbe(const MemoryProbe&) = delete;
    MemoryProbe& operator=(const MemoryProbe&) = delete;

    std::size_t peakGrowth() const;
};

} // namespace textowl::test
