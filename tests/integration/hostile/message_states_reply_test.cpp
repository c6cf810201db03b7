// Hostile answers to apiGetMessageStates: whatever the server puts in them, the client reads
// either nothing or messages that are safe to show.
#include "../session/scripted_replies.h"
#include "messaging/delivery_watch.h"
#include "service/service_proxy.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

namespace textowl::test {
namespace {

std::string message(const std::string& id, const std::string& state, const std::string& extra,
                    const std::string& updated = "2026-12-07 10:00:00") {
    return "<message id=\"" + id + "\" to=\"46701234567\" state=\"" + state + "\" " + extra +
           " updated=\"" + updated + "\"/>";
}

std::string result(const std::string& messages) {
    return "<result err=\"0\">" + messages + "</result>";
}

std::string repeated(const std::string& text, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

struct StatesCase {
    const char* name;
    std::string resultDocument;
    std::string read; // "refused", or each message read as "id to state [reason] credits"
};

void PrintTo(const StatesCase& c, std::ostream* os) {
    *os << c.name;
}

std::string summary(const std::optional<std::vector<MessageStatus>>& read) {
    if (!read)
        return "refused";
    std::string out;
    for (const MessageStatus& m : *read)
        out += std::to_string(m.id) + " " + m.to + " " + m.state + " [" + m.reason + "] " +
               m.creditsReturned + "\n";
    return out;
}

std::vector<StatesCase> cases() {
    const std::string ok = "1 46701234567 failed [] 1\n";
    return {
        {"NotXml", "<result err=\"0\"><message", "refused"},
        {"Refused", "<result err=\"1\"><error>ticket</error></result>", "refused"},
        {"NoResultElement", "<message id=\"1\"/>", "refused"},
        {"UnreadableMessagesLeftOut",
         result(message("abc", "failed", "") + message("-4", "failed", "") +
                message("0", "failed", "") + message("99999999999999999999", "failed", "") +
                message("2", "exploded", "") + message("3", "", "") +
                message("4", "failed", "", "2026-13-01 00:00:00") +
                message("5", "failed", "", "yesterday") + message("6", "failed", "", "") +
                message("1", "failed", "credits_returned=\"1\"")),
         ok},
        {"MarkupAndControlsNeutralised",
         result(message(
             "1", "failed",
             "reason=\"&lt;b&gt;x&lt;/b&gt; &amp;amp;&#9;&#127;&#133;\" credits_returned=\"1\"")),
         "1 46701234567 failed [\u2039b\u203Ax\u2039/b\u203A \uFF06amp;   ] 1\n"},
        {"LongFieldsCut",
         result("<message id=\"1\" to=\"" + repeated("4", 5000) +
                "\" state=\"rejected\" reason=\"" + repeated("\u00e9", 100000) +
                "\" credits_returned=\"2\" updated=\"2026-12-07 10:00:00\"/>"),
         "1 " + repeated("4", 32) + " rejected [" + repeated("\u00e9", 200) + "] 2\n"},
        {"CreditsNotANumberReadAsNone",
         result(message("1", "failed", "credits_returned=\"1e9\"") +
                message("2", "failed", "credits_returned=\"-3\"") +
                message("3", "failed", "credits_returned=\"1.2.3\"") +
                message("4", "failed", "credits_returned=\"" + repeated("9", 40) + "\"")),
         "1 46701234567 failed [] 0\n2 46701234567 failed [] 0\n3 46701234567 failed [] 0\n"
         "4 46701234567 failed [] 0\n"},
        {"FloodCutToAHundred", result(repeated(message("7", "undelivered", ""), 5000)),
         repeated("7 46701234567 undelivered [] 0\n", 100)},
    };
}

class MessageStatesReply : public ::testing::TestWithParam<StatesCase> {};

TEST_P(MessageStatesReply, ReadsNothingOrMessagesSafeToShow) {
    ScriptedServer server({ConnectionScript().readRequest().send(
        textowl::testing::answer(GetParam().resultDocument))});
    ServiceProxy proxy(server.url("/svc"));
    const std::array<ServiceText, 2> in{u"ticket", u"0"};
    ServiceText reply;
    ASSERT_EQ(proxy.call(OperationId::apiGetMessageStates, in, &reply), S_OK);
    EXPECT_EQ(summary(readMessageStates(reply)), GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(Cases, MessageStatesReply, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace textowl::test
