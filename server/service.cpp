#include "server/service.h"

#include "server/demo_account.h"
#include "server/web_catalogue.h"
#include "server/wire_values.h"
#include "server/xml_text.h"
#include "smsparts/sms_parts.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <initializer_list>
#include <iostream>
#include <sodium.h>
#include <tuple>
#include <unordered_set>
#include <variant>
#include <vector>

namespace textowl::server {

struct PagewrightService::Operation {
    std::string_view name;
    std::initializer_list<std::string_view> params;
    std::variant<OpenHandler, AccountHandler> handler;
};

namespace {

constexpr std::size_t kMaxFieldBytes = 256;
constexpr std::size_t kMaxMessageChars = 1600;
constexpr std::size_t kTicketBytes = 32;
// Carry where a call came from to the handlers; "#" cannot start an element name, so no
// parameter of a request can take these places.
constexpr const char* kReachedHostParam = "#host";
constexpr const char* kClientAddressParam = "#client";
constexpr const char* kSchemeParam = "#scheme";

const std::string kEmpty;

using ParamMap = std::map<std::string, std::optional<std::string>>;

const std::optional<std::string>& param(const ParamMap& p, const char* name) {
    static const std::optional<std::string> kNull;
    const auto it = p.find(name);
    return it == p.end() ? kNull : it->second;
}

std::string result(Err err, const std::function<void(XmlBuilder&)>& children = {}) {
    XmlBuilder xml;
    xml.open("result", {{"err", std::to_string(static_cast<int>(err))}});
    if (err != Err::Ok) {
        xml.element("error", errText(err));
    } else if (children) {
        children(xml);
    }
    return xml.finish();
}

std::string withValue(std::string_view element, std::string_view value) {
    return result(Err::Ok, [&](XmlBuilder& xml) { xml.element(element, value); });
}

// The id of what an operation created, or why it was refused.
std::string withNewId(std::string_view element, const Outcome<std::int64_t>& created) {
    return created.err == Err::Ok ? withValue(element, std::to_string(created.value))
                                  : result(created.err);
}

std::string hexEncode(const unsigned char* bytes, std::size_t size) {
    std::string hex(size * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), bytes, size);
    hex.pop_back();
    return hex;
}

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

// Proves that a delivery report comes from the gateway the message was handed to.
std::string newReportSecret() {
    unsigned char bytes[16];
    randombytes_buf(bytes, sizeof bytes);
    return hexEncode(bytes, sizeof bytes);
}

// The named id parameters in order, or none at all when any is nil or not a plain decimal.
template <std::size_t N>
std::optional<std::array<std::int64_t, N>> ids(const ParamMap& p, const char* const (&names)[N]) {
    std::array<std::int64_t, N> values{};
    for (std::size_t i = 0; i < N; ++i) {
        const auto& text = param(p, names[i]);
        const auto id = text ? parseId(*text) : std::nullopt;
        if (!id) {
            return std::nullopt;
        }
        values[i] = *id;
    }
    return values;
}

// Hands the named ids to act, or refuses the call when any of them is malformed.
template <std::size_t N, typename Act>
std::string withIds(const ParamMap& p, const char* const (&names)[N], Act&& act) {
    const auto id = ids(p, names);
    return id ? std::apply(std::forward<Act>(act), *id) : result(Err::BadArgument);
}

bool hasDisplayName(const BuddyFields& f) {
    return !f.nickname.empty() || !f.firstname.empty() || !f.lastname.empty();
}

std::optional<BuddyFields> buddyFields(const ParamMap& p) {
    BuddyFields f;
    const std::array<std::pair<const char*, std::string*>, 6> fields{{
        {"firstname", &f.firstname},
        {"lastname", &f.lastname},
        {"nickname", &f.nickname},
        {"cellphone", &f.cellphone},
        {"email", &f.email},
        {"birthday", &f.birthday},
    }};
    for (const auto& [name, target] : fields) {
        const auto& value = param(p, name);
        if (value && value->size() > kMaxFieldBytes) {
            return std::nullopt;
        }
        *target = value.value_or(kEmpty);
    }
    if (!hasDisplayName(f) || f.cellphone.empty()) {
        return std::nullopt;
    }
    return f;
}

std::optional<std::string> groupName(const std::optional<std::string>& value) {
    if (!value || value->size() > kMaxFieldBytes ||
        value->find_first_not_of(" \t\r\n") == std::string::npos) {
        return std::nullopt;
    }
    return *value;
}

void writeBuddy(XmlBuilder& xml, const Buddy& b) {
    const std::string id = std::to_string(b.id);
    xml.empty("buddy", {{"id", id},
                        {"firstname", b.fields.firstname},
                        {"lastname", b.fields.lastname},
                        {"nickname", b.fields.nickname},
                        {"cellphone", b.fields.cellphone},
                        {"email", b.fields.email},
                        {"birthday", b.fields.birthday}});
}

void writeMessageState(XmlBuilder& xml, const HistoryEntry& m) {
    const bool failed = endsBadly(m.state);
    const std::int64_t returned = refundsCredits(m.state) ? std::int64_t{m.parts} * 100 : 0;
    xml.empty("message", {{"id", std::to_string(m.id)},
                          {"to", m.recipient},
                          {"state", std::string(stateName(m.state))},
                          {"reason", failed ? m.reason : kEmpty},
                          {"credits_returned", formatCredits(returned)},
                          {"updated", formatTimestamp(m.stateAt)}});
}

// The icons are named by host alone: the client fetches them in the scheme it reached us by.
void writeWebEntry(XmlBuilder& xml, std::string_view element, const WebEntry& entry,
                   const std::string& pages, const std::string& host) {
    xml.empty(element, {{"url", pages + std::string(entry.slug)},
                        {"imageURI", host},
                        {"location", kImageLocation},
                        {"file", entry.iconFile},
                        {"tooltip", entry.tooltip}});
}

} // namespace

