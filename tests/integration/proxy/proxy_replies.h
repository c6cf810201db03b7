#pragma once

#include "support/scripted_server.h"

#include <string>
#include <string_view>

namespace textowl::test {

inline std::string soapReturn(std::string_view returnElement) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><SOAP-ENV:Body>"
           "<ns1:opResponse xmlns:ns1=\"urn:Pagewright\">" +
           std::string(returnElement) + "</ns1:opResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

inline std::string okReply(std::string_view text, const std::string& extraHeaders = {}) {
    return httpReply("200 OK", soapReturn("<return>" + std::string(text) + "</return>"),
                     "Content-Type: text/xml; charset=utf-8\r\n" + extraHeaders);
}

inline std::string faultBody(std::string_view code, std::string_view text) {
    return "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
           "<SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>SOAP-ENV:" +
           std::string(code) + "</faultcode><faultstring>" + std::string(text) +
           "</faultstring></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

inline const std::string kEndpointPath = "/pagewright/soapserver.php";

} // namespace textowl::test
