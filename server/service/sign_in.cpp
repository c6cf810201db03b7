// Accounts and sessions: signing up, signing in and out, tickets and the balance.
#include "server/service/demo_account.h"
#include "server/service/operation_text.h"
#include "server/service/service.h"

#include <sodium.h>

namespace textowl::server {
namespace {

// Only a digest of a ticket is stored, so a copy of the database grants no session.
std::string ticketDigest(const std::string& ticket) {
    unsigned char digest[crypto_generichash_BYTES];
    crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(ticket.data()),
                       ticket.size(), nullptr, 0);
    return std::string(reinterpret_cast<const char*>(digest), sizeof digest);
}

std::string newTicket() {
    unsigned char bytes[kTicketBytes];
    randombytes_buf(bytes, sizeof bytes);
    return hexEncode(bytes, sizeof bytes);
}

} // namespace

Err PagewrightService::createAccount(const std::string& name, const std::string& password,
                                     std::int64_t balanceCents, const std::string& address) {
    if (!validAccountName(name) || password.empty() || balanceCents < 0) {
        return Err::BadArgument;
    }
    if (m_store.accounts().find(name)) {
        return Err::Duplicate;
    }
    std::string hash;
    if (m_hasher.hash(password, hash, address) == HashStatus::Busy) {
        return Err::Busy;
    }
    return m_store.accounts().create(name, hash, balanceCents);
}

SignUpOutcome PagewrightService::signUp(const std::string& name, const std::string& password,
                                        const std::string& clientAddress) {
    const std::string address = addressKey(clientAddress);
    // The place is taken before hashing, so that sign-ups sent side by side cannot all pass,
    // and given back when no account came of it.
    if (!m_signUps.take(address)) {
        m_config.diagnostics("sign-up refused for " + printableForLog(address) +
                             ": too many accounts created lately");
        return SignUpOutcome::TryLater;
    }
    const Err err = createAccount(name, password, m_config.signupCreditsCents, address);
    if (err != Err::Ok) {
        m_signUps.giveBack(address);
    }
    switch (err) {
    case Err::Ok:
        return SignUpOutcome::Created;
    case Err::Duplicate:
        return SignUpOutcome::NameTaken;
    case Err::Busy:
        return SignUpOutcome::Busy;
    default:
        return SignUpOutcome::Invalid;
    }
}

// Written in one transaction, so that a server stopped while setting it up leaves either no
// demo account (and the next start creates it) or the whole one.
void PagewrightService::ensureDemoAccount() {
    m_store.accounts().createSeeded(demoAccount());
}

std::optional<AccountId> PagewrightService::accountForTicket(const std::string& ticket) {
    return touchTicket(ticket, now());
}

std::optional<AccountId> PagewrightService::touchTicket(const std::string& ticket,
                                                        std::int64_t now) {
    if (ticket.size() != kTicketBytes * 2) {
        return std::nullopt;
    }
    return m_store.sessions().touch(ticketDigest(ticket), now, m_config.sessionIdleSeconds);
}

std::string PagewrightService::validateLogin(const Params& p, const RequestContext& context) {
    const auto& user = param(p, "user");
    const auto& password = param(p, "password");
    const std::string name = user.value_or(kEmpty);
    const std::string& address = context.clientAddress;
    const std::string where = address.empty() ? std::string() : addressKey(address);
    // Only an account under attack asks the store whether this address is its owner's.
    const bool known =
        !where.empty() && m_throttle.besieged(name) &&
        m_store.sessions().signedInFrom(name, where, context.now - m_config.knownAddressSeconds);
    // Refused as a wrong password is, and before any hashing: a guesser learns nothing from the
    // right password during a back-off, and a flood of guesses costs no hashes.
    auto attempt = m_throttle.admit(name, address, known);
    if (!attempt) {
        return result(Err::BadLogin);
    }
    const std::optional<Account> account = user ? m_store.accounts().find(*user) : std::nullopt;
    HashStatus verdict = HashStatus::Mismatch;
    if (!account) {
        verdict = m_hasher.verifyDummy(password.value_or(kEmpty), where);
    } else if (password) {
        verdict = m_hasher.verify(account->passwordHash, *password, where);
    }
    if (verdict == HashStatus::Busy) {
        return result(Err::Busy);
    }
    if (verdict != HashStatus::Match) {
        noteFailedSignIn(name, address, attempt->failed());
        return result(Err::BadLogin);
    }
    attempt->succeeded();
    const std::string ticket = newTicket();
    m_store.sessions().create(account->id, ticketDigest(ticket), context.now,
                              m_config.sessionIdleSeconds, where);
    return withValue("ticket", ticket);
}

// The password never reaches the log; the names are the client's own text, so they are escaped.
void PagewrightService::noteFailedSignIn(const std::string& user, const std::string& address,
                                         const std::vector<BackOffStart>& backOffs) {
    const std::string who = "\"" + printableForLog(user) + "\" from " + printableForLog(address);
    m_config.diagnostics("sign-in failed for " + who);
    for (const BackOffStart& start : backOffs) {
        const auto ms = start.length.count();
        const std::string length =
            ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
        m_config.diagnostics(start.perAddress
                                 ? "sign-in back-off for " + printableForLog(addressKey(address)) +
                                       " across accounts: " + length
                                 : "sign-in back-off for " + who + ": " + length);
    }
}

std::string PagewrightService::logout(AccountId, const Params& p, const RequestContext&) {
    m_store.sessions().end(ticketDigest(*param(p, "ticket")));
    return result(Err::Ok);
}

std::string PagewrightService::balance(AccountId account, const Params&, const RequestContext&) {
    return withValue("balance", formatCredits(m_store.accounts().balanceCents(account)));
}

} // namespace textowl::server
