#include "service/operation_map.h"

#include "service/element_hash.h"

#include <array>

namespace textowl {
namespace {

constexpr std::uint32_t kStringFlags = paramflag::Nullable | paramflag::Rpc | paramflag::Encoded;

// u"" followed by a narrow literal concatenates into one UTF-16 literal: each name is spelt once.
#define TEXTOWL_IN(n, slot)                                                                        \
    ParameterEntry {                                                                               \
        n, u"" n, elementHash(u"" n), ValueType::String, paramflag::In | kStringFlags, slot, {}    \
    }
#define TEXTOWL_RETURN(slot)                                                                       \
    ParameterEntry {                                                                               \
        "return", u"return", elementHash(u"return"), ValueType::String,                            \
            paramflag::Out | kStringFlags, slot, {}                                                \
    }

constexpr ParameterEntry kEnd{};

constexpr ParameterEntry kTicketOnly[] = {TEXTOWL_IN("ticket", 0), TEXTOWL_RETURN(1), kEnd};
constexpr ParameterEntry kLogin[] = {TEXTOWL_IN("user", 0), TEXTOWL_IN("password", 1),
                                     TEXTOWL_RETURN(2), kEnd};
constexpr ParameterEntry kAddBuddy[] = {TEXTOWL_IN("ticket", 0),    TEXTOWL_IN("bgid", 1),
                                        TEXTOWL_IN("firstname", 2), TEXTOWL_IN("lastname", 3),
                                        TEXTOWL_IN("nickname", 4),  TEXTOWL_IN("cellphone", 5),
                                        TEXTOWL_IN("email", 6),     TEXTOWL_IN("birthday", 7),
                                        TEXTOWL_RETURN(8),          kEnd};
constexpr ParameterEntry kUpdateBuddy[] = {TEXTOWL_IN("ticket", 0),    TEXTOWL_IN("bid", 1),
                                           TEXTOWL_IN("firstname", 2), TEXTOWL_IN("lastname", 3),
                                           TEXTOWL_IN("nickname", 4),  TEXTOWL_IN("cellphone", 5),
                                           TEXTOWL_IN("email", 6),     TEXTOWL_IN("birthday", 7),
                                           TEXTOWL_RETURN(8),          kEnd};
constexpr ParameterEntry kTicketBid[] = {TEXTOWL_IN("ticket", 0), TEXTOWL_IN("bid", 1),
                                         TEXTOWL_RETURN(2), kEnd};
constexpr ParameterEntry kRemoveBuddy[] = {TEXTOWL_IN("ticket", 0), TEXTOWL_IN("bid", 1),
                                           TEXTOWL_IN("bgid", 2), TEXTOWL_RETURN(3), kEnd};
constexpr ParameterEntry kCopyMove[] = {TEXTOWL_IN("ticket", 0),    TEXTOWL_IN("bid", 1),
                                        TEXTOWL_IN("bgid_from", 2), TEXTOWL_IN("bgid_to", 3),
                                        TEXTOWL_RETURN(4),          kEnd};
constexpr ParameterEntry kTicketName[] = {TEXTOWL_IN("ticket", 0), TEXTOWL_IN("name", 1),
                                          TEXTOWL_RETURN(2), kEnd};
constexpr ParameterEntry kTicketBgidName[] = {TEXTOWL_IN("ticket", 0), TEXTOWL_IN("bgid", 1),
                                              TEXTOWL_IN("name", 2), TEXTOWL_RETURN(3), kEnd};
constexpr ParameterEntry kTicketBgid[] = {TEXTOWL_IN("ticket", 0), TEXTOWL_IN("bgid", 1),
                                          TEXTOWL_RETURN(2), kEnd};
constexpr ParameterEntry kSend[] = {
    TEXTOWL_IN("ticket", 0),      TEXTOWL_IN("sms_from", 1), TEXTOWL_IN("sms_to", 2),
    TEXTOWL_IN("msg_content", 3), TEXTOWL_IN("msg_type", 4), TEXTOWL_IN("unicode", 5),
    TEXTOWL_IN("schedule", 6),    TEXTOWL_RETURN(7),         kEnd};
constexpr ParameterEntry kTicketBblidName[] = {TEXTOWL_IN("ticket", 0), TEXTOWL_IN("bblid", 1),
                                               TEXTOWL_IN("name", 2), TEXTOWL_RETURN(3), kEnd};
constexpr ParameterEntry kTicketBblid[] = {TEXTOWL_IN("ticket", 0), TEXTOWL_IN("bblid", 1),
                                           TEXTOWL_RETURN(2), kEnd};
constexpr ParameterEntry kTicketSender[] = {TEXTOWL_IN("ticket", 0), TEXTOWL_IN("sender", 1),
                                            TEXTOWL_RETURN(2), kEnd};
constexpr ParameterEntry kTicketSince[] = {TEXTOWL_IN("ticket", 0), TEXTOWL_IN("since", 1),
                                           TEXTOWL_RETURN(2), kEnd};
constexpr ParameterEntry kNoHeaders[] = {kEnd};

#undef TEXTOWL_IN
#undef TEXTOWL_RETURN

constexpr std::size_t countEntries(const ParameterEntry* entries) {
    std::size_t n = 0;
    while (entries[n].type != ValueType::None) {
        ++n;
    }
    return n;
}

constexpr std::uint32_t kNsHash = elementHash(u"urn:Pagewright");

#define TEXTOWL_OP(n, params)                                                                      \
    OperationMap {                                                                                 \
        n, u"" n, elementHash(u"" n), MapKind::Function, params, countEntries(params), 1, true,    \
            true, kServiceNamespace, kNsHash, "SOAPAction: \"urn:Pagewright#" n "\"\r\n"           \
    }
#define TEXTOWL_DESCRIBED_OP(n, params)                                                            \
    OperationMap {                                                                                 \
        n, u"" n, elementHash(u"" n), MapKind::Function, params, countEntries(params), 1, true,    \
            true, kServiceNamespace, kNsHash, {}                                                   \
    }
#define TEXTOWL_HEADER(n)                                                                          \
    OperationMap {                                                                                 \
        n, u"" n, elementHash(u"" n), MapKind::Header, kNoHeaders, 0, 0, true, true,               \
            kServiceNamespace, kNsHash, {}                                                         \
    }

// Order follows OperationId.
#define TEXTOWL_OPERATIONS(INVOKED, DESCRIBED)                                                     \
    INVOKED("apiValidateLogin", kLogin), INVOKED("apiLogout", kTicketOnly),                        \
        INVOKED("apiBalanceSms", kTicketOnly), INVOKED("apiGetBuddyList", kTicketOnly),            \
        INVOKED("apiAddBuddy", kAddBuddy), INVOKED("apiUpdateBuddy", kUpdateBuddy),                \
        INVOKED("apiDeleteBuddy", kTicketBid), INVOKED("apiRemoveBuddy", kRemoveBuddy),            \
        INVOKED("apiCopyBuddy", kCopyMove), INVOKED("apiMoveBuddy", kCopyMove),                    \
        INVOKED("apiAddBuddyGroup", kTicketName), INVOKED("apiUpdateBuddyGroup", kTicketBgidName), \
        INVOKED("apiDeleteBuddyGroup", kTicketBgid), INVOKED("apiSendSms", kSend),                 \
        INVOKED("apiSendSmsToGroup", kSend), INVOKED("apiGetInterface", kTicketOnly),              \
        DESCRIBED("apiSendSmsToList", kSend), DESCRIBED("apiAddBuddyBulkList", kTicketName),       \
        DESCRIBED("apiUpdateBuddyBulkList", kTicketBblidName),                                     \
        DESCRIBED("apiDeleteBuddyBulkList", kTicketBblid),                                         \
        DESCRIBED("apiRenewTicket", kTicketOnly), DESCRIBED("apiGetUpdate", kTicketOnly),          \
        DESCRIBED("apiInterface", kTicketOnly), DESCRIBED("apiGetPreference", kTicketOnly),        \
        DESCRIBED("apiGetPreferenceSender", kTicketOnly),                                          \
        DESCRIBED("apiSetPreferenceSender", kTicketSender),                                        \
        INVOKED("apiGetMessageStates", kTicketSince)

#define TEXTOWL_HEADER_ONLY(n, params) TEXTOWL_HEADER(n)

constexpr std::array<OperationMap, kOperationCount> kOperations{
    {TEXTOWL_OPERATIONS(TEXTOWL_OP, TEXTOWL_DESCRIBED_OP)}};
constexpr std::array<OperationMap, kOperationCount> kHeaderMaps{
    {TEXTOWL_OPERATIONS(TEXTOWL_HEADER_ONLY, TEXTOWL_HEADER_ONLY)}};

#undef TEXTOWL_OPERATIONS
#undef TEXTOWL_OP
#undef TEXTOWL_DESCRIBED_OP
#undef TEXTOWL_HEADER
#undef TEXTOWL_HEADER_ONLY

} // namespace

std::span<const ParameterEntry> OperationMap::parameters() const {
    return {entries, countEntries(entries)};
}

std::size_t OperationMap::inCount() const {
    std::size_t n = 0;
    for (const ParameterEntry& e : parameters()) {
        n += e.isIn() ? 1 : 0;
    }
    return n;
}

const OperationMap& operationMap(OperationId id) {
    return kOperations[static_cast<int>(id)];
}

const OperationMap& headerMap(OperationId id) {
    return kHeaderMaps[static_cast<int>(id)];
}

bool isInvoked(OperationId id) {
    return static_cast<int>(id) < kInvokedOperationCount || id == OperationId::apiGetMessageStates;
}

std::optional<OperationId> findOperation(std::string_view name) {
    for (int i = 0; i < kOperationCount; ++i) {
        if (kOperations[i].name == name) {
            return static_cast<OperationId>(i);
        }
    }
    return std::nullopt;
}

} // namespace textowl
