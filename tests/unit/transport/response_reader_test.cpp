#include "service/http_response.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace textowl {
namespace {

// Hands out the given pieces one per receive (each cut to the caller's buffer), then no data.
class PieceSource : public ByteSource {
public:
    explicit PieceSource(std::vector<std::string> pieces, bool failAtEnd = false)
        : m_pieces(std::move(pieces)), m_failAtEnd(failAtEnd) {}

    long receive(char* buf, std::size_t n) override {
        while (m_index < m_pieces.size() && m_pieces[m_index].empty()) {
            ++m_index;
        }
        if (m_index == m_pieces.size()) {
            return m_failAtEnd ? -1 : 0;
        }
        std::string& piece = m_pieces[m_index];
        std::size_t count = std::min(n, piece.size());
        piece.copy(buf, count);
        piece.erase(0, count);
        return static_cast<long>(count);
    }

private:
    std::vector<std::string> m_pieces;
    bool m_failAtEnd;
    std::size_t m_index = 0;
};

HttpResponse readAll(const std::string& bytes, const ResponseLimits& limits = {}) {
    MemoryByteSource source(bytes);
    HttpResponse response;
    readResponse(source, response, limits);
    return response;
}

const std::string kReply = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 5\r\n"
                           "\r\nhello";
const std::string kChunkedReply = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                  "5\r\nhello\r\n3\r\nabc\r\n0\r\n\r\n";

TEST(ResponseReader, ReplySplitAtAnyByteReadsTheSame) {
    for (const std::string& reply : {kReply, kChunkedReply}) {
        HttpResponse whole = readAll(reply);
        ASSERT_EQ(whole.outcome, ReadOutcome::Complete);
        for (std::size_t cut = 1; cut < reply.size(); ++cut) {
            PieceSource source({reply.substr(0, cut), reply.substr(cut)});
            HttpResponse response;
            EXPECT_EQ(readResponse(source, response), ReadOutcome::Complete) << "cut at " << cut;
            EXPECT_EQ(response.status, 200) << "cut at " << cut;
            EXPECT_EQ(response.body, whole.body) << "cut at " << cut;
        }
    }
}

TEST(ResponseReader, ReplyArrivingOneByteAtATimeReadsTheSame) {
    MemoryByteSource source(kChunkedReply, 1);
    HttpResponse response;
    EXPECT_EQ(readResponse(source, response), ReadOutcome::Complete);
    EXPECT_EQ(response.body, "helloabc");
}

TEST(ResponseReader, ContinueThenFinalResponseYieldsTheFinalOne) {
    const std::string reply = "HTTP/1.1 100 Continue\r\nX-Interim: yes\r\n\r\n" + kReply;
    for (std::size_t cut = 1; cut < reply.size(); ++cut) {
        PieceSource source({reply.substr(0, cut), reply.substr(cut)});
        HttpResponse response;
        ASSERT_EQ(readResponse(source, response), ReadOutcome::Complete) << "cut at " << cut;
        EXPECT_EQ(response.status, 200);
        EXPECT_EQ(response.body, "hello");
        EXPECT_FALSE(response.headers.find("X-Interim"));
    }
}

TEST(ResponseReader, HeaderLinesFollowTheTableRules) {
    HttpResponse response = readAll("HTTP/1.1 200 OK\r\n"
                                    "Set-Cookie: a=1\r\n"
                                    "set-cookie: b=2\r\n"
                                    "X-Spaced:   value  \r\n"
                                    "no colon on this line\r\n"
                                    "X-Long: " +
                                    std::string(1024, 'v') +
                                    "\r\n"
                                    "X-Almost: " +
                                    std::string(1023, 'v') +
                                    "\r\n"
                                    "Content-Length: 0\r\n\r\n");
    ASSERT_EQ(response.outcome, ReadOutcome::Complete);
    EXPECT_EQ(response.headers.find("SET-COOKIE"), "a=1,b=2");
    EXPECT_EQ(response.headers.find("x-spaced"), "value  ");
    EXPECT_FALSE(response.headers.find("X-Long"));
    EXPECT_EQ(response.headers.find("X-Almost")->size(), 1023u);
    EXPECT_FALSE(response.headers.find("no colon on this line"));
}

TEST(ResponseReader, AuthenticationSchemesAreCollected) {
    HttpResponse response = readAll("HTTP/1.1 401 No\r\nWWW-Authenticate: Basic realm=\"x\"\r\n"
                                    "Proxy-Authenticate: Negotiate\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(response.authSchemes, (std::vector<std::string>{"Basic", "Negotiate"}));
}

TEST(ResponseReader, ChunkedBodyWithAnnouncedTrailerAddsTrailerLines) {
    HttpResponse response = readAll("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n"
                                    "Trailer: X-Checksum\r\n\r\n"
                                    "5\r\nhello\r\n0\r\nX-Checksum: 42\r\n\r\n");
    ASSERT_EQ(response.outcome, ReadOutcome::Complete);
    EXPECT_EQ(response.body, "hello");
    EXPECT_EQ(response.headers.find("x-checksum"), "42");
}

TEST(ResponseReader, ChunkedWithCapitalLetterIsReadAsPlainBody) {
    const std::string raw = "5\r\nhello\r\n0\r\n\r\n";
    HttpResponse response = readAll("HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n" + raw);
    ASSERT_EQ(response.outcome, ReadOutcome::Complete);
    EXPECT_EQ(response.body, raw);
}

TEST(ResponseReader, BytesBeyondContentLengthStayInTheBody) {
    HttpResponse response = readAll("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nabcd");
    EXPECT_EQ(response.outcome, ReadOutcome::Complete);
    EXPECT_EQ(response.body, "abcd");
}

TEST(ResponseReader, StatusWithoutBodyDoesNotWaitForOne) {
    for (const char* status : {"204 No Content", "304 Not Modified"}) {
        PieceSource source({std::string("HTTP/1.1 ") + status + "\r\n\r\n"}, true);
        HttpResponse response;
        EXPECT_EQ(readResponse(source, response), ReadOutcome::Complete) << status;
    }
}

TEST(ResponseReader, BodyWithoutLengthEndsWhenTheSourceDoes) {
    PieceSource closing({"HTTP/1.1 200 OK\r\n\r\nab", "cd"});
    HttpResponse response;
    EXPECT_EQ(readResponse(closing, response), ReadOutcome::Complete);
    EXPECT_EQ(response.body, "abcd");

    PieceSource timingOut({"HTTP/1.1 200 OK\r\n\r\nab"}, true);
    EXPECT_EQ(readResponse(timingOut, response), ReadOutcome::Complete);
    EXPECT_EQ(response.body, "ab");
}

TEST(ResponseReader, HugeStatusNumberSaturates) {
    HttpResponse response = readAll("HTTP/1.1 99999999999 Big\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(response.outcome, ReadOutcome::Complete);
    EXPECT_EQ(response.status, 2147483647);
}

TEST(ResponseReader, AnnouncedChunkOfTwoGigabytesAllocatesNothingLarge) {
    HttpResponse response =
        readAll("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n7fffffff\r\nabc");
    EXPECT_EQ(response.outcome, ReadOutcome::ChunkedUndecodable);
    EXPECT_LT(response.body.capacity(), 1u << 20);
}

TEST(ResponseReader, ChunkWithinTheLimitGrowsOnlyWithArrivingData) {
    ResponseLimits limits;
    limits.maxBody = 1 << 20;
    HttpResponse response =
        readAll("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nfffff\r\nabc", limits);
    EXPECT_EQ(response.outcome, ReadOutcome::ChunkedUndecodable);
    EXPECT_LT(response.body.capacity(), 64u * 1024);
}

struct OutcomeCase {
    const char* name;
    std::string bytes;
    ReadOutcome outcome;
    int status;
};

class ResponseReaderOutcome : public testing::TestWithParam<OutcomeCase> {};

TEST_P(ResponseReaderOutcome, EndsInTheNamedOutcome) {
    ResponseLimits limits;
    limits.maxHead = 1024;
    limits.maxBody = 4096;
    HttpResponse response = readAll(GetParam().bytes, limits);
    EXPECT_EQ(response.outcome, GetParam().outcome);
    EXPECT_EQ(response.status, GetParam().status);
    EXPECT_LE(response.body.size(), limits.maxBody + limits.bodyPiece);
}

const std::string kHead200 = "HTTP/1.1 200 OK\r\n";
const std::string kChunkedHead = kHead200 + "Transfer-Encoding: chunked\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Table, ResponseReaderOutcome,
    testing::Values(
        OutcomeCase{"NothingAtAll", "", ReadOutcome::ReceiveFailed, -1},
        OutcomeCase{"HeadCutShort", kHead200 + "Content-Le", ReadOutcome::ReceiveFailed, -1},
        OutcomeCase{"NoStatusNumber", "HTTP/1.1 OK\r\n\r\n", ReadOutcome::StatusLineInvalid, -1},
        OutcomeCase{"EmptyStatusLine", "\r\n\r\n", ReadOutcome::StatusLineInvalid, -1},
        OutcomeCase{"HeadAtTheLimit",
                    kHead200 + "X: " + std::string(981, 'a') + "\r\nContent-Length: 0\r\n\r\n",
                    ReadOutcome::Complete, 200},
        OutcomeCase{"HeadOneByteBeyondTheLimit",
                    kHead200 + "X: " + std::string(982, 'a') + "\r\nContent-Length: 0\r\n\r\n",
                    ReadOutcome::ReceiveFailed, -1},
        OutcomeCase{"HeadBeyondTheLimit", kHead200 + "X: " + std::string(2000, 'a') + "\r\n\r\n",
                    ReadOutcome::ReceiveFailed, -1},
        OutcomeCase{"EndlessContinues",
                    [] {
                        std::string s;
                        for (int i = 0; i < 100; ++i) {
                            s += "HTTP/1.1 100 Continue\r\n\r\n";
                        }
                        return s;
                    }(),
                    ReadOutcome::ReceiveFailed, -1},
        OutcomeCase{"BodyShorterThanLength", kHead200 + "Content-Length: 10\r\n\r\nabc",
                    ReadOutcome::BodyUnreadable, 200},
        OutcomeCase{"NegativeLength", kHead200 + "Content-Length: -1\r\n\r\nabc",
                    ReadOutcome::BodyUnreadable, 200},
        OutcomeCase{"NonNumericLength", kHead200 + "Content-Length: ten\r\n\r\nabc",
                    ReadOutcome::BodyUnreadable, 200},
        OutcomeCase{"TwoDifferingLengths",
                    kHead200 + "Content-Length: 3\r\nContent-Length: 4\r\n\r\nabcd",
                    ReadOutcome::BodyUnreadable, 200},
        OutcomeCase{"LengthBeyondTheLimit", kHead200 + "Content-Length: 4097\r\n\r\nabc",
                    ReadOutcome::BodyUnreadable, 200},
        OutcomeCase{"LengthOverflowingSixtyFourBits",
                    kHead200 + "Content-Length: 99999999999999999999999\r\n\r\n",
                    ReadOutcome::BodyUnreadable, 200},
        OutcomeCase{"LengthAtTheLimit",
                    kHead200 + "Content-Length: 4096\r\n\r\n" + std::string(4096, 'x'),
                    ReadOutcome::Complete, 200},
        OutcomeCase{"UnsizedBodyBeyondTheLimit", kHead200 + "\r\n" + std::string(5000, 'x'),
                    ReadOutcome::BodyUnreadable, 200},
        OutcomeCase{"ChunkedCutInData", kChunkedHead + "5\r\nhel", ReadOutcome::ChunkedUndecodable,
                    200},
        OutcomeCase{"ChunkedWithoutFinalChunk", kChunkedHead + "5\r\nhello\r\n",
                    ReadOutcome::ChunkedUndecodable, 200},
        OutcomeCase{"ChunkExtension", kChunkedHead + "5;name=v\r\nhello\r\n0\r\n\r\n",
                    ReadOutcome::ChunkedUndecodable, 200},
        OutcomeCase{"ChunkSizeNotHex", kChunkedHead + "zz\r\n", ReadOutcome::ChunkedUndecodable,
                    200},
        OutcomeCase{"ChunkSizeEmpty", kChunkedHead + "\r\n", ReadOutcome::ChunkedUndecodable, 200},
        OutcomeCase{"ChunkSizeBeyondThirtyOneBits", kChunkedHead + "ffffffff\r\n",
                    ReadOutcome::ChunkedUndecodable, 200},
        OutcomeCase{"ChunkSizeWithEndlessZeros", kChunkedHead + std::string(3000, '0'),
                    ReadOutcome::ChunkedUndecodable, 200},
        OutcomeCase{"ChunkDataNotFollowedByLineEnd", kChunkedHead + "2\r\nabc\r\n0\r\n\r\n",
                    ReadOutcome::ChunkedUndecodable, 200},
        OutcomeCase{"ChunkedBeyondTheLimit",
                    kChunkedHead + "800\r\n" + std::string(0x800, 'a') + "\r\n801\r\n" +
                        std::string(0x801, 'b') + "\r\n0\r\n\r\n",
                    ReadOutcome::ChunkedUndecodable, 200},
        OutcomeCase{"AnnouncedTrailerNeverEnds",
                    kChunkedHead.substr(0, kChunkedHead.size() - 2) +
                        "Trailer: X\r\n\r\n0\r\nX: 1\r\n",
                    ReadOutcome::ChunkedUndecodable, 200},
        OutcomeCase{"NulBytesInTheBody",
                    kHead200 + "Content-Length: 3\r\n\r\n" + std::string("a\0b", 3),
                    ReadOutcome::Complete, 200}),
    [](const testing::TestParamInfo<OutcomeCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace textowl
