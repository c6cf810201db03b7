#include "app/string_table.h"

#include <algorithm>
#include <array>

namespace textowl {
namespace {

struct StringTableEntry {
    int id;
    std::string_view text;
};

// Kept sorted by id: the lookup is a binary search.
constexpr std::array kStringTable{
    StringTableEntry{129, "Textowl Message"},
    StringTableEntry{130, "A nickname or a first or last name and cell phone number are required."},
    StringTableEntry{
        131, "Unable to add a new group at this time.  Please try your request again later."},
    StringTableEntry{
        132, "Unable to add a new buddy at this time.  Please try your request again later."},
    StringTableEntry{133, "Unable to login at this time.  Please try your request again later..."},
    StringTableEntry{134,
                     "Unable to move buddy at this time.  Please try your request again later..."},
    StringTableEntry{136, "There is already a group by that name!"},
    StringTableEntry{137, "Varnel Textowl 2006"},
    StringTableEntry{138, "Hide window frame"},
    StringTableEntry{139, "Click here to scroll up and see more tabs"},
    StringTableEntry{141, "Click here to scroll down and see more tabs"},
    StringTableEntry{142, "Sign In"},
    StringTableEntry{143, "Register"},
    StringTableEntry{144, "Click below to sign in or register"},
    StringTableEntry{145, "Forgot your password?"},
    StringTableEntry{146, "Signing In..."},
    StringTableEntry{147, "Show window frame"},
    StringTableEntry{300, "Internal Error"},
    StringTableEntry{301, "Cannot paste duplicate"},
    StringTableEntry{302, "Copy failed!"},
    StringTableEntry{303, "Cannot add duplicate"},
    StringTableEntry{403, "My Buddy List"},
    StringTableEntry{404, "Delete %s from this location or from your entire buddy list? Click "
                          "'Yes' for this location only or 'No' from the entire list."},
    StringTableEntry{405, "Delete the %s group?"},
    StringTableEntry{500, "Click here to add a contact to your list"},
    StringTableEntry{501, "Click here to add a group to your list"},
    StringTableEntry{502, "Click here to send a quick message"},
    StringTableEntry{600, "Please specify a number or numbers to call"},
    // The entity spellings are the message's established wording, shown as written.
    StringTableEntry{601, "Please use the following number format: &lt;country code&gt;&lt;cell "
                          "phone number&gt;.  Example: 46700000000"},
    StringTableEntry{602,
                     "The 'To' value you have entered does not appear to be a valid group name."},
    StringTableEntry{603, "The message text is empty"},
    StringTableEntry{604, "Message was sent successfully!"},
    StringTableEntry{605, "Send message failed!"},
};

static_assert(std::is_sorted(kStringTable.begin(), kStringTable.end(),
                             [](const StringTableEntry& a, const StringTableEntry& b) {
                                 return a.id < b.id;
                             }),
              "the string table must stay sorted by id");

} // namespace

std::string_view stringTableText(int id) {
    const auto it = std::lower_bound(
        kStringTable.begin(), kStringTable.end(), id,
        [](const StringTableEntry& entry, int wanted) { return entry.id < wanted; });
    if (it == kStringTable.end() || it->id != id) {
        return {};
    }
    return it->text;
}

} // namespace textowl
