// The server control's own members: its errors, start and stop, and the helpers it offers its host.
#include "http_server/gossamer.h"

#include "platform/runtime/runtime_error.h"
#include "tests/support/recording_host.h"

#include <QDir>

#include <gtest/gtest.h>

#include <functional>

using namespace vellumo;
using namespace vellumo::test;

namespace {

std::int32_t errorOf(const std::function<void()>& f, QString* description = nullptr) {
    try {
        f();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.source(), QStringLiteral("Gossamer"));
        if (description)
            *description = e.description();
        return e.number();
    }
    return 0;
}

TEST(Gossamer, NewControlDefaults) {
    Gossamer g;
    EXPECT_EQ(g.Port, 8080);
    EXPECT_EQ(g.DefaultPage, QStringLiteral("index.htm"));
    EXPECT_FALSE(g.ConnectedToPort);
    EXPECT_EQ(g.MaxConnections(), 32);
    EXPECT_EQ(g.State(), 0);
    EXPECT_EQ(g.ServerHeader(), QStringLiteral("Server:Vellumo/2.0"));
    EXPECT_EQ(g.XPBHeader(), QStringLiteral("X-Powered-By:Brantwick/2.0, Linux"));
    EXPECT_EQ(g.PoolSize(), 1);
}

TEST(Gossamer, MaxConnectionsBounds) {
    Gossamer g;
    QString text;
    EXPECT_EQ(errorOf([&] { g.setMaxConnections(0); }, &text), err::object(0xA702));
    EXPECT_EQ(text, QStringLiteral("MaxConnections must be 1 to 1000"));
    EXPECT_EQ(errorOf([&] { g.setMaxConnections(1001); }), err::object(0xA702));
    EXPECT_EQ(g.MaxConnections(), 32);
    g.setMaxConnections(1);
    EXPECT_EQ(g.MaxConnections(), 1);
    g.setMaxConnections(1000);
    EXPECT_EQ(g.MaxConnections(), 1000);
}

TEST(Gossamer, StartAndStopListening) {
    Gossamer g;
    RecordingHost host;
    g.setHost(&host);
    g.Port = 0;
    g.StartListening();
    EXPECT_EQ(g.State(), 2);
    EXPECT_TRUE(g.ConnectedToPort);
    EXPECT_GT(g.LocalPort(), 0);
    ASSERT_EQ(host.logs.size(), 1u);
    EXPECT_EQ(host.logs[0].Event.EventType, 3);
    EXPECT_EQ(host.logs[0].Event.Text, QStringLiteral("Vellumo started"));
    EXPECT_EQ(host.logs[0].ClientIndex, -1);

    QString text;
    EXPECT_EQ(errorOf([&] { g.StartListening(-1); }, &text), err::object(0xA700));
    EXPECT_EQ(text, QStringLiteral("Already listening"));
    EXPECT_EQ(host.logs.size(), 2u); // the start record comes first
    EXPECT_EQ(errorOf([&] { g.setVDir(QStringLiteral("/tmp")); }, &text), err::object(0xA704));
    EXPECT_EQ(text, QStringLiteral("Can't change VDir while listening"));
    EXPECT_EQ(errorOf([&] { g.SetServerHeader(QStringLiteral("x")); }, &text), err::object(0xA70A));
    EXPECT_EQ(text, QStringLiteral("Must be stopped to SetServerHeader"));

    g.StopListening();
    EXPECT_EQ(g.State(), 0);
    EXPECT_EQ(host.logs.back().Event.EventType, 3);
    EXPECT_EQ(host.logs.back().Event.EventSubType, 1);
    EXPECT_EQ(errorOf([&] { g.StopListening(); }, &text), err::object(0xA708));
    EXPECT_EQ(text, QStringLiteral("Already stopped"));
    g.SetServerHeader(QStringLiteral("Other/1"));
    EXPECT_EQ(g.ServerHeader(), QStringLiteral("Server:Other/1"));
}

TEST(Gossamer, StartListeningStoresThePortItIsGiven) {
    Gossamer holder;
    holder.StartListening(0);
    const int taken = holder.LocalPort();
    Gossamer g;
    g.StartListening(taken); // in use: the bind fails silently
    EXPECT_EQ(g.Port, taken);
    EXPECT_FALSE(g.ConnectedToPort);
    EXPECT_EQ(g.State(), 0);
}

TEST(Gossamer, VDirEmptyIsTheCurrentDirectory) {
    Gossamer g;
    g.setVDir(QString());
    EXPECT_EQ(g.VDirPath(), QDir::currentPath());
    g.setVDir(QStringLiteral("site/../www"));
    EXPECT_EQ(g.VDirPath(), QDir::current().absoluteFilePath(QStringLiteral("www")));
}

