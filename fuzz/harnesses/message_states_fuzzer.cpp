// Reads an apiGetMessageStates "return" text as the client does, then follows the messages read
// through two identical answers: whatever the text, what is read is safe to show (bounded, valid
// UTF-8, nothing a notification service could take for markup), and no message is announced
// twice.
#include "messaging/delivery_watch.h"
#include "service/utf.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>

namespace {

void check(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

void checkShown(std::string_view text, std::size_t maxChars) {
    // UTF-8 that converts, with no control character nor markup, and no longer than allowed.
    check(textowl::utf16ToUtf8(textowl::utf8ToUtf16(text)) == text);
    std::size_t chars = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        check(byte >= 0x20 && byte != 0x7F && c != '<' && c != '>' && c != '&');
        chars += (byte & 0xC0) != 0x80 ? 1 : 0;
    }
    check(chars <= maxChars);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const textowl::ServiceText result =
        textowl::utf8ToUtf16({reinterpret_cast<const char*>(data), size});
    const auto messages = textowl::readMessageStates(result);
    if (!messages) {
        return 0;
    }
    check(messages->size() <= 100);
    for (const textowl::MessageStatus& m : *messages) {
        check(m.id > 0);
        checkShown(m.to, 32);
        checkShown(m.reason, 200);
        checkShown(m.creditsReturned, 12);
    }
    // The same answer twice, as a service might give it: no message is announced a second time,
    // even where the answer names one id with several states.
    textowl::DeliveryWatch watch(true);
    std::set<std::int64_t> announced;
    for (const std::int64_t age : {60, 61}) {
        for (const textowl::DeliveryNotice& notice : watch.take(*messages, age)) {
            check(announced.insert(notice.message.id).second);
        }
    }
    (void)watch.since();
    return 0;
}
