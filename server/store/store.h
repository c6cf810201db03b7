#pragma once

#include "server/store/connection_pool.h"
#include "server/store/message_state.h"
#include "server/store/result_codes.h"
#include "server/store/sql_database.h"

#include <cstdint>
#include <memory>
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
    MessageState state = MessageState::Held;
    std::int64_t stateAt = 0; // Unix seconds of the last change of state
    std::int64_t dueAt = 0;   // Unix seconds; the schedule read in the service's local time
    std::string reportSecret; // carried by the report address the gateway calls
};

// A message claimed for the gateway.
struct ClaimedMessage {
    std::int64_t id = 0;
    std::string sender, recipient, type;
    bool unicode = false;
    std::string text, reportSecret;
    int attempts = 0;          // earlier tries that failed for a passing reason
    std::int64_t firstTry = 0; // Unix seconds of the first claim
};

// What became of one hand-off: the gateway took it, it waits for another try, or it ends here.
struct DispatchAnswer {
    enum class Kind { HandedOver, Retry, Final };
    std::int64_t id = 0;
    Kind kind = Kind::HandedOver;
    std::int64_t nextTry = 0;                       // for Retry
    MessageState finalState = MessageState::Failed; // for Final
    std::string reason;                             // the gateway's refusal, for Final
};

enum class ReportOutcome { Forged, Applied, Unchanged };
enum class SettleOutcome { Settled, NoSuchMessage, NotUnknown };

// One line of an account's history of sent messages.
struct HistoryEntry {
    std::int64_t id = 0;
    std::int64_t dueAt = 0;
    std::string recipient, text;
    int parts = 0;
    MessageState state = MessageState::Held;
    std::int64_t stateAt = 0;
    std::string reason; // why it failed, as the gateway or its report said
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

// All persistent state, in an SQLite file or a PostgreSQL database (see openDatabase). Every
// method is one transaction on a connection leased from the pool, so the service sees a
// consistent database from any number of request threads, and from any number of instances
// sharing a PostgreSQL database. Every query that touches buddies, groups or messages is scoped by
// the account id.
class Store {
public:
    // Creates the schema, or brings an older one up to date. Throws SqlError when the database
    // cannot be opened or was written by a newer version of this program.
    explicit Store(const std::string& location, DatabaseOptions options = {});

    // Whether other instances may be working on the same database at the same time.
    bool sharedByInstances() const;

    Err createAccount(const std::string& name, const std::string& passwordHash,
                      std::int64_t balanceCents);
    // The account, its groups, buddies and placements in one transaction; Duplicate, and
    // nothing written, when the name is taken.
    Err createSeededAccount(const AccountSeed& seed);
    std::optional<Account> findAccount(const std::string& name);
    std::optional<std::string> accountName(AccountId account);
    std::int64_t balanceCents(AccountId account);

    // fromAddress, the key of the address signed in from, is remembered with the time, so that
    // its owner is not slowed when others guess at the account.
    void createSession(AccountId account, const std::string& tokenHash, std::int64_t now,
                       std::int64_t idleSeconds, const std::string& fromAddress = {});
    // Whether the account was signed in to from the address at or after since.
    bool signedInFrom(const std::string& accountName, const std::string& address,
                      std::int64_t since);
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

    // Dispatch to the gateway. A message is claimed (queued -> submitted) in the transaction
    // that reads it, right before its request leaves, so no two claimers ever hand over the
    // same one.
    std::vector<ClaimedMessage> claimDue(std::int64_t now, int limit);
    // Records the gateway's answers in one transaction; credits go back with a final state
    // that refunds them.
    void recordAnswers(const std::vector<DispatchAnswer>& answers, std::int64_t now);
    // Claims whose answer was never recorded, made before claimedBefore, become unknown: the
    // gateway may have sent them, so they are never handed over again. Returns how many.
    int settleUnanswered(std::int64_t claimedBefore, std::int64_t now);
    // The operator's verdict on an unknown message: delivered or failed, the latter with its
    // credits back. Messages in any other state are left alone.
    SettleOutcome settle(std::int64_t id, MessageState state, std::int64_t now);
    // A delivery report; Forged, and nothing changed, unless the message exists and the secret
    // is its own.
    ReportOutcome applyReport(std::int64_t id, std::string_view secret, int reportType,
                              std::int64_t now, std::string_view reason = {});
    // Newest first.
    std::vector<HistoryEntry> history(AccountId account, int offset, int limit);
    // Oldest first: the first limit messages after the id since, or the last limit when since
    // is 0.
    std::vector<HistoryEntry> messagesAfter(AccountId account, std::int64_t since, int limit);

    // Counts for consistency checks: buddies, groups, placements, messages of one account.
    struct Totals {
        std::int64_t buddies = 0, groups = 0, placements = 0, messages = 0, messageParts = 0;
    };
    Totals totals(AccountId account);
    // How many transactions can run at once.
    int concurrency() const { return m_pool.capacity(); }

private:
    // Leases a connection for the calling thread while it lives; db() is that connection, so the
    // pieces of one transaction need not pass it along.
    class Use {
    public:
        Use(ConnectionPool& pool, SqlDatabase::Kind kind);
        ~Use();
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;

    private:
        ConnectionPool::Lease m_lease;
        SqlDatabase* m_previous;
    };
    static SqlDatabase& db();

    // One locked transaction around body; a write commits only when body reports success.
    template <typename Body> auto write(Body&& body);
    template <typename Body> auto read(Body&& body);
    void prepareSchema();
    void addDispatchColumns();
    void addReasonColumn();
    void recordAnswersOnce(const std::vector<DispatchAnswer>& answers, std::int64_t now);
    ReportOutcome applyReportOnce(std::int64_t id, std::string_view secret, int reportType,
                                  std::int64_t now, std::string_view reason);
    void refund(std::int64_t messageId);
    static HistoryEntry historyEntry(const Statement& s);

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
    Err changedOrNotFound();

    ConnectionPool m_pool;
};

} // namespace textowl::server
