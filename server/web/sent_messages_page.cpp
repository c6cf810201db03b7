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

std::string stateText(const HistoryEntry& m) {
    std::string name(stateName(m.state));
    if (m.state == MessageState::Held) {
        return "<span class=\"held\">held</span> (no gateway configured)";
    }
    return "<span class=\"" + name + "\">" + name + "</span> " + formatLocalTimestamp(m.stateAt);
}

// Why a message failed and what came back for it, where it ended badly.
std::string failureText(const HistoryEntry& m) {
    if (!endsBadly(m.state)) {
        return {};
    }
    const std::int64_t returned = refundsCredits(m.state) ? m.parts : 0;
    const std::string reason = m.reason.empty() ? "no reason given" : html(m.reason);
    return "<div class=\"reason\">" + reason + " &middot; " + std::to_string(returned) +
           (returned == 1 ? " credit" : " credits") + " returned</div>";
}

std::string entry(const HistoryEntry& m) {
    return "<li><div class=\"meta\">" + formatLocalTimestamp(m.dueAt) + " &middot; " +
           html(m.recipient) + "</div><div>" + html(excerpt(m.text)) +
           "</div><div class=\"meta\">" + std::to_string(m.parts) +
           (m.parts == 1 ? " part" : " parts") + " &middot; " + stateText(m) + "</div>" +
           failureText(m) + "</li>\n";
}

std::string link(const std::string& ticket, std::int64_t page, const char* label) {
    return "<a href=\"sent?ticket=" + html(ticket) + "&amp;page=" + std::to_string(page) + "\">" +
           label + "</a>";
}

} // namespace

HttpReply sentMessagesPage(Store& store, AccountId account, const std::string& ticket,
                           const std::string& pageText) {
    const std::int64_t page = std::min(parseId(pageText).value_or(0), kLastPage);
    std::vector<HistoryEntry> rows =
        store.reports().history(account, static_cast<int>(page * kPerPage), kPerPage + 1);
    const bool older = rows.size() > static_cast<std::size_t>(kPerPage);
    rows.resize(std::min<std::size_t>(rows.size(), kPerPage));

    std::string body =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<meta http-equiv=\"refresh\" content=\"10\">"
        "<meta name=\"viewport\" content=\"width=device-width\"><title>Sent messages</title>"
        "<style>body{font-family:sans-serif;font-size:12px;margin:4px}"
        "h1{font-size:14px;margin:0 0 4px}.reason{color:#b00}ol{list-style:none;margin:0;padding:0}"
        "li{border-bottom:1px solid #ccc;padding:3px 0;overflow-wrap:anywhere}"
        ".meta{color:#555}.delivered{color:#070;font-weight:bold}"
        ".undelivered,.rejected,.failed{color:#b00;font-weight:bold}"
        ".held,.queued,.submitted,.accepted,.unknown{font-weight:bold}"
        "nav{display:flex;justify-content:space-between;margin-top:4px}</style></head><body>"
        "<h1>Sent messages</h1>\n";
    if (rows.empty()) {
        body += "<p>No messages here yet.</p>";
    } else {
        body += "<ol>\n";
        for (const HistoryEntry& m : rows) {
            body += entry(m);
        }
        body += "</ol>";
    }
    body += "<nav><span>";
    if (page > 0) {
        body += link(ticket, page - 1, "&larr; Newer");
    }
    body += "</span><span>";
    if (older) {
        body += link(ticket, page + 1, "Older &rarr;");
    }
    body += "</span></nav>\n</body></html>\n";
    return HttpReply{200, "text/html; charset=utf-8", std::move(body), {}};
}

} // namespace textowl::server
