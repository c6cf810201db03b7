// The buddy list and its groups.
#include "server/service/operation_text.h"
#include "server/service/service.h"
#include "server/soap/xml_text.h"

namespace textowl::server {
namespace {

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

} // namespace

std::string PagewrightService::getBuddyList(AccountId account, const Params&,
                                            const RequestContext&) {
    const BuddyList list = m_store.buddies().list(account);
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

std::string PagewrightService::addBuddy(AccountId account, const Params& p, const RequestContext&) {
    const auto fields = buddyFields(p);
    if (!fields) {
        return result(Err::BadArgument);
    }
    return withIds(p, {"bgid"}, [&](std::int64_t group) {
        return withNewId("bid", m_store.buddies().addBuddy(account, group, *fields));
    });
}

std::string PagewrightService::updateBuddy(AccountId account, const Params& p,
                                           const RequestContext&) {
    const auto fields = buddyFields(p);
    if (!fields) {
        return result(Err::BadArgument);
    }
    return withIds(p, {"bid"}, [&](std::int64_t buddy) {
        return result(m_store.buddies().updateBuddy(account, buddy, *fields));
    });
}

std::string PagewrightService::deleteBuddy(AccountId account, const Params& p,
                                           const RequestContext&) {
    return withIds(p, {"bid"}, [&](std::int64_t buddy) {
        return result(m_store.buddies().deleteBuddy(account, buddy));
    });
}

std::string PagewrightService::removeBuddy(AccountId account, const Params& p,
                                           const RequestContext&) {
    return withIds(p, {"bid", "bgid"}, [&](std::int64_t buddy, std::int64_t group) {
        return result(m_store.buddies().removePlacement(account, buddy, group));
    });
}

// The source group only tells where a pasted buddy came from: a cut has already removed that
// placement. It must still be a well-formed id.
std::string PagewrightService::copyBuddy(AccountId account, const Params& p,
                                         const RequestContext&) {
    return withIds(p, {"bid", "bgid_from", "bgid_to"},
                   [&](std::int64_t buddy, std::int64_t /*from*/, std::int64_t to) {
                       return result(m_store.buddies().copyPlacement(account, buddy, to));
                   });
}

std::string PagewrightService::moveBuddy(AccountId account, const Params& p,
                                         const RequestContext&) {
    return withIds(p, {"bid", "bgid_from", "bgid_to"},
                   [&](std::int64_t buddy, std::int64_t from, std::int64_t to) {
                       return result(m_store.buddies().movePlacement(account, buddy, from, to));
                   });
}

std::string PagewrightService::addBuddyGroup(AccountId account, const Params& p,
                                             const RequestContext&) {
    const auto name = groupName(param(p, "name"));
    if (!name) {
        return result(Err::BadArgument);
    }
    return withNewId("bgid", m_store.buddies().addGroup(account, *name));
}

std::string PagewrightService::updateBuddyGroup(AccountId account, const Params& p,
                                                const RequestContext&) {
    const auto name = groupName(param(p, "name"));
    if (!name) {
        return result(Err::BadArgument);
    }
    return withIds(p, {"bgid"}, [&](std::int64_t group) {
        return result(m_store.buddies().renameGroup(account, group, *name));
    });
}

std::string PagewrightService::deleteBuddyGroup(AccountId account, const Params& p,
                                                const RequestContext&) {
    return withIds(p, {"bgid"}, [&](std::int64_t group) {
        return result(m_store.buddies().deleteGroup(account, group));
    });
}

} // namespace textowl::server
