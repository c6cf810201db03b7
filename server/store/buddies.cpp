#include "server/store/buddies.h"

#include "server/store/rows.h"

namespace textowl::server {

namespace {

constexpr const char* kBuddyColumns =
    "b.id, b.firstname, b.lastname, b.nickname, b.cellphone, b.email, b.birthday";

Buddy readBuddy(const Statement& s) {
    return Buddy{s.integer(0),
                 BuddyFields{s.text(1), s.text(2), s.text(3), s.text(4), s.text(5), s.text(6)}};
}

std::vector<Buddy> members(AccountId account, std::int64_t groupId) {
    Statement s(db(), (std::string("SELECT ") + kBuddyColumns +
                       " FROM placements p JOIN buddies b ON b.id = p.buddy_id"
                       " WHERE b.account_id = ?1 AND p.group_id = ?2 ORDER BY p.seq")
                          .c_str());
    s.bind(1, account).bind(2, groupId);
    std::vector<Buddy> buddies;
    while (s.step()) {
        buddies.push_back(readBuddy(s));
    }
    return buddies;
}

bool buddyExists(AccountId account, std::int64_t buddyId) {
    Statement s(db(), "SELECT 1 FROM buddies WHERE id = ?1 AND account_id = ?2");
    return s.bind(1, buddyId).bind(2, account).step();
}

// Group 0 is the top level, which every account has.
bool groupExists(AccountId account, std::int64_t groupId) {
    if (groupId == 0) {
        return true;
    }
    Statement s(db(), "SELECT 1 FROM buddy_groups WHERE id = ?1 AND account_id = ?2");
    return s.bind(1, groupId).bind(2, account).step();
}

// Whether a group other than exceptId already has this exact name.
bool groupNamed(AccountId account, const std::string& name, std::int64_t exceptId = 0) {
    Statement s(db(),
                "SELECT 1 FROM buddy_groups WHERE account_id = ?1 AND name = ?2 AND id <> ?3");
    return s.bind(1, account).bind(2, name).bind(3, exceptId).step();
}

bool placed(std::int64_t buddyId, std::int64_t groupId) {
    Statement s(db(), "SELECT 1 FROM placements WHERE buddy_id = ?1 AND group_id = ?2");
    return s.bind(1, buddyId).bind(2, groupId).step();
}

void deletePlacement(std::int64_t buddyId, std::int64_t groupId) {
    Statement(db(), "DELETE FROM placements WHERE buddy_id = ?1 AND group_id = ?2")
        .bind(1, buddyId)
        .bind(2, groupId)
        .run();
}

} // namespace

Buddies::Buddies(Transactions& transactions) : m_tx(transactions) {}

BuddyList Buddies::list(AccountId account) {
    return m_tx.read([&] {
        BuddyList list;
        list.topLevel = members(account, 0);
        Statement groups(db(),
                         "SELECT id, name FROM buddy_groups WHERE account_id = ?1 ORDER BY id");
        groups.bind(1, account);
        while (groups.step()) {
            list.groups.push_back(BuddyGroup{groups.integer(0), groups.text(1), {}});
        }
        for (BuddyGroup& group : list.groups) {
            group.members = members(account, group.id);
        }
        return list;
    });
}

Outcome<std::int64_t> Buddies::addBuddy(AccountId account, std::int64_t groupId,
                                        const BuddyFields& f) {
    return m_tx.write([&]() -> Outcome<std::int64_t> {
        if (!groupExists(account, groupId)) {
            return {Err::NotFound, 0};
        }
        const std::int64_t id = insertBuddy(account, f);
        insertPlacement(id, groupId);
        return {Err::Ok, id};
    });
}

Err Buddies::updateBuddy(AccountId account, std::int64_t buddyId, const BuddyFields& f) {
    return m_tx.write([&] {
        Statement update(db(), "UPDATE buddies SET firstname = ?3, lastname = ?4, nickname = ?5,"
                               " cellphone = ?6, email = ?7, birthday = ?8"
                               " WHERE id = ?1 AND account_id = ?2");
        bindFields(update.bind(1, buddyId).bind(2, account), 3, f).run();
        return changedOrNotFound();
    });
}

Err Buddies::deleteBuddy(AccountId account, std::int64_t buddyId) {
    return m_tx.write([&] {
        Statement(db(), "DELETE FROM buddies WHERE id = ?1 AND account_id = ?2")
            .bind(1, buddyId)
            .bind(2, account)
            .run();
        return changedOrNotFound();
    });
}

Err Buddies::removePlacement(AccountId account, std::int64_t buddyId, std::int64_t groupId) {
    return m_tx.write([&] {
        if (!buddyExists(account, buddyId)) {
            return Err::NotFound;
        }
        deletePlacement(buddyId, groupId);
        return changedOrNotFound();
    });
}

// The buddy record outlives its last placement: a cut removes the placement before the paste
// copies the buddy back in, naming the location it was cut from.
Err Buddies::copyPlacement(AccountId account, std::int64_t buddyId, std::int64_t toGroup) {
    return m_tx.write([&] {
        if (!buddyExists(account, buddyId) || !groupExists(account, toGroup)) {
            return Err::NotFound;
        }
        if (placed(buddyId, toGroup)) {
            return Err::Duplicate;
        }
        insertPlacement(buddyId, toGroup);
        return Err::Ok;
    });
}

Err Buddies::movePlacement(AccountId account, std::int64_t buddyId, std::int64_t fromGroup,
                           std::int64_t toGroup) {
    return m_tx.write([&] {
        if (!buddyExists(account, buddyId) || !groupExists(account, toGroup) ||
            !placed(buddyId, fromGroup)) {
            return Err::NotFound;
        }
        if (placed(buddyId, toGroup)) {
            return Err::Duplicate;
        }
        deletePlacement(buddyId, fromGroup);
        insertPlacement(buddyId, toGroup);
        return Err::Ok;
    });
}

Outcome<std::int64_t> Buddies::addGroup(AccountId account, const std::string& name) {
    return m_tx.write([&]() -> Outcome<std::int64_t> {
        if (groupNamed(account, name)) {
            return {Err::Duplicate, 0};
        }
        return {Err::Ok, insertGroup(account, name)};
    });
}

Err Buddies::renameGroup(AccountId account, std::int64_t groupId, const std::string& name) {
    return m_tx.write([&] {
        if (groupId == 0 || !groupExists(account, groupId)) {
            return Err::NotFound;
        }
        if (groupNamed(account, name, groupId)) {
            return Err::Duplicate;
        }
        Statement(db(), "UPDATE buddy_groups SET name = ?2 WHERE id = ?1")
            .bind(1, groupId)
            .bind(2, name)
            .run();
        return Err::Ok;
    });
}

Err Buddies::deleteGroup(AccountId account, std::int64_t groupId) {
    return m_tx.write([&] {
        if (groupId == 0 || !groupExists(account, groupId)) {
            return Err::NotFound;
        }
        // A buddy placed only in this group would vanish from the list with it: it goes to the
        // top level instead, in the order it had in the group.
        Statement(db(), "INSERT INTO placements(buddy_id, group_id) SELECT p.buddy_id, 0"
                        " FROM placements p WHERE p.group_id = ?1 AND NOT EXISTS (SELECT 1"
                        " FROM placements q WHERE q.buddy_id = p.buddy_id AND q.group_id <> ?1)"
                        " ORDER BY p.seq")
            .bind(1, groupId)
            .run();
        Statement(db(), "DELETE FROM placements WHERE group_id = ?1").bind(1, groupId).run();
        Statement(db(), "DELETE FROM buddy_groups WHERE id = ?1").bind(1, groupId).run();
        return Err::Ok;
    });
}

Outcome<std::vector<std::string>> Buddies::groupPhones(AccountId account, const std::string& name) {
    return m_tx.read([&]() -> Outcome<std::vector<std::string>> {
        Statement group(db(), "SELECT id FROM buddy_groups WHERE account_id = ?1 AND name = ?2");
        if (!group.bind(1, account).bind(2, name).step()) {
            return {Err::NotFound, {}};
        }
        Statement members(db(), "SELECT b.cellphone FROM placements p JOIN buddies b"
                                " ON b.id = p.buddy_id WHERE p.group_id = ?1 AND b.account_id = ?2"
                                " AND b.cellphone <> '' ORDER BY p.seq");
        members.bind(1, group.integer(0)).bind(2, account);
        Outcome<std::vector<std::string>> result;
        while (members.step()) {
            result.value.push_back(members.text(0));
        }
        return result;
    });
}

} // namespace textowl::server
