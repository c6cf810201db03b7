#pragma once

#include "buddylist/buddy_list.h"
#include "contacts/contact.h"

namespace textowl {

// The whole list as contacts: each buddy once (placements share its id), with every group it
// sits in, marked when it also sits at the top level, and every group, empty ones included.
ContactBook contactsOfList(const BuddyList& list);
// The buddies of one group line, each with that group only.
ContactBook contactsOfGroup(const BuddyNode& group);

} // namespace textowl
