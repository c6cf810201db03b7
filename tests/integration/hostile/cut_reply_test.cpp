#include "hostile_cases.h"
#include "service/service_proxy.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace textowl::test {
namespace {

// The good reply's body sent chunked, in two chunks.
std::string chunkedGoodReply() {
    std::string reply = goodReply();
    std::size_t headEnd = reply.find("\r\n\r\n") + 4;
    std::string body = reply.substr(headEnd);
    auto hex = [](std::size_t n) {
        char text[16];
        std::snprintf(text, sizeof text, "%zx", n);
        return std::string(text);
    };
    std::size_t half = body.size() / 2;
    return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + hex(half) + "\r\n" +
           body.substr(0, half) + "\r\n" + hex(body.size() - half) + "\r\n" + body.substr(half) +
           "\r\n0\r\n\r\n";
}

// What a reply cut after `cut` bytes and then closed must end in.
ReadOutcome expectedOutcome(const std::string& reply, std::size_t cut, bool chunked) {
    std::size_t headEnd = reply.find("\r\n\r\n") + 4;
    if (cut < headEnd) {
        return ReadOutcome::ReceiveFailed;
    }
    if (!chunked) {
        return ReadOutcome::BodyUnreadable;
    }
    // The CR LF after the last chunk is taken when present, never waited for.
    return cut >= reply.size() - 2 ? ReadOutcome::Complete : ReadOutcome::ChunkedUndecodable;
}

class CutReply : public testing::TestWithParam<bool> {};

TEST_P(CutReply, ReplyCutAtEveryByteFailsAndTheNextCallSucceeds) {
    const bool chunked = GetParam();
    const std::string reply = chunked ? chunkedGoodReply() : goodReply();
    for (std::size_t cut = 0; cut < reply.size(); ++cut) {
        ReadOutcome expected = expectedOutcome(reply, cut, chunked);
        bool completes = expected == ReadOutcome::Complete;
        auto cutServer = [&] {
            ConnectionScript script = ConnectionScript().readRequest().send(reply.substr(0, cut));
            if (completes) {
                script.answerEveryRequest(goodReply()); // the kept connection serves the next call
            }
            return std::make_unique<ScriptedServer>(std::vector{script},
                                                    ConnectionScript::serveForever(goodReply()));
        };

        auto server = cutServer();
        HttpClient client;
        NavigationSettings settings;
        Url url = *Url::parse(server->url("/svc"));
        EXPECT_EQ(client.sendRequest(url, settings), completes) << "cut at " << cut;
        EXPECT_EQ(client.readOutcome(), expected) << "cut at " << cut;
        if (!completes) {
            EXPECT_TRUE(client.sendRequest(url, settings)) << "cut at " << cut;
        }

        server = cutServer();
        ServiceProxy proxy(server->url("/svc"));
        const ServiceText ticket = u"t";
        ServiceText result;
        EXPECT_EQ(proxy.apiBalanceSms(ticket, &result), completes ? S_OK : E_FAIL)
            << "cut at " << cut;
        EXPECT_EQ(proxy.clientErrorState(), completes ? 0 : 5) << "cut at " << cut;
        EXPECT_EQ(proxy.apiBalanceSms(ticket, &result), S_OK) << "cut at " << cut;
        EXPECT_EQ(result, ServiceText(kGoodResult)) << "cut at " << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(Framing, CutReply, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Chunked" : "ContentLength";
                         });

} // namespace
} // namespace textowl::test
