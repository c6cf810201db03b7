#include "server/store/store.h"

#include <algorithm>
#include <map>
#include <utility>

namespace textowl::server {
namespace {

using Kind = Transaction::Kind;

constexpr const char* kBuddyColumns =
    "b.id, b.firstname, b.lastname, b.nickname, b.cellphone, b.email, b.birthday";

Buddy readBuddy(const Statement& s) {
    return Buddy{s.integer(0),
                 BuddyFields{s.text(1), s.text(2), s.text(3), s.text(4), s.text(5), s.text(6)}};
}

// Binds the six buddy fields to consecutive parameters from first on.
Statement& bindFields(Statement& s, int first, const BuddyFields& f) {
    return s.bind(first, f.firstname)
        .bind(first + 1, f.lastname)
        .bind(first + 2, f.nickname)
        .bind(first + 3, f.cellphone)
        .bind(first + 4, f.email)
        .bind(first + 5, f.birthday);
}

bool succeeded(Err err) {
    return err == Err::Ok;
}

template <typename T> bool succeeded(const Outcome<T>& outcome) {
    return outcome.err == Err::Ok;
}

thread_local SqlDatabase* tLeased = nullptr;

} // namespace

Store::Use::Use(ConnectionPool& pool, SqlDatabase::Kind kind)
    : m_lease(pool.lease(kind)), m_previous(std::exchange(tLeased, &*m_lease)) {}

Store::Use::~Use() {
    tLeased = m_previous;
}

SqlDatabase& Store::db() {
    if (tLeased == nullptr) {
        throw SqlError("a statement ran outside a transaction");
    }
    return *tLeased;
}

template <typename Body> auto Store::write(Body&& body) {
    Use use(m_pool, Kind::Write);
    return retryingConflicts([&] {
        Transaction t(db());
        auto outcome = body();
        if (succeeded(outcome)) {
            t.commit();
        }
        return outcome;
    });
}

template <typename Body> auto Store::read(Body&& body) {
    Use use(m_pool, Kind::Read);
    return retryingConflicts([&] {
        Transaction t(db(), Kind::Read);
        auto outcome = body();
        t.commit();
        return outcome;
    });
}

Store::Store(const std::string& location, DatabaseOptions options) : m_pool(location, options) {
    prepareSchema();
}

bool Store::sharedByInstances() const {
    return m_pool.dialect() == SqlDialect::Postgres;
}

Err Store::changedOrNotFound() {
    return db().changes() == 0 ? Err::NotFound : Err::Ok;
}

bool Store::accountExists(const std::string& name) {
    return Statement(db(), "SELECT 1 FROM accounts WHERE name = ?1").bind(1, name).step();
}

AccountId Store::insertAccount(const std::string& name, const std::string& passwordHash,
                               std::int64_t balanceCents) {
    Statement(db(), "INSERT INTO accounts(name, password_hash, balance_cents) VALUES(?1, ?2, ?3)")
        .bind(1, name)
        .bind(2, passwordHash)
        .bind(3, balanceCents)
        .run();
    return db().lastInsertId();
}

Err Store::createAccount(const std::string& name, const std::string& passwordHash,
                         std::int64_t balanceCents) {
    return createSeededAccount({name, passwordHash, balanceCents, {}, {}});
}

Err Store::createSeededAccount(const AccountSeed& seed) {
    return write([&] {
        if (accountExists(seed.name)) {
            return Err::Duplicate;
        }
        const AccountId account = insertAccount(seed.name, seed.passwordHash, seed.balanceCents);
        std::map<std::string, std::int64_t> groupIds{{"", 0}};
        for (const std::string& name : seed.groups) {
            groupIds[name] = insertGroup(account, name);
        }
        for (const AccountSeed::Member& member : seed.buddies) {
            const std::int64_t buddy = insertBuddy(account, member.fields);
            for (const std::string& group : member.groups) {
                insertPlacement(buddy, groupIds.at(group));
            }
        }
        return Err::Ok;
    });
}

std::optional<Account> Store::findAccount(const std::string& name) {
    Use use(m_pool, Kind::Read);
    Statement s(db(), "SELECT id, name, password_hash FROM accounts WHERE name = ?1");
    if (!s.bind(1, name).step()) {
        return std::nullopt;
    }
    return Account{s.integer(0), s.text(1), s.text(2)};
}

std::optional<std::string> Store::accountName(AccountId account) {
    Use use(m_pool, Kind::Read);
    Statement s(db(), "SELECT name FROM accounts WHERE id = ?1");
    if (!s.bind(1, account).step()) {
        return std::nullopt;
    }
    return s.text(0);
}

std::int64_t Store::balanceCents(AccountId account) {
    Use use(m_pool, Kind::Read);
    Statement s(db(), "SELECT balance_cents FROM accounts WHERE id = ?1");
    return s.bind(1, account).step() ? s.integer(0) : 0;
}

// Signing in sweeps the sessions that have expired, so lookups stay reads.
void Store::createSession(AccountId account, const std::string& tokenHash, std::int64_t now,
                          std::int64_t idleSeconds, const std::string& fromAddress) {
    write([&] {
        if (!fromAddress.empty()) {
            Statement(db(), "INSERT INTO sign_in_addresses(account_id, address, last_success)"
                            " VALUES(?1, ?2, ?3) ON CONFLICT(account_id, address)"
                            " DO UPDATE SET last_success = excluded.last_success")
                .bind(1, account)
                .bind(2, fromAddress)
                .bind(3, now)
                .run();
        }
        Statement(db(), "DELETE FROM sessions WHERE last_used < ?1")
            .bind(1, now - idleSeconds)
            .run();
        Statement(db(),
                  "INSERT INTO sessions(token_hash, account_id, last_used) VALUES(?1, ?2, ?3)")
            .bindBlob(1, tokenHash)
            .bind(2, account)
            .bind(3, now)
            .run();
        return Err::Ok;
    });
}

bool Store::signedInFrom(const std::string& accountName, const std::string& address,
                         std::int64_t since) {
    Use use(m_pool, Kind::Read);
    Statement s(db(), "SELECT 1 FROM sign_in_addresses t JOIN accounts a ON a.id = t.account_id"
                      " WHERE a.name = ?1 AND t.address = ?2 AND t.last_success >= ?3");
    return s.bind(1, accountName).bind(2, address).bind(3, since).step();
}

std::optional<AccountId> Store::touchSession(const std::string& tokenHash, std::int64_t now,
                                             std::int64_t idleSeconds) {
    AccountId account = 0;
    std::int64_t lastUsed = 0;
    {
        Use use(m_pool, Kind::Read);
        Statement find(db(), "SELECT account_id, last_used FROM sessions WHERE token_hash = ?1");
        if (!find.bindBlob(1, tokenHash).step()) {
            return std::nullopt;
        }
        account = find.integer(0);
        lastUsed = find.integer(1);
    }
    if (lastUsed < now - idleSeconds) {
        write([&] {
            Statement(db(), "DELETE FROM sessions WHERE token_hash = ?1")
                .bindBlob(1, tokenHash)
                .run();
            return Err::Ok;
        });
        return std::nullopt;
    }
    // The idle clock is written at most once a second: calls in a burst share one write, and
    // a session still ends exactly when it has been idle for the full time.
    if (lastUsed < now) {
        // Losing this write in a crash only ends the session a little early; it is not worth a
        // flush to disk that every other call would queue behind once a second.
        Use use(m_pool, Kind::Write);
        UnflushedCommits unflushed(db());
        retryingConflicts([&] {
            Transaction t(db());
            Statement(db(),
                      "UPDATE sessions SET last_used = ?2 WHERE token_hash = ?1 AND last_used < ?2")
                .bindBlob(1, tokenHash)
                .bind(2, now)
                .run();
            t.commit();
        });
    }
    return account;
}

bool Store::deleteSession(const std::string& tokenHash) {
    return write([&] {
               Statement(db(), "DELETE FROM sessions WHERE token_hash = ?1")
                   .bindBlob(1, tokenHash)
                   .run();
               return changedOrNotFound();
           }) == Err::Ok;
}

std::vector<Buddy> Store::members(AccountId account, std::int64_t groupId) {
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

BuddyList Store::buddyList(AccountId account) {
    return read([&] {
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

bool Store::buddyExists(AccountId account, std::int64_t buddyId) {
    Statement s(db(), "SELECT 1 FROM buddies WHERE id = ?1 AND account_id = ?2");
    return s.bind(1, buddyId).bind(2, account).step();
}

std::int64_t Store::insertBuddy(AccountId account, const BuddyFields& f) {
    Statement insert(db(), "INSERT INTO buddies(account_id, firstname, lastname, nickname,"
                           " cellphone, email, birthday) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    bindFields(insert.bind(1, account), 2, f).run();
    return db().lastInsertId();
}

// Group 0 is the top level, which every account has.
bool Store::groupExists(AccountId account, std::int64_t groupId) {
    if (groupId == 0) {
        return true;
    }
    Statement s(db(), "SELECT 1 FROM buddy_groups WHERE id = ?1 AND account_id = ?2");
    return s.bind(1, groupId).bind(2, account).step();
}

// Whether a group other than exceptId already has this exact name.
bool Store::groupNamed(AccountId account, const std::string& name, std::int64_t exceptId) {
    Statement s(db(),
                "SELECT 1 FROM buddy_groups WHERE account_id = ?1 AND name = ?2 AND id <> ?3");
    return s.bind(1, account).bind(2, name).bind(3, exceptId).step();
}

std::int64_t Store::insertGroup(AccountId account, const std::string& name) {
    Statement(db(), "INSERT INTO buddy_groups(account_id, name) VALUES(?1, ?2)")
        .bind(1, account)
        .bind(2, name)
        .run();
    return db().lastInsertId();
}

bool Store::placed(std::int64_t buddyId, std::int64_t groupId) {
    Statement s(db(), "SELECT 1 FROM placements WHERE buddy_id = ?1 AND group_id = ?2");
    return s.bind(1, buddyId).bind(2, groupId).step();
}

void Store::insertPlacement(std::int64_t buddyId, std::int64_t groupId) {
    Statement(db(), "INSERT INTO placements(buddy_id, group_id) VALUES(?1, ?2)")
        .bind(1, buddyId)
        .bind(2, groupId)
        .run();
}

void Store::deletePlacement(std::int64_t buddyId, std::int64_t groupId) {
    Statement(db(), "DELETE FROM placements WHERE buddy_id = ?1 AND group_id = ?2")
        .bind(1, buddyId)
        .bind(2, groupId)
        .run();
}

Outcome<std::int64_t> Store::addBuddy(AccountId account, std::int64_t groupId,
                                      const BuddyFields& f) {
    return write([&]() -> Outcome<std::int64_t> {
        if (!groupExists(account, groupId)) {
            return {Err::NotFound, 0};
        }
        const std::int64_t id = insertBuddy(account, f);
        insertPlacement(id, groupId);
        return {Err::Ok, id};
    });
}

Err Store::updateBuddy(AccountId account, std::int64_t buddyId, const BuddyFields& f) {
    return write([&] {
        Statement update(db(), "UPDATE buddies SET firstname = ?3, lastname = ?4, nickname = ?5,"
                               " cellphone = ?6, email = ?7, birthday = ?8"
                               " WHERE id = ?1 AND account_id = ?2");
        bindFields(update.bind(1, buddyId).bind(2, account), 3, f).run();
        return changedOrNotFound();
    });
}

Err Store::deleteBuddy(AccountId account, std::int64_t buddyId) {
    return write([&] {
        Statement(db(), "DELETE FROM buddies WHERE id = ?1 AND account_id = ?2")
            .bind(1, buddyId)
            .bind(2, account)
            .run();
        return changedOrNotFound();
    });
}

Err Store::removePlacement(AccountId account, std::int64_t buddyId, std::int64_t groupId) {
    return write([&] {
        if (!buddyExists(account, buddyId)) {
            return Err::NotFound;
        }
        deletePlacement(buddyId, groupId);
        return changedOrNotFound();
    });
}

// The buddy record outlives its last placement: a cut removes the placement before the paste
// copies the buddy back in, naming the location it was cut from.
Err Store::copyPlacement(AccountId account, std::int64_t buddyId, std::int64_t toGroup) {
    return write([&] {
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

Err Store::movePlacement(AccountId account, std::int64_t buddyId, std::int64_t fromGroup,
                         std::int64_t toGroup) {
    return write([&] {
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

Outcome<std::int64_t> Store::addGroup(AccountId account, const std::string& name) {
    return write([&]() -> Outcome<std::int64_t> {
        if (groupNamed(account, name)) {
            return {Err::Duplicate, 0};
        }
        return {Err::Ok, insertGroup(account, name)};
    });
}

Err Store::renameGroup(AccountId account, std::int64_t groupId, const std::string& name) {
    return write([&] {
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

Err Store::deleteGroup(AccountId account, std::int64_t groupId) {
    return write([&] {
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

Outcome<std::vector<std::string>> Store::groupPhones(AccountId account, const std::string& name) {
    return read([&]() -> Outcome<std::vector<std::string>> {
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

Err Store::queueMessages(AccountId account, const std::vector<OutboxMessage>& messages,
                         std::int64_t costCents, std::int64_t now) {
    return write([&] {
        Statement(db(), "UPDATE accounts SET balance_cents = balance_cents - ?2"
                        " WHERE id = ?1 AND balance_cents >= ?2")
            .bind(1, account)
            .bind(2, costCents)
            .run();
        if (db().changes() == 0) {
            return Err::InsufficientCredit;
        }
        for (const OutboxMessage& m : messages) {
            Statement(db(), "INSERT INTO outbox(account_id, sender, recipient, type, unicode,"
                            " schedule, parts, text, accepted, state, state_at, due_at,"
                            " report_token) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?9,"
                            " ?11, ?12)")
                .bind(1, account)
                .bind(2, m.sender)
                .bind(3, m.recipient)
                .bind(4, m.type)
                .bind(5, std::int64_t{m.unicode ? 1 : 0})
                .bind(6, m.schedule)
                .bind(7, std::int64_t{m.parts})
                .bind(8, m.text)
                .bind(9, now)
                .bind(10, stateName(m.state))
                .bind(11, m.dueAt)
                .bind(12, m.reportSecret)
                .run();
        }
        return Err::Ok;
    });
}

std::vector<OutboxMessage> Store::outbox(const std::optional<std::string>& user) {
    Use use(m_pool, Kind::Read);
    Statement s(
        db(),
        "SELECT o.id, a.name, o.sender, o.recipient, o.type, o.unicode, o.schedule,"
        " o.parts, o.text, o.state, o.state_at FROM outbox o JOIN accounts a ON a.id = o.account_id"
        " WHERE CAST(?1 AS TEXT) IS NULL OR a.name = ?1 ORDER BY o.id");
    if (user) {
        s.bind(1, *user);
    }
    std::vector<OutboxMessage> rows;
    while (s.step()) {
        rows.push_back(OutboxMessage{s.integer(0),
                                     s.text(1),
                                     s.text(2),
                                     s.text(3),
                                     s.text(4),
                                     s.integer(5) != 0,
                                     s.text(6),
                                     static_cast<int>(s.integer(7)),
                                     s.text(8),
                                     parseStateName(s.text(9)).value_or(MessageState::Unknown),
                                     s.integer(10),
                                     0,
                                     {}});
    }
    return rows;
}

Store::Totals Store::totals(AccountId account) {
    return read([&] {
        auto count = [&](const char* sql) {
            Statement s(db(), sql);
            s.bind(1, account).step();
            return s.integer(0);
        };
        Totals totals;
        totals.buddies = count("SELECT count(*) FROM buddies WHERE account_id = ?1");
        totals.groups = count("SELECT count(*) FROM buddy_groups WHERE account_id = ?1");
        totals.placements = count("SELECT count(*) FROM placements p JOIN buddies b"
                                  " ON b.id = p.buddy_id WHERE b.account_id = ?1");
        totals.messages = count("SELECT count(*) FROM outbox WHERE account_id = ?1");
        totals.messageParts =
            count("SELECT coalesce(sum(parts), 0) FROM outbox WHERE account_id = ?1");
        return totals;
    });
}

std::vector<HistoryEntry> Store::messagesAfter(AccountId account, std::int64_t since, int limit) {
    // Without a starting point the newest are wanted: read backwards, then turned round.
    const std::string sql =
        std::string("SELECT id, due_at, recipient, text, parts, state, state_at,"
                    " reason FROM outbox WHERE account_id = ?1 AND id > ?2"
                    " ORDER BY id") +
        (since > 0 ? "" : " DESC") + " LIMIT ?3";
    return read([&] {
        Statement s(db(), sql.c_str());
        s.bind(1, account).bind(2, since).bind(3, std::int64_t{limit});
        std::vector<HistoryEntry> rows;
        while (s.step()) {
            rows.push_back(historyEntry(s));
        }
        if (since <= 0) {
            std::reverse(rows.begin(), rows.end());
        }
        return rows;
    });
}

} // namespace textowl::server
