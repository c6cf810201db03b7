#include "contacts/csv_reader.h"

#include "contacts/text_encoding.h"
#include "contacts/vcard_reader.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <vector>

namespace textowl {

namespace {

// Splits the text into records of fields, one record per call, in a single pass.
class CsvRecords {
public:
    enum class Result { Record, End, UnbalancedQuote };

    CsvRecords(std::string_view text, char separator) : m_text(text), m_separator(separator) {}

    Result next(std::vector<std::string>& fields, std::size_t& recordLine) {
        fields.clear();
        if (m_at >= m_text.size())
            return Result::End;
        recordLine = m_line;
        std::string field;
        while (true) {
            if (m_at < m_text.size() && m_text[m_at] == '"') {
                const std::size_t opened = m_line;
                if (!readQuoted(field)) {
                    recordLine = opened;
                    return Result::UnbalancedQuote;
                }
            }
            // Unquoted text, or whatever follows a closing quote, runs to the next separator.
            const std::size_t end = std::min(m_text.find_first_of(m_stops, m_at), m_text.size());
            field.append(m_text.substr(m_at, end - m_at));
            m_at = end;
            if (m_at < m_text.size() && m_text[m_at] == m_separator) {
                fields.push_back(std::move(field));
                field.clear();
                ++m_at;
                continue;
            }
            if (!field.empty() && field.back() == '\r')
                field.pop_back();
            fields.push_back(std::move(field));
            if (m_at < m_text.size()) {
                ++m_at; // the line feed
                ++m_line;
            }
            return Result::Record;
        }
    }

private:
    bool readQuoted(std::string& field) {
        ++m_at;
        while (true) {
            const std::size_t quote = m_text.find('"', m_at);
            if (quote == std::string_view::npos)
                return false;
            const std::string_view part = m_text.substr(m_at, quote - m_at);
            m_line += static_cast<std::size_t>(std::count(part.begin(), part.end(), '\n'));
            field.append(part);
            m_at = quote + 1;
            if (m_at < m_text.size() && m_text[m_at] == '"') {
                field += '"';
                ++m_at;
                continue;
            }
            return true;
        }
    }

