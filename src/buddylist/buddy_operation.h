#pragma once

#include "buddylist/buddy_entry.h"
#include "service/operation_map.h"
#include "service/status.h"

#include <functional>
#include <string>
#include <string_view>

namespace textowl {

// One proxy call: fills the string result (which the service may leave null) and returns the
// proxy's status.
using ServiceCall = std::function<Status(ServiceText& result)>;

// The outcome every buddy-list operation shares: a session ticket must exist (otherwise nothing
// is called), the call must succeed, its result must pass the result check and, when named, the
// required result element must be present (its value goes to elementValue). The caller learns
// only success or failure, never which step failed.
Status runBuddyOperation(std::string_view ticket, const ServiceCall& call,
                         std::string_view requiredElement = {},
                         std::string* elementValue = nullptr);

// The same outcome for an answer already in hand: the call's status and its result.
Status buddyOperationOutcome(std::string_view ticket, Status status, const ServiceText& result,
                             std::string_view requiredElement = {},
                             std::string* elementValue = nullptr);
// No answer came (a time-out, a dropped connection, a fault): unlike a refusal, the service may
// have made the change all the same.
bool answerMissing(Status status, const ServiceText& result);
// apiGetBuddyList's answer in hand, parsed into root on success.
Status buddyListOutcome(std::string_view ticket, Status status, const ServiceText& result,
                        BuddyEntry& root);

// apiGetBuddyList through the same outcome, parsed into root on success.
Status fetchBuddyList(std::string_view ticket, const ServiceCall& call, BuddyEntry& root);

} // namespace textowl
