#include "messaging/failure_reason.h"

#include <array>

namespace textowl {

namespace {

struct KnownReason {
    std::string_view words; // as the gateway writes them, anywhere in the reason
    Text text;
};

constexpr std::array kKnownReasons{
    // Kannel's answer to a number its white or black list refuses.
    KnownReason{"denied by white- and/or black-lists", Text::ReasonNumberRefused},
};

} // namespace

std::optional<Text> knownFailureReason(std::string_view gatewayReason) {
    for (const KnownReason& known : kKnownReasons) {
        if (gatewayReason.find(known.words) != std::string_view::npos)
            return known.text;
    }
    return std::nullopt;
}

} // namespace textowl
