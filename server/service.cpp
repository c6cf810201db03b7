#include "server/service.h"

#include "server/sms_parts.h"
#include "server/web_catalogue.h"
#include "server/wire_values.h"
#include "server/xml_text.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <initializer_list>
#include <sodium.h>
#include <vector>

namespace textowl::server {

struct PagewrightService::Operation {
    std::string_view name;
    std::initializer_list<std::string_view> params;
    Handler handler;
};

namespace {

constexpr std::size_t kMaxFieldBytes = 256;
constexpr std::size_t kMaxMessageChars = 1600;
constexpr std::size_t kTicketBytes = 32;

const std::string kEmpty;

const std::optional<std::string>& param(const std::map<std::string, std::optional<std::string>>& p,
                                        const char* name) {
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

std::optional<std::int64_t> idParam(const std::optional<std::string>& value) {
    return value ? parseId(*value) : std::nullopt;
}

bool hasDisplayName(const BuddyFields& f) {
    return !f.nickname.empty() || !f.firstname.empty() || !f.lastname.empty();
}

std::optional<BuddyFields> buddyFields(const std::map<std::string, std::optional<std::string>>& p) {
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

void writeWebEntry(XmlBuilder& xml, std::string_view element, const WebEntry& entry,
                   const std::string& host) {
    const std::string url = "http://" + host + "/pagewright/" + std::string(entry.slug);
    xml.empty(element, {{"url", url},
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
    static const std::array<Operation, 16> kOperations{{
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
    }};
    for (const Operation& op : kOperations) {
        if (op.name == name) {
            return &op;
        }
    }
    return nullptr;
}

PagewrightService::PagewrightService(ServiceConfig config)
    : config_(std::move(config)), hasher_(config_.hashCost), store_(config_.databasePath) {
    if (!config_.clock) {
        config_.clock = [] {
            return std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                .count();
        };
    }
}

bool PagewrightService::knowsOperation(const std::string& name) const {
    return findOperation(name) != nullptr;
}

CallReply PagewrightService::call(const SoapRequest& request) {
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
        return {(this->*(op->handler))(request.params), std::nullopt, {}};
    } catch (const std::bad_alloc&) {
        return {{}, "Server", "out of memory"};
    } catch (const std::exception& e) {
        return {{}, "Server", std::string("internal error: ") + e.what()};
    }
}

void PagewrightService::setPublicHost(std::string hostAndPort) {
    std::lock_guard lock(hostMutex_);
    publicHost_ = std::move(hostAndPort);
}

std::string PagewrightService::publicHost() const {
    std::lock_guard lock(hostMutex_);
    return publicHost_;
}

std::int64_t PagewrightService::now() const {
    return config_.clock();
}

Err PagewrightService::createAccount(const std::string& name, const std::string& password,
                                     std::int64_t balanceCents) {
    if (!validAccountName(name) || password.empty() || balanceCents < 0) {
        return Err::BadArgument;
    }
    if (store_.findAccount(name)) {
        return Err::Duplicate;
    }
    const auto hash = hasher_.hash(password);
    if (!hash) {
        throw std::runtime_error("password hashing failed");
    }
    return store_.createAccount(name, *hash, balanceCents);
}

// Written in one transaction, so that a server stopped while setting it up leaves either no
// demo account (and the next start creates it) or the whole one.
void PagewrightService::ensureDemoAccount() {
    auto member = [](const char* first, const char* last, const char* nick, const char* phone,
                     std::vector<std::string> groups) {
        return AccountSeed::Member{{first, last, nick, phone, "", "0-00-00"}, std::move(groups)};
    };
    store_.createSeededAccount({"demo",
                                kDemoPasswordHash,
                                50 * 100,
                                {"Family", "Work"},
                                {
                                    member("Alice", "Anders", "", "46701234567", {""}),
                                    member("Bob", "Berg", "Bobby", "46702345678", {"", "Work"}),
                                    member("Carl", "Clark", "", "46703456789", {""}),
                                    member("Dora", "Dahl", "Mum", "46704567890", {"Family"}),
                                    member("Erik", "Dahl", "", "46705678901", {"Family"}),
                                    member("Frida", "Falk", "", "46706789012", {"Work"}),
                                }});
}

std::optional<AccountId> PagewrightService::accountForTicket(const std::string& ticket) {
    if (ticket.size() != kTicketBytes * 2) {
        return std::nullopt;
    }
    return store_.touchSession(ticketDigest(ticket), now(), config_.sessionIdleSeconds);
}

std::optional<AccountId> PagewrightService::authenticate(const Params& p) {
    const auto& ticket = param(p, "ticket");
    return ticket ? accountForTicket(*ticket) : std::nullopt;
}

std::string PagewrightService::validateLogin(const Params& p) {
    const auto& user = param(p, "user");
    const auto& password = param(p, "password");
    const std::optional<Account> account = user ? store_.findAccount(*user) : std::nullopt;
    if (!account) {
        hasher_.verifyDummy(password.value_or(kEmpty));
        return result(Err::BadLogin);
    }
    if (!password || !hasher_.verify(account->passwordHash, *password)) {
        return result(Err::BadLogin);
    }
    const std::string ticket = newTicket();
    store_.createSession(account->id, ticketDigest(ticket), now(), config_.sessionIdleSeconds);
    return withValue("ticket", ticket);
}

std::string PagewrightService::logout(const Params& p) {
    const auto& ticket = param(p, "ticket");
    if (!ticket || !authenticate(p)) {
        return result(Err::BadTicket);
    }
    store_.deleteSession(ticketDigest(*ticket));
    return result(Err::Ok);
}

std::string PagewrightService::balance(const Params& p) {
    const auto account = authenticate(p);
    if (!account) {
        return result(Err::BadTicket);
    }
    return withValue("balance", formatCredits(store_.balanceCents(*account)));
}

std::string PagewrightService::getBuddyList(const Params& p) {
    const auto account = authenticate(p);
    if (!account) {
        return result(Err::BadTicket);
    }
    const BuddyList list = store_.buddyList(*account);
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

std::string PagewrightService::addBuddy(const Params& p) {
    const auto account = authenticate(p);
    if (!account) {
        return result(Err::BadTicket);
    }
    const auto group = idParam(param(p, "bgid"));
    const auto fields = buddyFields(p);
    if (!group || !fields) {
        return result(Err::BadArgument);
    }
    const auto added = store_.addBuddy(*account, *group, *fields);
    if (added.err != Err::Ok) {
        return result(added.err);
    }
    return withValue("bid", std::to_string(added.value));
}

std::string PagewrightService::updateBuddy(const Params& p) {
    const auto account = authenticate(p);
    if (!account) {
        return result(Err::BadTicket);
    }
    const auto buddy = idParam(param(p, "bid"));
    const auto fields = buddyFields(p);
    if (!buddy || !fields) {
        return result(Err::BadArgument);
    }
    return result(store_.updateBuddy(*account, *buddy, *fields));
}

std::string PagewrightService::deleteBuddy(const Params& p) {
    const auto account = authenticate(p);
    if (!account) {
        return result(Err::BadTicket);
    }
    const auto buddy = idParam(param(p, "bid"));
    if (!buddy) {
        return result(Err::BadArgument);
    }
    return result(store_.deleteBuddy(*account, *buddy));
}

std::string PagewrightService::removeBuddy(const Params& p) {
    const auto account = authenticate(p);
    if (!account) {
        return result(Err::BadTicket);
    }
    const auto buddy = idParam(param(p, "bid"));
    const auto group = idParam(param(p, "bgid"));
    if (!buddy || !group) {
        return result(Err::BadArgument);
    }
    return result(store_.removePlacement(*account, *buddy, *group));
}

std::string PagewrightService::copyBuddy(const Params& p) {
    const auto account = authenticate(p);
    if (!account) {
        return result(Err::BadTicket);
    }
    const auto buddy = idParam(param(p, "bid"));
    const auto from = idParam(param(p, "bgid_from"));
    const auto to = idParam(param(p, "bgid_to"));
    if (!buddy || !from || !to) {
        return result(Err::BadArgument);
    }
    return result(store_.copyPlacement(*account, *buddy, *to));
}

std::string PagewrightService::moveBuddy(const Params& p) {
    const auto account = authenticate(p);
    if (!account) {
        return result(Err::BadTicket);
    }
    const auto buddy = idParam(param(p, "bid"));
    const auto from = idParam(param(p, "bgid_from"));
    const auto to = idParam(param(p, "bgid_to"));
    if (!buddy || !from || !to) {
        return result(Err::BadArgument);
    }
    return result(store_.movePlacement(*account, *buddy, *from, *to));
}

std::string PagewrightService::addBuddyGroup(const Params& p) {
    const auto account = authenticate(p);
    if (!account) {
        return result(Err::BadTicket);
    }
    const auto name = groupName(param(p, "name"));
    if (!name) {
        return result(Err::BadArgument);
    }
    const auto added = store_.addGroup(*account, *name);
    if (added.err != Err::Ok) {
        return result(added.err);
    }
    return withValue("bgid", std::to_string(added.value));
}

std::string PagewrightService::updateBuddyGroup(const Params& p) {
    const auto account = authenticate(p);
    if (!account) {
        return result(Err::BadTicket);
    }
    const auto group = idParam(param(p, "bgid"));
    const auto name = groupName(param(p, "name"));
    if (!group || !name) {
        return result(Err::BadArgument);
    }
    return result(store_.renameGroup(*account, *group, *name));
}

std::string PagewrightService::deleteBuddyGroup(const Params& p) {
    const auto account = authenticate(p);
    if (!account) {
        return result(Err::BadTicket);
    }
    const auto group = idParam(param(p, "bgid"));
    if (!group) {
        return result(Err::BadArgument);
    }
    return result(store_.deleteGroup(*account, *group));
}

std::string PagewrightService::sendSms(const Params& p) {
    return send(p, false);
}

std::string PagewrightService::sendSmsToGroup(const Params& p) {
    return send(p, true);
}

std::string PagewrightService::send(const Params& p, bool toGroup) {
    const auto account = authenticate(p);
    if (!account) {
        return result(Err::BadTicket);
    }
    const auto& to = param(p, "sms_to");
    const auto& text = param(p, "msg_content");
    const auto& type = param(p, "msg_type");
    const auto& unicode = param(p, "unicode");
    const auto& schedule = param(p, "schedule");
    const auto& from = param(p, "sms_from");
    if (!to || !text || text->empty() || !type || (*type != "text" && *type != "flash") ||
        !unicode || (*unicode != "0" && *unicode != "1") ||
        (from && from->size() > kMaxFieldBytes)) {
        return result(Err::BadArgument);
    }
    const std::optional<std::string> when =
        schedule && !schedule->empty() ? parseSchedule(*schedule) : formatTimestamp(now());
    const SmsSize size = countSmsParts(*text, *unicode == "1");
    if (!when || size.units > static_cast<int>(kMaxMessageChars)) {
        return result(Err::BadArgument);
    }
    std::vector<std::string> recipients;
    if (toGroup) {
        const auto phones = store_.groupPhones(*account, *to);
        if (phones.err != Err::Ok) {
            return result(phones.err);
        }
        for (const std::string& phone : phones.value) {
            auto number = normalisePhone(phone);
            if (number &&
                std::find(recipients.begin(), recipients.end(), *number) == recipients.end()) {
                recipients.push_back(std::move(*number));
            }
        }
    } else if (auto numbers = parseRecipients(*to)) {
        recipients = std::move(*numbers);
    }
    if (recipients.empty()) {
        return result(Err::BadArgument);
    }
    const std::string sender =
        from && !from->empty() ? *from : store_.accountName(*account).value_or(kEmpty);
    std::vector<OutboxMessage> messages;
    for (const std::string& recipient : recipients) {
        messages.push_back(OutboxMessage{0,
                                         {},
                                         sender,
                                         recipient,
                                         *type,
                                         size.encoding == SmsEncoding::Ucs2,
                                         *when,
                                         size.parts,
                                         *text});
    }
    const std::int64_t cost = std::int64_t{size.parts} * std::ssize(recipients) * 100;
    return result(store_.queueMessages(*account, messages, cost, now()));
}

std::string PagewrightService::getInterface(const Params& p) {
    const auto account = authenticate(p);
    if (!account) {
        return result(Err::BadTicket);
    }
    const std::string host = publicHost();
    return result(Err::Ok, [&](XmlBuilder& xml) {
        xml.open("interface");
        xml.open("tabs");
        for (const WebEntry& tab : webTabs()) {
            writeWebEntry(xml, "tab", tab, host);
        }
        xml.close().open("buttons");
        for (const WebEntry& button : interfaceButtons()) {
            writeWebEntry(xml, "button", button, host);
        }
        xml.close();
        xml.empty("footer", {{"url", "http://" + host + "/pagewright/footer"}});
        xml.element("language", "en");
        xml.close();
    });
}

} // namespace textowl::server
