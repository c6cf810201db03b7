#pragma once

#include "server/service/event_quota.h"
#include "server/service/password_hasher.h"
#include "server/service/request_context.h"
#include "server/service/sign_in_throttle.h"
#include "server/soap/soap_envelope.h"
#include "server/store/result_codes.h"
#include "server/store/store.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace textowl::server {

// Accounts created through the sign-up page within an hour; 0 turns a limit off.
struct SignUpLimits {
    int perAddressPerHour = 3; // per address (an IPv6 /64)
    int perHour = 60;          // in all
};

enum class SignUpOutcome { Created, Invalid, NameTaken, Busy, TryLater };

struct ServiceConfig {
    HashCost hashCost = HashCost::Interactive;
    // The client has no way to renew a ticket, so it lives through a working day's pauses.
    std::int64_t sessionIdleSeconds = 24 * 3600;
    // What each account created through the sign-up page is given.
    std::int64_t signupCreditsCents = 10 * 100;
    SignUpLimits signUp;
    // An address signed in from this recently is not slowed when others guess at the account.
    std::int64_t knownAddressSeconds = 30 * 24 * 3600;
    // Unix seconds; replaced by tests that let sessions expire.
    std::function<std::int64_t()> clock;
    // Replaces the built-in apiGetInterface answer, with "{host}" standing for the HOST:PORT the
    // client reached and "{scheme}" for http or https as it reached it, so that operators can try
    // their own tabs, buttons and image hosts.
    std::optional<std::string> interfaceDescription;
    // Receives the details of internal errors, which callers only learn happened, and the
    // failed sign-ins; standard error by default. May be called from several threads at once.
    std::function<void(const std::string&)> diagnostics;
    SignInLimits signIn;
    HashLimits hashing;
    // Monotonic time for the sign-in back-off; replaced by tests.
    std::function<Milliseconds()> steadyClock;
    // With a gateway, accepted messages are queued for it; without one they are held for good.
    bool gatewayConfigured = false;
    // Called after messages were queued, so that the dispatcher looks at once.
    std::function<void()> messagesQueued;
};

// What one call produced: either the "return" text or a SOAP fault.
struct CallReply {
    std::string returnText;
    std::optional<std::string> faultCode; // "Client" or "Server"
    std::string faultString;
};

// The operations of urn:Pagewright on top of the store: parameter checks, tickets, credit.
class PagewrightService {
public:
    // The store is lent for the service's life.
    PagewrightService(ServiceConfig config, Store& store);

    CallReply call(const SoapRequest& request, const RequestContext& context);
    bool knowsOperation(const std::string& name) const;

    // "HOST:PORT" of the server as clients reach it; named in the interface description.
    void setPublicHost(std::string hostAndPort);
    std::string publicHost() const;

    // Shared with the web pages and the command line. address is the key of the address the
    // request came from, which the hashing queue limits; empty for the operator.
    Err createAccount(const std::string& name, const std::string& password,
                      std::int64_t balanceCents, const std::string& address = {});
    // The sign-up page's account, with the sign-up credits, within the sign-up limits; a
    // refusal costs no hashing.
    SignUpOutcome signUp(const std::string& name, const std::string& password,
                         const std::string& clientAddress);
    std::optional<AccountId> accountForTicket(const std::string& ticket);
    void ensureDemoAccount();
    std::int64_t signupCreditsCents() const { return m_config.signupCreditsCents; }
    std::uint64_t passwordHashesComputed() const { return m_hasher.computed(); }
    std::int64_t now() const;       // Unix seconds by the configured clock
    Milliseconds steadyNow() const; // monotonic, by the configured clock

private:
    using Params = std::map<std::string, std::optional<std::string>>;
    // Operations without a ticket see only the parameters; the others run only once the ticket
    // has named a signed-in account.
    using OpenHandler = std::string (PagewrightService::*)(const Params&, const RequestContext&);
    using AccountHandler = std::string (PagewrightService::*)(AccountId, const Params&,
                                                              const RequestContext&);
    struct Operation;
    static const Operation* findOperation(const std::string& name);

    std::string run(const Operation& op, const Params& p, const RequestContext& context);
    // The ticket's account, its session kept alive from the time now.
    std::optional<AccountId> touchTicket(const std::string& ticket, std::int64_t now);

    std::string validateLogin(const Params& p, const RequestContext& context);
    void noteFailedSignIn(const std::string& user, const std::string& address,
                          const std::vector<BackOffStart>& backOffs);
    std::string logout(AccountId account, const Params& p, const RequestContext& context);
    std::string balance(AccountId account, const Params& p, const RequestContext& context);
    std::string getBuddyList(AccountId account, const Params& p, const RequestContext& context);
    std::string addBuddy(AccountId account, const Params& p, const RequestContext& context);
    std::string updateBuddy(AccountId account, const Params& p, const RequestContext& context);
    std::string deleteBuddy(AccountId account, const Params& p, const RequestContext& context);
    std::string removeBuddy(AccountId account, const Params& p, const RequestContext& context);
    std::string copyBuddy(AccountId account, const Params& p, const RequestContext& context);
    std::string moveBuddy(AccountId account, const Params& p, const RequestContext& context);
    std::string addBuddyGroup(AccountId account, const Params& p, const RequestContext& context);
    std::string updateBuddyGroup(AccountId account, const Params& p, const RequestContext& context);
    std::string deleteBuddyGroup(AccountId account, const Params& p, const RequestContext& context);
    std::string sendSms(AccountId account, const Params& p, const RequestContext& context);
    std::string sendSmsToGroup(AccountId account, const Params& p, const RequestContext& context);
    std::string getInterface(AccountId account, const Params& p, const RequestContext& context);
    std::string getMessageStates(AccountId account, const Params& p, const RequestContext& context);
    std::string send(AccountId account, const Params& p, const RequestContext& context,
                     bool toGroup);
    Outcome<std::vector<std::string>> recipients(AccountId account, const std::string& to,
                                                 bool toGroup);

    ServiceConfig m_config;
    PasswordHasher m_hasher;
    SignInThrottle m_throttle;
    EventQuota m_signUps;
    Store& m_store;
    mutable std::mutex m_hostMutex;
    std::string m_publicHost = "127.0.0.1";
};

// Account names: 1 to 32 characters from letters, digits, ".", "_" and "-".
bool validAccountName(const std::string& name);

} // namespace textowl::server
