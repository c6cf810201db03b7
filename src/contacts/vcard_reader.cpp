#include "contacts/vcard_reader.h"

#include "contacts/text_encoding.h"

#include <charconv>
#include <string>
#include <unordered_map>
#include <vector>

namespace textowl {

namespace {

// One unfolded content line: "[group.]NAME[;param...]:value".
struct Property {
    std::string_view group;
    std::string_view name;
    std::vector<std::string> types; // lower case, from TYPE= lists and bare 2.1 parameters
    std::string_view encoding;
    std::string_view charset;
    std::string_view omitYear;
    bool preferred = false;
    std::string_view value;

    bool is(std::string_view n) const { return equalsIgnoringCase(name, n); }
    bool hasType(std::string_view type) const {
        for (const std::string& t : types) {
            if (t == type)
                return true;
        }
        return false;
    }
};

std::string_view unquoted(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

void addTypes(Property& property, std::string_view list) {
    list = unquoted(list);
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view type = trimmed(unquoted(trimmed(list.substr(0, comma))));
        if (!type.empty())
            property.types.push_back(asciiLower(type));
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
    }
    if (property.hasType("pref"))
        property.preferred = true;
}

void addParameter(Property& property, std::string_view parameter) {
    const std::size_t equals = parameter.find('=');
    if (equals == std::string_view::npos) {
        // vCard 2.1 lets a parameter stand without its name: TEL;CELL;VOICE, N;QUOTED-PRINTABLE.
        if (equalsIgnoringCase(parameter, "QUOTED-PRINTABLE") ||
            equalsIgnoringCase(parameter, "BASE64") || equalsIgnoringCase(parameter, "B"))
            property.encoding = parameter;
        else
            addTypes(property, parameter);
        return;
    }
    const std::string_view key = trimmed(parameter.substr(0, equals));
    const std::string_view value = trimmed(parameter.substr(equals + 1));
    if (equalsIgnoringCase(key, "TYPE"))
        addTypes(property, value);
    else if (equalsIgnoringCase(key, "ENCODING"))
        property.encoding = unquoted(value);
    else if (equalsIgnoringCase(key, "CHARSET"))
        property.charset = unquoted(value);
    else if (equalsIgnoringCase(key, "PREF"))
        property.preferred = true;
    else if (equalsIgnoringCase(key, "X-APPLE-OMIT-YEAR"))
        property.omitYear = unquoted(value);
}

// False for a line without the colon that ends the name and parameters.
bool parseProperty(std::string_view line, Property& property) {
    std::size_t at = 0;
    while (at < line.size() && line[at] != ';' && line[at] != ':')
        ++at;
    if (at == line.size())
        return false;
    std::string_view name = trimmed(line.substr(0, at));
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos) {
        property.group = name.substr(0, dot);
        name.remove_prefix(dot + 1);
    }
    property.name = name;
    while (line[at] == ';') {
        const std::size_t start = ++at;
        bool quoted = false;
        while (at < line.size() && (quoted || (line[at] != ';' && line[at] != ':'))) {
            if (line[at] == '"')
                quoted = !quoted;
            ++at;
        }
        if (at == line.size())
            return false;
        addParameter(property, trimmed(line.substr(start, at - start)));
    }
    property.value = line.substr(at + 1);
    return true;
}

// Splits a text value at separators that are not escaped with a backslash.
std::vector<std::string_view> splitEscaped(std::string_view value, std::string_view separators) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\') {
            ++i;
        } else if (separators.find(value[i]) != std::string_view::npos) {
            parts.push_back(value.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(value.substr(start));
    return parts;
}

std::string unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        if (next == 'n' || next == 'N')
            out += '\n';
        else if (next == ',' || next == ';' || next == '\\' || next == ':')
            out += next;
        else
            out.append({'\\', next});
    }
    return out;
}

std::string textValue(std::string_view raw) {
    return std::string(trimmed(unescaped(raw)));
}

bool isMobileType(std::string_view type) {
    return type == "cell" || type == "mobile" || type == "iphone";
}

