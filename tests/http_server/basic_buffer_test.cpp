#include "http_server/basic_buffer.h"

#include "platform/runtime/runtime_error.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vellumo;

namespace {

struct Failure {
    std::int32_t number = 0;
    QString description;
};

Failure failureOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.source(), QStringLiteral("BasicBuffer"));
        return {e.number(), e.description()};
    }
    return {};
}

BasicBuffer holding(const QByteArray& bytes, std::int32_t position = 0) {
    BasicBuffer b;
    b.WriteBytes(bytes);
    b.setPosition(position);
    return b;
}

TEST(BasicBuffer, NewBufferIsClosedAndEmpty) {
    BasicBuffer b;
    EXPECT_FALSE(b.IsOpen());
    EXPECT_EQ(b.Size(), 0);
    EXPECT_EQ(b.Position(), 0);
    EXPECT_EQ(b.ChunkSize(), 8192);
    EXPECT_TRUE(b.EOS());
}

TEST(BasicBuffer, GrowsLinearlyByChunkOrExactly) {
    BasicBuffer b;
    b.WriteBytes(QByteArray(10, 'x'));
    EXPECT_TRUE(b.IsOpen());
    EXPECT_EQ(b.Capacity(), 8192);
    EXPECT_EQ(b.Position(), 10);
    EXPECT_EQ(b.Size(), 10);

    BasicBuffer small = holding(QByteArray(8000, 'a'), 8000);
    small.WriteBytes(QByteArray(500, 'b'));
    EXPECT_EQ(small.Capacity(), 16384);

    BasicBuffer large = holding(QByteArray(8000, 'a'), 8000);
    large.WriteBytes(QByteArray(20000, 'b'));
    EXPECT_EQ(large.Capacity(), 28000);
    EXPECT_EQ(large.Size(), 28000);
    large.setPosition(7998);
    EXPECT_EQ(large.ReadBytes(4), QByteArray("aabb"));
}

TEST(BasicBuffer, WriteOverwritesAtPositionAndKeepsTail) {
    BasicBuffer b = holding("abcdef", 2);
    b.WriteBytes("XY");
    EXPECT_EQ(b.Position(), 4);
    EXPECT_EQ(b.Size(), 6);
    b.setPosition(0);
    EXPECT_EQ(b.ReadBytes(-1), QByteArray("abXYef"));
}

TEST(BasicBuffer, PositionBounds) {
    BasicBuffer b = holding("abc");
    b.setPosition(3);
    EXPECT_EQ(b.Position(), 3);
    for (std::int32_t bad : {4, -1}) {
        const Failure f = failureOf([&] { b.setPosition(bad); });
        EXPECT_EQ(f.number, err::BadArgument);
        EXPECT_EQ(f.description, QStringLiteral("Can't set Position before beginning or after Size"));
        EXPECT_EQ(b.Position(), 3);
    }
}

TEST(BasicBuffer, ScanCountsFromStorageStartAndStaysInsideContent) {
    BasicBuffer b = holding(QByteArray("ab\r\ncd"));
    EXPECT_EQ(b.ScanForBytes("\r\n"), 2);
    b.setPosition(3);
    EXPECT_EQ(b.ScanForBytes("\r\n"), -1);
    // "d\r" would only match by reading stale bytes past Size.
    BasicBuffer stale = holding("xxd\r\n");
    stale.setPosition(4);
    stale.SetEOS();
    stale.setPosition(0);
    EXPECT_EQ(stale.ScanForBytes("d\r\n"), -1);
    EXPECT_EQ(stale.ScanForBytes("d\r"), 2);
}

