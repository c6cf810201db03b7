// Sending messages and telling how they fared.
#include "server/service/operation_text.h"
#include "server/service/service.h"
#include "server/soap/xml_text.h"
#include "smsparts/sms_parts.h"

#include <algorithm>
#include <sodium.h>
#include <unordered_set>

namespace textowl::server {
namespace {

// Proves that a delivery report comes from the gateway the message was handed to.
std::string newReportSecret() {
    unsigned char bytes[16];
    randombytes_buf(bytes, sizeof bytes);
    return hexEncode(bytes, sizeof bytes);
}

void writeMessageState(XmlBuilder& xml, const HistoryEntry& m) {
    const bool failed = endsBadly(m.state);
    const std::int64_t returned = refundsCredits(m.state) ? std::int64_t{m.parts} * 100 : 0;
    xml.empty("message", {{"id", std::to_string(m.id)},
                          {"to", m.recipient},
                          {"state", std::string(stateName(m.state))},
                          {"reason", failed ? m.reason : kEmpty},
                          {"credits_returned", formatCredits(returned)},
                          {"updated", formatTimestamp(m.stateAt)}});
}

} // namespace

std::string PagewrightService::sendSms(AccountId account, const Params& p,
                                       const RequestContext& context) {
    return send(account, p, context, false);
}

std::string PagewrightService::sendSmsToGroup(AccountId account, const Params& p,
                                              const RequestContext& context) {
    return send(account, p, context, true);
}

std::string PagewrightService::send(AccountId account, const Params& p,
                                    const RequestContext& context, bool toGroup) {
    const auto& to = param(p, "sms_to");
    const auto& text = param(p, "msg_content");
    const auto& type = param(p, "msg_type");
    const auto& unicode = param(p, "unicode");
    const auto& schedule = param(p, "schedule");
    if (!to || !text || text->empty() || !type || (*type != "text" && *type != "flash") ||
        !unicode || (*unicode != "0" && *unicode != "1")) {
        return result(Err::BadArgument);
    }
    const std::optional<std::string> when =
        schedule && !schedule->empty() ? parseSchedule(*schedule) : formatTimestamp(context.now);
    // The client writes the schedule in its user's local time, which is taken to be ours.
    const std::optional<std::int64_t> due =
        schedule && !schedule->empty() && when ? localTimeSeconds(*when) : context.now;
    const SmsSize size = countSmsParts(*text, *unicode == "1");
    if (!when || !due || size.units > static_cast<int>(kMaxMessageChars)) {
        return result(Err::BadArgument);
    }
    const auto numbers = recipients(account, *to, toGroup);
    if (numbers.err != Err::Ok) {
        return result(numbers.err);
    }
    if (numbers.value.empty()) {
        return result(Err::BadArgument);
    }
    // sms_from is not trusted: an account sends in its own name only.
    const std::string sender = m_store.accounts().name(account).value_or(kEmpty);
    std::vector<OutboxMessage> messages;
    for (const std::string& recipient : numbers.value) {
        messages.push_back(
            OutboxMessage{0,
                          {},
                          sender,
                          recipient,
                          *type,
                          size.encoding == SmsEncoding::Ucs2,
                          *when,
                          size.parts,
                          *text,
                          m_config.gatewayConfigured ? MessageState::Queued : MessageState::Held,
                          0,
                          *due,
                          newReportSecret()});
    }
    const std::int64_t cost = std::int64_t{size.parts} * std::ssize(numbers.value) * 100;
    const Err err = m_store.outbox().queue(account, messages, cost, context.now);
    if (err == Err::Ok && m_config.gatewayConfigured && m_config.messagesQueued) {
        m_config.messagesQueued();
    }
    return result(err);
}

// The numbers of an explicit list, or of the members of the group with that exact name; members
// without a usable phone are skipped. An empty list is the caller's to refuse.
Outcome<std::vector<std::string>>
PagewrightService::recipients(AccountId account, const std::string& to, bool toGroup) {
    if (!toGroup) {
        return {Err::Ok, parseRecipients(to).value_or(std::vector<std::string>{})};
    }
    const auto phones = m_store.buddies().groupPhones(account, to);
    std::vector<std::string> numbers;
    std::unordered_set<std::string> seen;
    for (const std::string& phone : phones.value) {
        auto number = normalisePhone(phone);
        if (number && seen.insert(*number).second) {
            numbers.push_back(std::move(*number));
        }
    }
    return {phones.err, std::move(numbers)};
}

std::string PagewrightService::getMessageStates(AccountId account, const Params& p,
                                                const RequestContext&) {
    constexpr int kMaxMessages = 100;
    return withIds(p, {"since"}, [&](std::int64_t since) {
        const std::vector<HistoryEntry> rows =
            m_store.reports().messagesAfter(account, since, kMaxMessages);
        return result(Err::Ok, [&](XmlBuilder& xml) {
            for (const HistoryEntry& m : rows) {
                writeMessageState(xml, m);
            }
        });
    });
}

} // namespace textowl::server
