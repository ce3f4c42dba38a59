// HttpResponseReader fed directly: responses split at every byte, framing that must be refused, and
// the limits that keep a hostile peer from making us hold unbounded memory.
#include "platform/net/http_response_reader.h"

#include <gtest/gtest.h>

namespace vellumo {
namespace {

using State = HttpResponseReader::State;

struct ReaderCase {
    const char* name;
    QByteArray bytes;
    bool closeAfter; // the connection closes after the bytes
    State state;
    int status;
    QByteArray body;
};
void PrintTo(const ReaderCase& c, std::ostream* os) {
    *os << c.name;
}

class HttpResponseReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(HttpResponseReaderTest, GivesTheSameAnswerWholeOrOneByteAtATime) {
    const ReaderCase& c = GetParam();
    for (bool byByte : {false, true}) {
        HttpResponseReader reader;
        if (byByte) {
            for (char b : c.bytes)
                reader.feed(&b, 1);
        } else {
            reader.feed(c.bytes);
        }
        if (c.closeAfter)
            reader.finish();
        EXPECT_EQ(reader.state(), c.state) << (byByte ? "byte by byte" : "whole");
        if (c.state == State::Complete) {
            EXPECT_EQ(reader.status(), c.status);
            EXPECT_EQ(reader.body(), c.body);
        }
    }
}

QByteArray manySmallChunks() {
    QByteArray bytes = "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n";
    for (int i = 0; i < 30000; ++i)
        bytes += "1\r\nx\r\n";
    return bytes + "0\r\n\r\n";
}

const ReaderCase kCases[] = {
    {"LengthBody", "HTTP/1.1 200 MESSAGE:OK:PC1\r\nContent-Length: 3\r\n\r\nabcEXTRA", false, State::Complete, 200,
     "abc"},
    {"LengthBodyNotYetWhole", "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nabc", false, State::NeedMore, 0, ""},
    {"LengthBodyCutByClose", "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nabc", true, State::Invalid, 0, ""},
    {"SameLengthTwice", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\ncontent-length: 1\r\n\r\na", false, State::Complete,
     200, "a"},
    {"ConflictingLengths", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab", false, State::Invalid,
     0, ""},
    {"SignedLength", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n", false, State::Invalid, 0, ""},
    {"LengthAboveTheLimit", "HTTP/1.1 200 OK\r\nContent-Length: 999999999999\r\n\r\n", false, State::Invalid, 0, ""},
    {"NoContentHasNoBody", "HTTP/1.1 204 No Content\r\nContent-Length: 5\r\n\r\n", false, State::Complete, 204, ""},
    {"ManySmallChunks", manySmallChunks(), false, State::Complete, 200, QByteArray(30000, 'x')},
    {"ChunkSizeNotHex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false, State::Invalid, 0, ""},
    {"ChunkWithoutItsLineEnd", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\nxy\r\n", false,
     State::Invalid, 0, ""},
    {"EndlessChunkLine", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + QByteArray(2000, '1'), false,
     State::Invalid, 0, ""},
    {"HeaderWithoutColon", "HTTP/1.1 200 OK\r\nBroken\r\n\r\n", false, State::Invalid, 0, ""},
    {"ContinuationLine", "HTTP/1.1 200 OK\r\nX-A: 1\r\n 2\r\nContent-Length: 0\r\n\r\n", false, State::Complete, 200,
     ""},
    {"StatusWithTwoDigits", "HTTP/1.1 20 OK\r\n\r\n", false, State::Invalid, 0, ""},
    {"NotHttp", "SSH-2.0-OpenSSH\r\n", false, State::Invalid, 0, ""},
    {"ClosedBeforeAnyByte", "", true, State::Invalid, 0, ""},
    {"TooManyHeaderLines", "HTTP/1.1 200 OK\r\n" + QByteArray("A: b\r\n").repeated(101) + "\r\n", false, State::Invalid,
     0, ""},
};

INSTANTIATE_TEST_SUITE_P(Responses, HttpResponseReaderTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HttpResponseReaderLimits, RefusesABodyThatOutgrowsTheLimitWithoutHoldingIt) {
    HttpResponseReader reader;
    reader.feed("HTTP/1.0 200 OK\r\n\r\n");
    const QByteArray mebibyte(1024 * 1024, 'x');
    State state = State::NeedMore;
    for (int i = 0; i < 17 && state == State::NeedMore; ++i)
        state = reader.feed(mebibyte);
    EXPECT_EQ(state, State::Invalid);
    EXPECT_LE(reader.body().size(), HttpResponseReader::MaxBodyBytes);
}

TEST(HttpResponseReaderLimits, AHeadResponseHasNoBody) {
    HttpResponseReader reader(true);
    EXPECT_EQ(reader.feed("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n"), State::Complete);
}

} // namespace
} // namespace vellumo