    std::string_view m_text;
    char m_separator;
    char m_stops[3] = {m_separator, '\n', '\0'};
    std::size_t m_at = 0;
    std::size_t m_line = 1;
};

// The separator the header row uses most, outside quotes.
char detectSeparator(std::string_view text) {
    int counts[3] = {};
    constexpr char kCandidates[3] = {',', ';', '\t'};
    bool quoted = false;
    for (const char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '\n')
            break;
        for (int i = 0; i < 3; ++i)
            counts[i] += (!quoted && c == kCandidates[i]) ? 1 : 0;
    }
    return kCandidates[std::max_element(counts, counts + 3) - counts];
}

enum class Role {
    Ignored,
    FirstName,
    LastName,
    FullName,
    Organisation,
    Nickname,
    Email,
    Phone,
    Birthday,
    BirthYear,
    BirthMonth,
    BirthDay,
    Groups,
    TopLevel,
};

struct Column {
    Role role = Role::Ignored;
    bool mobile = false;    // a phone column whose name says mobile
    bool preferred = false; // Outlook's "Primary Phone"
    int label = -1;         // a phone column whose type is in another column ("Phone 1 - Type")
    std::string_view groupSeparator; // Outlook's categories use ";", Google's labels " ::: "
};

bool isAnyOf(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

Role roleOf(std::string_view name) {
    if (isAnyOf(name, {"first name", "given name", "firstname", "first"}))
        return Role::FirstName;
    if (isAnyOf(name, {"last name", "family name", "surname", "lastname", "last"}))
        return Role::LastName;
    if (isAnyOf(name, {"name", "display name", "full name", "contact"}))
        return Role::FullName;
    if (isAnyOf(name, {"nickname", "nick name"}))
        return Role::Nickname;
    if (isAnyOf(name, {"organization name", "organization 1 - name", "organization", "company",
                       "organisation"}))
        return Role::Organisation;
    if (isAnyOf(name, {"birthday", "birth date", "date of birth"}))
        return Role::Birthday;
    if (name == "birth year")
        return Role::BirthYear;
    if (name == "birth month")
        return Role::BirthMonth;
    if (name == "birth day")
        return Role::BirthDay;
    if (isAnyOf(name, {"group membership", "labels", "categories", "group", "groups"}))
        return Role::Groups;
    if (equalsIgnoringCase(name, kTopLevelColumn))
        return Role::TopLevel;
    const bool describesAnother =
        contains(name, "type") || contains(name, "label") || contains(name, "display");
    if (describesAnother)
        return Role::Ignored;
    if (name.starts_with("e-mail") || name.starts_with("email") || name == "primary email")
        return Role::Email;
    if (contains(name, "fax") || contains(name, "pager") || contains(name, "phonetic"))
        return Role::Ignored;
    if (contains(name, "phone") || contains(name, "mobile") || contains(name, "cell") ||
        isAnyOf(name, {"number", "tel", "mobile number"}))
        return Role::Phone;
    return Role::Ignored;
}

// Google's "Phone 1 - Value" takes its type from "Phone 1 - Type" (old) or "Phone 1 - Label".
int labelColumn(const std::vector<std::string>& names, std::string_view name) {
    constexpr std::string_view kValue = " - value";
    if (!name.ends_with(kValue))
        return -1;
    const std::string_view stem = name.substr(0, name.size() - kValue.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string_view other = names[i];
        if (other.starts_with(stem) &&
            (other.substr(stem.size()) == " - type" || other.substr(stem.size()) == " - label"))
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<Column> columnsOf(const std::vector<std::string>& header) {
    std::vector<std::string> names;
    for (const std::string& cell : header)
        names.push_back(asciiLower(trimmed(cell)));
    std::vector<Column> columns(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        columns[i].role = roleOf(names[i]);
        if (columns[i].role == Role::Groups)
            columns[i].groupSeparator = names[i] == "categories" ? ";" : ":::";
        if (columns[i].role == Role::Phone) {
            columns[i].mobile = contains(names[i], "mobile") || contains(names[i], "cell");
            columns[i].preferred = contains(names[i], "primary");
            columns[i].label = labelColumn(names, names[i]);
        }
    }
    return columns;
}

bool namesContacts(const std::vector<Column>& columns) {
    return std::any_of(columns.begin(), columns.end(), [](const Column& c) {
        return c.role == Role::Phone || c.role == Role::FirstName || c.role == Role::LastName ||
               c.role == Role::FullName || c.role == Role::Organisation || c.role == Role::Nickname;
    });
}

// Calls take with each of the values a cell packs with separator, as Google does with "a ::: b".
template <class Take>
void forEachValue(std::string_view cell, std::string_view separator, Take take) {
    while (!cell.empty()) {
        const std::size_t end = cell.find(separator);
        take(trimmed(cell.substr(0, end)));
        cell = end == std::string_view::npos ? std::string_view{}
                                             : cell.substr(end + separator.size());
    }
}

std::string_view firstValue(std::string_view cell) {
    return trimmed(cell.substr(0, cell.find(":::")));
}

void addGroups(std::vector<std::string>& groups, std::string_view cell,
               std::string_view separator) {
    forEachValue(cell, separator, [&groups](std::string_view group) {
        // Google's own labels, with its "* " mark or without, and spelt "My Contacts" by its
        // older export: "My Contacts" and "Starred" are not groups a user made.
        std::string label;
        for (const char c : group.starts_with("* ") ? group.substr(2) : group) {
            if (c != ' ')
                label += c;
        }
        if (!equalsIgnoringCase(label, "myContacts") && !equalsIgnoringCase(label, "starred"))
            addUnique(groups, group);
    });
}

int number(std::string_view text) {
    int n = 0;
    std::from_chars(text.data(), text.data() + text.size(), n);
    return n;
}

// A year that no calendar control shows ("-980", "99999") is kept as no year rather than stored
// as a birthday the book cannot read back.
int year(std::string_view text) {
    const int n = number(text);
    return n >= 1 && n <= 9999 ? n : 0;
}

// ISO and vCard forms first, then Outlook's "M/D/YYYY" and the European "D.M.YYYY"; a two-digit
// year is too ambiguous to keep.
std::optional<Birthday> parseCsvDate(std::string_view text) {
    text = trimmed(text);
    if (const std::optional<Birthday> date = parseVCardDate(text))
        return date;
    const char separator = contains(text, "/") ? '/' : '.';
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    if (parts.size() != 3)
        return std::nullopt;
    Birthday date;
    date.month = number(parts[separator == '/' ? 0 : 1]);
    date.day = number(parts[separator == '/' ? 1 : 0]);
    date.year = parts[2].size() == 4 ? year(parts[2]) : 0;
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31)
        return std::nullopt;
    return date;
}

// One data row; false when it holds no contact (it may still declare groups).
bool contactFromRow(const std::vector<Column>& columns, const std::vector<std::string>& row,
                    Contact& contact) {
    std::string fullName;
    std::string organisation;
    PhoneChoice phones;
    FirstPreferred email;
    std::optional<Birthday> birthday;
    Birthday parts;
    for (std::size_t i = 0; i < columns.size() && i < row.size(); ++i) {
        const std::string_view value = trimmed(row[i]);
        switch (columns[i].role) {
        case Role::FirstName:
            contact.firstName = value;
            break;
        case Role::LastName:
            contact.lastName = value;
            break;
        case Role::FullName:
            fullName = value;
            break;
        case Role::Organisation:
            organisation = value;
            break;
        case Role::Nickname:
            contact.nickname = value;
            break;
        case Role::Email:
            email.offer(firstValue(value), false);
            break;
        case Role::Phone: {
            const int label = columns[i].label;
            const std::string_view type = label >= 0 && static_cast<std::size_t>(label) < row.size()
                                              ? trimmed(row[label])
                                              : std::string_view{};
            // Google marks the primary number's type with "* ".
            const bool mobile = columns[i].mobile || containsIgnoringCase(type, "mobile") ||
                                containsIgnoringCase(type, "cell");
            const bool preferred = columns[i].preferred || type.starts_with("* ");
            forEachValue(value, ":::", [&](std::string_view number) {
                phones.offer(number, mobile, preferred);
            });
            break;
        }
        case Role::Birthday:
            if (!value.empty())
                birthday = parseCsvDate(value);
            break;
        case Role::BirthYear:
            parts.year = year(value);
            break;
        case Role::BirthMonth:
            parts.month = number(value);
            break;
        case Role::BirthDay:
            parts.day = number(value);
            break;
        case Role::Groups:
            addGroups(contact.groups, value, columns[i].groupSeparator);
            break;
        case Role::TopLevel:
            contact.topLevel = equalsIgnoringCase(value, "yes");
            break;
        case Role::Ignored:
            break;
        }
    }
    // As in a vCard: the full name, else the organisation, when no part of the name is given.
    if (contact.firstName.empty() && contact.lastName.empty() && contact.nickname.empty())
        contact.firstName = fullName.empty() ? organisation : fullName;
    phones.fill(contact);
    contact.email = email.value();
    if (!birthday && parts.month >= 1 && parts.month <= 12 && parts.day >= 1 && parts.day <= 31)
        birthday = parts;
    if (birthday)
        contact.birthday = formatBirthday(*birthday);
    return !contact.firstName.empty() || !contact.lastName.empty() || !contact.nickname.empty() ||
           !contact.cellPhone.empty() || !contact.email.empty();
}

} // namespace

ContactRead readCsv(std::string_view bytes) {
    ContactRead read;
    const FileText file = decodeFile(bytes, LegacyText::Windows1252);
    read.error = file.error;
    if (!read.ok())
        return read;
    const std::string_view text = file.text;
    CsvRecords records(text, detectSeparator(text));
    std::vector<std::string> row;
    std::size_t line = 0;
    CsvRecords::Result result = records.next(row, line);
    if (result == CsvRecords::Result::End) {
        read.error = {ReadProblem::NoContacts, 0};
        return read;
    }
    const std::vector<Column> columns = columnsOf(row);
    if (result == CsvRecords::Result::UnbalancedQuote || !namesContacts(columns)) {
        read.error = {result == CsvRecords::Result::UnbalancedQuote ? ReadProblem::UnbalancedQuote
                                                                    : ReadProblem::NoHeader,
                      line};
        return read;
    }
    while ((result = records.next(row, line)) == CsvRecords::Result::Record) {
        Contact contact;
        const bool isContact = contactFromRow(columns, row, contact);
        for (const std::string& group : contact.groups)
            addUnique(read.book.groups, group);
        if (isContact)
            read.book.contacts.push_back(std::move(contact));
    }
    if (result == CsvRecords::Result::UnbalancedQuote) {
        read.book = {};
        read.error = {ReadProblem::UnbalancedQuote, line};
    } else if (read.book.contacts.empty() && read.book.groups.empty()) {
        read.error = {ReadProblem::NoContacts, 0};
    }
    return read;
}

} // namespace textowl
