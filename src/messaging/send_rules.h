#pragma once

#include "service/operation_map.h"

#include <span>
#include <string>
#include <string_view>

namespace textowl {

// The outcome of the checks before a send; a refusal is the id of the message that explains it.
enum class SendCheck : int {
    Passed = 0,
    NoRecipient = 600,
    BadNumber = 601,
    UnknownGroup = 602,
    EmptyText = 603,
};

// The To text alone. A text that starts with a letter must name one of the list's groups exactly;
// anything else is taken as numbers, of which only the length and the first character are judged,
// so separators and several numbers pass as the user wrote them.
SendCheck checkRecipient(std::string_view to, std::span<const std::string> groupNames);
// The To text first, then the message text.
SendCheck checkSend(std::string_view to, std::string_view text,
                    std::span<const std::string> groupNames);

// A panel opened on a group sends to the group, whatever the To text looks like.
OperationId sendOperation(bool groupMode);

// How many characters one message holds: 80 in UTF-16, 160 otherwise.
int textLimit(bool unicode);
// The counter under the character set; negative once the text is over the limit.
int remainingCharacters(int characters, bool unicode);

// How many numbers the texts name together: the pieces between ",", ";" and line breaks that hold
// a digit, the same digits counted once. The service charges a To text of several numbers and a
// group's phones alike, once per distinct number.
int distinctNumberCount(std::span<const std::string> texts);

// Characters as the user counts them in a UTF-8 text: code points, not bytes.
int characterCount(std::string_view utf8);

// Wire values of the send parameters.
std::string_view messageTypeValue(bool flash);
std::string_view unicodeValue(bool unicode);

} // namespace textowl
