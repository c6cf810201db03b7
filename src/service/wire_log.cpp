#include "service/wire_log.h"

#include <cstdio>
#include <string>

namespace textowl {

void logWire(std::string_view line) {
    // One write per line, so that lines of two threads never interleave.
    const std::string text = "textowl: " + std::string(line) + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
}

} // namespace textowl
