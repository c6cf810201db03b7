#pragma once

#include "base/clock.h"

#include <string>

namespace textowl {

// What one send attempt leaves in the message log.
struct LogEntryFields {
    CivilTime sentAt;        // when the send button was pressed
    std::string to;          // the To text as sent
    std::string text;        // the message text as sent
    std::string statusLabel; // "Status:" in the current language
    std::string outcome;     // "Success" or "Failed" in the current language
};

// "MM/dd/yy HH:mm:ss, to" then the text, "Status: outcome" and an empty line, each ended by CR LF,
// so that consecutive entries stay apart even when the text itself holds line breaks.
std::string logEntry(const LogEntryFields& fields);

// "%m/%d/%y %H:%M:%S".
std::string logTimestamp(const CivilTime& time);

} // namespace textowl
