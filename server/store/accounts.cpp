#include "server/store/accounts.h"

#include "server/store/rows.h"

#include <map>

namespace textowl::server {

namespace {

using Kind = SqlDatabase::Kind;

bool accountExists(const std::string& name) {
    return Statement(db(), "SELECT 1 FROM accounts WHERE name = ?1").bind(1, name).step();
}

AccountId insertAccount(const std::string& name, const std::string& passwordHash,
                        std::int64_t balanceCents) {
    Statement(db(), "INSERT INTO accounts(name, password_hash, balance_cents) VALUES(?1, ?2, ?3)")
        .bind(1, name)
        .bind(2, passwordHash)
        .bind(3, balanceCents)
        .run();
    return db().lastInsertId();
}

} // namespace

Accounts::Accounts(Transactions& transactions) : m_tx(transactions) {}

Err Accounts::create(const std::string& name, const std::string& passwordHash,
                     std::int64_t balanceCents) {
    return createSeeded({name, passwordHash, balanceCents, {}, {}});
}

Err Accounts::createSeeded(const AccountSeed& seed) {
    return m_tx.write([&] {
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

std::optional<Account> Accounts::find(const std::string& name) {
    Transactions::Use use(m_tx, Kind::Read);
    Statement s(db(), "SELECT id, name, password_hash FROM accounts WHERE name = ?1");
    if (!s.bind(1, name).step()) {
        return std::nullopt;
    }
    return Account{s.integer(0), s.text(1), s.text(2)};
}

std::optional<std::string> Accounts::name(AccountId account) {
    Transactions::Use use(m_tx, Kind::Read);
    Statement s(db(), "SELECT name FROM accounts WHERE id = ?1");
    if (!s.bind(1, account).step()) {
        return std::nullopt;
    }
    return s.text(0);
}

std::int64_t Accounts::balanceCents(AccountId account) {
    Transactions::Use use(m_tx, Kind::Read);
    Statement s(db(), "SELECT balance_cents FROM accounts WHERE id = ?1");
    return s.bind(1, account).step() ? s.integer(0) : 0;
}

} // namespace textowl::server
