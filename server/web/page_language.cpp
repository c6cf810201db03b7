#include "server/web/page_language.h"

#include "base/ascii.h"

#include <optional>

namespace textowl::server {
namespace {

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A qvalue in thousandths: "0", "0.5", "1", "1.000"; nothing for anything else.
std::optional<int> weight(std::string_view text) {
    if (text.empty() || (text[0] != '0' && text[0] != '1') ||
        (text.size() > 1 && (text[1] != '.' || text.size() > 5))) {
        return std::nullopt;
    }
    int value = (text[0] - '0') * 1000;
    int scale = 100;
    for (const char c : text.substr(std::min<std::size_t>(2, text.size()))) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value += (c - '0') * scale;
        scale /= 10;
    }
    return value <= 1000 ? std::optional(value) : std::nullopt;
}

// The weight of one "range;q=x;..." element; ranges without a q weigh 1.
std::optional<int> rangeWeight(std::string_view parameters) {
    int q = 1000;
    while (!parameters.empty()) {
        const std::size_t end = parameters.find(';');
        const std::string_view parameter = trimmed(parameters.substr(0, end));
        parameters =
            end == std::string_view::npos ? std::string_view() : parameters.substr(end + 1);
        const std::size_t equals = parameter.find('=');
        if (equals != std::string_view::npos &&
            equalsIgnoringCase(trimmed(parameter.substr(0, equals)), "q")) {
            const auto value = weight(trimmed(parameter.substr(equals + 1)));
            if (!value) {
                return std::nullopt;
            }
            q = *value;
        }
    }
    return q;
}

std::optional<PageLanguage> servedLanguage(std::string_view range) {
    const std::string_view primary = range.substr(0, range.find('-'));
    if (equalsIgnoringCase(primary, "sv")) {
        return PageLanguage::Swedish;
    }
    if (equalsIgnoringCase(primary, "en") || range == "*") {
        return PageLanguage::English;
    }
    return std::nullopt;
}

} // namespace

PageLanguage preferredPageLanguage(std::string_view acceptLanguage) {
    PageLanguage best = PageLanguage::English;
    int bestWeight = 0;
    while (!acceptLanguage.empty()) {
        const std::size_t comma = acceptLanguage.find(',');
        const std::string_view element = acceptLanguage.substr(0, comma);
        acceptLanguage =
            comma == std::string_view::npos ? std::string_view() : acceptLanguage.substr(comma + 1);
        const std::size_t semicolon = element.find(';');
        const auto language = servedLanguage(trimmed(element.substr(0, semicolon)));
        const auto q = semicolon == std::string_view::npos
                           ? std::optional(1000)
                           : rangeWeight(element.substr(semicolon + 1));
        if (language && q && *q > bestWeight) {
            best = *language;
            bestWeight = *q;
        }
    }
    return best;
}

std::string_view languageTag(PageLanguage language) {
    return language == PageLanguage::Swedish ? "sv" : "en";
}

} // namespace textowl::server
