// Counts the parts of a message text as the service charges it and lists the characters that
// force UCS-2, as the send panel marks them. The first byte's low bit forces UCS-2; the rest is the
// text, valid UTF-8 or not, as a request may carry it.
#include "smsparts/sms_parts.h"
#include "smsparts/utf8_decode.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const bool forceUcs2 = (data[0] & 1) != 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const textowl::SmsSize count = textowl::countSmsParts(text, forceUcs2);
    const auto forcing = textowl::charactersForcingUcs2(text);

    int utf16Length = 0;
    for (char32_t cp : textowl::decodeUtf8(text)) {
        utf16Length += cp >= 0x10000 ? 2 : 1;
    }
    const bool ucs2 = count.encoding == textowl::SmsEncoding::Ucs2;
    if ((count.units == 0) != (count.parts == 0) || (ucs2 && count.units != utf16Length) ||
        (!forceUcs2 && ucs2 == forcing.empty())) {
        __builtin_trap();
    }
    // A part loses at most one unit to a character kept whole.
    const int perPart = ucs2 ? 67 : 153;
    const int single = ucs2 ? 70 : 160;
    if (count.units > single && (count.parts < (count.units + perPart - 1) / perPart ||
                                 count.parts > (count.units + perPart - 2) / (perPart - 1))) {
        __builtin_trap();
    }
    int end = 0;
    for (const textowl::Ucs2Character& c : forcing) {
        if (c.utf16Offset < end || c.utf16Length < 1 || c.utf16Length > 2 ||
            c.utf16Offset + c.utf16Length > utf16Length) {
            __builtin_trap(); // in text order, apart, inside the text
        }
        end = c.utf16Offset + c.utf16Length;
    }
    return 0;
}
