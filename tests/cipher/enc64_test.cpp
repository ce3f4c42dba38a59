#include "cipher/enc64.h"

#include "platform/runtime/runtime_error.h"

#include <gtest/gtest.h>

using namespace vellumo;

namespace {

struct DecodeCase {
    const char* name;
    const char* input;
    const char* expected; // UTF-8 of the decoded text
};

class MyDecodeCases : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(MyDecodeCases, Decodes) {
    QString input = QString::fromUtf8(GetParam().input);
    EXPECT_EQ(MyDecode(input), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Table, MyDecodeCases,
                         ::testing::Values(DecodeCase{"one_letter", "QQ==", "A"},
                                           DecodeCase{"two_letters", "QUI=", "AB"},
                                           DecodeCase{"three_letters", "QUJD", "ABC"},
                                           DecodeCase{"trailing_crlf", "QUJD\r\n", "ABC"},
                                           DecodeCase{"crlf_inside", "QU\r\nJD", "ABC"},
                                           DecodeCase{"basic_credentials", "dXNlcjpwYXNz", "user:pass"},
                                           DecodeCase{"code_page_bytes", "6eAk", "\xC3\xA9\xC3\xA0$"}, // E9 E0 24
                                           DecodeCase{"decoded_equals_is_no_fill", "QT1BQUFB", "A=AAAA"},
                                           DecodeCase{"equals_in_the_middle", "Q=JDQUJD",
                                                      "@\x02"
                                                      "CAB"}, // "=" is 0, still one cut
                                           DecodeCase{"empty", "", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MyDecode, OutsideAlphabetDecodesAsZeroBytes) {
    QString input = QStringLiteral("!!!!");
    EXPECT_EQ(MyDecode(input), QString(3, QChar(0)));
}

TEST(MyDecode, RemovesLineBreaksFromTheCallersText) {
    QString input = QStringLiteral("QU\r\nJD\n");
    MyDecode(input);
    EXPECT_EQ(input, QStringLiteral("QUJD"));
}

TEST(MyDecode, LengthNotAMultipleOfFourRaises) {
    QString input = QStringLiteral("QUJ");
    try {
        MyDecode(input);
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::ObjectBase);
        EXPECT_EQ(e.source(), QStringLiteral("MyDecode"));
        EXPECT_EQ(e.description(), QStringLiteral("Input string is not valid Base64."));
    }
}

} // namespace