bool isMobileLabel(std::string_view label) {
    return containsIgnoringCase(label, "mobile") || containsIgnoringCase(label, "cell") ||
           containsIgnoringCase(label, "iphone");
}

std::string memberKey(std::string_view reference) {
    reference = trimmed(reference);
    if (startsWithIgnoringCase(reference, "urn:uuid:"))
        reference.remove_prefix(9);
    return asciiLower(reference);
}

struct Phone {
    std::string number;
    bool mobile = false;
    bool preferred = false;
    std::string itemGroup;
};

// Android keeps a nickname it has no NICKNAME for in its own property:
// "X-ANDROID-CUSTOM:vnd.android.cursor.item/nickname;Bobby;1;;;;;;;;;;;;;".
constexpr std::string_view kAndroidNicknameItem = "vnd.android.cursor.item/nickname";

// What one card says, gathered line by line and turned into a contact at END:VCARD.
struct Card {
    std::vector<std::string> n;
    std::string formattedName;
    std::string organisation;
    std::string nickname;
    std::string androidNickname;
    std::string uid;
    std::vector<Phone> phones;
    std::vector<std::string> mobileItemGroups; // Apple's "itemN.X-ABLabel" naming a mobile
    FirstPreferred email;
    std::optional<Birthday> birthday;
    std::vector<std::string> categories;
    bool isGroup = false;
    bool topLevel = false;
    std::vector<std::string> members;

    void take(const Property& property, std::string_view value);
    Contact contact() const;
};

void Card::take(const Property& p, std::string_view value) {
    if (p.is("N")) {
        n.clear();
        for (std::string_view part : splitEscaped(value, ";"))
            n.push_back(textValue(part));
    } else if (p.is("FN")) {
        formattedName = textValue(value);
    } else if (p.is("ORG")) {
        organisation = textValue(splitEscaped(value, ";").front());
    } else if (p.is("NICKNAME")) {
        if (nickname.empty())
            nickname = textValue(splitEscaped(value, ",").front());
    } else if (p.is("UID")) {
        uid = memberKey(value);
    } else if (p.is("TEL")) {
        std::string_view number = trimmed(value);
        if (startsWithIgnoringCase(number, "tel:"))
            number.remove_prefix(4);
        bool mobile = false;
        for (const std::string& type : p.types)
            mobile = mobile || isMobileType(type);
        phones.push_back({std::string(trimmed(number)), mobile, p.preferred, std::string(p.group)});
    } else if (p.is("X-ANDROID-CUSTOM")) {
        const std::vector<std::string_view> parts = splitEscaped(value, ";");
        if (parts.size() > 1 && equalsIgnoringCase(trimmed(parts[0]), kAndroidNicknameItem))
            androidNickname = textValue(parts[1]);
    } else if (p.is("X-ABLABEL")) {
        if (!p.group.empty() && isMobileLabel(value))
            mobileItemGroups.emplace_back(p.group);
    } else if (p.is("EMAIL")) {
        std::string_view address = trimmed(value);
        if (startsWithIgnoringCase(address, "mailto:"))
            address.remove_prefix(7);
        email.offer(address, p.preferred);
    } else if (p.is("BDAY")) {
        int omit = 1604;
        std::from_chars(p.omitYear.data(), p.omitYear.data() + p.omitYear.size(), omit);
        birthday = parseVCardDate(value, omit);
    } else if (p.is("CATEGORIES")) {
        for (std::string_view part : splitEscaped(value, ",;"))
            addUnique(categories, textValue(part));
    } else if (p.is(kTopLevelProperty)) {
        topLevel = equalsIgnoringCase(trimmed(value), "TRUE");
    } else if (p.is("KIND") || p.is("X-ADDRESSBOOKSERVER-KIND")) {
        isGroup = equalsIgnoringCase(trimmed(value), "group");
    } else if (p.is("MEMBER") || p.is("X-ADDRESSBOOKSERVER-MEMBER")) {
        members.push_back(memberKey(value));
    }
}

