#pragma once
// Whole-number conversions and arithmetic with the rules the program was designed on: conversions
// round half to even, and signed 16- and 32-bit arithmetic that leaves its range raises error 6
// (Overflow) instead of wrapping. Nothing here has undefined behaviour for any input.

#include <cstdint>

namespace vellumo::num {

// Round to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double roundHalfEven(double value);

// Conversions to 32-bit (CLng) and 16-bit (CInt) integers; out of range or NaN raises error 6.
std::int32_t toInt32(double value);
std::int16_t toInt16(double value);
// Narrowing of a whole number; out of range raises error 6.
std::int32_t toInt32(std::int64_t value);
std::int16_t toInt16(std::int64_t value);

// Checked signed 32-bit arithmetic; raises error 6 on overflow.
std::int32_t add32(std::int32_t a, std::int32_t b);
std::int32_t sub32(std::int32_t a, std::int32_t b);
std::int32_t mul32(std::int32_t a, std::int32_t b);
// Checked signed 16-bit arithmetic; raises error 6 on overflow.
std::int16_t add16(std::int16_t a, std::int16_t b);
std::int16_t sub16(std::int16_t a, std::int16_t b);
std::int16_t mul16(std::int16_t a, std::int16_t b);

} // namespace vellumo::num