const char* errText(Err err) {
    switch (err) {
    case Err::Ok:
        return "ok";
    case Err::BadTicket:
        return "the ticket is unknown or has expired";
    case Err::BadLogin:
        return "wrong user name or password";
    case Err::BadArgument:
        return "a parameter is missing or malformed";
    case Err::NotFound:
        return "no such buddy, group or placement";
    case Err::Duplicate:
        return "already present";
    case Err::InsufficientCredit:
        return "not enough credit";
    case Err::Busy:
        return "the service is busy; try again in a moment";
    }
    return "error";
}

bool validAccountName(const std::string& name) {
    return !name.empty() && name.size() <= 32 && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '_' || c == '-';
    });
}

const PagewrightService::Operation* PagewrightService::findOperation(const std::string& name) {
    using S = PagewrightService;
    static const std::array<Operation, 17> kOperations{{
        {"apiValidateLogin", {"user", "password"}, &S::validateLogin},
        {"apiLogout", {"ticket"}, &S::logout},
        {"apiBalanceSms", {"ticket"}, &S::balance},
        {"apiGetBuddyList", {"ticket"}, &S::getBuddyList},
        {"apiAddBuddy",
         {"ticket", "bgid", "firstname", "lastname", "nickname", "cellphone", "email", "birthday"},
         &S::addBuddy},
        {"apiUpdateBuddy",
         {"ticket", "bid", "firstname", "lastname", "nickname", "cellphone", "email", "birthday"},
         &S::updateBuddy},
        {"apiDeleteBuddy", {"ticket", "bid"}, &S::deleteBuddy},
        {"apiRemoveBuddy", {"ticket", "bid", "bgid"}, &S::removeBuddy},
        {"apiCopyBuddy", {"ticket", "bid", "bgid_from", "bgid_to"}, &S::copyBuddy},
        {"apiMoveBuddy", {"ticket", "bid", "bgid_from", "bgid_to"}, &S::moveBuddy},
        {"apiAddBuddyGroup", {"ticket", "name"}, &S::addBuddyGroup},
        {"apiUpdateBuddyGroup", {"ticket", "bgid", "name"}, &S::updateBuddyGroup},
        {"apiDeleteBuddyGroup", {"ticket", "bgid"}, &S::deleteBuddyGroup},
        {"apiSendSms",
         {"ticket", "sms_from", "sms_to", "msg_content", "msg_type", "unicode", "schedule"},
         &S::sendSms},
        {"apiSendSmsToGroup",
         {"ticket", "sms_from", "sms_to", "msg_content", "msg_type", "unicode", "schedule"},
         &S::sendSmsToGroup},
        {"apiGetInterface", {"ticket"}, &S::getInterface},
        // An extension: lets a client learn how its messages fared without opening a page.
        {"apiGetMessageStates", {"ticket", "since"}, &S::getMessageStates},
    }};
    for (const Operation& op : kOperations) {
        if (op.name == name) {
            return &op;
        }
    }
    return nullptr;
}

