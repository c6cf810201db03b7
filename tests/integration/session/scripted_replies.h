#pragma once

#include "support/scripted_server.h"

#include <string>
#include <string_view>

namespace textowl::testing {

inline std::string escaped(std::string_view text) {
    std::string out;
    for (char c : text)
        out += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    return out;
}

// One SOAP reply whose "return" carries the result document.
inline std::string answer(std::string_view resultDocument) {
    const std::string body =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
        "<SOAP-ENV:Body><ns1:opResponse xmlns:ns1=\"urn:Pagewright\"><return>" +
        escaped(resultDocument) + "</return></ns1:opResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    return test::httpReply("200 OK", body, "Content-Type: text/xml; charset=utf-8\r\n");
}

// The answers to a sign-in and the load after it: a ticket, the list, a balance and no interface.
inline test::ConnectionScript loadedWith(const char* buddyList) {
    test::ConnectionScript script;
    for (const char* result :
         {R"(<result err="0"><ticket>T-17</ticket></result>)", buddyList,
          R"(<result err="0"><balance>12</balance></result>)", R"(<result err="1"/>)"})
        script.readRequest().send(answer(result));
    return script;
}

} // namespace textowl::testing
