#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace textowl {

// h = h * 33 + upper(byte), from 0: names that differ only in case land in the same bucket.
std::uint32_t headerNameHash(std::string_view name);
bool headerNamesEqual(std::string_view a, std::string_view b);

// Response headers by name, compared without regard to case; a repeated header keeps all its
// values joined by ",".
class HeaderTable {
public:
    void add(std::string_view name, std::string_view value);
    std::optional<std::string_view> find(std::string_view name) const;
    void clear() { m_entries.clear(); }
    std::size_t size() const { return m_entries.size(); }

private:
    struct Hash {
        std::size_t operator()(const std::string& name) const { return headerNameHash(name); }
    };
    struct Equal {
        bool operator()(const std::string& a, const std::string& b) const {
            return headerNamesEqual(a, b);
        }
    };
    std::unordered_map<std::string, std::string, Hash, Equal> m_entries;
};

} // namespace textowl
