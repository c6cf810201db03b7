// What every contact reader must hold to, whatever the bytes: a failed read hands nothing over;
// a good one gives UTF-8 fields, birthdays in the dialog's form, groups the book lists, and a
// book that its writer turns into a file the same reader takes back whole.
#pragma once

#include "contacts/contact.h"
#include "contacts/text_encoding.h"

#include <algorithm>
#include <string>

namespace textowl::fuzz {

inline void checkContactRead(const ContactRead& read, ContactRead (*reader)(std::string_view),
                             std::string (*writer)(const ContactBook&)) {
    if (!read.ok()) {
        if (!read.book.contacts.empty() || !read.book.groups.empty())
            __builtin_trap();
        return;
    }
    for (const Contact& c : read.book.contacts) {
        for (const std::string* field :
             {&c.firstName, &c.lastName, &c.nickname, &c.cellPhone, &c.email}) {
            if (!isValidUtf8(*field))
                __builtin_trap();
        }
        Birthday birthday;
        if (!parseStoredBirthday(c.birthday, birthday))
            __builtin_trap();
        for (const std::string& group : c.groups) {
            if (group.empty() || std::find(read.book.groups.begin(), read.book.groups.end(),
                                           group) == read.book.groups.end())
                __builtin_trap();
        }
    }
    const std::string written = writer(read.book);
    if (!isValidUtf8(written))
        __builtin_trap();
    const ContactRead again = reader(written);
    if (!again.ok() || again.book.contacts.size() != read.book.contacts.size())
        __builtin_trap();
}

} // namespace textowl::fuzz
