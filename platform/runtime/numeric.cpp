#include "platform/runtime/numeric.h"

#include "platform/runtime/runtime_error.h"

#include <cmath>
#include <limits>

namespace vellumo::num {

namespace {
template <typename T> T narrow(std::int64_t v) {
    if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max())
        raiseStandard(err::Overflow);
    return static_cast<T>(v);
}

template <typename T> T convert(double value) {
    if (std::isnan(value))
        raiseStandard(err::Overflow);
    const double r = roundHalfEven(value);
    if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
        r > static_cast<double>(std::numeric_limits<T>::max()))
        raiseStandard(err::Overflow);
    return static_cast<T>(r);
}
} // namespace

double roundHalfEven(double value) {
    if (!std::isfinite(value))
        return value;
    return std::nearbyint(value); // the default rounding mode is to nearest, ties to even
}

std::int32_t toInt32(double value) {
    return convert<std::int32_t>(value);
}
std::int16_t toInt16(double value) {
    return convert<std::int16_t>(value);
}
std::int32_t toInt32(std::int64_t value) {
    return narrow<std::int32_t>(value);
}
std::int16_t toInt16(std::int64_t value) {
    return narrow<std::int16_t>(value);
}

std::int32_t add32(std::int32_t a, std::int32_t b) {
    return narrow<std::int32_t>(std::int64_t{a} + b);
}
std::int32_t sub32(std::int32_t a, std::int32_t b) {
    return narrow<std::int32_t>(std::int64_t{a} - b);
}
std::int32_t mul32(std::int32_t a, std::int32_t b) {
    return narrow<std::int32_t>(std::int64_t{a} * b);
}
std::int16_t add16(std::int16_t a, std::int16_t b) {
    return narrow<std::int16_t>(std::int64_t{a} + b);
}
std::int16_t sub16(std::int16_t a, std::int16_t b) {
    return narrow<std::int16_t>(std::int64_t{a} - b);
}
std::int16_t mul16(std::int16_t a, std::int16_t b) {
    return narrow<std::int16_t>(std::int64_t{a} * b);
}

} // namespace vellumo::num
