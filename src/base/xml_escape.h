#pragma once

#include <string_view>

namespace textowl {

// The named entity a character needs in XML, or an empty view when it may stand as written.
// Quotes need one only inside an attribute value.
constexpr std::string_view xmlEntity(char32_t c, bool attribute) {
    switch (c) {
    case U'&':
        return "&amp;";
    case U'<':
        return "&lt;";
    case U'>':
        return "&gt;";
    case U'"':
        return attribute ? "&quot;" : std::string_view{};
    case U'\'':
        return attribute ? "&apos;" : std::string_view{};
    default:
        return {};
    }
}

} // namespace textowl
