#include "contacts/contact_writer.h"

#include <cstdio>
#include <initializer_list>
#include <string_view>

namespace textowl {

namespace {

// vCard 3.0 wants lines of at most 75 octets; a fold never splits a UTF-8 sequence.
void appendFolded(std::string& out, std::string_view line) {
    constexpr std::size_t kLimit = 75;
    std::size_t width = kLimit;
    while (line.size() > width) {
        std::size_t cut = width;
        while (cut > 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        width = kLimit - 1; // the leading space counts
    }
    out.append(line);
    out += "\r\n";
}

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '\\' || c == ',' || c == ';')
            out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (c != '\r')
            out += c;
    }
    return out;
}

// The birthday as a vCard date, or "" when there is none to write.
std::string vcardDate(std::string_view stored) {
    Birthday b;
    if (!parseStoredBirthday(stored, b) || b.year > 9999 || (b.month == 0 && b.day != 0))
        return {};
    char text[16] = {};
    if (b.year == 0 && b.month != 0 && b.day != 0)
        std::snprintf(text, sizeof text, "--%02d%02d", b.month, b.day);
    else if (b.year != 0 && b.month != 0 && b.day != 0)
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", b.year, b.month, b.day);
    else if (b.year != 0 && b.month != 0)
        std::snprintf(text, sizeof text, "%04d-%02d", b.year, b.month);
    else if (b.year != 0)
        std::snprintf(text, sizeof text, "%04d", b.year);
    return text;
}

std::string formattedName(const Contact& c) {
    std::string name = c.firstName;
    if (!name.empty() && !c.lastName.empty())
        name += ' ';
    name += c.lastName;
    return name.empty() ? c.nickname : name;
}

bool hasMembers(const ContactBook& book, const std::string& group) {
    for (const Contact& contact : book.contacts) {
        for (const std::string& g : contact.groups) {
            if (g == group)
                return true;
        }
    }
    return false;
}

void writeCard(std::string& out, const Contact& c) {
    out += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    appendFolded(out, "N:" + escaped(c.lastName) + ";" + escaped(c.firstName) + ";;;");
    appendFolded(out, "FN:" + escaped(formattedName(c)));
    if (!c.nickname.empty())
        appendFolded(out, "NICKNAME:" + escaped(c.nickname));
    if (!c.cellPhone.empty())
        appendFolded(out, "TEL;TYPE=CELL:" + escaped(c.cellPhone));
    if (!c.email.empty())
        appendFolded(out, "EMAIL;TYPE=INTERNET:" + escaped(c.email));
    if (const std::string date = vcardDate(c.birthday); !date.empty())
        appendFolded(out, "BDAY:" + date);
    if (!c.groups.empty()) {
        std::string line = "CATEGORIES:";
        for (std::size_t i = 0; i < c.groups.size(); ++i)
            line += (i ? "," : "") + escaped(c.groups[i]);
        appendFolded(out, line);
    }
    if (c.topLevel && !c.groups.empty())
        appendFolded(out, std::string(kTopLevelProperty) + ":TRUE");
    out += "END:VCARD\r\n";
}

// A field is quoted when it holds what would end it or be trimmed away.
void appendCsvRow(std::string& out, std::initializer_list<std::string_view> fields) {
    bool first = true;
    for (const std::string_view field : fields) {
        if (!first)
            out += ',';
        first = false;
        const bool quote = field.find_first_of(",;\"\r\n\t") != std::string_view::npos ||
                           (!field.empty() && (field.front() == ' ' || field.back() == ' '));
        if (!quote) {
            out.append(field);
            continue;
        }
        out += '"';
        for (const char c : field) {
            if (c == '"')
                out += '"';
            out += c;
        }
        out += '"';
    }
    out += "\r\n";
}

// Google's own form of a birthday without a year is "--MM-DD".
std::string csvDate(std::string_view stored) {
    std::string date = vcardDate(stored);
    if (date.size() == 6 && date.starts_with("--"))
        date.insert(4, "-");
    return date;
}

// The group column separates names with ":::", so a name that holds it (an Outlook category may)
// has it spaced out: the name comes back as one group, nearly as written, not as none.
std::string csvGroupName(std::string name) {
    for (std::size_t at; (at = name.find(":::")) != std::string::npos;)
        name.replace(at, 3, ": : :");
    return name;
}

} // namespace

std::string writeVCards(const ContactBook& book) {
    std::string out;
    for (const Contact& contact : book.contacts)
        writeCard(out, contact);
    for (const std::string& group : book.groups) {
        if (hasMembers(book, group))
            continue;
        out += "BEGIN:VCARD\r\nVERSION:3.0\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n";
        appendFolded(out, "N:" + escaped(group) + ";;;;");
        appendFolded(out, "FN:" + escaped(group));
        out += "END:VCARD\r\n";
    }
    return out;
}

std::string writeCsv(const ContactBook& book) {
    // Without the byte-order mark a spreadsheet reads the file in its own code page.
    std::string out = "\xEF\xBB\xBF";
    appendCsvRow(out, {"Given Name", "Family Name", "Nickname", "Birthday", "Group Membership",
                       "E-mail 1 - Type", "E-mail 1 - Value", "Phone 1 - Type", "Phone 1 - Value",
                       kTopLevelColumn});
    for (const Contact& c : book.contacts) {
        std::string groups;
        for (std::size_t i = 0; i < c.groups.size(); ++i)
            groups += (i ? " ::: " : "") + csvGroupName(c.groups[i]);
        appendCsvRow(out,
                     {c.firstName, c.lastName, c.nickname, csvDate(c.birthday), groups,
                      c.email.empty() ? "" : "Other", c.email, c.cellPhone.empty() ? "" : "Mobile",
                      c.cellPhone, c.topLevel && !c.groups.empty() ? "yes" : ""});
    }
    for (const std::string& group : book.groups) {
        if (!hasMembers(book, group))
            appendCsvRow(out, {"", "", "", "", csvGroupName(group), "", "", "", "", ""});
    }
    return out;
}

} // namespace textowl