Contact Card::contact() const {
    Contact c;
    if (n.size() > 1)
        c.firstName = n[1];
    if (!n.empty())
        c.lastName = n[0];
    // FN and ORG name the contact only when N and NICKNAME do not: a buddy is listed under its
    // nickname first anyway.
    c.nickname = nickname.empty() ? androidNickname : nickname;
    if (c.firstName.empty() && c.lastName.empty() && c.nickname.empty())
        c.firstName = formattedName.empty() ? organisation : formattedName;
    PhoneChoice choice;
    for (const Phone& phone : phones) {
        bool labelledMobile = false;
        for (const std::string& group : mobileItemGroups)
            labelledMobile =
                labelledMobile || (!phone.itemGroup.empty() && group == phone.itemGroup);
        choice.offer(phone.number, phone.mobile || labelledMobile, phone.preferred);
    }
    choice.fill(c);
    c.email = email.value();
    if (birthday)
        c.birthday = formatBirthday(*birthday);
    c.groups = categories;
    c.topLevel = topLevel && !categories.empty();
    return c;
}

// Turns physical lines into content lines: a line that begins with a space or tab continues the
// one before, and so does the line after a quoted-printable value that ends in "=" (the soft
// break of vCard 2.1, whose continuation need not be indented).
class LineUnfolder {
public:
    explicit LineUnfolder(std::string_view text) : m_text(text) {}

    // The next content line and the number of its first physical line; false at the end.
    bool next(std::string& line, std::size_t& lineNumber) {
        line.clear();
        bool started = false;
        bool quotedPrintable = false;
        while (m_at < m_text.size()) {
            const std::size_t end = std::min(m_text.find('\n', m_at), m_text.size());
            std::string_view physical = m_text.substr(m_at, end - m_at);
            if (physical.ends_with('\r'))
                physical.remove_suffix(1);
            const bool indented =
                !physical.empty() && (physical.front() == ' ' || physical.front() == '\t');
            const bool softBreak = quotedPrintable && line.ends_with('=');
            if (started && !indented && !softBreak)
                return true;
            m_at = end + 1;
            ++m_physicalLine;
            if (!started) {
                if (physical.empty())
                    continue;
                started = true;
                lineNumber = m_physicalLine;
                const std::string_view head = physical.substr(0, physical.find(':'));
                quotedPrintable = containsIgnoringCase(head, "QUOTED-PRINTABLE");
                line.append(physical);
                continue;
            }
            if (softBreak)
                line.pop_back();
            if (indented)
                physical.remove_prefix(1);
            line.append(physical);
        }
        return started;
    }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
    std::size_t m_physicalLine = 0;
};

// The property's value as UTF-8 text, or the problem that stops the read. In a file that was
// UTF-16 only quoted-printable bytes are in the charset a value names; the rest is Unicode.
ReadProblem decodeValue(const Property& p, bool fromUtf16, std::string& value) {
    const bool quotedPrintable = equalsIgnoringCase(p.encoding, "QUOTED-PRINTABLE");
    if (quotedPrintable)
        value = decodeQuotedPrintable(p.value);
    else
        value.assign(p.value);
    const std::string_view charset = fromUtf16 && !quotedPrintable ? "" : p.charset;
    // A charset this reader does not know is no obstacle to a value that is UTF-8 anyway.
    if (std::optional<std::string> converted = toUtf8(value, charset))
        value = std::move(*converted);
    else if (!isValidUtf8(value))
        return ReadProblem::UnknownCharset;
    if (!isValidUtf8(value))
        return ReadProblem::InvalidUtf8;
    // A quoted-printable "=00" or "=07" decodes to a control character no name or number holds,
    // and a NUL would make the file written from it read as binary.
    std::erase_if(value, [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7F;
    });
    return ReadProblem::None;
}

bool isBinaryEncoding(std::string_view encoding) {
    return equalsIgnoringCase(encoding, "B") || equalsIgnoringCase(encoding, "BASE64");
}

struct GroupCard {
    std::string name;
    std::vector<std::string> members;
};