PagewrightService::PagewrightService(ServiceConfig config, Store& store)
    : m_config(std::move(config)), m_hasher(m_config.hashCost, m_config.hashing),
      m_throttle(m_config.signIn, m_config.steadyClock ? m_config.steadyClock
                                                       : SignInThrottle::Clock(steadyMilliseconds)),
      m_signUps({m_config.signUp.perAddressPerHour, m_config.signUp.perHour}, m_config.steadyClock),
      m_store(store) {
    if (!m_config.diagnostics) {
        m_config.diagnostics = [](const std::string& line) {
            static std::mutex mutex;
            std::lock_guard lock(mutex);
            std::cerr << "pagewright-service: " << line << std::endl;
        };
    }
    if (!m_config.clock) {
        m_config.clock = [] {
            return std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                .count();
        };
    }
}

bool PagewrightService::knowsOperation(const std::string& name) const {
    return findOperation(name) != nullptr;
}

CallReply PagewrightService::call(const SoapRequest& request, const CallOrigin& origin) {
    const Operation* op = findOperation(request.operation);
    if (!op) {
        return {{}, "Client", "unknown operation " + request.operation};
    }
    for (std::string_view name : op->params) {
        if (request.params.count(std::string(name)) == 0) {
            return {{}, "Client", "missing parameter " + std::string(name)};
        }
    }
    try {
        if (origin.reachedHost.empty() && origin.clientAddress.empty() && !origin.secure) {
            return {run(*op, request.params), std::nullopt, {}};
        }
        Params params = request.params;
        if (!origin.reachedHost.empty()) {
            params[kReachedHostParam] = origin.reachedHost;
        }
        params[kClientAddressParam] = origin.clientAddress;
        params[kSchemeParam] = origin.secure ? "https" : "http";
        return {run(*op, params), std::nullopt, {}};
    } catch (const std::bad_alloc&) {
        return {{}, "Server", "out of memory"};
    } catch (const std::exception& e) {
        // Storage messages can name paths and tables: the operator reads them, the caller not.
        m_config.diagnostics("internal error in " + request.operation + ": " + e.what());
        return {{}, "Server", "internal error"};
    }
}

void PagewrightService::setPublicHost(std::string hostAndPort) {
    std::lock_guard lock(m_hostMutex);
    m_publicHost = std::move(hostAndPort);
}

std::string PagewrightService::publicHost() const {
    std::lock_guard lock(m_hostMutex);
    return m_publicHost;
}

std::int64_t PagewrightService::now() const {
    return m_config.clock();
}

Milliseconds PagewrightService::steadyNow() const {
    return m_config.steadyClock ? m_config.steadyClock() : steadyMilliseconds();
}

std::string PagewrightService::run(const Operation& op, const Params& p) {
    if (const auto* open = std::get_if<OpenHandler>(&op.handler)) {
        return (this->*(*open))(p);
    }
    const auto& ticket = param(p, "ticket");
    const auto account = ticket ? accountForTicket(*ticket) : std::nullopt;
    if (!account) {
        return result(Err::BadTicket);
    }
    return (this->*std::get<AccountHandler>(op.handler))(*account, p);
}

Err PagewrightService::createAccount(const std::string& name, const std::string& password,
                                     std::int64_t balanceCents, const std::string& address) {
    if (!validAccountName(name) || password.empty() || balanceCents < 0) {
        return Err::BadArgument;
    }
    if (m_store.findAccount(name)) {
        return Err::Duplicate;
    }
    std::string hash;
    if (m_hasher.hash(password, hash, address) == HashStatus::Busy) {
        return Err::Busy;
    }
    return m_store.createAccount(name, hash, balanceCents);
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
    m_store.createSeededAccount(demoAccount());
}

std::optional<AccountId> PagewrightService::accountForTicket(const std::string& ticket) {
    if (ticket.size() != kTicketBytes * 2) {
        return std::nullopt;
    }
    return m_store.touchSession(ticketDigest(ticket), now(), m_config.sessionIdleSeconds);
}

