#include "platform/hosting/property_bag.h"

#include "platform/runtime/runtime_error.h"
#include "tests/support/error_number.h"

#include <gtest/gtest.h>

#include <functional>

namespace vellumo {
namespace {

using test::errorOf;

TEST(PropertyBag, MissingKeyGivesTheDefaultAndStoredKeysKeepTheirOrder) {
    PropertyBag bag;
    bag.WriteProperty("BorderType", std::int32_t{2});
    bag.WriteProperty("Caption", "Prêt");
    bag.WriteProperty("bordertype", std::int32_t{5}); // same key, other case: replaced in place
    EXPECT_EQ(bag.keys(), (QStringList{"BorderType", "Caption"}));
    EXPECT_EQ(bag.ReadProperty("BORDERTYPE", std::int32_t{1}).toInt32(), 5);
    EXPECT_EQ(bag.ReadProperty("Caption", "").toText(), QStringLiteral("Prêt"));
    EXPECT_EQ(bag.ReadProperty("Nothing", std::int32_t{7}).toInt32(), 7);
    EXPECT_TRUE(bag.ReadProperty("Nothing", std::int32_t{7}).holds<std::int32_t>());
    EXPECT_TRUE(bag.remove("caption"));
    EXPECT_FALSE(bag.contains("Caption"));
}

struct ConversionCase {
    const char* name;
    PropertyValue value;
    std::function<void(const PropertyValue&)> convert;
    std::int32_t error; // 0: converts
};

void PrintTo(const ConversionCase& c, std::ostream* os) {
    *os << c.name;
}

class PropertyValueConversion : public testing::TestWithParam<ConversionCase> {};

TEST_P(PropertyValueConversion, FollowsThePlatformRules) {
    const auto& c = GetParam();
    EXPECT_EQ(errorOf([&] { c.convert(c.value); }), c.error);
}

const auto toLong = [](const PropertyValue& v) { (void)v.toInt32(); };
const auto toInteger = [](const PropertyValue& v) { (void)v.toInt16(); };
const auto toText = [](const PropertyValue& v) { (void)v.toText(); };
const auto toBoolean = [](const PropertyValue& v) { (void)v.toBool(); };
const auto toPicture = [](const PropertyValue& v) { (void)v.toPicture(); };

INSTANTIATE_TEST_SUITE_P(
    Cases, PropertyValueConversion,
    testing::Values(ConversionCase{"IntegerWidensToLong", std::int16_t{-5}, toLong, 0},
                    ConversionCase{"LongFitsInteger", std::int32_t{32767}, toInteger, 0},
                    ConversionCase{"LongOverflowsInteger", std::int32_t{32768}, toInteger, err::Overflow},
                    ConversionCase{"SingleOverflowsLong", 3.0e10f, toLong, err::Overflow},
                    ConversionCase{"TextIsNoNumber", "12", toLong, err::TypeMismatch},
                    ConversionCase{"NumberIsNoText", std::int32_t{12}, toText, err::TypeMismatch},
                    ConversionCase{"TextIsNoBoolean", "True", toBoolean, err::TypeMismatch},
                    ConversionCase{"LongIsNoPicture", std::int32_t{0}, toPicture, err::TypeMismatch},
                    ConversionCase{"FontIsNoLong", QFont(), toLong, err::TypeMismatch}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PropertyValue, NumbersConvertAsThePlatformDoes) {
    EXPECT_EQ(PropertyValue(true).toInt32(), -1);
    EXPECT_EQ(PropertyValue(2.5f).toInt32(), 2); // halves to even
    EXPECT_EQ(PropertyValue(3.5f).toInt16(), 4);
    EXPECT_TRUE(PropertyValue(std::int32_t{-3}).toBool());
    EXPECT_FLOAT_EQ(PropertyValue(std::int16_t{9}).toFloat(), 9.0f);
    EXPECT_EQ(PropertyValue(std::int16_t{9}).typeName(), QStringLiteral("Integer"));
}

TEST(FontInPoints, APixelSizeBecomesItsPointSize) {
    QFont pixels(QStringLiteral("Arial"));
    pixels.setPixelSize(16);
    EXPECT_DOUBLE_EQ(fontInPoints(pixels, 96).pointSizeF(), 12.0);
    EXPECT_DOUBLE_EQ(fontInPoints(pixels, 120).pointSizeF(), 9.6);
    EXPECT_EQ(fontInPoints(pixels, 96).family(), QStringLiteral("Arial"));
    QFont points(QStringLiteral("Arial"));
    points.setPointSizeF(8.25);
    EXPECT_DOUBLE_EQ(fontInPoints(points, 96).pointSizeF(), 8.25);
}

} // namespace
} // namespace vellumo
