#include "buddylist/buddy_list_document.h"

#include "service/result_document.h"

#include <array>
#include <new>

namespace textowl {

namespace {

using BuddyField = std::string BuddyEntry::*;

struct BuddyAttribute {
    const char* name;
    BuddyField field;
};

// Read in this order; the first missing one drops the buddy.
constexpr std::array<BuddyAttribute, 7> kBuddyAttributes{{
    {"id", &BuddyEntry::id},
    {"firstname", &BuddyEntry::firstName},
    {"lastname", &BuddyEntry::lastName},
    {"nickname", &BuddyEntry::nickname},
    {"cellphone", &BuddyEntry::cellPhone},
    {"email", &BuddyEntry::email},
    {"birthday", &BuddyEntry::birthday},
}};

bool readBuddy(const pugi::xml_node& element, BuddyEntry& buddy) {
    buddy.kind = EntryKind::Buddy;
    for (const BuddyAttribute& attribute : kBuddyAttributes) {
        const pugi::xml_attribute found = element.attribute(attribute.name);
        if (!found)
            return false;
        buddy.*attribute.field = found.value();
    }
    return true;
}

bool readGroup(const pugi::xml_node& element, BuddyEntry& group) {
    const pugi::xml_attribute id = element.attribute("id");
    const pugi::xml_attribute name = element.attribute("name");
    if (!id || !name)
        return false;
    group = BuddyEntry::makeGroup(id.value(), name.value());
    for (const pugi::xml_node& child : element.children("buddy")) {
        BuddyEntry buddy;
        if (!readBuddy(child, buddy))
            continue;
        buddy.groupId = group.groupId;
        buddy.groupName = group.groupName;
        group.children.push_back(std::move(buddy));
    }
    return true;
}

} // namespace

BuddyEntry readBuddyList(const pugi::xml_node& buddylist) {
    BuddyEntry root = BuddyEntry::makeRoot();
    for (const pugi::xml_node& child : buddylist.children("buddy")) {
        BuddyEntry buddy;
        if (readBuddy(child, buddy))
            root.children.push_back(std::move(buddy));
    }
    for (const pugi::xml_node& child : buddylist.children("buddygroup")) {
        BuddyEntry group;
        if (readGroup(child, group))
            root.children.push_back(std::move(group));
    }
    return root;
}

Status parseBuddyListResult(const ServiceText& result, BuddyEntry& root) {
    try {
        ResultDocument document;
        if (failed(checkResult(result, document)))
            return E_FAIL;
        const pugi::xml_node buddylist = document.documentElement().child("buddylist");
        if (!buddylist)
            return E_FAIL;
        root = readBuddyList(buddylist);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

} // namespace textowl