std::string PagewrightService::validateLogin(const Params& p) {
    const auto& user = param(p, "user");
    const auto& password = param(p, "password");
    const std::string name = user.value_or(kEmpty);
    const std::string address = param(p, kClientAddressParam).value_or(kEmpty);
    const std::string where = address.empty() ? std::string() : addressKey(address);
    // Only an account under attack asks the store whether this address is its owner's.
    const bool known = !where.empty() && m_throttle.besieged(name) &&
                       m_store.signedInFrom(name, where, now() - m_config.knownAddressSeconds);
    // Refused as a wrong password is, and before any hashing: a guesser learns nothing from the
    // right password during a back-off, and a flood of guesses costs no hashes.
    auto attempt = m_throttle.admit(name, address, known);
    if (!attempt) {
        return result(Err::BadLogin);
    }
    const std::optional<Account> account = user ? m_store.findAccount(*user) : std::nullopt;
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
    m_store.createSession(account->id, ticketDigest(ticket), now(), m_config.sessionIdleSeconds,
                          where);
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

std::string PagewrightService::logout(AccountId, const Params& p) {
    m_store.deleteSession(ticketDigest(*param(p, "ticket")));
    return result(Err::Ok);
}

std::string PagewrightService::balance(AccountId account, const Params&) {
    return withValue("balance", formatCredits(m_store.balanceCents(account)));
}

std::string PagewrightService::getBuddyList(AccountId account, const Params&) {
    const BuddyList list = m_store.buddyList(account);
    return result(Err::Ok, [&](XmlBuilder& xml) {
        xml.open("buddylist");
        for (const Buddy& b : list.topLevel) {
            writeBuddy(xml, b);
        }
        for (const BuddyGroup& g : list.groups) {
            xml.open("buddygroup", {{"id", std::to_string(g.id)}, {"name", g.name}});
            for (const Buddy& b : g.members) {
                writeBuddy(xml, b);
            }
            xml.close();
        }
        xml.close();
    });
}

std::string PagewrightService::addBuddy(AccountId account, const Params& p) {
    const auto fields = buddyFields(p);
    if (!fields) {
        return result(Err::BadArgument);
    }
    return withIds(p, {"bgid"}, [&](std::int64_t group) {
        return withNewId("bid", m_store.addBuddy(account, group, *fields));
    });
}

std::string PagewrightService::updateBuddy(AccountId account, const Params& p) {
    const auto fields = buddyFields(p);
    if (!fields) {
        return result(Err::BadArgument);
    }
    return withIds(p, {"bid"}, [&](std::int64_t buddy) {
        return result(m_store.updateBuddy(account, buddy, *fields));
    });
}

std::string PagewrightService::deleteBuddy(AccountId account, const Params& p) {
    return withIds(p, {"bid"},
                   [&](std::int64_t buddy) { return result(m_store.deleteBuddy(account, buddy)); });
}

std::string PagewrightService::removeBuddy(AccountId account, const Params& p) {
    return withIds(p, {"bid", "bgid"}, [&](std::int64_t buddy, std::int64_t group) {
        return result(m_store.removePlacement(account, buddy, group));
    });
}

// The source group only tells where a pasted buddy came from: a cut has already removed that
// placement. It must still be a well-formed id.
std::string PagewrightService::copyBuddy(AccountId account, const Params& p) {
    return withIds(p, {"bid", "bgid_from", "bgid_to"},
                   [&](std::int64_t buddy, std::int64_t /*from*/, std::int64_t to) {
                       return result(m_store.copyPlacement(account, buddy, to));
                   });
}

std::string PagewrightService::moveBuddy(AccountId account, const Params& p) {
    return withIds(p, {"bid", "bgid_from", "bgid_to"},
                   [&](std::int64_t buddy, std::int64_t from, std::int64_t to) {
                       return result(m_store.movePlacement(account, buddy, from, to));
                   });
}

std::string PagewrightService::addBuddyGroup(AccountId account, const Params& p) {
    const auto name = groupName(param(p, "name"));
    if (!name) {
        return result(Err::BadArgument);
    }
    return withNewId("bgid", m_store.addGroup(account, *name));
}

std::string PagewrightService::updateBuddyGroup(AccountId account, const Params& p) {
    const auto name = groupName(param(p, "name"));
    if (!name) {
        return result(Err::BadArgument);
    }
    return withIds(p, {"bgid"}, [&](std::int64_t group) {
        return result(m_store.renameGroup(account, group, *name));
    });
}

std::string PagewrightService::deleteBuddyGroup(AccountId account, const Params& p) {
    return withIds(p, {"bgid"},
                   [&](std::int64_t group) { return result(m_store.deleteGroup(account, group)); });
}

std::string PagewrightService::sendSms(AccountId account, const Params& p) {
    return send(account, p, false);
}

std::string PagewrightService::sendSmsToGroup(AccountId account, const Params& p) {
    return send(account, p, true);
}

std::string PagewrightService::send(AccountId account, const Params& p, bool toGroup) {
    const auto& to = param(p, "sms_to");
    const auto& text = param(p, "msg_content");
    const auto& type = param(p, "msg_type");
    const auto& unicode = param(p, "unicode");
    const auto& schedule = param(p, "schedule");
    if (!to || !text || text->empty() || !type || (*type != "text" && *type != "flash") ||
        !unicode || (*unicode != "0" && *unicode != "1")) {
        return result(Err::BadArgument);
    }
    const std::optional<std::string> when =
        schedule && !schedule->empty() ? parseSchedule(*schedule) : formatTimestamp(now());
    // The client writes the schedule in its user's local time, which is taken to be ours.
    const std::optional<std::int64_t> due =
        schedule && !schedule->empty() && when ? localTimeSeconds(*when) : now();
    const SmsSize size = countSmsParts(*text, *unicode == "1");
    if (!when || !due || size.units > static_cast<int>(kMaxMessageChars)) {
        return result(Err::BadArgument);
    }
    const auto numbers = recipients(account, *to, toGroup);
    if (numbers.err != Err::Ok) {
        return result(numbers.err);
    }
    if (numbers.value.empty()) {
        return result(Err::BadArgument);
    }
    // sms_from is not trusted: an account sends in its own name only.
    const std::string sender = m_store.accountName(account).value_or(kEmpty);
    std::vector<OutboxMessage> messages;
    for (const std::string& recipient : numbers.value) {
        messages.push_back(
            OutboxMessage{0,
                          {},
                          sender,
                          recipient,
                          *type,
                          size.encoding == SmsEncoding::Ucs2,
                          *when,
                          size.parts,
                          *text,
                          m_config.gatewayConfigured ? MessageState::Queued : MessageState::Held,
                          0,
                          *due,
                          newReportSecret()});
    }
    const std::int64_t cost = std::int64_t{size.parts} * std::ssize(numbers.value) * 100;
    const Err err = m_store.queueMessages(account, messages, cost, now());
    if (err == Err::Ok && m_config.gatewayConfigured && m_config.messagesQueued) {
        m_config.messagesQueued();
    }
    return result(err);
}

// The numbers of an explicit list, or of the members of the group with that exact name; members
// without a usable phone are skipped. An empty list is the caller's to refuse.
Outcome<std::vector<std::string>>
PagewrightService::recipients(AccountId account, const std::string& to, bool toGroup) {
    if (!toGroup) {
        return {Err::Ok, parseRecipients(to).value_or(std::vector<std::string>{})};
    }
    const auto phones = m_store.groupPhones(account, to);
    std::vector<std::string> numbers;
    std::unordered_set<std::string> seen;
    for (const std::string& phone : phones.value) {
        auto number = normalisePhone(phone);
        if (number && seen.insert(*number).second) {
            numbers.push_back(std::move(*number));
        }
    }
    return {phones.err, std::move(numbers)};
}

std::string PagewrightService::getMessageStates(AccountId account, const Params& p) {
    constexpr int kMaxMessages = 100;
    return withIds(p, {"since"}, [&](std::int64_t since) {
        const std::vector<HistoryEntry> rows = m_store.messagesAfter(account, since, kMaxMessages);
        return result(Err::Ok, [&](XmlBuilder& xml) {
            for (const HistoryEntry& m : rows) {
                writeMessageState(xml, m);
            }
        });
    });
}

std::string PagewrightService::getInterface(AccountId, const Params& p) {
    const std::string host = param(p, kReachedHostParam).value_or(publicHost());
    const std::string scheme = param(p, kSchemeParam).value_or("http");
    if (m_config.interfaceDescription) {
        std::string text = *m_config.interfaceDescription;
        for (const auto& [placeholder, value] :
             {std::pair{std::string_view("{host}"), &host}, {"{scheme}", &scheme}}) {
            for (std::size_t at = text.find(placeholder); at != std::string::npos;
                 at = text.find(placeholder, at + value->size()))
                text.replace(at, placeholder.size(), *value);
        }
        return text;
    }
    const std::string pages = scheme + "://" + host + "/pagewright/";
    return result(Err::Ok, [&](XmlBuilder& xml) {
        xml.open("interface");
        xml.open("tabs");
        for (const WebEntry& tab : webTabs()) {
            writeWebEntry(xml, "tab", tab, pages, host);
        }
        xml.close().open("buttons");
        for (const WebEntry& button : interfaceButtons()) {
            writeWebEntry(xml, "button", button, pages, host);
        }
        xml.close();
        xml.empty("footer", {{"url", pages + "footer"}});
        xml.element("language", "en");
        xml.close();
    });
}

} // namespace textowl::server
