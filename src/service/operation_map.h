#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace textowl {

using ServiceText = std::optional<std::u16string>;

inline constexpr std::string_view kServiceNamespace = "urn:Pagewright";
inline constexpr std::string_view kEnvelopeNamespace = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr std::string_view kSchemaInstanceNamespace =
    "http://www.w3.org/2001/XMLSchema-instance";

enum class MapKind : std::uint8_t { Function, Header };
enum class ValueType : std::uint8_t { None, String };

namespace paramflag {
inline constexpr std::uint32_t In = 1u << 0;
inline constexpr std::uint32_t Out = 1u << 1;
inline constexpr std::uint32_t Nullable = 1u << 2;
inline constexpr std::uint32_t Rpc = 1u << 3;
inline constexpr std::uint32_t Encoded = 1u << 4;
inline constexpr std::uint32_t MustUnderstand = 1u << 5;
inline constexpr std::uint32_t Array = 1u << 6;
} // namespace paramflag

struct ParameterEntry {
    std::string_view name;
    std::u16string_view wideName;
    std::uint32_t hash = 0;
    ValueType type = ValueType::None; // None closes a list
    std::uint32_t flags = 0;
    std::size_t slot = 0; // index in the parameter record
    std::string_view ns;  // empty: written and matched without a prefix

    constexpr bool isIn() const { return (flags & paramflag::In) != 0; }
    constexpr bool isOut() const { return (flags & paramflag::Out) != 0; }
    constexpr bool isNullable() const { return (flags & paramflag::Nullable) != 0; }
};

struct OperationMap {
    std::string_view name;
    std::u16string_view wideName;
    std::uint32_t hash = 0;
    MapKind kind = MapKind::Function;
    const ParameterEntry* entries = nullptr; // closed by an entry of type None
    std::size_t recordSize = 0;
    int resultCount = 0;
    bool rpc = true;
    bool encoded = true;
    std::string_view ns = kServiceNamespace;
    std::uint32_t nsHash = 0;
    std::string_view soapActionLine; // empty for operations the client does not invoke

    std::span<const ParameterEntry> parameters() const;
    std::size_t inCount() const;
};

// The first 16 are the operations the client invokes, in the order of the contract; the last is
// this service's extension, which the client invokes too.
enum class OperationId : int {
    apiValidateLogin,
    apiLogout,
    apiBalanceSms,
    apiGetBuddyList,
    apiAddBuddy,
    apiUpdateBuddy,
    apiDeleteBuddy,
    apiRemoveBuddy,
    apiCopyBuddy,
    apiMoveBuddy,
    apiAddBuddyGroup,
    apiUpdateBuddyGroup,
    apiDeleteBuddyGroup,
    apiSendSms,
    apiSendSmsToGroup,
    apiGetInterface,
    apiSendSmsToList,
    apiAddBuddyBulkList,
    apiUpdateBuddyBulkList,
    apiDeleteBuddyBulkList,
    apiRenewTicket,
    apiGetUpdate,
    apiInterface,
    apiGetPreference,
    apiGetPreferenceSender,
    apiSetPreferenceSender,
    apiGetMessageStates,
};

inline constexpr int kOperationCount = 27;
inline constexpr int kInvokedOperationCount = 16;

const OperationMap& operationMap(OperationId id);
const OperationMap& headerMap(OperationId id);
bool isInvoked(OperationId id);
std::optional<OperationId> findOperation(std::string_view name);

} // namespace textowl
