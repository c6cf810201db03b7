#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textowl::server {

// Parsing and formatting of the plain-text values that travel in operation parameters.

// A buddy or group id: "0" (top level, where allowed) or a positive decimal without sign,
// blanks or leading zeros.
std::optional<std::int64_t> parseId(std::string_view text);

// Credits as integer hundredths: "50", "12.5", "12.50".
std::optional<std::int64_t> parseCredits(std::string_view text);
// "47" for whole credits, "12.50" otherwise.
std::string formatCredits(std::int64_t cents);

// Accepts "Y-M-D H:M:S" with one- or two-digit month, day and hour fields, as the client writes
// a schedule, and returns the normalised "YYYY-MM-DD HH:MM:SS"; a date that does not exist fails.
std::optional<std::string> parseSchedule(std::string_view text);
std::string formatTimestamp(std::int64_t unixSeconds);
// A normalised schedule read as the service's local time, and the reverse.
std::optional<std::int64_t> localTimeSeconds(const std::string& normalised);
std::string formatLocalTimestamp(std::int64_t unixSeconds);

// Splits a recipient text into phone numbers. Numbers are separated by ",", ";" or line breaks;
// blanks, "-", ".", "/", "(" and ")" inside a number are dropped, and a leading "+" is allowed.
// Each number must then hold 7 to 15 digits. Repeated numbers are kept once. Fails when any
// number is malformed or none is given.
std::optional<std::vector<std::string>> parseRecipients(std::string_view text);
std::optional<std::string> normalisePhone(std::string_view text);

} // namespace textowl::server
