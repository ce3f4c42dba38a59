#include "http_server/base64.h"

#include "platform/runtime/runtime_error.h"

#include <gtest/gtest.h>

using namespace vellumo;

namespace {

struct EncodeCase {
    const char* name;
    QString text;
    QString expected;
};

class Base64Encode : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(Base64Encode, EncodesAndDecodesBack) {
    const Base64 b64;
    const auto& c = GetParam();
    EXPECT_EQ(b64.Encode(c.text), c.expected);
    EXPECT_EQ(b64.Decode(c.expected), c.text);
}

const QString k72 = QStringLiteral("YWJj").repeated(18);

INSTANTIATE_TEST_SUITE_P(
    Table, Base64Encode,
    ::testing::Values(EncodeCase{"three", QStringLiteral("abc"), QStringLiteral("YWJj")},
                      EncodeCase{"two", QStringLiteral("ab"), QStringLiteral("YWI=")},
                      EncodeCase{"one", QStringLiteral("a"), QStringLiteral("YQ==")},
                      EncodeCase{"empty", QString(), QString()},
                      EncodeCase{"code_page", QStringLiteral(u"é€"), QStringLiteral("6YA=")},
                      EncodeCase{"fifty_four", QStringLiteral("abc").repeated(18), k72 + QStringLiteral("\r\n")},
                      EncodeCase{"fifty_five", QStringLiteral("abc").repeated(18) + QStringLiteral("a"),
                                 k72 + QStringLiteral("\r\nYQ==")},
                      EncodeCase{"fifty_three", QStringLiteral("abc").repeated(17) + QStringLiteral("ab"),
                                 k72.left(68) + QStringLiteral("YWI=\r\n")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Base64, DecodeIgnoresLineBreaksAndCountsAnyEqualsSign) {
    const Base64 b64;
    EXPECT_EQ(b64.Decode(QStringLiteral("YW\r\nJj")), QStringLiteral("abc"));
    EXPECT_EQ(b64.Decode(QStringLiteral("Y=JjYWJj")), QStringLiteral(u"`\u0002cab"));
    EXPECT_EQ(b64.Decode(QStringLiteral("!!!!")), QString(3, QChar()));
}

TEST(Base64, DecodeOfALengthNotAMultipleOfFourRaises) {
    try {
        Base64().Decode(QStringLiteral("YWJjY"));
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::ObjectBase);
        EXPECT_EQ(e.source(), QStringLiteral("MyDecode"));
        EXPECT_EQ(e.description(), QStringLiteral("Input string is not valid Base64."));
    }
}

TEST(Base64, EveryByteOfTheCodePageRoundTrips) {
    QString all;
    for (int b = 0; b < 256; ++b)
        all.append(QChar(b < 0x80 || b >= 0xA0 ? b : 0x20AC)); // ASCII, Latin-1 half and the euro
    const Base64 b64;
    EXPECT_EQ(b64.Decode(b64.Encode(all)), all);
}

} // namespace
