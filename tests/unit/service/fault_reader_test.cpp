#include "service/soap_response_reader.h"

#include <cctype>
#include <gtest/gtest.h>
#include <string>

namespace textowl {
namespace {

constexpr std::string_view kOpen =
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">";
constexpr std::string_view kClose = "</SOAP-ENV:Envelope>";

std::string faultDoc(std::string_view fields, std::string_view beforeBody = {}) {
    return std::string(kOpen) + std::string(beforeBody) + "<SOAP-ENV:Body><SOAP-ENV:Fault>" +
           std::string(fields) + "</SOAP-ENV:Fault></SOAP-ENV:Body>" + std::string(kClose);
}

struct FaultOutcome {
    Status status;
    FaultRecord record;
};

FaultOutcome readFault(std::string_view body) {
    SoapResponseReader reader;
    FaultOutcome out{reader.prepare(), {}};
    if (succeeded(out.status)) {
        out.status = reader.parseFault(body, out.record);
    }
    return out;
}

TEST(FaultReader, ServerFaultFillsCodeStringAndDetail) {
    const auto out = readFault(faultDoc("<faultcode>SOAP-ENV:Server</faultcode>"
                                        "<faultstring>Invalid ticket</faultstring>"
                                        "<detail><why code=\"7\">expired</why></detail>"));
    ASSERT_EQ(out.status, S_OK);
    EXPECT_EQ(out.record.code, 400);
    EXPECT_EQ(out.record.codeText, "Server");
    EXPECT_EQ(out.record.string, "Invalid ticket");
    EXPECT_EQ(out.record.detail, "<why code=\"7\">expired</why>");
    EXPECT_EQ(out.record.actor, "");
}

struct CodeCase {
    std::string text;
    int code;
};

class FaultCodes : public ::testing::TestWithParam<CodeCase> {};

TEST_P(FaultCodes, LocalPartSetsTheCodeNumber) {
    const auto out = readFault(faultDoc("<faultcode>SOAP-ENV:" + GetParam().text + "</faultcode>"));
    ASSERT_EQ(out.status, S_OK);
    EXPECT_EQ(out.record.code, GetParam().code);
    EXPECT_EQ(out.record.codeText, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, FaultCodes,
                         ::testing::Values(CodeCase{"VersionMismatch", 100},
                                           CodeCase{"MustUnderstand", 200}, CodeCase{"Client", 300},
                                           CodeCase{"Server", 400}, CodeCase{"Server.Busy", 0},
                                           CodeCase{"client", 0}));

struct RefusedFault {
    const char* label;
    std::string body;
};

void PrintTo(const RefusedFault& c, std::ostream* os) {
    *os << c.label;
}

class FaultLevelRules : public ::testing::TestWithParam<RefusedFault> {};

TEST_P(FaultLevelRules, RefusesTheDocument) {
    EXPECT_TRUE(failed(readFault(GetParam().body).status)) << GetParam().body;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FaultLevelRules,
    ::testing::Values(
        RefusedFault{"header before body",
                     faultDoc("<faultcode>SOAP-ENV:Server</faultcode>", "<SOAP-ENV:Header/>")},
        RefusedFault{"body twice",
                     std::string(kOpen) + "<SOAP-ENV:Body/><SOAP-ENV:Body/>" + std::string(kClose)},
        RefusedFault{"fault twice", faultDoc("<SOAP-ENV:Fault/>")},
        RefusedFault{"envelope outside its namespace",
                     "<Envelope><Body><Fault/></Body></Envelope>"},
        RefusedFault{"code without colon", faultDoc("<faultcode>Server</faultcode>")},
        RefusedFault{"code with another prefix", faultDoc("<faultcode>soap:Server</faultcode>")},
        RefusedFault{"code after a known code", faultDoc("<faultcode>SOAP-ENV:Client</faultcode>"
                                                         "<faultcode>SOAP-ENV:Server</faultcode>")},
        RefusedFault{"faultstring twice", faultDoc("<faultstring>a</faultstring>"
                                                   "<faultstring>b</faultstring>")},
        RefusedFault{"detail twice", faultDoc("<detail>a</detail><detail>b</detail>")},
        RefusedFault{"unknown element inside Fault", faultDoc("<reason>x</reason>")},
        RefusedFault{"unknown element inside Body", std::string(kOpen) +
                                                        "<SOAP-ENV:Body><x/></SOAP-ENV:Body>" +
                                                        std::string(kClose)},
        RefusedFault{"no prefix bound to the envelope namespace",
                     "<Envelope xmlns=\"http://schemas.xmlsoap.org/soap/envelope/\"><Body><Fault>"
                     "<faultcode>Server</faultcode></Fault></Body></Envelope>"},
        RefusedFault{"doctype", "<!DOCTYPE x []>" + faultDoc("")},
        RefusedFault{"not xml", "Internal Server Error"}, RefusedFault{"empty", ""}),
    [](const auto& info) {
        std::string name = info.param.label;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

TEST(FaultReader, UnknownElementAfterAFaultFieldIsSkippedWithItsSubtree) {
    const auto out = readFault(faultDoc("<faultcode>SOAP-ENV:Client</faultcode>"
                                        "<extra><faultstring>no</faultstring></extra>"
                                        "<faultstring>yes</faultstring>"));
    ASSERT_EQ(out.status, S_OK);
    EXPECT_EQ(out.record.string, "yes");
}

TEST(FaultReader, CodeTextIsKeptOnlyWhileNoFaultStringWasRead) {
    const auto out = readFault(faultDoc("<faultstring>first</faultstring>"
                                        "<faultcode>SOAP-ENV:Server</faultcode>"));
    ASSERT_EQ(out.status, S_OK);
    EXPECT_EQ(out.record.code, 400);
    EXPECT_EQ(out.record.codeText, "");
}

TEST(FaultReader, EmptyFieldMayBeGivenAgain) {
    const auto out =
        readFault(faultDoc("<faultactor></faultactor><faultactor>urn:actor</faultactor>"));
    ASSERT_EQ(out.status, S_OK);
    EXPECT_EQ(out.record.actor, "urn:actor");
}

TEST(FaultReader, FieldsInAnyNamespaceAreRead) {
    const auto out = readFault(faultDoc("<m:faultcode xmlns:m=\"urn:m\">SOAP-ENV:Client"
                                        "</m:faultcode><m:faultstring xmlns:m=\"urn:m\">bad "
                                        "&amp; wrong</m:faultstring>"));
    ASSERT_EQ(out.status, S_OK);
    EXPECT_EQ(out.record.code, 300);
    EXPECT_EQ(out.record.string, "bad & wrong");
}

TEST(FaultReader, EachParseStartsFromAClearedRecord) {
    SoapResponseReader reader;
    ASSERT_EQ(reader.prepare(), S_OK);
    FaultRecord record;
    ASSERT_EQ(reader.parseFault(faultDoc("<faultcode>SOAP-ENV:Server</faultcode>"
                                         "<faultstring>x</faultstring>"),
                                record),
              S_OK);
    ASSERT_EQ(reader.parseFault(faultDoc(""), record), S_OK);
    EXPECT_EQ(record.code, 0);
    EXPECT_EQ(record.string, "");
}

} // namespace
} // namespace textowl
