#include "messaging/send_rules.h"

#include <algorithm>
#include <set>

namespace textowl {

namespace {

constexpr int kMinimumNumberLength = 7;

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

SendCheck checkRecipient(std::string_view to, std::span<const std::string> groupNames) {
    if (to.empty())
        return SendCheck::NoRecipient;
    const char first = to.front();
    if (first == '+' || first == '0')
        return SendCheck::BadNumber;
    if (isAsciiLetter(first)) {
        const bool known = std::find(groupNames.begin(), groupNames.end(), to) != groupNames.end();
        return known ? SendCheck::Passed : SendCheck::UnknownGroup;
    }
    return characterCount(to) >= kMinimumNumberLength ? SendCheck::Passed : SendCheck::BadNumber;
}

SendCheck checkSend(std::string_view to, std::string_view text,
                    std::span<const std::string> groupNames) {
    if (const SendCheck check = checkRecipient(to, groupNames); check != SendCheck::Passed)
        return check;
    return text.empty() ? SendCheck::EmptyText : SendCheck::Passed;
}

OperationId sendOperation(bool groupMode) {
    return groupMode ? OperationId::apiSendSmsToGroup : OperationId::apiSendSms;
}

int textLimit(bool unicode) {
    return unicode ? 80 : 160;
}

int remainingCharacters(int characters, bool unicode) {
    return textLimit(unicode) - characters;
}

int distinctNumberCount(std::span<const std::string> texts) {
    std::set<std::string> numbers;
    for (const std::string& text : texts) {
        std::string digits;
        for (std::size_t i = 0; i <= text.size(); ++i) {
            const char c = i < text.size() ? text[i] : ',';
            if (c >= '0' && c <= '9') {
                digits += c;
            } else if (c == ',' || c == ';' || c == '\n' || c == '\r') {
                if (!digits.empty())
                    numbers.insert(std::move(digits));
                digits.clear();
            }
        }
    }
    return static_cast<int>(numbers.size());
}

int characterCount(std::string_view utf8) {
    // Continuation bytes (10xxxxxx) belong to the character before them.
    return static_cast<int>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string_view messageTypeValue(bool flash) {
    return flash ? "flash" : "text";
}

std::string_view unicodeValue(bool unicode) {
    return unicode ? "1" : "0";
}

} // namespace textowl
