#include "canned_replies.h"

#include <string_view>

namespace textowl::bench {
namespace {

std::string escapeForText(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 5 / 4);
    for (const char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string httpOk(std::string_view returnText) {
    const std::string body =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
        "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><SOAP-ENV:Body>"
        "<ns1:response xmlns:ns1=\"urn:Pagewright\"><return xsi:type=\"xsd:string\">" +
        escapeForText(returnText) + "</return></ns1:response></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

} // namespace

std::string buddyListReply(int buddies) {
    std::string doc = "<result err=\"0\"><buddylist>";
    for (int i = 0; i < buddies; ++i) {
        const std::string n = std::to_string(i);
        doc += "<buddy id=\"" + std::to_string(100000 + i) + "\" firstname=\"First" + n +
               "\" lastname=\"Lastname" + n + "\" nickname=\"nick" + n + "\" cellphone=\"+4670" +
               std::to_string(1000000 + i) + "\" email=\"user" + n +
               "@example.com\" birthday=\"1980-04-12\"/>";
    }
    doc += "</buddylist></result>";
    return httpOk(doc);
}

std::string balanceReply() {
    return httpOk("<result err=\"0\"><balance>125.50</balance></result>");
}

} // namespace textowl::bench