// Adds the memberships that group cards state to the contacts whose UID they name.
void applyGroupCards(const std::vector<GroupCard>& groupCards, const std::vector<std::string>& uids,
                     ContactBook& book) {
    std::unordered_map<std::string, std::size_t> byUid;
    for (std::size_t i = 0; i < uids.size(); ++i) {
        if (!uids[i].empty())
            byUid.emplace(uids[i], i);
    }
    for (const GroupCard& group : groupCards) {
        for (const std::string& member : group.members) {
            if (const auto found = byUid.find(member); found != byUid.end())
                addUnique(book.contacts[found->second].groups, group.name);
        }
    }
}

} // namespace

std::optional<Birthday> parseVCardDate(std::string_view value, int omitYear) {
    value = trimmed(value);
    value = value.substr(0, value.find('T'));
    std::string digits;
    bool noYear = false;
    if (value.starts_with("--")) {
        noYear = true;
        value.remove_prefix(2);
    }
    for (const char c : value) {
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c != '-')
            return std::nullopt;
    }
    const auto number = [&digits](std::size_t at, std::size_t length) {
        int n = 0;
        std::from_chars(digits.data() + at, digits.data() + at + length, n);
        return n;
    };
    Birthday date;
    if (noYear && digits.size() == 4) {
        date = {0, number(0, 2), number(2, 2)};
    } else if (!noYear && (digits.size() == 8 || digits.size() == 6 || digits.size() == 4)) {
        date.year = number(0, 4);
        date.month = digits.size() >= 6 ? number(4, 2) : 0;
        date.day = digits.size() == 8 ? number(6, 2) : 0;
        if (date.year == omitYear || date.year == 1604)
            date.year = 0;
    } else {
        return std::nullopt;
    }
    if (date.month > 12 || date.day > 31 || (date.day != 0 && date.month == 0) ||
        (noYear && (date.month == 0 || date.day == 0)))
        return std::nullopt;
    return date;
}

ContactRead readVCards(std::string_view bytes) {
    ContactRead read;
    const FileText file = decodeFile(bytes, LegacyText::LeftToValues);
    read.error = file.error;
    if (!read.ok())
        return read;
    LineUnfolder lines(file.text);
    std::string line;
    std::string value;
    std::size_t lineNumber = 0;
    int depth = 0;
    Card card;
    std::vector<std::string> uids;
    std::vector<GroupCard> groupCards;
    const auto finishCard = [&] {
        if (card.isGroup) {
            const std::string name =
                card.formattedName.empty() && !card.n.empty() ? card.n.front() : card.formattedName;
            if (!name.empty()) {
                addUnique(read.book.groups, name);
                groupCards.push_back({name, std::move(card.members)});
            }
        } else {
            read.book.contacts.push_back(card.contact());
            uids.push_back(card.uid);
            for (const std::string& group : card.categories)
                addUnique(read.book.groups, group);
        }
        card = Card{};
    };
    while (lines.next(line, lineNumber)) {
        Property property;
        if (!parseProperty(line, property))
            continue;
        if (property.is("BEGIN") && equalsIgnoringCase(trimmed(property.value), "VCARD")) {
            ++depth; // an embedded card (2.1 AGENT) is skipped with its parent's lines
            continue;
        }
        if (property.is("END") && equalsIgnoringCase(trimmed(property.value), "VCARD")) {
            if (depth > 0 && --depth == 0)
                finishCard();
            continue;
        }
        if (depth == 0 || isBinaryEncoding(property.encoding))
            continue;
        if (const ReadProblem problem = decodeValue(property, file.fromUtf16, value);
            problem != ReadProblem::None) {
            read.book = {};
            read.error = {problem, lineNumber};
            return read;
        }
        if (depth == 1)
            card.take(property, value);
    }
    if (depth > 0)
        finishCard(); // a file cut short keeps the card it was in
    if (read.book.contacts.empty() && read.book.groups.empty()) {
        read.error = {ReadProblem::NoContacts, 0};
        return read;
    }
    applyGroupCards(groupCards, uids, read.book);
    return read;
}

} // namespace textowl