TEST(BasicBuffer, ExtractAndDeleteCutWithoutMovingPosition) {
    BasicBuffer b = holding("abcdef");
    EXPECT_EQ(b.ExtractBytes(3), QByteArray("abc"));
    EXPECT_EQ(b.Size(), 3);
    EXPECT_EQ(b.Position(), 0);
    EXPECT_EQ(b.ReadBytes(-1), QByteArray("def"));

    BasicBuffer past = holding("abc");
    EXPECT_EQ(past.ExtractBytes(10), QByteArray("abc"));
    EXPECT_EQ(past.Size(), 0);

    BasicBuffer d = holding("abcdef", 2);
    d.DeleteBytes(0);
    EXPECT_EQ(d.Size(), 6);
    d.DeleteBytes(-1);
    EXPECT_EQ(d.Size(), 2);
    EXPECT_EQ(d.Position(), 2);

    BasicBuffer middle = holding("abcdef", 1);
    middle.DeleteBytes(2);
    middle.setPosition(0);
    EXPECT_EQ(middle.ReadBytes(-1), QByteArray("adef"));
}

TEST(BasicBuffer, ReadFailuresChangeNothing) {
    BasicBuffer b = holding("abc", 3);
    Failure f = failureOf([&] { b.ReadBytes(0); });
    EXPECT_EQ(f.number, err::BadArgument);
    EXPECT_EQ(f.description, QStringLiteral("Can't request 0 (no) bytes"));
    f = failureOf([&] { b.ReadBytes(-1); });
    EXPECT_EQ(f.description, QStringLiteral("Nothing to read"));
    f = failureOf([&] { b.ReadBytes(1); });
    EXPECT_EQ(f.number, err::OutOfRange);
    EXPECT_EQ(b.Position(), 3);
    EXPECT_EQ(b.Size(), 3);
}

TEST(BasicBuffer, OpenAndClosedChecks) {
    BasicBuffer b;
    b.OpenBuf();
    Failure f = failureOf([&] { b.OpenBuf(); });
    EXPECT_EQ(f.number, err::object(0xC302));
    EXPECT_EQ(f.description, QStringLiteral("Already open"));
    b.CloseBuf();
    for (const auto& call : std::vector<std::function<void()>>{[&] { b.DeleteBytes(1); }, [&] { b.ExtractBytes(1); },
                                                               [&] { b.ReadBytes(1); }, [&] { b.ScanForBytes("a"); },
                                                               [&] { b.SetEOS(); }}) {
        f = failureOf(call);
        EXPECT_EQ(f.number, err::object(0xC300));
        EXPECT_EQ(f.description, QStringLiteral("Not open"));
    }
}

TEST(BasicBuffer, ChunkSizeAndClear) {
    BasicBuffer b;
    const Failure f = failureOf([&] { b.setChunkSize(0); });
    EXPECT_EQ(f.number, err::BadArgument);
    EXPECT_EQ(f.description, QStringLiteral("ChunkSize must be at least 1 byte"));
    EXPECT_EQ(b.ChunkSize(), 8192);
    b.setChunkSize(100);
    b.WriteBytes("abc");
    EXPECT_EQ(b.Capacity(), 100);
    b.ClearBuf();
    EXPECT_EQ(b.Capacity(), 8192);
    EXPECT_EQ(b.Size(), 0);
    EXPECT_TRUE(b.IsOpen());
}

TEST(BasicBuffer, CurrentBytesAndShrink) {
    BasicBuffer b = holding("abcd");
    EXPECT_EQ(b.CurrentBytes(), QByteArray("abcd"));
    EXPECT_EQ(b.Capacity(), 4);
    BasicBuffer empty;
    empty.OpenBuf();
    EXPECT_EQ(failureOf([&] { empty.CurrentBytes(); }).number, err::OutOfRange);
    EXPECT_EQ(failureOf([&] { empty.ShrinkBuf(); }).number, err::OutOfRange);
}

TEST(BasicBuffer, HaveAtLeastAndSetEOS) {
    BasicBuffer b = holding("abcdef", 2);
    EXPECT_TRUE(b.HaveAtLeast(4));
    EXPECT_FALSE(b.HaveAtLeast(5));
    EXPECT_TRUE(b.HaveAtLeast(-3));
    b.SetEOS();
    EXPECT_EQ(b.Size(), 2);
    EXPECT_TRUE(b.EOS());
}

} // namespace
