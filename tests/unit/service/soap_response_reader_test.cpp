#include "reader_test_support.h"
#include "service/utf.h"

#include <cctype>
#include <gtest/gtest.h>

namespace textowl {
namespace {

using test::inBody;
using test::kEnvOpen;
using test::parse;
using test::response;

struct ReplyCase {
    const char* label;
    std::string body;
    bool ok;
    ServiceText result; // checked only when ok
};

void PrintTo(const ReplyCase& c, std::ostream* os) {
    *os << c.label;
}

class SoapReaderStructure : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(SoapReaderStructure, AcceptsOrRefusesAsTheStructureRequires) {
    const auto parsed = parse(GetParam().body);
    if (!GetParam().ok) {
        EXPECT_TRUE(failed(parsed.status)) << GetParam().body;
        return;
    }
    ASSERT_EQ(parsed.status, S_OK) << GetParam().body;
    EXPECT_EQ(parsed.result, GetParam().result);
}

std::string env(std::string_view inner) {
    return std::string(kEnvOpen) + std::string(inner) + "</soap:Envelope>";
}

INSTANTIATE_TEST_SUITE_P(
    Table, SoapReaderStructure,
    ::testing::Values(
        ReplyCase{"return text", response("<return>abc</return>"), true, u"abc"},
        ReplyCase{"response named after another operation",
                  inBody("<r:apiLogoutResponse xmlns:r=\"urn:x\"><return>x</return>"
                         "</r:apiLogoutResponse>"),
                  true, u"x"},
        ReplyCase{"header before body",
                  env("<soap:Header></soap:Header><soap:Body><r><return>"
                      "h</return></r></soap:Body>"),
                  true, u"h"},
        ReplyCase{"other envelope element ignored",
                  env("<soap:Note/><soap:Body><r><return>n</return></r></soap:Body>"), true, u"n"},
        ReplyCase{"root with another name in the envelope namespace",
                  "<soap:Other xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                  "<soap:Inner/></soap:Other>",
                  true, std::nullopt},
        ReplyCase{"default namespace envelope",
                  "<Envelope xmlns=\"http://schemas.xmlsoap.org/soap/envelope/\"><Body><r>"
                  "<return>d</return></r></Body></Envelope>",
                  true, u"d"},
        ReplyCase{"body without child", inBody(""), true, std::nullopt},
        ReplyCase{"return missing", response(""), true, std::nullopt},
        ReplyCase{"empty return is empty, not null", response("<return/>"), true, u""},
        ReplyCase{"type attribute is not read",
                  response("<return xsi:type=\"xsd:int\">12</return>"), true, u"12"},
        ReplyCase{"text in the response element ignored",
                  response(" stray <return>v</return> text "), true, u"v"},
        ReplyCase{"nil true", response("<return xsi:nil=\"true\"/>"), true, std::nullopt},
        ReplyCase{"nil one", response("<return xsi:nil=\"1\">ignored</return>"), true,
                  std::nullopt},
        ReplyCase{"nil false", response("<return xsi:nil=\"false\">f</return>"), true, u"f"},
        ReplyCase{"nil not a boolean", response("<return xsi:nil=\"yes\">y</return>"), true, u"y"},
        ReplyCase{"nil outside the schema instance namespace",
                  response("<return nil=\"true\">k</return>"), true, u"k"},
        ReplyCase{"unmatched id ignored", response("<return id=\"r1\">i</return>"), true, u"i"},
        ReplyCase{"escaped document is unescaped",
                  response("<return>&lt;r err=&quot;0&quot;&gt;&amp;amp;&lt;/r&gt;</return>"), true,
                  u"<r err=\"0\">&amp;</r>"},
        ReplyCase{"non-ascii text", response("<return>h\xC3\xA9j \xF0\x9F\x98\x80</return>"), true,
                  u"h\u00E9j \U0001F600"},
        ReplyCase{"header entry without mustUnderstand is skipped with its children",
                  env("<soap:Header><h:a xmlns:h=\"urn:h\"><h:b>x</h:b></h:a></soap:Header>"
                      "<soap:Body><r><return>s</return></r></soap:Body>"),
                  true, u"s"},
        ReplyCase{"mustUnderstand 0",
                  env("<soap:Header><a soap:mustUnderstand=\"0\"/>"
                      "</soap:Header><soap:Body/>"),
                  true, std::nullopt},
        ReplyCase{"mustUnderstand false",
                  env("<soap:Header><a soap:mustUnderstand=\"false\"/>"
                      "</soap:Header><soap:Body/>"),
                  true, std::nullopt},
        ReplyCase{"mustUnderstand without the envelope namespace is not read",
                  env("<soap:Header><a mustUnderstand=\"1\"/></soap:Header><soap:Body/>"), true,
                  std::nullopt},
        // refusals
        ReplyCase{"root outside the envelope namespace", "<Envelope><Body/></Envelope>", false, {}},
        ReplyCase{"element outside the namespace before body",
                  env("<x/><soap:Body><r><return>a</return></r></soap:Body>"),
                  false,
                  {}},
        ReplyCase{"envelope twice", env("<soap:Envelope/>"), false, {}},
        ReplyCase{"body first",
                  "<soap:Body xmlns:soap=\"http://schemas.xmlsoap.org/soap/"
                  "envelope/\"/>",
                  false,
                  {}},
        ReplyCase{
            "header after header", env("<soap:Header/><soap:Header/><soap:Body/>"), false, {}},
        ReplyCase{"header as root",
                  "<soap:Header xmlns:soap=\"http://schemas.xmlsoap.org/soap/"
                  "envelope/\"/>",
                  false,
                  {}},
        ReplyCase{"mustUnderstand 1",
                  env("<soap:Header><a soap:mustUnderstand=\"1\"/>"
                      "</soap:Header><soap:Body/>"),
                  false,
                  {}},
        ReplyCase{"mustUnderstand true",
                  env("<soap:Header><a soap:mustUnderstand=\"true\"/>"
                      "</soap:Header><soap:Body/>"),
                  false,
                  {}},
        ReplyCase{"mustUnderstand invalid",
                  env("<soap:Header><a soap:mustUnderstand=\"2\"/>"
                      "</soap:Header><soap:Body/>"),
                  false,
                  {}},
        ReplyCase{"child other than return", response("<result>x</result>"), false, {}},
        ReplyCase{"return twice", response("<return>a</return><return>b</return>"), false, {}},
        ReplyCase{"return differs in case", response("<Return>a</Return>"), false, {}},
        ReplyCase{"element inside nil", response("<return xsi:nil=\"1\"><a/></return>"), false, {}},
        ReplyCase{"href on return", response("<return href=\"#id1\"/>"), false, {}},
        ReplyCase{"not well formed", response("<return>a</retur>"), false, {}},
        ReplyCase{"truncated", response("<return>abc</return>").substr(0, 150), false, {}},
        ReplyCase{"empty body", "", false, {}},
        ReplyCase{"doctype refused",
                  "<!DOCTYPE soap:Envelope [<!ENTITY a \"aaaa\">]>" + response("<return>&a;"
                                                                               "</return>"),
                  false,
                  {}},
        ReplyCase{"doctype without subset refused",
                  "<!DOCTYPE x SYSTEM \"http://example.invalid/x.dtd\">" +
                      response("<return>a</return>"),
                  false,
                  {}}),
    [](const auto& info) {
        std::string name = info.param.label;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

TEST(SoapReader, ReturnNilTrueYieldsNull) {
    const auto parsed = parse(response("<return xsi:nil=\"true\"></return>"));
    ASSERT_EQ(parsed.status, S_OK);
    EXPECT_FALSE(parsed.result.has_value());
}

TEST(SoapReader, InnerMarkupIsReserialisedWithoutReescaping) {
    const auto parsed = parse(response("<return>a<b x='1&amp;2' y=\"&lt;\">c<d/></b>e"
                                       "<p:q xmlns:p=\"urn:p\" p:k=\"v\"/></return>"));
    ASSERT_EQ(parsed.status, S_OK);
    EXPECT_EQ(parsed.result, u"a<b x=\"1&2\" y=\"<\">c<d></d></b>e<p:q p:k=\"v\"></p:q>");
}

TEST(SoapReader, Utf16DocumentWithByteOrderMarkIsRead) {
    const std::string utf8 = response("<return>\xC3\xA9</return>");
    std::string utf16le = "\xFF\xFE";
    for (const char16_t c : utf8ToUtf16(utf8)) {
        utf16le.push_back(static_cast<char>(c & 0xFF));
        utf16le.push_back(static_cast<char>(c >> 8));
    }
    const auto parsed = parse(utf16le);
    ASSERT_EQ(parsed.status, S_OK);
    EXPECT_EQ(parsed.result, u"\u00E9");
}

std::string nested(std::size_t depth) {
    std::string text;
    text.reserve(depth * 7);
    for (std::size_t i = 0; i < depth; ++i) {
        text += "<a>";
    }
    for (std::size_t i = 0; i < depth; ++i) {
        text += "</a>";
    }
    return text;
}

TEST(SoapReader, HundredThousandNestedElementsFailWithoutExhaustingTheStack) {
    EXPECT_TRUE(failed(parse(response("<return>" + nested(100000) + "</return>")).status));
    EXPECT_TRUE(failed(parse(env("<soap:Header>" + nested(100000) + "</soap:Header>")).status));
}

TEST(SoapReader, ModerateNestingInsideReturnIsKept) {
    const auto parsed = parse(response("<return>" + nested(100) + "</return>"));
    ASSERT_EQ(parsed.status, S_OK);
    EXPECT_EQ(parsed.result->size(), 100u * 7);
}

TEST(SoapReader, LargeReturnTextArrivesWhole) {
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        text += "&lt;buddy id=&quot;" + std::to_string(i) + "&quot;/&gt;";
    }
    const auto parsed = parse(response("<return>" + text + "</return>"));
    ASSERT_EQ(parsed.status, S_OK);
    EXPECT_EQ(parsed.result->substr(0, 14), u"<buddy id=\"0\"/");
    EXPECT_EQ(parsed.result->back(), u'>');
}

TEST(SoapReader, FailureInTheMiddleOfAStringLeavesTheReaderUsable) {
    SoapResponseReader reader;
    const auto broken = test::parseWith(reader, response("<return>half <b>of a string"));
    EXPECT_TRUE(failed(broken.status));
    const auto refused = test::parseWith(reader, response("<return>a<x></return>"));
    EXPECT_TRUE(failed(refused.status));
    const auto next = test::parseWith(reader, response("<return>whole</return>"));
    ASSERT_EQ(next.status, S_OK);
    EXPECT_EQ(next.result, u"whole");
    const auto nilNext = test::parseWith(reader, response("<return xsi:nil=\"1\"/>"));
    ASSERT_EQ(nilNext.status, S_OK);
    EXPECT_FALSE(nilNext.result);
}

TEST(SoapReader, ParseWithoutABoundCallFails) {
    SoapResponseReader reader;
    ASSERT_EQ(reader.prepare(), S_OK);
    EXPECT_TRUE(failed(reader.parseReply(response("<return>a</return>"))));
}

} // namespace
} // namespace textowl

namespace textowl {
namespace {

// Damaged replies of every kind must end in a clean failure or a result, never a crash.
TEST(SoapReader, MutatedRepliesNeverCrashTheReader) {
    const std::string seed = test::response("<return>a&amp;b<x y=\"1\">z</x></return>");
    SoapResponseReader reader;
    std::uint32_t state = 12345;
    const auto next = [&state] { return state = state * 1664525u + 1013904223u; };
    for (int round = 0; round < 3000; ++round) {
        std::string body = seed;
        for (int edits = 1 + static_cast<int>(next() % 4); edits > 0; --edits) {
            const std::size_t at = next() % body.size();
            switch (next() % 3) {
            case 0:
                body[at] = static_cast<char>(next() >> 24);
                break;
            case 1:
                body.erase(at, 1 + next() % 8);
                break;
            default:
                body.insert(at, body.substr(next() % body.size(), 1 + next() % 16));
            }
            if (body.empty()) {
                body = "<";
            }
        }
        const auto parsed = test::parseWith(reader, body);
        EXPECT_TRUE(succeeded(parsed.status) || !parsed.result);
        FaultRecord fault;
        reader.parseFault(body, fault); // the same bytes as an HTTP 500 body
    }
    EXPECT_EQ(test::parseWith(reader, seed).result, u"a&b<x y=\"1\">z</x>");
}

} // namespace
} // namespace textowl

namespace textowl {
namespace {

// Big enough for a buddy list of tens of thousands, small enough that a hostile reply cannot make
// the client hold its body several times over.
TEST(SoapReaderLimits, LargeReturnIsReadAndOversizedReturnIsRefused) {
    const std::string fourMiB(4u << 20, 'b');
    const auto large = test::parse(test::response("<return>" + fourMiB + "</return>"));
    ASSERT_EQ(large.status, S_OK);
    ASSERT_TRUE(large.result.has_value());
    EXPECT_EQ(large.result->size(), fourMiB.size());

    const std::string nineMiB(9u << 20, 'b');
    const auto oversized = test::parse(test::response("<return>" + nineMiB + "</return>"));
    EXPECT_EQ(oversized.status, E_OUTOFMEMORY);
    EXPECT_FALSE(oversized.result.has_value());
}

} // namespace
} // namespace textowl
