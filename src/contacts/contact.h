#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace textowl {

// A contact as a file describes it, reduced to what a buddy holds. Texts are UTF-8; the cell
// phone is the number as the file wrote it (the import normalises it against a region); the
// birthday is in the contact dialog's "%d-%02d-%02d" form, "0-00-00" when the file gives none.
struct Contact {
    std::string firstName;
    std::string lastName;
    std::string nickname;
    std::string cellPhone;
    std::string email;
    std::string birthday{"0-00-00"};
    std::vector<std::string> groups; // none: the contact goes to the top level
    // Also at the top level besides its groups, as this program's own files say; the files of
    // other address books have no way to say it.
    bool topLevel = false;
    // The file's other numbers, tried in this order when the cell phone is no valid number.
    std::vector<std::string> otherPhones{};

    friend bool operator==(const Contact&, const Contact&) = default;
};

// Where this program's own files say that a contact with groups also sits at the top level: a
// vCard extension property, and a CSV column other address books leave alone.
inline constexpr std::string_view kTopLevelProperty = "X-TEXTOWL-TOP-LEVEL";
inline constexpr std::string_view kTopLevelColumn = "Top Level";

// Everything one file holds: the contacts in file order and every group it names, in order of
// first mention, including groups without members.
struct ContactBook {
    std::vector<Contact> contacts;
    std::vector<std::string> groups;

    friend bool operator==(const ContactBook&, const ContactBook&) = default;
};

enum class ReadProblem : int {
    None = 0,
    TooLarge,        // above kMaxContactFileBytes
    BinaryData,      // NUL bytes: not a text file
    InvalidUtf8,     // a value that is neither UTF-8 nor in the character set it names
    UnknownCharset,  // a CHARSET this reader cannot convert, with bytes that are not UTF-8
    UnbalancedQuote, // a CSV field whose quote is never closed
    NoHeader,        // a CSV file whose first row names no phone and no name column
    NoContacts,      // not a single contact or group
    Unreadable,      // the file could not be opened or read
    InvalidUtf16,    // a lone surrogate or an odd last byte after a UTF-16 byte-order mark
};

// Files above this size are refused before they are read. Address books with a photo per
// contact stay well below it; anything larger is almost surely not an address book.
inline constexpr std::size_t kMaxContactFileBytes = 32u * 1024 * 1024;

struct ReadError {
    ReadProblem problem = ReadProblem::None;
    std::size_t line = 0; // 1-based line where the problem was seen; 0 when it has none

    friend bool operator==(const ReadError&, const ReadError&) = default;
};

struct ContactRead {
    ContactBook book;
    ReadError error;

    bool ok() const { return error.problem == ReadProblem::None; }
};

// A calendar date in the contact dialog's form; year 0 stands for "no year", month or day 0 for
// "not given".
struct Birthday {
    int year = 0;
    int month = 0;
    int day = 0;
};
std::string formatBirthday(Birthday birthday);
// Reads "%d-%02d-%02d" back; false for text in any other form.
bool parseStoredBirthday(std::string_view text, Birthday& birthday);

// Picks one value among several: the first one marked as wanted (a preferred address),
// otherwise the first one at all.
class FirstPreferred {
public:
    void offer(std::string_view value, bool wanted);
    const std::string& value() const { return m_value; }

private:
    std::string m_value;
    bool m_haveWanted = false;
};

// Orders a contact's numbers as the import tries them: mobiles marked preferred, then other
// mobiles, then the rest, each in file order. Which one is valid is known only against a region,
// so the choice among them is the import's.
class PhoneChoice {
public:
    void offer(std::string_view number, bool mobile, bool preferred);
    // The first number becomes the cell phone, the others its fallbacks.
    void fill(Contact& contact) const;

private:
    std::vector<std::pair<int, std::string>> m_ranked;
};

// Adds name to names unless it is empty or already there.
void addUnique(std::vector<std::string>& names, std::string_view name);

const char* readProblemName(ReadProblem problem);
void PrintTo(const Contact& contact, std::ostream* os);
void PrintTo(ReadProblem problem, std::ostream* os);

} // namespace textowl
