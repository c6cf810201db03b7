#include "memory_probe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace textowl::test {
namespace {

// Each block carries its size, and whether it was counted, in a header of one alignment unit.
constexpr std::size_t kHeader = alignof(std::max_align_t);
constexpr std::size_t kCounted = std::size_t(1) << (sizeof(std::size_t) * 8 - 1);

thread_local bool tCounting = false;
std::atomic<std::size_t> gLive{0};
std::atomic<std::size_t> gPeak{0};
std::size_t gStart = 0;

void* allocate(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (block == nullptr)
        return nullptr;
    std::size_t tag = size;
    if (tCounting) {
        tag |= kCounted;
        const std::size_t live = gLive.fetch_add(size) + size;
        std::size_t peak = gPeak.load();
        while (live > peak && !gPeak.compare_exchange_weak(peak, live)) {
        }
    }
    *reinterpret_cast<std::size_t*>(block) = tag;
    return block + kHeader;
}

void release(void* pointer) {
    if (pointer == nullptr)
        return;
    auto* block = static_cast<unsigned char*>(pointer) - kHeader;
    const std::size_t tag = *reinterpret_cast<std::size_t*>(block);
    if ((tag & kCounted) != 0)
        gLive.fetch_sub(tag & ~kCounted);
    std::free(block);
}

} // namespace

MemoryProbe::MemoryProbe() {
    gStart = gLive.load();
    gPeak = gStart;
    tCounting = true;
}

MemoryProbe::~MemoryProbe() {
    tCounting = false;
}

std::size_t MemoryProbe::peakGrowth() const {
    return gPeak.load() - gStart;
}

} // namespace textowl::test

void* operator new(std::size_t size) {
    if (void* p = textowl::test::allocate(size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return textowl::test::allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return textowl::test::allocate(size);
}
void operator delete(void* p) noexcept {
    textowl::test::release(p);
}
void operator delete[](void* p) noexcept {
    textowl::test::release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    textowl::test::release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    textowl::test::release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    textowl::test::release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    textowl::test::release(p);
}
