#include "messaging/delivery_watch.h"

#include "base/utf8.h"
#include "service/result_document.h"
#include "smsparts/utf8_decode.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace textowl {
namespace {

constexpr std::size_t kMaxNumberChars = 32;
constexpr std::size_t kMaxReasonChars = 200;
constexpr std::size_t kMaxCreditChars = 12;
// The service answers with at most this many; more would only flood the user with notices.
constexpr std::size_t kMaxMessages = 100;
// Slack for the whole seconds the service writes its times in.
constexpr std::int64_t kClockSlackSeconds = 2;

constexpr std::array<std::string_view, 3> kFailedStates{"failed", "rejected", "undelivered"};
// States after which a message changes no more, for all a sender needs to know: a held message
// is never sent, and an unknown one will most likely never hear more.
constexpr std::array<std::string_view, 6> kFinalStates{"delivered", "undelivered", "rejected",
                                                       "failed",    "held",        "unknown"};
constexpr std::array<std::string_view, 3> kUnderWayStates{"queued", "submitted", "accepted"};

bool among(std::string_view state, const auto& states) {
    return std::find(states.begin(), states.end(), state) != states.end();
}

// Visible text only, at most maxChars characters: control characters become blanks, and the
// characters that start markup or entities become look-alikes, since notification services
// read markup in a notice's body.
std::string shown(std::string_view text, std::size_t maxChars) {
    std::string out;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size() && chars < maxChars; ++chars) {
        const auto [cp, length] = readUtf8(text, i);
        i += length;
        if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0))
            out += ' ';
        else if (cp == '<')
            out += "\u2039";
        else if (cp == '>')
            out += "\u203A";
        else if (cp == '&')
            out += "\uFF06";
        else
            appendUtf8(out, cp);
    }
    return out;
}

std::optional<std::int64_t> number(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// "YYYY-MM-DD HH:MM:SS" in UTC.
std::optional<std::int64_t> utcSeconds(std::string_view text) {
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':')
        return std::nullopt;
    const auto part = [&](std::size_t at, std::size_t length) {
        const std::string_view digits = text.substr(at, length);
        return std::all_of(digits.begin(), digits.end(),
                           [](char c) { return c >= '0' && c <= '9'; })
                   ? number(digits)
                   : std::nullopt;
    };
    const auto year = part(0, 4), month = part(5, 2), day = part(8, 2);
    const auto hour = part(11, 2), minute = part(14, 2), second = part(17, 2);
    if (!year || !month || !day || !hour || !minute || !second || *month < 1 || *month > 12 ||
        *day < 1 || *day > 31 || *hour > 23 || *minute > 59 || *second > 60)
        return std::nullopt;
    return daysFromCivil(*year, static_cast<unsigned>(*month), static_cast<unsigned>(*day)) *
               86400 +
           *hour * 3600 + *minute * 60 + *second;
}

// A decimal amount such as "2" or "1.50"; anything else reads as nothing returned.
std::string credits(std::string_view text) {
    const bool decimal = !text.empty() && text.size() <= kMaxCreditChars && text.front() != '.' &&
                         std::count(text.begin(), text.end(), '.') <= 1 &&
                         std::all_of(text.begin(), text.end(),
                                     [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
    return decimal ? std::string(text) : "0";
}

} // namespace

std::optional<std::vector<MessageStatus>> readMessageStates(const ServiceText& result) {
    ResultDocument document;
    if (failed(checkResult(result, document)))
        return std::nullopt;
    std::vector<MessageStatus> messages;
    for (const pugi::xml_node m : document.documentElement().children("message")) {
        if (messages.size() == kMaxMessages)
            break;
        const auto id = number(m.attribute("id").value());
        const auto updated = utcSeconds(m.attribute("updated").value());
        const std::string_view state = m.attribute("state").value();
        if (!id || *id == 0 || !updated ||
            (!among(state, kFinalStates) && !among(state, kUnderWayStates)))
            continue;
        messages.push_back({*id, shown(m.attribute("to").value(), kMaxNumberChars),
                            std::string(state),
                            shown(m.attribute("reason").value(), kMaxReasonChars),
                            credits(m.attribute("credits_returned").value()), *updated});
    }
    return messages;
}

std::vector<DeliveryNotice> DeliveryWatch::take(const std::vector<MessageStatus>& answer,
                                                std::int64_t sessionSeconds) {
    if (!m_sessionStart && !answer.empty()) {
        const auto newest = std::max_element(
            answer.begin(), answer.end(),
            [](const MessageStatus& a, const MessageStatus& b) { return a.updated < b.updated; });
        m_sessionStart = newest->updated - sessionSeconds - kClockSlackSeconds;
    }
    std::vector<DeliveryNotice> notices;
    for (const MessageStatus& m : answer) {
        m_newestId = std::max(m_newestId, m.id);
        if (m_settled.count(m.id) != 0 ||
            (m.updated < *m_sessionStart && m_pending.count(m.id) == 0))
            continue;
        if (among(m.state, kUnderWayStates)) {
            m_pending.insert(m.id);
            continue;
        }
        if (!among(m.state, kFinalStates))
            continue;
        m_pending.erase(m.id);
        m_settled.insert(m.id);
        const bool failed = among(m.state, kFailedStates);
        if (failed || (m_announceDelivered && m.state == "delivered"))
            notices.push_back({failed, m});
    }
    return notices;
}

std::int64_t DeliveryWatch::since() const {
    return m_pending.empty() ? m_newestId : *m_pending.begin() - 1;
}

} // namespace textowl
