#pragma once

#include "server/store/store_types.h"

namespace textowl::server {

class Transactions;

// An account's buddies, its groups and where each buddy is placed (group 0 is the top level).
class Buddies {
public:
    explicit Buddies(Transactions& transactions);

    BuddyList list(AccountId account);
    Outcome<std::int64_t> addBuddy(AccountId account, std::int64_t groupId, const BuddyFields& f);
    Err updateBuddy(AccountId account, std::int64_t buddyId, const BuddyFields& f);
    Err deleteBuddy(AccountId account, std::int64_t buddyId);
    Err removePlacement(AccountId account, std::int64_t buddyId, std::int64_t groupId);
    Err copyPlacement(AccountId account, std::int64_t buddyId, std::int64_t toGroup);
    Err movePlacement(AccountId account, std::int64_t buddyId, std::int64_t fromGroup,
                      std::int64_t toGroup);

    Outcome<std::int64_t> addGroup(AccountId account, const std::string& name);
    Err renameGroup(AccountId account, std::int64_t groupId, const std::string& name);
    Err deleteGroup(AccountId account, std::int64_t groupId);
    // Cell phones of the members of the group with this exact name; NotFound without one.
    Outcome<std::vector<std::string>> groupPhones(AccountId account, const std::string& name);

private:
    Transactions& m_tx;
};

} // namespace textowl::server
