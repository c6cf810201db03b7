#include "server/service/service.h"

#include "server/service/operation_text.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <initializer_list>
#include <iostream>
#include <variant>
#include <vector>

namespace textowl::server {

struct PagewrightService::Operation {
    std::string_view name;
    std::initializer_list<std::string_view> params;
    std::variant<OpenHandler, AccountHandler> handler;
};

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

CallReply PagewrightService::call(const SoapRequest& request, const RequestContext& context) {
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
        return {run(*op, request.params, context), std::nullopt, {}};
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

std::string PagewrightService::run(const Operation& op, const Params& p,
                                   const RequestContext& context) {
    if (const auto* open = std::get_if<OpenHandler>(&op.handler)) {
        return (this->*(*open))(p, context);
    }
    const auto& ticket = param(p, "ticket");
    const auto account = ticket ? touchTicket(*ticket, context.now) : std::nullopt;
    if (!account) {
        return result(Err::BadTicket);
    }
    return (this->*std::get<AccountHandler>(op.handler))(*account, p, context);
}

} // namespace textowl::server
