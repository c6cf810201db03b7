#pragma once

// What every operation reads from its parameters and writes into its result document; only the
// service's own files include this.

#include "server/soap/wire_values.h"
#include "server/store/store.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

namespace textowl::server {

class XmlBuilder;

constexpr std::size_t kMaxFieldBytes = 256;
constexpr std::size_t kMaxMessageChars = 1600;
constexpr std::size_t kTicketBytes = 32;
inline const std::string kEmpty;

using ParamMap = std::map<std::string, std::optional<std::string>>;

const std::optional<std::string>& param(const ParamMap& p, const char* name);
std::string result(Err err, const std::function<void(XmlBuilder&)>& children = {});
std::string withValue(std::string_view element, std::string_view value);
// The id of what an operation created, or why it was refused.
std::string withNewId(std::string_view element, const Outcome<std::int64_t>& created);
std::string hexEncode(const unsigned char* bytes, std::size_t size);

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

} // namespace textowl::server