TEST(Gossamer, PropertiesRoundTripWritingOnlyWhatDiffersFromTheDefaults) {
    Gossamer g;
    EXPECT_TRUE(g.WriteProperties().isEmpty());
    g.Port = 32666;
    g.setMaxConnections(5);
    const Gossamer::PropertyBag bag = g.WriteProperties();
    EXPECT_EQ(bag.size(), 2);
    Gossamer h;
    h.ReadProperties(bag);
    EXPECT_EQ(h.Port, 32666);
    EXPECT_EQ(h.MaxConnections(), 5);
    EXPECT_EQ(h.DefaultPage, QStringLiteral("index.htm"));
    EXPECT_EQ(h.VDirPath(), QDir::currentPath());
    EXPECT_EQ(errorOf([&] { h.ReadProperties({{QStringLiteral("MaxConnections"), 0}}); }), err::object(0xA702));
}

struct DecodeCase {
    const char* name;
    QString input;
    QString expected; // empty with fails = true: error 13
    bool fails = false;
};

class URLDecode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(URLDecode, DecodesOrRaisesTypeMismatch) {
    const DecodeCase& c = GetParam();
    if (c.fails) {
        EXPECT_EQ(errorOf([&] { Gossamer::URLDecode(c.input); }), err::TypeMismatch);
    } else {
        EXPECT_EQ(Gossamer::URLDecode(c.input), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Gossamer, URLDecode,
    ::testing::Values(DecodeCase{"plus_and_escapes", QStringLiteral("a+b%20c%41"), QStringLiteral("a b cA")},
                      DecodeCase{"tilde", QStringLiteral("%7e"), QStringLiteral("~")},
                      DecodeCase{"unchanged", QStringLiteral("/MESSAGE"), QStringLiteral("/MESSAGE")},
                      DecodeCase{"ansi_byte", QStringLiteral("%E9t%80"), QStringLiteral("ét€")},
                      DecodeCase{"one_digit_at_end", QStringLiteral("x%9"), QStringLiteral("x\t")},
                      DecodeCase{"percent_at_end", QStringLiteral("abc%"), QString(), true},
                      DecodeCase{"double_percent", QStringLiteral("%%41"), QString(), true},
                      DecodeCase{"not_hex", QStringLiteral("%zz"), QString(), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Gossamer, EntityEncodeReplacesTheAmpersandFirst) {
    EXPECT_EQ(Gossamer::EntityEncode(QStringLiteral("<a href=\"x\">&lt;'</a>")),
              QStringLiteral("&lt;a href=&quot;x&quot;&gt;&amp;lt;'&lt;/a&gt;"));
}

TEST(Gossamer, ExtensionToMIME) {
    EXPECT_EQ(Gossamer::ExtensionToMIME(QStringLiteral("hTm")), QStringLiteral("text/html"));
    EXPECT_EQ(Gossamer::ExtensionToMIME(QStringLiteral("ico")), QStringLiteral("image/vnd.microsoft.icon"));
    EXPECT_EQ(Gossamer::ExtensionToMIME(QStringLiteral("xsd")), QStringLiteral("text/xml"));
    EXPECT_EQ(Gossamer::ExtensionToMIME(QStringLiteral("exe")), QStringLiteral("application/octet-stream"));
}

TEST(Gossamer, UTCStringIsTheHttpDateOfTheUtcTime) {
    const QDateTime local(QDate(2026, 12, 8), QTime(10, 5, 3));
    const int offset = QDateTime::currentDateTime().offsetFromUtc();
    const QDateTime utc = QDateTime(local.date(), local.time(), Qt::UTC).addSecs(-offset);
    const QString expected = QLocale::c().toString(utc, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss")) + " GMT";
    EXPECT_EQ(Gossamer::UTCString(local), expected);
    if (offset == 0) {
        EXPECT_EQ(Gossamer::UTCString(local), QStringLiteral("Tue, 08 Dec 2026 10:05:03 GMT"));
    }
}

TEST(Gossamer, UTCParseStringReadsAnHttpDate) {
    const QDateTime parsed = Gossamer::UTCParseString(QStringLiteral("Tue, 08 Dec 2026 09:05:03 GMT"));
    EXPECT_EQ(parsed.date(), QDate(2026, 12, 8));
    EXPECT_EQ(parsed.time(), QTime(9, 5, 3));
    const QDateTime fallback = Gossamer::UTCParseString(QStringLiteral("nonsense"));
    EXPECT_TRUE(fallback.isValid());
}

} // namespace
