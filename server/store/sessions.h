#pragma once

#include "server/store/store_types.h"

namespace textowl::server {

class Transactions;

// Signed-in sessions by the hash of their ticket, and the addresses each account was signed in
// from.
class Sessions {
public:
    explicit Sessions(Transactions& transactions);

    // fromAddress, the key of the address signed in from, is remembered with the time, so that
    // its owner is not slowed when others guess at the account.
    void create(AccountId account, const std::string& tokenHash, std::int64_t now,
                std::int64_t idleSeconds, const std::string& fromAddress = {});
    // Whether the account was signed in to from the address at or after since.
    bool signedInFrom(const std::string& accountName, const std::string& address,
                      std::int64_t since);
    // The account of a live session; refreshes its idle clock and forgets expired sessions.
    std::optional<AccountId> touch(const std::string& tokenHash, std::int64_t now,
                                   std::int64_t idleSeconds);
    bool end(const std::string& tokenHash);

private:
    Transactions& m_tx;
};

} // namespace textowl::server
