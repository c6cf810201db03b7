#include "proxy_replies.h"
#include "service/service_proxy.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>

namespace textowl {
namespace {

using namespace std::chrono_literals;
using test::ConnectionScript;
using test::httpReply;
using test::okReply;
using test::ScriptedServer;

std::unique_ptr<ServiceProxy> proxyFor(const ScriptedServer& server) {
    auto proxy = std::make_unique<ServiceProxy>(server.url(test::kEndpointPath));
    proxy->setTimeoutForTesting(3000);
    return proxy;
}

TEST(ServiceProxy, LoginSendsTheExactRequestAndHandsBackTheReturnText) {
    ScriptedServer server({}, ConnectionScript::serveForever(okReply("&lt;r err=\"0\"/&gt;")));
    auto proxy = proxyFor(server);
    ServiceText result;
    ASSERT_EQ(proxy->apiValidateLogin(u"alice", std::nullopt, &result), S_OK);
    EXPECT_EQ(result, u"<r err=\"0\"/>");
    EXPECT_EQ(proxy->clientErrorState(), 0);

    const std::string sent = server.received(0);
    const std::string head = "POST /pagewright/soapserver.php HTTP/1.1\r\n"
                             "Content-Length: 442\r\n"
                             "Content-Type: text/xml; charset=utf-8\r\n"
                             "SOAPAction: \"urn:Pagewright#apiValidateLogin\"\r\n"
                             "Accept: text/xml\r\n"
                             "Host: 127.0.0.1\r\n"
                             "User-Agent: Microsoft-ATL-Native/7.00\r\n\r\n";
    ASSERT_EQ(sent.substr(0, head.size()), head);
    const std::string body = sent.substr(head.size());
    EXPECT_EQ(body.size(), 442u);
    EXPECT_NE(body.find("<user>alice</user><password xsi:nil=\"1\"/>"), std::string::npos);
}

struct StateCase {
    const char* label;
    std::string reply;
    int state;
};

void PrintTo(const StateCase& c, std::ostream* os) {
    *os << c.label;
}

class ProxyClientErrorStates : public ::testing::TestWithParam<StateCase> {};

TEST_P(ProxyClientErrorStates, FailedReplyGivesEFailAndTheState) {
    ScriptedServer server({}, ConnectionScript::serveForever(GetParam().reply));
    auto proxy = proxyFor(server);
    ServiceText result = u"untouched";
    EXPECT_EQ(proxy->apiBalanceSms(u"T", &result), E_FAIL);
    EXPECT_EQ(proxy->clientErrorState(), GetParam().state);
    EXPECT_EQ(result, u"untouched");
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProxyClientErrorStates,
    ::testing::Values(
        StateCase{"accepted_202_has_nothing_to_parse", httpReply("202 Accepted", ""), 10},
        StateCase{"accepted_202_body_is_not_read",
                  httpReply("202 Accepted", test::soapReturn("<return>x</return>")), 10},
        StateCase{"empty_200", httpReply("200 OK", ""), 9},
        StateCase{"no_content_204", httpReply("204 No Content", ""), 6},
        StateCase{"created_201", httpReply("201 Created", test::soapReturn("")), 6},
        StateCase{"redirect_without_location", httpReply("302 Found", "moved"), 6},
        StateCase{"not_found_404", httpReply("404 Not Found", "nope"), 5},
        StateCase{"bad_gateway_502", httpReply("502 Bad Gateway", "x"), 5},
        StateCase{
            "fault_500",
            httpReply("500 Internal Server Error", test::faultBody("Server", "Invalid ticket")), 7},
        StateCase{"garbage_500", httpReply("500 Internal Server Error", "<html>oops"), 8},
        StateCase{"empty_500", httpReply("500 Internal Server Error", ""), 8},
        StateCase{"garbage_200", httpReply("200 OK", "<html>not soap</html>"), 10},
        StateCase{"fault_inside_200", httpReply("200 OK", test::faultBody("Server", "x")), 10},
        StateCase{"truncated_mid_string",
                  httpReply("200 OK", test::soapReturn("<return>half").substr(0, 300)), 10}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ServiceProxy, SoapFaultFillsTheFaultRecord) {
    ScriptedServer server(
        {}, ConnectionScript::serveForever(httpReply("500 Internal Server Error",
                                                     test::faultBody("Client", "Missing ticket"))));
    auto proxy = proxyFor(server);
    ServiceText result;
    EXPECT_EQ(proxy->apiLogout(std::nullopt, &result), E_FAIL);
    EXPECT_EQ(proxy->clientErrorState(), 7);
    EXPECT_EQ(proxy->fault().code, 300);
    EXPECT_EQ(proxy->fault().codeText, "Client");
    EXPECT_EQ(proxy->fault().string, "Missing ticket");
}

TEST(ServiceProxy, NullResultPointerFailsWithoutTraffic) {
    ScriptedServer server({}, ConnectionScript::serveForever(okReply("x")));
    auto proxy = proxyFor(server);
    EXPECT_EQ(proxy->apiGetBuddyList(u"T", nullptr), E_POINTER);
    EXPECT_EQ(proxy->call(OperationId::apiLogout, {}, nullptr), E_POINTER);
    EXPECT_EQ(server.acceptedCount(), 0u);
}

TEST(ServiceProxy, WrongParameterCountOrUninvokedOperationIsRefusedWithoutTraffic) {
    ScriptedServer server({}, ConnectionScript::serveForever(okReply("x")));
    auto proxy = proxyFor(server);
    ServiceText result;
    const ServiceText two[] = {u"a", u"b"};
    EXPECT_EQ(proxy->call(OperationId::apiLogout, two, &result), E_INVALIDARG);
    EXPECT_EQ(proxy->call(OperationId::apiRenewTicket, std::span(two, 1), &result), E_INVALIDARG);
    EXPECT_EQ(server.acceptedCount(), 0u);
}

TEST(ServiceProxy, UnreachableServiceGivesStateFive) {
    std::string url;
    {
        ScriptedServer closed({});
        url = closed.url(test::kEndpointPath);
    }
    ServiceProxy proxy(url);
    proxy.setTimeoutForTesting(1000);
    ServiceText result;
    EXPECT_EQ(proxy.apiLogout(u"T", &result), E_FAIL);
    EXPECT_EQ(proxy.clientErrorState(), 5);
}

TEST(ServiceProxy, InvalidEndpointFailsEveryCallWithStateFive) {
    ServiceProxy proxy("ftp://example.invalid/");
    ServiceText result;
    EXPECT_EQ(proxy.apiLogout(u"T", &result), E_FAIL);
    EXPECT_EQ(proxy.clientErrorState(), 5);
}

// Each byte arrives well inside the socket time-out, so only the whole-call deadline ends it:
// without one the call would read the whole reply and succeed.
TEST(ServiceProxy, ReplyDrippedInsideEveryTimeOutEndsAtTheDeadlineAsATimeOut) {
    ScriptedServer server({ConnectionScript().readRequest().sendInPieces(okReply("late"), 1, 50ms)},
                          ConnectionScript::serveForever(okReply("ok")));
    auto proxy = proxyFor(server);
    proxy->setDeadlineForTesting(400);
    ServiceText result;
    EXPECT_EQ(proxy->apiBalanceSms(u"T", &result), E_FAIL);
    EXPECT_EQ(proxy->clientErrorState(), 5);
    ASSERT_EQ(proxy->apiBalanceSms(u"T", &result), S_OK) << "the next call gets a new deadline";
    EXPECT_EQ(result, u"ok");
}

// A redirect elsewhere would carry the sign-in body, password and all, to that place.
TEST(ServiceProxy, RedirectToAnotherHostPortOrSchemeIsNotFollowed) {
    ScriptedServer elsewhere({}, ConnectionScript::serveForever(okReply("stolen")));
    const std::string port = std::to_string(elsewhere.port());
    for (const std::string& location :
         {"http://localhost:" + port + "/pagewright/soapserver.php",
          "http://127.0.0.1:" + port + "/pagewright/soapserver.php",
          "https://127.0.0.1:" + port + "/pagewright/soapserver.php"}) {
        ScriptedServer server({}, ConnectionScript::serveForever(httpReply(
                                      "302 Found", "", "Location: " + location + "\r\n")));
        auto proxy = proxyFor(server);
        ServiceText result;
        EXPECT_EQ(proxy->apiValidateLogin(u"alice", u"secret", &result), E_FAIL) << location;
        EXPECT_EQ(proxy->clientErrorState(), 5) << location;
    }
    EXPECT_EQ(elsewhere.acceptedCount(), 0u);
}

TEST(ServiceProxy, TwoCallsReuseOneConnection) {
    ScriptedServer server({}, ConnectionScript::serveForever(okReply("ok")));
    auto proxy = proxyFor(server);
    ServiceText first;
    ServiceText second;
    ASSERT_EQ(proxy->apiBalanceSms(u"T", &first), S_OK);
    ASSERT_EQ(proxy->apiGetInterface(u"T", &second), S_OK);
    EXPECT_EQ(second, u"ok");
    EXPECT_EQ(server.acceptedCount(), 1u);
}

TEST(ServiceProxy, ConnectionCloseMakesTheNextCallConnectAnew) {
    const std::string closing = okReply("c", "Connection: close\r\n");
    ScriptedServer server({ConnectionScript().readRequest().send(closing)},
                          ConnectionScript::serveForever(okReply("d")));
    auto proxy = proxyFor(server);
    ServiceText result;
    ASSERT_EQ(proxy->apiBalanceSms(u"T", &result), S_OK);
    EXPECT_EQ(result, u"c");
    ASSERT_EQ(proxy->apiBalanceSms(u"T", &result), S_OK);
    EXPECT_EQ(result, u"d");
    EXPECT_EQ(server.acceptedCount(), 2u);
}

TEST(ServiceProxy, FailureInMidStringThenANormalCallSucceeds) {
    const std::string broken =
        httpReply("200 OK", test::soapReturn("<return>abc<b>").substr(0, 290));
    ScriptedServer server(
        {ConnectionScript().readRequest().send(broken).readRequest().send(okReply("fine"))});
    auto proxy = proxyFor(server);
    ServiceText result;
    EXPECT_EQ(proxy->apiBalanceSms(u"T", &result), E_FAIL);
    EXPECT_EQ(proxy->clientErrorState(), 10);
    EXPECT_FALSE(result);
    ASSERT_EQ(proxy->apiBalanceSms(u"T", &result), S_OK);
    EXPECT_EQ(result, u"fine");
    EXPECT_EQ(proxy->clientErrorState(), 0);
    EXPECT_EQ(server.acceptedCount(), 1u);
}

TEST(ServiceProxy, FaultDoesNotSurviveIntoTheNextCall) {
    ScriptedServer server({ConnectionScript().readRequest().send(httpReply(
                              "500 Internal Server Error", test::faultBody("Server", "down")))},
                          ConnectionScript::serveForever(okReply("up")));
    auto proxy = proxyFor(server);
    ServiceText result;
    EXPECT_EQ(proxy->apiBalanceSms(u"T", &result), E_FAIL);
    EXPECT_EQ(proxy->fault().code, 400);
    ASSERT_EQ(proxy->apiBalanceSms(u"T", &result), S_OK);
    EXPECT_EQ(proxy->clientErrorState(), 0);
    EXPECT_EQ(proxy->fault().code, 0);
    EXPECT_EQ(proxy->fault().string, "");
    EXPECT_EQ(server.acceptedCount(), 2u); // a 500 is not accepted, so it closed the connection
}

TEST(ServiceProxy, NilOrMissingReturnSucceedsWithNull) {
    ScriptedServer server(
        {ConnectionScript()
             .readRequest()
             .send(httpReply("200 OK", test::soapReturn("<return xsi:nil=\"true\"/>")))
             .readRequest()
             .send(httpReply("200 OK", test::soapReturn("")))});
    auto proxy = proxyFor(server);
    ServiceText result = u"old";
    ASSERT_EQ(proxy->apiLogout(u"T", &result), S_OK);
    EXPECT_FALSE(result);
    result = u"old";
    ASSERT_EQ(proxy->apiLogout(u"T", &result), S_OK);
    EXPECT_FALSE(result);
}

struct MethodCase {
    OperationId id;
    std::function<Status(ServiceProxy&, ServiceText*)> invoke;
};

TEST(ServiceProxy, EveryMethodSendsItsOwnActionAndParameters) {
    const ServiceText t = u"T";
    const std::vector<MethodCase> methods{
        {OperationId::apiValidateLogin,
         [&](auto& p, auto* r) { return p.apiValidateLogin(t, t, r); }},
        {OperationId::apiLogout, [&](auto& p, auto* r) { return p.apiLogout(t, r); }},
        {OperationId::apiBalanceSms, [&](auto& p, auto* r) { return p.apiBalanceSms(t, r); }},
        {OperationId::apiGetBuddyList, [&](auto& p, auto* r) { return p.apiGetBuddyList(t, r); }},
        {OperationId::apiAddBuddy,
         [&](auto& p, auto* r) { return p.apiAddBuddy(t, t, t, t, t, t, t, t, r); }},
        {OperationId::apiUpdateBuddy,
         [&](auto& p, auto* r) { return p.apiUpdateBuddy(t, t, t, t, t, t, t, t, r); }},
        {OperationId::apiDeleteBuddy, [&](auto& p, auto* r) { return p.apiDeleteBuddy(t, t, r); }},
        {OperationId::apiRemoveBuddy,
         [&](auto& p, auto* r) { return p.apiRemoveBuddy(t, t, t, r); }},
        {OperationId::apiCopyBuddy,
         [&](auto& p, auto* r) { return p.apiCopyBuddy(t, t, t, t, r); }},
        {OperationId::apiMoveBuddy,
         [&](auto& p, auto* r) { return p.apiMoveBuddy(t, t, t, t, r); }},
        {OperationId::apiAddBuddyGroup,
         [&](auto& p, auto* r) { return p.apiAddBuddyGroup(t, t, r); }},
        {OperationId::apiUpdateBuddyGroup,
         [&](auto& p, auto* r) { return p.apiUpdateBuddyGroup(t, t, t, r); }},
        {OperationId::apiDeleteBuddyGroup,
         [&](auto& p, auto* r) { return p.apiDeleteBuddyGroup(t, t, r); }},
        {OperationId::apiSendSms,
         [&](auto& p, auto* r) { return p.apiSendSms(t, t, t, t, t, t, t, r); }},
        {OperationId::apiSendSmsToGroup,
         [&](auto& p, auto* r) { return p.apiSendSmsToGroup(t, t, t, t, t, t, t, r); }},
        {OperationId::apiGetInterface, [&](auto& p, auto* r) { return p.apiGetInterface(t, r); }},
    };
    ASSERT_EQ(methods.size(), 16u);
    for (const MethodCase& m : methods) {
        ScriptedServer server({}, ConnectionScript::serveForever(okReply("r")));
        auto proxy = proxyFor(server);
        ServiceText result;
        const OperationMap& op = operationMap(m.id);
        ASSERT_EQ(m.invoke(*proxy, &result), S_OK) << op.name;
        const std::string sent = server.received(0);
        EXPECT_NE(sent.find(op.soapActionLine), std::string::npos) << op.name;
        std::string params;
        for (const ParameterEntry& e : op.parameters()) {
            if (e.isIn()) {
                params += "<" + std::string(e.name) + ">T</" + std::string(e.name) + ">";
            }
        }
        const std::string element =
            "<snp:" + std::string(op.name) + " xmlns:snp=\"urn:Pagewright\">" + params + "</snp:";
        EXPECT_NE(sent.find(element), std::string::npos) << op.name;
    }
}

TEST(ServiceEndpoint, EnvironmentReplacesTheBuiltInAddress) {
    ::unsetenv("TEXTOWL_SERVICE_URL");
    EXPECT_EQ(serviceEndpoint(), "http://localhost/pagewright/soapserver.php");
    ::setenv("TEXTOWL_SERVICE_URL", "http://127.0.0.1:8080/x", 1);
    EXPECT_EQ(serviceEndpoint(), "http://127.0.0.1:8080/x");
    ::unsetenv("TEXTOWL_SERVICE_URL");
}

} // namespace
} // namespace textowl
