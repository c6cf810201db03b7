#pragma once

#include <string>

namespace textowl::bench {

// A whole HTTP reply whose "return" holds an apiGetBuddyList result document with this many
// buddies, escaped as the service sends it.
std::string buddyListReply(int buddies);
// A whole HTTP reply for apiBalanceSms.
std::string balanceReply();

} // namespace textowl::bench
