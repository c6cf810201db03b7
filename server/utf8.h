#pragma once

#include "base/utf8.h"

#include <string>
#include <string_view>
#include <vector>

namespace textowl::server {

// Decodes UTF-8; every malformed sequence, surrogate or overlong form becomes U+FFFD so that
// later counting and escaping never see an invalid code point.
std::vector<char32_t> decodeUtf8(std::string_view text);

// Text that can be stored and sent back inside an XML document: valid UTF-8 with only the
// characters XML 1.0 allows (TAB, LF, CR and no other control characters).
std::string sanitizeText(std::string_view text);

} // namespace textowl::server
