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

} // namespace textowl::testing
