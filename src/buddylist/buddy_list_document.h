#pragma once

#include "buddylist/buddy_entry.h"
#include "service/operation_map.h"
#include "service/status.h"

#include <pugixml.hpp>

namespace textowl {

// Builds the parsed list from a `buddylist` element: a root entry whose children are the readable
// top-level buddies in document order, then the readable groups in document order, each holding
// its readable buddies. Unreadable elements are skipped, never the whole list.
BuddyEntry readBuddyList(const pugi::xml_node& buddylist);

// Judges and parses the string result of apiGetBuddyList. Fails (root untouched) when the text
// is not XML, the result check refuses it, or it carries no `buddylist` element: an empty tree
// would look to the user as if the list had been lost.
Status parseBuddyListResult(const ServiceText& result, BuddyEntry& root);

} // namespace textowl
