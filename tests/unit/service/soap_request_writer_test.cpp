#include "service/soap_request_writer.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace textowl {
namespace {

std::string envelope(OperationId id, const std::vector<ServiceText>& values) {
    std::vector<const ServiceText*> pointers;
    for (const ServiceText& v : values) {
        pointers.push_back(&v);
    }
    std::string out;
    EXPECT_EQ(writeRequest(operationMap(id), headerMap(id), pointers, out), S_OK);
    return out;
}

std::string escaped(std::u16string_view text, EscapeMode mode = EscapeMode::Text) {
    std::string out(escapeText(text, mode), '\0');
    EXPECT_EQ(escapeText(text, mode, out.data()), out.size());
    return out;
}

// Everything between the operation element's tags.
std::string parametersOf(const std::string& body, std::string_view op) {
    const std::string open = "<snp:" + std::string(op) + " xmlns:snp=\"urn:Pagewright\">";
    const std::string close = "</snp:" + std::string(op) + ">";
    const std::size_t from = body.find(open);
    const std::size_t to = body.find(close);
    if (from == std::string::npos || to == std::string::npos) {
        return "<missing>";
    }
    return body.substr(from + open.size(), to - from - open.size());
}

TEST(SoapRequestWriter, LoginExampleIsByteExact) {
    const std::string expected =
        "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
        "xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\">"
        "<soap:Body soap:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
        "<snp:apiValidateLogin xmlns:snp=\"urn:Pagewright\"><user>alice</user>"
        "<password xsi:nil=\"1\"/></snp:apiValidateLogin></soap:Body></soap:Envelope>";
    const std::string body = envelope(OperationId::apiValidateLogin, {u"alice", std::nullopt});
    EXPECT_EQ(body, expected);
    EXPECT_EQ(body.size(), 442u);
}

TEST(SoapRequestWriter, NullIsNilAndEmptyIsAnEmptyElement) {
    EXPECT_EQ(
        parametersOf(envelope(OperationId::apiValidateLogin, {u"", u"p&w"}), "apiValidateLogin"),
        "<user></user><password>p&amp;w</password>");
}

TEST(SoapRequestWriter, TicketOnlyOperationWritesOneElementAndNeverTheReturnEntry) {
    const std::string body = envelope(OperationId::apiBalanceSms, {u"T1"});
    EXPECT_EQ(parametersOf(body, "apiBalanceSms"), "<ticket>T1</ticket>");
    EXPECT_EQ(body.find("return"), std::string::npos);
    EXPECT_EQ(body.find("soap:Header"), std::string::npos);
}

TEST(SoapRequestWriter, ParametersFollowMapOrder) {
    const std::string body = envelope(OperationId::apiCopyBuddy, {u"t", u"5", u"0", u"9"});
    EXPECT_EQ(parametersOf(body, "apiCopyBuddy"),
              "<ticket>t</ticket><bid>5</bid><bgid_from>0</bgid_from><bgid_to>9</bgid_to>");
}

TEST(SoapRequestWriter, BodyIsSevenBitAscii) {
    const std::string body =
        envelope(OperationId::apiSendSms,
                 {u"t", u"me", u"+46", u"h\u00E9j \U0001F600\r\n", u"0", u"1", std::nullopt});
    for (const char c : body) {
        EXPECT_TRUE(c >= 0x20 && c <= 0x7E) << int(c);
    }
}

struct EscapeRow {
    std::u16string input;
    std::string text;
    std::string attribute;
};

class EscapeRows : public ::testing::TestWithParam<EscapeRow> {};

TEST_P(EscapeRows, ProducesTheDocumentedForm) {
    EXPECT_EQ(escaped(GetParam().input), GetParam().text);
    EXPECT_EQ(escaped(GetParam().input, EscapeMode::Attribute), GetParam().attribute);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EscapeRows,
    ::testing::Values(EscapeRow{u"plain", "plain", "plain"},
                      EscapeRow{u"a&b<c>d", "a&amp;b&lt;c&gt;d", "a&amp;b&lt;c&gt;d"},
                      EscapeRow{u"it's \"x\"", "it's \"x\"", "it&apos;s &quot;x&quot;"},
                      EscapeRow{u"\u00E9", "&#x00E9;", "&#x00E9;"},
                      EscapeRow{u"\r\n", "&#x000D;&#x000A;", "&#x000D;&#x000A;"},
                      EscapeRow{u"\t", "&#x0009;", "&#x0009;"},
                      EscapeRow{u"\x7F~ ", "&#x007F;~ ", "&#x007F;~ "},
                      EscapeRow{u"\U0001F600", "&#x01F600;", "&#x01F600;"},
                      EscapeRow{u"\U0010FFFF", "&#x10FFFF;", "&#x10FFFF;"},
                      EscapeRow{std::u16string{u'x', char16_t(0xD83D)}, "x&#xD83D;", "x&#xD83D;"},
                      EscapeRow{std::u16string{char16_t(0xD83D), u'a'}, "&#xD83D;a", "&#xD83D;a"},
                      EscapeRow{
                          std::u16string{char16_t(0xD83D), char16_t(0xD83D), char16_t(0xDE00)},
                          "&#xD83D;&#x01F600;", "&#xD83D;&#x01F600;"},
                      EscapeRow{std::u16string{char16_t(0xDE00)}, "&#xDE00;", "&#xDE00;"},
                      EscapeRow{std::u16string{u'a', u'\0', u'b'}, "a&#x0000;b", "a&#x0000;b"},
                      EscapeRow{u"", "", ""}));

TEST(SoapRequestWriter, MeasuredLengthMatchesWrittenLength) {
    const std::u16string text = u"<\u00E9\U0001F600&'\"";
    EXPECT_EQ(escapeText(text, EscapeMode::Text), escaped(text).size());
}

TEST(SoapRequestWriter, AppendsAfterExistingBytes) {
    std::string out = "keep";
    const ServiceText ticket = u"t";
    const ServiceText* in[] = {&ticket};
    ASSERT_EQ(writeRequest(operationMap(OperationId::apiLogout), headerMap(OperationId::apiLogout),
                           in, out),
              S_OK);
    EXPECT_EQ(out.rfind("keep<soap:Envelope ", 0), 0u);
}

} // namespace
} // namespace textowl
