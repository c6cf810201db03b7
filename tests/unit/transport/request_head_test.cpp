#include "service/http_request.h"

#include <gtest/gtest.h>
#include <string>

namespace textowl {
namespace {

const std::string kValidateLoginBody =
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\"><soap:Body "
    "soap:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><snp:apiValidateLogin "
    "xmlns:snp=\"urn:Pagewright\"><user>alice</user><password "
    "xsi:nil=\"1\"/></snp:apiValidateLogin></soap:Body></soap:Envelope>";

NavigationSettings soapPost(const std::string& body) {
    NavigationSettings settings;
    settings.method = "POST";
    settings.extraHeaders =
        "SOAPAction: \"urn:Pagewright#apiValidateLogin\"\r\nAccept: text/xml\r\n";
    settings.contentType = "text/xml; charset=utf-8";
    settings.body = body.data();
    settings.bodyLength = body.size();
    return settings;
}

TEST(RequestHead, ValidateLoginHeadIsExact) {
    ASSERT_EQ(kValidateLoginBody.size(), 442u);
    Url url = *Url::parse("http://localhost/pagewright/soapserver.php");
    EXPECT_EQ(buildRequestHead(url, soapPost(kValidateLoginBody)),
              "POST /pagewright/soapserver.php HTTP/1.1\r\n"
              "Content-Length: 442\r\n"
              "Content-Type: text/xml; charset=utf-8\r\n"
              "SOAPAction: \"urn:Pagewright#apiValidateLogin\"\r\n"
              "Accept: text/xml\r\n"
              "Host: localhost\r\n"
              "User-Agent: Microsoft-ATL-Native/7.00\r\n"
              "\r\n");
}

TEST(RequestHead, EmptyBodyAndNoContentTypeLeaveTheirLinesOut) {
    Url url = *Url::parse("http://example.org/a?b=c");
    EXPECT_EQ(buildRequestHead(url, NavigationSettings{}),
              "GET /a?b=c HTTP/1.1\r\nHost: example.org\r\n"
              "User-Agent: Microsoft-ATL-Native/7.00\r\n\r\n");
}

TEST(RequestHead, HostLineNeverCarriesThePort) {
    Url url = *Url::parse("http://example.org:8080/x");
    std::string head = buildRequestHead(url, NavigationSettings{});
    EXPECT_NE(head.find("\r\nHost: example.org\r\n"), std::string::npos);
    EXPECT_EQ(head.find("8080"), std::string::npos);
}

} // namespace
} // namespace textowl
