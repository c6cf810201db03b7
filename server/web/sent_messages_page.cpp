#include "server/web/sent_messages_page.h"

#include "server/soap/sanitized_text.h"
#include "server/soap/wire_values.h"
#include "server/soap/xml_text.h"

#include <algorithm>

namespace textowl::server {
namespace {

constexpr int kPerPage = 50;
constexpr std::size_t kExcerptChars = 40;
constexpr std::int64_t kLastPage = 1000000;

std::string html(std::string_view text) {
    return escapeXml(text, true);
}

std::string excerpt(const std::string& text) {
    const std::vector<char32_t> chars = decodeUtf8(text);
    std::string out;
    for (std::size_t i = 0; i < chars.size() && i < kExcerptChars; ++i) {
        appendUtf8(out, chars[i]);
    }
    return chars.size() > kExcerptChars ? out + "\u2026" : out;
}

// The states as a reader is shown them; the class names stay the wire's.
PageText stateLabel(MessageState state) {
    switch (state) {
    case MessageState::Held:
        return {"held", "sparat"};
    case MessageState::Queued:
        return {"queued", "i kö"};
    case MessageState::Submitted:
        return {"submitted", "överlämnat"};
    case MessageState::Accepted:
        return {"accepted", "mottaget av operatören"};
    case MessageState::Delivered:
        return {"delivered", "levererat"};
    case MessageState::Undelivered:
        return {"undelivered", "ej levererat"};
    case MessageState::Rejected:
        return {"rejected", "avvisat"};
    case MessageState::Failed:
        return {"failed", "misslyckades"};
    case MessageState::Unknown:
        return {"unknown", "okänt"};
    }
    return {"unknown", "okänt"};
}

std::string stateText(const HistoryEntry& m, PageLanguage language) {
    const std::string name(stateName(m.state));
    const std::string label = "<span class=\"" + name + "\">" +
                              std::string(stateLabel(m.state).in(language)) + "</span> ";
    if (m.state == MessageState::Held) {
        constexpr PageText kNoGateway{"(no gateway configured)", "(ingen SMS-gateway inställd)"};
        return label + std::string(kNoGateway.in(language));
    }
    return label + formatLocalTimestamp(m.stateAt);
}

// Why a message failed and what came back for it, where it ended badly. The reason stays as the
// gateway or the operator wrote it.
std::string failureText(const HistoryEntry& m, PageLanguage language) {
    if (!endsBadly(m.state)) {
        return {};
    }
    constexpr PageText kNoReason{"no reason given", "ingen orsak angiven"};
    const std::int64_t returned = refundsCredits(m.state) ? m.parts : 0;
    const std::string reason =
        m.reason.empty() ? std::string(kNoReason.in(language)) : html(m.reason);
    const std::string count = std::to_string(returned);
    const std::string refund = language == PageLanguage::Swedish
                                   ? "återbetalda krediter: " + count
                                   : count + (returned == 1 ? " credit" : " credits") + " returned";
    return "<div class=\"reason\">" + reason + " &middot; " + refund + "</div>";
}

std::string entry(const HistoryEntry& m, PageLanguage language) {
    const PageText parts = m.parts == 1 ? PageText{"part", "del"} : PageText{"parts", "delar"};
    return "<li><div class=\"meta\">" + formatLocalTimestamp(m.dueAt) + " &middot; " +
           html(m.recipient) + "</div><div>" + html(excerpt(m.text)) +
           "</div><div class=\"meta\">" + std::to_string(m.parts) + " " +
           std::string(parts.in(language)) + " &middot; " + stateText(m, language) + "</div>" +
           failureText(m, language) + "</li>\n";
}

std::string link(const std::string& ticket, std::int64_t page, std::string_view label) {
    return "<a href=\"sent?ticket=" + html(ticket) + "&amp;page=" + std::to_string(page) + "\">" +
           std::string(label) + "</a>";
}

constexpr PageText kTitle{"Sent messages", "Skickade meddelanden"};

} // namespace

HttpReply sentMessagesPage(Store& store, AccountId account, const std::string& ticket,
                           const std::string& pageText, PageLanguage language) {
    const std::int64_t page = std::min(parseId(pageText).value_or(0), kLastPage);
    std::vector<HistoryEntry> rows =
        store.reports().history(account, static_cast<int>(page * kPerPage), kPerPage + 1);
    const bool older = rows.size() > static_cast<std::size_t>(kPerPage);
    rows.resize(std::min<std::size_t>(rows.size(), kPerPage));

    std::string body =
        "<!DOCTYPE html>\n<html lang=\"" + std::string(languageTag(language)) +
        "\"><head><meta charset=\"utf-8\">"
        "<meta http-equiv=\"refresh\" content=\"10\">"
        "<meta name=\"viewport\" content=\"width=device-width\"><title>" +
        std::string(kTitle.in(language)) +
        "</title>"
        "<style>body{font-family:sans-serif;font-size:12px;margin:4px}"
        "h1{font-size:14px;margin:0 0 4px}.reason{color:#b00}ol{list-style:none;margin:0;padding:0}"
        "li{border-bottom:1px solid #ccc;padding:3px 0;overflow-wrap:anywhere}"
        ".meta{color:#555}.delivered{color:#070;font-weight:bold}"
        ".undelivered,.rejected,.failed{color:#b00;font-weight:bold}"
        ".held,.queued,.submitted,.accepted,.unknown{font-weight:bold}"
        "nav{display:flex;justify-content:space-between;margin-top:4px}</style></head><body>"
        "<h1>" +
        std::string(kTitle.in(language)) + "</h1>\n";
    if (rows.empty()) {
        constexpr PageText kNone{"No messages here yet.", "Inga meddelanden här ännu."};
        body += "<p>" + std::string(kNone.in(language)) + "</p>";
    } else {
        body += "<ol>\n";
        for (const HistoryEntry& m : rows) {
            body += entry(m, language);
        }
        body += "</ol>";
    }
    body += "<nav><span>";
    if (page > 0) {
        body += link(ticket, page - 1, PageText{"&larr; Newer", "&larr; Nyare"}.in(language));
    }
    body += "</span><span>";
    if (older) {
        body += link(ticket, page + 1, PageText{"Older &rarr;", "Äldre &rarr;"}.in(language));
    }
    body += "</span></nav>\n</body></html>\n";
    return HttpReply{200, "text/html; charset=utf-8", std::move(body), {}};
}

} // namespace textowl::server
