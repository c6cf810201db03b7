#pragma once

#include "server/result_codes.h"
#include "server/sqlite_db.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace textowl::server {

using AccountId = std::int64_t;

struct BuddyFields {
    std::string firstname, lastname, nickname, cellphone, email, birthday;
};

struct Buddy {
    std::int64_t id = 0;
    BuddyFields fields;
};

struct BuddyGroup {
    std::int64_t id = 0;
    std::string name;
    std::vector<Buddy> members;
};

struct BuddyList {
    std::vector<Buddy> topLevel;
    std::vector<BuddyGroup> groups;
};

struct Account {
    AccountId id = 0;
    std::string name;
    std::string passwordHash;
};

struct OutboxMessage {
    std::int64_t id = 0;
    std::string user, sender, recipient, type;
    bool unicode = false;
    std::string schedule;
    int parts = 0;
    std::string text;
};

template <typename T> struct Outcome {
    Err err = Err::Ok;
    T value{};
};

// An account together with its buddy list, for accounts that must appear whole or not at all.
struct AccountSeed {
    struct Member {
        BuddyFields fields;
        std::vector<std::string> groups; // group names; "" is the top level
    };
    std::string name;
    std::string passwordHash;
    std::int64_t balanceCents = 0;
    std::vector<std::string> groups; // created in this order
    std::vector<Member> buddies;     // created and placed in this order
};

// All persistent state. Every method is one transaction on one shared connection, so the
// service sees a consistent database from any number of request threads. Every query that
// touches buddies, groups or messages is scoped by the account id.
class Store {
public:
    explicit Store(const std::string& path);

    Err createAccount(const std::string& name, const std::string& passwordHash,
                      std::int64_t balanceCents);
    // The account, its groups, buddies and placements in one transaction; Duplicate, and
    // nothing written, when the name is taken.
    Err createSeededAccount(const AccountSeed& seed);
    std::optional<Account> findAccount(const std::string& name);
    std::optional<std::string> accountName(AccountId account);
    std::int64_t balanceCents(AccountId account);

    void createSession(AccountId account, const std::string& tokenHash, std::int64_t now,
                       std::int64_t idleSeconds);
    // The account of a live session; refreshes its idle clock and forgets expired sessions.
    std::optional<AccountId> touchSession(const std::string& tokenHash, std::int64_t now,
                                          std::int64_t idleSeconds);
    bool deleteSession(const std::string& tokenHash);

    BuddyList buddyList(AccountId account);
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

    // Stores one message per recipient and charges the cost, or nothing at all when the
    // balance does not cover it.
    Err queueMessages(AccountId account, const std::vector<OutboxMessage>& messages,
                      std::int64_t costCents, std::int64_t now);
    std::vector<OutboxMessage> outbox(const std::optional<std::string>& user);

    // Counts for consistency checks: buddies, groups, placements, messages of one account.
    struct Totals {
        std::int64_t buddies = 0, groups = 0, placements = 0, messages = 0, messageParts = 0;
    };
    Totals totals(AccountId account);

private:
    // One locked transaction around body; a write commits only when body reports success.
    template <typename Body> auto write(Body&& body);
    template <typename Body> auto read(Body&& body);
    void createSchema();

    // The pieces below run inside a transaction that the caller holds.
    bool accountExists(const std::string& name);
    AccountId insertAccount(const std::string& name, const std::string& passwordHash,
                            std::int64_t balanceCents);
    bool buddyExists(AccountId account, std::int64_t buddyId);
    std::int64_t insertBuddy(AccountId account, const BuddyFields& f);
    std::vector<Buddy> members(AccountId account, std::int64_t groupId); // 0: the top level
    bool groupExists(AccountId account, std::int64_t groupId);
    bool groupNamed(AccountId account, const std::string& name, std::int64_t exceptId = 0);
    std::int64_t insertGroup(AccountId account, const std::string& name);
    bool placed(std::int64_t buddyId, std::int64_t groupId);
    void insertPlacement(std::int64_t buddyId, std::int64_t groupId);
    void deletePlacement(std::int64_t buddyId, std::int64_t groupId);
    // NotFound when the last statement changed no row.
    Err changedOrNotFound() const;

    std::mutex mutex_;
    SqliteDb db_;
};

} // namespace textowl::server
