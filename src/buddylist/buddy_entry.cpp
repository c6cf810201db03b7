#include "buddylist/buddy_entry.h"

#include <ostream>
#include <tuple>

namespace textowl {

namespace {

auto fields(const BuddyEntry& e) {
    return std::tie(e.children, e.id, e.firstName, e.lastName, e.nickname, e.cellPhone, e.email,
                    e.birthday, e.groupId, e.groupName, e.kind);
}

void printField(std::ostream& os, const char* name, const std::string& value) {
    os << ' ' << name << "=\"" << value << '"';
}

} // namespace

BuddyEntry BuddyEntry::makeRoot() {
    BuddyEntry root;
    root.kind = EntryKind::Root;
    return root;
}

BuddyEntry BuddyEntry::makeGroup(std::string groupId, std::string groupName) {
    BuddyEntry group;
    group.kind = EntryKind::Group;
    group.groupId = std::move(groupId);
    group.groupName = std::move(groupName);
    return group;
}

bool operator==(const BuddyEntry& a, const BuddyEntry& b) {
    return fields(a) == fields(b);
}

std::string_view displayName(std::string_view nickname, std::string_view firstName,
                             std::string_view lastName) {
    if (!nickname.empty())
        return nickname;
    if (!firstName.empty())
        return firstName;
    return lastName;
}

std::string_view displayName(const BuddyEntry& entry) {
    return displayName(entry.nickname, entry.firstName, entry.lastName);
}

const char* entryKindName(EntryKind kind) {
    switch (kind) {
    case EntryKind::Root:
        return "root";
    case EntryKind::Group:
        return "group";
    case EntryKind::Buddy:
        return "buddy";
    case EntryKind::None:
        break;
    }
    return "none";
}

void PrintTo(EntryKind kind, std::ostream* os) {
    *os << entryKindName(kind);
}

void PrintTo(const BuddyEntry& entry, std::ostream* os) {
    *os << '{' << entryKindName(entry.kind);
    printField(*os, "id", entry.id);
    printField(*os, "first", entry.firstName);
    printField(*os, "last", entry.lastName);
    printField(*os, "nick", entry.nickname);
    printField(*os, "cell", entry.cellPhone);
    printField(*os, "email", entry.email);
    printField(*os, "birthday", entry.birthday);
    printField(*os, "bgid", entry.groupId);
    printField(*os, "group", entry.groupName);
    if (!entry.children.empty()) {
        *os << " children=[";
        for (const BuddyEntry& child : entry.children) {
            *os << ' ';
            PrintTo(child, os);
        }
        *os << " ]";
    }
    *os << '}';
}

} // namespace textowl
