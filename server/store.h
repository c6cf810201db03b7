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

// All persistent state. Every method is one transaction on one shared connection, so the
// service sees a consistent database from any number of request threads. Every query that
// touches buddies, groups or messages is scoped by the account id.
class Store {
public:
    explicit Store(const std::string& path);

    Err createAccount(const std::string& name, const std::string& passwordHash,
                      std::int64_t balanceCents);
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
    void createSchema();
    bool buddyExists(AccountId account, std::int64_t buddyId);
    bool groupExists(AccountId account, std::int64_t groupId);
    bool placed(std::int64_t buddyId, std::int64_t groupId);

    std::mutex mutex_;
    SqliteDb db_;
};

} // namespace textowl::server
