#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "tests/support/error_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

using namespace vellumo;

namespace {

struct RoundCase {
    const char* name;
    double input;
    std::int32_t expected;
};

class ToInt32 : public ::testing::TestWithParam<RoundCase> {};

TEST_P(ToInt32, RoundsHalfToEven) {
    EXPECT_EQ(num::toInt32(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Numeric, ToInt32,
                         ::testing::Values(RoundCase{"half_down_to_even", 2.5, 2}, RoundCase{"half_up_to_even", 3.5, 4},
                                           RoundCase{"negative_half", -2.5, -2},
                                           RoundCase{"neg_one_and_half", -1.5, -2}, RoundCase{"below_half", 0.49999, 0},
                                           RoundCase{"above_half", 0.5001, 1},
                                           RoundCase{"max", 2147483647.0, 2147483647},
                                           RoundCase{"max_rounded_down", 2147483647.4, 2147483647},
                                           RoundCase{"min", -2147483648.0, std::numeric_limits<std::int32_t>::min()}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Numeric, OutOfRangeRaisesOverflow) {
    EXPECT_EQ(test::errorOf([] { num::toInt32(2147483647.5); }), err::Overflow);
    EXPECT_EQ(test::errorOf([] { num::toInt32(-2147483649.0); }), err::Overflow);
    EXPECT_EQ(test::errorOf([] { num::toInt32(std::nan("")); }), err::Overflow);
    EXPECT_EQ(test::errorOf([] { num::toInt16(32767.5); }), err::Overflow);
    EXPECT_EQ(test::errorOf([] { num::toInt16(std::int64_t{-32769}); }), err::Overflow);
    EXPECT_EQ(num::toInt16(32766.5), 32766);
    EXPECT_EQ(num::toInt16(-32768.4), -32768);
}

TEST(Numeric, CheckedArithmeticRaisesOverflowAtTheEdges) {
    constexpr auto max32 = std::numeric_limits<std::int32_t>::max();
    constexpr auto min32 = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(num::add32(max32 - 1, 1), max32);
    EXPECT_EQ(test::errorOf([&] { num::add32(max32, 1); }), err::Overflow);
    EXPECT_EQ(test::errorOf([&] { num::sub32(min32, 1); }), err::Overflow);
    EXPECT_EQ(test::errorOf([&] { num::mul32(min32, -1); }), err::Overflow);
    EXPECT_EQ(num::mul32(46340, 46340), 2147395600);
    EXPECT_EQ(test::errorOf([] { num::mul16(std::int16_t{200}, std::int16_t{200}); }), err::Overflow);
    EXPECT_EQ(test::errorOf([] { num::add16(std::int16_t{32767}, std::int16_t{1}); }), err::Overflow);
    EXPECT_EQ(num::sub16(std::int16_t{-32767}, std::int16_t{1}), -32768);
}

TEST(RuntimeErrorTest, CarriesNumberSourceAndDescription) {
    const RuntimeError e(err::object(49920), "BasicBuffer", "Not open");
    EXPECT_EQ(e.number(), static_cast<std::int32_t>(0x8004C300u));
    EXPECT_EQ(e.source(), "BasicBuffer");
    EXPECT_EQ(e.description(), "Not open");
    EXPECT_STREQ(e.what(), "Not open");
    EXPECT_EQ(err::ObjectBase, static_cast<std::int32_t>(0x80040000u));
}

} // namespace
