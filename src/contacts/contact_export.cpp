#include "contacts/contact_export.h"

#include "contacts/phone_number.h"

#include <unordered_map>

namespace textowl {

namespace {

Contact contactOf(const BuddyEntry& buddy) {
    Contact c;
    c.firstName = buddy.firstName;
    c.lastName = buddy.lastName;
    c.nickname = buddy.nickname;
    c.cellPhone = internationalForm(buddy.cellPhone);
    c.email = buddy.email;
    c.birthday = buddy.birthday;
    return c;
}

// Collects contacts by buddy id, in order of first appearance.
class ContactCollector {
public:
    void add(const BuddyEntry& buddy, const std::string& group) {
        const auto [at, added] = m_index.emplace(buddy.id, m_book.contacts.size());
        if (added)
            m_book.contacts.push_back(contactOf(buddy));
        Contact& contact = m_book.contacts[at->second];
        if (group.empty())
            contact.topLevel = true;
        addUnique(contact.groups, group);
    }
    void addGroup(const std::string& group) { addUnique(m_book.groups, group); }
    ContactBook take() { return std::move(m_book); }

private:
    ContactBook m_book;
    std::unordered_map<std::string, std::size_t> m_index;
};

void collectGroup(ContactCollector& collector, const BuddyNode& group) {
    collector.addGroup(group.entry.groupName);
    for (const auto& child : group.children) {
        if (child->entry.isBuddy())
            collector.add(child->entry, group.entry.groupName);
    }
}

} // namespace

ContactBook contactsOfList(const BuddyList& list) {
    ContactCollector collector;
    for (const auto& child : list.root().children) {
        if (child->entry.isBuddy())
            collector.add(child->entry, {});
        else if (child->entry.isGroup())
            collectGroup(collector, *child);
    }
    ContactBook book = collector.take();
    // Without groups the top level is where a contact goes anyway.
    for (Contact& contact : book.contacts)
        contact.topLevel = contact.topLevel && !contact.groups.empty();
    return book;
}

ContactBook contactsOfGroup(const BuddyNode& group) {
    ContactCollector collector;
    collectGroup(collector, group);
    return collector.take();
}

} // namespace textowl
