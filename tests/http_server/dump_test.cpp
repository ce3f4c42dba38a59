#include "http_server/dump.h"

#include <gtest/gtest.h>

using namespace vellumo;

namespace {

TEST(Dump, UnsupportedAndEmptyInputGiveTheirMarkers) {
    const Dump dump;
    EXPECT_EQ(dump.HexAscii(QVariant(42)), QStringLiteral("* Unsupported type *"));
    EXPECT_EQ(dump.HexAscii(QVariant()), QStringLiteral("* Unsupported type *"));
    EXPECT_EQ(dump.HexAscii(QVariant(QByteArray())), QStringLiteral("* Empty *"));
    EXPECT_EQ(dump.HexAscii(QVariant(QString())), QStringLiteral("* Empty *"));
}

TEST(Dump, LinesHoldAddressSixteenBytesAndTheirCharacters) {
    QByteArray bytes("Hello, dump!\x00\x01\xFF"
                     "Z"
                     "tail",
                     20);
    const QString out = Dump().HexAscii(QVariant(bytes));
    const QStringList lines = out.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3); // two lines and the empty rest after the last CR LF
    EXPECT_EQ(lines[0], QStringLiteral("00000000  48 65 6c 6c 6f 2c 20 64  75 6d 70 21 00 01 ff 5a  Hello, dump!...Z"));
    EXPECT_EQ(lines[1], QStringLiteral("00000010  74 61 69 6c ") + QString(12 * 3 + 1, QLatin1Char(' ')) +
                            QStringLiteral(" tail"));
    EXPECT_TRUE(lines[2].isEmpty());
}

TEST(Dump, TextIsDumpedAsLittleEndianUtf16) {
    const QString out = Dump().HexAscii(QVariant(QStringLiteral(u"Aé")));
    EXPECT_TRUE(out.startsWith(QStringLiteral("00000000  41 00 e9 00 "))) << out.toStdString();
    EXPECT_TRUE(out.endsWith(QStringLiteral("A...\r\n"))) << out.toStdString();
}

} // namespace
