#include "service/http_headers.h"

#include <cctype>

namespace textowl {

std::uint32_t headerNameHash(std::string_view name) {
    std::uint32_t h = 0;
    for (char c : name) {
        h = h * 33 + static_cast<std::uint32_t>(std::toupper(static_cast<unsigned char>(c)));
    }
    return h;
}

bool headerNamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

void HeaderTable::add(std::string_view name, std::string_view value) {
    auto [it, inserted] = m_entries.try_emplace(std::string(name), value);
    if (!inserted) {
        it->second += ',';
        it->second += value;
    }
}

std::optional<std::string_view> HeaderTable::find(std::string_view name) const {
    auto it = m_entries.find(std::string(name));
    if (it == m_entries.end()) {
        return std::nullopt;
    }
    return std::string_view(it->second);
}

} // namespace textowl
