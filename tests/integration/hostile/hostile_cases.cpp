#include "hostile_cases.h"

namespace textowl::test {
namespace {

using namespace std::chrono_literals;
using R = ReadOutcome;

const std::string kEnvelopeOpen =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">";
const std::string kBodyOpen =
    kEnvelopeOpen + "<SOAP-ENV:Body><ns1:apiBalanceSmsResponse xmlns:ns1=\"urn:Pagewright\">";
const std::string kBodyClose = "</ns1:apiBalanceSmsResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";

std::string envelope(const std::string& returnText) {
    return kBodyOpen + "<return>" + returnText + "</return>" + kBodyClose;
}

std::string fault(const std::string& beforeBody) {
    return kEnvelopeOpen + beforeBody +
           "<SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode>"
           "<faultstring>broken</faultstring><detail>d</detail></SOAP-ENV:Fault>"
           "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

const std::string kOkHead = "HTTP/1.1 200 OK\r\n";
const std::string kChunkedHead = kOkHead + "Transfer-Encoding: chunked\r\n\r\n";

// Reads the request, then sends bytes and closes.
ConnectionScript answer(const std::string& bytes) {
    return ConnectionScript().readRequest().send(bytes);
}

std::function<ConnectionScript()> replyWith(std::string bytes) {
    return [bytes] { return answer(bytes); };
}

std::string ok200(const std::string& body, const std::string& extra = {}) {
    return httpReply("200 OK", body, extra);
}

std::string billionLaughs() {
    std::string doc = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        doc += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j) {
            doc += "&lol" + std::to_string(i - 1) + ";";
        }
        doc += "\">";
    }
    doc += "]>";
    return doc + envelope("&lol9;").substr(kEnvelopeOpen.find("<SOAP-ENV"));
}

std::string deeplyNested(int depth) {
    std::string open;
    std::string close;
    for (int i = 0; i < depth; ++i) {
        open += "<a>";
        close += "</a>";
    }
    return envelope(open + close);
}

std::vector<HostileCase> buildCases() {
    const std::string fiveHundred = "HTTP/1.1 500 Internal Server Error\r\n";
    const std::size_t fiftyMiB = 50u << 20;
    const std::string bigReturnHead =
        kOkHead + "Content-Length: " +
        std::to_string(kBodyOpen.size() + 8 + fiftyMiB + 9 + kBodyClose.size()) + "\r\n\r\n";
    std::vector<HostileCase> cases = {
        // Heads cut short and heads that never end.
        {"CutInStatusLine", replyWith("HTTP/1.1 2"), false, -1, R::ReceiveFailed, 5},
        {"CutAfterStatusLine", replyWith(kOkHead), false, -1, R::ReceiveFailed, 5},
        {"CutInHeaderName", replyWith(kOkHead + "Conte"), false, -1, R::ReceiveFailed, 5},
        {"CutInHeaderValue", replyWith(kOkHead + "Content-Length: 1"), false, -1, R::ReceiveFailed,
         5},
        {"CutBeforeEmptyLine", replyWith(kOkHead + "Content-Length: 5\r\n"), false, -1,
         R::ReceiveFailed, 5},
        {"CutBetweenFinalCrAndLf", replyWith(kOkHead + "Content-Length: 5\r\n\r"), false, -1,
         R::ReceiveFailed, 5},
        {"HeadThatNeverEnds",
         [] {
             return ConnectionScript().readRequest().send(kOkHead).sendForever("X-More: yes\r\n");
         },
         false, -1, R::ReceiveFailed, 5},
        {"HeadThatStopsHalfway",
         [] { return ConnectionScript().readRequest().send(kOkHead + "X-Half").staySilent(); },
         false, -1, R::ReceiveFailed, 5, 300},
        {"OneMegabyteHeaderLine",
         [] {
             return ConnectionScript()
                 .readRequest()
                 .send(kOkHead + "X-Huge: ")
                 .sendRepeated(std::string(1024, 'h'), 1024)
                 .send("\r\nContent-Length: 0\r\n\r\n");
         },
         false, -1, R::ReceiveFailed, 5},
        {"ContinueForever",
         [] {
             return ConnectionScript().readRequest().sendForever("HTTP/1.1 100 Continue\r\n\r\n");
         },
         false, -1, R::ReceiveFailed, 5},
        {"StatusLineWithoutNumber", replyWith("HTTP/1.1 OK\r\n\r\n"), false, -1,
         R::StatusLineInvalid, 5},
        {"BinaryGarbage", replyWith(std::string("\x00\xff\x13\x37garbage\x00", 12)), false, -1,
         R::ReceiveFailed, 5},
        {"HugeStatusNumber", replyWith("HTTP/1.1 99999999999 Big\r\nContent-Length: 0\r\n\r\n"),
         false, 2147483647, R::Complete, 5},
        // Bodies cut short or lying about their length.
        {"BodyCutInHalf", replyWith(kOkHead + "Content-Length: 100\r\n\r\n" + std::string(50, 'b')),
         false, 200, R::BodyUnreadable, 5},
        {"BodyOneByteShort",
         replyWith(kOkHead + "Content-Length: 100\r\n\r\n" + std::string(99, 'b')), false, 200,
         R::BodyUnreadable, 5},
        {"LengthFarBeyondTheBodyThenClose",
         replyWith(kOkHead + "Content-Length: 60000000\r\n\r\nshort"), false, 200,
         R::BodyUnreadable, 5},
        {"LengthBeyondTheBodyThenSilence",
         [] {
             return ConnectionScript()
                 .readRequest()
                 .send(kOkHead + "Content-Length: 1000\r\n\r\nshort")
                 .staySilent();
         },
         false, 200, R::BodyUnreadable, 5, 300},
        {"NegativeLength", replyWith(kOkHead + "Content-Length: -5\r\n\r\n" + envelope("x")), false,
         200, R::BodyUnreadable, 5},
        {"NonNumericLength", replyWith(kOkHead + "Content-Length: many\r\n\r\n" + envelope("x")),
         false, 200, R::BodyUnreadable, 5},
        {"SignedLength", replyWith(kOkHead + "Content-Length: +5\r\n\r\nhello"), false, 200,
         R::BodyUnreadable, 5},
        {"LengthBeyondSixtyFourBits",
         replyWith(kOkHead + "Content-Length: 184467440737095516160\r\n\r\nx"), false, 200,
         R::BodyUnreadable, 5},
        {"LengthBeyondTheBodyLimit", replyWith(kOkHead + "Content-Length: 67108865\r\n\r\nx"),
         false, 200, R::BodyUnreadable, 5},
        {"UnsizedBodyBeyondTheLimit",
         [] {
             return ConnectionScript()
                 .readRequest()
                 .send(kOkHead + "\r\n")
                 .sendRepeated(std::string(1 << 20, 'u'), 65);
         },
         false, 200, R::BodyUnreadable, 5},
        // Chunked bodies.
        {"ChunkSizeOfTwoGigabytes",
         [] {
             return ConnectionScript()
                 .readRequest()
                 .send(kChunkedHead + "7fffffff\r\n")
                 .sendForever(std::string(4096, 'c'));
         },
         false, 200, R::ChunkedUndecodable, 5},
        {"ChunkSizeOfFourGigabytes", replyWith(kChunkedHead + "ffffffff\r\nabc"), false, 200,
         R::ChunkedUndecodable, 5},
        {"ChunkSizeOfSixtyFourBits", replyWith(kChunkedHead + "ffffffffffffffff\r\nabc"), false,
         200, R::ChunkedUndecodable, 5},
        {"ChunkExtension", replyWith(kChunkedHead + "5;ext=1\r\nhello\r\n0\r\n\r\n"), false, 200,
         R::ChunkedUndecodable, 5},
        {"ChunkCutInData", replyWith(kChunkedHead + "10\r\nonly-part"), false, 200,
         R::ChunkedUndecodable, 5},
        {"ChunkedWithoutFinalChunk", replyWith(kChunkedHead + "5\r\nhello\r\n"), false, 200,
         R::ChunkedUndecodable, 5},
        {"ChunkDataLongerThanItsSize", replyWith(kChunkedHead + "3\r\nhello\r\n0\r\n\r\n"), false,
         200, R::ChunkedUndecodable, 5},
        {"ChunkedBodyThatNeverEnds",
         [] {
             return ConnectionScript()
                 .readRequest()
                 .send(kChunkedHead)
                 .sendForever("1000\r\n" + std::string(0x1000, 'n') + "\r\n");
         },
         false, 200, R::ChunkedUndecodable, 5},
        {"ChunkedBodyThatStalls",
         [] {
             return ConnectionScript()
                 .readRequest()
                 .send(kChunkedHead + "5\r\nhello\r\n")
                 .staySilent();
         },
         false, 200, R::ChunkedUndecodable, 5, 300},
        {"TrailerThatNeverEnds",
         [] {
             return ConnectionScript()
                 .readRequest()
                 .send(kOkHead + "Transfer-Encoding: chunked\r\nTrailer: X\r\n\r\n0\r\n")
                 .sendForever("X: again\r\n");
         },
         false, 200, R::ChunkedUndecodable, 5},
        // Servers that are slow, silent or gone.
        {"OneBytePerSecond",
         [] { return ConnectionScript().readRequest().sendInPieces(ok200(envelope("x")), 1, 1s); },
         false, -1, R::ReceiveFailed, 5, 300},
        {"AcceptAndNeverAnswer", [] { return ConnectionScript().staySilent(); }, false, -1,
         R::ReceiveFailed, 5, 300},
        {"ReadTheRequestAndNeverAnswer",
         [] { return ConnectionScript().readRequest().staySilent(); }, false, -1, R::ReceiveFailed,
         5, 300},
        {"CloseWithoutAnswer", [] { return ConnectionScript().readRequest().close(); }, false, -1,
         R::ReceiveFailed, 5},
        // Statuses and redirects.
        {"RedirectLoop",
         [] {
             return ConnectionScript::serveForever(
                 httpReply("302 Found", "", "Location: /svc\r\n"));
         },
         false, 302, R::Complete, 5},
        // Another port is another server: the redirect is not followed at all.
        {"RedirectToAClosedPort",
         replyWith(httpReply("301 Moved", "", "Location: http://127.0.0.1:1/svc\r\n")), false, 301,
         R::Complete, 5},
        {"RedirectToAnotherScheme",
         replyWith(httpReply("303 See Other", "", "Location: https://127.0.0.1/svc\r\n")), false,
         303, R::Complete, 5},
        {"RedirectWithoutLocation", replyWith(httpReply("302 Found", envelope("x"))), true, 302,
         R::Complete, 6},
        {"NotFound", replyWith(httpReply("404 Not Found", "<html/>")), false, 404, R::Complete, 5},
        {"Unauthorized",
         replyWith(httpReply("401 Unauthorized", "", "WWW-Authenticate: Basic realm=\"x\"\r\n")),
         false, 401, R::Complete, 5},
        {"NoContent", replyWith("HTTP/1.1 204 No Content\r\n\r\n"), true, 204, R::Complete, 6},
        {"AcceptedWithoutBody", replyWith(httpReply("202 Accepted", "")), true, 202, R::Complete,
         10},
        {"OkWithEmptyBody", replyWith(ok200("")), true, 200, R::Complete, 9},
        {"ServerErrorThatIsNotAFault", replyWith(httpReply("500 Oops", "<html>oops</html>")), false,
         500, R::Complete, 8},
        {"ServerErrorWithEmptyBody", replyWith(fiveHundred + "Content-Length: 0\r\n\r\n"), false,
         500, R::Complete, 8},
        {"FaultWithAHeader",
         replyWith(httpReply("500 Internal Server Error",
                             fault("<SOAP-ENV:Header><x>1</x></SOAP-ENV:Header>"))),
         false, 500, R::Complete, 8},
        {"WellFormedFault", replyWith(httpReply("500 Internal Server Error", fault(""))), false,
         500, R::Complete, 7},
        // Bodies whose XML is hostile; the transport reads them whole, the reader refuses them.
        {"DoctypeWithBillionLaughs", replyWith(ok200(billionLaughs())), true, 200, R::Complete, 10},
        {"HundredThousandNestedElements", replyWith(ok200(deeplyNested(100000))), true, 200,
         R::Complete, 10},
        {"InvalidUtf8", replyWith(ok200(envelope("bad \xc3\x28 \xff bytes"))), true, 200,
         R::Complete, 10},
        {"NulBytesInText", replyWith(ok200(envelope(std::string("a\0b", 3)))), true, 200,
         R::Complete, 10},
        {"TruncatedEnvelope", replyWith(ok200(envelope("x").substr(0, 150))), true, 200,
         R::Complete, 10},
        {"ReturnOfFiftyMegabytes",
         [bigReturnHead, fiftyMiB] {
             return ConnectionScript()
                 .readRequest()
                 .send(bigReturnHead + kBodyOpen + "<return>")
                 .sendRepeated(std::string(1 << 20, 'A'), fiftyMiB >> 20)
                 .send("</return>" + kBodyClose);
         },
         // A string value is capped well below the body limit, so this is refused, not copied
         // twice.
         true, 200, R::Complete, 10, 2000},
    };
    return cases;
}

} // namespace

const char16_t* const kGoodResult = u"<balance err=\"0\">42</balance>";

std::string goodReply() {
    return httpReply("200 OK", envelope("&lt;balance err=\"0\"&gt;42&lt;/balance&gt;"),
                     "Content-Type: text/xml; charset=utf-8\r\n");
}

const std::vector<HostileCase>& hostileCases() {
    static const std::vector<HostileCase> cases = buildCases();
    return cases;
}

} // namespace textowl::test
