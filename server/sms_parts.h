#pragma once

#include <string_view>

namespace textowl::server {

enum class SmsEncoding { Gsm7, Ucs2 };

struct SmsSize {
    SmsEncoding encoding = SmsEncoding::Gsm7;
    int units = 0; // septets for GSM 7-bit, UTF-16 code units for UCS-2
    int parts = 0;
};

// How many SMS parts a UTF-8 text needs. UCS-2 is used when forced or when a character lies
// outside the GSM 7-bit alphabet and its extension table.
SmsSize countSmsParts(std::string_view utf8Text, bool forceUcs2);

} // namespace textowl::server
