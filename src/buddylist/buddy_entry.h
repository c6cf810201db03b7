#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace textowl {

enum class EntryKind : int { None = 0, Root = 1, Group = 2, Buddy = 3 };

// The group id the service uses for "directly under the root".
inline constexpr std::string_view kTopLevelGroupId = "0";

// One node of the buddy list. The same buddy may appear several times (top level and groups),
// each placement with its own group id and name; the id alone identifies the buddy.
struct BuddyEntry {
    std::vector<BuddyEntry> children; // only in a freshly parsed list
    std::string id;
    std::string firstName;
    std::string lastName;
    std::string nickname;
    std::string cellPhone;
    std::string email;
    std::string birthday;
    std::string groupId{kTopLevelGroupId};
    std::string groupName;
    EntryKind kind = EntryKind::None;

    bool isRoot() const { return kind == EntryKind::Root; }
    bool isGroup() const { return kind == EntryKind::Group; }
    bool isBuddy() const { return kind == EntryKind::Buddy; }

    static BuddyEntry makeRoot();
    static BuddyEntry makeGroup(std::string groupId, std::string groupName);

    friend bool operator==(const BuddyEntry& a, const BuddyEntry& b);
};

// The text a buddy is listed under: nickname, else first name, else last name. Empty means the
// buddy cannot be shown at all; first and last name are never joined.
std::string_view displayName(const BuddyEntry& entry);
std::string_view displayName(std::string_view nickname, std::string_view firstName,
                             std::string_view lastName);

const char* entryKindName(EntryKind kind);
void PrintTo(const BuddyEntry& entry, std::ostream* os);
void PrintTo(EntryKind kind, std::ostream* os);

} // namespace textowl
