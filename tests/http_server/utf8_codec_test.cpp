#include "http_server/utf8_codec.h"

#include "platform/runtime/runtime_error.h"

#include <gtest/gtest.h>

using namespace vellumo;

namespace {

TEST(Utf8Codec, AccentedTextTakesTwoBytesPerAccentAndComesBack) {
    const Utf8Codec codec;
    const QString text = QStringLiteral(u"à reçu le message");
    const QByteArray bytes = codec.ToUTF8(text);
    EXPECT_EQ(bytes.size(), 19);
    EXPECT_EQ(codec.FromUTF8(bytes), text);
    const QString wide = QStringLiteral(u"€ 中文 \U0001F600");
    EXPECT_EQ(codec.FromUTF8(codec.ToUTF8(wide)), wide);
}

TEST(Utf8Codec, EmptyInputIsABadArgument) {
    const Utf8Codec codec;
    for (auto call :
         {+[](const Utf8Codec& c) { c.FromUTF8(QByteArray()); }, +[](const Utf8Codec& c) { c.ToUTF8(QString()); }}) {
        try {
            call(codec);
            ADD_FAILURE() << "no error";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), err::BadArgument);
        }
    }
}

struct BadCase {
    const char* name;
    QByteArray bytes;
    QString expected;
};

class Utf8Invalid : public ::testing::TestWithParam<BadCase> {};

TEST_P(Utf8Invalid, BadSequencesBecomeReplacementCharacters) {
    const auto& c = GetParam();
    EXPECT_EQ(Utf8Codec().FromUTF8(c.bytes), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, Utf8Invalid,
                         ::testing::Values(BadCase{"lone_continuation",
                                                   QByteArray("a\x80"
                                                              "b"),
                                                   QStringLiteral(u"a\uFFFDb")},
                                           BadCase{"truncated_at_end", QByteArray("a\xC3"), QStringLiteral(u"a\uFFFD")},
                                           BadCase{"latin1_byte", QByteArray("caf\xE9"), QStringLiteral(u"caf\uFFFD")},
                                           BadCase{"nul_is_kept", QByteArray("a\0b", 3),
                                                   QString::fromUtf16(u"a\u0000b", 3)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8Codec, UnpairedSurrogateIsNotLostSilentlyAsNothing) {
    QString text = QStringLiteral("a");
    text.append(QChar(0xD800));
    text.append(QLatin1Char('b'));
    const QByteArray bytes = Utf8Codec().ToUTF8(text);
    EXPECT_TRUE(bytes.startsWith('a'));
    EXPECT_TRUE(bytes.endsWith('b'));
    EXPECT_GT(bytes.size(), 2);
}

} // namespace
