#pragma once

#include "base/utf8.h"
// decodeUtf8 is the part count's own, so that escaping and counting read a text alike.
#include "smsparts/utf8_decode.h"

#include <string>
#include <string_view>
#include <vector>

namespace textowl::server {

// Text that can be stored and sent back inside an XML document: valid UTF-8 with only the
// characters XML 1.0 allows (TAB, LF, CR and no other control characters).
std::string sanitizeText(std::string_view text);

// Why a message failed, as the gateway or the operator put it: the first line, at most 200 bytes,
// kept with the message and shown to its sender.
std::string failureReason(std::string_view text);

// Whether XML 1.0 allows the character in a document.
bool isXmlChar(char32_t cp);

} // namespace textowl::server
