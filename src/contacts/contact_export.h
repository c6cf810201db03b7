#pragma once

#include "buddylist/buddy_list.h"
#include "contacts/contact.h"

namespace textowl {

// The whole list as contacts: each buddy once (placements share its id), with every group it
// sits in, and every group, empty ones included. A buddy that sits at the top level and in
// groups keeps only its groups: a file has no way to say "also at the top level".
ContactBook contactsOfList(const BuddyList& list);
// The buddies of one group line, each with that group only.
ContactBook contactsOfGroup(const BuddyNode& group);

} // namespace textowl
