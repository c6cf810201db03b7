#include "memory_probe.h"

#include <fstream>
#include <string>

namespace textowl::test {
namespace {

std::size_t statusKilobytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0) {
            return std::stoul(line.substr(key.size() + 1));
        }
    }
    return 0;
}

} // namespace

MemoryProbe::MemoryProbe() {
    // "5" resets the peak resident size to the current one.
    std::ofstream("/proc/self/clear_refs") << "5";
    startResident_ = statusKilobytes("VmRSS");
}

std::size_t MemoryProbe::peakGrowth() const {
    std::size_t peak = statusKilobytes("VmHWM");
    return peak > startResident_ ? (peak - startResident_) * 1024 : 0;
}

} // namespace textowl::test
