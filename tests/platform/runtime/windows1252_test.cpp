#include "platform/runtime/windows1252.h"

#include <gtest/gtest.h>

using namespace vellumo;

namespace {

TEST(Windows1252, EveryByteSurvivesTheTripToTextAndBack) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = cp1252::decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(cp1252::encode(text), all);
}

struct CharCase {
    const char* name;
    unsigned char byte;
    char16_t character;
};

class Windows1252Chars : public ::testing::TestWithParam<CharCase> {};

TEST_P(Windows1252Chars, MapsBothWays) {
    const auto& c = GetParam();
    EXPECT_EQ(cp1252::decodeByte(c.byte), c.character);
    EXPECT_EQ(static_cast<unsigned char>(cp1252::encodeChar(c.character)), c.byte);
}

INSTANTIATE_TEST_SUITE_P(Table, Windows1252Chars,
                         ::testing::Values(CharCase{"euro", 0x80, 0x20AC}, CharCase{"undefined_81", 0x81, 0x0081},
                                           CharCase{"undefined_8D", 0x8D, 0x008D},
                                           CharCase{"undefined_8F", 0x8F, 0x008F},
                                           CharCase{"undefined_90", 0x90, 0x0090},
                                           CharCase{"undefined_9D", 0x9D, 0x009D},
                                           CharCase{"oe_ligature", 0x9C, 0x0153}, CharCase{"y_diaeresis", 0x9F, 0x0178},
                                           CharCase{"e_acute", 0xE9, 0x00E9}, CharCase{"a_grave", 0xE0, 0x00E0},
                                           CharCase{"nbsp", 0xA0, 0x00A0}, CharCase{"nul", 0x00, 0x0000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Windows1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(cp1252::encode(u"a\u0080b"), QByteArray("a?b"));         // C1 control with no byte of its own
    EXPECT_EQ(cp1252::encode(u"\u4E2D\u6587"), QByteArray("??"));      // CJK
    EXPECT_EQ(cp1252::encode(QString::fromUtf8("x\xF0\x9F\x98\x80y")), // one emoji, one code point, one "?"
              QByteArray("x?y"));
    EXPECT_EQ(cp1252::encode(QString::fromUtf8("Requête")), QByteArray("Requ\xEAte"));
}

} // namespace
