#pragma once

#include <cstddef>

namespace textowl::test {

// Peak resident memory growth of this process across one piece of work, from the kernel's
// high-water mark (reset before the work begins).
class MemoryProbe {
public:
    MemoryProbe();
    // Bytes by which the peak rose above the resident size at construction.
    std::size_t peakGrowth() const;

private:
    std::size_t startResident_;
};

} // namespace textowl::test
