#include "messaging/message_log.h"

#include <cstdio>

namespace textowl {

std::string logTimestamp(const CivilTime& t) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%02d %02d:%02d:%02d", t.month, t.day,
                  ((t.year % 100) + 100) % 100, t.hour, t.minute, t.second);
    return buffer;
}

std::string logEntry(const LogEntryFields& f) {
    std::string entry = logTimestamp(f.sentAt);
    entry.append(", ").append(f.to).append("\r\n");
    entry.append(f.text).append("\r\n");
    // The label is "Status:" in the shipped languages; a second colon would read as a typo.
    const bool hasColon = !f.statusLabel.empty() && f.statusLabel.back() == ':';
    entry.append(f.statusLabel).append(hasColon ? " " : ": ").append(f.outcome).append("\r\n\r\n");
    return entry;
}

} // namespace textowl
