#include "server/soap/soap_envelope.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace textowl::server {
namespace {

// The envelope exactly as the client writes it.
std::string envelope(const std::string& operation, const std::string& params) {
    return "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\"><soap:Body "
           "soap:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><snp:" +
           operation + " xmlns:snp=\"urn:Pagewright\">" + params + "</snp:" + operation +
           "></soap:Body></soap:Envelope>";
}

TEST(SoapEnvelope, ClientRequestYieldsOperationAndNilParameter) {
    const auto parsed = parseSoapRequest(
        envelope("apiValidateLogin", "<user>alice</user><password xsi:nil=\"1\"/>"));
    ASSERT_TRUE(parsed.request) << parsed.fault;
    EXPECT_EQ(parsed.request->operation, "apiValidateLogin");
    EXPECT_EQ(parsed.request->params.at("user"), "alice");
    ASSERT_EQ(parsed.request->params.count("password"), 1u);
    EXPECT_FALSE(parsed.request->params.at("password"));
}

TEST(SoapEnvelope, EmptyElementIsEmptyStringAndNilFalseIsText) {
    const auto parsed =
        parseSoapRequest(envelope("apiLogout", "<ticket></ticket><x xsi:nil=\"false\">v</x>"));
    ASSERT_TRUE(parsed.request);
    EXPECT_EQ(parsed.request->params.at("ticket"), "");
    EXPECT_EQ(parsed.request->params.at("x"), "v");
}

TEST(SoapEnvelope, CharacterReferencesDecodeToUtf8) {
    const auto parsed = parseSoapRequest(envelope(
        "apiSendSms",
        "<msg_content>a&amp;b&lt;c&gt;d &#x00E9;&#x000D;&#x000A;&#x01F600;</msg_content>"));
    ASSERT_TRUE(parsed.request);
    EXPECT_EQ(parsed.request->params.at("msg_content"), "a&b<c>d \xC3\xA9\r\n\xF0\x9F\x98\x80");
}

TEST(SoapEnvelope, ControlCharactersBecomeReplacementAndAWrittenReplacementStays) {
    const auto parsed =
        parseSoapRequest(envelope("apiSendSms", "<msg_content>x\x01y\xEF\xBF\xBD</msg_content>"));
    ASSERT_TRUE(parsed.request) << parsed.fault;
    EXPECT_EQ(parsed.request->params.at("msg_content"), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
}

TEST(SoapEnvelope, OtherPrefixesAndHeadersAreAccepted) {
    const std::string body =
        "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Header><h:x "
        "xmlns:h=\"urn:other\"/></e:Header><e:Body><apiLogout "
        "xmlns=\"urn:Pagewright\"><ticket>t</ticket></apiLogout></e:Body></e:Envelope>";
    const auto parsed = parseSoapRequest(body);
    ASSERT_TRUE(parsed.request) << parsed.fault;
    EXPECT_EQ(parsed.request->operation, "apiLogout");
}

std::string repeatText(std::string_view piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

struct RefusedCase {
    const char* name;
    std::string body;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

class SoapEnvelopeRefuses : public testing::TestWithParam<RefusedCase> {};

TEST_P(SoapEnvelopeRefuses, WithAReason) {
    const auto parsed = parseSoapRequest(GetParam().body);
    EXPECT_FALSE(parsed.request);
    EXPECT_FALSE(parsed.fault.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, SoapEnvelopeRefuses,
    testing::Values(
        RefusedCase{"Empty", ""}, RefusedCase{"NotXml", "hello"},
        RefusedCase{"Truncated", envelope("apiLogout", "<ticket>t</ticket>").substr(0, 200)},
        RefusedCase{"WrongEnvelopeNamespace",
                    "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\">"
                    "<soap:Body><snp:apiLogout xmlns:snp=\"urn:Pagewright\"/></soap:Body>"
                    "</soap:Envelope>"},
        RefusedCase{"NoBody", "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/"
                              "envelope/\"></soap:Envelope>"},
        RefusedCase{"EmptyBody", "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/"
                                 "envelope/\"><soap:Body/></soap:Envelope>"},
        RefusedCase{"OperationOutsideServiceNamespace",
                    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                    "<soap:Body><apiLogout/></soap:Body></soap:Envelope>"},
        RefusedCase{"DocumentTypeDeclaration", "<!DOCTYPE soap:Envelope [<!ENTITY x \"xx\">]>" +
                                                   envelope("apiLogout", "<ticket>&x;</ticket>")},
        RefusedCase{"ParameterTwice",
                    envelope("apiLogout", "<ticket>a</ticket><ticket>b</ticket>")},
        RefusedCase{"DeeplyNestedMarkup",
                    envelope("apiLogout", "<ticket>" + repeatText("<a>", 100000) +
                                              repeatText("</a>", 100000) + "</ticket>")},
        RefusedCase{"MarkupInParameter", envelope("apiLogout", "<ticket><b>a</b></ticket>")},
        RefusedCase{"NulReferenceInAValue",
                    envelope("apiValidateLogin", "<user>de&#0;mo</user><password>x</password>")},
        RefusedCase{"ReferenceToALoneSurrogate",
                    envelope("apiLogout", "<ticket>a&#x00D83D;</ticket>")},
        RefusedCase{"UndeclaredEntity", envelope("apiLogout", "<ticket>a&foo;</ticket>")},
        RefusedCase{"AmpersandStartingNoReference",
                    envelope("apiLogout", "<ticket>a & b</ticket>")},
        RefusedCase{"OverlongUtf8", envelope("apiLogout", "<ticket>a\xE0\x80\xAF</ticket>")},
        RefusedCase{"LoneSurrogateInUtf8", envelope("apiLogout", "<ticket>a\xED\xA0\xBD</ticket>")},
        RefusedCase{"CutUtf8Sequence", envelope("apiLogout", "<ticket>a\xF0\x9F\x98</ticket>")},
        RefusedCase{"MustUnderstandHeader",
                    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                    "<soap:Header><h:x xmlns:h=\"urn:h\" soap:mustUnderstand=\"1\"/></soap:Header>"
                    "<soap:Body><snp:apiLogout xmlns:snp=\"urn:Pagewright\"/></soap:Body>"
                    "</soap:Envelope>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SoapEnvelope, ResponseCarriesResultDocumentAsEscapedText) {
    const std::string document = "<result err=\"0\"><ticket>a&amp;b</ticket></result>";
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(soapResponse("apiValidateLogin", document).c_str()));
    const pugi::xml_node response = doc.document_element().first_child().first_child();
    EXPECT_STREQ(response.name(), "ns1:apiValidateLoginResponse");
    EXPECT_EQ(std::string(response.child("return").text().get()), document);
}

TEST(SoapEnvelope, FaultNamesCodeWithEnvelopePrefix) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(soapFault("Client", "bad <thing>").c_str()));
    const pugi::xml_node fault = doc.document_element().child("soap:Body").child("soap:Fault");
    EXPECT_STREQ(fault.child("faultcode").text().get(), "soap:Client");
    EXPECT_STREQ(fault.child("faultstring").text().get(), "bad <thing>");
}

} // namespace
} // namespace textowl::server
