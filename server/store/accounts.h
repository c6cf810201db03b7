#pragma once

#include "server/store/store_types.h"

namespace textowl::server {

class Transactions;

// Accounts: their names, password hashes and balances.
class Accounts {
public:
    explicit Accounts(Transactions& transactions);

    Err create(const std::string& name, const std::string& passwordHash, std::int64_t balanceCents);
    // The account, its groups, buddies and placements in one transaction; Duplicate, and
    // nothing written, when the name is taken.
    Err createSeeded(const AccountSeed& seed);
    std::optional<Account> find(const std::string& name);
    std::optional<std::string> name(AccountId account);
    std::int64_t balanceCents(AccountId account);

private:
    Transactions& m_tx;
};

} // namespace textowl::server
