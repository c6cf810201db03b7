#include "contacts/contact.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ostream>

namespace textowl {

std::string formatBirthday(Birthday birthday) {
    char text[40];
    std::snprintf(text, sizeof text, "%d-%02d-%02d", birthday.year, birthday.month, birthday.day);
    return text;
}

bool parseStoredBirthday(std::string_view text, Birthday& birthday) {
    int parts[3] = {};
    const char* at = text.data();
    const char* end = text.data() + text.size();
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (at == end || *at != '-')
                return false;
            ++at;
        }
        const auto [next, ec] = std::from_chars(at, end, parts[i]);
        if (ec != std::errc{} || next == at || parts[i] < 0)
            return false;
        at = next;
    }
    if (at != end || parts[1] > 12 || parts[2] > 31)
        return false;
    birthday = {parts[0], parts[1], parts[2]};
    return true;
}

void FirstPreferred::offer(std::string_view value, bool wanted) {
    if (value.empty() || m_haveWanted)
        return;
    if (wanted || m_value.empty()) {
        m_value = value;
        m_haveWanted = wanted;
    }
}

void PhoneChoice::offer(std::string_view number, bool mobile, bool preferred) {
    if (number.empty())
        return;
    for (const auto& known : m_ranked) {
        if (known.second == number)
            return;
    }
    m_ranked.emplace_back(mobile ? (preferred ? 0 : 1) : 2, number);
}

void PhoneChoice::fill(Contact& contact) const {
    std::vector<std::pair<int, std::string>> ranked = m_ranked;
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    contact.cellPhone.clear();
    contact.otherPhones.clear();
    for (auto& [rank, number] : ranked) {
        if (contact.cellPhone.empty())
            contact.cellPhone = std::move(number);
        else
            contact.otherPhones.push_back(std::move(number));
    }
}

void addUnique(std::vector<std::string>& names, std::string_view name) {
    if (name.empty())
        return;
    for (const std::string& known : names) {
        if (known == name)
            return;
    }
    names.emplace_back(name);
}

const char* readProblemName(ReadProblem problem) {
    switch (problem) {
    case ReadProblem::None:
        return "None";
    case ReadProblem::TooLarge:
        return "TooLarge";
    case ReadProblem::BinaryData:
        return "BinaryData";
    case ReadProblem::InvalidUtf8:
        return "InvalidUtf8";
    case ReadProblem::UnknownCharset:
        return "UnknownCharset";
    case ReadProblem::UnbalancedQuote:
        return "UnbalancedQuote";
    case ReadProblem::NoHeader:
        return "NoHeader";
    case ReadProblem::NoContacts:
        return "NoContacts";
    case ReadProblem::Unreadable:
        return "Unreadable";
    case ReadProblem::InvalidUtf16:
        return "InvalidUtf16";
    }
    return "?";
}

void PrintTo(const Contact& contact, std::ostream* os) {
    *os << "{first=\"" << contact.firstName << "\" last=\"" << contact.lastName << "\" nick=\""
        << contact.nickname << "\" cell=\"" << contact.cellPhone << "\" email=\"" << contact.email
        << "\" birthday=\"" << contact.birthday << "\" groups=[";
    for (const std::string& group : contact.groups)
        *os << '"' << group << "\" ";
    *os << "] other=[";
    for (const std::string& phone : contact.otherPhones)
        *os << '"' << phone << "\" ";
    *os << "]}";
}

void PrintTo(ReadProblem problem, std::ostream* os) {
    *os << readProblemName(problem);
}

} // namespace textowl
