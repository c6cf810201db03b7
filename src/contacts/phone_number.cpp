#include "contacts/phone_number.h"

#include "contacts/text_encoding.h"
#include "messaging/send_rules.h"

#include <algorithm>
#include <cstdlib>
#include <phonenumbers/phonenumber.pb.h>
#include <phonenumbers/phonenumberutil.h>
#include <set>

namespace textowl {

namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

// The number library's code for "no region": only numbers with a country code parse.
constexpr std::string_view kUnknownRegion = "ZZ";

const PhoneNumberUtil& numbers() {
    return *PhoneNumberUtil::GetInstance();
}

NumberProblem parseProblem(PhoneNumberUtil::ErrorType error, bool regionKnown) {
    switch (error) {
    case PhoneNumberUtil::NO_PARSING_ERROR:
        return NumberProblem::None;
    case PhoneNumberUtil::INVALID_COUNTRY_CODE_ERROR:
        return regionKnown ? NumberProblem::InvalidCountryCode : NumberProblem::NoCountryCode;
    case PhoneNumberUtil::NOT_A_NUMBER:
        return NumberProblem::NotANumber;
    case PhoneNumberUtil::TOO_SHORT_AFTER_IDD:
    case PhoneNumberUtil::TOO_SHORT_NSN:
        return NumberProblem::TooShort;
    case PhoneNumberUtil::TOO_LONG_NSN:
        return NumberProblem::TooLong;
    }
    return NumberProblem::NotANumber;
}

NumberProblem lengthProblem(PhoneNumberUtil::ValidationResult result) {
    switch (result) {
    case PhoneNumberUtil::IS_POSSIBLE:
        return NumberProblem::None;
    case PhoneNumberUtil::INVALID_COUNTRY_CODE:
        return NumberProblem::InvalidCountryCode;
    case PhoneNumberUtil::TOO_LONG:
        return NumberProblem::TooLong;
    default: // too short, only diallable locally, or a length between the valid ones
        return NumberProblem::TooShort;
    }
}

std::string e164Digits(const PhoneNumber& number) {
    std::string e164;
    numbers().Format(number, PhoneNumberUtil::E164, &e164);
    return e164.substr(1);
}

bool isDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Digits as the service writes a number, when they make one that is given out.
bool inServiceForm(std::string_view text, PhoneNumber& number) {
    return isDigits(text) && text.front() != '0' &&
           numbers().Parse("+" + std::string(text), std::string(kUnknownRegion), &number) ==
               PhoneNumberUtil::NO_PARSING_ERROR &&
           numbers().IsValidNumber(number);
}

// The number as read, or why it is none.
NumberProblem readNumber(std::string_view text, std::string_view region, PhoneNumber& number) {
    if (inServiceForm(text, number))
        return NumberProblem::None;
    const bool regionKnown = !region.empty() && region != kUnknownRegion;
    const PhoneNumberUtil::ErrorType error = numbers().Parse(
        std::string(text), std::string(regionKnown ? region : kUnknownRegion), &number);
    if (const NumberProblem problem = parseProblem(error, regionKnown);
        problem != NumberProblem::None)
        return problem;
    if (const NumberProblem problem = lengthProblem(numbers().IsPossibleNumberWithReason(number));
        problem != NumberProblem::None)
        return problem;
    return numbers().IsValidNumber(number) ? NumberProblem::None : NumberProblem::NotInUse;
}

bool isKnownRegion(std::string_view region) {
    std::set<std::string> regions;
    numbers().GetSupportedRegions(&regions);
    return regions.count(std::string(region)) != 0;
}

} // namespace

ServiceNumber serviceNumber(std::string_view text, std::string_view region) {
    text = trimmed(text);
    if (text.empty())
        return {{}, NumberProblem::Missing};
    PhoneNumber number;
    if (const NumberProblem problem = readNumber(text, region, number);
        problem != NumberProblem::None)
        return {{}, problem};
    // The operator refuses a text to a landline, after the service has charged for it.
    if (numbers().GetNumberType(number) == PhoneNumberUtil::FIXED_LINE)
        return {{}, NumberProblem::Landline};
    ServiceNumber result{e164Digits(number), NumberProblem::None};
    // The send panel's own rules are the last word on what a number may look like.
    if (checkRecipient(result.digits, {}) != SendCheck::Passed)
        return {{}, NumberProblem::TooShort};
    return result;
}

std::string storedServiceNumber(std::string_view stored) {
    stored = trimmed(stored);
    if (stored.starts_with('+'))
        stored.remove_prefix(1);
    PhoneNumber number;
    if (stored.empty() || numbers().Parse("+" + std::string(stored), std::string(kUnknownRegion),
                                          &number) != PhoneNumberUtil::NO_PARSING_ERROR)
        return {};
    return e164Digits(number);
}

std::string internationalForm(std::string_view stored) {
    PhoneNumber number;
    return inServiceForm(stored, number) ? "+" + std::string(stored) : std::string(stored);
}

std::string regionFromLocaleName(std::string_view localeName) {
    const std::size_t underscore = localeName.find('_');
    if (underscore == std::string_view::npos)
        return {};
    std::string_view territory = localeName.substr(underscore + 1);
    territory = territory.substr(0, territory.find_first_of(".@"));
    if (territory.size() != 2)
        return {};
    std::string region(territory);
    for (char& c : region)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return region;
}

std::string systemRegion() {
    for (const char* variable : {"LC_ALL", "LC_TELEPHONE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0')
            continue;
        const std::string region = regionFromLocaleName(value);
        return isKnownRegion(region) ? region : std::string();
    }
    return {};
}

std::vector<std::string> knownRegions() {
    std::set<std::string> regions;
    numbers().GetSupportedRegions(&regions);
    return {regions.begin(), regions.end()};
}

int callingCode(std::string_view region) {
    return numbers().GetCountryCodeForRegion(std::string(region));
}

const char* numberProblemName(NumberProblem problem) {
    switch (problem) {
    case NumberProblem::None:
        return "None";
    case NumberProblem::Missing:
        return "Missing";
    case NumberProblem::NotANumber:
        return "NotANumber";
    case NumberProblem::NoCountryCode:
        return "NoCountryCode";
    case NumberProblem::InvalidCountryCode:
        return "InvalidCountryCode";
    case NumberProblem::TooShort:
        return "TooShort";
    case NumberProblem::TooLong:
        return "TooLong";
    case NumberProblem::NotInUse:
        return "NotInUse";
    case NumberProblem::Landline:
        return "Landline";
    }
    return "?";
}

} // namespace textowl
